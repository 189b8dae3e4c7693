#include "formats/3ds/toolkit/FtkNamedObject.h"

#include "formats/3ds/toolkit/FtkDatabase.h"
#include "formats/3ds/toolkit/FtkErrors.h"

#include <utility>

namespace {

constexpr std::uint32_t kExtendedData = 0x8000;

// Empties an existing entity in place (keeping a copy of its extended data), or adds a new one.
FtkPutFrame BeginPut(FtkChunk* existing, FtkChunk* parent, std::uint32_t id) {
    FtkPutFrame frame;
    if (existing != nullptr) {
        if (FtkChunk* extended = FtkFindChunk(existing, kExtendedData)) {
            frame.extendedData = FtkCopyChunk(extended);
        }
        FtkClearChunk(existing);
        existing->id = id;
        frame.entity = existing;
    } else {
        frame.entity = FtkAddChunk(id, parent);
    }
    return frame;
}

}  // namespace

FtkChunk* FtkObjectKindChunk(FtkChunk* object) {
    for (FtkChunk* child = object != nullptr ? object->children.get() : nullptr; child != nullptr;
         child = child->next.get()) {
        if (child->id == 0x4100 || child->id == 0x4600 || child->id == 0x4700) {
            return child;
        }
    }
    return nullptr;
}

bool FtkIsObjectOfKind(FtkChunk* object, FtkObjectKind kind) {
    FtkChunk* kindChunk = FtkObjectKindChunk(object);
    if (kindChunk == nullptr) {
        return false;
    }
    switch (kind) {
        case FtkObjectKind::Mesh: return kindChunk->id == 0x4100;
        case FtkObjectKind::Camera: return kindChunk->id == 0x4700;
        case FtkObjectKind::OmniLight: return kindChunk->id == 0x4600 && FtkFindChild(kindChunk, 0x4610) == nullptr;
        case FtkObjectKind::SpotLight: return kindChunk->id == 0x4600 && FtkFindChild(kindChunk, 0x4610) != nullptr;
    }
    return false;
}

std::uint32_t FtkCountObjects(FtkDatabase* database, FtkObjectKind kind) {
    FtkUpdateObjectList(database);
    std::uint32_t count = 0;
    if (database != nullptr && database->objectList != nullptr) {
        for (const FtkNameEntry& entry : database->objectList->entries) {
            count += FtkIsObjectOfKind(entry.chunk, kind) ? 1 : 0;
        }
    }
    return count;
}

FtkChunk* FtkObjectByIndex(FtkDatabase* database, FtkObjectKind kind, std::uint32_t index) {
    FtkUpdateObjectList(database);
    if (database == nullptr || database->objectList == nullptr) {
        return nullptr;
    }
    for (const FtkNameEntry& entry : database->objectList->entries) {
        if (FtkIsObjectOfKind(entry.chunk, kind) && index-- == 0) {
            return entry.chunk;
        }
    }
    return nullptr;
}

FtkPutFrame FtkBeginObjectPut(FtkDatabase* database, const char* name) {
    if (!FtkCheckDatabase(database, false)) {
        return FtkPutFrame();
    }
    FtkChunk* meshData = FtkFindOrAddMeshData(database);
    FtkPutFrame frame = BeginPut(FtkFindNamedObject(database, name), meshData, 0x4000);
    if (frame.entity != nullptr) {
        FtkSetChunkString(frame.entity, name);
        FtkMarkObjectListDirty(database);
    }
    return frame;
}

FtkPutFrame FtkBeginMaterialPut(FtkDatabase* database, const char* name) {
    if (!FtkCheckDatabase(database, true)) {
        return FtkPutFrame();
    }
    FtkChunk* parent = FtkGetDatabaseKind(database) == kFtkMaterialFile ? database->topchunk.get()
                                                                          : FtkFindOrAddMeshData(database);
    FtkPutFrame frame = BeginPut(FtkFindMaterial(database, name), parent, 0xAFFF);
    if (frame.entity != nullptr) {
        FtkSetChunkString(FtkAddChunk(0xA000, frame.entity), name);
        FtkMarkMaterialListDirty(database);
    }
    return frame;
}

void FtkEndPut(FtkPutFrame& frame, FtkChunk* holder) {
    if (frame.extendedData != nullptr && holder != nullptr) {
        FtkAddChildOrdered(holder, std::move(frame.extendedData));
    }
}
