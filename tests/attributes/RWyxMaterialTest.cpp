#include "attributes/RWyxMaterial.h"

#include "tests/attributes/MaterialTestSupport.h"
#include "attributes/RWyxMaterialProperties.h"
#include "core/RWyxUserProperty.h"
#include "curves/RFCurve.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using material_test::ChannelDefault;
using material_test::kNaN;

namespace {

class MaterialTest : public ::testing::Test {
protected:
    RWyxObjectFactory factory;
    RWyxMaterial* material = factory.CreateMaterial("Skin");

    RWyxPropertyTable& Table() { return material->GetProperties()->GetTable(); }
    RWyxTakeNode* DefaultTake() { return material->GetDefaultTakeNode(); }
};

TEST_F(MaterialTest, ANewMaterialHasItsPrefixedNameAndTheTablesPropertiesInOrder) {
    ASSERT_NE(material, nullptr);
    EXPECT_STREQ(material->GetName().Buffer(), "Material::Skin");
    EXPECT_EQ(material->GetTypeId(), 3);
    EXPECT_EQ(material->GetProperties()->GetMaterial(), material);
    EXPECT_STREQ(material->GetShadingModel().Buffer(), "Phong");
    const struct {
        const char* name;
        const char* dataType;
        double defaultValue;  // every component
    } expected[] = {{"Emissive", "Color", 0.0}, {"Ambient", "Color", 0.2},  {"Diffuse", "Color", 0.8},
                    {"Specular", "Color", 0.0}, {"Opacity", "Number", 1.0}, {"Reflectivity", "Number", 0.0},
                    {"Shininess", "Number", 0.0}};
    std::vector<RProperty*> properties;
    material->CollectProperties(properties);
    ASSERT_EQ(properties.size(), std::size(expected));
    for (size_t i = 0; i < properties.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_STREQ(properties[i]->GetName(), expected[i].name);
        ASSERT_NE(properties[i]->GetDataType(), nullptr);
        EXPECT_STREQ(properties[i]->GetDataType()->GetName(), expected[i].dataType);
        EXPECT_TRUE(properties[i]->IsAnimatable());
        EXPECT_EQ(Table().GetVector(static_cast<int>(i)).x, expected[i].defaultValue);
        // Every channel is in the default take, its defaults the property's value.
        EXPECT_FLOAT_EQ(ChannelDefault(DefaultTake(), expected[i].name, i < 4 ? "Z" : nullptr),
                        static_cast<float>(expected[i].defaultValue));
    }
}

// Opacity and shininess through their accessors: what the property stores and what comes back,
// also when a reader stored the property directly.
TEST_F(MaterialTest, OpacityAndShininessAreClampedOnTheWayInAndOut) {
    using Getter = double (*)(const RWyxMaterial&);
    using Setter = void (*)(RWyxMaterial&, double);
    const Getter opacity = [](const RWyxMaterial& m) { return m.GetOpacity(); };
    const Getter shininess = [](const RWyxMaterial& m) { return m.GetShininess(); };
    const Setter setOpacity = [](RWyxMaterial& m, double value) { m.SetOpacity(value); };
    const Setter setShininess = [](RWyxMaterial& m, double value) { m.SetShininess(value); };
    const int kOpacity = RWyxMaterialProperties::kOpacity;
    const int kShininess = RWyxMaterialProperties::kShininess;
    const struct {
        int row;
        Setter set;  // null: the value is stored into the property directly
        Getter get;
        double given;
        double stored;
        double read;
    } cases[] = {
        {kOpacity, setOpacity, opacity, -0.5, 0.0, 0.0},       {kOpacity, setOpacity, opacity, 0.25, 0.25, 0.25},
        {kOpacity, setOpacity, opacity, 1.5, 1.0, 1.0},        {kOpacity, setOpacity, opacity, kNaN, 0.0, 0.0},
        {kOpacity, nullptr, opacity, 1.5, 1.5, 1.0},           {kOpacity, nullptr, opacity, kNaN, kNaN, 0.0},
        {kShininess, setShininess, shininess, 0.2, 25.6, 0.2}, {kShininess, setShininess, shininess, 2.0, 128.0, 1.0},
        {kShininess, setShininess, shininess, -1.0, 0.0, 0.0}, {kShininess, setShininess, shininess, kNaN, 0.0, 0.0},
        {kShininess, nullptr, shininess, 32.0, 32.0, 0.25},    {kShininess, nullptr, shininess, 200.0, 200.0, 1.0},
        {kShininess, nullptr, shininess, -5.0, -5.0, 0.0},     {kShininess, nullptr, shininess, kNaN, kNaN, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << c.row << " given " << c.given << (c.set ? "" : " directly"));
        if (c.set != nullptr) {
            c.set(*material, c.given);
            EXPECT_DOUBLE_EQ(Table().GetNumber(c.row), c.stored);
        } else {
            ASSERT_TRUE(Table().SetNumber(c.row, c.given));
        }
        EXPECT_DOUBLE_EQ(c.get(*material), c.read);
    }
}

TEST_F(MaterialTest, EachColourKeepsItsRgbWithAlphaOneAndLeavesTheOthers) {
    using Get = RWyxColor (*)(const RWyxMaterial&);
    using Set = void (*)(RWyxMaterial&, const RWyxColor&);
    const struct {
        int row;
        Get get;
        Set set;
    } colors[] = {
        {RWyxMaterialProperties::kAmbient, [](const RWyxMaterial& m) { return m.GetAmbientColor(); },
         [](RWyxMaterial& m, const RWyxColor& c) { m.SetAmbientColor(c); }},
        {RWyxMaterialProperties::kDiffuse, [](const RWyxMaterial& m) { return m.GetDiffuseColor(); },
         [](RWyxMaterial& m, const RWyxColor& c) { m.SetDiffuseColor(c); }},
        {RWyxMaterialProperties::kSpecular, [](const RWyxMaterial& m) { return m.GetSpecularColor(); },
         [](RWyxMaterial& m, const RWyxColor& c) { m.SetSpecularColor(c); }},
        {RWyxMaterialProperties::kEmissive, [](const RWyxMaterial& m) { return m.GetEmissiveColor(); },
         [](RWyxMaterial& m, const RWyxColor& c) { m.SetEmissiveColor(c); }},
    };
    for (size_t i = 0; i < std::size(colors); ++i) {
        SCOPED_TRACE(i);
        const double shade = 0.1 * static_cast<double>(i + 1);
        colors[i].set(*material, RWyxColor(shade, 0.5, 0.75, 0.5));
        EXPECT_EQ(Table().GetVector(colors[i].row).x, shade);
        for (size_t j = 0; j <= i; ++j) {
            const double expected = 0.1 * static_cast<double>(j + 1);
            EXPECT_EQ(colors[j].get(*material), RWyxColor(expected, 0.5, 0.75, 1.0)) << j;
        }
    }
}

TEST_F(MaterialTest, CurveDefaultsFollowTheValuesAndTheDefaultTakesCurvesWriteThemBack) {
    material->SetDiffuseColor(RWyxColor(0.1, 0.2, 0.3, 1.0));
    material->SetShininess(0.5);
    material->SetReflectivity(0.75);
    EXPECT_FLOAT_EQ(ChannelDefault(DefaultTake(), "Diffuse", "X"), 0.1f);
    EXPECT_FLOAT_EQ(ChannelDefault(DefaultTake(), "Diffuse", "Y"), 0.2f);
    EXPECT_FLOAT_EQ(ChannelDefault(DefaultTake(), "Shininess"), 64.0f);
    EXPECT_FLOAT_EQ(ChannelDefault(DefaultTake(), "Reflectivity"), 0.75f);

    RFCurve* opacity = DefaultTake()->GetOpacityCurve();
    RFCurve* diffuseBlue = DefaultTake()->GetDiffuseZCurve();
    ASSERT_TRUE(opacity != nullptr && diffuseBlue != nullptr);
    opacity->SetDefaultValue(0.5f);
    EXPECT_EQ(material->GetOpacity(), 0.5);
    diffuseBlue->SetDefaultValue(0.25f);
    EXPECT_EQ(material->GetDiffuseColor(), RWyxColor(0.1, 0.2, 0.25, 1.0));
}

TEST_F(MaterialTest, ATakeAddedLaterHasTheChannelsAndFollowsWhileCurrent) {
    material->SetSpecularColor(RWyxColor(0.5, 0.5, 0.5, 1.0));
    RWyxTakeNode* later = material->AddTakeNode("Take 001");
    ASSERT_NE(later, nullptr);
    EXPECT_FLOAT_EQ(ChannelDefault(later, "Specular", "Y"), 0.5f);
    // Only the current and the default take follow a change.
    material->SetOpacity(0.75);
    EXPECT_FLOAT_EQ(ChannelDefault(later, "Opacity"), 1.0f);
    ASSERT_TRUE(material->SetCurrentTakeNodeByName("Take 001"));
    material->SetOpacity(0.5);
    EXPECT_FLOAT_EQ(ChannelDefault(later, "Opacity"), 0.5f);
    EXPECT_FLOAT_EQ(ChannelDefault(DefaultTake(), "Opacity"), 0.5f);
}

TEST_F(MaterialTest, AnAnimatableUserPropertyBecomesAPropertyWithChannelsUntilRemoved) {
    auto record = std::make_unique<RWyxUserProperty>(nullptr, "Gloss", "Real", "Gloss");
    record->SetFlag(RWyxUserProperty::kFlagAnimatable, true);
    RWyxUserProperty* gloss = material->AddUserProperty(std::move(record));
    ASSERT_NE(gloss, nullptr);
    ASSERT_NE(material->GetProperties()->FindProperty("Gloss"), nullptr);
    gloss->SetDouble(0.75);
    EXPECT_FLOAT_EQ(ChannelDefault(DefaultTake(), "Gloss"), 0.75f);

    ASSERT_TRUE(material->RemoveUserProperty(gloss));
    EXPECT_EQ(material->GetProperties()->FindProperty("Gloss"), nullptr);
    EXPECT_EQ(material_test::ChannelCurve(DefaultTake(), "Gloss"), nullptr);
}

TEST_F(MaterialTest, PrepareDestroyAndDestroyLeaveAUsingNodeWithoutTheConnection) {
    RWyxNode* node = factory.CreateNode("Body");
    ASSERT_TRUE(node->GetProperties()->ConnectSource(material->GetProperties()));
    material->PrepareDestroy();
    EXPECT_EQ(node->GetProperties()->GetSourceCount(), 0);
    material->SetOpacity(0.5);  // still whole
    EXPECT_EQ(material->GetOpacity(), 0.5);

    ASSERT_TRUE(node->GetProperties()->ConnectSource(material->GetProperties()));
    ASSERT_TRUE(factory.DestroyMaterial(material));
    EXPECT_EQ(node->GetProperties()->GetSourceCount(), 0);
}

// A properties object kept alive by a lock past its material must not call the material.
TEST(MaterialLifetime, APropertiesObjectOutlivingItsMaterialForgetsIt) {
    RWyxObjectFactory factory;
    RWyxMaterial* material = factory.CreateMaterial("Skin");
    RWyxMaterialProperties* properties = material->GetProperties();
    RPlugLock keep(properties);
    ASSERT_TRUE(factory.DestroyMaterial(material));
    ASSERT_EQ(properties->GetOwner(), nullptr) << "the properties object still points at its destroyed material";
    RProperty* opacity = properties->FindProperty("Opacity");
    ASSERT_NE(opacity, nullptr);
    EXPECT_TRUE(opacity->SetDouble(0.5));
}

TEST(MaterialLifetime, FactoryTeardownWithConnectedMaterialsAndNodesIsClean) {
    for (const bool nodeFirst : {true, false}) {
        SCOPED_TRACE(nodeFirst);
        RWyxObjectFactory factory;
        RWyxMaterial* material = factory.CreateMaterial("Skin");
        RWyxNode* node = factory.CreateNode("Body");
        ASSERT_TRUE(node->GetProperties()->ConnectSource(material->GetProperties()));
        material->AddTakeNode("Take 001");
        ASSERT_TRUE(nodeFirst ? factory.DestroyNode(node, false) : factory.DestroyMaterial(material));
        factory.DestroyAll();
        EXPECT_EQ(factory.GetMaterialCount(), 0);
    }
}

}  // namespace
