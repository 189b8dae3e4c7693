#include "formats/motion/RWyxReaderAmc.h"

#include "formats/motion/RStreamOptionsMotion.h"
#include "formats/motion/RWyxReaderAsf.h"
#include "formats/motion/RWyxAsfScene.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

RStreamOptionsPtr RWyxReaderAmc::GetReadOptions(bool /*quiet*/) {
    if (!CheckOpen()) {
        return nullptr;
    }
    RStreamOptionsPtr options(RWyxReaderAsf::NewSkeletonOptions());
    if (!File().ReadHeader(static_cast<RStreamOptionsMotion&>(*options))) {
        SetCorrupted();
        return nullptr;
    }
    return options;
}

RStreamOptionsPtr RWyxReaderAmc::ScanFrames(const RStreamOptionsMotion& options) {
    RStreamOptionsPtr scanned(RStreamOptionsMotion::Create());
    auto& frames = static_cast<RStreamOptionsMotion&>(*scanned);
    frames.SetFrameRate(options.GetTimeMode(), options.GetFrameRate());
    frames.SetProgressHook(options.GetProgressHook());
    if (!File().ReadHeader(frames)) {
        return nullptr;
    }
    return scanned;
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
    RWyxAsfScene* found = RWyxAsfScene::FromOptions(*motion);
    if (found == nullptr) {
        SetError(kErrorOptionsNotSet, "Stream options not set: read the ASF skeleton first");
        return false;
    }
    if (!CheckScene(scene)) {
        return false;
    }
    RWyxAsfScene& skeleton = *found;
    // Options without frames (those of the ASF read) take the frames from the AMC data.
    RStreamOptionsPtr scanned;
    if (motion->GetFrameCount() == 0) {
        scanned = ScanFrames(*motion);
        if (scanned == nullptr) {
            SetCorrupted();
            return false;
        }
    }
    const auto& frames = scanned != nullptr ? static_cast<const RStreamOptionsMotion&>(*scanned) : *motion;
    if (!File().ReadFrames(skeleton, frames)) {
        SetCorrupted();
        return false;
    }
    const RString takeName = MakeTakeName(*scene);
    const bool limits = motion->GetOption(kMotionImportLimits) == 1;
    RWyxNode* parent = scene->GetRootNode();
    if (motion->GetOption(kMotionImportCreateReferenceNode) == 1) {
        const RString name = skeleton.GetReferenceName();
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
    StoreTake(*scene, takeName, frames);
    return true;
}
