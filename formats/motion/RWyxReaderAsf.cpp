#include "formats/motion/RWyxReaderAsf.h"

#include "formats/motion/RStreamOptionsMotion.h"
#include "formats/motion/RWyxAsfScene.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

RStreamOptionsPtr RWyxReaderAsf::GetReadOptions(bool /*quiet*/) {
    if (!CheckOpen()) {
        return nullptr;
    }
    RStreamOptionsPtr options(RStreamOptionsMotion::Create());
    auto& motion = static_cast<RStreamOptionsMotion&>(*options);
    motion.SetOption(kMotionImportCreateReferenceNode, 1);
    motion.SetOption(kMotionImportDummyNodes, 0);
    motion.SetOption(kMotionImportLimits, 0);
    return options;
}

bool RWyxReaderAsf::Read(RWyxScene* scene, RStreamOptions* options) {
    if (!CheckOpen()) {
        return false;
    }
    RStreamOptionsMotion* motion = CheckOptions(options);
    if (motion == nullptr) {
        return false;
    }
    if (scene == nullptr || scene->GetRootNode() == nullptr) {
        SetError(kErrorUnidentified, "No scene to read into");
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
    RString clashes;
    if (!CheckDuplicateNames(root, clashes)) {
        const RString message = RString("Duplicate names found in ") + GetFileNameWithExtension() + ":" + clashes;
        motion->ShowMessage("Error", message.Buffer(), "Ok", nullptr, nullptr, 0);
        SetError(kErrorCorrupted, message);
        return false;
    }
    RWyxNode* parent = scene->GetRootNode();
    if (motion->GetOption(kMotionImportCreateReferenceNode) == 1) {
        const RString name = RString(*skeleton->GetName() != '\0' ? skeleton->GetName() : "ASF") + ":reference";
        RWyxNode* reference = GetFactory()->CreateNode(name.Buffer());
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
