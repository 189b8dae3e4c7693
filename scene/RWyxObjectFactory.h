#ifndef WYX_SCENE_RWYXOBJECTFACTORY_H
#define WYX_SCENE_RWYXOBJECTFACTORY_H

// The one place where SDK objects are made and unmade. Every scene, node, node attribute,
// material, texture, gobo, pose, deformer, user property, skin link, shape, thumbnail, scene
// info, geometry converter, image converter, file exporter and file importer is created
// through a factory, recorded in its list of that kind, found there by name and destroyed
// through it. Each import or export session owns a factory; whatever the session leaves is
// destroyed with the factory.
//
// The New* operations only allocate and construct (a client derives its own factory to
// substitute its own classes); the public Create* operations call them and record the
// result. Destroy* and Find* set "Object not found" (code 0) when the object is not
// recorded.
//
// Ownership of user properties: a user property the factory makes is the factory's until it
// is handed to a scene object with HandOverUserProperty (which takes it off the factory's
// list); the scene object then owns and deletes it, and the factory no longer knows it.
// Nodes do so for the wrappers of their own properties.
//
// Nodes, materials and textures are also indexed by name, so FindNode, FindMaterial and
// FindTexture do not scan their lists; each index follows renames through the object's
// name-change hook.
//
// Where the New*, Destroy* and Find* operations of a kind need that kind's class, they are
// defined with the kind: attributes/RWyxObjectFactoryKinds.cpp (node attributes, materials,
// textures, gobos, poses, deformers, skin links, shapes, thumbnails, generic nodes) and
// formats/geometry/RWyxObjectFactoryGeometry.cpp (geometry converters).

#include "core/RError.h"
#include "core/RMatrix.h"
#include "core/RString.h"
#include "scene/RFactoryObjectList.h"
#include "scene/RRenamingStrategy.h"
#include "scene/RWyxNameIndex.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class RImageConverter;
class RProperty;
class RWyxCamera;
class RWyxDeformer;
class RWyxFileExporter;
class RWyxFileImporter;
class RWyxGenericNode;
class RWyxGeometryConverter;
class RWyxGobo;
class RWyxLight;
class RWyxMarker;
class RWyxMaterial;
class RWyxMesh;
class RWyxNode;
class RWyxNodeAttribute;
class RWyxNull;
class RWyxNurb;
class RWyxOptical;
class RWyxPatch;
class RWyxPose;
class RWyxScene;
class RWyxSceneInfo;
class RWyxSceneObject;
class RWyxShape;
class RWyxSkeleton;
class RWyxSkinLink;
class RWyxTexture;
class RWyxThumbnail;
class RWyxUserProperty;

// prefix + name, where a name holding "::" keeps only the text after the first "::", an
// empty name (or null) becomes "Name", and a null or empty prefix adds nothing.
RString BuildPrefixedName(const char* prefix, const char* name);
// "SubDeformer::" for the type name "Cluster" in any case, else "Deformer::".
const char* DeformerNamePrefix(const char* typeName);

class RWyxObjectFactory {
public:
    static constexpr int kErrorObjectNotFound = 0;

    // The lists, for GetObjectCount.
    enum ObjectKind {
        kScenes,
        kNodes,
        kNodeAttributes,
        kSkinLinks,
        kMaterials,
        kShapes,
        kTextures,
        kGobos,
        kPoses,
        kUserProperties,
        kThumbnails,
        kSceneInfos,
        kGenericNodes,
        kDeformers,
        kGeometryConverters,
        kImageConverters,
        kFileExporters,
        kFileImporters,
        kObjectKindCount
    };

    // Empty lists, no renaming strategy; takes one object-model reference.
    RWyxObjectFactory();
    RWyxObjectFactory(const RWyxObjectFactory&) = delete;
    RWyxObjectFactory& operator=(const RWyxObjectFactory&) = delete;

    // ---- the virtual operations, in this order ---------------------------------------------
    // DestroyAll, then the installed renaming strategies; releases the object-model reference.
    virtual ~RWyxObjectFactory();

    // Each allocates and constructs one object (this factory as its owner where the class
    // takes one) and records nothing; null when that cannot be done.
    virtual RWyxScene* NewScene();
    virtual RWyxNode* NewNode(const RString& fullName);
    virtual RWyxNull* NewNull();
    virtual RWyxMarker* NewMarker();
    virtual RWyxCamera* NewCamera();
    virtual RWyxLight* NewLight();
    virtual RWyxSkeleton* NewSkeleton();
    virtual RWyxMesh* NewMesh();
    virtual RWyxPatch* NewPatch();
    virtual RWyxNurb* NewNurb();
    virtual RWyxOptical* NewOptical();
    virtual RWyxSkinLink* NewSkinLink();
    virtual RWyxMaterial* NewMaterial(const RString& fullName);
    virtual RWyxShape* NewShape();
    virtual RWyxTexture* NewTexture(const RString& fullName);
    virtual RWyxGobo* NewGobo(const RString& name);
    virtual RWyxPose* NewPose(const RString& fullName, bool bindPose);
    // Null for a null property.
    virtual RWyxUserProperty* NewUserPropertyFor(RProperty* property);
    // Null when the name or the label is null.
    virtual RWyxUserProperty* NewUserProperty(const char* name, const char* typeName, const char* label);
    // Null for a null name.
    virtual RWyxGenericNode* NewGenericNode(const char* name);
    // Null when the name or the type name is null.
    virtual RWyxDeformer* NewDeformer(const char* fullName, const char* typeName);
    virtual RWyxThumbnail* NewThumbnail();
    virtual RWyxSceneInfo* NewSceneInfo();
    virtual RWyxGeometryConverter* NewGeometryConverter();
    virtual RImageConverter* NewImageConverter();
    virtual RWyxFileExporter* NewFileExporter();
    virtual RWyxFileImporter* NewFileImporter();

    // Each removes the object from its list and destroys it; false with "Object not found"
    // when it is not recorded (the lists unchanged).
    // The scene is always freed; with `recursive` its root node's subtree goes too.
    virtual bool DestroyScene(RWyxScene* scene, bool recursive);
    // With `recursive`, the node's subtree goes with it, each node with its attribute.
    // Without, the node's attribute stays recorded, detached.
    virtual bool DestroyNode(RWyxNode* node, bool recursive);
    // The attribute is detached from its node first.
    virtual bool DestroyNodeAttribute(RWyxNodeAttribute* attribute);
    virtual bool DestroySkinLink(RWyxSkinLink* skinLink);
    virtual bool DestroyMaterial(RWyxMaterial* material);
    virtual bool DestroyShape(RWyxShape* shape);
    virtual bool DestroyTexture(RWyxTexture* texture);
    virtual bool DestroyGobo(RWyxGobo* gobo);
    // A pose or deformer destroyed here leaves every scene of the factory first (their pose
    // lists and entity containers), so that none keeps pointing at it.
    virtual bool DestroyPose(RWyxPose* pose);
    // Only a user property the factory still owns (not handed over).
    virtual bool DestroyUserProperty(RWyxUserProperty* userProperty);
    virtual bool DestroyGenericNode(RWyxGenericNode* genericNode);
    virtual bool DestroyDeformer(RWyxDeformer* deformer);
    virtual bool DestroyThumbnail(RWyxThumbnail* thumbnail);
    virtual bool DestroySceneInfo(RWyxSceneInfo* sceneInfo);

    // The occurrence-th (from 0) object, in list order, whose current name is the prefixed
    // name ("Model::", "Material::", "Texture::"); null with "Object not found" when none.
    virtual RWyxNode* FindNode(const char* name, int occurrence);
    virtual RWyxMaterial* FindMaterial(const char* name, int occurrence);
    virtual RWyxTexture* FindTexture(const char* name, int occurrence);
    // Gobos carry their names as given: the name is compared as it stands.
    virtual RWyxGobo* FindGobo(const char* name, int occurrence);
    // The first object whose current name is the name as it stands; null with "Object not
    // found" when none.
    virtual RWyxPose* FindPose(const char* name);
    // The first user property (still the factory's) of that name; null, no error, when none.
    virtual RWyxUserProperty* FindUserProperty(const char* name);
    virtual RWyxGenericNode* FindGenericNode(const char* name);

    // Destroys the objects of every list, list by list: scenes, node attributes, nodes, skin
    // links, materials, shapes, textures, gobos, poses, user properties, generic nodes,
    // thumbnails, scene infos, geometry converters, image converters, file exporters, file
    // importers, deformers; then tells the installed renaming strategies.
    virtual void DestroyAll();

    // ---- creation and recording ------------------------------------------------------------
    RWyxScene* CreateScene();
    // Named BuildPrefixedName("Model::", name), then renamed by the node strategy.
    RWyxNode* CreateNode(const char* name);
    RWyxNull* CreateNull();
    RWyxMarker* CreateMarker();
    RWyxCamera* CreateCamera();
    RWyxLight* CreateLight();
    RWyxSkeleton* CreateSkeleton();
    RWyxMesh* CreateMesh();
    RWyxPatch* CreatePatch();
    RWyxNurb* CreateNurb();
    RWyxOptical* CreateOptical();
    RWyxSkinLink* CreateSkinLink();
    RWyxMaterial* CreateMaterial(const char* name);
    // Constructed here (not through a New* operation).
    RWyxShape* CreateShape();
    RWyxTexture* CreateTexture(const char* name);
    // Keeps the name as given.
    RWyxGobo* CreateGobo(const char* name);
    RWyxPose* CreatePose(const char* name, bool bindPose);
    RWyxUserProperty* CreateUserProperty(const char* name, const char* typeName, const char* label);
    RWyxUserProperty* CreateUserPropertyFor(RProperty* property);
    // Keeps the name as given.
    RWyxGenericNode* CreateGenericNode(const char* name);
    // Named DeformerNamePrefix(typeName) + name; null, nothing recorded, for a null name or
    // type name.
    RWyxDeformer* CreateDeformer(const char* name, const char* typeName);
    RWyxThumbnail* CreateThumbnail();
    RWyxSceneInfo* CreateSceneInfo();
    RWyxGeometryConverter* CreateGeometryConverter();
    RImageConverter* CreateImageConverter();
    RWyxFileExporter* CreateFileExporter();
    RWyxFileImporter* CreateFileImporter();

    bool DestroyGeometryConverter(RWyxGeometryConverter* converter);
    bool DestroyImageConverter(RImageConverter* converter);
    bool DestroyFileExporter(RWyxFileExporter* exporter);
    bool DestroyFileImporter(RWyxFileImporter* importer);

    // Takes a user property the factory made off its list and gives it to the caller, who
    // hands it to a scene object (AddUserProperty). Null, with "Object not found", for one
    // the factory does not own.
    std::unique_ptr<RWyxUserProperty> HandOverUserProperty(RWyxUserProperty* userProperty);

    // ---- lists ---------------------------------------------------------------------------------
    // Null when the index is negative or not below the count.
    RWyxNode* GetNode(int index) const { return nodes_.At(index); }
    int GetNodeCount() const { return nodes_.GetCount(); }
    RWyxMaterial* GetMaterial(int index) const { return materials_.At(index); }
    int GetMaterialCount() const { return materials_.GetCount(); }
    RWyxTexture* GetTexture(int index) const { return textures_.At(index); }
    int GetTextureCount() const { return textures_.GetCount(); }
    RWyxPose* GetPose(int index) const { return poses_.At(index); }
    int GetPoseCount() const { return poses_.GetCount(); }
    RImageConverter* GetImageConverter(int index) const { return imageConverters_.At(index); }
    int GetImageConverterCount() const { return imageConverters_.GetCount(); }
    RWyxScene* GetScene(int index) const { return scenes_.At(index); }
    int GetSceneCount() const { return scenes_.GetCount(); }
    int GetObjectCount(ObjectKind kind) const;

    // ---- renaming strategies (owned once installed) ------------------------------------------
    // Installs a strategy, destroying the one it replaces.
    void SetNodeRenamingStrategy(std::unique_ptr<RRenamingStrategy> strategy);
    void SetMaterialRenamingStrategy(std::unique_ptr<RRenamingStrategy> strategy);
    void SetTextureRenamingStrategy(std::unique_ptr<RRenamingStrategy> strategy);
    // Removes the strategy and gives it back to the caller.
    std::unique_ptr<RRenamingStrategy> ReleaseNodeRenamingStrategy();
    std::unique_ptr<RRenamingStrategy> ReleaseMaterialRenamingStrategy();
    std::unique_ptr<RRenamingStrategy> ReleaseTextureRenamingStrategy();
    RRenamingStrategy* GetNodeRenamingStrategy() const { return nodeStrategy_.get(); }
    RRenamingStrategy* GetMaterialRenamingStrategy() const { return materialStrategy_.get(); }
    RRenamingStrategy* GetTextureRenamingStrategy() const { return textureStrategy_.get(); }

    RError& GetError() { return error_; }
    const RError& GetError() const { return error_; }

private:
    friend class RWyxMaterial;
    friend class RWyxNode;
    friend class RWyxPose;  // keeps bindPoseHolders_
    friend class RWyxTexture;

    // Called by a node, material or texture whose name may change.
    void OnNodeNameChanging(RWyxNode* node);
    void OnMaterialNameChanging(RWyxMaterial* material);
    void OnTextureNameChanging(RWyxTexture* texture);

    // Sets "Object not found" and answers false (null).
    bool NotFound();
    // The object found; "Object not found" set when it is null.
    template <typename T>
    T* FoundOrNotFound(T* object) {
        if (object == nullptr) NotFound();
        return object;
    }
    // Records a new node in the list and the name index.
    bool RecordNode(RWyxNode* node);
    // Gathers the subtree's recorded nodes, the node itself first, depth first; false when a
    // node below is not this factory's (its own subtree is then left out).
    bool CollectRecordedSubtree(RWyxNode* node, std::vector<RWyxNode*>& subtree);
    // Takes the nodes off the list and the name index, in one pass over the list.
    void RemoveNodes(const std::vector<RWyxNode*>& nodes);
    // PrepareDestroy (which lets the attribute go), then delete.
    static void DeleteNode(RWyxNode* node);
    void DestroyAllNodes();
    // Defined with the kinds: the list and its name index emptied together.
    void DestroyAllMaterials();
    void DestroyAllTextures();
    // Detaches the attribute from its node, then deletes it.
    static void DeleteNodeAttribute(RWyxNodeAttribute* attribute);

    // Defined with the kinds (attributes/RWyxObjectFactoryKinds.cpp): the deleting step of
    // each kind.
    static void DeleteSkinLink(RWyxSkinLink* skinLink);
    static void DeleteMaterial(RWyxMaterial* material);
    static void DeleteShape(RWyxShape* shape);
    static void DeleteTexture(RWyxTexture* texture);
    static void DeleteGobo(RWyxGobo* gobo);
    static void DeletePose(RWyxPose* pose);
    static void DeleteGenericNode(RWyxGenericNode* genericNode);
    static void DeleteDeformer(RWyxDeformer* deformer);
    static void DeleteThumbnail(RWyxThumbnail* thumbnail);
    // Defined with the converter (formats/geometry/RWyxObjectFactoryGeometry.cpp).
    static void DeleteGeometryConverter(RWyxGeometryConverter* converter);

    // The occurrence-th object of the list whose current name is `name`, byte for byte;
    // null with "Object not found" when none.
    template <typename T>
    T* FindByName(const RFactoryObjectList<T>& list, const RString& name, int occurrence);
    // Removes the object from the list and destroys it; false with "Object not found" when
    // it is not recorded.
    template <typename T, typename Destroy>
    bool DestroyRecorded(RFactoryObjectList<T>& list, T* object, Destroy destroy);
    // Destroys every object of the list, oldest first, until the list stays empty.
    template <typename T, typename Destroy>
    static void DestroyList(RFactoryObjectList<T>& list, Destroy destroy);
    // The strategy, when installed, renames the object's name pair.
    static void RenameWith(RRenamingStrategy* strategy, RWyxSceneObject& object);
    // Appends a new object to its list; null (the object destroyed) when it cannot be recorded.
    template <typename T, typename Destroy>
    static T* Record(RFactoryObjectList<T>& list, T* object, Destroy destroy);

    RFactoryObjectList<RWyxScene> scenes_;
    RFactoryObjectList<RWyxNode> nodes_;
    RFactoryObjectList<RWyxNodeAttribute> nodeAttributes_;
    RFactoryObjectList<RWyxSkinLink> skinLinks_;
    RFactoryObjectList<RWyxMaterial> materials_;
    RFactoryObjectList<RWyxShape> shapes_;
    RFactoryObjectList<RWyxTexture> textures_;
    RFactoryObjectList<RWyxGobo> gobos_;
    RFactoryObjectList<RWyxPose> poses_;
    // The bind poses made here whose first entry of a node name holds the same matrix (all its
    // doubles alike) and local flag.
    struct BindPoseGroup {
        RMatrix matrix;
        bool local = false;
        std::vector<RWyxPose*> poses;
    };
    // Node name -> the groups of the bind poses that hold an entry of it, each pose once: the
    // bind poses that hold a name, and what they hold for it, are found without a look into
    // every other; the many poses that agree on a node are compared with as one.
    std::unordered_map<std::string, std::vector<BindPoseGroup>> bindPoseHolders_;
    RFactoryObjectList<RWyxUserProperty> userProperties_;
    RFactoryObjectList<RWyxThumbnail> thumbnails_;
    RFactoryObjectList<RWyxSceneInfo> sceneInfos_;
    RFactoryObjectList<RWyxGenericNode> genericNodes_;
    RFactoryObjectList<RWyxDeformer> deformers_;
    RFactoryObjectList<RWyxGeometryConverter> geometryConverters_;
    RFactoryObjectList<RImageConverter> imageConverters_;
    RFactoryObjectList<RWyxFileExporter> fileExporters_;
    RFactoryObjectList<RWyxFileImporter> fileImporters_;
    RWyxNameIndex nodeNames_;
    // Compared as the list's own search did, up to the first zero byte.
    RWyxNameIndex materialNames_{RWyxNameIndex::NameEnd::kFirstZeroByte};
    RWyxNameIndex textureNames_{RWyxNameIndex::NameEnd::kFirstZeroByte};
    std::unique_ptr<RRenamingStrategy> nodeStrategy_;
    std::unique_ptr<RRenamingStrategy> materialStrategy_;
    std::unique_ptr<RRenamingStrategy> textureStrategy_;
    RError error_;
};

template <typename T>
T* RWyxObjectFactory::FindByName(const RFactoryObjectList<T>& list, const RString& name, int occurrence) {
    int matches = 0;
    for (int i = 0; i < list.GetCount() && occurrence >= 0; ++i) {
        T* object = list.At(i);
        if (object->GetName() == name && matches++ == occurrence) return object;
    }
    NotFound();
    return nullptr;
}

template <typename T, typename Destroy>
bool RWyxObjectFactory::DestroyRecorded(RFactoryObjectList<T>& list, T* object, Destroy destroy) {
    if (object == nullptr || !list.Remove(object)) return NotFound();
    destroy(object);
    return true;
}

template <typename T, typename Destroy>
void RWyxObjectFactory::DestroyList(RFactoryObjectList<T>& list, Destroy destroy) {
    while (list.GetCount() > 0) list.TakeAll(destroy);
}

template <typename T, typename Destroy>
T* RWyxObjectFactory::Record(RFactoryObjectList<T>& list, T* object, Destroy destroy) {
    if (object == nullptr) return nullptr;
    if (!list.Append(object)) {
        destroy(object);
        return nullptr;
    }
    return object;
}

#endif
