#include "curves/RFCurveRecords.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cfloat>
#include <cmath>
#include <limits>
#include <tuple>
#include <sstream>
#include <string>
#include <vector>

#include "tests/curves/CurveRecordsTestSupport.h"
#include "tests/curves/CurveTestSupport.h"

using namespace curve_test;
using record_test::BuildEveryCoding;
using record_test::ExpectSameCurve;
using record_test::RecordFile;

namespace {

using Key = RCurveKey;

void WriteCurve(RecordFile& file, const RFCurve& curve, bool defaultOnly = false, bool withColor = true,
                bool autoSlopes = false) {
    ASSERT_TRUE(file.Write([&](RWyxFile& out) {
        EXPECT_TRUE(RFCurveRecords::Write(curve, out, defaultOnly, withColor, autoSlopes));
    }));
}

CurvePtr ReadCurve(const RecordFile& file, bool defaultOnly = false, bool withColor = true,
                   RFCurveRecords::Losses* losses = nullptr) {
    RWyxFile in;
    EXPECT_TRUE(file.Open(in));
    CurvePtr curve(RFCurveRecords::CreateFromFile(in, defaultOnly, withColor, losses));
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
CurvePtr ReadHandMade(WyxForm form, int keyVersion, int keyCount, const std::string& keys, double defaultValue = 0.0,
                      RFCurveRecords::Losses* losses = nullptr) {
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
    return ReadCurve(file, false, true, losses);
}

// The "Key" values of a written file, as text ("C" letters, numbers in %g).
std::vector<std::string> KeyValues(const RecordFile& file) {
    RWyxFile in;
    EXPECT_TRUE(file.Open(in));
    std::vector<std::string> values;
    if (in.FieldReadBegin("Key")) {
        while (in.FieldReadValuesLeft() > 0) values.push_back(in.FieldReadString().Buffer());
    }
    return values;
}

class CurveRecordsForms : public testing::TestWithParam<WyxForm> {};

INSTANTIATE_TEST_SUITE_P(Forms, CurveRecordsForms, testing::Values(WyxForm::kBinary, WyxForm::kAscii),
                         [](const testing::TestParamInfo<WyxForm>& info) { return FormName(info.param); });

// Round trips keep every key exactly: every coding, times and values of every size (the
// largest floats too, which the ASCII form writes a little beyond them), and Tcb
// keys, which keep their bias in the words where other keys keep the next key's incoming
// weight and their continuity where others keep its incoming ratio, before Auto keys ("a",
// "p"), which must leave both alone and stay Auto.
TEST_P(CurveRecordsForms, CurvesRoundTripExactly) {
    RFCurve everyCoding;
    BuildEveryCoding(everyCoding);
    RFCurve extremes;
    extremes.AddKey(RTime(-123456789012345), MakeKey(1e-30f, Key::Linear, 0));
    extremes.AddKey(RTime(1), MakeKey(-3.4e38f, Key::Linear, 0));
    extremes.AddKey(RTime(2), MakeKey(FLT_MAX, Key::Linear, 0));
    extremes.AddKey(RTime(3), MakeKey(-FLT_MAX, Key::Linear, 0));
    extremes.AddKey(RTime(4), MakeKey(std::numeric_limits<float>::denorm_min(), Key::Linear, 0));
    extremes.AddKey(RTime(RTime::kInfinitelyLate - 1), MakeKey(0.1f, Key::Linear, 0));
    extremes.SetDefaultValue(-FLT_MAX);
    RFCurve tcb;
    tcb.AddKey(At(0.0), MakeTcb(0.0f, 0.1f, 0.2f, 0.3f));
    tcb.AddKey(At(1.0), MakeKey(2.0f, Key::Cubic, Key::Auto));               // "a"
    tcb.AddKey(At(2.0), MakeTcb(1.0f, 0.1f, 0.2f, 0.3f));
    tcb.AddKey(At(3.0), MakeKey(-1.0f, Key::Cubic, Key::Auto, 30.0f, 0.0f));  // "p"
    tcb.AddKey(At(4.0), MakeKey(0.5f, Key::Cubic, Key::Auto));
    for (const RFCurve* curve : {&everyCoding, &extremes, &tcb}) {
        RecordFile file(GetParam());
        WriteCurve(file, *curve);
        const CurvePtr read = ReadCurve(file);
        ASSERT_NE(read, nullptr);
        ExpectSameCurve(*curve, *read);
        EXPECT_EQ(Samples(*curve, -1.0, 12.0), Samples(*read, -1.0, 12.0));
    }
}

TEST_P(CurveRecordsForms, KeysAreWrittenWithTheirLetters) {
    RFCurve curve;
    curve.AddKey(At(0.0), MakeKey(1.0f, Key::Constant, Key::ConstantNext));
    curve.AddKey(At(1.0), MakeKey(2.0f, Key::Cubic, Key::User, 0.5f, -1.5f, Key::WeightedRight | Key::WeightedNextLeft, 0.25f, 0.5f));
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

TEST_P(CurveRecordsForms, OnlyTheFieldsAskedForAreWritten) {
    RFCurve empty;
    empty.SetDefaultValue(-2.5f);
    empty.SetPostExtrapolationType(RFCurve::ExtrapolationMirror);
    RFCurve plain;
    BuildEveryCoding(plain);
    plain.SetPreExtrapolationType(RFCurve::ExtrapolationConstant);
    plain.SetPreExtrapolationRepetition(0);
    plain.SetPostExtrapolationType(RFCurve::ExtrapolationConstant);
    plain.SetPostExtrapolationRepetition(0);
    struct Case {
        const RFCurve* curve;
        bool defaultOnly;
        bool withColor;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {&empty, false, true, {"Default", "Color"}},  // a curve without keys: its default (and colour)
        {&plain, true, true, {"Default"}},
        {&plain, false, false, {"Default", "KeyVer", "KeyCount", "Key"}},  // plain extrapolation
    };
    for (const Case& test : cases) {
        RecordFile file(GetParam());
        WriteCurve(file, *test.curve, test.defaultOnly, test.withColor);
        RWyxFile in;
        ASSERT_TRUE(file.Open(in));
        std::vector<std::string> fields;
        for (int i = 0; i < in.FieldGetCount(); ++i) fields.push_back(in.FieldGetName(i).Buffer());
        EXPECT_EQ(fields, test.fields);
    }
    // Read into a curve with keys and its own extrapolation: the keys go, the rest stays.
    RecordFile file(GetParam());
    WriteCurve(file, empty);
    RWyxFile in;
    ASSERT_TRUE(file.Open(in));
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

    // "d" after a Tcb key leaves its bias alone.
    RFCurve tcb;
    tcb.AddKey(At(0.0), MakeTcb(0.0f, 0.1f, 0.0f, 0.3f));
    tcb.AddKey(At(1.0), MakeKey(2.0f, Key::Cubic, Key::Auto));
    tcb.AddKey(At(2.0), MakeKey(1.0f, Key::Cubic, Key::User, 1.5f, 0.0f));
    RecordFile tcbFile(GetParam());
    WriteCurve(tcbFile, tcb, false, false, true);
    const CurvePtr back = ReadCurve(tcbFile, false, false);
    ASSERT_EQ(back->GetKeyCount(), 3);
    EXPECT_EQ(back->GetKey(0).GetRawData(2), 0.3f);
    EXPECT_EQ(back->GetKey(1).GetTangentMode(), Key::Auto);
}

// Auto keys with ratios, some 0, as resampling leaves them, between User keys: the curve read
// back has the same slopes on both sides of every key and the same values between them. A key
// before an Auto key written with slopes (read back as User) carries that key's incoming
// slope: an Auto key as "d", a User key in place of its ratio.
TEST_P(CurveRecordsForms, AutoSlopesKeepEverySlopeOfKeysReadBackAsUser) {
    RFCurve curve;
    curve.AddKey(At(0.0), MakeKey(0.0f, Key::Cubic, Key::Auto, 0.0f, 0.5f));
    curve.AddKey(At(1.0), MakeKey(2.0f, Key::Cubic, Key::Auto, 0.25f, 0.0f));
    curve.AddKey(At(2.0), MakeKey(1.0f, Key::Cubic, Key::User, 1.0f, 0.3f));
    curve.AddKey(At(3.0), MakeKey(3.0f, Key::Cubic, Key::Auto));
    curve.AddKey(At(4.0), MakeKey(0.0f, Key::Cubic, Key::User, -1.0f, 0.0f));
    curve.AddKey(At(5.0), MakeKey(2.0f, Key::Cubic, Key::Auto));
    curve.AddKey(At(6.0), MakeKey(1.0f, Key::Cubic, Key::Auto, 0.0f, 0.0f, Key::WeightedRight, 0.5f));
    curve.AddKey(At(7.0), MakeKey(3.0f, Key::Linear, 0));
    RecordFile file(GetParam());
    WriteCurve(file, curve, false, false, true);
    const CurvePtr read = ReadCurve(file, false, false);
    ASSERT_EQ(read->GetKeyCount(), curve.GetKeyCount());
    for (int k = 0; k < curve.GetKeyCount(); ++k) {
        EXPECT_NEAR(read->GetLeftDerivative(k), curve.GetLeftDerivative(k), 1e-6) << "key " << k;
        EXPECT_NEAR(read->GetRightDerivative(k), curve.GetRightDerivative(k), 1e-6) << "key " << k;
        EXPECT_NEAR(read->EvaluateAt(At(k + 0.5)), curve.EvaluateAt(At(k + 0.5)), 1e-6) << "after key " << k;
    }
}

// ---- Hand-made records ------------------------------------------------------------------

// What a key of a hand-made record reads back as; NaN: not compared.
struct ReadKey {
    float value;
    uint32_t interpolation;
    uint32_t mode;
    float data0;
    float data1;
    uint32_t weights = 0;
    float weight3 = std::numeric_limits<float>::quiet_NaN();  // the next key's incoming weight
};

constexpr float kAny = std::numeric_limits<float>::quiet_NaN();

struct HandMade {
    const char* name;
    int version;
    int count;
    const char* keys;
    std::vector<ReadKey> read;
    int dropped;  // keys read but not kept
};

class HandMadeRecords : public testing::TestWithParam<std::tuple<WyxForm, HandMade>> {};

TEST_P(HandMadeRecords, ReadAsTheirVersionSays) {
    const auto& [form, test] = GetParam();
    RFCurveRecords::Losses losses;
    const CurvePtr curve = ReadHandMade(form, test.version, test.count, test.keys, 6.0, &losses);
    EXPECT_EQ(losses.keys, test.dropped);
    EXPECT_EQ(losses.numbers, 0);
    ASSERT_EQ(curve->GetKeyCount(), static_cast<int>(test.read.size()));
    for (int k = 0; k < curve->GetKeyCount(); ++k) {
        SCOPED_TRACE(testing::Message() << "key " << k);
        const Key& key = curve->GetKey(k);
        const ReadKey& expected = test.read[static_cast<std::size_t>(k)];
        EXPECT_EQ(key.GetValue(), expected.value);
        EXPECT_EQ(key.GetInterpolation(), expected.interpolation);
        EXPECT_EQ(key.GetTangentMode(), expected.mode);
        EXPECT_EQ(key.GetWeightMode(), expected.weights);
        if (!std::isnan(expected.weight3)) {
            EXPECT_NEAR(key.GetDataValue(3), expected.weight3, 1e-4);
        }
        for (int i = 0; i < 2; ++i) {
            const float data = i == 0 ? expected.data0 : expected.data1;
            if (!std::isnan(data)) {
                EXPECT_NEAR(key.GetRawData(i), data, 1e-5) << "data " << i;
            }
        }
    }
    EXPECT_EQ(curve->GetDefaultValue(), 6.0f);
}

const uint32_t C = Key::Cubic;
const uint32_t L = Key::Linear;
const uint32_t K = Key::Constant;

const HandMade kHandMade[] = {
    // "a" first: no previous key to touch. "d" clears the incoming weight "S" gave.
    {"Version4002", 4002, 4, "@0 1 U a   @1 2 U S 1.5 -0.5 l 0.75   @2 3 U d 4 r 0.2   @3 4 U s 0 0 n",
     {{1, C, Key::Auto, 0, 0}, {2, C, Key::User, 1.5f, kAny, 0, Key::kDefaultWeight}, {3, C, Key::Auto, 0, 4, Key::WeightedRight}, {4, C, Key::User, 0, 0}}, 0},
    // 4000 alone: "a" carries the incoming ratio; before 4004 an Auto key before a Linear one
    // gets incoming ratio 100 and one after it outgoing ratio -100; no weights before 4002,
    // no "n"/"s" after "C" (or "A", "Z") before 4004.
    {"Version4000", 4000, 5, "@0 0 U A 25   @1 1 L   @2 2 U a 0   @3 3 U b 2 -1   @4 1 Z",
     {{0, C, Key::Auto, kAny, 100}, {1, L, 0, kAny, kAny}, {2, C, Key::Auto, -100, kAny}, {3, C, Key::UserBreak, 2, -1}, {1, K, 0, kAny, kAny}}, 0},
    // Unequal ratios read as broken, except after a Tcb key, whose continuity is no ratio.
    {"BrokenRatios", 4004, 5, "@0 0 U p 0 10 n   @1 1 U p 5 0 n   @2 1 U p 0 0 n   @3 2 U t 0 0.5 0   @4 1 U p 7 0 n",
     {{0, C, Key::Auto, 0, 10}, {1, C, Key::AutoBreak, 5, 0}, {1, C, Key::Auto, 0, 0}, {2, C, Key::Tcb, 0, 0.5f}, {1, C, Key::Auto, 7, 0}}, 0},
    // "B" keys hold control values (the first key's incoming one has no previous key); "H"
    // gives one slope for both sides; "T" is Tcb.
    {"OlderBezier", 4002, 4, "@0 0 B b 99 1   @2 3 B b 2 4   @3 5 H s -1.5   @4 6 T 0.5 0 -0.25",
     {{0, C, Key::UserBreak, 1.5f, 1.5f}, {3, C, Key::UserBreak, 3, -1.5f}, {5, C, Key::User, -1.5f, kAny}, {6, C, Key::Tcb, 0.5f, 0}}, 0},
    // Repeated and disordered times drop only their keys; a dropped key's clearing of the
    // previous key's incoming weight is undone.
    {"DisorderedTimes", 4004, 6, "@0 0 U a  @1 1 U a  @1 2 U a  @0.5 3 U a  @2 4 U a  @3 5 U a",
     {{0, C, Key::Auto, 0, 0}, {1, C, Key::Auto, 0, 0}, {4, C, Key::Auto, 0, 0}, {5, C, Key::Auto, 0, 0}}, 2},
    {"DroppedKey", 4004, 3, "@0 0 U s 1 2 l 0.5   @0 1 U d 9 n   @1 2 X", {{0, C, Key::User, 1, 2, Key::WeightedNextLeft, 0.5f}}, 2},
    {"EveryKeyBad", 4004, 2, "@0 3 ?   @1 4 U w", {}, 2},
    {"CountAboveTheValues", 4004, 0x7FFFFFFF, "@0 1 L  @1 2 L", {{1, L, 0, kAny, kAny}, {2, L, 0, kAny, kAny}}, 0},
    {"NegativeCount", 4004, -5, "@0 1 L  @1 2 L", {}, 0},
    // A number that rounds to the largest float is that float (the ASCII form writes it with
    // 15 digits, a little beyond it); from half a step beyond it on (a tie rounds to the even
    // infinity) no float holds; the smallest round to 0 or to the smallest subnormal.
    {"BeyondTheFloats", 4004, 5, "@0 3.40282356779733e38 L  @1 -3.40282356779733e38 L  @2 3.4028235677973366e38 L"
                                 "  @3 1e-46 L  @4 -1.4e-45 L",
     {{FLT_MAX, L, 0, kAny, kAny}, {-FLT_MAX, L, 0, kAny, kAny}, {0, L, 0, kAny, kAny},
      {-std::numeric_limits<float>::denorm_min(), L, 0, kAny, kAny}}, 1},
};

INSTANTIATE_TEST_SUITE_P(Records, HandMadeRecords,
                         testing::Combine(testing::Values(WyxForm::kBinary, WyxForm::kAscii), testing::ValuesIn(kHandMade)),
                         [](const testing::TestParamInfo<HandMadeRecords::ParamType>& info) {
                             return std::string(FormName(std::get<0>(info.param))) + std::get<1>(info.param).name;
                         });

TEST_P(CurveRecordsForms, CurvesBefore4000KeepTheirSlopesNextToTcbKeys) {
    // The Tcb continuity 0.5 must not be read as the following Auto key's incoming ratio.
    const CurvePtr curve = ReadHandMade(GetParam(), 3000, 5, "@0 0 H s 2   @1 2 T 0 0.5 0   @2 3 H a   @3 1 H s -1   @4 0 L");
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

// A default and a colour no float holds (beyond the floats, an infinity, NaN) leave the curve's
// own; a key that holds one is dropped; a read adds what it left out.
TEST_P(CurveRecordsForms, NumbersNoFloatHoldsAreLeftOutAndCounted) {
    for (const double bad : {3.5e38, std::nan("")}) {
        SCOPED_TRACE(bad);
        RecordFile file(GetParam());
        ASSERT_TRUE(file.Write([bad](RWyxFile& out) {
            out.FieldWriteBegin("Default");
            out.FieldWriteDouble(bad);
            out.FieldWriteEnd();
            out.FieldWriteBegin("KeyVer");
            out.FieldWriteInt(4004);
            out.FieldWriteEnd();
            out.FieldWriteBegin("KeyCount");
            out.FieldWriteInt(2);
            out.FieldWriteEnd();
            out.FieldWriteBegin("Key");
            WriteValues(out, "@0 1 L   @1");
            out.FieldWriteDouble(std::isnan(bad) ? bad : 1e39);
            WriteValues(out, "L");
            out.FieldWriteEnd();
            out.FieldWriteBegin("Color");
            WriteValues(out, "0.5 0.25");
            out.FieldWriteDouble(std::isnan(bad) ? bad : -HUGE_VAL);
            out.FieldWriteEnd();
        }));
        RWyxFile in;
        ASSERT_TRUE(file.Open(in));
        RFCurve read;
        read.SetDefaultValue(2.5f);
        RFCurveRecords::Losses losses{10, 20};
        ASSERT_NE(RFCurveRecords::ReadDefaultBlock(in, &read, false, true, &losses), nullptr);
        EXPECT_EQ(read.GetDefaultValue(), 2.5f);
        EXPECT_EQ(read.GetKeyCount(), 1);
        float rgb[3];
        read.GetColor(rgb);
        EXPECT_NE(rgb[0], 0.5f) << "the curve's own colour";
        EXPECT_EQ(losses.keys, 11);
        EXPECT_EQ(losses.numbers, 22);
    }
}

TEST_P(CurveRecordsForms, KeyCountIsBoundedByTheValues) {
    for (const int count : {0x7FFFFFFF, 1000000000}) {
        const CurvePtr curve = ReadHandMade(GetParam(), 4004, count, "@0 1 L  @1 2 L");
        EXPECT_LE(curve->GetKeyCapacity(), 1600) << count;
    }
}

TEST(CurveRecords, BinaryKeysSkipMistypedValuesAndOldFilesHaveSeconds) {
    // A key without its letter is bad, and values up to the next time are passed; no float
    // holds 1e300.
    const CurvePtr curve = ReadHandMade(WyxForm::kBinary, 4004, 4, "@0 1 L   @1 2 #17 'stray   @2 3 L   @3 1e300 L");
    ASSERT_EQ(2, curve->GetKeyCount());
    EXPECT_EQ(1.0f, curve->GetKey(0).GetValue());
    EXPECT_EQ(3.0f, curve->GetKey(1).GetValue());

    RecordFile file(WyxForm::kBinary, 2000);
    RFCurve seconds;
    AddKeys(seconds, {{0.0, 1.0f}, {1.5, 2.0f}, {4.0, -1.0f}});
    WriteCurve(file, seconds);
    ExpectSameCurve(seconds, *ReadCurve(file));
}

}  // namespace
