#include "formats/motion/RWyxReaderAmc.h"

#include "formats/motion/RStreamOptionsMotion.h"
#include "formats/motion/RWyxAsfScene.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeInfo.h"

RStreamOptionsPtr RWyxReaderAmc::GetReadOptions(bool /*quiet*/) {
    if (!CheckOpen()) {
        return nullptr;
    }
    RStreamOptionsPtr options(RStreamOptionsMotion::Create());
    auto& motion = static_cast<RStreamOptionsMotion&>(*options);
    motion.SetOption(kMotionImportCreateReferenceNode, 1);
    motion.SetOption(kMotionImportDummyNodes, 0);
    motion.SetOption(kMotionImportLimits, 0);
    if (!File().ReadHeader(motion)) {
        SetCorrupted();
        return nullptr;
    }
    return options;
}

RString RWyxReaderAmc::MakeTakeName(const RWyxScene& scene) const {
    const RString base = GetTakeName();
    RString name = base;
    for (int counter = 1; scene.IsTakeNameUsed(name.Buffer()); ++counter) {
        name = base + " " + counter;
    }
    return name;
}

bool RWyxReaderAmc::Read(RWyxScene* scene, RStreamOptions* options) {
    if (!CheckOpen()) {
        return false;
    }
    RStreamOptionsMotion* motion = CheckOptions(options);
    if (motion == nullptr) {
        return false;
    }
    RObject* stored = motion->GetAsfScene();
    if (stored == nullptr || !stored->Is(RWyxAsfScene::ClassId())) {
        SetError(kErrorOptionsNotSet, "Stream options not set: read the ASF skeleton first");
        return false;
    }
    if (scene == nullptr || scene->GetRootNode() == nullptr) {
        SetError(kErrorUnidentified, "No scene to read into");
        return false;
    }
    RWyxAsfScene& skeleton = static_cast<RWyxAsfScene&>(*stored);
    if (!File().ReadFrames(skeleton, *motion)) {
        SetCorrupted();
        return false;
    }
    const RString takeName = MakeTakeName(*scene);
    const bool limits = motion->GetOption(kMotionImportLimits) == 1;
    RWyxNode* parent = scene->GetRootNode();
    if (motion->GetOption(kMotionImportCreateReferenceNode) == 1) {
        const RString name = RString(*skeleton.GetName() != '\0' ? skeleton.GetName() : "ASF") + ":reference";
        RWyxNode* reference = parent->FindChild(name.Buffer(), false, false);
        if (reference == nullptr) {
            reference = GetFactory()->CreateNode(name.Buffer());
            if (reference == nullptr) {
                SetError(kErrorUnidentified, "The reference node could not be made");
                return false;
            }
            parent->AddChild(reference);
        }
        parent = reference;
    }
    skeleton.MergeNodes(*GetFactory(), parent, takeName.Buffer(), limits);
    RWyxTakeInfo info;
    info.name = takeName;
    info.importName = takeName;
    const int frames = motion->GetFrameCount();
    info.localStart = motion->GetStartTime();
    info.localStop = frames > 0 ? info.localStart + motion->GetFramePeriod() * (frames - 1) : info.localStart;
    info.referenceStart = info.localStart;
    info.referenceStop = info.localStop;
    scene->SetTakeInfo(info);
    scene->SetCurrentTake(takeName.Buffer());
    return true;
}
