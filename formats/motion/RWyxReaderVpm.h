#ifndef WYX_FORMATS_MOTION_RWYXREADERVPM_H
#define WYX_FORMATS_MOTION_RWYXREADERVPM_H

// The VPM reader (importer format id 11): one node per segment (an optical-marker attribute;
// translation, rotation and scaling keyed at the options' frames) under "VPM:optical" or
// "VPM:reference". Segments are read until one does not read: the first must, the end of the
// file or a damaged later segment ends the list. A segment's frames beyond the options' count
// are passed over. Names must differ (the duplicate-name report otherwise).

#include "formats/motion/RVpmFile.h"
#include "formats/motion/RWyxReaderMotion.h"

class RWyxReaderVpm : public RWyxReaderMotion {
public:
    explicit RWyxReaderVpm(RWyxObjectFactory* factory) : RWyxReaderMotion(factory) {}

    // Start 0, the first segment's frame count and rate (1 / frame time), ImportAsOpticalSegments 0.
    RStreamOptionsPtr GetReadOptions(bool quiet) override;
    bool Read(RWyxScene* scene, RStreamOptions* options) override;

protected:
    std::unique_ptr<RMotionTextFile> NewFormatFile() const override { return std::make_unique<RVpmFile>(); }

private:
    // The segment's node, keyed, or null when the segment did not read.
    RWyxNode* ReadSegment(const RStreamOptionsMotion& options, const char* takeName, bool first);
};

#endif
