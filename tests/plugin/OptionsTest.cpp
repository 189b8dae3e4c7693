// The options: their 52 records and defaults, the registry round trip through the user
// parameter store, the import mode, the unit texts and the checks of rates and scales.

#include "plugin/UserParamStore.h"
#include "plugin/WyxVexaOptions.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/support/CommaLocale.h"
#include "tests/support/HostTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace {

struct DefaultRecord {
    const char* key;
    int kind;
    const char* value;
};

const DefaultRecord kDefaults[] = {
    {"kExportMasterUnitStr", 2, "Detected source world unit = Centimeter\n1 centimeter = 1 centimeter"},
    {"kImportMasterUnitStr", 2, "Detected destination world unit = Centimeters\n1 centimeter = 1 centimeter"},
    {"kShowWarnings", 0, "true"},           {"kAsciiWyx", 0, "false"},
    {"kExportMasterScale", 1, "1.000000"},  {"kExportSamplingRate", 1, "30.000000"},
    {"kExportAnimation", 0, "true"},        {"kExportEmbedTextures", 0, "false"},
    {"kExportConvert_2Tiff", 0, "false"},   {"kExportCameras", 0, "true"},
    {"kExportLights", 0, "true"},           {"kExportGeometries", 0, "true"},
    {"kExportSkins", 0, "true"},            {"kExportShapes", 0, "true"},
    {"kExportBindPose", 0, "true"},         {"kExportPivotToNull", 0, "false"},
    {"kExportApplyCstKeyRed", 0, "true"},   {"kExportApplyKeyReduce", 0, "false"},
    {"kExportKeyReducePrec", 1, "1.000000"}, {"kExportApplyKeySync", 0, "false"},
    {"kExportApplyKeysOnFrm", 0, "true"},   {"kExportApplyUnroll", 0, "true"},
    {"kExportUnrollPrec", 1, "0.250000"},   {"kExportUnrollPath", 0, "true"},
    {"kImportLoadMode", 2, "kMerge"},       {"kImportMasterScale", 1, "1.000000"},
    {"kImportSamplingRate", 1, "30.000000"}, {"kImportAnimation", 0, "true"},
    {"kImportCameras", 0, "true"},          {"kImportLights", 0, "true"},
    {"kImportGeometries", 0, "true"},       {"kImportSkins", 0, "true"},
    {"kImportShapes", 0, "true"},           {"kImportMarkers", 0, "false"},
    {"kImportNullsToPivot", 0, "false"},    {"kImportApplyCstKeyRed", 0, "true"},
    {"kImportApplyKeyReduce", 0, "false"},  {"kImportKeyReducePrec", 1, "1.000000"},
    {"kImportApplyKeySync", 0, "false"},    {"kImportApplyKeysOnFrm", 0, "true"},
    {"kImportApplyUnroll", 0, "true"},      {"kImportUnrollPrec", 1, "0.250000"},
    {"kImportUnrollPath", 0, "true"},       {"kImportShowUI", 0, "true"},
    {"kImportForceWeightNormalize", 0, "true"}, {"kImportDeformNullsAsJoints", 0, "false"},
    {"kImportHardEdges", 0, "false"},       {"kProtectDrivenKeys", 0, "false"},
    {"kSetLockedAttrib", 0, "false"},       {"kExportShowUI", 0, "true"},
    {"kExportSelectionOnly", 0, "false"},   {"kExportHardEdges", 0, "false"},
};

// Each test has a registry file of its own; options built in the test load from it.
class OptionsTest : public HostTest {
protected:
    ScratchFolder folder_;
    ScopedEnvironment registry_{"WYX_REGISTRY_FILE", folder_.Join("registry.txt")};

    static std::unique_ptr<WyxVexaOptions> load() { return std::make_unique<WyxVexaOptions>(); }

    // Writes one stored value as another program would.
    static void store(const char* key, const RString& text) {
        UserParamStore store;
        store.Open(PluginRegistryKey(), "Vexa50");
        store.SetString(WyxVexaOptions::kSection, key, text);
        store.Close();
    }
    static void storeFloat(const char* key, float value) {
        UserParamStore store;
        store.Open(PluginRegistryKey(), "Vexa50");
        store.SetFloat(WyxVexaOptions::kSection, key, value);
        store.Close();
    }
    static std::uint32_t storedDword(const char* key) {
        UserParamStore store;
        store.Open(PluginRegistryKey(), "Vexa50");
        const std::uint32_t value = store.GetDword(WyxVexaOptions::kSection, key, 0xdeadbeefu);
        store.Close();
        return value;
    }
};

TEST_F(OptionsTest, AFirstLoadGivesEveryRecordItsDefaultAndImportsByMerging) {
    const auto options = load();
    EXPECT_EQ(options->GetName(), "Vexa50");
    ASSERT_EQ(options->GetRecordCount(), 52);
    for (int i = 0; i < 52; ++i) {
        SCOPED_TRACE(kDefaults[i].key);
        const WyxOptionRecord* record = options->GetRecord(i);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->key, kDefaults[i].key);
        EXPECT_EQ(record->kind, kDefaults[i].kind);
        EXPECT_EQ(record->value, kDefaults[i].value);
    }
    EXPECT_EQ(options->GetImportMode(), WyxPluginOptions::kMerge);
    EXPECT_EQ(options->GetRecord(52), nullptr);
    EXPECT_EQ(options->GetRecord(-1), nullptr);
}

TEST_F(OptionsTest, EveryRecordGoesToTheRegistryAndComesBack) {
    {
        const auto options = load();
        options->SetBoolOption(kImportShowUI, false);
        options->SetBoolOption(kExportAnimation, false);
        options->SetDoubleOption(kExportUnrollPrec, 0.25);
        options->SetSamplingRate(29.97, false);
        options->SetDoubleOption(kImportKeyReducePrec, 2.5);
        options->SetOptionString(kImportMasterUnitStr, "Detected destination world unit = Meter\n1 centimeter = 0.01 meter");
        options->SetImportMode(WyxPluginOptions::kExclusiveMerge);
    }  // saved when destroyed
    EXPECT_EQ(storedDword("kExportUnrollPrec"), 0x3E800000u);
    EXPECT_EQ(storedDword("kImportShowUI"), 0u);
    EXPECT_EQ(storedDword("kShowWarnings"), 1u);

    const auto loaded = load();
    EXPECT_FALSE(loaded->GetBoolOption(kImportShowUI));
    EXPECT_FALSE(loaded->GetBoolOption(kExportAnimation));
    EXPECT_TRUE(loaded->GetBoolOption(kExportCameras));
    EXPECT_EQ(loaded->GetOptionString(kExportUnrollPrec), "0.250000");
    EXPECT_EQ(loaded->GetOptionString(kExportSamplingRate), "29.969999");
    EXPECT_EQ(loaded->GetDoubleOption(kImportKeyReducePrec), 2.5);
    EXPECT_EQ(loaded->GetImportMode(), WyxPluginOptions::kExclusiveMerge);
    EXPECT_EQ(loaded->GetOptionString(kImportLoadMode), "kExclusiveMerge");
    // A unit text saved under another host unit is made again for the current one.
    EXPECT_EQ(loaded->GetMasterUnitString(true), kDefaults[kImportMasterUnitStr].value);
}

// One record the registry cannot keep fails the store, though the records after it could be
// kept: a text grown past the file size allowed, where the others keep the file's size.
TEST_F(OptionsTest, ARecordThatCannotBeStoredFailsTheStore) {
    const auto options = load();
    RString reason;
    ASSERT_TRUE(options->StoreRecords({}, reason));
    const std::string file = folder_.Join("registry.txt");
    const auto size = static_cast<rlim_t>(std::filesystem::file_size(file));
    options->SetOptionString(kImportMasterUnitStr, std::string(4096, 'u').c_str());
    {
        const FileSizeLimit limit(size + 1024);
        EXPECT_FALSE(options->StoreRecords({}, reason));
        EXPECT_TRUE(options->StoreRecords({kImportShowUI, kExportHardEdges}, reason));
        EXPECT_FALSE(options->StoreRecords({kImportShowUI, kImportMasterUnitStr, kExportHardEdges}, reason));
    }
    EXPECT_EQ(std::string(reason.Buffer()), "the settings registry " + file + ": " + std::strerror(EFBIG));
}

TEST_F(OptionsTest, TheStoredLoadModeNamesTheImportMode) {
    const struct {
        const char* stored;
        int mode;
    } cases[] = {{"kMerge", 1}, {"kCreate", 2}, {"kExclusiveMerge", 0}, {"kcreate", 1}, {"nonsense", 1}};
    for (const auto& c : cases) {
        store("kImportLoadMode", c.stored);
        EXPECT_EQ(load()->GetImportMode(), c.mode) << c.stored;
    }
}

TEST_F(OptionsTest, StoredValuesOfAnotherShapeLeaveTheDefault) {
    store("kImportShowUI", "false");  // a text where a 32-bit value belongs
    store("kExportShowUI", RString('x', 2048));
    store("kExportMasterUnitStr", RString('x', 2048));  // one byte more than the buffer holds
    store("kImportMasterUnitStr", RString('y', 2047));
    const auto options = load();
    EXPECT_TRUE(options->GetBoolOption(kImportShowUI));
    EXPECT_EQ(options->GetMasterUnitString(false), kDefaults[kExportMasterUnitStr].value);
    // Read, then made again for the host's unit since it is not this unit's text.
    EXPECT_EQ(options->GetMasterUnitString(true), kDefaults[kImportMasterUnitStr].value);
}

TEST_F(OptionsTest, StoredRatesAndScalesOutOfRangeLeaveTheDefault) {
    const float refused[] = {0.0f, -5.0f, NAN, INFINITY, 1e9f, 0.01f};
    for (const float value : refused) {
        storeFloat("kExportSamplingRate", value);
        storeFloat("kImportSamplingRate", value);
        storeFloat("kExportMasterScale", value == 0.01f ? 1e-9f : value);
        storeFloat("kImportMasterScale", value == 0.01f ? 1e9f : value);
        const auto options = load();
        EXPECT_EQ(options->GetSamplingRate(false), 30.0) << value;
        EXPECT_EQ(options->GetSamplingRate(true), 30.0) << value;
        EXPECT_EQ(options->GetMasterScale(false), 1.0) << value;
        EXPECT_EQ(options->GetMasterScale(true), 1.0) << value;
    }
    storeFloat("kImportSamplingRate", 1000.0f);
    storeFloat("kImportMasterScale", 2.5f);
    const auto options = load();
    EXPECT_EQ(options->GetSamplingRate(true), 1000.0);
    EXPECT_EQ(options->GetMasterScale(true), 2.5);
}

TEST_F(OptionsTest, SettersRefuseRatesAndScalesOutOfRange) {
    const auto options = load();
    for (const double rate : {0.0, -5.0, double(NAN), 0.05, 1000.5, 1e300}) EXPECT_FALSE(options->SetSamplingRate(rate, false)) << rate;
    for (const double scale : {0.0, -5.0, double(NAN), 1e-7, 2e6, -1e300}) EXPECT_FALSE(options->SetMasterScale(scale, true)) << scale;
    EXPECT_EQ(options->GetOptionString(kExportSamplingRate), "30.000000");
    EXPECT_EQ(options->GetOptionString(kImportMasterScale), "1.000000");
    EXPECT_TRUE(options->SetSamplingRate(0.1, false));
    EXPECT_TRUE(options->SetMasterScale(1e6, true));
    EXPECT_EQ(options->GetMasterScale(true), 1e6);
}

TEST_F(OptionsTest, ValuesAreReadAndWrittenAsTheirKindsSay) {
    const auto options = load();
    options->SetDoubleOption(kExportSamplingRate, 30);
    EXPECT_EQ(options->GetOptionString(kExportSamplingRate), "30.000000");
    options->SetOptionString(kExportShowUI, "True");
    EXPECT_FALSE(options->GetBoolOption(kExportShowUI));
    options->SetOptionString(kExportKeyReducePrec, "  +2.5abc");
    EXPECT_EQ(options->GetDoubleOption(kExportKeyReducePrec), 2.5);
    options->SetOptionString(kExportKeyReducePrec, "abc");
    EXPECT_EQ(options->GetDoubleOption(kExportKeyReducePrec), 0.0);
    options->SetBoolOption(60, true);  // no such record: nothing happens
    EXPECT_FALSE(options->GetBoolOption(60));
    CommaLocale comma;
    options->SetDoubleOption(kImportSamplingRate, 24.5);
    EXPECT_EQ(options->GetOptionString(kImportSamplingRate), "24.500000");
    EXPECT_EQ(options->GetDoubleOption(kImportSamplingRate), 24.5);
}

TEST_F(OptionsTest, ResetRestoresTheDefaultsAndImportsByMerging) {
    const auto options = load();
    options->SetImportMode(WyxPluginOptions::kCreate);
    options->SetBoolOption(kExportHardEdges, true);
    options->SetSamplingRate(12, true);
    options->Reset();
    EXPECT_EQ(options->GetImportMode(), WyxPluginOptions::kMerge);
    EXPECT_FALSE(options->GetBoolOption(kExportHardEdges));
    EXPECT_EQ(options->GetSamplingRate(true), 30.0);
    EXPECT_EQ(options->GetRecordCount(), 52);
}

// The options' own records, without the host's records and unit texts.
class BareOptions : public WyxPluginOptions {
public:
    void LoadUserParams() override {}
    void SaveUserParams() override {}
    int GetHostUnitIndex() const override { return 0; }
    double GetUnitScaleBase() const override { return 1.0; }
};

// Each reset sets its ranges back, their first and last records included, and nothing else.
TEST(OptionRangesTest, AResetSetsItsRangesBackFromFirstToLastRecord) {
    const BareOptions defaults;
    BareOptions options;
    ASSERT_EQ(options.GetRecordCount(), 43);
    const auto resetOnly = [&](void (BareOptions::*reset)(), const auto& inRange) {
        for (int i = 0; i < options.GetRecordCount(); ++i) options.SetOptionString(i, "edited");
        (options.*reset)();
        for (int i = 0; i < options.GetRecordCount(); ++i) {
            EXPECT_EQ(options.GetOptionString(i) == defaults.GetOptionString(i), inRange(i)) << i;
        }
    };
    resetOnly(&BareOptions::ResetExportOptions, [](int i) { return i >= kShowWarnings && i <= kExportUnrollPath; });
    resetOnly(&BareOptions::ResetImportOptions, [](int i) {
        return i == kShowWarnings || i == kAsciiWyx || (i >= kImportMasterScale && i <= kImportUnrollPath);
    });
}

TEST_F(OptionsTest, UnitTextsFollowTheHostUnit) {
    VDistance::setUIUnit(VDistance::kMeters);
    const auto options = load();
    EXPECT_EQ(options->GetMasterUnitString(false), "Detected source world unit = Meter\n1 meter = 100 centimeters");
    EXPECT_EQ(options->GetMasterUnitString(true), "Detected destination world unit = Meter\n1 centimeter = 0.01 meter");

    const struct {
        VDistance::Unit unit;
        int index;
    } units[] = {{VDistance::kInches, 1}, {VDistance::kFeet, 2},       {VDistance::kYards, 3},
                 {VDistance::kMiles, 4},  {VDistance::kMillimeters, 5}, {VDistance::kCentimeters, 6},
                 {VDistance::kMeters, 7}, {VDistance::kKilometers, 8}};
    for (const auto& u : units) {
        VDistance::setUIUnit(u.unit);
        EXPECT_EQ(options->GetHostUnitIndex(), u.index);
    }

    // A change between two dialog openings makes both texts again; no change, nothing.
    VDistance::setUIUnit(VDistance::kKilometers);
    options->SetOptionString(kExportMasterUnitStr, "edited");
    options->ResetImportOptions();
    EXPECT_EQ(options->GetMasterUnitString(false), UnitText(8, false));
    EXPECT_EQ(options->GetMasterUnitString(true), UnitText(8, true));
    options->SetOptionString(kExportMasterUnitStr, "edited");
    options->ResetExportOptions();
    EXPECT_EQ(options->GetMasterUnitString(false), "edited");
    EXPECT_EQ(UnitText(9, true), nullptr);
    EXPECT_STREQ(UnitText(0, false), "Detected source world unit = Unit\n1 unit = 1 centimeter");
}

TEST_F(OptionsTest, ImportModeNamesGoBothWays) {
    for (int mode = 0; mode < 3; ++mode) {
        EXPECT_EQ(WyxPluginOptions::ImportModeFromName(WyxPluginOptions::ImportModeName(mode)), mode);
    }
    EXPECT_EQ(WyxPluginOptions::ImportModeName(3), "");
    EXPECT_EQ(WyxPluginOptions::ImportModeName(-1), "");
}

// The store under the options.
TEST_F(OptionsTest, TheStoreKeepsItsKeysAndValuesWhereTheLayoutSays) {
    UserParamStore store;
    ASSERT_TRUE(store.Open(PluginRegistryKey(), "Vexa50"));
    EXPECT_EQ(store.KeyPath(), "SOFTWARE\\Pellix\\WYX_Plugins_6.0\\Vexa50");
    EXPECT_EQ(store.SectionPath("UserParams"), "SOFTWARE\\Pellix\\WYX_Plugins_6.0\\Vexa50\\UserParams");
    EXPECT_EQ(store.GetDword("UserParams", "kShowWarnings", 7u), 7u);  // no section yet
    EXPECT_TRUE(store.SetFloat("UserParams", "rate", 0.25f));
    EXPECT_EQ(store.GetDword("UserParams", "rate", 0u), 0x3E800000u);
    EXPECT_EQ(store.GetFloat("UserParams", "rate", 1.0f), 0.25f);
    EXPECT_TRUE(store.SetString("UserParams", "text", "a \"quoted\"\\ text"));
    RString text;
    EXPECT_EQ(store.GetString("UserParams", "text", "default", text), "a \"quoted\"\\ text");
    EXPECT_EQ(store.GetDword("UserParams", "text", 9u), 9u);
    EXPECT_EQ(store.GetString("UserParams", "rate", "default", text), "default");
    EXPECT_TRUE(store.Close());
    EXPECT_EQ(ScratchFolder::ReadFile(folder_.Join("registry.txt")).find("[SOFTWARE\\\\Pellix\\\\WYX_Plugins_6.0\\\\Vexa50\\\\UserParams]") !=
                  std::string::npos,
              true);
}

// Where the store finds no file, its reason names each variable that could place one and how it
// stands; a registry path that names no regular file is said to be so.
TEST_F(OptionsTest, TheStoreSaysWhyItHasNoRegistryFile) {
    struct Case {
        const char* registry;  // null: not set
        const char* config;
        const char* home;
        std::string reason;
    };
    const std::string noPlace = "no place for the settings registry: WYX_REGISTRY_FILE";
    const std::string settings = "the settings registry ";
    const Case cases[] = {
        {nullptr, nullptr, nullptr, noPlace + ", XDG_CONFIG_HOME and HOME are not set"},
        {nullptr, nullptr, "home", noPlace + " and XDG_CONFIG_HOME are not set and HOME is relative (\"home\")"},
        {"", "config", "", noPlace + " and HOME are empty and XDG_CONFIG_HOME is relative (\"config\")"},
        {"/dev/full", nullptr, nullptr, settings + "/dev/full is not a regular file"},
        {folder_.Path().c_str(), nullptr, nullptr, settings + folder_.Path() + " is not a regular file"},
    };
    for (const Case& each : cases) {
        const ScopedEnvironment registry("WYX_REGISTRY_FILE", each.registry);
        const ScopedEnvironment config("XDG_CONFIG_HOME", each.config);
        const ScopedEnvironment home("HOME", each.home);
        UserParamStore store;
        EXPECT_FALSE(store.Open(PluginRegistryKey(), "Vexa50")) << each.reason;
        EXPECT_EQ(std::string(store.GetFailureReason().Buffer()), each.reason);
    }
}

}  // namespace
