#include "attributes/RWyxSkeleton.h"
#include "core/EulerAngles.h"
#include "curves/RotationContinuity.h"
#include "formats/motion/RBvhFile.h"
#include "formats/motion/RWyxReaderBvh.h"
#include "formats/motion/RWyxWriterBvh.h"
#include "formats/motion/MotionConversion.h"
#include "scene/RWyxNodeLimits.h"
#include "tests/formats/motion/MotionTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <sstream>
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
        Refusal{"not a number", Chain() + Motion(1, "0.04", "1 2 3 0 nan 0 90 0 0\n"), "holds 4"},
        Refusal{"comma", Chain() + Motion(1, "0.04", "1 2 3 0,5 0 90 0 0 0\n"), "holds 4"},
        Refusal{"doubled sign", Chain() + Motion(1, "0.04", "1 2 3 0 0 0 90 --1 0\n"), "holds 7"},
        Refusal{"word", Chain() + Motion(1, "0.04", "1 2 abc 0 0 0 90 0 0\n"), "holds 2"},
        Refusal{"byte 0", Chain() + Motion(1, "0.04", std::string("1 2 3 0 0\0 0 90 0 0\n", 21)), "holds 5"},
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

// ---- rotation channels -------------------------------------------------------------------------------

// Rotation channel lists of every order, with positions between them, fewer and repeated axes.
const char* const kChannelLists[] = {
    "3 Xrotation Yrotation Zrotation", "3 Xrotation Zrotation Yrotation", "3 Yrotation Xrotation Zrotation",
    "3 Yrotation Zrotation Xrotation", "3 Zrotation Xrotation Yrotation", "3 Zrotation Yrotation Xrotation",
    "3 Zrotation Xrotation Zrotation", "2 Yrotation Xrotation",
    "6 Xposition Zrotation Yposition Yrotation Xposition Xrotation"};

// First-frame angles (listed order) on and off the places where rounding alone would turn an
// angle a half turn: zeros of either sign, quarter and half turns, angles past a half turn,
// the gimbal lock and its neighbourhood.
const double kFirstAngles[][3] = {
    {12.5, -33.25, 71.0}, {0.0, 0.0, 0.0},    {-0.0, 90.0, 0.0},   {180.0, 0.0, -180.0}, {0.0, 100.0, 200.0},
    {90.0, 45.0, 0.0},    {30.0, 89.95, 60.0}, {270.0, -90.0, 360.0}, {30.0, 1e-9, -60.0}, {-150.0, 120.0, 10.0},
    {0.0, 30.0, 60.0},    {30.0, 0.0, 60.0},   {30.0, 60.0, 0.0},   {0.0, 150.0, 0.0},   {0.0, 0.0, 120.0}};
constexpr int kTurningFrames = 4;

struct ChannelJoint {
    std::string name;
    std::vector<char> channels;  // 'X', 'Y', 'Z' positions, 'x', 'y', 'z' rotations
    std::vector<std::vector<double>> frames;
};

// A joint per channel list and first-frame angles, each turning from there on.
std::vector<ChannelJoint> ChannelJoints() {
    std::vector<ChannelJoint> joints;
    for (const char* list : kChannelLists) {
        for (const auto& first : kFirstAngles) {
            ChannelJoint joint;
            joint.name = "j" + std::to_string(joints.size());
            std::istringstream words(list);
            std::string word;
            words >> word;  // the count
            while (words >> word) {
                const bool isRotation = word.find("rotation") != std::string::npos;
                joint.channels.push_back(isRotation ? static_cast<char>(std::tolower(word[0])) : word[0]);
            }
            for (int f = 0; f < kTurningFrames; ++f) {
                std::vector<double> values;
                int rotation = 0;
                for (char channel : joint.channels) {
                    const bool isRotation = std::islower(static_cast<unsigned char>(channel)) != 0;
                    const double turn[3] = {17.5, -23.0, 41.0};
                    values.push_back(isRotation ? first[rotation] + f * turn[rotation] : 2.0 * f + 0.5 * values.size());
                    rotation += isRotation ? 1 : 0;
                }
                joint.frames.push_back(values);
            }
            joints.push_back(joint);
        }
    }
    return joints;
}

std::string ChannelJointsFile(const std::vector<ChannelJoint>& joints, int frameCount) {
    std::string text = "HIERARCHY\nROOT root\n{\nOFFSET 0 0 0\nCHANNELS 0\n";
    for (std::size_t j = 0; j < joints.size(); ++j) {
        text += "JOINT " + joints[j].name + "\n{\nOFFSET 1 2 3\nCHANNELS " + kChannelLists[j / std::size(kFirstAngles)] +
                "\nEnd Site\n{\nOFFSET 0 1 0\n}\n}\n";
    }
    std::ostringstream frames;
    frames.precision(17);
    for (int f = 0; f < frameCount; ++f) {
        for (const ChannelJoint& joint : joints) {
            for (double value : joint.frames[static_cast<std::size_t>(f)]) frames << value << ' ';
        }
        frames << '\n';
    }
    return text + "}\n" + Motion(frameCount, "0.04", frames.str());
}

// The rotation of a frame as the reader must convert it: each rotation channel's own matrix
// composed in turn (the last listed acting first), read as Euler XYZ angles. Positions
// replace the offset's components.
void ComposedFrame(const ChannelJoint& joint, int frame, double translation[3], double angles[3]) {
    RMatrix rotation;
    for (std::size_t c = 0; c < joint.channels.size(); ++c) {
        const double value = joint.frames[static_cast<std::size_t>(frame)][c];
        const char channel = joint.channels[c];
        if (std::isupper(static_cast<unsigned char>(channel))) {
            translation[channel - 'X'] = value;
            continue;
        }
        RMatrix axis;
        EulerXYZToMatrix(axis, channel == 'x' ? value : 0.0, channel == 'y' ? value : 0.0, channel == 'z' ? value : 0.0);
        MatrixMultiplyRotation(rotation, rotation, axis);
    }
    RVector4 xyz;
    MatrixToEulerXYZ(xyz, rotation);
    angles[0] = xyz.x;
    angles[1] = xyz.y;
    angles[2] = xyz.z;
}

// The curves the reader must make of a joint: the frames converted, each frame's angles
// brought next to the frame before, then the reader's filters.
std::vector<RFCurve> ExpectedCurves(const ChannelJoint& joint, const RStreamOptionsMotion& options) {
    std::vector<RFCurve> curves(6);
    double previous[3] = {};
    for (int f = 0; f < kTurningFrames; ++f) {
        double translation[3] = {1.0, 2.0, 3.0};
        double angles[3];
        ComposedFrame(joint, f, translation, angles);
        if (f > 0) {
            const int order[3] = {0, 1, 2};
            EulerFilterStep(angles, angles, previous, order);
        }
        std::copy(angles, angles + 3, previous);
        const RTime time = options.GetStartTime() + options.GetFramePeriod() * f;
        for (int i = 0; i < 3; ++i) {
            AppendFrameKey(&curves[static_cast<std::size_t>(i)], time, translation[i]);
            AppendFrameKey(&curves[static_cast<std::size_t>(3 + i)], time, angles[i]);
        }
    }
    RFCurve* rotation[3] = {&curves[3], &curves[4], &curves[5]};
    FilterRotationCurves(rotation);
    ReduceConstantKeys(rotation, 3);
    RFCurve* translation[3] = {&curves[0], &curves[1], &curves[2]};
    ReduceConstantKeys(translation, 3);
    return curves;
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof(float)) == 0; }

// A frame's conversion alone, before any filter: the same angles but for rounding, on the
// same side of a half turn and of 0 (a zero's sign included).
TEST(BvhReaderTest, EveryChannelListConvertsAsItsChannelsComposed) {
    const std::vector<ChannelJoint> joints = ChannelJoints();
    const std::string text = ChannelJointsFile(joints, 1);
    SceneFixture fixture;
    RBvhFile file;
    file.OpenBytes(text.data(), text.size());
    OptionsPtr options = NewOptions();
    ASSERT_TRUE(file.ReadOptions(*options) && file.ReadHierarchy() &&
                file.BuildNodes(fixture.factory, nullptr, "take") && file.ReadMotion(*options))
        << file.GetLastErrorText();
    ASSERT_EQ(file.GetJointCount(), 1 + 2 * static_cast<int>(joints.size()));
    for (std::size_t j = 0; j < joints.size(); ++j) {
        SCOPED_TRACE(std::string(kChannelLists[j / std::size(kFirstAngles)]) + ", first angles " +
                     std::to_string(j % std::size(kFirstAngles)));
        const RBvhJoint& joint = *file.GetJoint(1 + 2 * static_cast<int>(j));
        double translation[3] = {1.0, 2.0, 3.0};
        double angles[3];
        ComposedFrame(joints[j], 0, translation, angles);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(joint.rotation[i], angles[i], 1e-9) << i;
            EXPECT_EQ(std::signbit(joint.rotation[i]), std::signbit(angles[i])) << i << ": " << angles[i];
            EXPECT_EQ(*joint.translation.Component(i), translation[i]) << i;
        }
    }
}

TEST(BvhReaderTest, EveryChannelListReadsAsItsChannelsComposedToTheLastBit) {
    const std::vector<ChannelJoint> joints = ChannelJoints();
    SceneFixture fixture;
    RWyxReaderBvh reader(&fixture.factory);
    OptionsPtr options;
    ASSERT_TRUE(ReadText(fixture, reader, ChannelJointsFile(joints, kTurningFrames), "turns.bvh",
                         [](RStreamOptionsMotion&) {}, &options))
        << reader.GetLastErrorString();
    for (std::size_t j = 0; j < joints.size(); ++j) {
        const ChannelJoint& joint = joints[j];
        SCOPED_TRACE(std::string(kChannelLists[j / std::size(kFirstAngles)]) + ", first angles " +
                     std::to_string(j % std::size(kFirstAngles)));
        const std::vector<RFCurve> expected = ExpectedCurves(joint, *options);
        const bool positions = std::find_if(joint.channels.begin(), joint.channels.end(),
                                            [](char c) { return std::isupper(static_cast<unsigned char>(c)); }) !=
                               joint.channels.end();
        for (int c = positions ? 0 : 3; c < 6; ++c) {
            const RFCurve& want = expected[static_cast<std::size_t>(c)];
            const RFCurve* got = Curve(fixture.Node(joint.name.c_str()), c);
            ASSERT_NE(got, nullptr);
            ASSERT_EQ(got->GetKeyCount(), want.GetKeyCount()) << "channel " << c;
            if (want.GetKeyCount() == 0) {
                EXPECT_TRUE(SameBits(got->GetDefaultValue(), want.GetDefaultValue())) << "channel " << c;
            }
            for (int k = 0; k < want.GetKeyCount(); ++k) {
                EXPECT_EQ(got->GetKey(k).GetTime(), want.GetKey(k).GetTime());
                EXPECT_TRUE(SameBits(got->GetKey(k).GetValue(), want.GetKey(k).GetValue()))
                    << "channel " << c << " key " << k << ": " << got->GetKey(k).GetValue() << " against "
                    << want.GetKey(k).GetValue();
                EXPECT_EQ(got->GetKey(k).GetInterpolation(), want.GetKey(k).GetInterpolation());
                EXPECT_EQ(got->GetKey(k).GetTangentMode(), want.GetKey(k).GetTangentMode());
            }
        }
    }
}

// The joints of a chain read from rows into the motion state RBvhFile keeps after its last row.
struct ReadChain {
    SceneFixture fixture;
    RBvhFile file;

    explicit ReadChain(const std::string& rows, int frames) {
        const std::string text = Chain() + Motion(frames, "0.04", rows);
        file.OpenBytes(text.data(), text.size());
        OptionsPtr options = NewOptions();
        EXPECT_TRUE(file.ReadOptions(*options) && file.ReadHierarchy() &&
                    file.BuildNodes(fixture.factory, nullptr, "take") && file.ReadMotion(*options))
            << file.GetLastErrorText();
    }
};

bool SameBits(const double* a, const double* b) { return std::memcmp(a, b, 3 * sizeof(double)) == 0; }

// A row whose rotation values repeat the row before takes that row's angles again; any other
// row, if only one value differs, is converted as it stands: the last row's angles are those
// of a file of that row alone, and brought next to the row before, those of a file whose rows
// lead to it without the repeat.
TEST(BvhReaderTest, ARowRepeatingTheRotationValuesConvertsAsItsOwn) {
    const std::string first = "1 2 3 10 20 30 40 50 60\n";
    // The root moves and keeps its rotation; the arm's X value changes.
    const std::string moved = "4 5 6 10 20 30 40 55 60\n";
    // Only the angles acting first (the Y values) stay.
    const std::string turnedBack = "1 2 3 0 0 30 0 0 60\n";
    const struct {
        std::string rows;
        std::string last;
        std::string withoutRepeat;
    } cases[] = {
        {first + first + moved, moved, first + moved},
        {first + moved + moved, moved, first + moved},
        {first + moved + first, first, moved + first},
        {first + first + turnedBack, turnedBack, first + turnedBack},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rows);
        ReadChain read(c.rows, 3);
        ReadChain alone(c.last, 1);
        ReadChain direct(c.withoutRepeat, 2);
        ASSERT_EQ(read.file.GetJointCount(), 3);
        for (int j = 0; j < 2; ++j) {
            const RBvhJoint& got = *read.file.GetJoint(j);
            EXPECT_TRUE(SameBits(got.convertedAngles, alone.file.GetJoint(j)->convertedAngles)) << got.name;
            EXPECT_TRUE(SameBits(got.rotation, direct.file.GetJoint(j)->rotation)) << got.name;
        }
    }
}

// The room kept for the frames follows the claim only as far as the file's bytes can hold rows:
// two values and their delimiters per channel.
TEST(BvhReaderTest, AClaimedFrameCountReservesNoMoreRowsThanTheFileHolds) {
    const std::string text = Chain() + Motion(2000000000, "0.04", "1 2 3 0 0 0 90 0 0\n");
    RBvhFile file;
    file.OpenBytes(text.data(), text.size());
    ASSERT_TRUE(file.ReadHierarchy()) << file.GetLastErrorText();
    ASSERT_EQ(file.GetTotalChannelCount(), 9);
    EXPECT_EQ(file.GetStagedRows(2000000000), static_cast<int>(text.size() / 18 + 1));
    EXPECT_EQ(file.GetStagedRows(3), 3);
    EXPECT_EQ(file.GetStagedRows(0), 0);
}

// A motion of no frames leaves every curve without keys.
TEST(BvhReaderTest, NoFramesLeaveTheCurvesWithoutKeys) {
    SceneFixture fixture;
    RWyxReaderBvh reader(&fixture.factory);
    ASSERT_TRUE(ReadText(fixture, reader, Chain() + Motion(0, "0.04", ""))) << reader.GetLastErrorString();
    for (const char* name : {"Hips", "Arm"}) {
        for (int c = 0; c < 6; ++c) EXPECT_EQ(Curve(fixture.Node(name), c)->GetKeyCount(), 0) << name << " " << c;
    }
}

// A file refused in its rows keeps the keys of the frames before the fault as they were read:
// no filter runs, so the arm's flat X rotation keeps both its keys.
TEST(BvhReaderTest, ARefusedRowLeavesTheFramesBeforeItUnfiltered) {
    const std::string rows = "1 2 3 0 0 0 10 0 0\n4 5 6 0 0 0 20 0 0\n";
    SceneFixture whole;
    RWyxReaderBvh wholeReader(&whole.factory);
    ASSERT_TRUE(ReadText(whole, wholeReader, Chain() + Motion(2, "0.04", rows)));
    EXPECT_EQ(Curve(whole.Node("Arm"), 3)->GetKeyCount(), 0);

    SceneFixture cut;
    RWyxReaderBvh cutReader(&cut.factory);
    EXPECT_FALSE(ReadText(cut, cutReader, Chain() + Motion(3, "0.04", rows + "7 8\n")));
    EXPECT_NE(std::string(cutReader.GetLastErrorString()).find("Frame 3 holds 2 of its 9 values"), std::string::npos)
        << cutReader.GetLastErrorString();
    const RFCurve* x = Curve(cut.Node("Hips"), 0);
    ASSERT_NE(x, nullptr);
    ASSERT_EQ(x->GetKeyCount(), 2);
    EXPECT_EQ(x->GetKey(1).GetValue(), 4.0f);
    const RFCurve* z = Curve(cut.Node("Arm"), 5);
    ASSERT_EQ(z->GetKeyCount(), 2);
    EXPECT_EQ(z->GetKey(1).GetValue(), 20.0f);
    EXPECT_EQ(Curve(cut.Node("Arm"), 3)->GetKeyCount(), 2);
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

// Keys stored in one piece are the plain keys an append makes, at start + step * i: exact
// while the last time fits, saturating at the end of the range where it does not.
TEST(MotionConversionTest, StoredFrameKeysTakeEachFramesTimeSaturatingPastTheRange) {
    const float values[] = {1.5f, -2.0f, 3.25f, 4.0f, 0.5f, -6.0f, 7.0f, 8.0f};
    const RTime step(1000);
    for (const RTime start : {RTime(-5000), RTime(RTime::kInfinitelyLate - 2500)}) {
        SCOPED_TRACE(start.GetTicks());
        RFCurve curve;
        ASSERT_TRUE(StoreFrameKeys(&curve, start, step, values + 1, 2, 4));
        ASSERT_EQ(curve.GetKeyCount(), 4);
        for (int i = 0; i < 4; ++i) {
            const RCurveKey want = RCurveKey::Plain(start + step * i, values[1 + 2 * i]);
            const RCurveKey& got = curve.GetKey(i);
            EXPECT_EQ(got.GetTime(), want.GetTime()) << i;
            EXPECT_TRUE(SameBits(got.GetValue(), want.GetValue())) << i;
            EXPECT_EQ(got.GetInterpolation(), want.GetInterpolation()) << i;
            EXPECT_EQ(got.GetTangentMode(), want.GetTangentMode()) << i;
        }
    }
    EXPECT_EQ(RCurveKey::Plain(RTime(RTime::kInfinitelyLate - 2500) + step * 3, 0.0f).GetTime().GetTicks(),
              RTime::kInfinitelyLate);
}

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
