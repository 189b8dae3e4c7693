#include "attributes/RWyxOwnedProperties.h"

#include "attributes/RWyxCharacterProperties.h"
#include "attributes/RWyxControlSetPlugProperties.h"
#include "attributes/RWyxDeformerProperties.h"
#include "attributes/RWyxGenericNodeProperties.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMaterialProperties.h"
#include "attributes/RWyxPoseProperties.h"
#include "attributes/RWyxTexture.h"
#include "attributes/RWyxTextureProperties.h"
#include "core/RClassRegistry.h"
#include "core/RObjectProperty.h"
#include "core/RWyxUserProperty.h"
#include "curves/RFCurve.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace {

template <typename T>
RWyxOwnedProperties* MakeAlone() {
    return T::Create(nullptr);
}

TEST(OwnedProperties, EachClassIsRegisteredUnderItsNameBelowThePropertyHandler) {
    const struct {
        const char* name;
        int (*classId)();
        RWyxOwnedProperties* (*create)();
        int rows;
    } classes[] = {
        {"RWyxMaterialProperties", &RWyxMaterialProperties::ClassId, &MakeAlone<RWyxMaterialProperties>, 7},
        {"RWyxTextureProperties", &RWyxTextureProperties::ClassId, &MakeAlone<RWyxTextureProperties>, 12},
        {"RWyxPoseProperties", &RWyxPoseProperties::ClassId, &MakeAlone<RWyxPoseProperties>, 0},
        {"RWyxCharacterProperties", &RWyxCharacterProperties::ClassId, &MakeAlone<RWyxCharacterProperties>, 0},
        {"RWyxGenericNodeProperties", &RWyxGenericNodeProperties::ClassId, &MakeAlone<RWyxGenericNodeProperties>, 0},
        {"RWyxControlSetPlugProperties", &RWyxControlSetPlugProperties::ClassId,
         &MakeAlone<RWyxControlSetPlugProperties>, 0},
        {"RWyxDeformerProperties", &RWyxDeformerProperties::ClassId, &MakeAlone<RWyxDeformerProperties>, 1},
    };
    std::set<int> ids;
    for (const auto& c : classes) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<RWyxOwnedProperties, RPlugDestroyer> properties(c.create());
        ASSERT_NE(properties, nullptr);
        EXPECT_STREQ(properties->GetClassInfo()->name, c.name);
        EXPECT_EQ(FindClassId(c.name), c.classId());
        EXPECT_TRUE(properties->Is(RWyxPropertyHandler::ClassId()));
        EXPECT_FALSE(properties->Is(RWyxNodeProperties::ClassId()));
        EXPECT_EQ(properties->GetPropertyCount(), c.rows);
        EXPECT_TRUE(ids.insert(c.classId()).second) << "class id taken twice";
    }
}

TEST(OwnedProperties, TheDeformerRefersToItsSourceModelThroughAnObjectProperty) {
    std::unique_ptr<RWyxDeformerProperties, RPlugDestroyer> deformer(RWyxDeformerProperties::Create(nullptr));
    RObjectProperty* reference = deformer->GetSrcModelReference();
    ASSERT_NE(reference, nullptr);
    EXPECT_EQ(deformer->FindProperty("SrcModelReference"), reference);
    EXPECT_EQ(reference->GetTypeCode(), kPropertyTypeObject);

    RWyxObjectFactory factory;
    RWyxNode* model = factory.CreateNode("Arm");
    ASSERT_TRUE(reference->ConnectSource(model->GetProperties()));
    EXPECT_EQ(reference->GetReferencedObject(), model->GetProperties());
    ASSERT_TRUE(factory.DestroyNode(model, false));
    EXPECT_EQ(reference->GetReferencedObject(), nullptr);
}

// Removing a user property releases the property made for it, never a row's property.
TEST(OwnedProperties, RemovingAWrapperOfAStandardPropertyKeepsTheProperty) {
    RWyxObjectFactory factory;
    RWyxTexture* texture = factory.CreateTexture("Wood");
    RWyxTextureProperties* properties = texture->GetProperties();
    RWyxUserProperty* grain =
        texture->AddUserProperty(std::make_unique<RWyxUserProperty>(nullptr, "Grain", "Integer", "Grain"));
    ASSERT_TRUE(grain != nullptr && grain->GetProperty() != nullptr);
    EXPECT_FALSE(properties->IsStandardProperty(grain->GetProperty()));

    RWyxUserProperty* alphaWrapper = texture->FindUserProperty(properties->FindProperty("Alpha"));
    ASSERT_NE(alphaWrapper, nullptr);
    EXPECT_TRUE(properties->IsStandardProperty(alphaWrapper->GetProperty()));
    ASSERT_TRUE(texture->RemoveUserProperty(alphaWrapper));
    EXPECT_NE(properties->FindProperty("Alpha"), nullptr);
}

// Without a factory the wrappers are made directly, and the curves follow all the same.
TEST(OwnedProperties, AMaterialMadeWithoutAFactoryWrapsItsPropertiesToo) {
    RWyxMaterial material(nullptr, RString("Material::Loose"));
    ASSERT_EQ(material.GetUserPropertyCount(), RWyxMaterialProperties::kRowCount);
    material.SetOpacity(0.5);
    RFCurve* opacity = material.GetDefaultTakeNode()->GetOpacityCurve();
    ASSERT_NE(opacity, nullptr);
    EXPECT_FLOAT_EQ(opacity->GetDefaultValue(), 0.5f);
}

}  // namespace
