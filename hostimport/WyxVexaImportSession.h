#ifndef WYX_HOSTIMPORT_WYXVEXAIMPORTSESSION_H
#define WYX_HOSTIMPORT_WYXVEXAIMPORTSESSION_H

// The import session: carries one file from the file system into the host scene.
//
// WYXImport and WYXRead make a session and open the file (Open); the take queries read the
// importer's take descriptions; WYXImport names the take (SetTakeName) and runs the import
// (Import), then deletes the session. Every SDK object of the import (importer, scene, nodes)
// is made through the session's own factory, whose nodes are VexaNodes.
//
// Import, in this order:
//   the previous scene goes; the log "wyxvexalog.txt" (application folder) is started; image
//   handlers; a new scene; the file is read into it. A file that does not read ends the import
//   here, with the importer's reason in the log (and in a dialog with kImportShowUI) and
//   nothing done to the host scene. Only a file that read empties the host scene in mode 2
//   (add to a new scene: "file -f -new").
//   Then: legacy pivot flag; root conversion (VexaImportRootAdaptor); the take; progress; the
//   transform checks; pre- and post-rotation nodes or pivots in use; host names; hard edges;
//   the name table; merge binding and the root put back; the host's current time; the pivot
//   conversion; deforming nulls to joints; host nodes in their namespaces; materials;
//   animation; the host's time range; the bind pose; deformations; the bind pose restored;
//   characters; the blend-shape report; the scene goes and the log is written.
//
// Import modes (plug-in options): 0 exclusive merge (nothing is created, only nodes bound to
// host nodes of the same name and namespace take the file's content), 1 merge, 2 add to a new
// scene. Sampling rate and master scale come from the options, which refuse values out of
// range wherever they enter.

#include "core/RMatrix.h"
#include "core/RString.h"
#include "core/RStringMap.h"
#include "core/RTime.h"
#include "hostimport/VexaImportRootAdaptor.h"
#include "plugin/VexaObjectFactory.h"

#include <vexa/VDagPath.h>
#include <vexa/VObject.h>
#include <vexa/VStatus.h>
#include <vexa/VString.h>

#include <memory>
#include <vector>

class RWyxFileImporter;
class RWyxFormatTable;
class RWyxLogFile;
class RWyxMaterial;
class RWyxNode;
class RWyxPose;
class RWyxScene;
class VexaNode;

class WyxVexaImportSession : public VexaImportRootAdaptor {
public:
    static constexpr const char* kLogFileName = "wyxvexalog.txt";

    // What the bind-pose pass keeps of one member of a bind pose.
    struct BindPoseRecord {
        VexaNode* node = nullptr;
        RMatrix savedMatrix;  // the host transform before the bind pose was applied
        RMatrix poseMatrix;   // the member's global matrix in the file
    };

    WyxVexaImportSession();
    ~WyxVexaImportSession() override;
    WyxVexaImportSession(const WyxVexaImportSession&) = delete;
    WyxVexaImportSession& operator=(const WyxVexaImportSession&) = delete;

    // Closes what was open, then opens the file with a new importer: kNotFound when nothing is
    // at the path; kFailure with the importer's reason when the file's format cannot be told,
    // its reader is not built, or a WYX header does not read. The importer stays either way
    // (Import then fails with the same reason).
    VStatus Open(const VString& path);
    // Destroys the importer and a scene left over.
    VStatus Close();
    void SetTakeName(const char* name) { takeName_ = name; }
    const RString& GetTakeName() const { return takeName_; }
    // The import; failure (kFailure with the reason) when the file could not be read.
    VStatus Import();

    // Reports the nodes whose blend-shape animation could not be imported; nothing when none.
    void ReportBlendShapeFailures();
    void AddBlendShapeFailure(RWyxNode* node) { blendShapeFailures_.push_back(node); }

    // ---- what the import's phases share --------------------------------------------------------
    VexaObjectFactory& GetFactory() { return factory_; }
    RWyxFileImporter* GetImporter() const { return importer_; }
    RWyxScene* GetScene() const { return scene_; }
    RWyxNode* GetRootNode() const { return rootNode_; }
    // Node name (with "Model::") -> node: the nodes to create, in key order.
    RStringMap& GetNameTable() { return nameTable_; }
    RWyxLogFile* GetLog() const { return log_.get(); }
    // With kImportShowUI, shows the text in a dialog with the title and one button "Ok".
    void ShowDialog(const char* title, const RString& text) const;
    // The host's time when the nodes were made.
    RTime GetCurrentTime() const { return currentTime_; }
    bool IsLegacyPivotFile() const { return legacyPivot_; }
    bool GetAttributeEditorFlag() const { return attributeEditorFlag_; }
    void SetAttributeEditorFlag(bool flag) { attributeEditorFlag_ = flag; }
    int GetLockedAttributeDecision() const { return lockedAttributeDecision_; }
    void SetLockedAttributeDecision(int decision) { lockedAttributeDecision_ = decision; }
    std::vector<RWyxMaterial*>& GetMaterialList() { return materials_; }
    // The import sampling rate and master scale of the options; their defaults (30, 1) in place
    // of a value out of range.
    static double GetSamplingRate();
    static double GetMasterScale();

    // ---- the node passes (WyxVexaImportSessionNodes.cpp) --------------------------------------
    // Every node below the root into the name table; the host's default cameras among the
    // root's children leave the scene with their subtrees; camera targets leave the table (the
    // camera's creation makes them).
    void BuildNameTable(RWyxNode* root);
    // The parts of BuildNameTable after the table is filled: the host's default cameras
    // (persp, top, ...) among the root's children leave the scene and the table with their
    // subtrees; the targets of the table's cameras leave the table (the camera's creation
    // makes them).
    void RemoveDefaultCameras(RWyxNode* root);
    void RemoveCameraTargets();
    // Creates every node of the name table in the host (none in mode 0), then back to the root
    // namespace.
    void CreateNodesInNamespaces();
    // Creates the node (its parents first) in its namespace, unless it has a host node already.
    void CreateNodeInNamespace(RWyxNode* node);

    // ---- host node creation (WyxVexaImportSessionCreation.cpp, ...Mesh.cpp, ...Nurbs.cpp) --------
    // The host node for the node's attribute (CreateNodeInNamespace's dispatch).
    void CreateHostNode(RWyxNode* node);
    // A joint, or a locator-null for a root without limb children, tagged with its skeleton
    // type; `skeletonType` -1 reads the type from the node's skeleton attribute.
    void CreateSkeleton(RWyxNode* node, int skeletonType);
    // A transform with a "locator" shape (answered); nothing for "RootNode".
    VObject CreateNull(RWyxNode* node);
    void CreateJoint(RWyxNode* node);
    void CreateMesh(RWyxNode* node);
    void CreateNurbs(RWyxNode* node);
    void CreateLight(RWyxNode* node);
    void CreateCamera(RWyxNode* node);

    // ---- bind pose (WyxVexaImportSessionBindPose.cpp) ---------------------------------------------
    // Applies the scene's bind poses to the host transforms, keeping what they were.
    void ApplyBindPoses();
    // Sets the host transforms back to what ApplyBindPoses found.
    void RestoreBindPoses();
    // The local matrix record `index` of the list takes when its pose matrix is applied (its
    // parent's pose matrix, or its parent's host transform, taken off).
    RMatrix BindPoseLocalMatrix(const std::vector<BindPoseRecord>& records, size_t index) const;
    const std::vector<std::vector<BindPoseRecord>>& GetBindPoseLists() const { return bindPoseLists_; }

    // ---- tests ------------------------------------------------------------------------------------------
    // Importers of new sessions read their formats from this table (null: the SDK's). Tests
    // read scenes from readers of their own.
    static void SetFormatTable(const RWyxFormatTable* table);

private:
    // Steps of Import.
    bool ReadFile();
    // Logs and shows the reason, ends the import; answers the reason.
    RString FailRead();
    void PrepareScene();
    void CreateHostNodes();
    void ImportContent();
    void ConvertPivots();
    void SetHostTimeRange();
    void EndImport();

    // The parent object of a new host node: the host node of the SDK parent, or the world.
    static VObject ParentObjectOf(const RWyxNode* node);
    // The name of a new node's shape: the node's host name and "Shape". Shapes named apart
    // keep the host's look-ups by name short.
    static VString ShapeName(const RWyxNode* node);
    // The common start of the creators: a transform (a joint) under the parent's host node,
    // named after the node, bound to it, with the node's user properties. A null object, the
    // failure printed, when the host makes none.
    VObject CreateBoundTransform(RWyxNode* node, const char* failure, bool joint = false);
    // The bind-pose records of one bind pose, in hierarchy order.
    std::vector<BindPoseRecord> CollectBindPoseRecords(RWyxPose& pose);
    void TransferPostNodeMatrices();
    void WarnAboutMissingBindPose();

    VexaObjectFactory factory_{VexaObjectFactory::kImportContext};
    RWyxFileImporter* importer_ = nullptr;
    RWyxNode* rootNode_ = nullptr;
    RWyxScene* scene_ = nullptr;
    RStringMap nameTable_{20};
    std::unique_ptr<RWyxLogFile> log_;
    RString takeName_;
    RTime currentTime_;
    bool legacyPivot_ = false;
    bool attributeEditorFlag_ = false;
    int lockedAttributeDecision_ = 1;
    std::vector<RWyxMaterial*> materials_;
    std::vector<RWyxNode*> blendShapeFailures_;
    std::vector<std::vector<BindPoseRecord>> bindPoseLists_;
};

// True when the file is older than 5.8 and a node below the root has pivot set 0 in state 1.
bool IsLegacyPivotFile(RWyxNode* root, RWyxFileImporter& importer);
// Depth first over the node's subtree, the node itself left out.
bool HasActivePivotNode(RWyxNode* node);

#endif
