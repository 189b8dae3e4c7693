#include "formats/motion/RWyxReaderAsf.h"

#include "formats/motion/RStreamOptionsMotion.h"
#include "formats/motion/RWyxAsfScene.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

RStreamOptionsMotion* RWyxReaderAsf::NewSkeletonOptions() {
    return RStreamOptionsMotion::CreateWith(
        {{kMotionImportCreateReferenceNode, 1}, {kMotionImportDummyNodes, 0}, {kMotionImportLimits, 0}});
}

RStreamOptionsPtr RWyxReaderAsf::GetReadOptions(bool /*quiet*/) {
    if (!CheckOpen()) {
        return nullptr;
    }
    return RStreamOptionsPtr(NewSkeletonOptions());
}

bool RWyxReaderAsf::Read(RWyxScene* scene, RStreamOptions* options) {
    if (!CheckOpen()) {
        return false;
    }
    RStreamOptionsMotion* motion = CheckOptions(options);
    if (motion == nullptr || !CheckScene(scene)) {
        return false;
    }
    std::unique_ptr<RWyxAsfScene, RPlugDestroyer> skeleton(RWyxAsfScene::Create());
    motion->ReportProgress(0, "Reading ASF node hierarchy", 0.0f);
    const bool collapse = motion->GetOption(kMotionImportDummyNodes) != 1;
    const bool limits = motion->GetOption(kMotionImportLimits) == 1;
    if (!static_cast<RAsfFile*>(GetFormatFile())->Read(*skeleton, collapse)) {
        SetCorrupted();
        return false;
    }
    RWyxNode* root = skeleton->CreateNodes(*GetFactory(), "", limits);
    if (root == nullptr) {
        SetError(kErrorCorrupted, "File is corrupted: the skeleton's nodes could not be made");
        return false;
    }
    if (!RefuseDuplicateNames(root, *motion)) {
        return false;
    }
    RWyxNode* parent = scene->GetRootNode();
    if (motion->GetOption(kMotionImportCreateReferenceNode) == 1) {
        RWyxNode* reference = GetFactory()->CreateNode(skeleton->GetReferenceName().Buffer());
        if (reference == nullptr) {
            SetError(kErrorUnidentified, "The reference node could not be made");
            return false;
        }
        parent->AddChild(reference);
        parent = reference;
    }
    parent->AddChild(root);
    motion->SetAsfScene(skeleton.release(), true);
    return true;
}
