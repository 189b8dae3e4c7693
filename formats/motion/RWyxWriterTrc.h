#ifndef WYX_FORMATS_MOTION_RWYXWRITERTRC_H
#define WYX_FORMATS_MOTION_RWYXWRITERTRC_H

// The TRC writer (exporter format id 7): path type 4, positions in millimetres, gaps as empty
// fields.

#include "formats/motion/RTrcFile.h"
#include "formats/motion/RWyxWriterMarker.h"

class RWyxWriterTrc : public RWyxWriterMarker {
public:
    explicit RWyxWriterTrc(RWyxObjectFactory* factory, RWyxIO* owner = nullptr)
        : RWyxWriterMarker(factory, owner, "Motion Analysis TRC File Exporter", "TRC") {}

protected:
    std::unique_ptr<RMarkerFile> CreateMarkerFile() const override { return std::make_unique<RTrcFile>(); }
    // UnusedSegments 1, ExportGapsAsValidData 0, ExportFromGlobalPosition 0.
    void SetDefaultOptions(RStreamOptionsMotion& options) const override;
};

#endif
