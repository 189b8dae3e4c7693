#ifndef WYX_CORE_ROBJECTLIST_H
#define WYX_CORE_ROBJECTLIST_H

// An object list whose access and edit operations are virtual, so that subclasses can
// refine them. By default each behaves as the generic list's operation of the same name.

#include "core/RGenericObjectList.h"

class RObjectList : public RGenericObjectList {
    WYX_DECLARE_CLASS(RObjectList)

public:
    RObjectList() = default;

    virtual RPlugRef GetAt(int index) const;
    virtual int Add(const RPlugRef& entry);
    virtual int AddAll(const RGenericObjectList& list);
    virtual int InsertAt(int index, const RPlugRef& entry);
    virtual int SetAt(int index, const RPlugRef& entry);
    virtual bool Remove(const RPlugRef& entry);
    virtual bool RemoveAt(int index);

protected:
    ~RObjectList() override = default;
};

#endif
