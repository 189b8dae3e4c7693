#ifndef WYX_FORMATS_3DS_READER3DSKEYS_H
#define WYX_FORMATS_3DS_READER3DSKEYS_H

// The key conversion of the 3DS reader: the key tracks of keyframer records become TCB keys
// of the curves of a node's current take node. Keys sit on whole frames at 30 frames per
// second; a key whose frame does not come after the last key taken is left out. Every channel
// gets a default value, its value at the start: the first key's value (after reduction) for
// an animated track. A track of one key (or none, or with animation off) is not animated: its
// value sets the node's default and, for the position, rotation and scale, the target curves'
// defaults; the colour, hotspot, field of view and roll get one key at time 0 as well. A track
// without values takes the fallback: the value the file holds outside the keyframer (a
// light's or camera's chunk), or the format's default. Rotation keys are relative to the
// key before: they are accumulated into absolute rotations, and the rotation curves unrolled.
//
// A camera's lens follows 3D Studio's rule, focal length = 2400 / field of view (millimetres
// and degrees); the film is sized so that the camera's "FieldOfView" property is that field
// of view too, so the property, the lens and the curve agree.
//
// Tracks come from a file: a count larger than the keys or values given is held to them.

#include "formats/3ds/toolkit/FtkMotion.h"

class RWyxCamera;
class RWyxNode;

struct KeyContext3ds {
    bool animation = true;
    bool reduceKeys = false;
    // Lengths' factor: the reader's scale, or 1 under a reference node.
    double scale = 1.0;
};

void ConvertPositionTrack3ds(const FtkTrackGroup<FtkPoint>& track, RWyxNode& node, const KeyContext3ds& context,
                             const FtkPoint& fallback = FtkPoint{0.0f, 0.0f, 0.0f});
void ConvertRotationTrack3ds(const FtkTrackGroup<FtkRotKey>& track, RWyxNode& node, const KeyContext3ds& context);
void ConvertScaleTrack3ds(const FtkTrackGroup<FtkPoint>& track, RWyxNode& node, const KeyContext3ds& context);
void ConvertColorTrack3ds(const FtkTrackGroup<FtkColor>& track, RWyxNode& node, const KeyContext3ds& context,
                          const FtkColor& fallback);
void ConvertHotspotTrack3ds(const FtkTrackGroup<float>& track, RWyxNode& node, const KeyContext3ds& context,
                            float fallback);
void ConvertFieldOfViewTrack3ds(const FtkTrackGroup<float>& track, RWyxNode& node, const KeyContext3ds& context,
                                float fallback);
void ConvertRollTrack3ds(const FtkTrackGroup<float>& track, RWyxNode& node, const KeyContext3ds& context,
                         float fallback);
// Sets the camera's lens for a field of view in degrees (held to the camera's range): focal
// length 2400 / field of view, horizontal aperture, the film width that makes the two agree,
// and the "FieldOfView" property.
void SetCameraLens3ds(RWyxCamera& camera, double fieldOfView);

#endif
