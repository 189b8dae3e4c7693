#ifndef WYX_TESTS_SUPPORT_IMPORTSCENESUPPORT_H
#define WYX_TESTS_SUPPORT_IMPORTSCENESUPPORT_H

// Scenes built in memory and imported, and what the host made of them: the host's nodes and
// paths by name, and every script text the plug-in ran while recording.

#include "tests/support/ImportTestSupport.h"

#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNurb.h"
#include "scene/RWyxObjectFactory.h"

#include "host/src/script/CommandEngine.h"
#include "host/src/script/ScriptInterpreter.h"

#include <vexa/VSelectionList.h>

#include <functional>
#include <string>
#include <vector>

// What the host's selection list finds by a name (the test fails when it finds nothing), and
// the DAG path, node or plug it holds first.
inline VSelectionList HostSelection(const std::string& name) {
    VSelectionList list;
    EXPECT_TRUE(list.add(VString(name.c_str()))) << name;
    return list;
}
inline VDagPath HostPath(const char* name) {
    VDagPath path;
    HostSelection(name).getDagPath(0, path);
    return path;
}
inline VObject HostNode(const char* name) {
    VObject node;
    HostSelection(name).getDependNode(0, node);
    return node;
}
inline VPlug HostPlug(const std::string& name) {
    VPlug plug;
    HostSelection(name).getPlug(0, plug);
    return plug;
}

class SceneImportTest : public ImportTest {
protected:
    using Builder = std::function<void(RWyxObjectFactory&, RWyxNode& root)>;
    using SceneBuilder = std::function<void(RWyxObjectFactory&, RWyxScene&)>;

    void TearDown() override {
        vexa_host::CommandEngine::instance().setScriptRunner({});
        ImportTest::TearDown();
    }

    // Imports in the mode a scene the builder fills below the root.
    VStatus importBuilt(const Builder& builder, int mode = 1) {
        return importScene([builder](RWyxObjectFactory& factory, RWyxScene& scene) {
            builder(factory, *scene.GetRootNode());
        }, mode);
    }
    VStatus importScene(const SceneBuilder& builder, int mode = 1) {
        TestSource().build = [builder](RWyxObjectFactory& factory) {
            RWyxScene* scene = factory.CreateScene();
            builder(factory, *scene);
            return scene;
        };
        return importFile(testFile(), mode);
    }

    // From now on every script text run is kept in scripts_ (and run).
    void recordScripts() {
        vexa_host::CommandEngine::instance().setScriptRunner(
            [this](const std::string& text, vexa_host::CommandResult& result) {
                scripts_.push_back(text);
                return vexa_host::ScriptInterpreter::instance().run(text, result);
            });
    }
    // The recorded scripts that begin with the text.
    std::vector<std::string> scriptsStartingWith(const std::string& start) const {
        std::vector<std::string> found;
        for (const std::string& text : scripts_) {
            if (text.rfind(start, 0) == 0) found.push_back(text);
        }
        return found;
    }

    static VDagPath pathOf(const char* name) { return HostPath(name); }
    static VObject nodeOf(const char* name) { return HostNode(name); }

    std::vector<std::string> scripts_;
};

inline RWyxNode* AddNode(RWyxObjectFactory& factory, RWyxNode& parent, const char* name, RWyxNodeAttribute* attribute) {
    RWyxNode* node = factory.CreateNode(name);
    if (attribute != nullptr) node->SetNodeAttribute(attribute);
    parent.AddChild(node);
    return node;
}

// A strip of quads along x: points (i, 0, 0) are 2i, points (i, 1, 0) are 2i + 1, and quad q is
// 2q, 2q + 2, 2q + 3, 2q + 1. Each entry of `polygons` is a quad with that material index
// (-1: none), or kEmptyPolygon for a polygon of size 0 at that place.
constexpr int kEmptyPolygon = -100;
inline RWyxMesh* QuadStrip(RWyxObjectFactory& factory, const std::vector<int>& polygons) {
    RWyxMesh* mesh = factory.CreateMesh();
    int quads = 0;
    for (const int polygon : polygons) quads += polygon != kEmptyPolygon ? 1 : 0;
    mesh->InitControlPoints(2 * (quads + 1));
    for (int i = 0; i <= quads; ++i) {
        mesh->SetControlPointAt(2 * i, RVector4(i, 0, 0, 1));
        mesh->SetControlPointAt(2 * i + 1, RVector4(i, 1, 0, 1));
    }
    int q = 0;
    for (const int polygon : polygons) {
        if (polygon == kEmptyPolygon) {
            mesh->BeginPolygon();
            continue;
        }
        mesh->BeginPolygon(polygon);
        for (const int point : {2 * q, 2 * q + 2, 2 * q + 3, 2 * q + 1}) mesh->AddPolygonVertex(point);
        ++q;
    }
    return mesh;
}

// A surface periodic in SDK U (order 4, 4 points) and open in SDK V (order 2, 3 points), each
// point weighing 1 + its index / 10.
inline RWyxNurb* NewSurface(RWyxObjectFactory& factory, const std::vector<double>& uKnots) {
    RWyxNurb* nurb = factory.CreateNurb();
    nurb->SetOrder(4, 2);
    nurb->InitControlPoints(4, RWyxNurb::kPeriodic, 3, RWyxNurb::kOpen);
    for (int i = 0; i < 12; ++i) nurb->SetControlPointAt(i, RVector4(i % 4, i / 4, 0.0, 1.0 + i / 10.0));
    for (size_t k = 0; k < uKnots.size(); ++k) nurb->GetUKnotVector()[k] = uKnots[k];
    const double vKnots[5] = {0.0, 0.0, 0.1234567891, 1.0, 1.0};
    for (int k = 0; k < 5; ++k) nurb->GetVKnotVector()[k] = vKnots[k];
    nurb->SetStep(6, 2);
    return nurb;
}

const std::vector<double> kEvenKnots = {-3, -2, -1, 0, 1, 2, 3, 4, 5, 6, 7};
const std::vector<double> kUnevenKnots = {-3, -2, -1, 0, 1.5, 2, 3, 4, 5, 6, 7};

#endif
