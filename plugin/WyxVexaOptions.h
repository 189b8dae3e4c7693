#ifndef WYX_PLUGIN_WYXVEXAOPTIONS_H
#define WYX_PLUGIN_WYXVEXAOPTIONS_H

// The plug-in's options in the host: the records of WyxPluginOptions plus the records 43 to
// 51, the host's distance unit in the unit texts, and the registry store (UserParamStore)
// under the name "Vexa50", section "UserParams".
//
// One object serves the process (GetPluginOptions). It is built when the plug-in is loaded,
// loading the user's stored values, and saves them again when it is destroyed at unload.
// Values read from the registry pass the same checks as values set by commands: a stored
// sampling rate or master scale out of range leaves the record at its default.

#include "plugin/WyxPluginOptions.h"

#include <vector>

class UserParamStore;

class WyxVexaOptions : public WyxPluginOptions {
public:
    static constexpr const char* kSection = "UserParams";

    // Builds the records, then loads the stored values; a stored unit text made under
    // another host unit is replaced by the current unit's.
    WyxVexaOptions();
    // Saves the values.
    ~WyxVexaOptions() override;

    // What construction does: the records with their defaults, then the stored values, the
    // unit texts made for the host's unit.
    void Reload();

    // The records 0 to 51 with their defaults, import mode merge, both sampling rates 30,
    // then the unit refresh.
    void Reset() override;
    void LoadUserParams() override;
    // Every record to the store, failures unreported (StoreRecords answers them).
    void SaveUserParams() override;
    // Writes the listed records (all of them when the list is empty) to the registry store,
    // record 24 as the import mode's name. False at the first one not written, with the store's
    // reason; the records keep their values either way.
    bool StoreRecords(const std::vector<int>& numbers, RString& reason);
    // Inches 1, feet 2, yards 3, miles 4, millimetres 5, centimetres 6, metres 7,
    // kilometres 8, any other unit 0.
    int GetHostUnitIndex() const override;
    double GetUnitScaleBase() const override { return 1.0; }
    // Both the same: when the host's unit changed since the unit texts were made, both
    // texts are made again.
    void ResetExportOptions() override;
    void ResetImportOptions() override;

    // "Vexa50".
    const RString& GetName() const { return name_; }

private:
    // Appends the records 43 to 51, then makes the unit texts for the host's unit.
    void AppendHostRecords();
    void RefreshUnitTexts();
    // The loaded value of a number record, or its current value when the stored one is not
    // a sampling rate or master scale it may hold.
    double CheckedNumber(int number, double loaded) const;
    // The record's value in the store's open key, as its kind is kept; true when written.
    bool StoreRecord(UserParamStore& store, int number) const;

    RString name_;
    int lastHostUnitIndex_ = -1;
};

// The process's options object; never null while the plug-in is loaded.
WyxVexaOptions* GetPluginOptions();

#endif
