#include "attributes/RWyxTexture.h"

#include "tests/attributes/MaterialTestSupport.h"
#include "attributes/RWyxTextureProperties.h"
#include "curves/RFCurve.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

#include <gtest/gtest.h>

#include <vector>

using material_test::ChannelDefault;

namespace {

class TextureTest : public ::testing::Test {
protected:
    RWyxObjectFactory factory;
    RWyxTexture* texture = factory.CreateTexture("Wood");

    RWyxPropertyTable& Table() { return texture->GetProperties()->GetTable(); }
};

// The table as the writers and readers see it: names, data types, defaults, animation, order.
TEST_F(TextureTest, ANewTextureHasItsPrefixedNameAndTheTablesPropertiesInOrder) {
    ASSERT_NE(texture, nullptr);
    EXPECT_STREQ(texture->GetName().Buffer(), "Texture::Wood");
    EXPECT_EQ(texture->GetTypeId(), 2);
    EXPECT_STREQ(texture->GetTypeDescription().Buffer(), "TextureVideoClip");
    EXPECT_EQ(texture->GetProperties()->GetTexture(), texture);
    const struct {
        const char* name;
        const char* dataType;
        double x;  // every component of a vector
        bool animatable;
        const char* valueName;  // an enumeration's default, else null
    } expected[] = {
        {"TextureUse", "Enum", 0, false, "Standard"},
        {"Alpha", "Number", 1, true, nullptr},
        {"Texture_Mapping_Type", "Enum", 6, false, "UV"},
        {"Texture_Planar_Mapping_Normal", "Enum", 0, false, "X"},
        {"UVSwap", "Bool", 0, false, nullptr},
        {"WrapModeU", "Enum", 0, false, "Repeat"},
        {"WrapModeV", "Enum", 0, false, "Repeat"},
        {"Translation", "Translation", 0, true, nullptr},
        {"Rotation", "Rotation", 0, true, nullptr},
        {"Scaling", "Scaling", 1, true, nullptr},
        {"BlendMode", "Enum", 0, false, "Translucent"},
        {"MaterialMode", "Integer", 0, false, nullptr},
    };
    std::vector<RProperty*> properties;
    texture->CollectProperties(properties);
    ASSERT_EQ(properties.size(), std::size(expected));
    for (size_t i = 0; i < properties.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        const RProperty& property = *properties[i];
        EXPECT_STREQ(property.GetName(), expected[i].name);
        ASSERT_NE(property.GetDataType(), nullptr);
        EXPECT_STREQ(property.GetDataType()->GetName(), expected[i].dataType);
        EXPECT_EQ(property.IsAnimatable(), expected[i].animatable);
        const RVector4 value = Table().GetVector(static_cast<int>(i));
        const bool vector = property.GetDataType()->GetComponentCount() == 3;
        EXPECT_EQ(vector ? value.z : property.GetDouble(), expected[i].x);
        if (expected[i].valueName != nullptr) {
            EXPECT_STREQ(property.GetEnumName(property.GetInt()), expected[i].valueName);
        }
    }
    EXPECT_STREQ(RWyxTextureProperties::BlendModeName(3), "Modulate2");
    EXPECT_EQ(RWyxTextureProperties::MappingTypeName(8), nullptr);
}

TEST_F(TextureTest, TheUvAccessorsReadAndWriteTheirComponentsAndKeepTheThirdOne) {
    ASSERT_TRUE(Table().SetVector(RWyxTextureProperties::kTranslation, RVector4(0, 0, 7, 1)));
    ASSERT_TRUE(Table().SetVector(RWyxTextureProperties::kScaling, RVector4(1, 1, 5, 1)));
    texture->SetTranslationUV(0.25, 0.5);
    texture->SetRotationUVW(10.0, 20.0, 90.0);
    texture->SetScalingUV(2.0, 3.0);
    const double read[] = {texture->GetTranslationU(), texture->GetTranslationV(), texture->GetRotationU(),
                           texture->GetRotationV(),    texture->GetRotationW(),    texture->GetScalingU(),
                           texture->GetScalingV()};
    const double expected[] = {0.25, 0.5, 10.0, 20.0, 90.0, 2.0, 3.0};
    for (size_t i = 0; i < std::size(read); ++i) EXPECT_EQ(read[i], expected[i]) << i;
    EXPECT_EQ(Table().GetVector(RWyxTextureProperties::kTranslation).z, 7.0);
    EXPECT_EQ(Table().GetVector(RWyxTextureProperties::kScaling).z, 5.0);
}

TEST_F(TextureTest, PlacementAndAlphaChannelsFollowInEveryTakeMadeFromTheDefault) {
    texture->SetTranslationUV(0.25, 0.5);
    texture->SetRotationUVW(0.0, 0.0, 45.0);
    texture->SetScalingUV(2.0, 4.0);
    texture->SetDefaultAlpha(0.3);
    RWyxTakeNode* later = texture->AddTakeNode("Take 001");
    ASSERT_NE(later, nullptr);
    const struct {
        RWyxTakeNode::Channel channel;
        float value;
    } channels[] = {
        {RWyxTakeNode::TextureTranslationX, 0.25f}, {RWyxTakeNode::TextureTranslationY, 0.5f},
        {RWyxTakeNode::TextureRotationZ, 45.0f},    {RWyxTakeNode::TextureScalingY, 4.0f},
        {RWyxTakeNode::Alpha, 0.3f},
    };
    for (RWyxTakeNode* take : {texture->GetDefaultTakeNode(), later}) {
        for (const auto& c : channels) {
            SCOPED_TRACE(testing::Message() << take->GetName().Buffer() << " channel " << c.channel);
            RFCurve* curve = take->GetChannelCurve(c.channel);
            ASSERT_NE(curve, nullptr);
            EXPECT_FLOAT_EQ(curve->GetDefaultValue(), c.value);
        }
        // The scan of animated texture channels looks for exactly these four.
        EXPECT_EQ(take->GetRootCurveNode()->GetChildCount(), 4);
    }
    RFCurve* alpha = texture->GetDefaultTakeNode()->GetAlphaCurve();
    ASSERT_NE(alpha, nullptr);
    alpha->SetDefaultValue(0.5f);
    EXPECT_EQ(texture->GetDefaultAlpha(), 0.5);
}

// Distinct values through the accessors: each lands in its own property and comes back.
TEST_F(TextureTest, EachModeAccessorUsesItsOwnProperty) {
    texture->SetTextureUse(1);
    texture->SetMappingType(2);
    texture->SetPlanarMappingNormal(3);
    texture->SetSwapUV(true);
    texture->SetMaterialMode(5);
    texture->SetWrapMode(6, 7);
    texture->SetBlendMode(8);
    const struct {
        const char* name;
        int value;
        int read;
    } modes[] = {
        {"TextureUse", 1, texture->GetTextureUse()},       {"Texture_Mapping_Type", 2, texture->GetMappingType()},
        {"Texture_Planar_Mapping_Normal", 3, texture->GetPlanarMappingNormal()},
        {"UVSwap", 1, texture->GetSwapUV() ? 1 : 0},       {"MaterialMode", 5, texture->GetMaterialMode()},
        {"WrapModeU", 6, texture->GetWrapModeU()},         {"WrapModeV", 7, texture->GetWrapModeV()},
        {"BlendMode", 8, texture->GetBlendMode()},
    };
    for (const auto& mode : modes) {
        const RProperty* property = texture->GetProperties()->FindProperty(mode.name);
        ASSERT_NE(property, nullptr) << mode.name;
        EXPECT_EQ(property->GetInt(), mode.value) << mode.name;
        EXPECT_EQ(mode.read, mode.value) << mode.name;
    }
}

TEST_F(TextureTest, ANewFileNameDropsTheRelativeNameOfTheFormerFile) {
    texture->SetFileName(RString("C:\\maps\\wood.bmp"));
    texture->SetRelativeFileName(RString("maps\\wood.bmp"));
    texture->SetFileName(RString("C:\\maps\\wood.bmp"));
    EXPECT_STREQ(texture->GetRelativeFileName().Buffer(), "maps\\wood.bmp");
    texture->SetFileName(RString("C:\\maps\\oak.bmp"));
    EXPECT_STREQ(texture->GetFileName().Buffer(), "C:\\maps\\oak.bmp");
    EXPECT_TRUE(texture->GetRelativeFileName().IsEmptyText());
}

TEST_F(TextureTest, CroppingHasFourValuesAndRefusesOtherIndices) {
    for (int i = 0; i < RWyxTexture::kCroppingCount; ++i) EXPECT_TRUE(texture->SetCropping(i, 10 + i));
    for (int i = 0; i < RWyxTexture::kCroppingCount; ++i) EXPECT_EQ(texture->GetCropping(i), 10 + i);
    for (const int outside : {-1, 4}) {
        EXPECT_FALSE(texture->SetCropping(outside, 99));
        EXPECT_EQ(texture->GetCropping(outside), 0);
    }
}

TEST(TextureLifetime, DestroyingATextureANodeUsesIsClean) {
    RWyxObjectFactory factory;
    RWyxTexture* texture = factory.CreateTexture("Wood");
    RWyxNode* node = factory.CreateNode("Body");
    ASSERT_TRUE(node->GetProperties()->ConnectSource(texture->GetProperties()));
    ASSERT_TRUE(factory.DestroyTexture(texture));
    EXPECT_EQ(node->GetProperties()->GetSourceCount(), 0);
    EXPECT_EQ(factory.FindTexture("Wood", 0), nullptr);
}

}  // namespace
