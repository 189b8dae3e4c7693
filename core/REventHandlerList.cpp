#include "core/REventHandlerList.h"

namespace {

constexpr int kRecordBlockSize = 16;

}  // namespace

REventHandlerList::REventHandlerList() : records_(kRecordBlockSize, static_cast<int>(sizeof(HandlerRecord))) {}

REventHandlerList::~REventHandlerList() {
    Clear();
    AdjustCursors([](DispatchCursor& cursor) { cursor.list = nullptr; });
}

template <typename Adjust>
void REventHandlerList::AdjustCursors(Adjust adjust) {
    for (DispatchCursor* cursor = cursors_; cursor != nullptr; cursor = cursor->previous) {
        adjust(*cursor);
    }
}

int REventHandlerList::Add(void* object, REventMethod method, void* userData) {
    const HandlerRecord record{object, method, 0, userData};
    if (method == nullptr || records_.InsertAt(0, &record) < 0) {
        return -1;
    }
    AdjustCursors([](DispatchCursor& cursor) {
        ++cursor.index;
        ++cursor.lowerBound;
    });
    return 0;
}

int REventHandlerList::Remove(void* object, REventMethod method) {
    for (int i = 0; i < records_.GetCount(); ++i) {
        const HandlerRecord& record = records_.At<HandlerRecord>(i);
        if (record.object == object && record.method == method) {
            records_.RemoveAt(i);
            AdjustCursors([i](DispatchCursor& cursor) {
                if (cursor.index > i) {
                    --cursor.index;
                }
                if (cursor.lowerBound > i) {
                    --cursor.lowerBound;
                }
            });
            return 0;
        }
    }
    return 1;
}

void REventHandlerList::Clear() {
    records_.Clear();
    AdjustCursors([](DispatchCursor& cursor) {
        cursor.index = -1;
        cursor.lowerBound = 0;
    });
}

// The cursor lives on this frame and is unchained before it returns (or the list died and
// forgot it); GCC cannot see that through the handler calls.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdangling-pointer"
#endif
int REventHandlerList::Dispatch(int eventType, REventRecord& record) {
    DispatchCursor cursor{cursors_, this, records_.GetCount() - 1, 0};
    cursors_ = &cursor;
    while (cursor.list != nullptr && cursor.index >= cursor.lowerBound && cursor.index < records_.GetCount()) {
        // A copy: the handler may add or remove records and so move the storage.
        const HandlerRecord handler = records_.At<HandlerRecord>(cursor.index);
        handler.method(handler.object, eventType, record, handler.userData);
        if (cursor.list == nullptr || record.handled) {
            break;
        }
        --cursor.index;
    }
    if (cursor.list != nullptr) {
        cursors_ = cursor.previous;
    }
    return 0;
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
