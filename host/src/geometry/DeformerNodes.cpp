#include "host/src/geometry/DeformerNodes.h"

#include "host/src/geometry/MeshData.h"
#include "host/src/scene/PlugAccess.h"

#include <vexa/VFnNumericAttribute.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>

namespace vexa_host {

namespace {

using N = VFnNumericAttribute;

constexpr int kMaxHistoryDepth = 64;
constexpr int kMaxDivisions = 4;

// History is evaluated by reading plugs through connections and computed outputs; a history
// that loops back into itself would recurse without end, so each evaluation counts its depth
// and gives up (an empty value) past a limit.
class EvaluationDepth {
public:
    EvaluationDepth() { ++depth(); }
    ~EvaluationDepth() { --depth(); }
    EvaluationDepth(const EvaluationDepth&) = delete;
    EvaluationDepth& operator=(const EvaluationDepth&) = delete;
    bool exceeded() const { return depth() > kMaxHistoryDepth; }

private:
    static int& depth() {
        static thread_local int value = 0;
        return value;
    }
};

AttributePtr output(AttributePtr attribute) {
    attribute->writable = false;
    attribute->storable = false;
    return attribute;
}

AttributePtr arrayOf(AttributePtr attribute) {
    attribute->array = true;
    return attribute;
}

AttributePtr geometry(const std::string& longName, const std::string& shortName) {
    return makeTyped(longName, shortName, AttributeKind::Data);
}

AttributePtr matrix(const std::string& longName, const std::string& shortName) {
    return makeTyped(longName, shortName, AttributeKind::Matrix);
}

AttributePtr message(const std::string& longName, const std::string& shortName) {
    return makeTyped(longName, shortName, AttributeKind::Message);
}

AttributePtr weightList(double defaultWeight) {
    AttributePtr weights = arrayOf(makeNumeric("weights", "w", N::kFloat, defaultWeight));
    return arrayOf(makeCompound("weightList", "wl", {weights}));
}

std::vector<AttributePtr> geometryFilterAttributes() {
    AttributePtr envelope = makeNumeric("envelope", "en", N::kFloat, 1.0);
    envelope->keyable = true;
    envelope->minimum = 0.0;
    envelope->maximum = 1.0;
    AttributePtr input = arrayOf(makeCompound("input", "ip", {geometry("inputGeometry", "ig"), makeNumeric("groupId", "gi", N::kLong)}));
    return {input, output(arrayOf(geometry("outputGeometry", "og"))), envelope};
}

std::vector<AttributePtr> skinAttributes() {
    AttributePtr normalize = makeNumeric("normalizeWeights", "nw", N::kShort, 1.0);
    normalize->minimum = 0.0;
    normalize->maximum = 2.0;
    return {weightList(0.0),
            arrayOf(matrix("matrix", "ma")),
            arrayOf(matrix("bindPreMatrix", "pm")),
            matrix("geomMatrix", "gm"),
            normalize,
            makeNumeric("maxInfluences", "mi", N::kLong, 5.0),
            makeNumeric("maintainMaxInfluences", "mmi", N::kBoolean),
            makeNumeric("dropoffRate", "dr", N::kDouble, 4.0),
            message("bindPose", "bp")};
}

std::vector<AttributePtr> blendShapeAttributes() {
    AttributePtr weight = arrayOf(makeNumeric("weight", "w", N::kFloat));
    weight->keyable = true;
    AttributePtr origin = makeNumeric("origin", "or", N::kShort);
    origin->minimum = 0.0;
    origin->maximum = 1.0;
    AttributePtr item = arrayOf(makeCompound("inputTargetItem", "iti", {geometry("inputGeomTarget", "igt")}));
    AttributePtr group = arrayOf(makeCompound("inputTargetGroup", "itg", {item}));
    return {weight, origin, arrayOf(makeCompound("inputTarget", "it", {group}))};
}

std::vector<AttributePtr> clusterAttributes() {
    return {makeNumeric("relative", "rel", N::kBoolean), matrix("matrix", "ma"), matrix("bindPreMatrix", "pm"),
            message("clusterXforms", "x")};
}

std::vector<AttributePtr> dagPoseAttributes() {
    return {arrayOf(message("members", "m")), arrayOf(matrix("worldMatrix", "wm")), arrayOf(matrix("xformMatrix", "xm")),
            makeNumeric("bindPose", "bp", N::kBoolean)};
}

// The value a deformer passes on: "outputGeometry[i]" is what reaches "input[i].inputGeometry".
bool computeDeformerOutput(const Node& node, const PlugPath& path, PlugValue& value) {
    if (path.steps.size() != 1 || path.leaf().longName != "outputGeometry") return false;
    EvaluationDepth depth;
    value = std::shared_ptr<const DataValue>();
    PlugPath input;
    const std::string text = "input[" + std::to_string(path.steps.back().index) + "].inputGeometry";
    if (depth.exceeded() || !parsePlugPath(node, text, input)) return true;
    PlugValue read;
    if (readValue(node, input, read)) value = read;
    return true;
}

// The point at the middle of two points.
VPoint middle(const VPoint& a, const VPoint& b) { return VPoint((a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2); }

// One level of splitting: every polygon of n corners becomes n quads, each made of a corner,
// the middle of the edge after it, the polygon's centre and the middle of the edge before it.
MeshDataPtr splitOnce(const MeshData& mesh) {
    std::vector<VPoint> points = mesh.points();
    std::map<std::pair<int, int>, int> edgeMiddles;
    auto edgeMiddle = [&](int a, int b) {
        const std::pair<int, int> key(std::min(a, b), std::max(a, b));
        auto it = edgeMiddles.find(key);
        if (it != edgeMiddles.end()) return it->second;
        points.push_back(middle(points[static_cast<size_t>(a)], points[static_cast<size_t>(b)]));
        const int index = static_cast<int>(points.size()) - 1;
        edgeMiddles.emplace(key, index);
        return index;
    };
    std::vector<int> counts;
    std::vector<int> connects;
    for (int polygon = 0; polygon < mesh.polygonCount(); ++polygon) {
        const int size = mesh.polygonSize(polygon);
        VPoint centre(0.0, 0.0, 0.0);
        for (int corner = 0; corner < size; ++corner) {
            const VPoint& p = points[static_cast<size_t>(mesh.polygonVertex(polygon, corner))];
            centre = VPoint(centre.x + p.x / size, centre.y + p.y / size, centre.z + p.z / size);
        }
        points.push_back(centre);
        const int centreIndex = static_cast<int>(points.size()) - 1;
        for (int corner = 0; corner < size; ++corner) {
            const int here = mesh.polygonVertex(polygon, corner);
            const int next = mesh.polygonVertex(polygon, (corner + 1) % size);
            const int previous = mesh.polygonVertex(polygon, (corner + size - 1) % size);
            counts.push_back(4);
            connects.insert(connects.end(), {here, edgeMiddle(here, next), centreIndex, edgeMiddle(previous, here)});
        }
    }
    auto split = std::make_shared<MeshData>();
    if (!split->build(std::move(points), counts, connects)) return nullptr;
    return split;
}

bool computeSmoothOutput(const Node& node, const PlugPath& path, PlugValue& value) {
    if (path.steps.size() != 1 || path.leaf().longName != "output") return false;
    EvaluationDepth depth;
    value = std::shared_ptr<const DataValue>();
    PlugPath input;
    if (depth.exceeded() || !parsePlugPath(node, "inputPolymesh", input)) return true;
    PlugValue read;
    if (!readValue(node, input, read)) return true;
    auto data = std::get_if<std::shared_ptr<const DataValue>>(&read);
    MeshDataPtr mesh = data != nullptr ? std::dynamic_pointer_cast<const MeshData>(*data) : nullptr;
    const int divisions = static_cast<int>(readNumber(node, "divisions", 0.0));
    if (mesh == nullptr || divisions <= 0) {
        value = read;
        return true;
    }
    for (int level = 0; level < divisions && mesh != nullptr; ++level) mesh = splitOnce(*mesh);
    value = std::shared_ptr<const DataValue>(mesh);
    return true;
}

std::vector<AttributePtr> smoothAttributes() {
    AttributePtr divisions = makeNumeric("divisions", "dv", N::kLong, 1.0);
    divisions->minimum = 0.0;
    divisions->maximum = kMaxDivisions;
    divisions->keyable = true;
    return {geometry("inputPolymesh", "ip"), output(geometry("output", "out")), divisions};
}

void add(NodeTypeRegistry& registry, NodeTypeDescription description) {
    const std::string name = description.name;
    if (registry.registerType(std::move(description)) == nullptr) {
        std::fprintf(stderr, "vexa: the deformer node type %s does not register\n", name.c_str());
        std::abort();
    }
}

}  // namespace

void registerDeformerTypes(NodeTypeRegistry& registry) {
    add(registry, {"groupId", "dependNode", VFn::kDependencyNode, {}, false, {makeNumeric("groupId", "id", N::kLong)}, {}, {}});
    add(registry, {"geometryFilter", "dependNode", VFn::kGeometryFilter, {}, true, geometryFilterAttributes(),
                   computeDeformerOutput, {}});
    add(registry, {"weightGeometryFilter", "geometryFilter", VFn::kGeometryFilter, {}, true, {weightList(1.0)}, {}, {}});
    add(registry, {"skinCluster", "geometryFilter", VFn::kSkinClusterFilter, {}, false, skinAttributes(), {}, {}});
    add(registry, {"blendShape", "geometryFilter", VFn::kBlendShape, {}, false, blendShapeAttributes(), {}, {}});
    add(registry, {"cluster", "weightGeometryFilter", VFn::kCluster, {}, false, clusterAttributes(), {}, {}});
    add(registry, {"jointCluster", "cluster", VFn::kJointCluster, {}, false, {}, {}, {}});
    add(registry, {"wrap", "weightGeometryFilter", VFn::kWrapFilter, {}, false,
                   {arrayOf(geometry("driverPoints", "dp")), arrayOf(geometry("basePoints", "bp"))}, {}, {}});
    add(registry, {"clusterHandle", "shape", VFn::kClusterHandle, {}, false,
                   {arrayOf(message("clusterTransforms", "cxf")),
                    makeNumericCompound("origin", "or", N::k3Double, {"X", "Y", "Z"}, 0.0, UnitKind::Distance)},
                   {}, {}});
    add(registry, {"polySmoothFacet", "dependNode", VFn::kPolySmoothFacet, {}, false, smoothAttributes(), computeSmoothOutput, {}});
    add(registry, {"dagPose", "dependNode", VFn::kDagPose, {}, false, dagPoseAttributes(), {}, {}});
}

}  // namespace vexa_host
