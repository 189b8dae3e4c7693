#ifndef WYX_CORE_RENTITYLIST_H
#define WYX_CORE_RENTITYLIST_H

// An object list that gives the objects it holds, and their indexed properties
// (RProperty::kIndexed), small integer indexes.
//
// Indexes are handed out from sets of used indexes: the first free index, else one past the
// highest used. An object stores the list and its index (RObject::SetEntityMembership), a
// property its index (RProperty::SetIndex); both go back to -1 when they leave. The tables
// hold weak references, so an object or property destroyed meanwhile leaves no dangling
// pointer; when the list ends, the objects still in it are let go.

#include "core/RGenericObjectList.h"
#include "core/RSparseArray.h"

#include <vector>

class REntityList : public RGenericObjectList {
    WYX_DECLARE_CLASS(REntityList)

public:
    REntityList() = default;

    // Gives the object an index and its indexed properties indexes of their own. An object
    // already in this list keeps its index; one in another list leaves that first. Answers
    // the object's index, -1 for no object or when no index can be had.
    int Add(RObject* object);
    // Takes the object and its properties' indexes back; false when it is not in this list.
    bool Remove(RObject* object);

    // The object or property holding an index; none when the index is free or its holder
    // is gone.
    RObject* GetObjectAt(int index) const;
    RProperty* GetPropertyAt(int index) const;

protected:
    ~REntityList() override;

private:
    struct PropertySlot {
        RPlugRef property;
        RPlugRef owner;  // the object the property was indexed with
    };

    // Takes a free index of the set and marks it used; -1 when storage cannot be had.
    static int TakeIndex(RSparseArray& used);
    bool IsMember(const RObject* object) const;
    void IndexProperties(RObject* object);
    // Releases every property index given with the object, also of properties gone since.
    void ReleaseProperties(const RObject* object);

    RSparseArray usedObjects_;
    std::vector<RPlugRef> objects_;
    RSparseArray usedProperties_;
    std::vector<PropertySlot> properties_;
};

#endif
