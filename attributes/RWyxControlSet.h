#ifndef WYX_ATTRIBUTES_RWYXCONTROLSET_H
#define WYX_ATTRIBUTES_RWYXCONTROLSET_H

// The control set of a character: the rig that animators pull. It has a model link per
// character link id (the node playing that slot in the rig, with a name), the 44 effectors of
// RWyxCharacterTables with their flags, and auxiliary effectors (several per effector, by
// sub-index), besides its type and lock switches.
//
// The control set belongs to its character and lives as long as it. Its nodes are held in the
// character's node slots (RWyxCharacter::SetNodeSlot: the control set's model slots, the
// effector slots and the auxiliary effector slots), so a node that is destroyed empties its
// slot, and the character takes the links off the nodes when it goes.
//
// Indices are checked: a setter answers false and changes nothing outside the tables, a
// getter answers false or null.

#include "core/RString.h"

#include <map>
#include <utility>
#include <vector>

class RWyxCharacter;
class RWyxNode;

// The switches of one effector.
struct RWyxControlSetEffector {
    bool show = true;
    bool translationActive = false;
    bool rotationActive = false;
    bool candidateTranslationActive = false;
    bool candidateRotationActive = false;
};

class RWyxControlSet {
public:
    // Sub-indices of auxiliary effectors lie below this.
    static constexpr int kMaxAuxiliaryEffectors = 16;

    explicit RWyxControlSet(RWyxCharacter& character);
    RWyxControlSet(const RWyxControlSet&) = delete;
    RWyxControlSet& operator=(const RWyxControlSet&) = delete;

    int GetType() const { return type_; }
    void SetType(int type) { type_ = type; }
    bool GetLockTransform() const { return lockTransform_; }
    void SetLockTransform(bool lock) { lockTransform_ = lock; }
    bool GetLockPick() const { return lockPick_; }
    void SetLockPick(bool lock) { lockPick_ = lock; }

    // ---- model links, by character link id ----------------------------------------------------
    bool SetModelLink(int id, RWyxNode* node, const char* name);
    // False when the link was never set (or cleared); node may be null after its node went.
    bool GetModelLink(int id, RWyxNode*& node, RString& name) const;
    bool ClearModelLink(int id);

    // ---- effectors -------------------------------------------------------------------------------
    bool SetEffector(int index, RWyxNode* node, const RWyxControlSetEffector& flags);
    // Null outside the table.
    const RWyxControlSetEffector* GetEffectorFlags(int index) const;
    // The node connected to the effector; null when none.
    RWyxNode* GetEffectorNode(int index) const;

    // ---- auxiliary effectors ----------------------------------------------------------------------
    bool SetAuxiliaryEffector(int index, int subIndex, RWyxNode* node, const char* name);
    // False when that auxiliary effector was never set.
    bool GetAuxiliaryEffector(int index, int subIndex, RWyxNode*& node, RString& name) const;
    // One more than the highest sub-index set for the effector; 0 for none.
    int GetAuxiliaryEffectorCount(int index) const;

private:
    static bool IsLinkId(int id);
    static bool IsEffector(int index);

    RWyxCharacter& character_;
    int type_ = 0;
    bool lockTransform_ = false;
    bool lockPick_ = false;
    // Names of the model links that are set, by id.
    std::map<int, RString> modelLinks_;
    std::vector<RWyxControlSetEffector> effectors_;
    std::map<std::pair<int, int>, RString> auxiliaryEffectors_;
};

#endif
