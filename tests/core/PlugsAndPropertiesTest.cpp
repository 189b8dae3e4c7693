#include "core/FilePaths.h"
#include "core/RClassIdFilter.h"
#include "core/RClassRegistry.h"
#include "core/RDataType.h"
#include "core/RIniFile.h"
#include "core/RPlug.h"
#include "core/RProperty.h"
#include "core/RPropertyInfo.h"
#include "core/RPropertyNameIndex.h"
#include "core/RTypedProperty.h"
#include "core/RWyxPropertyHandler.h"
#include "core/RWyxSceneObject.h"
#include "core/RWyxStringList.h"
#include "tests/support/CommaLocale.h"
#include "tests/support/OwnedPlug.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

TEST(RClassRegistry, FixedIdsCountedIdsInTableOrderAndParentsRegisteredLater) {
    using Index = RClassTableIndex;
    std::vector<int> ids;
    for (Index index : {Index::RObject, Index::RPlug, Index::RWyxNodeProperties, Index::RWyxControlSetPlugProperties,
                        Index::RPlugList, Index::RGenericObjectList, Index::RClassIdFilter, Index::RLTObject}) {
        ids.push_back(ClassInfoAt(index).classId);
    }
    // The fixed classes take no counter value.
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 13, 14, 16, 33, 37}));
    EXPECT_EQ(RPlug::ClassId(), 2);
    EXPECT_EQ(RClassIdFilter::ClassId(), 33);
    EXPECT_EQ(FindClassId("robject"), 1);
    EXPECT_EQ(FindClassId("RStreamOptionsWyx"), 11);
    EXPECT_EQ(FindClassId("NoSuchClass"), kNoClassId);
    ASSERT_NE(FindClassInfo(kNoClassId), nullptr);
    EXPECT_STREQ(FindClassInfo(kNoClassId)->name, "None");
    EXPECT_EQ(FindClassInfo(999), nullptr);
    // REntity is registered before its parent RObjectSet, which comes before RLTObject.
    const RClassInfo& entity = ClassInfoAt(Index::REntity);
    ASSERT_NE(entity.parent, nullptr);
    EXPECT_STREQ(entity.parent->name, "RObjectSet");
    EXPECT_STREQ(entity.parent->parent->name, "RLTObject");
    EXPECT_EQ(entity.parent->parent->parent->classId, kObjectClassId);
    EXPECT_EQ(entity.parent->parent->parent->parent->classId, kPlugClassId);
    auto filter = Make<RClassIdFilter>(7);
    EXPECT_EQ((std::vector<bool>{filter->Is(RClassIdFilter::ClassId()), filter->Is(RPlugFilter::ClassId()),
                                 filter->Is(RPlug::ClassId()), filter->Is(kObjectClassId)}),
              (std::vector<bool>{true, true, true, false}));
    EXPECT_STREQ(filter->GetClassName(), "RClassIdFilter");
}

TEST(RClassRegistry, FiltersAcceptByClassAndCompareByClassId) {
    const RClassIdFilter* none = GetClassIdFilter(kNoClassId);
    const RClassIdFilter* filterClass = GetClassIdFilter(RPlugFilter::ClassId());
    ASSERT_TRUE(none != nullptr && filterClass != nullptr);
    EXPECT_EQ(GetClassIdFilter(5000), nullptr);
    auto plug = Make<RPlug>();
    auto sameId = Make<RClassIdFilter>(RPlugFilter::ClassId());
    auto bareFilter = Make<RPlugFilter>();
    EXPECT_EQ((std::vector<bool>{none->Accept(plug.get()), none->Accept(nullptr), filterClass->Accept(plug.get()),
                                 filterClass->Accept(nullptr), filterClass->Accept(filterClass),
                                 filterClass->IsEqual(sameId.get()), filterClass->IsEqual(none),
                                 filterClass->IsEqual(bareFilter.get()), bareFilter->Accept(plug.get())}),
              (std::vector<bool>{true, true, false, false, true, true, false, false, false}));
}

TEST(RClassRegistry, PlugsStillWorkAfterTheLastSdkStop) {
    ASSERT_TRUE(SdkInitialize());
    const int users = GetSdkUserCount();
    for (int i = 0; i < users; ++i) SdkTerminate();
    EXPECT_EQ(GetSdkUserCount(), 0);
    EXPECT_FALSE(IsClassRegistryActive());
    EXPECT_EQ(GetClassIdFilter(kNoClassId), nullptr);
    SdkTerminate();  // one stop too many changes nothing
    EXPECT_EQ(GetSdkUserCount(), 0);
    {
        auto src = Make<RPlug>();
        auto dst = Make<RPlug>();
        EXPECT_TRUE(dst->ConnectSource(src.get()));
        EXPECT_EQ(dst->GetFilteredSubPlug(nullptr), dst.get());
        EXPECT_EQ(RPlug::ClassId(), kPlugClassId);
    }
    // Starting again restores the registry with the same ids.
    for (int i = 0; i < users; ++i) SdkInitialize();
    EXPECT_TRUE(IsClassRegistryActive());
    ASSERT_NE(GetClassIdFilter(kNoClassId), nullptr);
    EXPECT_EQ(FindClassId("RClassIdFilter"), 33);
    SdkTerminate();
}

namespace {

// A plug that records the events it receives, can veto one event code and can act on an event.
class RecordingPlug : public RPlug {
public:
    struct Seen {
        int code;
        const RPlug* other;
        int index;
        const RPlug* sender;
    };
    bool SendEvent(const RPlugEventPath* path, const RPlugEvent& event) override {
        seen.push_back({event.code, event.other, event.index, event.sender});
        if (onEvent) onEvent(event);
        if (event.code == vetoCode) return false;
        return RPlug::SendEvent(path, event);
    }
    std::vector<int> Codes() const {
        std::vector<int> codes;
        for (const Seen& s : seen) codes.push_back(s.code);
        return codes;
    }
    std::vector<Seen> seen;
    int vetoCode = -100;
    std::function<void(const RPlugEvent&)> onEvent;
};

using Codes = std::vector<int>;
using Plugs = std::vector<const RPlug*>;

// The sources of a plug, in order.
Plugs Sources(const RPlug& plug) {
    Plugs sources;
    for (int i = 0; i < plug.GetSourceCount(); ++i) sources.push_back(plug.GetSource(i));
    return sources;
}

const char* const kNames[RDataType::kTypeCount] = {
    "Number", "Time", "Vector", "Vector4", "Matrix", "Real", "Integer", "Action", "Intensity", "Cone angle",
    "Fog", "Shape", "FieldOfView", "Roll", "Camera Index", "TimeWarp", "Visibility", "Bool", "Enum", "Color",
    "ColorAndAlpha", "Translation UV", "Scaling UV", "HSB", "Translation", "Scaling", "Rotation",
    "Lcl Translation", "Lcl Scaling", "Lcl Rotation", "Matrix Translation", "Matrix Scaling",
    "Matrix Rotation", "Matrix Transformation", "Orientation", "Look at", "Quaternion", "Lcl Quaternion",
    "Occlusion", "Weight", "IK Reach Translation", "IK Reach Rotation"};
// Table index of each type's base type.
const char kBases[] = "01234" "00000000000000" "23222222222" "4444" "2233" "0000";

const RDataType* const kBaseTypes[] = {&RDataType::Number(), &RDataType::Time(), &RDataType::Vector(),
                                       &RDataType::Vector4(), &RDataType::Matrix()};

// Points the settings folder at a scratch folder and makes every test read the decimals anew.
class DataTypeTest : public ::testing::Test {
protected:
    DataTypeTest() : previous_(GetTempPath()) {
        SetTempPath(scratch_.Path().c_str());
        RDataType::ForgetDecimals();
    }
    ~DataTypeTest() override {
        SetTempPath(previous_.c_str());
        RDataType::ForgetDecimals();
    }
    // Writes the per-machine settings file; with forget, the next conversion reads it.
    void WriteSettings(const std::string& decimal, bool forget = true) {
        const std::string path = RIniFile("@Application.txt", false).GetPath().Buffer();
        scratch_.WriteFile(path.substr(path.find_last_of('/') + 1),
                           "[NumericField]\nDecimals = 9\nDecimal = " + decimal + "\n");
        if (forget) {
            RDataType::ForgetDecimals();
        }
    }
    static std::string Text(const RDataType& type, const RDataValue& value, std::size_t size = 1024) {
        std::string buffer(size, 'X');
        EXPECT_TRUE(type.ToText(buffer.data(), size, value));
        return buffer.c_str();
    }
    ScratchFolder scratch_;
    std::string previous_;
};

TEST_F(DataTypeTest, TableOrderBasesLookupComponentNamesAndABareTypeWhileItLives) {
    ASSERT_EQ(sizeof(kBases) - 1, static_cast<std::size_t>(RDataType::kTypeCount));
    for (int index = 0; index < RDataType::kTypeCount; ++index) {
        const RDataType* type = RDataType::At(index);
        const RDataType* base = RDataType::At(kBases[index] - '0');
        EXPECT_STREQ(type->GetName(), kNames[index]);
        EXPECT_EQ(type->GetBaseType(), base) << kNames[index];
        EXPECT_EQ(type->GetSize(), base->GetSize());
        EXPECT_EQ(type->GetComponentCount(), base->GetComponentCount());
        EXPECT_EQ(RDataType::FindByName(kNames[index]), type);
    }
    const int sizes[] = {8, 8, 24, 32, 128};
    const int counts[] = {1, 0, 3, 4, 16};
    for (int base = 0; base < 5; ++base) {
        EXPECT_EQ(kBaseTypes[base], RDataType::At(base));
        EXPECT_EQ(std::make_pair(kBaseTypes[base]->GetSize(), kBaseTypes[base]->GetComponentCount()),
                  std::make_pair(sizes[base], counts[base]));
    }
    const std::pair<const RDataType*, int> named[] = {{&RDataType::Integer(), 6}, {&RDataType::Action(), 7},
                                                      {&RDataType::Bool(), 17},   {&RDataType::Enum(), 18},
                                                      {&RDataType::Color(), 19},  {&RDataType::ColorAndAlpha(), 20}};
    for (const auto& [type, index] : named) EXPECT_EQ(type, RDataType::At(index));
    using Types = std::vector<const RDataType*>;
    EXPECT_EQ((Types{RDataType::FindByName("number"), RDataType::FindByName("LCL TRANSLATION"),
                     RDataType::FindByName("Trigger"), RDataType::FindByName("trigger"), RDataType::FindByName("Lcl"),
                     RDataType::FindByName(nullptr), RDataType::At(-1), RDataType::At(RDataType::kTypeCount)}),
              (Types{&RDataType::Number(), RDataType::At(27), &RDataType::Action(), nullptr, nullptr, nullptr, nullptr,
                     nullptr}));
    const std::pair<const char*, const char*> expected[] = {
        {"Vector", "xyz??"},   {"Vector4", "xyzw?"},        {"Lcl Translation", "xyz??"},
        {"Quaternion", "xyzw?"}, {"Color", "rgb??"},        {"ColorAndAlpha", "rgba?"},
        {"Translation UV", "UV???"}, {"Scaling UV", "UV???"}, {"HSB", "HSB??"},
        {"Time", "?????"},     {"Number", "-----"},         {"Bool", "-----"},
        {"Matrix Rotation", "-----"}};
    for (const auto& [typeName, names] : expected) {
        std::string joined;
        for (int index = 0; index < 5; ++index) {
            const char* name = RDataType::FindByName(typeName)->GetComponentName(index);
            joined += name != nullptr ? name : "-";
        }
        EXPECT_EQ(joined, names) << typeName;
    }
    EXPECT_STREQ(RDataType::Vector().GetComponentName(-1), "?");
    {
        const RDataType trigger("trigger");
        EXPECT_EQ(RDataType::FindByName("trigger"), &trigger);
        EXPECT_EQ(RDataType::FindByName("Trigger"), &RDataType::Action());
        EXPECT_EQ(trigger.GetBaseType(), &trigger);
        RDataValue value(5.0);
        char buffer[8] = "keep";
        EXPECT_EQ((std::vector<bool>{trigger.SetDefault(value), trigger.FromText("1", value),
                                     trigger.ToText(buffer, sizeof(buffer), value)}),
                  (std::vector<bool>{false, false, false}));
        EXPECT_EQ(std::string(buffer) + " " + std::to_string(value.GetNumber()), "keep 5.000000");
        EXPECT_EQ(trigger.GetComponentName(0), nullptr);
    }
    EXPECT_EQ(RDataType::FindByName("trigger"), nullptr);
    EXPECT_EQ(RDataType::FindByName("Number"), &RDataType::Number());
}

// Lookups of texts that need not end in a zero, and of a table name while a type made by name
// shares it or other types made by name live.
TEST_F(DataTypeTest, LookupOfViewsAndOfATableNameAnotherTypeShares) {
    using Types = std::vector<const RDataType*>;
    const std::string_view file = "Lcl ScalingVisibility";
    using View = std::string_view;
    EXPECT_EQ((Types{RDataType::FindByName(file.substr(0, 11)), RDataType::FindByName(file.substr(11)),
                     RDataType::FindByName(View("lcl scaling")), RDataType::FindByName(View("Trigger")),
                     RDataType::FindByName(View("Trigger\0Time", 12)), RDataType::FindByName(View()),
                     RDataType::FindByName(View("Lcl"))}),
              (Types{RDataType::At(28), RDataType::At(16), RDataType::At(28), &RDataType::Action(),
                     &RDataType::Action(), nullptr, nullptr}));
    for (int index = 0; index < RDataType::kTypeCount; ++index) {
        // Registered after the table, the shadow loses to the table's type, spelt either way.
        const RDataType shadow(kNames[index]);
        const std::string text = std::string(kNames[index]) + "!";
        const View view = View(text).substr(0, text.size() - 1);
        EXPECT_EQ((Types{RDataType::FindByName(kNames[index]), RDataType::FindByName(view)}),
                  (Types{RDataType::At(index), RDataType::At(index)}));
    }
    {
        const RDataType other("Voltage");
        EXPECT_EQ((Types{RDataType::FindByName("voltage"), RDataType::FindByName(View("VOLTAGE")),
                         RDataType::FindByName("Visibility")}),
                  (Types{&other, &other, RDataType::At(16)}));
    }
    EXPECT_EQ(RDataType::FindByName("Visibility"), RDataType::At(16));
    EXPECT_EQ(RDataType::FindByName(std::string_view("Visibility")), RDataType::At(16));
}

TEST_F(DataTypeTest, TextRoundTripsOfEveryBaseType) {
    RTime time;
    ASSERT_TRUE(time.SetFromTimecode(0, 0, 2, 15, 0, DefaultTimeMode()));
    RMatrix matrix;
    matrix[3][0] = 10.125;
    matrix[1][2] = -0.5;
    const RDataValue values[] = {RDataValue(-1.25), RDataValue(time), RDataValue(RVector3(1.5, -2.0, 3.25)),
                                 RDataValue(RVector4(0.25, 0.5, 0.75, 1.0)), RDataValue(matrix)};
    const std::string texts[] = {
        "-1.25", time.FormatTime(5, 0, kTimeFormatDefault).Buffer(), "{1.50,-2.00,3.25}",
        "{0.25,0.50,0.75,1.00}",
        "{1.000000,0.000000,0.000000,0.000000,0.000000,1.000000,-0.500000,0.000000,"
        "0.000000,0.000000,1.000000,0.000000,10.125000,0.000000,0.000000,1.000000}"};
    for (int base = 0; base < 5; ++base) {
        const RDataType& type = *kBaseTypes[base];
        EXPECT_EQ(Text(type, values[base]), texts[base]);
        RDataValue read;
        ASSERT_TRUE(type.FromText(texts[base].c_str(), read)) << type.GetName();
        EXPECT_EQ(read.GetTime(), values[base].GetTime());
        for (int index = 0; index < RDataValue::kMaxComponents; ++index) {
            EXPECT_EQ(read.GetComponent(index), values[base].GetComponent(index)) << type.GetName();
        }
        EXPECT_FALSE(type.FromText(nullptr, read));
        EXPECT_TRUE(type.SetDefault(read));
        EXPECT_EQ(read.GetTime(), RTime());
        EXPECT_EQ(read.GetComponent(type.GetComponentCount() - 1), 0.0);
    }
    // A text that is no time is refused and leaves the value alone.
    RDataValue value(time);
    EXPECT_FALSE(RDataType::Time().FromText("soon", value));
    EXPECT_EQ(value.GetTime(), time);
}

TEST_F(DataTypeTest, NumbersReadAnyTextAsAtofDoesButBraceFormsNeedExactlyTheirComponents) {
    RDataValue value(7.0);
    const RDataType* const real = RDataType::FindByName("Real");
    for (const auto& [type, text, number] : {std::tuple(&RDataType::Number(), "abc", 0.0),
                                             std::tuple(real, "  +2.5kg", 2.5),
                                             std::tuple(&RDataType::Number(), "1e400", HUGE_VAL)}) {
        EXPECT_TRUE(type->FromText(text, value));
        EXPECT_EQ(value.GetNumber(), number) << text;
    }
    value = RDataValue(RVector3(9.0, 9.0, 9.0));
    for (const char* text : {"{1,2}", "{1,2", "{1,2,", "{1;2;3}", "1,2,3}", "{1,2,3", "{1,,3}", "{1 ,2,3}",
                             "{1,2,3,4}", "{", ""}) {
        EXPECT_FALSE(RDataType::Vector().FromText(text, value)) << text;
    }
    EXPECT_EQ(value.GetVector().x, 9.0);  // a refused text changes nothing
    EXPECT_TRUE(RDataType::Vector().FromText("{ 1, 2.5,-3}tail", value));
    EXPECT_EQ(std::make_pair(value.GetVector().y, value.GetVector().z), std::make_pair(2.5, -3.0));
    EXPECT_FALSE(RDataType::Vector4().FromText("{1,2,3}", value));
    EXPECT_TRUE(RDataType::FindByName("Quaternion")->FromText("{1,2,3,4}", value));
    EXPECT_EQ(value.GetVector4().w, 4.0);
    EXPECT_FALSE(RDataType::Matrix().FromText("{1,2,3,4,5,6,7,8,9,10,11,12,13,14,15}", value));
    EXPECT_TRUE(RDataType::Matrix().FromText("{1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16}", value));
    EXPECT_EQ(value.GetMatrix()[3][3], 16.0);
}

TEST_F(DataTypeTest, DecimalsComeFromTheSettingsFileClamped) {
    const RDataValue third(1.0 / 3.0);
    EXPECT_EQ(Text(RDataType::Number(), third), "0.33");
    WriteSettings("4");
    EXPECT_EQ(Text(RDataType::Number(), third), "0.3333");
    EXPECT_EQ(Text(RDataType::Color(), RDataValue(RVector3(0.5, 1.0, 0.0))), "{0.5000,1.0000,0.0000}");
    WriteSettings("1", false);  // read once: the change counts only after forgetting
    EXPECT_EQ(Text(RDataType::Number(), third), "0.3333");
    WriteSettings("-3");
    EXPECT_EQ(Text(RDataType::Number(), RDataValue(2.75)), "3");
    WriteSettings("99");
    EXPECT_EQ(Text(RDataType::Number(), third), "0.333333333333333");
    const std::pair<const char*, int> settings[] = {
        {"123456789012345678901234567890", 15}, {"many", 2}, {" +3.9", 3}, {"0", 0}, {"-", 2}};
    for (const auto& [text, decimals] : settings) {
        WriteSettings(text);
        EXPECT_EQ(RDataType::Decimals(), decimals) << text;
    }
    // The widest number at the most decimals is written whole.
    WriteSettings("15");
    const std::string widest = Text(RDataType::Number(), RDataValue(-1.7976931348623157e308), 400);
    EXPECT_EQ(widest.size(), 1u + 309u + 1u + 15u);
}

TEST_F(DataTypeTest, ToTextKeepsWithinTheBuffer) {
    RTime time;
    ASSERT_TRUE(time.SetFromTimecode(0, 0, 0, 123456, 0, DefaultTimeMode()));
    const RDataValue values[] = {RDataValue(1234.5), RDataValue(time), RDataValue(RVector3(1, 2, 3)),
                                 RDataValue(RVector4(1, 2, 3, 4)), RDataValue(RMatrix())};
    for (int base = 0; base < 5; ++base) {
        const RDataType& type = *kBaseTypes[base];
        const std::string full = Text(type, values[base]);
        char buffer[8] = "XXXXXXX";
        EXPECT_TRUE(type.ToText(buffer, 1, values[base]));
        EXPECT_EQ(std::string(buffer, 2), std::string("\0X", 2)) << type.GetName();
        EXPECT_TRUE(type.ToText(buffer, 4, values[base]));
        EXPECT_EQ(std::string(buffer, 5), full.substr(0, 3) + std::string("\0X", 2)) << type.GetName();
        EXPECT_FALSE(type.ToText(buffer, 0, values[base]) || type.ToText(nullptr, 8, values[base]));
    }
}

TEST_F(DataTypeTest, TextIgnoresTheProcessLocale) {
    RDataValue value;
    bool read = false;
    std::string text;
    {
        const CommaLocale commaLocale;
        ASSERT_TRUE(commaLocale.IsActive()) << "a locale with a decimal comma is needed";
        read = RDataType::Number().FromText("2.5", value);
        text = Text(RDataType::Vector(), RDataValue(RVector3(0.5, 1, 2)));
    }
    EXPECT_TRUE(read);
    EXPECT_EQ(value.GetNumber(), 2.5);
    EXPECT_EQ(text, "{0.50,1.00,2.00}");
}

const char* NameOfOne(const RProperty&, int) { return "one"; }

std::set<const RProperty*> Named(const RPropertyNameIndex& index, const std::string& name) {
    std::set<const RProperty*> found;
    index.ForEachNamed(name.c_str(), [&](RProperty* property) { found.insert(property); });
    return found;
}

// A handler that records the user properties it is told about.
class RecordingHandler : public RWyxPropertyHandler {
public:
    void OnUserPropertyChanged(RWyxUserProperty& userProperty) override { told.push_back(&userProperty); }
    std::vector<const RWyxUserProperty*> told;
};

std::unique_ptr<RWyxUserProperty> MakeWrapped(RWyxPropertyHandler& handler, const char* name, const char* type) {
    auto userProperty = std::make_unique<RWyxUserProperty>(nullptr, name, type, "");
    EXPECT_TRUE(handler.CreateUserProperty(userProperty.get()));
    return userProperty;
}

// A scene object that records the user properties it is told of and, with a handler, makes their properties.
class TestSceneObject : public RWyxSceneObject {
public:
    TestSceneObject(int typeId, const char* name, RWyxPropertyHandler* handler = nullptr)
        : RWyxSceneObject(nullptr, name), typeId_(typeId), handler_(handler) {}
    int GetTypeId() const override { return typeId_; }
    void OnUserPropertyAdded(RWyxUserProperty& userProperty) override {
        added.push_back(&userProperty);
        if (handler_ != nullptr) handler_->CreateUserProperty(&userProperty);
    }
    std::vector<const RWyxUserProperty*> added;
private:
    int typeId_;
    RWyxPropertyHandler* handler_;
};

std::unique_ptr<RWyxUserProperty> Record(const char* name) {
    return std::make_unique<RWyxUserProperty>(nullptr, name, "Real", "");
}

}  // namespace

TEST(RPlugRef, ResolvesOnlyWhileThePlugLivesAndEveryPlugHasItsOwnCell) {
    RPlug* plug = CreatePlugObject<RPlug>(nullptr);
    const RPlugRef ref(plug);
    EXPECT_EQ(ref.Get(), plug);
    const RPlugHandleCell* cell = plug->GetHandleCell();
    plug->Destroy();
    EXPECT_FALSE(ref.IsValid());
    // The freed cell goes to the head of the free list: the next plug takes it, with a new
    // serial, and the old reference still resolves to nothing.
    Owned<RPlug> reuse = Make<RPlug>();
    EXPECT_EQ(reuse->GetHandleCell(), cell);
    EXPECT_TRUE(ref.Get() == nullptr && RPlugRef(nullptr).Get() == nullptr && !RPlugRef().IsValid());
    EXPECT_FALSE(ref.IsEqual(reuse->GetRef()));
    EXPECT_TRUE(reuse->GetRef().IsEqual(RPlugRef(reuse.get())));
    std::vector<Owned<RPlug>> plugs;
    for (int i = 0; i < 2 * RPlugHandleTable::kCellsPerBlock + 1; ++i) plugs.push_back(Make<RPlug>());
    EXPECT_GE(GetHandleTable().GetBlockCount(), 3);
    std::vector<const RPlugHandleCell*> cells;
    for (const Owned<RPlug>& each : plugs) {
        EXPECT_EQ(RPlugRef(each.get()).Get(), each.get());
        cells.push_back(each->GetHandleCell());
    }
    std::sort(cells.begin(), cells.end());
    EXPECT_EQ(std::unique(cells.begin(), cells.end()), cells.end());
}

TEST(RPlugConnect, SendsTheEventsInOrderRecordsBothSidesAndKeepsTheRequestedOrder) {
    auto src = Make<RecordingPlug>();
    auto dst = Make<RecordingPlug>();
    ASSERT_TRUE(RPlug::Connect(src.get(), nullptr, dst.get(), nullptr, 0));
    EXPECT_EQ(dst->Codes(), (Codes{0, 2, 4}));
    EXPECT_EQ(src->Codes(), (Codes{1, 3, 5}));
    EXPECT_EQ(dst->seen[0].other, src.get());
    EXPECT_EQ(dst->seen[2].index, 0);
    EXPECT_EQ(src->GetDestination(0), dst.get());
    EXPECT_EQ(Sources(*dst), (Plugs{src.get()}));
    auto a = Make<RPlug>();
    auto b = Make<RPlug>();
    ASSERT_TRUE(dst->ConnectSource(a.get()));
    ASSERT_TRUE(dst->ConnectSourceAt(0, b.get()));
    EXPECT_EQ(Sources(*dst), (Plugs{b.get(), src.get(), a.get()}));
    EXPECT_EQ(dst->IndexOfSource(a.get()), 2);
    EXPECT_EQ(dst->GetSource(3), nullptr);
    src->seen.clear();
    dst->seen.clear();
    ASSERT_TRUE(dst->DisconnectSource(src.get()));
    EXPECT_EQ(dst->Codes(), (Codes{6, 8}));
    EXPECT_EQ(dst->seen[0].index, 1);
    EXPECT_EQ(src->Codes(), (Codes{7, 9}));
    EXPECT_EQ(src->GetDestinationCount(), 0);
    EXPECT_EQ(Sources(*dst), (Plugs{b.get(), a.get()}));
    EXPECT_FALSE(dst->DisconnectSource(src.get()));
}

TEST(RPlugConnect, RefusesSelfNullAndVetoedConnectionsAndOneWayDestinationsAreRecordedOnlyOnTheirSide) {
    auto a = Make<RecordingPlug>();
    auto b = Make<RecordingPlug>();
    EXPECT_FALSE(a->ConnectSource(a.get()));
    EXPECT_FALSE(a->ConnectSource(nullptr));
    b->vetoCode = kPlugEventMayTakeSource;
    EXPECT_FALSE(b->ConnectSource(a.get()));
    EXPECT_EQ(b->Codes(), (Codes{0}));
    EXPECT_TRUE(a->seen.empty());
    EXPECT_EQ(b->GetSourceCount(), 0);
    b->vetoCode = -100;  // a plug that takes no destinations refuses too
    a->SetState(RPlug::kTakesDestinations, false);
    EXPECT_FALSE(b->ConnectSource(a.get()));
    EXPECT_EQ(a->GetDestinationCount(), 0);
    auto src = Make<RecordingPlug>();
    auto dst = Make<RecordingPlug>();
    dst->SetState(RPlug::kOneWayDestination, true);
    ASSERT_TRUE(dst->ConnectSource(src.get()));
    EXPECT_EQ(dst->GetSourceCount(), 1);
    EXPECT_EQ(src->GetDestinationCount(), 0);
    EXPECT_TRUE(src->seen.empty());
    EXPECT_EQ(dst->GetSourceConnection(0)->flags & RPlug::kOneWay, RPlug::kOneWay);
    // The source does not know of the connection, so its end leaves a stale entry, which
    // resolves to nothing and is skipped by a full disconnection.
    src.reset();
    EXPECT_EQ(dst->GetSource(0), nullptr);
    dst->DisconnectAllSources();
    EXPECT_EQ(dst->GetSourceCount(), 1);
}

TEST(RPlugDestroy, DestroyingAPlugDisconnectsItAndIsDeferredInsideItsEvents) {
    auto dst = Make<RecordingPlug>();
    RecordingPlug* src = CreatePlugObject<RecordingPlug>(nullptr);
    RPlug* plain = CreatePlugObject<RPlug>(nullptr);
    const RPlugRef srcRef(src);
    ASSERT_TRUE(dst->ConnectSource(src));
    ASSERT_TRUE(dst->ConnectSource(plain));
    plain->Destroy();
    EXPECT_EQ(dst->GetSourceCount(), 1);
    bool aliveAtRemoved = false;
    src->onEvent = [&](const RPlugEvent& event) {
        if (event.code == kPlugEventDestinationRemoving) src->Destroy();
        if (event.code == kPlugEventDestinationRemoved) aliveAtRemoved = srcRef.IsValid();
    };
    ASSERT_TRUE(dst->DisconnectSource(src));
    EXPECT_TRUE(aliveAtRemoved);
    EXPECT_FALSE(srcRef.IsValid());
    // Every disconnection event of a dying plug asks for its destruction again: once only.
    src = CreatePlugObject<RecordingPlug>(nullptr);
    ASSERT_TRUE(dst->ConnectSource(src));
    int calls = 0;
    src->onEvent = [&](const RPlugEvent&) {
        ++calls;
        src->Destroy();
    };
    src->Destroy();
    EXPECT_GT(calls, 0);
    EXPECT_EQ(dst->GetSourceCount(), 0);
}

TEST(RPlugOwnership, RegisteredChildMirrorsTheAcceptedConnectionsInOrder) {
    auto owner = Make<RPlug>();
    auto plain = Make<RPlug>();
    auto first = Make<RPlugFilter>();  // plugs of another class, for class filters to tell apart
    auto second = Make<RPlugFilter>();
    ASSERT_TRUE(owner->ConnectSource(first.get()));
    ASSERT_TRUE(owner->ConnectSource(plain.get()));
    const RClassIdFilter* filter = GetClassIdFilter(RPlugFilter::ClassId());
    ASSERT_NE(filter, nullptr);
    RPlug* child = owner->GetFilteredSubPlug(filter);
    ASSERT_NE(child, owner.get());
    EXPECT_EQ(owner->GetFilteredSubPlug(filter), child);   // found again, not made twice
    EXPECT_EQ(Sources(*child), (Plugs{first.get()}));      // copied on registration
    // A new accepted source goes to the mirror at the place that keeps the owner's order.
    ASSERT_TRUE(owner->ConnectSourceAt(0, second.get()));
    EXPECT_EQ(Sources(*child), (Plugs{second.get(), first.get()}));
    ASSERT_TRUE(owner->DisconnectSource(first.get()));
    EXPECT_EQ(Sources(*child), (Plugs{second.get()}));
    // Connecting through the child connects its owner.
    auto third = Make<RPlugFilter>();
    ASSERT_TRUE(child->ConnectSource(third.get()));
    EXPECT_EQ((std::vector<bool>{owner->HasSourceConnection(third.get()), child->HasSourceConnection(third.get()),
                                 child->HasSourceConnection(plain.get())}),
              (std::vector<bool>{true, true, false}));
    // The owned child dies with its owner.
    const RPlugRef childRef(child);
    owner.reset();
    EXPECT_FALSE(childRef.IsValid());
    EXPECT_EQ(third->GetDestinationCount(), 0);
    auto plug = Make<RPlug>();  // accept-all filters answer the plug itself
    for (const RPlugFilter* all : {static_cast<const RPlugFilter*>(GetClassIdFilter(kNoClassId)),
                                   static_cast<const RPlugFilter*>(GetClassIdFilter(RPlug::ClassId())),
                                   static_cast<const RPlugFilter*>(nullptr)}) {
        EXPECT_EQ(plug->GetFilteredSubPlug(all), plug.get());
    }
    EXPECT_EQ(plug->GetChildCount(), 0);
}

// A registered child is told of each change to its mirror with the place the entry takes in
// the child's list (or leaves there), not in its owner's.
TEST(RPlugOwnership, ARegisteredChildIsToldItsOwnPlacesOfEntriesMadeAndRemoved) {
    auto owner = Make<RPlug>();
    auto child = Make<RecordingPlug>();
    ASSERT_TRUE(owner->AddChild(child.get()));
    child->SetFilter(GetClassIdFilter(RPlugFilter::ClassId()), true);
    auto plain = Make<RPlug>();
    auto first = Make<RPlugFilter>();
    auto second = Make<RPlugFilter>();
    ASSERT_TRUE(owner->ConnectSource(plain.get()));
    ASSERT_TRUE(owner->ConnectSource(first.get()));
    child->seen.clear();
    ASSERT_TRUE(owner->ConnectSource(second.get()));  // third in the owner, second in the child
    ASSERT_TRUE(owner->DisconnectSource(first.get()));  // second in the owner, first in the child
    using Event = std::tuple<int, const RPlug*, int>;
    std::vector<Event> childEvents;
    for (const RecordingPlug::Seen& seen : child->seen) {
        if (seen.sender == child.get()) childEvents.emplace_back(seen.code, seen.other, seen.index);
    }
    EXPECT_EQ(childEvents, (std::vector<Event>{{kPlugEventSourceAdding, second.get(), 1},
                                               {kPlugEventSourceAdded, second.get(), 1},
                                               {kPlugEventSourceRemoving, first.get(), 0},
                                               {kPlugEventSourceRemoved, first.get(), 0}}));
    EXPECT_EQ(Sources(*child), (Plugs{second.get()}));
}

// Every registered child, however many a plug has, is told of a link and an unlink made on its
// owner, in registration order, with its own place, and mirrors the entry.
TEST(RPlugOwnership, EveryOneOfManyRegisteredChildrenIsToldInOrderWithItsPlace) {
    auto owner = Make<RecordingPlug>();
    std::vector<Owned<RecordingPlug>> children;
    for (int i = 0; i < 4; ++i) {
        children.push_back(Make<RecordingPlug>());
        ASSERT_TRUE(owner->AddChild(children.back().get()));
        children.back()->SetFilter(GetClassIdFilter(RPlugFilter::ClassId()), true);
    }
    auto first = Make<RPlugFilter>();
    auto second = Make<RPlugFilter>();
    ASSERT_TRUE(owner->ConnectSource(first.get()));
    owner->seen.clear();
    ASSERT_TRUE(owner->ConnectSourceAt(0, second.get()));
    ASSERT_TRUE(owner->DisconnectSource(first.get()));
    using Event = std::tuple<int, const RPlug*, int>;
    std::vector<Event> events;
    for (const RecordingPlug::Seen& seen : owner->seen) {
        if (seen.code >= kPlugEventSourceAdding) events.emplace_back(seen.code, seen.sender, seen.index);
    }
    std::vector<Event> expected;
    const auto all = [&](int code, int ownerPlace, int childPlace) {
        expected.emplace_back(code, owner.get(), ownerPlace);
        for (const Owned<RecordingPlug>& child : children) expected.emplace_back(code, child.get(), childPlace);
    };
    all(kPlugEventSourceAdding, 0, 0);
    all(kPlugEventSourceAdded, 0, 0);
    all(kPlugEventSourceRemoving, 1, 1);
    all(kPlugEventSourceRemoved, 1, 1);
    EXPECT_EQ(events, expected);
    for (const Owned<RecordingPlug>& child : children) EXPECT_EQ(Sources(*child), (Plugs{second.get()}));
}

TEST(RPlugOwnership, EventsClimbTheOwnerChainButNotFromOwnedChildrenAndCyclesAreRefused) {
    auto top = Make<RecordingPlug>();
    auto middle = Make<RPlug>();
    auto other = Make<RPlug>();
    ASSERT_TRUE(top->AddChild(middle.get()));
    EXPECT_EQ((std::vector<bool>{top->AddChild(middle.get()), middle->AddChild(top.get()), top->SetOwner(top.get())}),
              (std::vector<bool>{false, false, false}));
    EXPECT_EQ(top->GetOwner(), nullptr);
    top->SetOwner(nullptr);  // undoes a cycle that a failed check above would leave
    EXPECT_EQ(middle->GetOwner(), top.get());
    ASSERT_TRUE(middle->ConnectSource(other.get()));
    EXPECT_EQ(top->Codes(), (Codes{0, 2, 4}));
    top->seen.clear();
    middle->SetState(RPlug::kOwnedChild, true);
    ASSERT_TRUE(middle->DisconnectSource(other.get()));
    EXPECT_TRUE(top->seen.empty());
    EXPECT_TRUE(top->RemoveChild(middle.get()));
    EXPECT_EQ(middle->GetOwner(), nullptr);
    EXPECT_FALSE(top->RemoveChild(middle.get()));
}

TEST(RPlugReplace, TheNewPlugTakesTheOldOnesPlace) {
    auto dst = Make<RecordingPlug>();
    auto oldPlug = Make<RecordingPlug>();
    auto a = Make<RPlug>();
    auto c = Make<RPlug>();
    auto replacement = Make<RPlug>();
    for (RPlug* source : std::initializer_list<RPlug*>{a.get(), oldPlug.get(), c.get()}) {
        ASSERT_TRUE(dst->ConnectSource(source));
    }
    dst->seen.clear();
    oldPlug->seen.clear();
    ASSERT_TRUE(dst->ReplaceSource(oldPlug.get(), replacement.get()));
    EXPECT_EQ(Sources(*dst), (Plugs{a.get(), replacement.get(), c.get()}));
    EXPECT_EQ(oldPlug->GetDestinationCount(), 0);
    EXPECT_EQ((Codes{dst->Codes().front(), dst->Codes().back(), oldPlug->Codes().front(), oldPlug->Codes().back()}),
              (Codes{kPlugEventDestinationReplacing, kPlugEventDestinationReplaced, kPlugEventSourceReplacing,
                     kPlugEventSourceReplaced}));
    EXPECT_FALSE(dst->ReplaceSource(oldPlug.get(), replacement.get()));
    auto extra = Make<RPlug>();  // past the list, the new plug is connected at the end
    ASSERT_TRUE(dst->ReplaceSourceAt(10, extra.get()));
    EXPECT_EQ(dst->GetSource(3), extra.get());
}

// Plain plugs connected as sources of one plug, in order.
std::vector<Owned<RPlug>> ConnectSources(RPlug& dst, int count) {
    std::vector<Owned<RPlug>> sources;
    for (int i = 0; i < count; ++i) {
        sources.push_back(Make<RPlug>());
        EXPECT_TRUE(dst.ConnectSource(sources.back().get()));
    }
    return sources;
}

// The place each removal of a source told the plug.
std::vector<int> RemovedPlaces(const RecordingPlug& plug) {
    std::vector<int> places;
    for (const RecordingPlug::Seen& seen : plug.seen) {
        if (seen.sender == &plug && seen.code == kPlugEventSourceRemoved) places.push_back(seen.index);
    }
    return places;
}

// A plug connected twice is found at its last entry, also when its first is at the front.
TEST(RPlugConnectionList, APlugConnectedTwiceIsFoundAndRemovedAtItsLastEntry) {
    auto dst = Make<RecordingPlug>();
    auto twice = Make<RPlug>();
    ASSERT_TRUE(dst->ConnectSource(twice.get()));
    auto others = ConnectSources(*dst, 7);
    ASSERT_TRUE(dst->ConnectSourceAt(2, twice.get(), RPlug::kOneWay));
    EXPECT_EQ(dst->IndexOfSource(twice.get()), 2);
    ASSERT_TRUE(dst->DisconnectSource(twice.get()));
    EXPECT_EQ(RemovedPlaces(*dst), (std::vector<int>{2}));
    EXPECT_EQ(dst->IndexOfSource(twice.get()), 0);
    EXPECT_EQ(dst->GetSourceConnection(0)->flags, 0);  // the one-way entry went
    EXPECT_EQ(dst->GetSourceCount(), 8);
}

// The first entries leave one by one, each from the front, and the rest keep their order;
// entries made afterwards, before the first too, take their places.
TEST(RPlugConnectionList, EntriesLeavingFromTheFrontKeepTheOthersInOrder) {
    auto dst = Make<RecordingPlug>();
    auto sources = ConnectSources(*dst, 100);
    for (int i = 0; i < 60; ++i) ASSERT_TRUE(dst->DisconnectSource(sources[static_cast<size_t>(i)].get()));
    EXPECT_EQ(RemovedPlaces(*dst), std::vector<int>(60, 0));
    auto first = Make<RPlug>();
    auto middle = Make<RPlug>();
    ASSERT_TRUE(dst->ConnectSourceAt(0, first.get()));
    ASSERT_TRUE(dst->ConnectSourceAt(20, middle.get()));
    Plugs expected{first.get()};
    for (int i = 60; i < 100; ++i) expected.push_back(sources[static_cast<size_t>(i)].get());
    expected.insert(expected.begin() + 20, middle.get());
    EXPECT_EQ(Sources(*dst), expected);
    EXPECT_EQ(dst->IndexOfSource(middle.get()), 20);
    EXPECT_EQ(dst->IndexOfSource(sources[99].get()), 41);
}

// A list emptied from the front long enough to be looked over for repeated plugs still finds
// the last entry of a plug connected again afterwards.
TEST(RPlugConnectionList, APlugConnectedAgainAfterManyRemovalsFromTheFrontIsFoundAtItsLastEntry) {
    auto dst = Make<RecordingPlug>();
    auto sources = ConnectSources(*dst, 100);
    for (int i = 0; i < 60; ++i) ASSERT_TRUE(dst->DisconnectSource(sources[static_cast<size_t>(i)].get()));
    RPlug* const front = sources[60].get();
    ASSERT_TRUE(dst->ConnectSourceAt(5, front));
    EXPECT_EQ(dst->IndexOfSource(front), 5);
    dst->seen.clear();
    ASSERT_TRUE(dst->DisconnectSource(front));
    EXPECT_EQ(RemovedPlaces(*dst), (std::vector<int>{5}));
    EXPECT_EQ(dst->GetSource(0), front);
}

// A plug with two entries still in the list after it was looked over keeps being found at
// its last one.
TEST(RPlugConnectionList, ARepeatedPlugSeenWhenTheListIsLookedOverIsStillFoundAtItsLastEntry) {
    auto dst = Make<RecordingPlug>();
    auto sources = ConnectSources(*dst, 60);
    auto twice = Make<RPlug>();
    ASSERT_TRUE(dst->ConnectSource(twice.get()));
    auto more = ConnectSources(*dst, 20);
    ASSERT_TRUE(dst->ConnectSource(twice.get()));
    auto last = ConnectSources(*dst, 10);
    for (const Owned<RPlug>& source : sources) ASSERT_TRUE(dst->DisconnectSource(source.get()));
    EXPECT_EQ(dst->GetSource(0), twice.get());
    EXPECT_EQ(dst->IndexOfSource(twice.get()), 21);
}

// Links made and removed anywhere, plugs connected several times among them, leave the list
// and the places told as a plain list would.
TEST(RPlugConnectionList, MatchesAPlainListUnderLinksAndUnlinksAnywhere) {
    auto dst = Make<RecordingPlug>();
    std::vector<Owned<RPlug>> pool;
    for (int i = 0; i < 40; ++i) pool.push_back(Make<RPlug>());
    Plugs model;
    std::uint32_t state = 12345;
    const auto next = [&state](std::uint32_t bound) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % bound;
    };
    const auto lastOf = [&model](const RPlug* plug) {
        for (size_t i = model.size(); i > 0; --i) {
            if (model[i - 1] == plug) return static_cast<int>(i - 1);
        }
        return -1;
    };
    for (int step = 0; step < 3000; ++step) {
        RPlug* const plug = pool[next(40)].get();
        // Growing for the first third, shrinking mostly from the front afterwards.
        if (next(3) == 0 || (step < 1000 && next(4) != 0)) {
            const int index = static_cast<int>(next(static_cast<std::uint32_t>(model.size()) + 2));
            const int place = index < static_cast<int>(model.size()) ? lastOf(model[static_cast<size_t>(index)])
                                                                       : static_cast<int>(model.size());
            ASSERT_TRUE(dst->ConnectSourceAt(index, plug));
            model.insert(model.begin() + place, plug);
        } else {
            RPlug* const gone = model.empty() || next(4) == 0 ? plug : const_cast<RPlug*>(model.front());
            const int place = lastOf(gone);
            dst->seen.clear();
            EXPECT_EQ(dst->DisconnectSource(gone), place >= 0);
            if (place >= 0) {
                EXPECT_EQ(RemovedPlaces(*dst), (std::vector<int>{place}));
                model.erase(model.begin() + place);
            }
        }
        ASSERT_EQ(dst->IndexOfSource(plug), lastOf(plug)) << "step " << step;
    }
    EXPECT_EQ(Sources(*dst), model);
}

TEST(RPropertyInfo, StartsEmptyUnboundedAndTakesRangeLabelEnumerationNamesAndDataTypes) {
    RPropertyInfo info;
    EXPECT_EQ((std::vector<double>{double(info.GetFlags()), double(info.GetTypeCode()), double(info.GetIndex()),
                                   info.GetMin(), info.GetMax()}),
              (std::vector<double>{0, kPropertyTypeUnknown, -1, -HUGE_VAL, HUGE_VAL}));
    EXPECT_STREQ(info.GetName(), "");
    EXPECT_FALSE(info.HasLabel());
    EXPECT_TRUE(info.GetDataType() == nullptr && info.GetEnumList() == nullptr);
    EXPECT_EQ(info.GetEnumNameCallback(), nullptr);
    EXPECT_TRUE(info.SetRange(0.0, 10.0));
    EXPECT_FALSE(info.SetRange(0.0, 10.0));  // the same bounds change nothing
    EXPECT_TRUE(info.SetRange(0.0, 11.0));
    EXPECT_EQ(info.GetMax(), 11.0);
    info.SetLabel("Speed");
    EXPECT_STREQ(info.GetLabel(), "Speed");
    info.SetLabel("");
    EXPECT_FALSE(info.HasLabel());
    info.SetEnumNameCallback(&NameOfOne);
    EXPECT_TRUE(info.HasFlag(RPropertyInfo::kEnumCallback));
    info.SetEnumNameCallback(nullptr);
    EXPECT_FALSE(info.HasFlag(RPropertyInfo::kEnumCallback));
    EXPECT_EQ(info.GetEnumList(false), nullptr);
    ASSERT_NE(info.GetEnumList(true), nullptr);
    EXPECT_EQ(info.GetEnumList(true), info.GetEnumList());
    // The default data type of every type code; a data type of its own wins.
    const std::map<int, const RDataType*> defaults = {
        {kPropertyTypeDouble, &RDataType::Number()},  {kPropertyTypeTime, &RDataType::Time()},
        {kPropertyTypeVector4, &RDataType::Vector4()}, {kPropertyTypeVector3, &RDataType::Vector()},
        {kPropertyTypeColorRGB, &RDataType::Color()}, {kPropertyTypeColorRGBA, &RDataType::ColorAndAlpha()}};
    for (int code = 0; code < kPropertyTypeCount; ++code) {
        RPropertyInfo typed;
        typed.SetTypeCode(code);
        EXPECT_EQ(typed.GetDataType(), defaults.count(code) != 0 ? defaults.at(code) : nullptr) << code;
        typed.SetDataType(&RDataType::Enum());
        EXPECT_EQ(typed.GetDataType(), &RDataType::Enum()) << code;
    }
}

// Few names crowd the probe sequences: removals shift entries back across each other and the table's end.
TEST(RPropertyNameIndex, MatchesAReferenceUnderRandomAddsAndRemoves) {
    // Small tables under many name sets (so that some homes lie at the end), then a large one.
    for (int round = 0; round < 41; ++round) {
        const int population = round < 40 ? 8 : 300;
        const int names = population / 8 + 4;
        const std::string prefix = "n" + std::to_string(round) + ":";
        std::vector<Owned<RProperty>> properties;
        for (int i = 0; i < population; ++i) {
            properties.push_back(Make<RNumberProperty>(kPropertyTypeDouble, 0.0));
            properties.back()->SetNameAndTypeCode((prefix + std::to_string(i % names)).c_str(), kPropertyTypeDouble);
        }
        RPropertyNameIndex index;
        std::multimap<std::string, const RProperty*> reference;
        std::vector<bool> in(properties.size(), false);
        unsigned seed = 7;
        for (int step = 0; step < (population > 8 ? 20000 : 2000); ++step) {
            seed = seed * 1103515245u + 12345u;
            const std::size_t pick = (seed >> 8) % properties.size();
            RProperty* property = properties[pick].get();
            if (in[pick]) {
                index.Remove(property);
                const auto [first, last] = reference.equal_range(property->GetName());
                reference.erase(std::find_if(first, last, [&](const auto& e) { return e.second == property; }));
            } else {
                index.Add(property);
                reference.emplace(property->GetName(), property);
            }
            in[pick] = !in[pick];
            if (population > 8 && step % 97 != 0) continue;
            ASSERT_EQ(index.GetCount(), static_cast<int>(reference.size())) << step;
            for (int name = 0; name < names; ++name) {
                const std::string text = prefix + std::to_string(name);
                std::set<const RProperty*> expected;
                for (auto [at, end] = reference.equal_range(text); at != end; ++at) expected.insert(at->second);
                ASSERT_EQ(Named(index, text), expected) << "population " << population << " step " << step;
            }
        }
        index.Remove(properties[0].get());  // absent or not: no harm
        index.Clear();
        EXPECT_EQ(index.GetCount(), 0);
        EXPECT_TRUE(Named(index, prefix + "1").empty());
    }
}

// A table laid out from a name list holds what adding the same properties one by one holds, and
// stays a working table: removals shift entries back, and shared names are still all found.
// Rows "Row0" to "Row<distinct - 1>" named again and again up to the count, as number properties.
struct NamedRows {
    NamedRows(int count, int distinct) {
        for (int i = 0; i < count; ++i) texts.push_back("Row" + std::to_string(i % distinct));
        names.assign(texts.begin(), texts.end());
        for (const std::string& text : texts) {
            owned.push_back(Make<RNumberProperty>(kPropertyTypeDouble, 0.0));
            owned.back()->SetNameAndTypeCode(text.c_str(), kPropertyTypeDouble);
            properties.push_back(owned.back().get());
        }
    }
    std::vector<std::string> texts;
    std::vector<std::string_view> names;
    std::vector<Owned<RProperty>> owned;
    std::vector<RProperty*> properties;
};

// Whether both tables find the same properties for the first `distinct` row names.
bool SameFinds(const RPropertyNameIndex& one, const RPropertyNameIndex& other, int distinct) {
    for (int i = 0; i < distinct; ++i) {
        const std::string text = "Row" + std::to_string(i);
        if (Named(one, text) != Named(other, text)) return false;
    }
    return one.GetCount() == other.GetCount();
}

TEST(RPropertyNameIndex, ALaidOutTableFindsAndRemovesAsOneBuiltByAddsAndRefusesAListThatDiffers) {
    NamedRows rows(40, 37);  // three names twice
    const std::vector<std::string_view>& names = rows.names;
    std::vector<RProperty*>& properties = rows.properties;
    const RPropertyNameIndex::Layout layout(names);
    EXPECT_EQ(layout.GetCount(), 40);
    RPropertyNameIndex added;
    for (RProperty* property : properties) added.Add(property);
    RPropertyNameIndex laid;
    ASSERT_TRUE(laid.AddAllAs(layout, properties.data(), 40));
    EXPECT_EQ(laid.GetCount(), 40);
    EXPECT_FALSE(laid.NamesAreUnique());
    const auto sameFinds = [&] { return SameFinds(laid, added, 37); };
    EXPECT_TRUE(sameFinds());
    EXPECT_EQ(Named(laid, "Row1"), (std::set<const RProperty*>{properties[1], properties[38]}));
    for (int i = 0; i < 40; i += 3) {
        laid.Remove(properties[static_cast<std::size_t>(i)]);
        added.Remove(properties[static_cast<std::size_t>(i)]);
        ASSERT_TRUE(sameFinds()) << i;
    }
    EXPECT_FALSE(laid.AddAllAs(layout, properties.data(), 40)) << "a table that holds entries";
    RPropertyNameIndex other;
    EXPECT_FALSE(other.AddAllAs(layout, properties.data(), 39)) << "another count";
    std::swap(properties[4], properties[5]);
    EXPECT_FALSE(other.AddAllAs(layout, properties.data(), 40)) << "names in another order";
    EXPECT_EQ(other.GetCount(), 0);
    EXPECT_TRUE(Named(other, "Row4").empty());
    RPropertyNameIndex unique;
    RProperty* const three[] = {properties[0], properties[1], properties[2]};
    std::vector<std::string_view> firstThree(names.begin(), names.begin() + 3);
    ASSERT_TRUE(unique.AddAllAs(RPropertyNameIndex::Layout(firstThree), three, 3));
    EXPECT_TRUE(unique.NamesAreUnique());
}

// An index that follows a layout over a list finds what a laid out table finds, refuses a list
// that differs, and makes its own table at the first change, from the list as it stands then.
TEST(RPropertyNameIndex, AFollowedLayoutFindsAsALaidOutTableAndOwnsItsTableAtTheFirstChange) {
    NamedRows rows(20, 18);  // two names twice
    const RPropertyNameIndex::Layout layout(rows.names);
    std::vector<RProperty*>& list = rows.properties;
    RPropertyNameIndex laid;
    ASSERT_TRUE(laid.AddAllAs(layout, list.data(), 20));
    RPropertyNameIndex followed;
    ASSERT_TRUE(followed.FollowLayout(layout, list));
    EXPECT_TRUE(followed.FollowsLayout());
    EXPECT_EQ(followed.GetCount(), 20);
    EXPECT_FALSE(followed.NamesAreUnique());
    const auto sameFinds = [&] { return SameFinds(followed, laid, 18); };
    EXPECT_TRUE(sameFinds());
    followed.Remove(list[3]);
    laid.Remove(list[3]);
    EXPECT_FALSE(followed.FollowsLayout());
    list.erase(list.begin() + 3);  // the list may change once the table is its own
    EXPECT_TRUE(sameFinds());
    EXPECT_FALSE(followed.FollowLayout(layout, list)) << "a table that holds entries";
    RPropertyNameIndex other;
    EXPECT_FALSE(other.FollowLayout(layout, list)) << "another count";
    list.insert(list.begin() + 3, rows.owned[4].get());
    EXPECT_FALSE(other.FollowLayout(layout, list)) << "a name in another place";
    EXPECT_FALSE(other.FollowsLayout());
    EXPECT_TRUE(Named(other, "Row4").empty());
}

TEST(RWyxUserProperty, TypeNamesStandAloneRecordsAndWrappersWhoseFlagsAndTypeFollowTheProperty) {
    const char* const names[] = {"Unidentified", "Bool", "Real", "Color", "Integer", "Vector"};
    for (int type = 0; type < 6; ++type) {
        EXPECT_STREQ(RWyxUserProperty::TypeToName(type), names[type]);
        EXPECT_EQ(RWyxUserProperty::NameToType(names[type]), type);
    }
    EXPECT_TRUE(RWyxUserProperty::TypeToName(-1) == nullptr && RWyxUserProperty::TypeToName(6) == nullptr);
    EXPECT_EQ((std::vector<int>{RWyxUserProperty::NameToType("Double"), RWyxUserProperty::NameToType("real"),
                                RWyxUserProperty::NameToType(nullptr)}),
              (std::vector<int>{0, 0, 0}));
    RWyxUserProperty record(nullptr, "Speed", "Real", "");
    EXPECT_EQ(record.GetType(), kUserPropertyReal);
    EXPECT_STREQ(record.GetLabel(false), "");
    EXPECT_STREQ(record.GetLabel(true), "Speed");
    EXPECT_EQ(std::make_pair(record.GetMin(), record.GetMax()), std::make_pair(-HUGE_VAL, HUGE_VAL));
    record.SetFlag(RWyxUserProperty::kFlagUserProperty | RWyxUserProperty::kFlagExtra, true);
    record.SetFlag(RWyxUserProperty::kFlagExtra, false);
    EXPECT_TRUE(record.GetFlag(RWyxUserProperty::kFlagUserProperty));
    EXPECT_FALSE(record.GetFlag(RWyxUserProperty::kFlagExtra));
    EXPECT_FALSE(record.SetDouble(3.0));
    EXPECT_EQ(record.GetProperty(), nullptr);
    auto handler = Make<RecordingHandler>();
    RProperty* property = handler->CreateProperty("p", kPropertyTypeDouble, nullptr, true, false, nullptr);
    RWyxUserProperty wrapper(nullptr, property);
    EXPECT_TRUE(wrapper.GetFlag(RWyxUserProperty::kFlagAnimatable));
    wrapper.SetFlag(RWyxUserProperty::kFlagUserProperty, true);
    EXPECT_EQ(property->GetFlags() & 0xC2u, 66u);
    wrapper.SetFlag(RWyxUserProperty::kFlagExtra, true);
    wrapper.SetFlag(RWyxUserProperty::kFlagAnimatable, false);
    EXPECT_EQ(property->GetFlags() & 0xC2u, 192u);
    EXPECT_FALSE(wrapper.GetFlag(RWyxUserProperty::kFlagAnimatable));
    wrapper.SetMax(2.0);
    EXPECT_EQ(property->GetMax(), 2.0);
    const std::pair<int, RWyxUserPropertyType> types[] = {
        {1, kUserPropertyInteger}, {2, kUserPropertyBool},  {4, kUserPropertyReal},         {13, kUserPropertyVector},
        {14, kUserPropertyColor},  {15, kUserPropertyColor}, {6, kUserPropertyUnidentified}};
    for (const auto& [code, type] : types) {
        RProperty* typed = handler->CreateProperty("t", code, nullptr, false, false, nullptr);
        EXPECT_EQ(RWyxUserProperty(nullptr, typed).GetType(), type) << code;
    }
}

TEST(RWyxPropertyHandler, CreateUserPropertyMakesTypedPropertiesFromRecordsWithFlagsLabelAndRange) {
    auto handler = Make<RecordingHandler>();
    EXPECT_STREQ(handler->GetClassName(), "RWyxPropertyHandler");
    EXPECT_TRUE(handler->Is(RObject::ClassId()));
    const std::pair<const char*, int> cases[] = {
        {"Bool", 2}, {"Real", 4}, {"Color", 14}, {"Integer", 1}, {"Vector", 13}};
    for (const auto& [type, typeCode] : cases) {
        std::unique_ptr<RWyxUserProperty> userProperty = MakeWrapped(*handler, type, type);
        const RProperty* property = handler->FindProperty(type);
        ASSERT_NE(property, nullptr) << type;
        EXPECT_EQ(property->GetTypeCode(), typeCode);
        EXPECT_STREQ(property->GetDataType()->GetName(), type);
        EXPECT_STREQ(property->GetLabel(), type) << "the name stands in for an empty label";
        EXPECT_TRUE(userProperty->IsSameProperty(property));
        EXPECT_EQ(userProperty->GetType(), RWyxUserProperty::NameToType(type));
    }
    // No data type, null, an existing wrapper: nothing is created.
    const int count = handler->GetPropertyCount();
    RWyxUserProperty unknown(nullptr, "u", "Double", "");
    EXPECT_FALSE(handler->CreateUserProperty(&unknown));
    EXPECT_FALSE(handler->CreateUserProperty(nullptr));
    EXPECT_FALSE(handler->CreateUserProperty(MakeWrapped(*handler, "Again", "Real").get()));
    EXPECT_EQ(handler->GetPropertyCount(), count + 1);
    RWyxUserProperty record(nullptr, "Gain", "Real", "Gain label");
    record.SetFlag(RWyxUserProperty::kFlagAnimatable | RWyxUserProperty::kFlagUserProperty, true);
    record.SetMin(-5.0);
    ASSERT_TRUE(handler->CreateUserProperty(&record));
    const RProperty* gain = record.GetProperty();
    EXPECT_EQ(gain->GetFlags() & 0xC2u, 66u);
    EXPECT_TRUE(gain->HasStateFlags(RProperty::kStateWriterFlag));
    EXPECT_STREQ(gain->GetLabel(), "Gain label");
    // The record's range, bounded or not, replaces the 0 to 100 of a new property.
    EXPECT_EQ(std::make_pair(gain->GetMin(), gain->GetMax()), std::make_pair(-5.0, HUGE_VAL));
    // A clashing name is made unique; the user property follows its property.
    EXPECT_STREQ(MakeWrapped(*handler, "Gain", "Bool")->GetName(), "Gain 0");
}

TEST(RWyxUserProperty, ValuesGoThroughTheWrappedPropertyAndNotify) {
    auto handler = Make<RecordingHandler>();
    std::unique_ptr<RWyxUserProperty> real = MakeWrapped(*handler, "r", "Real");
    std::unique_ptr<RWyxUserProperty> flag = MakeWrapped(*handler, "b", "Bool");
    std::unique_ptr<RWyxUserProperty> vector = MakeWrapped(*handler, "v", "Vector");
    std::unique_ptr<RWyxUserProperty> color = MakeWrapped(*handler, "c", "Color");
    EXPECT_TRUE(real->SetDouble(2.5));
    EXPECT_TRUE(real->GetBool());
    EXPECT_TRUE(flag->SetBool(true));
    EXPECT_EQ(flag->GetInteger(), 1);
    EXPECT_TRUE(vector->SetVector(1.0, 2.0, 3.0));
    EXPECT_EQ(vector->GetVector().z, 3.0);
    EXPECT_FALSE(vector->SetColor(RVector4(0.5, 0.5, 0.5, 1.0)));
    EXPECT_TRUE(color->SetVector(0.1, 0.2, 0.3));
    EXPECT_EQ(color->GetColor().y, 0.2);
    EXPECT_FALSE(real->SetVector(1.0, 2.0, 3.0));
    EXPECT_EQ(handler->told, (std::vector<const RWyxUserProperty*>{real.get(), flag.get(), vector.get(), color.get()}));
    // A colour with alpha keeps its alpha on reading and is made opaque by writing.
    RProperty* rgba = handler->CreateProperty("rgba", kPropertyTypeColorRGBA, nullptr, false, false, nullptr);
    rgba->SetValue(RVector4(0.1, 0.2, 0.3, 0.4));
    RWyxUserProperty wrapper(nullptr, rgba);
    EXPECT_EQ(wrapper.GetColor().w, 0.4);
    EXPECT_TRUE(wrapper.SetColor(RVector4(0.7, 0.8, 0.9, 0.0)));
    EXPECT_EQ(wrapper.GetColor().w, 1.0);
}

TEST(RWyxUserProperty, WrapperWhosePropertyIsGoneBehavesAsHavingNone) {
    auto handler = Make<RecordingHandler>();
    std::unique_ptr<RWyxUserProperty> removed = MakeWrapped(*handler, "Gone", "Real");
    std::unique_ptr<RWyxUserProperty> orphan = MakeWrapped(*handler, "Orphan", "Integer");
    RProperty* property = removed->GetProperty();
    const RPlugRef ref(property);
    ASSERT_TRUE(handler->ReleaseAndClear(property));
    EXPECT_EQ(property, nullptr);
    EXPECT_FALSE(ref.IsValid()) << "an owned property is destroyed, not left behind";
    EXPECT_STREQ(removed->GetName(), "");
    EXPECT_EQ(removed->GetType(), kUserPropertyUnidentified);
    EXPECT_EQ(removed->GetMin(), -HUGE_VAL);
    EXPECT_FALSE(removed->SetDouble(1.0));
    EXPECT_FALSE(handler->CreateUserProperty(removed.get()));
    EXPECT_TRUE(handler->told.empty());
    handler.reset();
    EXPECT_FALSE(orphan->GetProperty() != nullptr || orphan->SetInteger(3));
}

TEST(RWyxPropertyHandler, ReleaseAndClearOnlyItsOwnProperties) {
    auto handler = Make<RecordingHandler>();
    auto other = Make<RecordingHandler>();
    RProperty* none = nullptr;
    EXPECT_FALSE(handler->ReleaseAndClear(none));
    RProperty* foreign = other->CreateProperty("f", kPropertyTypeInt, nullptr, false, false, nullptr);
    EXPECT_FALSE(handler->ReleaseAndClear(foreign));
    EXPECT_NE(foreign, nullptr);
    EXPECT_EQ(other->GetPropertyCount(), 1);
    // A target bound to a plug is not told once that plug is gone.
    RWyxUserProperty wrapper(nullptr, foreign);
    wrapper.SetNotifyTarget(handler.get(), handler.get());
    EXPECT_TRUE(wrapper.SetInteger(1));
    EXPECT_EQ(handler->told.size(), 1u);
    handler.reset();
    EXPECT_TRUE(wrapper.SetInteger(2));
}

TEST(RWyxSceneObject, PrefixOfEveryTypeIdAndNames) {
    const char* const prefixes[] = {"",       "Model::",      "Texture::", "Material::",       "Video::",
                                    "Video::", "Constraint::", "MarkerSet::", "Constraint::", "Pose::",
                                    "",       "Pose::",       "ControlSetPlug::", ""};
    for (int typeId = 0; typeId < 14; ++typeId) {
        TestSceneObject object(typeId, "initial");
        object.SetName("Arm");
        EXPECT_EQ(object.GetName(), RString(prefixes[typeId]) + "Arm") << typeId;
        EXPECT_EQ(object.GetNamePrefix(), prefixes[typeId]);
        EXPECT_EQ(object.GetInitialName(), "initial");
    }
    TestSceneObject node(1, "Model::Arm");
    EXPECT_EQ(node.GetNameWithoutPrefix(), "Arm");
    node.SetName("Model::Leg");  // taken as given: callers strip a prefix themselves
    EXPECT_EQ(node.GetName(), "Model::Model::Leg");
    node.ResetName("Material::Skin::Red");
    EXPECT_EQ(node.GetInitialName(), "Material::Skin::Red");
    EXPECT_EQ(node.GetNameWithoutPrefix(), "Skin::Red");
    node.ResetName("Plain");
    EXPECT_EQ(node.GetNameWithoutPrefix(), "Plain");
    // Without a prefix of its own, the "::" rule applies.
    EXPECT_EQ(TestSceneObject(10, "Deformer::skin").GetNameWithoutPrefix(), "skin");
    EXPECT_EQ(RWyxSceneObject::GetTextAfterColon("abc"), "abc");
    EXPECT_EQ(RWyxSceneObject::GetTextAfterColon("a:b:c"), "b:c");
    EXPECT_EQ(RWyxSceneObject::GetTextAfterColon("Model::Arm"), ":Arm");
    EXPECT_EQ(node.GetStringList()->GetCount(), 0);
}

TEST(RWyxSceneObject, UserPropertiesAddedOnceFoundAndOwned) {
    auto handler = Make<RWyxPropertyHandler>();
    {
        TestSceneObject node(1, "n", handler.get());
        EXPECT_EQ(node.AddUserProperty(nullptr), nullptr);
        RWyxUserProperty* first = node.AddUserProperty(Record("a"));
        RWyxUserProperty* second = node.AddUserProperty(Record("b"));
        // The same user property again: one entry, one owner, one call.
        EXPECT_EQ(node.AddUserProperty(std::unique_ptr<RWyxUserProperty>(first)), first);
        EXPECT_EQ(node.added, (std::vector<const RWyxUserProperty*>{first, second}));
        // Nor may another node take it over: it stays with the node that owns it.
        TestSceneObject other(1, "other");
        EXPECT_EQ(other.AddUserProperty(std::unique_ptr<RWyxUserProperty>(second)), nullptr);
        EXPECT_EQ(other.GetUserPropertyCount(), 0);
        EXPECT_EQ(node.GetUserPropertyCount(), 2);
        EXPECT_EQ(node.GetUserProperty(1), second);
        EXPECT_EQ(node.GetUserProperty(2), nullptr);
        EXPECT_EQ(node.GetUserProperty(-1), nullptr);
        EXPECT_EQ(node.FindUserPropertyByName("b"), second);
        EXPECT_EQ(node.FindUserPropertyByName("B"), nullptr);
        EXPECT_EQ(node.FindUserPropertyByName(nullptr), nullptr);
        EXPECT_EQ(node.FindUserProperty(handler->FindProperty("a")), first);
        EXPECT_EQ(node.FindUserProperty(nullptr), nullptr);
    }  // the user properties die with the node (the sanitizer checks); the properties stay
    EXPECT_NE(handler->FindProperty("a"), nullptr);
    // A node's properties object goes before its scene-object part.
    TestSceneObject node(1, "n", handler.get());
    RWyxUserProperty* size = node.AddUserProperty(Record("size"));
    handler.reset();
    EXPECT_EQ(size->GetProperty(), nullptr);
}
