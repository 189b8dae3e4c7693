// The geometry of Model records: meshes, NURBS surfaces and patches with their layer elements,
// layers and shapes. The points are read as they stand (the writer put them through the
// geometry's pivot): the geometry read has the identity pivot.
//
//   mesh    Vertices: x, y, z ...; PolygonVertexIndex: each polygon's control points, the
//           last as its complement (-index - 1); the common part
//   NURBS   NurbOrder; Dimensions; Step; Form; SurfaceDisplay; Points: x, y, z, weight ...;
//           MultiplicityU; MultiplicityV; KnotVectorU; KnotVectorV; the common part
//   patch   PatchType; Dimensions; Step; SurfaceDisplay; Closed; UCapped; VCapped; Points:
//           x, y, z ...; the common part
//   common  LayerElement<Kind>: number { MappingInformationType; ReferenceInformationType;
//           the kind's data } per element; Layer: index { LayerElement { Type; TypedIndex } };
//           Shape: name { Indexes; Vertices; Normals (meshes) }
//
// A shape is the geometry with each listed point moved by its vector; a mesh's shape also
// takes the mesh's normals, moved likewise, when the mesh maps one direct normal per control
// point in its first normal layer (the only case in which the file holds the shape's normals).

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElement.h"
#include "attributes/RWyxLayerElementTexture.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxTypedLayerElement.h"
#include "core/RWyxColor.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "wyxreader/RWyxSceneReaderWyx6.h"
#include "wyxreader/WyxFieldReading.h"
#include "wyxreader/WyxReaderServices.h"

#include <algorithm>
#include <cstdint>

using wyx_read::BlockScope;
using Element = RWyxLayerElement;

namespace {

int ElementKindOf(const RString& fieldName) {
    for (int kind = Element::kFirstKind; kind <= Element::kLastKind; ++kind) {
        if (fieldName == LayerElementFieldName(kind)) return kind;
    }
    return 0;
}

// The position of the text in the table; -1 when it is not there.
template <std::size_t N>
int IndexOf(const char* const (&table)[N], const RString& text) {
    for (std::size_t i = 0; i < N; ++i) {
        if (text == table[i]) return static_cast<int>(i);
    }
    return -1;
}

const char* const kMappingNames[] = {"NoMappingInformation", "ByVertice", "ByPolygonVertex", "ByPolygon", "AllSame"};
const char* const kReferenceNames[] = {"Direct", "Index", "IndexToDirect"};
const char* const kBlendNames[] = {"Translucent", "Add", "Modulate", "Modulate2", "MaxBlend"};

std::unique_ptr<Element> NewElement(int kind) {
    switch (kind) {
    case Element::kNormal:
        return std::make_unique<RWyxLayerElementNormal>();
    case Element::kMaterial:
        return std::make_unique<RWyxLayerElementMaterial>();
    case Element::kTexture:
        return std::make_unique<RWyxLayerElementTexture>();
    case Element::kPolygonGroup:
        return std::make_unique<RWyxLayerElementPolygonGroup>();
    case Element::kUV:
        return std::make_unique<RWyxLayerElementUV>();
    default:
        return std::make_unique<RWyxLayerElementVertexColor>();
    }
}

template <typename Typed>
std::unique_ptr<Typed> Downcast(std::unique_ptr<Element>& element) {
    return std::unique_ptr<Typed>(static_cast<Typed*>(element.release()));
}

// Hands the element to the layer's slot of its kind.
void StoreElement(RWyxLayer& layer, std::unique_ptr<Element>& element) {
    switch (element->GetKind()) {
    case Element::kNormal:
        layer.SetNormals(Downcast<RWyxLayerElementNormal>(element));
        break;
    case Element::kMaterial:
        layer.SetMaterials(Downcast<RWyxLayerElementMaterial>(element));
        break;
    case Element::kTexture:
        layer.SetTextures(Downcast<RWyxLayerElementTexture>(element));
        break;
    case Element::kPolygonGroup:
        layer.SetPolygonGroups(Downcast<RWyxLayerElementPolygonGroup>(element));
        break;
    case Element::kUV:
        layer.SetUVs(Downcast<RWyxLayerElementUV>(element));
        break;
    default:
        layer.SetVertexColors(Downcast<RWyxLayerElementVertexColor>(element));
        break;
    }
}


RString Count(std::size_t count) { return RString(static_cast<int>(std::min<std::size_t>(count, INT32_MAX))); }

}  // namespace

// ---- mesh -----------------------------------------------------------------------------------------------

void RWyxSceneReaderWyx6::ReadMeshAttribute(RWyxMesh& mesh, const RString& name) {
    const int values = wyx_read::ReadGroupsByName(
        file_, "Vertices", 3, [&](int count) { mesh.InitControlPoints(count); },
        [&](int i, const double* p) { mesh.GetControlPoints()[i] = RVector4(p[0], p[1], p[2], 1.0); });
    // A mesh without Vertices is read as one whose field is empty: its polygons are dropped
    // with their warning, and its layers are read.
    if (values > 0 && values % 3 != 0) {
        Warn(RString("Model \"") + name + "\": Vertices holds " + RString(values) +
             " values, not three a point; the last point was dropped");
    }
    if (file_.FieldReadBegin("PolygonVertexIndex")) {
        ReadPolygons(mesh, {}, RString("Model \"") + name + "\"");
        file_.FieldReadEnd();
    }
    ReadGeometryLayers(mesh, name);
}

// The values of the current field, each polygon's control points with the last complemented
// (-index - 1), read one polygon at a time.
void RWyxSceneReaderWyx6::ReadNurbAttribute(RWyxNurb& nurb, const RString& name) {
    if (ReadNurbSurface(nurb, RString("Model \"") + name + "\"")) ReadGeometryLayers(nurb, name);
}

void RWyxSceneReaderWyx6::ReadPatchAttribute(RWyxPatch& patch, const RString& name) {
    if (ReadPatchSurface(patch, RString("Model \"") + name + "\"")) ReadGeometryLayers(patch, name);
}

// ---- layers ----------------------------------------------------------------------------------------------------

void RWyxSceneReaderWyx6::ReadGeometryLayers(RWyxGeometry& geometry, const RString& name) {
    ElementList elements;
    for (const int kind : {Element::kNormal, Element::kPolygonGroup, Element::kVertexColor, Element::kUV,
                           Element::kMaterial, Element::kTexture}) {
        const char* field = LayerElementFieldName(kind);
        while (file_.FieldReadBegin(field)) {
            const int number = file_.FieldReadInt();
            const RString label = RString("Model \"") + name + "\", " + field + " " + RString(number);
            std::unique_ptr<Element> element = ReadLayerElement(kind, label);
            const auto key = std::make_pair(kind, number);
            const bool taken =
                std::any_of(elements.begin(), elements.end(), [&](const auto& e) { return e.first == key; });
            if (taken) {
                Warn(label + ": a second element of this number was dropped");
            } else if (element != nullptr) {
                CheckMappedCount(*element, geometry, label);
                elements.emplace_back(key, std::move(element));
            }
            file_.FieldReadEnd();
        }
    }
    ReadLayerRecords(geometry, elements, name);
    while (file_.FieldReadBegin("Shape")) {
        const RString shapeName = file_.FieldReadString();
        {
            const BlockScope block = BlockScope::Enter(file_);
            if (block) ReadShape(geometry, shapeName, name);
        }
        file_.FieldReadEnd();
    }
}

std::unique_ptr<Element> RWyxSceneReaderWyx6::ReadLayerElement(int kind, const RString& label) {
    const BlockScope block = BlockScope::Enter(file_);
    if (!block) return nullptr;
    std::unique_ptr<Element> element = NewElement(kind);
    const RString mapping = file_.FieldReadStringByName("MappingInformationType", "NoMappingInformation");
    const RString reference = file_.FieldReadStringByName("ReferenceInformationType", "Direct");
    const int mappingMode = IndexOf(kMappingNames, mapping);
    const int referenceMode = IndexOf(kReferenceNames, reference);
    if (mappingMode < 0) Warn(label + ": the mapping \"" + mapping + "\" is unknown; read as none");
    if (referenceMode < 0) Warn(label + ": the reference \"" + reference + "\" is unknown; read as direct");
    element->SetMappingMode(std::max(mappingMode, 0));
    element->SetReferenceMode(std::max(referenceMode, 0));
    ReadElementData(*element, label);
    return element;
}

void RWyxSceneReaderWyx6::ReadElementData(Element& element, const RString& label) {
    const bool indexed = element.GetReferenceMode() != Element::kDirect;
    // The direct values of the field, `stride` a entry, into the array; warns of a remainder.
    const auto readDirect = [&](const char* field, int stride, auto& direct, auto make) {
        const int values = wyx_read::ReadGroupsByName(
            file_, field, stride, [&](int groups) { direct.reserve(static_cast<std::size_t>(groups)); },
            [&](int, const double* v) { direct.push_back(make(v)); });
        if (values > 0 && values % stride != 0) {
            Warn(label + ": " + field + " holds " + RString(values) + " values, not " + RString(stride) + " an entry");
        }
    };
    switch (element.GetKind()) {
    case Element::kNormal:
        readDirect("Normals", 3, static_cast<RWyxLayerElementNormal&>(element).DirectArray(),
                   [](const double* v) { return RVector4(v[0], v[1], v[2], 0.0); });
        return;
    case Element::kPolygonGroup: {
        auto& groups = static_cast<RWyxLayerElementPolygonGroup&>(element);
        wyx_read::ReadIntsByName(file_, "PolygonGroup", indexed ? groups.IndexArray() : groups.DirectArray());
        return;
    }
    case Element::kVertexColor:
        readDirect("Colors", 4, static_cast<RWyxLayerElementVertexColor&>(element).DirectArray(),
                   [](const double* v) { return RWyxColor(v[0], v[1], v[2], v[3]); });
        wyx_read::ReadIntsByName(file_, "ColorIndex", element.IndexArray());
        break;
    case Element::kUV:
        readDirect("UV", 2, static_cast<RWyxLayerElementUV&>(element).DirectArray(),
                   [](const double* v) { return RVector2(v[0], v[1]); });
        wyx_read::ReadIntsByName(file_, "UVIndex", element.IndexArray());
        break;
    case Element::kMaterial:
        wyx_read::ReadIntsByName(file_, "Materials", element.IndexArray());
        return;
    default: {
        auto& textures = static_cast<RWyxLayerElementTexture&>(element);
        const RString blend = file_.FieldReadStringByName("BlendMode", "Translucent");
        const int mode = IndexOf(kBlendNames, blend);
        if (mode < 0) Warn(label + ": the blend mode \"" + blend + "\" is unknown; read as translucent");
        textures.SetBlendMode(std::max(mode, 0));
        textures.SetAlpha(wyx_read::ReadDoubleByName(file_, "TextureAlpha", 1.0));
        wyx_read::ReadIntsByName(file_, "TextureId", element.IndexArray());
        return;
    }
    }
    if (element.GetReferenceMode() == Element::kIndexToDirect) CheckDirectIndices(element, label);
}

void RWyxSceneReaderWyx6::CheckDirectIndices(Element& element, const RString& label) {
    int outside = 0;
    for (int& index : element.IndexArray()) {
        if (index == -1 || (index >= 0 && index < element.GetDirectCount())) continue;
        index = -1;
        ++outside;
    }
    if (outside > 0) {
        Warn(label + ": " + RString(outside) + " indices past its " + RString(element.GetDirectCount()) +
             " entries were set to -1");
    }
}

void RWyxSceneReaderWyx6::CheckMappedCount(const Element& element, const RWyxGeometry& geometry, const RString& label) {
    const RWyxMesh* mesh =
        geometry.GetAttributeType() == RWyxNodeAttribute::kMesh ? static_cast<const RWyxMesh*>(&geometry) : nullptr;
    int expected = -1;
    const char* what = "";
    switch (element.GetMappingMode()) {
    case Element::kByControlPoint:
        expected = geometry.GetControlPointsCount();
        what = " control points";
        break;
    case Element::kByPolygonVertex:
        expected = mesh != nullptr ? mesh->GetPolygonVertexCount() : -1;
        what = " polygon vertices";
        break;
    case Element::kByPolygon:
        expected = mesh != nullptr ? mesh->GetPolygonCount() : -1;
        what = " polygons";
        break;
    default:
        break;
    }
    if (expected >= 0 && element.GetMappedCount() != expected) {
        Warn(label + ": " + RString(element.GetMappedCount()) + " entries for its " + RString(expected) + what);
    }
}

void RWyxSceneReaderWyx6::ReadLayerRecords(RWyxGeometry& geometry, ElementList& elements, const RString& name) {
    const int layerLimit = static_cast<int>(elements.size()) + kMaxLayerGap;
    const RString label = RString("Model \"") + name + "\", Layer ";
    while (file_.FieldReadBegin("Layer")) {
        const int index = file_.FieldReadInt();
        RWyxLayer* layer = index >= 0 && index < layerLimit ? geometry.EnsureLayer(index) : nullptr;
        if (layer == nullptr) {
            Warn(label + RString(index) + ": no layer of this index for " + RString(static_cast<int>(elements.size())) +
                 " elements; its entries were dropped");
        }
        const BlockScope block = BlockScope::Enter(file_);
        while (block && layer != nullptr && file_.FieldReadBegin("LayerElement")) {
            if (const BlockScope entry = BlockScope::Enter(file_)) {
                const RString type = file_.FieldReadStringByName("Type", "");
                const int number = file_.FieldReadIntByName("TypedIndex", -1);
                const int kind = ElementKindOf(type);
                const auto found = std::find_if(elements.begin(), elements.end(),
                                                [&](const auto& e) { return e.first == std::make_pair(kind, number); });
                const RString what = label + RString(index) + ": " + type + " " + RString(number);
                if (found == elements.end()) {
                    Warn(what + " names no element; dropped");
                } else if (found->second == nullptr) {
                    Warn(what + " is placed in a layer already; dropped");
                } else if (layer->GetElement(kind) != nullptr) {
                    Warn(what + ": the layer holds an element of this kind already; dropped");
                } else {
                    StoreElement(*layer, found->second);
                }
            }
            file_.FieldReadEnd();
        }
        file_.FieldReadEnd();
    }
    const auto unplaced =
        std::count_if(elements.begin(), elements.end(), [](const auto& e) { return e.second != nullptr; });
    if (unplaced > 0) {
        Warn(RString("Model \"") + name + "\": " + RString(static_cast<int>(unplaced)) +
             " layer elements no Layer record places were dropped");
    }
}

// ---- shapes -------------------------------------------------------------------------------------------------------

void RWyxSceneReaderWyx6::ReadShape(RWyxGeometry& geometry, const RString& shapeName, const RString& name) {
    const RString label = RString("Model \"") + name + "\", shape \"" + shapeName + "\"";
    std::vector<int> indices;
    std::vector<double> moves;
    std::vector<double> normalMoves;
    wyx_read::ReadIntsByName(file_, "Indexes", indices);
    wyx_read::ReadDoublesByName(file_, "Vertices", moves);
    const bool mesh = geometry.GetAttributeType() == RWyxNodeAttribute::kMesh;
    const bool hasNormals = mesh && wyx_read::ReadDoublesByName(file_, "Normals", normalMoves);
    RWyxShape* shape = factory_->CreateShape();
    if (shape == nullptr) return;
    const int count = geometry.GetControlPointsCount();
    shape->InitControlPoints(count);
    std::copy(geometry.GetControlPoints(), geometry.GetControlPoints() + count, shape->GetControlPoints());
    const RVector4* baseNormals = mesh ? NormalsByControlPoint(geometry) : nullptr;
    RVector4* normals = nullptr;
    if (baseNormals != nullptr && shape->InitNormals(0)) {
        normals = shape->GetNormals();
        std::copy(baseNormals, baseNormals + count, normals);
    }
    if (moves.size() != indices.size() * 3) {
        Warn(label + ": Vertices holds " + Count(moves.size()) + " values for " + Count(indices.size()) + " indices");
    }
    if (hasNormals && normalMoves.size() != indices.size() * 3) {
        Warn(label + ": Normals holds " + Count(normalMoves.size()) + " values for " + Count(indices.size()) +
             " indices");
    }
    int outside = 0;
    for (std::size_t i = 0; i < indices.size(); ++i) {
        const int index = indices[i];
        if (index < 0 || index >= count) {
            ++outside;
            continue;
        }
        const auto move = [&](RVector4& target, const std::vector<double>& by) {
            if (by.size() < (i + 1) * 3) return;
            target.x += by[i * 3];
            target.y += by[i * 3 + 1];
            target.z += by[i * 3 + 2];
        };
        move(shape->GetControlPoints()[index], moves);
        if (normals != nullptr) move(normals[index], normalMoves);
    }
    if (outside > 0) {
        Warn(label + ": " + RString(outside) + " indices past the " + RString(count) + " control points were dropped");
    }
    if (geometry.AddShape(shape, shapeName.Buffer()) < 0) {
        Warn(label + " could not be added (an empty name, or one the geometry uses); dropped");
        factory_->DestroyShape(shape);
    }
}
