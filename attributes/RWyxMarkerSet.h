#ifndef WYX_ATTRIBUTES_RWYXMARKERSET_H
#define WYX_ATTRIBUTES_RWYXMARKERSET_H

// A marker set of the scene ("MarkerSet::" names): the markers an actor is fitted to, each
// entry naming a scene node with its index in the actor, whether it is oriented, its default
// position and its translation and rotation offsets.
//
// An entry refers to its node weakly (through the node's properties object), so a node that
// is destroyed leaves its entry without a node and a marker set that is destroyed leaves
// nothing behind on the node; neither order needs the other's help.
//
// Made and destroyed by the scene (RWyxScene::CreateMarkerSet).

#include "core/RPlugRef.h"
#include "core/RString.h"
#include "core/RVector4.h"
#include "core/RWyxSceneObject.h"

#include <vector>

class RWyxNode;
class RWyxObjectFactory;

// The values of one marker of a set.
struct RWyxMarkerSetEntry {
    RString name;
    int nodeIndex = 0;
    bool oriented = false;
    RVector4 defaultPosition;
    RVector4 translationOffset;
    RVector4 rotationOffset;
};

class RWyxMarkerSet : public RWyxSceneObject {
public:
    // `name` is the full name.
    RWyxMarkerSet(RWyxObjectFactory* factory, const RString& name) : RWyxSceneObject(factory, name) {}

    int GetTypeId() const override { return 7; }
    RString GetTypeDescription() const override { return RString("MarkerSet"); }

    // Appends an entry for the node (null: none); answers its index.
    int AddMarker(const RWyxMarkerSetEntry& entry, RWyxNode* node);
    int GetMarkerCount() const { return static_cast<int>(entries_.size()); }
    // Null out of range.
    const RWyxMarkerSetEntry* GetMarker(int index) const;
    // The entry's node while it lives; null out of range, for none or once it is gone.
    RWyxNode* GetMarkerNode(int index) const;
    // False out of range.
    bool SetMarker(int index, const RWyxMarkerSetEntry& entry, RWyxNode* node);
    bool RemoveMarker(int index);

private:
    struct Entry {
        RWyxMarkerSetEntry values;
        RPlugRef node;
    };

    bool IsMarkerIndex(int index) const { return index >= 0 && index < GetMarkerCount(); }
    static RPlugRef ReferTo(const RWyxNode* node);

    std::vector<Entry> entries_;
};

#endif
