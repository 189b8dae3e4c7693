#ifndef WYX_FORMATS_MOTION_RWYXREADERMCD_H
#define WYX_FORMATS_MOTION_RWYXREADERMCD_H

// The AOA and MCD reader (importer format ids 9 and 10): one class for both, the flag given at
// construction choosing the names ("MCD" when set, "AOA" otherwise).

#include "formats/motion/RAoaFile.h"
#include "formats/motion/RWyxReaderMarker.h"

class RWyxReaderMcd : public RWyxReaderMarker {
public:
    RWyxReaderMcd(RWyxObjectFactory* factory, bool mcd)
        : RWyxReaderMarker(factory, mcd ? "Superfluo MCD File Importer" : "Adaptive Optics AOA File Importer",
                           mcd ? "MCD" : "AOA") {}

protected:
    std::unique_ptr<RMarkerFile> CreateMarkerFile() const override { return std::make_unique<RAoaFile>(); }
    // ImportAsOpticalSegments, ImportExactZeroAsOccluded, ImportSetOccludedToLastValidPosition 1.
    void SetDefaultOptions(RStreamOptionsMotion& options) override;
};

#endif
