#ifndef WYX_FORMATS_3DS_READER3DSKEYS_H
#define WYX_FORMATS_3DS_READER3DSKEYS_H

// The key conversion of the 3DS reader: the key tracks of keyframer records become TCB keys
// of the curves of a node's current take node. Keys sit on whole frames at 30 frames per
// second; a key whose frame does not come after the last key taken is left out. A track of
// one key (or none, or with animation off) sets default values instead: the node's, and for
// the position, rotation and scale the target curves' defaults; the colour, hotspot, field of
// view and roll get one key at time 0 as well. Rotation keys are relative to the key before:
// they are accumulated into absolute rotations, and the rotation curves unrolled.
//
// Tracks come from a file: a count larger than the keys or values given is held to them.

#include "formats/3ds/toolkit/FtkMotion.h"

class RWyxNode;

struct KeyContext3ds {
    bool animation = true;
    bool reduceKeys = false;
    // Lengths' factor: the reader's scale, or 1 under a reference node.
    double scale = 1.0;
};

void ConvertPositionTrack3ds(const FtkTrackGroup<FtkPoint>& track, RWyxNode& node, const KeyContext3ds& context);
void ConvertRotationTrack3ds(const FtkTrackGroup<FtkRotKey>& track, RWyxNode& node, const KeyContext3ds& context);
void ConvertScaleTrack3ds(const FtkTrackGroup<FtkPoint>& track, RWyxNode& node, const KeyContext3ds& context);
void ConvertColorTrack3ds(const FtkTrackGroup<FtkColor>& track, RWyxNode& node, const KeyContext3ds& context);
void ConvertHotspotTrack3ds(const FtkTrackGroup<float>& track, RWyxNode& node, const KeyContext3ds& context);
void ConvertFieldOfViewTrack3ds(const FtkTrackGroup<float>& track, RWyxNode& node, const KeyContext3ds& context);
void ConvertRollTrack3ds(const FtkTrackGroup<float>& track, RWyxNode& node, const KeyContext3ds& context);

#endif
