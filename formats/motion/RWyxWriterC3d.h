#ifndef WYX_FORMATS_MOTION_RWYXWRITERC3D_H
#define WYX_FORMATS_MOTION_RWYXWRITERC3D_H

// The C3D writer (exporter format id 10): marker animation as C3D points, real numbers unless
// ExportC3DRealFormat is switched off.

#include "formats/motion/RC3dMarkerFile.h"
#include "formats/motion/RWyxWriterMarker.h"

class RWyxWriterC3d : public RWyxWriterMarker {
public:
    explicit RWyxWriterC3d(RWyxObjectFactory* factory, RWyxIO* owner = nullptr)
        : RWyxWriterMarker(factory, owner, "Vicon C3D File Exporter", "C3D") {}

protected:
    std::unique_ptr<RMarkerFile> CreateMarkerFile() const override { return std::make_unique<RC3dMarkerFile>(); }
    // UnusedSegments 1, ExportGapsAsValidData 0, ExportC3DRealFormat 1, ExportFromGlobalPosition 0.
    void SetDefaultOptions(RStreamOptionsMotion& options) const override;
};

#endif
