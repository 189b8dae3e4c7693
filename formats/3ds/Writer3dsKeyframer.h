#ifndef WYX_FORMATS_3DS_WRITER3DSKEYFRAMER_H
#define WYX_FORMATS_3DS_WRITER3DSKEYFRAMER_H

// The keyframer output of the 3DS writer: the animation of one node as a toolkit motion
// record. Tracks are baked, one plain TCB key per frame at 30 frames per second from frame 0
// to the last frame of the node's keys (at least one key: keys before time 0 are not
// sampled); with animation off, one key of the node's default values. Rotation keys hold the
// rotation from the key before as an angle and an axis, the first one the absolute rotation.
// The scene's curves are only read: a camera's field of view is converted as it is sampled.

#include "core/RTime.h"
#include "formats/3ds/toolkit/FtkMotion.h"
#include "scene/RWyxTakeNode.h"

#include <memory>
#include <vector>

class RFCurve;
class RWyxNode;
class RWyxWriter3ds;

// One scene channel component: a curve when it has keys (and animation is on), else a
// constant.
struct Channel3ds {
    const RFCurve* curve = nullptr;
    float constant = 0.0f;
    float At(RTime time) const;
};

// Each null for a null node, and for a node whose rotation (an object motion), translation
// or scaling at frame 0 (the object motion of a mesh's node) or first field of view (a camera
// motion) is no real number as a float holds it, or one of whose channels without keys has a
// finite value beyond the floats (its own or, for a target track, its target's), the write
// refused through the writer.
std::unique_ptr<FtkObjectMotion> BuildObjectMotion3ds(RWyxWriter3ds& writer, RWyxNode* node);
std::unique_ptr<FtkOmniMotion> BuildOmniMotion3ds(RWyxWriter3ds& writer, RWyxNode* node);
std::unique_ptr<FtkSpotMotion> BuildSpotMotion3ds(RWyxWriter3ds& writer, RWyxNode* node);
std::unique_ptr<FtkCameraMotion> BuildCameraMotion3ds(RWyxWriter3ds& writer, RWyxNode* node);

// The number of keys each track of the node gets: 1 while no animation is written for it.
int TrackKeyCount3ds(RWyxWriter3ds& writer, RWyxNode& node);
// The curve the node's keys of the channel are sampled from; null where they hold the
// channel's default (no animation written, or a channel without keys).
const RFCurve* WrittenCurve3ds(RWyxWriter3ds& writer, RWyxNode& node, RWyxTakeNode::Channel channel);

// The time of frame i at 30 frames per second.
RTime FrameTime3ds(int frame);

// The track samplers: key i at frame i, values from the three (or one) channels.
void SamplePositionTrack(FtkTrackGroup<FtkPoint>& track, const Channel3ds xyz[3], int count);
void SampleColorTrack(FtkTrackGroup<FtkColor>& track, const Channel3ds xyz[3], int count);
void SampleScaleTrack(FtkTrackGroup<FtkPoint>& track, const Channel3ds xyz[3], int count);
void SampleFloatTrack(FtkTrackGroup<float>& track, const Channel3ds& channel, int count);
void SampleRotationTrack(FtkTrackGroup<FtkRotKey>& track, const Channel3ds xyz[3], int count);

#endif
