#ifndef WYX_FORMATS_MOTION_RWYXREADERASF_H
#define WYX_FORMATS_MOTION_RWYXREADERASF_H

// The ASF reader (importer format id 6): reads the skeleton, makes its node tree (bones
// without DOFs collapsed unless ImportDummyNodes is 1, limits with ImportLimits 1), refuses
// duplicate node names, puts the tree under "<skeleton>:reference" (ImportCreateReferenceNode
// 1; with a number after it where a bone bears that name: RWyxAsfScene::GetReferenceName) or
// the scene root, and leaves the skeleton, owned, in the options for the AMC read that
// follows.

#include "formats/motion/RAsfFile.h"
#include "formats/motion/RWyxReaderMotion.h"

class RWyxReaderAsf : public RWyxReaderMotion {
public:
    explicit RWyxReaderAsf(RWyxObjectFactory* factory) : RWyxReaderMotion(factory) {}

    // ImportCreateReferenceNode 1, ImportDummyNodes 0, ImportLimits 0.
    RStreamOptionsPtr GetReadOptions(bool quiet) override;
    // Those options, which the AMC reader offers too.
    static RStreamOptionsMotion* NewSkeletonOptions();
    bool Read(RWyxScene* scene, RStreamOptions* options) override;

protected:
    std::unique_ptr<RMotionTextFile> NewFormatFile() const override { return std::make_unique<RAsfFile>(false); }
};

#endif
