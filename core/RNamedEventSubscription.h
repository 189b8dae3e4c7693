#ifndef WYX_CORE_RNAMEDEVENTSUBSCRIPTION_H
#define WYX_CORE_RNAMEDEVENTSUBSCRIPTION_H

// Handler lists reached by name, and the subscriptions that keep them.
//
// A process-wide map from a name (compared without regard to ASCII letter case) to a
// handler list. A subscription adds its handler to the list of its name, creating the
// list, and removes it again when destroyed; a list left empty is destroyed and its name
// forgotten.

#include "core/REventHandlerList.h"
#include "core/RString.h"

// The handler list of a name; null when no subscription holds one.
REventHandlerList* FindNamedHandlerList(const char* name);

class RNamedEventSubscription {
public:
    RNamedEventSubscription(const char* name, void* object, REventMethod method, void* userData = nullptr);
    ~RNamedEventSubscription();
    RNamedEventSubscription(const RNamedEventSubscription&) = delete;
    RNamedEventSubscription& operator=(const RNamedEventSubscription&) = delete;

    // False when the handler could not be registered (null name or method, no memory).
    bool IsRegistered() const { return registered_; }
    const RString& GetName() const { return name_; }

private:
    RString name_;
    void* object_;
    REventMethod method_;
    bool registered_ = false;
};

#endif
