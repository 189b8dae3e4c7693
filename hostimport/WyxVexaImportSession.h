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
#include "hostimport/TransformOffsets.h"
#include "hostimport/TypePlugs.h"
#include "hostimport/VexaImportRootAdaptor.h"
#include "plugin/VexaObjectFactory.h"

#include <vexa/VDagPath.h>
#include <vexa/VObject.h>
#include <vexa/VStatus.h>
#include <vexa/VString.h>

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class RFCurve;
class RWyxFileImporter;
class RWyxFormatTable;
class RWyxGeometry;
class RWyxLayerContainer;
class RWyxLogFile;
class RWyxMaterial;
class RWyxMesh;
class RWyxNode;
class RWyxPose;
class RWyxTakeNode;
class RWyxScene;
class RFCurve;
class RWyxSkinLink;
class RWyxTexture;
class VFnAnimCurve;
class VFnDependencyNode;
class VFnSkinCluster;
class VFnMesh;
class VFnTransform;
class VPlug;
class VexaNode;
struct MaterialAssignment;

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
    // A node already listed is not listed again.
    void AddBlendShapeFailure(RWyxNode* node);

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
    // Logs the title, each name and the closing lines; with kImportShowUI shows them in a
    // dialog: the title, a blank line, the names three to a row (each row opened by eight
    // blanks, and a last row of the blanks alone), a blank line and the closing lines.
    void ReportNames(const char* dialogTitle, const char* title, const std::vector<RString>& names,
                     const std::vector<const char*>& closing) const;
    // The host's time when the nodes were made.
    RTime GetCurrentTime() const { return currentTime_; }
    bool IsLegacyPivotFile() const { return legacyPivot_; }
    bool GetAttributeEditorFlag() const { return attributeEditorFlag_; }
    void SetAttributeEditorFlag(bool flag) { attributeEditorFlag_ = flag; }
    int GetLockedAttributeDecision() const { return lockedAttributeDecision_; }
    void SetLockedAttributeDecision(int decision) { lockedAttributeDecision_ = decision; }
    // The SDK-to-host polygon map of a mesh made by this import (CreateMesh): per SDK polygon
    // the host polygon, or -1 for one the host mesh lacks. Null for other nodes.
    void SetHostPolygonMap(const RWyxNode* node, std::vector<int> hostPolygonOf);
    const std::vector<int>* GetHostPolygonMap(const RWyxNode* node) const;
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
    // Makes the node's namespace current and the node's host node in it (none for a root the
    // root conversion recognised).
    void CreateNodeInItsNamespace(RWyxNode* node);

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
    // The host UV set that CreateMesh makes of the UVs of the mesh's layer: "uvSet<n>" for the
    // n-th layer with a UV element (from 1); empty when the layer's element holds no UV, or it
    // has none.
    static VString UvSetOfLayer(const RWyxMesh& mesh, int layer);
    void CreateNurbs(RWyxNode* node);
    void CreateLight(RWyxNode* node);
    void CreateCamera(RWyxNode* node);

    // ---- materials and shading groups (WyxVexaImportSessionMaterials.cpp) ------------------------
    // A shader of the host per material (shared by materials of one name), a shading group per
    // geometry and material, the geometry or its polygons in the groups, then the textures;
    // for the node and its subtree (nodes of existing host nodes and mode 0 only visited).
    void ImportMaterials(RWyxNode* node);
    // A renderable set "<baseName>SG" (the host may number it) whose surface shader is the
    // shader; answers the name the host gave it, empty when it made none.
    VString CreateShadingGroup(const VObject& shaderList, const RString& baseName, const VObject& shader);
    // "sets -e -forceElement" (or "-addElement") of the member into the set.
    void AddToSet(const VString& setName, const VString& member, bool forceElement);

    // ---- textures and vertex colours (WyxVexaImportSessionTextures.cpp) --------------------------
    // Each answers the file nodes that feed the textures' targets afterwards (a null object
    // where none does).
    // A file texture with its placement into the shader's "color".
    VObject ConnectSingleTexture(const VObject& shader, const RWyxTexture& texture, const RWyxLayerContainer& geometry,
                                 bool ownFile);
    // "layeredTexture<n>" into the shader's "color", the assignment's first texture on top; a
    // file node per texture of the assignment, in its order. A shader that another geometry
    // gave the same stack keeps its layered texture.
    std::vector<VObject> CreateLayeredTexture(const MaterialAssignment& assignment);
    // A file texture node named after the texture, with its placement node, into the target;
    // none when a file node of that name feeds the target already (a shader shared by
    // geometries), and into nothing when another file node does. A texture that this import gave
    // a file node before has that one (a texture of several layered textures), unless it takes
    // a file node of its own.
    VObject CreateFileTexture(const VPlug& target, const RWyxTexture& texture, const RWyxLayerContainer& geometry,
                              bool ownFile);
    // The file name the texture's file node gets: a relative name below the folder of the file
    // being imported, any other as it is.
    RString ResolveTexturePath(const RString& fileName) const;
    // The colours of the mesh's first vertex-colour layer onto the host mesh; (0, 0, 0, 0)
    // leaves a vertex without colour. False when the colours do not fit the mesh or the host
    // refuses them.
    bool ImportVertexColors(const RWyxMesh& mesh, VFnMesh& host, const std::vector<int>& hostPolygonOf);

    // ---- user-property values and blend shapes (WyxVexaImportSessionValues.cpp) -------------------
    // The values (and curves) of the node's user properties on their host attributes; in modes
    // 1 and 2 a property without one gets it first.
    void ImportUserPropertyValues(RWyxNode* node);
    // The geometry's blend shapes: the deformer on the host shape, a target per shape (made, or
    // those of an existing host node reused), and the weight curves.
    void ImportBlendShapes(RWyxNode* node);

    // ---- skins and clusters (WyxVexaImportSessionDeformations.cpp, ...Skin.cpp) -------------------
    // The skin links of the node's subtree: clusters, one skin per geometry, and a report of
    // the links whose nodes are not joints.
    void ImportDeformations(RWyxNode* node);
    // The clusters and the skin of the node's own geometry, and the report of its links whose
    // nodes are not joints.
    void ImportNodeDeformations(RWyxNode* node);
    // The skin of the geometry from its joint links.
    void ImportSkin(RWyxNode* node, const std::vector<RWyxSkinLink*>& jointLinks);
    // One influence's weights on the geometry's shape, set exactly as the link has them (no
    // normalising): its checked points as vertices, or as CVs with the repeated CVs of a NURBS
    // surface. Success with nothing set when the link has no point of the geometry.
    VStatus SetInfluenceWeights(VFnSkinCluster& skin, const VDagPath& shape, RWyxNode* node, const RWyxSkinLink& link,
                                unsigned influence);
    // Per control point over the links of modes 0 and 2: weights divided by their sum, a single
    // weight between 0 and 1 made 1. A point whose weights add up to 0 is left and logged.
    void NormalizeSkinWeights(RWyxGeometry& geometry);

    // ---- bind pose (WyxVexaImportSessionBindPose.cpp) ---------------------------------------------
    // Applies the scene's bind poses to the host transforms, keeping what they were.
    void ApplyBindPoses();
    // Sets the host transforms back to what ApplyBindPoses found.
    void RestoreBindPoses();
    // The local matrix record `index` of the list takes when its pose matrix is applied (its
    // parent's pose matrix, or its parent's host transform, taken off).
    RMatrix BindPoseLocalMatrix(const std::vector<BindPoseRecord>& records, size_t index) const;
    const std::vector<std::vector<BindPoseRecord>>& GetBindPoseLists() const { return bindPoseLists_; }

    // ---- animation (WyxVexaImportSessionAnimation.cpp) ------------------------------------------
    // Every node of the subtree that has a valid host node gets its attribute's animation
    // (cameras, lights, blend shapes), then its transform, visibility and user properties.
    void ImportNodeAnimation(RWyxNode* node);
    // A light's colour, intensity and (spot lights) cone angle, animated when the current take
    // is not the default take.
    void ImportLightAnimation(RWyxNode* node);
    // A camera's film, planes and focal length (from the field of view) with its animation, and
    // the roll of a camera with a target; kFailure when the host node is no camera.
    VStatus ImportCameraAnimation(RWyxNode* node);

    // ---- transforms (WyxVexaImportSessionTransform.cpp) ---------------------------------------
    // Curves and values, then (unless the file keeps its pivots the old way) pivots, limits and
    // the rotation order of the node's host transform.
    void ImportTransform(RWyxNode* node);
    // The translate, scale and rotate curves of the current take with the values at the current
    // time (and, for old pivot files, the host's pivots cleared first). The plug table serves the
    // transform's type (transformPlugs_.Use). True when the host took the node's rotation order
    // with the values (ImportTransformValues).
    bool ImportTransformCurves(VFnTransform& transform, RWyxNode* node);
    // The translation, rotation and scaling curves of a take (null where it has none). For a
    // take whose tree is still to be made, the take and its curves' defaults instead: the
    // curves are found (and the tree made) only when the host needs one.
    struct TransformCurves {
        RFCurve* translation[3] = {nullptr, nullptr, nullptr};
        RFCurve* rotation[3] = {nullptr, nullptr, nullptr};
        RFCurve* scaling[3] = {nullptr, nullptr, nullptr};
        RWyxTakeNode* waiting = nullptr;
        float defaults[3][3] = {};  // translation, rotation, scaling
    };
    // Those of the node's current take; all null without one.
    static TransformCurves CurrentTransformCurves(RWyxNode& node);
    // The curves' values at the current time (0, 0 and 1 without a curve), and the node's
    // offset transform; without curves given, those of the current take. True when the node's
    // rotation order was written to the host with them (files with pivots kept the new way).
    bool ImportTransformValues(RWyxNode* node, VFnTransform& transform, const TransformCurves& curves);
    void ImportTransformValues(RWyxNode* node, VFnTransform& transform);
    // Joint orient, rotate axis, pivots and their translations from the rotation space the
    // rotation was resampled into (pivot set 1). The plug table serves the transform's type.
    void ImportPivots(VFnTransform& transform, RWyxNode* node);
    // The node's active limits by "transformLimits" commands, the attribute editor hidden
    // meanwhile once per import.
    void ImportLimits(VFnTransform& transform, RWyxNode* node);
    // The node's rotation order, the rotation reordered to it; `written` when the values have
    // just written that order (ImportTransformCurves).
    void ImportRotationOrder(VFnTransform& transform, RWyxNode* node, bool written);
    // The "visibility" plug's curve (keys made 0 or 1, stepped) and value.
    void ImportVisibility(RWyxNode* node);

    // ---- curves (WyxVexaImportSessionCurves.cpp) -------------------------------------------------
    // Keys divided by `a` become host values; slopes divided by `a` and `b` become host UI slopes.
    // The curve of the attribute's plug; kFailure when the node has no such attribute.
    VStatus ImportAttributeCurve(VFnDependencyNode& node, const char* attribute, RFCurve* curve, int curveType,
                                 double a, double b);
    // A curve to import: the one given, or the channel of a take whose tree is still to be
    // made (no keys), found only when the host needs the curve.
    struct PlugCurve {
        RFCurve* curve = nullptr;
        RWyxTakeNode* waiting = nullptr;
        int channel = 0;  // RWyxTakeNode::Channel
        // Nothing can drive the plug (its host node has no connections and driven keys are
        // not protected): a curve without keys has only the plug's lock to look at.
        bool undriven = false;
        bool HasKeys() const;
        RFCurve* Get() const;
    };
    VStatus ImportAttributeCurve(VFnDependencyNode& node, const char* attribute, const PlugCurve& curve,
                                 int curveType, double a, double b);
    // Writes the curve on the plug unless the plug is driven (driven keys protected) or locked
    // (the locked-attribute answer decides). A curve without keys is a static value: it is
    // written only into a host curve that drives the plug already, as its one key.
    VStatus ImportPlugCurve(VPlug& plug, RFCurve* curve, int curveType, double a, double b);
    VStatus ImportPlugCurve(VPlug& plug, const PlugCurve& curve, int curveType, double a, double b);
    // The keys with their tangent types, tangents and weights; a curve with tension, continuity
    // and bias keys is sampled at the import sampling rate instead.
    VStatus TransferCurveKeys(VFnAnimCurve& hostCurve, const RFCurve& curve, double a, double b,
                              const VStatus& curveStatus);

    // ---- tests ------------------------------------------------------------------------------------------
    // Importers of new sessions read their formats from this table (null: the SDK's). Tests
    // read scenes from readers of their own.
    static void SetFormatTable(const RWyxFormatTable* table);

private:
    // The locked plug's answer, asked when it must be (kImportShowUI), else from kSetLockedAttrib.
    int DecideAboutLockedPlug(const VString& plugName, bool keyed);
    // A locked plug without a host curve: the answer decides whether it is unlocked for the
    // curve (`curve`, or the one of `source` when null).
    VStatus ImportLockedPlug(VPlug& plug, const PlugCurve& source, RFCurve* curve, bool keyed, int curveType,
                             double a, double b);
    // The plug (and, when it is still locked, its parent) unlocked; a keyed curve then made on it.
    VStatus UnlockAndCreateCurve(VPlug& plug, RFCurve* curve, int curveType, double a, double b);
    VStatus TransferKeysWithTangents(VFnAnimCurve& hostCurve, const RFCurve& curve, double a, double b);

    // Steps of Import.
    bool ReadFile();
    // Logs and shows the reason, ends the import; answers the reason.
    RString FailRead();
    void PrepareScene();
    void CreateHostNodes();
    // In exclusive-merge mode, a warning when no node of the file matched a host node.
    void WarnWhenNothingMatched();
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
    // The same under the host name given (the node's name without its prefix).
    VObject CreateBoundTransform(RWyxNode* node, const VString& name, const char* failure, bool joint = false);
    // The bind-pose records of one bind pose, in hierarchy order, its members looked up in what
    // ApplyBindPoses made once for every pose.
    struct BindPoseLookups;
    std::vector<BindPoseRecord> CollectBindPoseRecords(RWyxPose& pose, const BindPoseLookups& lookups);
    void TransferPostNodeMatrices();
    void WarnAboutMissingBindPose();
    // Materials: one geometry's shaders and groups, and their assignment.
    void ImportGeometryMaterials(RWyxNode* node, RWyxLayerContainer& geometry);
    // The shader of the material (the cache's for a name seen before), its group in `group`.
    VObject ShaderForMaterial(RWyxNode* node, const RWyxMaterial* material, VString& group);
    // Clusters of one geometry.
    void ImportCluster(RWyxNode* node, RWyxSkinLink& link, int number, int count);

    VexaObjectFactory factory_{VexaObjectFactory::kImportContext};
    RWyxFileImporter* importer_ = nullptr;
    RWyxNode* rootNode_ = nullptr;
    RWyxScene* scene_ = nullptr;
    RStringMap nameTable_{20};
    std::unique_ptr<RWyxLogFile> log_;
    RString takeName_;
    RTime currentTime_;
    bool legacyPivot_ = false;
    // The transform plugs the import writes, found by name once per host node type.
    static std::vector<const char*> TransformPlugNames();
    TypePlugs transformPlugs_{TransformPlugNames()};
    TransformOffsets transformOffsets_;
    bool attributeEditorFlag_ = false;
    // The root namespace was made current by the node pass and no other namespace since.
    bool rootNamespaceCurrent_ = false;
    int lockedAttributeDecision_ = 1;
    // The material cache: host shader per material name, for the session's life.
    struct ImportedMaterialRecord {
        RString name;
        VObject shader;
    };
    std::vector<ImportedMaterialRecord> materialCache_;
    // Beside materialCache_: the first record of each material name (names compare byte for byte).
    std::unordered_map<std::string, std::size_t> materialOfName_;
    // The text of the last set edit: its room is kept for the next one, as a checkerboard of
    // materials sends one edit per polygon. Its head (the command, the edit flag and the set,
    // up to the member's opening quote) is kept for the set and flag it was made for.
    VString setEditText_;
    VString setEditHead_;
    VString setEditSet_;
    bool setEditForces_ = false;
    std::unordered_map<const RWyxNode*, std::vector<int>> hostPolygonMaps_;
    // The first file node CreateFileTexture made for each texture of the file and placement
    // (FilePlacement): a texture on meshes has one, on a NURBS surface one of that surface.
    std::map<std::pair<const RWyxTexture*, const RWyxLayerContainer*>, VObject> fileNodes_;
    std::vector<RWyxNode*> blendShapeFailures_;
    std::vector<std::vector<BindPoseRecord>> bindPoseLists_;
};

// The curve sampled `rate` times a second into the host curve as keys of global tangents:
// keys at the first and the last key's time and at every whole period between them. kInvalid-
// Parameter, nothing written, for a rate that is not a positive number.
VStatus ResampleCurveKeys(VFnAnimCurve& hostCurve, const RFCurve& curve, double a, double rate);

// True when the file is older than 5.8 and a node below the root has pivot set 0 in state 1.
bool IsLegacyPivotFile(RWyxNode* root, RWyxFileImporter& importer);
// Depth first over the node's subtree, the node itself left out.
bool HasActivePivotNode(RWyxNode* node);

#endif
