#ifndef WYX_SCENE_RWYXENTITYCONTAINER_H
#define WYX_SCENE_RWYXENTITYCONTAINER_H

// The membership record of one scene: which nodes belong to it, which node is its root, and
// which materials, textures, gobos, generic nodes and deformers it uses, each with a count of
// uses. The objects belong to the object factory; the container only records them.
//
// Nodes join and leave through RWyxNode::SetEntity, which moves a whole subtree with the
// materials, textures and gobos it uses and refuses name clashes; the node properties move a
// child's subtree when it is linked below or unlinked from a member. A node is in the node
// list exactly when its GetEntity() answers this container: AddNode and RemoveNode keep both
// sides, so that a node destroyed while a member can take itself out.
//
// The lists stay fast at the size of a whole scene: adding, finding and removing a node and
// reaching one by index cost O(log n), so moving a subtree is not linear in the scene.
//
// Failures set a code of the error object (the table of RWyxEntityContainer.cpp) and answer
// false or null; the lists are unchanged then, except that a removal answering "still in
// use" has taken one use away.
//
// The operations on the attribute-layer kinds (materials, textures, gobos, generic nodes,
// deformers, geometries) are defined with those kinds in attributes/RWyxEntityContainerKinds.cpp.

#include "core/RError.h"
#include "scene/RMemberList.h"

#include <unordered_map>
#include <vector>

class RWyxDeformer;
class RWyxGenericNode;
class RWyxGobo;
class RWyxMaterial;
class RWyxNode;
class RWyxObjectFactory;
class RWyxSceneObject;
class RWyxTexture;

class RWyxEntityContainer {
public:
    static constexpr int kErrorNodeNull = 0;
    static constexpr int kErrorNodeOwned = 1;
    static constexpr int kErrorNodeNotMember = 2;
    static constexpr int kErrorOutOfRange = 3;
    static constexpr int kErrorMaterialInUse = 4;
    static constexpr int kErrorMaterialNotFound = 5;
    static constexpr int kErrorTextureInUse = 6;
    static constexpr int kErrorTextureNotFound = 7;
    static constexpr int kErrorGoboInUse = 8;
    static constexpr int kErrorGoboNotFound = 9;
    static constexpr int kErrorGoboNameClash = 10;
    static constexpr int kErrorGenericNodeInUse = 11;
    static constexpr int kErrorGenericNodeNotFound = 12;
    static constexpr int kErrorDeformerInUse = 14;
    static constexpr int kErrorDeformerNotFound = 15;

    // Kinds of GetDeformerCount and GetDeformer.
    static constexpr int kAllDeformers = 0;

    // Empty lists; then the root node "RootNode" made through the factory (none without a
    // factory) joins as the root.
    explicit RWyxEntityContainer(RWyxObjectFactory* factory);
    RWyxEntityContainer(const RWyxEntityContainer&) = delete;
    RWyxEntityContainer& operator=(const RWyxEntityContainer&) = delete;
    // Clear, and the generic nodes still recorded let go of their link to this container.
    ~RWyxEntityContainer();

    RWyxObjectFactory* GetFactory() const { return factory_; }
    RError& GetError() { return error_; }
    const RError& GetError() const { return error_; }

    // ---- nodes --------------------------------------------------------------------------------
    // Appends the node, which then answers this container. False with code 0 for null, code 1
    // for a node already in this or another container.
    bool AddNode(RWyxNode* node);
    // Takes the node out (it then answers no container); the root pointer clears when it is
    // the root. False with code 0 for null, code 2 for a node not in the list.
    bool RemoveNode(RWyxNode* node);
    RWyxNode* GetRootNode() const { return root_; }
    int GetNodeCount() const { return nodes_.GetCount(); }
    // Null with code 3 out of range.
    RWyxNode* GetNode(int index);
    bool ContainsNode(const RWyxNode* node) const { return nodes_.Contains(node); }
    // Empties `nodes`, then appends every node whose attribute has the type id: without
    // walkHierarchy in node-list order; with it depth first from the root (the root first, a
    // node before its children, children in order).
    void CollectNodesByAttributeType(std::vector<RWyxNode*>& nodes, int attributeType, bool walkHierarchy) const;

    // ---- use lists ----------------------------------------------------------------------------
    // Add*Use: the object's count goes up, or a new entry with count 1 is appended; true (false
    // for null). AddGoboUse refuses, with code 10 and nothing added, a gobo whose name an
    // earlier entry's different gobo has.
    // Remove*Use: one use less; true when that was the last (the entry goes). False with the
    // kind's "still in use" code when uses remain, with its "not found" code when the object
    // has no entry.
    // Get*(index): null with code 3 out of range.
    bool AddMaterialUse(RWyxMaterial* material);
    bool RemoveMaterialUse(RWyxMaterial* material);
    RWyxMaterial* GetMaterial(int index);
    int GetMaterialCount() const { return materials_.objects.GetCount(); }
    // The first material whose current name (with its prefix) is the name; null with code 5.
    RWyxMaterial* FindMaterial(const char* fullName);

    bool AddTextureUse(RWyxTexture* texture);
    bool RemoveTextureUse(RWyxTexture* texture);
    RWyxTexture* GetTexture(int index);
    int GetTextureCount() const { return textures_.objects.GetCount(); }
    // The first texture whose current name is the name; null with code 7.
    RWyxTexture* FindTexture(const char* fullName);

    bool AddGoboUse(RWyxGobo* gobo);
    bool RemoveGoboUse(RWyxGobo* gobo);
    RWyxGobo* GetGobo(int index);
    int GetGoboCount() const { return gobos_.objects.GetCount(); }
    // True when AddGoboUse would refuse the gobo: walking the entries in order, one of another
    // gobo with its name comes before any entry of the gobo itself.
    bool WouldGoboClash(const RWyxGobo* gobo) const;
    // The same answer once the entries of the gobos `leaving` lists are gone: what a subtree
    // taking their last uses away would meet on joining again.
    bool WouldGoboClash(const RWyxGobo* gobo, const std::vector<const RWyxGobo*>& leaving) const;

    // The last use of a generic node taken away also clears its link to this container.
    bool AddGenericNodeUse(RWyxGenericNode* genericNode);
    bool RemoveGenericNodeUse(RWyxGenericNode* genericNode);
    RWyxGenericNode* GetGenericNode(int index);
    int GetGenericNodeCount() const { return genericNodes_.objects.GetCount(); }
    // The first of that current name; null, no error, when none.
    RWyxGenericNode* FindGenericNode(const char* name) const;

    bool AddDeformerUse(RWyxDeformer* deformer);
    bool RemoveDeformerUse(RWyxDeformer* deformer);
    // Kind 0 all deformers, 1 skins, 2 clusters; 0 for any other kind.
    int GetDeformerCount(int kind) const;
    // The index-th deformer of the kind in list order; null for a kind outside 0 to 2 or an
    // index outside 0 to count - 1.
    RWyxDeformer* GetDeformer(int index, int kind) const;
    // The first of that current name; null, no error, when none.
    RWyxDeformer* FindDeformer(const char* name) const;

    // The number of uses recorded for the object; 0 when it has no entry.
    int GetUseCount(const RWyxMaterial* material) const;
    int GetUseCount(const RWyxTexture* texture) const;
    int GetUseCount(const RWyxGobo* gobo) const;
    int GetUseCount(const RWyxGenericNode* genericNode) const;
    int GetUseCount(const RWyxDeformer* deformer) const;

    // Every node of the list lets go of its link to this container, and so do their
    // geometries and the geometries' shapes; the root pointer and the node, material, texture
    // and gobo lists are emptied. Generic nodes and deformers stay
    // (they leave through their own removal).
    void Clear();

private:
    friend class RWyxNode;  // SetEntity with asRoot makes the node the root

    // Objects with a use count, in the order of their first use.
    struct UseList {
        RMemberList<RWyxSceneObject> objects;
        std::unordered_map<const RWyxSceneObject*, int> counts;

        void Clear() {
            objects.Clear();
            counts.clear();
        }
        int CountOf(const RWyxSceneObject* object) const;
        // The first whose current name is `name`; null when none (or for null).
        RWyxSceneObject* FindByName(const char* name) const;
    };

    // The list of the skins or of the clusters; null for any other kind.
    RMemberList<RWyxSceneObject>* DeformersOfKind(int kind);
    const RMemberList<RWyxSceneObject>* DeformersOfKind(int kind) const;
    bool AddUse(UseList& list, RWyxSceneObject* object);
    bool RemoveUse(UseList& list, const RWyxSceneObject* object, int inUseCode, int notFoundCode);
    RWyxSceneObject* UseAt(const UseList& list, int index);
    // Clears the link of every generic node still recorded.
    void ReleaseGenericNodes();
    // Clears the links of the node's geometry and of its shapes that name this container.
    void ReleaseGeometryLinks(const RWyxNode& node);
    void SetRootNode(RWyxNode* node) { root_ = node; }

    RWyxObjectFactory* factory_;
    RWyxNode* root_ = nullptr;
    RMemberList<RWyxNode> nodes_;
    UseList materials_;
    UseList textures_;
    UseList gobos_;
    UseList genericNodes_;
    UseList deformers_;
    // The skins and the clusters of deformers_, each in its order: the count of a kind and its
    // index-th deformer are found without a walk over the others.
    RMemberList<RWyxSceneObject> skins_;
    RMemberList<RWyxSceneObject> clusters_;
    RError error_;
};

#endif
