#ifndef WYX_FORMATS_3DS_TOOLKIT_FTKMOTION_H
#define WYX_FORMATS_3DS_TOOLKIT_FTKMOTION_H

// The motion groups of the 3DS toolkit: the animation of cameras, spot lights, omni lights
// and objects as flat records, read from and written to keyframer nodes (FtkKeyframer.h).
//
// Node tags: object 0xB002, camera 0xB003 with its target 0xB004, omni light 0xB005, spot
// light 0xB007 with its target 0xB006. A get by index reads the index-th node of its tag in
// node order (and, for cameras and spots, the target node of the same name); a put adds the
// node(s) of the record, never replacing an existing node of the same name.
// Each init resets every name, flag and track of the record (a track not asked for is left
// empty, so a record used again holds nothing of the node it held before) and sizes the
// tracks asked for with their default values.

#include "formats/3ds/toolkit/FtkKeyframer.h"

#include <cstdint>
#include <memory>

struct FtkDatabase;

struct FtkCameraMotion {
    char name[11] = {};
    char parent[22] = {};
    std::uint16_t flags1 = 0;
    std::uint16_t flags2 = 0;
    FtkTrackGroup<FtkPoint> position;
    FtkTrackGroup<float> fov;  // default values 60
    FtkTrackGroup<float> roll;
    char targetParent[22] = {};
    FtkTrackGroup<FtkPoint> targetPosition;
    std::uint16_t targetFlags1 = 0;
    std::uint16_t targetFlags2 = 0;
};

struct FtkSpotMotion {
    char name[11] = {};
    char parent[22] = {};
    std::uint16_t flags1 = 0;
    std::uint16_t flags2 = 0;
    FtkTrackGroup<FtkPoint> position;
    FtkTrackGroup<FtkColor> color;
    FtkTrackGroup<float> hotspot;  // default values 90
    FtkTrackGroup<float> falloff;  // default values 90
    FtkTrackGroup<float> roll;
    char targetParent[22] = {};
    FtkTrackGroup<FtkPoint> targetPosition;
    std::uint16_t targetFlags1 = 0;
    std::uint16_t targetFlags2 = 0;
};

struct FtkOmniMotion {
    char name[11] = {};
    char parent[22] = {};
    std::uint16_t flags1 = 0;
    std::uint16_t flags2 = 0;
    FtkTrackGroup<FtkPoint> position;
    FtkTrackGroup<FtkColor> color;  // default values (1, 1, 1)
};

struct FtkObjectMotion {
    char name[11] = {};
    char parent[22] = {};
    std::uint16_t flags1 = 0;
    std::uint16_t flags2 = 0;
    FtkPoint pivot;
    char instance[11] = {};
    FtkPoint boundMin;
    FtkPoint boundMax;
    FtkTrackGroup<FtkPoint> position;
    FtkTrackGroup<FtkRotKey> rotation;  // default values angle 0 about (0, 0, 1)
    FtkTrackGroup<FtkPoint> scale;      // default values (1, 1, 1)
    FtkTrackGroup<FtkMorphName> morph;
    FtkTrackGroup<FtkNoValue> hide;
    float morphSmooth = 24.0f;
};

void FtkInitCameraMotion(std::unique_ptr<FtkCameraMotion>& motion, std::uint32_t positionKeys, std::uint32_t fovKeys,
                         std::uint32_t rollKeys, std::uint32_t targetKeys);
void FtkReleaseCameraMotion(std::unique_ptr<FtkCameraMotion>& motion);
std::uint32_t FtkCameraNodeCount(FtkDatabase* database);
void FtkCameraNodeNames(FtkDatabase* database, std::unique_ptr<FtkStringList>& names);
// False (record untouched) when there is no such node; false with a recorded code when a
// node is damaged.
bool FtkGetCameraMotionByIndex(FtkDatabase* database, std::uint32_t index, std::unique_ptr<FtkCameraMotion>& motion);
// Mesh files only (ERR_INVALID_DATA otherwise).
void FtkPutCameraMotion(FtkDatabase* database, const FtkCameraMotion* motion);

void FtkInitSpotMotion(std::unique_ptr<FtkSpotMotion>& motion, std::uint32_t positionKeys, std::uint32_t colorKeys,
                       std::uint32_t hotspotKeys, std::uint32_t falloffKeys, std::uint32_t rollKeys,
                       std::uint32_t targetKeys);
void FtkReleaseSpotMotion(std::unique_ptr<FtkSpotMotion>& motion);
void FtkSpotNodeNames(FtkDatabase* database, std::unique_ptr<FtkStringList>& names);
bool FtkGetSpotMotionByIndex(FtkDatabase* database, std::uint32_t index, std::unique_ptr<FtkSpotMotion>& motion);
void FtkPutSpotMotion(FtkDatabase* database, const FtkSpotMotion* motion);

void FtkInitOmniMotion(std::unique_ptr<FtkOmniMotion>& motion, std::uint32_t positionKeys, std::uint32_t colorKeys);
void FtkReleaseOmniMotion(std::unique_ptr<FtkOmniMotion>& motion);
std::uint32_t FtkOmniNodeCount(FtkDatabase* database);
void FtkOmniNodeNames(FtkDatabase* database, std::unique_ptr<FtkStringList>& names);
bool FtkGetOmniMotionByIndex(FtkDatabase* database, std::uint32_t index, std::unique_ptr<FtkOmniMotion>& motion);
void FtkPutOmniMotion(FtkDatabase* database, const FtkOmniMotion* motion);

void FtkInitObjectMotion(std::unique_ptr<FtkObjectMotion>& motion, std::uint32_t positionKeys,
                         std::uint32_t rotationKeys, std::uint32_t scaleKeys, std::uint32_t morphKeys,
                         std::uint32_t hideKeys);
void FtkReleaseObjectMotion(std::unique_ptr<FtkObjectMotion>& motion);
std::uint32_t FtkObjectNodeCount(FtkDatabase* database);
bool FtkGetObjectMotionByIndex(FtkDatabase* database, std::uint32_t index, std::unique_ptr<FtkObjectMotion>& motion);
// The bounding box is written only for the name "$$$DUMMY", the morph smoothing angle only
// with bit 0 of flags 2.
void FtkPutObjectMotion(FtkDatabase* database, const FtkObjectMotion* motion);

#endif
