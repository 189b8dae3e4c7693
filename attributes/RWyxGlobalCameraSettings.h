#ifndef WYX_ATTRIBUTES_RWYXGLOBALCAMERASETTINGS_H
#define WYX_ATTRIBUTES_RWYXGLOBALCAMERASETTINGS_H

// The camera settings of a scene: the seven standard ("producer") cameras, from "Producer
// Perspective" to "Producer Left", the name of the default camera and the default viewing
// mode. The scene owns the settings; the settings own the seven camera attributes, made
// through the factory and destroyed through it before the factory's own teardown reaches its
// attribute list.
//
// The producer cameras are attached to no node: each keeps its own position (RWyxCamera).
//
// Failures: SetDefaultCamera sets "Null parameter." (code 0) or "Unknown camera name."
// (code 1) and answers false, the default camera unchanged.

#include "core/RError.h"
#include "core/RString.h"

class RWyxCamera;
class RWyxObjectFactory;
class RWyxScene;

class RWyxGlobalCameraSettings {
public:
    static constexpr int kErrorNullParameter = 0;
    static constexpr int kErrorUnknownCameraName = 1;

    // The seven cameras in their order.
    enum ProducerCamera { kPerspective, kTop, kBottom, kFront, kBack, kRight, kLeft, kProducerCameraCount };

    // Makes the seven cameras through the factory, then Reset. `scene` is the scene whose
    // nodes SetDefaultCamera accepts (not owned).
    RWyxGlobalCameraSettings(RWyxObjectFactory* factory, RWyxScene* scene);
    // Destroys the seven cameras through the factory.
    ~RWyxGlobalCameraSettings();
    RWyxGlobalCameraSettings(const RWyxGlobalCameraSettings&) = delete;
    RWyxGlobalCameraSettings& operator=(const RWyxGlobalCameraSettings&) = delete;

    // Default camera "Producer Perspective", viewing mode 0, and each camera reset to the
    // camera defaults and given its standard lens, planes, position and up vector.
    void Reset();

    // Accepts a producer camera's name, "Camera Switcher", or the name of a node below the
    // scene's root ("Model::" + name, current names).
    bool SetDefaultCamera(const char* name);
    const RString& GetDefaultCamera() const { return defaultCamera_; }
    void SetDefaultViewingMode(int mode) { viewingMode_ = mode; }
    int GetDefaultViewingMode() const { return viewingMode_; }

    // Null only when the factory could not make it.
    RWyxCamera* GetProducerCamera(ProducerCamera which) const;
    RWyxCamera* GetProducerPerspective() const { return GetProducerCamera(kPerspective); }
    RWyxCamera* GetProducerTop() const { return GetProducerCamera(kTop); }
    RWyxCamera* GetProducerBottom() const { return GetProducerCamera(kBottom); }
    RWyxCamera* GetProducerFront() const { return GetProducerCamera(kFront); }
    RWyxCamera* GetProducerBack() const { return GetProducerCamera(kBack); }
    RWyxCamera* GetProducerRight() const { return GetProducerCamera(kRight); }
    RWyxCamera* GetProducerLeft() const { return GetProducerCamera(kLeft); }
    // "Producer Perspective" ... "Producer Left"; null outside the seven.
    static const char* GetProducerCameraName(int which);

    RError& GetError() { return error_; }
    const RError& GetError() const { return error_; }

private:
    RWyxObjectFactory* factory_;
    RWyxScene* scene_;
    RString defaultCamera_;
    int viewingMode_ = 0;
    RWyxCamera* cameras_[kProducerCameraCount] = {};
    RError error_;
};

#endif
