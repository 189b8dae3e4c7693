#include <vexa/VFnMesh.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/api/ShapePath.h"
#include "host/src/api/ShapeTarget.h"
#include "host/src/geometry/SingleIndexedComponent.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/SetMembers.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>

using namespace vexa_host;

namespace {

struct Reading {
    ShapeTarget target;
    MeshDataPtr mesh;
    VStatus status;
};

Reading readMesh(const VObject& object, bool hasPath, const VDagPath& path) {
    Reading reading;
    if (object.isNull()) {
        reading.status = noObject();
        return reading;
    }
    reading.status = hasPath ? ShapeTarget::resolve(path, ShapeTarget::kMeshShape, reading.target) : ShapeTarget::resolve(object, ShapeTarget::kMeshShape, reading.target);
    if (reading.status) reading.mesh = reading.target.readMesh(reading.status);
    return reading;
}

// Runs an edit on the geometry: in place when the target alone holds it (ShapeTarget::soleMesh),
// so that an edit of one corner costs that corner, not the mesh; else on a copy, stored when the
// edit succeeds, which leaves the geometry as it was to whoever holds it (an iterator, a copy, a
// plug's data). An edit checks all it is given before it changes anything, so one refused in
// place leaves the mesh as it was too.
template <typename Edit>
VStatus editMesh(const VObject& object, bool hasPath, const VDagPath& path, Edit edit) {
    Reading reading = readMesh(object, hasPath, path);
    if (!reading.status) return reading.status;
    if (MeshData* sole = reading.target.soleMesh(reading.mesh)) return edit(*sole, reading.target);
    auto copy = std::make_shared<MeshData>(*reading.mesh);
    if (VStatus status = edit(*copy, reading.target); !status) return status;
    return reading.target.write(std::move(copy));
}

VStatus badPolygon(int polygon, const MeshData& mesh) {
    return VStatus(VStatus::kInvalidParameter, "polygon " + std::to_string(polygon) + " of " + std::to_string(mesh.polygonCount()));
}

VStatus badVertex(int vertex, const MeshData& mesh) {
    return VStatus(VStatus::kInvalidParameter, "vertex " + std::to_string(vertex) + " of " + std::to_string(mesh.pointCount()));
}

VStatus badCorner(int polygon, int corner) {
    return VStatus(VStatus::kInvalidParameter, "polygon " + std::to_string(polygon) + " has no corner " + std::to_string(corner));
}

std::string uvSetName(const VString* uvSet) { return uvSet != nullptr ? uvSet->str() : std::string(); }

VVector transformNormal(const VVector& normal, const VMatrix& matrix) { return ShapeTarget::normalToSpace(normal, matrix); }

// The normals, given in the space asked for, in the shape's own space.
VStatus objectNormals(const VVectorArray& normals, VSpace::Space space, const ShapeTarget& target, std::vector<VVector>& local) {
    VMatrix matrix;
    if (VStatus status = target.toSpace(space, matrix); !status) return status;
    const VMatrix back = matrix.inverse();
    local.clear();
    for (const VVector& normal : normals) local.push_back(transformNormal(normal, back));
    return VStatus();
}

std::vector<int> toVector(const VIntArray& array) { return array.items(); }

// Where the geometry of a new mesh goes: into a mesh data object, or a new node under a parent.
VObject placeMesh(MeshDataPtr data, const VObject& parentOrData, VStatus& status) {
    if (GeometryObject* geometry = geometryObjectOf(parentOrData)) {
        if (!geometry->hasFn(VFn::kMeshGeometry)) {
            status = VStatus(VStatus::kInvalidParameter, "the data object holds no mesh");
            return VObject();
        }
        geometry->setData(std::move(data));
        status = VStatus();
        return parentOrData;
    }
    Node* parent = nullptr;
    if (!parentOrData.isNull() && (parent = liveNodeOf(parentOrData)) == nullptr) {
        status = VStatus(VStatus::kInvalidParameter, "the parent is not a live node");
        return VObject();
    }
    NodePtr node = Scene::instance().createNode("mesh", std::string(), parent, status);
    if (!node) return VObject();
    status = setOwnMesh(*node, std::move(data));
    return status ? objectOf(*node) : VObject();
}

// Whether the member's path is the instance, or the instance less its last node.
bool onInstance(const VDagPath& memberPath, const NodeChain& instance) {
    size_t place = memberPath.length();
    if (place != instance.size() && place + 1 != instance.size()) return false;
    for (const PathLink* step = memberPath.tail().get(); step != nullptr; step = step->up().get()) {
        if (&step->node() != instance[--place]) return false;
    }
    return true;
}

// The nodes a member matching the instance stands on: its shape, and the transform above.
std::vector<const Node*> instanceEnds(const NodeChain& instance) {
    const auto count = static_cast<std::ptrdiff_t>(std::min<size_t>(2, instance.size()));
    return std::vector<const Node*>(instance.rbegin(), instance.rbegin() + count);
}

// The live shading groups holding a member on the instance's shape or transform, in scene order:
// the only groups that may hold a member matching it.
std::vector<Node*> groupsOn(const NodeChain& instance) {
    std::vector<Node*> groups;
    for (const Node* end : instanceEnds(instance)) {
        for (const SetMembers* members : SetMembers::holding(end)) {
            Node* group = members->owner();
            if (group != nullptr && group->alive() && group->hasFn(VFn::kShadingEngine)) groups.push_back(group);
        }
    }
    std::sort(groups.begin(), groups.end(), [](const Node* a, const Node* b) { return a->id() < b->id(); });
    groups.erase(std::unique(groups.begin(), groups.end()), groups.end());
    return groups;
}

// The scene's shading groups in scene order, kept beside the scene: node ids only grow, so
// the groups made since the last look are those past the highest id seen, and the deleted
// ones are dropped as they are met. A look costs the groups, not every node of the scene.
class ShadingGroups {
public:
    // Brings the list up to the scene's nodes.
    void update() {
        groups_.erase(std::remove_if(groups_.begin(), groups_.end(),
                                     [](const std::weak_ptr<Node>& group) {
                                         const NodePtr node = group.lock();
                                         return node == nullptr || !node->alive();
                                     }),
                      groups_.end());
        const std::map<std::uint64_t, NodePtr>& nodes = Scene::instance().nodes();
        for (auto it = nodes.upper_bound(seenUpTo_); it != nodes.end(); ++it) {
            Node& node = *it->second;
            if (SetMembers::of(node.payload()) != nullptr && node.hasFn(VFn::kShadingEngine)) groups_.push_back(it->second);
            seenUpTo_ = it->first;
        }
    }
    const std::vector<std::weak_ptr<Node>>& groups() const { return groups_; }

private:
    std::vector<std::weak_ptr<Node>> groups_;
    std::uint64_t seenUpTo_ = 0;
};

// Reading a set's members drops those whose nodes are gone (SetMembers::items), and the shader
// query has always read every shading group. Members go in alive and stay so while the
// structure stamp stays, so the groups are read again only after the structure changed.
void dropGoneMembers() {
    static std::uint64_t readAt = 0;
    const std::uint64_t stamp = Node::structureStamp();
    if (readAt == stamp) return;
    static ShadingGroups shadingGroups;
    shadingGroups.update();
    for (const std::weak_ptr<Node>& group : shadingGroups.groups()) SetMembers::of(group.lock()->payload())->items();
    readAt = stamp;
}

}  // namespace

VFnMesh::VFnMesh(const VObject& object, VStatus* status) { report(status, VFnMesh::setObject(object)); }

VFnMesh::VFnMesh(const VDagPath& path, VStatus* status) { report(status, VFnMesh::setObject(path)); }

VStatus VFnMesh::setObject(const VObject& object) {
    if (object.hasFn(VFn::kMeshGeometry)) {
        hasPath_ = false;
        path_ = VDagPath();
        object_ = object;
        return VStatus();
    }
    return VFnDagNode::setObject(object);
}

VStatus VFnMesh::setObject(const VDagPath& path) {
    VDagPath shape;
    if (VStatus status = shapePathOf(path, shape); !status) {
        object_ = VObject();
        return status;
    }
    return VFnDagNode::setObject(shape);
}

VObject VFnMesh::create(int numVertices, int numPolygons, const VPointArray& vertexArray, const VIntArray& polygonCounts,
                        const VIntArray& polygonConnects, const VObject& parentOrData, VStatus* status) {
    auto fail = [status](const std::string& text) {
        report(status, VStatus(VStatus::kInvalidParameter, text));
        return VObject();
    };
    if (numVertices < 0 || static_cast<unsigned>(numVertices) != vertexArray.length()) {
        return fail("the vertex count " + std::to_string(numVertices) + " differs from the " +
                    std::to_string(vertexArray.length()) + " points given");
    }
    if (numPolygons < 0 || static_cast<unsigned>(numPolygons) < polygonCounts.length()) {
        return fail("the polygon count " + std::to_string(numPolygons) + " is below the " +
                    std::to_string(polygonCounts.length()) + " counts given");
    }
    auto data = std::make_shared<MeshData>();
    VStatus built = data->build(vertexArray.items(), toVector(polygonCounts), toVector(polygonConnects));
    if (!built) return fail(built.errorString().str());
    VStatus placed;
    VObject result = placeMesh(std::move(data), parentOrData, placed);
    report(status, placed);
    if (placed) setObject(result);
    return result;
}

VObject VFnMesh::copy(const VObject& source, const VObject& parentOrData, VStatus* status) {
    ShapeTarget target;
    VStatus result = ShapeTarget::resolve(source, ShapeTarget::kMeshShape, target);
    MeshDataPtr mesh = result ? target.readMesh(result) : nullptr;
    if (!result) {
        report(status, result);
        return VObject();
    }
    // The data is shared, not copied: an edit of either works on a copy while they share it.
    VObject made = placeMesh(mesh, parentOrData, result);
    report(status, result);
    if (result) setObject(made);
    return made;
}

VStatus VFnMesh::updateSurface() { return readMesh(object_, hasPath_, path_).status; }

int VFnMesh::numVertices(VStatus* status) const {
    Reading reading = readMesh(object_, hasPath_, path_);
    report(status, reading.status);
    return reading.mesh ? reading.mesh->pointCount() : 0;
}

int VFnMesh::numPolygons(VStatus* status) const {
    Reading reading = readMesh(object_, hasPath_, path_);
    report(status, reading.status);
    return reading.mesh ? reading.mesh->polygonCount() : 0;
}

int VFnMesh::numFaceVertices(VStatus* status) const {
    Reading reading = readMesh(object_, hasPath_, path_);
    report(status, reading.status);
    return reading.mesh ? reading.mesh->faceVertexCount() : 0;
}

int VFnMesh::numNormals(VStatus* status) const {
    Reading reading = readMesh(object_, hasPath_, path_);
    report(status, reading.status);
    return reading.mesh ? static_cast<int>(reading.mesh->normalLayout().normals.size()) : 0;
}

int VFnMesh::polygonVertexCount(int polygonId, VStatus* status) const {
    Reading reading = readMesh(object_, hasPath_, path_);
    if (reading.status && !reading.mesh->hasPolygon(polygonId)) reading.status = badPolygon(polygonId, *reading.mesh);
    report(status, reading.status);
    return reading.status ? reading.mesh->polygonSize(polygonId) : 0;
}

VStatus VFnMesh::getPolygonVertices(int polygonId, VIntArray& vertexList) const {
    vertexList.clear();
    Reading reading = readMesh(object_, hasPath_, path_);
    if (!reading.status) return reading.status;
    const MeshData& mesh = *reading.mesh;
    if (!mesh.hasPolygon(polygonId)) return badPolygon(polygonId, mesh);
    for (int corner = 0; corner < mesh.polygonSize(polygonId); ++corner) vertexList.append(mesh.polygonVertex(polygonId, corner));
    return VStatus();
}

VStatus VFnMesh::setPoints(const VPointArray& points, VSpace::Space space) {
    return editMesh(object_, hasPath_, path_, [&](MeshData& mesh, const ShapeTarget& target) {
        VMatrix matrix;
        if (VStatus status = target.toSpace(space, matrix); !status) return status;
        const VMatrix back = matrix.inverse();
        std::vector<VPoint> local;
        local.reserve(points.length());
        for (const VPoint& point : points) local.push_back(point * back);
        return mesh.setPoints(std::move(local));
    });
}

VStatus VFnMesh::getPoint(int vertexId, VPoint& point, VSpace::Space space) const {
    Reading reading = readMesh(object_, hasPath_, path_);
    VMatrix matrix;
    if (reading.status) reading.status = reading.target.toSpace(space, matrix);
    if (!reading.status) return reading.status;
    if (!reading.mesh->hasPoint(vertexId)) return badVertex(vertexId, *reading.mesh);
    point = reading.mesh->points()[static_cast<size_t>(vertexId)] * matrix;
    return VStatus();
}

VStatus VFnMesh::setPoint(int vertexId, const VPoint& point, VSpace::Space space) {
    return editMesh(object_, hasPath_, path_, [&](MeshData& mesh, const ShapeTarget& target) {
        VMatrix matrix;
        if (VStatus status = target.toSpace(space, matrix); !status) return status;
        return mesh.setPoint(vertexId, point * matrix.inverse());
    });
}

VStatus VFnMesh::getNormals(VVectorArray& normals, VSpace::Space space) const {
    normals.clear();
    Reading reading = readMesh(object_, hasPath_, path_);
    VMatrix matrix;
    if (reading.status) reading.status = reading.target.toSpace(space, matrix);
    if (!reading.status) return reading.status;
    for (const VVector& normal : reading.mesh->normalLayout().normals) normals.append(transformNormal(normal, matrix));
    return VStatus();
}

VStatus VFnMesh::getVertexNormal(int vertexId, VVector& normal, VSpace::Space space) const {
    Reading reading = readMesh(object_, hasPath_, path_);
    VMatrix matrix;
    if (reading.status) reading.status = reading.target.toSpace(space, matrix);
    if (!reading.status) return reading.status;
    if (!reading.mesh->hasPoint(vertexId)) return badVertex(vertexId, *reading.mesh);
    normal = transformNormal(reading.mesh->vertexNormal(vertexId), matrix);
    return VStatus();
}

VStatus VFnMesh::getFaceVertexNormal(int faceId, int vertexId, VVector& normal, VSpace::Space space) const {
    Reading reading = readMesh(object_, hasPath_, path_);
    VMatrix matrix;
    if (reading.status) reading.status = reading.target.toSpace(space, matrix);
    if (!reading.status) return reading.status;
    const MeshData& mesh = *reading.mesh;
    const int corner = mesh.cornerOf(faceId, vertexId);
    if (corner < 0) return badCorner(faceId, vertexId);
    const MeshData::NormalLayout& layout = mesh.normalLayout();
    const int id = layout.ids[static_cast<size_t>(mesh.faceVertexOffset(faceId) + corner)];
    normal = transformNormal(layout.normals[static_cast<size_t>(id)], matrix);
    return VStatus();
}

VStatus VFnMesh::getPolygonNormal(int polygonId, VVector& normal, VSpace::Space space) const {
    Reading reading = readMesh(object_, hasPath_, path_);
    VMatrix matrix;
    if (reading.status) reading.status = reading.target.toSpace(space, matrix);
    if (!reading.status) return reading.status;
    if (!reading.mesh->hasPolygon(polygonId)) return badPolygon(polygonId, *reading.mesh);
    normal = transformNormal(reading.mesh->polygonNormal(polygonId), matrix);
    return VStatus();
}

VStatus VFnMesh::setVertexNormals(const VVectorArray& normals, const VIntArray& vertexIds, VSpace::Space space) {
    if (normals.length() != vertexIds.length()) return VStatus(VStatus::kInvalidParameter, "the normal and vertex arrays differ in length");
    return editMesh(object_, hasPath_, path_, [&](MeshData& mesh, const ShapeTarget& target) {
        std::vector<VVector> local;
        if (VStatus status = objectNormals(normals, space, target, local); !status) return status;
        return mesh.setVertexNormals(vertexIds.items(), local);
    });
}

VStatus VFnMesh::setFaceVertexNormals(const VVectorArray& normals, const VIntArray& faceIds, const VIntArray& vertexIds,
                                      VSpace::Space space) {
    if (normals.length() != faceIds.length() || normals.length() != vertexIds.length()) {
        return VStatus(VStatus::kInvalidParameter, "the normal, face and vertex arrays differ in length");
    }
    return editMesh(object_, hasPath_, path_, [&](MeshData& mesh, const ShapeTarget& target) {
        std::vector<VVector> local;
        if (VStatus status = objectNormals(normals, space, target, local); !status) return status;
        return mesh.setFaceVertexNormals(faceIds.items(), vertexIds.items(), local);
    });
}

int VFnMesh::numUVSets(VStatus* status) const {
    Reading reading = readMesh(object_, hasPath_, path_);
    report(status, reading.status);
    return reading.mesh ? static_cast<int>(reading.mesh->uvSets().size()) : 0;
}

VStatus VFnMesh::getUVSetNames(VStringArray& names) const {
    names.clear();
    Reading reading = readMesh(object_, hasPath_, path_);
    if (!reading.status) return reading.status;
    for (const MeshData::UVSet& set : reading.mesh->uvSets()) names.append(VString(set.name));
    return VStatus();
}

VString VFnMesh::currentUVSetName(VStatus* status) const {
    Reading reading = readMesh(object_, hasPath_, path_);
    report(status, reading.status);
    return reading.mesh ? VString(reading.mesh->currentUVSet()) : VString();
}

VStatus VFnMesh::setCurrentUVSetName(const VString& name) {
    return editMesh(object_, hasPath_, path_, [&](MeshData& mesh, const ShapeTarget&) { return mesh.setCurrentUVSet(name.str()); });
}

VStatus VFnMesh::createUVSet(const VString& name) {
    return editMesh(object_, hasPath_, path_, [&](MeshData& mesh, const ShapeTarget&) { return mesh.createUVSet(name.str()); });
}

VStatus VFnMesh::renameUVSet(const VString& name, const VString& newName) {
    return editMesh(object_, hasPath_, path_,
                    [&](MeshData& mesh, const ShapeTarget&) { return mesh.renameUVSet(name.str(), newName.str()); });
}

VStatus VFnMesh::deleteUVSet(const VString& name) {
    return editMesh(object_, hasPath_, path_, [&](MeshData& mesh, const ShapeTarget&) { return mesh.deleteUVSet(name.str()); });
}

int VFnMesh::numUVs(const VString* uvSet, VStatus* status) const {
    Reading reading = readMesh(object_, hasPath_, path_);
    const MeshData::UVSet* set = reading.status ? reading.mesh->findUVSet(uvSetName(uvSet)) : nullptr;
    if (reading.status && set == nullptr) reading.status = VStatus(VStatus::kInvalidParameter, "no UV set " + uvSetName(uvSet));
    report(status, reading.status);
    return set != nullptr ? static_cast<int>(set->u.size()) : 0;
}

VStatus VFnMesh::setUVs(const VFloatArray& u, const VFloatArray& v, const VString* uvSet) {
    return editMesh(object_, hasPath_, path_,
                    [&](MeshData& mesh, const ShapeTarget&) { return mesh.setUVs(uvSetName(uvSet), u.items(), v.items()); });
}

VStatus VFnMesh::getUVs(VFloatArray& u, VFloatArray& v, const VString* uvSet) const {
    u.clear();
    v.clear();
    Reading reading = readMesh(object_, hasPath_, path_);
    if (!reading.status) return reading.status;
    const MeshData::UVSet* set = reading.mesh->findUVSet(uvSetName(uvSet));
    if (set == nullptr) return VStatus(VStatus::kInvalidParameter, "no UV set " + uvSetName(uvSet));
    u = VFloatArray(set->u.data(), static_cast<unsigned>(set->u.size()));
    v = VFloatArray(set->v.data(), static_cast<unsigned>(set->v.size()));
    return VStatus();
}

VStatus VFnMesh::assignUVs(const VIntArray& uvCounts, const VIntArray& uvIds, const VString* uvSet) {
    return editMesh(object_, hasPath_, path_, [&](MeshData& mesh, const ShapeTarget&) {
        return mesh.assignUVs(uvSetName(uvSet), toVector(uvCounts), toVector(uvIds));
    });
}

VStatus VFnMesh::assignUV(int polygonId, int vertexIndex, int uvId, const VString* uvSet) {
    return editMesh(object_, hasPath_, path_,
                    [&](MeshData& mesh, const ShapeTarget&) { return mesh.setUVId(uvSetName(uvSet), polygonId, vertexIndex, uvId); });
}

VStatus VFnMesh::getPolygonUVid(int polygonId, int vertexIndex, int& uvId, const VString* uvSet) const {
    Reading reading = readMesh(object_, hasPath_, path_);
    if (!reading.status) return reading.status;
    const MeshData& mesh = *reading.mesh;
    const MeshData::UVSet* set = mesh.findUVSet(uvSetName(uvSet));
    if (set == nullptr) return VStatus(VStatus::kInvalidParameter, "no UV set " + uvSetName(uvSet));
    if (!mesh.hasPolygon(polygonId)) return badPolygon(polygonId, mesh);
    if (vertexIndex < 0 || vertexIndex >= mesh.polygonSize(polygonId)) return badCorner(polygonId, vertexIndex);
    const int id = set->ids[static_cast<size_t>(mesh.faceVertexOffset(polygonId) + vertexIndex)];
    if (id < 0) return VStatus(VStatus::kFailure, "corner " + std::to_string(vertexIndex) + " of polygon " + std::to_string(polygonId) + " has no UV");
    uvId = id;
    return VStatus();
}

VStatus VFnMesh::getAssociatedUVSetTextures(const VString& uvSet, VObjectArray& textures) const {
    textures.clear();
    Reading reading = readMesh(object_, hasPath_, path_);
    if (!reading.status) return reading.status;
    if (reading.mesh->findUVSet(uvSet.str()) == nullptr) return VStatus(VStatus::kInvalidParameter, "no UV set " + uvSet.str());
    for (const std::shared_ptr<ObjectRecord>& texture : reading.mesh->linkedTextures(uvSet.str())) textures.append(VObject(texture));
    return VStatus();
}

VStatus VFnMesh::associateUVSetTexture(const VString& uvSet, const VObject& texture) {
    Node* node = liveNodeOf(texture);
    if (node == nullptr) return VStatus(VStatus::kInvalidParameter, "the texture is not a live node");
    return editMesh(object_, hasPath_, path_,
                    [&](MeshData& mesh, const ShapeTarget&) { return mesh.linkTexture(uvSet.str(), node->self()); });
}

VStatus VFnMesh::setVertexColors(const VColorArray& colors, const VIntArray& vertexIds) {
    if (colors.length() != vertexIds.length()) return VStatus(VStatus::kInvalidParameter, "the colour and vertex arrays differ in length");
    return editMesh(object_, hasPath_, path_,
                    [&](MeshData& mesh, const ShapeTarget&) { return mesh.setVertexColors(vertexIds.items(), colors.items()); });
}

VStatus VFnMesh::setFaceVertexColors(const VColorArray& colors, const VIntArray& faceIds, const VIntArray& vertexIds) {
    if (colors.length() != faceIds.length() || colors.length() != vertexIds.length()) {
        return VStatus(VStatus::kInvalidParameter, "the colour, face and vertex arrays differ in length");
    }
    return editMesh(object_, hasPath_, path_, [&](MeshData& mesh, const ShapeTarget&) {
        return mesh.setFaceVertexColors(faceIds.items(), vertexIds.items(), colors.items());
    });
}

VStatus VFnMesh::getFaceVertexColors(VColorArray& colors) const {
    colors.clear();
    Reading reading = readMesh(object_, hasPath_, path_);
    if (!reading.status) return reading.status;
    for (int corner = 0; corner < reading.mesh->faceVertexCount(); ++corner) colors.append(reading.mesh->faceVertexColor(corner));
    return VStatus();
}

VStatus VFnMesh::getVertexColors(VColorArray& colors) const {
    colors.clear();
    Reading reading = readMesh(object_, hasPath_, path_);
    if (!reading.status) return reading.status;
    for (int vertex = 0; vertex < reading.mesh->pointCount(); ++vertex) colors.append(reading.mesh->vertexColor(vertex));
    return VStatus();
}

VStatus VFnMesh::getFaceVertexColorIndex(int faceId, int localVertex, int& colorIndex) const {
    Reading reading = readMesh(object_, hasPath_, path_);
    if (!reading.status) return reading.status;
    const MeshData& mesh = *reading.mesh;
    if (!mesh.hasPolygon(faceId)) return badPolygon(faceId, mesh);
    if (localVertex < 0 || localVertex >= mesh.polygonSize(faceId)) return badCorner(faceId, localVertex);
    colorIndex = mesh.faceVertexOffset(faceId) + localVertex;
    return VStatus();
}

VStatus VFnMesh::getConnectedShaders(unsigned instanceNumber, VObjectArray& shaders, VIntArray& indices) const {
    shaders.clear();
    indices.clear();
    Reading reading = readMesh(object_, hasPath_, path_);
    if (!reading.status) return reading.status;
    Node* node = reading.target.node();
    if (node == nullptr) return VStatus(VStatus::kInvalidParameter, "shaders belong to mesh nodes, not to mesh data");
    const std::vector<NodeChain> paths = Scene::allPaths(*node);
    if (instanceNumber >= paths.size()) {
        return VStatus(VStatus::kInvalidParameter, "instance " + std::to_string(instanceNumber) + " of " + std::to_string(paths.size()));
    }
    const NodeChain& instance = paths[instanceNumber];
    const int polygons = reading.mesh->polygonCount();
    std::vector<Node*> faceBy(static_cast<size_t>(polygons), nullptr);
    Node* whole = nullptr;
    dropGoneMembers();
    // The first group in scene order wins a face; the order of one group's members is of no
    // account, each giving the same group.
    const auto take = [&instance, &faceBy, &whole, polygons](Node& group, const SelectionItem& item) {
        if (item.kind != SelectionItem::kDagPath || !onInstance(item.path, instance)) return false;
        const auto* faces = SingleIndexedComponent::of(item.component.record().get());
        if (item.component.isNull()) {
            if (whole == nullptr) whole = &group;
        } else if (faces != nullptr && faces->apiType() == VFn::kMeshPolygonComponent) {
            for (int face : faces->elements()) {
                if (face < polygons && faceBy[static_cast<size_t>(face)] == nullptr) faceBy[static_cast<size_t>(face)] = &group;
            }
        }
        return false;
    };
    for (Node* group : groupsOn(instance)) {
        const SetMembers* members = SetMembers::of(group->payload());
        for (const Node* end : instanceEnds(instance)) {
            members->anyMemberOn(end, [&take, group](const SelectionItem& item) { return take(*group, item); });
        }
    }
    std::vector<Node*> used;
    for (Node*& group : faceBy) {
        if (group == nullptr) group = whole;
        if (group != nullptr && std::find(used.begin(), used.end(), group) == used.end()) used.push_back(group);
    }
    // Groups listed in scene order.
    std::sort(used.begin(), used.end(), [](const Node* a, const Node* b) { return a->id() < b->id(); });
    for (Node* group : used) shaders.append(objectOf(*group));
    for (Node* group : faceBy) {
        indices.append(group == nullptr ? -1 : static_cast<int>(std::find(used.begin(), used.end(), group) - used.begin()));
    }
    return VStatus();
}
