// The blend-shape pass: every slider of a host blend shape on an exported geometry becomes a
// shape of the geometry, its points (and a mesh's normals) from the slider's first target, its
// channel the slider's weight in percent. Targets are left out of the file as nodes. Problems
// are logged, and each kind shown in a dialog once per base object.

#include "hostexport/AnimCurveExport.h"
#include "hostexport/DeformerExportSupport.h"
#include "hostexport/ExportSteps.h"
#include "hostexport/WyxVexaExportSession.h"

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxTypedLayerElement.h"
#include "core/RWyxLogFile.h"
#include "curves/RFCurve.h"
#include "plugin/HostUtilities.h"
#include "plugin/NodeTreeWalk.h"
#include "plugin/ProgressDisplay.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeAttribute.h"
#include "scene/RWyxTakeNode.h"

#include <vexa/VAnimControl.h>
#include <vexa/VFnBlendShapeDeformer.h>
#include <vexa/VIntArray.h>
#include <vexa/VObjectArray.h>
#include <vexa/VPlug.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_set>

namespace {

constexpr double kWeightScale = 100.0;
constexpr const char* kSameBaseNote =
    "NOTE: This dialog will not popup anymore for subsequent identical errors on the same baseObject.\n"
    "(the other messages can be found in the log file)";
constexpr const char* kNote =
    "NOTE: This dialog will not popup anymore for subsequent identical errors\n(the other messages can be found in the log file)";
constexpr const char* kFirstTargetOnly = "The plugin will only use the first target.";
constexpr const char* kDeletedTarget = "(most likely the target object has been deleted without deleting the controlling slider).";
constexpr const char* kIgnoring = "Ignoring this target.";

RString Readable(const VString& name) { return ReplaceBarsWithSlashes(RString(name.asChar())); }

RString ReadablePath(const VObject& object) {
    VDagPath path;
    return VDagPath::getAPathTo(object, path) ? Readable(path.fullPathName()) : RString();
}

// The problems met on one base object; each kind's dialog is shown once.
class BaseObjectReport {
public:
    explicit BaseObjectReport(const WyxVexaExportSession& session) : session_(session) {}

    void MultipleTargets(const RString& base, const RString& weight) {
        const RString text = RString("The BaseObject : ") + base + " has multiple targets affected by weight : " + weight;
        Report(0, {text, kFirstTargetOnly}, text + "\n" + kFirstTargetOnly + "\n\n" + kSameBaseNote);
    }
    void Unavailable(const RString& text) {
        const RString message = text + " is not available in the scene.";
        Report(1, {message, kDeletedTarget, kIgnoring}, message + "\n" + kDeletedTarget + "\n" + kIgnoring + "\n\n" + kNote);
    }
    void CountMismatch(const RString& target) {
        const RString text =
            RString("The TargetObject : ") + target + " number of vertices does not match the baseObject number of vertices.";
        Report(2, {text, kIgnoring}, text + "\n" + kIgnoring + "\n\n" + kSameBaseNote);
    }

private:
    void Report(int kind, const std::vector<RString>& lines, const RString& dialog) {
        if (!shown_[kind]) {
            shown_[kind] = true;
            session_.Warn(lines, dialog);
            return;
        }
        RWyxLogFile* log = session_.GetLog();
        if (log == nullptr) return;
        for (size_t i = 0; i < lines.size(); ++i) {
            log->AddLine((i == 0 ? RString(WyxVexaExportSession::kWarningTitle) + ": " + lines[i] : lines[i]).Buffer());
        }
        log->AddLine("");
    }

    const WyxVexaExportSession& session_;
    bool shown_[3] = {false, false, false};
};

// A shape's name up to its first blank: a slider of that name has its shape already.
std::string ShapeNameKey(const char* shapeName) {
    RString key(shapeName);
    const int blank = key.FindChar(' ', 0);
    if (blank >= 0) key = key.FirstChars(blank);
    return std::string(key.Buffer());
}

// The keys of the geometry's shapes, gathered once per base object and kept up as sliders
// add shapes.
std::unordered_set<std::string> ShapeNameKeys(RWyxGeometry* geometry) {
    std::unordered_set<std::string> keys;
    for (int i = 0; geometry != nullptr && i < geometry->GetShapeCount(); ++i) {
        keys.insert(ShapeNameKey(geometry->GetShapeName(i)));
    }
    return keys;
}

// The target's normals when they fit the base's: the same mapping over as many entries.
const RWyxLayerElementNormal* FittingNormals(const RWyxGeometry& base, const RWyxGeometry& target) {
    const RWyxLayer* baseLayer = base.GetLayer(0);
    const RWyxLayer* targetLayer = target.GetLayer(0);
    const RWyxLayerElementNormal* baseNormals = baseLayer != nullptr ? baseLayer->GetNormals() : nullptr;
    const RWyxLayerElementNormal* normals = targetLayer != nullptr ? targetLayer->GetNormals() : nullptr;
    if (baseNormals == nullptr || normals == nullptr) return nullptr;
    const bool fits = normals->GetMappingMode() == baseNormals->GetMappingMode() &&
                      normals->GetReferenceMode() == baseNormals->GetReferenceMode() &&
                      normals->GetDirectCount() == baseNormals->GetDirectCount() &&
                      normals->GetMappedCount() == baseNormals->GetMappedCount();
    return fits ? normals : nullptr;
}

// The shape's name: the weight plug's, "<deformer>.weight[i]", less the ending the import gives
// a deformer, so that the import names the deformer as it was. A name beginning with the base
// node's gets an "s" in front, once: a name that has it already (the base's name all "s", as
// "ss.weight[0]" on "s") stays, or it would grow on every trip.
RString ShapeName(const VPlug& weight, const RWyxNode& node) {
    std::string name = weight.name().asChar();
    const size_t deformerEnd = std::min(name.find('.'), name.size());
    const size_t ending = std::strlen(kBlendShapeNameEnding);
    if (deformerEnd > ending && name.compare(deformerEnd - ending, ending, kBlendShapeNameEnding) == 0) {
        name.erase(deformerEnd - ending, ending);
    }
    const std::string base = node.GetNameWithoutPrefix().Buffer();
    if (name.compare(0, base.size(), base) == 0 && name.compare(0, base.size() + 1, "s" + base) != 0) name = "s" + name;
    return RString(name.c_str());
}

struct Slider {
    VPlug weight;
    RWyxNode* target = nullptr;
    RString targetPath;
};

// The weight's default and, when keyed, its curve in "Take 001", in percent.
void ExportWeightChannel(RWyxNode& node, RWyxGeometry& geometry, int shapeIndex, const VPlug& weight) {
    VFnAnimCurve curve;
    const bool keyed = FindKeyedAnimCurve(weight, curve);
    // The weight at the host's current time: its curve's value there, else the plug's.
    const double value = keyed ? curve.evaluate(VAnimControl::currentTime()) : weight.asDouble();
    RFCurve* defaults = geometry.GetShapeChannel(node.GetDefaultTakeNode(), shapeIndex);
    if (defaults != nullptr) defaults->SetDefaultValue(static_cast<float>(value * kWeightScale));
    if (!keyed) return;
    if (node.GetCurrentTakeNode() == node.GetDefaultTakeNode()) SelectTakeNode(node, WyxVexaExportSession::kTakeName);
    RFCurve* channel = geometry.GetShapeChannel(node.GetCurrentTakeNode(), shapeIndex);
    if (channel != nullptr) ConvertAnimCurve(curve, *channel, false, kWeightScale);
}

void ExportSlider(WyxVexaExportSession& session, RWyxNode& node, const Slider& slider, BaseObjectReport& report,
                  std::unordered_set<std::string>& shapeNameKeys) {
    RWyxGeometry* geometry = node.GetGeometry();
    RWyxGeometry* target = slider.target->GetGeometry();
    if (geometry == nullptr) return;
    const RString name = ShapeName(slider.weight, node);
    if (shapeNameKeys.count(name.Buffer()) != 0) return;
    // A target of another point count would make a shape that collapses the geometry.
    const int count = geometry->GetControlPointsCount();
    if (target == nullptr || target->GetControlPointsCount() == 0 || target->GetControlPointsCount() != count) {
        report.CountMismatch(slider.targetPath);
        return;
    }
    RWyxShape* shape = session.GetFactory().CreateShape();
    if (shape == nullptr) return;
    const int index = geometry->AddShape(shape, name.Buffer());
    if (index >= 0) shapeNameKeys.insert(ShapeNameKey(name.Buffer()));
    if (index < 0 || !shape->InitControlPoints(count)) return;
    const RVector4* points = target->GetControlPoints();
    RVector4* shapePoints = shape->GetControlPoints();
    for (int i = 0; i < count; ++i) {
        shapePoints[i].x = points[i].x;
        shapePoints[i].y = points[i].y;
        shapePoints[i].z = points[i].z;
    }
    const RWyxLayerElementNormal* normals =
        geometry->GetAttributeType() == RWyxNodeAttribute::kMesh ? FittingNormals(*geometry, *target) : nullptr;
    if (normals != nullptr && shape->EnsureLayer(0) != nullptr) {
        shape->EnsureLayer(0)->SetNormals(std::make_unique<RWyxLayerElementNormal>(*normals));
    }
    ExportWeightChannel(node, *geometry, index, slider.weight);
}

void ExportBaseObject(WyxVexaExportSession& session, RWyxNode& node, const VFnBlendShapeDeformer& blend,
                      const VObject& base) {
    const unsigned n = blend.numWeights();
    VIntArray indices;
    blend.weightIndexList(indices);
    VStatus status;
    const VPlug weights = blend.findPlug("weight", &status);
    if (!status) return;
    BaseObjectReport report(session);
    auto& removals = session.GetDeferredRemovals();
    std::unordered_set<std::string> shapeNameKeys = ShapeNameKeys(node.GetGeometry());
    for (unsigned w = 0; w < n && w < indices.length(); ++w) {
        const VString progress = VString("processing ") + std::to_string(w + 1).c_str() + " of " + std::to_string(n).c_str();
        ProgressTick(&progress);
        Slider slider;
        slider.weight = weights.elementByLogicalIndex(static_cast<unsigned>(indices[w]));
        VObjectArray targets;
        blend.getTargets(base, indices[w], targets);
        const RString weightName = Readable(slider.weight.name());
        if (targets.length() > 1) report.MultipleTargets(ReadablePath(base), weightName);
        if (targets.length() == 0) {
            report.Unavailable(RString("The TargetObject for weight slider : ") + weightName);
            continue;
        }
        // Every target stays out of the file as a node; the first one gives the shape.
        for (unsigned t = targets.length(); t-- > 0;) {
            VDagPath targetPath;
            RWyxNode* target = VDagPath::getAPathTo(targets[t], targetPath) ? FindNodeForDagPath(session, targetPath) : nullptr;
            if (target != nullptr && std::find(removals.begin(), removals.end(), target) == removals.end()) {
                removals.push_back(target);
            }
            if (t == 0) slider.target = target;
        }
        slider.targetPath = ReadablePath(targets[0]);
        if (slider.target == nullptr) {
            report.Unavailable(RString("The TargetObject : ") + slider.targetPath);
            continue;
        }
        ExportSlider(session, node, slider, report, shapeNameKeys);
    }
}

void ExportBlendShapes(WyxVexaExportSession& session, const VDagPath& path, VexaNode& node) {
    const int child = node.GetShapeChildIndex();
    if (child < 0 || node.GetExportFlag() || static_cast<unsigned>(child) >= path.childCount()) return;
    VObject deformer;
    if (!FindConnectedNodeOfType(path.child(static_cast<unsigned>(child)), VFn::kBlendShape, deformer,
                                 VItDependencyGraph::kUpstream, VItDependencyGraph::kNodeLevel)) {
        return;
    }
    const VFnBlendShapeDeformer blend(deformer);
    VObjectArray bases;
    blend.getBaseObjects(bases);
    for (unsigned b = 0; b < bases.length(); ++b) {
        VDagPath basePath;
        if (!VDagPath::getAPathTo(bases[b], basePath)) continue;
        if (FindNodeForDagPath(session, basePath) != &node || node.GetNodeAttribute() == nullptr) continue;
        ExportBaseObject(session, node, blend, bases[b]);
    }
}

}  // namespace

void ExportBlendShapesRecursive(WyxVexaExportSession& session, RWyxNode* node) {
    // Each node's shapes before its children's, children last to first; a node's progress tick
    // after its children.
    WalkNodeTree(
        node, ChildOrder::kLastToFirst,
        [&session](RWyxNode& each) {
            auto& vexa = static_cast<VexaNode&>(each);
            if (const VDagPath* path = vexa.GetDagPath()) ExportBlendShapes(session, *path, vexa);
        },
        [](RWyxNode&) { ProgressTick(nullptr); });
}
