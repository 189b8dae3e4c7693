#ifndef WYX_FORMATS_MOTION_RWYXREADERMOV_H
#define WYX_FORMATS_MOTION_RWYXREADERMOV_H

// The MOV reader (importer format id 12): the columns after the time become nodes Marker0,
// Marker1, ... (an optical-marker attribute each), as many as whole groups of the enabled
// channels fit, under "MOV:optical" or "MOV:reference".
//
// The rate comes from the first ten lines' times (intervals of no length, or running
// backwards, are passed over); without a rate the default time mode's. A rate above the
// highest the motion readers take is refused. The values kept (lines times columns) may not
// outnumber the file's bytes: short lines cannot make memory outgrow the file.

#include "formats/motion/RMovFile.h"
#include "formats/motion/RWyxReaderMotion.h"

#include <vector>

class RWyxReaderMov : public RWyxReaderMotion {
public:
    explicit RWyxReaderMov(RWyxObjectFactory* factory) : RWyxReaderMotion(factory) {}

    // Start (the first time), frame count (the lines), rate; Translation, Rotation, Scaling 1,
    // ImportAsOpticalSegments 0.
    RStreamOptionsPtr GetReadOptions(bool quiet) override;
    bool Read(RWyxScene* scene, RStreamOptions* options) override;

protected:
    std::unique_ptr<RMotionTextFile> NewFormatFile() const override { return std::make_unique<RMovFile>(); }

private:
    bool ReadRows(const RStreamOptionsMotion& options, int columns, std::vector<double>& rows, int& frames);
    bool KeyNode(RWyxNode* node, const RStreamOptionsMotion& options, const std::vector<double>& rows, int columns,
                 int frames, int firstColumn, const bool groups[3], const char* takeName);
};

#endif
