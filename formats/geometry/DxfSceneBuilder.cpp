#include "formats/geometry/DxfSceneBuilder.h"

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "core/RNamePair.h"
#include "formats/geometry/DxfColors.h"
#include "formats/geometry/DxfDocument.h"
#include "formats/geometry/RStreamOptionsDxf.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <strings.h>
#include <unordered_map>

namespace {

constexpr double kWeldTolerance = 1e-6;
constexpr double kWeldCell = 4e-6;

std::string Lower(const std::string& text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

RVector4 ScenePoint(const DxfPoint& p, const RVector4& offset) {
    return RVector4(p.x - offset.x, p.z - offset.y, -p.y - offset.z, 1.0);
}

std::int64_t Cell(double value) {
    const double cell = std::floor(value / kWeldCell);
    if (!(cell == cell)) return 0;  // NaN matches nothing anyway
    return static_cast<std::int64_t>(std::clamp(cell, -4.0e18, 4.0e18));
}

std::uint64_t CellKey(std::int64_t x, std::int64_t y, std::int64_t z) {
    std::uint64_t h = static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15ull;
    h ^= static_cast<std::uint64_t>(y) * 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
    h ^= static_cast<std::uint64_t>(z) * 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
    return h;
}

// POLYLINEs of M x N meshes (flag 16; their VERTEXes flag 64), which are not read.
int CountPolygonMeshes(const std::vector<DxfEntity>& entities) {
    return static_cast<int>(std::count_if(entities.begin(), entities.end(), [](const DxfEntity& entity) {
        return entity.kind == DxfEntity::kPolyline && (entity.flags & 16) != 0 && (entity.flags & 64) == 0;
    }));
}

bool Near(const RVector4& a, const RVector4& b) {
    return std::fabs(a.x - b.x) <= kWeldTolerance && std::fabs(a.y - b.y) <= kWeldTolerance &&
           std::fabs(a.z - b.z) <= kWeldTolerance;
}

}  // namespace

// Points and polygons on their way to one mesh.
struct DxfSceneBuilder::Accumulator {
    struct Polygon {
        int first;
        int count;
        int colour;
    };
    std::vector<RVector4> points;
    std::vector<Polygon> polygons;
    std::vector<int> corners;
    bool hasColour = false;
    bool metInsert = false;
    // Welding grid: cell key -> points in the cell.
    std::unordered_map<std::uint64_t, std::vector<int>> cells;

    std::size_t Size() const { return points.size() + corners.size(); }

    int AddPoint(const RVector4& point, bool weld) {
        const int index = static_cast<int>(points.size());
        if (!weld) {
            points.push_back(point);
            return index;
        }
        const std::int64_t cx = Cell(point.x), cy = Cell(point.y), cz = Cell(point.z);
        int found = -1;
        for (std::int64_t dx = -1; dx <= 1; ++dx) {
            for (std::int64_t dy = -1; dy <= 1; ++dy) {
                for (std::int64_t dz = -1; dz <= 1; ++dz) {
                    const auto cell = cells.find(CellKey(cx + dx, cy + dy, cz + dz));
                    if (cell == cells.end()) continue;
                    for (const int candidate : cell->second) {
                        if ((found < 0 || candidate < found) && Near(points[static_cast<std::size_t>(candidate)], point)) {
                            found = candidate;
                        }
                    }
                }
            }
        }
        if (found >= 0) return found;
        points.push_back(point);
        cells[CellKey(cx, cy, cz)].push_back(index);
        return index;
    }

    void AddPolygon(std::initializer_list<int> indices, int colour) {
        polygons.push_back(Polygon{static_cast<int>(corners.size()), static_cast<int>(indices.size()), colour});
        corners.insert(corners.end(), indices.begin(), indices.end());
        hasColour = hasColour || colour > 0;
    }
};

DxfSceneBuilder::DxfSceneBuilder(RWyxObjectFactory& factory, RString& messages)
    : factory_(factory), messages_(messages), materials_(256, nullptr) {}

DxfSceneBuilder::~DxfSceneBuilder() = default;

void DxfSceneBuilder::Warn(const RString& text) {
    ++warningCount_;
    messages_ += text;
}

void DxfSceneBuilder::WarnLeftOut() {
    WarnLeftOut("INSERTs inside blocks not followed: ", nestedInserts_);
    WarnLeftOut("LWPOLYLINE entities left out: ", lwPolylines_);
    WarnLeftOut("POLYLINE meshes left out: ", polygonMeshes_);
}

void DxfSceneBuilder::WarnLeftOut(const char* what, int count) {
    if (count <= 0) return;
    Warn(RString(what) + count + "\n");
    warningCount_ += count - 1;
}

int DxfSceneBuilder::LayerColour(const std::string& layer) const {
    const std::string key = Lower(layer);
    const auto found = std::lower_bound(layerColours_.begin(), layerColours_.end(), key,
                                        [](const std::pair<std::string, int>& entry, const std::string& name) {
                                            return entry.first < name;
                                        });
    return found != layerColours_.end() && found->first == key ? found->second : 0;
}

int DxfSceneBuilder::PolygonColour(int own, bool hasOwn, const std::string& layer) const {
    int colour = hasOwn ? own : 0;
    if (colour == 0 || colour >= 256) colour = std::abs(LayerColour(layer));
    return colour >= 1 && colour <= 255 ? colour : 0;
}

RWyxMaterial* DxfSceneBuilder::MaterialFor(int colour) {
    RWyxMaterial*& material = materials_[static_cast<std::size_t>(colour)];
    if (material == nullptr) {
        material = factory_.CreateMaterial((RString("Material") + materialCounter_++).Buffer());
        double rgb[3];
        if (material != nullptr && DxfColorToRgb(colour, rgb)) {
            material->SetDiffuseColor(RWyxColor(rgb[0], rgb[1], rgb[2], 1.0));
        }
    }
    return material;
}

void DxfSceneBuilder::AddPolyline(const DxfEntity& entity, Accumulator& accumulator, const RVector4& offset) {
    const int first = static_cast<int>(accumulator.points.size());
    int meshPoints = 0;
    for (const DxfVertex& vertex : entity.vertices) meshPoints += vertex.flags == 192 ? 1 : 0;
    int previous = -1;
    int start = -1;
    int dropped = 0;
    for (const DxfVertex& vertex : entity.vertices) {
        if (vertex.flags == 192) {
            accumulator.AddPoint(ScenePoint(vertex.point, offset), false);
        } else if (vertex.flags == 32) {
            const int point = accumulator.AddPoint(ScenePoint(vertex.point, offset), false);
            const int colour = PolygonColour(entity.colour, entity.hasColour, entity.layer);
            if (previous >= 0) accumulator.AddPolygon({previous, point, previous}, colour);
            if (start < 0) start = point;
            previous = point;
        } else if (vertex.flags == 128) {
            int c[4];
            bool inside = true;
            for (int i = 0; i < 4; ++i) {
                c[i] = vertex.corners[i] == INT_MIN ? meshPoints + 1 : std::abs(vertex.corners[i]);
                inside = inside && c[i] <= meshPoints;
            }
            if (c[0] == 0 || c[1] == 0) continue;
            const int count = c[2] == 0 ? 2 : c[3] == 0 ? 3 : 4;
            if (!inside) {
                ++dropped;
                continue;
            }
            const int colour = PolygonColour(vertex.hasColour ? vertex.colour : entity.colour,
                                             vertex.hasColour || entity.hasColour, entity.layer);
            // In file order (71, 72, 73, 74): the axis change is a rotation, so the winding stays.
            if (count == 2) accumulator.AddPolygon({first + c[0] - 1, first + c[1] - 1, first + c[0] - 1}, colour);
            if (count == 3) accumulator.AddPolygon({first + c[0] - 1, first + c[1] - 1, first + c[2] - 1}, colour);
            if (count == 4) {
                accumulator.AddPolygon({first + c[0] - 1, first + c[1] - 1, first + c[2] - 1, first + c[3] - 1}, colour);
            }
        }
    }
    if (entity.flags == 9 && start >= 0 && previous != start) {
        accumulator.AddPolygon({previous, start, previous}, PolygonColour(entity.colour, entity.hasColour, entity.layer));
    }
    if (dropped > 0) {
        Warn(RString("POLYLINE of line ") + entity.line + ": " + dropped + " face(s) naming points outside its " +
             meshPoints + " dropped\n");
    }
}

void DxfSceneBuilder::AddEntity(const DxfEntity& entity, Accumulator& accumulator, bool weld, const RVector4& offset) {
    const int colour = PolygonColour(entity.colour, entity.hasColour, entity.layer);
    if (entity.kind == DxfEntity::kLine) {
        const int a = accumulator.AddPoint(ScenePoint(entity.points[0], offset), weld);
        const int b = accumulator.AddPoint(ScenePoint(entity.points[1], offset), weld);
        accumulator.AddPolygon({a, b, a}, colour);
    } else if (entity.kind == DxfEntity::kFace) {
        int c[4];
        for (int i = 0; i < 4; ++i) c[i] = accumulator.AddPoint(ScenePoint(entity.points[i], offset), weld);
        if (entity.points[3] == entity.points[2]) {
            accumulator.AddPolygon({c[0], c[1], c[2]}, colour);
        } else {
            accumulator.AddPolygon({c[0], c[1], c[2], c[3]}, colour);
        }
    } else if (entity.kind == DxfEntity::kPolyline) {
        AddPolyline(entity, accumulator, offset);
    }
}

RWyxNode* DxfSceneBuilder::MakeNode(const std::string& name) {
    RNamePair pair{RString(name.c_str())};
    names_.MakeUnique(pair);
    RWyxNode* node = factory_.CreateNode(pair.GetCurrent().Buffer());
    if (node == nullptr) error_ = "cannot make the node \"" + std::string(pair.GetCurrent().Buffer()) + "\"";
    return node;
}

RWyxMesh* DxfSceneBuilder::MakeMesh(const Accumulator& accumulator) {
    RWyxMesh* mesh = factory_.CreateMesh();
    if (mesh == nullptr || !mesh->InitControlPoints(static_cast<int>(accumulator.points.size()))) {
        error_ = "cannot make a mesh";
        return nullptr;
    }
    std::copy(accumulator.points.begin(), accumulator.points.end(), mesh->GetControlPoints());
    if (accumulator.hasColour) mesh->InitMaterialIndices(RWyxMesh::kKindByPolygon);
    std::unordered_map<int, int> meshIndices;  // colour -> material index in this mesh
    for (const Accumulator::Polygon& polygon : accumulator.polygons) {
        int materialIndex = -1;
        if (polygon.colour > 0) {
            const auto found = meshIndices.find(polygon.colour);
            if (found != meshIndices.end()) {
                materialIndex = found->second;
            } else if (RWyxMaterial* material = MaterialFor(polygon.colour)) {
                materialIndex = mesh->AddMaterial(material);
                meshIndices.emplace(polygon.colour, materialIndex);
            }
        }
        mesh->BeginPolygon(materialIndex, -1, -1);
        for (int i = 0; i < polygon.count; ++i) {
            mesh->AddPolygonVertex(accumulator.corners[static_cast<std::size_t>(polygon.first + i)]);
        }
    }
    return mesh;
}

RWyxNode* DxfSceneBuilder::MakeMeshNode(const std::string& name, const Accumulator& accumulator, RWyxNode& parent) {
    RWyxNode* node = MakeNode(name);
    if (node == nullptr) return nullptr;
    RWyxMesh* mesh = MakeMesh(accumulator);
    if (mesh == nullptr) {
        factory_.DestroyNode(node, false);
        return nullptr;
    }
    node->SetNodeAttribute(mesh);
    parent.AddChild(node);
    return node;
}

void DxfSceneBuilder::IndexBlocks() {
    const auto& blocks = document_->blocks;
    blockOrder_.resize(blocks.size());
    for (std::size_t i = 0; i < blocks.size(); ++i) blockOrder_[i] = i;
    // Stable, so that of namesakes the first stays first.
    std::stable_sort(blockOrder_.begin(), blockOrder_.end(),
                     [&blocks](std::size_t a, std::size_t b) { return blocks[a].name < blocks[b].name; });
}

const DxfBlock* DxfSceneBuilder::FindBlock(const std::string& name) const {
    const auto& blocks = document_->blocks;
    const auto found = std::lower_bound(blockOrder_.begin(), blockOrder_.end(), name,
                                        [&blocks](std::size_t a, const std::string& n) { return blocks[a].name < n; });
    if (found == blockOrder_.end() || blocks[*found].name != name) return nullptr;
    return &blocks[*found];
}

bool DxfSceneBuilder::Insert(const DxfEntity& insert, RWyxNode& parent) {
    const DxfBlock* block = FindBlock(insert.block);
    if (block == nullptr) {
        Warn(RString("INSERT of line ") + insert.line + ": no block \"" + insert.block.c_str() + "\"\n");
        return true;
    }
    Accumulator accumulator;
    const RVector4 base = ScenePoint(block->base, RVector4());
    int nested = 0;
    for (const DxfEntity& entity : block->entities) {
        if (entity.kind == DxfEntity::kInsert) {
            accumulator.metInsert = true;
            ++nested;
        } else {
            AddEntity(entity, accumulator, settings_.weld, base);
        }
        if (accumulator.Size() > settings_.insertBudget) break;
    }
    if (accumulator.Size() > settings_.insertBudget) {
        Warn(RString("INSERT of line ") + insert.line + " skipped: the blocks inserted copy more geometry than the file allows\n");
        return true;
    }
    settings_.insertBudget -= accumulator.Size();
    nestedInserts_ += nested;
    lwPolylines_ += block->lwPolylines;
    polygonMeshes_ += CountPolygonMeshes(block->entities);
    if (accumulator.polygons.empty() && !accumulator.metInsert) return true;
    RWyxNode* node = accumulator.polygons.empty() ? MakeNode(block->name) : MakeMeshNode(block->name, accumulator, parent);
    if (node == nullptr) return false;
    if (accumulator.polygons.empty()) parent.AddChild(node);
    const double* s = insert.scale;
    if (s[0] != 1.0 || s[1] != 1.0 || s[2] != 1.0) node->SetDefaultScaling(RVector4(s[0], s[2], s[1], 0.0));
    if (insert.angle != 0.0) node->SetDefaultRotation(RVector4(0.0, insert.angle, 0.0, 0.0));
    const DxfPoint& at = insert.insertion;
    if (at.x != 0.0 || at.y != 0.0 || at.z != 0.0) node->SetDefaultTranslation(RVector4(at.x, at.z, -at.y, 0.0));
    return true;
}

bool DxfSceneBuilder::BuildByEntity(RWyxNode& parent) {
    static constexpr const char* kNames[] = {"LINE", "3DFACE", "POLYLINE"};
    for (const DxfEntity& entity : document_->entities) {
        if (entity.kind == DxfEntity::kInsert) {
            if (!Insert(entity, parent)) return false;
            continue;
        }
        Accumulator accumulator;
        AddEntity(entity, accumulator, false, RVector4());
        if (accumulator.polygons.empty()) continue;
        RWyxNode* node = MakeMeshNode(kNames[entity.kind], accumulator, parent);
        if (node == nullptr) return false;
        if (entity.kind == DxfEntity::kLine) node->SetShadingMode(1);
    }
    return true;
}

bool DxfSceneBuilder::BuildByLayer(RWyxNode& parent) {
    struct IgnoringCase {
        bool operator()(const std::string& a, const std::string& b) const { return strcasecmp(a.c_str(), b.c_str()) < 0; }
    };
    std::map<std::string, Accumulator, IgnoringCase> layers;
    for (const DxfEntity& entity : document_->entities) {
        if (entity.kind == DxfEntity::kInsert) {
            if (!Insert(entity, parent)) return false;
            continue;
        }
        AddEntity(entity, layers[entity.layer], settings_.weld, RVector4());
    }
    for (auto& [name, accumulator] : layers) {
        if (accumulator.polygons.empty()) continue;
        RWyxNode* node = MakeMeshNode(name, accumulator, parent);
        if (node == nullptr) return false;
        if (LayerColour(name) < 0) node->SetVisibility(false);
        accumulator = Accumulator();
    }
    return true;
}

bool DxfSceneBuilder::BuildByBlock(RWyxNode& parent) {
    RWyxNode* node = MakeNode("ENTITIES");
    if (node == nullptr) return false;
    parent.AddChild(node);
    Accumulator accumulator;
    for (const DxfEntity& entity : document_->entities) {
        if (entity.kind == DxfEntity::kInsert) {
            accumulator.metInsert = true;
            if (!Insert(entity, *node)) return false;
        } else {
            AddEntity(entity, accumulator, settings_.weld, RVector4());
        }
    }
    if (accumulator.polygons.empty()) {
        if (!accumulator.metInsert) factory_.DestroyNode(node, false);
        return true;
    }
    RWyxMesh* mesh = MakeMesh(accumulator);
    if (mesh == nullptr) return false;
    node->SetNodeAttribute(mesh);
    return true;
}

bool DxfSceneBuilder::Build(const DxfDocument& document, RWyxScene& scene, const Settings& settings) {
    document_ = &document;
    settings_ = settings;
    layerColours_.clear();
    for (const DxfLayer& layer : document.layers) layerColours_.emplace_back(Lower(layer.name), layer.colour);
    std::stable_sort(layerColours_.begin(), layerColours_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    // Of two layers of one name the first counts.
    layerColours_.erase(std::unique(layerColours_.begin(), layerColours_.end(),
                                    [](const auto& a, const auto& b) { return a.first == b.first; }),
                        layerColours_.end());
    IndexBlocks();
    RWyxNode* root = scene.GetRootNode();
    if (root == nullptr) {
        error_ = "the scene has no root node";
        return false;
    }
    RWyxNode* parent = root;
    if (settings.referenceName != nullptr) {
        parent = MakeNode(settings.referenceName);
        if (parent == nullptr) return false;
        root->AddChild(parent);
    }
    nestedInserts_ = 0;
    lwPolylines_ = document.lwPolylines;
    polygonMeshes_ = CountPolygonMeshes(document.entities);
    bool built = false;
    switch (settings.grouping) {
        case RStreamOptionsDxf::kByEntity: built = BuildByEntity(*parent); break;
        case RStreamOptionsDxf::kByBlock: built = BuildByBlock(*parent); break;
        default: built = BuildByLayer(*parent); break;
    }
    WarnLeftOut();
    return built;
}
