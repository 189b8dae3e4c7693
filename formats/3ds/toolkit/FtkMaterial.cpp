#include "formats/3ds/toolkit/FtkMaterial.h"

#include "formats/3ds/toolkit/FtkDatabase.h"
#include "formats/3ds/toolkit/FtkErrors.h"
#include "formats/3ds/toolkit/FtkNamedObject.h"
#include "formats/3ds/toolkit/FtkRecord.h"
#include "formats/3ds/toolkit/FtkSceneSettings.h"

#include <cmath>
#include <new>
#include <string>

namespace {

constexpr float kColorByteScale = 0.003921569f;  // 1/255 in single precision
constexpr std::size_t kMapNameLength = 12;

// The map (or mask) chunk and the procedural-data chunk of each map; the reflection map has
// no procedural data of its own.
constexpr std::uint32_t kMapChunks[kFtkMapCount] = {0xA200, 0xA33E, 0xA33A, 0xA340, 0xA210, 0xA342,
                                                   0xA230, 0xA344, 0xA204, 0xA348, 0xA33C, 0xA346,
                                                   0xA33D, 0xA34A, 0xA220, 0xA34C};
constexpr std::uint32_t kProcChunks[kFtkMapCount] = {0xA320, 0xA32A, 0xA321, 0xA32C, 0xA322, 0xA32E,
                                                    0xA324, 0xA330, 0xA325, 0xA332, 0xA326, 0xA334,
                                                    0xA328, 0xA336, 0,      0xA338};

// Map flag bits (0xA351).
constexpr std::uint16_t kTileBit = 0x01;
constexpr std::uint16_t kMirrorBit = 0x02;
constexpr std::uint16_t kNegativeBit = 0x08;
constexpr std::uint16_t kDecalBit = 0x10;
constexpr std::uint16_t kSummedAreaBit = 0x20;
constexpr std::uint16_t kAlphaSourceBit = 0x40;
constexpr std::uint16_t kTintBit = 0x80;
constexpr std::uint16_t kIgnoreAlphaBit = 0x100;
constexpr std::uint16_t kRgbTintBit = 0x200;

int MapIndexOf(const std::uint32_t (&table)[kFtkMapCount], std::uint32_t id) {
    for (int i = 0; i < kFtkMapCount; ++i) {
        if (table[i] == id && id != 0) {
            return i;
        }
    }
    return -1;
}

float ReadFloat(FtkChunk* chunk) {
    FtkByteReader reader = FtkChunkReader(chunk);
    const float value = reader.Float();
    if (!reader.Ok()) {
        FtkSetError(ERR_INVALID_CHUNK);
    }
    return value;
}

std::int16_t ReadShort(FtkChunk* chunk) {
    FtkByteReader reader = FtkChunkReader(chunk);
    const std::int16_t value = reader.Short();
    if (!reader.Ok()) {
        FtkSetError(ERR_INVALID_CHUNK);
    }
    return value;
}

FtkColor ReadColorBytes(FtkChunk* chunk) {
    FtkByteReader reader = FtkChunkReader(chunk);
    const FtkColor color = reader.ColorBytes(kColorByteScale);
    if (!reader.Ok()) {
        FtkSetError(ERR_INVALID_CHUNK);
    }
    return color;
}

void DecodeMapFlags(std::uint16_t flags, FtkTextureMap& map) {
    map.tiling = (flags & (kTileBit | kDecalBit)) == 0 ? 1 : (flags & kDecalBit) != 0 ? 2 : 3;
    map.ignoreAlpha = (flags & kIgnoreAlphaBit) != 0;
    map.filter = (flags & kSummedAreaBit) != 0 ? 1 : 0;
    map.mirror = (flags & kMirrorBit) != 0;
    map.negative = (flags & kNegativeBit) != 0;
    const bool tint = (flags & kTintBit) != 0;
    const bool alpha = (flags & kAlphaSourceBit) != 0;
    map.tintSource = tint ? (alpha ? 3 : 2) : (flags & kRgbTintBit) != 0 ? 4 : alpha ? 1 : 0;
}

std::uint16_t EncodeMapFlags(const FtkTextureMap& map) {
    std::uint16_t flags = map.tiling == 2 ? kDecalBit | kTileBit : map.tiling == 3 ? kTileBit : 0;
    flags |= map.ignoreAlpha != 0 ? kIgnoreAlphaBit : 0;
    flags |= map.filter == 1 ? kSummedAreaBit : 0;
    flags |= map.mirror != 0 ? kMirrorBit : 0;
    flags |= map.negative != 0 ? kNegativeBit : 0;
    constexpr std::uint16_t kTintFlags[] = {0, kAlphaSourceBit, kTintBit, kTintBit | kAlphaSourceBit, kRgbTintBit};
    flags |= map.tintSource >= 1 && map.tintSource <= 4 ? kTintFlags[map.tintSource] : 0;
    return static_cast<std::uint16_t>(flags);
}

}  // namespace

void FtkReadTextureMap(FtkChunk* mapChunk, FtkTextureMap& map) {
    map.percent = FtkReadPercentage(mapChunk);
    for (FtkChunk* child = mapChunk->children.get(); child != nullptr && !FtkShouldStop(); child = child->next.get()) {
        switch (child->id) {
            case 0xA300: FtkCopyName(map.name, FtkChunkString(child).c_str()); break;
            case 0xA351: {
                FtkByteReader reader = FtkChunkReader(child);
                const std::uint16_t flags = reader.Word();
                if (reader.Ok()) DecodeMapFlags(flags, map);
                break;
            }
            case 0xA353: map.blur = ReadFloat(child); break;
            case 0xA354: map.uScale = ReadFloat(child); break;
            case 0xA356: map.vScale = ReadFloat(child); break;
            case 0xA358: map.uOffset = ReadFloat(child); break;
            case 0xA35A: map.vOffset = ReadFloat(child); break;
            case 0xA35C: map.rotation = ReadFloat(child); break;
            case 0xA360: map.tint1 = ReadColorBytes(child); break;
            case 0xA362: map.tint2 = ReadColorBytes(child); break;
            case 0xA364: map.redTint = ReadColorBytes(child); break;
            case 0xA366: map.greenTint = ReadColorBytes(child); break;
            case 0xA368: map.blueTint = ReadColorBytes(child); break;
            default: break;
        }
    }
    if (mapChunk->id == kMapChunks[kFtkBumpMap]) {
        if (FtkChunk* amount = FtkFindChild(mapChunk, 0xA252)) {
            map.percent = static_cast<float>(ReadShort(amount)) * 0.01f;
        }
    }
}

namespace {

void ReadProcData(FtkChunk* chunk, FtkTextureMap& map) {
    const FtkChunkData* data = FtkReadChunkData(chunk);
    map.procData = data != nullptr ? data->bytes : std::vector<std::uint8_t>();
    map.procDataSize = static_cast<std::uint32_t>(map.procData.size());
}

// One child of a material entry into the record. Children the record has no field for (the
// chunks other programs write, extended data) are passed over: they stay in the database, so
// a database loaded and saved again keeps them byte for byte.
void ReadMaterialChild(FtkChunk* child, FtkMaterial& material, bool& falloffInwards) {
    FtkColor* const colors[] = {&material.ambient, &material.diffuse, &material.specular};
    switch (child->id) {
        case 0xA000: FtkCopyName(material.name, FtkChunkString(child).c_str()); return;
        case 0xA010:
        case 0xA020:
        case 0xA030:
            // Either form of the public chunk list is read; the gamma-corrected one wins.
            if (!FtkReadColorChildren(child, false, kColorByteScale, *colors[(child->id - 0xA010) >> 4])) {
                FtkSetError(ERR_UNFOUND_CHUNK);
            }
            return;
        case 0xA040: material.shininess = FtkReadPercentage(child); return;
        case 0xA041: material.shinStrength = FtkReadPercentage(child); return;
        case 0xA042: return;
        case 0xA050: material.transparency = FtkReadPercentage(child); return;
        case 0xA052: material.transFalloff = FtkReadPercentage(child); return;
        case 0xA053: material.blur = FtkReadPercentage(child); return;
        case 0xA084: material.selfIllumPct = FtkReadPercentage(child); return;
        case 0xA100: material.shading = ReadShort(child); return;
        case 0xA087: material.wireSize = ReadFloat(child); return;
        case 0xA080: material.selfIllum = 1; return;
        case 0xA081: material.twoSided = 1; return;
        case 0xA083: material.additive = 1; return;
        case 0xA085: material.shading = 0; return;
        case 0xA088: material.faceMap = 1; return;
        case 0xA08A: falloffInwards = true; return;
        case 0xA08C: material.soften = 1; return;
        case 0xA08E: material.wireAbsolute = 1; return;
        case 0xA240: material.useFalloff = 1; return;
        case 0xA250: material.useBlur = 1; return;
        case 0xA310: {
            FtkByteReader reader = FtkChunkReader(child);
            reader.Skip(2);
            const std::uint16_t flags = reader.Word();
            const std::uint32_t size = reader.Dword();
            const std::uint32_t nthFrame = reader.Dword();
            if (!reader.Ok()) {
                FtkSetError(ERR_INVALID_CHUNK);
                return;
            }
            FtkAutoReflection& automatic = material.autoReflection;
            automatic.useAuto = 1;
            automatic.flagBit3 = (flags & 9) == 9;
            automatic.flagBit4 = (flags & 17) == 17;
            automatic.size = static_cast<std::int32_t>(size);
            automatic.nthFrame = static_cast<std::int32_t>(nthFrame);
            return;
        }
        default: break;
    }
    if (const int map = MapIndexOf(kMapChunks, child->id); map >= 0) {
        FtkReadTextureMap(child, material.maps[map]);
    } else if (const int proc = MapIndexOf(kProcChunks, child->id); proc >= 0) {
        ReadProcData(child, material.maps[proc]);
    }
}

void AddPercentage(FtkChunk* parent, std::uint32_t id, std::int16_t value) {
    FtkChunk* chunk = FtkAddChunk(id, parent);
    FtkByteWriter writer;
    writer.Short(value);
    FtkSetChunkData(FtkAddChunk(0x0030, chunk), writer.Take());
}

void AddBytes(FtkChunk* parent, std::uint32_t id, FtkByteWriter& writer) {
    FtkSetChunkData(FtkAddChunk(id, parent), writer.Take());
}

void AddFloat(FtkChunk* parent, std::uint32_t id, float value) {
    FtkByteWriter writer;
    writer.Float(value);
    AddBytes(parent, id, writer);
}

void AddColorBytes(FtkChunk* parent, std::uint32_t id, const FtkColor& color) {
    FtkByteWriter writer;
    writer.ColorBytes(color);
    AddBytes(parent, id, writer);
}

void AddMaterialColor(FtkChunk* entry, std::uint32_t id, const FtkColor& color) {
    FtkChunk* chunk = FtkAddChunk(id, entry);
    AddColorBytes(chunk, 0x0011, color);
    AddColorBytes(chunk, 0x0012, color);
}

}  // namespace

void FtkWriteTextureMap(FtkChunk* mapChunk, const FtkTextureMap& map) {
    FtkByteWriter percent;
    percent.Short(FtkPercentWord(map.percent, 0.5f));
    AddBytes(mapChunk, 0x0030, percent);
    FtkSetChunkString(FtkAddChunk(0xA300, mapChunk), std::string(map.name, strnlen(map.name, kMapNameLength)));
    FtkByteWriter flags;
    flags.Word(EncodeMapFlags(map));
    AddBytes(mapChunk, 0xA351, flags);
    if (map.uScale != 1.0f || map.vScale != 1.0f) {
        AddFloat(mapChunk, 0xA354, map.uScale);
        AddFloat(mapChunk, 0xA356, map.vScale);
    }
    if (map.uOffset != 0.0f || map.vOffset != 0.0f) {
        AddFloat(mapChunk, 0xA358, map.uOffset);
        AddFloat(mapChunk, 0xA35A, map.vOffset);
    }
    if (map.rotation != 0.0f) AddFloat(mapChunk, 0xA35C, map.rotation);
    if (map.blur != 0.0f) AddFloat(mapChunk, 0xA353, map.blur);
    if (map.tintSource == 2 || map.tintSource == 3) {
        AddColorBytes(mapChunk, 0xA360, map.tint1);
        AddColorBytes(mapChunk, 0xA362, map.tint2);
    } else if (map.tintSource == 4) {
        AddColorBytes(mapChunk, 0xA364, map.redTint);
        AddColorBytes(mapChunk, 0xA366, map.greenTint);
        AddColorBytes(mapChunk, 0xA368, map.blueTint);
    }
}

namespace {

void WriteMaps(FtkChunk* entry, const FtkMaterial& material) {
    for (int i = 0; i < kFtkReflectionMap; ++i) {
        const FtkTextureMap& map = material.maps[i];
        if (map.name[0] == '\0') {
            continue;
        }
        FtkChunk* mapChunk = FtkAddChunk(kMapChunks[i], entry);
        FtkWriteTextureMap(mapChunk, map);
        if (i == kFtkBumpMap) {
            FtkByteWriter amount;
            amount.Short(FtkPercentWord(map.percent, 0.0f));
            AddBytes(mapChunk, 0xA252, amount);
        }
        if (!map.procData.empty() && map.procDataSize > 0) {
            FtkByteWriter proc;
            proc.Bytes(map.procData.data(), std::min<std::size_t>(map.procDataSize, map.procData.size()));
            AddBytes(entry, kProcChunks[i], proc);
        }
    }
    const FtkTextureMap& reflection = material.maps[kFtkReflectionMap];
    if (reflection.name[0] != '\0' || material.autoReflection.useAuto != 0) {
        FtkChunk* mapChunk = FtkAddChunk(kMapChunks[kFtkReflectionMap], entry);
        FtkByteWriter percent;
        percent.Short(FtkPercentWord(reflection.percent, 0.5f));
        AddBytes(mapChunk, 0x0030, percent);
        FtkSetChunkString(FtkAddChunk(0xA300, mapChunk),
                          std::string(reflection.name, strnlen(reflection.name, kMapNameLength)));
    }
    const FtkTextureMap& mask = material.maps[kFtkReflectionMask];
    if (mask.name[0] != '\0') {
        FtkWriteTextureMap(FtkAddChunk(kMapChunks[kFtkReflectionMask], entry), mask);
        if (!mask.procData.empty() && mask.procDataSize > 0) {
            FtkByteWriter proc;
            proc.Bytes(mask.procData.data(), std::min<std::size_t>(mask.procDataSize, mask.procData.size()));
            AddBytes(entry, kProcChunks[kFtkReflectionMask], proc);
        }
    }
    const FtkAutoReflection& automatic = material.autoReflection;
    if (automatic.useAuto != 0) {
        std::uint16_t flags = automatic.flagBit3 != 0 ? 9 : 1;
        flags |= automatic.flagBit4 != 0 ? 17 : 0;
        FtkByteWriter writer;
        writer.Byte(0);
        writer.Byte(0);
        writer.Word(flags);
        writer.Dword(static_cast<std::uint32_t>(automatic.size));
        writer.Dword(static_cast<std::uint32_t>(automatic.nthFrame));
        AddBytes(entry, 0xA310, writer);
    }
}

}  // namespace

float FtkReadPercentage(FtkChunk* parent) {
    if (FtkChunk* word = FtkFindChild(parent, 0x0030)) {
        return static_cast<float>(ReadShort(word)) * 0.01f;
    }
    if (FtkChunk* real = FtkFindChild(parent, 0x0031)) {
        return ReadFloat(real);
    }
    return 0.0f;
}

std::int16_t FtkPercentWord(float value, float round) {
    // A percentage read is the file's whole percent times 0.01 in single precision, often a
    // hair below it (20 % reads as 0.19999999): truncated, it would lose a percent on every
    // first write. Within the tolerance of a whole percent, that percent is written.
    const double scaled = static_cast<double>(value) * 100.0;
    const double whole = std::round(scaled);
    if (std::fabs(scaled - whole) < kWholePercentTolerance) {
        return FtkClampShort(static_cast<float>(whole));
    }
    return FtkClampShort(static_cast<float>(scaled + round));
}

std::int16_t FtkClampShort(float scaled) {
    if (std::isnan(scaled)) {
        return 0;
    }
    if (scaled >= 32767.0f) return 32767;
    if (scaled <= -32768.0f) return -32768;
    return static_cast<std::int16_t>(scaled);
}

void FtkInitTextureMap(FtkTextureMap* map) {
    if (map != nullptr) {
        *map = FtkTextureMap();
    }
}

void FtkInitMaterial(std::unique_ptr<FtkMaterial>& material) {
    FtkResetRecord(material);
}

void FtkReleaseMaterial(std::unique_ptr<FtkMaterial>& material) { material.reset(); }

std::uint32_t FtkMaterialCount(FtkDatabase* database) {
    FtkUpdateMaterialList(database);
    return database != nullptr && database->materialList != nullptr
               ? static_cast<std::uint32_t>(database->materialList->entries.size())
               : 0;
}

bool FtkGetMaterialByIndex(FtkDatabase* database, std::uint32_t index, std::unique_ptr<FtkMaterial>& material) {
    FtkChunk* entry = FtkMaterialByIndex(database, index);
    if (entry == nullptr) {
        return false;
    }
    if (entry->id != 0xAFFF) {
        FtkSetError(ERR_INVALID_CHUNK);
        return false;
    }
    FtkInitMaterial(material);
    if (material == nullptr) {
        return false;
    }
    bool falloffInwards = false;
    for (FtkChunk* child = entry->children.get(); child != nullptr && !FtkShouldStop(); child = child->next.get()) {
        ReadMaterialChild(child, *material, falloffInwards);
    }
    // Applied after the walk, so that the switch works before or after the falloff chunk.
    if (falloffInwards) {
        material->transFalloff = -material->transFalloff;
    }
    return !FtkShouldStop();
}

void FtkPutMaterial(FtkDatabase* database, const FtkMaterial* material) {
    if (material == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return;
    }
    const std::string name(material->name, strnlen(material->name, sizeof material->name - 1));
    FtkPutFrame frame = FtkBeginMaterialPut(database, name.c_str());
    FtkChunk* entry = frame.entity;
    if (entry == nullptr) {
        return;
    }
    AddMaterialColor(entry, 0xA010, material->ambient);
    AddMaterialColor(entry, 0xA020, material->diffuse);
    AddMaterialColor(entry, 0xA030, material->specular);
    AddPercentage(entry, 0xA040, FtkPercentWord(material->shininess, 0.0f));
    AddPercentage(entry, 0xA041, FtkPercentWord(material->shinStrength, 0.0f));
    AddPercentage(entry, 0xA050, FtkPercentWord(material->transparency, 0.0f));
    AddPercentage(entry, 0xA052, FtkClampShort(std::round(std::fabs(material->transFalloff * 100.0f))));
    if (material->transFalloff < 0.0f) {
        FtkAddChunk(0xA08A, entry);
    }
    AddPercentage(entry, 0xA053, FtkPercentWord(material->blur, 0.0f));
    FtkByteWriter shading;
    shading.Word(static_cast<std::uint16_t>(material->shading));
    AddBytes(entry, 0xA100, shading);
    AddPercentage(entry, 0xA084, FtkPercentWord(material->selfIllumPct, 0.0f));
    if (material->twoSided != 0) FtkAddChunk(0xA081, entry);
    AddFloat(entry, 0xA087, material->wireSize);
    const std::pair<std::uint8_t, std::uint32_t> switches[] = {
        {material->useBlur, 0xA250}, {material->useFalloff, 0xA240}, {material->selfIllum, 0xA080},
        {material->additive, 0xA083}, {material->useWire, 0xA085},   {material->wireAbsolute, 0xA08E},
        {material->faceMap, 0xA088},  {material->soften, 0xA08C}};
    for (const auto& [on, id] : switches) {
        if (on != 0) FtkAddChunk(id, entry);
    }
    WriteMaps(entry, *material);
    FtkEndPut(frame, entry);
}
