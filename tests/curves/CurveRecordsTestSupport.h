#ifndef WYX_TESTS_CURVES_CURVERECORDSTESTSUPPORT_H
#define WYX_TESTS_CURVES_CURVERECORDSTESTSUPPORT_H

// Shared by the curve and curve-node record tests: a scratch WYX file written in one form
// and read back through the real container, and exact comparisons of curves.

#include <gtest/gtest.h>

#include <string>

#include "curves/RFCurve.h"
#include "curves/RFCurveRecords.h"
#include "fileio/RWyxFile.h"
#include "tests/curves/CurveTestSupport.h"
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

// A curve with a key of every coding the writer has: Constant with and without ConstantNext,
// Linear, Tcb, weighted User and UserBreak, Auto with ratios 0 ("a"), Auto and AutoBreak with
// ratios ("p", "q"), AutoBreak with ratios 0, and extrapolation and colour.
inline void BuildEveryCoding(RFCurve& curve) {
    using curve_test::At;
    using curve_test::MakeKey;
    using Key = RCurveKey;
    curve.SetDefaultValue(7.5f);
    curve.AddKey(At(0.0), MakeKey(1.0f, Key::Constant, Key::ConstantNext));
    curve.AddKey(At(1.0), MakeKey(2.0f, Key::Constant, 0));
    curve.AddKey(At(2.0), MakeKey(-3.0f, Key::Linear, 0));
    curve.AddKey(At(3.0), curve_test::MakeTcb(4.25f, 0.25f, -0.5f, 0.125f));
    curve.AddKey(At(4.0), MakeKey(5.0f, Key::Cubic, Key::User, 1.5f, -2.0f, Key::WeightedRight | Key::WeightedNextLeft, 0.25f, 0.6f));
    curve.AddKey(At(5.5), MakeKey(6.0f, Key::Cubic, Key::UserBreak, -0.75f, 3.0f, Key::WeightedRight, 0.7f));
    curve.AddKey(At(6.0), MakeKey(2.0f, Key::Cubic, Key::Auto));
    curve.AddKey(At(7.0), MakeKey(1.0f, Key::Cubic, Key::Auto, 0.0f, 30.0f));
    curve.AddKey(At(8.0), MakeKey(0.5f, Key::Cubic, Key::Auto, -30.0f, 12.0f, Key::WeightedNextLeft, Key::kDefaultWeight, 0.4f));
    curve.AddKey(At(9.0), MakeKey(0.25f, Key::Cubic, Key::AutoBreak, 20.0f, 0.0f));
    curve.AddKey(At(10.0), MakeKey(0.125f, Key::Cubic, Key::AutoBreak));
    curve.AddKey(RTime(10 * curve_test::kSecond + 12345), MakeKey(-1.0f, Key::Cubic, Key::Auto));
    curve.SetPreExtrapolationType(RFCurve::ExtrapolationRepetition);
    curve.SetPreExtrapolationRepetition(3);
    curve.SetPostExtrapolationType(RFCurve::ExtrapolationKeepSlope);
    curve.SetPostExtrapolationRepetition(RFCurve::kUnlimitedRepetitions);
    const float rgb[3] = {0.25f, 0.5f, 0.75f};
    curve.SetColor(rgb);
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
