#include "tests/wyxreader/ReaderTestSupport.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxCharacterLink.h"
#include "attributes/RWyxControlSetPlug.h"
#include "attributes/RWyxGenericNode.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElementTexture.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMarker.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxOptical.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkeleton.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTexture.h"
#include "attributes/RWyxThumbnail.h"
#include "attributes/RWyxTypedLayerElement.h"
#include "core/RTimeMode.h"
#include "core/RWyxColor.h"
#include "core/RWyxUserProperty.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "scene/RWyxGlobalLightSettings.h"
#include "scene/RWyxGlobalTimeSettings.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxPivotSet.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxSceneInfo.h"
#include "scene/RWyxTakeInfo.h"
#include "scene/RWyxTakeNode.h"
#include "wyxreader/RWyxReaderWyx.h"
#include "wyxwriter/RWyxWriterWyx6.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace reader_test {

namespace {

RTime Seconds(double seconds) { return RTime(static_cast<std::int64_t>(seconds * RTime::kTicksPerSecond)); }

template <typename Open>
ReadResult ReadWith(RWyxObjectFactory& factory, Open open, const std::function<void(RStreamOptionsWyx&)>& adjust) {
    ReadResult result;
    RWyxReaderWyx reader(&factory);
    result.opened = open(reader);
    if (!result.opened) {
        result.error = reader.GetLastErrorCode();
        result.errorText = reader.GetLastErrorString();
        return result;
    }
    RWyxFileHeaderSummary header;
    reader.ReadHeader(header);
    RStreamOptionsPtr options = reader.GetReadOptions(false);
    auto& wyx = static_cast<RStreamOptionsWyx&>(*options);
    if (adjust) adjust(wyx);
    result.scene = factory.CreateScene();
    result.read = reader.Read(result.scene, options.get());
    result.error = reader.GetLastErrorCode();
    result.errorText = reader.GetLastErrorString() != nullptr ? reader.GetLastErrorString() : "";
    result.warnings = reader.GetWarnings().GetCount();
    result.warningText = reader.GetWarnings().GetText().Buffer();
    return result;
}

RWyxNode* AddNode(RWyxObjectFactory& factory, const char* name, RWyxNode* parent, RWyxNodeAttribute* attribute) {
    RWyxNode* node = factory.CreateNode(name);
    if (attribute != nullptr) node->SetNodeAttribute(attribute);
    parent->AddChild(node);
    return node;
}

RWyxThumbnail* MakeThumbnail(RWyxObjectFactory& factory, int seed) {
    RWyxThumbnail* thumbnail = factory.CreateThumbnail();
    thumbnail->SetDataFormat(RWyxThumbnail::kRgb24);
    thumbnail->SetSize(RWyxThumbnail::k64x64);
    std::vector<std::uint8_t> pixels(thumbnail->GetSizeInBytes());
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 7 + seed);
    thumbnail->SetImage(pixels.data(), pixels.size());
    return thumbnail;
}

template <typename Typed>
Typed* NewElement(RWyxLayer& layer, Typed* (RWyxLayer::*set)(std::unique_ptr<Typed>), int mapping, int reference) {
    Typed* element = (layer.*set)(std::make_unique<Typed>());
    element->SetMappingMode(mapping);
    element->SetReferenceMode(reference);
    return element;
}

// A cube of eight points and six quads, with every kind of layer element, two materials by
// polygon, a texture on layer 0 and one on layer 1, a shape and a pivot.
RWyxMesh* BuildBox(RWyxObjectFactory& factory, RWyxMaterial* const materials[2], RWyxTexture* const textures[2]) {
    using E = RWyxLayerElement;
    RWyxMesh* mesh = factory.CreateMesh();
    mesh->InitControlPoints(8);
    for (int i = 0; i < 8; ++i) {
        mesh->GetControlPoints()[i] = RVector4(i & 1 ? 1.5 : -1.25, i & 2 ? 2.0 : -0.5, i & 4 ? 0.75 : -3.0, 1.0);
    }
    const int quads[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
    for (const auto& quad : quads) {
        mesh->BeginPolygon(-1, -1, -1);
        for (const int point : quad) mesh->AddPolygonVertex(point, -1);
    }
    RWyxLayer& layer0 = *mesh->EnsureLayer(0);
    auto* normals = NewElement(layer0, &RWyxLayer::SetNormals, E::kByControlPoint, E::kDirect);
    for (int i = 0; i < 8; ++i) normals->AddDirect(RVector4(i & 1 ? 0.6 : -0.6, 0.64, i & 4 ? 0.48 : -0.48, 0.0));
    auto* uvs = NewElement(layer0, &RWyxLayer::SetUVs, E::kByPolygonVertex, E::kIndexToDirect);
    for (int i = 0; i < 4; ++i) uvs->AddDirect(RVector2(i & 1 ? 1.0 : 0.0, i & 2 ? 0.875 : 0.125));
    for (int v = 0; v < 24; ++v) uvs->AddIndex(v % 4);
    auto* colors = NewElement(layer0, &RWyxLayer::SetVertexColors, E::kByControlPoint, E::kIndexToDirect);
    colors->AddDirect(RWyxColor(1.0, 0.5, 0.25, 1.0));
    colors->AddDirect(RWyxColor(0.0, 0.75, 1.0, 0.5));
    for (int i = 0; i < 8; ++i) colors->AddIndex(i % 2);
    auto* groups = NewElement(layer0, &RWyxLayer::SetPolygonGroups, E::kByPolygon, E::kIndex);
    for (int p = 0; p < 6; ++p) groups->AddIndex(p / 3);
    auto* materialElement = NewElement(layer0, &RWyxLayer::SetMaterials, E::kByPolygon, E::kIndexToDirect);
    materialElement->AddDirect(materials[0]);
    materialElement->AddDirect(materials[1]);
    for (int p = 0; p < 6; ++p) materialElement->AddIndex(p % 2);
    auto* texture0 = NewElement(layer0, &RWyxLayer::SetTextures, E::kAllSame, E::kIndexToDirect);
    texture0->AddDirect(textures[0]);
    texture0->AddIndex(0);
    RWyxLayer& layer1 = *mesh->EnsureLayer(1);
    auto* texture1 = NewElement(layer1, &RWyxLayer::SetTextures, E::kAllSame, E::kIndexToDirect);
    texture1->AddDirect(textures[1]);
    texture1->AddIndex(0);
    texture1->SetBlendMode(RWyxLayerElementTexture::kModulate);
    texture1->SetAlpha(0.5);
    auto* uvs1 = NewElement(layer1, &RWyxLayer::SetUVs, E::kByControlPoint, E::kDirect);
    for (int i = 0; i < 8; ++i) uvs1->AddDirect(RVector2(i * 0.125, 1.0 - i * 0.125));

    RWyxShape* smile = factory.CreateShape();
    smile->InitControlPoints(8);
    for (int i = 0; i < 8; ++i) smile->GetControlPoints()[i] = mesh->GetControlPoints()[i];
    smile->GetControlPoints()[3].y += 0.375;
    smile->GetControlPoints()[6].x -= 0.25;
    mesh->AddShape(smile, "Smile");
    // Scaled and moved: the file holds the points through the pivot.
    mesh->SetPivot(RMatrix::ConstructFromTRS(RVector4(0.5, 0, 0, 0), RVector4(), RVector4(2, 2, 2, 0)));
    return mesh;
}

RWyxNurb* BuildSheet(RWyxObjectFactory& factory) {
    RWyxNurb* nurb = factory.CreateNurb();
    nurb->SetOrder(4, 3);
    nurb->InitControlPoints(4, RWyxNurb::kOpen, 5, RWyxNurb::kPeriodic);
    nurb->SetStep(6, 7);
    nurb->SetDisplayMode(2);
    for (int i = 0; i < 20; ++i) nurb->GetControlPoints()[i] = RVector4(i % 4, i / 4, 0.125 * i, 1.0 + 0.25 * (i % 3));
    for (int i = 0; i < nurb->GetUKnotCount(); ++i) nurb->GetUKnotVector()[i] = i < 4 ? 0.0 : i - 3.0;
    for (int i = 0; i < nurb->GetVKnotCount(); ++i) nurb->GetVKnotVector()[i] = 0.5 * i;
    nurb->GetUMultiplicity()[0] = 4;
    nurb->GetVMultiplicity()[4] = 2;
    return nurb;
}

RWyxPatch* BuildQuilt(RWyxObjectFactory& factory) {
    RWyxPatch* patch = factory.CreatePatch();
    patch->InitControlPoints(4, RWyxPatch::kBSpline, 4, RWyxPatch::kCardinal);
    patch->SetStep(3, 5);
    patch->SetDisplayMode(1);
    patch->SetClosed(true, false);
    patch->SetCapped(RWyxPatch::kUCapTop, true);
    patch->SetCapped(RWyxPatch::kVCapBottom, true);
    for (int i = 0; i < 16; ++i) patch->GetControlPoints()[i] = RVector4(i % 4, 0.5 * (i / 4), (i % 5) * 0.25, 1.0);
    return patch;
}

// Links the mesh to the joints with general bind matrices.
void Skin(RWyxObjectFactory& factory, RWyxMesh& mesh, RWyxNode& body, RWyxNode* const joints[2]) {
    for (int j = 0; j < 2; ++j) {
        RWyxSkinLink* link = factory.CreateSkinLink();
        link->SetLink(joints[j]);
        link->SetMode(j == 0 ? RWyxSkinLink::kTotal1 : RWyxSkinLink::kAdditive);
        link->SetUserData("id", j == 0 ? "first" : "second");
        for (int i = 0; i < 8; ++i) {
            if ((i + j) % 2 == 0) link->AddControlPointIndex(i, 0.25 + 0.125 * j + 0.0625 * i);
        }
        link->SetTransformMatrix(
            RMatrix::ConstructFromTRS(RVector4(1, 2, 3, 0), RVector4(10, 20, 30, 0), RVector4(1, 1, 1, 0)));
        link->SetTransformLinkMatrix(RMatrix::ConstructFromTRS(RVector4(0.5, j * 4.0, -1, 0),
                                                               RVector4(15.0 * j, 35, -20, 0), RVector4(1, 1, 1, 0)));
        link->SetAssociateModel(&body);
        link->SetTransformAssociateModelMatrix(
            RMatrix::ConstructFromTRS(RVector4(-2, 0, 1, 0), RVector4(0, 45, 0, 0), RVector4(1, 1, 1, 0)));
        if (j == 1) {
            link->SetTransformParentMatrix(
                RMatrix::ConstructFromTRS(RVector4(0, 1, 0, 0), RVector4(), RVector4(2, 2, 2, 0)));
        }
        mesh.AddDeformer(link);
    }
}

RWyxUserProperty* AddUserProperty(RWyxObjectFactory& factory, RWyxSceneObject& owner, const char* name,
                                  const char* type, bool animatable) {
    RWyxUserProperty* property = factory.CreateUserProperty(name, type, name);
    property->SetFlag(RWyxUserProperty::kFlagAnimatable, animatable);
    property->SetFlag(RWyxUserProperty::kFlagUserProperty, true);
    return owner.AddUserProperty(factory.HandOverUserProperty(property));
}

void AddCharacter(RWyxScene& scene, RWyxNode& hips, RWyxNode& group) {
    RWyxCharacter* hero = scene.GetCharacter(scene.CreateCharacter("Hero"));
    RWyxCharacterLink link;
    link.node = &group;
    link.name = "Group";
    link.translationOffset = RVector4(1, 2, 3, 0);
    hero->SetCharacterLink(67, link);  // REFERENCE
    link.node = &hips;
    link.name = "Hips";
    link.rotationOffset = RVector4(0, 90, 0, 0);
    link.scalingOffset = RVector4(1, 2, 1, 0);
    hero->SetCharacterLink(1, link);  // a link of the BASE group
    scene.CreateControlSetPlug("Rig");
}

void AddSettings(RWyxScene& scene, RWyxObjectFactory& factory) {
    RWyxGlobalLightSettings& light = *scene.GetGlobalLightSettings();
    light.SetAmbientColor(RWyxColor(0.25, 0.5, 0.75, 1.0));
    light.SetFogEnable(true);
    light.SetFogMode(2);
    light.SetFogDensity(0.125);
    light.SetFogEnd(400.0);
    light.SetFogStart(20.0);
    light.SetFogColor(RWyxColor(0.5, 0.5, 0.625, 1.0));
    light.AddShadowPlane(true, RVector4(0, 0, 0, 1), RVector4(0, 1, 0, 1));
    light.AddShadowPlane(false, RVector4(1, 2, 3, 1), RVector4(0, 0, 1, 1));
    light.SetShadowEnable(true);
    light.SetShadowIntensity(75.0);
    RWyxGlobalTimeSettings& time = *scene.GetGlobalTimeSettings();
    time.SetTimeMode(ModeFromName("PAL"));
    time.SetTimeFormat(kTimeFormatTimecode);
    time.SetSnapOnFrames(true);
    RWyxSceneInfo* info = factory.CreateSceneInfo();
    info->title = "Every kind";
    info->subject = "Reader tests";
    info->author = "The reader";
    info->keywords = "all, of, them";
    info->revision = "7";
    info->comment = "A scene with an object of every kind";
    info->SetVersion(100);
    info->SetThumbnail(MakeThumbnail(factory, 3));
    scene.SetSceneInfo(info);
}

// "Walk": keys on the joints, the camera, a material, a texture, the generic node and the
// character; "Layered": an additive layer on the group's translation.
void AddTakes(RWyxScene& scene, RWyxObjectFactory& factory, RWyxNode* const nodes[4], RWyxMaterial& red,
              RWyxTexture& brick, RWyxGenericNode& generic) {
    RWyxNode& hips = *nodes[0];
    RWyxNode& spine = *nodes[1];
    RWyxNode& camera = *nodes[2];
    RWyxNode& group = *nodes[3];
    for (RWyxTakeNodeContainer* object : std::initializer_list<RWyxTakeNodeContainer*>{
             &hips, &spine, &camera, &red, &brick, &generic, scene.GetCharacter(0), &group}) {
        object->AddTakeNode("Walk");
    }
    AddKey(hips.GetTakeNode(1)->GetTranslationYCurve(), 0.0, 0.0f);
    AddKey(hips.GetTakeNode(1)->GetTranslationYCurve(), 0.5, 1.5f);
    AddKey(hips.GetTakeNode(1)->GetTranslationYCurve(), 1.0, 0.0f);
    AddKey(spine.GetTakeNode(1)->GetRotationZCurve(), 0.0, -10.0f);
    AddKey(spine.GetTakeNode(1)->GetRotationZCurve(), 1.0, 10.0f);
    AddKey(camera.GetTakeNode(1)->GetFieldOfViewCurve(), 0.0, 40.0f);
    AddKey(camera.GetTakeNode(1)->GetFieldOfViewCurve(), 2.0, 25.0f);
    AddKey(red.GetTakeNode(1)->GetDiffuseXCurve(), 0.25, 0.5f);
    AddKey(red.GetTakeNode(1)->GetDiffuseXCurve(), 0.75, 1.0f);
    AddKey(brick.GetTakeNode(1)->GetTextureTranslationXCurve(), 0.0, 0.0f);
    AddKey(brick.GetTakeNode(1)->GetTextureTranslationXCurve(), 1.0, 0.5f);
    AddKey(generic.GetTakeNode(1)->FindCurve(nullptr, nullptr, "Quality"), 0.5, 4.0f);
    AddKey(group.GetTakeNode(1)->FindCurve(nullptr, nullptr, "Speed"), 0.0, 1.0f);
    AddKey(group.GetTakeNode(1)->FindCurve(nullptr, nullptr, "Speed"), 1.5, 3.0f);
    RWyxTakeInfo walk;
    walk.name = "Walk";
    walk.description = "One step";
    walk.localStart = Seconds(0.0);
    walk.localStop = Seconds(2.0);
    walk.referenceStart = Seconds(-1.0);
    walk.referenceStop = Seconds(3.0);
    walk.SetThumbnail(MakeThumbnail(factory, 11));
    scene.SetTakeInfo(walk);

    group.AddTakeNode("Layered");
    RFCurveNode* translation = group.GetTakeNode(2)->GetRootCurveNode()->FindByPath("Transform/T");
    RFCurve* x = group.GetTakeNode(2)->GetTranslationXCurve();
    AddKey(x, 0.0, 1.0f);
    AddKey(x, 1.0, 2.0f);
    RFCurveNode* layer = translation->CreateLayer(1, true);
    AddKey(layer->GetChild(0)->GetCurve(), 0.0, 0.5f);
    AddKey(layer->GetChild(0)->GetCurve(), 1.0, -0.5f);
    AddKey(layer->GetChild(1)->GetCurve(), 0.0, 2.0f);
    AddKey(layer->GetChild(1)->GetCurve(), 0.5, 2.0f);
    scene.SetCurrentTake("Walk");
}

}  // namespace

ReadResult ReadFile(RWyxObjectFactory& factory, const std::string& path,
                    const std::function<void(RStreamOptionsWyx&)>& adjust) {
    return ReadWith(
        factory, [&](RWyxReaderWyx& reader) { return reader.FileOpen(path.c_str()); }, adjust);
}

ReadResult ReadBytes(RWyxObjectFactory& factory, const std::string& bytes,
                     const std::function<void(RStreamOptionsWyx&)>& adjust) {
    return ReadWith(
        factory, [&](RWyxReaderWyx& reader) { return reader.OpenFromMemory(bytes.data(), bytes.size()); }, adjust);
}

bool Write(RWyxObjectFactory& factory, RWyxScene* scene, const std::string& path, Form form,
           RStreamOptionsWyx* options) {
    static constexpr int kModes[] = {RWyxWriterWyx::kFileModeBinary, RWyxWriterWyx::kFileModeAscii,
                                     RWyxWriterWyx::kFileModeEncrypted};
    RWyxWriterWyx6 writer(&factory, nullptr);
    writer.SetFileMode(kModes[static_cast<int>(form)]);
    RStreamOptionsPtr defaults = writer.GetWriteOptions();
    const bool written =
        writer.FileCreate(path.c_str()) && writer.Write(scene, options != nullptr ? options : defaults.get());
    return writer.FileClose() && written;
}

RWyxScene* BuildEveryKindScene(RWyxObjectFactory& factory) {
    RWyxScene* scene = factory.CreateScene();
    RWyxNode* root = scene->GetRootNode();
    RWyxNode* group = AddNode(factory, "Group", root, nullptr);
    group->SetVisibility(false);
    group->SetShadingMode(2);
    group->SetCullingMode(2);
    group->SetDefaultTranslation(RVector4(1.5, -2.0, 0.25, 0));
    group->SetDefaultRotation(RVector4(10, 20, 30, 0));
    group->SetMultiTake(0);
    AddUserProperty(factory, *group, "Speed", "Real", true)->SetDouble(2.5);
    // A model named as the writer would name the root: the root is "Model::Scene 1" then.
    AddNode(factory, "Scene", group, nullptr);
    RWyxNull* locatorNull = factory.CreateNull();
    locatorNull->SetSize(50.0);
    AddNode(factory, "Locator", group, locatorNull);
    RWyxMarker* marker = factory.CreateMarker();
    AddNode(factory, "Effector", group, marker);
    marker->SetType(RWyxMarker::kIKEffector);

    RWyxSkeleton* hipsJoint = factory.CreateSkeleton();
    hipsJoint->SetSkeletonType(RWyxSkeleton::kRoot);
    RWyxNode* hips = AddNode(factory, "Hips", root, hipsJoint);
    RWyxNode* spine = AddNode(factory, "Spine", hips, factory.CreateSkeleton());
    spine->SetDefaultTranslation(RVector4(0, 4, 0, 0));
    // Rotation limits out of Auto: their default and axis are the pivot set's pre- and
    // post-rotation, in use; with their axis length.
    RWyxNodeLimits& limits = *spine->GetLimits();
    limits.SetAuto(RWyxNodeLimits::kRotation, false);
    limits.SetEnable(RWyxNodeLimits::kRotation, true);
    limits.SetDefault(RWyxNodeLimits::kRotation, RVector4(5, 0, 0, 0));
    limits.SetMin(RWyxNodeLimits::kRotation, RVector4(-45, -10, 0, 0));
    limits.SetMax(RWyxNodeLimits::kRotation, RVector4(45, 10, 0, 0));
    limits.SetRotationAxis(RVector4(0, 0, 30, 0));
    limits.SetAxisLength(4.0);
    spine->SetPivotState(0, RWyxPivotSet::kInUse);
    RWyxSkeleton* handJoint = factory.CreateSkeleton();
    handJoint->SetSkeletonType(RWyxSkeleton::kLimb);
    AddNode(factory, "Hand", spine, handJoint);

    RWyxMaterial* materials[2] = {factory.CreateMaterial("Red"), factory.CreateMaterial("Blue")};
    materials[0]->SetDiffuseColor(RWyxColor(0.75, 0.125, 0.0, 1.0));
    materials[1]->SetDiffuseColor(RWyxColor(0.0, 0.25, 0.875, 1.0));
    materials[1]->SetShadingModel("Lambert");
    RWyxTexture* textures[2] = {factory.CreateTexture("Brick"), factory.CreateTexture("Detail")};
    textures[0]->SetFileName("maps/brick.png");
    textures[0]->SetRelativeFileName("brick.png");
    textures[0]->SetMediaName("Video::Brick");
    textures[0]->SetTranslationUV(0.25, 0.5);
    textures[1]->SetFileName("maps/detail.tif");
    textures[1]->SetAlphaSource(RWyxTexture::kAlphaSourceRgbIntensity);
    textures[1]->SetCropping(RWyxTexture::kCropLeft, 4);
    textures[1]->SetModelUVScaling(2.0, 0.5);
    RWyxMesh* box = BuildBox(factory, materials, textures);
    RWyxNode* body = AddNode(factory, "Body", root, box);
    RWyxNode* joints[2] = {hips, spine};
    Skin(factory, *box, *body, joints);
    AddNode(factory, "Sheet", root, BuildSheet(factory));
    AddNode(factory, "Quilt", group, BuildQuilt(factory));

    RWyxCamera* camera = factory.CreateCamera();
    RWyxNode* cameraNode = AddNode(factory, "Camera", root, camera);
    camera->SetPosition(RVector4(0, 15, 60, 0));
    camera->SetUpVector(RVector4(0, 1, 0.125, 0));
    camera->SetInterestPosition(RVector4(0, 15, 0, 0));
    camera->SetFocalLength(35.0);
    camera->SetShowAudio(true);
    camera->SetAudioColor(RVector4(0.5, 1, 0, 0));
    cameraNode->SetTarget(group);
    cameraNode->SetTargetUp(hips);
    RWyxLight* light = factory.CreateLight();
    light->SetLightType(RWyxLight::kSpot);
    light->SetDefaultIntensity(80.0);
    RWyxNode* lamp = AddNode(factory, "Lamp", root, light);
    lamp->SetDefaultTranslation(RVector4(20, 50, 20, 0));
    lamp->SetTarget(hips);
    AddNode(factory, "Glass", root, factory.CreateOptical());

    RWyxPose* bind = factory.CreatePose("Bind", true);
    bind->Add(body->GetName().Buffer(), RMatrix(), false);
    bind->Add(hips->GetName().Buffer(),
              RMatrix::ConstructFromTRS(RVector4(0, 1, 0, 0), RVector4(), RVector4(1, 1, 1, 0)), false);
    scene->AddPose(bind);
    RWyxPose* rest = factory.CreatePose("Rest", false);
    rest->Add(spine->GetName().Buffer(),
              RMatrix::ConstructFromTRS(RVector4(0, 4, 0, 0), RVector4(0, 0, 12, 0), RVector4(1, 1, 1, 0)), true);
    rest->Add(body->GetName().Buffer(), RMatrix(), false);
    scene->AddPose(rest);

    RWyxGenericNode* generic = factory.CreateGenericNode("Settings");
    scene->AddGenericNode(generic);
    AddUserProperty(factory, *generic, "Quality", "Real", true)->SetDouble(3.0);
    AddCharacter(*scene, *hips, *group);
    AddSettings(*scene, factory);
    RWyxNode* animated[4] = {hips, spine, cameraNode, group};
    AddTakes(*scene, factory, animated, *materials[0], *textures[0], *generic);
    return scene;
}

namespace {

std::string WriteFieldFile(const std::string& path, const std::function<void(RWyxFile&)>& fill, int version,
                           bool binary) {
    RWyxFile file;
    RWyxFileHeaderInfo info;
    info.fileVersion = version;
    if (!file.Create(path.c_str(), binary, false, info)) return "";
    fill(file);
    return file.Close() ? path : "";
}

}  // namespace

std::string WriteAsciiFile(const std::string& path, const std::function<void(RWyxFile&)>& fill, int version) {
    return WriteFieldFile(path, fill, version, false);
}

std::string WriteBinaryFile(const std::string& path, const std::function<void(RWyxFile&)>& fill, int version) {
    return WriteFieldFile(path, fill, version, true);
}

void Document::Field(const char* name, const std::vector<Value>& values) {
    Begin(name, values);
    file_.FieldWriteEnd();
}

void Document::Block(const char* name, const std::vector<Value>& values, const Inner& inner) {
    Begin(name, values);
    file_.FieldWriteBlockBegin();
    inner();
    file_.FieldWriteBlockEnd();
    file_.FieldWriteEnd();
}

void Document::Connect(const char* source, const char* destination, const char* property) {
    if (property == nullptr) {
        Field("Connect", {"OO", source, destination});
    } else {
        Field("Connect", {"OP", source, destination, property});
    }
}

void Document::Begin(const char* name, const std::vector<Value>& values) {
    file_.FieldWriteBegin(name);
    for (const Value& value : values) {
        if (const int* i = std::get_if<int>(&value)) file_.FieldWriteInt(*i);
        if (const double* d = std::get_if<double>(&value)) file_.FieldWriteDouble(*d);
        if (const char* const* s = std::get_if<const char*>(&value)) file_.FieldWriteString(*s);
    }
}

RWyxNode* FindModel(RWyxScene& scene, const char* name) { return scene.GetRootNode()->FindChild(name, true, false); }

void AddKey(RFCurve* curve, double seconds, float value) {
    if (curve == nullptr) return;
    curve->AddKey(Seconds(seconds), RCurveKey::Plain(Seconds(seconds), value, RCurveKey::Cubic));
}

std::string WarningWith(const ReadResult& result, const std::string& text) {
    std::istringstream lines(result.warningText);
    for (std::string line; std::getline(lines, line);) {
        if (line.find(text) != std::string::npos) return line;
    }
    return "";
}

void ExpectWarnings(const ReadResult& result, const std::vector<std::string>& texts) {
    EXPECT_EQ(result.warnings, static_cast<int>(texts.size())) << result.warningText;
    for (const std::string& text : texts) EXPECT_NE(WarningWith(result, text), "") << text;
}

void ExpectBareGeometry(const ReadResult& result, bool empty, std::vector<std::string> meshWarnings,
                        std::string& emptyWarnings) {
    ASSERT_TRUE(result.read) << result.errorText;
    meshWarnings.insert(meshWarnings.end(),
                        {"Model \"Model::Bare\": 2 polygons naming control points past its 0 were dropped",
                         "Model \"Model::Sheet\": Dimensions 0 x 0 hold no control point; the surface was dropped",
                         "Model \"Model::Quilt\": Dimensions 0 x 0 hold no control point"});
    ExpectWarnings(result, meshWarnings);
    if (empty) emptyWarnings = result.warningText;
    EXPECT_EQ(result.warningText, emptyWarnings);
    const RWyxMesh* mesh = FindModel(*result.scene, "Bare")->GetMesh();
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetControlPointsCount() + mesh->GetPolygonCount(), 0);
    EXPECT_EQ(FindModel(*result.scene, "Sheet")->GetNurb()->GetControlPointsCount(), 0);
    EXPECT_EQ(FindModel(*result.scene, "Quilt")->GetPatch()->GetControlPointsCount(), 0);
}

}  // namespace reader_test
