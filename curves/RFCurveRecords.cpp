#include "curves/RFCurveRecords.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <vector>

#include "curves/AutoTangents.h"
#include "curves/CurveTime.h"
#include "fileio/RWyxFile.h"

namespace {

using Key = RCurveKey;

// Key versions that changed the coding.
constexpr int kRatioVersion = 4000;     // the "a" coding carries the incoming ratio
constexpr int kWeightsVersion = 4002;   // slopes carry weights
constexpr int kConstantNextVersion = 4004;

// An unbroken Auto key has opposite ratios on its two sides.
constexpr double kBrokenRatioTolerance = 0.001;
// The incoming ratio of the segment after a Linear key (the linear slope).
constexpr float kLinearRatio = 100.0f;

float ClampToFloat(double value) {
    if (std::isnan(value)) {
        return 0.0f;
    }
    return static_cast<float>(std::clamp(value, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

// Half a float step above the largest float: a double below it rounds to the largest float,
// one at it or above it to infinity. The ASCII form writes the largest float with 15 digits,
// a little above it.
constexpr double kFloatRoundingLimit = 0x1.ffffffp127;

// A number a key keeps as a float: finite and one that rounds to a finite float (clamped
// first: the conversion of a double beyond the floats is undefined). Answers false, out 0,
// otherwise.
bool ToFloat(double value, float& out) {
    if (!(std::fabs(value) < kFloatRoundingLimit)) {
        out = 0.0f;
        return false;
    }
    out = ClampToFloat(value);
    return true;
}

bool IsTcb(const Key& key) { return key.IsCubicWithMode(Key::Tcb); }

// A Tcb key keeps its bias where other keys keep the next key's incoming weight: it has none.
bool HasIncomingWeight(const Key* key) {
    return key != nullptr && !IsTcb(*key) && (key->GetWeightMode() & Key::WeightedNextLeft) != 0;
}

// ---- Writing ----------------------------------------------------------------------------

char ExtrapolationLetter(int type) {
    switch (type) {
    case RFCurve::ExtrapolationConstant:
        return 'C';
    case RFCurve::ExtrapolationRepetition:
        return 'R';
    case RFCurve::ExtrapolationMirror:
        return 'M';
    case RFCurve::ExtrapolationKeepSlope:
        return 'K';
    default:
        return '0';
    }
}

int ExtrapolationType(char letter) {
    switch (letter) {
    case 'C':
        return RFCurve::ExtrapolationConstant;
    case 'R':
        return RFCurve::ExtrapolationRepetition;
    case 'M':
        return RFCurve::ExtrapolationMirror;
    case 'K':
        return RFCurve::ExtrapolationKeepSlope;
    default:
        return 0;
    }
}

void WriteExtrapolation(RWyxFile& file, const char* field, int type, int repetition) {
    if (type == 0 || (type == RFCurve::ExtrapolationConstant && repetition == 0)) {
        return;
    }
    file.FieldWriteBegin(field);
    file.FieldWriteBlockBegin();
    file.FieldWriteBegin("Type");
    file.FieldWriteChar(ExtrapolationLetter(type));
    file.FieldWriteEnd();
    file.FieldWriteBegin("Repetition");
    file.FieldWriteInt(repetition);
    file.FieldWriteEnd();
    file.FieldWriteBlockEnd();
    file.FieldWriteEnd();
}

void WriteWeights(RWyxFile& file, const Key& key) {
    const uint32_t mode = key.GetWeightMode();
    static constexpr char kLetters[4] = {'n', 'r', 'l', 'a'};
    file.FieldWriteChar(kLetters[mode >> 24]);
    if ((mode & Key::WeightedRight) != 0) {
        file.FieldWriteDouble(key.GetDataValue(2));
    }
    if ((mode & Key::WeightedNextLeft) != 0) {
        file.FieldWriteDouble(key.GetDataValue(3));
    }
}

void WriteSlopes(RWyxFile& file, char letter, double outgoing, double incoming, const Key& key) {
    file.FieldWriteChar(letter);
    file.FieldWriteDouble(outgoing);
    file.FieldWriteDouble(incoming);
    WriteWeights(file, key);
}

// How an Auto or AutoBreak key is written for readers that do not compute auto tangents:
// with its evaluated slopes ("s" / "b", read back as a User key), as "d" with the next key's
// incoming slope, or as "a". Other keys have no such coding (kNotAuto).
enum class AutoSlopeCoding : char { kNotAuto, kSlopes, kNextIncoming, kPlain };

// The codings of all keys, found from the last key to the first. A User key reads its
// incoming slope from the key before it; of the codings without slopes only "d" carries one,
// so a key before a key read back as User (one, or an Auto key written with slopes) is
// written as "d" when it is not written with slopes itself.
std::vector<AutoSlopeCoding> CodingsForAutoSlopes(const RFCurve& curve) {
    const int count = curve.GetKeyCount();
    std::vector<AutoSlopeCoding> codings(static_cast<std::size_t>(count), AutoSlopeCoding::kNotAuto);
    for (int k = count - 1; k >= 0; --k) {
        const Key& key = curve.GetKey(k);
        if (!key.IsCubicWithModeBits(Key::Auto)) {
            continue;
        }
        const Key* previous = k > 0 ? &curve.GetKey(k - 1) : nullptr;
        const float previousIncoming = previous != nullptr ? previous->GetDataValue(1) : 0.0f;
        const bool keepsPrevious = !HasIncomingWeight(previous);
        const std::size_t next = static_cast<std::size_t>(k) + 1;
        const bool nextReadAsUser = next < codings.size() && (curve.GetKey(k + 1).IsCubicWithModeBits(Key::User) ||
                                                             codings[next] == AutoSlopeCoding::kSlopes);
        AutoSlopeCoding& coding = codings[static_cast<std::size_t>(k)];
        if (previousIncoming != 0.0f || key.GetDataValue(0) != 0.0f || !keepsPrevious) {
            coding = AutoSlopeCoding::kSlopes;
        } else if (nextReadAsUser) {
            coding = AutoSlopeCoding::kNextIncoming;
        } else {
            coding = key.GetWeightMode() == 0 ? AutoSlopeCoding::kPlain : AutoSlopeCoding::kSlopes;
        }
    }
    return codings;
}

using AutoSlopeCodings = std::vector<AutoSlopeCoding>;

// With auto slopes, the number a key written with slopes holds for the next key's incoming
// side: the evaluated slope after an Auto key, and after a User key whenever the next key is
// an Auto key written with slopes (read back as User, it takes that number as its slope);
// otherwise a User key's own number.
double NextIncomingAsWritten(const RFCurve& curve, int k, const AutoSlopeCodings& codings) {
    const Key& key = curve.GetKey(k);
    const bool last = k + 1 >= curve.GetKeyCount();
    if (!last && codings[static_cast<std::size_t>(k) + 1] == AutoSlopeCoding::kSlopes) {
        return curve.GetLeftDerivative(k + 1);
    }
    if (!key.IsCubicWithModeBits(Key::Auto)) {
        return key.GetDataValue(1);
    }
    return last ? 0.0 : curve.GetLeftDerivative(k + 1);
}

// An Auto or AutoBreak key; with auto slopes (codings not null), in its coding. The short
// codings "a" and "d" drop what the reader cannot get back from them (the Break bit and
// weights of "a"; readers of 4002 on also clear the previous key's incoming weight for both),
// so they are used only when nothing is lost.
void WriteAutoTangent(RWyxFile& file, const RFCurve& curve, int k, const AutoSlopeCodings* codings) {
    const Key& key = curve.GetKey(k);
    const bool broken = key.GetTangentMode() == Key::AutoBreak;
    if (codings == nullptr) {
        const float data0 = key.GetDataValue(0);
        const float data1 = key.GetDataValue(1);
        const bool plain = !HasIncomingWeight(k > 0 ? &curve.GetKey(k - 1) : nullptr) && key.GetWeightMode() == 0;
        if (data0 == 0.0f && data1 == 0.0f && plain && !broken) {
            file.FieldWriteChar('a');
        } else {
            WriteSlopes(file, broken ? 'q' : 'p', data0, data1, key);
        }
        return;
    }
    switch ((*codings)[static_cast<std::size_t>(k)]) {
    case AutoSlopeCoding::kNextIncoming:
        file.FieldWriteChar('d');
        file.FieldWriteDouble(curve.GetLeftDerivative(k + 1));
        WriteWeights(file, key);
        break;
    case AutoSlopeCoding::kPlain:
        file.FieldWriteChar('a');
        break;
    default:
        WriteSlopes(file, broken ? 'b' : 's', curve.GetRightDerivative(k), NextIncomingAsWritten(curve, k, *codings), key);
        break;
    }
}

// A User or UserBreak key; with auto slopes (codings not null), the next key's incoming side
// as that key is read back.
void WriteUserTangent(RWyxFile& file, const RFCurve& curve, int k, const AutoSlopeCodings* codings) {
    const Key& key = curve.GetKey(k);
    const double incoming = codings != nullptr ? NextIncomingAsWritten(curve, k, *codings) : key.GetDataValue(1);
    WriteSlopes(file, key.GetTangentMode() == Key::UserBreak ? 'b' : 's', key.GetDataValue(0), incoming, key);
}

// codings: the keys' codings for readers that do not compute auto tangents; null otherwise.
void WriteKey(RWyxFile& file, const RFCurve& curve, int k, const AutoSlopeCodings* codings) {
    const Key& key = curve.GetKey(k);
    file.FieldWriteTime(key.GetTime());
    file.FieldWriteDouble(key.GetValue());
    switch (key.GetInterpolation()) {
    case Key::Constant:
        file.FieldWriteChar('C');
        file.FieldWriteChar(key.GetTangentMode() & Key::ConstantNext ? 'n' : 's');
        return;
    case Key::Linear:
        file.FieldWriteChar('L');
        return;
    case Key::Cubic:
        file.FieldWriteChar('U');
        break;
    default:
        return;
    }
    switch (key.GetTangentMode()) {
    case Key::Tcb:
        file.FieldWriteChar('t');
        for (int i = 0; i < 3; ++i) {
            file.FieldWriteDouble(key.GetRawData(i));
        }
        break;
    case Key::User:
    case Key::UserBreak:
        WriteUserTangent(file, curve, k, codings);
        break;
    case Key::Auto:
    case Key::AutoBreak:
        WriteAutoTangent(file, curve, k, codings);
        break;
    default:
        break;
    }
}

// ---- Reading ----------------------------------------------------------------------------

// Reads the keys of an open "Key" field into a curve inside a bulk edit. Good keys are
// stored one after the other; a bad key is not stored, and what it wrote into the last good
// key is undone, so it costs nothing but itself.
class KeyReader {
public:
    KeyReader(RWyxFile& file, RFCurve& curve, int version, int capacity)
        : file_(file), curve_(curve), version_(version), capacity_(capacity), binary_(file.IsBinary()) {
        if (binary_) {
            timeType_ = file.FieldReadValueType();
        }
        if (version_ < kRatioVersion) {
            fileIncoming_.reserve(static_cast<std::size_t>(capacity));
        }
    }

    // Reads one key's values.
    void ReadKey();
    int GetStored() const { return stored_; }
    // For each stored key, the incoming slope its coding gave but the previous (Tcb) key
    // could not hold; NaN otherwise. Kept for key versions below 4000 only.
    const std::vector<float>& GetFileIncoming() const { return fileIncoming_; }

private:
    bool LetterAhead();
    bool ReadTime(RTime& time);
    bool ReadNumber(float& out);
    char ReadLetter(char absent);
    bool ReadCoding(char letter, Key& key, Key* previous);
    bool ReadTangent(Key& key, Key* previous);
    bool ReadOlderTangent(char letter, Key& key, Key* previous);
    bool ReadTcb(Key& key);
    bool ReadWeights(Key& key);
    bool ConvertControlValues(char letter, const Key& key, Key* previous);
    void SetPreviousIncoming(Key* previous, float slope);
    void MarkLinearFollows(Key* previous) const;

    RWyxFile& file_;
    RFCurve& curve_;
    const int version_;
    const int capacity_;
    const bool binary_;
    char timeType_ = 0;
    int stored_ = 0;
    char previousLetter_ = 0;
    float incoming_ = 0.0f;      // the key's unstored incoming slope (NaN: none)
    bool gaveIncoming_ = false;  // the key's coding wrote the previous key's incoming side
    std::vector<float> fileIncoming_;
};

// A letter is a character value; in an ASCII file, where values are typed by their text,
// it may also come quoted. No value left has type 0.
bool KeyReader::LetterAhead() {
    const char type = file_.FieldReadValueType();
    return type == 'C' || (!binary_ && type == 'S');
}

bool KeyReader::ReadTime(RTime& time) {
    bool found = false;
    if (binary_) {
        // Values of another type before the time are passed.
        for (char type = file_.FieldReadValueType(); type != 0; type = file_.FieldReadValueType()) {
            if (type == timeType_) {
                found = true;
                break;
            }
            file_.FieldReadSkipValue();
        }
    } else {
        const char type = file_.FieldReadValueType();
        found = type == 'I' || type == 'L' || type == 'D';
    }
    if (!found) {
        time = RTime(RTime::kInfinitelyLate);
        return false;
    }
    time = file_.FieldReadTime();
    return !time.IsInfinitelyEarly() && !time.IsInfinitelyLate();
}

// Numbers are taken as numbers whatever their type (a missing one reads 0): a key in
// disorder is still found out by its letters and its time, and checking every value's type
// would cost a good part of the reading time.
bool KeyReader::ReadNumber(float& out) { return ToFloat(file_.FieldReadDouble(), out); }

char KeyReader::ReadLetter(char absent) { return LetterAhead() ? file_.FieldReadChar() : absent; }

uint32_t InterpolationOf(char letter) {
    switch (letter) {
    case 'C':
    case 'A':
    case 'Z':
        return Key::Constant;
    case 'L':
        return Key::Linear;
    case 'U':
    case 'B':
    case 'H':
    case 'I':
    case 'O':
    case 'R':
    case 'T':
        return Key::Cubic;
    default:
        return 0;
    }
}

// A key of the interpolation as reading starts it: no weights (1/3), no velocities, no
// selection, no mark bits.
Key MakeStartingKey(uint32_t interpolation) {
    Key key;
    key.SetWeightMode(0);
    key.SetDataValue(2, Key::kDefaultWeight);
    key.SetDataValue(3, Key::kDefaultWeight);
    key.SetDataValue(4, 0.0f);
    key.SetDataValue(5, 0.0f);
    key.SetInterpolation(interpolation);
    return key;
}

// Made once: encoding the words is the dearest part of reading a key.
const Key& StartingKey(uint32_t interpolation) {
    static const Key keys[4] = {MakeStartingKey(0), MakeStartingKey(Key::Constant), MakeStartingKey(Key::Linear),
                                MakeStartingKey(Key::Cubic)};
    switch (interpolation) {
    case Key::Constant:
        return keys[1];
    case Key::Linear:
        return keys[2];
    case Key::Cubic:
        return keys[3];
    default:
        return keys[0];
    }
}

void KeyReader::ReadKey() {
    Key* previous = stored_ > 0 ? &curve_.GetKey(stored_ - 1) : nullptr;
    const Key saved = previous != nullptr ? *previous : Key();
    incoming_ = std::numeric_limits<float>::quiet_NaN();
    gaveIncoming_ = false;

    RTime time;
    bool good = ReadTime(time);
    float value = 0.0f;
    good = ReadNumber(value) && good;
    const char letter = ReadLetter(0);
    Key key = StartingKey(InterpolationOf(letter));
    key.SetTime(time);
    key.SetValue(value);
    good = ReadCoding(letter, key, previous) && ConvertControlValues(letter, key, previous) && good;
    if (previous != nullptr && previous->GetTime() >= key.GetTime()) {
        good = false;
    }
    if (good && stored_ < capacity_) {
        curve_.GetKey(stored_) = key;
        if (version_ < kRatioVersion) {
            fileIncoming_.push_back(incoming_);
        }
        previousLetter_ = letter;
        ++stored_;
    } else if (previous != nullptr) {
        *previous = saved;
    }
}

// The key already has the interpolation of its letter.
bool KeyReader::ReadCoding(char letter, Key& key, Key* previous) {
    switch (key.GetInterpolation()) {
    case Key::Constant:
        if (version_ >= kConstantNextVersion) {
            key.SetTangentMode(ReadLetter(0) == 'n' ? Key::ConstantNext : 0);
        } else {
            key.SetTangentMode(0);
            MarkLinearFollows(previous);
        }
        return true;
    case Key::Linear:
        if (version_ < kConstantNextVersion) {
            MarkLinearFollows(previous);
        }
        return true;
    case Key::Cubic:
        return letter == 'U' ? ReadTangent(key, previous) : ReadOlderTangent(letter, key, previous);
    default:
        return false;
    }
}

// Before 4004 the segment from an Auto key into a Constant or Linear key was straight.
void KeyReader::MarkLinearFollows(Key* previous) const {
    if (previous != nullptr && previous->IsCubicWithModeBits(Key::Auto)) {
        previous->SetDataValue(1, kLinearRatio);
    }
}

// The "a" and "d" codings of 4002 on give the incoming side of the key no weight. A Tcb key
// holds its bias in those words and its continuity in the incoming slope's: it is left alone.
void ClearIncomingWeight(Key* previous) {
    if (previous == nullptr || IsTcb(*previous)) {
        return;
    }
    const float unweighted = StartingKey(0).GetDataValue(3);
    if (previous->GetDataValue(3) != unweighted) {
        previous->SetDataValue(3, unweighted);
    }
    previous->SetWeightMode(0, Key::WeightedNextLeft);
}

// Whether the "p" coding's ratios describe a broken key: the outgoing ratio does not mirror
// the incoming one, as the previous key's interpolation gives it. Behind a Tcb key the
// incoming side follows the Tcb key's continuity, not a ratio of this key, so nothing tells
// a break there: the key is what the letter says.
bool RatiosBreak(float outgoing, const Key* previous) {
    if (previous == nullptr || IsTcb(*previous)) {
        return false;
    }
    float incoming = previous->GetDataValue(1);
    if (previous->GetInterpolation() == Key::Constant) {
        incoming = 0.0f;
    } else if (previous->GetInterpolation() == Key::Linear) {
        incoming = kLinearRatio;
    }
    return std::fabs(static_cast<double>(outgoing) + incoming) > kBrokenRatioTolerance;
}

bool KeyReader::ReadTangent(Key& key, Key* previous) {
    const char letter = ReadLetter('a');
    const char tangent = letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter;
    float data0 = 0.0f;
    float data1 = 0.0f;
    switch (tangent) {
    case 'A':
        key.SetTangentMode(Key::Auto);
        if (version_ >= kWeightsVersion) {
            ClearIncomingWeight(previous);
        }
        if (version_ == kRatioVersion && !ReadNumber(data1)) {
            return false;
        }
        key.SetDataValue(1, data1);
        if (version_ < kConstantNextVersion && previous != nullptr && previous->GetInterpolation() == Key::Linear) {
            key.SetDataValue(0, -kLinearRatio);
        }
        return true;
    case 'T':
        return ReadTcb(key);
    case 'S':
    case 'B':
    case 'P':
    case 'Q': {
        if (!ReadNumber(data0) || !ReadNumber(data1)) {
            return false;
        }
        key.SetDataValue(0, data0);
        key.SetDataValue(1, data1);
        uint32_t mode = tangent == 'S' ? Key::User : tangent == 'B' ? Key::UserBreak : tangent == 'Q' ? Key::AutoBreak : Key::Auto;
        if (tangent == 'P' && RatiosBreak(data0, previous)) {
            mode = Key::AutoBreak;
        }
        key.SetTangentMode(mode);
        const bool weighted = tangent == 'P' || tangent == 'Q' || version_ >= kWeightsVersion;
        return !weighted || ReadWeights(key);
    }
    case 'D':
        key.SetTangentMode(Key::Auto);
        if (!ReadNumber(data1)) {
            return false;
        }
        key.SetDataValue(1, data1);
        if (version_ >= kWeightsVersion) {
            ClearIncomingWeight(previous);
            return ReadWeights(key);
        }
        return true;
    default:
        return false;
    }
}

// Tension, continuity and bias.
bool KeyReader::ReadTcb(Key& key) {
    key.SetTangentMode(Key::Tcb);
    for (int i = 0; i < 3; ++i) {
        float parameter = 0.0f;
        if (!ReadNumber(parameter)) {
            return false;
        }
        key.SetRawData(i, parameter);
    }
    return true;
}

bool KeyReader::ReadWeights(Key& key) {
    uint32_t mode = 0;
    switch (file_.FieldReadChar()) {
    case 'r':
        mode = Key::WeightedRight;
        break;
    case 'l':
        mode = Key::WeightedNextLeft;
        break;
    case 'a':
        mode = Key::WeightedRight | Key::WeightedNextLeft;
        break;
    default:
        break;
    }
    key.SetWeightMode(mode);
    float weight = 0.0f;
    if ((mode & Key::WeightedRight) != 0) {
        if (!ReadNumber(weight)) {
            return false;
        }
        key.SetDataValue(2, weight);
    }
    if ((mode & Key::WeightedNextLeft) != 0) {
        if (!ReadNumber(weight)) {
            return false;
        }
        key.SetDataValue(3, weight);
    }
    return true;
}

// The incoming side of a key lives in the previous key; a Tcb key holds its parameters
// there, so the slope is kept aside for the final pass of old curves.
void KeyReader::SetPreviousIncoming(Key* previous, float slope) {
    if (previous == nullptr) {
        return;
    }
    if (previous->IsCubicWithMode(Key::Tcb)) {
        incoming_ = slope;
    } else {
        previous->SetDataValue(1, slope);
        gaveIncoming_ = true;
    }
}

// The older coding: every key carries its own incoming and outgoing tangents.
bool KeyReader::ReadOlderTangent(char letter, Key& key, Key* previous) {
    if (letter == 'T') {
        return ReadTcb(key);
    }
    const char tangent = ReadLetter(0);
    if (tangent == 0) {
        return false;
    }
    if (tangent == 'A' || tangent == 'a') {
        key.SetTangentMode(Key::Auto);
        return true;
    }
    float incoming = 0.0f;
    float outgoing = 0.0f;
    if (tangent == 'B' || tangent == 'b') {
        key.SetTangentMode(Key::UserBreak);
        if (!ReadNumber(incoming) || !ReadNumber(outgoing)) {
            return false;
        }
    } else {
        key.SetTangentMode(Key::User);
        if (!ReadNumber(outgoing)) {
            return false;
        }
        incoming = outgoing;
    }
    key.SetDataValue(0, outgoing);
    SetPreviousIncoming(previous, incoming);
    return true;
}

// A key read with the letter "B" holds Bezier control values; they become slopes once the
// next key's time and value are known. The incoming control value comes from the next key
// when it is a "B" key too; another key's coding gives a slope, or nothing (slope 0).
bool KeyReader::ConvertControlValues(char letter, const Key& key, Key* previous) {
    if (previous == nullptr || previousLetter_ != 'B' || previous->GetTime() >= key.GetTime()) {
        return true;
    }
    const double seconds = curve_time::SecondsBetween(previous->GetTime().GetTicks(), key.GetTime().GetTicks());
    float outgoing = 0.0f;
    if (!ToFloat((static_cast<double>(previous->GetDataValue(0)) - previous->GetValue()) * 3.0 / seconds, outgoing)) {
        return false;
    }
    float incoming = 0.0f;
    if (gaveIncoming_) {
        incoming = previous->GetDataValue(1);
        if (letter == 'B' &&
            !ToFloat((static_cast<double>(incoming) - key.GetValue()) * -3.0 / seconds, incoming)) {
            return false;
        }
    }
    previous->SetDataValue(0, outgoing);
    previous->SetDataValue(1, incoming);
    return true;
}

// ---- Final pass for key versions below 4000 ---------------------------------------------

bool IsTcbOrUser(const Key& key) { return IsTcb(key) || key.IsCubicWithModeBits(Key::User); }

bool NearlyEqual(double a, double b) {
    return std::fabs(a - b) <= 1e-6 * std::max({1.0, std::fabs(a), std::fabs(b)});
}

// Curves before 4000 gave every key its own tangents, while the current keys keep the
// incoming side in the previous key and read it according to both keys' modes. Keys next to
// Tcb and User keys, where the two readings part, become User or UserBreak keys holding the
// slopes the curve had when read; the last key becomes Cubic Auto.
void RepairOldTangents(RFCurve& curve, const std::vector<float>& fileIncoming) {
    const int n = curve.GetKeyCount();
    if (n == 0) {
        return;
    }
    std::vector<double> incoming(static_cast<std::size_t>(n));
    std::vector<double> outgoing(static_cast<std::size_t>(n));
    std::vector<bool> convert(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const Key& key = curve.GetKey(k);
        outgoing[i] = curve.GetRightDerivative(k);
        incoming[i] = curve.GetLeftDerivative(k);
        if (k > 0 && IsTcb(curve.GetKey(k - 1))) {
            // Behind a Tcb key an Auto key's incoming ratio would be the Tcb continuity.
            double left = 0.0;
            double right = 0.0;
            if (key.IsCubicWithModeBits(Key::Auto) && ComputeNeighbourSlopes(curve, k, left, right)) {
                incoming[i] = AutoSlopeFromRatioLeft(-static_cast<double>(key.GetDataValue(0)), left, right);
            } else if (i < fileIncoming.size() && !std::isnan(fileIncoming[i])) {
                incoming[i] = fileIncoming[i];
            }
        }
        const bool nextToTcbOrUser =
            (k > 0 && IsTcbOrUser(curve.GetKey(k - 1))) || (k + 1 < n && IsTcbOrUser(curve.GetKey(k + 1)));
        convert[i] = nextToTcbOrUser && !IsTcb(key) && (key.GetInterpolation() == Key::Cubic || k == n - 1);
    }

    curve.BeginEdit();
    Key& last = curve.GetKey(n - 1);
    if (IsTcb(last)) {
        // The words of the bias become weights again.
        last.SetRawData(1, 0.0f);
        last.SetDataValue(2, Key::kDefaultWeight);
        last.SetDataValue(3, Key::kDefaultWeight);
    }
    last.SetInterpolation(Key::Cubic);
    last.SetTangentMode(Key::Auto);
    last.SetDataValue(0, 0.0f);
    const auto lastIndex = static_cast<std::size_t>(n - 1);
    if (n > 1 && !NearlyEqual(curve.GetLeftDerivative(n - 1), incoming[lastIndex])) {
        convert[lastIndex] = true;
    }
    for (int k = n - 1; k >= 0; --k) {
        const auto i = static_cast<std::size_t>(k);
        if (!convert[i]) {
            continue;
        }
        Key& key = curve.GetKey(k);
        Key* previous = k > 0 ? &curve.GetKey(k - 1) : nullptr;
        const double slope = k + 1 < n ? outgoing[i] : incoming[i];
        if (previous != nullptr && IsTcb(*previous)) {
            // Behind a Tcb key a User key's incoming slope is its outgoing one; at the last key
            // only a UserBreak key takes one (from the Tcb key's parameters).
            key.SetTangentMode(k + 1 < n ? Key::User : Key::UserBreak);
        } else {
            key.SetTangentMode(NearlyEqual(incoming[i], outgoing[i]) || k + 1 == n ? Key::User : Key::UserBreak);
            if (previous != nullptr && previous->GetInterpolation() == Key::Cubic) {
                previous->SetDataValue(1, ClampToFloat(incoming[i]));
            }
        }
        key.SetDataValue(0, ClampToFloat(slope));
    }
    curve.EndEdit();
}

// Reads an extrapolation field into the two setters' values; false when it is absent.
bool ReadExtrapolation(RWyxFile& file, const char* field, int& type, int& repetition) {
    if (!file.FieldReadBegin(field)) {
        return false;
    }
    type = 0;
    repetition = 0;
    if (file.FieldReadBlockBegin()) {
        type = ExtrapolationType(file.FieldReadCharByName("Type", '0'));
        repetition = file.FieldReadIntByName("Repetition", 0);
        file.FieldReadBlockEnd();
    }
    file.FieldReadEnd();
    return true;
}

// Answers the number of keys read but not kept.
int ReadKeys(RFCurve& curve, RWyxFile& file, int version, int count) {
    curve.ClearKeys();
    if (!file.FieldReadBegin("Key")) {
        return 0;
    }
    // A good key takes at least three values (time, value, letter), and every attempt
    // passes at least one while values are left.
    const int values = file.FieldReadValuesLeft();
    const int attempts = std::min(count, values);
    const int capacity = std::min({count, values / 3, RFCurve::kMaxKeyCount});
    int dropped = 0;
    if (capacity > 0 && curve.BeginBulkKeys(capacity)) {
        KeyReader reader(file, curve, version, capacity);
        int tried = 0;
        for (; tried < attempts && file.FieldReadValuesLeft() > 0; ++tried) {
            reader.ReadKey();
        }
        const int stored = reader.GetStored();
        dropped = tried - stored;
        curve.EndBulkKeys(stored);
        if (stored < capacity) {
            curve.CompactKeyBlocks();
        }
        if (version < kRatioVersion) {
            RepairOldTangents(curve, reader.GetFileIncoming());
        }
    } else if (capacity > 0) {
        curve.EndBulkKeys(0);
    }
    file.FieldReadEnd();
    return dropped;
}

}  // namespace

bool RFCurveRecords::Write(const RFCurve& curve, RWyxFile& file, bool defaultOnly, bool withColor,
                           bool autoSlopes) {
    file.FieldWriteBegin("Default");
    file.FieldWriteDouble(curve.GetDefaultValue());
    file.FieldWriteEnd();
    const int count = curve.GetKeyCount();
    if (!defaultOnly && count > 0) {
        file.FieldWriteBegin("KeyVer");
        file.FieldWriteInt(kKeyVersion);
        file.FieldWriteEnd();
        file.FieldWriteBegin("KeyCount");
        file.FieldWriteInt(count);
        file.FieldWriteEnd();
        file.FieldWriteBegin("Key");
        const AutoSlopeCodings codings = autoSlopes ? CodingsForAutoSlopes(curve) : AutoSlopeCodings();
        for (int k = 0; k < count; ++k) {
            WriteKey(file, curve, k, autoSlopes ? &codings : nullptr);
        }
        file.FieldWriteEnd();
        WriteExtrapolation(file, "Pre-Extrapolation", curve.GetPreExtrapolationType(),
                           curve.GetPreExtrapolationRepetition());
        WriteExtrapolation(file, "Post-Extrapolation", curve.GetPostExtrapolationType(),
                           curve.GetPostExtrapolationRepetition());
    }
    if (withColor && !defaultOnly) {
        float rgb[3];
        curve.GetColor(rgb);
        file.FieldWriteBegin("Color");
        for (const float component : rgb) {
            file.FieldWriteDouble(component);
        }
        file.FieldWriteEnd();
    }
    return file.GetLastErrorID() == -1;
}

void RFCurveRecords::Read(RFCurve& curve, RWyxFile& file, bool defaultOnly, bool withColor, Losses* losses) {
    Losses uncounted;
    Losses& lost = losses != nullptr ? *losses : uncounted;
    float defaultValue = 0.0f;
    if (file.FieldReadValuesLeft() > 0) {
        if (ToFloat(file.FieldReadDouble(), defaultValue)) {
            curve.SetDefaultValue(defaultValue);
        } else {
            ++lost.numbers;
        }
    }
    file.FieldReadEnd();
    if (defaultOnly) {
        return;
    }
    const int version = file.FieldReadIntByName("KeyVer", 0);
    const int count = file.FieldReadIntByName("KeyCount", 0);
    if (count > 0) {
        lost.keys += ReadKeys(curve, file, version, count);
        int type = 0;
        int repetition = 0;
        if (ReadExtrapolation(file, "Pre-Extrapolation", type, repetition)) {
            curve.SetPreExtrapolationType(type);
            curve.SetPreExtrapolationRepetition(repetition);
        }
        if (ReadExtrapolation(file, "Post-Extrapolation", type, repetition)) {
            curve.SetPostExtrapolationType(type);
            curve.SetPostExtrapolationRepetition(repetition);
        }
    }
    if (withColor && file.FieldReadBegin("Color")) {
        float rgb[3];
        bool sound = file.FieldReadValuesLeft() >= 3;
        for (float& component : rgb) {
            sound = ToFloat(file.FieldReadDouble(), component) && sound;
        }
        if (sound) {
            curve.SetColor(rgb);
        } else {
            ++lost.numbers;
        }
        file.FieldReadEnd();
    }
}

RFCurve* RFCurveRecords::ReadDefaultBlock(RWyxFile& file, RFCurve* curve, bool defaultOnly, bool withColor,
                                          Losses* losses) {
    if (!file.FieldReadBegin("Default")) {
        return nullptr;
    }
    if (curve != nullptr) {
        curve->ClearKeys();
    } else {
        curve = RFCurve::Create();
    }
    Read(*curve, file, defaultOnly, withColor, losses);
    return curve;
}

RFCurve* RFCurveRecords::CreateFromFile(RWyxFile& file, bool defaultOnly, bool withColor, Losses* losses) {
    return ReadDefaultBlock(file, nullptr, defaultOnly, withColor, losses);
}
