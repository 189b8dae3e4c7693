// Materials and textures: the host shader of a shading group as an SDK material, and the file
// and layered textures feeding its "color" as SDK textures on the geometry's texture layers,
// placed as their place2dTexture nodes say.
//
// One host shader gives one material and one file node one texture for the whole export:
// geometries that share a shader or a file node share the SDK object.

#include "hostexport/WyxVexaExportSession.h"

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxTexture.h"
#include "core/RWyxColor.h"
#include "plugin/HostUtilities.h"
#include "plugin/VexaNode.h"

#include <vexa/VFnAttribute.h>
#include <vexa/VFnDagNode.h>
#include <vexa/VFnLambertShader.h>
#include <vexa/VFnPhongShader.h>
#include <vexa/VFnReflectShader.h>
#include <vexa/VPlug.h>
#include <vexa/VPlugArray.h>

#include <algorithm>

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kMaxCosPower = 128.0;
constexpr int kLayeredTextureDepthLimit = 64;

RWyxColor ColorOf(const VColor& color) { return RWyxColor(color.r, color.g, color.b, 1.0); }

// The colour the shader holds of its own: a texture that feeds the colour plug goes to the
// file as a texture, and the material keeps its own colour beside it.
RWyxColor OwnColorOf(const VFnDependencyNode& shader, const char* stem) {
    double channels[3] = {0.0, 0.0, 0.0};
    const char* const suffixes[3] = {"R", "G", "B"};
    for (int i = 0; i < 3; ++i) {
        VStatus status;
        const VPlug plug = shader.findPlug(VString(stem) + suffixes[i], &status);
        if (status) plug.getOwnValue(channels[i]);
    }
    return RWyxColor(channels[0], channels[1], channels[2], 1.0);
}

// The nodes whose outputs feed the plug.
std::vector<VObject> SourcesOf(const VPlug& plug) {
    std::vector<VObject> sources;
    VPlugArray connected;
    if (plug.isNull() || !plug.connectedTo(connected, true, false)) return sources;
    for (unsigned i = 0; i < connected.length(); ++i) sources.push_back(connected[i].node());
    return sources;
}

VPlug PlugOf(const VObject& node, const char* name) {
    VStatus status;
    const VPlug plug = VFnDependencyNode(node).findPlug(name, &status);
    return status ? plug : VPlug();
}

double ReadDouble(const VObject& node, const char* name, double fallback) {
    VStatus status;
    const VPlug plug = VFnDependencyNode(node).findPlug(name, &status);
    double value = fallback;
    if (status) status = plug.getValue(value);
    if (!status) {
        PrintStatusError(status, (RString("Cannot read ") + name + " of the texture placement").Buffer());
        return fallback;
    }
    return value;
}

// The texture element of a layer, made when missing (index to direct, translucent, alpha 1),
// with the reference, blend and mapping the texture export gives it.
void PrepareTextureElement(RWyxLayerContainer& geometry, int layerIndex, int blendMode, int mapping) {
    RWyxLayer* layer = geometry.EnsureLayer(layerIndex);
    if (layer == nullptr) return;
    RWyxLayerElementTexture* element = layer->GetTextures();
    if (element == nullptr) {
        element = layer->SetTextures(std::make_unique<RWyxLayerElementTexture>());
        element->SetBlendMode(RWyxLayerElementTexture::kTranslucent);
        element->SetAlpha(1.0);
    }
    element->SetReferenceMode(RWyxLayerElement::kIndexToDirect);
    element->SetBlendMode(blendMode);
    element->SetMappingMode(mapping);
}

// The placement of a file texture (its place2dTexture), in degrees for the two angles.
struct Placement {
    double offsetU = 0.0;
    double offsetV = 0.0;
    double frameU = 0.0;
    double frameV = 0.0;
    double rotation = 0.0;  // rotateFrame + rotateUV
    double repeatU = 1.0;
    double repeatV = 1.0;
};

Placement ReadPlacement(const VObject& file) {
    Placement placement;
    const std::vector<VObject> sources = SourcesOf(PlugOf(file, "uv"));
    if (sources.empty()) return placement;
    const VObject& place = sources[0];
    placement.offsetU = ReadDouble(place, "offsetU", 0.0);
    placement.offsetV = ReadDouble(place, "offsetV", 0.0);
    placement.frameU = ReadDouble(place, "translateFrameU", 0.0);
    placement.frameV = ReadDouble(place, "translateFrameV", 0.0);
    placement.rotation = (ReadDouble(place, "rotateFrame", 0.0) + ReadDouble(place, "rotateUV", 0.0)) * kDegreesPerRadian;
    placement.repeatU = ReadDouble(place, "repeatU", 1.0);
    placement.repeatV = ReadDouble(place, "repeatV", 1.0);
    return placement;
}

void PlaceTexture(RWyxTexture& texture, const RWyxGeometry& geometry, Placement placement) {
    // The file's translation leaves out what the rotation about the middle of the map brings;
    // the import adds it back.
    const PlacementPivot pivot = TurnedPlacementPivot(placement.rotation);
    const RWyxNurb* nurb = geometry.GetAttributeType() == RWyxNodeAttribute::kNurb
                               ? static_cast<const RWyxNurb*>(&geometry)
                               : nullptr;
    if (nurb == nullptr) {
        texture.SetScalingUV(placement.repeatU, placement.repeatV);
        texture.SetTranslationUV(placement.offsetU - placement.frameU - pivot.u,
                                 placement.offsetV - placement.frameV - pivot.v);
        texture.SetRotationUVW(0.0, 0.0, placement.rotation);
        return;
    }
    // The surface's U and V are the host's V and U: scaling and translation alike, so that the
    // import (offsetU from translation V, offsetV from translation U) gives the offsets back.
    if (nurb->GetUType() == RWyxNurb::kClosed && nurb->GetUCount() > 0) placement.offsetV -= 2.0 / nurb->GetUCount();
    if (nurb->GetVType() == RWyxNurb::kClosed && nurb->GetVCount() > 0) placement.offsetU -= 2.0 / nurb->GetVCount();
    texture.SetScalingUV(placement.repeatV, placement.repeatU);
    texture.SetTranslationUV(placement.offsetV - placement.frameV - pivot.v, placement.offsetU - placement.frameU - pivot.u);
    texture.SetRotationUVW(0.0, 0.0, -placement.rotation);
    texture.SetSwapUV(true);
}

int BlendModeOf(int hostMode) {
    if (hostMode == 4) return RWyxLayerElementTexture::kAdditive;
    if (hostMode == 6) return RWyxLayerElementTexture::kModulate;
    return RWyxLayerElementTexture::kTranslucent;
}

}  // namespace

int WyxVexaExportSession::ExportShaderMaterial(const VString& name, const VObject& shader, RWyxLayerContainer& geometry) {
    const int present = geometry.FindMaterial(name.asChar(), 0);
    if (present >= 0) return present;
    RWyxMaterial* material = factory_.FindMaterial(name.asChar(), 0);
    if (material != nullptr) {
        const int added = geometry.AddMaterial(material, 0);
        if (added != -1) return added;
    }
    material = factory_.CreateMaterial(name.asChar());
    if (material == nullptr) return -1;
    VStatus status;
    bool applied = false;
    const VFnPhongShader phong(shader, &status);
    if (status) {
        const double power = phong.cosPower();
        material->SetShininess(power > 0.0 ? std::min(power, kMaxCosPower) / kMaxCosPower : 0.0);
        applied = true;
    }
    const VFnReflectShader reflect(shader, &status);
    if (status) {
        material->SetSpecularColor(ColorOf(reflect.specularColor()));
        applied = true;
    }
    const VFnLambertShader lambert(shader, &status);
    if (status) {
        material->SetDiffuseColor(OwnColorOf(lambert, "color"));
        const VColor transparency = lambert.transparency();
        material->SetOpacity(1.0 - (transparency.r + transparency.g + transparency.b) / 3.0);
        material->SetAmbientColor(ColorOf(lambert.ambientColor()));
    } else if (!applied) {
        material->SetAmbientColor(RWyxColor(0.5, 0.5, 0.5, 1.0));
        material->SetDiffuseColor(RWyxColor(0.5, 0.5, 0.5, 1.0));
    }
    return geometry.AddMaterial(material, 0);
}

bool WyxVexaExportSession::ExportFileTexture(VexaNode& node, const VObject& file, ShadingExportInfo& info, int connection,
                                             int layer, float alpha, int alphaSource) {
    static_cast<void>(connection);
    RWyxGeometry* geometry = node.GetGeometry();
    if (geometry == nullptr) return false;
    VStatus status;
    const VPlug namePlug = VFnDependencyNode(file).findPlug("fileTextureName", &status);
    VString fileName;
    if (status) status = namePlug.getValue(fileName);
    if (!status) {
        status.perror("Cannot find the texture file name.");
        return false;
    }
    const VString name = VFnDependencyNode(file).name();
    RWyxTexture* texture = nullptr;
    const int onLayer0 = geometry->FindTexture(name.asChar(), 0);
    if (onLayer0 >= 0) texture = geometry->GetTexture(onLayer0, 0);
    if (texture == nullptr) texture = factory_.FindTexture(name.asChar(), 0);
    if (texture == nullptr) texture = factory_.CreateTexture(name.asChar());
    if (texture == nullptr) return false;
    texture->SetAlphaSource(alphaSource);
    texture->SetDefaultAlpha(alpha);
    texture->SetFileName(fileName.asChar());
    texture->SetMaterialMode(0);
    const RWyxLayer* target = geometry->GetLayer(layer);
    const RWyxLayerElementTexture* element = target != nullptr ? target->GetTextures() : nullptr;
    if (element != nullptr && element->GetBlendMode() >= 0 && element->GetBlendMode() <= 3) {
        texture->SetBlendMode(element->GetBlendMode());
    }
    // The texture's index in the layer it goes to, whichever layer first had it.
    const int index = geometry->AddTexture(texture, layer);
    if (!info.RecordTexture(layer, index, file)) {
        VStatus(VStatus::kFailure, "too many textures on one layer").perror(VString("Cannot export the texture ") + name);
        return false;
    }
    PlaceTexture(*texture, *geometry, ReadPlacement(file));
    return true;
}

bool WyxVexaExportSession::ExportLayeredTexture(VexaNode& node, const VObject& layered, ShadingExportInfo& info) {
    // A layered texture that feeds itself, directly or not, is read once.
    if (std::find(layeredStack_.begin(), layeredStack_.end(), layered) != layeredStack_.end() ||
        static_cast<int>(layeredStack_.size()) >= kLayeredTextureDepthLimit) {
        return false;
    }
    RWyxGeometry* geometry = node.GetGeometry();
    const VPlug inputs = PlugOf(layered, "inputs");
    if (geometry == nullptr || inputs.isNull()) return false;
    layeredStack_.push_back(layered);
    bool recorded = false;
    const int count = static_cast<int>(inputs.numElements());
    for (int i = 0; i < count; ++i) {
        const VPlug element = inputs.elementByPhysicalIndex(static_cast<unsigned>(i));
        const int layer = count - 1 - i;  // the top input on the highest layer
        int blendMode = RWyxLayerElementTexture::kTranslucent;
        double alpha = 1.0;
        VPlug color;
        for (int c = static_cast<int>(element.numChildren()) - 1; c >= 0; --c) {
            const VPlug child = element.child(static_cast<unsigned>(c));
            const VString childName = VFnAttribute(child.attribute()).name();
            if (childName == "blendMode") {
                blendMode = BlendModeOf(child.asInt());
            } else if (childName == "alpha") {
                child.getValue(alpha);
            } else if (childName == "color") {
                color = child;
            }
        }
        for (const VObject& source : SourcesOf(color)) {
            if (source.hasFn(VFn::kLayeredTexture)) {
                recorded = ExportLayeredTexture(node, source, info) || recorded;
                continue;
            }
            PrepareTextureElement(*geometry, layer, blendMode, info.NewTextureMapping());
            recorded = ExportFileTexture(node, source, info, i, layer, static_cast<float>(alpha),
                                         RWyxTexture::kAlphaSourceNone) ||
                       recorded;
        }
    }
    layeredStack_.pop_back();
    return recorded;
}

bool WyxVexaExportSession::ExportShaderTextures(const VObject& shader, VexaNode& node, ShadingExportInfo& info) {
    info.shader = shader;
    const std::vector<VObject> sources = shader.isNull() ? std::vector<VObject>() : SourcesOf(PlugOf(shader, "color"));
    RWyxGeometry* geometry = node.GetGeometry();
    if (sources.empty() || geometry == nullptr) {
        info.RecordNoTexture();
        return false;
    }
    bool recorded = false;
    for (size_t i = 0; i < sources.size(); ++i) {
        const VObject& source = sources[i];
        if (source.hasFn(VFn::kLayeredTexture)) {
            recorded = ExportLayeredTexture(node, source, info) || recorded;
        } else if (source.hasFn(VFn::kFileTexture)) {
            PrepareTextureElement(*geometry, 0, RWyxLayerElementTexture::kTranslucent, info.NewTextureMapping());
            recorded = ExportFileTexture(node, source, info, static_cast<int>(i), 0, 1.0f,
                                         RWyxTexture::kAlphaSourceNone) ||
                       recorded;
        } else {
            info.RecordNoTexture();
        }
    }
    return recorded;
}

void WyxVexaExportSession::ExportSurfaceMaterial(VexaNode& node) {
    const VDagPath* path = node.GetDagPath();
    RWyxGeometry* geometry = node.GetGeometry();
    if (path == nullptr || geometry == nullptr) return;
    VObject group;
    for (unsigned i = 0; i < path->childCount() && group.isNull(); ++i) {
        VDagPath child = *path;
        if (child.push(path->child(i))) group = FindShadingGroup(child);
    }
    const VObject shader = GetSurfaceShader(group);
    if (shader.isNull()) return;
    ShadingExportInfo info;
    info.textureMapping = RWyxLayerElement::kAllSame;
    info.alternativeTextureMapping = RWyxLayerElement::kAllSame;
    info.materialMapping = RWyxLayerElement::kAllSame;
    info.materialIndex = ExportShaderMaterial(VFnDependencyNode(shader).name(), shader, *geometry);
    const bool textures = ExportShaderTextures(shader, node, info);
    ApplyShadingIndices(info, *geometry, textures, 0);
    GiveSurfaceTextureUVs(node);
}
