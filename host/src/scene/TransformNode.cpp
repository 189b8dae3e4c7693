#include "host/src/scene/TransformNode.h"

#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/TransformMath.h"

#include <algorithm>

namespace vexa_host {

namespace {

const char* const kAxes[3] = {"X", "Y", "Z"};

double limited(const Node& node, double value, const std::string& kind, int axis) {
    const std::string stem = kind + kAxes[axis] + "Limit";
    if (readNumber(node, "min" + stem + "Enable") != 0.0) value = std::max(value, readNumber(node, "min" + stem));
    if (readNumber(node, "max" + stem + "Enable") != 0.0) value = std::min(value, readNumber(node, "max" + stem));
    return value;
}

// Whether the compound's three children are named like it with "X", "Y" and "Z" appended.
bool namedXyz(const AttributeDef& compound) {
    if (compound.children.size() != 3) return false;
    const std::string& stem = compound.longName;
    for (int axis = 0; axis < 3; ++axis) {
        const std::string& name = compound.children[static_cast<size_t>(axis)]->longName;
        if (name.size() != stem.size() + 1 || name.back() != kAxes[axis][0] || name.compare(0, stem.size(), stem) != 0) {
            return false;
        }
    }
    return true;
}

// The type's compound named stem whose three children are named stem+"X", stem+"Y" and
// stem+"Z": those are the attributes the three names find, so one lookup serves all three.
const AttributeDef* typeTriple(const Node& node, const std::string& stem) {
    auto found = node.type().byName.find(stem);
    if (found == node.type().byName.end()) return nullptr;
    const AttributeDef& compound = *found->second;
    if (compound.longName != stem) return nullptr;
    if (compound.xyzChildren < 0) compound.xyzChildren = namedXyz(compound) ? 1 : 0;
    return compound.xyzChildren != 0 ? &compound : nullptr;
}

}  // namespace

// The three names stem+"X", stem+"Y", stem+"Z" share one text: only its last letter changes.
void readTriple(const Node& node, const std::string& stem, double values[3], double fallback) {
    std::string name = stem + 'X';
    for (int axis = 0; axis < 3; ++axis) {
        name.back() = kAxes[axis][0];
        values[axis] = readNumber(node, name, fallback);
    }
}

namespace {

// The three plugs written one by one by name: the node's own attributes may have the names.
VStatus writeTripleByName(Node& node, const std::string& stem, const double values[3]) {
    std::string name = stem + 'X';
    for (int axis = 0; axis < 3; ++axis) {
        name.back() = kAxes[axis][0];
        if (VStatus status = writeNumber(node, name, values[axis]); !status) return status;
    }
    return VStatus();
}

}  // namespace

VStatus writeTriple(Node& node, const std::string& stem, const double values[3]) {
    if (const AttributeDef* compound = typeTriple(node, stem)) return writeNumbers(node, compound->children.data(), values, 3);
    return writeTripleByName(node, stem, values);
}

TripleStem::TripleStem(std::string stem) : TypeNameLookup(std::move(stem), typeTriple) {}

TypePlugName::TypePlugName(std::string name)
    : TypeNameLookup(std::move(name), [](const Node& node, const std::string& text) { return node.typePlugPath(text).get(); }) {}

double readNumber(const Node& node, const TypePlugName& name, double fallback) {
    const PlugPath* path = name.on(node);
    if (path == nullptr) return readNumber(node, name.text(), fallback);
    double value = fallback;
    return readNumber(node, *path, value) ? value : fallback;
}

VStatus writeNumber(Node& node, const TypePlugName& name, double value) {
    const PlugPath* path = name.on(node);
    return path != nullptr ? writeNumber(node, path->leafPtr(), value) : writeNumber(node, name.text(), value);
}

VStatus writeTriple(Node& node, const TripleStem& stem, const double values[3]) {
    if (const AttributeDef* compound = stem.on(node)) return writeNumbers(node, compound->children.data(), values, 3);
    return writeTripleByName(node, stem.text(), values);
}

VTransformationMatrix readTransformation(const Node& node, bool limitedValues) {
    VTransformationMatrix result;
    if (!node.isTransform()) return result;
    double t[3], r[3], s[3], v[3];
    readTriple(node, "translate", t, 0.0);
    readTriple(node, "rotate", r, 0.0);
    readTriple(node, "scale", s, 1.0);
    if (limitedValues) {
        for (int axis = 0; axis < 3; ++axis) {
            t[axis] = limited(node, t[axis], "Trans", axis);
            r[axis] = limited(node, r[axis], "Rot", axis);
            s[axis] = limited(node, s[axis], "Scale", axis);
        }
    }
    const int order = static_cast<int>(readNumber(node, "rotateOrder")) + 1;
    const auto rotationOrder = static_cast<VTransformationMatrix::RotationOrder>(isValidOrder(order) ? order : 1);
    result.reorderRotation(rotationOrder);
    result.setRotation(r, rotationOrder);
    result.setTranslation(VVector(t), VSpace::kTransform);
    result.setScale(s, VSpace::kTransform);
    readTriple(node, "rotatePivot", v, 0.0);
    result.setRotatePivot(VPoint(v[0], v[1], v[2]), VSpace::kTransform, false);
    readTriple(node, "rotatePivotTranslate", v, 0.0);
    result.setRotatePivotTranslation(VVector(v), VSpace::kTransform);
    readTriple(node, "scalePivot", v, 0.0);
    result.setScalePivot(VPoint(v[0], v[1], v[2]), VSpace::kTransform, false);
    readTriple(node, "scalePivotTranslate", v, 0.0);
    result.setScalePivotTranslation(VVector(v), VSpace::kTransform);
    readTriple(node, "rotateAxis", v, 0.0);
    result.setRotateOrientation(eulerToQuaternion(v, VTransformationMatrix::kXYZ), VSpace::kTransform, false);
    if (node.findAttribute("jointOrient")) {
        readTriple(node, "jointOrient", v, 0.0);
        result.setJointOrient(eulerToQuaternion(v, VTransformationMatrix::kXYZ));
    }
    return result;
}

VStatus writeTransformation(Node& node, const VTransformationMatrix& transformation) {
    if (!node.isTransform()) return VStatus(VStatus::kInvalidParameter, "not a transform");
    double values[3];
    VTransformationMatrix::RotationOrder order;
    transformation.getRotation(values, order);
    VStatus status = writeNumber(node, "rotateOrder", order - 1);
    if (status) status = writeTriple(node, "rotate", values);
    const VVector t = transformation.getTranslation(VSpace::kTransform);
    const double translate[3] = {t.x, t.y, t.z};
    if (status) status = writeTriple(node, "translate", translate);
    transformation.getScale(values, VSpace::kTransform);
    if (status) status = writeTriple(node, "scale", values);
    const VPoint rp = transformation.rotatePivot(VSpace::kTransform);
    const double rotatePivot[3] = {rp.x, rp.y, rp.z};
    if (status) status = writeTriple(node, "rotatePivot", rotatePivot);
    const VVector rpt = transformation.rotatePivotTranslation(VSpace::kTransform);
    const double rotatePivotTranslate[3] = {rpt.x, rpt.y, rpt.z};
    if (status) status = writeTriple(node, "rotatePivotTranslate", rotatePivotTranslate);
    const VPoint sp = transformation.scalePivot(VSpace::kTransform);
    const double scalePivot[3] = {sp.x, sp.y, sp.z};
    if (status) status = writeTriple(node, "scalePivot", scalePivot);
    const VVector spt = transformation.scalePivotTranslation(VSpace::kTransform);
    const double scalePivotTranslate[3] = {spt.x, spt.y, spt.z};
    if (status) status = writeTriple(node, "scalePivotTranslate", scalePivotTranslate);
    matrixToEuler(transformation.rotateOrientation(VSpace::kTransform).asMatrix(), VTransformationMatrix::kXYZ, values);
    if (status) status = writeTriple(node, "rotateAxis", values);
    if (status && node.findAttribute("jointOrient")) {
        matrixToEuler(transformation.jointOrient().asMatrix(), VTransformationMatrix::kXYZ, values);
        status = writeTriple(node, "jointOrient", values);
    }
    return status;
}

VMatrix localMatrix(const Node& node) {
    return node.isTransform() ? readTransformation(node, true).asMatrix() : VMatrix();
}

VMatrix inclusiveMatrix(const NodeChain& chain) {
    VMatrix result;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) result = result * localMatrix(**it);
    return result;
}

bool limitAttributeNames(int limitType, std::string& valueName, std::string& enableName) {
    std::string kind;
    int code = limitType;
    if (code >= 0 && code <= 5) {
        kind = "Scale";
    } else if (code >= 12 && code <= 17) {
        kind = "Rot";
        code -= 12;
    } else if (code >= 18 && code <= 23) {
        kind = "Trans";
        code -= 18;
    } else {
        return false;
    }
    valueName = std::string(code % 2 == 0 ? "min" : "max") + kind + kAxes[code / 2] + "Limit";
    enableName = valueName + "Enable";
    return true;
}

MatrixValue toMatrixValue(const VMatrix& matrix) {
    MatrixValue value{};
    for (size_t i = 0; i < 16; ++i) value[i] = matrix[static_cast<unsigned>(i / 4)][i % 4];
    return value;
}

VMatrix fromMatrixValue(const MatrixValue& value) {
    VMatrix matrix;
    for (size_t i = 0; i < 16; ++i) matrix[static_cast<unsigned>(i / 4)][i % 4] = value[i];
    return matrix;
}

// Both computes serve matrix attributes only: any other plug (every number read) is passed over
// without comparing names.
bool computeTransformOutputs(const Node& node, const PlugPath& path, PlugValue& value) {
    if (path.steps.size() != 1 || path.leaf().kind != AttributeKind::Matrix || path.leaf().longName != "matrix") {
        return false;
    }
    value = toMatrixValue(localMatrix(node));
    return true;
}

bool computeDagOutputs(const Node& node, const PlugPath& path, PlugValue& value) {
    if (path.steps.size() != 1 || path.leaf().kind != AttributeKind::Matrix) return false;
    const std::string& name = path.leaf().longName;
    if (name != "worldMatrix" && name != "worldInverseMatrix") return false;
    const std::vector<NodeChain> paths = Scene::allPaths(node);
    const int instance = path.steps.front().index;
    if (instance < 0 || static_cast<size_t>(instance) >= paths.size()) {
        value = identityMatrixValue();
        return true;
    }
    const VMatrix world = inclusiveMatrix(paths[static_cast<size_t>(instance)]);
    value = toMatrixValue(name == "worldMatrix" ? world : world.inverse());
    return true;
}

}  // namespace vexa_host
