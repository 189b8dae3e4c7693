#ifndef WYX_FORMATS_MOTION_RWYXWRITERAMC_H
#define WYX_FORMATS_MOTION_RWYXWRITERAMC_H

// The AMC writer (exporter format id 9): writes the motion of the export root's nodes on the
// ASF skeleton an ASF write left in the same options ("Stream options not set" without one),
// each node moved by its current take's channels as GetLocalMatrixAt moves it (on its default
// take by that take's keys, and its defaults where a channel has none), frames numbered from
// 1; the start goes into ":FRAME-RANGE" (written unless ExportFrameRange is 0) and the rate
// into ":SAMPLES-PER-SECOND" (unless ExportFrameRate is 0). A bone's channel value at a frame
// that is not a finite number refuses the write (RWyxWriterMotion::RefuseNonFinite, error 5),
// and so does a parent matrix a read would not keep with ExportFromGlobalPosition 1
// (CheckHeld).

#include "formats/motion/RAmcFile.h"
#include "formats/motion/RWyxWriterMotion.h"

class RWyxWriterAmc : public RWyxWriterMotion {
public:
    explicit RWyxWriterAmc(RWyxObjectFactory* factory, RWyxIO* owner = nullptr) : RWyxWriterMotion(factory, owner) {}

    // The ASF writer's options.
    RStreamOptionsPtr GetWriteOptions() override;

protected:
    bool WriteToTarget(RWyxScene* scene, RStreamOptions* options) override;
    std::unique_ptr<RMotionTextFile> NewFormatFile() const override { return std::make_unique<RAmcFile>(false); }
};

#endif
