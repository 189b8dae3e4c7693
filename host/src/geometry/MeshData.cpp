#include "host/src/geometry/MeshData.h"

#include "host/src/scene/PlugAccess.h"

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <typeinfo>

namespace vexa_host {

const char* const MeshData::kTypeName = "mesh";
const char* const MeshData::kDefaultUVSet = "map1";

namespace {

VStatus invalid(const std::string& text) { return VStatus(VStatus::kInvalidParameter, text); }

VStatus unequalLists() { return invalid("the lists of places and values differ in length"); }

// The values put in their places, in order, once every place is known to be sound.
template <typename T>
void store(std::vector<std::optional<T>>& slots, const std::vector<size_t>& places, const std::vector<T>& values) {
    for (size_t i = 0; i < places.size(); ++i) slots[places[i]] = values[i];
}

}  // namespace

MeshData::MeshData() : currentUVSet_(kDefaultUVSet) { uvSets_.push_back(UVSet{kDefaultUVSet, {}, {}, {}, {}}); }

void MeshData::describe(std::ostream& out) const {
    out << pointCount() << " points, " << polygonCount() << " polygons, " << faceVertexCount() << " face-vertices, UV sets";
    for (const UVSet& set : uvSets_) out << " " << set.name << "(" << set.u.size() << ")";
}

VStatus MeshData::build(std::vector<VPoint> points, const std::vector<int>& counts, const std::vector<int>& connects) {
    std::int64_t total = 0;
    for (size_t p = 0; p < counts.size(); ++p) {
        if (counts[p] < 0) return invalid("polygon " + std::to_string(p) + " has a negative vertex count");
        total += counts[p];
        if (total > static_cast<std::int64_t>(connects.size())) break;
    }
    if (total != static_cast<std::int64_t>(connects.size())) {
        return invalid("the polygon counts add up to " + std::to_string(total) + " vertices, the vertex list holds " +
                       std::to_string(connects.size()));
    }
    for (size_t i = 0; i < connects.size(); ++i) {
        if (connects[i] < 0 || static_cast<size_t>(connects[i]) >= points.size()) {
            return invalid("polygon vertex " + std::to_string(i) + " names point " + std::to_string(connects[i]) + " of " +
                           std::to_string(points.size()));
        }
    }
    counts_.clear();
    connects_.clear();
    offsets_.clear();
    size_t next = 0;
    for (int count : counts) {
        if (count >= 3) {
            offsets_.push_back(static_cast<int>(connects_.size()));
            counts_.push_back(count);
            connects_.insert(connects_.end(), connects.begin() + static_cast<std::ptrdiff_t>(next),
                             connects.begin() + static_cast<std::ptrdiff_t>(next + static_cast<size_t>(count)));
        }
        next += static_cast<size_t>(count);
    }
    points_ = std::move(points);
    const size_t vertices = points_.size();
    const size_t corners = connects_.size();
    vertexNormals_.assign(vertices, std::nullopt);
    faceVertexNormals_.assign(corners, std::nullopt);
    vertexColors_.assign(vertices, std::nullopt);
    faceVertexColors_.assign(corners, std::nullopt);
    for (UVSet& set : uvSets_) set.ids.assign(corners, -1);
    invalidate();
    return VStatus();
}

int MeshData::cornerOf(int polygon, int vertex) const {
    if (!hasPolygon(polygon)) return -1;
    for (int corner = 0; corner < polygonSize(polygon); ++corner) {
        if (polygonVertex(polygon, corner) == vertex) return corner;
    }
    return -1;
}

int MeshData::polygonOfFaceVertex(int faceVertex) const {
    const auto next = std::upper_bound(offsets_.begin(), offsets_.end(), faceVertex);
    return static_cast<int>(next - offsets_.begin()) - 1;
}

std::vector<int> MeshData::polygonsAround(int vertex) const {
    std::vector<int> result;
    if (!hasPoint(vertex)) return result;
    const NormalLayout& layout = normalLayout();
    for (int i = layout.firstCorner[static_cast<size_t>(vertex)]; i < layout.firstCorner[static_cast<size_t>(vertex) + 1]; ++i) {
        const int polygon = polygonOfFaceVertex(layout.cornersOnVertex[static_cast<size_t>(i)]);
        if (result.empty() || result.back() != polygon) result.push_back(polygon);
    }
    return result;
}

VStatus MeshData::setPoints(std::vector<VPoint> points) {
    if (points.size() != points_.size()) {
        return invalid("the mesh has " + std::to_string(points_.size()) + " points, " + std::to_string(points.size()) +
                       " were given");
    }
    points_ = std::move(points);
    invalidate();
    return VStatus();
}

VStatus MeshData::setPoint(int vertex, const VPoint& point) {
    if (!hasPoint(vertex)) return invalid("point " + std::to_string(vertex) + " of " + std::to_string(pointCount()));
    points_[static_cast<size_t>(vertex)] = point;
    invalidate();
    return VStatus();
}

VVector MeshData::polygonNormal(int polygon) const {
    // Newell's method: sound for concave and slightly non-planar polygons.
    VVector sum;
    const int size = polygonSize(polygon);
    for (int corner = 0; corner < size; ++corner) {
        const VPoint& a = points_[static_cast<size_t>(polygonVertex(polygon, corner))];
        const VPoint& b = points_[static_cast<size_t>(polygonVertex(polygon, (corner + 1) % size))];
        sum.x += (a.y - b.y) * (a.z + b.z);
        sum.y += (a.z - b.z) * (a.x + b.x);
        sum.z += (a.x - b.x) * (a.y + b.y);
    }
    return sum.normal();
}

const MeshData::NormalLayout& MeshData::normalLayout() const {
    if (layout_) return *layout_;
    auto layout = std::make_shared<NormalLayout>();
    layout->ids.resize(connects_.size());
    std::vector<int> vertexIds(points_.size(), -1);
    for (int polygon = 0; polygon < polygonCount(); ++polygon) {
        const VVector flat = polygonNormal(polygon);
        for (int corner = 0; corner < polygonSize(polygon); ++corner) {
            const size_t faceVertex = static_cast<size_t>(faceVertexOffset(polygon) + corner);
            const size_t vertex = static_cast<size_t>(connects_[faceVertex]);
            int id = static_cast<int>(layout->normals.size());
            if (faceVertexNormals_[faceVertex]) {
                layout->normals.push_back(*faceVertexNormals_[faceVertex]);
            } else if (vertexNormals_[vertex]) {
                if (vertexIds[vertex] < 0) {
                    vertexIds[vertex] = id;
                    layout->normals.push_back(*vertexNormals_[vertex]);
                }
                id = vertexIds[vertex];
            } else {
                layout->normals.push_back(flat);
            }
            layout->ids[faceVertex] = id;
        }
    }
    // Corners by vertex, counted then placed (face-vertices ascending within each vertex).
    layout->firstCorner.assign(points_.size() + 1, 0);
    for (int vertex : connects_) ++layout->firstCorner[static_cast<size_t>(vertex) + 1];
    for (size_t v = 0; v < points_.size(); ++v) layout->firstCorner[v + 1] += layout->firstCorner[v];
    layout->cornersOnVertex.resize(connects_.size());
    std::vector<int> fill(layout->firstCorner.begin(), layout->firstCorner.end() - 1);
    for (size_t faceVertex = 0; faceVertex < connects_.size(); ++faceVertex) {
        layout->cornersOnVertex[static_cast<size_t>(fill[static_cast<size_t>(connects_[faceVertex])]++)] = static_cast<int>(faceVertex);
    }
    layout_ = layout;
    return *layout_;
}

VVector MeshData::vertexNormal(int vertex) const {
    if (!hasPoint(vertex)) return VVector();
    if (vertexNormals_[static_cast<size_t>(vertex)]) return *vertexNormals_[static_cast<size_t>(vertex)];
    const NormalLayout& layout = normalLayout();
    VVector sum;
    for (int i = layout.firstCorner[static_cast<size_t>(vertex)]; i < layout.firstCorner[static_cast<size_t>(vertex) + 1]; ++i) {
        const int faceVertex = layout.cornersOnVertex[static_cast<size_t>(i)];
        sum = sum + layout.normals[static_cast<size_t>(layout.ids[static_cast<size_t>(faceVertex)])];
    }
    return sum.normal();
}

VStatus MeshData::vertexPlaces(const std::vector<int>& vertices, size_t values, std::vector<size_t>& places) const {
    if (vertices.size() != values) return unequalLists();
    places.clear();
    for (int vertex : vertices) {
        if (!hasPoint(vertex)) return invalid("vertex " + std::to_string(vertex) + " of " + std::to_string(pointCount()));
        places.push_back(static_cast<size_t>(vertex));
    }
    return VStatus();
}

VStatus MeshData::cornerPlaces(const std::vector<int>& polygons, const std::vector<int>& vertices, size_t values,
                               std::vector<size_t>& places) const {
    if (polygons.size() != values || vertices.size() != values) return unequalLists();
    places.clear();
    for (size_t i = 0; i < values; ++i) {
        const int corner = cornerOf(polygons[i], vertices[i]);
        if (corner < 0) {
            return invalid("vertex " + std::to_string(vertices[i]) + " is not a corner of polygon " + std::to_string(polygons[i]));
        }
        places.push_back(static_cast<size_t>(faceVertexOffset(polygons[i]) + corner));
    }
    return VStatus();
}

VStatus MeshData::setVertexNormals(const std::vector<int>& vertices, const std::vector<VVector>& normals) {
    std::vector<size_t> places;
    if (VStatus status = vertexPlaces(vertices, normals.size(), places); !status) return status;
    store(vertexNormals_, places, normals);
    invalidate();
    return VStatus();
}

VStatus MeshData::setFaceVertexNormals(const std::vector<int>& polygons, const std::vector<int>& vertices,
                                       const std::vector<VVector>& normals) {
    std::vector<size_t> places;
    if (VStatus status = cornerPlaces(polygons, vertices, normals.size(), places); !status) return status;
    store(faceVertexNormals_, places, normals);
    invalidate();
    return VStatus();
}

const MeshData::UVSet* MeshData::findUVSet(const std::string& name) const {
    const std::string& wanted = name.empty() ? currentUVSet_ : name;
    auto it = std::find_if(uvSets_.begin(), uvSets_.end(), [&wanted](const UVSet& set) { return set.name == wanted; });
    return it == uvSets_.end() ? nullptr : &*it;
}

MeshData::UVSet* MeshData::uvSetNamed(const std::string& name) { return const_cast<UVSet*>(findUVSet(name)); }

VStatus MeshData::setCurrentUVSet(const std::string& name) {
    if (findUVSet(name) == nullptr) return invalid("no UV set " + name);
    currentUVSet_ = name;
    return VStatus();
}

VStatus MeshData::createUVSet(const std::string& name) {
    if (name.empty() || findUVSet(name) != nullptr) return invalid("the UV set name \"" + name + "\" is empty or in use");
    uvSets_.push_back(UVSet{name, {}, {}, std::vector<int>(connects_.size(), -1), {}});
    return VStatus();
}

VStatus MeshData::renameUVSet(const std::string& from, const std::string& to) {
    UVSet* set = uvSetNamed(from);
    if (set == nullptr) return invalid("no UV set " + from);
    if (to.empty() || (to != set->name && findUVSet(to) != nullptr)) return invalid("the UV set name \"" + to + "\" is empty or in use");
    if (currentUVSet_ == set->name) currentUVSet_ = to;
    set->name = to;
    return VStatus();
}

VStatus MeshData::deleteUVSet(const std::string& name) {
    const UVSet* set = findUVSet(name);
    if (set == nullptr) return invalid("no UV set " + name);
    if (uvSets_.size() == 1) return VStatus(VStatus::kFailure, "a mesh keeps at least one UV set");
    const bool wasCurrent = set->name == currentUVSet_;
    uvSets_.erase(uvSets_.begin() + (set - uvSets_.data()));
    if (wasCurrent) currentUVSet_ = uvSets_.front().name;
    return VStatus();
}

VStatus MeshData::setUVs(const std::string& name, std::vector<float> u, std::vector<float> v) {
    UVSet* set = uvSetNamed(name);
    if (set == nullptr) return invalid("no UV set " + name);
    if (u.size() != v.size()) return invalid("the U and V arrays differ in length");
    const int count = static_cast<int>(u.size());
    for (int& id : set->ids) {
        if (id >= count) id = -1;
    }
    set->u = std::move(u);
    set->v = std::move(v);
    return VStatus();
}

VStatus MeshData::assignUVs(const std::string& name, const std::vector<int>& counts, const std::vector<int>& ids) {
    UVSet* set = uvSetNamed(name);
    if (set == nullptr) return invalid("no UV set " + name);
    if (counts.size() != counts_.size()) {
        return invalid("UV counts for " + std::to_string(counts.size()) + " polygons, the mesh has " + std::to_string(counts_.size()));
    }
    size_t next = 0;
    for (size_t p = 0; p < counts.size(); ++p) {
        if (counts[p] != 0 && counts[p] != counts_[p]) {
            return invalid("polygon " + std::to_string(p) + " has " + std::to_string(counts_[p]) + " vertices, " +
                           std::to_string(counts[p]) + " UVs were given");
        }
        next += static_cast<size_t>(counts[p]);
    }
    if (next != ids.size()) return invalid("the UV counts add up to " + std::to_string(next) + ", " + std::to_string(ids.size()) + " ids were given");
    for (size_t i = 0; i < ids.size(); ++i) {
        if (ids[i] < 0 || static_cast<size_t>(ids[i]) >= set->u.size()) {
            return invalid("UV id " + std::to_string(ids[i]) + " of " + std::to_string(set->u.size()) + " in set " + set->name);
        }
    }
    next = 0;
    for (size_t p = 0; p < counts.size(); ++p) {
        const size_t offset = static_cast<size_t>(offsets_[p]);
        for (int corner = 0; corner < counts_[p]; ++corner) {
            set->ids[offset + static_cast<size_t>(corner)] = counts[p] == 0 ? -1 : ids[next++];
        }
    }
    return VStatus();
}

VStatus MeshData::setUVId(const std::string& name, int polygon, int corner, int id) {
    UVSet* set = uvSetNamed(name);
    if (set == nullptr) return invalid("no UV set " + name);
    if (!hasPolygon(polygon) || corner < 0 || corner >= polygonSize(polygon)) return invalid("no such polygon corner");
    if (id < -1 || id >= static_cast<int>(set->u.size())) return invalid("UV id " + std::to_string(id) + " of " + std::to_string(set->u.size()));
    set->ids[static_cast<size_t>(faceVertexOffset(polygon) + corner)] = id;
    return VStatus();
}

VStatus MeshData::linkTexture(const std::string& name, const std::shared_ptr<ObjectRecord>& texture) {
    UVSet* set = uvSetNamed(name);
    if (set == nullptr) return invalid("no UV set " + name);
    if (!texture) return invalid("no texture");
    for (const std::weak_ptr<ObjectRecord>& linked : set->textures) {
        if (linked.lock() == texture) return VStatus();
    }
    set->textures.push_back(texture);
    return VStatus();
}

std::vector<std::shared_ptr<ObjectRecord>> MeshData::linkedTextures(const std::string& name) const {
    std::vector<std::shared_ptr<ObjectRecord>> result;
    const UVSet* set = findUVSet(name);
    if (set == nullptr) return result;
    for (const std::weak_ptr<ObjectRecord>& linked : set->textures) {
        std::shared_ptr<ObjectRecord> texture = linked.lock();
        const auto* node = dynamic_cast<const Node*>(texture.get());
        if (texture && (node == nullptr || node->alive())) result.push_back(texture);
    }
    return result;
}

VColor MeshData::faceVertexColor(int faceVertex) const {
    if (faceVertex < 0 || faceVertex >= faceVertexCount()) return unsetColor();
    const size_t index = static_cast<size_t>(faceVertex);
    if (faceVertexColors_[index]) return *faceVertexColors_[index];
    return vertexColor(connects_[index]);
}

VColor MeshData::vertexColor(int vertex) const {
    if (!hasPoint(vertex) || !vertexColors_[static_cast<size_t>(vertex)]) return unsetColor();
    return *vertexColors_[static_cast<size_t>(vertex)];
}

VStatus MeshData::setVertexColors(const std::vector<int>& vertices, const std::vector<VColor>& colors) {
    std::vector<size_t> places;
    if (VStatus status = vertexPlaces(vertices, colors.size(), places); !status) return status;
    store(vertexColors_, places, colors);
    return VStatus();
}

VStatus MeshData::setFaceVertexColors(const std::vector<int>& polygons, const std::vector<int>& vertices,
                                      const std::vector<VColor>& colors) {
    std::vector<size_t> places;
    if (VStatus status = cornerPlaces(polygons, vertices, colors.size(), places); !status) return status;
    store(faceVertexColors_, places, colors);
    return VStatus();
}

namespace {

// The mesh node type, found once: the registry keeps its types for the process's life.
bool isMeshNode(const Node& node) {
    static const NodeType* const meshType = NodeTypeRegistry::instance().find(MeshData::kTypeName);
    return &node.type() == meshType;
}

// A mesh that no connection reaches shows the geometry it stores (its type's output passes
// the input through): read straight from the stored value, as a set edit reads the polygon
// count for every polygon it names. Anything else reads the output plug.
bool showsOwnGeometry(const Node& node) { return node.alive() && node.incoming().empty() && isMeshNode(node); }

// The stored "inMesh" of a mesh node. Its place in the node's table is the type's, found with
// the first node asked for (each later one asks its table straight away); a type without the
// place reads by key.
const PlugValue* storedOwnMesh(const Node& node) {
    static const std::string kInMesh = "inMesh";
    static const int place = [&node] {
        const AttributePtr attribute = node.findAttribute(kInMesh);
        return attribute != nullptr && attribute->longName == kInMesh ? node.valueSlot(*attribute) : -1;
    }();
    if (place >= 0) return node.slotOther(place);
    const auto keyed = node.keyedValues().find(kInMesh);
    return keyed != node.keyedValues().end() ? &keyed->second : nullptr;
}

// The mesh a plug value holds, or null: an exact type check (the class is final), cheaper than
// a cast that searches the class tree; set edits read a shape's mesh once per command.
MeshDataPtr meshIn(const PlugValue& value) {
    const auto* data = std::get_if<std::shared_ptr<const DataValue>>(&value);
    const DataValue* held = data != nullptr ? data->get() : nullptr;
    if (held == nullptr || typeid(*held) != typeid(MeshData)) return nullptr;
    return std::static_pointer_cast<const MeshData>(*data);
}

}  // namespace

MeshDataPtr meshOf(const Node& node) {
    if (showsOwnGeometry(node)) {
        const PlugValue* stored = storedOwnMesh(node);
        return stored != nullptr ? meshIn(*stored) : nullptr;
    }
    static const std::string kOutMesh = "outMesh";
    AttributePtr attribute = node.findAttribute(kOutMesh);
    if (!attribute || attribute->kind != AttributeKind::Data) return nullptr;
    PlugValue value;
    if (!readValue(node, PlugPath::of(attribute), value)) return nullptr;
    return meshIn(value);
}

VStatus setOwnMesh(Node& node, MeshDataPtr data) {
    AttributePtr attribute = node.findAttribute("inMesh");
    if (!attribute || attribute->kind != AttributeKind::Data) return invalid(node.name() + " is not a mesh");
    const PlugPath path = PlugPath::of(attribute);
    if (drivingConnection(node, path) != nullptr) {
        return VStatus(VStatus::kFailure, "the geometry of " + node.name() + " comes from its history and cannot be edited");
    }
    return writeValue(node, path, PlugValue(std::shared_ptr<const DataValue>(std::move(data))));
}

MeshData* soleOwnMesh(Node& node, const MeshDataPtr& held) {
    // The mesh type's "inMesh" is a writable data plug: a live mesh node without locks takes a
    // write to it unless a connection drives it.
    if (held == nullptr || held.use_count() != 2 || !node.alive() || !isMeshNode(node) || !node.lockedPlugs().empty()) {
        return nullptr;
    }
    if (!node.incoming().empty() && drivingConnection(node, PlugPath::of(node.findAttribute("inMesh"))) != nullptr) return nullptr;
    const PlugValue* stored = storedOwnMesh(node);
    const auto* data = stored != nullptr ? std::get_if<std::shared_ptr<const DataValue>>(stored) : nullptr;
    return data != nullptr && data->get() == held.get() ? const_cast<MeshData*>(held.get()) : nullptr;
}

}  // namespace vexa_host
