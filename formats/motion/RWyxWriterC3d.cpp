#include "formats/motion/RWyxWriterC3d.h"

#include "formats/motion/RStreamOptionsMotion.h"

void RWyxWriterC3d::SetDefaultOptions(RStreamOptionsMotion& options) const {
    options.SetOption(kMotionUnusedSegments, 1);
    options.SetOption(kMotionExportGapsAsValidData, 0);
    options.SetOption(kMotionExportC3DRealFormat, 1);
    options.SetOption(kMotionExportFromGlobalPosition, 0);
}
