#ifndef WYX_SCENE_RWYXSCENE_H
#define WYX_SCENE_RWYXSCENE_H

// The container a reader fills, a writer reads and the plug-in converts. It owns the scene's
// entity container (the root node "RootNode" and the counted uses of materials, textures,
// gobos, generic nodes and deformers), the "Camera Switcher" node's attribute, the character
// objects (marker sets, constraints, characters, control-set plugs, character poses), the
// global light, camera and time settings, the scene info once handed over, the take infos and
// the current take's name. It registers bind and rest poses without owning them.
//
// Ownership: everything the entity container records, the root node and the "Camera Switcher"
// node belong to the factory; the scene destroys the "Camera Switcher" node, the scene info
// and the producer cameras through the factory when it goes, and its character objects
// itself. The factory destroys scenes before any other kind, so a scene's teardown still finds
// its nodes: the characters leave their nodes before the nodes go.
//
// Two forms of the same data: in memory, layer elements hold their materials and textures and
// geometries hold skin links; in files, material, texture and deformer objects are connected
// to the nodes through their properties objects. The writer calls ConnectLayerMaterials,
// ConnectLayerTextures and BuildDeformersFromSkinLinks before it writes and DestroyDeformers
// after; the reader calls CollectLayerMaterials, CollectLayerTextures,
// BuildSkinLinksFromDeformers and then DestroyDeformers.
//
// Where the operations need the attribute kinds they are defined with them: construction,
// teardown, Clear, the character objects, the poses and the take operations in
// attributes/RWyxSceneKinds.cpp, the file-form translation in attributes/RWyxSceneFileForm.cpp.

#include "core/RError.h"
#include "core/RString.h"
#include "scene/RWyxTakeInfo.h"

#include <memory>
#include <unordered_map>
#include <vector>

class RWyxCameraSwitcher;
class RWyxCharacter;
class RWyxCharacterConstraint;
class RWyxCharacterPose;
class RWyxControlSetPlug;
class RWyxDeformer;
class RWyxEntityContainer;
class RWyxGenericNode;
class RWyxGlobalCameraSettings;
class RWyxGlobalLightSettings;
class RWyxGlobalTimeSettings;
class RWyxMarkerSet;
class RWyxNode;
class RWyxObjectFactory;
class RWyxPose;
class RWyxSceneInfo;
class RWyxTakeNodeContainer;

class RWyxScene {
public:
    static constexpr int kErrorTake = 0;
    static constexpr const char* kCameraSwitcherName = "Camera Switcher";

    // The entity container with its root node, the "Camera Switcher" node with its attribute,
    // the light, camera and time settings; no scene info, no take.
    explicit RWyxScene(RWyxObjectFactory* factory);
    RWyxScene(const RWyxScene&) = delete;
    RWyxScene& operator=(const RWyxScene&) = delete;
    // See the ownership note above.
    virtual ~RWyxScene();

    // Back to the newly built state: the root's subtree, the scene info, the character
    // objects and the generic nodes destroyed, the root keeping only its default take node,
    // the "Camera Switcher" node reset, the poses forgotten, the settings reset, no take. One
    // difference: the camera index becomes 0, where a new scene has its channel's default 1.
    void Clear();

    RWyxObjectFactory* GetFactory() const { return factory_; }
    RWyxEntityContainer* GetEntity() const { return entity_.get(); }
    RWyxNode* GetRootNode() const;
    RWyxNode* GetCameraSwitcherNode() const { return cameraSwitcherNode_; }
    RWyxCameraSwitcher* GetCameraSwitcher() const { return cameraSwitcher_.get(); }
    RError& GetError() { return error_; }
    const RError& GetError() const { return error_; }

    // ---- generic nodes and deformers (the entity container's) -----------------------------------
    int GetGenericNodeCount() const;
    RWyxGenericNode* GetGenericNode(int index) const;
    // Moves it into this scene's container (out of any other); false for null.
    bool AddGenericNode(RWyxGenericNode* genericNode);
    // Takes it out of its container; false for null.
    bool RemoveGenericNode(RWyxGenericNode* genericNode);
    // Kind 0 all, 1 skins, 2 clusters.
    int GetDeformerCount(int kind) const;
    RWyxDeformer* GetDeformer(int index, int kind) const;
    RWyxDeformer* FindDeformer(const char* name) const;
    bool AddDeformer(RWyxDeformer* deformer);
    // Every use of the deformer goes from the container (the deformer stays the factory's).
    void ForgetDeformer(const RWyxDeformer* deformer);

    // ---- character objects (owned) ------------------------------------------------------------------
    // Create*: the object named BuildPrefixedName(prefix, name) ("MarkerSet::", "Constraint::",
    // "Constraint::", "ControlSetPlug::", "Pose::"), appended; answers its index, -1 when it
    // could not be made. Get*: null out of range.
    int CreateMarkerSet(const char* name);
    int GetMarkerSetCount() const { return static_cast<int>(markerSets_.size()); }
    RWyxMarkerSet* GetMarkerSet(int index) const { return At(markerSets_, index); }
    int CreateConstraint(const char* name);
    int GetConstraintCount() const { return static_cast<int>(constraints_.size()); }
    RWyxCharacterConstraint* GetConstraint(int index) const { return At(constraints_, index); }
    int CreateCharacter(const char* name);
    int GetCharacterCount() const { return static_cast<int>(characters_.size()); }
    RWyxCharacter* GetCharacter(int index) const { return At(characters_, index); }
    int CreateControlSetPlug(const char* name);
    int GetControlSetPlugCount() const { return static_cast<int>(controlSetPlugs_.size()); }
    RWyxControlSetPlug* GetControlSetPlug(int index) const { return At(controlSetPlugs_, index); }
    int CreateCharacterPose(const char* name);
    int GetCharacterPoseCount() const { return static_cast<int>(characterPoses_.size()); }
    RWyxCharacterPose* GetCharacterPose(int index) const { return At(characterPoses_, index); }
    // Destroys the pose at a valid index; nothing for another.
    void DestroyCharacterPose(int index);

    // ---- bind and rest poses (registered, not owned) -----------------------------------------------
    // False when the pose is null or registered already.
    bool AddPose(RWyxPose* pose);
    int GetPoseCount() const { return static_cast<int>(poses_.size()); }
    RWyxPose* GetPose(int index) const { return At(poses_, index); }
    // The index of a registered pose; -1 for one this scene does not register (or null).
    int GetPoseIndex(const RWyxPose* pose) const;
    // How many of the registered poses another factory than this scene's made (or none did).
    int GetForeignPoseCount() const { return foreignPoses_; }
    // Forgets the pose here and in the scenes of this scene's character poses; false when
    // this scene did not register it.
    bool RemovePose(const RWyxPose* pose);

    // ---- settings and scene info -----------------------------------------------------------------------
    RWyxGlobalLightSettings* GetGlobalLightSettings() const { return lightSettings_.get(); }
    RWyxGlobalCameraSettings* GetGlobalCameraSettings() const { return cameraSettings_.get(); }
    RWyxGlobalTimeSettings* GetGlobalTimeSettings() const { return timeSettings_.get(); }
    // Null until one is handed over.
    RWyxSceneInfo* GetSceneInfo() const { return sceneInfo_; }
    // The scene owns the info from now on (it destroys it through the factory); one it held
    // before is destroyed first.
    void SetSceneInfo(RWyxSceneInfo* info);

    // ---- takes -----------------------------------------------------------------------------------------
    const char* GetCurrentTakeName() const { return currentTake_.Buffer(); }
    // Stores the name, then selects the take node of that name on the "Camera Switcher" node,
    // every node, texture, material and generic node of the container, asking every one of
    // them. False, with "Not all nodes have a take node called " + name (code 0), when one
    // lacks it.
    bool SetCurrentTake(const char* name);
    // The distinct take-node names of those objects, in the order first met.
    void GetTakeNameList(std::vector<RString>& names) const;
    bool IsTakeNameUsed(const char* name) const;
    // The take info of that name; null when none.
    RWyxTakeInfo* GetTakeInfo(const char* name);
    int GetTakeInfoCount() const { return static_cast<int>(takeInfos_.size()); }
    // Null out of range.
    RWyxTakeInfo* GetTakeInfoAt(int index);
    // A copy over the take info of that name, or appended; false, nothing stored, when no
    // object of the scene has a take node of that name.
    bool SetTakeInfo(const RWyxTakeInfo& info);

    // ---- file-form translation (attributes/RWyxSceneFileForm.cpp) ---------------------------------------
    void ConnectLayerMaterials();
    void ConnectLayerTextures();
    void BuildDeformersFromSkinLinks();
    void CollectLayerMaterials();
    void CollectLayerTextures();
    void BuildSkinLinksFromDeformers();
    // Removes every deformer from the container (all its uses) and destroys it through the
    // factory: the clusters first, then the rest.
    void DestroyDeformers();

private:
    template <typename T>
    static T* At(const std::vector<T*>& list, int index) {
        return index >= 0 && index < static_cast<int>(list.size()) ? list[static_cast<size_t>(index)] : nullptr;
    }
    // Every take-node container SetCurrentTake and GetTakeNameList visit, in their order.
    std::vector<RWyxTakeNodeContainer*> TakeObjects() const;
    void ResetCameraSwitcherNode();
    void DestroyCharacterObjects();
    void DestroySceneInfo();

    RWyxObjectFactory* factory_;
    std::unique_ptr<RWyxEntityContainer> entity_;
    RWyxNode* cameraSwitcherNode_ = nullptr;  // the factory's
    std::unique_ptr<RWyxCameraSwitcher> cameraSwitcher_;
    std::vector<RWyxMarkerSet*> markerSets_;
    std::vector<RWyxCharacterConstraint*> constraints_;
    std::vector<RWyxCharacter*> characters_;
    std::vector<RWyxControlSetPlug*> controlSetPlugs_;
    std::vector<RWyxCharacterPose*> characterPoses_;
    std::vector<RWyxPose*> poses_;
    std::unordered_map<const RWyxPose*, int> poseIndices_;  // the index of each in poses_
    int foreignPoses_ = 0;
    std::unique_ptr<RWyxGlobalLightSettings> lightSettings_;
    std::unique_ptr<RWyxGlobalCameraSettings> cameraSettings_;
    std::unique_ptr<RWyxGlobalTimeSettings> timeSettings_;
    RString currentTake_;
    std::vector<RWyxTakeInfo> takeInfos_;
    RWyxSceneInfo* sceneInfo_ = nullptr;  // owned once set; destroyed through the factory
    RError error_;
};

#endif
