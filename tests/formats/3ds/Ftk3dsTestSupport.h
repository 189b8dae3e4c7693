#ifndef WYX_TESTS_FORMATS_3DS_FTK3DSTESTSUPPORT_H
#define WYX_TESTS_FORMATS_3DS_FTK3DSTESTSUPPORT_H

// Test helpers for the 3DS toolkit: chunks spelled out byte by byte, databases loaded from
// and saved to memory, a rich scene built through the entity and motion functions, and a
// walk that reads everything a database holds.

#include "formats/3ds/toolkit/FtkCameraLight.h"
#include "formats/3ds/toolkit/FtkDatabase.h"
#include "formats/3ds/toolkit/FtkErrors.h"
#include "formats/3ds/toolkit/FtkFile.h"
#include "formats/3ds/toolkit/FtkMaterial.h"
#include "formats/3ds/toolkit/FtkMeshApi.h"
#include "formats/3ds/toolkit/FtkMotion.h"
#include "formats/3ds/toolkit/FtkSceneSettings.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace ftk_test {

using Bytes = std::vector<unsigned char>;

inline void Append(Bytes& to, const Bytes& bytes) { to.insert(to.end(), bytes.begin(), bytes.end()); }

inline Bytes U16(std::uint16_t value) { return {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8)}; }

inline Bytes U32(std::uint32_t value) {
    return {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
            static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
}

inline Bytes F32(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return U32(bits);
}

// The text and its zero.
inline Bytes Str(const std::string& text) {
    Bytes bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes bytes;
    for (const Bytes& part : parts) Append(bytes, part);
    return bytes;
}

// A chunk: header with the right length, own data, then the children.
inline Bytes Chunk(std::uint16_t id, const Bytes& data, std::initializer_list<Bytes> children = {}) {
    Bytes body = data;
    for (const Bytes& child : children) Append(body, child);
    Bytes bytes = U16(id);
    Append(bytes, U32(static_cast<std::uint32_t>(body.size() + 6)));
    Append(bytes, body);
    return bytes;
}

// A chunk whose length field says `length` whatever its body.
inline Bytes RawChunk(std::uint16_t id, std::uint32_t length, const Bytes& body) {
    Bytes bytes = U16(id);
    Append(bytes, U32(length));
    Append(bytes, body);
    return bytes;
}

// A track: flags 0, reserved words, count, then the given keys.
inline Bytes Track(std::uint16_t id, std::uint32_t count, const Bytes& keys) {
    return Chunk(id, Cat({U16(0), U32(0), U32(0), U32(count), keys}));
}

// A key at frame with no spline values, then its value bytes.
inline Bytes Key(std::uint32_t frame, const Bytes& value) { return Cat({U32(frame), U16(0), value}); }

// A node header: name, flags 0, parent id.
inline Bytes NodeHeader(const std::string& name, std::uint16_t parent) {
    return Chunk(0xB010, Cat({Str(name), U16(0), U16(0), U16(parent)}));
}

// A fresh toolkit for each test: no errors, warnings or open files.
inline void ResetToolkit() {
    FtkCloseAllFiles();
    FtkClearErrors();
    FtkClearWarnings();
    ftkContinueOnError = false;
}

inline std::string ErrorCodes() {
    std::string codes;
    for (int i = 0; i < kFtkErrorListSize; ++i) {
        if (FtkErrorList()[i].code != 0) codes += std::to_string(FtkErrorList()[i].code) + " ";
    }
    return codes;
}

// Loads bytes through a memory file, which stays open for the database's chunk data.
inline std::unique_ptr<FtkDatabase> Load(const Bytes& bytes) {
    std::unique_ptr<FtkDatabase> database;
    FtkInitDatabase(database);
    FtkLoadDatabase(FtkOpenMemoryFile(bytes.data(), bytes.size()), database.get());
    return database;
}

inline Bytes Save(FtkDatabase* database) {
    FtkFile* file = FtkCreateMemoryFile();
    FtkSaveDatabase(file, database);
    Bytes bytes = FtkMemoryFileContents(file);
    FtkCloseFile(file);
    return bytes;
}

inline std::unique_ptr<FtkDatabase> NewDatabase(int kind) {
    std::unique_ptr<FtkDatabase> database;
    FtkInitDatabase(database);
    FtkCreateDatabase(database.get(), kind);
    return database;
}

// Children of a chunk as a list of ids.
inline std::vector<std::uint32_t> ChildIds(FtkChunk* chunk) {
    std::vector<std::uint32_t> ids;
    for (FtkChunk* child = chunk != nullptr ? chunk->children.get() : nullptr; child != nullptr; child = child->next.get()) {
        ids.push_back(child->id);
    }
    return ids;
}

template <typename Value>
void SizeKeys(FtkTrackGroup<Value>& track, std::uint32_t count) {
    track.keyCount = count;
    track.keys.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) track.keys[i].time = i * 5;
    track.values.resize(count);
}

// A mesh file with settings, background, two materials, a mesh, an omni and a spot light, a
// camera and their motion, built through the toolkit and saved.
inline Bytes RichScene() {
    std::unique_ptr<FtkDatabase> database = NewDatabase(kFtkMeshFile);
    std::unique_ptr<FtkMeshSettings> settings;
    FtkInitMeshSettings(settings);
    settings->masterScale = 2.0f;
    FtkPutMeshSettings(database.get(), settings.get());
    std::unique_ptr<FtkBackground> background;
    FtkInitBackground(background);
    background->bitmap = "sky.tga";
    background->active = kFtkGradientBackground;
    FtkPutBackground(database.get(), background.get());

    std::unique_ptr<FtkMaterial> material;
    FtkInitMaterial(material);
    FtkCopyName(material->name, "Red");
    material->diffuse = FtkColor{1.0f, 0.0f, 0.0f};
    material->transFalloff = -0.25f;
    FtkCopyName(material->maps[kFtkTextureMap].name, "red.tga");
    material->maps[kFtkTextureMap].tiling = 2;
    material->maps[kFtkTextureMap].tintSource = 4;
    FtkCopyName(material->maps[kFtkBumpMap].name, "bump.tga");
    material->maps[kFtkBumpMap].procData = {1, 2, 3};
    material->maps[kFtkBumpMap].procDataSize = 3;
    material->autoReflection.useAuto = 1;
    FtkPutMaterial(database.get(), material.get());
    FtkCopyName(material->name, "Blue");
    FtkPutMaterial(database.get(), material.get());

    std::unique_ptr<FtkMeshObject> mesh;
    FtkInitMeshObject(mesh, 4, 2, kFtkMeshTexVerts | kFtkMeshSmoothGroups | kFtkMeshVertexFlags);
    FtkCopyName(mesh->name, "box");
    for (int i = 0; i < 4; ++i) mesh->vertices[i] = FtkPoint{float(i), float(i * 2), float(-i)};
    mesh->faces[1] = FtkFace{1, 2, 3, 7};
    mesh->smoothGroups = {1, 2};
    mesh->materialCount = 1;
    FtkAllocMeshArrays(mesh.get(), kFtkMeshMaterials);
    FtkCopyName(mesh->materials[0].name, "Red");
    FtkAllocMaterialGroupFaces(mesh.get(), 0, 2);
    mesh->materials[0].faceIndices = {0, 1};
    mesh->useMapInfo = 1;
    mesh->useBoxMap = 1;
    mesh->hidden = 1;
    FtkPutMeshObject(database.get(), mesh.get());

    std::unique_ptr<FtkLight> light;
    FtkInitLight(light);
    FtkCopyName(light->name, "omni");
    FtkAddString(light->exclude.get(), "box");
    FtkPutLight(database.get(), light.get());
    FtkInitSpotlight(light);
    FtkCopyName(light->name, "spot");
    light->spot->localShadow = 1;
    light->spot->useProjector = 1;
    light->spot->projectorName = "proj";
    FtkPutLight(database.get(), light.get());
    std::unique_ptr<FtkCamera> camera;
    FtkInitCamera(camera);
    FtkCopyName(camera->name, "cam");
    FtkPutCamera(database.get(), camera.get());

    std::unique_ptr<FtkObjectMotion> object;
    FtkInitObjectMotion(object, 2, 2, 1, 1, 1);
    FtkCopyName(object->name, "box");
    FtkCopyName(object->morph.values[0].name, "box");
    FtkPutObjectMotion(database.get(), object.get());
    std::unique_ptr<FtkCameraMotion> cameraMotion;
    FtkInitCameraMotion(cameraMotion, 1, 1, 1, 2);
    FtkCopyName(cameraMotion->name, "cam");
    FtkCopyName(cameraMotion->parent, "box");
    FtkPutCameraMotion(database.get(), cameraMotion.get());
    std::unique_ptr<FtkSpotMotion> spotMotion;
    FtkInitSpotMotion(spotMotion, 1, 1, 1, 1, 1, 1);
    FtkCopyName(spotMotion->name, "spot");
    FtkPutSpotMotion(database.get(), spotMotion.get());
    std::unique_ptr<FtkOmniMotion> omniMotion;
    FtkInitOmniMotion(omniMotion, 1, 2);
    FtkCopyName(omniMotion->name, "omni");
    FtkPutOmniMotion(database.get(), omniMotion.get());
    std::unique_ptr<FtkKeyframerSettings> keyframer;
    FtkInitKeyframerSettings(keyframer);
    keyframer->useSegment = 1;
    FtkPutKeyframerSettings(database.get(), keyframer.get());
    return Save(database.get());
}

// Reads everything the database holds through the entity and motion functions; answers how
// many records were read. Stops at the first recorded error, as the reader does.
inline int ReadEverything(FtkDatabase* database) {
    int read = 0;
    std::unique_ptr<FtkMeshSettings> settings;
    FtkInitMeshSettings(settings);
    FtkGetMeshSettings(database, settings.get());
    std::unique_ptr<FtkBackground> background;
    FtkInitBackground(background);
    FtkGetBackground(database, background.get());
    std::unique_ptr<FtkMaterial> material;
    for (std::uint32_t i = 0; i < FtkMaterialCount(database) && !FtkShouldStop(); ++i) {
        read += FtkGetMaterialByIndex(database, i, material) ? 1 : 0;
    }
    std::unique_ptr<FtkMeshObject> mesh;
    for (std::uint32_t i = 0; i < FtkMeshCount(database) && !FtkShouldStop(); ++i) {
        read += FtkGetMeshByIndex(database, i, mesh) ? 1 : 0;
    }
    std::unique_ptr<FtkLight> light;
    for (std::uint32_t i = 0; i < FtkOmniLightCount(database) && !FtkShouldStop(); ++i) {
        read += FtkGetOmniLightByIndex(database, i, light) ? 1 : 0;
    }
    for (std::uint32_t i = 0; i < FtkSpotLightCount(database) && !FtkShouldStop(); ++i) {
        read += FtkGetSpotLightByIndex(database, i, light) ? 1 : 0;
    }
    std::unique_ptr<FtkCamera> camera;
    for (std::uint32_t i = 0; i < FtkCameraCount(database) && !FtkShouldStop(); ++i) {
        read += FtkGetCameraByIndex(database, i, camera) ? 1 : 0;
    }
    std::unique_ptr<FtkObjectMotion> object;
    for (std::uint32_t i = 0; i < FtkObjectNodeCount(database) && !FtkShouldStop(); ++i) {
        read += FtkGetObjectMotionByIndex(database, i, object) ? 1 : 0;
    }
    std::unique_ptr<FtkCameraMotion> cameraMotion;
    for (std::uint32_t i = 0; i < FtkCameraNodeCount(database) && !FtkShouldStop(); ++i) {
        read += FtkGetCameraMotionByIndex(database, i, cameraMotion) ? 1 : 0;
    }
    std::unique_ptr<FtkSpotMotion> spotMotion;
    for (std::uint32_t i = 0; i < FtkNodeCount(database, 0xB007) && !FtkShouldStop(); ++i) {
        read += FtkGetSpotMotionByIndex(database, i, spotMotion) ? 1 : 0;
    }
    std::unique_ptr<FtkOmniMotion> omniMotion;
    for (std::uint32_t i = 0; i < FtkOmniNodeCount(database) && !FtkShouldStop(); ++i) {
        read += FtkGetOmniMotionByIndex(database, i, omniMotion) ? 1 : 0;
    }
    return read;
}

}  // namespace ftk_test

#endif
