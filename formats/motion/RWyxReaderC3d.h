#ifndef WYX_FORMATS_MOTION_RWYXREADERC3D_H
#define WYX_FORMATS_MOTION_RWYXREADERC3D_H

// The C3D reader (importer format id 8): the points of a C3D file as marker animation. A
// TIMECODES parameter moves the start by its time code.

#include "formats/motion/RC3dMarkerFile.h"
#include "formats/motion/RWyxReaderMarker.h"

class RWyxReaderC3d : public RWyxReaderMarker {
public:
    explicit RWyxReaderC3d(RWyxObjectFactory* factory) : RWyxReaderMarker(factory, "Vicon C3D File Importer", "C3D") {}

protected:
    std::unique_ptr<RMarkerFile> CreateMarkerFile() const override { return std::make_unique<RC3dMarkerFile>(); }
    // UnusedSegments, ImportAsOpticalSegments, ImportSetOccludedToLastValidPosition and
    // ImportActorPrefix 1; the start moved on by the file's time code.
    void SetDefaultOptions(RStreamOptionsMotion& options) override;
};

#endif
