#include "attributes/RWyxSkeleton.h"
#include "core/EulerAngles.h"
#include "formats/motion/RBvhFile.h"
#include "formats/motion/RWyxReaderBvh.h"
#include "formats/motion/RWyxWriterBvh.h"
#include "formats/motion/MotionConversion.h"
#include "scene/RWyxNodeLimits.h"
#include "tests/formats/motion/MotionTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

using namespace motion_test;

std::string Motion(int frames, const std::string& frameTime, const std::string& lines) {
    return "MOTION\nFrames: " + std::to_string(frames) + "\nFrame Time: " + frameTime + "\n" + lines;
}

// A root with a rotating child and an end site.
std::string Chain(const std::string& rootChannels = "6 Xposition Yposition Zposition Zrotation Xrotation Yrotation",
                  const std::string& childName = "Arm") {
    return "HIERARCHY\nROOT Hips\n{\n  OFFSET 0 0 0\n  CHANNELS " + rootChannels + "\n  JOINT " + childName +
           "\n  {\n    OFFSET 0 10 0\n    CHANNELS 3 Zrotation Xrotation Yrotation\n    End Site\n    {\n"
           "      OFFSET 5 0 0\n    }\n  }\n}\n";
}

const std::string kTwoFrames = Motion(2, "0.033333", "1 2 3 0 0 0 90 0 0\n1 2 3 0 0 0 45 0 0\n");

TEST(BvhReaderTest, FrameTimesBecomeWholeRatesAndZeroTakesTheOptionsRate) {
    struct Case {
        const char* frameTime;
        int mode;
        double rate;
    };
    for (const Case& c : {Case{"0.008333", 1, 120.0}, Case{"0.04", 10, 25.0}, Case{"0.0333667", 6, 30.0},
                          Case{"0", 6, 30.0}, Case{"4", 0, 0.25}}) {
        SCOPED_TRACE(c.frameTime);
        RBvhFile file;
        const std::string text = Chain() + Motion(0, c.frameTime, "");
        file.OpenBytes(text.data(), text.size());
        OptionsPtr options = NewOptions();
        ASSERT_TRUE(file.ReadOptions(*options)) << file.GetLastErrorText();
        EXPECT_EQ(options->GetTimeMode(), c.mode);
        EXPECT_DOUBLE_EQ(options->GetFrameRate(), c.rate);
        EXPECT_EQ(options->GetOption(kMotionImportCreateReferenceNode), 1);
    }
}

TEST(BvhReaderTest, RotationChannelsComposeInTheirListedOrder) {
    SceneFixture fixture;
    RWyxReaderBvh reader(&fixture.factory);
    ASSERT_TRUE(ReadText(fixture, reader, Chain() + kTwoFrames, "walk.bvh")) << reader.GetLastErrorString();
    RWyxNode* arm = fixture.Node("Arm");
    ASSERT_NE(arm, nullptr);
    EXPECT_NEAR(ValueAt(arm, 3, RTime()), 0.0, 1e-5);
    EXPECT_NEAR(ValueAt(arm, 4, RTime()), 0.0, 1e-5);
    EXPECT_NEAR(ValueAt(arm, 5, RTime()), 90.0, 1e-5);
    // A joint of three channels keeps its offset as default translation and gets no keys.
    EXPECT_EQ(Curve(arm, 0)->GetKeyCount(), 0);
    EXPECT_NEAR(ValueAt(arm, 1, RTime()), 10.0, 1e-6);
    RVector4 translation;
    EXPECT_NEAR(arm->GetDefaultTranslation(translation).y, 10.0, 1e-12);
    // The root's positions are keyed; its default translation is zero.
    EXPECT_NEAR(ValueAt(fixture.Node("Hips"), 2, RTime()), 3.0, 1e-6);
    EXPECT_NEAR(fixture.Node("Hips")->GetDefaultTranslation(translation).z, 0.0, 1e-12);
}

TEST(BvhReaderTest, NodesTakeTheFileNameAsTakeAndHangUnderTheReferenceWhenAsked) {
    for (int keep : {1, 0}) {
        SCOPED_TRACE(keep);
        SceneFixture fixture;
        RWyxReaderBvh reader(&fixture.factory);
        ASSERT_TRUE(ReadText(fixture, reader, Chain() + kTwoFrames, "/data/walk.bvh",
                             [keep](RStreamOptionsMotion& o) { o.SetOption(kMotionImportCreateReferenceNode, keep); }));
        RWyxNode* hips = fixture.Node("Hips");
        RWyxNode* reference = fixture.Node("BVH:reference");
        EXPECT_EQ(hips->GetParent(), keep == 1 ? reference : fixture.scene->GetRootNode());
        EXPECT_EQ(reference != nullptr, keep == 1);
        EXPECT_STREQ(fixture.scene->GetCurrentTakeName(), "walk");
        const RWyxTakeInfo* info = fixture.scene->GetTakeInfo("walk");
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->localStop.GetTicks(), RTime::kTicksPerSecond / 30);
        RWyxNode* end = fixture.Node("Arm_End");
        ASSERT_NE(end, nullptr);
        EXPECT_EQ(end->GetParent(), fixture.Node("Arm"));
        EXPECT_EQ(end->GetLimits()->GetAxisLength(), 0.0);
        // The arm has one child: its bone runs along the child's offset.
        EXPECT_NEAR(fixture.Node("Arm")->GetLimits()->GetAxisLength(), 5.0, 1e-12);
        RVector4 axis;
        fixture.Node("Arm")->GetLimits()->GetRotationAxis(axis);
        EXPECT_NEAR(axis.z, 0.0, 1e-9);
    }
}

TEST(BvhReaderTest, DuplicateJointNamesFailListingTheNameOnce) {
    SceneFixture fixture;
    RWyxReaderBvh reader(&fixture.factory);
    const std::string text = "HIERARCHY\nROOT Hips\n{\nOFFSET 0 0 0\nCHANNELS 3 Zrotation Xrotation Yrotation\n"
                             "JOINT Leg\n{\nOFFSET 1 0 0\nCHANNELS 0\n}\nJOINT Leg\n{\nOFFSET -1 0 0\nCHANNELS 0\n}\n}\n" +
                             Motion(1, "0.04", "0 0 0\n");
    EXPECT_FALSE(ReadText(fixture, reader, text, "dance.bvh"));
    EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorCorrupted);
    EXPECT_STREQ(reader.GetLastErrorString(), "Duplicate names found in dance.bvh:\n    Model::Leg");
    EXPECT_EQ(fixture.scene->GetTakeInfo("dance"), nullptr);
}

TEST(BvhReaderTest, RootWithoutPositionChannelsKeepsItsOffset) {
    SceneFixture fixture;
    RWyxReaderBvh reader(&fixture.factory);
    std::string text = Chain("3 Zrotation Xrotation Yrotation") + Motion(1, "0.04", "0 0 0 0 0 0\n");
    text.replace(text.find("OFFSET 0 0 0"), 12, "OFFSET 4 5 6");
    ASSERT_TRUE(ReadText(fixture, reader, text)) << reader.GetLastErrorString();
    EXPECT_NEAR(fixture.Node("Hips")->GetGlobalMatrixAt(RTime()).GetTranslation().y, 5.0, 1e-9);
}

struct Refusal {
    const char* what;
    std::string text;
    const char* error;
};

class BvhRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(BvhRefusalTest, RefusedWithItsReason) {
    SceneFixture fixture;
    RWyxReaderBvh reader(&fixture.factory);
    EXPECT_FALSE(ReadText(fixture, reader, GetParam().text));
    EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorCorrupted);
    EXPECT_NE(std::string(reader.GetLastErrorString()).find(GetParam().error), std::string::npos)
        << reader.GetLastErrorString();
}

std::string Deep(int depth) {
    std::string text = "HIERARCHY\nROOT j0\n{\nOFFSET 0 0 0\nCHANNELS 0\n";
    for (int i = 1; i < depth; ++i) text += "JOINT j" + std::to_string(i) + "\n{\nOFFSET 0 1 0\nCHANNELS 0\n";
    for (int i = 0; i < depth; ++i) text += "}\n";
    return text + Motion(0, "0.04", "");
}

INSTANTIATE_TEST_SUITE_P(
    Files, BvhRefusalTest,
    ::testing::Values(
        Refusal{"seven channels", Chain("7 Xposition Yposition Zposition Zrotation Xrotation Yrotation Zrotation") + kTwoFrames,
                "Channel count 7 is outside 0 to 6"},
        Refusal{"negative channels", Chain("-1") + kTwoFrames, "Channel count -1"},
        Refusal{"unknown channel", Chain("1 Wrotation") + kTwoFrames, "unknown"},
        Refusal{"short frame", Chain() + Motion(2, "0.04", "1 2 3 0 0 0 90 0 0\n1 2 3\n"), "Frame 2 holds 3 of its 9"},
        Refusal{"missing frames", Chain() + Motion(2000000000, "0.04", "1 2 3 0 0 0 90 0 0\n"), "Frame 2 of"},
        Refusal{"infinite value", Chain() + Motion(1, "0.04", "1 2 3 0 0 0 90 0 inf\n"), "holds 8"},
        Refusal{"out of range value", Chain() + Motion(1, "0.04", "1 2 3 0 0 0 90 0 1e999\n"), "holds 8"},
        Refusal{"negative frame time", Chain() + Motion(1, "-0.04", "1 2 3 0 0 0 90 0 0\n"), "Negative frame time"},
        Refusal{"absurd rate", Chain() + Motion(1, "1e-9", "1 2 3 0 0 0 90 0 0\n"), "frames per second"},
        Refusal{"beyond the time range", Chain() + Motion(1000000, "1e12", "1 2 3 0 0 0 90 0 0\n"), "time range"},
        Refusal{"no motion", Chain(), "No motion header"},
        Refusal{"no brace", "HIERARCHY\nROOT a\nOFFSET 0 0 0\n" + kTwoFrames, "{ expected"},
        Refusal{"stray line", Chain() + "ROOT again\n" + kTwoFrames, "HIERARCHY or MOTION expected"},
        Refusal{"no name", "HIERARCHY\nROOT\n{\nOFFSET 0 0 0\nCHANNELS 0\n}\n" + Motion(0, "0.04", ""), "name missing"},
        Refusal{"too deep", Deep(kMaxSkeletonDepth + 1), "deeper than"}),
    [](const ::testing::TestParamInfo<Refusal>& info) {
        std::string name = info.param.what;
        for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(BvhReaderTest, AHierarchyAtTheDepthLimitIsRead) {
    SceneFixture fixture;
    RWyxReaderBvh reader(&fixture.factory);
    ASSERT_TRUE(ReadText(fixture, reader, Deep(kMaxSkeletonDepth))) << reader.GetLastErrorString();
    EXPECT_NE(fixture.Node(("j" + std::to_string(kMaxSkeletonDepth - 1)).c_str()), nullptr);
}

TEST(BvhReaderTest, ASecondHierarchyReplacesTheFirstAndAnEndSiteWithoutBraceKeepsZero) {
    RBvhFile file;
    const std::string text = "HIERARCHY\nROOT old\n{\nOFFSET 0 0 0\nCHANNELS 0\n}\n" + Chain() +
                             Motion(0, "0.04", "");
    file.OpenBytes(text.data(), text.size());
    ASSERT_TRUE(file.ReadHierarchy()) << file.GetLastErrorText();
    EXPECT_EQ(file.GetJoint(0)->name, "Hips");
    EXPECT_EQ(file.GetTotalChannelCount(), 9);

    const std::string bare = "HIERARCHY\nROOT a\n{\nOFFSET 0 0 0\nCHANNELS 0\nEnd Site\nOFFSET 1 1 1\n}\n" +
                             Motion(0, "0.04", "");
    file.OpenBytes(bare.data(), bare.size());
    ASSERT_TRUE(file.ReadHierarchy()) << file.GetLastErrorText();
    ASSERT_EQ(file.GetJointCount(), 2);
    EXPECT_TRUE(file.GetJoint(1)->IsEndSite());
    EXPECT_EQ(file.GetJoint(1)->offset.y, 0.0);
}

// ---- writer ----------------------------------------------------------------------------------------

struct WriteFixture : SceneFixture {
    ScratchFolder folder;
    std::string path = folder.Join("out.bvh");
    OptionsPtr options = NewOptions();

    RWyxNode* Joint(const char* name, RWyxNode* parent, double y) {
        RWyxNode* node = factory.CreateNode(name);
        node->SetDefaultTranslation(RVector4(0.0, y, 0.0, 1.0));
        (parent != nullptr ? parent : scene->GetRootNode())->AddChild(node);
        return node;
    }
    bool Write(RWyxWriterBvh& writer) {
        return writer.FileCreate(path.c_str()) && writer.Write(scene, options.get()) && writer.FileClose();
    }
};

TEST(BvhWriterTest, RotationOnlyChainGetsAMadeUpEndSiteAlongTheBone) {
    WriteFixture fixture;
    RWyxNode* root = fixture.Joint("Root", nullptr, 0.0);
    RWyxNode* leaf = fixture.Joint("Leaf", root, 1e-6);
    root->SetMarked(1, false);
    // An animated limb node is a joint, not an end site.
    RWyxSkeleton* skeleton = fixture.factory.CreateSkeleton();
    skeleton->SetSkeletonType(2);
    leaf->SetNodeAttribute(skeleton);
    EXPECT_TRUE(RWyxWriterBvh::IsEndSite(*leaf));
    leaf->AddTakeNode("walk");
    leaf->SetCurrentTakeNodeByName("walk");
    EXPECT_TRUE(RWyxWriterBvh::IsEndSite(*leaf));
    Curve(leaf, 5)->AppendKey(RTime(), 10.0f);
    EXPECT_FALSE(RWyxWriterBvh::IsEndSite(*leaf));
    RWyxNodeLimits& limits = *leaf->GetLimits();
    limits.SetRotationAxis(RVector4(0.0, 0.0, 90.0, 0.0));
    limits.SetAxisLength(4.0);
    fixture.options->SetFrameCount(1);
    RWyxWriterBvh writer(&fixture.factory);
    ASSERT_TRUE(fixture.Write(writer)) << writer.GetLastErrorString();
    const std::string text = ScratchFolder::ReadFile(fixture.path);
    EXPECT_NE(text.find("ROOT Root\n{\n  OFFSET 0 0 0\n  CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation "
                        "Yrotation\n  JOINT Leaf\n  {\n    OFFSET 0 0 0\n    CHANNELS 3 Zrotation Xrotation Yrotation\n"
                        "    End Site\n    {\n      OFFSET 0 4 0\n    }\n  }\n}\nMOTION\nFrames:\t1\n"),
              std::string::npos)
        << text;
}

TEST(BvhWriterTest, RefusesScenesItCannotWriteBeforeWritingAnything) {
    WriteFixture fixture;
    RWyxNode* root = fixture.Joint("Root", nullptr, 0.0);
    RWyxWriterBvh writer(&fixture.factory);
    // Nothing marked: no export root.
    EXPECT_FALSE(fixture.Write(writer));
    EXPECT_EQ(writer.GetLastErrorCode(), RWyxWriter::kErrorNotCreated);
    EXPECT_STREQ(writer.GetLastErrorString(), "Can not find root node.");

    root->SetMarked(1, false);
    fixture.Joint("Left Arm", root, 1.0);
    RWyxWriterBvh named(&fixture.factory);
    EXPECT_FALSE(fixture.Write(named));
    EXPECT_EQ(named.GetLastErrorCode(), RWyxWriter::kErrorUnidentified);
    EXPECT_STREQ(named.GetLastErrorString(), "Spaces are not allowed in BVH node names:\n    Model::Left Arm");
    EXPECT_TRUE(ScratchFolder::ReadFile(fixture.path).empty());

    fixture.Joint("Second", nullptr, 0.0);
    RWyxWriterBvh twoRoots(&fixture.factory);
    EXPECT_FALSE(fixture.Write(twoRoots));
    EXPECT_EQ(twoRoots.GetLastErrorCode(), RWyxWriter::kErrorNotCreated);

    RWyxWriterBvh noOptions(&fixture.factory);
    ASSERT_TRUE(noOptions.FileCreate(fixture.path.c_str()));
    EXPECT_FALSE(noOptions.Write(fixture.scene, nullptr));
    RWyxWriterBvh closed(&fixture.factory);
    EXPECT_FALSE(closed.Write(fixture.scene, fixture.options.get()));
    EXPECT_EQ(closed.GetLastErrorCode(), RWyxWriter::kErrorNotOpened);
    EXPECT_FALSE(closed.FileClose());
    EXPECT_FALSE(closed.FileCreate(fixture.folder.Join("no/such/folder/x.bvh").c_str()));
    EXPECT_EQ(closed.GetLastErrorCode(), RWyxWriter::kErrorNotOpened);
}

TEST(BvhWriterTest, ZxyChannelsRebuildTheRotation) {
    for (const RVector4& xyz : {RVector4(10, 20, 30, 0), RVector4(-100, 80, 170, 0), RVector4(0, 90, 0, 0),
                                RVector4(45, -90, 10, 0)}) {
        double zxy[3];
        RWyxWriterBvh::ToZxyChannels(xyz, zxy);
        RMatrix expected;
        EulerVectorXYZToMatrix(expected, xyz);
        RMatrix z, x, y;
        EulerXYZToMatrix(z, 0, 0, zxy[0]);
        EulerXYZToMatrix(x, zxy[1], 0, 0);
        EulerXYZToMatrix(y, 0, zxy[2], 0);
        const RMatrix rebuilt = RotationProduct(y, x, z);  // the last channel acts first
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(rebuilt[r][c], expected[r][c], 1e-9) << xyz.x << " " << xyz.y;
        }
    }
}

}  // namespace
