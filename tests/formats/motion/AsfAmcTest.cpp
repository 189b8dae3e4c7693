#include "attributes/RWyxSkeleton.h"
#include "core/EulerAngles.h"
#include "core/PreOrderWalk.h"
#include "curves/RFCurveNode.h"
#include "formats/motion/MotionConversion.h"
#include "formats/motion/RAmcFile.h"
#include "formats/motion/RAsfFile.h"
#include "formats/motion/RWyxAsfScene.h"
#include "formats/motion/RWyxReaderAmc.h"
#include "formats/motion/RWyxReaderAsf.h"
#include "formats/motion/RWyxWriterAmc.h"
#include "formats/motion/RWyxWriterAsf.h"
#include "scene/RWyxNodeLimits.h"
#include "tests/formats/motion/MotionTestSupport.h"
#include "tests/support/OwnedPlug.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace motion_test;

const char* const kHeader =
    "# hand-written, in the layout of public capture libraries\n"
    ":version 1.10\n"
    ":name VICON\n"
    ":units\n"
    "  mass 1.0\n"
    "  length 0.45\n"
    "  angle deg\n"
    ":documentation\n"
    "   generated for a test\n"
    ":root\n"
    "   order TX TY TZ RX RY RZ\n"
    "   axis XYZ\n"
    "   position 0 0 0\n"
    "   orientation 0 0 0\n";

const char* const kBones =
    ":bonedata\n"
    "  begin\n"
    "     id 1\n"
    "     name lhipjoint\n"
    "     direction 0 -1 0\n"
    "     length 2\n"
    "     axis 0 0 0  XYZ\n"
    "  end\n"
    "  begin\n"
    "     id 2\n"
    "     name lfemur\n"
    "     direction 1 0 0\n"
    "     length 7\n"
    "     axis 0 0 20  XYZ\n"
    "    dof rx ry rz\n"
    "    limits (-160.0 20.0)\n"
    "           (-70.0 70.0)\n"
    "           (-60.0 70.0)\n"
    "  end\n"
    "  begin\n"
    "     id 3\n"
    "     name ltibia\n"
    "     direction 0 -1 0\n"
    "     length 8\n"
    "     axis 0 0 20  XYZ\n"
    "    dof rx\n"
    "    limits (-10.0 170.0)\n"
    "  end\n"
    "  begin\n"
    "     name rhand\n"
    "     direction 0 1 0\n"
    "     length 0\n"
    "     axis 0 0 0 XYZ\n"
    "    dof rz\n"
    "  end\n";

const char* const kHierarchy =
    ":hierarchy\n"
    "  begin\n"
    "    root lhipjoint\n"
    "    lhipjoint lfemur\n"
    "    lfemur ltibia\n"
    "  end\n";

std::string Asf(const std::string& hierarchy = kHierarchy) { return kHeader + std::string(kBones) + hierarchy; }

constexpr double kUnit = 2.54 / 0.45;

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
    return text;
}


struct AsfFixture {
    RAsfFile file;
    Owned<RWyxAsfScene> skeleton{RWyxAsfScene::Create()};

    bool Read(const std::string& text, bool collapse) {
        file.OpenBytes(text.data(), text.size());
        return file.Read(*skeleton, collapse);
    }
    RAsfBone* Bone(const char* name) { return skeleton->GetRoot()->FindBone(name); }
};

TEST(AsfFileTest, ReadsUnitsBonesAndHierarchy) {
    AsfFixture fixture;
    ASSERT_TRUE(fixture.Read(Asf(), false)) << fixture.file.GetLastErrorText();
    EXPECT_STREQ(fixture.skeleton->GetName(), "VICON");
    EXPECT_EQ(fixture.skeleton->lengthUnit, 0.45);
    RAsfBone* root = fixture.skeleton->GetRoot();
    EXPECT_EQ(root->dofCount, 6);
    EXPECT_EQ(root->dofs[3], RAsfBone::kRx);
    RAsfBone* femur = fixture.Bone("lfemur");
    ASSERT_NE(femur, nullptr);
    EXPECT_NEAR(femur->length, 7 * kUnit, 1e-12);
    EXPECT_EQ(femur->parent, fixture.Bone("lhipjoint"));
    EXPECT_EQ(fixture.Bone("ltibia")->parent, femur);
    // Bones hang under the root in file order until the hierarchy moves them.
    ASSERT_EQ(root->GetChildCount(), 2);
    EXPECT_EQ(root->GetChild(0)->name, "lhipjoint");
    EXPECT_EQ(root->GetChild(1)->name, "rhand");
    // The femur's end: length along its direction; the tibia hangs there, in its parent's frame.
    EXPECT_NEAR(femur->endOffset.x, 7 * kUnit, 1e-9);
    RAsfBone* tibia = fixture.Bone("ltibia");
    EXPECT_NEAR(tibia->parentOffset[0], 7 * kUnit, 1e-9);
    EXPECT_NEAR(tibia->restRotation[2], 0.0, 1e-9);
    EXPECT_NEAR(femur->restRotation[2], 20.0, 1e-9);
    // A length unit of 0 converts nothing: the lengths stay as the file gives them.
    ASSERT_TRUE(fixture.Read(Replaced(Asf(), "length 0.45", "length 0"), false)) << fixture.file.GetLastErrorText();
    EXPECT_EQ(fixture.Bone("lfemur")->length, 7.0);
    EXPECT_EQ(fixture.Bone("rhand")->length, 0.0);

    // The reference node yields to a bone of its name, and takes its own again with a new name.
    ASSERT_TRUE(fixture.Read(Replaced(Replaced(Asf(), "VICON", "rig"), "name rhand", "name rig:reference"), false));
    EXPECT_STREQ(fixture.skeleton->GetReferenceName().Buffer(), "rig:reference1");
    fixture.skeleton->SetSkeletonName("run");
    EXPECT_STREQ(fixture.skeleton->GetReferenceName().Buffer(), "run:reference");
}

TEST(AsfFileTest, CollapsingMovesChildrenOfBonesWithoutDofsUp) {
    AsfFixture fixture;
    ASSERT_TRUE(fixture.Read(Asf(), true));
    EXPECT_EQ(fixture.Bone("lhipjoint"), nullptr);
    RAsfBone* femur = fixture.Bone("lfemur");
    ASSERT_NE(femur, nullptr);
    EXPECT_EQ(femur->parent, fixture.skeleton->GetRoot());
    // The hip joint's end offset (0, -2, 0) in file units now leads to the femur.
    EXPECT_NEAR(femur->parentOffset[1], -2 * kUnit, 1e-9);
    EXPECT_NEAR(femur->restTranslation[1], -2 * kUnit, 1e-9);
}

TEST(AsfFileTest, SectionsMatchAsPrefixesAndMissingPartsGiveWarningsOnly) {
    AsfFixture fixture;
    std::string text = Asf();
    text.replace(text.find(":name VICON"), 11, ":NAME");
    text.replace(text.find("  begin\n     id 2"), 8, "     id 7\n  begin\n");
    ASSERT_TRUE(fixture.Read(text + ":skin a b c\n  more\n:junk\n", false)) << fixture.file.GetLastErrorText();
    EXPECT_STREQ(fixture.skeleton->GetName(), "Untitled");
    EXPECT_NE(fixture.Bone("ltibia"), nullptr);
    ASSERT_TRUE(fixture.Read(Replaced(Asf(), ":name VICON", ":names"), false));
    EXPECT_STREQ(fixture.skeleton->GetName(), "s");
}

struct Refusal {
    const char* what;
    std::string text;
    const char* error;
};

class AsfRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(AsfRefusalTest, RefusedWithItsReason) {
    AsfFixture fixture;
    EXPECT_FALSE(fixture.Read(GetParam().text, true));
    EXPECT_NE(fixture.file.GetLastErrorText().find(GetParam().error), std::string::npos)
        << fixture.file.GetLastErrorText();
}

INSTANTIATE_TEST_SUITE_P(
    Files, AsfRefusalTest,
    ::testing::Values(
        Refusal{"no root", ":version 1.10\n:name x\n:units\n  length 1\n:skin\n", "No :root"},
        Refusal{"hierarchy before root", ":hierarchy\nbegin\nend\n", "Hierarchy before the root"},
        Refusal{"bones before root", std::string(kBones) + kHeader + kHierarchy, "Bone data before the root"},
        Refusal{"unknown parent", Asf(":hierarchy\nbegin\nfoot lfemur\nend\n"), "Unknown parent bone name (foot)"},
        Refusal{"unknown child", Asf(":hierarchy\nbegin\nlfemur foot\nend\n"), "Unknown child bone name (foot)"},
        Refusal{"own parent", Asf(":hierarchy\nbegin\nlfemur lfemur\nend\n"), "under itself"},
        Refusal{"under a descendant", Asf(":hierarchy\nbegin\nltibia lfemur\nlfemur ltibia\nend\n"), "descendant"},
        Refusal{"no length", Replaced(Asf(), "     length 8\n", ""), "Bone has no length"},
        Refusal{"root named", Replaced(Asf(), "name rhand", "name root"), "Forbidden bone name"},
        Refusal{"rotation order", Replaced(Asf(), "axis 0 0 20  XYZ", "axis 0 0 20 XQZ"), "Unknown rotation order"},
        Refusal{"limits", Replaced(Asf(), "           (-60.0 70.0)\n", ""), "Can't read dof limits"},
        Refusal{"length overflow", Replaced(Asf(), "length 0.45", "length 1e-320"), "beyond the range"},
        Refusal{"ends in a block", std::string(kHeader) + ":bonedata\nbegin\nname a\n", "ends in a bone block"}),
    [](const ::testing::TestParamInfo<Refusal>& info) {
        std::string name = info.param.what;
        for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(AsfFileTest, SkeletonsDeeperThanTheLimitAreRefused) {
    for (int depth : {kMaxSkeletonDepth, kMaxSkeletonDepth + 1}) {
        std::string text = std::string(kHeader) + ":bonedata\n";
        for (int i = 1; i < depth; ++i) {
            text += "begin\nname b" + std::to_string(i) + "\ndirection 0 1 0\nlength 1\nend\n";
        }
        text += ":hierarchy\nbegin\n";
        for (int i = 2; i < depth; ++i) text += "b" + std::to_string(i - 1) + " b" + std::to_string(i) + "\n";
        text += "end\n";
        AsfFixture fixture;
        EXPECT_EQ(fixture.Read(text, false), depth <= kMaxSkeletonDepth) << depth << fixture.file.GetLastErrorText();
    }
}

TEST(AsfReaderTest, NodesCarryRestFramesLimitsAndEndNodes) {
    SceneFixture fixture;
    RWyxReaderAsf reader(&fixture.factory);
    OptionsPtr options;
    ASSERT_TRUE(ReadText(fixture, reader, Asf(), "skel.asf",
                         [](RStreamOptionsMotion& o) { o.SetOption(kMotionImportLimits, 1); }, &options))
        << reader.GetLastErrorString();
    RWyxNode* reference = fixture.Node("VICON:reference");
    ASSERT_NE(reference, nullptr);
    EXPECT_EQ(reference->GetParent(), fixture.scene->GetRootNode());
    EXPECT_EQ(fixture.Node("root")->GetParent(), reference);
    EXPECT_NE(fixture.Node("ltibia_End"), nullptr);
    EXPECT_EQ(fixture.Node("rhand_End"), nullptr);  // length 0: no end node
    ASSERT_NE(options->GetAsfScene(), nullptr);
    EXPECT_TRUE(options->OwnsAsfScene());

    // rx alone: rotation limits free on the X component (index 2 of the first DOF) only.
    RWyxNodeLimits& limits = *fixture.Node("ltibia")->GetLimits();
    RVector4 minimum;
    RVector4 maximum;
    limits.GetMin(RWyxNodeLimits::kRotation, minimum);
    limits.GetMax(RWyxNodeLimits::kRotation, maximum);
    EXPECT_EQ(minimum.z, -180.0);
    EXPECT_EQ(maximum.z, 180.0);
    EXPECT_EQ(minimum.x, 0.0);
    EXPECT_EQ(maximum.y, 0.0);
    EXPECT_NEAR(limits.GetAxisLength(), 8 * kUnit, 1e-9);
    // The femur keeps its world place: its rest translation is the hip's end.
    EXPECT_NEAR(fixture.Node("lfemur")->GetDefaultGlobalMatrix().GetTranslation().y, -2 * kUnit, 1e-6);
}

// ---- AMC ------------------------------------------------------------------------------------------

std::string Amc(const std::string& header, int frames, int firstIndex = 1) {
    std::string text = ":FULLY-SPECIFIED\n:DEGREES\n" + header;
    for (int f = 0; f < frames; ++f) {
        text += std::to_string(firstIndex + f) + "\nroot 1 2 3 0 0 " + std::to_string(f) + "\nlfemur 10 20 " +
                std::to_string(30 + f) + "\nltibia " + std::to_string(40 + f) + "\n";
    }
    return text;
}

struct AmcFixture : SceneFixture {
    OptionsPtr options;

    bool ReadAsf(const std::string& text = Asf()) {
        RWyxReaderAsf reader(&factory);
        return ReadText(*this, reader, text, "skel.asf", [](RStreamOptionsMotion&) {}, &options);
    }
    bool ReadAmc(const std::string& text, RWyxReaderAmc& reader) {
        reader.OpenBytes(text.data(), text.size(), "walk.amc");
        OptionsPtr header = TakeMotionOptions(reader.GetReadOptions(false));
        if (header == nullptr) return false;
        options->SetFrameRate(0, header->GetFrameRate());
        options->SetFrameCount(header->GetFrameCount());
        options->SetStartTime(header->GetStartTime());
        return reader.Read(scene, options.get());
    }
};

TEST(AmcReaderTest, FramesArePlacedInTheirRange) {
    AmcFixture fixture;
    ASSERT_TRUE(fixture.ReadAsf());
    RWyxReaderAmc reader(&fixture.factory);
    ASSERT_TRUE(fixture.ReadAmc(Amc(":SAMPLES-PER-SECOND 60\n:FRAME-RANGE 10-20\n", 13), reader))
        << reader.GetLastErrorString();
    EXPECT_EQ(fixture.options->GetFrameCount(), 11);  // the range holds 11 of the 13 frames
    const RTime period = fixture.options->GetFramePeriod();
    EXPECT_EQ(fixture.options->GetStartTime(), period * 10);
    RWyxNode* root = fixture.Node("root");
    RFCurve* rz = Curve(root, 5);
    ASSERT_EQ(rz->GetKeyCount(), 11);
    EXPECT_EQ(rz->GetKey(0).GetTime(), period * 10);
    EXPECT_EQ(rz->GetKey(10).GetTime(), period * 20);
    EXPECT_NEAR(rz->GetKey(10).GetValue(), 10.0, 1e-5);
    EXPECT_STREQ(fixture.scene->GetCurrentTakeName(), "walk");
    // Translations are in file lengths.
    EXPECT_NEAR(ValueAt(root, 0, period * 10), 1 * kUnit, 1e-4);
}

TEST(AmcReaderTest, MissingValuesReadAsZeroAndRadiansBecomeDegrees) {
    AmcFixture fixture;
    ASSERT_TRUE(fixture.ReadAsf(Replaced(Asf(), "angle deg", "angle rad")));
    RWyxReaderAmc reader(&fixture.factory);
    const std::string text = ":SAMPLES-PER-SECOND 30\n1\nlfemur 0.5\nroot 0 0 0 0 0 0\n2\nlfemur 1\n";
    ASSERT_TRUE(fixture.ReadAmc(text, reader)) << reader.GetLastErrorString();
    RAsfBone* femur = static_cast<RWyxAsfScene*>(fixture.options->GetAsfScene())->GetRoot()->FindBone("lfemur");
    (void)femur;
    RWyxNode* node = fixture.Node("lfemur");
    // rx 0.5 rad about the bone's axis frame, ry and rz 0: the local rotation differs from the
    // rest rotation by 28.6 degrees about the bone's own X axis.
    RMatrix rest;
    RMatrix frame = node->GetLocalMatrixAt(RTime());
    RVector4 defaultRotation;
    EulerVectorXYZToMatrix(rest, node->GetDefaultRotation(defaultRotation));
    const RMatrix relative = RotationProduct(frame, rest.Transpose());
    const double angle = std::acos((relative[0][0] + relative[1][1] + relative[2][2] - 1.0) / 2.0) * kRadiansToDegrees;
    EXPECT_NEAR(angle, 0.5 * kRadiansToDegrees, 1e-3);
}

TEST(AmcReaderTest, TakesGetUniqueNamesAndTheSkeletonMustComeFirst) {
    AmcFixture fixture;
    RWyxReaderAmc early(&fixture.factory);
    fixture.options = NewOptions();
    const std::string text = Amc(":SAMPLES-PER-SECOND 30\n", 2);
    early.OpenBytes(text.data(), text.size(), "walk.amc");
    EXPECT_FALSE(early.Read(fixture.scene, fixture.options.get()));
    EXPECT_EQ(early.GetLastErrorCode(), RWyxReader::kErrorOptionsNotSet);

    ASSERT_TRUE(fixture.ReadAsf());
    RWyxReaderAmc first(&fixture.factory);
    ASSERT_TRUE(fixture.ReadAmc(text, first));
    RWyxReaderAmc second(&fixture.factory);
    ASSERT_TRUE(fixture.ReadAmc(text, second));
    EXPECT_STREQ(fixture.scene->GetCurrentTakeName(), "walk 1");
}

TEST(AmcFileTest, OptionsWithoutFramesReadNothingAndAreRefused) {
    AsfFixture asf;
    ASSERT_TRUE(asf.Read(Asf(), true));
    const std::string text = Amc("", 2);
    RAmcFile file;
    file.OpenBytes(text.data(), text.size());
    OptionsPtr options = NewOptions();
    EXPECT_FALSE(file.ReadFrames(*asf.skeleton, *options));
    EXPECT_NE(file.GetLastErrorText().find("no frames to read"), std::string::npos);
    options->SetFrameCount(2);
    file.OpenBytes(text.data(), text.size());
    EXPECT_TRUE(file.ReadFrames(*asf.skeleton, *options)) << file.GetLastErrorText();
}

class AmcRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(AmcRefusalTest, RefusedWithItsReason) {
    AmcFixture fixture;
    ASSERT_TRUE(fixture.ReadAsf());
    RWyxReaderAmc reader(&fixture.factory);
    EXPECT_FALSE(fixture.ReadAmc(GetParam().text, reader));
    EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorCorrupted);
    EXPECT_NE(std::string(reader.GetLastErrorString()).find(GetParam().error), std::string::npos)
        << reader.GetLastErrorString();
}

INSTANTIATE_TEST_SUITE_P(
    Files, AmcRefusalTest,
    ::testing::Values(
        Refusal{"format", ":FORMAT SPARSE\n" + Amc("", 1), "Unsupported DOF line format"},
        Refusal{"negative rate", Amc(":SAMPLES-PER-SECOND -30\n", 1), "Frame rate -30"},
        Refusal{"absurd rate", Amc(":SAMPLES-PER-SECOND 1e12\n", 1), "outside 0"},
        Refusal{"unknown bone", Amc("", 1) + "foot 1 2 3\n", "Unknown bone name (foot)"},
        Refusal{"second root", Amc("", 1) + "root 1 2 3 4 5 6\n", "Unknown bone name (root)"},
        Refusal{"bone twice", Amc("", 1) + "ltibia 3\n", "given twice"},
        Refusal{"frames backwards", Amc("", 2, 5) + "3\nroot 0 0 0 0 0 0\n", "does not follow"},
        Refusal{"same frame", Amc("", 2, 5) + "6.5\nroot 0 0 0 0 0 0\n", "does not follow"},
        Refusal{"huge index", Amc("", 1) + "1e30\nroot 0 0 0 0 0 0\n", "does not follow"},
        Refusal{"beyond the range", Amc(":SAMPLES-PER-SECOND 1\n:FRAME-RANGE 1000000000-1000000005\n", 3), "time range"},
        Refusal{"not a number", Amc("", 1) + "2\nroot 1 2 inf\n", "not a number"}),
    [](const ::testing::TestParamInfo<Refusal>& info) {
        std::string name = info.param.what;
        for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

// Written as ASF and AMC and read again, every bone's node keeps its world place at every frame.
TEST(AsfAmcWriterTest, RoundTripKeepsWorldPositions) {
    AmcFixture first;
    ASSERT_TRUE(first.ReadAsf());
    RWyxReaderAmc reader(&first.factory);
    ASSERT_TRUE(first.ReadAmc(Amc(":SAMPLES-PER-SECOND 60\n:FRAME-RANGE 3-6\n", 4), reader));
    first.Node("root")->SetMarked(1, false);

    ScratchFolder folder;
    const std::string asfPath = folder.Join("out.asf");
    const std::string amcPath = folder.Join("out.amc");
    RWyxWriterAsf asfWriter(&first.factory);
    OptionsPtr options = TakeMotionOptions(asfWriter.GetWriteOptions());
    options->SetOption(kMotionExportFrameRange, 1);
    options->SetFrameRate(0, first.options->GetFrameRate());
    options->SetFrameCount(first.options->GetFrameCount());
    options->SetStartTime(first.options->GetStartTime());
    ASSERT_TRUE(asfWriter.FileCreate(asfPath.c_str()));
    ASSERT_TRUE(asfWriter.Write(first.scene, options.get())) << asfWriter.GetLastErrorString();
    ASSERT_TRUE(asfWriter.FileClose());
    RWyxWriterAmc amcWriter(&first.factory);
    ASSERT_TRUE(amcWriter.FileCreate(amcPath.c_str()));
    ASSERT_TRUE(amcWriter.Write(first.scene, options.get())) << amcWriter.GetLastErrorString();
    ASSERT_TRUE(amcWriter.FileClose());
    const std::string asf = ScratchFolder::ReadFile(asfPath);
    const std::string amc = ScratchFolder::ReadFile(amcPath);
    EXPECT_NE(asf.find("  order  tx ty tz rx ry rz\n"), std::string::npos) << asf;
    EXPECT_NE(amc.find(":FRAME-RANGE 3-6\n"), std::string::npos) << amc;
    EXPECT_EQ(amc.find("\n0\n"), std::string::npos);  // frames counted from 1

    AmcFixture second;
    ASSERT_TRUE(second.ReadAsf(asf)) << asf;
    RWyxReaderAmc again(&second.factory);
    ASSERT_TRUE(second.ReadAmc(amc, again)) << again.GetLastErrorString() << amc;
    for (const char* name : {"root", "lfemur", "ltibia", "ltibia_End"}) {
        RWyxNode* a = first.Node(name);
        RWyxNode* b = second.Node(name);
        ASSERT_NE(b, nullptr) << name << asf;
        for (int f = 0; f < 4; ++f) {
            const RTime ta = first.options->GetStartTime() + first.options->GetFramePeriod() * f;
            const RTime tb = second.options->GetStartTime() + second.options->GetFramePeriod() * f;
            const RVector4 pa = a->GetGlobalMatrixAt(ta).GetTranslation();
            const RVector4 pb = b->GetGlobalMatrixAt(tb).GetTranslation();
            EXPECT_NEAR(pa.x, pb.x, 1e-3) << name << " " << f;
            EXPECT_NEAR(pa.y, pb.y, 1e-3) << name << " " << f;
            EXPECT_NEAR(pa.z, pb.z, 1e-3) << name << " " << f;
        }
    }
}

TEST(AsfWriterTest, ChildrenAtDifferentOffsetsGetDummiesAndOnlyTheRootMayBeCalledRoot) {
    SceneFixture fixture;
    RWyxNode* hips = fixture.factory.CreateNode("Hips");
    fixture.scene->GetRootNode()->AddChild(hips);
    hips->SetMarked(1, false);
    for (const char* name : {"LeftLeg", "RightLeg"}) {
        RWyxNode* leg = fixture.factory.CreateNode(name);
        leg->SetDefaultTranslation(RVector4(name[0] == 'L' ? 1.0 : -1.0, 0.0, 0.0, 1.0));
        hips->AddChild(leg);
        RWyxNode* foot = fixture.factory.CreateNode((std::string(name) + "Foot").c_str());
        foot->SetDefaultTranslation(RVector4(0.0, -5.0, 0.0, 1.0));
        leg->AddChild(foot);
    }
    Owned<RWyxAsfScene> skeleton(RWyxAsfScene::Create());
    ASSERT_TRUE(skeleton->BuildFromNode(hips, false, RVector4(1, 1, 1, 1)));
    RAsfBone* root = skeleton->GetRoot();
    ASSERT_EQ(root->GetChildCount(), 2);
    EXPECT_EQ(root->GetChild(0)->name, "LeftLegDummy");
    EXPECT_NEAR(root->GetChild(0)->length, 1.0 / 2.54, 1e-12);
    EXPECT_EQ(root->GetChild(0)->GetChild(0)->name, "LeftLeg");
    EXPECT_NEAR(root->GetChild(0)->GetChild(0)->length, 5.0 / 2.54, 1e-12);
    // The feet are leaves of length 0 without animation: pruned.
    EXPECT_EQ(root->FindBone("LeftLegFoot"), nullptr);

    ScratchFolder folder;
    RWyxNode* extra = fixture.factory.CreateNode("root");
    fixture.Node("LeftLeg")->AddChild(extra);
    RWyxWriterAsf writer(&fixture.factory);
    OptionsPtr options = TakeMotionOptions(writer.GetWriteOptions());
    ASSERT_TRUE(writer.FileCreate(folder.Join("x.asf").c_str()));
    EXPECT_FALSE(writer.Write(fixture.scene, options.get()));
    EXPECT_STREQ(writer.GetLastErrorString(), "Model name \"root\" is only allowed for the ASF root node.");
}

// ---- hierarchy moves and binding to nodes -------------------------------------------------------

// A bone block of the given name and length.
std::string Bone(const std::string& name, int length = 1) {
    return "begin\nname " + name + "\ndirection 0 1 0\nlength " + std::to_string(length) + "\nend\n";
}

// The names of a bone's children, in order, with the length (in file units) of namesakes.
std::string ChildNames(const RAsfBone* bone) {
    std::string names;
    for (int i = 0; i < bone->GetChildCount(); ++i) {
        const RAsfBone* child = bone->GetChild(i);
        names += (names.empty() ? "" : " ") + (child != nullptr ? child->name : std::string("<empty>"));
    }
    return names;
}

TEST(AsfFileTest, HierarchyMovesKeepEveryChildOrder) {
    std::string text = std::string(kHeader) + ":bonedata\n";
    for (const char* name : {"a", "b", "c", "d", "e", "f", "g", "h"}) text += Bone(name);
    // c is named twice on a line and again on a later one: it keeps its first parent.
    text += ":hierarchy\nbegin\nroot a\ng c f c\nb h\ne c b\nend\n";
    AsfFixture fixture;
    ASSERT_TRUE(fixture.Read(text, false)) << fixture.file.GetLastErrorText();
    EXPECT_EQ(ChildNames(fixture.skeleton->GetRoot()), "a d e g");
    EXPECT_EQ(ChildNames(fixture.Bone("g")), "c f");
    EXPECT_EQ(ChildNames(fixture.Bone("e")), "b");
    EXPECT_EQ(ChildNames(fixture.Bone("b")), "h");
}

TEST(AsfFileTest, NamesakesAreMovedAsThePreOrderSearchFindsThem) {
    std::string text = std::string(kHeader) + ":bonedata\n" + Bone("a") + Bone("dup", 1) + Bone("dup", 2) + Bone("b");
    // The first dup goes under b; the next search passes its empty place under the root and
    // finds the second dup there.
    text += ":hierarchy\nbegin\nb dup\na dup\nend\n";
    AsfFixture fixture;
    ASSERT_TRUE(fixture.Read(text, false)) << fixture.file.GetLastErrorText();
    EXPECT_EQ(ChildNames(fixture.skeleton->GetRoot()), "a b");
    ASSERT_EQ(fixture.Bone("b")->GetChildCount(), 1);
    EXPECT_NEAR(fixture.Bone("b")->GetChild(0)->length, 1 * kUnit, 1e-9);
    ASSERT_EQ(fixture.Bone("a")->GetChildCount(), 1);
    EXPECT_NEAR(fixture.Bone("a")->GetChild(0)->length, 2 * kUnit, 1e-9);
}

TEST(AsfFileTest, ARefusedHierarchyLeavesTheRootsChildrenInOrder) {
    const std::string bones = std::string(kHeader) + ":bonedata\n" + Bone("a") + Bone("b") + Bone("c") + Bone("d");
    // An unknown bone, then a bone under its own child.
    const std::pair<const char*, const char*> cases[] = {{"d b\nc x\n", "a c d"}, {"b c\nc b\n", "a b d"}};
    for (const auto& [hierarchy, left] : cases) {
        AsfFixture fixture;
        EXPECT_FALSE(fixture.Read(bones + ":hierarchy\nbegin\n" + hierarchy + "end\n", false)) << hierarchy;
        EXPECT_EQ(ChildNames(fixture.skeleton->GetRoot()), left) << hierarchy;
    }
}

TEST(AsfFileTest, ASecondReadWithoutARootMovesBonesOfTheFirst) {
    AsfFixture fixture;
    ASSERT_TRUE(fixture.Read(Asf(), false));
    // Two new rhands: the search from the root finds the first read's rhand before them.
    const std::string more = ":bonedata\n" + Bone("rhand", 3) + Bone("rhand", 4) + Bone("x") +
                             ":hierarchy\nbegin\nx rhand\nx rhand\nend\n";
    ASSERT_TRUE(fixture.Read(more, false)) << fixture.file.GetLastErrorText();
    EXPECT_EQ(ChildNames(fixture.skeleton->GetRoot()), "lhipjoint rhand x");
    RAsfBone* x = fixture.Bone("x");
    ASSERT_EQ(ChildNames(x), "rhand rhand");
    EXPECT_EQ(x->GetChild(0)->length, 0.0);
    EXPECT_NEAR(x->GetChild(1)->length, 3 * kUnit, 1e-9);
    EXPECT_NEAR(fixture.skeleton->GetRoot()->GetChild(1)->length, 4 * kUnit, 1e-9);
}

// "begin" and "end" are whole words: bones of capture tools named "EndEffector" or "end_site"
// begin hierarchy lines of their own, and keep their children; "END" still ends the block, a
// carriage return after it too.
TEST(AsfFileTest, BonesNamedAfterBlockKeywordsKeepTheirChildren) {
    const std::string text = std::string(kHeader) + ":bonedata\n" + Bone("EndEffector") + Bone("end_site") +
                             Bone("Beginning") + Bone("Tip") +
                             ":hierarchy\nbegin\nEndEffector end_site\nend_site Beginning\nBeginning Tip\nEND\r\n" +
                             "Beginning EndEffector\n";  // after the block: no hierarchy line
    AsfFixture fixture;
    ASSERT_TRUE(fixture.Read(text, false)) << fixture.file.GetLastErrorText();
    EXPECT_EQ(ChildNames(fixture.skeleton->GetRoot()), "EndEffector");
    EXPECT_EQ(ChildNames(fixture.Bone("EndEffector")), "end_site");
    EXPECT_EQ(ChildNames(fixture.Bone("end_site")), "Beginning");
    EXPECT_EQ(ChildNames(fixture.Bone("Beginning")), "Tip");
}

// Bones named after keywords, beginning with digits, with '#' or ':' inside, and of 50
// characters go through an ASF and AMC write and read with their places and motion.
TEST(AsfAmcWriterTest, NamesTheReadersCouldMistakeReadBack) {
    const std::string longest(50, 'g');
    SceneFixture first;
    RWyxNode* hips = first.factory.CreateNode("Hips");
    hips->SetMarked(1, false);
    first.scene->GetRootNode()->AddChild(hips);
    const RTime period = RTime(RTime::kTicksPerSecond / 30);
    // Each node one unit up from its parent (the root's children at the root), turning in its
    // own take.
    const auto add = [&](RWyxNode* parent, const std::string& name, double up) {
        RWyxNode* node = first.factory.CreateNode(name.c_str());
        node->SetDefaultTranslation(RVector4(0.0, up, 0.0, 1.0));
        parent->AddChild(node);
        node->AddTakeNode("take");
        node->SetCurrentTakeNodeByName("take");
        for (int f = 0; f < 3; ++f) {
            node->GetCurrentTakeNode()->GetRotationZCurve()->AppendKey(period * f, 10.0f * (f + 1));
        }
        return node;
    };
    add(add(hips, "EndEffector", 0.0), "Tip", 1.0);
    add(add(hips, "1stFinger", 0.0), "x#:", 1.0);
    add(add(hips, longest, 0.0), "Nail", 1.0);

    ScratchFolder folder;
    RWyxWriterAsf asfWriter(&first.factory);
    OptionsPtr options = TakeMotionOptions(asfWriter.GetWriteOptions());
    options->SetFrameRate(0, 30.0);
    options->SetFrameCount(3);
    ASSERT_TRUE(asfWriter.FileCreate(folder.Join("out.asf").c_str()));
    ASSERT_TRUE(asfWriter.Write(first.scene, options.get())) << asfWriter.GetLastErrorString();
    ASSERT_TRUE(asfWriter.FileClose());
    RWyxWriterAmc amcWriter(&first.factory);
    ASSERT_TRUE(amcWriter.FileCreate(folder.Join("out.amc").c_str()));
    ASSERT_TRUE(amcWriter.Write(first.scene, options.get())) << amcWriter.GetLastErrorString();
    ASSERT_TRUE(amcWriter.FileClose());
    const std::string asf = ScratchFolder::ReadFile(folder.Join("out.asf"));
    const std::string amc = ScratchFolder::ReadFile(folder.Join("out.amc"));

    AmcFixture second;
    ASSERT_TRUE(second.ReadAsf(asf)) << asf;
    RWyxReaderAmc reader(&second.factory);
    ASSERT_TRUE(second.ReadAmc(amc, reader)) << reader.GetLastErrorString() << amc;
    ASSERT_EQ(second.options->GetFrameCount(), 3) << amc;
    const std::pair<std::string, std::string> children[] = {
        {"Tip", "EndEffector"}, {"x#:", "1stFinger"}, {"Nail", longest}};
    for (const auto& [name, parent] : children) {
        RWyxNode* node = second.Node(name.c_str());
        ASSERT_NE(node, nullptr) << name << asf;
        EXPECT_EQ(node->GetParent(), second.Node(parent.c_str())) << name << asf;
        for (int f = 0; f < 3; ++f) {
            const RTime time = period * f;
            const RVector4 a = first.Node(name.c_str())->GetGlobalMatrixAt(time).GetTranslation();
            const RVector4 b = node->GetGlobalMatrixAt(second.options->GetStartTime() + time).GetTranslation();
            EXPECT_NEAR(a.x, b.x, 1e-3) << name << " " << f << "\n" << asf << amc;
            EXPECT_NEAR(a.y, b.y, 1e-3) << name << " " << f;
        }
    }
}

// ---- the pose of nodes on their default take ----------------------------------------------------

const RTime kPosePeriod(RTime::kTicksPerSecond / 30);
constexpr int kPoseFrames = 3;

// Nodes below the scene's root, each with its defaults, in the take "take" or left on its default
// take; keys go to the node's current take, one a frame.
struct PoseScene : SceneFixture {
    RWyxNode* Add(RWyxNode* parent, const char* name, const RVector4& translation, const RVector4& rotation,
                  bool inTake) {
        RWyxNode* node = factory.CreateNode(name);
        node->SetDefaultTranslation(translation);
        node->SetDefaultRotation(rotation);
        if (inTake) {
            node->AddTakeNode("take");
            node->SetCurrentTakeNodeByName("take");
        }
        (parent != nullptr ? parent : scene->GetRootNode())->AddChild(node);
        if (parent == nullptr) node->SetMarked(1, false);
        return node;
    }
    static void Key(RWyxNode* node, int channel, const float (&values)[kPoseFrames]) {
        for (int f = 0; f < kPoseFrames; ++f) Curve(node, channel)->AppendKey(kPosePeriod * f, values[f]);
    }
};

// The scene's export root written as ASF then AMC (translation DOFs or rotations alone); the two
// texts, empty where a write failed.
std::pair<std::string, std::string> WriteAsfAmcTexts(SceneFixture& source, bool translationDofs) {
    ScratchFolder folder;
    RWyxWriterAsf asfWriter(&source.factory);
    OptionsPtr options = TakeMotionOptions(asfWriter.GetWriteOptions());
    options->SetFrameRate(0, 30.0);
    options->SetFrameCount(kPoseFrames);
    options->SetOption(kMotionTranslation, translationDofs ? 1 : 0);
    RWyxWriterAmc amcWriter(&source.factory);
    const std::string asfPath = folder.Join("out.asf");
    const std::string amcPath = folder.Join("out.amc");
    const bool asf = asfWriter.FileCreate(asfPath.c_str()) && asfWriter.Write(source.scene, options.get()) &&
                     asfWriter.FileClose();
    EXPECT_TRUE(asf) << asfWriter.GetLastErrorString();
    const bool amc = asf && amcWriter.FileCreate(amcPath.c_str()) && amcWriter.Write(source.scene, options.get()) &&
                     amcWriter.FileClose();
    EXPECT_TRUE(amc) << amcWriter.GetLastErrorString();
    return {asf ? ScratchFolder::ReadFile(asfPath) : "", amc ? ScratchFolder::ReadFile(amcPath) : ""};
}

// Written as ASF and AMC and read back with the SDK's readers, every node at and below the export
// root is where the scene places it at every frame: its namesake (the root's is "root"; a leaf the
// writer leaves out is the end node of its parent's bone). The read fills the AMC's take alone.
void ExpectPlacesKeptThroughAsfAmc(PoseScene& source, RWyxNode* exportRoot, bool translationDofs) {
    SCOPED_TRACE(translationDofs ? "translation DOFs" : "rotations alone");
    const std::pair<std::string, std::string> texts = WriteAsfAmcTexts(source, translationDofs);
    const std::string& asf = texts.first;
    const std::string& amc = texts.second;
    AmcFixture read;
    ASSERT_TRUE(read.ReadAsf(asf)) << asf;
    RWyxReaderAmc reader(&read.factory);
    ASSERT_TRUE(read.ReadAmc(amc, reader)) << reader.GetLastErrorString() << amc;
    ASSERT_EQ(read.options->GetFrameCount(), kPoseFrames) << amc;
    VisitPreOrder(exportRoot, [&](RWyxNode& node) {
        std::string name = &node == exportRoot ? "root" : node.GetNameWithoutPrefix().Buffer();
        RWyxNode* copy = read.Node(name.c_str());
        if (copy == nullptr && node.GetChildCount() == 0) {
            RWyxNode* parent = node.GetParent();
            name = (parent == exportRoot ? std::string("root") : parent->GetNameWithoutPrefix().Buffer()) + "_End";
            copy = read.Node(name.c_str());
        }
        ASSERT_NE(copy, nullptr) << node.GetNameWithoutPrefix().Buffer() << "\n" << asf;
        for (int f = 0; f < kPoseFrames; ++f) {
            const RVector4 a = node.GetGlobalMatrixAt(kPosePeriod * f).GetTranslation();
            const RVector4 b = copy->GetGlobalMatrixAt(read.options->GetStartTime() + read.options->GetFramePeriod() * f)
                                   .GetTranslation();
            EXPECT_NEAR(a.x, b.x, 1e-3) << name << " at frame " << f << "\n" << asf << amc;
            EXPECT_NEAR(a.y, b.y, 1e-3) << name << " at frame " << f;
            EXPECT_NEAR(a.z, b.z, 1e-3) << name << " at frame " << f;
        }
    });
    // The motion read goes to the take named after the AMC file; no default take gets keys.
    EXPECT_STREQ(read.scene->GetCurrentTakeName(), "walk");
    VisitPreOrder(read.Node("root"), [](RWyxNode& node) {
        EXPECT_EQ(node.GetDefaultTakeNode()->GetRootCurveNode()->GetKeyCount(true), 0)
            << node.GetNameWithoutPrefix().Buffer();
        if (std::string(node.GetNameWithoutPrefix().Buffer()).find("_End") == std::string::npos) {
            EXPECT_STREQ(node.GetCurrentTakeNodeName(), "walk") << node.GetNameWithoutPrefix().Buffer();
        }
    });
}

// A scene without takes: every node is on its default take and is placed by its defaults, the
// root's (translation, rotation and a scaling its children's offsets take) included.
TEST(AsfAmcWriterTest, NodesOfASceneWithoutTakesKeepTheirDefaultPose) {
    for (const bool translationDofs : {true, false}) {
        PoseScene scene;
        RWyxNode* hips = scene.Add(nullptr, "Hips", RVector4(1.0, 1.0, 0.0, 1.0), RVector4(0.0, 20.0, 0.0, 1.0), false);
        hips->SetDefaultScaling(RVector4(2.0, 2.0, 2.0, 1.0));
        RWyxNode* chest = scene.Add(hips, "Chest", RVector4(0.0, 2.0, 0.0, 1.0), RVector4(0.0, 0.0, 30.0, 1.0), false);
        scene.Add(chest, "Head", RVector4(0.0, 2.0, 0.0, 1.0), RVector4(), false);
        // As the scene places them: Head 4 units from Chest, its offset doubled by Hips's scaling.
        const RVector4 head = scene.Node("Head")->GetGlobalMatrixAt(RTime()).GetTranslation();
        const RVector4 chestAt = chest->GetGlobalMatrixAt(RTime()).GetTranslation();
        ASSERT_NEAR((head - chestAt).Length3(), 4.0, 1e-9);
        ExpectPlacesKeptThroughAsfAmc(scene, hips, translationDofs);
    }
}

// Among nodes in the scene's take, a node without a take node of it is on its default take: placed
// by its defaults, between parent and child that move.
TEST(AsfAmcWriterTest, ANodeOutsideTheScenesTakeKeepsItsDefaultPose) {
    for (const bool translationDofs : {true, false}) {
        PoseScene scene;
        RWyxNode* hips = scene.Add(nullptr, "Hips", RVector4(0.0, 1.0, 0.0, 1.0), RVector4(), true);
        PoseScene::Key(hips, 0, {0.0f, 0.5f, 1.0f});
        PoseScene::Key(hips, 4, {0.0f, 10.0f, 20.0f});
        RWyxNode* chest = scene.Add(hips, "Chest", RVector4(0.0, 2.0, 0.0, 1.0), RVector4(0.0, 0.0, 30.0, 1.0), false);
        RWyxNode* head = scene.Add(chest, "Head", RVector4(0.0, 2.0, 0.0, 1.0), RVector4(), true);
        PoseScene::Key(head, 3, {0.0f, 15.0f, 30.0f});
        scene.Add(head, "Nose", RVector4(0.0, 0.0, 1.0, 1.0), RVector4(), true);
        // Chest's own take is not the scene's.
        chest->AddTakeNode("walk");
        chest->SetCurrentTakeNodeByName("walk");
        PoseScene::Key(chest, 5, {90.0f, 90.0f, 90.0f});
        scene.scene->SetCurrentTake("take");
        ASSERT_TRUE(chest->IsEvaluatedByDefaults());
        ASSERT_FALSE(head->IsEvaluatedByDefaults());
        ExpectPlacesKeptThroughAsfAmc(scene, hips, translationDofs);
    }
}

// Keys on a node's default take move it as any take's do; channels without keys there keep their
// defaults; a leaf of length 0 they move stays in the skeleton.
TEST(AsfAmcWriterTest, KeysOnADefaultTakeMoveTheirNode) {
    PoseScene scene;
    RWyxNode* hips = scene.Add(nullptr, "Hips", RVector4(0.0, 1.0, 0.0, 1.0), RVector4(), false);
    PoseScene::Key(hips, 2, {0.0f, 1.0f, 2.0f});
    RWyxNode* chest = scene.Add(hips, "Chest", RVector4(0.0, 2.0, 0.0, 1.0), RVector4(10.0, 0.0, 5.0, 1.0), true);
    PoseScene::Key(chest, 5, {0.0f, 15.0f, 30.0f});
    RWyxNode* neck = scene.Add(chest, "Neck", RVector4(0.0, 2.0, 0.0, 1.0), RVector4(0.0, 0.0, 30.0, 1.0), false);
    PoseScene::Key(neck, 3, {5.0f, 25.0f, 45.0f});
    RWyxNode* head = scene.Add(neck, "Head", RVector4(0.0, 1.0, 0.0, 1.0), RVector4(), false);
    PoseScene::Key(head, 1, {1.0f, 1.5f, 2.0f});
    ExpectPlacesKeptThroughAsfAmc(scene, hips, true);
    Owned<RWyxAsfScene> skeleton(RWyxAsfScene::Create());
    ASSERT_TRUE(skeleton->BuildFromNode(hips, true, RVector4(1, 1, 1, 1)));
    EXPECT_NE(skeleton->GetRoot()->FindBone("Head"), nullptr);
    // Without keys it goes: its parent's bone ends where it stands.
    head->GetDefaultTakeNode()->GetRootCurveNode()->FindByPath("Transform/T/Y")->GetCurve()->ClearKeys();
    ASSERT_TRUE(skeleton->BuildFromNode(hips, true, RVector4(1, 1, 1, 1)));
    EXPECT_EQ(skeleton->GetRoot()->FindBone("Head"), nullptr);
}

// Nodes in a take of their own, so that a bound bone holds the node's curve nodes.
struct BindFixture : SceneFixture {
    RWyxNode* Add(RWyxNode* parent, const char* name) {
        RWyxNode* node = factory.CreateNode(name);
        node->AddTakeNode("take");
        node->SetCurrentTakeNodeByName("take");
        if (parent != nullptr) parent->AddChild(node);
        return node;
    }
    static RFCurveNode* Translation(RWyxNode* node) {
        return node->GetCurrentTakeNode()->GetRootCurveNode()->FindByPath("Transform/T");
    }
};

// The node the bone is bound to, found by its translation curve node among the nodes.
RWyxNode* BoundNode(const RAsfBone* bone, const std::vector<RWyxNode*>& nodes) {
    for (RWyxNode* node : nodes) {
        if (bone->takeCurveNodes[0] != nullptr && bone->takeCurveNodes[0] == BindFixture::Translation(node)) return node;
    }
    return nullptr;
}

TEST(AsfSceneTest, BonesBindToTheFirstNodeOfTheirNameDepthFirst) {
    BindFixture f;
    RWyxNode* hips = f.Add(nullptr, "hips");
    RWyxNode* arm = f.Add(hips, "arm");
    RWyxNode* deepHand = f.Add(f.Add(arm, "elbow"), "hand");
    RWyxNode* hand = f.Add(hips, "hand");
    RWyxNode* finger = f.Add(hand, "finger");
    RWyxNode* leg = f.Add(hips, "leg");
    RWyxNode* lowerLeg = f.Add(leg, "Leg");
    f.Add(hips, "toe");
    const std::vector<RWyxNode*> nodes{hips, arm, deepHand, hand, finger, leg, lowerLeg};

    Owned<RWyxAsfScene> skeleton(RWyxAsfScene::Create());
    skeleton->SetRoot(std::make_unique<RAsfBone>("root"));
    RAsfBone* root = skeleton->GetRoot();
    auto add = [](RAsfBone* parent, const char* name) {
        parent->AddChild(std::make_unique<RAsfBone>(name));
        return parent->GetChild(parent->GetChildCount() - 1);
    };
    RAsfBone* handBone = add(root, "hand");           // the hand inside the arm comes first
    RAsfBone* fingerBone = add(handBone, "finger");   // searched below that hand only: none
    RAsfBone* nail = add(fingerBone, "Model::arm");   // prefixed: the arm is not below the hand
    RAsfBone* legBone = add(root, "x::leg");          // the text after "::" names the node
    RAsfBone* lowerBone = add(legBone, "leg");        // names differ in case: "Leg" is not "leg"
    RAsfBone* hipsBone = add(root, "hips");           // the search starts below the root node
    RAsfBone* toeBone = add(root, "toe");
    ASSERT_TRUE(skeleton->BindToNodes(hips));
    EXPECT_EQ(BoundNode(handBone, nodes), deepHand);
    EXPECT_EQ(BoundNode(fingerBone, nodes), nullptr);
    EXPECT_EQ(BoundNode(nail, nodes), nullptr);
    EXPECT_EQ(BoundNode(legBone, nodes), leg);
    EXPECT_EQ(BoundNode(lowerBone, nodes), nullptr);
    EXPECT_EQ(BoundNode(hipsBone, nodes), nullptr);
    EXPECT_NE(toeBone->takeCurveNodes[0], nullptr);

    // Moved below the leg, the hand's finger is the first "finger" under "leg" too, and the
    // top hand is now the first of its name; a new bind forgets the old one.
    leg->AddChild(finger);
    arm->RemoveChild(deepHand->GetParent());
    ASSERT_TRUE(skeleton->BindToNodes(hips));
    EXPECT_EQ(BoundNode(handBone, nodes), hand);
    EXPECT_EQ(BoundNode(fingerBone, nodes), nullptr);
    EXPECT_EQ(BoundNode(add(legBone, "finger"), nodes), nullptr);
    ASSERT_TRUE(skeleton->BindToNodes(hips));
    EXPECT_EQ(BoundNode(legBone->GetChild(1), nodes), finger);
}

// The old search, bone by bone: the node FindChild answers below the nearest bound ancestor's node.
void ExpectBindingsAsFindChild(const RAsfBone* bone, RWyxNode* node, const std::vector<RWyxNode*>& nodes) {
    RWyxNode* found = node->FindChild(bone->GetName(), true, false);
    EXPECT_EQ(BoundNode(bone, nodes), found) << bone->name;
    for (int i = 0; i < bone->GetChildCount(); ++i) {
        ExpectBindingsAsFindChild(bone->GetChild(i), found != nullptr ? found : node, nodes);
    }
}

// Many namesakes at many depths, wide and deep: every bone binds where the old search did.
TEST(AsfSceneTest, BindingsMatchTheDepthFirstSearchOverManyNamesakes) {
    BindFixture f;
    const char* const names[] = {"a", "b", "c", "A", "x::b", "d"};
    std::vector<RWyxNode*> nodes{f.Add(nullptr, "top")};
    for (int i = 1; i < 120; ++i) {
        // Every fifth under the top, the others under one of the last four nodes.
        RWyxNode* parent = nodes[static_cast<std::size_t>(i % 5 == 0 ? 0 : i - 1 - (i * 13) % std::min(i, 4))];
        nodes.push_back(f.Add(parent, names[i % 6]));
    }
    Owned<RWyxAsfScene> skeleton(RWyxAsfScene::Create());
    skeleton->SetRoot(std::make_unique<RAsfBone>("root"));
    std::vector<RAsfBone*> bones{skeleton->GetRoot()};
    for (int i = 1; i < 60; ++i) {
        RAsfBone* parent = bones[static_cast<std::size_t>(i % 4 == 0 ? 0 : i - 1 - (i * 7) % std::min(i, 3))];
        parent->AddChild(std::make_unique<RAsfBone>(names[(i * 5) % 6]));
        bones.push_back(parent->GetChild(parent->GetChildCount() - 1));
    }
    ASSERT_TRUE(skeleton->BindToNodes(nodes[0]));
    for (int i = 0; i < skeleton->GetRoot()->GetChildCount(); ++i) {
        ExpectBindingsAsFindChild(skeleton->GetRoot()->GetChild(i), nodes[0], nodes);
    }
}

// An unbound bone's children search below the node of its nearest bound ancestor.
TEST(AsfSceneTest, BonesBelowAnUnboundBoneSearchFromTheNearestBoundAncestor) {
    BindFixture f;
    RWyxNode* top = f.Add(nullptr, "top");
    RWyxNode* outside = f.Add(top, "neck");
    RWyxNode* spine = f.Add(top, "spine");
    RWyxNode* inside = f.Add(spine, "neck");
    const std::vector<RWyxNode*> nodes{top, outside, spine, inside};
    Owned<RWyxAsfScene> skeleton(RWyxAsfScene::Create());
    skeleton->SetRoot(std::make_unique<RAsfBone>("root"));
    auto spineBone = std::make_unique<RAsfBone>("spine");
    auto dummy = std::make_unique<RAsfBone>("spineDummy");
    dummy->AddChild(std::make_unique<RAsfBone>("neck"));
    spineBone->AddChild(std::move(dummy));
    spineBone->axisFrame[0][1] = 0.5;
    RAsfBone* neck = spineBone->GetChild(0)->GetChild(0);
    skeleton->GetRoot()->AddChild(std::move(spineBone));
    ASSERT_TRUE(skeleton->BindToNodes(top));
    EXPECT_EQ(BoundNode(neck, nodes), inside);
    EXPECT_EQ(neck->parentAxisFrame[0][1], 0.5);  // the frame of the bound ancestor
}

// ---- merging into existing nodes -------------------------------------------------------------------

struct MergeFixture : SceneFixture {
    Owned<RWyxAsfScene> skeleton{RWyxAsfScene::Create()};

    RWyxNode* Add(RWyxNode* parent, const char* name, bool withSkeleton = true) {
        RWyxNode* node = factory.CreateNode(name);
        if (withSkeleton) node->SetNodeAttribute(factory.CreateSkeleton());
        if (parent != nullptr) parent->AddChild(node);
        return node;
    }
    // A bone whose rest translation (x) tells which node it was merged into.
    static RAsfBone* AddBone(RAsfBone* parent, const char* name, double mark) {
        parent->AddChild(std::make_unique<RAsfBone>(name));
        RAsfBone* bone = parent->GetChild(parent->GetChildCount() - 1);
        bone->restTranslation[0] = mark;
        return bone;
    }
    static double Mark(RWyxNode* node) {
        RVector4 translation;
        return node->GetDefaultTranslation(translation).x;
    }
};

std::string ChildNodeNames(RWyxNode* node) {
    std::string names;
    for (int i = 0; i < node->GetChildCount(); ++i) {
        names += (i > 0 ? " " : "") + std::string(node->GetChild(i)->GetNameWithoutPrefix().Buffer());
    }
    return names;
}

// Each bone goes to the first child of its name carrying a skeleton, names compared with case,
// among the children of its parent's node, nodes the merge made among them.
TEST(AsfSceneTest, MergedBonesTakeTheFirstSkeletonNodeOfTheirNameAmongTheirParentsChildren) {
    MergeFixture f;
    RWyxNode* top = f.Add(nullptr, "top", false);
    RWyxNode* rootNode = f.Add(top, "root");
    RWyxNode* plainHand = f.Add(rootNode, "hand", false);
    RWyxNode* hand = f.Add(rootNode, "hand");
    RWyxNode* laterHand = f.Add(rootNode, "hand");
    f.Add(rootNode, "Arm");
    RWyxNode* outerFinger = f.Add(rootNode, "finger");

    f.skeleton->SetRoot(std::make_unique<RAsfBone>("root"));
    RAsfBone* root = f.skeleton->GetRoot();
    MergeFixture::AddBone(MergeFixture::AddBone(root, "hand", 1.0), "finger", 2.0);
    MergeFixture::AddBone(root, "hand", 3.0);  // the same first hand again
    MergeFixture::AddBone(root, "arm", 4.0);   // "Arm" differs in case: a new node
    MergeFixture::AddBone(root, "leg", 5.0);   // a new node ...
    MergeFixture::AddBone(root, "leg", 6.0);   // ... that its namesake merges into
    f.skeleton->MergeNodes(f.factory, top, "walk", false);

    EXPECT_EQ(ChildNodeNames(rootNode), "hand hand hand Arm finger arm leg");
    EXPECT_EQ(MergeFixture::Mark(hand), 3.0);
    EXPECT_EQ(MergeFixture::Mark(plainHand), 0.0);
    EXPECT_EQ(MergeFixture::Mark(laterHand), 0.0);
    EXPECT_EQ(MergeFixture::Mark(outerFinger), 0.0);  // the finger is searched below the hand
    ASSERT_EQ(ChildNodeNames(hand), "finger");
    EXPECT_EQ(MergeFixture::Mark(hand->GetChild(0)), 2.0);
    EXPECT_EQ(MergeFixture::Mark(rootNode->GetChild(5)), 4.0);
    EXPECT_EQ(MergeFixture::Mark(rootNode->GetChild(6)), 6.0);
}

}  // namespace
