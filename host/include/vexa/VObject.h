#ifndef VEXA_VOBJECT_H
#define VEXA_VOBJECT_H

// A handle to anything the host holds: a node, an attribute, a plug-in, a component. Copies
// share the object. The null object stands for "nothing" and, as a parent, for the world.
// A handle to a node that was deleted stays non-null, but function sets refuse it.

#include <vexa/VFn.h>
#include <vexa/VexaExport.h>

#include <memory>

namespace vexa_host {
class ObjectRecord;
}

class VEXA_API VObject {
public:
    VObject() = default;
    explicit VObject(std::shared_ptr<vexa_host::ObjectRecord> record) : record_(std::move(record)) {}
    static const VObject kNullObj;

    bool isNull() const { return record_ == nullptr; }
    VFn::Type apiType() const;
    const char* apiTypeStr() const;
    bool hasFn(VFn::Type type) const;
    bool operator==(const VObject& other) const { return record_ == other.record_; }
    bool operator!=(const VObject& other) const { return record_ != other.record_; }

    // Host side only: the object behind the handle.
    const std::shared_ptr<vexa_host::ObjectRecord>& record() const { return record_; }

private:
    std::shared_ptr<vexa_host::ObjectRecord> record_;
};

#endif
