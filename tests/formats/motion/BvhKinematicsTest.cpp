// Public-format BVH files read into the scene must put every joint where a plain forward-
// kinematics computation of the BVH convention puts it: a joint's transform is its offset
// (position channels replacing components) followed by its rotation channels composed in
// the order listed, v' = T * R1 * R2 * R3 * v, under its parent's. Written back, the files
// must give the same matrices.

#include "formats/motion/RWyxReaderBvh.h"
#include "formats/motion/RWyxWriterBvh.h"
#include "tests/formats/motion/MotionTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace motion_test;

// ---- a plain column-vector forward-kinematics model -------------------------------------------

struct Matrix4 {
    double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};

Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 out;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            out.m[r][c] = 0.0;
            for (int k = 0; k < 4; ++k) out.m[r][c] += a.m[r][k] * b.m[k][c];
        }
    }
    return out;
}

Matrix4 Rotation(char axis, double degrees) {
    const double a = degrees * M_PI / 180.0;
    const double c = std::cos(a);
    const double s = std::sin(a);
    Matrix4 r;
    // The two axes the rotation turns, in right-handed order.
    const int i = axis == 'X' ? 1 : axis == 'Y' ? 2 : 0;
    const int j = axis == 'X' ? 2 : axis == 'Y' ? 0 : 1;
    r.m[i][i] = c;
    r.m[i][j] = -s;
    r.m[j][i] = s;
    r.m[j][j] = c;
    return r;
}

struct Joint {
    std::string name;  // "<parent>_End" for end sites
    int parent;
    double offset[3];
    std::string channels;  // e.g. "XYZzxy": upper case positions, lower case rotations
};

struct Skeleton {
    std::string hierarchy;
    std::vector<Joint> joints;
    double frameTime;
};

// World positions of every joint for one frame of channel values (in joint order).
std::vector<std::vector<double>> ForwardKinematics(const Skeleton& skeleton, const std::vector<double>& values) {
    std::vector<Matrix4> world(skeleton.joints.size());
    std::vector<std::vector<double>> positions;
    std::size_t next = 0;
    for (std::size_t j = 0; j < skeleton.joints.size(); ++j) {
        const Joint& joint = skeleton.joints[j];
        Matrix4 local;
        double translation[3] = {joint.offset[0], joint.offset[1], joint.offset[2]};
        Matrix4 rotation;
        for (char channel : joint.channels) {
            const double value = values[next++];
            if (channel >= 'X' && channel <= 'Z') {
                translation[channel - 'X'] = value;
            } else {
                rotation = Multiply(rotation, Rotation(static_cast<char>(channel - 'x' + 'X'), value));
            }
        }
        for (int i = 0; i < 3; ++i) local.m[i][3] = translation[i];
        local = Multiply(local, rotation);
        world[j] = joint.parent < 0 ? local : Multiply(world[static_cast<std::size_t>(joint.parent)], local);
        positions.push_back({world[j].m[0][3], world[j].m[1][3], world[j].m[2][3]});
    }
    return positions;
}

int ChannelCount(const Skeleton& skeleton) {
    int count = 0;
    for (const Joint& joint : skeleton.joints) count += static_cast<int>(joint.channels.size());
    return count;
}

// Angles over most of the circle and a few positions, different in every frame and channel.
std::vector<double> FrameValues(const Skeleton& skeleton, int frame) {
    std::vector<double> values;
    int index = 0;
    for (const Joint& joint : skeleton.joints) {
        for (char channel : joint.channels) {
            const double phase = 0.37 * index + 1.3 * frame;
            values.push_back(channel >= 'X' && channel <= 'Z' ? 10.0 * std::sin(phase) : 170.0 * std::sin(phase));
            ++index;
        }
    }
    return values;
}

std::string FileText(const Skeleton& skeleton, int frames) {
    std::ostringstream text;
    text.precision(10);
    text << skeleton.hierarchy << "MOTION\nFrames: " << frames << "\nFrame Time: " << skeleton.frameTime << "\n";
    for (int f = 0; f < frames; ++f) {
        for (double value : FrameValues(skeleton, f)) text << value << " ";
        text << "\n";
    }
    return text.str();
}

// A humanoid in the ZXY channel order of most BVH files, with end sites.
Skeleton Humanoid() {
    Skeleton s;
    s.frameTime = 0.033333;
    s.hierarchy =
        "HIERARCHY\n"
        "ROOT Hips\n"
        "{\n"
        "\tOFFSET 0.00 0.00 0.00\n"
        "\tCHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n"
        "\tJOINT Chest\n"
        "\t{\n"
        "\t\tOFFSET 0.00 5.21 0.00\n"
        "\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n"
        "\t\tJOINT Neck\n"
        "\t\t{\n"
        "\t\t\tOFFSET 0.00 18.65 0.00\n"
        "\t\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n"
        "\t\t\tJOINT Head\n"
        "\t\t\t{\n"
        "\t\t\t\tOFFSET 0.00 5.45 0.00\n"
        "\t\t\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n"
        "\t\t\t\tEnd Site\n"
        "\t\t\t\t{\n"
        "\t\t\t\t\tOFFSET 0.00 3.87 0.00\n"
        "\t\t\t\t}\n"
        "\t\t\t}\n"
        "\t\t}\n"
        "\t\tJOINT LeftCollar\n"
        "\t\t{\n"
        "\t\t\tOFFSET 1.12 16.23 1.87\n"
        "\t\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n"
        "\t\t\tJOINT LeftUpArm\n"
        "\t\t\t{\n"
        "\t\t\t\tOFFSET 5.54 0.00 0.00\n"
        "\t\t\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n"
        "\t\t\t\tJOINT LeftLowArm\n"
        "\t\t\t\t{\n"
        "\t\t\t\t\tOFFSET 0.00 -11.96 0.00\n"
        "\t\t\t\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n"
        "\t\t\t\t\tEnd Site\n"
        "\t\t\t\t\t{\n"
        "\t\t\t\t\t\tOFFSET 0.00 -9.93 0.00\n"
        "\t\t\t\t\t}\n"
        "\t\t\t\t}\n"
        "\t\t\t}\n"
        "\t\t}\n"
        "\t}\n"
        "\tJOINT LeftUpLeg\n"
        "\t{\n"
        "\t\tOFFSET 3.91 0.00 0.00\n"
        "\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n"
        "\t\tJOINT LeftLowLeg\n"
        "\t\t{\n"
        "\t\t\tOFFSET 0.00 -18.34 0.00\n"
        "\t\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n"
        "\t\t\tEnd Site\n"
        "\t\t\t{\n"
        "\t\t\t\tOFFSET 0.00 -17.37 0.00\n"
        "\t\t\t}\n"
        "\t\t}\n"
        "\t}\n"
        "\tJOINT RightUpLeg\n"
        "\t{\n"
        "\t\tOFFSET -3.91 0.00 0.00\n"
        "\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n"
        "\t\tEnd Site\n"
        "\t\t{\n"
        "\t\t\tOFFSET 0.00 -18.34 0.00\n"
        "\t\t}\n"
        "\t}\n"
        "}\n";
    s.joints = {{"Hips", -1, {0, 0, 0}, "XYZzxy"},          {"Chest", 0, {0, 5.21, 0}, "zxy"},
                {"Neck", 1, {0, 18.65, 0}, "zxy"},          {"Head", 2, {0, 5.45, 0}, "zxy"},
                {"Head_End", 3, {0, 3.87, 0}, ""},          {"LeftCollar", 1, {1.12, 16.23, 1.87}, "zxy"},
                {"LeftUpArm", 5, {5.54, 0, 0}, "zxy"},      {"LeftLowArm", 6, {0, -11.96, 0}, "zxy"},
                {"LeftLowArm_End", 7, {0, -9.93, 0}, ""},   {"LeftUpLeg", 0, {3.91, 0, 0}, "zxy"},
                {"LeftLowLeg", 9, {0, -18.34, 0}, "zxy"},   {"LeftLowLeg_End", 10, {0, -17.37, 0}, ""},
                {"RightUpLeg", 0, {-3.91, 0, 0}, "zxy"},    {"RightUpLeg_End", 12, {0, -18.34, 0}, ""}};
    return s;
}

// A chain in the XYZ order at 120 frames per second, with a joint that carries positions.
Skeleton XyzChain() {
    Skeleton s;
    s.frameTime = 0.008333;
    s.hierarchy =
        "HIERARCHY\n"
        "ROOT pelvis\n"
        "{\n"
        "  OFFSET 0 0 0\n"
        "  CHANNELS 6 Xposition Yposition Zposition Xrotation Yrotation Zrotation\n"
        "  JOINT spine\n"
        "  {\n"
        "    OFFSET 0 10 2\n"
        "    CHANNELS 6 Xposition Yposition Zposition Xrotation Yrotation Zrotation\n"
        "    JOINT arm\n"
        "    {\n"
        "      OFFSET 12 0 -1\n"
        "      CHANNELS 3 Xrotation Yrotation Zrotation\n"
        "      End Site\n"
        "      {\n"
        "        OFFSET 0 -20 0\n"
        "      }\n"
        "    }\n"
        "  }\n"
        "}\n";
    s.joints = {{"pelvis", -1, {0, 0, 0}, "XYZxyz"},
                {"spine", 0, {0, 10, 2}, "XYZxyz"},
                {"arm", 1, {12, 0, -1}, "xyz"},
                {"arm_End", 2, {0, -20, 0}, ""}};
    return s;
}

constexpr int kFrames = 6;

void ExpectJointsAtKinematicPositions(SceneFixture& fixture, const Skeleton& skeleton, const RStreamOptionsMotion& options) {
    for (int f = 0; f < kFrames; ++f) {
        const std::vector<std::vector<double>> expected = ForwardKinematics(skeleton, FrameValues(skeleton, f));
        const RTime time = options.GetStartTime() + options.GetFramePeriod() * f;
        for (std::size_t j = 0; j < skeleton.joints.size(); ++j) {
            SCOPED_TRACE(skeleton.joints[j].name + " frame " + std::to_string(f));
            RWyxNode* node = fixture.Node(skeleton.joints[j].name.c_str());
            ASSERT_NE(node, nullptr);
            const RVector4 position = node->GetGlobalMatrixAt(time).GetTranslation();
            EXPECT_NEAR(position.x, expected[j][0], 2e-3);
            EXPECT_NEAR(position.y, expected[j][1], 2e-3);
            EXPECT_NEAR(position.z, expected[j][2], 2e-3);
        }
    }
}

class BvhKinematicsTest : public ::testing::TestWithParam<Skeleton (*)()> {};

TEST_P(BvhKinematicsTest, JointsStandWhereForwardKinematicsPutsThem) {
    const Skeleton skeleton = GetParam()();
    ASSERT_EQ(static_cast<int>(FrameValues(skeleton, 0).size()), ChannelCount(skeleton));
    SceneFixture fixture;
    RWyxReaderBvh reader(&fixture.factory);
    OptionsPtr options;
    ASSERT_TRUE(ReadText(fixture, reader, FileText(skeleton, kFrames), "walk.bvh", [](RStreamOptionsMotion&) {},
                         &options))
        << reader.GetLastErrorString();
    EXPECT_EQ(options->GetFrameCount(), kFrames);
    ExpectJointsAtKinematicPositions(fixture, skeleton, *options);
}

TEST_P(BvhKinematicsTest, WrittenAndReadAgainKeepsEveryMatrix) {
    const Skeleton skeleton = GetParam()();
    SceneFixture first;
    RWyxReaderBvh reader(&first.factory);
    OptionsPtr options;
    ASSERT_TRUE(ReadText(first, reader, FileText(skeleton, kFrames), "walk.bvh", [](RStreamOptionsMotion&) {},
                         &options));
    first.Node(skeleton.joints[0].name.c_str())->SetMarked(1, false);

    ScratchFolder folder;
    const std::string path = folder.Join("again.bvh");
    // Rotation-only files keep the joints' translations only where they are not animated.
    bool jointsMove = false;
    for (std::size_t j = 1; j < skeleton.joints.size(); ++j) {
        jointsMove = jointsMove || skeleton.joints[j].channels.find_first_of("XYZ") != std::string::npos;
    }
    for (int translation = jointsMove ? 1 : 0; translation <= 1; ++translation) {
        SCOPED_TRACE(translation);
        RWyxWriterBvh writer(&first.factory);
        options->SetOption(kMotionTranslation, translation);
        ASSERT_TRUE(writer.FileCreate(path.c_str()));
        ASSERT_TRUE(writer.Write(first.scene, options.get())) << writer.GetLastErrorString();
        ASSERT_TRUE(writer.FileClose());

        SceneFixture second;
        RWyxReaderBvh again(&second.factory);
        ASSERT_TRUE(again.FileOpen(path.c_str()));
        OptionsPtr read = TakeMotionOptions(again.GetReadOptions(false));
        ASSERT_NE(read, nullptr);
        ASSERT_TRUE(again.Read(second.scene, read.get())) << again.GetLastErrorString();
        for (const Joint& joint : skeleton.joints) {
            RWyxNode* original = first.Node(joint.name.c_str());
            RWyxNode* copy = second.Node(joint.name.c_str());
            ASSERT_NE(copy, nullptr) << joint.name;
            for (int f = 0; f < kFrames; ++f) {
                const RMatrix a = original->GetGlobalMatrixAt(options->GetStartTime() + options->GetFramePeriod() * f);
                const RMatrix b = copy->GetGlobalMatrixAt(read->GetStartTime() + read->GetFramePeriod() * f);
                for (int r = 0; r < 4; ++r) {
                    for (int c = 0; c < 3; ++c) {
                        EXPECT_NEAR(a[r][c], b[r][c], 1e-4 * (1.0 + std::fabs(a[r][c]))) << joint.name << " " << f;
                    }
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(PublicFiles, BvhKinematicsTest, ::testing::Values(&Humanoid, &XyzChain));

}  // namespace
