#ifndef WYX_FORMATS_MOTION_RWYXWRITERMARKER_H
#define WYX_FORMATS_MOTION_RWYXWRITERMARKER_H

// The export road of the optical-marker formats (C3D, TRC, AOA, MCD): the global positions of
// the marked nodes (without an optical attribute, parents first) below the evaluation root,
// frame by frame, with a gap where a node's occlusion curve is above one half, handed to the
// format's marker file. Names are the nodes' names after their last ':' (NameAfterLastColon,
// which makes "actorA:ArmL" and "actorB:ArmL" one); nodes whose names a read of the file would
// make one (that cut, then RMarkerFile::NameAsRead: TRC's "a b" and "a_b") are refused before
// anything is written (RefuseSharedNames).
//
// What the format cannot hold is refused with its reason (error 5, also through the options'
// message hook) and the file is left as it was; text or bytes that could not be written fail
// the write with the system's reason (RWyxWriterMotion::FailTargetWrite: error 3 for a full
// disk or quota, else 5).

#include "core/RString.h"
#include "formats/motion/RMarkerFile.h"
#include "formats/motion/RWyxWriterMotion.h"

#include <memory>

class RWyxWriterMarker : public RWyxWriterMotion {
public:
    // The label ("TRC", "C3D", ...) names the format in refusals.
    RWyxWriterMarker(RWyxObjectFactory* factory, RWyxIO* owner, const char* displayName, const char* label);
    ~RWyxWriterMarker() override;

    // New motion options with the format's defaults.
    RStreamOptionsPtr GetWriteOptions() override;
    const RString& GetDisplayName() const { return displayName_; }

protected:
    bool WriteToTarget(RWyxScene* scene, RStreamOptions* options) override;
    virtual std::unique_ptr<RMarkerFile> CreateMarkerFile() const = 0;
    virtual void SetDefaultOptions(RStreamOptionsMotion& options) const = 0;

    bool CreateTarget(const char* path) override;
    bool CloseTarget() override;
    void AbandonTarget() override;
    bool HasTarget() const override { return file_ != nullptr; }

private:
    bool WriteFrames(RWyxNode* root, const std::vector<RWyxNode*>& nodes, const RStreamOptionsMotion& options);
    // The file's reason as error 5 through the message hook, or the system's when a write of
    // the file failed (FailTargetWrite); false.
    bool RefuseFromFile(const RStreamOptionsMotion& options);

    std::unique_ptr<RMarkerFile> file_;
    RString displayName_;
    const char* label_;
};

#endif
