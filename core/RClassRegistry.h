#ifndef WYX_CORE_RCLASSREGISTRY_H
#define WYX_CORE_RCLASSREGISTRY_H

// Class ids without run-time type information.
//
// Every class of the object model has a class-info record {name, parent record, id,
// filter}. The ids come from one explicit, ordered table of all classes, so they are the
// same in every run whatever order the compiler initialises files in: RObject is 1,
// RPlug 2, and every other class takes the next id of a counter that starts at 3, in table
// order. Objects answer class-membership queries through RPlug::Is, which walks the parent
// chain of their record.
//
// The registry proper (the name map, the id table and the class filters handed to
// connection filters) is active from the SDK's first start to its last stop. The process
// takes one start of its own when the object model is first used (EnsureSdkLoaded), as
// loading the library did; each object factory takes another.

#include <atomic>

class RClassIdFilter;

struct RClassInfo {
    const char* name;
    const RClassInfo* parent;  // none for RPlug
    int classId;
    RClassIdFilter* filter;    // none while the class is not registered
};

// The classes of the object model in registration order. Classes of later subsystems hold
// their places here even before they are built, so that every id stays where it belongs.
enum class RClassTableIndex {
    RWyxNodeProperties,
    RWyxLightProperties,
    RWyxCameraProperties,
    RWyxSkeletonProperties,
    RWyxMaterialProperties,
    RWyxTextureProperties,
    RWyxPoseProperties,
    RWyxCharacterProperties,
    RStreamOptionsWyx,
    RWyxGenericNodeProperties,
    RWyxControlSetPlugProperties,
    RPlug,
    RPlugList,
    RDataPlug,
    RObject,
    RGenericObjectList,
    RObjectList,
    RWyxDeformerProperties,
    RWyxPropertyHandler,
    RWyxNullProperties,
    RWyxMarkerProperties,
    RProperty,
    RPropertyObjectList,
    RStream,
    RStreamOptions,
    RStreamOptions3ds,
    RStreamOptionsBase,
    RStreamOptionsObj,
    RStreamOptionsDxf,
    RStreamOptionsMotion,
    RWyxAsfScene,
    RPlugFilter,
    RClassIdFilter,
    REntity,
    REntityList,
    RObjectSet,
    RLTObject,
    Count
};

constexpr int kNoClassId = -1;
constexpr int kObjectClassId = 1;
constexpr int kPlugClassId = 2;
constexpr int kFirstCountedClassId = 3;

// The records of the table once the object model has started; null before. Every class
// test reads a record (ClassId, GetClassInfo, Is), so ClassInfoAt reads them inline.
extern std::atomic<const RClassInfo*> gStartedClassRecords;
// ClassInfoAt's first use: starts the object model, then publishes the records.
const RClassInfo& ClassInfoAtStart(RClassTableIndex index);

// The record of a class of the table; the records live for the whole process.
inline const RClassInfo& ClassInfoAt(RClassTableIndex index) {
    const RClassInfo* const records = gStartedClassRecords.load(std::memory_order_acquire);
    return records != nullptr ? records[static_cast<int>(index)] : ClassInfoAtStart(index);
}
// The record of a class id (the "None" record for -1); null for an id no class took.
const RClassInfo* FindClassInfo(int classId);
// The id of a class name (case-insensitive); -1 when no class has it or the registry is
// not active.
int FindClassId(const char* name);

// Registers a record in the active registry: a fixed id (1 or 2) or, for -1, the next
// counter id; creates the class's filter. Answers the id.
int RegisterClassInfo(RClassInfo& info, int fixedId);
// The filter of a class id; for -1 the "None" filter, which accepts every plug and no
// plug. Null while the registry is not active or for an id no class took.
const RClassIdFilter* GetClassIdFilter(int classId);
bool IsClassRegistryActive();

// The registry's use count. The first user activates it (and takes a handle-table user);
// when the last leaves, the registry is emptied.
void RegistryAddUser();
void RegistryRemoveUser();

// SDK start and stop, counted: the first start adds a registry user and creates the pool
// registry; the last stop destroys the pool registry and removes the registry user.
bool SdkInitialize();
void SdkTerminate();
int GetSdkUserCount();
// Takes the process's own SDK start once; called by every entry into the object model.
void EnsureSdkLoaded();

// Declares the class-info accessors of a class of the table.
#define WYX_DECLARE_CLASS(ClassName)                                                      \
public:                                                                                   \
    static const RClassInfo& StaticClassInfo() { return ClassInfoAt(RClassTableIndex::ClassName); } \
    static int ClassId() { return StaticClassInfo().classId; }                            \
    const RClassInfo* GetClassInfo() const override { return &StaticClassInfo(); }        \
                                                                                          \
private:

#endif
