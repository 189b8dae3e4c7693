#ifndef WYX_FORMATS_MOTION_RWYXWRITERVPM_H
#define WYX_FORMATS_MOTION_RWYXWRITERVPM_H

// The VPM writer (exporter format id 13): one segment per marked node (without an optical
// attribute, parents first below the evaluation root), named after the node's name past its
// last ':' (as one word: RVpmFile::SegmentName), with the node's global translation and
// rotation at every frame and scaling 100. Nodes whose segments would be read with one name
// ("actorA:ArmL" and "actorB:ArmL", "a b" and "a_b") are refused before anything is written
// (RefuseSharedNames).
// The frames of all nodes are computed first: more than kMaxBufferRecords of them (frames
// times nodes) are refused, like a buffer that cannot be had, with error 5, and so is a node's
// matrix at a frame that a read would not keep (RWyxWriterMotion::CheckFrameHeld), before
// anything is printed.

#include "formats/motion/RVpmFile.h"
#include "formats/motion/RWyxWriterMotion.h"

#include <cstdint>

class RWyxWriterVpm : public RWyxWriterMotion {
public:
    static constexpr std::int64_t kMaxBufferRecords = std::int64_t{1} << 25;

    explicit RWyxWriterVpm(RWyxObjectFactory* factory, RWyxIO* owner = nullptr) : RWyxWriterMotion(factory, owner) {}

    // ExportFromGlobalPosition 0.
    RStreamOptionsPtr GetWriteOptions() override;

protected:
    bool WriteToTarget(RWyxScene* scene, RStreamOptions* options) override;
    std::unique_ptr<RMotionTextFile> NewFormatFile() const override { return std::make_unique<RVpmFile>(); }
};

#endif
