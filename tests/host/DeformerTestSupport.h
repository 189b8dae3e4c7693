#ifndef WYX_TESTS_HOST_DEFORMERTESTSUPPORT_H
#define WYX_TESTS_HOST_DEFORMERTESTSUPPORT_H

// Shared set-up of the shading and deformer tests: scripts run as the plug-in runs them, and
// small meshes and surfaces made straight on the scene database.

#include "tests/support/HostTestSupport.h"

#include "host/src/geometry/MeshData.h"
#include "host/src/geometry/NurbsSurfaceData.h"
#include "host/src/scene/PlugAccess.h"

#include <vexa/VDagPath.h>
#include <vexa/VGlobal.h>
#include <vexa/VItDependencyGraph.h>
#include <vexa/VSelectionList.h>
#include <vexa/VStringArray.h>

#include <string>
#include <vector>

class DeformerTest : public HostTest {
protected:
    // The result of a script that must succeed, its items joined by blanks.
    static std::string run(const std::string& script) {
        VStringArray result;
        const VStatus status = VGlobal::executeCommand(VString(script), result);
        EXPECT_TRUE(status) << script << ": " << status.errorString().asChar();
        std::string text;
        for (unsigned i = 0; i < result.length(); ++i) text += (i == 0 ? "" : " ") + result[i].str();
        return text;
    }
    // The error message of a script that must fail.
    static std::string failure(const std::string& script) {
        EXPECT_EQ(VGlobal::executeCommand(VString(script)), VStatus::kFailure) << script;
        const VStringArray errors = VMessageLog::linesOf(VMessageLog::kError);
        return errors.length() == 0 ? std::string() : errors[errors.length() - 1].str();
    }

    // A row of `quads` unit quads along X under a new transform: 2 * (quads + 1) points, point
    // 2i at (i, 0, 0) and 2i + 1 at (i, 1, 0). Answers the shape.
    static VObject makeStrip(const char* name, int quads) {
        std::vector<VPoint> points;
        for (int i = 0; i <= quads; ++i) {
            points.emplace_back(i, 0.0, 0.0);
            points.emplace_back(i, 1.0, 0.0);
        }
        std::vector<int> counts(static_cast<size_t>(quads), 4);
        std::vector<int> connects;
        for (int i = 0; i < quads; ++i) {
            // Corner by corner: an insert of the brace list draws a false -Wstringop-overflow from
            // GCC 12 in optimised builds.
            for (const int corner : {2 * i, 2 * i + 2, 2 * i + 3, 2 * i + 1}) connects.push_back(corner);
        }
        auto data = std::make_shared<vexa_host::MeshData>();
        EXPECT_TRUE(data->build(points, counts, connects));
        VObject transform = makeTransform(name);
        VObject shape = VFnDagNode().create("mesh", VString(name) + "Shape", transform);
        EXPECT_TRUE(vexa_host::setOwnMesh(*nodeOf(shape), data));
        return shape;
    }

    // A bilinear open surface of 3 x 2 CVs under a new transform; answers the shape.
    static VObject makeSurface(const char* name) {
        std::vector<VPoint> cvs;
        for (int u = 0; u < 3; ++u) {
            for (int v = 0; v < 2; ++v) cvs.emplace_back(u, v, 0.0);
        }
        auto data = std::make_shared<vexa_host::NurbsSurfaceData>();
        EXPECT_TRUE(data->build(cvs, {0.0, 1.0, 2.0}, {0.0, 1.0}, 1, 1, 1, 1, false));
        VObject transform = makeTransform(name);
        VObject shape = VFnDagNode().create("nurbsSurface", VString(name) + "Shape", transform);
        EXPECT_TRUE(vexa_host::setOwnNurbsSurface(*nodeOf(shape), data));
        return shape;
    }

    static vexa_host::Node* nodeOf(const VObject& object) { return dynamic_cast<vexa_host::Node*>(object.record().get()); }
    static VObject named(const char* name) {
        VSelectionList list;
        EXPECT_TRUE(list.add(name)) << name;
        VObject node;
        list.getDependNode(0, node);
        return node;
    }
    static VDagPath pathOf(const VObject& node) {
        VDagPath path;
        EXPECT_TRUE(VDagPath::getAPathTo(node, path));
        return path;
    }
    static int pointCount(const VObject& shape) {
        vexa_host::MeshDataPtr mesh = vexa_host::meshOf(*nodeOf(shape));
        return mesh == nullptr ? -1 : mesh->pointCount();
    }
    // The first node of the type met walking the dependency graph from the object, breadth
    // first, as the plug-in looks for deformers; the null object when none.
    static VObject firstConnected(const VObject& start, VFn::Type type, VItDependencyGraph::Direction direction) {
        for (VItDependencyGraph it(start, VFn::kBase, direction, VItDependencyGraph::kBreadthFirst); !it.isDone(); it.next()) {
            if (it.currentItem().hasFn(type)) return it.currentItem();
        }
        return VObject();
    }
};

#endif
