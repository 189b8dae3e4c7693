// The texture, material, link and shape records of a version-5 geometry, and the scan of the
// texture and material channels that a take keys.
//
//   Texture: full name { Type; Version: 202; TextureName; Media; Translation: u, v; Scaling:
//     u, v; ModelUVTranslation; ModelUVScaling; Rotation: u, v, w; TextureAlpha;
//     Texture_Alpha_Source; Cropping: four ints; Texture_Mapping_Type; Texture_Planar_Mapping_
//     Normal; SwapUV; MaterialMode; TextureUse; WrapU; WrapV; BlendMode; AnimatedProperty,
//     Animated: "Translation", "Rotation", "Scaling", "Alpha" (those keyed) }
//   Material: full name { Version: 100; ShadingModel (lower case); Ambient; Diffuse; Specular;
//     Emissive; Shininess: the accessor's value x 100; Alpha: the opacity; Reflectivity;
//     AnimatedProperty, Animated: "Emissive", "Ambient", "Diffuse", "Specular", "Opacity",
//     "Reflectivity", "Shininess" (those keyed) }
//   Link: link node's full name { Mode: "Additive" / "Total1" (other modes: none); UserData:
//     id, value; Indexes; Weights; Transform: T L^-1; TransformLink: L; AssociateModel: full
//     name { Transform: A L^-1 }; TransformParent }     nothing for a link without a link node
//   Shape: name { Indexes: the points that differ from the geometry's (0 when none does);
//     Vertices: shape point - geometry point through the pivot, per index (0, 0, 0 for no
//     change); meshes: Normals: the same of the first layer's normals, through the
//     pivot's rotation, when both map one direct normal per control point, else 0, 0, 0 }
//     (RWyxWriterWyx::WriteShape, shared with the version-6 writer)
//   A shape whose point count differs from its geometry's keeps its record (so that the
//   weight channels, numbered by shape, stay with their shapes) as one without change: the
//   single index 0 with zero vectors; its points are left out, with a warning.

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElement.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTexture.h"
#include "attributes/RWyxTextureProperties.h"
#include "attributes/RWyxTypedLayerElement.h"
#include "core/RWyxColor.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeAttribute.h"
#include "wyxwriter/RWyxWriterWyx5.h"
#include "wyxwriter/WyxFields.h"

using namespace wyx_fields;

namespace {

constexpr int kTextureVersion = 202;
constexpr int kMaterialVersion = 100;
constexpr double kShininessRecordScale = 100.0;

// The channels of the animated-property lists in their record order; the first ones are
// vectors (keyed when their X, Y or Z is).
const char* const kTextureChannels[] = {"Translation", "Rotation", "Scaling", "Alpha"};
constexpr int kTextureVectorChannels = 3;
const char* const kMaterialChannels[] = {"Emissive", "Ambient",      "Diffuse", "Specular",
                                         "Opacity",  "Reflectivity", "Shininess"};
constexpr int kMaterialVectorChannels = 4;

template <std::size_t N>
unsigned ScanChannels(RWyxTakeNodeContainer& object, const char* const (&channels)[N], int vectors) {
    unsigned flags = 0;
    for (std::size_t i = 0; i < N; ++i) {
        bool keyed = false;
        if (static_cast<int>(i) < vectors) {
            for (const char* axis : {"X", "Y", "Z"}) keyed = keyed || object.IsAnimatedInAnyTake(channels[i], axis, nullptr);
        } else {
            keyed = object.IsAnimatedInAnyTake(channels[i], nullptr, nullptr);
        }
        if (keyed) flags |= 1u << i;
    }
    return flags;
}

template <std::size_t N>
void WriteAnimatedLists(RWyxFile& file, unsigned flags, const char* const (&channels)[N]) {
    if (flags == 0) return;
    for (const char* field : {"AnimatedProperty", "Animated"}) {
        file.FieldWriteBegin(field);
        for (std::size_t i = 0; i < N; ++i) {
            if ((flags & (1u << i)) != 0) file.FieldWriteString(channels[i]);
        }
        file.FieldWriteEnd();
    }
}

template <typename Key>
unsigned FlagsOf(const std::unordered_map<const Key*, unsigned>& map, const Key* key) {
    const auto found = map.find(key);
    return found != map.end() ? found->second : 0;
}

const char* OrDefault(const char* name, const char* fallback) { return name != nullptr ? name : fallback; }

void WriteColor(RWyxFile& file, const char* name, const RWyxColor& color) {
    WriteField(file, name, color.GetRed(), color.GetGreen(), color.GetBlue());
}

}  // namespace

void RWyxWriterWyx5::ScanAnimatedChannels() {
    for (RWyxTexture* texture : textures_) {
        textureFlags_[texture] = ScanChannels(*texture, kTextureChannels, kTextureVectorChannels);
    }
    for (RWyxMaterial* material : materials_) {
        materialFlags_[material] = ScanChannels(*material, kMaterialChannels, kMaterialVectorChannels);
    }
}

void RWyxWriterWyx5::WriteTexture(RWyxTexture& texture) {
    using Props = RWyxTextureProperties;
    RWyxFile& file = File();
    FieldBlock block(file, "Texture", texture.GetName());
    WriteField(file, "Type", texture.GetTypeName());
    WriteField(file, "Version", kTextureVersion);
    WriteField(file, "TextureName", texture.GetName());
    WriteField(file, "Media", texture.GetMediaName());
    const RWyxTexture::UV translation = texture.GetModelUVTranslation();
    const RWyxTexture::UV scaling = texture.GetModelUVScaling();
    WriteField(file, "Translation", texture.GetTranslationU(), texture.GetTranslationV());
    WriteField(file, "Scaling", texture.GetScalingU(), texture.GetScalingV());
    WriteField(file, "ModelUVTranslation", translation.u, translation.v);
    WriteField(file, "ModelUVScaling", scaling.u, scaling.v);
    WriteField(file, "Rotation", texture.GetRotationU(), texture.GetRotationV(), texture.GetRotationW());
    WriteField(file, "TextureAlpha", texture.GetDefaultAlpha());
    WriteField(file, "Texture_Alpha_Source", AlphaSourceName(texture.GetAlphaSource()));
    WriteField(file, "Cropping", texture.GetCropping(RWyxTexture::kCropTop), texture.GetCropping(RWyxTexture::kCropBottom),
               texture.GetCropping(RWyxTexture::kCropLeft), texture.GetCropping(RWyxTexture::kCropRight));
    WriteField(file, "Texture_Mapping_Type", OrDefault(Props::MappingTypeName(texture.GetMappingType()), "UV"));
    WriteField(file, "Texture_Planar_Mapping_Normal", OrDefault(Props::PlanarNormalName(texture.GetPlanarMappingNormal()), "X"));
    WriteField(file, "SwapUV", texture.GetSwapUV());
    WriteField(file, "MaterialMode", texture.GetMaterialMode());
    WriteField(file, "TextureUse", OrDefault(Props::TextureUseName(texture.GetTextureUse()), "Standard"));
    WriteField(file, "WrapU", texture.GetWrapModeU());
    WriteField(file, "WrapV", texture.GetWrapModeV());
    WriteField(file, "BlendMode", texture.GetBlendMode());
    WriteAnimatedLists(file, FlagsOf(textureFlags_, &texture), kTextureChannels);
}

void RWyxWriterWyx5::WriteMaterial(RWyxMaterial& material) {
    RWyxFile& file = File();
    FieldBlock block(file, "Material", material.GetName());
    WriteField(file, "Version", kMaterialVersion);
    WriteField(file, "ShadingModel", material.GetShadingModel().ToLowerCase());
    WriteColor(file, "Ambient", material.GetAmbientColor());
    WriteColor(file, "Diffuse", material.GetDiffuseColor());
    WriteColor(file, "Specular", material.GetSpecularColor());
    WriteColor(file, "Emissive", material.GetEmissiveColor());
    // The accessor's scale (the stored exponent / 128) times 100.
    WriteField(file, "Shininess", material.GetShininess() * kShininessRecordScale);
    WriteField(file, "Alpha", material.GetOpacity());
    WriteField(file, "Reflectivity", material.GetReflectivity());
    WriteAnimatedLists(file, FlagsOf(materialFlags_, &material), kMaterialChannels);
}

bool RWyxWriterWyx5::WriteLink(RWyxNode& node, RWyxSkinLink& link) {
    const RWyxNode* linkNode = link.GetLink();
    if (linkNode == nullptr) return false;
    RWyxFile& file = File();
    FieldBlock block(file, "Link", linkNode->GetName());
    if (link.GetMode() == RWyxSkinLink::kAdditive) WriteField(file, "Mode", "Additive");
    if (link.GetMode() == RWyxSkinLink::kTotal1) WriteField(file, "Mode", "Total1");
    WriteField(file, "UserData", link.GetUserDataId(), link.GetUserDataValue());
    const std::size_t count = static_cast<std::size_t>(link.GetControlPointIndicesCount());
    WriteInts(file, "Indexes", link.GetControlPointIndices(), count);
    WriteDoubles(file, "Weights", link.GetControlPointWeights(), count);
    const ClusterMatrices matrices =
        ComputeClusterMatrices(link, RString("the link of ") + node.GetName() + " to " + linkNode->GetName());
    WriteMatrix(file, "Transform", matrices.transform);
    WriteMatrix(file, "TransformLink", matrices.link);
    if (const RWyxNode* associate = link.GetAssociateModel()) {
        FieldBlock associateBlock(file, "AssociateModel", associate->GetName());
        WriteMatrix(file, "Transform", matrices.associateModel);
    }
    if (link.IsTransformParentSet()) WriteMatrix(file, "TransformParent", matrices.parent);
    return true;
}
