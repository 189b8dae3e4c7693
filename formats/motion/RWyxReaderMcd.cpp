#include "formats/motion/RWyxReaderMcd.h"

#include "formats/motion/RStreamOptionsMotion.h"

void RWyxReaderMcd::SetDefaultOptions(RStreamOptionsMotion& options) {
    options.SetOption(kMotionImportAsOpticalSegments, 1);
    options.SetOption(kMotionImportExactZeroAsOccluded, 1);
    options.SetOption(kMotionImportSetOccludedToLastValidPosition, 1);
}
