#include "core/RClassRegistry.h"

#include "core/RClassIdFilter.h"
#include "core/RNoDestructor.h"
#include "core/RPlugHandleTable.h"
#include "core/RPoolAllocator.h"
#include "core/RStringMap.h"

#include <array>
#include <atomic>
#include <memory>
#include <new>
#include <vector>

namespace {

using Index = RClassTableIndex;
constexpr int kClassCount = static_cast<int>(Index::Count);
constexpr int kNoParent = -1;

struct ClassTableEntry {
    const char* name;
    int parent;  // table index, or kNoParent
    int fixedId;
};

constexpr int I(Index index) { return static_cast<int>(index); }

// Registration order; the ids from 3 follow it.
constexpr ClassTableEntry kClassTable[kClassCount] = {
    {"RWyxNodeProperties", I(Index::RWyxPropertyHandler), kNoClassId},
    {"RWyxLightProperties", I(Index::RObject), kNoClassId},
    {"RWyxCameraProperties", I(Index::RObject), kNoClassId},
    {"RWyxSkeletonProperties", I(Index::RObject), kNoClassId},
    {"RWyxMaterialProperties", I(Index::RWyxPropertyHandler), kNoClassId},
    {"RWyxTextureProperties", I(Index::RWyxPropertyHandler), kNoClassId},
    {"RWyxPoseProperties", I(Index::RWyxPropertyHandler), kNoClassId},
    {"RWyxCharacterProperties", I(Index::RWyxPropertyHandler), kNoClassId},
    {"RStreamOptionsWyx", I(Index::RStreamOptions), kNoClassId},
    {"RWyxGenericNodeProperties", I(Index::RWyxPropertyHandler), kNoClassId},
    {"RWyxControlSetPlugProperties", I(Index::RWyxPropertyHandler), kNoClassId},
    {"RPlug", kNoParent, kPlugClassId},
    {"RPlugList", I(Index::RPlug), kNoClassId},
    {"RDataPlug", I(Index::RPlug), kNoClassId},
    {"RObject", I(Index::RPlug), kObjectClassId},
    {"RGenericObjectList", I(Index::RObject), kNoClassId},
    {"RObjectList", I(Index::RGenericObjectList), kNoClassId},
    {"RWyxDeformerProperties", I(Index::RWyxPropertyHandler), kNoClassId},
    {"RWyxPropertyHandler", I(Index::RObject), kNoClassId},
    {"RWyxNullProperties", I(Index::RObject), kNoClassId},
    {"RWyxMarkerProperties", I(Index::RObject), kNoClassId},
    {"RProperty", I(Index::RPlug), kNoClassId},
    {"RPropertyObjectList", I(Index::RProperty), kNoClassId},
    {"RStream", I(Index::RObject), kNoClassId},
    {"RStreamOptions", I(Index::RObject), kNoClassId},
    {"RStreamOptions3ds", I(Index::RStreamOptionsBase), kNoClassId},
    {"RStreamOptionsBase", I(Index::RStreamOptions), kNoClassId},
    {"RStreamOptionsObj", I(Index::RStreamOptionsBase), kNoClassId},
    {"RStreamOptionsDxf", I(Index::RStreamOptionsBase), kNoClassId},
    {"RStreamOptionsMotion", I(Index::RStreamOptions), kNoClassId},
    {"RWyxAsfScene", I(Index::RObject), kNoClassId},
    {"RPlugFilter", I(Index::RPlug), kNoClassId},
    {"RClassIdFilter", I(Index::RPlugFilter), kNoClassId},
    {"REntity", I(Index::RObjectSet), kNoClassId},
    {"REntityList", I(Index::RGenericObjectList), kNoClassId},
    {"RObjectSet", I(Index::RLTObject), kNoClassId},
    {"RLTObject", I(Index::RObject), kNoClassId},
};

// The records, with ids assigned by the registration rule in table order. They live for
// the whole process: objects keep pointing at them whatever the registry does.
struct ClassRecords {
    std::array<RClassInfo, kClassCount> byIndex;
    RClassInfo none{"None", nullptr, kNoClassId, nullptr};

    ClassRecords() {
        int counter = kFirstCountedClassId;
        for (int i = 0; i < kClassCount; ++i) {
            const ClassTableEntry& entry = kClassTable[i];
            const int id = entry.fixedId != kNoClassId ? entry.fixedId : counter++;
            byIndex[i] = RClassInfo{entry.name, entry.parent == kNoParent ? nullptr : &byIndex[entry.parent], id, nullptr};
        }
    }
};

ClassRecords& Records() {
    static ClassRecords records;
    return records;
}

// The class filters are plugs that connection filters and live plugs keep pointing at, so
// they are made once and never destroyed; the registry only hands them out while active.
class FilterStore {
public:
    RClassIdFilter* FilterFor(int classId) {
        const int slot = classId + 1;  // id -1 takes slot 0
        if (slot < 0 || slot >= kSlots) return nullptr;
        if (made_[slot] == nullptr) made_[slot] = new (storage_[slot]) RClassIdFilter(classId);
        return made_[slot];
    }

private:
    static constexpr int kSlots = kClassCount + 2;
    alignas(RClassIdFilter) unsigned char storage_[kSlots][sizeof(RClassIdFilter)];
    RClassIdFilter* made_[kSlots] = {};
};

FilterStore& Filters() {
    static RNoDestructor<FilterStore> filters;
    return filters.Get();
}

struct Registry {
    int users = 0;
    int counter = kFirstCountedClassId;
    std::unique_ptr<RStringMap> names;       // class name -> id, case-insensitive
    std::vector<RClassInfo*> byId;           // index id + 1; entry 0 is "None"
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

void ActivateRegistry() {
    Registry& registry = TheRegistry();
    registry.counter = kFirstCountedClassId;
    for (RClassInfo& info : Records().byIndex) {
        const int fixedId = info.classId <= kPlugClassId ? info.classId : kNoClassId;
        RegisterClassInfo(info, fixedId);
    }
}

void TearDownRegistry() {
    Registry& registry = TheRegistry();
    registry.names.reset();
    for (auto it = registry.byId.rbegin(); it != registry.byId.rend(); ++it) {
        if (*it != nullptr) (*it)->filter = nullptr;
    }
    registry.byId.clear();
}

int gSdkUsers = 0;

}  // namespace

std::atomic<const RClassInfo*> gStartedClassRecords{nullptr};

// The object model's start is taken once for the process and never given back, so once the
// records are published no later query needs to ask for it.
const RClassInfo& ClassInfoAtStart(RClassTableIndex index) {
    EnsureSdkLoaded();
    const RClassInfo* const records = Records().byIndex.data();
    gStartedClassRecords.store(records, std::memory_order_release);
    return records[static_cast<int>(index)];
}

const RClassInfo* FindClassInfo(int classId) {
    EnsureSdkLoaded();
    if (classId == kNoClassId) return &Records().none;
    for (const RClassInfo& info : Records().byIndex) {
        if (info.classId == classId) return &info;
    }
    return nullptr;
}

int FindClassId(const char* name) {
    EnsureSdkLoaded();
    const Registry& registry = TheRegistry();
    if (!registry.names || name == nullptr) return kNoClassId;
    int index = -1;
    const auto id = registry.names->Lookup(name, &index);
    return index < 0 ? kNoClassId : static_cast<int>(id);
}

int RegisterClassInfo(RClassInfo& info, int fixedId) {
    Registry& registry = TheRegistry();
    const int id = fixedId == kNoClassId ? registry.counter++ : fixedId;
    if (!registry.names) registry.names = std::make_unique<RStringMap>(20);
    registry.names->Add(info.name, id);
    if (registry.byId.empty()) {
        RClassInfo& none = Records().none;
        none.filter = Filters().FilterFor(kNoClassId);
        registry.byId.push_back(&none);
    }
    if (static_cast<int>(registry.byId.size()) <= id + 1) registry.byId.resize(static_cast<size_t>(id) + 2, nullptr);
    registry.byId[static_cast<size_t>(id) + 1] = &info;
    info.classId = id;
    info.filter = Filters().FilterFor(id);
    return id;
}

const RClassIdFilter* GetClassIdFilter(int classId) {
    EnsureSdkLoaded();
    const Registry& registry = TheRegistry();
    const long long slot = static_cast<long long>(classId) + 1;
    if (slot < 0 || slot >= static_cast<long long>(registry.byId.size())) return nullptr;
    const RClassInfo* info = registry.byId[static_cast<size_t>(slot)];
    return info != nullptr ? info->filter : nullptr;
}

bool IsClassRegistryActive() {
    EnsureSdkLoaded();
    return !TheRegistry().byId.empty();
}

void RegistryAddUser() {
    Registry& registry = TheRegistry();
    if (registry.users++ == 0) {
        HandleTableAddUser();
        ActivateRegistry();
    }
}

void RegistryRemoveUser() {
    Registry& registry = TheRegistry();
    if (registry.users == 0) return;
    if (--registry.users == 0) {
        TearDownRegistry();
        HandleTableRemoveUser();
    }
}

bool SdkInitialize() {
    if (gSdkUsers++ == 0) {
        RegistryAddUser();
        CreatePoolRegistry();
    }
    return true;
}

void SdkTerminate() {
    if (gSdkUsers == 0) return;
    if (--gSdkUsers == 0) {
        DestroyPoolRegistry();
        RegistryRemoveUser();
    }
}

int GetSdkUserCount() { return gSdkUsers; }

void EnsureSdkLoaded() {
    static std::atomic<bool> loaded{false};
    // A plain load first: this runs on every class-id query.
    if (!loaded.load(std::memory_order_acquire) && !loaded.exchange(true)) SdkInitialize();
}
