// Texture networks and vertex colours of the import.
//
// A material's textures become host file textures (named after the texture, with a 2-D
// placement node), one straight into the shader's "color", several through a layered texture
// whose top input is the first texture. Each texture of the file has one file node, whatever the
// layered textures and meshes it feeds (a NURBS surface, which places it its own way, has its
// own), and a shader that geometries share one layered texture. A relative file name is taken below the folder of the file being imported.
//
// Placement: on a mesh the texture's U values go to the placement's U plugs and its V values
// to its V plugs, as the export reads them back. A NURBS surface's host directions are the
// SDK's swapped (HostNurbsSurface.h), so there the texture's V goes to the host's U and its
// rotation turns the other way; a closed direction moves by two of its control-point steps.
// The file's translation leaves out what the rotation about the middle of the map brings
// (TurnedPlacementPivot), which the offsets get back: a placement the export wrote comes back
// with its offsets, repeats and rotation (translateFrameU/V taken off the offsets and rotateUV
// added to rotateFrame, as the export writes them), and a file of another program is placed as
// the export would have meant it.

#include "hostimport/MaterialAssignment.h"
#include "hostimport/WyxVexaImportSession.h"

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxTexture.h"
#include "core/FilePaths.h"
#include "fileio/RWyxFileImporter.h"
#include "platform/NativeFiles.h"
#include "plugin/HostUtilities.h"

#include <vexa/VColorArray.h>
#include <vexa/VDGModifier.h>
#include <vexa/VFnAttribute.h>
#include <vexa/VFnMesh.h>
#include <vexa/VGlobal.h>
#include <vexa/VPlugArray.h>
#include <vexa/VSelectionList.h>
#include <vexa/VStringArray.h>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace {

constexpr double kDegreesToRadians = 0.017453292519943295;

// Layered textures are numbered over the process: layeredTexture0, layeredTexture1, ...
int gLayeredTextureCount = 0;

// Host blend modes of a layered texture's inputs, by the texture element's blend mode.
constexpr short kHostBlendAdditive = 4;
constexpr short kHostBlendModulate = 6;
constexpr short kHostBlendOver = 0;

// The node a creating command names first; the null object, the failure printed, when none.
VObject NodeMadeBy(const VString& command, const char* failure) {
    VStringArray made;
    VStatus status = VGlobal::executeCommand(command, made);
    if (status && made.length() == 0) status = VStatus(VStatus::kFailure, "the host made no node");
    VSelectionList list;
    VObject node;
    if (status) status = list.add(made[0]);
    if (status) status = list.getDependNode(0, node);
    PrintStatusError(status, failure);
    return status ? node : VObject();
}

VStatus Connect(const VPlug& source, const VPlug& destination) {
    VDGModifier modifier;
    VStatus status = modifier.connect(source, destination);
    return status ? modifier.doIt() : status;
}

short HostBlendMode(int mode) {
    if (mode == RWyxLayerElementTexture::kAdditive) return kHostBlendAdditive;
    return mode == RWyxLayerElementTexture::kModulate ? kHostBlendModulate : kHostBlendOver;
}

// The file texture whose colour feeds the target, which keeps it; null when none does (a target
// without incoming connections, or one fed by something else, takes a new texture).
VObject FeedingFileTexture(const VPlug& target) {
    VPlugArray sources;
    if (!target.connectedTo(sources, true, false) || sources.length() == 0) return VObject();
    for (unsigned i = 0; i < sources.length(); ++i) {
        const bool fileColor = sources[i].node().hasFn(VFn::kFileTexture) &&
                               VFnAttribute(sources[i].attribute()).name() == "outColor";
        if (!fileColor) return VObject();
    }
    return sources[0].node();
}

// What a file node's placement depends on besides its texture: nothing on a mesh, the surface
// on a NURBS surface (its directions are swapped and a closed one moves the offset, PlacementOf).
using FileKey = std::pair<const RWyxTexture*, const RWyxLayerContainer*>;
FileKey FilePlacement(const RWyxTexture& texture, const RWyxLayerContainer& geometry) {
    return {&texture, geometry.GetAttributeType() == RWyxNodeAttribute::kNurb ? &geometry : nullptr};
}

// The file nodes that feed the inputs of the layered texture feeding the shader's colour, when
// they are those made for the assignment's textures, in its order and with its blend modes (a
// shader that another geometry gave the same stack); none otherwise.
std::vector<VObject> SharedLayeredInputs(const MaterialAssignment& assignment, const std::map<FileKey, VObject>& fileNodes) {
    VPlugArray sources;
    const VPlug color = VFnDependencyNode(assignment.shader).findPlug("color");
    if (!color.connectedTo(sources, true, false) || sources.length() != 1) return {};
    const VObject layered = sources[0].node();
    const VFnDependencyNode node(layered);
    const int count = static_cast<int>(assignment.textures.size());
    const bool own = std::find(assignment.ownFiles.begin(), assignment.ownFiles.end(), true) != assignment.ownFiles.end();
    if (own || !layered.hasFn(VFn::kLayeredTexture) || static_cast<int>(node.findPlug("inputs").numElements()) != count) {
        return {};
    }
    std::vector<VObject> files;
    for (int k = 0; k < count; ++k) {
        const VString input = VString("inputs[") + (count - 1 - k) + "].";
        const auto file = fileNodes.find(FilePlacement(*assignment.textures[static_cast<size_t>(k)], *assignment.geometry));
        if (file == fileNodes.end() || FeedingFileTexture(node.findPlug(input + "color")) != file->second ||
            node.findPlug(input + "blendMode").asInt() != HostBlendMode(assignment.blendModes[static_cast<size_t>(k)])) {
            return {};
        }
        files.push_back(file->second);
    }
    return files;
}

void SetPlacement(const VFnDependencyNode& placement, const char* plugName, double value) {
    VStatus status;
    VPlug plug = placement.findPlug(plugName, &status);
    if (status) status = plug.setValue(value);
    PrintStatusError(status, plugName);
}

struct Placement {
    double offsetU;
    double offsetV;
    double rotateFrame;
    double repeatU;
    double repeatV;
};

Placement PlacementOf(const RWyxTexture& texture, const RWyxLayerContainer& geometry) {
    const double degrees = texture.GetRotationW();
    if (geometry.GetAttributeType() != RWyxNodeAttribute::kNurb) {
        const PlacementPivot pivot = TurnedPlacementPivot(degrees);
        return {texture.GetTranslationU() + pivot.u, texture.GetTranslationV() + pivot.v, degrees * kDegreesToRadians,
                texture.GetScalingU(), texture.GetScalingV()};
    }
    const auto& nurb = static_cast<const RWyxNurb&>(geometry);
    const auto closedStep = [](int type, int count) {
        return type == RWyxNurb::kClosed && count > 0 ? 2.0 / count : 0.0;
    };
    const PlacementPivot pivot = TurnedPlacementPivot(-degrees);
    return {texture.GetTranslationV() + closedStep(nurb.GetVType(), nurb.GetVCount()) + pivot.u,
            texture.GetTranslationU() + closedStep(nurb.GetUType(), nurb.GetUCount()) + pivot.v,
            -degrees * kDegreesToRadians, texture.GetScalingV(), texture.GetScalingU()};
}

bool IsClear(const RWyxColor& color) {
    return color.GetRed() == 0.0 && color.GetGreen() == 0.0 && color.GetBlue() == 0.0 && color.GetAlpha() == 0.0;
}

VColor HostColor(const RWyxColor& color) {
    return VColor(static_cast<float>(color.GetRed()), static_cast<float>(color.GetGreen()),
                  static_cast<float>(color.GetBlue()), static_cast<float>(color.GetAlpha()));
}

}  // namespace

RString WyxVexaImportSession::ResolveTexturePath(const RString& fileName) const {
    if (fileName.IsEmptyText() || !IsRelativePath(fileName.Buffer()) || importer_ == nullptr) return fileName;
    RString folder;
    GetFileDirectory(folder, platform::FullPath(importer_->GetFileName().Buffer()).c_str());
    RString full;
    MakeAbsolutePath(full, folder.Buffer(), fileName.Buffer());
    return RString(platform::ToNativePath(full.Buffer()).c_str());
}

VObject WyxVexaImportSession::ConnectSingleTexture(const VObject& shader, const RWyxTexture& texture,
                                                   const RWyxLayerContainer& geometry, bool ownFile) {
    VStatus status;
    const VPlug color = VFnDependencyNode(shader).findPlug("color", &status);
    PrintStatusError(status, "Cannot find the shader's colour");
    return status ? CreateFileTexture(color, texture, geometry, ownFile) : VObject();
}

VObject WyxVexaImportSession::CreateFileTexture(const VPlug& target, const RWyxTexture& texture,
                                                const RWyxLayerContainer& geometry, bool ownFile) {
    // A shader that geometries share has the texture from the first of them, and a texture one
    // file node.
    const VObject feeding = FeedingFileTexture(target);
    const VString textureName(texture.GetNameWithoutPrefix().Buffer());
    if (!feeding.isNull() && VFnDependencyNode(feeding).name() == textureName) return feeding;
    const FileKey key = FilePlacement(texture, geometry);
    const auto made = ownFile ? fileNodes_.end() : fileNodes_.find(key);
    if (made != fileNodes_.end()) {
        if (!feeding.isNull()) return feeding;
        PrintStatusError(Connect(VFnDependencyNode(made->second).findPlug("outColor"), target), "Cannot connect the texture.");
        return made->second;
    }
    const VObject file = NodeMadeBy("shadingNode -at file", "Cannot create the texture.");
    if (file.isNull()) return feeding;
    fileNodes_.emplace(key, file);
    VFnDependencyNode fileNode(file);
    VStatus status;
    fileNode.setName(textureName, &status);
    PrintStatusError(status, "Cannot name the texture.");
    VPlug name = fileNode.findPlug("fileTextureName", &status);
    if (status) status = name.setValue(VString(ResolveTexturePath(texture.GetFileName()).Buffer()));
    PrintStatusError(status, "Cannot find the texture file name.");

    const VObject placement = NodeMadeBy("shadingNode -au place2dTexture", "Cannot create the texture placement object.");
    const VFnDependencyNode placementNode(placement);
    if (!placement.isNull()) {
        status = Connect(placementNode.findPlug("outUV"), fileNode.findPlug("uv"));
        PrintStatusError(status, "Cannot connect the texture placement.");
    }
    if (feeding.isNull()) {
        PrintStatusError(Connect(fileNode.findPlug("outColor"), target), "Cannot connect the texture.");
    }
    const VObject used = feeding.isNull() ? file : feeding;
    if (placement.isNull()) return used;
    const Placement values = PlacementOf(texture, geometry);
    SetPlacement(placementNode, "offsetU", values.offsetU);
    SetPlacement(placementNode, "offsetV", values.offsetV);
    SetPlacement(placementNode, "rotateFrame", values.rotateFrame);
    SetPlacement(placementNode, "repeatU", values.repeatU);
    SetPlacement(placementNode, "repeatV", values.repeatV);
    return used;
}

std::vector<VObject> WyxVexaImportSession::CreateLayeredTexture(const MaterialAssignment& assignment) {
    const std::vector<VObject> shared = SharedLayeredInputs(assignment, fileNodes_);
    if (!shared.empty()) return shared;
    const VString name = VString("layeredTexture") + gLayeredTextureCount++;
    const VObject layered = NodeMadeBy("shadingNode -at layeredTexture", "Cannot create the texture.");
    std::vector<VObject> files(assignment.textures.size());
    if (layered.isNull()) return files;
    VFnDependencyNode layeredNode(layered);
    VStatus status;
    layeredNode.setName(name, &status);
    PrintStatusError(status, "Cannot name the texture.");
    const int count = static_cast<int>(assignment.textures.size());
    for (int k = 0; k < count; ++k) {
        // The first texture on top: the highest input.
        const VString input = VString("inputs[") + (count - 1 - k) + "].";
        VPlug blend = layeredNode.findPlug(input + "blendMode", &status);
        if (status) status = blend.setValue(HostBlendMode(assignment.blendModes[static_cast<size_t>(k)]));
        PrintStatusError(status, "Cannot set the texture's blend mode.");
        VPlug alpha = layeredNode.findPlug(input + "alpha", &status);
        if (status) status = alpha.setValue(assignment.textures[static_cast<size_t>(k)]->GetDefaultAlpha());
        PrintStatusError(status, "Cannot set the texture's alpha.");
        const VPlug color = layeredNode.findPlug(input + "color", &status);
        PrintStatusError(status, "Cannot find the texture's colour.");
        if (status) {
            files[static_cast<size_t>(k)] = CreateFileTexture(color, *assignment.textures[static_cast<size_t>(k)],
                                                              *assignment.geometry, assignment.OwnFile(static_cast<size_t>(k)));
        }
    }
    const VPlug shaderColor = VFnDependencyNode(assignment.shader).findPlug("color", &status);
    if (status) status = Connect(layeredNode.findPlug("outColor"), shaderColor);
    PrintStatusError(status, "Cannot connect the layered texture.");
    return files;
}

bool WyxVexaImportSession::ImportVertexColors(const RWyxMesh& mesh, VFnMesh& host,
                                              const std::vector<int>& hostPolygonOf) {
    const RWyxLayer* layer = mesh.GetLayerOfKind(0, RWyxLayerElement::kVertexColor);
    const RWyxLayerElementVertexColor* element = layer != nullptr ? layer->GetVertexColors() : nullptr;
    if (element == nullptr) return false;
    VColorArray colors;
    VIntArray faces;
    VIntArray vertices;
    VStatus status;
    switch (element->GetMappingMode()) {
        case RWyxLayerElement::kByControlPoint: {
            // Direct colours are one per point; a palette (index to direct) is indexed per point.
            if (element->GetReferenceMode() == RWyxLayerElement::kDirect &&
                element->GetDirectCount() != mesh.GetControlPointsCount()) {
                return false;
            }
            for (int i = 0; i < mesh.GetControlPointsCount(); ++i) {
                const RWyxColor* color = element->GetMappedAt(i);
                if (color == nullptr || IsClear(*color)) continue;
                colors.append(HostColor(*color));
                vertices.append(i);
            }
            if (colors.length() > 0) status = host.setVertexColors(colors, vertices);
            break;
        }
        case RWyxLayerElement::kByPolygonVertex: {
            // Entry k is the k-th polygon vertex over all polygons, SDK numbering.
            VIntArray corners;
            for (size_t p = 0; p < hostPolygonOf.size(); ++p) {
                const RWyxMesh::Polygon* polygon = mesh.GetPolygon(static_cast<int>(p));
                const int face = hostPolygonOf[p];
                if (polygon == nullptr || face < 0 || !host.getPolygonVertices(face, corners)) continue;
                for (int v = 0; v < polygon->size && v < static_cast<int>(corners.length()); ++v) {
                    const RWyxColor* color = element->GetMappedAt(polygon->start + v);
                    if (color == nullptr || IsClear(*color)) continue;
                    colors.append(HostColor(*color));
                    faces.append(face);
                    vertices.append(corners[static_cast<unsigned>(v)]);
                }
            }
            if (colors.length() > 0) status = host.setFaceVertexColors(colors, faces, vertices);
            break;
        }
        default:
            break;
    }
    PrintStatusError(status, "Cannot set the mesh's vertex colours");
    return static_cast<bool>(status);
}
