#include "core/RDataType.h"

#include "core/FilePaths.h"
#include "core/RIniFile.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/CommaLocale.h"

#include <clocale>
#include <cmath>
#include <string>

#include <gtest/gtest.h>

namespace {

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

TEST_F(DataTypeTest, TableOrderBasesAndLookup) {
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
    EXPECT_EQ(RDataType::At(-1), nullptr);
    EXPECT_EQ(RDataType::At(RDataType::kTypeCount), nullptr);
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

    EXPECT_EQ(RDataType::FindByName("number"), &RDataType::Number());
    EXPECT_EQ(RDataType::FindByName("LCL TRANSLATION"), RDataType::At(27));
    EXPECT_EQ(RDataType::FindByName("Trigger"), &RDataType::Action());
    EXPECT_EQ(RDataType::FindByName("trigger"), nullptr);
    EXPECT_EQ(RDataType::FindByName("Lcl"), nullptr);
    EXPECT_EQ(RDataType::FindByName(nullptr), nullptr);
}

TEST_F(DataTypeTest, BareTypeIsFoundWhileItLivesAndHasNoValue) {
    {
        const RDataType trigger("trigger");
        EXPECT_EQ(RDataType::FindByName("trigger"), &trigger);
        EXPECT_EQ(RDataType::FindByName("Trigger"), &RDataType::Action());
        EXPECT_EQ(trigger.GetBaseType(), &trigger);
        RDataValue value(5.0);
        char buffer[8] = "keep";
        EXPECT_FALSE(trigger.SetDefault(value));
        EXPECT_FALSE(trigger.FromText("1", value));
        EXPECT_FALSE(trigger.ToText(buffer, sizeof(buffer), value));
        EXPECT_STREQ(buffer, "keep");
        EXPECT_EQ(value.GetNumber(), 5.0);
        EXPECT_EQ(trigger.GetComponentName(0), nullptr);
    }
    EXPECT_EQ(RDataType::FindByName("trigger"), nullptr);
    EXPECT_EQ(RDataType::FindByName("Number"), &RDataType::Number());
}

TEST_F(DataTypeTest, ComponentNames) {
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
    EXPECT_TRUE(RDataType::Number().FromText("abc", value));
    EXPECT_EQ(value.GetNumber(), 0.0);
    EXPECT_TRUE(RDataType::FindByName("Real")->FromText("  +2.5kg", value));
    EXPECT_EQ(value.GetNumber(), 2.5);
    EXPECT_TRUE(RDataType::Number().FromText("1e400", value));
    EXPECT_TRUE(std::isinf(value.GetNumber()));

    value = RDataValue(RVector3(9.0, 9.0, 9.0));
    for (const char* text : {"{1,2}", "{1,2", "{1,2,", "{1;2;3}", "1,2,3}", "{1,2,3", "{1,,3}", "{1 ,2,3}",
                             "{1,2,3,4}", "{", ""}) {
        EXPECT_FALSE(RDataType::Vector().FromText(text, value)) << text;
    }
    EXPECT_EQ(value.GetVector().x, 9.0);  // a refused text changes nothing

    EXPECT_TRUE(RDataType::Vector().FromText("{ 1, 2.5,-3}tail", value));
    EXPECT_EQ(value.GetVector().y, 2.5);
    EXPECT_EQ(value.GetVector().z, -3.0);
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
        EXPECT_FALSE(type.ToText(buffer, 0, values[base]));
        EXPECT_FALSE(type.ToText(nullptr, 8, values[base]));
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

}  // namespace
