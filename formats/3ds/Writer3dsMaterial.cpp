#include "formats/3ds/Writer3dsMaterial.h"

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxTexture.h"
#include "attributes/RWyxTextureProperties.h"
#include "core/FilePaths.h"
#include "formats/3ds/RWyxWriter3ds.h"
#include "platform/RFileReplacement.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr int kMapNameLength = 12;
constexpr std::size_t kCopyBlock = 1024;
constexpr double kDegreesToRadians = 3.14159265358979323846 / 180.0;
// The shininess strength that readers take for the specular colour at full strength.
constexpr float kFullShininessStrength = 0.75f;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A texture the file can hold: mapped by UV, of standard use, with a file name.
const RWyxTexture* UsableTexture(const RWyxMesh& mesh, int index) {
    if (index < 0 || index >= mesh.GetTextureCount(0)) return nullptr;
    const RWyxTexture* texture = mesh.GetTexture(index, 0);
    if (texture == nullptr || texture->GetMappingType() != RWyxTextureProperties::kMappingUV ||
        texture->GetTextureUse() != RWyxTextureProperties::kUseStandard || texture->GetFileName().IsEmptyText()) {
        return nullptr;
    }
    return texture;
}

// The record's name, unique in the file as a reader makes materials of them: a material
// without textures is one record under its short name, whichever meshes use it; one with
// textures is a record of the mesh's own, named after the mesh, the material and the textures.
std::string RecordName(RWyxWriter3ds& writer, const RWyxMaterial* material, int materialIndex, int textureA,
                       int textureB, bool hasA, bool hasB) {
    if (!hasA && !hasB) return writer.PlainMaterialName(material);
    std::string name = std::to_string(writer.GetMeshCounter()) + ".Mat" + std::to_string(materialIndex);
    if (hasA && hasB) {
        name += "T" + std::to_string(textureA) + "T" + std::to_string(textureB);
    } else {
        name += "Tex" + std::to_string(hasA ? textureA : textureB);
    }
    return writer.ClaimMaterialName(name);
}

// The map's file name: as stored when short, its last path part when that fits, else "Tex"
// and the index with a warning.
void SetMapName(RWyxWriter3ds& writer, FtkTextureMap& map, const RWyxTexture& texture, int index,
                const char* recordName) {
    const RString& path = texture.GetFileName();
    RString last;
    GetFileName(last, path.Buffer(), true);
    if (path.GetLength() < kMapNameLength) {
        FtkCopyName(map.name, path.Buffer());
    } else if (last.GetLength() <= kMapNameLength) {
        FtkCopyName(map.name, last.Buffer());
    } else {
        const std::string placeholder = "Tex" + std::to_string(index);
        FtkCopyName(map.name, placeholder.c_str());
        writer.AppendMessage(RString("Texture name file: \"") + last + "\" is too long.\nChange manually texture name: \"" +
                             placeholder.c_str() + "\" in material \"" + recordName + "\" by \"" + path +
                             "\" for proper work\n\n");
    }
}

// A scale of 0 would divide by zero in every reader: it is written as 1.
double UsableScale(double scale) { return scale != 0.0 ? scale : 1.0; }

// The placement field of a texture that no float of the file holds as it is (a reader would
// place the map otherwise); null when all are held. The alpha counts for a second map only.
const char* FieldBeyondReals(const RWyxTexture& texture, bool second) {
    if (!RWyxWriter3ds::HoldsReal(texture.GetTranslationU()) || !RWyxWriter3ds::HoldsReal(texture.GetTranslationV())) {
        return "translation";
    }
    if (!RWyxWriter3ds::HoldsReal(texture.GetScalingU()) || !RWyxWriter3ds::HoldsReal(texture.GetScalingV())) {
        return "scaling";
    }
    if (!RWyxWriter3ds::HoldsReal(texture.GetRotationW())) return "rotation";
    return second && !RWyxWriter3ds::HoldsReal(texture.GetDefaultAlpha()) ? "alpha" : nullptr;
}

void FillMap(RWyxWriter3ds& writer, FtkTextureMap& map, const RWyxTexture& texture, int index, bool second,
             const char* recordName) {
    SetMapName(writer, map, texture, index, recordName);
    map.percent = 1.0f;
    if (second) {
        const double alpha = texture.GetDefaultAlpha();
        map.percent = static_cast<float>(texture.GetBlendMode() == RWyxTextureProperties::kBlendAdditive ? alpha * 0.5 : alpha);
    }
    const double scaleU = UsableScale(texture.GetScalingU());
    const double scaleV = UsableScale(texture.GetScalingV());
    map.uScale = static_cast<float>(scaleU);
    map.vScale = static_cast<float>(scaleV);
    const double rotation = texture.GetRotationW();
    const double x = -(texture.GetTranslationU() - 0.5) / scaleU;
    const double y = -(texture.GetTranslationV() - 0.5) / scaleV;
    const double theta = -rotation * kDegreesToRadians;
    const double cx = x * std::cos(theta) - y * std::sin(theta);
    const double cy = x * std::sin(theta) + y * std::cos(theta);
    map.uOffset = static_cast<float>(cx - 0.5);
    map.vOffset = static_cast<float>(0.5 - cy);
    map.rotation = static_cast<float>(-rotation);
    map.tiling = texture.GetWrapModeU() == RWyxTextureProperties::kWrapRepeat ? 1 : 2;
}

double Mean(const RWyxColor& c) { return (c.GetRed() + c.GetGreen() + c.GetBlue()) / 3.0; }

// A reader takes the glow of a material as its diffuse colour times the self-illumination
// share: the share that gives the emissive colour's brightness, so that the emissive colour
// read back is read back again unchanged, and not darkened by the diffuse colour each time.
double SelfIllumination(const RWyxColor& diffuse, const RWyxColor& emissive) {
    const double brightness = Mean(diffuse);
    if (!(brightness > 0.0)) return Mean(emissive);
    return std::min(Mean(emissive) / brightness, 1.0);
}

void SetColors(FtkMaterial& record, const RWyxMaterial& material) {
    auto color = [](const RWyxColor& c) {
        return FtkColor{static_cast<float>(c.GetRed()), static_cast<float>(c.GetGreen()), static_cast<float>(c.GetBlue())};
    };
    const RWyxColor diffuse = material.GetDiffuseColor();
    record.ambient = color(material.GetAmbientColor());
    record.diffuse = color(diffuse);
    // The specular colour goes as it is, with the one strength a reader turns back into
    // full strength (times 4/3): a strength made from the colour would scale it again.
    record.specular = color(material.GetSpecularColor());
    record.shininess = static_cast<float>(material.GetShininess() * 0.5);
    record.shinStrength = kFullShininessStrength;
    record.selfIllumPct = static_cast<float>(SelfIllumination(diffuse, material.GetEmissiveColor()));
    record.transparency = static_cast<float>(1.0 - material.GetOpacity());
    record.twoSided = 1;
}

}  // namespace

std::unique_ptr<FtkMaterial> BuildMaterial3ds(RWyxWriter3ds& writer, const RWyxMesh& mesh, int material,
                                              int textureA, int textureB) {
    const RWyxMaterial* source = mesh.GetMaterial(material, 0);
    const RWyxTexture* a = UsableTexture(mesh, textureA);
    const RWyxTexture* b = UsableTexture(mesh, textureB);
    const bool hasA = a != nullptr;
    const bool hasB = b != nullptr;
    if (a == nullptr) a = b;
    for (const RWyxTexture* texture : {a, b}) {
        const char* field = texture != nullptr ? FieldBeyondReals(*texture, texture == b && hasA) : nullptr;
        if (field != nullptr) {
            writer.RefuseBeyondReals(field, "texture", *texture);
            return nullptr;
        }
    }
    for (const RWyxTexture* texture : {a, b}) {
        if (texture != nullptr) writer.CopyTextureFileLater(texture->GetFileName());
    }
    std::unique_ptr<FtkMaterial> record;
    FtkInitMaterial(record);
    if (record == nullptr) return nullptr;
    if (source != nullptr) SetColors(*record, *source);
    FtkCopyName(record->name, RecordName(writer, source, material, textureA, textureB, hasA, hasB).c_str());
    if (a != nullptr) FillMap(writer, record->maps[kFtkTextureMap], *a, hasA ? textureA : textureB, false, record->name);
    if (b != nullptr && hasA) FillMap(writer, record->maps[kFtkTexture2Map], *b, textureB, true, record->name);
    return record;
}

bool CopyTextureFile(RWyxWriter3ds& writer, const char* path) {
    RString name;
    GetFileName(name, path, true);
    RString target;
    MakeAbsolutePath(target, writer.GetOutputFolder().Buffer(), name.Buffer());
    if (FileExists(target.Buffer())) return true;
    const FilePtr source(writer.OpenTextureFile(path));
    if (source == nullptr) {
        writer.AppendMessage(RString("Unable to locate texture file \"") + path + "\".\n");
        return false;
    }
    // Copied aside and put in place whole: a part of a file would stop every later export
    // from copying it, as a file of that name is never copied over. A read that fails part
    // way leaves such a part, so only a source read to its end is put in place.
    platform::RFileReplacement copy;
    bool written = copy.Begin(target.Buffer());
    char block[kCopyBlock];
    std::size_t count = 0;
    while (written && (count = std::fread(block, 1, sizeof block, source.get())) > 0) {
        written = std::fwrite(block, 1, count, copy.File()) == count;
    }
    if (!written || std::feof(source.get()) == 0 || !copy.Commit()) {
        writer.AppendMessage(RString("Error writing texture file \"") + target + "\".\n");
        return false;
    }
    return true;
}
