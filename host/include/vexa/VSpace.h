#ifndef VEXA_VSPACE_H
#define VEXA_VSPACE_H

// The spaces a transform's values are read and written in.
//  kTransform: the node's own attributes, relative to its parent (the values as stored).
//  kObject:    for pivots, the same as kTransform; for geometry, the shape's own space.
//  kWorld:     through the whole DAG path (needs a function set made from a DAG path).

class VSpace {
public:
    enum Space { kInvalid = 0, kTransform = 1, kObject = 2, kPreTransform = 3, kWorld = 4 };
};

#endif
