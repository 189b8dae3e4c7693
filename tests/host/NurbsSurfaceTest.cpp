// NURBS surfaces: each form with its repeated CVs counted, knots, degrees, weights, the display
// steps, malformed surfaces, surface data from plugs and the CV iterator.

#include "tests/host/GeometryTestSupport.h"

#include <vexa/VFnDoubleIndexedComponent.h>
#include <vexa/VItSurfaceCV.h>

#include <cmath>
#include <limits>

namespace {

using namespace geometry_test;

// CVs whose U rows from `unique` on repeat the first rows (the wrap rows of a closed or
// periodic U direction); CV (u, v) of a unique row lies at (u, v * v, v).
VPointArray wrappedCVs(int countU, int unique, int countV, double weight = 1.0) {
    VPointArray points;
    for (int u = 0; u < countU; ++u) {
        const int row = u < unique ? u : u - unique;
        for (int v = 0; v < countV; ++v) points.append(VPoint(row, v * v, v, weight));
    }
    return points;
}

class NurbsSurfaceTest : public HostTest {
protected:
    VObject create(const VPointArray& cvs, const VDoubleArray& knotsU, const VDoubleArray& knotsV, unsigned degreeU,
                   unsigned degreeV, VFnNurbsSurface::Form formU, VFnNurbsSurface::Form formV, bool rational,
                   VStatus* status) {
        return surface.create(cvs, knotsU, knotsV, degreeU, degreeV, formU, formV, rational, VObject::kNullObj, status);
    }
    VFnNurbsSurface surface;
};

TEST_F(NurbsSurfaceTest, EachFormCountsItsRepeatedCVs) {
    struct Case {
        const char* what;
        VFnNurbsSurface::Form form;
        int degree;
        int countU;
        int unique;
    };
    const Case cases[] = {
        {"open", VFnNurbsSurface::kOpen, 3, 5, 5},
        {"closed: the last row repeats the first", VFnNurbsSurface::kClosed, 2, 6, 5},
        {"periodic: three wrap rows", VFnNurbsSurface::kPeriodic, 3, 10, 7},
        {"open with the wrap rows of a periodic source", VFnNurbsSurface::kOpen, 3, 10, 7},
    };
    for (const Case& c : cases) {
        VStatus status;
        create(wrappedCVs(c.countU, c.unique, 3), evenKnots(c.countU, c.degree), evenKnots(3, 2), static_cast<unsigned>(c.degree),
               2, c.form, VFnNurbsSurface::kOpen, true, &status);
        ASSERT_TRUE(status) << c.what << ": " << status.errorString().asChar();
        EXPECT_EQ(surface.formInU(), c.form) << c.what;
        EXPECT_EQ(surface.formInV(), VFnNurbsSurface::kOpen) << c.what;
        EXPECT_EQ(surface.numCVsInU(), c.countU) << c.what;
        EXPECT_EQ(surface.numCVsInV(), 3) << c.what;
        EXPECT_EQ(surface.degreeU(), c.degree) << c.what;
        EXPECT_EQ(surface.numSpansInU(), c.countU - c.degree) << c.what;
        EXPECT_EQ(surface.numKnotsInU(), c.countU + c.degree - 1) << c.what;
        VPoint cv;
        ASSERT_TRUE(surface.getCV(static_cast<unsigned>(c.countU - 1), 2, cv)) << c.what;
        EXPECT_EQ(cv, VPoint((c.countU - 1) % c.unique, 4, 2)) << c.what;
    }
}

TEST_F(NurbsSurfaceTest, KnotsAndCVsReadBackInOrder) {
    const double knots[] = {0.0, 0.0, 0.0, 0.5, 1.0, 1.0, 1.0};
    const VDoubleArray knotsU(knots, 7);
    ASSERT_TRUE(surface.create(wrappedCVs(5, 5, 2), knotsU, evenKnots(2, 1), 3, 1, VFnNurbsSurface::kOpen,
                               VFnNurbsSurface::kOpen, false)
                    .hasFn(VFn::kNurbsSurface));
    VDoubleArray read;
    ASSERT_TRUE(surface.getKnotsInU(read));
    EXPECT_EQ(items(read), items(knotsU));
    ASSERT_TRUE(surface.getKnotsInV(read));
    EXPECT_EQ(items(read), (std::vector<double>{0.0, 1.0}));
    VPointArray cvs;
    ASSERT_TRUE(surface.getCVs(cvs));
    ASSERT_EQ(cvs.length(), 10u);
    EXPECT_EQ(cvs[3], VPoint(1, 1, 1)) << "entry u * numCVsInV + v";
    VPoint cv;
    EXPECT_EQ(surface.getCV(5, 0, cv), VStatus::kInvalidParameter);
    EXPECT_EQ(surface.getCV(0, 2, cv), VStatus::kInvalidParameter);
}

TEST_F(NurbsSurfaceTest, WeightsAreKeptOnlyOnRationalSurfaces) {
    ASSERT_TRUE(create(wrappedCVs(2, 2, 2, 2.5), evenKnots(2, 1), evenKnots(2, 1), 1, 1, VFnNurbsSurface::kOpen,
                       VFnNurbsSurface::kOpen, true, nullptr)
                    .hasFn(VFn::kNurbsSurface));
    VPoint cv;
    surface.getCV(1, 1, cv);
    EXPECT_EQ(cv.w, 2.5);
    EXPECT_TRUE(surface.isRational());
    ASSERT_TRUE(surface.setCV(1, 1, VPoint(7, 7, 7, 0.5)));
    surface.getCV(1, 1, cv);
    EXPECT_EQ(cv, VPoint(7, 7, 7, 0.5));

    create(wrappedCVs(2, 2, 2, 2.5), evenKnots(2, 1), evenKnots(2, 1), 1, 1, VFnNurbsSurface::kOpen, VFnNurbsSurface::kOpen,
           false, nullptr);
    surface.getCV(1, 1, cv);
    EXPECT_EQ(cv.w, 1.0) << "a non-rational surface has weight 1";
    EXPECT_EQ(surface.setCV(1, 1, VPoint(0, 0, 0, 2.0)), VStatus::kInvalidParameter);
}

TEST_F(NurbsSurfaceTest, MalformedSurfacesMakeNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        VPointArray cvs;
        VDoubleArray knotsU;
        unsigned degreeU;
        VFnNurbsSurface::Form formU;
    };
    const double decreasing[] = {0, 1, 3, 2, 4, 5, 6};
    VPointArray withNan = wrappedCVs(5, 5, 2);
    withNan[4] = VPoint(nan, 0, 0);
    VPointArray zeroWeight = wrappedCVs(5, 5, 2);
    zeroWeight[4].w = 0.0;
    const Case cases[] = {
        {"degree 0", wrappedCVs(5, 5, 2), evenKnots(5, 1), 0, VFnNurbsSurface::kOpen},
        {"degree 8", wrappedCVs(9, 9, 2), evenKnots(9, 8), 8, VFnNurbsSurface::kOpen},
        {"knots that decrease", wrappedCVs(5, 5, 2), VDoubleArray(decreasing, 7), 3, VFnNurbsSurface::kOpen},
        {"CVs other than the knots give", wrappedCVs(6, 6, 2), evenKnots(5, 3), 3, VFnNurbsSurface::kOpen},
        {"fewer CVs than degree + 1", wrappedCVs(3, 3, 2), evenKnots(3, 3), 3, VFnNurbsSurface::kOpen},
        {"form 0", wrappedCVs(5, 5, 2), evenKnots(5, 3), 3, VFnNurbsSurface::kInvalid},
        {"form 4", wrappedCVs(5, 5, 2), evenKnots(5, 3), 3, VFnNurbsSurface::kLast},
        {"closed without a repeated row", wrappedCVs(5, 5, 2), evenKnots(5, 3), 3, VFnNurbsSurface::kClosed},
        {"periodic with two wrap rows for degree 3", wrappedCVs(7, 5, 2), evenKnots(7, 3), 3, VFnNurbsSurface::kPeriodic},
        {"a CV that is not a number", withNan, evenKnots(5, 3), 3, VFnNurbsSurface::kOpen},
        {"a weight of 0", zeroWeight, evenKnots(5, 3), 3, VFnNurbsSurface::kOpen},
    };
    for (const Case& c : cases) {
        const size_t before = vexa_host::Scene::instance().nodes().size();
        VStatus status;
        const VObject made = create(c.cvs, c.knotsU, evenKnots(2, 1), c.degreeU, 1, c.formU, VFnNurbsSurface::kOpen, true, &status);
        EXPECT_EQ(status, VStatus::kInvalidParameter) << c.what;
        EXPECT_TRUE(made.isNull()) << c.what;
        EXPECT_EQ(vexa_host::Scene::instance().nodes().size(), before) << c.what;
    }
}

TEST_F(NurbsSurfaceTest, DisplayStepsAreShortPlugs) {
    const VObject shape = create(wrappedCVs(2, 2, 2), evenKnots(2, 1), evenKnots(2, 1), 1, 1, VFnNurbsSurface::kOpen,
                                 VFnNurbsSurface::kOpen, false, nullptr);
    VPlug precision = plugOf(shape, "curvePrecision");
    VPlug shaded = plugOf(shape, "curvePrecisionShaded");
    EXPECT_EQ(precision.asShort(), 4);
    EXPECT_EQ(shaded.asDouble(), 1.0);
    ASSERT_TRUE(precision.setValue(static_cast<short>(7)));
    ASSERT_TRUE(shaded.setValue(3.9));
    EXPECT_EQ(precision.asShort(), 7);
    EXPECT_EQ(shaded.asDouble(), 3.0) << "a short keeps the whole part";
}

TEST_F(NurbsSurfaceTest, SurfaceDataFromPlugsWorksLikeTheNode) {
    const VObject shape = create(wrappedCVs(4, 4, 3), evenKnots(4, 3), evenKnots(3, 2), 3, 2, VFnNurbsSurface::kOpen,
                                 VFnNurbsSurface::kOpen, true, nullptr);
    VObject data;
    ASSERT_TRUE(plugOf(shape, "local").getValue(data));
    ASSERT_TRUE(data.hasFn(VFn::kNurbsSurfaceGeometry));
    VFnNurbsSurface onData(data);
    EXPECT_EQ(onData.numCVsInU(), 4);
    ASSERT_TRUE(onData.setCV(0, 0, VPoint(5, 5, 5)));
    VPoint cv;
    surface.getCV(0, 0, cv);
    EXPECT_EQ(cv, VPoint(0, 0, 0)) << "the node keeps its geometry until the data is stored";
    ASSERT_TRUE(plugOf(shape, "create").setValue(data));
    surface.getCV(0, 0, cv);
    EXPECT_EQ(cv, VPoint(5, 5, 5));
    VStatus status;
    VFnNurbsSurface onMesh(VFnDagNode().create("mesh"), &status);
    EXPECT_EQ(status, VStatus::kInvalidParameter);
}

TEST_F(NurbsSurfaceTest, TheCVIteratorGivesIndicesAndWalksComponents) {
    const VObject shape = create(wrappedCVs(4, 4, 3), evenKnots(4, 3), evenKnots(3, 2), 3, 2, VFnNurbsSurface::kOpen,
                                 VFnNurbsSurface::kOpen, false, nullptr);
    VDagPath path;
    VDagPath::getAPathTo(VFnDagNode(shape).parent(0), path);
    int visited = 0;
    for (VItSurfaceCV cvs(path); !cvs.isDone(); cvs.next(), ++visited) {
        int u = -1, v = -1;
        ASSERT_TRUE(cvs.getIndex(u, v));
        EXPECT_EQ(cvs.index(), u * 3 + v);
        EXPECT_EQ(visited, u * 3 + v) << "U outer, V inner";
    }
    EXPECT_EQ(visited, 12);

    VFnDoubleIndexedComponent fn;
    const VObject component = fn.create(VFn::kSurfaceCVComponent);
    fn.addElement(3, 2);
    fn.addElement(1, 0);
    VItSurfaceCV some(path, component);
    EXPECT_EQ(some.index(), 11);
    EXPECT_EQ(some.position(), VPoint(3, 4, 2));
    ASSERT_TRUE(some.next());
    EXPECT_EQ(some.index(), 3);
    ASSERT_TRUE(some.setPosition(VPoint(1, 1, 1)));
    VPoint cv;
    surface.getCV(1, 0, cv);
    EXPECT_EQ(cv, VPoint(1, 1, 1));
    ASSERT_TRUE(some.next());
    VStatus status;
    EXPECT_EQ(some.index(&status), -1);
    EXPECT_EQ(status, VStatus::kFailure);

    fn.addElement(4, 0);
    VItSurfaceCV outside(path, component, &status);
    EXPECT_EQ(status, VStatus::kInvalidParameter);
    EXPECT_TRUE(outside.isDone());
}

}  // namespace
