#ifndef WYX_SCENE_RWYXNAMECLASHCOLLECTOR_H
#define WYX_SCENE_RWYXNAMECLASHCOLLECTOR_H

// Keeps object names unique where scenes meet: walks a node subtree and lists, per kind (nodes,
// materials, textures, gobos), the objects it saw and those whose names clash, either with a
// target entity container (a subtree about to join a scene) or with an object seen earlier in
// the same walk. Used by RWyxNode::SetEntity, the host export and the WYX importer; the
// renaming strategy then makes the clashing names unique.
//
// Per visited node:
// - Nodes: the name (with "Model::") clashes when the target's root has another descendant of
//   that name, or, failing that, when another node seen has it.
// - Materials and textures of the node's geometry layers, the gobo of its light: a name
//   clashes when the target holds another object of that kind with it, or, as long as no
//   object of this kind and node has clashed yet in this visit, when another one seen has it.
// - A disabled kind only appends its objects to the seen list (repeats included).
// Names compare exactly; an object never clashes with itself. A node is accepted when any
// check found a clash.
//
// Names are looked up in hash indexes built once per walk, so a check is linear in the size
// of the subtree and of the target.
//
// GatherObjects, which needs the attribute kinds, and the name accessors are defined in
// attributes/RWyxNameClashCollectorKinds.cpp.

#include "core/RString.h"
#include "scene/RWyxNodeVisitor.h"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class RWyxEntityContainer;
class RWyxGobo;
class RWyxMaterial;
class RWyxNode;
class RWyxTexture;

class RWyxNameClashCollector : public RWyxNodeVisitor {
public:
    // Kind indexes of SetKindEnabled.
    static constexpr int kNodes = 0;
    static constexpr int kMaterials = 1;
    static constexpr int kTextures = 2;
    static constexpr int kGobos = 3;
    static constexpr int kKindCount = 4;

    // What one node uses, in the order the checks take it.
    struct NodeObjects {
        std::vector<RWyxMaterial*> materials;
        std::vector<RWyxTexture*> textures;
        RWyxGobo* gobo = nullptr;
    };

    // Nodes and gobos checked, materials and textures only listed. The target (none allowed)
    // is not owned.
    explicit RWyxNameClashCollector(RWyxEntityContainer* target = nullptr);

    // Empties every list and the result list.
    void Clear() override;
    bool Accept(RWyxNode* node) override;

    // False, nothing changed, for a kind outside 0 to 3.
    bool SetKindEnabled(int kind, bool enabled);
    bool IsKindEnabled(int kind) const;
    RWyxEntityContainer* GetTarget() const { return target_; }

    const std::vector<RWyxNode*>& GetNodesSeen() const { return nodes_.seen; }
    const std::vector<RWyxNode*>& GetNodesClashing() const { return nodes_.clashing; }
    const std::vector<RWyxMaterial*>& GetMaterialsSeen() const { return materials_.seen; }
    const std::vector<RWyxMaterial*>& GetMaterialsClashing() const { return materials_.clashing; }
    const std::vector<RWyxTexture*>& GetTexturesSeen() const { return textures_.seen; }
    const std::vector<RWyxTexture*>& GetTexturesClashing() const { return textures_.clashing; }
    const std::vector<RWyxGobo*>& GetGobosSeen() const { return gobos_.seen; }
    const std::vector<RWyxGobo*>& GetGobosClashing() const { return gobos_.clashing; }

    // The materials, then the textures, of the node's geometry layers in layer order (elements
    // mapped by control point left out, none entries skipped), and the gobo of its light.
    static void GatherObjects(const RWyxNode& node, NodeObjects& objects);
    static const RString& NameOf(const RWyxGobo* gobo);

private:
    // Distinct objects by name, to answer "another object of this name" in constant time.
    class NameIndex {
    public:
        void Add(const RString& name, const void* object);
        bool HoldsOther(const RString& name, const void* object) const;
        void Clear() { entries_.clear(); }

    private:
        struct Entry {
            const void* first;
            int count;
        };
        std::unordered_map<std::string, Entry> entries_;
    };

    template <typename T>
    struct KindLists {
        std::vector<T*> seen;
        std::vector<T*> clashing;
        std::unordered_set<const T*> distinct;
        NameIndex seenNames;
        NameIndex targetNames;

        void Clear();
        // Appends to seen; `onlyOnce` skips an object seen before.
        void Record(T* object, const RString& name, bool onlyOnce);
    };

    static const RString& NameOf(const RWyxNode* node);
    static const RString& NameOf(const RWyxMaterial* material);
    static const RString& NameOf(const RWyxTexture* texture);

    // Files the names of the target's root descendants and of its materials, textures and
    // gobos (once per walk; the attribute kinds' part is defined with them).
    void IndexTarget();
    void IndexTargetObjects();
    bool CheckNode(RWyxNode* node);
    template <typename T>
    bool CheckObjects(KindLists<T>& lists, const std::vector<T*>& objects, bool enabled);

    bool enabled_[kKindCount] = {true, false, false, true};
    KindLists<RWyxNode> nodes_;
    KindLists<RWyxMaterial> materials_;
    KindLists<RWyxTexture> textures_;
    KindLists<RWyxGobo> gobos_;
    RWyxEntityContainer* target_;
    bool targetIndexed_ = false;
};

#endif
