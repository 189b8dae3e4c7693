#ifndef WYX_FORMATS_MOTION_RWYXREADERHTR_H
#define WYX_FORMATS_MOTION_RWYXREADERHTR_H

// The HTR reader (importer format id 4): the skeleton reading road over an HTR file object,
// ending with the rest pose of the segments' base positions.

#include "formats/motion/RHtrFile.h"
#include "formats/motion/RWyxReaderSkeleton.h"

class RWyxReaderHtr : public RWyxReaderSkeleton {
public:
    explicit RWyxReaderHtr(RWyxObjectFactory* factory) : RWyxReaderSkeleton(factory) {}

protected:
    std::unique_ptr<RMotionTextFile> NewFormatFile() const override { return std::make_unique<RHtrFile>(false); }
    const char* GetFormatLabel() const override { return "HTR"; }
    bool ReadFileOptions(RStreamOptionsMotion& options) override { return File().ReadOptions(options); }
    bool ReadFileHierarchy() override { return File().ReadHierarchy(); }
    bool BuildFileNodes(RWyxNode* referenceNode, const char* takeName) override {
        return File().BuildNodes(*GetFactory(), referenceNode, takeName);
    }
    bool ReadFileMotion(RStreamOptionsMotion& options) override { return File().ReadMotion(options); }
    void FinishRead(RWyxScene& scene, RWyxNode* parent) override { File().AddRestPose(*GetFactory(), scene, parent); }

private:
    RHtrFile& File() const { return static_cast<RHtrFile&>(*GetFormatFile()); }
};

#endif
