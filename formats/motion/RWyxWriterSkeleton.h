#ifndef WYX_FORMATS_MOTION_RWYXWRITERSKELETON_H
#define WYX_FORMATS_MOTION_RWYXWRITERSKELETON_H

// The one writing front of the skeleton formats (BVH, HTR): the root to write is the writer
// base's export root ("Can not find root node.", error 2, without one); the options must be
// motion options (error 4); no node at or below the root may have a blank or a control
// character (tab, line break, ...) in its name, and the skeleton may be at most
// kMaxSkeletonDepth levels deep (each listed through the options' message hook, error 5).
// Nothing is written before these pass.

#include "formats/motion/RWyxWriterMotion.h"

class RWyxNode;
class RWyxScene;

class RWyxWriterSkeleton : public RWyxWriterMotion {
public:
    explicit RWyxWriterSkeleton(RWyxObjectFactory* factory, RWyxIO* owner = nullptr)
        : RWyxWriterMotion(factory, owner) {}

protected:
    bool WriteToTarget(RWyxScene* scene, RStreamOptions* options) override;
    // "BVH" or "HTR".
    virtual const char* GetFormatLabel() const = 0;
    virtual bool WriteSkeleton(RWyxScene& scene, RWyxNode& root, RStreamOptionsMotion& options) = 0;
};

#endif
