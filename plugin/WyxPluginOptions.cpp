#include "plugin/WyxPluginOptions.h"

#include <charconv>
#include <cmath>

namespace {

using Kind = WyxOptionRecord::Kind;

// The records 0 to 42 with their defaults, in number order. Record 24 holds the name of the
// import mode merge, the mode a first load starts in (Reset sets it too); a first import
// must not replace the user's scene.
const std::vector<WyxOptionRecord>& BaseRecords() {
    static const std::vector<WyxOptionRecord> records = {
        {"kExportMasterUnitStr", Kind::kString, "Detected source world unit = Unit\n1 unit = 1 centimeter"},
        {"kImportMasterUnitStr", Kind::kString, "Detected destination world unit = Unit\n1 centimeter = 1 unit"},
        {"kShowWarnings", Kind::kBoolean, "true"},
        {"kAsciiWyx", Kind::kBoolean, "false"},
        {"kExportMasterScale", Kind::kNumber, "1.0"},
        {"kExportSamplingRate", Kind::kNumber, "30.0"},
        {"kExportAnimation", Kind::kBoolean, "true"},
        {"kExportEmbedTextures", Kind::kBoolean, "false"},
        {"kExportConvert_2Tiff", Kind::kBoolean, "false"},
        {"kExportCameras", Kind::kBoolean, "true"},
        {"kExportLights", Kind::kBoolean, "true"},
        {"kExportGeometries", Kind::kBoolean, "true"},
        {"kExportSkins", Kind::kBoolean, "true"},
        {"kExportShapes", Kind::kBoolean, "true"},
        {"kExportBindPose", Kind::kBoolean, "true"},
        {"kExportPivotToNull", Kind::kBoolean, "false"},
        {"kExportApplyCstKeyRed", Kind::kBoolean, "true"},
        {"kExportApplyKeyReduce", Kind::kBoolean, "false"},
        {"kExportKeyReducePrec", Kind::kNumber, "1.0000"},
        {"kExportApplyKeySync", Kind::kBoolean, "false"},
        {"kExportApplyKeysOnFrm", Kind::kBoolean, "true"},
        {"kExportApplyUnroll", Kind::kBoolean, "true"},
        {"kExportUnrollPrec", Kind::kNumber, "0.25"},
        {"kExportUnrollPath", Kind::kBoolean, "true"},
        {"kImportLoadMode", Kind::kString, WyxPluginOptions::ImportModeName(WyxPluginOptions::kMerge)},
        {"kImportMasterScale", Kind::kNumber, "1.0"},
        {"kImportSamplingRate", Kind::kNumber, "30.0"},
        {"kImportAnimation", Kind::kBoolean, "true"},
        {"kImportCameras", Kind::kBoolean, "true"},
        {"kImportLights", Kind::kBoolean, "true"},
        {"kImportGeometries", Kind::kBoolean, "true"},
        {"kImportSkins", Kind::kBoolean, "true"},
        {"kImportShapes", Kind::kBoolean, "true"},
        {"kImportMarkers", Kind::kBoolean, "false"},
        {"kImportNullsToPivot", Kind::kBoolean, "false"},
        {"kImportApplyCstKeyRed", Kind::kBoolean, "true"},
        {"kImportApplyKeyReduce", Kind::kBoolean, "false"},
        {"kImportKeyReducePrec", Kind::kNumber, "1.0000"},
        {"kImportApplyKeySync", Kind::kBoolean, "false"},
        {"kImportApplyKeysOnFrm", Kind::kBoolean, "true"},
        {"kImportApplyUnroll", Kind::kBoolean, "true"},
        {"kImportUnrollPrec", Kind::kNumber, "0.25"},
        {"kImportUnrollPath", Kind::kBoolean, "true"},
    };
    return records;
}

struct UnitTexts {
    const char* exportText;
    const char* importText;
};

const UnitTexts kUnitTexts[] = {
    {"Detected source world unit = Unit\n1 unit = 1 centimeter",
     "Detected destination world unit = Unit\n1 centimeter = 1 unit"},
    {"Detected source world unit = Inch\n1 inch = 2.54 centimeters",
     "Detected destination world unit = Inches\n1 centimeter = 0.3937000 inches"},
    {"Detected source world unit = Feet\n1 feet = 30.48 centimeters",
     "Detected destination world unit = Feet\n1 centimeter = 0.0328080 feet"},
    {"Detected source world unit = Yard\n1 yard = 91.44 centimeters",
     "Detected destination world unit = Yard\n1 centimeter = 0.010936 yards"},
    {"Detected source world unit = Mile\n1 mile = 160934.4 centimeters",
     "Detected destination world unit = Miles\n1 centimeter = 0.0000062 miles"},
    {"Detected source world unit = Millimeter\n1 millimeter = 0.1 centimeters",
     "Detected destination world unit = Millimeters\n1 centimeter = 10 millimeters"},
    {"Detected source world unit = Centimeter\n1 centimeter = 1 centimeter",
     "Detected destination world unit = Centimeters\n1 centimeter = 1 centimeter"},
    {"Detected source world unit = Meter\n1 meter = 100 centimeters",
     "Detected destination world unit = Meter\n1 centimeter = 0.01 meter"},
    {"Detected source world unit = Kilometer\n1 kilometer = 100000 centimeters",
     "Detected destination world unit = Kilometer\n1 centimeter = 0.0000001 kilometer"},
};

constexpr int kUnitCount = static_cast<int>(sizeof(kUnitTexts) / sizeof(kUnitTexts[0]));

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// What atof reads: blanks, an optional sign, then the longest number; 0 when there is none.
// Independent of the process locale, so a comma locale never cuts "30.000000" to 30.
double LeadingNumber(const RString& text) {
    const char* begin = text.Buffer();
    const char* end = begin + text.GetLength();
    while (begin < end && IsBlank(*begin)) ++begin;
    if (begin < end && *begin == '+') ++begin;
    double value = 0.0;
    const std::from_chars_result read = std::from_chars(begin, end, value);
    return read.ec == std::errc() ? value : 0.0;
}

bool InRange(double value, double low, double high) { return std::isfinite(value) && value >= low && value <= high; }

}  // namespace

const char* UnitText(int unitIndex, bool import) {
    if (unitIndex < 0 || unitIndex >= kUnitCount) return nullptr;
    return import ? kUnitTexts[unitIndex].importText : kUnitTexts[unitIndex].exportText;
}

WyxPluginOptions::WyxPluginOptions() { BuildBaseRecords(); }

void WyxPluginOptions::Reset() { BuildBaseRecords(); }

void WyxPluginOptions::BuildBaseRecords() {
    records_.clear();
    AppendRecords(BaseRecords());
}

void WyxPluginOptions::AppendRecords(const std::vector<WyxOptionRecord>& records) {
    records_.insert(records_.end(), records.begin(), records.end());
}

void WyxPluginOptions::ResetRecords(int first, int last) {
    const std::vector<WyxOptionRecord>& defaults = BaseRecords();
    for (int number = first; number <= last && number < static_cast<int>(defaults.size()); ++number) {
        if (WyxOptionRecord* record = Record(number)) *record = defaults[static_cast<size_t>(number)];
    }
}

RString WyxPluginOptions::GetMasterUnitString(bool import) const {
    return GetOptionString(import ? kImportMasterUnitStr : kExportMasterUnitStr);
}

double WyxPluginOptions::GetMasterScale(bool import) const {
    return GetDoubleOption(import ? kImportMasterScale : kExportMasterScale);
}

bool WyxPluginOptions::SetMasterScale(double scale, bool import) {
    if (!IsValidMasterScale(scale)) return false;
    SetDoubleOption(import ? kImportMasterScale : kExportMasterScale, scale);
    return true;
}

double WyxPluginOptions::GetSamplingRate(bool import) const {
    return GetDoubleOption(import ? kImportSamplingRate : kExportSamplingRate);
}

bool WyxPluginOptions::SetSamplingRate(double rate, bool import) {
    if (!IsValidSamplingRate(rate)) return false;
    SetDoubleOption(import ? kImportSamplingRate : kExportSamplingRate, rate);
    return true;
}

void WyxPluginOptions::ResetExportOptions() { ResetRecords(kShowWarnings, kExportUnrollPath); }

void WyxPluginOptions::ResetImportOptions() {
    ResetRecords(kShowWarnings, kAsciiWyx);
    ResetRecords(kImportMasterScale, kImportUnrollPath);
}

const WyxOptionRecord* WyxPluginOptions::GetRecord(int number) const {
    return number >= 0 && number < GetRecordCount() ? &records_[static_cast<size_t>(number)] : nullptr;
}

WyxOptionRecord* WyxPluginOptions::Record(int number) {
    return number >= 0 && number < GetRecordCount() ? &records_[static_cast<size_t>(number)] : nullptr;
}

bool WyxPluginOptions::GetBoolOption(int number) const {
    const WyxOptionRecord* record = GetRecord(number);
    return record != nullptr && record->value == "true";
}

double WyxPluginOptions::GetDoubleOption(int number) const {
    const WyxOptionRecord* record = GetRecord(number);
    return record != nullptr ? LeadingNumber(record->value) : 0.0;
}

RString WyxPluginOptions::GetOptionString(int number) const {
    const WyxOptionRecord* record = GetRecord(number);
    return record != nullptr ? record->value : RString("");
}

void WyxPluginOptions::SetBoolOption(int number, bool value) {
    if (WyxOptionRecord* record = Record(number)) record->value = value ? "true" : "false";
}

void WyxPluginOptions::SetDoubleOption(int number, double value) {
    if (WyxOptionRecord* record = Record(number)) record->value = RString(value);
}

void WyxPluginOptions::SetOptionString(int number, const RString& value) {
    if (WyxOptionRecord* record = Record(number)) record->value = value;
}

RString WyxPluginOptions::ImportModeName(int mode) {
    switch (mode) {
    case kExclusiveMerge: return "kExclusiveMerge";
    case kMerge: return "kMerge";
    case kCreate: return "kCreate";
    default: return "";
    }
}

int WyxPluginOptions::ImportModeFromName(const RString& name) {
    if (name == "kExclusiveMerge") return kExclusiveMerge;
    if (name == "kCreate") return kCreate;
    return kMerge;
}

void WyxPluginOptions::UnitMessage(bool import) {
    if (const char* text = UnitText(GetHostUnitIndex(), import)) {
        SetOptionString(import ? kImportMasterUnitStr : kExportMasterUnitStr, text);
    }
}

bool WyxPluginOptions::IsValidSamplingRate(double rate) { return InRange(rate, kMinSamplingRate, kMaxSamplingRate); }

bool WyxPluginOptions::IsValidMasterScale(double scale) { return InRange(scale, kMinMasterScale, kMaxMasterScale); }

double WyxPluginOptions::GetUsableSamplingRate(bool import, double fallback) const {
    const double rate = GetSamplingRate(import);
    return IsValidSamplingRate(rate) ? rate : fallback;
}

double WyxPluginOptions::GetUsableMasterScale(bool import, double fallback) const {
    const double scale = GetMasterScale(import);
    return IsValidMasterScale(scale) ? scale : fallback;
}
