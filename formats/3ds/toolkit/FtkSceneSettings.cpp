#include "formats/3ds/toolkit/FtkSceneSettings.h"

#include "fileio/LittleEndian.h"
#include "formats/3ds/toolkit/FtkDatabase.h"
#include "formats/3ds/toolkit/FtkErrors.h"
#include "formats/3ds/toolkit/FtkKeyframer.h"
#include "formats/3ds/toolkit/FtkRecord.h"

#include <new>

namespace {

constexpr float kAmbientByteScale = 0.00390625f;  // 1/256
constexpr std::uint32_t kDefaultAmbientBits = 0x3EC8C932;  // 0.39216

bool ReadColor(FtkChunk* chunk, float byteScale, FtkColor& color) {
    FtkByteReader reader = FtkChunkReader(chunk);
    const FtkColor read = chunk->id == 0x0010 || chunk->id == 0x0013 ? reader.ColorFloats() : reader.ColorBytes(byteScale);
    if (!reader.Ok()) {
        FtkSetError(ERR_INVALID_CHUNK);
        return false;
    }
    color = read;
    return true;
}

// The first child of either id, the first id looked for first.
FtkChunk* FirstOf(FtkChunk* parent, std::uint32_t first, std::uint32_t second) {
    FtkChunk* found = FtkFindChild(parent, first);
    return found != nullptr ? found : FtkFindChild(parent, second);
}

void SetFloat(FtkChunk* chunk, float value) {
    FtkByteWriter writer;
    writer.Float(value);
    FtkSetChunkData(chunk, writer.Take());
}

void SetDword(FtkChunk* chunk, std::uint32_t value) {
    FtkByteWriter writer;
    writer.Dword(value);
    FtkSetChunkData(chunk, writer.Take());
}

// The value of the first direct child with the id, when it has one.
void ReadFloatChild(FtkChunk* parent, std::uint32_t id, float& value) {
    if (FtkChunk* chunk = FtkFindChild(parent, id)) {
        FtkByteReader reader = FtkChunkReader(chunk);
        const float read = reader.Float();
        value = reader.Ok() ? read : value;
    }
}

void AddColor(FtkChunk* parent, std::uint32_t id, const FtkColor& color) {
    std::unique_ptr<FtkChunk> chunk = FtkNewChunkWithId(id);
    if (chunk == nullptr) {
        return;
    }
    FtkByteWriter writer;
    writer.ColorFloats(color);
    FtkSetChunkData(chunk.get(), writer.Take());
    FtkAddChildLast(parent, std::move(chunk));
}

bool CheckPutArguments(FtkDatabase* database, const void* record) {
    if (record == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return false;
    }
    return FtkCheckDatabase(database, false);
}

}  // namespace

bool FtkReadColorChildren(FtkChunk* parent, bool floatsFirst, float byteScale, FtkColor& color) {
    FtkChunk* plain = floatsFirst ? FirstOf(parent, 0x0010, 0x0011) : FirstOf(parent, 0x0011, 0x0010);
    FtkChunk* linear = floatsFirst ? FirstOf(parent, 0x0013, 0x0012) : FirstOf(parent, 0x0012, 0x0013);
    if (plain == nullptr && linear == nullptr) {
        return false;
    }
    if (plain != nullptr && !ReadColor(plain, byteScale, color)) {
        return false;
    }
    return linear == nullptr || ReadColor(linear, byteScale, color);
}

void FtkAddColorChildren(FtkChunk* parent, const FtkColor& color) {
    AddColor(parent, 0x0010, color);
    AddColor(parent, 0x0013, color);
}

// ---- mesh settings ------------------------------------------------------------------------------

void FtkInitMeshSettings(std::unique_ptr<FtkMeshSettings>& settings) {
    if (!FtkResetRecord(settings)) {
        return;
    }
    const float ambient = wyx_le::BitsToFloat(kDefaultAmbientBits);
    settings->ambientLight = FtkColor{ambient, ambient, ambient};
}

void FtkReleaseMeshSettings(std::unique_ptr<FtkMeshSettings>& settings) { settings.reset(); }

void FtkGetMeshSettings(FtkDatabase* database, FtkMeshSettings* settings) {
    if (database == nullptr || settings == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return;
    }
    FtkChunk* meshData = FtkFindChunk(database->topchunk.get(), 0x3D3D);
    if (meshData == nullptr) {
        return;
    }
    std::unique_ptr<FtkMeshSettings> defaults;
    FtkInitMeshSettings(defaults);
    *settings = *defaults;
    ReadFloatChild(meshData, 0x0100, settings->masterScale);
    ReadFloatChild(meshData, 0x1400, settings->shadow.bias);
    ReadFloatChild(meshData, 0x1460, settings->shadow.rayBias);
    ReadFloatChild(meshData, 0x1450, settings->shadow.filter);
    if (FtkChunk* mapSize = FtkFindChild(meshData, 0x1420)) {
        FtkByteReader reader = FtkChunkReader(mapSize);
        const std::uint16_t size = reader.Word();
        settings->shadow.mapSize = reader.Ok() ? size : settings->shadow.mapSize;
    }
    if (FtkChunk* ambient = FtkFindChild(meshData, 0x2100)) {
        FtkReadColorChildren(ambient, true, kAmbientByteScale, settings->ambientLight);
    }
    if (FtkChunk* constants = FtkFindChild(meshData, 0x1500)) {
        FtkByteReader reader = FtkChunkReader(constants);
        const FtkPoint point = reader.Point();
        settings->objectConstants = reader.Ok() ? point : settings->objectConstants;
    }
}

void FtkPutMeshSettings(FtkDatabase* database, const FtkMeshSettings* settings) {
    if (!CheckPutArguments(database, settings)) {
        return;
    }
    FtkChunk* meshData = FtkFindOrAddMeshData(database);
    FtkReplaceOrAddChild(meshData, 0x3D3E);  // its value is stamped when the database is saved
    SetFloat(FtkReplaceOrAddChild(meshData, 0x0100), settings->masterScale);
    SetFloat(FtkReplaceOrAddChild(meshData, 0x1400), settings->shadow.bias);
    FtkByteWriter mapSize;
    mapSize.Word(settings->shadow.mapSize);
    FtkSetChunkData(FtkReplaceOrAddChild(meshData, 0x1420), mapSize.Take());
    SetFloat(FtkReplaceOrAddChild(meshData, 0x1450), settings->shadow.filter);
    SetFloat(FtkReplaceOrAddChild(meshData, 0x1460), settings->shadow.rayBias);
    FtkAddColorChildren(FtkReplaceOrAddChild(meshData, 0x2100), settings->ambientLight);
    FtkByteWriter constants;
    constants.Point(settings->objectConstants);
    FtkSetChunkData(FtkReplaceOrAddChild(meshData, 0x1500), constants.Take());
}

// ---- background ---------------------------------------------------------------------------------

void FtkInitBackground(std::unique_ptr<FtkBackground>& background) {
    FtkResetRecord(background);
}

void FtkReleaseBackground(std::unique_ptr<FtkBackground>& background) { background.reset(); }

void FtkGetBackground(FtkDatabase* database, FtkBackground* background) {
    if (database == nullptr || background == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return;
    }
    FtkChunk* meshData = FtkFindChunk(database->topchunk.get(), 0x3D3D);
    if (meshData == nullptr) {
        return;
    }
    *background = FtkBackground();
    if (FtkChunk* bitmap = FtkFindChunk(meshData, 0x1100)) {
        background->bitmap = FtkChunkString(bitmap);
        background->hasBitmap = true;
    }
    if (FtkChunk* solid = FtkFindChild(meshData, 0x1200)) {
        if (FtkChunk* plain = FtkFindChild(solid, 0x0010)) ReadColor(plain, 1.0f, background->solid);
        if (FtkChunk* linear = FtkFindChild(solid, 0x0013)) ReadColor(linear, 1.0f, background->solid);
    }
    if (FtkChunk* gradient = FtkFindChild(meshData, 0x1300)) {
        FtkByteReader reader = FtkChunkReader(gradient);
        const float midpoint = reader.Float();
        background->gradientMidpoint = reader.Ok() ? midpoint : background->gradientMidpoint;
        FtkColor* const colors[] = {&background->gradientTop, &background->gradientMiddle, &background->gradientBottom};
        for (std::uint32_t id : {0x0010u, 0x0013u}) {
            FtkChunk* chunk = FtkFindChild(gradient, id);
            for (FtkColor* color : colors) {
                if (chunk == nullptr || FtkShouldStop()) {
                    break;
                }
                ReadColor(chunk, 1.0f, *color);
                chunk = FtkFindNextChunk(chunk->next.get(), id);
            }
        }
    }
    if (FtkFindChunk(meshData, 0x1101) != nullptr) {
        background->active = kFtkBitmapBackground;
    } else if (FtkFindChunk(meshData, 0x1201) != nullptr) {
        background->active = kFtkSolidBackground;
    } else if (FtkFindChunk(meshData, 0x1301) != nullptr) {
        background->active = kFtkGradientBackground;
    }
}

void FtkPutBackground(FtkDatabase* database, const FtkBackground* background) {
    if (!CheckPutArguments(database, background)) {
        return;
    }
    FtkChunk* meshData = FtkFindOrAddMeshData(database);
    FtkSetChunkString(FtkReplaceOrAddChild(meshData, 0x1100), background->bitmap.substr(0, 12));
    FtkAddColorChildren(FtkReplaceOrAddChild(meshData, 0x1200), background->solid);
    FtkChunk* gradient = FtkReplaceOrAddChild(meshData, 0x1300);
    SetFloat(gradient, background->gradientMidpoint);
    for (const FtkColor* color : {&background->gradientTop, &background->gradientMiddle, &background->gradientBottom}) {
        FtkAddColorChildren(gradient, *color);
    }
    FtkChunk* active = FtkFindChunk(meshData, 0x1101);
    active = active != nullptr ? active : FtkFindChunk(meshData, 0x1201);
    active = active != nullptr ? active : FtkFindChunk(meshData, 0x1301);
    FtkClearChunk(active);  // a cleared chunk has id 0 and is not written
    constexpr std::uint32_t kSwitches[] = {0, 0x1201, 0x1301, 0x1101};
    if (background->active == kFtkNoBackground || background->active > kFtkBitmapBackground) {
        return;
    }
    if (active != nullptr) {
        active->id = kSwitches[background->active];
    } else {
        FtkAddChunk(kSwitches[background->active], meshData);
    }
}

// ---- keyframer settings -------------------------------------------------------------------------

void FtkInitKeyframerSettings(std::unique_ptr<FtkKeyframerSettings>& settings) {
    if (FtkAllocateRecord(settings)) {
        FtkInitKeyframerRange(settings.get());
        FtkInitKeyframerSegment(settings.get());
    }
}

void FtkInitKeyframerRange(FtkKeyframerSettings* settings) {
    if (settings != nullptr) {
        settings->animationLength = 30;
        settings->currentFrame = 0;
    }
}

void FtkInitKeyframerSegment(FtkKeyframerSettings* settings) {
    if (settings != nullptr) {
        settings->useSegment = 0;
        settings->segmentBegin = 0;
        settings->segmentEnd = 30;
    }
}

void FtkReleaseKeyframerSettings(std::unique_ptr<FtkKeyframerSettings>& settings) { settings.reset(); }

void FtkPutKeyframerSettings(FtkDatabase* database, const FtkKeyframerSettings* settings) {
    if (database == nullptr || settings == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return;
    }
    if (!FtkCheckDatabase(database, false)) {
        return;
    }
    FtkPutKeyframerRange(database, settings);
    FtkPutKeyframerSegment(database, settings);
}

void FtkPutKeyframerRange(FtkDatabase* database, const FtkKeyframerSettings* settings) {
    if (!CheckPutArguments(database, settings)) {
        return;
    }
    FtkChunk* keyframer = FtkFindOrAddKeyframerData(database);
    FtkChunk* headerChunk = FtkFindChunk(keyframer, 0xB00A);
    FtkKeyframerHeader header;
    header.revision = 5;
    if (headerChunk == nullptr) {
        headerChunk = FtkAddChunk(0xB00A, keyframer);
    } else {
        FtkGetKeyframerHeader(headerChunk, header);
    }
    header.animationLength = settings->animationLength;
    FtkSetKeyframerHeader(headerChunk, header);
    FtkChunk* current = FtkFindChild(keyframer, 0xB009);
    SetDword(current != nullptr ? current : FtkAddChunk(0xB009, keyframer), settings->currentFrame);
}

void FtkPutKeyframerSegment(FtkDatabase* database, const FtkKeyframerSettings* settings) {
    if (!CheckPutArguments(database, settings)) {
        return;
    }
    FtkChunk* keyframer = FtkFindOrAddKeyframerData(database);
    if (settings->useSegment == 0) {
        FtkClearChunk(FtkFindChild(keyframer, 0xB008));
        return;
    }
    FtkByteWriter writer;
    writer.Dword(settings->segmentBegin);
    writer.Dword(settings->segmentEnd);
    FtkSetChunkData(FtkReplaceOrAddChild(keyframer, 0xB008), writer.Take());
}
