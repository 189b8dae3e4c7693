#include "formats/motion/RWyxWriterTrc.h"

#include "formats/motion/RStreamOptionsMotion.h"

void RWyxWriterTrc::SetDefaultOptions(RStreamOptionsMotion& options) const {
    options.SetOption(kMotionUnusedSegments, 1);
    options.SetOption(kMotionExportGapsAsValidData, 0);
    options.SetOption(kMotionExportFromGlobalPosition, 0);
}
