#ifndef WYX_FORMATS_3DS_TOOLKIT_FTKCAMERALIGHT_H
#define WYX_FORMATS_3DS_TOOLKIT_FTKCAMERALIGHT_H

// Cameras and lights of a 3DS database: named objects (0x4000) whose kind chunk is a camera
// 0x4700 or a light 0x4600.
//
// Camera 0x4700: position, target (3 floats each), roll, lens (floats); the field of view is
// 2400 / lens. Children: 0x4710 show cone, 0x4720 near and far range (2 floats). A lens or a
// field of view that is not above 0 stands for the default field of view of 45 degrees,
// so neither direction divides by zero.
// Light 0x4600: position (3 floats). Children: 0x0010 (floats) or 0x0011 (bytes / 255)
// colour, 0x4620 off, 0x4625 attenuate, 0x4659 inner and 0x465A outer range, 0x465B
// multiplier, 0x4654 an excluded object's name (once per object), 0x4610 the spotlight.
// Spotlight 0x4610: target (3 floats), hotspot, falloff (floats). Children: 0x4656 roll,
// 0x4657 aspect, 0x4658 ray-trace bias (floats), 0x4630 and 0x4640 cast shadows, 0x4627
// ray-traced shadows, 0x4641 local shadow (bias, filter floats, map size 16-bit), 0x4650
// show cone, 0x4651 rectangular cone, 0x4652 overshoot, 0x4653 projector name.

#include "formats/3ds/toolkit/FtkDatabase.h"
#include "formats/3ds/toolkit/FtkTypes.h"

#include <cstdint>
#include <memory>
#include <string>

constexpr float kFtkDefaultFov = 45.0f;
// Lens times field of view.
constexpr float kFtkLensFovProduct = 2400.0f;

struct FtkCamera {
    char name[11] = {};
    FtkPoint position;
    FtkPoint target{1.0f, 1.0f, 1.0f};
    float roll = 0.0f;
    float fov = kFtkDefaultFov;
    std::uint8_t showCone = 0;
    float nearRange = 10.0f;
    float farRange = 1000.0f;
};

struct FtkSpotlight {
    FtkPoint target{1.0f, 1.0f, 1.0f};
    float hotspot = 44.0f;
    float falloff = 45.0f;
    float roll = 0.0f;
    float aspect = 1.0f;
    std::uint8_t castShadows = 0;
    std::int32_t shadowType = 0;  // 0 shadow map, 1 ray-traced
    std::uint8_t localShadow = 0;
    float bias = 1.0f;
    float filter = 3.0f;
    std::uint16_t mapSize = 512;
    float rayBias = 1.0f;
    std::int32_t coneType = 0;  // 0 circular, 1 rectangular
    std::uint8_t showCone = 0;
    std::uint8_t overshoot = 0;
    std::uint8_t useProjector = 0;
    std::string projectorName;
};

struct FtkLight {
    char name[11] = {};
    FtkPoint position;
    FtkColor color;  // 0.708852 each (set by FtkInitLight)
    float multiplier = 1.0f;
    std::uint8_t off = 0;
    std::uint8_t attenuate = 0;
    float innerRange = 10.0f;
    float outerRange = 100.0f;
    std::unique_ptr<FtkStringList> exclude;
    std::unique_ptr<FtkSpotlight> spot;  // null for an omni light
};

// Field of view from lens and back: 2400 / value, or the default field of view's lens
// when the value is not above 0.
float FtkLensToFov(float lens);
float FtkFovToLens(float fov);

void FtkInitCamera(std::unique_ptr<FtkCamera>& camera);
void FtkReleaseCamera(std::unique_ptr<FtkCamera>& camera);
std::uint32_t FtkCameraCount(FtkDatabase* database);
// False (record untouched) when there is no such camera or on a recorded error.
bool FtkGetCameraByIndex(FtkDatabase* database, std::uint32_t index, std::unique_ptr<FtkCamera>& camera);
// Mesh files only.
void FtkPutCamera(FtkDatabase* database, const FtkCamera* camera);

// Defaults and an empty exclude list; the spotlight is left as it is.
void FtkInitLight(std::unique_ptr<FtkLight>& light);
// FtkInitLight and a new spotlight with its defaults.
void FtkInitSpotlight(std::unique_ptr<FtkLight>& light);
void FtkReleaseLight(std::unique_ptr<FtkLight>& light);
std::uint32_t FtkOmniLightCount(FtkDatabase* database);
std::uint32_t FtkSpotLightCount(FtkDatabase* database);
bool FtkGetOmniLightByIndex(FtkDatabase* database, std::uint32_t index, std::unique_ptr<FtkLight>& light);
bool FtkGetSpotLightByIndex(FtkDatabase* database, std::uint32_t index, std::unique_ptr<FtkLight>& light);
// A light with a spotlight is written as a spot light.
void FtkPutLight(FtkDatabase* database, const FtkLight* light);

#endif
