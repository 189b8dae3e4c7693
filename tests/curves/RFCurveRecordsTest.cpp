#include "curves/RFCurveRecords.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/curves/CurveRecordsTestSupport.h"
#include "tests/curves/CurveTestSupport.h"

using namespace curve_test;
using record_test::ExpectSameCurve;
using record_test::RecordFile;

namespace {

using Key = RCurveKey;

struct CurveDeleter {
    void operator()(RFCurve* curve) const { RFCurve::Destroy(curve); }
};
using CurvePtr = std::unique_ptr<RFCurve, CurveDeleter>;

Key MakeWeighted(float value, uint32_t mode, float data0, float data1, uint32_t weights, float w2, float w3) {
    Key key;
    key.Set(RTime(), value, Key::Cubic, mode, data0, data1, weights, w2, w3, 0.0f, 0.0f);
    return key;
}

// A curve with a key of every coding the writer has: Constant with and without ConstantNext,
// Linear, Tcb, weighted User and UserBreak, Auto with ratios 0 ("a"), Auto and AutoBreak with
// ratios ("p", "q"), AutoBreak with ratios 0, and extrapolation and colour.
void BuildEveryCoding(RFCurve& curve) {
    curve.SetDefaultValue(7.5f);
    Key constantNext = MakeKey(1.0f, Key::Constant, 0);
    constantNext.SetTangentMode(Key::ConstantNext);
    curve.AddKey(At(0.0), constantNext);
    curve.AddKey(At(1.0), MakeKey(2.0f, Key::Constant, 0));
    curve.AddKey(At(2.0), MakeKey(-3.0f, Key::Linear, 0));
    Key tcb;
    tcb.SetTensionContinuityBias(RTime(), 4.25f, 0.25f, -0.5f, 0.125f);
    curve.AddKey(At(3.0), tcb);
    curve.AddKey(At(4.0), MakeWeighted(5.0f, Key::User, 1.5f, -2.0f, Key::WeightedRight | Key::WeightedNextLeft, 0.25f, 0.6f));
    curve.AddKey(At(5.5), MakeWeighted(6.0f, Key::UserBreak, -0.75f, 3.0f, Key::WeightedRight, 0.7f, Key::kDefaultWeight));
    curve.AddKey(At(6.0), MakeKey(2.0f, Key::Cubic, Key::Auto));
    curve.AddKey(At(7.0), MakeKey(1.0f, Key::Cubic, Key::Auto, 0.0f, 30.0f));
    curve.AddKey(At(8.0), MakeWeighted(0.5f, Key::Auto, -30.0f, 12.0f, Key::WeightedNextLeft, Key::kDefaultWeight, 0.4f));
    curve.AddKey(At(9.0), MakeKey(0.25f, Key::Cubic, Key::AutoBreak, 20.0f, 0.0f));
    curve.AddKey(At(10.0), MakeKey(0.125f, Key::Cubic, Key::AutoBreak));
    curve.AddKey(RTime(10 * kSecond + 12345), MakeKey(-1.0f, Key::Cubic, Key::Auto));
    curve.SetPreExtrapolationType(RFCurve::ExtrapolationRepetition);
    curve.SetPreExtrapolationRepetition(3);
    curve.SetPostExtrapolationType(RFCurve::ExtrapolationKeepSlope);
    curve.SetPostExtrapolationRepetition(RFCurve::kUnlimitedRepetitions);
    const float rgb[3] = {0.25f, 0.5f, 0.75f};
    curve.SetColor(rgb);
}

void WriteCurve(RecordFile& file, const RFCurve& curve, bool defaultOnly = false, bool withColor = true,
                bool autoSlopes = false) {
    ASSERT_TRUE(file.Write([&](RWyxFile& out) {
        EXPECT_TRUE(RFCurveRecords::Write(curve, out, defaultOnly, withColor, autoSlopes));
    }));
}

CurvePtr ReadCurve(const RecordFile& file, bool defaultOnly = false, bool withColor = true) {
    RWyxFile in;
    EXPECT_TRUE(file.Open(in));
    CurvePtr curve(RFCurveRecords::CreateFromFile(in, defaultOnly, withColor));
    EXPECT_EQ(-1, in.GetLastErrorID());
    return curve;
}

// Writes the values a text spells, separated by blanks: "@s" a time of s seconds, "#n" an
// integer, "'text" a string, a number a double, any other single character a letter.
void WriteValues(RWyxFile& out, const std::string& text) {
    std::istringstream tokens(text);
    for (std::string token; tokens >> token;) {
        if (token[0] == '@') {
            out.FieldWriteTime(At(std::stod(token.substr(1))));
        } else if (token[0] == '#') {
            out.FieldWriteInt(std::stoi(token.substr(1)));
        } else if (token[0] == '\'') {
            out.FieldWriteString(token.substr(1).c_str());
        } else if (token.size() == 1 && !std::isdigit(static_cast<unsigned char>(token[0]))) {
            out.FieldWriteChar(token[0]);
        } else {
            out.FieldWriteDouble(std::stod(token));
        }
    }
}

// A curve record with the key version and count and the "Key" values the text spells.
CurvePtr ReadHandMade(WyxForm form, int keyVersion, int keyCount, const std::string& keys,
                      double defaultValue = 0.0) {
    RecordFile file(form);
    EXPECT_TRUE(file.Write([&](RWyxFile& out) {
        out.FieldWriteBegin("Default");
        out.FieldWriteDouble(defaultValue);
        out.FieldWriteEnd();
        out.FieldWriteBegin("KeyVer");
        out.FieldWriteInt(keyVersion);
        out.FieldWriteEnd();
        out.FieldWriteBegin("KeyCount");
        out.FieldWriteInt(keyCount);
        out.FieldWriteEnd();
        out.FieldWriteBegin("Key");
        WriteValues(out, keys);
        out.FieldWriteEnd();
    }));
    return ReadCurve(file);
}

// The "Key" values of a written file, as text ("C" letters, numbers in %g).
std::vector<std::string> KeyValues(const RecordFile& file) {
    RWyxFile in;
    EXPECT_TRUE(file.Open(in));
    std::vector<std::string> values;
    if (in.FieldReadBegin("Key")) {
        while (in.FieldReadValuesLeft() > 0) {
            values.push_back(in.FieldReadString().Buffer());
        }
    }
    return values;
}

class CurveRecordsForms : public testing::TestWithParam<WyxForm> {};

INSTANTIATE_TEST_SUITE_P(Forms, CurveRecordsForms, testing::Values(WyxForm::kBinary, WyxForm::kAscii),
                         [](const testing::TestParamInfo<WyxForm>& info) { return FormName(info.param); });

TEST_P(CurveRecordsForms, EveryCodingRoundTripsExactly) {
    RFCurve curve;
    BuildEveryCoding(curve);
    RecordFile file(GetParam());
    WriteCurve(file, curve);
    const CurvePtr read = ReadCurve(file);
    ASSERT_NE(read, nullptr);
    ExpectSameCurve(curve, *read);
}

TEST_P(CurveRecordsForms, KeysAreWrittenWithTheirLetters) {
    RFCurve curve;
    Key next = MakeKey(1.0f, Key::Constant, 0);
    next.SetTangentMode(Key::ConstantNext);
    curve.AddKey(At(0.0), next);
    curve.AddKey(At(1.0), MakeWeighted(2.0f, Key::User, 0.5f, -1.5f, Key::WeightedRight | Key::WeightedNextLeft, 0.25f, 0.5f));
    // Ratios 0: "a", unless the key before has an incoming weight, which "a" would clear.
    curve.AddKey(At(2.0), MakeKey(3.0f, Key::Cubic, Key::Auto));
    curve.AddKey(At(3.0), MakeKey(4.0f, Key::Cubic, Key::Auto));
    RecordFile file(GetParam());
    WriteCurve(file, curve);
    const std::vector<std::string> values = KeyValues(file);
    const std::string t1 = std::to_string(kSecond);
    const std::string t2 = std::to_string(2 * kSecond);
    const std::string t3 = std::to_string(3 * kSecond);
    const std::vector<std::string> expected = {"0", "1", "C", "n", t1, "2", "U", "s", "0.5", "-1.5", "a", "w2",
                                               "w3", t2, "3", "U", "p", "0", "0", "n", t3, "4", "U", "a"};
    ASSERT_EQ(expected.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (expected[i] == "w2" || expected[i] == "w3") {
            const float weight = expected[i] == "w2" ? 0.25f : 0.5f;
            EXPECT_FLOAT_EQ(Key::DecodeWord(Key::EncodeWeight(weight)), std::stof(values[i])) << i;
        } else {
            EXPECT_EQ(expected[i], values[i]) << i;
        }
    }
}

TEST_P(CurveRecordsForms, CurveWithoutKeysWritesItsDefaultAndColourOnly) {
    RFCurve curve;
    curve.SetDefaultValue(-2.5f);
    curve.SetPostExtrapolationType(RFCurve::ExtrapolationMirror);
    RecordFile file(GetParam());
    WriteCurve(file, curve);
    RWyxFile in;
    ASSERT_TRUE(file.Open(in));
    ASSERT_EQ(2, in.FieldGetCount());
    EXPECT_STREQ("Default", in.FieldGetName(0).Buffer());
    EXPECT_STREQ("Color", in.FieldGetName(1).Buffer());
    // Read into a curve with keys and its own extrapolation: the keys go, the rest stays.
    RFCurve target;
    AddKeys(target, {{0.0, 1.0f}, {1.0, 2.0f}});
    target.SetPreExtrapolationType(RFCurve::ExtrapolationMirror);
    ASSERT_EQ(&target, RFCurveRecords::ReadDefaultBlock(in, &target, false, true));
    EXPECT_EQ(0, target.GetKeyCount());
    EXPECT_EQ(-2.5f, target.GetDefaultValue());
    EXPECT_EQ(RFCurve::ExtrapolationMirror, target.GetPreExtrapolationType());
    // A second read finds no "Default" and creates nothing.
    EXPECT_EQ(nullptr, RFCurveRecords::ReadDefaultBlock(in, nullptr, false, true));
}

TEST_P(CurveRecordsForms, DefaultOnlyAndPlainExtrapolationWriteNothingMore) {
    RFCurve curve;
    BuildEveryCoding(curve);
    RecordFile defaults(GetParam());
    WriteCurve(defaults, curve, true);
    RWyxFile in;
    ASSERT_TRUE(defaults.Open(in));
    EXPECT_EQ(1, in.FieldGetCount());

    curve.SetPreExtrapolationType(RFCurve::ExtrapolationConstant);
    curve.SetPreExtrapolationRepetition(0);
    curve.SetPostExtrapolationType(RFCurve::ExtrapolationConstant);
    curve.SetPostExtrapolationRepetition(0);
    RecordFile plain(GetParam());
    WriteCurve(plain, curve, false, false);
    RWyxFile again;
    ASSERT_TRUE(plain.Open(again));
    EXPECT_FALSE(again.FieldReadBegin("Pre-Extrapolation"));
    EXPECT_FALSE(again.FieldReadBegin("Post-Extrapolation"));
    EXPECT_FALSE(again.FieldReadBegin("Color"));
}

TEST_P(CurveRecordsForms, AutoSlopesWriteTheEvaluatedSlopes) {
    RFCurve curve;
    curve.AddKey(At(0.0), MakeKey(0.0f, Key::Cubic, Key::Auto, 20.0f, 0.0f));
    curve.AddKey(At(1.0), MakeKey(4.0f, Key::Cubic, Key::AutoBreak, 0.0f, -2.0f));
    curve.AddKey(At(2.0), MakeKey(1.0f, Key::Cubic, Key::User, -2.0f, 0.0f));
    curve.AddKey(At(3.0), MakeKey(1.0f, Key::Cubic, Key::Auto));
    RecordFile file(GetParam());
    WriteCurve(file, curve, false, false, true);
    const CurvePtr read = ReadCurve(file, false, false);
    ASSERT_EQ(4, read->GetKeyCount());
    // A ratio other than 0: a User key with the outgoing and the next incoming slope.
    EXPECT_EQ(Key::User, read->GetKey(0).GetTangentMode());
    EXPECT_FLOAT_EQ(static_cast<float>(curve.GetRightDerivative(0)), read->GetKey(0).GetDataValue(0));
    EXPECT_FLOAT_EQ(static_cast<float>(curve.GetLeftDerivative(1)), read->GetKey(0).GetDataValue(1));
    // Ratios 0 before a User key: "d" with that key's incoming slope.
    EXPECT_EQ(Key::Auto, read->GetKey(1).GetTangentMode());
    EXPECT_FLOAT_EQ(-2.0f, read->GetKey(1).GetDataValue(1));
    EXPECT_EQ(0.0f, read->GetKey(1).GetDataValue(0));
    EXPECT_EQ(Key::Auto, read->GetKey(3).GetTangentMode());
}

TEST_P(CurveRecordsForms, TimesAndValuesOfEveryFormReadExactly) {
    RFCurve curve;
    curve.AddKey(RTime(-123456789012345), MakeKey(1e-30f, Key::Linear, 0));
    curve.AddKey(RTime(1), MakeKey(-3.4e38f, Key::Linear, 0));
    curve.AddKey(RTime(RTime::kInfinitelyLate - 1), MakeKey(0.1f, Key::Linear, 0));
    RecordFile file(GetParam());
    WriteCurve(file, curve);
    ExpectSameCurve(curve, *ReadCurve(file));
}

// ---- Hand-made records ------------------------------------------------------------------

TEST_P(CurveRecordsForms, Version4002CodingsAndTheFirstKey) {
    // "a" first: no previous key to touch. "d" clears the incoming weight "S" gave.
    const CurvePtr curve = ReadHandMade(GetParam(), 4002, 4,
                                        "@0 1 U a   @1 2 U S 1.5 -0.5 l 0.75   @2 3 U d 4 r 0.2   @3 4 U s 0 0 n");
    ASSERT_EQ(4, curve->GetKeyCount());
    EXPECT_EQ(Key::Auto, curve->GetKey(0).GetTangentMode());
    EXPECT_EQ(Key::User, curve->GetKey(1).GetTangentMode());
    EXPECT_EQ(1.5f, curve->GetKey(1).GetDataValue(0));
    EXPECT_EQ(0u, curve->GetKey(1).GetWeightMode());
    EXPECT_FLOAT_EQ(Key::kDefaultWeight, curve->GetKey(1).GetDataValue(3));
    EXPECT_EQ(Key::Auto, curve->GetKey(2).GetTangentMode());
    EXPECT_EQ(4.0f, curve->GetKey(2).GetDataValue(1));
    EXPECT_EQ(Key::WeightedRight, curve->GetKey(2).GetWeightMode());
    EXPECT_NEAR(0.2f, curve->GetKey(2).GetDataValue(2), 1e-4);
    EXPECT_EQ(Key::User, curve->GetKey(3).GetTangentMode());
}

TEST_P(CurveRecordsForms, Version4000CodingsAndLinearNeighbours) {
    // 4000 alone: "a" carries the incoming ratio; before 4004 an Auto key before a Linear one
    // gets incoming ratio 100 and one after it outgoing ratio -100; no weights before 4002,
    // no "n"/"s" after "C" (or "A", "Z") before 4004.
    const CurvePtr curve = ReadHandMade(GetParam(), 4000, 5, "@0 0 U A 25   @1 1 L   @2 2 U a 0   @3 3 U b 2 -1   @4 1 Z");
    ASSERT_EQ(5, curve->GetKeyCount());
    EXPECT_EQ(100.0f, curve->GetKey(0).GetDataValue(1));
    EXPECT_EQ(Key::Linear, curve->GetKey(1).GetInterpolation());
    EXPECT_EQ(-100.0f, curve->GetKey(2).GetDataValue(0));
    EXPECT_EQ(Key::UserBreak, curve->GetKey(3).GetTangentMode());
    EXPECT_EQ(-1.0f, curve->GetKey(3).GetDataValue(1));
    EXPECT_EQ(Key::Constant, curve->GetKey(4).GetInterpolation());
    EXPECT_EQ(0u, curve->GetKey(4).GetTangentMode());
}

TEST_P(CurveRecordsForms, AutoKeyWithUnequalRatiosReadsAsBroken) {
    const CurvePtr curve = ReadHandMade(GetParam(), 4004, 3, "@0 0 U p 0 10 n   @1 1 U p 5 0 n   @2 1 U p 0 0 n");
    ASSERT_EQ(3, curve->GetKeyCount());
    EXPECT_EQ(Key::Auto, curve->GetKey(0).GetTangentMode());  // the first key has no incoming side
    EXPECT_EQ(Key::AutoBreak, curve->GetKey(1).GetTangentMode());  // outgoing 5, incoming 10
    EXPECT_EQ(Key::Auto, curve->GetKey(2).GetTangentMode());
}

TEST_P(CurveRecordsForms, OlderBezierCodingBecomesSlopes) {
    // "B" keys hold control values (the first key's incoming one has no previous key); "H"
    // gives one slope for both sides; "T" is Tcb.
    const CurvePtr curve =
        ReadHandMade(GetParam(), 4002, 4, "@0 0 B b 99 1   @2 3 B b 2 4   @3 5 H s -1.5   @4 6 T 0.5 0 -0.25");
    ASSERT_EQ(4, curve->GetKeyCount());
    // (1 - 0) x 3 / 2 out, (2 - 3) x -3 / 2 in.
    EXPECT_EQ(Key::UserBreak, curve->GetKey(0).GetTangentMode());
    EXPECT_FLOAT_EQ(1.5f, curve->GetKey(0).GetDataValue(0));
    EXPECT_FLOAT_EQ(1.5f, curve->GetKey(0).GetDataValue(1));
    // (4 - 3) x 3 / 1 out; the "H" key gives its own slope as the incoming one.
    EXPECT_FLOAT_EQ(3.0f, curve->GetKey(1).GetDataValue(0));
    EXPECT_FLOAT_EQ(-1.5f, curve->GetKey(1).GetDataValue(1));
    EXPECT_EQ(Key::User, curve->GetKey(2).GetTangentMode());
    EXPECT_FLOAT_EQ(-1.5f, curve->GetKey(2).GetDataValue(0));
    EXPECT_EQ(Key::Tcb, curve->GetKey(3).GetTangentMode());
    EXPECT_EQ(-0.25f, curve->GetKey(3).GetRawData(2));
}

TEST_P(CurveRecordsForms, CurvesBefore4000KeepTheirSlopesNextToTcbKeys) {
    // The Tcb continuity 0.5 must not be read as the following Auto key's incoming ratio.
    const CurvePtr curve =
        ReadHandMade(GetParam(), 3000, 5, "@0 0 H s 2   @1 2 T 0 0.5 0   @2 3 H a   @3 1 H s -1   @4 0 L");
    ASSERT_EQ(5, curve->GetKeyCount());
    EXPECT_DOUBLE_EQ(2.0, curve->GetRightDerivative(0));
    EXPECT_NEAR(1.75, curve->GetRightDerivative(1), 1e-6);
    EXPECT_NEAR(1.25, curve->GetLeftDerivative(1), 1e-6);
    // The Auto key between the Tcb and the User key: the mean of its secants on both sides.
    EXPECT_EQ(Key::User, curve->GetKey(2).GetTangentMode());
    EXPECT_NEAR(-0.5, curve->GetLeftDerivative(2), 1e-6);
    EXPECT_NEAR(-0.5, curve->GetRightDerivative(2), 1e-6);
    EXPECT_NEAR(-1.0, curve->GetLeftDerivative(3), 1e-6);
    EXPECT_NEAR(-1.0, curve->GetRightDerivative(3), 1e-6);
    // The last key became Cubic and keeps the incoming slope the keys gave it when read.
    EXPECT_EQ(Key::Cubic, curve->GetKey(4).GetInterpolation());
    EXPECT_NEAR(0.0, curve->GetLeftDerivative(4), 1e-6);
}

// ---- Untrusted input ---------------------------------------------------------------------

TEST_P(CurveRecordsForms, DuplicateAndDisorderedTimesDropOnlyTheirKeys) {
    const CurvePtr curve =
        ReadHandMade(GetParam(), 4004, 6, "@0 0 U a  @1 1 U a  @1 2 U a  @0.5 3 U a  @2 4 U a  @3 5 U a");
    ASSERT_EQ(4, curve->GetKeyCount());
    const float values[] = {0, 1, 4, 5};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(values[k], curve->GetKey(k).GetValue()) << k;
    }
}

TEST_P(CurveRecordsForms, DroppedKeyLeavesThePreviousKeyAlone) {
    // The second key repeats the time: dropped, with its clearing of the incoming weight.
    const CurvePtr curve = ReadHandMade(GetParam(), 4004, 3, "@0 0 U s 1 2 l 0.5   @0 1 U d 9 n   @1 2 X");
    ASSERT_EQ(1, curve->GetKeyCount());
    EXPECT_EQ(Key::WeightedNextLeft, curve->GetKey(0).GetWeightMode());
    EXPECT_NEAR(0.5f, curve->GetKey(0).GetDataValue(3), 1e-4);
}

TEST_P(CurveRecordsForms, EveryKeyBadKeepsTheDefault) {
    const CurvePtr curve = ReadHandMade(GetParam(), 4004, 2, "@0 3 ?   @1 4 U w", 6.0);
    EXPECT_EQ(0, curve->GetKeyCount());
    EXPECT_EQ(6.0f, curve->GetDefaultValue());
}

TEST_P(CurveRecordsForms, KeyCountIsBoundedByTheValues) {
    for (const int count : {0x7FFFFFFF, 1000000000, -5}) {
        const CurvePtr curve = ReadHandMade(GetParam(), 4004, count, "@0 1 L  @1 2 L");
        EXPECT_EQ(count > 0 ? 2 : 0, curve->GetKeyCount()) << count;
        EXPECT_LE(curve->GetKeyCapacity(), 1600) << count;
    }
}

TEST(CurveRecords, BinaryKeysSkipMistypedValues) {
    // A key without its letter is bad, and values up to the next time are passed; no float
    // holds 1e300.
    const CurvePtr curve = ReadHandMade(WyxForm::kBinary, 4004, 4, "@0 1 L   @1 2 #17 'stray   @2 3 L   @3 1e300 L");
    ASSERT_EQ(2, curve->GetKeyCount());
    EXPECT_EQ(1.0f, curve->GetKey(0).GetValue());
    EXPECT_EQ(3.0f, curve->GetKey(1).GetValue());
}

TEST(CurveRecords, SecondsTimesOfOldFilesRead) {
    RecordFile file(WyxForm::kBinary, 2000);
    RFCurve curve;
    AddKeys(curve, {{0.0, 1.0f}, {1.5, 2.0f}, {4.0, -1.0f}});
    WriteCurve(file, curve);
    ExpectSameCurve(curve, *ReadCurve(file));
}

}  // namespace
