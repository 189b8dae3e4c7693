// The DAG walk: one SDK node for every exported host transform, with the node attribute its
// shape calls for, entered in the node map (and cameras in their rig's record).

#include "hostexport/ExportSteps.h"
#include "hostexport/WyxVexaExportSession.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxNull.h"
#include "core/RWyxLogFile.h"
#include "plugin/HostNodeTag.h"
#include "plugin/HostUtilities.h"
#include "plugin/ProgressDisplay.h"
#include "plugin/ScriptText.h"
#include "plugin/VexaNode.h"
#include "plugin/WyxVexaOptions.h"

#include <vexa/VFnBlendShapeDeformer.h>
#include <vexa/VFnCamera.h>
#include <vexa/VFnDagNode.h>
#include <vexa/VFnIkJoint.h>
#include <vexa/VFnMesh.h>
#include <vexa/VFnNurbsSurface.h>
#include <vexa/VFnSkinCluster.h>
#include <vexa/VGlobal.h>
#include <vexa/VObjectArray.h>
#include <vexa/VPlug.h>

#include <string>

namespace {

constexpr int kJointInheritType = 2;
constexpr int kPlainInheritType = 1;
constexpr const char* kGroundPlane = "groundPlane_transform";

bool ExportsBindPose() { return GetPluginOptions()->GetBoolOption(kExportBindPose); }

VObject FindUpstream(const VObject& start, VFn::Type type) {
    VObject found;
    if (start.isNull() || !FindConnectedNodeOfType(start, type, found, VItDependencyGraph::kUpstream,
                                                   VItDependencyGraph::kNodeLevel)) {
        return VObject();
    }
    return found;
}

VObject FindDownstream(const VObject& start, VFn::Type type) {
    VObject found;
    if (start.isNull() || !FindConnectedNodeOfType(start, type, found, VItDependencyGraph::kDownstream,
                                                   VItDependencyGraph::kNodeLevel)) {
        return VObject();
    }
    return found;
}

// A blend shape above the path's first child has its envelope at 0 while the shape is read,
// and back as it was when the guard goes.
class EnvelopeSuspension {
public:
    explicit EnvelopeSuspension(const VDagPath& path) {
        const VObject blend = FindUpstream(path.childCount() > 0 ? path.child(0) : VObject(), VFn::kBlendShape);
        VStatus status;
        deformer_.setObject(blend);
        if (blend.isNull() || !deformer_.object().hasFn(VFn::kBlendShape)) return;
        envelope_ = deformer_.envelope(&status);
        held_ = status && deformer_.setEnvelope(0.0f);
    }
    ~EnvelopeSuspension() {
        if (held_) deformer_.setEnvelope(envelope_);
    }
    EnvelopeSuspension(const EnvelopeSuspension&) = delete;
    EnvelopeSuspension& operator=(const EnvelopeSuspension&) = delete;

private:
    VFnBlendShapeDeformer deformer_;
    float envelope_ = 1.0f;
    bool held_ = false;
};

VString NumberText(int value) { return VString(std::to_string(value).c_str()); }

}  // namespace

// ---- the walk ---------------------------------------------------------------------------------------

VStatus WyxVexaExportSession::ForEachDagPath(VItDag::TraversalType traversal, VFn::Type filter,
                                             const std::function<void(const VDagPath&)>& visit) {
    VStatus status;
    VItDag it(traversal, filter, &status);
    if (!status) {
        status.perror("VItDag constructor");
        return status;
    }
    for (; !it.isDone(); it.next()) {
        VDagPath path;
        const VStatus step = it.getPath(path);
        if (step) {
            visit(path);
        } else {
            step.perror("VItDag::getPath");
        }
    }
    return VStatus();
}

std::string WyxVexaExportSession::RigKey(const VDagPath& path) {
    RString key(path.fullPathName().asChar());
    KeepFromCharToChar(key, '|', '|');
    return key.Buffer();
}

VStatus WyxVexaExportSession::WalkDag(VItDag::TraversalType traversal, VFn::Type filter) {
    return ForEachDagPath(traversal, filter, [this](const VDagPath& path) {
        if (IsExcluded(path)) return;
        VStatus status;
        const VFnDagNode dagNode(path, &status);
        if (!status) {
            status.perror("VFnDagNode constructor");
            return;
        }
        if (!IsKind109(path)) return;
        bool joint = false;
        VexaNode* node = CreateNodeFor(path, dagNode, joint);
        if (node == nullptr) return;
        const VString name = dagNode.name();
        ProgressTick(&name);
        node->SetInheritType(joint ? kJointInheritType : kPlainInheritType);
    });
}

VexaNode* WyxVexaExportSession::CreateNodeFor(const VDagPath& path, const VFnDagNode& dagNode, bool& joint) {
    if (path.hasFn(VFn::kMesh)) return CreateMesh(path, dagNode);
    if (path.hasFn(VFn::kNurbsSurface) || path.hasFn(VFn::kNurbsSurfaceGeometry)) return CreateNurbs(path, dagNode);
    if (path.hasFn(VFn::kClusterHandle)) return CreateNull(path, dagNode);
    if (path.hasFn(VFn::kJoint)) {
        joint = true;
        return CreateJoint(path, dagNode);
    }
    if (path.hasFn(VFn::kBlendShape)) return nullptr;
    if (path.hasFn(VFn::kLight)) return CreateLight(path, dagNode);
    if (path.hasFn(VFn::kCamera)) return IsDefaultCameraName(dagNode.name().asChar()) ? nullptr : CreateCamera(path, dagNode);
    if (path.hasFn(VFn::kLookAt)) return CreateRigRoot(path, dagNode);
    if (path.hasFn(VFn::kLocator)) return CreateNull(path, dagNode);
    // A plain transform: by the kind of node it was made from on import.
    const int importType = LVGetLumtraxID(path.node());
    if (importType == 0 || importType == 1) return dagNode.name() == kGroundPlane ? nullptr : CreateNull(path, dagNode);
    if (importType >= 2 && importType <= 5) return CreateSkeletonNode(path, dagNode);
    return nullptr;
}

VexaNode* WyxVexaExportSession::NewMappedNode(const VDagPath& path, const VFnDagNode& dagNode) {
    VexaNode* node = factory_.CreateNodeForDagPath(dagNode.name().asChar(), &path);
    if (node != nullptr) nodeMap_.Add(path, node);
    return node;
}

// ---- creators -------------------------------------------------------------------------------------

VexaNode* WyxVexaExportSession::CreateNull(const VDagPath& path, const VFnDagNode& dagNode) {
    VexaNode* node = NewMappedNode(path, dagNode);
    if (node == nullptr) return nullptr;
    node->SetVisibility(GetHostVisibility(path));
    node->SetNodeAttribute(factory_.CreateNull());
    return node;
}

VexaNode* WyxVexaExportSession::CreateJoint(const VDagPath& path, const VFnDagNode& dagNode) {
    VStatus status;
    const VFnIkJoint joint(path, &status);
    if (!status) {
        status.perror("VFnIkJoint constructor");
        return nullptr;
    }
    return CreateSkeletonNode(path, dagNode);
}

VexaNode* WyxVexaExportSession::CreateSkeletonNode(const VDagPath& path, const VFnDagNode& dagNode) {
    VexaNode* node = NewMappedNode(path, dagNode);
    if (node == nullptr) return nullptr;
    node->SetVisibility(GetHostVisibility(path));
    AttachSkeleton(*node);
    return node;
}

VexaNode* WyxVexaExportSession::CreateMesh(const VDagPath& path, const VFnDagNode& dagNode) {
    const EnvelopeSuspension envelope(path);
    ShapeHistory history;
    VexaNode* node = nullptr;
    if (ExamineShapeHistory(path, 0, history)) {
        VStatus status;
        VFnMesh mesh(history.shapePath, &status);
        if (!status) {
            status.perror("VFnMesh constructor");
        } else if ((node = NewMappedNode(path, dagNode)) != nullptr) {
            node->SetShapeChildIndex(0);
            node->SetVisibility(GetHostVisibility(history.shapePath));
            ExportMesh(mesh, *node, history.sourceGeometry, history.inputGeometry);
        }
    }
    RestoreHistory(history);
    return node;
}

VexaNode* WyxVexaExportSession::CreateNurbs(const VDagPath& path, const VFnDagNode& dagNode) {
    const EnvelopeSuspension envelope(path);
    ShapeHistory history;
    VexaNode* node = nullptr;
    if (ExamineShapeHistory(path, 0, history)) {
        VStatus status;
        const VFnNurbsSurface source(history.sourceGeometry, &status);
        if (!status) {
            status.perror("VFnNurbsSurface constructor");
        } else if ((node = NewMappedNode(path, dagNode)) != nullptr) {
            node->SetShadingMode(4);
            node->SetShapeChildIndex(0);
            node->SetVisibility(GetHostVisibility(history.shapePath));
            FillNurbs(*node, history);
        }
    }
    RestoreHistory(history);
    return node;
}

VexaNode* WyxVexaExportSession::CreateLight(const VDagPath& path, const VFnDagNode& dagNode) {
    VexaNode* node = NewMappedNode(path, dagNode);
    if (node == nullptr || path.hasFn(VFn::kAmbientLight)) return node;
    RWyxLight* light = factory_.CreateLight();
    if (light == nullptr) return node;
    VDagPath shapePath = path;
    const bool hasShape = path.childCount() > 0 && shapePath.push(path.child(0));
    bool visible = hasShape && GetHostVisibility(shapePath);
    if (path.hasFn(VFn::kPointLight)) {
        light->SetLightType(RWyxLight::kPoint);
    } else if (path.hasFn(VFn::kSpotLight)) {
        light->SetLightType(RWyxLight::kSpot);
        light->SetGobo(factory_.CreateGobo(dagNode.name().asChar()));
    } else if (path.hasFn(VFn::kDirectionalLight)) {
        light->SetLightType(RWyxLight::kInfinite);
    } else {
        light->SetLightType(RWyxLight::kPoint);
        visible = false;
    }
    node->SetVisibility(visible);
    node->SetNodeAttribute(light);
    return node;
}

VexaNode* WyxVexaExportSession::CreateCamera(const VDagPath& path, const VFnDagNode& dagNode) {
    VStatus status;
    const VFnCamera camera(path, &status);
    if (!status) {
        status.perror("VFnCamera constructor");
        return nullptr;
    }
    RigRecord& rig = rigMap_[RigKey(path)];
    rig.handles[1] = camera.object();
    RWyxCamera* attribute = factory_.CreateCamera();
    if (attribute != nullptr) {
        attribute->SetShowAzimut(true);
        attribute->SetShowName(true);
    }
    VexaNode* node = NewMappedNode(path, dagNode);
    if (node == nullptr) return nullptr;
    rig.cameraNode = node;
    node->SetNodeAttribute(attribute);
    VDagPath shapePath;
    node->SetVisibility(VDagPath::getAPathTo(camera.object(), shapePath) ? GetHostVisibility(shapePath) : true);
    return node;
}

VexaNode* WyxVexaExportSession::CreateRigRoot(const VDagPath& path, const VFnDagNode& dagNode) {
    const std::string key = RigKey(path);
    if (rigMap_.count(key) > 0) return nullptr;
    rigMap_[key].handles[0] = path.node();
    // A null, as the import's test of camera groups takes only nodes of that kind: read back,
    // the group is the rig's again rather than a null above a new rig.
    VexaNode* node = NewMappedNode(path, dagNode);
    if (node != nullptr) node->SetNodeAttribute(factory_.CreateNull());
    return node;
}

// ---- the history of a shape -----------------------------------------------------------------------

bool WyxVexaExportSession::ExamineShapeHistory(const VDagPath& path, unsigned childIndex, ShapeHistory& history) {
    const VFnDagNode dagNode(path);
    history.shapePath = path;
    if (path.hasFn(VFn::kTransform) && path.childCount() > childIndex) {
        history.shape = path.child(childIndex);
        if (!history.shapePath.push(history.shape)) return false;
    } else {
        const VObject parent = dagNode.parent(0);
        if (parent.isNull() || !parent.hasFn(VFn::kTransform) || VFnDagNode(parent).childCount() <= 1) return false;
        history.shape = path.node();
    }
    history.sourceGeometry = history.shape;
    if (!ExportsBindPose()) return true;

    VStatus status;
    const bool visible = VFnDependencyNode(path.node()).findPlug("visibility", &status).asBool();
    const VObject firstChild = path.childCount() > 0 ? path.child(0) : VObject();
    if (!FindUpstream(firstChild, VFn::kWrapFilter).isNull()) {
        WarnAboutWrap(path);
        return true;
    }
    const VObject skin = FindUpstream(firstChild, VFn::kSkinClusterFilter);
    const VFnSkinCluster skinCluster(skin, &status);
    if (skin.isNull() || !status) return true;
    VObject smooth = FindDownstream(skin, VFn::kPolySmoothFacet);
    if (smooth.isNull()) smooth = FindUpstream(skin, VFn::kPolySmoothFacet);
    if (!smooth.isNull()) history.restoreCommand = SuspendSmoothing(smooth);

    VObject input;
    const VPlug inputs = skinCluster.findPlug("input", &status);
    if (status && inputs.elementByLogicalIndex(0).child(0).getValue(input)) history.inputGeometry = input;
    VObjectArray sources;
    if (!skinCluster.getInputGeometry(sources) || sources.length() == 0) return true;
    history.sourceGeometry = sources[0];
    VDagPath sourcePath;
    if (!VDagPath::getAPathTo(sources[0], sourcePath)) return true;
    VPlug visibility = VFnDependencyNode(sourcePath.node()).findPlug("visibility", &status);
    // The input shape takes the transform's visibility for the export; RestoreHistory puts
    // its own back. One that has it already is not touched (a value set is a value stored).
    if (!status || visibility.asBool() == visible) return true;
    history.hiddenInput = sourcePath.node();
    history.inputVisibility = !visible;
    visibility.setValue(visible);
    return true;
}

void WyxVexaExportSession::RestoreHistory(const ShapeHistory& history) {
    if (!history.restoreCommand.IsEmptyText()) VGlobal::executeCommand(history.restoreCommand.Buffer());
    if (history.hiddenInput.isNull()) return;
    VStatus status;
    VPlug visibility = VFnDependencyNode(history.hiddenInput).findPlug("visibility", &status);
    if (status) PrintStatusError(visibility.setValue(history.inputVisibility), "Cannot restore the visibility");
}

RString WyxVexaExportSession::SuspendSmoothing(const VObject& smooth) {
    const std::vector<RString> lines = {"The plugin has detected a polygonSmoothFacet operator and a skinCluster.",
                                        "This combination of operators is not supported by the plugin. The 'divisions' ",
                                        "attribute is reset to 0 while exporting."};
    RString text;
    for (const RString& line : lines) text += line + "\n";
    Warn(lines, text + "\n");
    const VString attribute = QuotedScriptText(VFnDependencyNode(smooth).name() + ".divisions");
    int divisions = 0;
    if (!VGlobal::executeCommand("getAttr " + attribute, divisions)) return RString();
    if (!VGlobal::executeCommand("setAttr " + attribute + " 0")) return RString();
    return RString(("setAttr " + attribute + NumberText(divisions)).asChar());
}

void WyxVexaExportSession::WarnAboutWrap(const VDagPath& path) {
    const RString sentence =
        RString("A Wrap deformer has been detected on the following object: ") + GetShortPathName(&path);
    if (log_ != nullptr) {
        log_->AddLine((RString(kWarningTitle) + ": " + sentence).Buffer());
        log_->AddLine("");
    }
    if (wrapWarningShown_ || !GetPluginOptions()->GetBoolOption(kExportShowUI)) return;
    wrapWarningShown_ = true;
    ShowDialog(kWarningTitle, sentence + "\n\nThe object will be exported without the deforming influences.\n\n"
                                         "NOTE: This dialog will not popup anymore for subsequent identical errors\n"
                                         "(the other messages can be found in the log file)");
}
