#ifndef WYX_FORMATS_MOTION_RWYXWRITERMCD_H
#define WYX_FORMATS_MOTION_RWYXWRITERMCD_H

// The AOA and MCD writer (exporter format ids 11 and 12), told apart by the flag given at
// construction. Gaps are written with the position they hold: the format has no gap field.

#include "formats/motion/RAoaFile.h"
#include "formats/motion/RWyxWriterMarker.h"

class RWyxWriterMcd : public RWyxWriterMarker {
public:
    RWyxWriterMcd(RWyxObjectFactory* factory, RWyxIO* owner, bool mcd)
        : RWyxWriterMarker(factory, owner, mcd ? "Superfluo MCD File Exporter" : "Adaptive Optics AOA File Exporter",
                           mcd ? "MCD" : "AOA") {}

protected:
    std::unique_ptr<RMarkerFile> CreateMarkerFile() const override { return std::make_unique<RAoaFile>(); }
    // ExportFromGlobalPosition 0.
    void SetDefaultOptions(RStreamOptionsMotion& options) const override;
};

#endif
