// Whole transforms as matrices: set and read back (mirrors and zero scales included), the
// rotation the host's rotate axis and joint orient leave to the rotation plugs, bind-pose
// matrices from a joint's own attribute and from a dag pose, and the plug helpers.

#include "tests/hostimport/TransformTestSupport.h"
#include "tests/support/ImportTestSupport.h"

#include "hostimport/MatrixPlugs.h"
#include "plugin/HostUtilities.h"

#include <vexa/VFnAttribute.h>
#include <vexa/VFnNumericAttribute.h>
#include <vexa/VFnTransform.h>

#include <cmath>
#include <string>

namespace {

using namespace transform_test;

constexpr double kExact = 1e-9;

class MatrixPlugsTest : public SessionSceneTest {
protected:
    // A node of the session bound to a new host node of the type.
    VexaNode* bound(const char* name, const char* type = "transform") {
        EXPECT_TRUE(run(std::string("createNode ") + type + " -n " + name));
        VexaNode* node = add(root(), name);
        VDagPath path;
        EXPECT_TRUE(FindDagPathByName(name, path));
        node->SetDagPath(&path);
        return node;
    }
    static RMatrix local(const VexaNode& node) {
        return FromHost(VFnTransform(*node.GetDagPath()).transformation().asMatrix());
    }
};

RMatrix Compose(const RVector4& t, const RVector4& r, const RVector4& s) {
    RMatrix matrix;
    matrix.SetTRS(t, r, s);
    return matrix;
}

std::string MatrixText(const RMatrix& m) {
    std::string text;
    for (int i = 0; i < 16; ++i) text += " " + std::to_string(m[i / 4][i % 4]);
    return text;
}

TEST_F(MatrixPlugsTest, AMatrixSetOnATransformReadsBackMirrorsIncluded) {
    VexaNode* node = bound("box");
    VFnTransform host(*node->GetDagPath());
    const RMatrix plain = Compose({1, 2, 3, 0}, {30, -45, 60, 0}, {2, 3, 0.5, 0});
    const RMatrix mirrored = Compose({-4, 0, 2, 0}, {10, 20, -30, 0}, {-1, 2, 3, 0});
    for (const RMatrix& matrix : {plain, mirrored}) {
        ASSERT_TRUE(SetTransformFromMatrix(host, matrix));
        ExpectMatrixNear(local(*node), matrix, kExact, "set");
        RMatrix back;
        ASSERT_TRUE(GetTransformMatrix(host, back));
        ExpectMatrixNear(back, matrix, kExact, "read back");
    }
    double scale[3];
    host.getScale(scale);
    EXPECT_LT(scale[0] * scale[1] * scale[2], 0.0);

    // A zero scale stays finite.
    RMatrix flat = plain;
    for (int column = 0; column < 3; ++column) flat[1][column] = 0.0;
    ASSERT_TRUE(SetTransformFromMatrix(host, flat));
    RMatrix back;
    GetTransformMatrix(host, back);
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(std::isfinite(back[i / 4][i % 4])) << MatrixText(back);
    EXPECT_NEAR(back[0][0], plain[0][0], kExact);
}

// The rotation plugs take what is left of the matrix once the host's rotate axis (before them)
// and joint orient (after them) are taken out: the host's transform is then the matrix.
TEST_F(MatrixPlugsTest, PreAndPostRotationAreTakenOutAsTheHostAppliesThem) {
    VexaNode* joint = bound("joint1", "joint");
    VFnTransform host(*joint->GetDagPath());
    SetJointOrientDegrees(host, VPoint(0.0, 0.0, 30.0));
    SetRotateAxisDegrees(host, VPoint(10.0, -20.0, 0.0));
    const RMatrix wanted = Compose({1, 2, 3, 0}, {40, 5, -70, 0}, {1, 2, 1, 0});
    RMatrix plugs = wanted;
    RemovePrePostRotation(*joint, plugs);
    ASSERT_TRUE(SetTransformFromMatrix(host, plugs));
    ExpectMatrixNear(local(*joint), wanted, kExact, "joint");

    // Without a host node: the node's own rotations; none leave the matrix as it is.
    VexaNode* loose = add(root(), "loose");
    RMatrix same = wanted;
    RemovePrePostRotation(*loose, same);
    ExpectMatrixNear(same, wanted, kExact, "no rotations");
    loose->SetPreRotation(0, 0.0, 0.0, 30.0, 1.0);
    loose->SetPostRotation(0, 10.0, -20.0, 0.0, 1.0);
    RemovePrePostRotation(*loose, same);
    RMatrix rebuilt = Then(Then(Rotation(loose->GetPostRotation(0)), Compose({0, 0, 0, 0}, same.GetRotation(), {1, 1, 1, 0})),
                           Rotation(loose->GetPreRotation(0)));
    ExpectMatrixNear(rebuilt, Compose({0, 0, 0, 0}, wanted.GetRotation(), {1, 1, 1, 0}), kExact, "the node's rotations");
}

TEST_F(MatrixPlugsTest, BindPoseMatricesComeFromTheJointOrFromItsPose) {
    double matrix[16];
    // A joint's own attribute.
    VexaNode* joint = bound("joint1", "joint");
    ASSERT_TRUE(run("setAttr joint1.bindPose -type \"matrix\" 1 0 0 0 0 1 0 0 0 0 1 0 4 5 6 1"));
    ASSERT_TRUE(GetBindPoseMatrix(*joint, matrix));
    EXPECT_EQ(matrix[12], 4.0);
    EXPECT_EQ(matrix[14], 6.0);

    // A transform as member 3 of a dag pose.
    VexaNode* box = bound("box");
    ASSERT_TRUE(run("createNode dagPose -n pose1; connectAttr box.message pose1.members[3]; "
                    "setAttr pose1.worldMatrix[3] -type \"matrix\" 2 0 0 0 0 2 0 0 0 0 2 0 7 8 9 1"));
    VObject pose;
    EXPECT_EQ(FindPoseMemberIndex(box->GetDagPath()->node(), false, pose), 3);
    EXPECT_EQ(FindPoseMemberIndex(box->GetDagPath()->node(), true, pose), -1);
    EXPECT_FALSE(GetBindPoseMatrix(*box, matrix));  // not a bind pose
    ASSERT_TRUE(run("setAttr pose1.bindPose 1"));
    ASSERT_TRUE(GetBindPoseMatrix(*box, matrix));
    EXPECT_EQ(matrix[0], 2.0);
    EXPECT_EQ(matrix[13], 8.0);

    // An answer of 12 numbers is no matrix; a node without a host node has none.
    VexaNode* other = bound("other");
    VFnNumericAttribute numeric;
    VObject rows = numeric.create("bindPose", "bps", VFnNumericAttribute::k3Double);
    VFnAttribute(rows).setArray(true);
    VFnDependencyNode(other->GetDagPath()->node()).addAttribute(rows);
    VPlug plug;
    ASSERT_TRUE(FindNodePlug(plug, *other, "bindPose"));
    for (unsigned row = 0; row < 4; ++row) plug.elementByLogicalIndex(row).child(0).setValue(1.0);
    EXPECT_FALSE(GetBindPoseMatrix(*other, matrix));
    for (unsigned row = 4; row < 6; ++row) plug.elementByLogicalIndex(row).child(0).setValue(1.0);  // 18 numbers
    EXPECT_FALSE(GetBindPoseMatrix(*other, matrix));
    EXPECT_FALSE(GetBindPoseMatrix(*add(root(), "unbound"), matrix));

    // Sixteen numbers of an attribute that is no matrix are taken in the order the host gives them.
    VexaNode* pairs = bound("pairs");
    VObject twos = numeric.create("bindPose", "bps", VFnNumericAttribute::k2Double);
    VFnAttribute(twos).setArray(true);
    VFnDependencyNode(pairs->GetDagPath()->node()).addAttribute(twos);
    ASSERT_TRUE(FindNodePlug(plug, *pairs, "bindPose"));
    for (unsigned pair = 0; pair < 8; ++pair) {
        for (unsigned half = 0; half < 2; ++half) plug.elementByLogicalIndex(pair).child(half).setValue(2.0 * pair + half);
    }
    ASSERT_TRUE(GetBindPoseMatrix(*pairs, matrix));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(matrix[i], i) << i;
}

TEST_F(MatrixPlugsTest, PlugsAreNamedFoundAndWrittenAsMatrices) {
    VexaNode* joint = bound("joint1", "joint");
    VPlug plug;
    ASSERT_TRUE(FindNodePlug(plug, *joint, "bindPose"));
    VString name;
    ASSERT_TRUE(GetPlugPathName(plug, name));
    EXPECT_EQ(name, "|joint1.bindPose");
    const double values[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1.5, 2.25, 3, 1};
    ASSERT_TRUE(SetPlugMatrix(plug, values));
    double back[16];
    ASSERT_TRUE(GetBindPoseMatrix(*joint, back));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(back[i], values[i]) << i;

    const VStatus missing = FindNodePlug(plug, *joint, "noSuchPlug");
    EXPECT_EQ(missing, VStatus::kNotFound);
    EXPECT_EQ(missing.errorString(), "no attribute noSuchPlug");
    EXPECT_EQ(FindNodePlug(plug, *joint, "translate.noSuchPlug").errorString(), "no attribute translate.noSuchPlug");
    EXPECT_TRUE(plug == VFnDependencyNode(joint->GetDagPath()->node()).findPlug("bindPose")) << "kept on a failure";
    EXPECT_EQ(FindNodePlug(plug, *add(root(), "unbound"), "bindPose"), VStatus::kNotFound);
    VMessageLog::clear();
    EXPECT_FALSE(FindPlugOrReport(VFnDependencyNode(joint->GetDagPath()->node()), "noSuchPlug", plug));
    const VStringArray errors = VMessageLog::linesOf(VMessageLog::kStatus);
    ASSERT_GT(errors.length(), 0u);
    EXPECT_NE(errors[errors.length() - 1].indexOf("Plug not found : noSuchPlug"), -1) << errors[errors.length() - 1];
    EXPECT_TRUE(FindPlugOrReport(VFnDependencyNode(joint->GetDagPath()->node()), "bindPose", plug));
}

}  // namespace
