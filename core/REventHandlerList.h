#ifndef WYX_CORE_REVENTHANDLERLIST_H
#define WYX_CORE_REVENTHANDLERLIST_H

// A list of event handlers {object, method, user data} that dispatches an event to each,
// from the oldest to the newest.
//
// Handlers may add and remove handlers, and even destroy the list, while a dispatch runs:
// each running dispatch keeps a cursor on its own stack, chained to the list, which the
// list moves as records come and go and detaches when it dies.

#include "core/RDynamicArray.h"

#include <cstdint>

// The start of every event record; the kinds of event extend it. A handler that sets
// `handled` stops the dispatch after it.
struct REventRecord {
    int eventId = 0;
    bool handled = false;
};

using REventMethod = void (*)(void* object, int eventType, REventRecord& record, void* userData);

class REventHandlerList {
public:
    REventHandlerList();
    // Any dispatch still running on this list stops after the current handler returns.
    ~REventHandlerList();
    REventHandlerList(const REventHandlerList&) = delete;
    REventHandlerList& operator=(const REventHandlerList&) = delete;

    // Adds a handler as the newest; a dispatch already running does not call it.
    // Answers 0, or -1 (list unchanged) for a null method or when memory cannot be had.
    int Add(void* object, REventMethod method, void* userData);
    // Removes the newest handler with that object and method; a running dispatch that has
    // not reached it no longer calls it. Answers 0, or 1 when there is no such handler.
    int Remove(void* object, REventMethod method);
    // Removes every handler; running dispatches call no further handler.
    void Clear();
    // Calls the handlers from the oldest to the newest with (eventType, record) until one
    // marks the record handled. Answers 0.
    int Dispatch(int eventType, REventRecord& record);

    int GetCount() const { return records_.GetCount(); }

private:
    struct HandlerRecord {
        void* object;
        REventMethod method;
        std::intptr_t reserved;  // always 0
        void* userData;
    };

    // A running dispatch: it calls the records from index down to lowerBound.
    struct DispatchCursor {
        DispatchCursor* previous;
        REventHandlerList* list;  // null once the list has died
        int index;
        int lowerBound;
    };

    template <typename Adjust>
    void AdjustCursors(Adjust adjust);

    RDynamicArray records_;  // newest first
    DispatchCursor* cursors_ = nullptr;
};

#endif
