// The channels each attribute kind adds to its owner's take nodes, and the kinds' type names.

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMarker.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxOptical.h"
#include "attributes/RWyxSkeleton.h"

#include "core/RDataType.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

#include <gtest/gtest.h>

#include "tests/attributes/CurveDefaults.h"

#include <functional>
#include <string>
#include <vector>

namespace {

using attribute_test::DefaultOf;
using attribute_test::SetDefaultOf;

struct ChannelCase {
    const char* kind;
    std::function<RWyxNodeAttribute*(RWyxObjectFactory&)> make;
    std::vector<const char*> channels;                // children of the take node's root
    std::vector<RWyxTakeNode::Channel> accessors;     // the take node's named accessors that find them
};

std::vector<ChannelCase> ChannelCases() {
    using C = RWyxTakeNode;
    return {
        {"light", [](RWyxObjectFactory& f) { return f.CreateLight(); },
         {"Color", "Intensity", "Cone angle", "Fog"},
         {C::ColorX, C::ColorY, C::ColorZ, C::Intensity, C::ConeAngle, C::Fog}},
        {"camera", [](RWyxObjectFactory& f) { return f.CreateCamera(); },
         {"FieldOfView", "FieldOfViewX", "FieldOfViewY", "OpticalCenterX", "OpticalCenterY", "Roll", "TurnTable",
          "BackgroundColor (Color)"},
         {C::FieldOfView, C::FieldOfViewX, C::FieldOfViewY, C::OpticalCenterX, C::OpticalCenterY, C::Roll,
          C::TurnTable, C::BackgroundColorX, C::BackgroundColorY, C::BackgroundColorZ}},
        {"marker", [](RWyxObjectFactory& f) { return f.CreateMarker(); },
         {"Occlusion", "IK Reach Translation", "IK Reach Rotation"},
         {C::Occlusion, C::IKReachTranslation, C::IKReachRotation}},
        {"null", [](RWyxObjectFactory& f) { return f.CreateNull(); }, {}, {}},
        {"skeleton", [](RWyxObjectFactory& f) { return f.CreateSkeleton(); }, {}, {}},
        {"optical", [](RWyxObjectFactory& f) { return f.CreateOptical(); }, {}, {}},
    };
}

bool HasChannel(RWyxTakeNode& takeNode, const char* name) {
    return takeNode.GetRootCurveNode()->GetChildIndexByName(name) >= 0;
}

// The node's own channels plus `extra`.
int RootChildCount(RWyxTakeNode& takeNode) { return takeNode.GetRootCurveNode()->GetChildCount(); }

}  // namespace

TEST(AttributeChannels, AttachingAddsTheChannelsToEveryTakeNodeAndDetachingRemovesThem) {
    for (const ChannelCase& c : ChannelCases()) {
        SCOPED_TRACE(c.kind);
        RWyxObjectFactory factory;
        RWyxNode* node = factory.CreateNode("Holder");
        ASSERT_NE(node->AddTakeNode("Take 001"), nullptr);
        ASSERT_NE(node->AddTakeNode("Take 002"), nullptr);
        const int ownChannels = RootChildCount(*node->GetDefaultTakeNode());
        RWyxNodeAttribute* attribute = c.make(factory);

        node->SetNodeAttribute(attribute);
        for (int take = 0; take < node->GetTakeNodeCount(); ++take) {
            RWyxTakeNode& takeNode = *node->GetTakeNode(take);
            SCOPED_TRACE(takeNode.GetName().Buffer());
            for (const char* channel : c.channels) EXPECT_TRUE(HasChannel(takeNode, channel)) << channel;
            for (RWyxTakeNode::Channel accessor : c.accessors) EXPECT_NE(takeNode.GetChannelCurve(accessor), nullptr);
            EXPECT_EQ(RootChildCount(takeNode), ownChannels + static_cast<int>(c.channels.size()));
        }

        node->SetNodeAttribute(nullptr);
        ASSERT_EQ(attribute->GetNode(), nullptr);
        for (int take = 0; take < node->GetTakeNodeCount(); ++take) {
            RWyxTakeNode& takeNode = *node->GetTakeNode(take);
            SCOPED_TRACE(takeNode.GetName().Buffer());
            for (const char* channel : c.channels) EXPECT_FALSE(HasChannel(takeNode, channel)) << channel;
            EXPECT_EQ(RootChildCount(takeNode), ownChannels);
            EXPECT_NE(takeNode.GetTranslationXCurve(), nullptr);  // the node's own channels stay
        }

        // Attached again, and a take added afterwards carries the channels too.
        node->SetNodeAttribute(attribute);
        RWyxTakeNode* later = node->AddTakeNode("Take 003");
        ASSERT_NE(later, nullptr);
        for (const char* channel : c.channels) EXPECT_TRUE(HasChannel(*later, channel)) << channel;
        EXPECT_EQ(RootChildCount(*later), ownChannels + static_cast<int>(c.channels.size()));
    }
}

TEST(AttributeChannels, ChannelsCarryTheirDataTypeAndStartAtThePropertyValue) {
    RWyxObjectFactory factory;
    RWyxNode* node = factory.CreateNode("Lamp");
    RWyxLight* light = factory.CreateLight();
    light->SetDefaultIntensity(75.0);
    light->SetDefaultColor(0.5, 0.25, 0.125);
    node->SetNodeAttribute(light);
    RWyxTakeNode* defaultTake = node->GetDefaultTakeNode();
    RFCurveNode* root = defaultTake->GetRootCurveNode();
    const RFCurveNode* intensity = root->GetChild(root->GetChildIndexByName("Intensity"));
    ASSERT_NE(intensity, nullptr);
    EXPECT_EQ(intensity->GetDataType(), RDataType::FindByName("Intensity"));
    EXPECT_FLOAT_EQ(DefaultOf(defaultTake->GetIntensityCurve()), 75.0f);
    EXPECT_FLOAT_EQ(DefaultOf(defaultTake->GetColorZCurve()), 0.125f);
    EXPECT_EQ(defaultTake->FindCurveByType(nullptr, nullptr, RDataType::FindByName("Cone angle")),
              defaultTake->GetConeAngleCurve());
}

TEST(AttributeChannels, OnlyTheDefaultTakesCurvesAreLinkedToTheProperties) {
    RWyxObjectFactory factory;
    RWyxNode* node = factory.CreateNode("Lamp");
    node->AddTakeNode("Take 001");
    RWyxLight* light = factory.CreateLight();
    const int nodeLinks = node->GetPropertyCurveLinkCount();
    node->SetNodeAttribute(light);
    // Colour X, Y, Z, intensity, cone angle and fog of the default take.
    EXPECT_EQ(node->GetPropertyCurveLinkCount(), nodeLinks + 6);
    RProperty* fog = light->GetProperties()->FindProperty("Fog");
    SetDefaultOf(node->GetTakeNode(1)->GetFogCurve(), 5.0f);
    EXPECT_DOUBLE_EQ(fog->GetDouble(), 50.0);
    SetDefaultOf(node->GetDefaultTakeNode()->GetFogCurve(), 20.0f);
    EXPECT_DOUBLE_EQ(fog->GetDouble(), 20.0);
    EXPECT_DOUBLE_EQ(light->GetDefaultFog(), 20.0);

    // Once detached the curves are gone, and their links with them.
    node->SetNodeAttribute(nullptr);
    EXPECT_EQ(node->GetPropertyCurveLinkCount(), nodeLinks);
}

TEST(AttributeChannels, CollectedPropertiesFollowTheNodesInTheAttributesOrder) {
    RWyxObjectFactory factory;
    RWyxNode* node = factory.CreateNode("Lamp");
    RWyxLight* light = factory.CreateLight();
    node->SetNodeAttribute(light);
    std::vector<RProperty*> properties;
    node->CollectProperties(properties);
    const RObject* lightProperties = light->GetProperties();
    ASSERT_GE(properties.size(), static_cast<size_t>(lightProperties->GetPropertyCount()));
    const size_t first = properties.size() - static_cast<size_t>(lightProperties->GetPropertyCount());
    for (int i = 0; i < lightProperties->GetPropertyCount(); ++i) {
        EXPECT_EQ(properties[first + static_cast<size_t>(i)], lightProperties->GetProperty(i));
    }
    EXPECT_STREQ(properties[first]->GetName(), "LightType");
}

// ---- type names --------------------------------------------------------------------------------

namespace {

struct TypeNameCase {
    const char* what;
    std::function<RWyxNodeAttribute*(RWyxObjectFactory&)> make;
    int typeId;
    const char* typeName;
    const char* typeNameList;  // "~"-joined
};

std::vector<TypeNameCase> TypeNameCases() {
    const auto marker = [](int type) {
        return [type](RWyxObjectFactory& f) -> RWyxNodeAttribute* {
            RWyxMarker* m = f.CreateMarker();
            m->SetType(type);
            return m;
        };
    };
    const auto skeleton = [](int type) {
        return [type](RWyxObjectFactory& f) -> RWyxNodeAttribute* {
            RWyxSkeleton* s = f.CreateSkeleton();
            s->SetSkeletonType(type);
            return s;
        };
    };
    return {
        {"null", [](RWyxObjectFactory& f) { return f.CreateNull(); }, 1, "Null", "Null"},
        {"marker", marker(0), 2, "Marker", "Marker"},
        {"optical marker", marker(1), 2, "OpticalMarker", "Marker"},
        {"IK effector", marker(2), 2, "IKEffector", "Marker"},
        {"FK effector", marker(3), 2, "FKEffector", "Marker"},
        {"root", skeleton(0), 3, "Root", "Null~Skeleton~Root"},
        {"limb", skeleton(1), 3, "Limb", "Skeleton"},
        {"limb node", skeleton(2), 3, "LimbNode", "Skeleton"},
        {"second root kind", skeleton(3), 3, "Root", "Null~Skeleton~Root"},
        {"camera", [](RWyxObjectFactory& f) { return f.CreateCamera(); }, 7, "Camera", "Camera"},
        {"light", [](RWyxObjectFactory& f) { return f.CreateLight(); }, 9, "Light", "Light"},
        {"optical", [](RWyxObjectFactory& f) { return f.CreateOptical(); }, 10, "Optical", "Marker"},
    };
}

}  // namespace

TEST(AttributeTypeNames, EveryKindAndTypeHasItsNameAndNameList) {
    RWyxObjectFactory factory;
    for (const TypeNameCase& c : TypeNameCases()) {
        SCOPED_TRACE(c.what);
        RWyxNodeAttribute* attribute = c.make(factory);
        ASSERT_NE(attribute, nullptr);
        EXPECT_EQ(attribute->GetAttributeType(), c.typeId);
        EXPECT_STREQ(attribute->GetTypeName().Buffer(), c.typeName);
        const std::unique_ptr<RWyxStringList> list = attribute->GetTypeNameList();
        RString joined;
        list->GetText(joined);
        EXPECT_STREQ(joined.Buffer(), c.typeNameList);

        // The node answers with its attribute's names.
        RWyxNode* node = factory.CreateNode(c.what);
        node->SetNodeAttribute(attribute);
        EXPECT_STREQ(node->GetTypeName().Buffer(), c.typeName);
    }
}

TEST(AttributeTypeNames, TypesOutsideTheirRangeAreRefused) {
    RWyxObjectFactory factory;
    RWyxMarker* marker = factory.CreateMarker();
    ASSERT_TRUE(marker->SetType(RWyxMarker::kIKEffector));
    EXPECT_FALSE(marker->SetType(4));
    EXPECT_FALSE(marker->SetType(-1));
    EXPECT_EQ(marker->GetType(), RWyxMarker::kIKEffector);
    EXPECT_STREQ(marker->GetTypeName().Buffer(), "IKEffector");

    RWyxSkeleton* skeleton = factory.CreateSkeleton();
    ASSERT_TRUE(skeleton->SetSkeletonType(RWyxSkeleton::kLimb));
    EXPECT_FALSE(skeleton->SetSkeletonType(4));
    EXPECT_FALSE(skeleton->SetSkeletonType(-1));
    EXPECT_EQ(skeleton->GetSkeletonType(), RWyxSkeleton::kLimb);

    RWyxLight* light = factory.CreateLight();
    ASSERT_TRUE(light->SetLightType(RWyxLight::kSpot));
    EXPECT_FALSE(light->SetLightType(3));
    EXPECT_FALSE(light->SetLightType(-1));
    EXPECT_EQ(light->GetLightType(), RWyxLight::kSpot);
}
