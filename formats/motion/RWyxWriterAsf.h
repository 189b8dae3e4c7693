#ifndef WYX_FORMATS_MOTION_RWYXWRITERASF_H
#define WYX_FORMATS_MOTION_RWYXWRITERASF_H

// The ASF writer (exporter format id 8): builds a skeleton from the export root ("root" bone
// with all six DOFs, a bone per node below it, dummy bones for offset children), writes it,
// and leaves it, owned, in the options for the AMC write that follows. The export root must be
// found ("Scene must have a single root node.", error 2), node names may hold no blanks and
// no control characters (tab, line break, ...), only the root may be named "root", and no bone
// may bear a name the ASF and AMC readers would not take back (RAsfFile::BoneNameFault: "ASF
// files cannot hold these bone names:" with each name and why; a dummy bone is named after
// its node with "Dummy", and a number after it where a node bears that name, the node's name
// cut so that the whole fits: RWyxAsfScene::BuildFromNode), no two bones may be read as one
// name (RefuseSharedNames); each is error 5, told through the options' message hook, names
// with their control characters escaped. So are, before anything is written, a default the
// skeleton or the AMC motion takes that no channel holds as it is (CheckDefaults: every default
// below the root; the root's scaling, and its other channels without keys) and a bone that
// grew beyond what a read keeps (CheckBoneValues).

#include "formats/motion/RAsfFile.h"
#include "formats/motion/RWyxWriterMotion.h"

class RWyxNode;

class RWyxWriterAsf : public RWyxWriterMotion {
public:
    explicit RWyxWriterAsf(RWyxObjectFactory* factory, RWyxIO* owner = nullptr) : RWyxWriterMotion(factory, owner) {}

    // Translation 0, ExportFromGlobalPosition 0, ExportRequireSingleRootNode 1,
    // ExportFrameRate 1, ExportFrameRange 0 (the AMC writer takes the same).
    RStreamOptionsPtr GetWriteOptions() override;
    static RStreamOptionsPtr NewWriteOptions();

protected:
    bool WriteToTarget(RWyxScene* scene, RStreamOptions* options) override;
    std::unique_ptr<RMotionTextFile> NewFormatFile() const override { return std::make_unique<RAsfFile>(false); }

private:
    // Refuses (error 5) a skeleton with a bone name RAsfFile::BoneNameFault finds fault with
    // (each such name, quoted, and why, in pre-order), or with bone names read as one.
    bool CheckBoneNames(const RAsfBone& root, const RStreamOptionsMotion& options);
    // Refuses (error 5, RefuseBeyond) a bone whose direction, length or axis grew beyond the
    // finite numbers from finite defaults, or whose length a read, turning it back into
    // centimetres (in the skeleton's length unit), makes a number beyond the floats.
    bool CheckBoneValues(const RAsfBone& root, double lengthUnit, const RStreamOptionsMotion& options);
    // The export root after the checks every ASF and AMC write starts with; null after an error.
    RWyxNode* CheckScene(RWyxScene* scene, RStreamOptionsMotion*& motion, RStreamOptions* options);
};

#endif
