#ifndef WYX_FORMATS_MOTION_RWYXREADERBVH_H
#define WYX_FORMATS_MOTION_RWYXREADERBVH_H

// The BVH reader (importer format id 3): the skeleton reading road over a BVH file object.

#include "formats/motion/RBvhFile.h"
#include "formats/motion/RWyxReaderSkeleton.h"

class RWyxReaderBvh : public RWyxReaderSkeleton {
public:
    explicit RWyxReaderBvh(RWyxObjectFactory* factory) : RWyxReaderSkeleton(factory) {}

protected:
    std::unique_ptr<RMotionTextFile> NewFormatFile() const override { return std::make_unique<RBvhFile>(false); }
    const char* GetFormatLabel() const override { return "BVH"; }
    bool ReadFileOptions(RStreamOptionsMotion& options) override { return File().ReadOptions(options); }
    bool ReadFileHierarchy() override { return File().ReadHierarchy(); }
    bool BuildFileNodes(RWyxNode* referenceNode, const char* takeName) override {
        return File().BuildNodes(*GetFactory(), referenceNode, takeName);
    }
    bool ReadFileMotion(RStreamOptionsMotion& options) override { return File().ReadMotion(options); }

private:
    RBvhFile& File() const { return static_cast<RBvhFile&>(*GetFormatFile()); }
};

#endif
