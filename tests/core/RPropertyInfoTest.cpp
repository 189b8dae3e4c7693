#include "core/RProperty.h"
#include "core/RPropertyInfo.h"
#include "core/RWyxStringList.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const char* NameOfOne(const RProperty&, int) { return "one"; }

}  // namespace

TEST(RPropertyInfo, StartsEmptyWithAnUnboundedRange) {
    const RPropertyInfo info;
    EXPECT_EQ(info.GetFlags(), 0u);
    EXPECT_STREQ(info.GetName(), "");
    EXPECT_FALSE(info.HasLabel());
    EXPECT_EQ(info.GetDataType(), nullptr);
    EXPECT_EQ(info.GetMin(), -HUGE_VAL);
    EXPECT_EQ(info.GetMax(), HUGE_VAL);
    EXPECT_EQ(info.GetTypeCode(), kPropertyTypeUnknown);
    EXPECT_EQ(info.GetEnumList(), nullptr);
    EXPECT_EQ(info.GetEnumNameCallback(), nullptr);
    EXPECT_EQ(info.GetIndex(), -1);
}

TEST(RPropertyInfo, DefaultDataTypeOfEveryTypeCode) {
    for (int code = 0; code < kPropertyTypeCount; ++code) {
        const RDataType* expected = nullptr;
        switch (code) {
            case kPropertyTypeDouble: expected = &RDataType::Number(); break;
            case kPropertyTypeTime: expected = &RDataType::Time(); break;
            case kPropertyTypeVector4: expected = &RDataType::Vector4(); break;
            case kPropertyTypeVector3: expected = &RDataType::Vector(); break;
            case kPropertyTypeColorRGB: expected = &RDataType::Color(); break;
            case kPropertyTypeColorRGBA: expected = &RDataType::ColorAndAlpha(); break;
            default: break;
        }
        RPropertyInfo info;
        info.SetTypeCode(code);
        EXPECT_EQ(info.GetDataType(), expected) << code;
        info.SetDataType(&RDataType::Enum());  // a data type of its own wins
        EXPECT_EQ(info.GetDataType(), &RDataType::Enum()) << code;
    }
}

TEST(RPropertyInfo, RangeLabelAndEnumerationNames) {
    RPropertyInfo info;
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
}
