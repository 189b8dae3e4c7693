#ifndef WYX_FORMATS_MOTION_RWYXWRITERBRD_H
#define WYX_FORMATS_MOTION_RWYXWRITERBRD_H

// The BRD writer (exporter format id 15): a row per frame and marked node (in pre-order from
// the export root; nodes with an optical attribute are left out) with the node's global
// position and orientation, frames and markers numbered from 0. With ExportGapsAsValidData 0
// a node occluded at a frame (occlusion 0.5 or more) gets no row there. A row a read would not
// keep refuses the write (RWyxWriterMotion::CheckFrameHeld, error 5).

#include "formats/motion/RBrdFile.h"
#include "formats/motion/RWyxWriterMotion.h"

#include <vector>

class RWyxNode;

class RWyxWriterBrd : public RWyxWriterMotion {
public:
    explicit RWyxWriterBrd(RWyxObjectFactory* factory, RWyxIO* owner = nullptr) : RWyxWriterMotion(factory, owner) {}

    // ExportGapsAsValidData 1, ExportFromGlobalPosition 0.
    RStreamOptionsPtr GetWriteOptions() override;

protected:
    bool WriteToTarget(RWyxScene* scene, RStreamOptions* options) override;
    std::unique_ptr<RMotionTextFile> NewFormatFile() const override { return std::make_unique<RBrdFile>(false); }
};

#endif
