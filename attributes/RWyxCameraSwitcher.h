#ifndef WYX_ATTRIBUTES_RWYXCAMERASWITCHER_H
#define WYX_ATTRIBUTES_RWYXCAMERASWITCHER_H

// The attribute of a scene's "Camera Switcher" node, which says which camera is active when:
// its animated channel "Camera Index" lives in the take nodes of its node, and the channel's
// default value in the default take node is the scene's camera index. It also keeps the
// list of camera names a reader found. Made and deleted by the scene itself, not by the
// factory.
//
// Without an owner node, or when the owner's default take node lacks the channel, the index
// reads 0 and cannot be set (SetCameraIndex answers false).

#include "core/RString.h"
#include "scene/RWyxNodeAttribute.h"

#include <vector>

class RFCurve;

class RWyxCameraSwitcher : public RWyxNodeAttribute {
public:
    static constexpr const char* kChannelName = "Camera Index";

    explicit RWyxCameraSwitcher(RWyxObjectFactory* factory) : RWyxNodeAttribute(factory) {}

    int GetAttributeType() const override { return kCameraSwitcher; }
    RString GetTypeName() const override { return RString("CameraSwitcher"); }
    // Empty.
    std::unique_ptr<RWyxStringList> GetTypeNameList() const override { return std::make_unique<RWyxStringList>(); }
    // "Camera Index" with a curve whose default is 1, unless the take node has it.
    void AddChannels(RWyxTakeNode& takeNode) override;
    void RemoveChannels(RWyxTakeNode& takeNode) override;

    // The channel's default in the owner's default take node, truncated toward zero.
    int GetCameraIndex() const;
    // False, nothing changed, without the channel.
    bool SetCameraIndex(int index);

    // Appends a copy; answers its index.
    int AddCameraName(const char* name);
    int GetCameraNameCount() const { return static_cast<int>(cameraNames_.size()); }
    // Null outside 0 to count - 1.
    const char* GetCameraName(int index) const;

private:
    RFCurve* DefaultCameraIndexCurve() const;

    std::vector<RString> cameraNames_;
};

#endif
