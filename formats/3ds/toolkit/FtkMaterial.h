#ifndef WYX_FORMATS_3DS_TOOLKIT_FTKMATERIAL_H
#define WYX_FORMATS_3DS_TOOLKIT_FTKMATERIAL_H

// Materials of a 3DS database: material entries 0xAFFF under the mesh data chunk 0x3D3D (or
// directly under the top chunk of a material library 0x3DAA), read into and written from a
// flat record.
//
// Entry children: 0xA000 name (at most 16 characters); 0xA010, 0xA020, 0xA030 ambient,
// diffuse and specular colours (0x0011 bytes / 255, or 0x0010 floats; 0x0012 or 0x0013
// wins when present); percentages 0xA040 shininess, 0xA041 shine strength, 0xA050
// transparency, 0xA052 transparency falloff, 0xA053 blur, 0xA084 self-illumination (each a
// 0x0030 16-bit value / 100, or a 0x0031 float); 0xA100 shading (16-bit); 0xA087 wire size
// (float); switches without data 0xA080 self-illuminated, 0xA081 two-sided, 0xA083 additive,
// 0xA085 wire, 0xA088 face map, 0xA08A falloff inwards (the falloff reads negative), 0xA08C
// soften, 0xA08E absolute wire size, 0xA240 use falloff, 0xA250 use blur; 0xA310 automatic
// reflection (byte, byte, 16-bit flags, 32-bit size, 32-bit nth frame); the map and mask
// chunks of the sixteen maps with their sub-chunks, and their procedural data.
// Map sub-chunks: 0x0030/0x0031 strength, 0xA300 file name (at most 12 characters), 0xA351
// flags, 0xA353 blur, 0xA354/0xA356 scale, 0xA358/0xA35A offset, 0xA35C rotation (floats),
// 0xA360/0xA362 tints and 0xA364/0xA366/0xA368 red, green and blue tints (bytes / 255);
// the bump map also 0xA252 (16-bit amount / 100). A percentage is written as the value times
// 100, truncated or rounded as each chunk has it, and as the whole percent it lies next to
// when it lies within kWholePercentTolerance of one (FtkPercentWord), so that what was read
// from a file is written as the file had it.
// Extended data 0x8000 to 0x80FF is skipped on reading and a 0x8000 chunk survives a put
// that replaces the entry. Any other child (other programs write material chunks of their own)
// is passed over and stays in the database, so a loaded database saves it byte for byte.

#include "formats/3ds/toolkit/FtkTypes.h"

#include <cstdint>
#include <memory>
#include <vector>

struct FtkDatabase;

enum FtkMapIndex : int {
    kFtkTextureMap,
    kFtkTextureMask,
    kFtkTexture2Map,
    kFtkTexture2Mask,
    kFtkOpacityMap,
    kFtkOpacityMask,
    kFtkBumpMap,
    kFtkBumpMask,
    kFtkSpecularMap,
    kFtkSpecularMask,
    kFtkShininessMap,
    kFtkShininessMask,
    kFtkSelfIllumMap,
    kFtkSelfIllumMask,
    kFtkReflectionMap,
    kFtkReflectionMask,
    kFtkMapCount,
};

struct FtkTextureMap {
    char name[13] = {};  // empty: the map is not used
    float percent = 0.0f;
    std::int32_t tiling = 1;  // 1 tile, 2 decal, 3 both
    std::uint8_t ignoreAlpha = 0;
    std::int32_t filter = 0;  // 0 pyramidal, 1 summed area
    float blur = 0.0f;
    std::uint8_t mirror = 0;
    std::uint8_t negative = 0;
    float uScale = 1.0f;
    float vScale = 1.0f;
    float uOffset = 0.0f;
    float vOffset = 0.0f;
    float rotation = 0.0f;
    std::int32_t tintSource = 0;  // 0 none, 1 alpha, 2 two colours, 3 two colours with alpha, 4 RGB
    FtkColor tint1{0.0f, 0.0f, 0.0f};
    FtkColor tint2{1.0f, 1.0f, 1.0f};
    FtkColor redTint{1.0f, 0.0f, 0.0f};
    FtkColor greenTint{0.0f, 1.0f, 0.0f};
    FtkColor blueTint{0.0f, 0.0f, 1.0f};
    std::uint32_t procDataSize = 0;
    std::vector<std::uint8_t> procData;
};

struct FtkAutoReflection {
    std::uint8_t useAuto = 0;
    std::uint8_t flagBit3 = 0;  // flag value 8
    std::uint8_t flagBit4 = 0;  // flag value 16
    std::int32_t size = 100;
    std::int32_t nthFrame = 1;
};

struct FtkMaterial {
    char name[17] = {};
    FtkColor ambient;
    FtkColor diffuse;
    FtkColor specular;
    float shininess = 0.0f;
    float shinStrength = 0.0f;
    float blur = 0.0f;
    float transparency = 0.0f;
    float transFalloff = 0.0f;
    float selfIllumPct = 0.0f;
    float wireSize = 1.0f;
    std::int32_t shading = 3;  // 0 wire, 1 flat, 2 Gouraud, 3 Phong, 4 metal
    std::uint8_t useBlur = 0;
    std::uint8_t useFalloff = 0;
    std::uint8_t twoSided = 0;
    std::uint8_t selfIllum = 0;
    std::uint8_t additive = 0;
    std::uint8_t useWire = 0;
    std::uint8_t wireAbsolute = 0;
    std::uint8_t faceMap = 0;
    std::uint8_t soften = 0;
    FtkTextureMap maps[kFtkMapCount];
    FtkAutoReflection autoReflection;
};

void FtkInitTextureMap(FtkTextureMap* map);
void FtkInitMaterial(std::unique_ptr<FtkMaterial>& material);
void FtkReleaseMaterial(std::unique_ptr<FtkMaterial>& material);
std::uint32_t FtkMaterialCount(FtkDatabase* database);
// Fills the record from the index-th material entry; false (record untouched, nothing
// recorded) when there is none, false with a recorded code when the entry is damaged.
bool FtkGetMaterialByIndex(FtkDatabase* database, std::uint32_t index, std::unique_ptr<FtkMaterial>& material);
// Adds the entry, or replaces the entry of that name in its place.
void FtkPutMaterial(FtkDatabase* database, const FtkMaterial* material);

// The sub-chunks of one map (or mask) chunk into the record; the bump map's 0xA252 amount
// after the others.
void FtkReadTextureMap(struct FtkChunk* mapChunk, FtkTextureMap& map);
// The sub-chunks of one map under the map chunk: strength, name, flags, and the scale,
// offset, rotation, blur and tints that differ from their defaults.
void FtkWriteTextureMap(struct FtkChunk* mapChunk, const FtkTextureMap& map);
// A percentage sub-chunk of the parent: 0x0030 (16-bit, / 100) or else 0x0031 (float); 0
// without either.
float FtkReadPercentage(struct FtkChunk* parent);
// How near a whole percent a value times 100 written as a percentage is taken for it: far
// above the error of a percentage read in single precision and of the arithmetic on it, far
// below the percent a file holds.
constexpr double kWholePercentTolerance = 1e-3;
// A float times 100 as a 16-bit percentage: the nearest whole percent when it lies within
// kWholePercentTolerance of one, else plus `round` and truncated; held to the 16-bit range.
std::int16_t FtkPercentWord(float value, float round);
// A float truncated toward zero and held to the 16-bit range (NaN as 0).
std::int16_t FtkClampShort(float scaled);

#endif
