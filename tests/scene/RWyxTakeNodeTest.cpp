#include "scene/RWyxTakeInfo.h"
#include "scene/RWyxTakeNode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <vector>

#include "tests/scene/TakeTestSupport.h"

using take_test::AddChannel;
using take_test::AddKey;
using take_test::Seconds;

namespace {

const RDataType* Type(const char* name) { return RDataType::FindByName(name); }

using Accessor = RFCurve* (RWyxTakeNode::*)();
using T = RWyxTakeNode;

// Where each named accessor must find its curve: the path to build below the root, the last
// node of the data type when one is named.
struct AccessorCase {
    Accessor accessor;
    const char* path;
    const char* typeName = nullptr;
};

const AccessorCase kAccessorCases[] = {
    {&T::GetTranslationXCurve, "Transform/T/X"}, {&T::GetTranslationYCurve, "Transform/T/Y"},
    {&T::GetTranslationZCurve, "Transform/T/Z"}, {&T::GetRotationXCurve, "Transform/R/X"},
    {&T::GetRotationYCurve, "Transform/R/Y"}, {&T::GetRotationZCurve, "Transform/R/Z"},
    {&T::GetScalingXCurve, "Transform/S/X"}, {&T::GetScalingYCurve, "Transform/S/Y"},
    {&T::GetScalingZCurve, "Transform/S/Z"}, {&T::GetVisibilityCurve, "Shown", "Visibility"},
    {&T::GetColorXCurve, "Color/X"}, {&T::GetColorYCurve, "Color/Y"}, {&T::GetColorZCurve, "Color/Z"},
    {&T::GetIntensityCurve, "Intensity"}, {&T::GetConeAngleCurve, "Cone angle"}, {&T::GetFogCurve, "Fog"},
    {&T::GetFieldOfViewCurve, "FieldOfView"}, {&T::GetFieldOfViewXCurve, "FieldOfViewX"},
    {&T::GetFieldOfViewYCurve, "FieldOfViewY"}, {&T::GetOpticalCenterXCurve, "OpticalCenterX"},
    {&T::GetOpticalCenterYCurve, "OpticalCenterY"}, {&T::GetRollCurve, "Roll"}, {&T::GetTurnTableCurve, "TurnTable"},
    {&T::GetBackgroundColorXCurve, "BackgroundColor (Color)/X"},
    {&T::GetBackgroundColorYCurve, "BackgroundColor (Color)/Y"},
    {&T::GetBackgroundColorZCurve, "BackgroundColor (Color)/Z"}, {&T::GetCameraIndexCurve, "Camera Index"},
    {&T::GetOcclusionCurve, "Hidden", "Occlusion"}, {&T::GetIKReachTranslationCurve, "Reach T", "IK Reach Translation"},
    {&T::GetIKReachRotationCurve, "Reach R", "IK Reach Rotation"},
    {&T::GetTextureTranslationXCurve, "Translation/X"}, {&T::GetTextureTranslationYCurve, "Translation/Y"},
    {&T::GetTextureTranslationZCurve, "Translation/Z"}, {&T::GetTextureRotationXCurve, "Rotation/X"},
    {&T::GetTextureRotationYCurve, "Rotation/Y"}, {&T::GetTextureRotationZCurve, "Rotation/Z"},
    {&T::GetTextureScalingXCurve, "Scaling/X"}, {&T::GetTextureScalingYCurve, "Scaling/Y"},
    {&T::GetTextureScalingZCurve, "Scaling/Z"}, {&T::GetAlphaCurve, "Alpha"},
    {&T::GetEmissiveXCurve, "Emissive/X"}, {&T::GetEmissiveYCurve, "Emissive/Y"}, {&T::GetEmissiveZCurve, "Emissive/Z"},
    {&T::GetAmbientXCurve, "Ambient/X"}, {&T::GetAmbientYCurve, "Ambient/Y"}, {&T::GetAmbientZCurve, "Ambient/Z"},
    {&T::GetDiffuseXCurve, "Diffuse/X"}, {&T::GetDiffuseYCurve, "Diffuse/Y"}, {&T::GetDiffuseZCurve, "Diffuse/Z"},
    {&T::GetSpecularXCurve, "Specular/X"}, {&T::GetSpecularYCurve, "Specular/Y"}, {&T::GetSpecularZCurve, "Specular/Z"},
    {&T::GetOpacityCurve, "Opacity"}, {&T::GetReflectivityCurve, "Reflectivity"}, {&T::GetShininessCurve, "Shininess"},
};

// Every curve of a tree, its layers included, in pre-order.
void CollectCurves(const RFCurveNode& node, std::vector<const RFCurve*>& curves) {
    if (node.GetCurve() != nullptr) curves.push_back(node.GetCurve());
    for (int i = 0; i < node.GetChildCount(); ++i) CollectCurves(*node.GetChild(i), curves);
    if (node.GetNextLayer() != nullptr) CollectCurves(*node.GetNextLayer(), curves);
}

std::vector<double> EvaluateTree(RFCurveNode& root, double seconds) {
    std::vector<double> values(static_cast<size_t>(root.GetValueCount()));
    const double* end = root.Evaluate(values.data(), Seconds(seconds), nullptr, false);
    EXPECT_EQ(end, values.data() + values.size());
    return values;
}

// A take node animated on translation X with an additive layer, on intensity played through
// a half-speed time warp, and on visibility.
struct AnimatedTake {
    AnimatedTake() {
        warp->AddReference();  // the test's own reference
        AddKey(*AddChannel(*warp, ""), 0.0, 0.0f, RCurveKey::Linear);
        AddKey(*warp->GetCurve(), 10.0, 5.0f, RCurveKey::Linear);
        RFCurveNode& root = *take.GetRootCurveNode();
        RFCurve* x = AddChannel(root, "Transform/T/X");
        AddKey(*x, 0.0, 1.0f);
        AddKey(*x, 2.0, 3.0f);
        RFCurveNode* t = root.FindByPath("Transform/T");
        t->SetLayerType(RFCurveNode::LayerAdditive);
        RFCurve* layerX = t->CreateLayer(1, true)->GetChild(0)->GetCurve();
        AddKey(*layerX, 0.0, 0.5f);
        AddKey(*layerX, 2.0, 1.5f);
        RFCurve* intensity = AddChannel(root, "Intensity");
        AddKey(*intensity, 0.0, 0.0f, RCurveKey::Linear);
        AddKey(*intensity, 4.0, 8.0f, RCurveKey::Linear);
        root.FindByPath("Intensity")->SetTimeWarp(warp);
        AddKey(*AddChannel(root, "Shown", Type("Visibility")), 1.0, 1.0f);
    }
    ~AnimatedTake() { RFCurveNode::Release(warp); }

    RWyxTakeNode take{"Walk"};
    RFCurveNode* warp = RFCurveNode::Create("Warp", Type("TimeWarp"));
};

}  // namespace

TEST(RWyxTakeInfo, ConstructedValuesAndCopiesShareTheThumbnail) {
    const RWyxTakeInfo fresh;
    EXPECT_TRUE(fresh.name.IsEmptyText() && fresh.importName.IsEmptyText() && fresh.description.IsEmptyText());
    EXPECT_EQ(fresh.localStart.GetTicks() | fresh.localStop.GetTicks() | fresh.referenceStart.GetTicks() |
                  fresh.referenceStop.GetTicks() | fresh.opaqueWord, 0);
    EXPECT_EQ((fresh.selected ? 1 : 0) + fresh.opaqueSecond, 2);
    EXPECT_EQ(fresh.GetThumbnail(), nullptr);

    int standIn = 0;  // only the address matters: the record never touches its thumbnail
    RWyxTakeInfo source;
    source.name = "Run";
    source.importName = "Run 2";
    source.description = "fast";
    source.localStart = Seconds(1.0);
    source.localStop = Seconds(2.0);
    source.referenceStart = Seconds(3.0);
    source.referenceStop = Seconds(4.0);
    source.opaqueWord = 8;
    source.SetThumbnail(reinterpret_cast<RWyxThumbnail*>(&standIn));
    RWyxTakeInfo assigned;
    assigned = source;
    EXPECT_STREQ((assigned.name + assigned.importName + assigned.description).Buffer(), "RunRun 2fast");
    EXPECT_TRUE(assigned.localStart == Seconds(1.0) && assigned.localStop == Seconds(2.0));
    EXPECT_TRUE(assigned.referenceStart == Seconds(3.0) && assigned.referenceStop == Seconds(4.0));
    EXPECT_EQ(assigned.opaqueWord, 8);
    EXPECT_EQ(assigned.GetThumbnail(), source.GetThumbnail());
}

TEST(RWyxTakeNode, NamedAccessorsFindTheirChannelsOrSayCurveNotFound) {
    RWyxTakeNode take("Default");
    const RFCurveNode* root = take.GetRootCurveNode();
    EXPECT_STREQ(root->GetName(), "Defaults");
    EXPECT_TRUE(root->GetDataType() == nullptr && root->GetCurve() == nullptr && root->GetChildCount() == 0);
    std::vector<const RFCurve*> expected;
    for (const AccessorCase& c : kAccessorCases) {
        EXPECT_EQ((take.*c.accessor)(), nullptr);
        expected.push_back(AddChannel(*take.GetRootCurveNode(), c.path, c.typeName ? Type(c.typeName) : nullptr));
    }
    EXPECT_STREQ(take.GetError().GetLastErrorString(), "Curve not found");
    ASSERT_EQ(expected.size(), static_cast<size_t>(RWyxTakeNode::ChannelCount));
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ((take.*kAccessorCases[i].accessor)(), expected[i]) << i;

    // "T" finds a node of the data type "Lcl Translation" too; without it, nothing.
    RFCurveNode* transform = take.GetRootCurveNode()->FindByPath("Transform");
    transform->DeleteChild(0);
    EXPECT_EQ(take.GetTranslationXCurve(), nullptr);
    RFCurveNode* typed = RFCurveNode::Create("Lcl Translation", Type("Lcl Translation"));
    transform->AddChild(typed);
    const RFCurve* typedX = AddChannel(*typed, "X");
    EXPECT_EQ(take.GetTranslationXCurve(), typedX);
}

TEST(RWyxTakeNode, FindCurveWalksTheGivenNamesOnly) {
    RWyxTakeNode take("Default");
    RFCurveNode& root = *take.GetRootCurveNode();
    RFCurve* x = AddChannel(root, "Color/X");
    RFCurve* shown = AddChannel(*root.GetChild(0), "Shown", Type("Visibility"));
    EXPECT_EQ(take.FindCurve(nullptr, "color", "x"), x);
    EXPECT_EQ(take.FindCurve("Missing", nullptr, "X"), nullptr) << "a miss stops the walk";
    EXPECT_EQ(take.FindCurve(nullptr, "Color", nullptr), nullptr) << "the node has no curve";
    EXPECT_EQ(take.FindCurve(nullptr, nullptr, nullptr), nullptr);
    root.SetCurve(RFCurve::Create());
    EXPECT_EQ(take.FindCurve(nullptr, nullptr, nullptr), root.GetCurve());
    EXPECT_EQ(take.FindCurveByType(nullptr, "Color", Type("Visibility")), shown);
    EXPECT_EQ(take.FindCurveByType("Missing", nullptr, Type("Visibility")), nullptr);
    EXPECT_EQ(take.FindCurveByType(nullptr, nullptr, nullptr), nullptr);
    EXPECT_FALSE(take.HasKeys(nullptr, "Color", "X") || take.HasKeys(nullptr, "Color", "W") ||
                 take.HasKeysByType(nullptr, nullptr, Type("Visibility")));
    AddKey(*x, 1.0, 2.0f);
    AddKey(*shown, 1.0, 1.0f);
    EXPECT_TRUE(take.HasKeys(nullptr, "Color", "X") && take.HasKeysByType(nullptr, nullptr, Type("Visibility")));

    // The interval widens to the keys below the root, and only when there are keys.
    RTime start = Seconds(5.0);
    RTime stop = Seconds(6.0);
    AddKey(*AddChannel(root, "Far/Deep"), 9.0, 0.0f);
    EXPECT_TRUE(take.GetAnimationInterval(start, stop));
    EXPECT_TRUE(start == Seconds(1.0) && stop == Seconds(9.0));
    RWyxTakeNode empty("Empty");
    AddChannel(*empty.GetRootCurveNode(), "A");
    EXPECT_FALSE(empty.GetAnimationInterval(start, stop));
    EXPECT_TRUE(start == Seconds(1.0) && stop == Seconds(9.0));
}

TEST(RWyxTakeNode, CopyEvaluatesAlikeAndSharesNoCurve) {
    AnimatedTake animated;
    RWyxTakeNode& source = animated.take;
    RWyxTakeNode copy(source);
    EXPECT_STREQ(copy.GetName().Buffer(), "Walk");
    for (double seconds : {-1.0, 0.0, 0.5, 1.7, 3.0, 6.0}) {
        EXPECT_EQ(EvaluateTree(*copy.GetRootCurveNode(), seconds), EvaluateTree(*source.GetRootCurveNode(), seconds));
    }
    // The layer and the time warp take part: X is 1 + 0.5 at 0 s; intensity at 4 s is read at 2 s.
    EXPECT_DOUBLE_EQ(EvaluateTree(*copy.GetRootCurveNode(), 0.0)[0], 1.5);
    EXPECT_NEAR(EvaluateTree(*copy.GetRootCurveNode(), 4.0)[1], 4.0, 1e-5);

    std::vector<const RFCurve*> sourceCurves;
    std::vector<const RFCurve*> copyCurves;
    CollectCurves(*source.GetRootCurveNode(), sourceCurves);
    CollectCurves(*copy.GetRootCurveNode(), copyCurves);
    ASSERT_EQ(copyCurves.size(), sourceCurves.size());
    for (const RFCurve* curve : copyCurves) {
        EXPECT_EQ(std::count(sourceCurves.begin(), sourceCurves.end(), curve), 0);
    }
    copy.GetTranslationXCurve()->GetKey(0).SetValue(100.0f);
    copy.GetVisibilityCurve()->SetDefaultValue(0.25f);
    EXPECT_EQ(source.GetTranslationXCurve()->GetKey(0).GetValue(), 1.0f);
    EXPECT_EQ(source.GetVisibilityCurve()->GetDefaultValue(), 0.0f);
}

TEST(RWyxTakeNode, CopiesAndDestructionKeepTimeWarpCountsRight) {
    auto animated = std::make_unique<AnimatedTake>();
    RFCurveNode* warp = animated->warp;
    ASSERT_EQ(warp->GetReferenceCount(), 2);  // the test's and the source take's
    {
        const RWyxTakeNode copy(animated->take);
        const RWyxTakeNode copyOfCopy(copy);
        EXPECT_EQ(warp->GetReferenceCount(), 4);
    }
    EXPECT_EQ(warp->GetReferenceCount(), 2);
    warp->AddReference();  // outlives the take below
    animated.reset();
    EXPECT_EQ(warp->GetReferenceCount(), 1);
    RFCurveNode::Release(warp);
}

TEST(RWyxTakeNode, RootThatOnlyRefersToNodesLeavesThemToTheirOwner) {
    RFCurveNode* owner = RFCurveNode::Create("Owner", nullptr);
    AddChannel(*owner, "Owned");
    RFCurveNode* owned = owner->GetChild(0);
    RFCurveNode* referring = RFCurveNode::Create("Referring", nullptr);
    RFCurveNode* deeper = RFCurveNode::Create("Deeper", nullptr);
    referring->SetFlag(RFCurveNode::FlagNonOwning, true);
    deeper->SetFlag(RFCurveNode::FlagNonOwning, true);
    referring->AddChild(deeper);
    {
        RWyxTakeNode take("Shared");
        take.GetRootCurveNode()->SetFlag(RFCurveNode::FlagNonOwning, true);
        take.GetRootCurveNode()->AddChild(owned);
        take.GetRootCurveNode()->AddChild(referring);
    }
    EXPECT_EQ(owner->GetChildCount(), 1) << "the owner's node was deleted with the take node";
    EXPECT_EQ(owned->GetParent(), owner);
    EXPECT_EQ(referring->GetChildCount(), 0) << "what a referring child refers to is taken out too";
    RFCurveNode::Destroy(owner);
    RFCurveNode::Destroy(referring);
    RFCurveNode::Destroy(deeper);
}
