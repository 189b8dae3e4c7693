#include "core/RTempFileRegistry.h"

#include "core/FilePaths.h"
#include "core/RDirectoryIterator.h"
#include "core/REventHub.h"

#include <algorithm>
#include <memory>

namespace {

constexpr int kEntryBlockSize = 16;

// Owns the process-wide registry until the program ends.
struct InstanceHolder {
    std::unique_ptr<RTempFileRegistry> registry{MakeOwned<RTempFileRegistry>()};
};

}  // namespace

RTempFileRegistry::RTempFileRegistry() : entries_(kEntryBlockSize) {
    AddEventListener(this, &RTempFileRegistry::OnHubEvent);
}

RTempFileRegistry::~RTempFileRegistry() {
    RemoveEventListener(this, &RTempFileRegistry::OnHubEvent);
    Clear();
}

RTempFileRegistry* RTempFileRegistry::Instance() {
    static InstanceHolder holder;
    return holder.registry.get();
}

bool RTempFileRegistry::Add(const char* path, bool deleteFile) {
    if (path == nullptr) {
        return false;
    }
    for (int i = 0; i < GetCount(); ++i) {
        if (entries_.At(i)->path == path) {
            return true;
        }
    }
    auto entry = MakeOwned<Entry>();
    if (entry == nullptr) {
        return false;
    }
    entry->path = path;
    entry->deleteFile = deleteFile;
    return entries_.Append(std::move(entry)) >= 0;
}

void RTempFileRegistry::Clear() {
    for (int i = 0; i < GetCount(); ++i) {
        Entry* entry = entries_.At(i);
        if (keepFiles_) {
            entry->deleteFile = false;
        }
        Dispose(*entry);
    }
    entries_.Clear();
}

const char* RTempFileRegistry::GetPath(int index) const {
    const Entry* entry = entries_.At(index);
    return entry != nullptr ? entry->path.Buffer() : nullptr;
}

bool RTempFileRegistry::IsMarkedForDeletion(int index) const {
    const Entry* entry = entries_.At(index);
    return entry != nullptr && entry->deleteFile;
}

void* RTempFileRegistry::QueryInterface(int interfaceId) { return interfaceId == kInterfaceId ? this : nullptr; }

void RTempFileRegistry::OnHubEvent(void* object, int eventType, REventRecord& record, void*) {
    if (eventType != kHubEventId || record.eventId != kHubEventId) {
        return;
    }
    if (static_cast<RHubEventRecord&>(record).code == kHubCodeClearTempFiles) {
        static_cast<RTempFileRegistry*>(object)->Clear();
    }
}

void RTempFileRegistry::Dispose(const Entry& entry) {
    if (!entry.deleteFile) {
        return;
    }
    RemoveFile(entry.path.Buffer());
    const int separator = std::max(entry.path.FindLastChar('/'), entry.path.FindLastChar('\\'));
    if (separator <= 0) {
        return;  // no folder of its own to tidy
    }
    const RString folder = entry.path.Substring(0, separator);
    if (RDirectoryIterator::IsDirectoryEmpty(folder.Buffer())) {
        RDirectoryIterator::DeleteDirectory(folder.Buffer());
    }
}
