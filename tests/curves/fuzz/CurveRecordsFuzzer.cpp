// Feeds arbitrary bytes, opened from memory as a WYX file, to the curve records reader: the
// curve stored at the top level, and each curve stored in a "Curve" block, counting what each
// read leaves out.

#include <cstddef>
#include <cstdint>

#include "curves/RFCurve.h"
#include "curves/RFCurveRecords.h"
#include "fileio/RWyxFile.h"
#include "tests/curves/fuzz/CurveFuzzSupport.h"

namespace {

void ReadInto(RWyxFile& file, RFCurve* target, bool defaultOnly, bool withColor) {
    RFCurveRecords::Losses losses;
    RFCurve* curve = RFCurveRecords::ReadDefaultBlock(file, target, defaultOnly, withColor, &losses);
    // Counts of what was there: a curve record holds one default and one colour.
    if (losses.keys < 0 || losses.numbers < 0 || losses.numbers > 2) {
        curve_fuzz::Finding("losses outside what a curve record holds");
    }
    if (curve != nullptr) {
        curve_fuzz::CheckCurve(*curve);
        if (curve != target) {
            RFCurve::Destroy(curve);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RWyxFile file;
    if (!file.OpenFromMemory(data, size)) {
        return 0;
    }
    // A curve that already has keys is cleared and read in place.
    RFCurve reused;
    for (int k = 0; k < 30; ++k) {
        reused.AppendKey(RTime(k * RTime::kTicksPerSecond / 10), static_cast<float>(k));
    }
    ReadInto(file, &reused, false, true);
    while (file.FieldReadBegin("Curve")) {
        if (file.FieldReadBlockBegin()) {
            ReadInto(file, nullptr, false, true);
            ReadInto(file, nullptr, true, false);
            file.FieldReadBlockEnd();
        }
        file.FieldReadEnd();
    }
    (void)file.Close();
    return 0;
}
