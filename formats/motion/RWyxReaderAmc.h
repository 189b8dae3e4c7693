#ifndef WYX_FORMATS_MOTION_RWYXREADERAMC_H
#define WYX_FORMATS_MOTION_RWYXREADERAMC_H

// The AMC reader (importer format id 7): reads motion onto the ASF skeleton an ASF read left
// in the options ("Stream options not set" without one), merges it into the scene's nodes of
// the bones' names (below the skeleton's reference node, RWyxAsfScene::GetReferenceName, with
// ImportCreateReferenceNode 1), in a take
// named after the file (a blank and a number added while the scene has that take already).
//
// The frames read are the options' frame count from their start time at their rate, as this
// reader's options give them. With options that hold no frames, such as those the ASF read
// leaves (the importer passes them on unchanged), the frame count and start come from the AMC
// data, and so does the rate where the file names one; the options stay as they are.

#include "formats/motion/RAmcFile.h"
#include "formats/motion/RWyxReaderMotion.h"

class RWyxScene;

class RWyxReaderAmc : public RWyxReaderMotion {
public:
    explicit RWyxReaderAmc(RWyxObjectFactory* factory) : RWyxReaderMotion(factory) {}

    // ImportCreateReferenceNode 1, ImportDummyNodes 0, ImportLimits 0, and the file's rate,
    // frame count and start from its header scan.
    RStreamOptionsPtr GetReadOptions(bool quiet) override;
    bool Read(RWyxScene* scene, RStreamOptions* options) override;

    // The file name (without folders and extension), or it with " 1", " 2", ... while the
    // scene holds a take of that name.
    RString MakeTakeName(const RWyxScene& scene) const;

protected:
    std::unique_ptr<RMotionTextFile> NewFormatFile() const override { return std::make_unique<RAmcFile>(false); }

private:
    // New options holding the frames of the file's header scan, with the options' progress
    // hook, and their rate unless the file names one; null when the scan refuses the file.
    RStreamOptionsPtr ScanFrames(const RStreamOptionsMotion& options);
    RAmcFile& File() const { return static_cast<RAmcFile&>(*GetFormatFile()); }
};

#endif
