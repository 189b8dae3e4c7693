#include "plugin/HostUtilities.h"

#include "core/RVector4.h"
#include "plugin/VexaNode.h"

#include <vexa/VDistance.h>
#include <vexa/VFnAnimCurve.h>
#include <vexa/VFnDependencyNode.h>
#include <vexa/VItDag.h>
#include <vexa/VPlug.h>
#include <vexa/VTime.h>
#include <vexa/VTransformationMatrix.h>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr int kShortPathLimit = 180;
constexpr int kShortPathHead = 87;
constexpr int kShortPathTail = 88;

const char* const kRotateAxisPlugs[3] = {"rotateAxisX", "rotateAxisY", "rotateAxisZ"};
const char* const kJointOrientPlugs[3] = {"jointOrientX", "jointOrientY", "jointOrientZ"};

void GetDegrees(const VFnDependencyNode& node, const char* const plugs[3], VPoint& degrees) {
    double* values[3] = {&degrees.x, &degrees.y, &degrees.z};
    for (int i = 0; i < 3; ++i) {
        double radians = 0.0;
        // Found without a status: a node without the plugs (a transform's joint orient) is
        // common, and the failure's text would be read by nobody.
        const VPlug plug = node.findPlug(plugs[i]);
        if (plug.isNull() || !plug.getValue(radians)) radians = 0.0;
        *values[i] = radians * kRadiansToDegrees;
    }
}

void SetFoundDegrees(VPlug plugs[3], const VPoint& degrees) {
    const double values[3] = {degrees.x, degrees.y, degrees.z};
    for (int i = 0; i < 3; ++i) {
        if (plugs[i].isNull()) continue;
        plugs[i].setValue(0.0);
        plugs[i].setValue(values[i] * kDegreesToRadians);
    }
}

void SetDegrees(VFnDependencyNode& node, const char* const plugs[3], const VPoint& degrees) {
    VPlug found[3] = {node.findPlug(plugs[0]), node.findPlug(plugs[1]), node.findPlug(plugs[2])};
    SetFoundDegrees(found, degrees);
}

bool IsDrivenByKeys(const VPlug& plug) {
    VStatus status;
    const VFnAnimCurve curve(plug, &status);
    return status && curve.numKeys() > 0;
}

template <typename NameOf>
bool FindDagPath(const VString& name, VDagPath& path, NameOf nameOf) {
    VStatus status;
    VItDag it(VItDag::kBreadthFirst, VFn::kAnyTransform, &status);
    if (!status) {
        status.perror("VItDag constructor");
        return false;
    }
    for (; !it.isDone(); it.next()) {
        VDagPath current;
        status = it.getPath(current);
        if (!status) {
            status.perror("VItDag::getPath");
            continue;
        }
        if (nameOf(current) == name) {
            path = current;
            return true;
        }
    }
    return false;
}

bool IsBoundTo(const RWyxNode& node, const VDagPath& path) {
    const VDagPath* bound = static_cast<const VexaNode&>(node).GetDagPath();
    return bound != nullptr && *bound == path;
}

}  // namespace

RWyxNode* FindNodeByDagPath(RWyxNode* node, const VDagPath& path) {
    if (node == nullptr) return nullptr;
    // Walked on an explicit stack: a hierarchy of any depth is safe.
    std::vector<RWyxNode*> pending{node};
    while (!pending.empty()) {
        RWyxNode* current = pending.back();
        pending.pop_back();
        if (IsBoundTo(*current, path)) return current;
        for (int i = 0; i < current->GetChildCount(); ++i) {
            if (IsBoundTo(*current->GetChild(i), path)) return current;
        }
        // Children pushed first to last, so the last child is searched first.
        for (int i = 0; i < current->GetChildCount(); ++i) pending.push_back(current->GetChild(i));
    }
    return nullptr;
}

int CompareUnsigned(const void* left, const void* right) {
    const auto a = *static_cast<const std::uint32_t*>(left);
    const auto b = *static_cast<const std::uint32_t*>(right);
    return a < b ? -1 : (a > b ? 1 : 0);
}

double CentimetersPerHostUnit() {
    switch (VDistance::uiUnit()) {
    case VDistance::kInches: return 2.54;
    case VDistance::kFeet: return 30.48;
    case VDistance::kYards: return 91.44;
    case VDistance::kMiles: return 160934.4;
    case VDistance::kMillimeters: return 0.1;
    case VDistance::kKilometers: return 100000.0;
    case VDistance::kMeters: return 100.0;
    default: return 1.0;
    }
}

double HostTimeUnitsPerSecond() {
    switch (VTime::uiUnit()) {
    case VTime::kHours: return 1.0 / 3600.0;
    case VTime::kMinutes: return 1.0 / 60.0;
    case VTime::kSeconds: return 1.0;
    case VTime::kMilliseconds: return 1000.0;
    case VTime::kGames: return 15.0;
    case VTime::kFilm: return 24.0;
    case VTime::kNTSCFrame: return 30.0;
    case VTime::kNTSCDropFrame: return 30.0;
    case VTime::kShowScan: return 48.0;
    case VTime::kPALField: return 50.0;
    case VTime::kNTSCField: return 60.0;
    default: return 1.0;
    }
}

void SetPlugDegrees(VPlug plugs[3], const VPoint& degrees) { SetFoundDegrees(plugs, degrees); }

void GetRotateAxisDegrees(const VFnDependencyNode& node, VPoint& degrees) { GetDegrees(node, kRotateAxisPlugs, degrees); }

void SetRotateAxisDegrees(VFnDependencyNode& node, const VPoint& degrees) { SetDegrees(node, kRotateAxisPlugs, degrees); }

void GetJointOrientDegrees(const VFnDependencyNode& node, VPoint& degrees) {
    GetDegrees(node, kJointOrientPlugs, degrees);
}

void SetJointOrientDegrees(VFnDependencyNode& node, const VPoint& degrees) {
    SetDegrees(node, kJointOrientPlugs, degrees);
}

PlacementPivot TurnedPlacementPivot(double degrees) {
    const double radians = degrees / kRadiansToDegrees;
    const double cosine = std::cos(radians);
    const double sine = std::sin(radians);
    return {0.5 - 0.5 * cosine + 0.5 * sine, 0.5 - 0.5 * sine - 0.5 * cosine};
}

bool HasKeyedTransformCurve(const VFnDependencyNode& node) {
    static const char* const kPlugs[] = {"translateX", "translateY", "translateZ", "rotateX", "rotateY",
                                         "rotateZ",    "scaleX",     "scaleY",     "scaleZ"};
    for (const char* name : kPlugs) {
        VStatus status;
        const VPlug plug = node.findPlug(name, &status);
        if (status && IsDrivenByKeys(plug)) return true;
    }
    return false;
}

bool HasKeyedDynamicAttribute(const VFnDependencyNode& node) {
    const unsigned count = node.attributeCount();
    for (unsigned i = 0; i < count; ++i) {
        const VObject attribute = node.attribute(i);
        if (node.attributeClass(attribute) != VFnDependencyNode::kLocalDynamicAttr ||
            attribute.apiType() != VFn::kNumericAttribute) {
            continue;
        }
        VStatus status;
        const VPlug plug = node.findPlug(attribute, &status);
        if (status && IsDrivenByKeys(plug)) return true;
    }
    return false;
}

bool FindConnectedNodeOfType(const VObject& start, VFn::Type type, VObject& found,
                             VItDependencyGraph::Direction direction, VItDependencyGraph::Level level) {
    VStatus status;
    VItDependencyGraph it(start, type, direction, VItDependencyGraph::kBreadthFirst, level, &status);
    if (!status) return false;
    for (; !it.isDone(); it.next()) {
        const VObject item = it.currentItem();
        if (item.hasFn(type)) {
            found = item;
            return true;
        }
    }
    return false;
}

const char* ReplaceAllInPlace(const char* text, const char* find, const char* replacement) {
    static RString buffer;
    RString result(text != nullptr ? text : "");
    const int findLength = find != nullptr ? static_cast<int>(std::strlen(find)) : 0;
    const int replacementLength = replacement != nullptr ? static_cast<int>(std::strlen(replacement)) : 0;
    if (findLength > 0) {
        for (int at = result.FindText(find); at >= 0; at = result.FindText(find, at + replacementLength)) {
            result.ReplaceFirst(find, replacement != nullptr ? replacement : "", at);
        }
    }
    buffer = result;
    return buffer.Buffer();
}

bool KeepFromCharToChar(RString& text, char first, char second) {
    const int start = text.IsEmptyText() ? -1 : text.FindChar(first);
    if (start < 0) return false;
    const int end = text.FindChar(second, start + 1);
    text = end < 0 ? text.SubstringFrom(start) : text.Substring(start, end - start);
    return true;
}

bool IsDefaultCameraName(const char* name) {
    static const char* const kNames[] = {"persp",      "top",       "front",     "side",
                                         "perspShape", "topShape",  "frontShape", "sideShape",
                                         "Producer Perspective", "Producer Top", "Producer Front", "Producer Right"};
    if (name == nullptr) return false;
    for (const char* defaultName : kNames) {
        if (std::strcmp(name, defaultName) == 0) return true;
    }
    return false;
}

RString ReplaceBarsWithSlashes(const RString& text) { return RString(ReplaceAllInPlace(text.Buffer(), "|", " / ")); }

RString GetShortPathName(const VDagPath* path) {
    if (path == nullptr) return RString("");
    const RString name = ReplaceBarsWithSlashes(RString(path->fullPathName().asChar()));
    if (name.GetLength() <= kShortPathLimit) return name;
    return name.FirstChars(kShortPathHead) + " ... " + name.LastChars(kShortPathTail);
}

void PrintStatusError(const VStatus& status, const char* context) {
    if (!status.error()) return;
    status.perror(status.errorString());
    if (context != nullptr) status.perror(VString(context) + " \n \n");
}

bool FindDagPathByPartialName(const VString& name, VDagPath& path) {
    return FindDagPath(name, path, [](const VDagPath& candidate) { return candidate.partialPathName(); });
}

bool FindDagPathByFullName(const VString& name, VDagPath& path) {
    return FindDagPath(name, path, [](const VDagPath& candidate) { return candidate.fullPathName(); });
}

bool FindDagPathByName(const VString& name, VDagPath& path) {
    return name.index('|') == 0 ? FindDagPathByFullName(name, path) : FindDagPathByPartialName(name, path);
}

bool TransformationToMatrix(const VTransformationMatrix& transformation, RMatrix& matrix) {
    const VMatrix values = transformation.asMatrix();
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) matrix[row][column] = values(row, column);
    }
    return true;
}
