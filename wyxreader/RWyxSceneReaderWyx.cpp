// What both WYX scene readers read alike: a model's display fields, polygons, NURBS and patch
// surfaces, pose entries, character link offsets, the scene information, the ambient, fog and
// shadow-plane blocks, and the takes: their blocks, each object's channels and their finishing
// (plotting of layers within a budget, filters).
//
//   model  MultiLayer; MultiTake; Hidden: "True"; Shading: W, F, Y, T, U; Culling:
//          "CullingOff" / "CullingOnCCW" / "CullingOnCW"
//   Takes { Current; Take: name { take info fields; heading: full name { Channel ... } ... } ... }
//   NURBS  Dimensions; NurbOrder; SurfaceDisplay; Step; Form: "Periodic" / "Closed" / "Open";
//          Points: x, y, z, weight ...; MultiplicityU/V; KnotVectorU/V
//   patch  Dimensions; PatchType: "Bezier", "BezierQuadric", "Cardinal", "BSpline", "Linear";
//          SurfaceDisplay; Step; Closed; UCapped; VCapped; Points: x, y, z ...
//   AmbientRenderSettings { AmbientLightColor }; FogOptions { FlogEnable; FogMode; FogDensity;
//     FogStart; FogEnd; FogColor }; ShadowPlanes { Count; Plane ...; UseShadow; ShadowIntensity }
//   SceneInfo { Version; Thumbnail; MetaData { Title; Subject; Author; Keywords; Revision;
//     Comment } }
//
// Plotting makes keys the file does not hold: a read may plot kPlotKeyAllowance keys, and
// kPlotKeysPerKey more for every key it reads, so that a small file cannot make the reader fill
// memory. A channel past that keeps its layers, with a warning.

#include "wyxreader/RWyxSceneReaderWyx.h"

#include "attributes/RWyxCharacterLink.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElement.h"
#include "attributes/RWyxTypedLayerElement.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxPose.h"
#include "core/RWyxColor.h"
#include "curves/LayerPlotting.h"
#include "curves/RAnimationSettings.h"
#include "curves/RFCurveFilterConstantKeyReducer.h"
#include "curves/RFCurveNode.h"
#include "curves/RFCurveNodeRecords.h"
#include "curves/RFCurveRecords.h"
#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFile.h"
#include "fileio/RWyxPropertyFile.h"
#include "scene/RWyxGlobalLightSettings.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxSceneInfo.h"
#include "scene/RWyxTakeInfo.h"
#include "scene/RWyxTakeNode.h"
#include "scene/RWyxTakeNodeContainer.h"
#include "wyxreader/RWyxReadWarnings.h"
#include "wyxreader/RWyxTakeInfoReader.h"
#include "wyxreader/RWyxTimeWarpList.h"
#include "wyxreader/WyxLayerNormals.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

using wyx_read::BlockScope;

namespace {

constexpr int kPlaneValues = 7;
const char* const kFormNames[] = {"Periodic", "Closed", "Open"};
const char* const kPatchTypeNames[] = {"Bezier", "BezierQuadric", "Cardinal", "BSpline", "Linear"};

// The grids of the parts of a cluster's matrices, as powers of two.
constexpr int kTrsGrid = -30;
constexpr int kScalingGrid = -36;

double Snapped(double value, int grid) {
    if (!std::isfinite(value)) return value;
    return std::ldexp(std::nearbyint(std::ldexp(value, -grid)), grid);
}

RVector4 Snapped(const RVector4& vector, int grid) {
    return RVector4(Snapped(vector.x, grid), Snapped(vector.y, grid), Snapped(vector.z, grid), 0.0);
}

RString Count(std::size_t count) { return RString(static_cast<int>(std::min<std::size_t>(count, INT32_MAX))); }

int TypeFromName(const char* const* names, int count, const RString& text, int fallback) {
    for (int i = 0; i < count; ++i) {
        if (text == names[i]) return i;
    }
    return fallback;
}

// The points of `stride` values each (x, y, z and, with four, the weight) into the geometry.
void StorePoints(RWyxGeometry& geometry, const std::vector<double>& values, int stride) {
    RVector4* out = geometry.GetControlPoints();
    for (int i = 0; out != nullptr && i < geometry.GetControlPointsCount(); ++i) {
        const double* p = values.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(stride);
        out[i] = RVector4(p[0], p[1], p[2], stride == 4 ? p[3] : 1.0);
    }
}

// The first three values as red, green and blue, the fourth (when there is one) as alpha.
bool ReadColor(RWyxFile& file, const char* name, RWyxColor& out) {
    std::vector<double> values;
    if (!wyx_read::ReadDoublesByName(file, name, values) || values.size() < 3) return false;
    out = RWyxColor(values[0], values[1], values[2], values.size() >= 4 ? values[3] : 1.0);
    return true;
}

RVector4 ReadOffsets(RWyxFile& file, const char* const names[3], double defaultValue) {
    RVector4 offset;
    offset.x = wyx_read::ReadDoubleByName(file, names[0], defaultValue);
    offset.y = wyx_read::ReadDoubleByName(file, names[1], defaultValue);
    offset.z = wyx_read::ReadDoubleByName(file, names[2], defaultValue);
    return offset;
}

// The keys plotting the node over its layered span would make: one per sample per curve.
std::int64_t PlotCost(const RFCurveNode& node) {
    RTime start;
    RTime stop;
    if (!GetLayeredAnimationSpan(node, start, stop)) return 0;
    const std::int64_t samples = (stop.GetTicks() - start.GetTicks()) / GetPlotPeriod().GetTicks() + 2;
    return samples * std::max(node.GetRawValueCount(), 1);
}

}  // namespace

RWyxSceneReaderWyx::RWyxSceneReaderWyx(RWyxPropertyFile& file, RWyxScene& scene, const RStreamOptionsWyx& options,
                                       RWyxReadWarnings& warnings)
    : propertyFile_(file),
      file_(file.GetFile()),
      scene_(scene),
      factory_(scene.GetFactory()),
      options_(options),
      warnings_(warnings) {}

RWyxSceneReaderWyx::~RWyxSceneReaderWyx() = default;

void RWyxSceneReaderWyx::Warn(const RString& text) { warnings_.Add(text); }

bool RWyxSceneReaderWyx::IsTakeSelected(const RString& take) const {
    const int index = options_.FindTake(take.Buffer());
    return index < 0 || options_.GetTake(index)->selected;
}

// ---- geometry ------------------------------------------------------------------------------------------

std::vector<bool> RWyxSceneReaderWyx::ReadPolygons(RWyxMesh& mesh, const std::vector<int>& groups, const RString& label) {
    const int count = mesh.GetControlPointsCount();
    int dropped = 0;
    std::vector<bool> kept;
    std::vector<int> polygon;
    for (int left = file_.FieldReadValuesLeft(); left > 0; --left) {
        const int value = file_.FieldReadInt();
        polygon.push_back(value < 0 ? ~value : value);
        if (value >= 0) continue;
        const std::size_t index = kept.size();
        kept.push_back(std::all_of(polygon.begin(), polygon.end(), [count](int point) { return point < count; }));
        if (kept.back()) {
            mesh.BeginPolygon(-1, -1, index < groups.size() ? groups[index] : -1);
            for (const int point : polygon) mesh.AddPolygonVertex(point, -1);
        } else {
            ++dropped;
        }
        polygon.clear();
    }
    if (dropped > 0) {
        Warn(label + ": " + RString(dropped) + " polygons naming control points past its " + RString(count) +
             " were dropped");
    }
    if (!polygon.empty()) {
        Warn(label + ": the last " + Count(polygon.size()) +
             " polygon vertices end no polygon (no complemented index); dropped");
    }
    return kept;
}

bool RWyxSceneReaderWyx::ReadSurfacePoints(int uCount, int vCount, int stride, const RString& label,
                                           std::vector<double>& values) {
    const RString dimensions = label + ": Dimensions " + RString(uCount) + " x " + RString(vCount);
    // A direction without points leaves the surface without any, while the other count would
    // still size its knots and multiplicities: refused before anything is made for it.
    if (uCount <= 0 || vCount <= 0) {
        Warn(dimensions + " hold no control point; the surface was dropped");
        return false;
    }
    wyx_read::ReadDoublesByName(file_, "Points", values);
    const std::size_t available = values.size() / static_cast<std::size_t>(stride);
    if (static_cast<std::size_t>(uCount) > available / static_cast<std::size_t>(vCount)) {
        Warn(dimensions + " need more than the " + Count(values.size()) + " values of Points; the surface was dropped");
        return false;
    }
    const std::int64_t needed = static_cast<std::int64_t>(uCount) * vCount * stride;
    if (needed < static_cast<std::int64_t>(values.size())) {
        Warn(label + ": Points holds " + Count(values.size()) + " values for " + RString(static_cast<int>(needed)) +
             "; the rest was dropped");
    }
    return true;
}

bool RWyxSceneReaderWyx::ReadNurbSurface(RWyxNurb& nurb, const RString& label) {
    // Counts the file lacks are 0: the surface is dropped with the warning of an empty one.
    std::vector<int> dimensions;
    wyx_read::ReadIntsByName(file_, "Dimensions", dimensions);
    dimensions.resize(2, 0);
    std::vector<int> orders;
    std::vector<int> display;
    std::vector<int> steps;
    std::vector<RString> forms;
    std::vector<double> points;
    wyx_read::ReadIntsByName(file_, "NurbOrder", orders);
    wyx_read::ReadIntsByName(file_, "SurfaceDisplay", display);
    wyx_read::ReadIntsByName(file_, "Step", steps);
    wyx_read::ReadStringsByName(file_, "Form", forms);
    forms.resize(2);
    const int uCount = dimensions[0];
    const int vCount = dimensions[1];
    const int uType = TypeFromName(kFormNames, 3, forms[0], RWyxNurb::kOpen);
    const int vType = TypeFromName(kFormNames, 3, forms[1], RWyxNurb::kOpen);
    if (!ReadSurfacePoints(uCount, vCount, 4, label, points) || !nurb.InitControlPoints(uCount, uType, vCount, vType)) {
        return false;
    }
    StorePoints(nurb, points, 4);
    if (steps.size() >= 2) nurb.SetStep(steps[0], steps[1]);
    if (!display.empty()) nurb.SetDisplayMode(display[0]);
    const RString prefix = label + ": ";
    std::vector<double> uKnots;
    std::vector<double> vKnots;
    wyx_read::ReadDoublesByName(file_, "KnotVectorU", uKnots);
    wyx_read::ReadDoublesByName(file_, "KnotVectorV", vKnots);
    // An order the knots of the file cannot hold would size the knot vectors past the file.
    const bool ordersFit = orders.size() >= 2 && orders[0] >= 1 && orders[1] >= 1 &&
                           static_cast<std::size_t>(orders[0]) <= uKnots.size() &&
                           static_cast<std::size_t>(orders[1]) <= vKnots.size();
    if (orders.size() >= 2 && (!ordersFit || !nurb.SetOrder(orders[0], orders[1]))) {
        Warn(prefix + "NurbOrder " + RString(orders[0]) + ", " + RString(orders[1]) +
             " does not fit its knots; the orders stay " + RString(nurb.GetUOrder()) + ", " +
             RString(nurb.GetVOrder()));
    }
    std::vector<int> multiplicities;
    wyx_read::ReadIntsByName(file_, "MultiplicityU", multiplicities);
    CopyCounted(multiplicities, nurb.GetUCount(), prefix + "MultiplicityU",
                [&](std::size_t i, int m) { nurb.GetUMultiplicity()[i] = m; });
    wyx_read::ReadIntsByName(file_, "MultiplicityV", multiplicities);
    CopyCounted(multiplicities, nurb.GetVCount(), prefix + "MultiplicityV",
                [&](std::size_t i, int m) { nurb.GetVMultiplicity()[i] = m; });
    CopyCounted(uKnots, nurb.GetUKnotCount(), prefix + "KnotVectorU",
                [&](std::size_t i, double k) { nurb.GetUKnotVector()[i] = k; });
    CopyCounted(vKnots, nurb.GetVKnotCount(), prefix + "KnotVectorV",
                [&](std::size_t i, double k) { nurb.GetVKnotVector()[i] = k; });
    return true;
}

bool RWyxSceneReaderWyx::ReadPatchSurface(RWyxPatch& patch, const RString& label) {
    std::vector<int> dimensions;
    std::vector<RString> types;
    wyx_read::ReadIntsByName(file_, "Dimensions", dimensions);
    dimensions.resize(2, 0);  // as for a NURBS surface
    wyx_read::ReadStringsByName(file_, "PatchType", types);
    types.resize(2);
    int patchTypes[2] = {RWyxPatch::kBezier, RWyxPatch::kBezier};
    for (int i = 0; i < 2; ++i) {
        patchTypes[i] = TypeFromName(kPatchTypeNames, 5, types[static_cast<std::size_t>(i)], -1);
        if (patchTypes[i] < 0) {
            Warn(label + ": the patch type \"" + types[static_cast<std::size_t>(i)] + "\" is unknown; read as Bezier");
            patchTypes[i] = RWyxPatch::kBezier;
        }
    }
    const int uCount = dimensions[0];
    const int vCount = dimensions[1];
    std::vector<double> points;
    if (!ReadSurfacePoints(uCount, vCount, 3, label, points) ||
        !patch.InitControlPoints(uCount, patchTypes[0], vCount, patchTypes[1])) {
        return false;
    }
    StorePoints(patch, points, 3);
    std::vector<int> values;
    if (wyx_read::ReadIntsByName(file_, "Step", values) && values.size() >= 2) patch.SetStep(values[0], values[1]);
    if (wyx_read::ReadIntsByName(file_, "SurfaceDisplay", values) && !values.empty()) patch.SetDisplayMode(values[0]);
    if (wyx_read::ReadIntsByName(file_, "Closed", values) && values.size() >= 2) {
        patch.SetClosed(values[0] != 0, values[1] != 0);
    }
    if (wyx_read::ReadIntsByName(file_, "UCapped", values) && values.size() >= 2) {
        patch.SetCapped(RWyxPatch::kUCapBottom, values[0] != 0);
        patch.SetCapped(RWyxPatch::kUCapTop, values[1] != 0);
    }
    if (wyx_read::ReadIntsByName(file_, "VCapped", values) && values.size() >= 2) {
        patch.SetCapped(RWyxPatch::kVCapBottom, values[0] != 0);
        patch.SetCapped(RWyxPatch::kVCapTop, values[1] != 0);
    }
    return true;
}

const RVector4* RWyxSceneReaderWyx::NormalsByControlPoint(const RWyxLayerContainer& container) {
    const RWyxLayerElementNormal* normals = wyx_layer_normals::ByControlPoint(container);
    return normals != nullptr ? normals->GetDirect() : nullptr;
}

RWyxSkinLink::TRS RWyxSceneReaderWyx::ClusterTRS(const RMatrix& matrix) {
    const RWyxSkinLink::TRS exact = RWyxSkinLink::TRS::FromMatrix(matrix);
    RWyxSkinLink::TRS trs;
    trs.translation = Snapped(exact.translation, kTrsGrid);
    trs.rotation = Snapped(exact.rotation, kTrsGrid);
    trs.scaling = Snapped(exact.scaling, kScalingGrid);
    return trs;
}

RMatrix RWyxSceneReaderWyx::TimesLink(const RMatrix& relative, const RMatrix& link) {
    RMatrix out;
    MatrixMultiplyAffine(out, link, relative);
    return out;
}

int RWyxSceneReaderWyx::AlphaSourceOf(const RString& text) {
    if (text == "RGB_Intensity") return 1;
    if (text == "Alpha_Black") return 2;
    return 0;
}

// ---- poses, characters, scene info ------------------------------------------------------------------------

void RWyxSceneReaderWyx::ReadPoseEntries(RWyxPose& pose, const RString& label) {
    const int stated = file_.FieldReadIntByName("NbPoseNodes", 0);
    int entries = 0;
    int refused = 0;
    while (file_.FieldReadBegin("PoseNode")) {
        ++entries;
        if (const BlockScope entry = BlockScope::Enter(file_)) {
            const RString node = file_.FieldReadStringByName("Node", "");
            RMatrix matrix;
            const bool complete = wyx_read::ReadMatrixByName(file_, "Matrix", matrix);
            const bool local = !pose.IsBindPose() && file_.FieldReadIntByName("Local", 0) != 0;
            if (!complete || pose.Add(node.Buffer(), matrix, local) < 0) ++refused;
        } else {
            ++refused;
        }
        file_.FieldReadEnd();
    }
    if (stated != entries) {
        Warn(label + ": NbPoseNodes says " + RString(stated) + " for " + RString(entries) + " PoseNode blocks");
    }
    if (refused > 0) {
        Warn(label + ": " + RString(refused) +
             " entries without a node or a whole matrix, or at odds with the node's other bind matrix, were dropped");
    }
}

void RWyxSceneReaderWyx::ReadLinkOffsets(RWyxCharacterLink& link) {
    static const char* const kTranslation[3] = {"TOFFSETX", "TOFFSETY", "TOFFSETZ"};
    static const char* const kRotation[3] = {"ROFFSETX", "ROFFSETY", "ROFFSETZ"};
    static const char* const kScaling[3] = {"SOFFSETX", "SOFFSETY", "SOFFSETZ"};
    link.translationOffset = ReadOffsets(file_, kTranslation, 0.0);
    link.rotationOffset = ReadOffsets(file_, kRotation, 0.0);
    link.scalingOffset = ReadOffsets(file_, kScaling, 1.0);
}

void RWyxSceneReaderWyx::ReadSceneInfo() {
    RWyxSceneInfo* info = factory_->CreateSceneInfo();
    if (info == nullptr) return;
    info->SetVersion(file_.FieldReadIntByName("Version", 0));
    info->SetThumbnail(RWyxTakeInfoReader(file_, factory_, warnings_).ReadThumbnail("the scene info"));
    if (const BlockScope meta = BlockScope::Open(file_, "MetaData")) {
        info->title = file_.FieldReadStringByName("Title", "");
        info->subject = file_.FieldReadStringByName("Subject", "");
        info->author = file_.FieldReadStringByName("Author", "");
        info->keywords = file_.FieldReadStringByName("Keywords", "");
        info->revision = file_.FieldReadStringByName("Revision", "");
        info->comment = file_.FieldReadStringByName("Comment", "");
    }
    scene_.SetSceneInfo(info);
}

// ---- settings -------------------------------------------------------------------------------------------

void RWyxSceneReaderWyx::ReadAmbientAndFog() {
    RWyxGlobalLightSettings& light = *scene_.GetGlobalLightSettings();
    RWyxColor color;
    if (const BlockScope ambient = BlockScope::Open(file_, "AmbientRenderSettings")) {
        if (ReadColor(file_, "AmbientLightColor", color)) light.SetAmbientColor(color);
    }
    const BlockScope fog = BlockScope::Open(file_, "FogOptions");
    if (!fog) return;
    light.SetFogEnable(file_.FieldReadIntByName("FlogEnable", light.GetFogEnable() ? 1 : 0) != 0);
    light.SetFogMode(file_.FieldReadIntByName("FogMode", light.GetFogMode()));
    light.SetFogDensity(wyx_read::ReadDoubleByName(file_, "FogDensity", light.GetFogDensity()));
    const double start = wyx_read::ReadDoubleByName(file_, "FogStart", light.GetFogStart());
    const double end = wyx_read::ReadDoubleByName(file_, "FogEnd", light.GetFogEnd());
    // The start is held below the end: the end goes first, from a start of 0.
    light.SetFogStart(0.0);
    light.SetFogEnd(end);
    light.SetFogStart(start);
    if (ReadColor(file_, "FogColor", color)) {
        light.SetFogColor(RWyxColor(color.GetRed(), color.GetGreen(), color.GetBlue(), 1.0));
    }
}

void RWyxSceneReaderWyx::ReadShadowPlanes() {
    const BlockScope block = BlockScope::Open(file_, "ShadowPlanes");
    if (!block) return;
    RWyxGlobalLightSettings& light = *scene_.GetGlobalLightSettings();
    light.RemoveAllShadowPlanes();
    const int stated = file_.FieldReadIntByName("Count", 0);
    int planes = 0;
    int incomplete = 0;
    while (file_.FieldReadBegin("Plane")) {
        ++planes;
        const std::vector<double> values = wyx_read::ReadDoubles(file_);
        file_.FieldReadEnd();
        if (values.size() < kPlaneValues) {
            ++incomplete;
            continue;
        }
        light.AddShadowPlane(values[6] != 0.0, RVector4(values[0], values[1], values[2], 1.0),
                             RVector4(values[3], values[4], values[5], 1.0));
    }
    if (stated != planes) {
        Warn(RString("ShadowPlanes: Count says ") + RString(stated) + " for " + RString(planes) + " planes");
    }
    if (incomplete > 0) {
        Warn(RString("ShadowPlanes: ") + RString(incomplete) + " planes of fewer than seven values were dropped");
    }
    light.SetShadowEnable(file_.FieldReadIntByName("UseShadow", light.GetShadowEnable() ? 1 : 0) != 0);
    light.SetShadowIntensity(wyx_read::ReadDoubleByName(file_, "ShadowIntensity", light.GetShadowIntensity()));
}

// ---- models ----------------------------------------------------------------------------------------------

namespace {

int ShadingMode(char letter) {
    static const char kLetters[] = "WFYTU";
    const char* found = letter != '\0' ? std::strchr(kLetters, letter) : nullptr;
    return found != nullptr ? static_cast<int>(found - kLetters) + 1 : 0;
}

// The texts compare as their C forms (up to a zero byte), as the file's texts always have.
int CullingMode(std::string_view text) {
    if (RWyxFile::ReadsAsText(text, "CullingOnCCW")) return 1;
    if (RWyxFile::ReadsAsText(text, "CullingOnCW")) return 2;
    return 0;
}

}  // namespace

void RWyxSceneReaderWyx::ReadNodeFields(RWyxNode& node) {
    node.SetMultiLayer(file_.FieldReadIntByName("MultiLayer", node.GetMultiLayer() ? 1 : 0) != 0);
    node.SetMultiTake(file_.FieldReadIntByName("MultiTake", node.GetMultiTake()));
    if (RWyxFile::ReadsAsText(file_.FieldReadStringViewByName("Hidden"), "True")) node.SetVisibility(false);
    node.SetShadingMode(ShadingMode(file_.FieldReadCharByName("Shading", '\0')));
    node.SetCullingMode(CullingMode(file_.FieldReadStringViewByName("Culling")));
}

// ---- takes ------------------------------------------------------------------------------------------------

namespace {

bool Contains(const std::vector<RString>& names, const RString& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

void RWyxSceneReaderWyx::ReadTakeBlocks() {
    if (file_.FieldReadBegin("Current")) {
        hasTakesCurrent_ = file_.FieldReadValuesLeft() > 0;
        takesCurrent_ = file_.FieldReadString();
        file_.FieldReadEnd();
    }
    // The curve records resolve time-warp ids through the read's own list.
    RWyxTimeWarpList timeWarps;
    const RWyxTimeWarpList::Installed installed(timeWarps);
    plotBudget_ = kPlotKeyAllowance;
    for (int i = 0; i < file_.FieldGetCount(); ++i) {
        if (file_.FieldGetName(i) != "Take" || !file_.FieldReadBeginAt(i)) continue;
        ReadTake();
        file_.FieldReadEnd();
    }
}

void RWyxSceneReaderWyx::ReadTake() {
    RWyxTakeInfo info;
    info.name = file_.FieldReadString();
    info.importName = info.name;
    const RString label = RString("Take \"") + info.name + "\"";
    if (!fileTakes_.insert(info.name.Buffer()).second) {
        Warn(label + ": a second take of this name was skipped");
        return;
    }
    if (!IsTakeSelected(info.name)) return;
    if (info.name == RWyxTakeNodeContainer::kDefaultTakeName) {
        Warn(label + ": the default take is every object's own; the block was skipped");
        return;
    }
    const wyx_read::BlockScope block = wyx_read::BlockScope::Enter(file_);
    if (!block) return;
    RWyxTakeInfoReader(file_, factory_, warnings_).ReadTakeInfoFields(info);
    int animated = 0;
    for (int i = 0; i < file_.FieldGetCount(); ++i) {
        const RString heading = file_.FieldGetName(i);
        if (!IsAnimatedHeading(heading) || !file_.FieldReadBeginAt(i)) continue;
        if (ReadObjectAnimation(heading, info.name)) ++animated;
        file_.FieldReadEnd();
    }
    if (animated == 0 || !scene_.SetTakeInfo(info)) {
        Warn(label + ": no object of the scene is animated in it; the take was dropped");
        return;
    }
    readTakes_.push_back(info.name);
}

RWyxTakeNode* RWyxSceneReaderWyx::AddTakeNode(RWyxTakeNodeContainer& object, const RString& take,
                                             const RString& label) {
    RWyxTakeNode* takeNode = object.AddTakeNode(take.Buffer());
    if (takeNode == nullptr) Warn(label + ": a second block for this object was dropped");
    return takeNode;
}

void RWyxSceneReaderWyx::ReadTakeChannels(RFCurveNode& root, const RString& label) {
    const int channels = wyx_read::CountFields(file_, "Channel");
    const int read = ReadChannels(root, false, label);
    if (read < channels) {
        Warn(label + ": " + RString(channels - read) + " channels for properties it does not have were dropped");
    }
}

int RWyxSceneReaderWyx::ReadChannels(RFCurveNode& root, bool defaultOnly, const RString& label) {
    int read = 0;
    RFCurveRecords::Losses losses;
    while (const RFCurveNode* channel =
               RFCurveNodeRecords::ReadChannel(file_, &root, defaultOnly, false, true, &losses)) {
        ++read;
        const RString where = label + ", channel \"" + channel->GetName() + "\": ";
        if (losses.keys > 0) Warn(where + RString(losses.keys) + " keys that could not be read were dropped");
        if (losses.numbers > 0) {
            Warn(where + RString(losses.numbers) + " curve defaults or colours no float holds were dropped");
        }
        losses = RFCurveRecords::Losses();
    }
    return read;
}

void RWyxSceneReaderWyx::SelectCurrentTake(const RString& current) {
    if (readTakes_.empty()) return;
    if (Contains(readTakes_, current) || fileTakes_.count(current.Buffer()) == 0) {
        scene_.SetCurrentTake(current.Buffer());
    } else {
        scene_.SetCurrentTake(readTakes_.front().Buffer());
    }
}

void RWyxSceneReaderWyx::FinishTakeChannels(RFCurveNode& root, const RString& label) {
    plotBudget_ += static_cast<std::int64_t>(root.GetKeyCount(true)) * kPlotKeysPerKey;
    for (int i = 0; i < root.GetChildCount(); ++i) FinishChannels(*root.GetChild(i), root.GetTimeWarp(), label);
}

void RWyxSceneReaderWyx::FinishChannels(RFCurveNode& node, RFCurveNode* inheritedWarp, const RString& label) {
    RFCurveNode* warp = node.GetTimeWarp() != nullptr ? node.GetTimeWarp() : inheritedWarp;
    if (node.GetNextLayer() != nullptr) {
        const std::int64_t cost = PlotCost(node);
        if (cost > plotBudget_ || !PlotNodeAnimation(node)) {
            Warn(label + ", channel \"" + node.GetName() + "\": its layers could not be plotted and were kept");
            return;
        }
        plotBudget_ -= cost;
        FilterChannel(node);
        return;
    }
    for (int i = 0; i < node.GetChildCount(); ++i) FinishChannels(*node.GetChild(i), warp, label);
    if (warp != nullptr) FilterChannel(node);
}

void RWyxSceneReaderWyx::FilterChannel(RFCurveNode& node) {
    ApplyRotationFilterByMode(node, RTime(RTime::kInfinitelyEarly), RTime(RTime::kInfinitelyLate));
    if (IsConstantKeyReductionOn()) {
        RFCurveFilterConstantKeyReducer reducer;
        reducer.Apply(node, true);
    }
}
