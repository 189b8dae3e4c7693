#ifndef WYX_HOSTIMPORT_TRANSFORMOFFSETS_H
#define WYX_HOSTIMPORT_TRANSFORMOFFSETS_H

// A node's offset transform: its translation, XYZ rotation and scaling at the import time as a
// matrix, then its parent's offset (when it has a parent), taken apart again into translation,
// XYZ rotation and scaling. The scaling of a zero axis is 0 and its rotation stays finite.
//
// The rotate axis that stands for a post-rotation is worked out here too: the inverse of the
// post-rotation, as XYZ Euler angles.
//
// The last parts worked out are kept: a node whose parts and parent offset are those of the
// node before, bit for bit, gets the same offset without the matrix work (the same for a
// post-rotation). The nodes of a file often share them (no transform at all below parents
// with none).

class TransformOffsets {
public:
    struct Parts {
        double translation[3] = {0.0, 0.0, 0.0};
        double rotation[3] = {0.0, 0.0, 0.0};
        double scaling[3] = {1.0, 1.0, 1.0};
    };

    // The offset of a node with the parts `own` below a parent of offset `parent` (null for a
    // node without a parent).
    const Parts& Compose(const Parts& own, const Parts* parent);
    // The rotate axis (degrees, XYZ) that undoes the post-rotation `post` (degrees, XYZ).
    void RotateAxis(const double post[3], double axis[3]);

private:
    static Parts Work(const Parts& own, const Parts* parent);

    bool known_ = false;
    bool lastHadParent_ = false;
    Parts lastOwn_;
    Parts lastParent_;
    Parts lastOffset_;
    bool axisKnown_ = false;
    double lastPost_[3] = {0.0, 0.0, 0.0};
    double lastAxis_[3] = {0.0, 0.0, 0.0};
};

#endif
