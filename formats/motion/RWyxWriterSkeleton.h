#ifndef WYX_FORMATS_MOTION_RWYXWRITERSKELETON_H
#define WYX_FORMATS_MOTION_RWYXWRITERSKELETON_H

// The one writing front of the skeleton formats (BVH, HTR): the root to write is the writer
// base's export root ("Can not find root node.", error 2, without one); the options must be
// motion options (error 4); no node at or below the root may have a blank or a control
// character (tab, line break, ...) in its name, and the skeleton may be at most
// kMaxSkeletonDepth levels deep; no name the file holds may be one its reader would not take
// back whole (the format's NameFault: "<label> files cannot hold these node names:" with each
// name and why). Each is told through the options' message hook with error 5. Nothing is
// written before these pass.

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
    // Why the node's name, as the file would hold it, cannot be read back; empty when it can or
    // when the file does not hold it (an end site).
    virtual RString WrittenNameFault(RWyxNode& node, const RWyxNode& root) const = 0;

private:
    // Refuses (error 5) a skeleton with a name WrittenNameFault finds fault with.
    bool CheckWrittenNames(RWyxNode& root, const RStreamOptionsMotion& options);
};

#endif
