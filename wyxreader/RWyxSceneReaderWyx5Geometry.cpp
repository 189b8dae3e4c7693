// The geometry of version-5 Model records: meshes, NURBS surfaces and patches with the
// material, texture, link and shape records they hold and their texture layers.
//
//   mesh     Material ...; Texture ...; Link ...; Shape ...; GeometryLayer ...; GeometryVersion;
//            Vertices; Normals; MaterialAssignation; Materials; TextureMode; TextureId;
//            PolygonVertexIndex; PolygonGroup; GeometryUVInfo {...}; VertexColorInfo {...};
//            UExtendedCount ... VCount
//   NURBS    Type; the records; NurbVersion; SurfaceDisplay; NurbOrder; Dimensions; Step; Form;
//            Points; MultiplicityU/V; KnotVectorU/V; Materials
//   patch    Type; the records; PatchVersion; SurfaceDisplay; PatchType; Dimensions; Step;
//            Closed; UCapped; VCapped; Points; Materials
//
// The points are read first (the records' shapes are moved copies of them), then the records,
// then what maps onto the points and polygons. Per-polygon arrays follow the polygons kept.

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElement.h"
#include "attributes/RWyxLayerElementTexture.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMaterialProperties.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTexture.h"
#include "attributes/RWyxTextureProperties.h"
#include "attributes/RWyxTypedLayerElement.h"
#include "core/RWyxColor.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "wyxreader/RWyxSceneReaderWyx5.h"
#include "wyxreader/WyxFieldReading.h"

#include <algorithm>
#include <cmath>

using wyx_read::BlockScope;
using Element = RWyxLayerElement;

namespace {

constexpr double kShininessRecordScale = 100.0;

std::string Key(const RString& name) { return std::string(name.Buffer(), static_cast<std::size_t>(name.GetLength())); }

// The entries of an array that follow the polygons kept (all of them when the counts differ).
std::vector<int> KeptEntries(const std::vector<int>& values, const std::vector<bool>& kept) {
    if (values.size() != kept.size()) return values;
    std::vector<int> result;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (kept[i]) result.push_back(values[i]);
    }
    return result;
}

// base + delta, or the nearest double to it within two steps for which (point - base) is
// exactly delta: a shape read and written again writes the same vectors.
double MovedCoordinate(double base, double delta) {
    const double point = base + delta;
    if (point - base == delta || !std::isfinite(point)) return point;
    double below = point;
    double above = point;
    for (int step = 0; step < 2; ++step) {
        below = std::nextafter(below, -HUGE_VAL);
        above = std::nextafter(above, HUGE_VAL);
        if (below - base == delta) return below;
        if (above - base == delta) return above;
    }
    return point;
}

// The indices checked against count: those outside -1 to count - 1 become -1 (none). Answers
// how many did.
int CheckIndices(std::vector<int>& indices, int count) {
    int bad = 0;
    for (int& index : indices) {
        if (index < -1 || index >= count) {
            index = -1;
            ++bad;
        }
    }
    return bad;
}

// The stored shininess (the Phong exponent) that the writer turns back into the record's value.
double StoredShininess(double record) {
    const double guess = record / kShininessRecordScale * RWyxMaterial::kShininessScale;
    double below = guess;
    double above = guess;
    for (int step = 0; step <= 2; ++step) {
        if (RWyxMaterial::ShininessFromStored(below) * kShininessRecordScale == record) return below;
        if (RWyxMaterial::ShininessFromStored(above) * kShininessRecordScale == record) return above;
        below = std::nextafter(below, -HUGE_VAL);
        above = std::nextafter(above, HUGE_VAL);
    }
    return guess;
}

template <typename Typed>
Typed* NewElement(RWyxLayer& layer, Typed* (RWyxLayer::*set)(std::unique_ptr<Typed>), int mapping, int reference) {
    Typed* element = (layer.*set)(std::make_unique<Typed>());
    element->SetMappingMode(mapping);
    element->SetReferenceMode(reference);
    return element;
}

}  // namespace

// ---- mesh ---------------------------------------------------------------------------------------------

void RWyxSceneReaderWyx5::ReadMesh(RWyxNode& node, RWyxMesh& mesh, const RString& label) {
    ReadMeshGrid(mesh);
    const int values = wyx_read::ReadGroupsByName(
        file_, "Vertices", 3, [&](int count) { mesh.InitControlPoints(count); },
        [&](int i, const double* p) { mesh.GetControlPoints()[i] = RVector4(p[0], p[1], p[2], 1.0); });
    // Without Vertices, as with an empty field: the polygons are dropped with their warning.
    if (values > 0 && values % 3 != 0) {
        Warn(label + ": Vertices holds " + RString(values) + " values, not three a point; the rest was dropped");
    }
    std::vector<int> groups;
    wyx_read::ReadIntsByName(file_, "PolygonGroup", groups);
    std::vector<bool> kept;
    if (file_.FieldReadBegin("PolygonVertexIndex")) {
        kept = ReadPolygons(mesh, groups, label);
        file_.FieldReadEnd();
    }
    if (!groups.empty() && groups.size() != kept.size()) {
        Warn(label + ": PolygonGroup holds " + RString(static_cast<int>(groups.size())) + " groups for " +
             RString(static_cast<int>(kept.size())) + " polygons");
    }
    ReadMeshNormals(mesh, label);
    ReadGeometryRecords(node, mesh, label);
    ReadMeshMaterials(mesh, kept, label);
    ReadTextureLayers(mesh, recordTextures_, kept, label);
    ReadMeshUVs(mesh, label);
    ReadMeshColors(mesh, label);
    BuildShapes(mesh, recordShapes_, label);
}

void RWyxSceneReaderWyx5::ReadMeshNormals(RWyxMesh& mesh, const RString& label) {
    std::vector<double> values;
    if (!wyx_read::ReadDoublesByName(file_, "Normals", values)) return;
    const int count = static_cast<int>(values.size() / 3);
    int mapping = Element::kNoMapping;
    if (count == mesh.GetControlPointsCount()) {
        mapping = Element::kByControlPoint;
    } else if (count == mesh.GetPolygonVertexCount()) {
        mapping = Element::kByPolygonVertex;
    }
    if (mapping == Element::kNoMapping || values.size() % 3 != 0) {
        Warn(label + ": Normals holds " + RString(static_cast<int>(values.size())) +
             " values, three for neither each control point nor each polygon vertex; dropped");
        return;
    }
    RWyxLayer* layer = mesh.EnsureLayer(0);
    auto* normals = NewElement(*layer, &RWyxLayer::SetNormals, mapping, Element::kDirect);
    if (!normals->SetDirectCount(count)) return;
    for (int i = 0; i < count; ++i) {
        const double* n = values.data() + static_cast<std::size_t>(i) * 3;
        normals->DirectArray()[static_cast<std::size_t>(i)] = RVector4(n[0], n[1], n[2], 0.0);
    }
}

void RWyxSceneReaderWyx5::ReadMeshMaterials(RWyxMesh& mesh, const std::vector<bool>& kept, const RString& label) {
    if (recordMaterials_.empty()) return;
    const RString assignation = file_.FieldReadStringByName("MaterialAssignation", "AllSame");
    int mapping = Element::kAllSame;
    std::size_t expected = 1;
    if (assignation == "ByVertice") {
        mapping = Element::kByControlPoint;
        expected = static_cast<std::size_t>(mesh.GetControlPointsCount());
    } else if (assignation == "ByPolygon") {
        mapping = Element::kByPolygon;
        expected = kept.size();
    }
    std::vector<int> indices;
    wyx_read::ReadIntsByName(file_, "Materials", indices);
    if (indices.size() != expected) {
        Warn(label + ": Materials holds " + RString(static_cast<int>(indices.size())) + " entries for " +
             RString(static_cast<int>(expected)) + "; the entries were fitted to them");
        indices.resize(expected, -1);
    }
    if (mapping == Element::kByPolygon) indices = KeptEntries(indices, kept);
    const int count = static_cast<int>(recordMaterials_.size());
    if (const int bad = CheckIndices(indices, count); bad > 0) {
        Warn(label + ": " + RString(bad) + " material indices name none of its " + RString(count) + " materials");
    }
    auto* element = NewElement(*mesh.EnsureLayer(0), &RWyxLayer::SetMaterials, mapping, Element::kIndexToDirect);
    element->DirectArray() = recordMaterials_;
    element->IndexArray() = std::move(indices);
}

void RWyxSceneReaderWyx5::ReadMeshUVs(RWyxMesh& mesh, const RString& label) {
    const BlockScope block = BlockScope::Open(file_, "GeometryUVInfo");
    if (!block) return;
    const RString mapping = file_.FieldReadStringByName("MappingInformationType", "NoMappingInformation");
    if (mapping != "ByVertice" && mapping != "ByPolygon") return;
    std::vector<double> values;
    wyx_read::ReadDoublesByName(file_, "TextureUV", values);
    std::vector<int> indices;
    const bool indexed = mapping == "ByPolygon" && wyx_read::ReadIntsByName(file_, "TextureUVVerticeIndex", indices);
    const int entries = indexed ? static_cast<int>(indices.size()) : static_cast<int>(values.size() / 2);
    const int expected = mapping == "ByVertice" ? mesh.GetControlPointsCount() : mesh.GetPolygonVertexCount();
    if (entries != expected) {
        Warn(label + ": GeometryUVInfo maps " + RString(entries) + " UVs onto " + RString(expected) + " entries; dropped");
        return;
    }
    auto* uvs = NewElement(*mesh.EnsureLayer(0), &RWyxLayer::SetUVs,
                           mapping == "ByVertice" ? Element::kByControlPoint : Element::kByPolygonVertex,
                           indexed ? Element::kIndexToDirect : Element::kDirect);
    for (std::size_t i = 0; i + 1 < values.size(); i += 2) uvs->AddDirect(RVector2{values[i], values[i + 1]});
    if (const int bad = CheckIndices(indices, uvs->GetDirectCount()); bad > 0) {
        Warn(label + ": " + RString(bad) + " UV indices name no UV");
    }
    uvs->IndexArray() = std::move(indices);
}

void RWyxSceneReaderWyx5::ReadMeshColors(RWyxMesh& mesh, const RString& label) {
    const BlockScope block = BlockScope::Open(file_, "VertexColorInfo");
    if (!block) return;
    const RString mapping = file_.FieldReadStringByName("MappingInformationType", "");
    std::vector<double> values;
    wyx_read::ReadDoublesByName(file_, "Colors", values);
    std::vector<int> indices;
    const bool indexed = wyx_read::ReadIntsByName(file_, "ColorIndex", indices);
    const int entries = indexed ? static_cast<int>(indices.size()) : static_cast<int>(values.size() / 4);
    const int expected = mapping == "ByVertice"         ? mesh.GetControlPointsCount()
                         : mapping == "ByPolygonVertex" ? mesh.GetPolygonVertexCount()
                                                        : -1;
    if (entries != expected) {
        Warn(label + ": VertexColorInfo \"" + mapping + "\" maps " + RString(entries) + " colours that do not fit; dropped");
        return;
    }
    auto* colors = NewElement(*mesh.EnsureLayer(0), &RWyxLayer::SetVertexColors,
                              mapping == "ByVertice" ? Element::kByControlPoint : Element::kByPolygonVertex,
                              indexed ? Element::kIndexToDirect : Element::kDirect);
    for (std::size_t i = 0; i + 3 < values.size(); i += 4) {
        colors->AddDirect(RWyxColor(values[i], values[i + 1], values[i + 2], values[i + 3]));
    }
    if (const int bad = CheckIndices(indices, colors->GetDirectCount()); bad > 0) {
        Warn(label + ": " + RString(bad) + " colour indices name no colour");
    }
    colors->IndexArray() = std::move(indices);
}

void RWyxSceneReaderWyx5::ReadMeshGrid(RWyxMesh& mesh) {
    RWyxMesh::Grid grid;
    grid.uCount = file_.FieldReadIntByName("UCount", 0);
    grid.vCount = file_.FieldReadIntByName("VCount", 0);
    grid.uExtendedCount = file_.FieldReadIntByName("UExtendedCount", 0);
    grid.vExtendedCount = file_.FieldReadIntByName("VExtendedCount", 0);
    grid.uStep = file_.FieldReadIntByName("UStep", 0);
    grid.vStep = file_.FieldReadIntByName("VStep", 0);
    grid.uClosed = file_.FieldReadIntByName("UClosed", 0) != 0;
    grid.vClosed = file_.FieldReadIntByName("VClosed", 0) != 0;
    grid.uTopCap = file_.FieldReadIntByName("UTopCap", 0) != 0;
    grid.vTopCap = file_.FieldReadIntByName("VTopCap", 0) != 0;
    mesh.SetGrid(grid);
}

// ---- surfaces -------------------------------------------------------------------------------------------

void RWyxSceneReaderWyx5::ReadNurb(RWyxNode& node, RWyxNurb& nurb, const RString& label) {
    if (!ReadNurbSurface(nurb, label)) return;
    ReadGeometryRecords(node, nurb, label);
    ReadSurfaceMaterials(nurb, label);
    ReadTextureLayers(nurb, recordTextures_, {}, label);
    BuildShapes(nurb, recordShapes_, label);
}

void RWyxSceneReaderWyx5::ReadPatch(RWyxNode& node, RWyxPatch& patch, const RString& label) {
    if (!ReadPatchSurface(patch, label)) return;
    ReadGeometryRecords(node, patch, label);
    ReadSurfaceMaterials(patch, label);
    ReadTextureLayers(patch, recordTextures_, {}, label);
    BuildShapes(patch, recordShapes_, label);
}

// A surface's materials: layer 0's, all the same.
void RWyxSceneReaderWyx5::ReadSurfaceMaterials(RWyxGeometry& geometry, const RString& label) {
    const int stated = file_.FieldReadIntByName("Materials", 0);
    if (stated != static_cast<int>(recordMaterials_.size())) {
        Warn(label + ": Materials says " + RString(stated) + " for " + RString(static_cast<int>(recordMaterials_.size())) +
             " Material records");
    }
    for (RWyxMaterial* material : recordMaterials_) geometry.AddMaterial(material, 0);
}

// ---- records -------------------------------------------------------------------------------------------

// Materials, textures and links as they come; shapes kept until the points are there.
void RWyxSceneReaderWyx5::ReadGeometryRecords(RWyxNode& node, RWyxGeometry& geometry, const RString& label) {
    recordMaterials_.clear();
    recordTextures_.clear();
    recordShapes_.clear();
    for (int i = 0; i < file_.FieldGetCount(); ++i) {
        const RString field = file_.FieldGetName(i);
        if (field != "Material" && field != "Texture" && field != "Link" && field != "Shape") continue;
        if (!file_.FieldReadBeginAt(i)) continue;
        if (field == "Material") {
            if (RWyxMaterial* material = ReadMaterial()) recordMaterials_.push_back(material);
        } else if (field == "Texture") {
            if (RWyxTexture* texture = ReadTexture()) recordTextures_.push_back(texture);
        } else if (field == "Link") {
            ReadLink(node, geometry, label);
        } else {
            ShapeRecord shape;
            shape.name = file_.FieldReadString();
            if (const BlockScope block = BlockScope::Enter(file_)) {
                wyx_read::ReadIntsByName(file_, "Indexes", shape.indices);
                wyx_read::ReadDoublesByName(file_, "Vertices", shape.vertices);
                wyx_read::ReadDoublesByName(file_, "Normals", shape.normals);
            }
            recordShapes_.push_back(std::move(shape));
        }
        file_.FieldReadEnd();
    }
}

RWyxMaterial* RWyxSceneReaderWyx5::ReadMaterial() {
    const RString name = file_.FieldReadString();
    RWyxMaterial*& material = materials_[Key(name)];
    if (material == nullptr) material = factory_->CreateMaterial(name.Buffer());
    const BlockScope block = BlockScope::Enter(file_);
    if (material == nullptr || !block) return material;
    material->SetShadingModel(file_.FieldReadStringByName("ShadingModel", material->GetShadingModel().Buffer()));
    std::vector<double> values;
    const auto color = [&](const char* field, const RWyxColor& fallback) {
        wyx_read::ReadDoublesByName(file_, field, values);
        return values.size() >= 3 ? RWyxColor(values[0], values[1], values[2], 1.0) : fallback;
    };
    material->SetAmbientColor(color("Ambient", material->GetAmbientColor()));
    material->SetDiffuseColor(color("Diffuse", material->GetDiffuseColor()));
    material->SetSpecularColor(color("Specular", material->GetSpecularColor()));
    material->SetEmissiveColor(color("Emissive", material->GetEmissiveColor()));
    if (file_.FieldReadBegin("Shininess")) {
        const double record = file_.FieldReadDouble();
        material->GetProperties()->GetTable().SetNumber(RWyxMaterialProperties::kShininess, StoredShininess(record));
        file_.FieldReadEnd();
    }
    material->SetOpacity(wyx_read::ReadDoubleByName(file_, "Alpha", material->GetOpacity()));
    material->SetReflectivity(wyx_read::ReadDoubleByName(file_, "Reflectivity", material->GetReflectivity()));
    return material;
}

RWyxTexture* RWyxSceneReaderWyx5::ReadTexture() {
    using Props = RWyxTextureProperties;
    const RString name = file_.FieldReadString();
    RWyxTexture*& texture = textures_[Key(name)];
    if (texture == nullptr) texture = factory_->CreateTexture(name.Buffer());
    const BlockScope block = BlockScope::Enter(file_);
    if (texture == nullptr || !block) return texture;
    texture->SetTypeName(file_.FieldReadStringByName("Type", texture->GetTypeName().Buffer()));
    const RString media = file_.FieldReadStringByName("Media", "");
    texture->SetMediaName(media);
    const auto medium = media_.find(Key(media));
    if (medium != media_.end()) {
        texture->SetFileName(medium->second.path);
        texture->SetRelativeFileName(medium->second.relative);
    } else if (!media.IsEmptyText()) {
        Warn(RString("Texture \"") + name + "\": the medium \"" + media + "\" is none of the file's");
    }
    std::vector<double> values;
    const auto pair = [&](const char* field, double& u, double& v) {
        if (wyx_read::ReadDoublesByName(file_, field, values) && values.size() >= 2) {
            u = values[0];
            v = values[1];
        }
    };
    double u = texture->GetTranslationU();
    double v = texture->GetTranslationV();
    pair("Translation", u, v);
    texture->SetTranslationUV(u, v);
    u = texture->GetScalingU();
    v = texture->GetScalingV();
    pair("Scaling", u, v);
    texture->SetScalingUV(u, v);
    RWyxTexture::UV uv = texture->GetModelUVTranslation();
    pair("ModelUVTranslation", uv.u, uv.v);
    texture->SetModelUVTranslation(uv.u, uv.v);
    uv = texture->GetModelUVScaling();
    pair("ModelUVScaling", uv.u, uv.v);
    texture->SetModelUVScaling(uv.u, uv.v);
    if (wyx_read::ReadDoublesByName(file_, "Rotation", values) && values.size() >= 3) {
        texture->SetRotationUVW(values[0], values[1], values[2]);
    }
    texture->SetDefaultAlpha(wyx_read::ReadDoubleByName(file_, "TextureAlpha", texture->GetDefaultAlpha()));
    texture->SetAlphaSource(AlphaSourceOf(file_.FieldReadStringByName("Texture_Alpha_Source", "None")));
    std::vector<int> cropping;
    wyx_read::ReadIntsByName(file_, "Cropping", cropping);
    for (int side = 0; side < RWyxTexture::kCroppingCount && side < static_cast<int>(cropping.size()); ++side) {
        texture->SetCropping(side, cropping[static_cast<std::size_t>(side)]);
    }
    // The index of a name in an enumeration's names, or the fallback.
    const auto named = [this](const char* field, const char* (*nameOf)(int), int fallback) {
        const RString text = file_.FieldReadStringByName(field, "");
        for (int i = 0; nameOf(i) != nullptr; ++i) {
            if (text == nameOf(i)) return i;
        }
        return fallback;
    };
    texture->SetMappingType(named("Texture_Mapping_Type", &Props::MappingTypeName, Props::kMappingUV));
    texture->SetPlanarMappingNormal(named("Texture_Planar_Mapping_Normal", &Props::PlanarNormalName, Props::kPlanarNormalX));
    texture->SetSwapUV(file_.FieldReadIntByName("SwapUV", texture->GetSwapUV() ? 1 : 0) != 0);
    texture->SetMaterialMode(file_.FieldReadIntByName("MaterialMode", texture->GetMaterialMode()));
    texture->SetTextureUse(named("TextureUse", &Props::TextureUseName, Props::kUseStandard));
    texture->SetWrapMode(file_.FieldReadIntByName("WrapU", texture->GetWrapModeU()),
                         file_.FieldReadIntByName("WrapV", texture->GetWrapModeV()));
    texture->SetBlendMode(file_.FieldReadIntByName("BlendMode", texture->GetBlendMode()));
    return texture;
}

// The link's transforms are stored in the link matrix L's frame: T = Transform L, and the
// associate model's A = its Transform L.
void RWyxSceneReaderWyx5::ReadLink(RWyxNode& node, RWyxGeometry& geometry, const RString& label) {
    const RString name = file_.FieldReadString();
    const BlockScope block = BlockScope::Enter(file_);
    RWyxSkinLink* link = block ? factory_->CreateSkinLink() : nullptr;
    if (link == nullptr) return;
    const RString mode = file_.FieldReadStringByName("Mode", "");
    link->SetMode(mode == "Additive" ? RWyxSkinLink::kAdditive : mode == "Total1" ? RWyxSkinLink::kTotal1 : RWyxSkinLink::kNormal);
    std::vector<RString> userData;
    wyx_read::ReadStringsByName(file_, "UserData", userData);
    userData.resize(2);
    link->SetUserData(userData[0], userData[1]);
    std::vector<int> indices;
    std::vector<double> weights;
    wyx_read::ReadIntsByName(file_, "Indexes", indices);
    wyx_read::ReadDoublesByName(file_, "Weights", weights);
    const std::size_t pairs = std::min(indices.size(), weights.size());
    int dropped = static_cast<int>(std::max(indices.size(), weights.size()) - pairs);
    std::vector<int> keptIndices;
    std::vector<double> keptWeights;
    for (std::size_t i = 0; i < pairs; ++i) {
        if (indices[i] < 0 || indices[i] >= geometry.GetControlPointsCount()) {
            ++dropped;
            continue;
        }
        keptIndices.push_back(indices[i]);
        keptWeights.push_back(weights[i]);
    }
    if (dropped > 0) {
        Warn(label + ", Link \"" + name + "\": " + RString(dropped) +
             " indices or weights without their pair or naming no control point were dropped");
    }
    link->SetControlPoints(std::move(keptIndices), std::move(weights = keptWeights));
    RMatrix linkMatrix;
    wyx_read::ReadMatrixByName(file_, "TransformLink", linkMatrix);
    link->SetTransformLink(ClusterTRS(linkMatrix));
    RMatrix matrix;
    if (wyx_read::ReadMatrixByName(file_, "Transform", matrix)) link->SetTransform(ClusterTRS(TimesLink(matrix, linkMatrix)));
    RString associate;
    if (file_.FieldReadBegin("AssociateModel")) {
        associate = file_.FieldReadString();
        if (const BlockScope model = BlockScope::Enter(file_); model && wyx_read::ReadMatrixByName(file_, "Transform", matrix)) {
            link->SetTransformAssociateModel(ClusterTRS(TimesLink(matrix, linkMatrix)));
        }
        file_.FieldReadEnd();
    }
    if (wyx_read::ReadMatrixByName(file_, "TransformParent", matrix)) link->SetTransformParent(ClusterTRS(matrix));
    geometry.AddDeformer(link);
    pendingLinks_.push_back(PendingLink{link, &node, name, associate});
}

// Each shape is the geometry with each listed point (and, for a mesh that maps one direct
// normal per control point, its normal) moved by its vector.
void RWyxSceneReaderWyx5::BuildShapes(RWyxGeometry& geometry, const std::vector<ShapeRecord>& shapes, const RString& label) {
    const int count = geometry.GetControlPointsCount();
    const RVector4* baseNormals =
        geometry.GetAttributeType() == RWyxNodeAttribute::kMesh ? NormalsByControlPoint(geometry) : nullptr;
    for (const ShapeRecord& record : shapes) {
        const RString shapeLabel = label + ", Shape \"" + record.name + "\"";
        RWyxShape* shape = factory_->CreateShape();
        if (shape == nullptr || !shape->InitControlPoints(count)) continue;
        std::copy_n(geometry.GetControlPoints(), count, shape->GetControlPoints());
        RVector4* normals = nullptr;
        if (baseNormals != nullptr && shape->InitNormals(0)) {
            normals = shape->GetNormals();
            std::copy_n(baseNormals, count, normals);
        }
        int bad = 0;
        for (std::size_t i = 0; i < record.indices.size(); ++i) {
            const int index = record.indices[i];
            if (index < 0 || index >= count || record.vertices.size() < 3 * i + 3) {
                ++bad;
                continue;
            }
            for (int axis = 0; axis < 3; ++axis) {
                double* point = shape->GetControlPoints()[index].Component(axis);
                *point = MovedCoordinate(*point, record.vertices[3 * i + static_cast<std::size_t>(axis)]);
                if (normals != nullptr && record.normals.size() >= 3 * i + 3) {
                    double* normal = normals[index].Component(axis);
                    *normal = MovedCoordinate(*normal, record.normals[3 * i + static_cast<std::size_t>(axis)]);
                }
            }
        }
        if (bad > 0) Warn(shapeLabel + ": " + RString(bad) + " indices naming no control point or without a vector were dropped");
        if (geometry.AddShape(shape, record.name.Buffer()) < 0) {
            Warn(shapeLabel + ": the shape's name is taken; dropped");
            factory_->DestroyShape(shape);
        }
    }
}

// ---- texture layers ----------------------------------------------------------------------------------

// The texture records shared out among the layers (see the header): the extra layers from the
// last, each as many as its highest index names; the first texture layer the rest.
void RWyxSceneReaderWyx5::ReadTextureLayers(RWyxGeometry& geometry, const std::vector<RWyxTexture*>& textures,
                                            const std::vector<bool>& kept, const RString& label) {
    const bool mesh = geometry.GetAttributeType() == RWyxNodeAttribute::kMesh;
    std::vector<int> blocks;
    for (int i = 0; i < file_.FieldGetCount(); ++i) {
        if (file_.FieldGetName(i) == "GeometryLayer") blocks.push_back(i);
    }
    const int firstLayer = mesh ? 1 : 0;
    if (static_cast<int>(blocks.size()) > RWyxLayerContainer::kMaxLayerCount - firstLayer) {
        Warn(label + ": " + RString(static_cast<int>(blocks.size())) + " texture layers are more than a geometry holds; dropped");
        return;
    }
    std::vector<RWyxTexture*> left = textures;
    for (int b = static_cast<int>(blocks.size()) - 1; b >= 0; --b) {
        const bool first = !mesh && b == 0;
        RWyxLayer* layer = geometry.EnsureLayer(firstLayer + b);
        if (layer == nullptr || !file_.FieldReadBeginAt(blocks[static_cast<std::size_t>(b)])) continue;
        if (const BlockScope block = BlockScope::Enter(file_)) {
            if (!ReadLayerTextureInfo(geometry, *layer, left, first, kept, label)) {
                auto* refused = NewElement(*layer, &RWyxLayer::SetTextures, Element::kNoMapping, Element::kDirect);
                if (first) refused->DirectArray() = left;
            }
        }
        file_.FieldReadEnd();
    }
    if (mesh) ReadMeshTextures(static_cast<RWyxMesh&>(geometry), left, !blocks.empty(), kept, label);
}

// The mesh's own texture layer (layer 0), with the textures the extra layers left.
void RWyxSceneReaderWyx5::ReadMeshTextures(RWyxMesh& mesh, const std::vector<RWyxTexture*>& textures, bool layered,
                                           const std::vector<bool>& kept, const RString& label) {
    const RString mode = file_.FieldReadStringByName("TextureMode", "");
    if (mode.IsEmptyText() && textures.empty() && !layered) return;
    RWyxLayer* first = mesh.EnsureLayer(0);
    if (first == nullptr) return;
    int mapping = Element::kNoMapping;
    std::vector<int> ids;
    if (mode == "ByPolygon") {
        mapping = Element::kByPolygon;
        wyx_read::ReadIntsByName(file_, "TextureId", ids);
        if (ids.size() != kept.size()) {
            Warn(label + ": TextureId holds " + RString(static_cast<int>(ids.size())) + " entries for " +
                 RString(static_cast<int>(kept.size())) + " polygons; fitted to them");
            ids.resize(kept.size(), -1);
        }
        ids = KeptEntries(ids, kept);
    } else if (mode == "ByModel") {
        mapping = Element::kAllSame;
        ids.push_back(0);
    }
    auto* element = NewElement(*first, &RWyxLayer::SetTextures, mapping, Element::kIndexToDirect);
    element->DirectArray() = textures;
    if (const int bad = CheckIndices(ids, static_cast<int>(textures.size())); bad > 0) {
        Warn(label + ": " + RString(bad) + " texture indices name none of its textures");
    }
    element->IndexArray() = std::move(ids);
}

// "LayerTextureInfo" of the current GeometryLayer block: takes its textures from the end of
// `left` (all of them for the first layer). False when the block has none.
bool RWyxSceneReaderWyx5::ReadLayerTextureInfo(RWyxGeometry& geometry, RWyxLayer& layer, std::vector<RWyxTexture*>& left,
                                               bool takeAll, const std::vector<bool>& kept, const RString& label) {
    const BlockScope info = BlockScope::Open(file_, "LayerTextureInfo");
    if (!info) return false;
    const int textureMode = file_.FieldReadIntByName("TextureMode", 0);
    int mapping = textureMode == 6 ? Element::kByPolygon : textureMode == 2 ? Element::kAllSame : Element::kNoMapping;
    std::vector<int> ids;
    wyx_read::ReadIntsByName(file_, "TextureId", ids);
    if (mapping == Element::kByPolygon) {
        if (ids.size() == kept.size()) ids = KeptEntries(ids, kept);
        const bool fits = geometry.GetAttributeType() == RWyxNodeAttribute::kMesh &&
                          static_cast<int>(ids.size()) == static_cast<const RWyxMesh&>(geometry).GetPolygonCount();
        if (!fits) {
            Warn(label + ": a texture layer maps " + RString(static_cast<int>(ids.size())) +
                 " textures by polygon onto another number of polygons; its mapping was dropped");
            ids.clear();
            mapping = Element::kNoMapping;
        }
    }
    const int wanted = ids.empty() ? 0 : std::max(0, *std::max_element(ids.begin(), ids.end()) + 1);
    const int taken = takeAll ? static_cast<int>(left.size()) : std::min(wanted, static_cast<int>(left.size()));
    auto* element = NewElement(layer, &RWyxLayer::SetTextures, mapping, Element::kIndexToDirect);
    element->SetBlendMode(file_.FieldReadIntByName("TextureBlendMode", element->GetBlendMode()));
    element->DirectArray().assign(left.end() - taken, left.end());
    left.resize(left.size() - static_cast<std::size_t>(taken));
    if (const int bad = CheckIndices(ids, taken); bad > 0) {
        Warn(label + ": " + RString(bad) + " texture indices of a texture layer name none of its textures");
    }
    element->IndexArray() = std::move(ids);
    ReadLayerUVs(geometry, layer, label);
    return true;
}

void RWyxSceneReaderWyx5::ReadLayerUVs(RWyxGeometry& geometry, RWyxLayer& layer, const RString& label) {
    if (wyx_read::CountFields(file_, "UVMode") == 0) return;
    const int mode = file_.FieldReadIntByName("UVMode", 0);
    const int mapping = mode == 3 || mode == 4 ? Element::kByControlPoint : mode == 7 || mode == 8 ? Element::kByPolygonVertex : Element::kNoMapping;
    const bool indexed = mode == 4 || mode == 8;
    auto* uvs = NewElement(layer, &RWyxLayer::SetUVs, mapping, indexed ? Element::kIndexToDirect : Element::kDirect);
    if (mapping == Element::kNoMapping) return;
    std::vector<double> values;
    wyx_read::ReadDoublesByName(file_, "UV", values);
    for (std::size_t i = 0; i + 1 < values.size(); i += 2) uvs->AddDirect(RVector2{values[i], values[i + 1]});
    std::vector<int> indices;
    if (indexed) wyx_read::ReadIntsByName(file_, "UVId", indices);
    const int entries = indexed ? static_cast<int>(indices.size()) : uvs->GetDirectCount();
    const int expected = mapping == Element::kByControlPoint ? geometry.GetControlPointsCount()
                         : geometry.GetAttributeType() == RWyxNodeAttribute::kMesh
                             ? static_cast<const RWyxMesh&>(geometry).GetPolygonVertexCount()
                             : -1;
    if (entries != expected) {
        Warn(label + ": a texture layer's UVs map " + RString(entries) + " entries onto " + RString(expected) + "; dropped");
        uvs->SetMappingMode(Element::kNoMapping);
        uvs->ClearDirect();
        return;
    }
    if (const int bad = CheckIndices(indices, uvs->GetDirectCount()); bad > 0) {
        Warn(label + ": " + RString(bad) + " UV indices of a texture layer name no UV");
    }
    uvs->IndexArray() = std::move(indices);
}
