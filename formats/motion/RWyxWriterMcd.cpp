#include "formats/motion/RWyxWriterMcd.h"

#include "formats/motion/RStreamOptionsMotion.h"

void RWyxWriterMcd::SetDefaultOptions(RStreamOptionsMotion& options) const {
    options.SetOption(kMotionExportFromGlobalPosition, 0);
}
