#ifndef WYX_CORE_REVENTHUB_H
#define WYX_CORE_REVENTHUB_H

// The process-wide event hub: carries one kind of event, with the id kHubEventId, from the
// code that emits it to the listeners registered for it.
//
// The hub is made on first use, once per process: after it has been released (at the
// latest when the program ends) GetEventHub answers null and emitting does nothing. Used
// from one thread.

#include "core/REventHandlerList.h"
#include "core/RString.h"

class REventHub;

// The one event kind of the hub.
inline constexpr int kHubEventId = 0x34538402;

// Codes emitted in this system: 15 asks the temporary-file registry to clear itself; the
// WYX reader emits 16 when extracting an embedded file fails.
inline constexpr int kHubCodeClearTempFiles = 15;
inline constexpr int kHubCodeExtractionFailed = 16;

class REventSource;

// What the hub's listeners receive (eventId is kHubEventId).
struct RHubEventRecord : REventRecord {
    int code = 0;
    void* argument = nullptr;          // the emitter's object
    REventSource* sender = nullptr;    // the hub's event source
    RString name;                      // empty
};

// The hub's second interface: the list of its listeners.
class REventSource {
public:
    static constexpr int kInterfaceId = 3;

    REventSource(const REventSource&) = delete;
    REventSource& operator=(const REventSource&) = delete;

    // The interfaces of the hub (see REventHub::QueryInterface).
    void* QueryInterface(int interfaceId);

    // Registers a handler for eventId. Only kHubEventId is carried: any other id is refused
    // with 1 and nothing is registered. 0 on success, -1 when memory cannot be had. The
    // priority is accepted and has no effect: handlers run in the order they were added.
    int AddHandler(int eventId, int priority, void* object, REventMethod method, void* userData);
    // Removes the handler; 1 for another id or when it is not registered.
    int RemoveHandler(int eventId, void* object, REventMethod method);
    // Hands the record to every handler (event type kHubEventId).
    int Dispatch(REventRecord& record);

    int GetHandlerCount() const { return handlers_.GetCount(); }

private:
    friend class REventHub;
    explicit REventSource(REventHub& hub) : hub_(hub) {}

    REventHub& hub_;
    REventHandlerList handlers_;
};

class REventHub {
public:
    static constexpr int kInterfaceObject = 0;
    static constexpr int kInterfaceId = 2;

    // Ids 0 and 2 give the hub, 3 its REventSource; anything else null.
    void* QueryInterface(int interfaceId);
    // Destroys the hub; it is not made again.
    void Release();

    REventSource& GetEventSource() { return source_; }

private:
    friend REventHub* GetEventHub();
    REventHub() : source_(*this) {}
    ~REventHub();
    REventHub(const REventHub&) = delete;
    REventHub& operator=(const REventHub&) = delete;

    REventSource source_;
};

// The hub, made on the first call; null once it has been released.
REventHub* GetEventHub();

// Registers handler for the hub's event (priority 0x7fffffff); the source's answer, or -1
// when there is no hub.
int AddEventListener(void* object, REventMethod handler);
// Removes it again; the source's answer, or -1 when there is no hub.
int RemoveEventListener(void* object, REventMethod handler);

// When the hub exists, hands every listener a record with this code and argument.
void EmitEvent(void* argument, int code);

#endif
