#include "formats/3ds/toolkit/FtkNamedObject.h"

#include "formats/3ds/toolkit/FtkDatabase.h"
#include "formats/3ds/toolkit/FtkErrors.h"

#include <array>
#include <utility>
#include <vector>

namespace {

constexpr std::uint32_t kExtendedData = 0x8000;
constexpr std::array<FtkObjectKind, 4> kObjectKinds = {FtkObjectKind::Mesh, FtkObjectKind::Camera,
                                                      FtkObjectKind::OmniLight, FtkObjectKind::SpotLight};

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

// The named objects of the kind in list order, rebuilt with the object list.
static const std::vector<FtkChunk*>* ObjectsOfKind(FtkDatabase* database, FtkObjectKind kind) {
    FtkUpdateObjectList(database);
    if (database == nullptr || database->objectList == nullptr) {
        return nullptr;
    }
    if (database->objectKindsStale) {
        database->objectKindsStale = false;
        database->objectsByKind.assign(kObjectKinds.size(), std::vector<FtkChunk*>());
        for (const FtkNameEntry& entry : database->objectList->entries) {
            for (std::size_t k = 0; k < kObjectKinds.size(); ++k) {
                if (FtkIsObjectOfKind(entry.chunk, kObjectKinds[k])) database->objectsByKind[k].push_back(entry.chunk);
            }
        }
    }
    return &database->objectsByKind[static_cast<std::size_t>(kind)];
}

std::uint32_t FtkCountObjects(FtkDatabase* database, FtkObjectKind kind) {
    const std::vector<FtkChunk*>* objects = ObjectsOfKind(database, kind);
    return objects != nullptr ? static_cast<std::uint32_t>(objects->size()) : 0;
}

FtkChunk* FtkObjectByIndex(FtkDatabase* database, FtkObjectKind kind, std::uint32_t index) {
    const std::vector<FtkChunk*>* objects = ObjectsOfKind(database, kind);
    return objects != nullptr && index < objects->size() ? (*objects)[index] : nullptr;
}

FtkChunk* FtkObjectToGet(FtkDatabase* database, FtkObjectKind kind, std::uint32_t index) {
    return FtkCheckDatabase(database, false) ? FtkObjectByIndex(database, kind, index) : nullptr;
}

FtkPutFrame FtkBeginObjectPut(FtkDatabase* database, const char* name) {
    if (!FtkCheckDatabase(database, false)) {
        return FtkPutFrame();
    }
    FtkChunk* meshData = FtkFindOrAddMeshData(database);
    FtkChunk* existing = FtkFindNamedObject(database, name);
    FtkPutFrame frame = BeginPut(existing, meshData, 0x4000);
    if (frame.entity != nullptr) {
        FtkSetChunkString(frame.entity, name);
        if (existing != nullptr) {
            FtkNoteObjectRefilled(database);
        } else {
            FtkNoteObjectAdded(database, frame.entity);
        }
    }
    return frame;
}

FtkPutFrame FtkBeginMaterialPut(FtkDatabase* database, const char* name) {
    if (!FtkCheckDatabase(database, true)) {
        return FtkPutFrame();
    }
    FtkChunk* parent = FtkGetDatabaseKind(database) == kFtkMaterialFile ? database->topchunk.get()
                                                                          : FtkFindOrAddMeshData(database);
    FtkChunk* existing = FtkFindMaterial(database, name);
    FtkPutFrame frame = BeginPut(existing, parent, 0xAFFF);
    if (frame.entity != nullptr) {
        FtkChunk* nameChunk = FtkAddChunk(0xA000, frame.entity);
        FtkSetChunkString(nameChunk, name);
        if (existing == nullptr) {
            FtkNoteMaterialAdded(database, frame.entity, nameChunk);
        } else if (nameChunk == nullptr) {
            FtkMarkMaterialListDirty(database);  // an entry without its name drops out of the list
        }
    }
    return frame;
}

void FtkEndPut(FtkPutFrame& frame, FtkChunk* holder) {
    if (frame.extendedData != nullptr && holder != nullptr) {
        FtkAddChildOrdered(holder, std::move(frame.extendedData));
    }
}
