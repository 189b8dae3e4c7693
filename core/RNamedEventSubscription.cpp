#include "core/RNamedEventSubscription.h"

#include "core/ROwnedPointerArray.h"
#include "core/RStringMap.h"

#include <memory>

namespace {

constexpr int kNameBlockSize = 16;

REventHandlerList* ListOf(std::intptr_t value) {
    return reinterpret_cast<REventHandlerList*>(value);
}

// The name map owns its lists.
struct NamedLists {
    RStringMap lists{kNameBlockSize};

    ~NamedLists() {
        for (int i = 0; i < lists.GetCount(); ++i) {
            std::unique_ptr<REventHandlerList> doomed(ListOf(lists.ValueAt(i)));
        }
    }

    REventHandlerList* Find(const char* name) const { return ListOf(lists.Lookup(name)); }

    // The list of the name, created when missing; null when memory cannot be had.
    REventHandlerList* FindOrCreate(const char* name) {
        if (REventHandlerList* list = Find(name)) {
            return list;
        }
        std::unique_ptr<REventHandlerList> list = MakeOwned<REventHandlerList>();
        if (!list || lists.Add(name, reinterpret_cast<std::intptr_t>(list.get())) < 0) {
            return nullptr;
        }
        return list.release();
    }

    void Destroy(const char* name) {
        std::unique_ptr<REventHandlerList> doomed(Find(name));
        lists.Remove(name);
    }
};

NamedLists& Lists() {
    static NamedLists lists;
    return lists;
}

}  // namespace

REventHandlerList* FindNamedHandlerList(const char* name) {
    return Lists().Find(name);
}

RNamedEventSubscription::RNamedEventSubscription(const char* name, void* object, REventMethod method,
                                                 void* userData)
    : name_(name), object_(object), method_(method) {
    if (name == nullptr || method == nullptr) {
        return;
    }
    REventHandlerList* list = Lists().FindOrCreate(name);
    if (list == nullptr) {
        return;
    }
    registered_ = list->Add(object, method, userData) == 0;
    if (!registered_ && list->GetCount() == 0) {
        Lists().Destroy(name);
    }
}

RNamedEventSubscription::~RNamedEventSubscription() {
    if (!registered_) {
        return;
    }
    NamedLists& lists = Lists();
    REventHandlerList* list = lists.Find(name_.Buffer());
    if (list != nullptr && list->Remove(object_, method_) == 0 && list->GetCount() == 0) {
        lists.Destroy(name_.Buffer());
    }
}
