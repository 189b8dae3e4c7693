// The host utilities: node tagging, units, rotate axis and joint orient, searches in the
// DAG, short path names and text helpers.

#include "plugin/HostNodeTag.h"
#include "plugin/HostUtilities.h"
#include "plugin/VexaNode.h"
#include "plugin/VexaObjectFactory.h"
#include "tests/support/HostTestSupport.h"

#include <vexa/VFnAnimCurve.h>
#include <vexa/VFnDependencyNode.h>
#include <vexa/VFnNumericAttribute.h>
#include <vexa/VTransformationMatrix.h>

#include <cstdlib>
#include <string>

namespace {

using HostUtilitiesTest = HostTest;

TEST_F(HostUtilitiesTest, ANodeIsTaggedOnceAndKeepsTheLastId) {
    const VObject node = makeTransform("tagged");
    EXPECT_EQ(LVGetLumtraxID(node), 0);
    const unsigned attributes = VFnDependencyNode(node).attributeCount();
    LVSetLumtraxID(node, 4);
    LVSetLumtraxID(node, 7);
    VFnDependencyNode functions(node);
    EXPECT_EQ(functions.attributeCount(), attributes + 1);
    EXPECT_EQ(LVGetLumtraxID(node), 7);
    const VFnNumericAttribute tag(functions.attribute("wyxID"));
    EXPECT_EQ(tag.name(), "lumtraxTypeID");
    EXPECT_TRUE(tag.isHidden());
    EXPECT_TRUE(tag.isStorable());
    EXPECT_FALSE(tag.isConnectable());
    EXPECT_EQ(functions.attributeClass(functions.attribute("lumtraxTypeID")), VFnDependencyNode::kLocalDynamicAttr);

    LVSetLumtraxID(VObject(), 3);  // no node: printed, nothing else
    EXPECT_EQ(LVGetLumtraxID(VObject()), 0);
    EXPECT_GT(VMessageLog::linesOf(VMessageLog::kStatus).length(), 0u);
}

TEST_F(HostUtilitiesTest, UnitsComeFromTheHostsUserInterface) {
    const struct {
        VDistance::Unit unit;
        double centimeters;
    } distances[] = {{VDistance::kInches, 2.54},    {VDistance::kFeet, 30.48},        {VDistance::kYards, 91.44},
                     {VDistance::kMiles, 160934.4}, {VDistance::kMillimeters, 0.1},   {VDistance::kKilometers, 100000.0},
                     {VDistance::kMeters, 100.0},   {VDistance::kCentimeters, 1.0}};
    for (const auto& d : distances) {
        VDistance::setUIUnit(d.unit);
        EXPECT_EQ(CentimetersPerHostUnit(), d.centimeters) << d.unit;
    }
    const double perSecond[] = {0, 1.0 / 3600.0, 1.0 / 60.0, 1, 1000, 15, 24, 30, 30, 48, 50, 60};
    for (int unit = 1; unit < 12; ++unit) {
        VTime::setUIUnit(static_cast<VTime::Unit>(unit));
        EXPECT_EQ(HostTimeUnitsPerSecond(), perSecond[unit]) << unit;
    }
}

TEST_F(HostUtilitiesTest, RotateAxisAndJointOrientTravelInDegrees) {
    VFnDependencyNode joint(makeNode("joint", "knee"));
    SetRotateAxisDegrees(joint, VPoint(90, -45, 30));
    SetJointOrientDegrees(joint, VPoint(10, 20, 180));
    EXPECT_NEAR(plugOf(joint.object(), "rotateAxisX").asDouble(), 1.5707963267948966, 1e-15);
    VPoint axis, orient;
    GetRotateAxisDegrees(joint, axis);
    GetJointOrientDegrees(joint, orient);
    EXPECT_NEAR(axis.y, -45.0, 1e-12);
    EXPECT_NEAR(axis.z, 30.0, 1e-12);
    EXPECT_NEAR(orient.x, 10.0, 1e-12);
    EXPECT_NEAR(orient.z, 180.0, 1e-12);
    VFnDependencyNode transform(makeTransform("plain"));
    orient = VPoint(5, 5, 5);
    GetJointOrientDegrees(transform, orient);  // no such plugs
    EXPECT_EQ(orient.x, 0.0);
    EXPECT_EQ(orient.z, 0.0);
}

TEST_F(HostUtilitiesTest, DagPathsAreFoundByPartialAndFullName) {
    const VObject top = makeTransform("top1");
    makeTransform("arm", top);
    makeTransform("arm");
    VDagPath path;
    ASSERT_TRUE(FindDagPathByName("|top1|arm", path));
    EXPECT_EQ(path.fullPathName(), "|top1|arm");
    ASSERT_TRUE(FindDagPathByName("top1|arm", path));
    EXPECT_EQ(path.fullPathName(), "|top1|arm");
    ASSERT_TRUE(FindDagPathByFullName("|arm", path));
    EXPECT_EQ(path.fullPathName(), "|arm");
    EXPECT_FALSE(FindDagPathByName("arm|top1", path));
    ASSERT_TRUE(FindDagPathByPartialName("|arm", path));  // "arm" alone names two paths
    EXPECT_EQ(path.fullPathName(), "|arm");
    EXPECT_FALSE(FindDagPathByPartialName("arm", path));

    VexaObjectFactory factory(VexaObjectFactory::kImportContext);
    VDagPath armPath;
    ASSERT_TRUE(FindDagPathByName("top1|arm", armPath));
    VexaNode* parent = factory.CreateNodeForDagPath("top1", nullptr);
    VexaNode* child = factory.CreateNodeForDagPath("arm", &armPath);
    VexaNode* other = factory.CreateNodeForDagPath("other", nullptr);
    parent->AddChild(other);
    other->AddChild(child);
    EXPECT_EQ(FindNodeByDagPath(parent, armPath), other);  // the parent of the bound node answers
    ASSERT_TRUE(FindDagPathByFullName("|arm", path));
    EXPECT_EQ(FindNodeByDagPath(parent, path), nullptr);
    EXPECT_EQ(FindNodeByDagPath(nullptr, path), nullptr);
}

TEST_F(HostUtilitiesTest, LongPathNamesAreShortenedAroundTheirMiddle) {
    // "|" + name gives " / " + name: a name of n characters gives n + 3.
    const std::string exact(177, 'a');
    const std::string longer(178, 'b');
    VDagPath path;
    ASSERT_TRUE(VDagPath::getAPathTo(makeTransform(exact.c_str()), path));
    EXPECT_EQ(GetShortPathName(&path), RString((" / " + exact).c_str()));
    ASSERT_TRUE(VDagPath::getAPathTo(makeTransform(longer.c_str()), path));
    const RString shortName = GetShortPathName(&path);
    EXPECT_EQ(shortName.GetLength(), 180);
    EXPECT_EQ(shortName, RString((" / " + std::string(84, 'b') + " ... " + std::string(88, 'b')).c_str()));
    EXPECT_EQ(GetShortPathName(nullptr), "");
    EXPECT_EQ(ReplaceBarsWithSlashes("|a|b"), " / a / b");
}

TEST_F(HostUtilitiesTest, TextHelpersEndAndKeepWhatTheySay) {
    EXPECT_STREQ(ReplaceAllInPlace("a-b-c", "-", "+"), "a+b+c");
    EXPECT_STREQ(ReplaceAllInPlace("aXa", "a", "aa"), "aaXaa");  // a replacement holding the text ends
    EXPECT_STREQ(ReplaceAllInPlace("abc", "", "x"), "abc");
    const char* previous = ReplaceAllInPlace("one two", " ", "_");
    EXPECT_STREQ(ReplaceAllInPlace(previous, "_", "__"), "one__two");

    const struct {
        const char* text;
        char first;
        char second;
        bool kept;
        const char* result;
    } cases[] = {{"a:b:c", ':', ':', true, ":b"}, {"name[3]", '[', ']', true, "[3"},
                 {"no colon", ':', ':', false, "no colon"}, {"", ':', ':', false, ""}, {"x:y", ':', '#', true, ":y"}};
    for (const auto& c : cases) {
        RString text(c.text);
        EXPECT_EQ(KeepFromCharToChar(text, c.first, c.second), c.kept) << c.text;
        EXPECT_EQ(text, c.result) << c.text;
    }

    EXPECT_TRUE(IsDefaultCameraName("persp"));
    EXPECT_TRUE(IsDefaultCameraName("Producer Right"));
    EXPECT_FALSE(IsDefaultCameraName("perspective"));
    EXPECT_FALSE(IsDefaultCameraName("Persp"));
    EXPECT_FALSE(IsDefaultCameraName(nullptr));

    std::uint32_t values[] = {7, 1, 0xffffffffu, 3};
    std::qsort(values, 4, sizeof(values[0]), CompareUnsigned);
    EXPECT_EQ(values[0], 1u);
    EXPECT_EQ(values[3], 0xffffffffu);
}

TEST_F(HostUtilitiesTest, FailedStatusesArePrintedWithTheirContext) {
    PrintStatusError(VStatus(), "never");
    EXPECT_EQ(VMessageLog::linesOf(VMessageLog::kStatus).length(), 0u);
    PrintStatusError(VStatus(VStatus::kNotFound, "gone"), "Finding the node");
    const VStringArray printed = VMessageLog::linesOf(VMessageLog::kStatus);
    ASSERT_EQ(printed.length(), 2u);
    EXPECT_NE(printed[1].indexOf("Finding the node"), -1);
    EXPECT_NE(printed[0].indexOf("gone"), -1);
}

TEST_F(HostUtilitiesTest, KeyedCurvesAndConnectedNodesAreFound) {
    const VObject node = makeTransform("animated");
    VFnDependencyNode functions(node);
    EXPECT_FALSE(HasKeyedTransformCurve(functions));
    VFnAnimCurve curve;
    curve.create(plugOf(node, "rotateY"));
    EXPECT_FALSE(HasKeyedTransformCurve(functions));  // a curve without keys
    curve.addKey(VTime(1.0, VTime::kSeconds), 2.0);
    EXPECT_TRUE(HasKeyedTransformCurve(functions));
    EXPECT_FALSE(HasKeyedDynamicAttribute(functions));

    VObject found;
    EXPECT_TRUE(FindConnectedNodeOfType(node, VFn::kAnimCurve, found, VItDependencyGraph::kUpstream,
                                        VItDependencyGraph::kNodeLevel));
    EXPECT_TRUE(found.hasFn(VFn::kAnimCurve));
    EXPECT_FALSE(FindConnectedNodeOfType(node, VFn::kMesh, found, VItDependencyGraph::kUpstream,
                                         VItDependencyGraph::kNodeLevel));

    const VTransformationMatrix identity;
    RMatrix matrix;
    matrix[3][0] = 5.0;
    EXPECT_TRUE(TransformationToMatrix(identity, matrix));
    EXPECT_EQ(matrix[3][0], 0.0);
    EXPECT_EQ(matrix[1][1], 1.0);
}

}  // namespace
