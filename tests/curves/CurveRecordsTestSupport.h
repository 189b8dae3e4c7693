#ifndef WYX_TESTS_CURVES_CURVERECORDSTESTSUPPORT_H
#define WYX_TESTS_CURVES_CURVERECORDSTESTSUPPORT_H

// Shared by the curve and curve-node record tests: a scratch WYX file written in one form
// and read back through the real container, and exact comparisons of curves.

#include <gtest/gtest.h>

#include <string>

#include "curves/RFCurve.h"
#include "fileio/RWyxFile.h"
#include "tests/support/WyxFileTestSupport.h"
#include "tests/support/ScratchFolder.h"

namespace record_test {

class RecordFile {
public:
    explicit RecordFile(WyxForm form, int version = 6000) : form_(form), version_(version) {}

    // Creates the file, lets body write the fields, closes it; false when anything failed.
    template <typename Body>
    bool Write(Body body) {
        RWyxFile file;
        if (!CreateInForm(file, path_, form_, version_)) {
            return false;
        }
        body(file);
        return file.Close();
    }
    bool Open(RWyxFile& file) const { return file.Open(path_.c_str()); }
    std::string Bytes() const { return ScratchFolder::ReadFile(path_); }
    const std::string& Path() const { return path_; }
    WyxForm Form() const { return form_; }

private:
    WyxForm form_;
    int version_;
    ScratchFolder scratch_;
    std::string path_ = scratch_.Join("records.wyx");
};

// Everything a key holds, compared exactly.
inline void ExpectSameKey(const RCurveKey& expected, const RCurveKey& actual, int index) {
    SCOPED_TRACE(testing::Message() << "key " << index);
    EXPECT_EQ(expected.GetTime(), actual.GetTime());
    EXPECT_EQ(expected.GetValue(), actual.GetValue());
    EXPECT_EQ(expected.GetInterpolation(), actual.GetInterpolation());
    EXPECT_EQ(expected.GetTangentMode(), actual.GetTangentMode());
    EXPECT_EQ(expected.GetWeightMode(), actual.GetWeightMode());
    EXPECT_EQ(expected.GetVelocityMode(), actual.GetVelocityMode());
    EXPECT_EQ(expected.IsSelected(), actual.IsSelected());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(expected.GetRawData(i), actual.GetRawData(i)) << "raw data " << i;
    }
    for (int i = 2; i < 6; ++i) {
        EXPECT_EQ(expected.GetDataValue(i), actual.GetDataValue(i)) << "data " << i;
    }
}

inline void ExpectSameCurve(const RFCurve& expected, const RFCurve& actual) {
    EXPECT_EQ(expected.GetDefaultValue(), actual.GetDefaultValue());
    ASSERT_EQ(expected.GetKeyCount(), actual.GetKeyCount());
    for (int k = 0; k < expected.GetKeyCount(); ++k) {
        ExpectSameKey(expected.GetKey(k), actual.GetKey(k), k);
    }
    EXPECT_EQ(expected.GetPreExtrapolationType(), actual.GetPreExtrapolationType());
    EXPECT_EQ(expected.GetPreExtrapolationRepetition(), actual.GetPreExtrapolationRepetition());
    EXPECT_EQ(expected.GetPostExtrapolationType(), actual.GetPostExtrapolationType());
    EXPECT_EQ(expected.GetPostExtrapolationRepetition(), actual.GetPostExtrapolationRepetition());
    float a[3];
    float b[3];
    expected.GetColor(a);
    actual.GetColor(b);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a[i], b[i]) << "colour " << i;
    }
}

}  // namespace record_test

#endif
