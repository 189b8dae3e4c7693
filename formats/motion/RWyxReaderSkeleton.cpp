#include "formats/motion/RWyxReaderSkeleton.h"

#include "core/PreOrderWalk.h"
#include "formats/motion/RMadeUpNames.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

RStreamOptionsPtr RWyxReaderSkeleton::GetReadOptions(bool /*quiet*/) {
    if (!CheckOpen()) {
        return nullptr;
    }
    RStreamOptionsPtr options(RStreamOptionsMotion::Create());
    if (!ReadFileOptions(static_cast<RStreamOptionsMotion&>(*options))) {
        SetCorrupted();
        return nullptr;
    }
    return options;
}

bool RWyxReaderSkeleton::PlaceNodes(RWyxScene& scene, RWyxNode* reference, const RStreamOptionsMotion& options) {
    RWyxNode* sceneRoot = scene.GetRootNode();
    if (options.GetOption(kMotionImportCreateReferenceNode) == 1) {
        return sceneRoot->AddChild(reference);
    }
    while (reference->GetChildCount() > 0) {
        if (!sceneRoot->AddChild(reference->GetChild(0))) {
            return false;
        }
    }
    GetFactory()->DestroyNode(reference, false);
    return true;
}

void RWyxReaderSkeleton::YieldReferenceName(RWyxNode& reference) {
    RMadeUpNames names;
    VisitPreOrder(&reference, [&reference, &names](RWyxNode& node) {
        if (&node != &reference) {
            names.Take(node.GetNameWithoutPrefix().Buffer());
        }
    });
    const RString name = reference.GetNameWithoutPrefix();
    const std::string made = names.MakeUp(name.Buffer());
    if (made != name.Buffer()) {
        reference.SetName(RString(made.c_str()));
    }
}

bool RWyxReaderSkeleton::Read(RWyxScene* scene, RStreamOptions* options) {
    RStreamOptionsMotion* motion = BeginRead(scene, options);
    if (motion == nullptr) {
        return false;
    }
    const RString label = GetFormatLabel();
    motion->ReportProgress(0, (RString("Reading ") + label + " nodes").Buffer(), 0.0f);
    if (!ReadFileHierarchy()) {
        SetCorrupted();
        return false;
    }
    const RString takeName = GetTakeName();
    RWyxNode* reference = GetFactory()->CreateNode((label + ":reference").Buffer());
    if (reference == nullptr || !BuildFileNodes(reference, takeName.Buffer())) {
        SetCorrupted();
        return false;
    }
    YieldReferenceName(*reference);
    if (!RefuseDuplicateNames(reference, *motion)) {
        return false;
    }
    RWyxNode* parent = motion->GetOption(kMotionImportCreateReferenceNode) == 1 ? reference : scene->GetRootNode();
    if (!PlaceNodes(*scene, reference, *motion)) {
        SetError(kErrorCorrupted, "The skeleton could not be placed in the scene");
        return false;
    }
    if (!ReadFileMotion(*motion)) {
        SetCorrupted();
        return false;
    }
    StoreTake(*scene, takeName, *motion);
    FinishRead(*scene, parent);
    return true;
}
