#include "formats/3ds/toolkit/FtkMotion.h"

#include "formats/3ds/toolkit/FtkDatabase.h"
#include "formats/3ds/toolkit/FtkErrors.h"
#include "formats/3ds/toolkit/FtkRecord.h"

#include <cstring>
#include <new>
#include <string>
#include <type_traits>

namespace {

constexpr std::uint32_t kObjectNode = 0xB002;
constexpr std::uint32_t kCameraNode = 0xB003;
constexpr std::uint32_t kCameraTargetNode = 0xB004;
constexpr std::uint32_t kOmniNode = 0xB005;
constexpr std::uint32_t kSpotTargetNode = 0xB006;
constexpr std::uint32_t kSpotNode = 0xB007;

// count zeroed key headers and count values equal to `fresh`; nothing for a count of 0.
template <typename Value>
void SizeTrack(FtkTrackGroup<Value>& track, std::uint32_t count, const Value& fresh) {
    if (count == 0) {
        return;
    }
    try {
        track.keys.assign(count, FtkKeyHeader());
        if constexpr (!std::is_same<Value, FtkNoValue>::value) {
            track.values.assign(count, fresh);
        }
        track.keyCount = count;
    } catch (const std::bad_alloc&) {
        track = FtkTrackGroup<Value>();
        FtkSetError(ERR_NO_MEM);
    }
}

template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N - 1));
}

// The header of a node into name and flags, and the node's parent name.
template <std::size_t NameSize, std::size_t ParentSize>
bool ReadNodeHeader(FtkChunk* node, char (&name)[NameSize], char (&parent)[ParentSize], std::uint16_t& flags1,
                    std::uint16_t& flags2) {
    FtkNodeHeader header;
    if (!FtkGetNodeHeader(FtkFindChunk(node, 0xB010), header)) {
        FtkSetError(ERR_INVALID_CHUNK);
        return false;
    }
    FtkCopyName(name, header.name.c_str());
    FtkCopyName(parent, FtkGetParentName(node).c_str());
    flags1 = header.flags1;
    flags2 = header.flags2;
    return true;
}

// The track of the id found in the node, when it has one.
template <typename Value>
bool ReadTrack(FtkChunk* node, std::uint32_t id, FtkTrackGroup<Value>& track) {
    FtkChunk* chunk = FtkFindChunk(node, id);
    if (chunk == nullptr) {
        return true;
    }
    const bool read = FtkGetTrack(chunk, track);
    FtkReleaseChunkDataIfReloadable(chunk);
    return read;
}

// A target node's header and position track.
template <typename Motion>
bool ReadTarget(FtkDatabase* database, std::uint32_t tag, Motion& motion) {
    FtkChunk* target = FtkFindNodeChunk(database, FieldText(motion.name).c_str(), tag);
    if (target == nullptr) {
        return true;
    }
    char unusedName[11];
    return ReadNodeHeader(target, unusedName, motion.targetParent, motion.targetFlags1, motion.targetFlags2) &&
           ReadTrack(target, 0xB020, motion.targetPosition);
}

// The index-th node of the tag for a get, after the database checks; null when there is none.
FtkChunk* NodeToGet(FtkDatabase* database, std::uint32_t index, std::uint32_t tag) {
    return FtkCheckDatabase(database, false) ? FtkNodeByIndex(database, index, tag) : nullptr;
}

// Adds a node of the tag with its node id and header under the keyframer.
template <typename Motion>
FtkChunk* AddNode(FtkDatabase* database, std::uint32_t tag, const Motion& motion) {
    FtkChunk* node = FtkAddChunk(tag, FtkFindOrAddKeyframerData(database));
    if (node != nullptr) {
        FtkAddNodeId(node);
        FtkAddNodeHeader(FieldText(motion.name).c_str(), motion.flags1, motion.flags2,
                         FieldText(motion.parent).c_str(), node);
    }
    return node;
}

bool CheckPut(FtkDatabase* database, const void* motion) {
    if (motion == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return false;
    }
    return FtkCheckDatabase(database, false);
}

// The camera and spot puts: the target node first, when its track is given.
template <typename Motion>
void AddTargetFirst(FtkDatabase* database, const Motion& motion, bool cameraTarget) {
    if (FtkTrackIsGiven(motion.targetPosition)) {
        FtkAddTargetNode(FieldText(motion.targetParent).c_str(), motion.targetPosition, FieldText(motion.name).c_str(),
                         motion.targetFlags1, motion.targetFlags2, cameraTarget,
                         FtkFindOrAddKeyframerData(database));
    }
}

void AddPoint(FtkChunk* node, std::uint32_t id, const FtkPoint& point) {
    FtkByteWriter writer;
    writer.Point(point);
    FtkSetChunkData(FtkAddChunk(id, node), writer.Take());
}

}  // namespace

// ---- cameras ------------------------------------------------------------------------------------

void FtkInitCameraMotion(std::unique_ptr<FtkCameraMotion>& motion, std::uint32_t positionKeys, std::uint32_t fovKeys,
                         std::uint32_t rollKeys, std::uint32_t targetKeys) {
    if (!FtkResetRecord(motion)) {
        return;
    }
    SizeTrack(motion->position, positionKeys, FtkPoint());
    SizeTrack(motion->fov, fovKeys, 60.0f);
    SizeTrack(motion->roll, rollKeys, 0.0f);
    SizeTrack(motion->targetPosition, targetKeys, FtkPoint());
}

void FtkReleaseCameraMotion(std::unique_ptr<FtkCameraMotion>& motion) { motion.reset(); }

std::uint32_t FtkCameraNodeCount(FtkDatabase* database) { return FtkNodeCount(database, kCameraNode); }

void FtkCameraNodeNames(FtkDatabase* database, std::unique_ptr<FtkStringList>& names) {
    FtkNodeNames(database, kCameraNode, names);
}

bool FtkGetCameraMotionByIndex(FtkDatabase* database, std::uint32_t index, std::unique_ptr<FtkCameraMotion>& motion) {
    FtkChunk* node = NodeToGet(database, index, kCameraNode);
    if (node == nullptr) {
        return false;
    }
    FtkInitCameraMotion(motion, 0, 0, 0, 0);
    return motion != nullptr && ReadNodeHeader(node, motion->name, motion->parent, motion->flags1, motion->flags2) &&
           ReadTrack(node, 0xB020, motion->position) && ReadTrack(node, 0xB023, motion->fov) &&
           ReadTrack(node, 0xB024, motion->roll) && ReadTarget(database, kCameraTargetNode, *motion);
}

void FtkPutCameraMotion(FtkDatabase* database, const FtkCameraMotion* motion) {
    if (database == nullptr || motion == nullptr) {
        FtkSetError(ERR_INVALID_ARG);
        return;
    }
    if (FtkGetDatabaseKind(database) != kFtkMeshFile) {
        FtkSetError(ERR_INVALID_DATA);
        return;
    }
    AddTargetFirst(database, *motion, true);
    FtkChunk* node = AddNode(database, kCameraNode, *motion);
    FtkAddPositionTrack(motion->position, node);
    FtkAddTrack(0xB023, motion->fov, node);
    FtkAddRollTrack(motion->roll, node);
    FtkMarkNodeListDirty(database);
}

// ---- spot lights --------------------------------------------------------------------------------

void FtkInitSpotMotion(std::unique_ptr<FtkSpotMotion>& motion, std::uint32_t positionKeys, std::uint32_t colorKeys,
                       std::uint32_t hotspotKeys, std::uint32_t falloffKeys, std::uint32_t rollKeys,
                       std::uint32_t targetKeys) {
    if (!FtkResetRecord(motion)) {
        return;
    }
    SizeTrack(motion->position, positionKeys, FtkPoint());
    SizeTrack(motion->color, colorKeys, FtkColor());
    SizeTrack(motion->hotspot, hotspotKeys, 90.0f);
    SizeTrack(motion->falloff, falloffKeys, 90.0f);
    SizeTrack(motion->roll, rollKeys, 0.0f);
    SizeTrack(motion->targetPosition, targetKeys, FtkPoint());
}

void FtkReleaseSpotMotion(std::unique_ptr<FtkSpotMotion>& motion) { motion.reset(); }

void FtkSpotNodeNames(FtkDatabase* database, std::unique_ptr<FtkStringList>& names) {
    FtkNodeNames(database, kSpotNode, names);
}

bool FtkGetSpotMotionByIndex(FtkDatabase* database, std::uint32_t index, std::unique_ptr<FtkSpotMotion>& motion) {
    FtkChunk* node = NodeToGet(database, index, kSpotNode);
    if (node == nullptr) {
        return false;
    }
    FtkInitSpotMotion(motion, 0, 0, 0, 0, 0, 0);
    return motion != nullptr && ReadNodeHeader(node, motion->name, motion->parent, motion->flags1, motion->flags2) &&
           ReadTrack(node, 0xB020, motion->position) && ReadTrack(node, 0xB025, motion->color) &&
           ReadTrack(node, 0xB027, motion->hotspot) && ReadTrack(node, 0xB028, motion->falloff) &&
           ReadTrack(node, 0xB024, motion->roll) && ReadTarget(database, kSpotTargetNode, *motion);
}

void FtkPutSpotMotion(FtkDatabase* database, const FtkSpotMotion* motion) {
    if (!CheckPut(database, motion)) {
        return;
    }
    AddTargetFirst(database, *motion, false);
    FtkChunk* node = AddNode(database, kSpotNode, *motion);
    FtkAddPositionTrack(motion->position, node);
    FtkAddColorTrack(motion->color, node);
    FtkAddTrack(0xB027, motion->hotspot, node);
    FtkAddTrack(0xB028, motion->falloff, node);
    FtkAddRollTrack(motion->roll, node);
    FtkMarkNodeListDirty(database);
}

// ---- omni lights --------------------------------------------------------------------------------

void FtkInitOmniMotion(std::unique_ptr<FtkOmniMotion>& motion, std::uint32_t positionKeys, std::uint32_t colorKeys) {
    if (!FtkResetRecord(motion)) {
        return;
    }
    SizeTrack(motion->position, positionKeys, FtkPoint());
    SizeTrack(motion->color, colorKeys, FtkColor{1.0f, 1.0f, 1.0f});
}

void FtkReleaseOmniMotion(std::unique_ptr<FtkOmniMotion>& motion) { motion.reset(); }

std::uint32_t FtkOmniNodeCount(FtkDatabase* database) { return FtkNodeCount(database, kOmniNode); }

void FtkOmniNodeNames(FtkDatabase* database, std::unique_ptr<FtkStringList>& names) {
    FtkNodeNames(database, kOmniNode, names);
}

bool FtkGetOmniMotionByIndex(FtkDatabase* database, std::uint32_t index, std::unique_ptr<FtkOmniMotion>& motion) {
    FtkChunk* node = NodeToGet(database, index, kOmniNode);
    if (node == nullptr) {
        return false;
    }
    FtkInitOmniMotion(motion, 0, 0);
    return motion != nullptr && ReadNodeHeader(node, motion->name, motion->parent, motion->flags1, motion->flags2) &&
           ReadTrack(node, 0xB020, motion->position) && ReadTrack(node, 0xB025, motion->color);
}

void FtkPutOmniMotion(FtkDatabase* database, const FtkOmniMotion* motion) {
    if (!CheckPut(database, motion)) {
        return;
    }
    FtkChunk* node = AddNode(database, kOmniNode, *motion);
    FtkAddPositionTrack(motion->position, node);
    FtkAddColorTrack(motion->color, node);
    FtkMarkNodeListDirty(database);
}

// ---- objects ------------------------------------------------------------------------------------

void FtkInitObjectMotion(std::unique_ptr<FtkObjectMotion>& motion, std::uint32_t positionKeys,
                         std::uint32_t rotationKeys, std::uint32_t scaleKeys, std::uint32_t morphKeys,
                         std::uint32_t hideKeys) {
    if (!FtkResetRecord(motion)) {
        return;
    }
    SizeTrack(motion->position, positionKeys, FtkPoint());
    SizeTrack(motion->rotation, rotationKeys, FtkRotKey{0.0f, 0.0f, 0.0f, 1.0f});
    SizeTrack(motion->scale, scaleKeys, FtkPoint{1.0f, 1.0f, 1.0f});
    SizeTrack(motion->morph, morphKeys, FtkMorphName());
    SizeTrack(motion->hide, hideKeys, FtkNoValue());
}

void FtkReleaseObjectMotion(std::unique_ptr<FtkObjectMotion>& motion) { motion.reset(); }

std::uint32_t FtkObjectNodeCount(FtkDatabase* database) { return FtkNodeCount(database, kObjectNode); }

bool FtkGetObjectMotionByIndex(FtkDatabase* database, std::uint32_t index, std::unique_ptr<FtkObjectMotion>& motion) {
    FtkChunk* node = NodeToGet(database, index, kObjectNode);
    if (node == nullptr) {
        return false;
    }
    FtkInitObjectMotion(motion, 0, 0, 0, 0, 0);
    if (motion == nullptr || !ReadNodeHeader(node, motion->name, motion->parent, motion->flags1, motion->flags2)) {
        return false;
    }
    if (FtkChunk* instance = FtkFindChunk(node, 0xB011)) {
        FtkCopyName(motion->instance, FtkChunkString(instance).c_str());
    }
    if (FtkChunk* pivot = FtkFindChunk(node, 0xB013)) {
        FtkByteReader reader = FtkChunkReader(pivot);
        const FtkPoint point = reader.Point();
        motion->pivot = reader.Ok() ? point : motion->pivot;
    }
    if (FtkChunk* bounds = FtkFindChunk(node, 0xB014)) {
        FtkByteReader reader = FtkChunkReader(bounds);
        const FtkPoint low = reader.Point();
        const FtkPoint high = reader.Point();
        if (reader.Ok()) {
            motion->boundMin = low;
            motion->boundMax = high;
        }
    }
    if (FtkChunk* smoothing = FtkFindChunk(node, 0xB015)) {
        FtkByteReader reader = FtkChunkReader(smoothing);
        const float angle = reader.Float();
        motion->morphSmooth = reader.Ok() ? angle : motion->morphSmooth;
    }
    return ReadTrack(node, 0xB020, motion->position) && ReadTrack(node, 0xB021, motion->rotation) &&
           ReadTrack(node, 0xB022, motion->scale) && ReadTrack(node, 0xB026, motion->morph) &&
           ReadTrack(node, 0xB029, motion->hide);
}

void FtkPutObjectMotion(FtkDatabase* database, const FtkObjectMotion* motion) {
    if (!CheckPut(database, motion)) {
        return;
    }
    FtkChunk* node = AddNode(database, kObjectNode, *motion);
    if (node == nullptr) {
        return;
    }
    if (motion->instance[0] != '\0') {
        FtkSetChunkString(FtkAddChunk(0xB011, node), FieldText(motion->instance));
    }
    if (FieldText(motion->name) == "$$$DUMMY") {
        FtkByteWriter writer;
        writer.Point(motion->boundMin);
        writer.Point(motion->boundMax);
        FtkSetChunkData(FtkAddChunk(0xB014, node), writer.Take());
    }
    if ((motion->flags2 & 1u) != 0) {
        FtkByteWriter writer;
        writer.Float(motion->morphSmooth);
        FtkSetChunkData(FtkAddChunk(0xB015, node), writer.Take());
    }
    AddPoint(node, 0xB013, motion->pivot);
    FtkAddPositionTrack(motion->position, node);
    FtkAddTrack(0xB021, motion->rotation, node);
    FtkAddTrack(0xB022, motion->scale, node);
    FtkAddTrack(0xB026, motion->morph, node);
    FtkAddTrack(0xB029, motion->hide, node);
    FtkMarkNodeListDirty(database);
}
