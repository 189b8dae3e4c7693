#ifndef WYX_TESTS_HOSTEXPORT_EXPORTTESTSUPPORT_H
#define WYX_TESTS_HOSTEXPORT_EXPORTTESTSUPPORT_H

// Shared set-up of the export's tests: the host's fixture with the plug-in's commands
// registered and its options at their defaults (dialogs off), the log written in a scratch
// application folder; host scenes made by script; sessions whose SDK scene is looked at before
// anything is written; files read back with the SDK's reader.

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxMesh.h"
#include "core/FilePaths.h"
#include "fileio/RWyxFileImporter.h"
#include "hostexport/WyxVexaExportSession.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "tests/plugin/PluginTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include "host/src/commands/SceneDump.h"
#include "host/src/ui/UiModel.h"

#include <vexa/VFnMesh.h>
#include <vexa/VSelectionList.h>
#include <vexa/VStringArray.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

// The result of a script that must succeed, its items joined by blanks.
inline std::string script(const std::string& text) {
    VStringArray result;
    const VStatus status = VGlobal::executeCommand(VString(text), result);
    EXPECT_TRUE(status) << text << ": " << status.errorString().asChar();
    std::string joined;
    for (unsigned i = 0; i < result.length(); ++i) joined += (i == 0 ? "" : " ") + result[i].str();
    return joined;
}

// The host node of that name; null when none.
inline VObject Named(const char* name) {
    VSelectionList list;
    VObject node;
    if (list.add(name)) list.getDependNode(0, node);
    return node;
}

// The node the session made for the host DAG path of that full path name ("|a|b"); null when
// none.
inline VexaNode* NodeForPath(const WyxVexaExportSession& session, const char* fullPathName) {
    VSelectionList list;
    VDagPath path;
    if (!list.add(fullPathName) || !list.getDagPath(0, path)) return nullptr;
    return session.FindNodeFor(path);
}

// A mesh "name" (shape "nameShape") of the points and polygons given.
inline VObject makeMesh(const char* name, const std::vector<VPoint>& points, const std::vector<int>& counts,
                        const std::vector<int>& connects) {
    VPointArray pointArray;
    for (const VPoint& point : points) pointArray.append(point);
    VIntArray countArray;
    for (const int count : counts) countArray.append(count);
    VIntArray connectArray;
    for (const int vertex : connects) connectArray.append(vertex);
    VStatus status;
    VFnMesh mesh;
    const VObject shape = mesh.create(static_cast<int>(points.size()), static_cast<int>(counts.size()), pointArray,
                                      countArray, connectArray, VObject::kNullObj, &status);
    EXPECT_TRUE(status) << status.errorString().asChar();
    VFnDagNode(VFnDagNode(shape).parent(0)).setName(name);
    VFnDagNode(shape).setName(VString(name) + "Shape");
    return shape;
}

// A unit cube: 8 points, 6 quads.
inline VObject makeCube(const char* name) {
    return makeMesh(name,
                    {{-1, -1, 1}, {1, -1, 1}, {-1, 1, 1}, {1, 1, 1}, {-1, 1, -1}, {1, 1, -1}, {-1, -1, -1}, {1, -1, -1}},
                    {4, 4, 4, 4, 4, 4}, {0, 1, 3, 2, 2, 3, 5, 4, 4, 5, 7, 6, 6, 7, 1, 0, 1, 7, 5, 3, 6, 0, 2, 4});
}

// A shading group "<shader>SG" of a new shader of the type.
inline std::string makeShadingGroup(const char* type, const char* shader) {
    script(std::string("shadingNode -as ") + type + " -n " + shader);
    const std::string group = script(std::string("sets -renderable true -noSurfaceShader true -empty -name ") + shader + "SG");
    script("connectAttr -f " + std::string(shader) + ".outColor " + group + ".surfaceShader");
    return group;
}

// A file texture feeding the shader's colour through a new placement node; the file node's name.
inline std::string AddFileTexture(const std::string& shader, const char* path) {
    const std::string file = script("shadingNode -at file");
    const std::string place = script("shadingNode -au place2dTexture");
    script("setAttr -type \"string\" " + file + ".fileTextureName \"" + path + "\"");
    script("connectAttr " + place + ".outUV " + file + ".uv");
    script("connectAttr " + file + ".outColor " + shader + ".color");
    return file;
}

class ExportTest : public PluginCommandTest {
protected:
    void SetUp() override {
        PluginCommandTest::SetUp();
        SetApplicationPath((folder_.Path() + "/").c_str());
        options().SetBoolOption(kImportShowUI, false);
        options().SetBoolOption(kExportShowUI, false);
    }
    void TearDown() override {
        SetApplicationPath("");
        PluginCommandTest::TearDown();
    }

    static std::string dump() {
        std::ostringstream out;
        vexa_host::dumpScene(out);
        return out.str();
    }

    std::string file(const std::string& name) const { return folder_.Join(name); }
    std::string logText() const { return ScratchFolder::ReadFile(folder_.Join(WyxVexaExportSession::kLogFileName)); }

    static VStatus exportTo(const std::string& path) { return run("WYXExport -f \"" + path + "\""); }

    ScratchFolder folder_;
};

// A session run up to the SDK scene (nothing written).
class SessionTest : public ExportTest {
protected:
    void collect() {
        session_ = std::make_unique<WyxVexaExportSession>();
        session_->Begin(file("unwritten.wyx").c_str());
        session_->CollectHostScene();
    }
    RWyxNode* root() const { return session_->GetRootNode(); }
    // The node of that name (without "Model::") anywhere below the root; null when none.
    RWyxNode* node(const char* name) const { return root()->FindChild(name, true, false); }

    std::unique_ptr<WyxVexaExportSession> session_;
};

// A WYX file read back with the SDK's reader.
class ReadBack {
public:
    explicit ReadBack(const std::string& path) {
        RWyxFileImporter* importer = factory_.CreateFileImporter();
        scene_ = factory_.CreateScene();
        read_ = importer != nullptr && scene_ != nullptr && importer->Initialize(path.c_str()) && importer->Import(scene_);
        if (!read_ && importer != nullptr) error_ = importer->GetLastErrorString();
    }
    bool Read() const { return read_; }
    const std::string& Error() const { return error_; }
    RWyxScene* Scene() const { return scene_; }
    RWyxNode* Root() const { return scene_->GetRootNode(); }
    RWyxNode* Node(const char* name) const { return Root()->FindChild(name, true, false); }
    RWyxObjectFactory& Factory() { return factory_; }

private:
    RWyxObjectFactory factory_;
    RWyxScene* scene_ = nullptr;
    bool read_ = false;
    std::string error_;
};

#endif
