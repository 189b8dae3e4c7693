// Host node creation: the creator for each kind of node attribute, except meshes
// (WyxVexaImportSessionMesh.cpp) and NURBS surfaces (WyxVexaImportSessionNurbs.cpp).

#include "hostimport/ImportLaterSteps.h"
#include "hostimport/ImportNodePasses.h"
#include "hostimport/WyxVexaImportSession.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxSkeleton.h"
#include "formats/geometry/RWyxGeometryConverter.h"
#include "plugin/HostNodeTag.h"
#include "plugin/HostUtilities.h"
#include "plugin/ScriptText.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeAttribute.h"

#include <vexa/VDagPath.h>
#include <vexa/VFnCamera.h>
#include <vexa/VFnDagNode.h>
#include <vexa/VFnDirectionalLight.h>
#include <vexa/VFnIkJoint.h>
#include <vexa/VFnPointLight.h>
#include <vexa/VFnSpotLight.h>
#include <vexa/VFnTransform.h>
#include <vexa/VGlobal.h>
#include <vexa/VSelectionList.h>
#include <vexa/VStringArray.h>

#include <utility>

namespace {

// Type tags of skeleton nodes, by SDK skeleton type (0 root, 1 limb, 2 limb node, 3).
constexpr int kUntagged = 0;
constexpr int kSkeletonTags[4] = {2, 4, 5, 3};

VexaNode& Vexa(RWyxNode* node) { return *static_cast<VexaNode*>(node); }

VString HostName(const RWyxNode* node) { return VString(node->GetNameWithoutPrefix().Buffer()); }

// True when a direct child is a limb or a limb node (children looked at from the last).
bool HasLimbChild(const RWyxNode* node) {
    for (int i = node->GetChildCount() - 1; i >= 0; --i) {
        const RWyxSkeleton* skeleton = node->GetChild(i)->GetSkeleton();
        if (skeleton == nullptr) continue;
        const int type = skeleton->GetSkeletonType();
        if (type == RWyxSkeleton::kLimb || type == RWyxSkeleton::kLimbNode) return true;
    }
    return false;
}

// The camera, its rig and the selection it leaves: [camera], [camera, aim] or [camera, up, aim].
VString CameraScript(const RWyxNode* node) {
    VString script = VString("camera ") + "-centerOfInterest 5 -focalLength 35 -lensSqueezeRatio 1 " +
                     "-cameraScale 1 -horizontalFilmAperture 1.41732 -horizontalFilmOffset 0 " +
                     "-verticalFilmAperture 0.94488 -verticalFilmOffset 0 -filmFit Horizontal " +
                     "-overscan 1 -motionBlur 0 -shutterAngle 144 -nearClipPlane 0.01 -farClipPlane 1000 " +
                     "-orthographic 0 -orthographicWidth 30; " + "objectMoveCommand; ";
    if (node->GetTarget() == nullptr) return script + "cameraMakeNode 1 \"\"";
    return script + (node->GetTargetUp() != nullptr ? "cameraMakeNode 3 \"\"" : "cameraMakeNode 2 \"\"");
}

// Names the node a function set is attached to, printing a failure.
void NameHostNode(VFnDependencyNode& node, const VString& name) {
    VStatus status;
    node.setName(name, &status);
    PrintStatusError(status, "Cannot name the new node");
}

void NameHostNode(const VObject& object, const VString& name) {
    VFnDependencyNode node(object);
    NameHostNode(node, name);
}

}  // namespace

VString WyxVexaImportSession::ShapeName(const RWyxNode* node) { return HostName(node) + "Shape"; }

VObject WyxVexaImportSession::ParentObjectOf(const RWyxNode* node) {
    const RWyxNode* parent = node->GetParent();
    const VDagPath* path = parent != nullptr ? static_cast<const VexaNode*>(parent)->GetDagPath() : nullptr;
    return path != nullptr ? path->node() : VObject();
}

VObject WyxVexaImportSession::CreateBoundTransform(RWyxNode* node, const char* failure, bool joint) {
    return CreateBoundTransform(node, HostName(node), failure, joint);
}

VObject WyxVexaImportSession::CreateBoundTransform(RWyxNode* node, const VString& name, const char* failure, bool joint) {
    VStatus status;
    const VObject parent = ParentObjectOf(node);
    // The function set that made the node names it and gives its path.
    VFnIkJoint jointMaker;
    VFnTransform transformMaker;
    VFnDagNode& maker = joint ? static_cast<VFnDagNode&>(jointMaker) : transformMaker;
    const VObject made = joint ? jointMaker.create(parent, &status) : transformMaker.create(parent, &status);
    if (!status) {
        status.perror(failure);
        return VObject();
    }
    NameHostNode(maker, name);
    VDagPath path;
    if (maker.getPath(path)) Vexa(node).SetDagPath(std::move(path));
    TransferUserProperties(*this, *node, made);
    return made;
}

void WyxVexaImportSession::CreateHostNode(RWyxNode* node) {
    const RWyxNodeAttribute* attribute = node->GetNodeAttribute();
    if (attribute == nullptr) {
        // A rig's group is the rig's, as for a null: a version-5 file writes a null of the
        // neutral size as a node without attribute.
        if (IsSkeletonNode(node->GetParent())) {
            CreateSkeleton(node, RWyxSkeleton::kEffectorRoot);
        } else if (!IsAimUpGroupNode(node)) {
            CreateNull(node);
        }
        return;
    }
    switch (attribute->GetAttributeType()) {
        case RWyxNodeAttribute::kSkeleton:
            CreateSkeleton(node, -1);
            return;
        case RWyxNodeAttribute::kMesh:
            CreateMesh(node);
            return;
        case RWyxNodeAttribute::kNurb:
            CreateNurbs(node);
            return;
        case RWyxNodeAttribute::kPatch: {
            // The patch becomes a NURBS surface in place, shape curves of every take kept.
            RWyxGeometryConverter* converter = factory_.CreateGeometryConverter();
            const bool converted = converter != nullptr && converter->ConvertNodePatchToNurb(node);
            if (converter != nullptr) factory_.DestroyGeometryConverter(converter);
            if (converted) CreateNurbs(node);
            return;
        }
        case RWyxNodeAttribute::kCamera:
            CreateCamera(node);
            return;
        case RWyxNodeAttribute::kLight:
            CreateLight(node);
            return;
        default:
            if (!IsAimUpGroupNode(node)) CreateNull(node);
            return;
    }
}

void WyxVexaImportSession::CreateSkeleton(RWyxNode* node, int skeletonType) {
    if (skeletonType == -1) {
        const RWyxSkeleton* skeleton = node->GetSkeleton();
        skeletonType = skeleton != nullptr ? skeleton->GetSkeletonType() : -1;
    }
    if (skeletonType == RWyxSkeleton::kRoot && !HasLimbChild(node)) {
        CreateNull(node);
    } else {
        CreateJoint(node);
    }
    const bool tagged = skeletonType >= RWyxSkeleton::kRoot && skeletonType <= RWyxSkeleton::kEffectorRoot;
    const int tag = tagged ? kSkeletonTags[skeletonType] : kUntagged;
    const VDagPath* path = Vexa(node).GetDagPath();
    if (tag != kUntagged && path != nullptr) LVSetLumtraxID(path->node(), tag);
}

VObject WyxVexaImportSession::CreateNull(RWyxNode* node) {
    // The node's name is made once for the transform and its shape.
    const RString bare = node->GetNameWithoutPrefix();
    if (bare == "RootNode") return VObject();
    const VString name(bare.Buffer());
    const VObject made = CreateBoundTransform(node, name, "Cannot create Null");
    if (made.isNull()) return VObject();
    VStatus status;
    VFnDagNode shape;
    const VObject locator = shape.create("locator", name + "Shape", made, &status);
    PrintStatusError(status, "Cannot create Null");
    return locator;
}

void WyxVexaImportSession::CreateJoint(RWyxNode* node) { CreateBoundTransform(node, "Cannot create Ik joint", true); }

void WyxVexaImportSession::CreateLight(RWyxNode* node) {
    const RWyxLight* light = node->GetLight();
    if (light == nullptr) return;
    const VObject parent = ParentObjectOf(node);
    VStatus status;
    VObject shape;
    switch (light->GetLightType()) {
        case RWyxLight::kPoint:
            shape = VFnPointLight().create(parent, true, &status);
            break;
        case RWyxLight::kInfinite:
            shape = VFnDirectionalLight().create(parent, true, &status);
            break;
        case RWyxLight::kSpot:
            shape = VFnSpotLight().create(parent, true, &status);
            break;
        default:
            return;
    }
    if (status) VFnDependencyNode(shape).setName(ShapeName(node), &status);
    if (!status) {
        status.perror("Cannot create Light");
        return;
    }
    Vexa(node).SetObject(&shape);
    const VObject transform = VFnDagNode(shape).parent(0, &status);
    VDagPath path;
    if (!status || !VDagPath::getAPathTo(transform, path)) return;
    Vexa(node).SetDagPath(&path);
    TransferUserProperties(*this, *node, transform);
    NameHostNode(transform, HostName(node));
}

void WyxVexaImportSession::CreateCamera(RWyxNode* node) {
    const RWyxCamera* camera = node->GetCamera();
    if (camera == nullptr) return;
    VGlobal::executeCommand(CameraScript(node), true);

    VSelectionList selection;
    VGlobal::getActiveSelectionList(selection);
    const unsigned count = selection.length();
    if (count == 0 || count > 3) return;
    VDagPath transformPath;
    if (!selection.getDagPath(0, transformPath)) return;
    NameHostNode(transformPath.node(), HostName(node));
    VStatus status;
    const VObject shape = transformPath.child(0, &status);
    VFnCamera host(shape, &status);
    if (!status) return;
    PrintStatusError(host.setLensSqueezeRatio(camera->GetSqueezeRatio()), "Cannot set the camera's squeeze ratio");
    PrintStatusError(host.setClippingPlanes(true), "Cannot set the camera's clipping planes");
    PrintStatusError(host.setNearClippingPlane(camera->GetNearPlane()), "Cannot set the camera's near plane");
    PrintStatusError(host.setFarClippingPlane(camera->GetFarPlane()), "Cannot set the camera's far plane");
    PrintStatusError(host.setFocalLength(camera->GetFocalLength()), "Cannot set the camera's focal length");
    if (camera->GetProjectionType() == RWyxCamera::kOrthographic) {
        PrintStatusError(host.setIsOrtho(true), "Cannot make the camera orthographic");
    }
    Vexa(node).SetObject(&shape);
    Vexa(node).SetDagPath(&transformPath);

    // The rig's locators stand for the file's aim and up targets.
    std::vector<RWyxNode*> bound{node};
    const auto bindLocator = [&](RWyxNode* target, unsigned item) {
        VDagPath path;
        if (target == nullptr || !selection.getDagPath(item, path)) return;
        const VObject object = path.node();
        NameHostNode(object, HostName(target));
        Vexa(target).SetObject(&object);
        Vexa(target).SetDagPath(&path);
        TransferUserProperties(*this, *target, object);
        bound.push_back(target);
    };
    if (count >= 2) bindLocator(node->GetTarget(), count == 2 ? 1u : 2u);
    if (count == 3) bindLocator(node->GetTargetUp(), 1u);

    // Under the host node of the file's parent (a camera group's parent in place of the group).
    RWyxNode* parent = node->GetParent();
    if (parent != nullptr && IsAimUpGroupNode(parent)) parent = parent->GetParent();
    const VDagPath* parentPath = parent != nullptr && parent != rootNode_ ? Vexa(parent).GetDagPath() : nullptr;
    if (parentPath != nullptr && parentPath->isValid()) {
        VDagPath moved = transformPath;
        if (node->GetTarget() != nullptr) moved.pop();  // the rig's group
        VGlobal::executeCommand("parent " + QuotedScriptText(moved.partialPathName()) + " " +
                                    QuotedScriptText(parentPath->partialPathName()),
                                true);
        // The move gave the camera and its locators new paths: bind those.
        for (RWyxNode* each : bound) {
            VDagPath now;
            if (VDagPath::getAPathTo(Vexa(each).GetDagPath()->node(), now)) Vexa(each).SetDagPath(&now);
        }
    }
    TransferUserProperties(*this, *node, transformPath.node());
}
