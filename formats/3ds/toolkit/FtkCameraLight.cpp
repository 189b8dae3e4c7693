#include "formats/3ds/toolkit/FtkCameraLight.h"

#include "fileio/LittleEndian.h"
#include "formats/3ds/toolkit/FtkErrors.h"
#include "formats/3ds/toolkit/FtkNamedObject.h"
#include "formats/3ds/toolkit/FtkRecord.h"

#include <cmath>
#include <new>
#include <utility>

namespace {

constexpr float kColorByteScale = 0.003921569f;  // 1/255 in single precision
constexpr std::uint32_t kDefaultLightColorBits = 0x3F357753;  // 0.708852

// The chunk's data read by `read`; ERR_INVALID_CHUNK when it does not hold it.
template <typename Read>
void Decode(FtkChunk* chunk, Read read) {
    FtkByteReader reader = FtkChunkReader(chunk);
    read(reader);
    if (!reader.Ok()) {
        FtkSetError(ERR_INVALID_CHUNK);
    }
}

float ReadFloat(FtkChunk* chunk, float current) {
    float value = current;
    Decode(chunk, [&](FtkByteReader& reader) {
        const float read = reader.Float();
        value = reader.Ok() ? read : current;
    });
    return value;
}

std::string NameOf(const char* field, std::size_t size) { return std::string(field, strnlen(field, size - 1)); }

void AddData(FtkChunk* parent, std::uint32_t id, FtkByteWriter& writer, bool last = false) {
    std::unique_ptr<FtkChunk> chunk = FtkNewChunkWithId(id);
    if (chunk == nullptr) {
        return;
    }
    FtkSetChunkData(chunk.get(), writer.Take());
    if (last) {
        FtkAddChildLast(parent, std::move(chunk));
    } else {
        FtkAddChildOrdered(parent, std::move(chunk));
    }
}

void AddFloat(FtkChunk* parent, std::uint32_t id, float value) {
    FtkByteWriter writer;
    writer.Float(value);
    AddData(parent, id, writer);
}

void ReadSpotlight(FtkChunk* spotChunk, FtkSpotlight& spot) {
    Decode(spotChunk, [&](FtkByteReader& reader) {
        spot.target = reader.Point();
        spot.hotspot = reader.Float();
        spot.falloff = reader.Float();
    });
    for (FtkChunk* child = spotChunk->children.get(); child != nullptr && !FtkShouldStop(); child = child->next.get()) {
        switch (child->id) {
            case 0x4656: spot.roll = ReadFloat(child, spot.roll); break;
            case 0x4657: spot.aspect = ReadFloat(child, spot.aspect); break;
            case 0x4658: spot.rayBias = ReadFloat(child, spot.rayBias); break;
            case 0x4630:
            case 0x4640: spot.castShadows = 1; break;
            case 0x4627: spot.shadowType = 1; break;
            case 0x4641:
                Decode(child, [&](FtkByteReader& reader) {
                    spot.bias = reader.Float();
                    spot.filter = reader.Float();
                    spot.mapSize = reader.Word();
                });
                spot.localShadow = 1;
                break;
            case 0x4650: spot.showCone = 1; break;
            case 0x4651: spot.coneType = 1; break;
            case 0x4652: spot.overshoot = 1; break;
            case 0x4653:
                spot.projectorName = FtkChunkString(child);
                spot.useProjector = 1;
                break;
            default: break;
        }
    }
}

bool ReadLight(FtkChunk* object, FtkLight& light, bool spot) {
    FtkChunk* lightChunk = FtkObjectKindChunk(object);
    if (lightChunk == nullptr || lightChunk->id != 0x4600) {
        FtkSetError(ERR_WRONG_OBJECT);
        return false;
    }
    FtkCopyName(light.name, FtkChunkString(object).c_str());
    Decode(lightChunk, [&](FtkByteReader& reader) { light.position = reader.Point(); });
    for (FtkChunk* child = lightChunk->children.get(); child != nullptr && !FtkShouldStop(); child = child->next.get()) {
        switch (child->id) {
            case 0x0010: Decode(child, [&](FtkByteReader& reader) { light.color = reader.ColorFloats(); }); break;
            case 0x0011:
                Decode(child, [&](FtkByteReader& reader) { light.color = reader.ColorBytes(kColorByteScale); });
                break;
            case 0x4620: light.off = 1; break;
            case 0x4625: light.attenuate = 1; break;
            case 0x4659: light.innerRange = ReadFloat(child, light.innerRange); break;
            case 0x465A: light.outerRange = ReadFloat(child, light.outerRange); break;
            case 0x465B: light.multiplier = ReadFloat(child, light.multiplier); break;
            case 0x4654: FtkAddString(light.exclude.get(), FtkChunkString(child).c_str()); break;
            case 0x4610:
                if (spot) ReadSpotlight(child, *light.spot);
                break;
            default: break;
        }
    }
    return !FtkShouldStop();
}

bool GetLight(FtkDatabase* database, std::uint32_t index, std::unique_ptr<FtkLight>& light, bool spot) {
    FtkChunk* object = FtkObjectToGet(database, spot ? FtkObjectKind::SpotLight : FtkObjectKind::OmniLight, index);
    if (object == nullptr) {
        return false;
    }
    if (spot) {
        FtkInitSpotlight(light);
    } else {
        FtkInitLight(light);
        if (light != nullptr) light->spot.reset();
    }
    return light != nullptr && ReadLight(object, *light, spot);
}

void WriteSpotlight(FtkChunk* lightChunk, const FtkSpotlight& spot) {
    FtkByteWriter data;
    data.Point(spot.target);
    data.Float(spot.hotspot);
    data.Float(spot.falloff);
    FtkChunk* spotChunk = FtkAddChunk(0x4610, lightChunk);
    FtkSetChunkData(spotChunk, data.Take());
    AddFloat(spotChunk, 0x4656, spot.roll);
    if (spot.aspect != 1.0f) AddFloat(spotChunk, 0x4657, spot.aspect);
    if (spot.castShadows == 1) FtkAddChunk(0x4630, spotChunk);
    if (spot.shadowType == 1) FtkAddChunk(0x4627, spotChunk);
    AddFloat(spotChunk, 0x4658, spot.rayBias);
    if (spot.localShadow == 1) {
        FtkAddChunk(0x4640, spotChunk);
        FtkByteWriter shadow;
        shadow.Float(spot.bias);
        shadow.Float(spot.filter);
        shadow.Word(spot.mapSize);
        AddData(spotChunk, 0x4641, shadow);
    }
    if (spot.coneType == 1) FtkAddChunk(0x4651, spotChunk);
    if (spot.showCone == 1) FtkAddChunk(0x4650, spotChunk);
    if (spot.overshoot == 1) FtkAddChunk(0x4652, spotChunk);
    if (spot.useProjector == 1) FtkSetChunkString(FtkAddChunk(0x4653, spotChunk), spot.projectorName);
}

}  // namespace

float FtkLensToFov(float lens) { return lens > 0.0f ? kFtkLensFovProduct / lens : kFtkDefaultFov; }

float FtkFovToLens(float fov) { return kFtkLensFovProduct / (fov > 0.0f ? fov : kFtkDefaultFov); }

// ---- cameras ------------------------------------------------------------------------------------

void FtkInitCamera(std::unique_ptr<FtkCamera>& camera) {
    FtkResetRecord(camera);
}

void FtkReleaseCamera(std::unique_ptr<FtkCamera>& camera) { camera.reset(); }

std::uint32_t FtkCameraCount(FtkDatabase* database) { return FtkCountObjects(database, FtkObjectKind::Camera); }

bool FtkGetCameraByIndex(FtkDatabase* database, std::uint32_t index, std::unique_ptr<FtkCamera>& camera) {
    FtkChunk* object = FtkObjectToGet(database, FtkObjectKind::Camera, index);
    if (object == nullptr) {
        return false;
    }
    FtkInitCamera(camera);
    if (camera == nullptr) {
        return false;
    }
    FtkChunk* cameraChunk = FtkObjectKindChunk(object);
    FtkCopyName(camera->name, FtkChunkString(object).c_str());
    Decode(cameraChunk, [&](FtkByteReader& reader) {
        camera->position = reader.Point();
        camera->target = reader.Point();
        camera->roll = reader.Float();
        const float lens = reader.Float();
        camera->fov = reader.Ok() ? FtkLensToFov(lens) : camera->fov;
    });
    for (FtkChunk* child = cameraChunk->children.get(); child != nullptr && !FtkShouldStop();
         child = child->next.get()) {
        if (child->id == 0x4710) {
            camera->showCone = 1;
        } else if (child->id == 0x4720) {
            Decode(child, [&](FtkByteReader& reader) {
                camera->nearRange = reader.Float();
                camera->farRange = reader.Float();
            });
        }
    }
    return !FtkShouldStop();
}

void FtkPutCamera(FtkDatabase* database, const FtkCamera* camera) {
    if (camera == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return;
    }
    if (!FtkCheckDatabase(database, false)) {
        return;
    }
    if (FtkGetDatabaseKind(database) != kFtkMeshFile) {
        FtkSetError(ERR_WRONG_DATABASE);
        return;
    }
    FtkPutFrame frame = FtkBeginObjectPut(database, NameOf(camera->name, sizeof camera->name).c_str());
    if (frame.entity == nullptr) {
        return;
    }
    FtkByteWriter data;
    data.Point(camera->position);
    data.Point(camera->target);
    data.Float(camera->roll);
    data.Float(FtkFovToLens(camera->fov));
    FtkChunk* cameraChunk = FtkAddChunk(0x4700, frame.entity);
    FtkSetChunkData(cameraChunk, data.Take());
    if (camera->showCone != 0) {
        FtkAddChildLast(cameraChunk, FtkNewChunkWithId(0x4710));
    }
    FtkByteWriter ranges;
    ranges.Float(camera->nearRange);
    ranges.Float(camera->farRange);
    AddData(cameraChunk, 0x4720, ranges, true);
    FtkEndPut(frame, cameraChunk);
}

// ---- lights -------------------------------------------------------------------------------------

void FtkInitLight(std::unique_ptr<FtkLight>& light) {
    if (!FtkAllocateRecord(light)) {
        return;
    }
    std::unique_ptr<FtkSpotlight> spot = std::move(light->spot);
    *light = FtkLight();
    light->spot = std::move(spot);
    const float component = wyx_le::BitsToFloat(kDefaultLightColorBits);
    light->color = FtkColor{component, component, component};
    FtkInitStringList(light->exclude, 0);
}

void FtkInitSpotlight(std::unique_ptr<FtkLight>& light) {
    FtkInitLight(light);
    if (light != nullptr) {
        light->spot.reset();
        FtkAllocateRecord(light->spot);
    }
}

void FtkReleaseLight(std::unique_ptr<FtkLight>& light) { light.reset(); }

std::uint32_t FtkOmniLightCount(FtkDatabase* database) { return FtkCountObjects(database, FtkObjectKind::OmniLight); }

std::uint32_t FtkSpotLightCount(FtkDatabase* database) { return FtkCountObjects(database, FtkObjectKind::SpotLight); }

bool FtkGetOmniLightByIndex(FtkDatabase* database, std::uint32_t index, std::unique_ptr<FtkLight>& light) {
    return GetLight(database, index, light, false);
}

bool FtkGetSpotLightByIndex(FtkDatabase* database, std::uint32_t index, std::unique_ptr<FtkLight>& light) {
    return GetLight(database, index, light, true);
}

void FtkPutLight(FtkDatabase* database, const FtkLight* light) {
    if (light == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return;
    }
    FtkPutFrame frame = FtkBeginObjectPut(database, NameOf(light->name, sizeof light->name).c_str());
    if (frame.entity == nullptr) {
        return;
    }
    FtkByteWriter data;
    data.Point(light->position);
    FtkChunk* lightChunk = FtkAddChunk(0x4600, frame.entity);
    FtkSetChunkData(lightChunk, data.Take());
    FtkByteWriter color;
    color.ColorFloats(light->color);
    AddData(lightChunk, 0x0010, color);
    AddFloat(lightChunk, 0x465A, light->outerRange);
    AddFloat(lightChunk, 0x4659, light->innerRange);
    AddFloat(lightChunk, 0x465B, light->multiplier);
    if (light->off == 1) FtkAddChunk(0x4620, lightChunk);
    if (light->attenuate == 1) FtkAddChunk(0x4625, lightChunk);
    if (light->exclude != nullptr) {
        for (const std::string& name : light->exclude->items) {
            FtkSetChunkString(FtkAddChunk(0x4654, lightChunk), name);
        }
    }
    if (light->spot != nullptr) {
        WriteSpotlight(lightChunk, *light->spot);
    }
    FtkEndPut(frame, lightChunk);
}
