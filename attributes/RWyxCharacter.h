#ifndef WYX_ATTRIBUTES_RWYXCHARACTER_H
#define WYX_ATTRIBUTES_RWYXCHARACTER_H

// A character of the scene ("Constraint::" names, type "Character"): the nodes that play its
// parts. It has one link per slot id of RWyxCharacterTables (0 to 190: the node, a name and
// offsets), the parameter table (a mode, a range and a value per parameter), its input (an
// actor or another character that drives it) and its control set.
//
// Node slots: every node the character or its control set holds sits in a slot named by
// {kind, index, sub-index} (RWyxNode's character-link kinds: the character's model slot, the
// control set's model slot, the effector slot, the auxiliary effector slot), and the node
// carries a character link naming it. A node that is destroyed empties its slot (the link
// record stays, without its node); a character that is destroyed first takes its links off
// the nodes. Either order leaves no pointer to what is gone.
//
// Made by the scene (RWyxScene::CreateCharacter) with its take "Default"; the scene destroys
// it (PrepareDestroy, then deletion). Indices are checked: setters answer false and change
// nothing outside the tables, getters answer false or null.

#include "attributes/RWyxCharacterLink.h"
#include "attributes/RWyxControlSet.h"
#include "attributes/RWyxPropertyOwner.h"

#include <map>
#include <tuple>
#include <vector>

class RWyxCharacterProperties;
class RWyxNode;
class RWyxObjectFactory;
class RWyxSceneObject;

// A character's setting of one parameter of the table.
struct RWyxCharacterParameter {
    int mode = 0;
    double minimum = 0.0;
    double maximum = 0.0;
    double value = 0.0;
};

class RWyxCharacter : public RWyxPropertyOwner {
public:
    // Input types: what drives the character.
    static constexpr int kInputActor = 0;
    static constexpr int kInputCharacter = 1;

    // `name` is the full name.
    RWyxCharacter(RWyxObjectFactory* factory, const RString& name);
    // Takes the links to this character off the nodes of its slots.
    ~RWyxCharacter() override;

    int GetTypeId() const override { return 8; }
    RString GetTypeDescription() const override { return RString("Character"); }
    RWyxCharacterProperties* GetProperties() const;

    // ---- links by slot id ----------------------------------------------------------------------
    // False outside the table or when the link was never set (or was cleared).
    bool GetCharacterLink(int id, RWyxCharacterLink& out) const;
    // Stores the record and puts its node in the slot (replacing the slot's node).
    bool SetCharacterLink(int id, const RWyxCharacterLink& link);
    bool ClearCharacterLink(int id);
    bool HasCharacterLink(int id) const { return links_.count(id) != 0; }

    // ---- input ------------------------------------------------------------------------------------
    // kInputActor with no input object until set. The object is not owned.
    int GetInputType() const { return inputType_; }
    RWyxSceneObject* GetInputObject() const { return inputObject_; }
    void SetInput(int type, RWyxSceneObject* object) {
        inputType_ = type;
        inputObject_ = object;
    }

    // ---- parameters -------------------------------------------------------------------------------
    // Null outside the table.
    const RWyxCharacterParameter* GetParameter(int index) const;
    bool SetParameter(int index, const RWyxCharacterParameter& parameter);

    RWyxControlSet& GetControlSet() { return controlSet_; }
    const RWyxControlSet& GetControlSet() const { return controlSet_; }

    // ---- node slots ---------------------------------------------------------------------------------
    // Puts the node in the slot (kind as RWyxNode's character-link kinds), replacing the
    // node there; the node gets the link. A null node empties the slot.
    void SetNodeSlot(int kind, int index, int subIndex, RWyxNode* node);
    // The node in the slot; null when empty.
    RWyxNode* GetNodeSlot(int kind, int index, int subIndex) const;
    // Empties the slot when it holds that node; called by a node being destroyed, which drops
    // its links itself.
    void ReleaseNodeSlot(int kind, int index, int subIndex, const RWyxNode* node);

private:
    using Slot = std::tuple<int, int, int>;

    // The link records without their nodes (the nodes live in the slots).
    std::map<int, RWyxCharacterLink> links_;
    std::map<Slot, RWyxNode*> slots_;
    int inputType_ = kInputActor;
    RWyxSceneObject* inputObject_ = nullptr;
    std::vector<RWyxCharacterParameter> parameters_;
    RWyxControlSet controlSet_;
};

#endif
