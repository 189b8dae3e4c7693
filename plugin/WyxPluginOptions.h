#ifndef WYX_PLUGIN_WYXPLUGINOPTIONS_H
#define WYX_PLUGIN_WYXPLUGINOPTIONS_H

// The settings of the import and the export: numbered option records plus the import mode.
//
// A record holds its key (also its registry value name), its kind and its value as text:
// booleans "true" / "false", numbers written with six decimals, strings as they are. The
// import and the export address records by number (WyxOption); the numbers are fixed.
//
// The base class builds the records 0 to 42 and the operations on them; a host's options
// class (WyxVexaOptions) adds its own records, the registry store and the host's units.
//
// Sampling rates and master scales are checked wherever they enter: a rate outside
// kMinSamplingRate..kMaxSamplingRate frames per second, a scale outside
// kMinMasterScale..kMaxMasterScale, zero, a negative number or NaN is refused and the
// record keeps its value.

#include "core/RString.h"

#include <vector>

// The record numbers.
enum WyxOption {
    kExportMasterUnitStr = 0,
    kImportMasterUnitStr = 1,
    kShowWarnings = 2,
    kAsciiWyx = 3,
    kExportMasterScale = 4,
    kExportSamplingRate = 5,
    kExportAnimation = 6,
    kExportEmbedTextures = 7,
    kExportConvert_2Tiff = 8,
    kExportCameras = 9,
    kExportLights = 10,
    kExportGeometries = 11,
    kExportSkins = 12,
    kExportShapes = 13,
    kExportBindPose = 14,
    kExportPivotToNull = 15,
    kExportApplyCstKeyRed = 16,
    kExportApplyKeyReduce = 17,
    kExportKeyReducePrec = 18,
    kExportApplyKeySync = 19,
    kExportApplyKeysOnFrm = 20,
    kExportApplyUnroll = 21,
    kExportUnrollPrec = 22,
    kExportUnrollPath = 23,
    kImportLoadMode = 24,
    kImportMasterScale = 25,
    kImportSamplingRate = 26,
    kImportAnimation = 27,
    kImportCameras = 28,
    kImportLights = 29,
    kImportGeometries = 30,
    kImportSkins = 31,
    kImportShapes = 32,
    kImportMarkers = 33,
    kImportNullsToPivot = 34,
    kImportApplyCstKeyRed = 35,
    kImportApplyKeyReduce = 36,
    kImportKeyReducePrec = 37,
    kImportApplyKeySync = 38,
    kImportApplyKeysOnFrm = 39,
    kImportApplyUnroll = 40,
    kImportUnrollPrec = 41,
    kImportUnrollPath = 42,
    kImportShowUI = 43,
    kImportForceWeightNormalize = 44,
    kImportDeformNullsAsJoints = 45,
    kImportHardEdges = 46,
    kProtectDrivenKeys = 47,
    kSetLockedAttrib = 48,
    kExportShowUI = 49,
    kExportSelectionOnly = 50,
    kExportHardEdges = 51,
};

struct WyxOptionRecord {
    enum Kind { kBoolean = 0, kNumber = 1, kString = 2 };

    RString key;
    int kind = kBoolean;
    RString value;
};

class WyxPluginOptions {
public:
    // Import modes.
    static constexpr int kExclusiveMerge = 0;
    static constexpr int kMerge = 1;
    static constexpr int kCreate = 2;

    // What a sampling rate (frames per second) and a master scale may be.
    static constexpr double kMinSamplingRate = 0.1;
    static constexpr double kMaxSamplingRate = 1000.0;
    static constexpr double kMinMasterScale = 1e-6;
    static constexpr double kMaxMasterScale = 1e6;

    // The records 0 to 42 with their defaults; import mode merge.
    WyxPluginOptions();
    virtual ~WyxPluginOptions() = default;
    WyxPluginOptions(const WyxPluginOptions&) = delete;
    WyxPluginOptions& operator=(const WyxPluginOptions&) = delete;

    // ---- the virtual operations, in this order ---------------------------------------------
    // Builds the records 0 to 42 anew with their defaults.
    virtual void Reset();
    virtual void LoadUserParams() = 0;
    virtual void SaveUserParams() = 0;
    // Record 1 (import) or 0 (export).
    virtual RString GetMasterUnitString(bool import) const;
    // The number of record 25 (import) or 4 (export).
    virtual double GetMasterScale(bool import) const;
    // False, the record unchanged, for a scale out of range.
    virtual bool SetMasterScale(double scale, bool import);
    // The number of record 26 (import) or 5 (export).
    virtual double GetSamplingRate(bool import) const;
    // False, the record unchanged, for a rate out of range.
    virtual bool SetSamplingRate(double rate, bool import);
    // The host's distance unit as a unit index 0 to 8 (UnitMessage).
    virtual int GetHostUnitIndex() const = 0;
    virtual double GetUnitScaleBase() const = 0;
    // Records 2 to 23 to their defaults.
    virtual void ResetExportOptions();
    // Records 2, 3 and 25 to 42 to their defaults.
    virtual void ResetImportOptions();

    // ---- records -------------------------------------------------------------------------------
    int GetRecordCount() const { return static_cast<int>(records_.size()); }
    // Null for a number that is not below the record count.
    const WyxOptionRecord* GetRecord(int number) const;
    // True when the value is exactly "true".
    bool GetBoolOption(int number) const;
    // The number at the start of the value (as atof reads it, in any locale); 0 when none.
    double GetDoubleOption(int number) const;
    RString GetOptionString(int number) const;
    // Each leaves an unknown record number alone.
    void SetBoolOption(int number, bool value);
    void SetDoubleOption(int number, double value);
    void SetOptionString(int number, const RString& value);

    int GetImportMode() const { return importMode_; }
    void SetImportMode(int mode) { importMode_ = mode; }
    // 0 "kExclusiveMerge", 1 "kMerge", 2 "kCreate", else empty; and back (anything else 1).
    static RString ImportModeName(int mode);
    static int ImportModeFromName(const RString& name);

    // Record 1 (import) or 0 (export) becomes the unit text of GetHostUnitIndex; an index
    // outside 0 to 8 leaves it as it was.
    void UnitMessage(bool import);

    static bool IsValidSamplingRate(double rate);
    static bool IsValidMasterScale(double scale);
    // The rate (scale) of the record, or `fallback` when the record holds one out of range (a
    // registry edited by hand): what a session may divide by or scale with.
    double GetUsableSamplingRate(bool import, double fallback) const;
    double GetUsableMasterScale(bool import, double fallback) const;

protected:
    // Empties the list and appends the records 0 to 42 with their defaults.
    void BuildBaseRecords();
    void AppendRecords(const std::vector<WyxOptionRecord>& records);
    // Sets each listed record back to its default (records 0 to 42 only).
    void ResetRecords(int first, int last);

private:
    WyxOptionRecord* Record(int number);

    std::vector<WyxOptionRecord> records_;
    int importMode_ = kMerge;
};

// The unit texts of record 0 (export) and 1 (import) for a unit index 0 to 8; null outside.
const char* UnitText(int unitIndex, bool import);

#endif
