// Property blocks written and read back in both property formats and both file forms, and
// malformed records skipped with warnings.

#include "fileio/RWyxPropertyFile.h"
#include "core/RDataType.h"
#include "core/RObjectProperty.h"
#include "core/RTypedProperty.h"
#include "core/RWyxPropertyHandler.h"
#include "core/RWyxSceneObject.h"
#include "tests/support/WyxFileTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <initializer_list>
#include <memory>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

namespace {

class TestHandler : public RWyxPropertyHandler {
public:
    void OnUserPropertyChanged(RWyxUserProperty& /*userProperty*/) override { ++told; }
    int told = 0;
};
using HandlerPtr = std::unique_ptr<TestHandler, RPlugDestroyer>;
HandlerPtr NewHandler() { return HandlerPtr(CreatePlugObject<TestHandler>(nullptr)); }

// A scene object whose hook makes the property of a user-property record, as nodes do.
class TestSceneObject : public RWyxSceneObject {
public:
    explicit TestSceneObject(RWyxPropertyHandler* handler) : RWyxSceneObject(nullptr, "Node"), handler_(handler) {}
    int GetTypeId() const override { return 1; }
    void OnUserPropertyAdded(RWyxUserProperty& userProperty) override { handler_->CreateUserProperty(&userProperty); }

private:
    RWyxPropertyHandler* handler_;
};

// A property declared by its object (not a user property), of any type code.
template <typename T>
RProperty* Declare(RObject& object, const char* name, int typeCode, T initial, const RDataType* dataType = nullptr) {
    auto* property = CreatePlugObject<RTypedProperty<T>>(nullptr, typeCode, initial);
    property->Declare(name, &object);
    property->SetFlag(RProperty::kOwnedByObject, true);
    property->SetDataType(dataType);
    object.AddProperty(property);
    return property;
}

// A distinct value of the property's kind.
RPropertyValue SampleValue(int typeCode, int seed) {
    switch (typeCode) {
        case kPropertyTypeInt:
        case kPropertyTypeEnum: return -123456 + seed;
        case kPropertyTypeBool:
        case kPropertyTypeAction: return true;
        case kPropertyTypeFloat:
        case kPropertyTypeDouble: return 0.375 + seed;
        case kPropertyTypeTime: return RTime(RTime::kTicksPerSecond * 7 + 12345 + seed);
        case kPropertyTypeCharPtr:
        case kPropertyTypeString: return RString("a \"quoted\", {braced} text");
        case kPropertyTypeVector3:
        case kPropertyTypeColorRGB: return RVector4(1.5, -2.25, seed, 1.0);
        case kPropertyTypeVector4:
        case kPropertyTypeColorRGBA: return RVector4(0.5, 0.25, -0.125, seed);
        default: return std::monostate();
    }
}

class PropertyFileTest : public ::testing::TestWithParam<std::tuple<WyxForm, bool>> {
protected:
    WyxForm Form() const { return std::get<0>(GetParam()); }
    bool V5() const { return std::get<1>(GetParam()); }

    // Writes the block inside a "Model" field.
    void Write(const std::vector<RProperty*>& properties) {
        std::unique_ptr<RWyxPropertyFile> writer = RWyxPropertyFile::Create();
        writer->SetV5PropertyFormat(V5());
        ASSERT_TRUE(CreateInForm(writer->GetFile(), path_, Form()));
        writer->GetFile().FieldWriteBegin("Model");
        writer->GetFile().FieldWriteBlockBegin();
        EXPECT_TRUE(writer->WritePropertyBlock(properties));
        writer->GetFile().FieldWriteBlockEnd();
        writer->GetFile().FieldWriteEnd();
        ASSERT_TRUE(writer->GetFile().Close()) << writer->GetFile().GetLastErrorString();
    }

    // Opens the file and enters the "Model" block.
    void Open() {
        reader_.SetV5PropertyFormat(V5());
        ASSERT_TRUE(reader_.GetFile().Open(path_.c_str())) << reader_.GetFile().GetLastErrorString();
        ASSERT_TRUE(reader_.GetFile().FieldReadBegin("Model"));
        ASSERT_TRUE(reader_.GetFile().FieldReadBlockBegin());
    }

    ScratchFolder scratch_;
    std::string path_ = scratch_.Join("properties.wyx");
    RWyxPropertyFile reader_;
};

TEST_P(PropertyFileTest, EveryTypeComesBack) {
    HandlerPtr source = NewHandler();
    HandlerPtr target = NewHandler();
    HandlerPtr referenced = NewHandler();

    // A user property of every data type that has a type code; Vector4 types (which no
    // object makes on reading) are declared on both objects.
    for (int index = 0; index < RDataType::kTypeCount; ++index) {
        const RDataType* dataType = RDataType::At(index);
        const int typeCode = RProperty::GetPropertyTypeCode(dataType);
        if (typeCode == kPropertyTypeUnknown) continue;
        RProperty* property = nullptr;
        if (typeCode == kPropertyTypeVector4) {
            property = Declare(*source, dataType->GetName(), typeCode, RVector4(), dataType);
            Declare(*target, dataType->GetName(), typeCode, RVector4(), dataType);
        } else {
            property = source->CreateProperty(dataType->GetName(), typeCode, dataType, index % 2 == 0, true, nullptr);
            property->SetLabel(index % 3 == 0 ? "" : "Label of the property");
            property->SetMinMax(index % 5 == 0 ? -HUGE_VAL : -index, index % 4 == 0 ? HUGE_VAL : 10.0 * index);
        }
        ASSERT_TRUE(property->SetValue(SampleValue(typeCode, index))) << dataType->GetName();
    }
    // Type codes without a data type; float and charptr are declared on both objects.
    for (const int typeCode : {kPropertyTypeInt, kPropertyTypeString}) {
        RProperty* property = source->CreateProperty(RProperty::GetTypeName(typeCode), typeCode, nullptr, false, true,
                                                     nullptr);
        ASSERT_TRUE(property->SetValue(SampleValue(typeCode, 3)));
    }
    Declare(*source, "float", kPropertyTypeFloat, 0.0)->SetValue(SampleValue(kPropertyTypeFloat, 1));
    Declare(*target, "float", kPropertyTypeFloat, 0.0);
    Declare(*source, "charptr", kPropertyTypeCharPtr, RString())->SetValue(SampleValue(kPropertyTypeCharPtr, 1));
    Declare(*target, "charptr", kPropertyTypeCharPtr, RString());
    // Object references keep their property, not their connection.
    source->CreateProperty("Target", kPropertyTypeObject, nullptr, false, true, referenced.get());
    source->CreateReferenceProperty(referenced.get(), "Link")->SetFlag(RProperty::kUserProperty, true);

    std::vector<RProperty*> properties;
    for (int i = 0; i < source->GetPropertyCount(); ++i) properties.push_back(source->GetProperty(i));
    Write(properties);
    Open();
    ASSERT_TRUE(reader_.ReadPropertyBlock(*target));
    EXPECT_STREQ(reader_.GetMessageText().Buffer(), "");

    ASSERT_EQ(target->GetPropertyCount(), source->GetPropertyCount());
    for (const RProperty* written : properties) {
        SCOPED_TRACE(written->GetName());
        const RProperty* read = target->FindProperty(written->GetName());
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->GetTypeCode(), written->GetTypeCode());
        EXPECT_EQ(read->GetDataType(), written->GetDataType());
        EXPECT_EQ(read->IsUserProperty(), written->IsUserProperty());
        EXPECT_EQ(read->IsAnimatable(), written->IsAnimatable());
        if (written->GetTypeCode() == kPropertyTypeObject || written->IsReference()) {
            EXPECT_EQ(read->GetSourceCount(), 0) << "connections are stored elsewhere";
            continue;
        }
        EXPECT_TRUE(read->GetValue() == written->GetValue());
        if (written->IsUserProperty()) {
            EXPECT_STREQ(read->GetLabel(), written->GetLabel());
            EXPECT_EQ(read->GetMin(), written->GetMin());
            EXPECT_EQ(read->GetMax(), written->GetMax());
        }
    }
}

TEST_P(PropertyFileTest, UserPropertiesJoinTheSceneObject) {
    HandlerPtr source = NewHandler();
    RProperty* speed = source->CreateProperty("Speed", kPropertyTypeDouble, &RDataType::Number(), true, true, nullptr);
    speed->SetFlag(RProperty::kUserFlag, true);
    speed->SetLabel("Speed in m/s");
    speed->SetMinMax(-HUGE_VAL, 12.5);
    speed->SetDouble(Form() == WyxForm::kBinary ? 1.0 / 3.0 : 0.25);
    RProperty* tint = source->CreateProperty("Tint", kPropertyTypeColorRGB, &RDataType::Color(), false, true, nullptr);
    tint->SetValue(RVector4(0.1, 0.2, 0.3, 1.0));
    // Not saved: neither written nor made again.
    RProperty* scratch = source->CreateProperty("Scratch", kPropertyTypeInt, nullptr, false, true, nullptr);
    scratch->SetStateFlags(RProperty::kStateNotSaved, true);
    Write({speed, nullptr, tint, scratch});

    HandlerPtr target = NewHandler();
    TestSceneObject node(target.get());
    Open();
    ASSERT_TRUE(reader_.ReadPropertyBlock(*target, &node));
    EXPECT_STREQ(reader_.GetMessageText().Buffer(), "");
    EXPECT_EQ(target->FindProperty("Scratch"), nullptr);
    ASSERT_EQ(node.GetUserPropertyCount(), 2);

    RWyxUserProperty* userSpeed = node.FindUserPropertyByName("Speed");
    ASSERT_NE(userSpeed, nullptr);
    const RProperty* readSpeed = target->FindProperty("Speed");
    EXPECT_TRUE(userSpeed->IsSameProperty(readSpeed));
    EXPECT_EQ(userSpeed->GetOwner(), &node);
    EXPECT_STREQ(userSpeed->GetLabel(false), "Speed in m/s");
    EXPECT_EQ(userSpeed->GetMin(), -HUGE_VAL);
    EXPECT_EQ(userSpeed->GetMax(), 12.5);
    EXPECT_EQ(userSpeed->GetDouble(), speed->GetDouble()) << "binary files keep every bit";
    EXPECT_TRUE(userSpeed->GetFlag(RWyxUserProperty::kFlagAnimatable));
    EXPECT_TRUE(userSpeed->GetFlag(RWyxUserProperty::kFlagUserProperty));
    EXPECT_TRUE(userSpeed->GetFlag(RWyxUserProperty::kFlagExtra));
    EXPECT_TRUE(readSpeed->HasStateFlags(RProperty::kStateWriterFlag));
    EXPECT_STREQ(node.FindUserPropertyByName("Tint")->GetLabel(true), "Tint");

    // The handler is told of later changes; the block read again sets the values only.
    EXPECT_TRUE(userSpeed->SetDouble(5.0));
    EXPECT_EQ(target->told, 1);
    reader_.GetFile().FieldReadBlockEnd();
    reader_.GetFile().FieldReadEnd();
    ASSERT_TRUE(reader_.GetFile().ProjectOpenSection(RWyxFile::kMainSection));
    ASSERT_TRUE(reader_.GetFile().FieldReadBegin("Model"));
    ASSERT_TRUE(reader_.GetFile().FieldReadBlockBegin());
    ASSERT_TRUE(reader_.ReadPropertyBlock(*target, &node));
    EXPECT_EQ(node.GetUserPropertyCount(), 2);
    EXPECT_EQ(target->GetPropertyCount(), 2);
    EXPECT_EQ(userSpeed->GetDouble(), speed->GetDouble());
}

TEST_P(PropertyFileTest, RecordsAreMatchedAcrossObjectsAndFormatsStayApart) {
    HandlerPtr nodeSource = NewHandler();
    HandlerPtr attributeSource = NewHandler();
    Declare(*nodeSource, "Visibility", kPropertyTypeBool, true);
    Declare(*attributeSource, "FieldOfView", kPropertyTypeDouble, 40.0, RDataType::FindByName("FieldOfView"));
    // A read-only property is saved like any other (it is the object's state), and read
    // back it keeps the value its object gives it.
    Declare(*nodeSource, "Frozen", kPropertyTypeInt, 5)->SetReadOnly(true);
    Write({nodeSource->GetProperty(0), attributeSource->GetProperty(0), nodeSource->GetProperty(1)});

    HandlerPtr node = NewHandler();
    HandlerPtr attribute = NewHandler();
    Declare(*node, "Visibility", kPropertyTypeBool, false);
    Declare(*node, "Frozen", kPropertyTypeInt, 9)->SetReadOnly(true);
    Declare(*attribute, "FieldOfView", kPropertyTypeDouble, 25.0, RDataType::FindByName("FieldOfView"));
    Open();
    RWyxFile& file = reader_.GetFile();
    ASSERT_TRUE(file.FieldReadBegin(reader_.GetBlockName()) && file.FieldReadBlockBegin());
    EXPECT_EQ(3, file.FieldGetCount());
    ASSERT_TRUE(file.FieldReadBeginAt(2));
    EXPECT_EQ(RString("Frozen"), file.FieldReadString());
    file.FieldReadBlockEnd();
    ASSERT_TRUE(file.ProjectOpenSection(RWyxFile::kMainSection) && file.FieldReadBegin("Model") &&
                file.FieldReadBlockBegin());
    reader_.SetV5PropertyFormat(!V5());
    EXPECT_FALSE(reader_.ReadPropertyBlock({node.get(), attribute.get()})) << "the other format's block";
    reader_.SetV5PropertyFormat(V5());
    ASSERT_TRUE(reader_.ReadPropertyBlock({node.get(), nullptr, attribute.get()}));
    EXPECT_STREQ(reader_.GetMessageText().Buffer(), "");
    EXPECT_EQ(node->GetProperty(0)->GetInt(), 1);
    EXPECT_EQ(node->GetProperty(1)->GetInt(), 9);
    EXPECT_EQ(attribute->GetProperty(0)->GetDouble(), 40.0);
    EXPECT_FALSE(reader_.ReadPropertyBlock({node.get()})) << "each block is read once";
}

INSTANTIATE_TEST_SUITE_P(FormsAndFormats, PropertyFileTest,
                         ::testing::Combine(::testing::Values(WyxForm::kBinary, WyxForm::kAscii), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(FormName(std::get<0>(info.param))) +
                                    (std::get<1>(info.param) ? "V5" : "V6");
                         });

// ---- malformed records -----------------------------------------------------------------------------

class MalformedPropertyTest : public ::testing::TestWithParam<WyxForm> {
protected:
    using Value = std::variant<const char*, int, double>;

    void Record(RWyxFile& file, std::initializer_list<Value> values) {
        file.FieldWriteBegin("Property");
        for (const Value& value : values) {
            if (const char* const* text = std::get_if<const char*>(&value)) file.FieldWriteString(*text);
            if (const int* integer = std::get_if<int>(&value)) file.FieldWriteInt(*integer);
            if (const double* number = std::get_if<double>(&value)) file.FieldWriteDouble(*number);
        }
        file.FieldWriteEnd();
    }

    ScratchFolder scratch_;
    std::string path_ = scratch_.Join("malformed.wyx");
};

TEST_P(MalformedPropertyTest, BadRecordsAreSkippedWithWarnings) {
    {
        RWyxFile file;
        ASSERT_TRUE(CreateInForm(file, path_, GetParam()));
        file.FieldWriteBegin("Properties60");
        file.FieldWriteBlockBegin();
        Record(file, {"A", "int", "NoSuchType", "", 1});
        Record(file, {"B", "integer", "", "", 1});
        Record(file, {"Size", "int", "Integer", "", 1, 2});
        Record(file, {"Size", "double", "Number", "", 2.5});
        Record(file, {"Size", "int", "Integer", "Q", 3});
        Record(file, {"Size", "int", "Integer", "", "seven"});
        Record(file, {"Weight", "Vector3D", "Vector", "", 1.0, "two", 3.0});
        Record(file, {"Missing", "int", "", "", 3});
        Record(file, {"", "int", "", "", 1});
        Record(file, {"OnlyAName"});
        Record(file, {"NewVector", "Vector3D", "Vector", "U", 1.0, 2.0, "label", 0.0, 1.0});
        Record(file, {"Event", "event", "", "U"});
        Record(file, {"Quaternion", "Vector4D", "Quaternion", "U", 0.0, 0.0, 0.0, 1.0, "", 0.0, 1.0});
        Record(file, {"Size", "int", "Integer", "", 42});
        Record(file, {"Fresh", "double", "Real", "U", 1.5, "Fresh one", 0.0, 10.0});
        file.FieldWriteBegin("Other");
        file.FieldWriteInt(7);
        file.FieldWriteEnd();
        file.FieldWriteBlockEnd();
        file.FieldWriteEnd();
        file.FieldWriteBegin("Properties60");
        file.FieldWriteEnd();
        file.FieldWriteBegin("Properties");
        file.FieldWriteBlockBegin();
        Record(file, {"Size", "Integer", "", 7});
        Record(file, {"X", "Nonsense", "", 1});
        file.FieldWriteBlockEnd();
        file.FieldWriteEnd();
        ASSERT_TRUE(file.Close()) << file.GetLastErrorString();
    }
    HandlerPtr target = NewHandler();
    Declare(*target, "Size", kPropertyTypeInt, 0, &RDataType::Integer());
    RWyxPropertyFile reader;
    ASSERT_TRUE(reader.GetFile().Open(path_.c_str()));
    ASSERT_TRUE(reader.ReadPropertyBlock(*target));

    EXPECT_EQ(target->FindProperty("Size")->GetInt(), 42);
    const RProperty* fresh = target->FindProperty("Fresh");
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->GetDouble(), 1.5);
    EXPECT_STREQ(fresh->GetLabel(), "Fresh one");
    EXPECT_EQ(target->GetPropertyCount(), 2) << "nothing else was made";

    const std::string text = reader.GetMessageText().Buffer();
    const char* const expected[] = {
        "\"A\" skipped: unknown data type \"NoSuchType\"",
        "\"B\" skipped: unknown type \"integer\"",
        "\"Size\" skipped: 2 values where its type has 1",
        "\"Size\" skipped: it clashes with a property of type \"int\"",
        "\"Size\" skipped: unknown flags \"Q\"",
        "\"Size\" skipped: a value is not of its type's kind",
        "\"Weight\" skipped: a value is not of its type's kind",
        "\"Missing\" skipped: the object has no such property",
        "\"\" skipped: the record has no name",
        "\"\" skipped: the record is incomplete",
        "\"NewVector\" skipped: 5 values where its type has 6",
        "\"Event\" skipped: unknown type \"event\"",
        "\"Quaternion\" skipped: the user property cannot be made",
    };
    for (const char* warning : expected) EXPECT_NE(text.find(warning), std::string::npos) << warning;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(std::size(expected))) << text;

    // A block field without a block; a version-5 block with a type nobody knows.
    reader.ClearMessageText();
    EXPECT_FALSE(reader.ReadPropertyBlock(*target));
    reader.SetV5PropertyFormat(true);
    ASSERT_TRUE(reader.ReadPropertyBlock(*target));
    EXPECT_EQ(target->FindProperty("Size")->GetInt(), 7);
    EXPECT_STREQ(reader.GetMessageText().Buffer(), "Property \"X\" skipped: unknown type \"Nonsense\"\n");
    reader.ClearMessageText();
    EXPECT_TRUE(reader.GetMessageText().IsEmptyText());
}

// Records out of their properties' order, with gaps, find their properties; a type name read
// again stands for what it stood for the first time, but only in its own format.
TEST_P(MalformedPropertyTest, RecordsInAnyOrderAndTypeNamesReadAgain) {
    {
        RWyxFile file;
        ASSERT_TRUE(CreateInForm(file, path_, GetParam()));
        file.FieldWriteBegin("Properties");
        file.FieldWriteBlockBegin();
        Record(file, {"Tint", "Color", "", 0.25, 0.5, 0.75});
        file.FieldWriteBlockEnd();
        file.FieldWriteEnd();
        file.FieldWriteBegin("Properties60");
        file.FieldWriteBlockBegin();
        Record(file, {"E", "int", "", "", 5});
        Record(file, {"A", "int", "", "", 1});
        Record(file, {"C", "int", "", "", 3});
        Record(file, {"B", "int", "", "", 2});
        Record(file, {"Tint", "Color", "", "", 1.0, 1.0, 1.0});
        Record(file, {"U1", "Vector3D", "Lcl Translation", "U", 0.0, 0.0, 0.0, "", 0.0, 1.0});
        Record(file, {"U2", "Vector3D", "Lcl Translation", "U", 0.0, 0.0, 0.0, "", 0.0, 1.0});
        file.FieldWriteBlockEnd();
        file.FieldWriteEnd();
        ASSERT_TRUE(file.Close()) << file.GetLastErrorString();
    }
    HandlerPtr target = NewHandler();
    for (const char* name : {"A", "B", "C", "D", "E"}) Declare(*target, name, kPropertyTypeInt, 0);
    RProperty* tint = Declare(*target, "Tint", kPropertyTypeColorRGB, RVector4(), &RDataType::Color());
    RWyxPropertyFile reader;
    ASSERT_TRUE(reader.GetFile().Open(path_.c_str()));
    reader.SetV5PropertyFormat(true);
    ASSERT_TRUE(reader.ReadPropertyBlock(*target));
    EXPECT_EQ(std::get<RVector4>(tint->GetValue()), RVector4(0.25, 0.5, 0.75, 0.0));
    reader.SetV5PropertyFormat(false);
    ASSERT_TRUE(reader.ReadPropertyBlock(*target));
    EXPECT_STREQ(reader.GetMessageText().Buffer(), "Property \"Tint\" skipped: unknown type \"Color\"\n");
    EXPECT_EQ(std::get<RVector4>(tint->GetValue()), RVector4(0.25, 0.5, 0.75, 0.0));
    std::vector<int> values;
    for (int i = 0; i < 5; ++i) values.push_back(target->GetProperty(i)->GetInt());
    EXPECT_EQ(values, (std::vector<int>{1, 2, 3, 0, 5}));
    for (const char* name : {"U1", "U2"}) {
        const RProperty* made = target->FindProperty(name);
        ASSERT_NE(made, nullptr) << name;
        EXPECT_EQ(std::make_pair(made->GetTypeCode(), made->GetDataType()),
                  std::make_pair(int{kPropertyTypeVector3}, RDataType::FindByName("Lcl Translation")))
            << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, MalformedPropertyTest, ::testing::Values(WyxForm::kBinary, WyxForm::kAscii),
                         [](const auto& info) { return std::string(FormName(info.param)); });

// ---- records met again at their place --------------------------------------------------------------

// Descriptions every object of one kind shares, as a class's table rows are.
const RPropertyInfo kRows[] = {
    {"Size", kPropertyTypeInt, RProperty::kOwnedByObject},
    {"Visible", kPropertyTypeBool, RProperty::kOwnedByObject},
    {"Weight", kPropertyTypeDouble, RProperty::kOwnedByObject},
    {"Tint", kPropertyTypeColorRGB, RProperty::kOwnedByObject, &RDataType::Color()},
    {"Turn", kPropertyTypeVector4, RProperty::kOwnedByObject},
};

template <typename T>
void AddRowProperty(RObject& object, const RPropertyInfo& row, T initial) {
    auto* property = CreatePlugObject<RTypedProperty<T>>(nullptr, row, initial);
    property->Declare(row.GetName(), &object);
    object.AddProperty(property);
}

// An object of the kind: one property per row, each sharing its row.
HandlerPtr NewRowObject() {
    HandlerPtr object = NewHandler();
    AddRowProperty(*object, kRows[0], 0);
    AddRowProperty(*object, kRows[1], false);
    AddRowProperty(*object, kRows[2], 0.0);
    AddRowProperty(*object, kRows[3], RVector4());
    AddRowProperty(*object, kRows[4], RVector4());
    return object;
}

class ShapedRecordTest : public ::testing::TestWithParam<std::tuple<WyxForm, bool>> {
protected:
    using Value = std::variant<int, double, float>;

    // A block of one record per row; `values` replaces the values of the records it names, and
    // `fieldNames` the field name ("Property") of those it names.
    void Block(RWyxFile& file, const std::map<std::string, std::vector<Value>>& values = {},
               const std::map<std::string, std::string>& fieldNames = {}) {
        const bool v5 = std::get<1>(GetParam());
        const std::vector<Value> defaults[] = {{1}, {1}, {0.5}, {0.25, 0.5, 0.75}, {1.0, 2.0, 3.0, 4.0}};
        // The type code's name, then the data type's (version 5 writes the first only).
        const char* const types[][2] = {{"int", "Integer"}, {"bool", "Bool"}, {"double", "Number"},
                                        {"ColorRGB", "Color"}, {"Vector4D", "Vector4"}};
        file.FieldWriteBegin(v5 ? "Properties" : "Properties60");
        file.FieldWriteBlockBegin();
        for (std::size_t i = 0; i < std::size(kRows); ++i) {
            const std::string name = kRows[i].GetName();
            const auto fieldName = fieldNames.find(name);
            file.FieldWriteBegin(fieldName != fieldNames.end() ? fieldName->second.c_str() : "Property");
            file.FieldWriteString(name.c_str());
            file.FieldWriteString(types[i][0]);
            if (!v5) file.FieldWriteString(types[i][1]);
            file.FieldWriteString("");
            const auto given = values.find(name);
            for (const Value& value : given != values.end() ? given->second : defaults[i]) {
                if (const int* integer = std::get_if<int>(&value)) file.FieldWriteInt(*integer);
                if (const double* number = std::get_if<double>(&value)) file.FieldWriteDouble(*number);
                if (const float* number = std::get_if<float>(&value)) file.FieldWriteFloat(*number);
            }
            file.FieldWriteEnd();
        }
        file.FieldWriteBlockEnd();
        file.FieldWriteEnd();
    }

    ScratchFolder scratch_;
    std::string path_ = scratch_.Join("shaped.wyx");
};

// The first block teaches the reader its records; later blocks of the same records, read onto
// other objects of the kind, give what a reader new to them gives.
TEST_P(ShapedRecordTest, RecordsMetAgainReadAsTheFirstTime) {
    {
        RWyxFile file;
        ASSERT_TRUE(CreateInForm(file, path_, std::get<0>(GetParam())));
        Block(file);
        Block(file, {{"Size", {2}}, {"Visible", {0}}, {"Weight", {-1.5}}, {"Turn", {5.0, 6.0, 7.0, 8.0}}});
        // Numbers of the other kind are converted; a wrong count is refused.
        Block(file, {{"Size", {7.75f}}, {"Visible", {2.0}}, {"Weight", {3}}, {"Tint", {1.0, 2, 3.0}},
                     {"Turn", {1.0, 2.0, 3.0, 4.0, 5.0}}});
        for (int i = 0; i < 3; ++i) Block(file, {{"Size", {10 + i}}, {"Visible", {1}}, {"Weight", {2.5}}});
        ASSERT_TRUE(file.Close()) << file.GetLastErrorString();
    }
    RWyxPropertyFile reader;
    reader.SetV5PropertyFormat(std::get<1>(GetParam()));
    ASSERT_TRUE(reader.GetFile().Open(path_.c_str()));
    const auto read = [&reader](RObject& object) {
        reader.ClearMessageText();
        EXPECT_TRUE(reader.ReadPropertyBlock(object));
        return std::string(reader.GetMessageText().Buffer());
    };
    const auto vector = [](const RObject& object, int place) { return std::get<RVector4>(object.GetProperty(place)->GetValue()); };

    HandlerPtr first = NewRowObject();
    EXPECT_EQ(read(*first), "");
    for (int i = 0; i < first->GetPropertyCount(); ++i) ASSERT_TRUE(first->GetProperty(i)->SharesInfo()) << i;
    EXPECT_EQ(vector(*first, 3), RVector4(0.25, 0.5, 0.75, 1.0));

    HandlerPtr second = NewRowObject();
    EXPECT_EQ(read(*second), "");
    EXPECT_EQ(second->GetProperty(0)->GetInt(), 2);
    EXPECT_FALSE(std::get<bool>(second->GetProperty(1)->GetValue()));
    EXPECT_EQ(second->GetProperty(2)->GetDouble(), -1.5);
    EXPECT_EQ(vector(*second, 3), RVector4(0.25, 0.5, 0.75, 1.0));
    EXPECT_EQ(vector(*second, 4), RVector4(5.0, 6.0, 7.0, 8.0));

    HandlerPtr converted = NewRowObject();
    EXPECT_EQ(read(*converted), "Property \"Turn\" skipped: 5 values where its type has 4\n");
    EXPECT_EQ(converted->GetProperty(0)->GetInt(), 7);
    EXPECT_TRUE(std::get<bool>(converted->GetProperty(1)->GetValue()));
    EXPECT_EQ(converted->GetProperty(2)->GetDouble(), 3.0);
    EXPECT_EQ(vector(*converted, 3), RVector4(1.0, 2.0, 3.0, 1.0));
    EXPECT_EQ(vector(*converted, 4), RVector4());

    // Places moved by a property in front: each record still finds its property by name.
    HandlerPtr shifted = NewHandler();
    Declare(*shifted, "Front", kPropertyTypeInt, 0);
    AddRowProperty(*shifted, kRows[0], 0);
    AddRowProperty(*shifted, kRows[1], false);
    AddRowProperty(*shifted, kRows[2], 0.0);
    EXPECT_EQ(read(*shifted), "Property \"Tint\" skipped: the object has no such property\n"
                              "Property \"Turn\" skipped: the object has no such property\n");
    EXPECT_EQ(std::make_pair(shifted->GetProperty(0)->GetInt(), shifted->GetProperty(1)->GetInt()), std::make_pair(0, 10));
    EXPECT_EQ(shifted->GetProperty(3)->GetDouble(), 2.5);

    // The property at a record's place renamed, its name now another's: the name decides.
    HandlerPtr renamed = NewRowObject();
    ASSERT_TRUE(renamed->GetProperty(2)->SetName("Mass", false));
    Declare(*renamed, "Weight", kPropertyTypeDouble, 0.0);
    EXPECT_EQ(read(*renamed), "");
    EXPECT_EQ(renamed->GetProperty(2)->GetDouble(), 0.0);
    EXPECT_EQ(renamed->FindProperty("Weight")->GetDouble(), 2.5);

    // A name two properties share: the first in the list takes the value, as the lookup finds
    // it, though the second is the row's at the record's place.
    HandlerPtr twice = NewHandler();
    Declare(*twice, "Visible", kPropertyTypeBool, false);
    AddRowProperty(*twice, kRows[1], false);
    AddRowProperty(*twice, kRows[2], 0.0);
    EXPECT_EQ(read(*twice), "Property \"Size\" skipped: the object has no such property\n"
                            "Property \"Tint\" skipped: the object has no such property\n"
                            "Property \"Turn\" skipped: the object has no such property\n");
    EXPECT_TRUE(std::get<bool>(twice->GetProperty(0)->GetValue()));
    EXPECT_FALSE(std::get<bool>(twice->GetProperty(1)->GetValue()));
    EXPECT_EQ(twice->GetProperty(2)->GetDouble(), 2.5);
}

// A field at a record's place that is not a record, its bytes otherwise those of the record
// read there before, is passed as any such field is; the place's next record is read again.
TEST_P(ShapedRecordTest, FieldsOfAnotherNameAtARecordsPlaceAreNoRecords) {
    {
        RWyxFile file;
        ASSERT_TRUE(CreateInForm(file, path_, std::get<0>(GetParam())));
        Block(file);
        for (const char* other : {"Propertz", "Propert", "Propertys"}) {
            Block(file, {{"Size", {5}}, {"Weight", {4.5}}}, {{"Size", other}, {"Weight", other}});
        }
        Block(file, {{"Size", {6}}, {"Weight", {7.5}}});
        ASSERT_TRUE(file.Close()) << file.GetLastErrorString();
    }
    RWyxPropertyFile reader;
    reader.SetV5PropertyFormat(std::get<1>(GetParam()));
    ASSERT_TRUE(reader.GetFile().Open(path_.c_str()));
    HandlerPtr object = NewRowObject();
    ASSERT_TRUE(reader.ReadPropertyBlock(*object));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(reader.ReadPropertyBlock(*object));
        EXPECT_EQ(object->GetProperty(0)->GetInt(), 1) << i;
        EXPECT_EQ(object->GetProperty(2)->GetDouble(), 0.5) << i;
    }
    ASSERT_TRUE(reader.ReadPropertyBlock(*object));
    EXPECT_EQ(object->GetProperty(0)->GetInt(), 6);
    EXPECT_EQ(object->GetProperty(2)->GetDouble(), 7.5);
    EXPECT_EQ(reader.GetMessageText(), RString());
}

// Every byte of a block read after a block of the same records, damaged in turn: a reader that
// met the records before reads the damaged block as one new to them does (same values, same
// warnings), or both refuse the file.
TEST_P(ShapedRecordTest, DamagedRecordsMetAgainReadAsByANewReader) {
    if (std::get<0>(GetParam()) != WyxForm::kBinary) GTEST_SKIP() << "the bytes of the other forms are sealed";
    {
        RWyxFile file;
        ASSERT_TRUE(CreateInForm(file, path_, WyxForm::kBinary));
        Block(file);
        Block(file, {{"Size", {2}}, {"Visible", {0}}, {"Weight", {-1.5}}, {"Turn", {5.0, 6.0, 7.0, 8.0}}});
        ASSERT_TRUE(file.Close()) << file.GetLastErrorString();
    }
    const std::string sound = ScratchFolder::ReadFile(path_);
    // The second block begins at the second record of the first row's name.
    const std::string firstName = kRows[0].GetName();
    const std::size_t second = sound.find(firstName, sound.find(firstName) + 1);
    ASSERT_NE(second, std::string::npos);
    // The values read from the second block and the warnings, "refused" when the file does not open.
    std::string damagedPath;
    const auto readSecond = [&](bool metBefore) {
        RWyxPropertyFile reader;
        reader.SetV5PropertyFormat(std::get<1>(GetParam()));
        if (!reader.GetFile().Open(damagedPath.c_str())) return std::string("refused");
        HandlerPtr object = NewRowObject();
        if (metBefore) {
            reader.ReadPropertyBlock(*object);
        } else if (reader.GetFile().FieldReadBegin(reader.GetBlockName())) {
            reader.GetFile().FieldReadEnd();
        }
        reader.ClearMessageText();
        HandlerPtr target = NewRowObject();
        std::string seen = reader.ReadPropertyBlock(*target) ? "" : "no block\n";
        for (int i = 0; i < target->GetPropertyCount(); ++i) seen += std::string(target->GetProperty(i)->GetValueAsText().Buffer()) + "\n";
        return seen + reader.GetMessageText().Buffer();
    };
    int read = 0;
    for (std::size_t at = second - 40; at < sound.size(); ++at) {
        std::string damaged = sound;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x01);
        damagedPath = scratch_.WriteFile("damaged.wyx", damaged);
        const std::string expected = readSecond(false);
        EXPECT_EQ(readSecond(true), expected) << "byte " << at;
        read += expected != "refused";
    }
    EXPECT_GT(read, 100);
}

// A reference's record (no value) between value records: met again, it still stores nothing
// and passes the read on to the record after it; one that carries a value is refused as the
// first time.
TEST_P(ShapedRecordTest, ReferenceRecordsMetAgainStoreNothing) {
    const bool v5 = std::get<1>(GetParam());
    const RPropertyInfo rows[] = {{"Look", kPropertyTypeObject, RProperty::kOwnedByObject},
                                  {"Size", kPropertyTypeInt, RProperty::kOwnedByObject}};
    {
        RWyxFile file;
        ASSERT_TRUE(CreateInForm(file, path_, std::get<0>(GetParam())));
        for (const int size : {1, 2, 3, 4}) {
            file.FieldWriteBegin(v5 ? "Properties" : "Properties60");
            file.FieldWriteBlockBegin();
            // Name, type code, data type (version 6 only), flags.
            const auto header = [&file, v5](const char* name, const char* type, const char* dataType) {
                file.FieldWriteBegin("Property");
                file.FieldWriteString(name);
                file.FieldWriteString(type);
                if (!v5) file.FieldWriteString(dataType);
                file.FieldWriteString("");
            };
            header("Look", "object", "");
            if (size == 3) file.FieldWriteInt(5);
            file.FieldWriteEnd();
            header("Size", "int", "Integer");
            file.FieldWriteInt(size);
            file.FieldWriteEnd();
            file.FieldWriteBlockEnd();
            file.FieldWriteEnd();
        }
        ASSERT_TRUE(file.Close()) << file.GetLastErrorString();
    }
    RWyxPropertyFile reader;
    reader.SetV5PropertyFormat(v5);
    ASSERT_TRUE(reader.GetFile().Open(path_.c_str()));
    for (const int size : {1, 2, 3, 4}) {
        HandlerPtr object = NewHandler();
        auto* look = CreatePlugObject<RProperty>(nullptr, rows[0]);
        look->Declare(rows[0].GetName(), object.get());
        object->AddProperty(look);
        AddRowProperty(*object, rows[1], 0);
        ASSERT_TRUE(look->SharesInfo());
        reader.ClearMessageText();
        ASSERT_TRUE(reader.ReadPropertyBlock(*object)) << size;
        EXPECT_EQ(std::string(reader.GetMessageText().Buffer()),
                  size == 3 ? "Property \"Look\" skipped: 1 values where its type has 0\n" : "")
            << size;
        EXPECT_EQ(object->GetProperty(1)->GetInt(), size);
    }
}

INSTANTIATE_TEST_SUITE_P(FormsAndFormats, ShapedRecordTest,
                         ::testing::Combine(::testing::Values(WyxForm::kBinary, WyxForm::kEncrypted), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(FormName(std::get<0>(info.param))) +
                                    (std::get<1>(info.param) ? "V5" : "V6");
                         });

}  // namespace
