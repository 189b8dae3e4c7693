#ifndef WYX_HOSTEXPORT_WYXVEXAEXPORTSESSION_H
#define WYX_HOSTEXPORT_WYXVEXAEXPORTSESSION_H

// The export session: carries the host scene into an SDK scene and writes it as a WYX file.
//
// WYXExport makes one session for one export and runs Export with the target file name.
// Every SDK object of the export (scene, nodes, attributes, materials, textures, the file
// exporter) is made through the session's own factory, whose nodes are VexaNodes bound to host
// DAG paths, and dies with the session.
//
// Export, in this order:
//   Begin:            the active selection (kExportSelectionOnly); the log "wyxvexalog.txt"
//                     (application folder, title "File Export : " and the file name); a
//                     warning when the name does not end in ".wyx"; the joint display scale
//                     (skeleton size 100 x the scale, at least 1e-7); the texture image
//                     handlers.
//   CollectHostScene: "Exporting geometry...": the DAG walk makes a node for every transform
//                     with its mesh, NURBS, light, camera, null or skeleton; "Exporting
//                     hierarchy...": materials and the hierarchy, custom attributes, names
//                     made unique for the file.
//   Conclude:         namespace warnings; the name-clash check; "Exporting animations...";
//                     rotation baking; the master scale; clusters, pre- and post-rotation
//                     nodes, skins, blend shapes, characters; deferred removals; the
//                     coincident-vertex check (kExportHardEdges); the take spans (the host's
//                     playback range); "Take 001" current; the file written through the
//                     exporter (format 0, binary version 6).
//
// Failures: a name clash or a failed animation pass stops the export before anything is
// written; a failed write is reported with the exporter's reason. Either way the log gets
// "File Export Failed.", the status is a failure and the target file is left as it was (the
// container puts a written file in place only once it is complete).
//
// The user's scene is left as found: what the export changes for a while (a blend shape's
// envelope, a smooth node's divisions, the visibility of a skin's input shape, the default
// shader of a mesh without shading) is put back on every road.

#include "core/RString.h"
#include "hostexport/ExportNodeMap.h"
#include "hostexport/ShadingExportInfo.h"
#include "plugin/VexaObjectFactory.h"
#include "scene/RWyxRootNodeUtility.h"

#include <vexa/VDagPath.h>
#include <vexa/VFn.h>
#include <vexa/VItDag.h>
#include <vexa/VObject.h>
#include <vexa/VSelectionList.h>
#include <vexa/VStatus.h>
#include <vexa/VString.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class RWyxLayerContainer;
class RWyxLogFile;
class RWyxMesh;
class RWyxUserProperty;
class VFnTransform;
class RWyxNode;
class RWyxScene;
class VFnDagNode;
class VFnMesh;
class VexaNode;

class WyxVexaExportSession : public RWyxRootNodeUtility {
public:
    static constexpr const char* kLogFileName = "wyxvexalog.txt";
    static constexpr const char* kTakeName = "Take 001";
    static constexpr const char* kFailedLine = "File Export Failed.";
    // Messages list at most this many names, then "   ...".
    static constexpr int kListedNameLimit = 40;

    // A camera rig of one top-level ancestor: handle 0 the aim/look-at node, handle 1 the
    // camera shape; the SDK node made for the camera.
    struct RigRecord {
        VObject handles[4];
        RWyxNode* cameraNode = nullptr;
    };

    // What the history of a mesh or NURBS shape gives the export: the shape to read, the
    // geometry to take the topology from (the skin's first input, when bind poses are
    // exported), the skin's input data (or null), and what to put back afterwards.
    struct ShapeHistory {
        VObject shape;
        VDagPath shapePath;
        VObject sourceGeometry;
        VObject inputGeometry;
        RString restoreCommand;
        // The skin's input shape whose visibility was set, and what it was.
        VObject hiddenInput;
        bool inputVisibility = true;
    };

    WyxVexaExportSession();
    ~WyxVexaExportSession() override;
    WyxVexaExportSession(const WyxVexaExportSession&) = delete;
    WyxVexaExportSession& operator=(const WyxVexaExportSession&) = delete;

    // The export; failure when a name clash or the animation pass stopped it or the file was
    // not written.
    VStatus Export(const char* fileName);

    // Export's three stages, which tests also run one by one.
    void Begin(const char* fileName);
    void CollectHostScene();
    VStatus Conclude(const char* fileName);

    // ---- what the export's phases share ----------------------------------------------------------
    VexaObjectFactory& GetFactory() { return factory_; }
    RWyxScene* GetScene() const { return scene_; }
    RWyxNode* GetRootNode() const { return root_; }
    RWyxLogFile* GetLog() const { return log_.get(); }
    // Null unless kExportSelectionOnly asked for the active selection.
    const VSelectionList* GetSelection() const { return selection_.get(); }
    bool IsExcluded(const VDagPath& path) const;
    double GetSkeletonSize() const { return skeletonSize_; }
    // The node made for the transform of that path; null when none.
    VexaNode* FindNodeFor(const VDagPath& path) const { return nodeMap_.Find(path); }
    // The rig of the path's top-level ancestor; null when none.
    RigRecord* FindRig(const VDagPath& path);
    // Nodes the end of the export takes out of the tree and destroys.
    std::vector<RWyxNode*>& GetDeferredRemovals() { return deferredRemovals_; }

    // The lines to the log (the first with "WYX Export Warning: " in front), then an empty
    // line; with kExportShowUI the dialog text in a dialog with the title and "Ok".
    void Warn(const std::vector<RString>& lines, const RString& dialogText, const char* title = kWarningTitle) const;
    void ShowDialog(const char* title, const RString& text) const;

    // The export sampling rate and master scale of the options; their defaults (30, 1) in
    // place of a value out of range.
    static double GetSamplingRate();
    static double GetMasterScale();

    // ---- the DAG walk (WyxVexaExportSessionDag.cpp) --------------------------------------------
    VStatus WalkDag(VItDag::TraversalType traversal, VFn::Type filter);
    // The shape of a transform path and its history (see ShapeHistory); false when the path
    // holds no shape. What the history changes is put back by RestoreHistory.
    bool ExamineShapeHistory(const VDagPath& path, unsigned childIndex, ShapeHistory& history);
    void RestoreHistory(const ShapeHistory& history);

    // ---- meshes (WyxVexaExportSessionMesh.cpp) ------------------------------------------------------
    // Fills a new mesh of the node from the host mesh; nothing (the node flagged for the skin
    // export) when its counts differ from the source geometry's.
    void ExportMesh(VFnMesh& current, VexaNode& node, const VObject& sourceGeometry, const VObject& inputGeometry);
    // Over the node and its subtree: control points at one position reported, meshes with
    // normals by polygon vertex unwelded.
    void CheckCoincidentVertices(RWyxNode* node);

    // ---- materials and textures (WyxVexaExportSessionMaterials.cpp) -------------------------------
    // The index on layer 0 of the geometry of the material made from the shader.
    int ExportShaderMaterial(const VString& name, const VObject& shader, RWyxLayerContainer& geometry);
    bool ExportFileTexture(VexaNode& node, const VObject& file, ShadingExportInfo& info, int connection, int layer,
                           float alpha, int alphaSource);
    bool ExportLayeredTexture(VexaNode& node, const VObject& layered, ShadingExportInfo& info);
    bool ExportShaderTextures(const VObject& shader, VexaNode& node, ShadingExportInfo& info);
    // The material and textures of a NURBS or patch node's shading group.
    void ExportSurfaceMaterial(VexaNode& node);

    // ---- hierarchy and attributes (WyxVexaExportSessionHierarchy.cpp) ----------------------------
    void ExportHierarchy(VItDag::TraversalType traversal, VFn::Type filter);
    void ExportCustomAttributes(RWyxNode* node);
    // A skeleton attribute of the type the node's import tag asks for.
    void AttachSkeleton(VexaNode& node);
    void RemoveDeferredNodes();

    // ---- the main's own steps -------------------------------------------------------------------------
    // The export always writes binary WYX: a name that does not end in ".wyx" (in any case)
    // is warned about, in the log, in a dialog with kExportShowUI, else in the host's messages.
    void WarnAboutFileExtension(const char* fileName);
    void WarnAboutMaterialNamespaces();
    void WarnAboutSharedNamespaces();
    // False, with the log line and the dialog, when nodes share a name.
    bool CheckNameClashes();
    void ApplyMasterScale(double scale);
    void SetTakeSpans();

    static constexpr const char* kWarningTitle = "WYX Export Warning";
    static constexpr const char* kErrorTitle = "WYX Export Error";

private:
    // Every path of a walk of the host's DAG to `visit`; a path that cannot be had is reported
    // and skipped. The iterator's status when it cannot be made.
    static VStatus ForEachDagPath(VItDag::TraversalType traversal, VFn::Type filter,
                                  const std::function<void(const VDagPath&)>& visit);
    // The key of the path's rig: its top-level ancestor (the text up to its second '|').
    static std::string RigKey(const VDagPath& path);

    // The creators of the DAG walk; each answers the node made, or null.
    // `joint` is set for a joint.
    VexaNode* CreateNodeFor(const VDagPath& path, const VFnDagNode& dagNode, bool& joint);
    VexaNode* NewMappedNode(const VDagPath& path, const VFnDagNode& dagNode);
    VexaNode* CreateNull(const VDagPath& path, const VFnDagNode& dagNode);
    VexaNode* CreateJoint(const VDagPath& path, const VFnDagNode& dagNode);
    VexaNode* CreateSkeletonNode(const VDagPath& path, const VFnDagNode& dagNode);
    VexaNode* CreateMesh(const VDagPath& path, const VFnDagNode& dagNode);
    VexaNode* CreateNurbs(const VDagPath& path, const VFnDagNode& dagNode);
    VexaNode* CreateLight(const VDagPath& path, const VFnDagNode& dagNode);
    VexaNode* CreateCamera(const VDagPath& path, const VFnDagNode& dagNode);
    VexaNode* CreateRigRoot(const VDagPath& path, const VFnDagNode& dagNode);
    void FillNurbs(VexaNode& node, const ShapeHistory& history);
    // A NURBS surface's texture layers without UVs get one UV element.
    void GiveSurfaceTextureUVs(RWyxNode& node);
    // Materials, textures and UVs of a mesh, by the shading groups of its instance.
    void ExportMeshShading(const VFnMesh& current, VexaNode& node, RWyxMesh& mesh, unsigned instance);
    void WarnAboutWrap(const VDagPath& path);
    // Sets the smooth node's divisions to 0 for the export; the command that puts them back.
    RString SuspendSmoothing(const VObject& smooth);
    void AttachToParent(VexaNode& node, const VDagPath& path);
    void ExportNodeAttributes(RWyxNode& node, const VFnTransform& transform);
    // A user property of the attribute's short name, flagged as a user's and animatable,
    // handed to the node; null when none could be made.
    RWyxUserProperty* AddUserProperty(RWyxNode& node, const VString& shortName, int type);
    void ExportNumberAttribute(RWyxNode& node, const VFnTransform& transform, const VObject& attribute);
    void ExportTripleAttribute(RWyxNode& node, const VFnTransform& transform, const VObject& attribute);

    bool WriteFile(const char* fileName);
    // Logs "File Export Failed.", lets the selection and the log go; answers the status.
    VStatus Fail(const VStatus& status);
    void End();

    VexaObjectFactory factory_{VexaObjectFactory::kExportContext};
    RWyxNode* root_ = nullptr;
    RWyxScene* scene_ = nullptr;
    ExportNodeMap nodeMap_;
    std::unordered_map<std::string, RigRecord> rigMap_;
    std::unique_ptr<VSelectionList> selection_;
    std::unique_ptr<RWyxLogFile> log_;
    std::vector<RWyxNode*> deferredRemovals_;
    RString writeError_;
    // The layered textures being read, outermost first.
    std::vector<VObject> layeredStack_;
    bool wrapWarningShown_ = false;
    double skeletonSize_ = 100.0;
};

#endif
