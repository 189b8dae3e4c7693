#ifndef WYX_ATTRIBUTES_RWYXCHARACTER_H
#define WYX_ATTRIBUTES_RWYXCHARACTER_H

// A character of the scene: the nodes that play its parts, held in slots (its model slots,
// the control set's model slots, the effector slots and the auxiliary effector slots). A node
// in a slot carries a character link naming it, so that the slot is cleared when the node is
// destroyed; a character destroyed first takes its links off the nodes. Made by the scene
// ("Constraint::" names). Completed by the character work: for now it holds its node slots.

#include "core/RWyxSceneObject.h"

#include <map>
#include <tuple>

class RWyxNode;
class RWyxObjectFactory;

class RWyxCharacter : public RWyxSceneObject {
public:
    // `name` is the full name.
    RWyxCharacter(RWyxObjectFactory* factory, const RString& name) : RWyxSceneObject(factory, name) {}
    // Takes the links to this character off the nodes of its slots.
    ~RWyxCharacter() override;

    int GetTypeId() const override { return 8; }

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
    std::map<Slot, RWyxNode*> slots_;
};

#endif
