#ifndef WYX_FORMATS_MOTION_RWYXREADERTRC_H
#define WYX_FORMATS_MOTION_RWYXREADERTRC_H

// The TRC reader (importer format id 5). A time-code file beside the file (its name with the
// extension ".tc") may, when the options' question hook agrees to load it, set the start time.

#include "formats/motion/RTrcFile.h"
#include "formats/motion/RWyxReaderMarker.h"

class RWyxReaderTrc : public RWyxReaderMarker {
public:
    explicit RWyxReaderTrc(RWyxObjectFactory* factory)
        : RWyxReaderMarker(factory, "Motion Analysis TRC File Importer", "TRC") {}

protected:
    std::unique_ptr<RMarkerFile> CreateMarkerFile() const override { return std::make_unique<RTrcFile>(); }
    // UnusedSegments, ImportAsOpticalSegments, ImportSetOccludedToLastValidPosition 1; then the
    // time-code file.
    void SetDefaultOptions(RStreamOptionsMotion& options) override;

private:
    void ApplyTimeCodeFile(RStreamOptionsMotion& options) const;
};

#endif
