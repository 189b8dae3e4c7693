#include "formats/3ds/RWyxReader3ds.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxGlobalCameraSettings.h"
#include "attributes/RWyxGobo.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMarker.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxTexture.h"
#include "core/EulerAngles.h"
#include "core/RMatrix.h"
#include "core/RWyxColor.h"
#include "formats/3ds/RStreamOptions3ds.h"
#include "formats/3ds/Reader3dsKeys.h"
#include "formats/3ds/Reader3dsMesh.h"
#include "formats/3ds/toolkit/FtkErrors.h"
#include "formats/3ds/toolkit/FtkFile.h"
#include "formats/3ds/toolkit/FtkKeyframer.h"
#include "formats/3ds/toolkit/FtkMeshApi.h"
#include "scene/RWyxGlobalLightSettings.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeInfo.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

namespace {

constexpr const char* kTakeName = "default take";
constexpr const char* kReferenceNodeName = "Wyx_Root";
constexpr double kInchInCentimetres = 2.54;
constexpr int kDefaultTakeFrames = 150;
constexpr std::uint32_t kSpotNodeTag = 0xB007;

bool Stop() { return FtkShouldStop(); }

std::string FieldText(const char* field, std::size_t size) { return std::string(field, strnlen(field, size)); }

template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
    return FieldText(field, N);
}

// A texture scale of 0 would divide by zero: it counts as 1.
double UsableScale(float scale) { return scale != 0.0f ? scale : 1.0; }

}  // namespace

struct RWyxReader3ds::MeshEntry {
    std::unique_ptr<FtkMeshObject> record;
    RWyxMesh* attribute = nullptr;
    bool used = false;
    RVector4 shift;  // what the first node's pivot moved the points by
};

struct RWyxReader3ds::LightEntry {
    std::unique_ptr<FtkLight> record;
    RWyxLight* light = nullptr;
    RWyxMarker* target = nullptr;
};

struct RWyxReader3ds::CameraEntry {
    std::unique_ptr<FtkCamera> record;
    RWyxCamera* camera = nullptr;
    RWyxMarker* target = nullptr;
};

// The nodes made, parallel to the motion records, with the light or camera record of each
// (null where the file holds none of its name): tracks without values fall back on it.
struct RWyxReader3ds::Nodes {
    std::vector<RWyxNode*> objects;
    std::vector<RWyxNode*> omnis;
    std::vector<const FtkLight*> omniRecords;
    std::vector<RWyxNode*> spots;
    std::vector<RWyxNode*> spotTargets;
    std::vector<const FtkLight*> spotRecords;
    std::vector<RWyxNode*> cameras;
    std::vector<RWyxNode*> cameraTargets;
    std::vector<const FtkCamera*> cameraRecords;
};

RWyxReader3ds::RWyxReader3ds(RWyxObjectFactory* factory) : RWyxReader(factory) {}

RWyxReader3ds::~RWyxReader3ds() {
    Release();
    FileClose();
}

bool RWyxReader3ds::FileOpen(const char* path) {
    FileClose();
    // A pending error of an earlier file would stop the toolkit at once.
    FtkClearErrors();
    return AttachFile(path != nullptr ? FtkOpenFile(path, "rb") : nullptr);
}

bool RWyxReader3ds::OpenMemory(const void* data, std::size_t size) {
    FileClose();
    FtkClearErrors();
    return AttachFile(FtkOpenMemoryFile(data, size));
}

bool RWyxReader3ds::AttachFile(FtkFile* file) {
    file_ = file;
    if (file_ == nullptr) {
        SetError(kErrorNotOpened, nullptr);
        return false;
    }
    GetError().ClearError();
    return true;
}

bool RWyxReader3ds::FileClose() {
    if (file_ != nullptr && FtkIsRegisteredFile(file_)) FtkCloseFile(file_);
    file_ = nullptr;
    return true;
}

RStreamOptionsPtr RWyxReader3ds::GetReadOptions(bool /*quiet*/) {
    RStreamOptions3ds* options = RStreamOptions3ds::Create();
    if (options != nullptr) options->ResetHooks();
    return RStreamOptionsPtr(options);
}

// ---- read ---------------------------------------------------------------------------------------

bool RWyxReader3ds::Read(RWyxScene* scene, RStreamOptions* options) {
    if (scene == nullptr || scene->GetRootNode() == nullptr) {
        SetError(kErrorUnidentified, "No scene to read into");
        return false;
    }
    if (file_ == nullptr || !FtkIsRegisteredFile(file_)) {
        file_ = nullptr;
        SetError(kErrorNotOpened, nullptr);
        return false;
    }
    ReadOptions(options);
    scale_ = rescale_ ? kInchInCentimetres : 1.0;
    root_ = scene->GetRootNode();
    bool read = LoadRecords() && ReadScene(scene) && !Stop();
    if (!read && !HasError()) SetError(kErrorCorrupted, nullptr);
    if (Stop() && GetLastErrorCode() != kErrorCorrupted) {
        SetError(kErrorCorrupted, nullptr);
        read = false;
    }
    // A file refused for what it holds, not for damage (a name longer than the format
    // allows), says what is wrong.
    if (!read && !FtkErrorDetail().empty()) SetError(kErrorUnidentified, FtkErrorDetail().c_str());
    // The database and the file go whether the read succeeded or not.
    FtkReleaseMeshSettings(meshSettings_);
    FtkReleaseDatabase(database_);
    FileClose();
    return read;
}

void RWyxReader3ds::ReadOptions(RStreamOptions* options) {
    if (options == nullptr || !options->Is(RStreamOptions3ds::ClassId())) {
        SetError(kErrorOptionsNotSet, nullptr);
        return;
    }
    RStreamOptions3ds& flags = *static_cast<RStreamOptions3ds*>(options);
    textureMapping_ = flags.IsOn(RStreamOptions3ds::kTextureMapping);
    materials_ = flags.IsOn(RStreamOptions3ds::kMaterials);
    animation_ = flags.IsOn(RStreamOptions3ds::kAnimation);
    geometries_ = flags.IsOn(RStreamOptions3ds::kGeometries);
    lights_ = flags.IsOn(RStreamOptions3ds::kLights);
    cameras_ = flags.IsOn(RStreamOptions3ds::kCamera);
    reduceKeys_ = flags.IsOn(RStreamOptions3ds::kReduceKeys);
    ambientLight_ = flags.IsOn(RStreamOptions3ds::kAmbientLight);
    smoothGroups_ = flags.IsOn(RStreamOptions3ds::kSmoothGroup);
    referenceNode_ = flags.IsOn(RStreamOptions3ds::kCreateReferenceNode);
    rescale_ = flags.IsOn(RStreamOptions3ds::kRescale);
    flags.SetTakeName(kTakeName);
}

bool RWyxReader3ds::LoadRecords() {
    Release();
    FtkInitDatabase(database_);
    if (Stop() || database_ == nullptr) return false;
    FtkLoadDatabase(file_, database_.get());
    if (Stop()) return false;
    FtkInitMeshSettings(meshSettings_);
    if (Stop() || meshSettings_ == nullptr) return false;
    FtkGetMeshSettings(database_.get(), meshSettings_.get());
    if (Stop()) return false;
    if (meshSettings_->masterScale > 0.0f && std::isfinite(meshSettings_->masterScale)) {
        scale_ *= meshSettings_->masterScale;
    }
    ambient_ = meshSettings_->ambientLight;
    std::unique_ptr<FtkBackground> background;
    FtkInitBackground(background);
    if (background != nullptr) FtkGetBackground(database_.get(), background.get());
    background_ = background != nullptr ? background->solid : FtkColor();
    FtkReleaseBackground(background);
    return !Stop() && LoadEntities() && LoadMotion();
}

namespace {

// Takes every record of a kind out of the database; false at a toolkit error.
template <typename Record, typename Entry, typename Get>
bool TakeAll(std::uint32_t count, std::vector<Entry>& entries, Get get) {
    for (std::uint32_t i = 0; i < count; ++i) {
        std::unique_ptr<Record> record;
        const bool got = get(i, record);
        if (Stop()) return false;
        if (got && record != nullptr) {
            entries.emplace_back();
            entries.back().record = std::move(record);
        }
    }
    return true;
}

template <typename Record, typename Get>
bool TakeMotion(std::uint32_t count, std::vector<std::unique_ptr<Record>>& records, Get get) {
    for (std::uint32_t i = 0; i < count; ++i) {
        std::unique_ptr<Record> record;
        const bool got = get(i, record);
        if (Stop()) return false;
        if (got && record != nullptr) records.push_back(std::move(record));
    }
    return true;
}

// The entries of a kind by name, built once so that each look-up costs the same however many
// entries there are. A name answers its first entry in file order, as a scan from the front
// would (names repeat in 3DS files). The entries must stay as they are while the index is used.
template <typename Entry>
class NameIndex {
public:
    template <typename Entries>
    explicit NameIndex(Entries& entries) : entries_(entries.data()) {
        first_.reserve(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i) first_.emplace(FieldText(entries[i].record->name), i);
    }

    // The first entry of the name, or null.
    Entry* Find(const std::string& name) const {
        const auto found = first_.find(name);
        return found != first_.end() ? &entries_[found->second] : nullptr;
    }

private:
    Entry* entries_;
    std::unordered_map<std::string, std::size_t> first_;  // emplace keeps the first of namesakes
};

template <typename Record>
std::unordered_set<std::string> NamesOf(const std::vector<std::unique_ptr<Record>>& records) {
    std::unordered_set<std::string> named;
    for (const auto& record : records) named.insert(FieldText(record->name));
    return named;
}

// One motion record, named after it, for each entity that no keyframer node names (every
// entity of a file without keyframer data): `init` makes it from the entity's record.
template <typename Record, typename Entry, typename Init>
void EmptyMotion(const std::vector<Entry>& entries, std::vector<std::unique_ptr<Record>>& records, Init init) {
    const std::unordered_set<std::string> named = NamesOf(records);
    for (const Entry& entry : entries) {
        if (named.count(FieldText(entry.record->name)) != 0) continue;
        std::unique_ptr<Record> record;
        init(record, *entry.record);
        if (record == nullptr) continue;
        FtkCopyName(record->name, entry.record->name);
        records.push_back(std::move(record));
    }
}

}  // namespace

bool RWyxReader3ds::LoadEntities() {
    FtkDatabase* db = database_.get();
    if (!TakeAll<FtkMeshObject>(FtkMeshCount(db), meshes_, [db](std::uint32_t i, auto& r) {
            return FtkGetMeshByIndex(db, i, r);
        })) {
        return false;
    }
    if (lights_) {
        if (!TakeAll<FtkLight>(FtkOmniLightCount(db), omniLights_,
                               [db](std::uint32_t i, auto& r) { return FtkGetOmniLightByIndex(db, i, r); }) ||
            !TakeAll<FtkLight>(FtkSpotLightCount(db), spotLights_,
                               [db](std::uint32_t i, auto& r) { return FtkGetSpotLightByIndex(db, i, r); })) {
            return false;
        }
    }
    if (cameras_ && !TakeAll<FtkCamera>(FtkCameraCount(db), cameraEntries_, [db](std::uint32_t i, auto& r) {
            return FtkGetCameraByIndex(db, i, r);
        })) {
        return false;
    }
    const std::uint32_t materials = FtkMaterialCount(db);
    for (std::uint32_t i = 0; i < materials; ++i) {
        std::unique_ptr<FtkMaterial> material;
        const bool got = FtkGetMaterialByIndex(db, i, material);
        if (Stop()) return false;
        if (got && material != nullptr) fileMaterials_.push_back(std::move(material));
    }
    return true;
}

namespace {

// The motion records of a kind: every keyframer node of it, then one record for each entity of
// the kind that has no node, so that no mesh, light or camera of the file is left without one.
template <typename Record, typename Entry, typename Get, typename Init>
bool LoadMotionOf(std::uint32_t nodes, std::vector<std::unique_ptr<Record>>& records,
                  const std::vector<Entry>& entities, Get get, Init init) {
    if (!TakeMotion(nodes, records, get)) return false;
    EmptyMotion(entities, records, init);
    return true;
}

}  // namespace

bool RWyxReader3ds::LoadMotion() {
    FtkDatabase* db = database_.get();
    bool loaded = LoadMotionOf(
        FtkObjectNodeCount(db), objectMotion_, meshes_,
        [db](std::uint32_t i, auto& r) { return FtkGetObjectMotionByIndex(db, i, r); },
        [](auto& r, const FtkMeshObject& mesh) {
            // The node stands where the mesh's frame puts it.
            FtkInitObjectMotion(r, 0, 0, 0, 0, 0);
            if (r != nullptr) FrameKeys3ds(mesh, *r);
        });
    if (loaded && lights_) loaded = LoadLightMotion();
    if (loaded && cameras_) {
        loaded = LoadMotionOf(
            FtkCameraNodeCount(db), cameraMotion_, cameraEntries_,
            [db](std::uint32_t i, auto& r) { return FtkGetCameraMotionByIndex(db, i, r); },
            [](auto& r, const FtkCamera&) { FtkInitCameraMotion(r, 0, 0, 0, 0); });
    }
    return loaded && !Stop();
}

namespace {

// A light node whose name matches no light of its tag's kind but a light of the other kind
// that has no node of its own is that light's node: lib3ds tags a spot light's node as an
// omni light's when the spot has no target node, and any light's node as a spot light's when
// a spot target node shares its name. The node moves to the other kind's records with the
// position and colour tracks both kinds have.
template <typename From, typename To, typename Entry, typename Init>
void TakeOverMisTagged(std::vector<std::unique_ptr<From>>& from, const std::vector<Entry>& fromLights,
                       std::vector<std::unique_ptr<To>>& to, const std::vector<Entry>& toLights, Init init) {
    std::unordered_set<std::string> named = NamesOf(to);
    const NameIndex<const Entry> fromIndex(fromLights);
    const NameIndex<const Entry> toIndex(toLights);
    std::vector<std::unique_ptr<From>> kept;
    for (std::unique_ptr<From>& record : from) {
        const std::string name = FieldText(record->name);
        const bool misTagged =
            fromIndex.Find(name) == nullptr && toIndex.Find(name) != nullptr && named.count(name) == 0;
        std::unique_ptr<To> taken;
        if (misTagged) init(taken);
        if (taken == nullptr) {
            kept.push_back(std::move(record));
            continue;
        }
        named.insert(name);
        FtkCopyName(taken->name, name.c_str());
        FtkCopyName(taken->parent, FieldText(record->parent).c_str());
        taken->position = std::move(record->position);
        taken->color = std::move(record->color);
        to.push_back(std::move(taken));
    }
    from = std::move(kept);
}

}  // namespace

// The omni and spot light nodes, each taken for the light its name matches, then a record for
// each light without a node.
bool RWyxReader3ds::LoadLightMotion() {
    FtkDatabase* db = database_.get();
    auto newOmni = [](std::unique_ptr<FtkOmniMotion>& r) { FtkInitOmniMotion(r, 0, 0); };
    auto newSpot = [](std::unique_ptr<FtkSpotMotion>& r) { FtkInitSpotMotion(r, 0, 0, 0, 0, 0, 0); };
    if (!TakeMotion(FtkOmniNodeCount(db), omniMotion_,
                    [db](std::uint32_t i, auto& r) { return FtkGetOmniMotionByIndex(db, i, r); }) ||
        !TakeMotion(FtkNodeCount(db, kSpotNodeTag), spotMotion_,
                    [db](std::uint32_t i, auto& r) { return FtkGetSpotMotionByIndex(db, i, r); })) {
        return false;
    }
    TakeOverMisTagged(omniMotion_, omniLights_, spotMotion_, spotLights_, newSpot);
    TakeOverMisTagged(spotMotion_, spotLights_, omniMotion_, omniLights_, newOmni);
    EmptyMotion(omniLights_, omniMotion_, [newOmni](auto& r, const FtkLight&) { newOmni(r); });
    EmptyMotion(spotLights_, spotMotion_, [newSpot](auto& r, const FtkLight&) { newSpot(r); });
    return true;
}

void RWyxReader3ds::Release() {
    meshes_.clear();
    fileMaterials_.clear();
    textures_.clear();
    materialIndex_.clear();
    omniLights_.clear();
    spotLights_.clear();
    cameraEntries_.clear();
    objectMotion_.clear();
    omniMotion_.clear();
    spotMotion_.clear();
    cameraMotion_.clear();
    nodes_.reset();
    referenceNodeObject_ = nullptr;
    FtkReleaseMeshSettings(meshSettings_);
    FtkReleaseDatabase(database_);
}

// ---- the scene ----------------------------------------------------------------------------------

bool RWyxReader3ds::ReadScene(RWyxScene* scene) {
    ReadGlobalSettings(*scene);
    if (materials_ && !ReadMaterials()) return false;
    if (!CreateAttributes() || !CreateNodes()) return false;
    if (referenceNode_) {
        referenceNodeObject_ = GetFactory()->CreateNode(kReferenceNodeName);
        if (referenceNodeObject_ == nullptr) return false;
        root_->AddChild(referenceNodeObject_);
        referenceNodeObject_->SetDefaultScaling(RVector4(scale_, scale_, scale_, 0.0));
    }
    BuildHierarchy(*scene);
    if (!Animate()) return false;
    SetTakeSpan(*scene);
    return true;
}

void RWyxReader3ds::ReadGlobalSettings(RWyxScene& scene) {
    const FtkColor ambient = ambientLight_ ? ambient_ : FtkColor();
    scene.GetGlobalLightSettings()->SetAmbientColor(RWyxColor(ambient.r, ambient.g, ambient.b, 1.0));
    RWyxGlobalCameraSettings* cameras = scene.GetGlobalCameraSettings();
    for (int which = 0; cameras != nullptr && which < RWyxGlobalCameraSettings::kProducerCameraCount; ++which) {
        if (RWyxCamera* camera = cameras->GetProducerCamera(static_cast<RWyxGlobalCameraSettings::ProducerCamera>(which))) {
            camera->SetDefaultBackgroundColor(background_.r, background_.g, background_.b);
        }
    }
}

RWyxTexture* RWyxReader3ds::MakeTexture(const char* fileName, const RString& takenName) {
    RWyxObjectFactory* factory = GetFactory();
    const RString name = factory->FindTexture(fileName, 0) != nullptr ? takenName : RString(fileName);
    RWyxTexture* texture = factory->CreateTexture(name.Buffer());
    if (texture == nullptr) {
        MessageText() += RString("Unable to load texture file: ") + fileName + " .\n";
        return nullptr;
    }
    texture->SetFileName(RString(fileName));
    return texture;
}

bool RWyxReader3ds::ReadMaterials() {
    RWyxObjectFactory* factory = GetFactory();
    textures_.assign(fileMaterials_.size(), TexturePair());
    for (std::size_t i = 0; i < fileMaterials_.size(); ++i) {
        const FtkMaterial& record = *fileMaterials_[i];
        const std::string name = FieldText(record.name);
        materialIndex_.emplace(name, i);
        RWyxMaterial* material = factory->CreateMaterial(name.c_str());
        if (material == nullptr) return false;
        const FtkTextureMap& first = record.maps[kFtkTextureMap];
        const FtkTextureMap& second = record.maps[kFtkTexture2Map];
        TexturePair& pair = textures_[i];
        if (textureMapping_ && first.name[0] != '\0') {
            const std::string firstName = FieldText(first.name);
            const std::string index = std::to_string(i);
            pair.first = MakeTexture(firstName.c_str(), RString((firstName + "-" + index).c_str()));
            if (second.name[0] != '\0') {
                const std::string secondName = FieldText(second.name);
                pair.second = MakeTexture(secondName.c_str(), RString((secondName + "-" + index + ".2").c_str()));
            }
        }
        auto color = [](const FtkColor& c, double factor) {
            return RWyxColor(c.r * factor, c.g * factor, c.b * factor, 1.0);
        };
        material->SetAmbientColor(color(record.ambient, 1.0));
        material->SetDiffuseColor(color(record.diffuse, 1.0));
        material->SetSpecularColor(color(record.specular, record.shinStrength * 1.3333333333333333));
        material->SetShininess(std::min(2.0 * record.shininess, 1.0));
        material->SetEmissiveColor(color(record.diffuse, record.selfIllumPct));
        material->SetOpacity(1.0 - record.transparency);
        if (pair.first != nullptr) PlaceTexture(*pair.first, first, true);
        if (pair.second != nullptr) PlaceTexture(*pair.second, second, false);
    }
    return true;
}

void RWyxReader3ds::PlaceTexture(RWyxTexture& texture, const FtkTextureMap& map, bool first) {
    texture.SetDefaultAlpha(map.percent);
    if (first) texture.SetMaterialMode(map.percent >= 1.0f ? 1 : 0);
    texture.SetBlendMode(0);
    const double u = UsableScale(map.uScale);
    const double v = UsableScale(map.vScale);
    if (map.rotation == 0.0f) {
        texture.SetTranslationUV(-u * ((1.0 - 1.0 / u) * 0.5 + map.uOffset), -v * ((1.0 - 1.0 / v) * 0.5 - map.vOffset));
    } else {
        RMatrix turn;
        EulerXYZToMatrix(turn, 0.0, 0.0, -map.rotation);
        const RVector4 point = turn.TransformPoint(RVector4(-u * (map.uOffset + 0.5), -v * (0.5 - map.vOffset), 0.0, 0.0));
        texture.SetTranslationUV(point.x + 0.5, point.y + 0.5);
        texture.SetRotationUVW(0.0, 0.0, -map.rotation);
    }
    texture.SetScalingUV(u, v);
    const int wrap = map.tiling != 1 ? 1 : 0;
    texture.SetWrapMode(wrap, wrap);
}

RWyxReader3ds::MeshContext RWyxReader3ds::MeshSettings() const {
    MeshContext context;
    context.scale = scale_;
    context.referenceNode = referenceNode_;
    context.materials = materials_;
    context.textureMapping = textureMapping_;
    context.smoothGroups = smoothGroups_;
    context.materialIndex = &materialIndex_;
    context.fileMaterials = &fileMaterials_;
    context.textures = &textures_;
    return context;
}

namespace {

// What the tracks of a light or camera fall back on: the values of its chunk, or the format's
// defaults for a keyframer node without a light or camera of its name.
struct ChunkValues {
    FtkPoint position;
    FtkPoint target;
    FtkColor color{1.0f, 1.0f, 1.0f};
    float angle = 45.0f;  // a spot light's hotspot, a camera's field of view
    float roll = 0.0f;
};

ChunkValues LightValues(const FtkLight* light) {
    ChunkValues values;
    if (light == nullptr) return values;
    values.position = light->position;
    values.color = light->color;
    if (light->spot != nullptr) {
        values.target = light->spot->target;
        values.angle = light->spot->hotspot;
    }
    return values;
}

ChunkValues CameraValues(const FtkCamera* camera) {
    ChunkValues values;
    if (camera == nullptr) return values;
    values.position = camera->position;
    values.target = camera->target;
    values.angle = camera->fov > 0.0f ? camera->fov : kFtkDefaultFov;
    values.roll = camera->roll;
    return values;
}

}  // namespace

bool RWyxReader3ds::CreateAttributes() {
    RWyxObjectFactory* factory = GetFactory();
    if (textures_.size() < fileMaterials_.size()) textures_.resize(fileMaterials_.size());
    const MeshContext context = MeshSettings();
    for (MeshEntry& entry : meshes_) {
        entry.attribute = factory->CreateMesh();
        if (entry.attribute == nullptr) return false;
        if (entry.record->faceCount == 0) continue;
        if (const int skipped = ConvertMesh3ds(*entry.record, *entry.attribute, *factory, context); skipped > 0) {
            MessageText() += RString("Mesh \"") + FieldText(entry.record->name).c_str() + "\": " + skipped +
                             " faces naming no vertex were left out.\n";
        }
    }
    for (LightEntry& entry : omniLights_) {
        entry.light = factory->CreateLight();
        if (entry.light == nullptr) return false;
        entry.light->SetLightType(0);
    }
    for (LightEntry& entry : spotLights_) {
        entry.light = factory->CreateLight();
        entry.target = factory->CreateMarker();
        if (entry.light == nullptr || entry.target == nullptr) return false;
        entry.light->SetLightType(2);
        const FtkSpotlight* spot = entry.record->spot.get();
        if (spot != nullptr && spot->useProjector != 0) {
            if (RWyxGobo* gobo = factory->CreateGobo(spot->projectorName.c_str())) entry.light->SetGobo(gobo);
        }
    }
    for (CameraEntry& entry : cameraEntries_) {
        entry.camera = factory->CreateCamera();
        entry.target = factory->CreateMarker();
        if (entry.camera == nullptr || entry.target == nullptr) return false;
        const FtkCamera& record = *entry.record;
        entry.camera->SetNearPlane(record.nearRange * scale_);
        entry.camera->SetFarPlane(record.farRange * scale_ * 10.0);
        SetCameraLens3ds(*entry.camera, CameraValues(&record).angle);
        entry.camera->SetDefaultBackgroundColor(background_.r, background_.g, background_.b);
    }
    return true;
}

// ---- nodes --------------------------------------------------------------------------------------

RWyxNode* RWyxReader3ds::NewNode(const std::string& name) { return GetFactory()->CreateNode(name.c_str()); }

// The node of a keyframer object node, with a copy of `mesh` (the first mesh of its name, or
// null) moved by its pivot.
RWyxNode* RWyxReader3ds::CreateObjectNode(const FtkObjectMotion& motion, MeshEntry* mesh) {
    const std::string name = FieldText(motion.name);
    const std::string instance = FieldText(motion.instance);
    const std::string nodeName = instance.empty() ? name : name + "." + instance;
    RWyxNode* node = NewNode(nodeName);
    if (node == nullptr) return nullptr;
    if (mesh == nullptr || mesh->attribute == nullptr) return node;
    const double scale = referenceNode_ ? 1.0 : scale_;
    const RVector4 shift(motion.pivot.x * scale, motion.pivot.z * scale, -motion.pivot.y * scale, 0.0);
    RWyxMesh* attribute = mesh->attribute;
    RVector4 move = -shift;
    if (mesh->used) {
        // Each node of a mesh used again gets a copy of its own, moved by its own pivot.
        attribute = GetFactory()->CreateMesh();
        if (attribute == nullptr || !attribute->Assign(*mesh->attribute)) return node;
        move = mesh->shift - shift;
    } else {
        mesh->used = true;
        mesh->shift = shift;
    }
    RVector4* points = attribute->GetControlPoints();
    for (int i = 0; i < attribute->GetControlPointsCount(); ++i) {
        points[i].x += move.x;
        points[i].y += move.y;
        points[i].z += move.z;
    }
    node->SetNodeAttribute(attribute);
    if (attribute->GetTextureCount(0) > 0) node->SetShadingMode(4);
    return node;
}

bool RWyxReader3ds::CreateNodes() {
    nodes_ = std::make_unique<Nodes>();
    // The entries do not change while the nodes are made.
    const NameIndex<MeshEntry> meshes(meshes_);
    const NameIndex<LightEntry> omnis(omniLights_);
    const NameIndex<LightEntry> spots(spotLights_);
    const NameIndex<CameraEntry> cameras(cameraEntries_);
    for (const auto& motion : objectMotion_) {
        MeshEntry* mesh = geometries_ ? meshes.Find(FieldText(motion->name)) : nullptr;
        RWyxNode* node = CreateObjectNode(*motion, mesh);
        if (node == nullptr) return false;
        nodes_->objects.push_back(node);
    }
    for (const auto& motion : omniMotion_) {
        const std::string name = FieldText(motion->name);
        RWyxNode* node = NewNode(name);
        if (node == nullptr) return false;
        LightEntry* light = lights_ ? omnis.Find(name) : nullptr;
        if (light != nullptr) node->SetNodeAttribute(light->light);
        nodes_->omnis.push_back(node);
        nodes_->omniRecords.push_back(light != nullptr ? light->record.get() : nullptr);
    }
    auto addPair = [this](const std::string& name, RWyxNodeAttribute* attribute, RWyxNodeAttribute* target,
                          std::vector<RWyxNode*>& nodes, std::vector<RWyxNode*>& targets) {
        RWyxNode* node = NewNode(name);
        RWyxNode* targetNode = NewNode(name + ".Target");
        if (node == nullptr || targetNode == nullptr) return false;
        if (attribute != nullptr) node->SetNodeAttribute(attribute);
        if (target != nullptr) targetNode->SetNodeAttribute(target);
        nodes.push_back(node);
        targets.push_back(targetNode);
        return true;
    };
    for (const auto& motion : spotMotion_) {
        const std::string name = FieldText(motion->name);
        LightEntry* light = lights_ ? spots.Find(name) : nullptr;
        if (!addPair(name, light != nullptr ? light->light : nullptr, light != nullptr ? light->target : nullptr,
                     nodes_->spots, nodes_->spotTargets)) {
            return false;
        }
        nodes_->spotRecords.push_back(light != nullptr ? light->record.get() : nullptr);
    }
    for (const auto& motion : cameraMotion_) {
        const std::string name = FieldText(motion->name);
        CameraEntry* camera = cameras_ ? cameras.Find(name) : nullptr;
        if (!addPair(name, camera != nullptr ? camera->camera : nullptr, camera != nullptr ? camera->target : nullptr,
                     nodes_->cameras, nodes_->cameraTargets)) {
            return false;
        }
        nodes_->cameraRecords.push_back(camera != nullptr ? camera->record.get() : nullptr);
    }
    return true;
}

void RWyxReader3ds::Attach(RWyxNode* node, const char* parentName) {
    RWyxNode* top = referenceNodeObject_ != nullptr ? referenceNodeObject_ : root_;
    RWyxNode* parent = parentName[0] != '\0' ? GetFactory()->FindNode(parentName, 0) : nullptr;
    if (parent != nullptr && parent->AddChild(node)) return;
    if (parent != nullptr) {
        // Names repeat in 3DS files: the parent found may be the node itself or below it.
        MessageText() += RString("Node \"") + node->GetName() + "\" cannot go under \"" + parentName +
                         "\", which would make it its own ancestor: it is placed at the top.\n";
    }
    top->AddChild(node);
}

void RWyxReader3ds::BuildHierarchy(RWyxScene& /*scene*/) {
    for (std::size_t i = 0; i < nodes_->objects.size(); ++i) Attach(nodes_->objects[i], objectMotion_[i]->parent);
    for (std::size_t i = 0; i < nodes_->omnis.size(); ++i) Attach(nodes_->omnis[i], omniMotion_[i]->parent);
    auto attachPair = [this](RWyxNode* node, RWyxNode* target, const char* parent, const char* targetParent,
                             bool spot) {
        Attach(node, parent);
        Attach(target, targetParent[0] != '\0' ? targetParent : parent);
        node->SetTarget(target);
        if (spot) node->SetPostTargetRotation(0.0, 0.0, 90.0, 1.0);
    };
    for (std::size_t i = 0; i < nodes_->spots.size(); ++i) {
        attachPair(nodes_->spots[i], nodes_->spotTargets[i], spotMotion_[i]->parent, spotMotion_[i]->targetParent, true);
    }
    for (std::size_t i = 0; i < nodes_->cameras.size(); ++i) {
        attachPair(nodes_->cameras[i], nodes_->cameraTargets[i], cameraMotion_[i]->parent,
                   cameraMotion_[i]->targetParent, false);
    }
}

bool RWyxReader3ds::Animate() {
    KeyContext3ds context;
    context.animation = animation_;
    context.reduceKeys = reduceKeys_;
    context.scale = referenceNode_ ? 1.0 : scale_;
    auto prepare = [](RWyxNode* node) {
        node->AddTakeNode(kTakeName);
        return node->SetCurrentTakeNodeByName(kTakeName);
    };
    for (std::size_t i = 0; i < nodes_->objects.size(); ++i) {
        RWyxNode& node = *nodes_->objects[i];
        const FtkObjectMotion& motion = *objectMotion_[i];
        if (!prepare(&node)) return false;
        ConvertPositionTrack3ds(motion.position, node, context);
        ConvertRotationTrack3ds(motion.rotation, node, context);
        ConvertScaleTrack3ds(motion.scale, node, context);
    }
    // Tracks without values take the light's or camera's own values (all the file holds of a
    // light or camera without a keyframer node).
    for (std::size_t i = 0; i < nodes_->omnis.size(); ++i) {
        RWyxNode& node = *nodes_->omnis[i];
        const ChunkValues light = LightValues(nodes_->omniRecords[i]);
        if (!prepare(&node)) return false;
        ConvertPositionTrack3ds(omniMotion_[i]->position, node, context, light.position);
        ConvertColorTrack3ds(omniMotion_[i]->color, node, context, light.color);
    }
    for (std::size_t i = 0; i < nodes_->spots.size(); ++i) {
        RWyxNode& node = *nodes_->spots[i];
        RWyxNode& target = *nodes_->spotTargets[i];
        const FtkSpotMotion& motion = *spotMotion_[i];
        const ChunkValues light = LightValues(nodes_->spotRecords[i]);
        if (!prepare(&node) || !prepare(&target)) return false;
        ConvertPositionTrack3ds(motion.position, node, context, light.position);
        ConvertColorTrack3ds(motion.color, node, context, light.color);
        ConvertHotspotTrack3ds(motion.hotspot, node, context, light.angle);
        ConvertPositionTrack3ds(motion.targetPosition, target, context, light.target);
    }
    for (std::size_t i = 0; i < nodes_->cameras.size(); ++i) {
        RWyxNode& node = *nodes_->cameras[i];
        RWyxNode& target = *nodes_->cameraTargets[i];
        const FtkCameraMotion& motion = *cameraMotion_[i];
        const ChunkValues camera = CameraValues(nodes_->cameraRecords[i]);
        if (!prepare(&node) || !prepare(&target)) return false;
        ConvertPositionTrack3ds(motion.position, node, context, camera.position);
        ConvertFieldOfViewTrack3ds(motion.fov, node, context, camera.angle);
        ConvertRollTrack3ds(motion.roll, node, context, camera.roll);
        ConvertPositionTrack3ds(motion.targetPosition, target, context, camera.target);
    }
    return true;
}

void RWyxReader3ds::SetTakeSpan(RWyxScene& scene) {
    RTime start(RTime::kInfinitelyLate);
    RTime stop(RTime::kSmallest);
    root_->GetAnimationInterval(start, stop);
    if (start == RTime(RTime::kInfinitelyLate) || stop == RTime(RTime::kSmallest)) {
        start = RTime();
        stop.SetFromTimecode(0, 0, 0, kDefaultTakeFrames, 0, 6);
    }
    RWyxTakeInfo info;
    info.name = kTakeName;
    info.importName = kTakeName;
    info.localStart = start;
    info.localStop = stop;
    info.referenceStart = start;
    info.referenceStop = stop;
    scene.SetTakeInfo(info);
    scene.SetCurrentTake(kTakeName);
}
