#ifndef WYX_FORMATS_MOTION_RWYXWRITERMOV_H
#define WYX_FORMATS_MOTION_RWYXWRITERMOV_H

// The MOV writer (exporter format id 14): a line per frame, the time, then for every marked
// node (without an optical attribute, parents first below the evaluation root) the global
// translation, rotation (Euler X, Y, Z in degrees) and scaling, each group when its option
// (Translation, Rotation, Scaling) is 1. Every value ends with a tab. A value a read would
// not keep refuses the write (RWyxWriterMotion::CheckFrameHeld, error 5).

#include "formats/motion/RMovFile.h"
#include "formats/motion/RWyxWriterMotion.h"

class RWyxWriterMov : public RWyxWriterMotion {
public:
    explicit RWyxWriterMov(RWyxObjectFactory* factory, RWyxIO* owner = nullptr) : RWyxWriterMotion(factory, owner) {}

    // Translation, Rotation, Scaling 1, ExportFromGlobalPosition 0.
    RStreamOptionsPtr GetWriteOptions() override;

protected:
    bool WriteToTarget(RWyxScene* scene, RStreamOptions* options) override;
    std::unique_ptr<RMotionTextFile> NewFormatFile() const override { return std::make_unique<RMovFile>(); }
};

#endif
