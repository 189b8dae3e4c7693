// The materials phase of the import: a Phong shader per material (one per material name over
// the session), a shading group per geometry and material, the geometry or its polygons put
// into the groups, then the textures of the geometry's texture layers onto the shaders, linked
// to the UV sets of their layers when the host would map one of them with another set unlinked.
//
// Per-polygon assignments go through the SDK-to-host polygon map that the mesh's creation
// kept (the host mesh lacks the SDK's polygons of size 0 and those it could not make), and
// every material number and texture index read from the file is checked before use.

#include "hostimport/MaterialAssignment.h"
#include "hostimport/WyxVexaImportSession.h"

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElementTexture.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxTexture.h"
#include "plugin/HostUtilities.h"
#include "plugin/NodeTreeWalk.h"
#include "plugin/ProgressDisplay.h"
#include "plugin/ScriptText.h"
#include "plugin/VexaNode.h"
#include "plugin/WyxVexaOptions.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeAttribute.h"

#include <vexa/VFnMesh.h>
#include <vexa/VFnPhongShader.h>
#include <vexa/VFnSingleIndexedComponent.h>
#include <vexa/VGlobal.h>
#include <vexa/VSelectionList.h>
#include <vexa/VStringArray.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>

namespace {

// A shader without a material.
constexpr float kDefaultCosinePower = 3.0f;
const VColor kDefaultSpecular(0.3f, 0.3f, 0.3f, 1.0f);
const VColor kDefaultColor(0.5f, 0.5f, 0.5f, 1.0f);
const VColor kDefaultAmbient(0.4f, 0.4f, 0.4f, 1.0f);
const VColor kNoTransparency(0.0f, 0.0f, 0.0f, 1.0f);
// Shininess 0 to 1 is a cosine power of 0 to 128.
constexpr double kMaximumCosinePower = 128.0;

const char* const kByControlPointWarning =
    "Materials assigned by Control Points. Results may differ from original assignment.";

VString Text(const RString& text) { return VString(text.Buffer()); }

VColor HostColor(const RWyxColor& color) {
    return VColor(static_cast<float>(color.GetRed()), static_cast<float>(color.GetGreen()), static_cast<float>(color.GetBlue()), 1.0f);
}

VObject FindShaderList() {
    VSelectionList list;
    VObject node;
    VStatus status = list.add("defaultShaderList1");
    if (status) status = list.getDependNode(0, node);
    if (!status || node.isNull()) VStatus(VStatus::kNotFound, "defaultShaderList1").perror("Cannot get ShaderList");
    return node;
}

void SetShaderValues(const VObject& shader, const RWyxMaterial* material) {
    VFnPhongShader phong(shader);
    PrintStatusError(phong.setCosPower(kDefaultCosinePower), "Cannot set the shader's cosine power");
    if (material == nullptr) {
        PrintStatusError(phong.setSpecularColor(kDefaultSpecular), "Cannot set the shader's specular colour");
        PrintStatusError(phong.setColor(kDefaultColor), "Cannot set the shader's colour");
        PrintStatusError(phong.setTransparency(kNoTransparency), "Cannot set the shader's transparency");
        PrintStatusError(phong.setAmbientColor(kDefaultAmbient), "Cannot set the shader's ambient colour");
        return;
    }
    PrintStatusError(phong.setCosPower(static_cast<float>(material->GetShininess() * kMaximumCosinePower)),
                     "Cannot set the shader's cosine power");
    PrintStatusError(phong.setSpecularColor(HostColor(material->GetSpecularColor())),
                     "Cannot set the shader's specular colour");
    PrintStatusError(phong.setColor(HostColor(material->GetDiffuseColor())), "Cannot set the shader's colour");
    const float transparency = static_cast<float>(1.0 - material->GetOpacity());
    PrintStatusError(phong.setTransparency(VColor(transparency, transparency, transparency, 1.0f)),
                     "Cannot set the shader's transparency");
    PrintStatusError(phong.setAmbientColor(HostColor(material->GetAmbientColor())),
                     "Cannot set the shader's ambient colour");
    const RString name = material->GetNameWithoutPrefix();
    VStatus status;
    phong.setName(name.IsEmptyText() ? VString("unnamed") : Text(name), &status);
    PrintStatusError(status, "Cannot name the shader");
}

// The winner among the control points' material numbers (counted from 1): the most frequent,
// the first in vertex order on a tie; 0 when no vertex has a number of a material.
int WinningMaterialNumber(const RWyxMesh& mesh, int polygon, int materialCount) {
    const int* numbers = mesh.GetMaterialIndices();
    const int numberCount = mesh.GetMaterialIndexCount();
    std::vector<std::pair<int, int>> tally;  // number, votes; in order of first appearance
    for (int v = 0; v < mesh.GetPolygonSize(polygon); ++v) {
        const int point = mesh.GetPolygonVertex(polygon, v);
        const int number = point >= 0 && point < numberCount ? numbers[point] : 0;
        if (number < 1 || number > materialCount) continue;
        auto entry = tally.begin();
        while (entry != tally.end() && entry->first != number) ++entry;
        if (entry == tally.end()) {
            tally.emplace_back(number, 1);
        } else {
            ++entry->second;
        }
    }
    int winner = 0;
    int votes = 0;
    for (const auto& entry : tally) {
        if (entry.second > votes) {
            winner = entry.first;
            votes = entry.second;
        }
    }
    return winner;
}

// The selection strings of the shape's polygons, a run of consecutive ones in one string.
VStringArray PolygonStrings(const VDagPath& shape, const VIntArray& polygons) {
    VStringArray strings;
    if (polygons.length() == 0) return strings;
    VFnSingleIndexedComponent component;
    const VObject made = component.create(VFn::kMeshPolygonComponent);
    VSelectionList list;
    VStatus status = component.addElements(polygons);
    if (status) status = list.add(shape, made);
    if (status) status = list.getSelectionStrings(strings);
    PrintStatusError(status, "Cannot select the polygons of a material");
    return strings;
}

// The texture an element gives the polygon (0 for all same or a whole-object assignment);
// null when it gives none.
const RWyxTexture* TextureOf(const RWyxLayerElementTexture& element, const RWyxLayerContainer& geometry, int polygon) {
    const int position = element.GetMappingMode() == RWyxLayerElement::kAllSame || polygon < 0 ? 0 : polygon;
    switch (element.GetReferenceMode()) {
        case RWyxLayerElement::kDirect:
        case RWyxLayerElement::kIndexToDirect: {
            RWyxTexture* const* texture = element.GetMappedAt(position);
            return texture != nullptr ? *texture : nullptr;
        }
        case RWyxLayerElement::kIndex: {
            const int index = element.GetIndexAt(position);
            return index >= 0 ? geometry.GetTexture(index) : nullptr;
        }
        default:
            return nullptr;
    }
}

// The textures of every texture layer for the assignments, each once per assignment.
void CollectTextures(const RWyxLayerContainer& geometry, bool isMesh, std::vector<MaterialAssignment>& assignments) {
    for (int n = 0; n < geometry.GetLayerCountOfKind(RWyxLayerElement::kTexture); ++n) {
        const int layer = geometry.GetLayerIndexOfKind(n, RWyxLayerElement::kTexture);
        const RWyxLayerElementTexture* element = geometry.GetLayerOfKind(n, RWyxLayerElement::kTexture)->GetTextures();
        // A surface whose texture layer is empty takes the geometry's first texture, all same.
        RWyxLayerElementTexture fallback;
        if (element->GetDirectCount() == 0 && element->GetIndexCount() == 0) {
            if (isMesh) continue;
            RWyxTexture* first = geometry.GetTexture(0);
            fallback.SetMappingMode(RWyxLayerElement::kAllSame);
            fallback.SetReferenceMode(RWyxLayerElement::kIndexToDirect);
            fallback.AddDirect(first);
            fallback.AddIndex(0);
            fallback.SetBlendMode(first != nullptr ? first->GetBlendMode() : RWyxLayerElementTexture::kTranslucent);
            element = &fallback;
        }
        for (MaterialAssignment& assignment : assignments) {
            const RWyxTexture* texture = TextureOf(*element, geometry, assignment.polygon);
            if (texture == nullptr || texture->GetFileName().IsEmptyText()) continue;
            if (std::find(assignment.textures.begin(), assignment.textures.end(), texture) != assignment.textures.end()) {
                continue;
            }
            assignment.textures.push_back(texture);
            assignment.blendModes.push_back(element->GetBlendMode());
            assignment.layers.push_back(layer);
        }
    }
}

// The UV set each texture layer of the mesh is linked to. A texture maps with the UVs of its own
// layer, and a texture without a link with the host's current set: when some texture's layer
// gives another set, every texture on a layer with UVs is linked to that layer's set, so that an
// export finds each set with its textures; otherwise none needs a link.
std::map<int, VString> UvSetLinks(const RWyxMesh& mesh, const VFnMesh& host,
                                  const std::vector<MaterialAssignment>& assignments) {
    std::map<int, VString> links;
    const VString current = host.currentUVSetName();
    bool needed = false;
    for (const MaterialAssignment& assignment : assignments) {
        for (const int layer : assignment.layers) {
            const VString set = WyxVexaImportSession::UvSetOfLayer(mesh, layer);
            if (set.isEmpty()) continue;
            links[layer] = set;
            needed = needed || set != current;
        }
    }
    if (!needed) links.clear();
    return links;
}

// Whether textures on the two layers map with the same UVs (-1: none).
bool SameUVs(const RWyxMesh& mesh, int a, int b) {
    if (a == b) return true;
    const RWyxLayer* first = mesh.GetLayer(a);
    const RWyxLayer* second = mesh.GetLayer(b);
    const RWyxLayerElementUV* x = first != nullptr ? first->GetUVs() : nullptr;
    const RWyxLayerElementUV* y = second != nullptr ? second->GetUVs() : nullptr;
    if (x == nullptr || y == nullptr) return x == y;
    return x->GetMappingMode() == y->GetMappingMode() && x->GetReferenceMode() == y->GetReferenceMode() &&
           x->DirectArray() == y->DirectArray() && x->IndexArray() == y->IndexArray();
}

// A file node maps with one set of a mesh: a texture that maps there with other UVs than where it
// came first (a layer linked to another set, or one without a link, which maps with the set of
// the first layer with UVs) takes a file node of its own.
void MarkOwnFiles(const RWyxMesh& mesh, const std::map<int, VString>& links, std::vector<MaterialAssignment>& assignments) {
    const int currentLayer = mesh.GetLayerIndexOfKind(0, RWyxLayerElement::kUV);
    std::map<const RWyxTexture*, int> mappedWith;  // the layer of the UVs each texture maps with first
    for (MaterialAssignment& assignment : assignments) {
        for (size_t k = 0; k < assignment.textures.size(); ++k) {
            const int layer = links.count(assignment.layers[k]) > 0 ? assignment.layers[k] : currentLayer;
            const auto [first, added] = mappedWith.emplace(assignment.textures[k], layer);
            assignment.ownFiles.push_back(!added && !SameUVs(mesh, first->second, layer));
        }
    }
}

}  // namespace

void WyxVexaImportSession::ImportMaterials(RWyxNode* node) {
    // Each node before its children, children last to first.
    WalkNodeTree(node, ChildOrder::kLastToFirst, [this](RWyxNode& each) {
        const VString name = Text(each.GetNameWithoutPrefix());
        ProgressTick(&name);
        const auto& vexa = static_cast<const VexaNode&>(each);
        RWyxGeometry* geometry = each.GetGeometry();
        if (vexa.GetDagPath() != nullptr && !vexa.IsMerged() && geometry != nullptr &&
            GetPluginOptions()->GetImportMode() != WyxPluginOptions::kExclusiveMerge) {
            ImportGeometryMaterials(&each, *geometry);
        }
    });
}

VObject WyxVexaImportSession::ShaderForMaterial(RWyxNode* node, const RWyxMaterial* material, VString& group) {
    const RString materialName = material != nullptr ? material->GetNameWithoutPrefix() : RString();
    VObject shader;
    const auto found = material != nullptr ? materialOfName_.find(materialName.Buffer()) : materialOfName_.end();
    // A shader of an earlier import of the session that a new scene has deleted since is made anew.
    VStatus alive;
    if (found != materialOfName_.end()) VFnDependencyNode(materialCache_[found->second].shader, &alive);
    const bool cached = found != materialOfName_.end() && alive;
    if (cached) shader = materialCache_[found->second].shader;
    if (!cached) {
        VStatus status;
        shader = VFnPhongShader().create(true, &status);
        if (!status) status.perror("Cannot create shader");
        if (found != materialOfName_.end()) {
            materialCache_[found->second].shader = shader;
        } else if (material != nullptr) {
            materialOfName_.emplace(materialName.Buffer(), materialCache_.size());
            materialCache_.push_back({materialName, shader});
        }
        if (!shader.isNull()) SetShaderValues(shader, material);
    }
    group = CreateShadingGroup(FindShaderList(), node->GetNameWithoutPrefix(), shader);
    return shader;
}

void WyxVexaImportSession::ImportGeometryMaterials(RWyxNode* node, RWyxLayerContainer& geometry) {
    // A geometry without materials still gets a shader of the defaults.
    const int materialCount = geometry.GetMaterialCount(0);
    std::vector<VString> groups;
    std::vector<VObject> shaders;
    for (int i = 0; i == 0 || i < materialCount; ++i) {
        VString group;
        shaders.push_back(ShaderForMaterial(node, geometry.GetMaterial(i, 0), group));
        groups.push_back(group);
    }
    const int count = static_cast<int>(shaders.size());
    const VDagPath& path = *static_cast<VexaNode*>(node)->GetDagPath();
    std::vector<MaterialAssignment> assignments;
    const auto assign = [&](int m, int polygon) {
        MaterialAssignment assignment;
        assignment.geometry = &geometry;
        assignment.polygon = polygon;
        assignment.shader = shaders[static_cast<size_t>(m)];
        assignments.push_back(assignment);
    };
    const auto assignWhole = [&]() {
        for (int m = 0; m < count; ++m) {
            AddToSet(groups[static_cast<size_t>(m)], path.partialPathName(), true);
            assign(m, -1);
        }
    };

    const RWyxMesh* mesh = node->GetMesh();
    const std::vector<int>* hostPolygonOf = GetHostPolygonMap(node);
    const int mapping = mesh != nullptr ? mesh->GetMaterialMappingKind() : RWyxMesh::kKindAllSame;
    if (mesh == nullptr || hostPolygonOf == nullptr ||
        (mapping != RWyxMesh::kKindByControlPoint && mapping != RWyxMesh::kKindByPolygon)) {
        assignWhole();
    } else {
        // Host polygons per material, and the first SDK polygon of each.
        std::vector<VIntArray> polygons(static_cast<size_t>(count));
        std::vector<int> first(static_cast<size_t>(count), -1);
        const bool byPoint = mapping == RWyxMesh::kKindByControlPoint;
        if (byPoint) ShowDialog("WYX import warning", kByControlPointWarning);
        const int polygonCount = mesh->GetPolygonCount();
        for (int p = 0; p < polygonCount; ++p) {
            const int host = p < static_cast<int>(hostPolygonOf->size()) ? (*hostPolygonOf)[static_cast<size_t>(p)] : -1;
            int m = -1;
            if (byPoint) {
                const VString step = VString("processing polygon ") + (p + 1) + " of " + polygonCount;
                ProgressTick(&step);
                if (host >= 0) m = WinningMaterialNumber(*mesh, p, count) - 1;
            } else {
                const int number = p < mesh->GetMaterialIndexCount() ? mesh->GetMaterialIndices()[p] : -1;
                m = number >= 0 && number < count ? number : -1;
            }
            if (m < 0) continue;
            if (host >= 0) polygons[static_cast<size_t>(m)].append(host);
            if (first[static_cast<size_t>(m)] < 0) first[static_cast<size_t>(m)] = p;
        }
        VDagPath shape = path;
        PrintStatusError(shape.extendToShape(), "Cannot find the mesh of a material");
        for (int m = 0; m < count; ++m) {
            const VString pass = VString("processing material ") + (m + 1) + " of " + count;
            if (!byPoint) ProgressTick(&pass);
            if (first[static_cast<size_t>(m)] >= 0) assign(m, first[static_cast<size_t>(m)]);
            const VStringArray strings = PolygonStrings(shape, polygons[static_cast<size_t>(m)]);
            for (unsigned k = 0; k < strings.length(); ++k) {
                if (byPoint) {
                    const VString step = VString("applying... pass: ") + (m + 1) + " of " + count + "  step: " +
                                         static_cast<int>(k + 1) + " of " + static_cast<int>(strings.length());
                    ProgressTick(&step);
                }
                AddToSet(groups[static_cast<size_t>(m)], strings[k], true);
            }
        }
    }
    CollectTextures(geometry, mesh != nullptr, assignments);
    VFnMesh host;
    const bool hostMesh = mesh != nullptr && host.setObject(path);
    const std::map<int, VString> links = hostMesh ? UvSetLinks(*mesh, host, assignments) : std::map<int, VString>();
    if (hostMesh) MarkOwnFiles(*mesh, links, assignments);
    std::vector<VObject> linked;  // a file node of several assignments maps with the UVs of one set
    for (const MaterialAssignment& assignment : assignments) {
        std::vector<VObject> files;
        if (assignment.textures.size() == 1) {
            files.push_back(ConnectSingleTexture(assignment.shader, *assignment.textures.front(), geometry,
                                                 assignment.OwnFile(0)));
        } else if (assignment.textures.size() > 1) {
            files = CreateLayeredTexture(assignment);
        }
        for (size_t k = 0; k < files.size() && k < assignment.layers.size(); ++k) {
            const auto link = links.find(assignment.layers[k]);
            if (link == links.end() || files[k].isNull() ||
                std::find(linked.begin(), linked.end(), files[k]) != linked.end()) {
                continue;
            }
            linked.push_back(files[k]);
            PrintStatusError(host.associateUVSetTexture(link->second, files[k]),
                             "Cannot link the texture to its UV set");
        }
    }
}

VString WyxVexaImportSession::CreateShadingGroup(const VObject& shaderList, const RString& baseName,
                                                 const VObject& shader) {
    VStatus status;
    const VFnDependencyNode shaderNode(shader, &status);
    if (status) shaderNode.findPlug("message", &status);
    PrintStatusError(status, "Cannot find the shader's message plug");
    const VFnDependencyNode list(shaderList, &status);
    if (status) list.findPlug("shaders", &status);
    PrintStatusError(status, "Cannot find the shader list's shaders plug");

    VStringArray made;
    VGlobal::executeCommand("sets -renderable true -noSurfaceShader true -empty -name " +
                                QuotedScriptText(Text(baseName + "SG")),
                            made);
    if (made.length() == 0 || made[0].isEmpty()) return VString();
    const VString group = made[0];
    if (!shader.isNull()) {
        VGlobal::executeCommand("connectAttr -f " + QuotedScriptText(shaderNode.name() + ".outColor") + "  " +
                                QuotedScriptText(group + ".surfaceShader") + "  ");
    }
    return group;
}

void WyxVexaImportSession::AddToSet(const VString& setName, const VString& member, bool forceElement) {
    if (setName.isEmpty()) return;
    static const VString kForce("sets -e -forceElement \"");
    static const VString kAdd("sets -e -addElement \"");
    static const VString kBetween("\"  \"");
    if (setEditHead_.isEmpty() || forceElement != setEditForces_ || setName != setEditSet_) {
        setEditHead_ = forceElement ? kForce : kAdd;
        AppendScriptLiteralText(setName, setEditHead_);
        setEditHead_ += kBetween;
        setEditSet_ = setName;
        setEditForces_ = forceElement;
    }
    setEditText_ = setEditHead_;  // copied into the room the last edit's text left
    AppendScriptLiteralText(member, setEditText_);
    setEditText_ += '"';
    VGlobal::executeCommand(setEditText_);
}
