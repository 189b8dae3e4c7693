#include "plugin/WyxVexaOptions.h"

#include "plugin/UserParamStore.h"

#include <vexa/VDistance.h>

#include <cstdio>

namespace {

// The records 43 to 51 with their defaults.
const std::vector<WyxOptionRecord>& HostRecords() {
    using Kind = WyxOptionRecord::Kind;
    static const std::vector<WyxOptionRecord> records = {
        {"kImportShowUI", Kind::kBoolean, "true"},
        {"kImportForceWeightNormalize", Kind::kBoolean, "true"},
        {"kImportDeformNullsAsJoints", Kind::kBoolean, "false"},
        {"kImportHardEdges", Kind::kBoolean, "false"},
        {"kProtectDrivenKeys", Kind::kBoolean, "false"},
        {"kSetLockedAttrib", Kind::kBoolean, "false"},
        {"kExportShowUI", Kind::kBoolean, "true"},
        {"kExportSelectionOnly", Kind::kBoolean, "false"},
        {"kExportHardEdges", Kind::kBoolean, "false"},
    };
    return records;
}

// "Vexa" and the host version 50 written with "%2d".
RString OptionsName() {
    char number[16];
    std::snprintf(number, sizeof(number), "%2d", 50);
    return RString("Vexa") + number;
}

// The process's options: built when the plug-in is loaded, before initializePlugin runs.
WyxVexaOptions gPluginOptions;

}  // namespace

WyxVexaOptions* GetPluginOptions() { return &gPluginOptions; }

WyxVexaOptions::WyxVexaOptions() : name_(OptionsName()) { Reload(); }

void WyxVexaOptions::Reload() {
    BuildBaseRecords();
    AppendHostRecords();
    const RString importUnit = GetMasterUnitString(true);
    const RString exportUnit = GetMasterUnitString(false);
    // Built while the host loads the library: nothing may escape, the defaults stand instead.
    try {
        LoadUserParams();
    } catch (...) {
    }
    if (GetMasterUnitString(true) != importUnit) UnitMessage(true);
    if (GetMasterUnitString(false) != exportUnit) UnitMessage(false);
}

WyxVexaOptions::~WyxVexaOptions() {
    try {
        SaveUserParams();
    } catch (...) {
        // Destroyed while the host unloads the library: a save that fails is lost, quietly.
    }
}

void WyxVexaOptions::AppendHostRecords() {
    AppendRecords(HostRecords());
    lastHostUnitIndex_ = GetHostUnitIndex();
    UnitMessage(true);
    UnitMessage(false);
}

void WyxVexaOptions::Reset() {
    BuildBaseRecords();
    AppendHostRecords();
    SetImportMode(kMerge);
    SetSamplingRate(30.0, true);
    SetSamplingRate(30.0, false);
    ResetImportOptions();
    ResetExportOptions();
}

void WyxVexaOptions::RefreshUnitTexts() {
    const int unitIndex = GetHostUnitIndex();
    if (unitIndex == lastHostUnitIndex_) return;
    lastHostUnitIndex_ = unitIndex;
    UnitMessage(true);
    UnitMessage(false);
}

void WyxVexaOptions::ResetExportOptions() { RefreshUnitTexts(); }

void WyxVexaOptions::ResetImportOptions() { RefreshUnitTexts(); }

int WyxVexaOptions::GetHostUnitIndex() const {
    switch (VDistance::uiUnit()) {
    case VDistance::kInches: return 1;
    case VDistance::kFeet: return 2;
    case VDistance::kYards: return 3;
    case VDistance::kMiles: return 4;
    case VDistance::kMillimeters: return 5;
    case VDistance::kCentimeters: return 6;
    case VDistance::kMeters: return 7;
    case VDistance::kKilometers: return 8;
    default: return 0;
    }
}

double WyxVexaOptions::CheckedNumber(int number, double loaded) const {
    switch (number) {
    case kExportSamplingRate:
    case kImportSamplingRate:
        return IsValidSamplingRate(loaded) ? loaded : GetDoubleOption(number);
    case kExportMasterScale:
    case kImportMasterScale:
        return IsValidMasterScale(loaded) ? loaded : GetDoubleOption(number);
    default:
        return loaded;
    }
}

void WyxVexaOptions::LoadUserParams() {
    UserParamStore& store = GetUserParamStore();
    store.Open(PluginRegistryKey(), name_);
    for (int number = 0; number < GetRecordCount(); ++number) {
        const WyxOptionRecord& record = *GetRecord(number);
        const char* key = record.key.Buffer();
        switch (record.kind) {
        case WyxOptionRecord::kBoolean:
            SetBoolOption(number, store.GetDword(kSection, key, GetBoolOption(number) ? 1u : 0u) != 0);
            break;
        case WyxOptionRecord::kNumber: {
            const float current = static_cast<float>(GetDoubleOption(number));
            SetDoubleOption(number, CheckedNumber(number, store.GetFloat(kSection, key, current)));
            break;
        }
        default: {
            RString value;
            SetOptionString(number, store.GetString(kSection, key, record.value, value));
            break;
        }
        }
    }
    SetImportMode(ImportModeFromName(GetOptionString(kImportLoadMode)));
    store.Close();
}

void WyxVexaOptions::SaveUserParams() {
    RString ignored;
    StoreRecords({}, ignored);
}

bool WyxVexaOptions::StoreRecords(const std::vector<int>& numbers, RString& reason) {
    UserParamStore& store = GetUserParamStore();
    SetOptionString(kImportLoadMode, ImportModeName(GetImportMode()));
    bool stored = store.Open(PluginRegistryKey(), name_);
    const int count = numbers.empty() ? GetRecordCount() : static_cast<int>(numbers.size());
    for (int i = 0; stored && i < count; ++i) stored = StoreRecord(store, numbers.empty() ? i : numbers[i]);
    if (!stored) reason = store.GetFailureReason();
    store.Close();
    return stored;
}

bool WyxVexaOptions::StoreRecord(UserParamStore& store, int number) const {
    const WyxOptionRecord* record = GetRecord(number);
    if (record == nullptr) return true;  // no such record: nothing to keep, as its setters do
    const char* key = record->key.Buffer();
    switch (record->kind) {
    case WyxOptionRecord::kBoolean: return store.SetDword(kSection, key, GetBoolOption(number) ? 1u : 0u);
    case WyxOptionRecord::kNumber: return store.SetFloat(kSection, key, static_cast<float>(GetDoubleOption(number)));
    default: return store.SetString(kSection, key, record->value);
    }
}
