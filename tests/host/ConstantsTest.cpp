// The numbers plug-ins test against: function-set types, unit and curve codes, spaces,
// rotation orders, limits, attribute classes and film fits.

#include <vexa/Vexa.h>
#include <vexa/VFnAnimCurve.h>
#include <vexa/VFnCamera.h>
#include <vexa/VFnDependencyNode.h>
#include <vexa/VFnNumericAttribute.h>
#include <vexa/VFnTransform.h>
#include <vexa/VItDag.h>
#include <vexa/VItDependencyGraph.h>
#include <vexa/VPxFileTranslator.h>
#include <vexa/VSpace.h>

#include <gtest/gtest.h>

namespace {

struct Number {
    const char* name;
    int value;
    int expected;
};

void expectNumbers(std::initializer_list<Number> numbers) {
    for (const Number& number : numbers) EXPECT_EQ(number.value, number.expected) << number.name;
}

TEST(ConstantsTest, FunctionSetTypes) {
    expectNumbers({
        {"kAnyTransform", VFn::kAnyTransform, 106},       {"kTransform", VFn::kTransform, 109},
        {"kLookAt", VFn::kLookAt, 111},                   {"kJoint", VFn::kJoint, 120},
        {"kCamera", VFn::kCamera, 242},                   {"kClusterHandle", VFn::kClusterHandle, 243},
        {"kLocator", VFn::kLocator, 272},                 {"kNurbsSurface", VFn::kNurbsSurface, 285},
        {"kNurbsSurfaceGeometry", VFn::kNurbsSurfaceGeometry, 286}, {"kMesh", VFn::kMesh, 287},
        {"kLight", VFn::kLight, 293},                     {"kAmbientLight", VFn::kAmbientLight, 294},
        {"kAreaLight", VFn::kAreaLight, 296},             {"kDirectionalLight", VFn::kDirectionalLight, 299},
        {"kPointLight", VFn::kPointLight, 300},           {"kSpotLight", VFn::kSpotLight, 301},
        {"kVolumeLight", VFn::kVolumeLight, 853},         {"kBlendShape", VFn::kBlendShape, 327},
        {"kCluster", VFn::kCluster, 335},                 {"kJointCluster", VFn::kJointCluster, 336},
        {"kShadingEngine", VFn::kShadingEngine, 450},     {"kFileTexture", VFn::kFileTexture, 479},
        {"kSurfaceCVComponent", VFn::kSurfaceCVComponent, 521}, {"kMeshVertComponent", VFn::kMeshVertComponent, 533},
        {"kNumericAttribute", VFn::kNumericAttribute, 544}, {"kSkinClusterFilter", VFn::kSkinClusterFilter, 660},
        {"kDagPose", VFn::kDagPose, 662},                 {"kPolySmoothFacet", VFn::kPolySmoothFacet, 671},
        {"kWrapFilter", VFn::kWrapFilter, 708},           {"kAttribute3Double", VFn::kAttribute3Double, 715},
        {"kAttribute3Float", VFn::kAttribute3Float, 716}, {"kLayeredTexture", VFn::kLayeredTexture, 761},
        {"kBase", VFn::kBase, 1},                         {"kInvalid", VFn::kInvalid, 0},
    });
}

TEST(ConstantsTest, StatusesSpacesAndTraversals) {
    expectNumbers({
        {"kSuccess", VStatus::kSuccess, 0}, {"kFailure", VStatus::kFailure, 1},
        {"kInvalidParameter", VStatus::kInvalidParameter, 3}, {"kNotFound", VStatus::kNotFound, 7},
        {"kTransform space", VSpace::kTransform, 1}, {"kObject space", VSpace::kObject, 2},
        {"kDepthFirst", VItDag::kDepthFirst, 1}, {"kBreadthFirst", VItDag::kBreadthFirst, 2},
        {"kDownstream", VItDependencyGraph::kDownstream, 0}, {"kUpstream", VItDependencyGraph::kUpstream, 1},
        {"kBreadthFirst graph", VItDependencyGraph::kBreadthFirst, 1},
        {"kLocalDynamicAttr", VFnDependencyNode::kLocalDynamicAttr, 2},
        {"kIsMyFileType", VPxFileTranslator::kIsMyFileType, 0},
        {"kCouldBeMyFileType", VPxFileTranslator::kCouldBeMyFileType, 1},
        {"kNotMyFileType", VPxFileTranslator::kNotMyFileType, 2},
    });
}

TEST(ConstantsTest, RotationOrdersLimitsAndFilmFits) {
    expectNumbers({
        {"kXYZ", VTransformationMatrix::kXYZ, 1}, {"kYZX", VTransformationMatrix::kYZX, 2},
        {"kZXY", VTransformationMatrix::kZXY, 3}, {"kXZY", VTransformationMatrix::kXZY, 4},
        {"kYXZ", VTransformationMatrix::kYXZ, 5}, {"kZYX", VTransformationMatrix::kZYX, 6},
        {"kScaleMinX", VFnTransform::kScaleMinX, 0}, {"kScaleMaxZ", VFnTransform::kScaleMaxZ, 5},
        {"kRotateMinX", VFnTransform::kRotateMinX, 12}, {"kRotateMaxZ", VFnTransform::kRotateMaxZ, 17},
        {"kTranslateMinX", VFnTransform::kTranslateMinX, 18}, {"kTranslateMaxZ", VFnTransform::kTranslateMaxZ, 23},
        {"kFillFilmFit", VFnCamera::kFillFilmFit, 0}, {"kHorizontalFilmFit", VFnCamera::kHorizontalFilmFit, 1},
        {"kVerticalFilmFit", VFnCamera::kVerticalFilmFit, 2},
    });
}

TEST(ConstantsTest, CurveTangentAndNumericTypes) {
    expectNumbers({
        {"kAnimCurveTA", VFnAnimCurve::kAnimCurveTA, 0}, {"kAnimCurveTL", VFnAnimCurve::kAnimCurveTL, 1},
        {"kAnimCurveTU", VFnAnimCurve::kAnimCurveTU, 3}, {"kAnimCurveUnknown", VFnAnimCurve::kAnimCurveUnknown, 8},
        {"kTangentGlobal", VFnAnimCurve::kTangentGlobal, 0}, {"kTangentFixed", VFnAnimCurve::kTangentFixed, 1},
        {"kTangentLinear", VFnAnimCurve::kTangentLinear, 2}, {"kTangentFlat", VFnAnimCurve::kTangentFlat, 3},
        {"kTangentSmooth", VFnAnimCurve::kTangentSmooth, 4}, {"kTangentStep", VFnAnimCurve::kTangentStep, 5},
        {"kTangentSlow", VFnAnimCurve::kTangentSlow, 6}, {"kTangentFast", VFnAnimCurve::kTangentFast, 7},
        {"kTangentClamped", VFnAnimCurve::kTangentClamped, 8},
        {"kBoolean", VFnNumericAttribute::kBoolean, 1}, {"kByte", VFnNumericAttribute::kByte, 2},
        {"kChar", VFnNumericAttribute::kChar, 3}, {"kShort", VFnNumericAttribute::kShort, 4},
        {"kLong", VFnNumericAttribute::kLong, 7}, {"kFloat", VFnNumericAttribute::kFloat, 10},
        {"k3Float", VFnNumericAttribute::k3Float, 12}, {"kDouble", VFnNumericAttribute::kDouble, 13},
        {"k3Double", VFnNumericAttribute::k3Double, 15},
    });
}

}  // namespace
