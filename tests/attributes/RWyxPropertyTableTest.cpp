#include "attributes/RWyxPropertyTable.h"

#include "core/RDataType.h"
#include "core/RWyxPropertyHandler.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

template <typename T>
using Owned = std::unique_ptr<T, RPlugDestroyer>;

const char* ModeName(const RProperty& /*property*/, int value) {
    static const char* const kNames[] = {"Off", "On"};
    return RWyxPropertyTable::NameAt(kNames, value);
}

enum Row { kSize, kColor, kMode, kCount, kShown, kLabel, kIntensity, kHidden, kRowCount };

const RWyxPropertyRow kRows[kRowCount] = {
    {"Size", "Number", RWyxPropertyDefault::Number(100.0), 0, nullptr},
    {"Color", "Color", RWyxPropertyDefault::Vector(0.25, 0.5, 0.75), RWyxPropertyRow::kAnimatable, nullptr},
    {"Mode", "Enum", RWyxPropertyDefault::Number(1), 0, &ModeName},
    {"Count", "Integer", RWyxPropertyDefault::Number(7), 0, nullptr},
    {"Shown", "Bool", RWyxPropertyDefault::Flag(true), 0, nullptr},
    {"Label", "RString", RWyxPropertyDefault::Text("none"), 0, nullptr},
    {"Intensity", "Intensity", RWyxPropertyDefault::Number(50.0), RWyxPropertyRow::kAnimatable, nullptr},
    {"Hidden", "Bool", RWyxPropertyDefault::Flag(false), RWyxPropertyRow::kNotSaved, nullptr},
};

const int kTypeCodes[kRowCount] = {kPropertyTypeDouble, kPropertyTypeColorRGB, kPropertyTypeEnum,
                                   kPropertyTypeInt,    kPropertyTypeBool,     kPropertyTypeString,
                                   kPropertyTypeDouble, kPropertyTypeBool};

Owned<RObject> NewObject() { return Owned<RObject>(CreatePlugObject<RObject>(nullptr)); }

// Counts the joining events (8 and 11) of its properties.
class JoinCounter : public RObject {
public:
    bool OnPropertyEvent(int code, RProperty* /*property*/, const char* /*name*/) override {
        joins += code == 8 || code == 11 ? 1 : 0;
        return true;
    }
    int joins = 0;
};

// More rows than a new object joins at once, named "0", "1", ...
constexpr int kLongRowCount = 150;
const RWyxPropertyRow* LongRows() {
    static std::string names[kLongRowCount];
    static std::vector<RWyxPropertyRow> rows;
    for (int i = static_cast<int>(rows.size()); i < kLongRowCount; ++i) {
        names[i] = std::to_string(i);
        rows.push_back({names[i].c_str(), "Number", RWyxPropertyDefault::Number(i), 0, nullptr});
    }
    return rows.data();
}

// A new object with the properties of a table over kRows.
struct TableObject {
    Owned<RObject> object = NewObject();
    RWyxPropertyTable table{kRows};

    TableObject() { table.CreateProperties(*object); }
};

void ExpectDefaults(const RWyxPropertyTable& table) {
    EXPECT_DOUBLE_EQ(table.GetNumber(kSize), 100.0);
    EXPECT_DOUBLE_EQ(table.GetVector(kColor).x, 0.25);
    EXPECT_DOUBLE_EQ(table.GetVector(kColor).z, 0.75);
    EXPECT_EQ(table.GetInt(kMode), 1);
    EXPECT_EQ(table.GetInt(kCount), 7);
    EXPECT_TRUE(table.GetBool(kShown));
    EXPECT_STREQ(table.GetText(kLabel).Buffer(), "none");
    EXPECT_DOUBLE_EQ(table.GetNumber(kIntensity), 50.0);
}

}  // namespace

TEST(RWyxPropertyTable, MakesEveryRowInOrderWithItsTypeDefaultFlagsAndEnumNames) {
    Owned<RObject> object = NewObject();
    RWyxPropertyTable table(kRows);
    ASSERT_TRUE(table.CreateProperties(*object));
    ASSERT_EQ(object->GetPropertyCount(), kRowCount);
    for (int i = 0; i < kRowCount; ++i) {
        SCOPED_TRACE(kRows[i].name);
        const RProperty* property = object->GetProperty(i);
        ASSERT_EQ(table.GetProperty(i), property);
        EXPECT_STREQ(property->GetName(), kRows[i].name);
        EXPECT_EQ(property->GetTypeCode(), kTypeCodes[i]);
        const bool animatable = (kRows[i].flags & RWyxPropertyRow::kAnimatable) != 0;
        EXPECT_EQ(property->IsAnimatable(), animatable);
        EXPECT_EQ(property->HasStateFlags(RProperty::kStateWriterFlag), animatable);
        EXPECT_EQ(property->HasStateFlags(RProperty::kStateNotSaved), i == kHidden);
    }
    EXPECT_EQ(table.GetProperty(kIntensity)->GetDataType(), RDataType::FindByName("Intensity"));
    EXPECT_EQ(table.GetProperty(kLabel)->GetInfo().GetDataType(), nullptr);
    ExpectDefaults(table);
    // The values live in the properties.
    EXPECT_DOUBLE_EQ(object->FindProperty("Size")->GetDouble(), 100.0);
    EXPECT_STREQ(object->FindProperty("Mode")->GetValueAsText().Buffer(), "On");
    EXPECT_EQ(table.FindRow("Intensity"), kIntensity);
    EXPECT_EQ(table.FindRow("intensity"), -1);
    EXPECT_EQ(table.GetRow(kRowCount), nullptr);
}

TEST(RWyxPropertyTable, AHandlerMakesItsAnimatablePropertiesThroughItsOwnCreateProperty) {
    Owned<RWyxPropertyHandler> handler(CreatePlugObject<RWyxPropertyHandler>(nullptr));
    RWyxPropertyTable table(kRows);
    ASSERT_TRUE(table.CreateProperties(*handler));
    EXPECT_TRUE(table.GetProperty(kColor)->IsAnimatable());
    EXPECT_FALSE(table.GetProperty(kSize)->IsAnimatable());
}

TEST(RWyxPropertyTable, SettersWriteThePropertiesRefuseOtherKindsAndResetRestoresTheDefaults) {
    Owned<RObject> object = NewObject();
    RWyxPropertyTable table(kRows);
    table.CreateProperties(*object);
    EXPECT_TRUE(table.SetNumber(kSize, 2.5));
    EXPECT_DOUBLE_EQ(object->FindProperty("Size")->GetDouble(), 2.5);
    EXPECT_TRUE(table.SetVector(kColor, RVector4(1.0, 0.0, 0.5, 1.0)));
    EXPECT_DOUBLE_EQ(table.GetVector(kColor).z, 0.5);
    EXPECT_TRUE(table.SetInt(kCount, -3));
    EXPECT_EQ(table.GetInt(kCount), -3);
    EXPECT_TRUE(table.SetInt(kMode, 0));
    EXPECT_TRUE(table.SetBool(kShown, false));
    EXPECT_FALSE(table.GetBool(kShown));
    EXPECT_TRUE(table.SetText(kLabel, RString("key")));
    EXPECT_STREQ(table.GetText(kLabel).Buffer(), "key");

    EXPECT_FALSE(table.SetVector(kSize, RVector4(1.0, 2.0, 3.0, 1.0)));
    EXPECT_FALSE(table.SetText(kSize, RString("x")));
    EXPECT_DOUBLE_EQ(table.GetNumber(kSize), 2.5);
    EXPECT_FALSE(table.SetNumber(kRowCount, 1.0));
    EXPECT_FALSE(table.SetNumber(-1, 1.0));

    table.ResetAll();
    ExpectDefaults(table);
}

TEST(RWyxPropertyTable, ATakenNameKeepsTheObjectsOwnPropertyApart) {
    Owned<RObject> object = NewObject();
    RProperty* earlier = object->CreateProperty("Size", kPropertyTypeDouble, nullptr, false, false, nullptr);
    earlier->SetDouble(-1.0);
    RWyxPropertyTable table(kRows);
    table.CreateProperties(*object);
    ASSERT_NE(table.GetProperty(kSize), earlier);
    table.SetNumber(kSize, 3.0);
    EXPECT_DOUBLE_EQ(earlier->GetDouble(), -1.0);
    EXPECT_DOUBLE_EQ(table.GetNumber(kSize), 3.0);
}

TEST(RWyxPropertyTable, ARemovedPropertyReadsAsItsDefaultAndRefusesWrites) {
    Owned<RObject> object = NewObject();
    RWyxPropertyTable table(kRows);
    table.CreateProperties(*object);
    table.SetNumber(kIntensity, 80.0);
    object->DestroyPropertyAt(object->IndexOfProperty(table.GetProperty(kIntensity)));
    EXPECT_EQ(table.GetProperty(kIntensity), nullptr);
    EXPECT_DOUBLE_EQ(table.GetNumber(kIntensity), 50.0);
    EXPECT_FALSE(table.SetNumber(kIntensity, 1.0));
    EXPECT_FALSE(table.ResetRow(kIntensity));

    std::vector<RProperty*> collected;
    table.CollectProperties(collected);
    ASSERT_EQ(collected.size(), static_cast<size_t>(kRowCount - 1));
    EXPECT_STREQ(collected[kIntensity]->GetName(), "Hidden");
}

TEST(RWyxPropertyTable, ARowOfATypeNoPropertyHasIsSkippedAndReadsAsItsDefault) {
    const RWyxPropertyRow rows[] = {
        {"Odd", "NoSuchType", RWyxPropertyDefault::Number(4.0), 0, nullptr},
        {"Wide", "Vector4", RWyxPropertyDefault::Vector4(1, 2, 3, 4), 0, nullptr},
        {"After", "Vector", RWyxPropertyDefault::Vector(1.0, 2.0, 3.0), 0, nullptr},
    };
    Owned<RObject> object = NewObject();
    RWyxPropertyTable table(rows);
    EXPECT_FALSE(table.CreateProperties(*object));
    ASSERT_EQ(object->GetPropertyCount(), 1);
    EXPECT_EQ(table.GetProperty(2), object->GetProperty(0));
    EXPECT_EQ(table.GetProperty(0), nullptr);
    EXPECT_DOUBLE_EQ(table.GetNumber(0), 4.0);
    EXPECT_DOUBLE_EQ(table.GetVector(1).w, 4.0);
    // Before the properties are made every row reads as its default.
    RWyxPropertyTable unmade(kRows);
    ExpectDefaults(unmade);
}

TEST(RWyxPropertyTable, TypeNamesResolveToDataTypesOrPropertyTypes) {
    struct Case {
        const char* typeName;
        bool resolves;
        int typeCode;
        bool hasDataType;
    };
    const Case cases[] = {
        {"Real", true, kPropertyTypeDouble, true},          {"Occlusion", true, kPropertyTypeDouble, true},
        {"Translation", true, kPropertyTypeVector3, true},  {"ColorAndAlpha", true, kPropertyTypeColorRGBA, true},
        {"Time", true, kPropertyTypeTime, true},            {"RString", true, kPropertyTypeString, false},
        {"object", true, kPropertyTypeObject, false},       {"Matrix", false, kPropertyTypeUnknown, true},
        {"Vector4", false, kPropertyTypeVector4, true},     {nullptr, false, kPropertyTypeUnknown, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typeName != nullptr ? c.typeName : "(null)");
        const RDataType* dataType = nullptr;
        int typeCode = -1;
        EXPECT_EQ(RWyxPropertyTable::ResolveType(c.typeName, dataType, typeCode), c.resolves);
        EXPECT_EQ(typeCode, c.typeCode);
        EXPECT_EQ(dataType != nullptr, c.hasDataType);
    }
}

namespace {

// Every row's name already taken, so that the table makes every row through the object's
// CreateProperty (under the name "<row> 0").
Owned<RObject> ObjectWithEveryRowNameTaken(const RWyxPropertyRow* rows, int count) {
    Owned<RObject> object = NewObject();
    for (int i = 0; i < count; ++i) object->CreateProperty(rows[i].name, kPropertyTypeInt, nullptr, false, false, nullptr);
    return object;
}

void ExpectSharedRowsAsMadeByTheObject(const RWyxPropertyRow* rows, int count) {
    Owned<RObject> shared = NewObject();
    RWyxPropertyTable sharedTable(rows, count);
    ASSERT_TRUE(sharedTable.CreateProperties(*shared));
    Owned<RObject> made = ObjectWithEveryRowNameTaken(rows, count);
    RWyxPropertyTable madeTable(rows, count);
    ASSERT_TRUE(madeTable.CreateProperties(*made));
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(rows[i].name);
        const RProperty* a = sharedTable.GetProperty(i);
        const RProperty* b = madeTable.GetProperty(i);
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(a->SharesInfo(), a->GetTypeCode() != kPropertyTypeObject);  // object rows go the object's way
        EXPECT_STREQ(b->GetName(), (std::string(rows[i].name) + " 0").c_str());
        EXPECT_EQ(a->GetClassId(), b->GetClassId());
        EXPECT_EQ(a->GetFlags(), b->GetFlags());
        for (const std::uint32_t flag : {RProperty::kStateWriterFlag, RProperty::kStateNotSaved, RProperty::kStateReadOnly}) {
            EXPECT_EQ(a->HasStateFlags(flag), b->HasStateFlags(flag));
        }
        EXPECT_EQ(a->GetTypeCode(), b->GetTypeCode());
        EXPECT_EQ(a->GetInfo().GetStoredDataType(), b->GetInfo().GetStoredDataType());
        EXPECT_EQ(a->GetMin(), b->GetMin());
        EXPECT_EQ(a->GetMax(), b->GetMax());
        EXPECT_EQ(a->GetIndex(), b->GetIndex());
        EXPECT_EQ(a->HasLabel(), b->HasLabel());
        EXPECT_STREQ(a->GetValueAsText().Buffer(), b->GetValueAsText().Buffer());
        EXPECT_TRUE(a->GetValue() == b->GetValue());
        EXPECT_EQ(a->GetEnumName(1) == nullptr, b->GetEnumName(1) == nullptr);
        EXPECT_EQ(a->GetOwnerObject(), shared.get());
        EXPECT_EQ(shared->FindProperty(rows[i].name), a);
    }
}

}  // namespace

TEST(RWyxPropertyTable, ARowMadeFromItsSharedDescriptionIsWhatTheObjectsCreatePropertyMakes) {
    ExpectSharedRowsAsMadeByTheObject(kRows, kRowCount);
    const RWyxPropertyRow others[] = {
        {"Tint", "ColorAndAlpha", RWyxPropertyDefault::Vector4(0.1, 0.2, 0.3, 0.5), 0, nullptr},
        {"Start", "Time", RWyxPropertyDefault::Number(2.0), RWyxPropertyRow::kAnimatable, nullptr},
        {"Go", "Action", RWyxPropertyDefault::Flag(true), 0, nullptr},
        {"Offset", "Translation", RWyxPropertyDefault::Vector(1.0, -2.0, 3.0), RWyxPropertyRow::kAnimatable, nullptr},
        {"Ref", "object", RWyxPropertyDefault::Number(0.0), 0, nullptr},
    };
    ExpectSharedRowsAsMadeByTheObject(others, 5);
}

TEST(RWyxPropertyTable, AChangeToOneObjectsPropertyLeavesTheOtherObjectsOfTheTableAlone) {
    TableObject first;
    TableObject second;
    RWyxPropertyTable& firstTable = first.table;
    const RWyxPropertyTable& secondTable = second.table;
    RProperty* size = firstTable.GetProperty(kSize);
    size->SetLabel("Width");
    size->SetMinMax(-1.0, 1.0);
    size->SetFlag(RProperty::kAnimatable, true);
    ASSERT_TRUE(size->SetName("Breadth", false));
    firstTable.SetNumber(kSize, 4.0);
    const RProperty* other = secondTable.GetProperty(kSize);
    EXPECT_STREQ(other->GetName(), "Size");
    EXPECT_FALSE(other->HasLabel());
    EXPECT_EQ(other->GetMax(), 100.0);
    EXPECT_FALSE(other->IsAnimatable());
    EXPECT_DOUBLE_EQ(other->GetDouble(), 100.0);
    EXPECT_EQ(first.object->FindProperty("Breadth"), size);
    EXPECT_EQ(first.object->FindProperty("Size"), nullptr);
}

// The properties lie in one block per table: they stay whole whichever of the table and the
// object ends first.
TEST(RWyxPropertyTable, ThePropertiesOutliveTheirTableAndTheTableOutlivesThem) {
    Owned<RObject> object = NewObject();
    {
        RWyxPropertyTable table(kRows);
        table.CreateProperties(*object);
    }
    ASSERT_EQ(object->GetPropertyCount(), kRowCount);
    RProperty* label = object->FindProperty("Label");
    EXPECT_TRUE(label->SetValue(RString("kept")));
    EXPECT_STREQ(label->GetValueAsText().Buffer(), "kept");
    object->DestroyPropertyAt(object->IndexOfProperty(label));
    EXPECT_EQ(object->GetPropertyCount(), kRowCount - 1);
    object.reset();

    RWyxPropertyTable table(kRows);
    Owned<RObject> gone = NewObject();
    table.CreateProperties(*gone);
    gone.reset();
    EXPECT_EQ(table.GetProperty(kColor), nullptr);
    EXPECT_DOUBLE_EQ(table.GetVector(kColor).y, 0.5);
}

// A new object takes the rows' names as they are, including a row made through the object in
// between: each property stands at its row's place and is found by its name there, and what
// joins later is indexed with them.
TEST(RWyxPropertyTable, ANewObjectFindsEveryRowByNameAndAtItsPlace) {
    const RWyxPropertyRow rows[] = {
        {"Width", "Number", RWyxPropertyDefault::Number(2.0), 0, nullptr},
        {"Target", "object", RWyxPropertyDefault::Number(0.0), 0, nullptr},
        {"Open", "Bool", RWyxPropertyDefault::Flag(true), 0, nullptr},
        {"Tone", "Color", RWyxPropertyDefault::Vector(0.5, 0.5, 0.5), RWyxPropertyRow::kAnimatable, nullptr},
    };
    Owned<RObject> object = NewObject();
    RWyxPropertyTable table(rows);
    ASSERT_TRUE(table.CreateProperties(*object));
    ASSERT_EQ(object->GetPropertyCount(), 4);
    for (int row = 0; row < 4; ++row) {
        RProperty* property = table.GetProperty(row);
        ASSERT_NE(property, nullptr) << row;
        EXPECT_EQ(object->GetProperty(row), property) << row;
        EXPECT_EQ(property->GetOwner(), object.get()) << row;
        EXPECT_STREQ(property->GetName(), rows[row].name);
        EXPECT_EQ(object->FindProperty(rows[row].name), property) << row;
        EXPECT_EQ(object->FindPropertyAtPlace(row, property->GetInfo()), property) << row;
    }
    RProperty* later = object->CreateProperty("Open", kPropertyTypeInt, nullptr, false, false, nullptr);
    EXPECT_STREQ(later->GetName(), "Open 0");
    EXPECT_EQ(object->FindProperty("Open 0"), later);
    EXPECT_EQ(object->FindProperty("Open"), table.GetProperty(2));
    object->DestroyPropertyAt(0);
    EXPECT_EQ(object->FindProperty("Width"), nullptr);
    EXPECT_EQ(table.GetProperty(0), nullptr);
    EXPECT_EQ(object->FindProperty("Tone"), table.GetProperty(3));
}

// A property is its row's while the table made it and its name is the row's; another table's
// property of the same rows, a renamed one, and one whose name an earlier row has first are not.
TEST(RWyxPropertyTable, APropertyTellsItsRowOnlyToTheTableThatMadeIt) {
    TableObject made;
    const TableObject second;
    const RWyxPropertyTable& table = made.table;
    const RWyxPropertyTable& other = second.table;
    for (int row = 0; row < kRowCount; ++row) {
        EXPECT_EQ(table.RowOf(*table.GetProperty(row)), row);
        EXPECT_EQ(table.RowOf(*other.GetProperty(row)), -1) << row;
    }
    table.GetProperty(kMode)->SetLabel("Setting");  // a description of its own, the same name
    EXPECT_EQ(table.RowOf(*table.GetProperty(kMode)), kMode);
    ASSERT_TRUE(table.GetProperty(kCount)->SetName("Total", false));
    EXPECT_EQ(table.RowOf(*table.GetProperty(kCount)), -1);

    // The first row of the name is not made: the second is, from its description.
    const RWyxPropertyRow twins[] = {
        {"Twin", "NoSuchType", RWyxPropertyDefault::Number(0.0), 0, nullptr},
        {"Twin", "Number", RWyxPropertyDefault::Number(1.0), 0, nullptr},
    };
    Owned<RObject> third = NewObject();
    RWyxPropertyTable twinTable(twins);
    twinTable.CreateProperties(*third);
    ASSERT_NE(twinTable.GetProperty(1), nullptr);
    EXPECT_EQ(twinTable.RowOf(*twinTable.GetProperty(1)), -1);
}

// A new object's rows all join, in table order, however many they are.
TEST(RWyxPropertyTable, EveryRowOfALongTableJoinsANewObjectInOrder) {
    Owned<RObject> object = NewObject();
    RWyxPropertyTable table(LongRows(), kLongRowCount);
    ASSERT_TRUE(table.CreateProperties(*object));
    ASSERT_EQ(object->GetPropertyCount(), kLongRowCount);
    for (int row = 0; row < kLongRowCount; ++row) {
        EXPECT_EQ(table.GetProperty(row), object->GetProperty(row)) << row;
        EXPECT_EQ(object->FindProperty(std::to_string(row).c_str()), object->GetProperty(row)) << row;
    }
}

// An object that had properties before hears every row join, and has each after its own.
TEST(RWyxPropertyTable, AnObjectWithPropertiesHearsEachRowJoin) {
    Owned<JoinCounter> object(CreatePlugObject<JoinCounter>(nullptr));
    object->CreateProperty("Before", kPropertyTypeInt, nullptr, false, false, nullptr);
    RWyxPropertyTable table(kRows);
    ASSERT_TRUE(table.CreateProperties(*object));
    EXPECT_EQ(object->joins, 2 + 2 * kRowCount);
    for (int row = 0; row < kRowCount; ++row) EXPECT_EQ(object->GetProperty(row + 1), table.GetProperty(row)) << row;
}
