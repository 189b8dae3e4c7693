#include "core/REventHub.h"

#include <new>

namespace {

constexpr int kListenerPriority = 0x7fffffff;

// Constant-initialised, so they hold before any other code runs: the hub, and the gate
// that lets it be made only once.
REventHub* gHub = nullptr;
bool gHubGate = true;

// Releases the hub when the program ends.
struct HubReaper {
    ~HubReaper() {
        if (gHub != nullptr) {
            gHub->Release();
        }
    }
};

}  // namespace

void* REventSource::QueryInterface(int interfaceId) { return hub_.QueryInterface(interfaceId); }

int REventSource::AddHandler(int eventId, int /*priority*/, void* object, REventMethod method, void* userData) {
    if (eventId != kHubEventId) {
        return 1;
    }
    return handlers_.Add(object, method, userData);
}

int REventSource::RemoveHandler(int eventId, void* object, REventMethod method) {
    if (eventId != kHubEventId) {
        return 1;
    }
    return handlers_.Remove(object, method);
}

int REventSource::Dispatch(REventRecord& record) { return handlers_.Dispatch(kHubEventId, record); }

REventHub::~REventHub() {
    if (gHub == this) {
        gHub = nullptr;
    }
}

void* REventHub::QueryInterface(int interfaceId) {
    switch (interfaceId) {
    case kInterfaceObject:
    case kInterfaceId:
        return this;
    case REventSource::kInterfaceId:
        return &source_;
    default:
        return nullptr;
    }
}

void REventHub::Release() { delete this; }

REventHub* GetEventHub() {
    if (gHubGate) {
        gHubGate = false;
        gHub = new (std::nothrow) REventHub();
        static HubReaper reaper;
    }
    return gHub;
}

namespace {

// The hub's event source, reached through its interface query; null without a hub.
REventSource* SourceOf(REventHub* hub) {
    return hub != nullptr ? static_cast<REventSource*>(hub->QueryInterface(REventSource::kInterfaceId)) : nullptr;
}

}  // namespace

int AddEventListener(void* object, REventMethod handler) {
    REventSource* source = SourceOf(GetEventHub());
    return source != nullptr ? source->AddHandler(kHubEventId, kListenerPriority, object, handler, nullptr) : -1;
}

int RemoveEventListener(void* object, REventMethod handler) {
    // Removing never makes the hub: a listener can only be registered with one that exists.
    REventSource* source = SourceOf(gHub);
    return source != nullptr ? source->RemoveHandler(kHubEventId, object, handler) : -1;
}

void EmitEvent(void* argument, int code) {
    if (gHub == nullptr) {
        return;
    }
    RHubEventRecord record;
    record.eventId = kHubEventId;
    record.code = code;
    record.argument = argument;
    record.sender = &gHub->GetEventSource();
    record.sender->Dispatch(record);
}
