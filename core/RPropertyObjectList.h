#ifndef WYX_CORE_RPROPERTYOBJECTLIST_H
#define WYX_CORE_RPROPERTYOBJECTLIST_H

// A property (type code 9) whose value is a list of objects: its connections.
//
// Bit 0 of the plug state chooses the side: set, the list is the property's sources;
// clear, its destinations. Editing the list connects and disconnects through the
// connection engine, so an object publishes the objects connected to it through this
// property and the list stays current as connections come and go. A change counter grows
// with every edit and every connection added to or removed from the list's side.

#include "core/RObject.h"
#include "core/RProperty.h"

class RPropertyBlock;

class RPropertyObjectList : public RProperty {
    WYX_DECLARE_CLASS(RPropertyObjectList)

public:
    RPropertyObjectList();
    // A built-in list of a class, described by the row of its table (type code 9 with the
    // list flags).
    explicit RPropertyObjectList(const RPropertyInfo& description);

    // A new object-list property declared on the owner and added to its properties: state
    // word `state`, list flags, the class id and second id word stored, the class id's
    // filter with the registered flag, the low three plug-state bits replaced by
    // `sideBits`, type code 9, owned by the object. Null without an owner.
    static RPropertyObjectList* CreateObjectListProperty(RObject* owner, const char* name, bool registeredFlag,
                                                         int classId, int argument, std::uint32_t sideBits,
                                                         std::uint32_t state);
    // The same for a built-in list whose description (name, type code 9, the list flags and
    // kOwnedName | kOwnedByObject) is a row of its class's table, shared; made in the block
    // when one is given and has room.
    static RPropertyObjectList* CreateObjectListProperty(RObject* owner, const RPropertyInfo& description,
                                                         bool registeredFlag, int classId, int argument,
                                                         std::uint32_t sideBits, std::uint32_t state,
                                                         RPropertyBlock* block = nullptr);

    // True when the list is the property's sources (plug-state bit 0).
    bool ListsSources() const { return HasState(kTakesSources); }

    int GetCount() const;
    // The entry's object; none when it is gone, not an object, or out of range.
    RObject* GetObject(int index) const;
    // The first index of the object on the list's side; -1 when absent.
    int IndexOf(const RObject* object) const;

    // Connect or disconnect on the list's side; each counts as a change first.
    bool Add(RObject* object);
    bool InsertAt(int index, RObject* object);
    bool ReplaceAt(int index, RObject* object);
    bool RemoveAt(int index);
    bool Remove(RObject* object);
    void Clear();

    // Stores the class id and second word, and takes the class id's filter (keeping the
    // registered flag).
    void SetClass(int classId, int second);
    void GetClass(int& classId, int& second) const;

    int GetChangeCount() const { return changeCount_; }

    // Additions and removals on the list's side, sent by the property itself, count as
    // changes before the event climbs on.
    bool SendEvent(const RPlugEventPath* path, const RPlugEvent& event) override;

protected:
    ~RPropertyObjectList() override = default;

    // Called before every change of the list.
    virtual void OnChange() { ++changeCount_; }

private:
    // What both ways of making a list do once the property exists.
    void Place(bool registeredFlag, int classId, int argument, std::uint32_t sideBits);

    int classId_ = kNoClassId;
    int second_ = -1;
    int changeCount_ = 0;
};

#endif
