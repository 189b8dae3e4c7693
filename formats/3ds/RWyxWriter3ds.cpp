#include "formats/3ds/RWyxWriter3ds.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMaterial.h"
#include "core/EulerAngles.h"
#include "core/FilePaths.h"
#include "core/RWyxColor.h"
#include "curves/RFCurve.h"
#include "fileio/RWriteFailure.h"
#include "formats/3ds/RShortNameList.h"
#include "formats/3ds/RStreamOptions3ds.h"
#include "formats/3ds/Writer3dsKeyframer.h"
#include "formats/3ds/Writer3dsMaterial.h"
#include "formats/3ds/Writer3dsMesh.h"
#include "formats/3ds/toolkit/FtkCameraLight.h"
#include "formats/3ds/toolkit/FtkErrors.h"
#include "formats/3ds/toolkit/FtkFile.h"
#include "formats/3ds/toolkit/FtkMeshApi.h"
#include "formats/3ds/toolkit/FtkMotion.h"
#include "formats/geometry/RWyxGeometryConverter.h"
#include "scene/RWyxGlobalLightSettings.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr double kQuaternionThreshold = 1e-10;
constexpr int kShadowMapSize = 500;
constexpr float kRayTraceBias = 3.0f;
constexpr float kShadowFilter = 3.0f;

// True while the toolkit has an error the writer must stop at.
bool Stop() { return FtkShouldStop(); }

// The node's channel at time 0 when its current take node has all three curves, else the
// node's default value.
RVector4 ChannelAtZero(RWyxNode& node, RWyxTakeNode::Channel first, const RVector4& fallback) {
    RWyxTakeNode* take = node.GetCurrentTakeNode();
    if (take == nullptr) return fallback;
    RFCurve* curves[3];
    for (int axis = 0; axis < 3; ++axis) {
        curves[axis] = take->GetChannelCurve(static_cast<RWyxTakeNode::Channel>(first + axis));
        if (curves[axis] == nullptr) return fallback;
    }
    return RVector4(curves[0]->EvaluateAt(RTime()), curves[1]->EvaluateAt(RTime()), curves[2]->EvaluateAt(RTime()),
                    0.0);
}

FtkPoint ToPoint(const RVector4& v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}

// The fields omni and spot lights share: name, position, colour and multiplier.
void FillLight(FtkLight& light, RWyxNode& node, const RVector4& translation) {
    FtkCopyName(light.name, node.GetName().Buffer());
    light.position = ToPoint(RWyxWriter3ds::ConvertPosition3ds(translation));
    const RWyxLight* attribute = node.GetLight();
    const RVector4 color = attribute->GetDefaultColor();
    light.color = {static_cast<float>(color.x), static_cast<float>(color.y), static_cast<float>(color.z)};
    light.multiplier = static_cast<float>(attribute->GetDefaultIntensity() * 0.01);
}

std::unique_ptr<FtkLight> BuildOmniLight3ds(RWyxNode& node, const RVector4& translation) {
    std::unique_ptr<FtkLight> light;
    FtkInitLight(light);
    if (light != nullptr) FillLight(*light, node, translation);
    return light;
}

// The spot light record also holds the hotspot; the keyframer carries the real target.
std::unique_ptr<FtkLight> BuildSpotLight3ds(RWyxNode& node, const RVector4& translation) {
    std::unique_ptr<FtkLight> light;
    FtkInitSpotlight(light);
    if (light == nullptr || light->spot == nullptr) return nullptr;
    FillLight(*light, node, translation);
    light->spot->hotspot = static_cast<float>(node.GetLight()->GetDefaultConeAngle());
    return light;
}

// The camera record: name and position (the keyframer carries target, roll and field of view).
std::unique_ptr<FtkCamera> BuildCamera3ds(RWyxNode& node, const RVector4& translation) {
    std::unique_ptr<FtkCamera> camera;
    FtkInitCamera(camera);
    if (camera == nullptr) return nullptr;
    FtkCopyName(camera->name, node.GetName().Buffer());
    camera->position = ToPoint(RWyxWriter3ds::ConvertPosition3ds(translation));
    return camera;
}

bool StartsWithReferenceName(const RString& name) { return std::strncmp(name.Buffer(), "Wyx_Roo", 7) == 0; }

// The name without the type prefix when it begins with it, else the whole name: as the scene
// shows it.
RString NameWithoutTypePrefix(const RWyxSceneObject& object) {
    const RString& name = object.GetName();
    const RString prefix = object.GetNamePrefix();
    const int length = prefix.GetLength();
    const bool prefixed = length > 0 && name.FindText(prefix.Buffer()) == 0;
    return prefixed ? name.SubstringFrom(length) : name;
}

// The name a reader makes of the material's name: the text after its first "::", "Name" for
// none.
std::string ReadName(const RWyxMaterial& material) {
    return BuildPrefixedName("", material.GetNameWithoutPrefix().Buffer()).Buffer();
}

}  // namespace

RWyxWriter3ds::RWyxWriter3ds(RWyxObjectFactory* factory, RWyxIO* owner) : RWyxWriter(factory, owner) {}

RWyxWriter3ds::~RWyxWriter3ds() {
    FtkReleaseMeshSettings(meshSettings_);
    FtkReleaseDatabase(database_);
    CloseOutput();
}

bool RWyxWriter3ds::FileCreate(const char* path) {
    failed_ = false;
    if (path == nullptr) {
        SetError(kErrorNotCreated, nullptr);
        return false;
    }
    CloseOutput();
    // A pending error of an earlier file would stop the toolkit at once.
    FtkClearErrors();
    inMemory_ = false;
    GetFileDirectory(outputFolder_, path);
    if (outputFolder_.IsEmptyText()) outputFolder_ = ".";
    // The file is built in memory and put in place by a Write that succeeds.
    targetPath_ = path;
    if (!target_.Begin(path)) {
        return FailCreate(kErrorNotCreated, RString("File not created: \"") + path + "\"", target_.FailureCode());
    }
    return OpenOutput(FtkCreateMemoryFile());
}

bool RWyxWriter3ds::CreateInMemory() {
    failed_ = false;
    CloseOutput();
    FtkClearErrors();
    inMemory_ = true;
    outputFolder_ = "";
    return OpenOutput(FtkCreateMemoryFile());
}

bool RWyxWriter3ds::OpenOutput(FtkFile* file) {
    file_ = file;
    memoryContents_.clear();
    if (file_ == nullptr) {
        SetError(kErrorNotCreated, nullptr);
        return false;
    }
    GetError().ClearError();
    return true;
}

bool RWyxWriter3ds::FileClose() {
    CloseOutput();
    if (!failed_) return true;
    // The failed write dropped its file: its error stands.
    failed_ = false;
    if (!HasError()) SetError(kErrorUnidentified, "The write failed: nothing was put in place");
    return false;
}

void RWyxWriter3ds::CloseOutput() {
    if (file_ != nullptr && FtkIsRegisteredFile(file_)) {
        FtkCloseFile(file_);
    }
    file_ = nullptr;
    target_.Abandon();
}

RStreamOptionsPtr RWyxWriter3ds::GetWriteOptions() {
    RStreamOptions3ds* options = RStreamOptions3ds::Create();
    if (options != nullptr) options->ResetHooks();
    return RStreamOptionsPtr(options);
}

void RWyxWriter3ds::AppendMessage(const RString& text) { MessageText() += text; }

void RWyxWriter3ds::CopyTextureFileLater(const RString& path) {
    if (!outputFolder_.IsEmptyText()) textureCopies_.push_back(path);
}

void RWyxWriter3ds::Refuse(const RString& text) {
    if (refused_) return;
    refused_ = true;
    SetError(kErrorUnidentified, text);
}

void RWyxWriter3ds::RefuseBeyondReals(const char* field, const char* kind, const RWyxSceneObject& object, int frame) {
    RString text = RString("The ") + field + " of " + kind + " " + QuotedName(object);
    if (frame >= 0) text += RString(" at frame ") + frame;
    Refuse(text + kBeyondReals);
}

RString RWyxWriter3ds::QuotedName(const RWyxSceneObject& object) const {
    const auto found = sceneNames_.find(&object);
    const RString name = found != sceneNames_.end() ? found->second : NameWithoutTypePrefix(object);
    return RString("\"") + name.ControlCharsEscaped() + "\"";
}

// ---- conversions ------------------------------------------------------------------------------

RVector4 RWyxWriter3ds::ConvertPosition3ds(RVector4 v) { return RVector4(v.x, -v.z, v.y, v.w); }

RVector4 RWyxWriter3ds::ConvertScaling3ds(RVector4 v) { return RVector4(v.x, v.z, v.y, v.w); }

RQuaternion RWyxWriter3ds::MatrixQuaternion3ds(const RMatrix& m) {
    double w = 0.0, x = 0.0, y = 0.0, z = 0.0;
    const double w2 = (1.0 + m[0][0] + m[1][1] + m[2][2]) / 4.0;
    if (w2 > kQuaternionThreshold) {
        w = std::sqrt(w2);
        const double f = 0.25 / w;
        x = (m[1][2] - m[2][1]) * f;
        y = (m[2][0] - m[0][2]) * f;
        z = (m[0][1] - m[1][0]) * f;
    } else {
        const double x2 = -(m[1][1] + m[2][2]) / 2.0;
        if (x2 > kQuaternionThreshold) {
            x = std::sqrt(x2);
            y = m[0][1] * 0.5 / x;
            z = m[0][2] * 0.5 / x;
        } else {
            const double y2 = (1.0 - m[2][2]) / 2.0;
            if (y2 > kQuaternionThreshold) {
                y = std::sqrt(y2);
                z = m[1][2] * 0.5 / y;
            } else {
                z = 1.0;
            }
        }
    }
    return RQuaternion(x, y, z, w);
}

RVector4 RWyxWriter3ds::ConvertRotation3ds(RVector4 v) {
    RMatrix m;
    EulerXYZToMatrix(m, v.x, v.y, v.z);
    const RQuaternion q = MatrixQuaternion3ds(m);
    // Into the file's frame: (x, y, z) becomes (x, -z, y); the matrix made again from it.
    RMatrix r;
    QuaternionToMatrix(r, RQuaternion(q.x, -q.z, q.y, q.w));
    RVector4 angles;
    MatrixToEulerXYZ(angles, r);
    return angles;
}

// ---- write ------------------------------------------------------------------------------------

bool RWyxWriter3ds::Write(RWyxScene* scene, RStreamOptions* options) {
    if (file_ == nullptr || !FtkIsRegisteredFile(file_)) {
        file_ = nullptr;
        SetError(kErrorNotOpened, nullptr);
        return false;
    }
    refused_ = false;
    textureCopies_.clear();
    bool written = SetupWrite(scene, options);
    if (written) {
        WriteNodes();
        written = !refused_ && !Stop() && PutSettings() && SaveAndClose();
    }
    FtkReleaseMeshSettings(meshSettings_);
    FtkReleaseDatabase(database_);
    CloseOutput();
    failed_ = !written;
    return written;
}

bool RWyxWriter3ds::SetupWrite(RWyxScene* scene, RStreamOptions* options) {
    scene_ = scene;
    rootNode_ = scene != nullptr ? scene->GetRootNode() : nullptr;
    if (rootNode_ == nullptr) {
        SetError(kErrorUnidentified, "No scene to write");
        return false;
    }
    ReadOptions(options);
    scale_ = rescale_ ? kInchesPerCentimetre : 1.0;
    meshCounter_ = 0;
    FtkInitDatabase(database_);
    if (Stop()) return false;
    FtkCreateDatabase(database_.get(), kFtkMeshFile);
    if (Stop()) return false;
    FtkInitMeshSettings(meshSettings_);
    if (Stop()) return false;
    RenameObjects();
    animOn_ = anim_;
    animStart_ = RTime();
    animStop_ = RTime();
    rootNode_->GetAnimationInterval(animStart_, animStop_);
    if (animStart_ == animStop_) {
        animOn_ = false;
        animStart_ = RTime();
        animStop_.SetFromTimecode(0, 0, 0, 100, 0, 0);
    }
    return true;
}

void RWyxWriter3ds::ReadOptions(RStreamOptions* options) {
    if (options == nullptr || !options->Is(RStreamOptions3ds::ClassId())) {
        SetError(kErrorOptionsNotSet, nullptr);
        return;
    }
    const RStreamOptions3ds& flags = *static_cast<RStreamOptions3ds*>(options);
    textureMapping_ = flags.IsOn(RStreamOptions3ds::kTextureMapping);
    materials_ = flags.IsOn(RStreamOptions3ds::kMaterials);
    anim_ = flags.IsOn(RStreamOptions3ds::kAnimation);
    geometries_ = flags.IsOn(RStreamOptions3ds::kGeometries);
    lights_ = flags.IsOn(RStreamOptions3ds::kLights);
    cameras_ = flags.IsOn(RStreamOptions3ds::kCamera);
    ambientLight_ = flags.IsOn(RStreamOptions3ds::kAmbientLight);
    createReferenceNode_ = flags.IsOn(RStreamOptions3ds::kCreateReferenceNode);
    rescale_ = flags.IsOn(RStreamOptions3ds::kRescale);
    uvPerPolygon_ = flags.IsOn(RStreamOptions3ds::kUvPerPolygon);
}

void RWyxWriter3ds::RenameObjects() {
    RWyxObjectFactory* factory = GetFactory();
    sceneNames_.clear();
    RShortNameList nodeNames;
    for (int i = 0; i < factory->GetNodeCount(); ++i) {
        RWyxNode* node = factory->GetNode(i);
        sceneNames_.emplace(node, NameWithoutTypePrefix(*node));
        RNamePair& name = node->GetNamePair();
        // A dummy read from a 3DS file is named "$$$DUMMY." and its own name: it is written
        // as a dummy again, under its own name, which the cut would otherwise lose.
        const RString text = name.GetCurrent();
        const int dummy = text.FindText("::$$$DUMMY.");
        if (dummy >= 0) name.SetCurrent(text.SubstringFrom(dummy + 11));
        nodeNames.MakeUnique(name);
    }
    materialNames_.Clear();
    plainMaterialNames_.clear();
    defaultMaterialName_.clear();
    for (int i = 0; i < factory->GetMaterialCount(); ++i) {
        RWyxMaterial* material = factory->GetMaterial(i);
        sceneNames_.emplace(material, NameWithoutTypePrefix(*material));
        // The record bears the read form of the short name ("m" for x::y::m), unique in that
        // form: two names that come to one there are numbered apart.
        RNamePair& name = material->GetNamePair();
        const int limit = RShortNameList::kMaterialNameLimit;
        name.SetCurrent(RShortNameList::ShortForm(name.GetCurrent().Buffer(), limit).c_str());
        const std::string record = ClaimMaterialName(ReadName(*material));
        name.SetCurrent(record.c_str());
        plainMaterialNames_.emplace(material, record);
    }
}

std::string RWyxWriter3ds::PlainMaterialName(const RWyxMaterial* material) {
    const auto found = plainMaterialNames_.find(material);
    if (found != plainMaterialNames_.end()) return found->second;
    const std::string name = ClaimMaterialName(material != nullptr ? ReadName(*material) : "Default");
    plainMaterialNames_.emplace(material, name);
    return name;
}

void RWyxWriter3ds::NoteDefaultMaterial(const RWyxMaterial* grey) {
    if (defaultMaterialName_.empty()) defaultMaterialName_ = ClaimMaterialName("Default");
    plainMaterialNames_[grey] = defaultMaterialName_;
}

void RWyxWriter3ds::WriteNodes() {
    // Depth first, a node before its children, on a stack of our own.
    std::vector<RWyxNode*> order;
    std::vector<RWyxNode*> stack{rootNode_};
    while (!stack.empty()) {
        RWyxNode* node = stack.back();
        stack.pop_back();
        order.push_back(node);
        for (int i = node->GetChildCount() - 1; i >= 0; --i) {
            if (RWyxNode* child = node->GetChild(i)) stack.push_back(child);
        }
    }
    // A camera's or spot light's target travels in its target track: it is not written again
    // as a dummy of its own unless other nodes hang from it.
    targets_.clear();
    for (RWyxNode* node : order) {
        const RWyxLight* light = node->GetLight();
        const bool aims = (cameras_ && node->GetCamera() != nullptr) || (lights_ && light != nullptr && light->GetLightType() == 2);
        if (aims && node->GetTarget() != nullptr && node->GetTarget()->GetChildCount() == 0) {
            targets_.insert(node->GetTarget());
        }
    }
    for (RWyxNode* node : order) {
        if (refused_) return;
        WriteNode(node);
    }
}

void RWyxWriter3ds::WriteNode(RWyxNode* node) {
    RVector4 defaults[3];
    node->GetDefaultTranslation(defaults[0]);
    node->GetDefaultRotation(defaults[1]);
    defaults[2].Set(1.0, 1.0, 1.0, 0.0);
    node->GetDefaultScaling(defaults[2]);
    const RVector4 trs[3] = {ChannelAtZero(*node, RWyxTakeNode::TranslationX, defaults[0]),
                             ChannelAtZero(*node, RWyxTakeNode::RotationX, defaults[1]),
                             ChannelAtZero(*node, RWyxTakeNode::ScalingX, defaults[2])};
    RWyxNodeAttribute* attribute = node->GetNodeAttribute();
    const int type = attribute != nullptr ? attribute->GetAttributeType() : RWyxNodeAttribute::kNull;
    switch (type) {
        case RWyxNodeAttribute::kMesh:
        case RWyxNodeAttribute::kNurb:
        case RWyxNodeAttribute::kPatch:
            if (geometries_) WriteGeometry(node, trs);
            return;
        case RWyxNodeAttribute::kLight:
            if (lights_) WriteLight(node, trs);
            return;
        case RWyxNodeAttribute::kCamera:
            if (cameras_) WriteCamera(node, trs);
            return;
        default: WriteDummy(node); return;
    }
}

void RWyxWriter3ds::WriteGeometry(RWyxNode* node, const RVector4 trs[3]) {
    // The transform at frame 0 places the vertices and the mesh's own frame.
    static const char* const kChannels[3] = {"translation", "rotation", "scaling"};
    for (int channel = 0; channel < 3; ++channel) {
        if (!HoldsReals(trs[channel])) {
            RefuseBeyondReals(kChannels[channel], "node", *node, 0);
            return;
        }
    }
    const bool textureMapping = textureMapping_;
    if (node->GetMesh() == nullptr) {
        // Surfaces become triangle meshes in the scene itself; their UVs are not written.
        textureMapping_ = false;
        RWyxObjectFactory* factory = GetFactory();
        RWyxGeometryConverter* converter = factory->CreateGeometryConverter();
        if (converter != nullptr) {
            converter->ConvertNodeToMesh(node);
            factory->DestroyGeometryConverter(converter);
        }
    }
    std::unique_ptr<FtkMeshObject> mesh = BuildMesh3ds(*this, node->GetMesh(), trs[0], trs[1], trs[2], *node);
    if (mesh != nullptr) {
        FtkPutMeshObject(database_.get(), mesh.get());
        FtkReleaseMeshObject(mesh);
    }
    std::unique_ptr<FtkObjectMotion> motion = BuildObjectMotion3ds(*this, node);
    if (motion != nullptr && !refused_) {
        FtkPutObjectMotion(database_.get(), motion.get());
        FtkReleaseObjectMotion(motion);
    }
    textureMapping_ = textureMapping;
}

void RWyxWriter3ds::WriteLight(RWyxNode* node, const RVector4 trs[3]) {
    const int lightType = node->GetLight()->GetLightType();
    if (lightType == 0) {
        std::unique_ptr<FtkLight> light = BuildOmniLight3ds(*node, trs[0]);
        if (light != nullptr) FtkPutLight(database_.get(), light.get());
        FtkReleaseLight(light);
        std::unique_ptr<FtkOmniMotion> motion = BuildOmniMotion3ds(*this, node);
        if (motion != nullptr) FtkPutOmniMotion(database_.get(), motion.get());
        FtkReleaseOmniMotion(motion);
    } else if (lightType == 2) {
        std::unique_ptr<FtkLight> light = BuildSpotLight3ds(*node, trs[0]);
        if (light != nullptr) FtkPutLight(database_.get(), light.get());
        FtkReleaseLight(light);
        std::unique_ptr<FtkSpotMotion> motion = BuildSpotMotion3ds(*this, node);
        if (motion != nullptr) FtkPutSpotMotion(database_.get(), motion.get());
        FtkReleaseSpotMotion(motion);
    }
}

void RWyxWriter3ds::WriteCamera(RWyxNode* node, const RVector4 trs[3]) {
    std::unique_ptr<FtkCamera> camera = BuildCamera3ds(*node, trs[0]);
    if (camera != nullptr) FtkPutCamera(database_.get(), camera.get());
    FtkReleaseCamera(camera);
    // The file has one background: each camera sets it, the last one wins.
    std::unique_ptr<FtkBackground> background;
    FtkInitBackground(background);
    if (background != nullptr) {
        const RVector4 color = node->GetCamera()->GetDefaultBackgroundColor();
        background->solid = {static_cast<float>(color.x), static_cast<float>(color.y), static_cast<float>(color.z)};
        FtkPutBackground(database_.get(), background.get());
    }
    FtkReleaseBackground(background);
    std::unique_ptr<FtkCameraMotion> motion = BuildCameraMotion3ds(*this, node);
    if (motion != nullptr) FtkPutCameraMotion(database_.get(), motion.get());
    FtkReleaseCameraMotion(motion);
}

void RWyxWriter3ds::WriteDummy(RWyxNode* node) {
    const bool reference = StartsWithReferenceName(node->GetName());
    if (reference) {
        // The reference node the reader makes carries the file's scale; it is never written.
        RVector4 scaling(1.0, 1.0, 1.0, 0.0);
        node->GetDefaultScaling(scaling);
        scale_ = scaling.x * kInchesPerCentimetre;
        // A master scale that is no real number is read as none.
        if (rescale_ && !HoldsReal(scale_)) RefuseBeyondReals("scaling", "node", *node);
        return;
    }
    if (node->GetParent() == nullptr && !createReferenceNode_) return;
    if (targets_.count(node) != 0) return;
    std::unique_ptr<FtkObjectMotion> motion = BuildObjectMotion3ds(*this, node);
    if (motion == nullptr) return;
    FtkCopyName(motion->instance, motion->name);
    FtkCopyName(motion->name, "$$$DUMMY");
    motion->boundMin = {-0.5f, -0.5f, -0.5f};
    motion->boundMax = {0.5f, 0.5f, 0.5f};
    FtkPutObjectMotion(database_.get(), motion.get());
    FtkReleaseObjectMotion(motion);
}

bool RWyxWriter3ds::PutSettings() {
    RWyxColor ambient(0.0, 0.0, 0.0, 1.0);
    if (ambientLight_) scene_->GetGlobalLightSettings()->GetAmbientColor(ambient);
    meshSettings_->ambientLight = {static_cast<float>(ambient.GetRed()), static_cast<float>(ambient.GetGreen()),
                                   static_cast<float>(ambient.GetBlue())};
    meshSettings_->masterScale = rescale_ ? static_cast<float>(scale_) : 1.0f;
    meshSettings_->shadow.mapSize = kShadowMapSize;
    meshSettings_->shadow.rayBias = kRayTraceBias;
    meshSettings_->shadow.filter = kShadowFilter;
    meshSettings_->shadow.type = 0;
    FtkPutMeshSettings(database_.get(), meshSettings_.get());
    if (Stop()) return false;
    std::unique_ptr<FtkKeyframerSettings> keyframer;
    FtkInitKeyframerSettings(keyframer);
    if (keyframer != nullptr) {
        const std::int64_t frames = animStop_.FrameCount(true, 0);
        keyframer->animationLength = frames > 0 ? static_cast<std::uint32_t>(std::min<std::int64_t>(frames, UINT32_MAX)) : 0;
        FtkPutKeyframerSettings(database_.get(), keyframer.get());
    }
    FtkReleaseKeyframerSettings(keyframer);
    return !Stop();
}

bool RWyxWriter3ds::SaveAndClose() {
    FtkSaveDatabase(file_, database_.get());
    if (Stop()) return false;
    if (inMemory_) {
        memoryContents_ = FtkMemoryFileContents(file_);
    } else if (!PutInPlace(FtkMemoryFileContents(file_))) {
        return false;
    }
    for (const RString& path : textureCopies_) CopyTextureFile(*this, path.Buffer());
    FtkReleaseMeshSettings(meshSettings_);
    FtkReleaseDatabase(database_);
    CloseOutput();
    return !Stop();
}

bool RWyxWriter3ds::PutInPlace(const std::vector<unsigned char>& bytes) {
    RWriteFailure failure;
    if (failure.Write(target_.File(), bytes.data(), bytes.size()) && target_.Commit()) return true;
    if (!failure.HasFailed()) failure.NoteCommitFailure(target_);
    return FailWriteWhole(targetPath_.Buffer(), failure);
}
