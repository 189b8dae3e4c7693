#include "host/src/geometry/ShapeTypes.h"

#include "host/src/geometry/DoubleIndexedComponent.h"
#include "host/src/geometry/MeshData.h"
#include "host/src/geometry/NurbsSurfaceData.h"
#include "host/src/geometry/SingleIndexedComponent.h"
#include "host/src/scene/Handles.h"
#include "host/src/scene/PlugAccess.h"

#include <vexa/VFnNumericAttribute.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace vexa_host {

namespace {

using N = VFnNumericAttribute;

constexpr double kDegree = 0.017453292519943295;

void require(const NodeType* type, const char* name) {
    if (type == nullptr) {
        std::fprintf(stderr, "vexa: the node type %s does not register\n", name);
        std::abort();
    }
}

AttributePtr dataAttribute(const std::string& longName, const std::string& shortName, const char* dataType, bool input,
                           bool array = false) {
    AttributePtr attribute = makeTyped(longName, shortName, AttributeKind::Data, dataType);
    attribute->writable = input;
    attribute->storable = input;
    attribute->hidden = true;
    attribute->array = array;
    return attribute;
}

AttributePtr keyable(AttributePtr attribute) {
    attribute->keyable = true;
    for (const AttributePtr& child : attribute->children) child->keyable = true;
    return attribute;
}

AttributePtr limited(AttributePtr attribute, double minimum, double maximum) {
    attribute->minimum = minimum;
    attribute->maximum = maximum;
    return attribute;
}

// A shape's output geometry ("outMesh", "worldMesh[i]") is what reaches its input plug.
ComputeFunction passThrough(const char* input, const char* output, const char* worldOutput) {
    return [input = std::string(input), output = std::string(output), worldOutput = std::string(worldOutput)](
               const Node& node, const PlugPath& path, PlugValue& value) {
        if (path.steps.size() != 1) return false;
        const std::string& name = path.leaf().longName;
        if (name != output && name != worldOutput) return false;
        PlugValue read;
        AttributePtr source = node.findAttribute(input);
        value = source && readValue(node, PlugPath::of(source), read) ? std::move(read) : PlugValue(std::shared_ptr<const DataValue>());
        return true;
    };
}

std::vector<AttributePtr> cameraAttributes() {
    return {
        makeNumeric("horizontalFilmAperture", "hfa", N::kDouble, 1.41732),
        makeNumeric("verticalFilmAperture", "vfa", N::kDouble, 0.94488),
        makeNumeric("horizontalFilmOffset", "hfo", N::kDouble, 0.0),
        makeNumeric("verticalFilmOffset", "vfo", N::kDouble, 0.0),
        keyable(makeNumeric("focalLength", "fl", N::kDouble, 35.0)),
        makeNumeric("lensSqueezeRatio", "lsr", N::kDouble, 1.0),
        limited(makeNumeric("filmFit", "ff", N::kShort, 1.0), 0.0, 3.0),
        makeNumeric("clippingPlanes", "cp", N::kBoolean, 1.0),
        makeNumeric("nearClipPlane", "ncp", N::kDouble, 0.1, UnitKind::Distance),
        makeNumeric("farClipPlane", "fcp", N::kDouble, 10000.0, UnitKind::Distance),
        makeNumeric("orthographic", "o", N::kBoolean, 0.0),
        makeNumeric("orthographicWidth", "ow", N::kDouble, 30.0, UnitKind::Distance),
        makeNumeric("focusDistance", "fd", N::kDouble, 5.0, UnitKind::Distance),
        makeNumeric("centerOfInterest", "coi", N::kDouble, 5.0, UnitKind::Distance),
        makeNumeric("cameraScale", "cs", N::kDouble, 1.0),
        makeNumeric("overscan", "ovr", N::kDouble, 1.0),
        makeNumeric("motionBlur", "mb", N::kBoolean, 0.0),
        makeNumeric("shutterAngle", "sa", N::kDouble, 144.0 * kDegree, UnitKind::Angle),
    };
}

std::vector<AttributePtr> lightAttributes() {
    AttributePtr color = keyable(makeNumericCompound("color", "cl", N::k3Float, {"R", "G", "B"}, 1.0));
    color->usedAsColor = true;
    return {color, keyable(makeNumeric("intensity", "in", N::kFloat, 1.0))};
}

std::vector<AttributePtr> spotLightAttributes() {
    return {keyable(limited(makeNumeric("coneAngle", "ca", N::kDouble, 40.0 * kDegree, UnitKind::Angle), 0.0, 3.14159265358979)),
            keyable(makeNumeric("penumbraAngle", "pa", N::kDouble, 0.0, UnitKind::Angle)),
            keyable(makeNumeric("dropoff", "dro", N::kDouble, 0.0))};
}

// ---- components --------------------------------------------------------------------------

// The digits of an index from `at`, nine at most (a tenth is left where it stands), read as
// they are scanned. Moves `at` past them; false without one.
bool readDigits(const std::string& text, size_t& at, int& value) {
    constexpr size_t kMostDigits = 9;
    const size_t begin = at;
    value = 0;
    const auto digitAt = [&text](size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(text[i])) - '0'; };
    for (; at < text.size() && at - begin < kMostDigits && digitAt(at) <= 9; ++at) {
        value = value * 10 + static_cast<int>(digitAt(at));
    }
    return at > begin;
}

// "[n]" or "[a:b]" with indices that hold, the forms a set edit names one polygon or one run by,
// read in one scan of their digits. Anything else is left to readRange's general reading, which
// says what is wrong: both read a text they both take alike.
bool readPlainRange(const std::string& text, size_t& at, int count, int& first, int& last) {
    size_t scan = at + 1;  // past the bracket
    if (!readDigits(text, scan, first)) return false;
    last = first;
    if (scan < text.size() && text[scan] == ':' && !readDigits(text, ++scan, last)) return false;
    if (scan >= text.size() || text[scan] != ']' || last < first || last >= count) return false;
    at = scan + 1;
    return true;
}

// One bracketed index: a number, "a:b" or "*" (every index below count). Moves `at` past it.
bool readRange(const std::string& text, size_t& at, int count, int& first, int& last, std::string& error) {
    if (at >= text.size() || text[at] != '[') return false;
    if (readPlainRange(text, at, count, first, last)) return true;
    // The closing bracket and the first colon before it, in one pass.
    const size_t begin = at + 1;
    size_t close = begin;
    size_t colon = std::string::npos;
    for (; close < text.size() && text[close] != ']'; ++close) {
        if (text[close] == ':' && colon == std::string::npos) colon = close;
    }
    if (close == text.size()) return false;
    at = close + 1;
    if (close - begin == 1 && text[begin] == '*') {
        first = 0;
        last = count - 1;
        return true;
    }
    // Read in place: a set edit names one polygon this way per command.
    auto number = [&text](size_t from, size_t to, int& value) {
        if (from == to || to - from > 9) return false;
        value = 0;
        for (size_t i = from; i < to; ++i) {
            if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
            value = value * 10 + (text[i] - '0');
        }
        return true;
    };
    if (colon == std::string::npos) colon = close;
    if (!number(begin, colon, first)) return false;
    last = first;
    if (colon != close && !number(colon + 1, close, last)) return false;
    if (last < first || last >= count) {
        error = "[" + text.substr(begin, close - begin) + "] is outside the " + std::to_string(count) + " elements";
        return false;
    }
    return true;
}

template <size_t N>
bool startsWith(const std::string& text, size_t from, const char (&head)[N]) {
    return text.size() - from >= N - 1 && std::char_traits<char>::compare(text.data() + from, head, N - 1) == 0;
}

Node* shapeNodeOf(const VDagPath& path) {
    Node* node = liveEndOf(path);
    return node != nullptr && !node->isTransform() ? node : nullptr;
}

VStatus notMine() { return VStatus(VStatus::kNotFound, "not a component of this shape"); }

VStatus malformed(const std::string& text, const std::string& error) {
    return VStatus(VStatus::kInvalidParameter, "the component " + text + (error.empty() ? " is malformed" : ": " + error));
}

// A new component for a text. Set edits name a polygon per command, and the component is gone
// once merged into a member: the last one made is taken again when nothing else holds it.
std::shared_ptr<SingleIndexedComponent> newComponent(VFn::Type type) {
    static std::shared_ptr<SingleIndexedComponent> last;
    if (last != nullptr && last.use_count() == 1) {
        last->reset(type);
    } else {
        last = std::make_shared<SingleIndexedComponent>(type);
    }
    return last;
}

VStatus parseMeshComponent(const VDagPath& path, const std::string& text, VObject& component) {
    Node* node = shapeNodeOf(path);
    VFn::Type type = VFn::kInvalid;
    int first = 0;
    int last = 0;
    if (node == nullptr) return notMine();
    if (VStatus status = readMeshRange(*node, text, 0, type, first, last); !status) return status;
    std::shared_ptr<SingleIndexedComponent> record = newComponent(type);
    for (int i = first; i <= last; ++i) record->add(i);
    component = VObject(std::move(record));
    return VStatus();
}

VStatus parseSurfaceComponent(const VDagPath& path, const std::string& text, VObject& component) {
    Node* node = shapeNodeOf(path);
    if (node == nullptr || !node->hasFn(VFn::kNurbsSurface) || !startsWith(text, 0, "cv[")) return notMine();
    NurbsSurfaceDataPtr surface = nurbsSurfaceOf(*node);
    const int countU = surface == nullptr ? 0 : surface->cvCount(NurbsSurfaceData::kU);
    const int countV = surface == nullptr ? 0 : surface->cvCount(NurbsSurfaceData::kV);
    size_t at = 2;
    int firstU = 0, lastU = 0, firstV = 0, lastV = 0;
    std::string error;
    if (!readRange(text, at, countU, firstU, lastU, error) || !readRange(text, at, countV, firstV, lastV, error) ||
        at != text.size()) {
        return malformed(text, error);
    }
    auto record = std::make_shared<DoubleIndexedComponent>(VFn::kSurfaceCVComponent);
    for (int u = firstU; u <= lastU; ++u) {
        for (int v = firstV; v <= lastV; ++v) record->add(u, v);
    }
    component = VObject(record);
    return VStatus();
}

}  // namespace

VStatus readMeshRange(const Node& node, const std::string& text, size_t from, VFn::Type& type, int& first, int& last) {
    if (!node.hasFn(VFn::kMesh) || from > text.size()) return notMine();
    const bool polygons = startsWith(text, from, "f[");
    if (!polygons && !startsWith(text, from, "vtx[")) return notMine();
    MeshDataPtr mesh = meshOf(node);
    const int count = mesh == nullptr ? 0 : (polygons ? mesh->polygonCount() : mesh->pointCount());
    size_t at = from + (polygons ? 1 : 3);  // the bracket
    std::string error;
    if (!readRange(text, at, count, first, last, error) || at != text.size()) return malformed(text.substr(from), error);
    type = polygons ? VFn::kMeshPolygonComponent : VFn::kMeshVertComponent;
    return VStatus();
}

void registerShapeTypes(NodeTypeRegistry& registry) {
    const char* mesh = MeshData::kTypeName;
    require(registry.registerType({"mesh", "shape", VFn::kMesh, {}, false,
                                   {dataAttribute("inMesh", "i", mesh, true), dataAttribute("outMesh", "o", mesh, false),
                                    dataAttribute("worldMesh", "w", mesh, false, true)},
                                   passThrough("inMesh", "outMesh", "worldMesh"), {}}), "mesh");
    const char* surface = NurbsSurfaceData::kTypeName;
    require(registry.registerType({"nurbsSurface", "shape", VFn::kNurbsSurface, {}, false,
                                   {dataAttribute("create", "cr", surface, true), dataAttribute("local", "l", surface, false),
                                    dataAttribute("worldSpace", "ws", surface, false, true),
                                    makeNumeric("curvePrecision", "cpr", N::kShort, 4.0),
                                    makeNumeric("curvePrecisionShaded", "cps", N::kShort, 1.0)},
                                   passThrough("create", "local", "worldSpace"), {}}), "nurbsSurface");
    require(registry.registerType({"camera", "shape", VFn::kCamera, {}, false, cameraAttributes(), {}, {}}), "camera");
    require(registry.registerType({"light", "shape", VFn::kLight, {}, true, lightAttributes(), {}, {}}), "light");
    require(registry.registerType({"ambientLight", "light", VFn::kAmbientLight, {}, false, {}, {}, {}}), "ambientLight");
    require(registry.registerType({"pointLight", "light", VFn::kPointLight, {}, false, {}, {}, {}}), "pointLight");
    require(registry.registerType({"directionalLight", "light", VFn::kDirectionalLight, {}, false, {}, {}, {}}), "directionalLight");
    require(registry.registerType({"areaLight", "light", VFn::kAreaLight, {}, false, {}, {}, {}}), "areaLight");
    require(registry.registerType({"volumeLight", "light", VFn::kVolumeLight, {}, false, {}, {}, {}}), "volumeLight");
    require(registry.registerType({"spotLight", "light", VFn::kSpotLight, {}, false, spotLightAttributes(), {}, {}}), "spotLight");
    addComponentParser(parseMeshComponent);
    addComponentParser(parseSurfaceComponent);
}

}  // namespace vexa_host
