// The Takes section: which takes are written, their file names and spans (computed ones too,
// kept in the take infos and listed alike in the Summary), the animation blocks and their
// channels, and the scene's take selections left as they were.

#include "tests/wyxwriter/WriterTestSupport.h"

#include "attributes/RWyxGenericNode.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxTexture.h"
#include "attributes/RWyxThumbnail.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "curves/RFCurveNodeRecords.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeInfo.h"
#include "scene/RWyxTakeNode.h"

namespace {

using namespace writer_test;
using Names = std::vector<std::string>;

const long long kSecond = RTime::kTicksPerSecond;

Names Spans(const Record& take) {
    return {take.Child("LocalTime").values[0] + "," + take.Child("LocalTime").values[1],
            take.Child("ReferenceTime").values[0] + "," + take.Child("ReferenceTime").values[1]};
}

std::string Span(long long start, long long stop) { return std::to_string(start) + "," + std::to_string(stop); }

class TakesTest : public WriterTest {
protected:
    // A node animated in the take on its X translation.
    RWyxNode* Animated(const char* name, const char* take, const std::vector<std::pair<double, float>>& keys) {
        RWyxNode* node = AddNode(name);
        node->AddTakeNode(take);
        AddKeys(*node->GetTakeNode(node->GetTakeNodeCount() - 1)->GetTranslationXCurve(), keys);
        return node;
    }
};

TEST_F(TakesTest, SpansAreComputedFromTheKeysStoredAndListedAlikeInTheSummary) {
    RWyxNode* a = Animated("A", "Walk", {{1, 0}, {3, 5}});
    RWyxNode* switcher = scene->GetCameraSwitcherNode();
    switcher->AddTakeNode("Walk");
    AddKeys(*switcher->GetTakeNode(1)->GetTranslationXCurve(), {{0.5, 1}});
    Animated("B", "Idle", {});
    RWyxTakeInfo stored;
    RWyxThumbnail* thumbnail = factory.CreateThumbnail();
    thumbnail->SetSize(RWyxThumbnail::k64x64);
    const std::vector<std::uint8_t> pixels(thumbnail->GetSizeInBytes(), 3);
    thumbnail->SetImage(pixels.data(), pixels.size());
    stored.SetThumbnail(thumbnail);
    stored.name = "Idle";
    stored.localStart = RTime(2 * kSecond);
    stored.localStop = RTime(4 * kSecond);
    stored.description = "standing";
    scene->SetTakeInfo(stored);
    const FileTree tree = WriteAndRead();
    const Record& takes = tree.main.Child("Takes");
    EXPECT_EQ(takes.NamesWithValue(), (Names{"Current:", "Take:Walk", "Take:Idle"}));
    EXPECT_EQ(Spans(takes.Child("Take", 0)), (Names{Span(kSecond / 2, 3 * kSecond), Span(kSecond / 2, 3 * kSecond)}));
    EXPECT_EQ(Spans(takes.Child("Take", 1)), (Names{Span(2 * kSecond, 4 * kSecond), Span(0, kSecond)}))
        << "a stored span stays; one without keys is 0 to 1 second";
    EXPECT_EQ(takes.Child("Take", 1).NamesWithValue(),
              (Names{"FileName:Idle.tak", "LocalTime:" + std::to_string(2 * kSecond), "ReferenceTime:0",
                     "Comments:standing", "Thumbnail", "Model:Model::B"}));
    const RWyxTakeInfo* walk = scene->GetTakeInfo("Walk");
    ASSERT_NE(walk, nullptr) << "the take info made for the take stays";
    EXPECT_EQ(walk->localStart.GetTicks(), kSecond / 2);
    const Record& summary = tree.extension.Child("Summary").Child("Takes");
    EXPECT_EQ(summary.NamesWithValue(), (Names{"Version:101", "Current:", "Take:Walk", "Take:Idle"}));
    EXPECT_EQ(summary.Child("Take", 1).Names(), (Names{"Comments", "LocalTime", "ReferenceTime", "Thumbnail"}));
    EXPECT_EQ(Spans(summary.Child("Take", 0)), Spans(takes.Child("Take", 0)));
    EXPECT_EQ(Spans(summary.Child("Take", 1)), Spans(takes.Child("Take", 1)));
    EXPECT_STREQ(scene->GetCurrentTakeName(), "") << "the scene's current take is left as it was";
    EXPECT_EQ(a->GetCurrentTakeNodeIndex(), 0);
    EXPECT_EQ(switcher->GetCurrentTakeNodeIndex(), 0);
}

TEST_F(TakesTest, OnlyTakesTheFileCarriesAndThatAreSelectedAreWritten) {
    Animated("A", "My walk\tcycle", {{0, 1}});
    Animated("B", "Hidden", {{0, 1}});
    scene->GetCameraSwitcherNode()->AddTakeNode("Cut");
    root->AddTakeNode("RootOnly");
    RWyxTakeInfo hidden;
    hidden.name = "Hidden";
    hidden.selected = false;
    scene->SetTakeInfo(hidden);
    const FileTree tree = WriteAndRead();
    const Record& takes = tree.main.Child("Takes");
    EXPECT_EQ(takes.NamesWithValue(), (Names{"Current:", "Take:My walk\tcycle"}));
    EXPECT_EQ(takes.Child("Take").Child("FileName").values, Names{"My_walk_cycle.tak"});
    EXPECT_EQ(tree.extension.Child("Summary").Child("Takes").All("Take").size(), 1u);
    EXPECT_EQ(scene->GetTakeInfo("Cut"), nullptr) << "a take of the switcher alone gets no take info";
}

TEST_F(TakesTest, AnimationBlocksOfEveryKindHoldTheChannelsOfTheTake) {
    RWyxNode* a = Animated("A", "Walk", {{0, 1}, {1, 2}});
    AddNode("Still", a);  // no take node "Walk"
    RWyxGenericNode* generic = factory.CreateGenericNode("Globals");
    scene->AddGenericNode(generic);
    generic->AddTakeNode("Walk");
    RWyxTexture* texture = factory.CreateTexture("Wood");
    texture->AddTakeNode("Walk");
    RWyxMaterial* material = factory.CreateMaterial("Skin");
    material->GetTakeNode(0)->SetName("Walk");  // its default take node carries the name
    scene->GetEntity()->AddTextureUse(texture);
    scene->GetEntity()->AddMaterialUse(material);
    for (const int flag : {RStreamOptionsWyx::kFlagMaterials, RStreamOptionsWyx::kFlagMedia}) Options().SetFlag(flag, false);
    const FileTree tree = WriteAndRead();
    const Record& take = tree.main.Child("Takes").Child("Take");
    EXPECT_EQ(take.NamesWithValue(),
              (Names{"FileName:Walk.tak", "LocalTime:0", "ReferenceTime:0", "Model:Model::A", "GenericNode:Globals",
                     "Texture:Texture::Wood", "Material:Material::Skin"}));
    const Record& model = take.Child("Model");
    EXPECT_EQ(model.Child("Version").values, Names{"1.1"});
    EXPECT_EQ(model.Child("Channel", 0).values, Names{"Transform"});
    EXPECT_EQ(model.Child("Channel", 0).Child("Channel", 0).values, Names{"T"});
    EXPECT_EQ(model.Child("Channel", 0).Child("Channel").Child("Channel").Child("KeyCount").Int(), 2);
    EXPECT_EQ(take.Child("Material").Names(), Names{"Version"}) << "a default take node gives only the version";
    EXPECT_GT(take.Child("Texture").children.size(), 1u);
}

TEST_F(TakesTest, ChannelsReadBackAsWritten) {
    RWyxNode* a = Animated("A", "Walk", {{0, 1.5f}, {2, -4}});
    WriteAndRead(Form::kAscii);
    RWyxFile file;
    ASSERT_TRUE(file.Open(path.c_str()));
    ASSERT_TRUE(file.FieldReadBegin("Takes") && file.FieldReadBlockBegin());
    ASSERT_TRUE(file.FieldReadBegin("Take") && file.FieldReadBlockBegin());
    ASSERT_TRUE(file.FieldReadBegin("Model") && file.FieldReadBlockBegin());
    RFCurveNode* transform = RFCurveNodeRecords::ReadTopChannel(file, false, true);
    ASSERT_NE(transform, nullptr);
    const RFCurveNode* x = transform->FindByPath("T/X");
    ASSERT_TRUE(x != nullptr && x->GetCurve() != nullptr);
    const RFCurve& read = *x->GetCurve();
    const RFCurve& written = *a->GetTakeNode(1)->GetTranslationXCurve();
    ASSERT_EQ(read.GetKeyCount(), written.GetKeyCount());
    for (int k = 0; k < read.GetKeyCount(); ++k) {
        EXPECT_EQ(read.GetKey(k).GetTime().GetTicks(), written.GetKey(k).GetTime().GetTicks());
        EXPECT_EQ(read.GetKey(k).GetValue(), written.GetKey(k).GetValue());
        EXPECT_EQ(read.GetKey(k).GetInterpolation(), written.GetKey(k).GetInterpolation());
    }
    RFCurveNode::Destroy(transform);
}

}  // namespace
