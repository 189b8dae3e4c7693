#include "host/src/geometry/NurbsSurfaceData.h"

#include "host/src/scene/PlugAccess.h"

#include <algorithm>
#include <cmath>
#include <ostream>

namespace vexa_host {

const char* const NurbsSurfaceData::kTypeName = "nurbsSurface";

namespace {

VStatus invalid(const std::string& text) { return VStatus(VStatus::kInvalidParameter, text); }

const char* directionName(int direction) { return direction == NurbsSurfaceData::kU ? "U" : "V"; }

bool near(double a, double b) {
    const double scale = std::max({1.0, std::fabs(a), std::fabs(b)});
    return std::fabs(a - b) <= 1e-6 * scale;
}

bool samePoint(const VPoint& a, const VPoint& b) { return near(a.x, b.x) && near(a.y, b.y) && near(a.z, b.z) && near(a.w, b.w); }

bool finite(const VPoint& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z) && std::isfinite(p.w); }

// The CV at position `along` of the direction and `across` of the other one.
const VPoint& cvAt(const std::vector<VPoint>& cvs, int direction, int along, int across, int countV) {
    const int u = direction == NurbsSurfaceData::kU ? along : across;
    const int v = direction == NurbsSurfaceData::kU ? across : along;
    return cvs[static_cast<size_t>(u * countV + v)];
}

// The rows a closed or periodic direction repeats must match; counts are already checked.
VStatus checkRepeats(const std::vector<VPoint>& cvs, int direction, int form, int degree, int count, int acrossCount,
                     int countV) {
    if (form == NurbsSurfaceData::kOpen) return VStatus();
    const int repeated = form == NurbsSurfaceData::kClosed ? 1 : degree;
    for (int i = 0; i < repeated; ++i) {
        const int last = count - repeated + i;
        for (int across = 0; across < acrossCount; ++across) {
            if (!samePoint(cvAt(cvs, direction, i, across, countV), cvAt(cvs, direction, last, across, countV))) {
                return invalid(std::string("the ") + (form == NurbsSurfaceData::kClosed ? "closed" : "periodic") + " " +
                               directionName(direction) + " direction: CV " + std::to_string(last) +
                               " does not repeat CV " + std::to_string(i));
            }
        }
    }
    return VStatus();
}

}  // namespace

void NurbsSurfaceData::describe(std::ostream& out) const {
    for (int d = 0; d < 2; ++d) {
        const DirectionData& direction = directions_[d];
        out << (d == 0 ? "" : ", ") << directionName(d) << " degree " << direction.degree << " form " << direction.form
            << " " << direction.cvCount << " CVs";
    }
    if (rational_) out << ", rational";
}

VStatus NurbsSurfaceData::build(std::vector<VPoint> cvs, std::vector<double> knotsU, std::vector<double> knotsV,
                                int degreeU, int degreeV, int formU, int formV, bool rational) {
    const int degrees[2] = {degreeU, degreeV};
    const int forms[2] = {formU, formV};
    std::vector<double>* knots[2] = {&knotsU, &knotsV};
    int counts[2] = {0, 0};
    for (int d = 0; d < 2; ++d) {
        const std::string name = directionName(d);
        if (degrees[d] < 1 || degrees[d] > kMaxDegree) return invalid("the " + name + " degree " + std::to_string(degrees[d]) + " is not in 1.." + std::to_string(kMaxDegree));
        if (forms[d] < kOpen || forms[d] > kPeriodic) return invalid("the " + name + " form " + std::to_string(forms[d]) + " is not 1, 2 or 3");
        const std::vector<double>& vector = *knots[d];
        for (size_t i = 0; i < vector.size(); ++i) {
            if (!std::isfinite(vector[i]) || (i > 0 && vector[i] < vector[i - 1])) {
                return invalid("the " + name + " knots decrease or are not numbers at knot " + std::to_string(i));
            }
        }
        counts[d] = static_cast<int>(vector.size()) - degrees[d] + 1;
        if (counts[d] < degrees[d] + 1) {
            return invalid(std::to_string(vector.size()) + " " + name + " knots give " + std::to_string(counts[d]) +
                           " CVs, a degree " + std::to_string(degrees[d]) + " direction needs " + std::to_string(degrees[d] + 1));
        }
    }
    if (cvs.size() != static_cast<size_t>(counts[0]) * static_cast<size_t>(counts[1])) {
        return invalid("the knots give " + std::to_string(counts[0]) + " by " + std::to_string(counts[1]) + " CVs, " +
                       std::to_string(cvs.size()) + " were given");
    }
    for (VPoint& point : cvs) {
        if (!rational) point.w = 1.0;
        if (!finite(point) || point.w <= 0.0) return invalid("a CV is not a number or has a weight that is not positive");
    }
    for (int d = 0; d < 2; ++d) {
        VStatus status = checkRepeats(cvs, d, forms[d], degrees[d], counts[d], counts[1 - d], counts[1]);
        if (!status) return status;
    }
    for (int d = 0; d < 2; ++d) directions_[d] = DirectionData{degrees[d], forms[d], counts[d], std::move(*knots[d])};
    cvs_ = std::move(cvs);
    rational_ = rational;
    return VStatus();
}

VStatus NurbsSurfaceData::setCV(int u, int v, const VPoint& point) {
    if (!hasCV(u, v)) return invalid("CV [" + std::to_string(u) + "][" + std::to_string(v) + "] is outside the surface");
    if (!finite(point) || point.w <= 0.0 || (!rational_ && point.w != 1.0)) {
        return invalid("the CV is not a number or its weight does not fit the surface");
    }
    cvs_[static_cast<size_t>(u * cvCount(kV) + v)] = point;
    return VStatus();
}

NurbsSurfaceDataPtr nurbsSurfaceOf(const Node& node) {
    AttributePtr attribute = node.findAttribute("local");
    if (!attribute || attribute->kind != AttributeKind::Data) return nullptr;
    PlugValue value;
    if (!readValue(node, PlugPath::of(attribute), value)) return nullptr;
    const auto* data = std::get_if<std::shared_ptr<const DataValue>>(&value);
    return data != nullptr ? std::dynamic_pointer_cast<const NurbsSurfaceData>(*data) : nullptr;
}

VStatus setOwnNurbsSurface(Node& node, NurbsSurfaceDataPtr data) {
    AttributePtr attribute = node.findAttribute("create");
    if (!attribute || attribute->kind != AttributeKind::Data) return invalid(node.name() + " is not a NURBS surface");
    const PlugPath path = PlugPath::of(attribute);
    if (drivingConnection(node, path) != nullptr) {
        return VStatus(VStatus::kFailure, "the geometry of " + node.name() + " comes from its history and cannot be edited");
    }
    return writeValue(node, path, PlugValue(std::shared_ptr<const DataValue>(std::move(data))));
}

}  // namespace vexa_host
