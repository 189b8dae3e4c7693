#ifndef WYX_FORMATS_MOTION_RWYXWRITERSKELETON_H
#define WYX_FORMATS_MOTION_RWYXWRITERSKELETON_H

// The one writing front of the skeleton formats (BVH, HTR): the root to write is the writer
// base's export root ("Can not find root node.", error 2, without one); the options must be
// motion options (error 4); no node at or below the root may have a blank or a control
// character (tab, line break, ...) in its name, and the skeleton may be at most
// kMaxSkeletonDepth levels deep; no name the file holds may be one its reader would not take
// back whole (the format's NameFault: "<label> files cannot hold these node names:" with each
// name and why), and no two of them may be read as one name (RefuseSharedNames). Each is told
// through the options' message hook with error 5, names with their control characters
// escaped. A default value the file takes (IsDefaultTaken) that no channel holds as it is (not
// finite, or beyond the floats) is refused as well (CheckDefaults, error 5). Nothing is written
// before these pass.

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
    // Whether the file holds the name of the node at or below the root: not where the node is
    // written without one (an end site).
    virtual bool IsNameWritten(RWyxNode& node, const RWyxNode& root) const = 0;
    // Why the name, as the file would hold it, cannot be read back; empty when it can.
    virtual RString NameFault(const RString& name) const = 0;
    // Whether the file takes the default value of the channel (0..8: translation, rotation,
    // scaling X, Y, Z) of the node at or below the root.
    virtual bool IsDefaultTaken(RWyxNode& node, const RWyxNode& root, int channel) const = 0;

private:
    // Refuses (error 5) a skeleton with a name NameFault finds fault with, or with names that
    // are read as one.
    bool CheckWrittenNames(RWyxNode& root, const RStreamOptionsMotion& options);
};

#endif
