#include "formats/motion/RWyxReaderC3d.h"

#include "formats/motion/RStreamOptionsMotion.h"

void RWyxReaderC3d::SetDefaultOptions(RStreamOptionsMotion& options) {
    options.SetOption(kMotionUnusedSegments, 1);
    options.SetOption(kMotionImportAsOpticalSegments, 1);
    options.SetOption(kMotionImportSetOccludedToLastValidPosition, 1);
    options.SetOption(kMotionImportActorPrefix, 1);
    RTime code;
    if (static_cast<RC3dMarkerFile*>(GetMarkerFile())->FindTimeCode(code)) {
        options.SetStartTime(code + options.GetStartTime());
    }
}
