#include "formats/3ds/toolkit/FtkMeshApi.h"

#include "formats/3ds/toolkit/FtkDatabase.h"
#include "formats/3ds/toolkit/FtkErrors.h"
#include "formats/3ds/toolkit/FtkNamedObject.h"

#include <cstring>
#include <string>
#include <utility>

namespace {

constexpr std::size_t kMaterialNameLength = 16;
constexpr std::size_t kProcNameLength = 12;
constexpr std::uint16_t kMaxMaterialGroups = 0xFFFF;

struct ObjectFlag {
    std::uint32_t id;
    std::uint8_t FtkMeshObject::*field;
};

// In the order a put writes them.
constexpr ObjectFlag kObjectFlags[] = {
    {0x4010, &FtkMeshObject::hidden},        {0x4011, &FtkMeshObject::visibleInLofter},
    {0x4013, &FtkMeshObject::matte},         {0x4012, &FtkMeshObject::noCastShadows},
    {0x4014, &FtkMeshObject::fast},          {0x4017, &FtkMeshObject::noReceiveShadows},
    {0x4016, &FtkMeshObject::frozen},
};

std::string FieldText(const char* field, std::size_t size) { return std::string(field, strnlen(field, size - 1)); }

// Reads a 16-bit count and that many elements of elementSize bytes; false (and
// ERR_INVALID_CHUNK) when the chunk holds fewer.
template <typename Element, typename Read>
bool ReadCounted(FtkByteReader& reader, std::size_t elementSize, std::uint16_t& count, std::vector<Element>& array,
                 Read read) {
    const std::uint16_t n = reader.Word();
    if (!reader.Ok() || !reader.Fits(n, elementSize)) {
        FtkSetError(ERR_INVALID_CHUNK);
        return false;
    }
    array.resize(n);
    for (Element& element : array) {
        element = read(reader);
    }
    count = n;
    return true;
}

bool Check(const FtkByteReader& reader) {
    if (!reader.Ok()) {
        FtkSetError(ERR_INVALID_CHUNK);
    }
    return reader.Ok();
}

void ReadMapInfo(FtkByteReader& reader, FtkMapInfo& info) {
    info.mapType = reader.Word();
    info.tileX = reader.Float();
    info.tileY = reader.Float();
    info.centre = reader.Point();
    info.scale = reader.Float();
    for (float& value : info.matrix) value = reader.Float();
    info.planeWidth = reader.Float();
    info.planeHeight = reader.Float();
    info.cylinderHeight = reader.Float();
}

void WriteMapInfo(FtkByteWriter& writer, const FtkMapInfo& info) {
    writer.Word(info.mapType);
    writer.Float(info.tileX);
    writer.Float(info.tileY);
    writer.Point(info.centre);
    writer.Float(info.scale);
    for (float value : info.matrix) writer.Float(value);
    writer.Float(info.planeWidth);
    writer.Float(info.planeHeight);
    writer.Float(info.cylinderHeight);
}

void ReadFaceChildren(FtkChunk* faceChunk, FtkMeshObject& mesh) {
    for (FtkChunk* child = faceChunk->children.get(); child != nullptr && !FtkShouldStop(); child = child->next.get()) {
        FtkByteReader reader = FtkChunkReader(child);
        if (child->id == 0x4130) {
            if (mesh.materials.size() >= kMaxMaterialGroups) {
                FtkSetError(ERR_INVALID_CHUNK);
                return;
            }
            FtkMaterialGroup group;
            FtkCopyName(group.name, reader.Name(kMaterialNameLength, "material name").c_str());
            if (FtkShouldStop()) return;
            if (ReadCounted(reader, 2, group.faceCount, group.faceIndices, [](FtkByteReader& r) { return r.Word(); })) {
                mesh.materials.push_back(std::move(group));
                mesh.materialCount = static_cast<std::uint16_t>(mesh.materials.size());
            }
        } else if (child->id == 0x4150) {
            if (!reader.Fits(mesh.faceCount, 4)) {
                FtkSetError(ERR_INVALID_CHUNK);
                return;
            }
            mesh.smoothGroups.resize(mesh.faceCount);
            for (std::uint32_t& mask : mesh.smoothGroups) mask = reader.Dword();
        } else if (child->id == 0x4190) {
            for (char(&name)[17] : mesh.boxMap) {
                FtkCopyName(name, reader.Name(kMaterialNameLength, "box map material name").c_str());
            }
            if (FtkShouldStop()) return;
            mesh.useBoxMap = Check(reader) ? 1 : 0;
        }
    }
}

void ReadMeshChild(FtkChunk* child, FtkMeshObject& mesh) {
    FtkByteReader reader = FtkChunkReader(child);
    switch (child->id) {
        case 0x4110:
            ReadCounted(reader, 12, mesh.vertexCount, mesh.vertices, [](FtkByteReader& r) { return r.Point(); });
            break;
        case 0x4111:
            ReadCounted(reader, 2, mesh.vertexFlagCount, mesh.vertexFlags, [](FtkByteReader& r) { return r.Word(); });
            break;
        case 0x4140:
            ReadCounted(reader, 8, mesh.texVertCount, mesh.texVerts, [](FtkByteReader& r) { return r.TexVert(); });
            break;
        case 0x4170:
            ReadMapInfo(reader, mesh.mapInfo);
            mesh.useMapInfo = Check(reader) ? 1 : 0;
            break;
        case 0x4160:
            for (float& value : mesh.localMatrix) value = reader.Float();
            Check(reader);
            break;
        case 0x4165:
            mesh.meshColour = reader.Byte();
            Check(reader);
            break;
        case 0x4181: FtkCopyName(mesh.procName, reader.RestAsString().c_str()); break;
        case 0x4182:
            mesh.procData = reader.Bytes(reader.Remaining());
            mesh.procDataSize = static_cast<std::uint32_t>(mesh.procData.size());
            break;
        case 0x4120:
            if (ReadCounted(reader, 8, mesh.faceCount, mesh.faces, [](FtkByteReader& r) { return r.Face(); })) {
                ReadFaceChildren(child, mesh);
            }
            break;
        default: break;
    }
}

// Whether an array is to be written: a count and an array; a count larger than the array
// records ERR_INVALID_DATA.
template <typename Element>
bool Given(std::size_t count, const std::vector<Element>& array) {
    if (count == 0 || array.empty()) {
        return false;
    }
    if (array.size() < count) {
        FtkSetError(ERR_INVALID_DATA);
        return false;
    }
    return true;
}

FtkChunk* AddMeshChunk(std::uint32_t id, FtkChunk* parent, FtkByteWriter* data = nullptr) {
    FtkChunk* chunk = FtkAddChunk(id, parent);
    if (chunk == nullptr) {
        FtkSetError(ERR_PUT_FAILED);
        return nullptr;
    }
    if (data != nullptr) {
        FtkSetChunkData(chunk, data->Take());
    }
    return chunk;
}

template <typename Element, typename Write>
void AddCounted(std::uint32_t id, FtkChunk* parent, std::uint16_t count, const std::vector<Element>& array,
                Write write) {
    FtkByteWriter writer;
    writer.Word(count);
    for (std::uint16_t i = 0; i < count; ++i) write(writer, array[i]);
    AddMeshChunk(id, parent, &writer);
}

void WriteFaces(FtkChunk* mesh4100, const FtkMeshObject& mesh) {
    if (mesh.faceCount == 0) {
        return;
    }
    if (mesh.faces.size() < mesh.faceCount) {
        FtkSetError(ERR_INVALID_DATA);
        return;
    }
    FtkByteWriter faces;
    faces.Word(mesh.faceCount);
    for (std::uint16_t i = 0; i < mesh.faceCount; ++i) faces.Face(mesh.faces[i]);
    FtkChunk* faceChunk = AddMeshChunk(0x4120, mesh4100, &faces);
    if (faceChunk == nullptr) {
        return;
    }
    if (mesh.materials.size() < mesh.materialCount) {
        FtkSetError(ERR_INVALID_DATA);
        return;
    }
    for (std::uint16_t i = 0; i < mesh.materialCount; ++i) {
        const FtkMaterialGroup& group = mesh.materials[i];
        if (group.faceIndices.size() < group.faceCount) {
            FtkSetError(ERR_INVALID_DATA);
            return;
        }
        FtkByteWriter writer;
        writer.String(FieldText(group.name, sizeof group.name));
        writer.Word(group.faceCount);
        for (std::uint16_t f = 0; f < group.faceCount; ++f) writer.Word(group.faceIndices[f]);
        AddMeshChunk(0x4130, faceChunk, &writer);
    }
    if (Given(mesh.faceCount, mesh.smoothGroups)) {
        FtkByteWriter writer;
        for (std::uint16_t i = 0; i < mesh.faceCount; ++i) writer.Dword(mesh.smoothGroups[i]);
        AddMeshChunk(0x4150, faceChunk, &writer);
    }
    if (mesh.useBoxMap != 0) {
        FtkByteWriter writer;
        for (const char(&name)[17] : mesh.boxMap) writer.String(FieldText(name, sizeof name));
        AddMeshChunk(0x4190, faceChunk, &writer);
    }
}

}  // namespace

std::uint32_t FtkMeshCount(FtkDatabase* database) { return FtkCountObjects(database, FtkObjectKind::Mesh); }

bool FtkGetMeshByIndex(FtkDatabase* database, std::uint32_t index, std::unique_ptr<FtkMeshObject>& mesh) {
    FtkChunk* object = FtkObjectToGet(database, FtkObjectKind::Mesh, index);
    if (object == nullptr) {
        return false;
    }
    FtkInitMeshObject(mesh, 0, 0, 0);
    if (mesh == nullptr) {
        return false;
    }
    FtkCopyName(mesh->name, FtkChunkString(object).c_str());
    FtkChunk* meshChunk = FtkObjectKindChunk(object);
    for (FtkChunk* child = meshChunk->children.get(); child != nullptr && !FtkShouldStop(); child = child->next.get()) {
        ReadMeshChild(child, *mesh);
    }
    for (const ObjectFlag& flag : kObjectFlags) {
        mesh.get()->*flag.field = FtkFindChild(object, flag.id) != nullptr ? 1 : 0;
    }
    mesh->useProc = FtkFindChild(object, 0x4015) != nullptr ? 1 : 0;
    return !FtkShouldStop();
}

void FtkPutMeshObject(FtkDatabase* database, const FtkMeshObject* mesh) {
    if (mesh == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return;
    }
    FtkPutFrame frame = FtkBeginObjectPut(database, FieldText(mesh->name, sizeof mesh->name).c_str());
    if (frame.entity == nullptr) {
        return;
    }
    FtkChunk* meshChunk = AddMeshChunk(0x4100, frame.entity);
    if (meshChunk == nullptr) {
        return;
    }
    if (Given(mesh->vertexCount, mesh->vertices)) {
        AddCounted(0x4110, meshChunk, mesh->vertexCount, mesh->vertices,
                   [](FtkByteWriter& w, const FtkPoint& p) { w.Point(p); });
    }
    if (Given(mesh->texVertCount, mesh->texVerts)) {
        AddCounted(0x4140, meshChunk, mesh->texVertCount, mesh->texVerts,
                   [](FtkByteWriter& w, const FtkTexVert& t) { w.TexVert(t); });
    }
    if (mesh->useMapInfo != 0) {
        FtkByteWriter writer;
        WriteMapInfo(writer, mesh->mapInfo);
        AddMeshChunk(0x4170, meshChunk, &writer);
    }
    if (Given(mesh->vertexFlagCount, mesh->vertexFlags)) {
        AddCounted(0x4111, meshChunk, mesh->vertexFlagCount, mesh->vertexFlags,
                   [](FtkByteWriter& w, std::uint16_t v) { w.Word(v); });
    }
    FtkByteWriter frameWriter;
    for (float value : mesh->localMatrix) frameWriter.Float(value);
    AddMeshChunk(0x4160, meshChunk, &frameWriter);
    FtkByteWriter colour;
    colour.Byte(mesh->meshColour);
    AddMeshChunk(0x4165, meshChunk, &colour);
    WriteFaces(meshChunk, *mesh);
    const bool hasProc = Given(mesh->procDataSize, mesh->procData);
    if (hasProc) {
        FtkByteWriter name;
        name.String(FieldText(mesh->procName, sizeof mesh->procName).substr(0, kProcNameLength));
        AddMeshChunk(0x4181, meshChunk, &name);
        FtkByteWriter data;
        data.Bytes(mesh->procData.data(), mesh->procDataSize);
        AddMeshChunk(0x4182, meshChunk, &data);
    }
    for (const ObjectFlag& flag : kObjectFlags) {
        if (mesh->*flag.field != 0) AddMeshChunk(flag.id, frame.entity);
    }
    if (mesh->useProc == 1 && hasProc) {
        AddMeshChunk(0x4015, frame.entity);
    }
    FtkEndPut(frame, meshChunk);
}
