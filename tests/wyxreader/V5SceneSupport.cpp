#include "tests/wyxreader/V5SceneSupport.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxCharacterConstraint.h"
#include "attributes/RWyxCharacterLink.h"
#include "attributes/RWyxCharacterPose.h"
#include "attributes/RWyxCharacterTables.h"
#include "attributes/RWyxControlSet.h"
#include "attributes/RWyxGlobalCameraSettings.h"
#include "attributes/RWyxGobo.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElementTexture.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMarker.h"
#include "attributes/RWyxMarkerSet.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxOptical.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkeleton.h"
#include "attributes/RWyxTexture.h"
#include "attributes/RWyxThumbnail.h"
#include "attributes/RWyxTypedLayerElement.h"
#include "core/RWyxColor.h"
#include "core/RWyxUserProperty.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "fileio/RWyxFileExporter.h"
#include "samples/SampleCharacter.h"
#include "scene/RWyxGlobalLightSettings.h"
#include "scene/RWyxGlobalTimeSettings.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxSceneInfo.h"
#include "scene/RWyxTakeInfo.h"
#include "scene/RWyxTakeNode.h"

#include <cstdio>
#include <vector>

namespace reader_test {

namespace {

using Element = RWyxLayerElement;
using Tables = RWyxCharacterTables;

RTime Seconds(double seconds) { return RTime(static_cast<std::int64_t>(seconds * RTime::kTicksPerSecond)); }

void Keys(RFCurve* curve, std::initializer_list<std::pair<double, float>> keys) {
    if (curve == nullptr) return;
    for (const auto& [seconds, value] : keys) {
        curve->AddKey(Seconds(seconds), RCurveKey::Plain(Seconds(seconds), value, RCurveKey::Cubic));
    }
}

RWyxNode* Add(RWyxObjectFactory& factory, const char* name, RWyxNode* parent, RWyxNodeAttribute* attribute = nullptr) {
    RWyxNode* node = factory.CreateNode(name);
    if (attribute != nullptr) node->SetNodeAttribute(attribute);
    parent->AddChild(node);
    return node;
}

RWyxNode* Find(RWyxScene& scene, const char* name) { return scene.GetRootNode()->FindChild(name, true, false); }

// A quad and a triangle with two materials by polygon, two texture layers (the second all
// the same with UVs by control point), colours by polygon vertex, groups, a shape and a grid.
RWyxMesh* BuildPlate(RWyxObjectFactory& factory) {
    RWyxMesh* mesh = factory.CreateMesh();
    mesh->InitControlPoints(5);
    const double points[5][3] = {{0, 0, 0}, {2, 0, 0}, {2, 0, 2}, {0, 0, 2}, {1, 1, 3}};
    for (int i = 0; i < 5; ++i) mesh->GetControlPoints()[i] = RVector4(points[i][0], points[i][1], points[i][2], 1);
    mesh->InitNormals(0);
    for (int i = 0; i < 5; ++i) mesh->GetNormals()[i] = RVector4(0, 1, 0, 0);
    mesh->AddMaterial(factory.CreateMaterial("Steel"));
    mesh->AddMaterial(factory.CreateMaterial("Rust"));
    mesh->InitMaterialIndices(RWyxMesh::kKindByPolygon);
    mesh->AddTexture(factory.CreateTexture("Grain"));
    mesh->AddTexture(factory.CreateTexture("Stain"));
    mesh->InitTextureIndices(RWyxMesh::kKindByPolygon);
    mesh->BeginPolygon(0, 1, 3);
    for (int v : {0, 1, 2, 3}) mesh->AddPolygonVertex(v);
    mesh->BeginPolygon(1, 0, 5);
    for (int v : {3, 2, 4}) mesh->AddPolygonVertex(v);
    mesh->AddTexture(factory.CreateTexture("Decal"), 1);
    RWyxLayer* second = mesh->GetLayer(1);
    second->GetTextures()->IndexArray() = {0};
    second->GetTextures()->SetBlendMode(RWyxLayerElementTexture::kAdditive);
    RWyxLayerElementUV* uvs = second->SetUVs(std::make_unique<RWyxLayerElementUV>());
    uvs->SetMappingMode(Element::kByControlPoint);
    uvs->SetReferenceMode(Element::kIndexToDirect);
    uvs->DirectArray() = {RVector2{0.0, 0.0}, RVector2{1.0, 0.5}};
    uvs->IndexArray() = {0, 1, 1, 0, 1};
    RWyxLayerElementVertexColor* colors = mesh->GetLayer(0)->SetVertexColors(std::make_unique<RWyxLayerElementVertexColor>());
    colors->SetMappingMode(Element::kByPolygonVertex);
    colors->SetReferenceMode(Element::kIndexToDirect);
    colors->DirectArray() = {RWyxColor(1, 0, 0, 1), RWyxColor(0, 0.5, 1, 0.25)};
    colors->IndexArray() = {0, 1, 0, 1, 1, 0, 1};
    RWyxShape* dent = factory.CreateShape();
    dent->InitControlPoints(5);
    for (int i = 0; i < 5; ++i) dent->GetControlPoints()[i] = mesh->GetControlPoints()[i];
    dent->GetControlPoints()[4].y = 0.25;
    dent->InitNormals(0);
    for (int i = 0; i < 5; ++i) dent->GetNormals()[i] = RVector4(0, 1, 0, 0);
    dent->GetNormals()[4] = RVector4(0, 0.5, 0.5, 0);
    mesh->AddShape(dent, "Dent");
    RWyxMesh::Grid grid;
    grid.uCount = 2;
    grid.vCount = 2;
    grid.uStep = 4;
    grid.vClosed = true;
    mesh->SetGrid(grid);
    return mesh;
}

RWyxNurb* BuildSheet(RWyxObjectFactory& factory) {
    RWyxNurb* nurb = factory.CreateNurb();
    nurb->InitControlPoints(3, RWyxNurb::kOpen, 2, RWyxNurb::kClosed);
    nurb->SetOrder(3, 2);
    nurb->SetStep(6, 5);
    for (int i = 0; i < 6; ++i) nurb->GetControlPoints()[i] = RVector4(i % 3, i / 3, 0.5 * i, 1.0 + 0.25 * i);
    for (int k = 0; k < nurb->GetUKnotCount(); ++k) nurb->GetUKnotVector()[k] = k;
    for (int k = 0; k < nurb->GetVKnotCount(); ++k) nurb->GetVKnotVector()[k] = 0.5 * k;
    nurb->GetUMultiplicity()[1] = 2;
    nurb->AddMaterial(factory.CreateMaterial("Cloth"));
    return nurb;
}

RWyxPatch* BuildCap(RWyxObjectFactory& factory) {
    RWyxPatch* patch = factory.CreatePatch();
    patch->InitControlPoints(2, RWyxPatch::kBSpline, 2, RWyxPatch::kLinear);
    for (int i = 0; i < 4; ++i) patch->GetControlPoints()[i] = RVector4(i % 2, 0, i / 2, 1);
    patch->SetClosed(true, false);
    patch->SetCapped(RWyxPatch::kVCapTop, true);
    patch->SetStep(3, 7);
    return patch;
}

void AddMarkersAndSkeleton(RWyxObjectFactory& factory, RWyxScene& scene) {
    RWyxNode* character = Find(scene, "Character");
    RWyxNull* null = factory.CreateNull();
    null->SetSize(5.0);
    Add(factory, "Anchor", character, null);
    RWyxMarker* effector = factory.CreateMarker();
    effector->SetType(RWyxMarker::kIKEffector);
    effector->SetLook(RWyxMarker::kLookSphere);
    effector->SetSize(2.0);
    effector->SetColor(RWyxColor(0.25, 0.5, 0.75, 1));
    effector->SetIKReachRotation(30.0);
    RWyxNode* effectorNode = Add(factory, "Effector", character, effector);
    RWyxMarker* dot = factory.CreateMarker();
    dot->SetType(RWyxMarker::kOpticalMarker);
    Add(factory, "Dot", character, dot);
    Add(factory, "Sensor", character, factory.CreateOptical());
    RWyxSkeleton* tail = factory.CreateSkeleton();
    tail->SetSkeletonType(RWyxSkeleton::kLimb);
    tail->SetLimbLength(4.0);
    tail->SetColor(RWyxColor(0.5, 0.25, 0.125, 1));
    Add(factory, "Tail", Find(scene, "Hips"), tail);
    RWyxTakeNode* walk = effectorNode->AddTakeNode("Walk");
    Keys(walk->GetIKReachTranslationCurve(), {{0, 0.0f}, {1, 100.0f}});
    Keys(Find(scene, "Dot")->AddTakeNode("Walk")->GetOcclusionCurve(), {{0, 0.0f}, {0.5, 1.0f}});
}

void AddLimitsTargetsAndUserValues(RWyxObjectFactory& factory, RWyxScene& scene) {
    RWyxNode* spine = Find(scene, "Spine");
    RWyxNodeLimits& limits = *spine->GetLimits();
    limits.SetAuto(RWyxNodeLimits::kRotation, false);
    limits.SetEnable(RWyxNodeLimits::kRotation, true);
    limits.SetMin(RWyxNodeLimits::kRotation, RVector4(-45, 0, -10, 0));
    limits.SetMax(RWyxNodeLimits::kRotation, RVector4(45, 0, 10, 0));
    limits.SetRotationAxis(RVector4(0, 0, 15, 0));
    limits.SetAxisLength(3.0);
    spine->SetRotationOrder(0, 6);
    RWyxNode* hips = Find(scene, "Hips");
    hips->GetLimits()->SetAuto(RWyxNodeLimits::kTranslation, false);
    hips->GetLimits()->SetMin(RWyxNodeLimits::kTranslation, RVector4(-1, 0, -1, 0));
    RWyxNode* camera = Find(scene, "Camera");
    camera->SetTarget(Find(scene, "Character"));
    camera->SetTargetUp(Find(scene, "Light"));
    camera->SetPostTargetRotation(10, 20, 30, 0);
    RWyxNode* character = Find(scene, "Character");
    Find(scene, "Light")->SetTarget(character);  // the sample aims its light by rotation alone
    RWyxUserProperty* speed = factory.CreateUserProperty("Speed", "Real", "Walking speed");
    speed->SetFlag(RWyxUserProperty::kFlagAnimatable, true);
    speed->SetMin(0.0);
    speed->SetMax(10.0);
    character->AddUserProperty(factory.HandOverUserProperty(speed));
    speed->SetDouble(2.5);
    character->SetVisibility(false);
    character->SetCullingMode(1);
    character->SetShadingMode(2);
}

void AddGeometry(RWyxObjectFactory& factory, RWyxScene& scene) {
    RWyxNode* root = scene.GetRootNode();
    RWyxNode* plate = Add(factory, "Plate", root, BuildPlate(factory));
    plate->SetDefaultTranslation(RVector4(5, 0, -5, 0));
    plate->SetDefaultRotation(RVector4(0, 90, 0, 0));
    Add(factory, "Sheet", plate, BuildSheet(factory));
    Add(factory, "Cap", plate, BuildCap(factory));
    RWyxMaterial* steel = plate->GetMesh()->GetMaterial(0, 0);
    steel->SetShininess(0.375);
    steel->SetSpecularColor(RWyxColor(0.5, 0.5, 0.5, 1));
    steel->SetShadingModel("Lambert");
    RWyxTakeNode* walk = steel->AddTakeNode("Walk");
    Keys(walk->GetShininessCurve(), {{0, 16.0f}, {1, 96.0f}});
    Keys(walk->GetDiffuseXCurve(), {{0, 0.5f}, {1, 1.0f}});
    RWyxTexture* grain = plate->GetMesh()->GetTexture(0, 0);
    grain->SetMappingType(1);
    grain->SetTranslationUV(0.5, 0.25);
    grain->SetCropping(RWyxTexture::kCropLeft, 3);
    Keys(grain->AddTakeNode("Walk")->GetAlphaCurve(), {{0, 1.0f}, {1, 0.5f}});
}

void AddCharacters(RWyxObjectFactory& factory, RWyxScene& scene) {
    RWyxNode* hips = Find(scene, "Hips");
    RWyxNode* spine = Find(scene, "Spine");
    RWyxMarkerSet* set = scene.GetMarkerSet(scene.CreateMarkerSet("Markers"));
    RWyxMarkerSetEntry entry;
    entry.name = "HipMarker";
    entry.nodeIndex = 2;
    entry.oriented = true;
    entry.defaultPosition = RVector4(0, 1, 0, 0);
    entry.rotationOffset = RVector4(0, 0, 90, 0);
    set->AddMarker(entry, hips);
    RWyxCharacterConstraint* actor = scene.GetConstraint(scene.CreateConstraint("Actor"));
    actor->SetMarkerSet(set);
    actor->SetMeshColor(RWyxColor(0.5, 0.5, 1, 1));
    actor->SetNodeScale(3, RVector4(1, 2, 1, 0));
    RWyxCharacter* hero = scene.GetCharacter(scene.CreateCharacter("Hero"));
    hero->SetInput(RWyxCharacter::kInputActor, actor);
    RWyxCharacterLink link;
    link.node = hips;
    link.translationOffset = RVector4(0, 1, 0, 0);
    hero->SetCharacterLink(Tables::FindLinkByName("Hips"), link);
    link.node = spine;
    link.name = "Back";
    link.rotationOffset = RVector4(5, 0, 0, 0);
    hero->SetCharacterLink(Tables::FindLinkByName("Spine"), link);
    RWyxCharacterParameter parameter;
    parameter.mode = 1;
    parameter.value = 0.5;
    hero->SetParameter(4, parameter);
    RWyxControlSet& controls = hero->GetControlSet();
    controls.SetType(1);
    controls.SetModelLink(Tables::FindLinkByName("Hips"), hips, "HipsControl");
    RWyxControlSetEffector flags;
    flags.rotationActive = true;
    controls.SetEffector(0, hips, flags);
    controls.SetAuxiliaryEffector(0, 0, spine, "Pin");
    RWyxCharacter* follower = scene.GetCharacter(scene.CreateCharacter("Follower"));
    follower->SetInput(RWyxCharacter::kInputCharacter, hero);
    RWyxCharacterPose* stand = scene.GetCharacterPose(scene.CreateCharacterPose("Stand"));
    RWyxScene& posed = *stand->GetPoseScene();
    RWyxSkeleton* joint = factory.CreateSkeleton();
    joint->SetSkeletonType(RWyxSkeleton::kRoot);
    RWyxNode* posedHips = Add(factory, "PosedHips", posed.GetRootNode(), joint);
    posedHips->SetDefaultTranslation(RVector4(0, 9, 0, 0));
    Add(factory, "PosedSpine", posedHips)->SetDefaultRotation(RVector4(0, 0, 12, 0));
    RWyxPose* rest = factory.CreatePose("Rest", false);
    rest->Add("Model::Spine", RMatrix::ConstructFromTRS(RVector4(0, 10, 0, 0), RVector4(0, 0, 5, 0), RVector4(1, 1, 1, 0)), true);
    scene.AddPose(rest);
}

void AddSettings(RWyxObjectFactory& factory, RWyxScene& scene, const std::string& folder) {
    RWyxCamera* camera = Find(scene, "Camera")->GetCamera();
    if (!folder.empty()) {
        const std::string picture = folder + "/sky.png";
        if (std::FILE* file = std::fopen(picture.c_str(), "wb")) {
            std::fputs("sky picture", file);
            std::fclose(file);
        }
        camera->SetBackgroundFileName(picture.c_str());
    }
    camera->SetProjectionType(RWyxCamera::kOrthographic);
    camera->SetNearPlane(1.0);
    camera->SetFarPlane(900.0);
    camera->SetApertureMode(RWyxCamera::kApertureVertical);
    camera->SetUpVector(RVector4(0, 0.5, 0.5, 0));
    RWyxLight* light = Find(scene, "Light")->GetLight();
    RWyxGobo* leaves = factory.CreateGobo("Leaves");
    leaves->SetPath("gobos/leaves.tif");
    light->SetGobo(leaves);
    light->SetDefaultColor(1.0, 0.75, 0.5);
    RWyxGlobalCameraSettings& cameras = *scene.GetGlobalCameraSettings();
    cameras.GetProducerTop()->SetPosition(RVector4(0, 1500, 0, 0));
    cameras.GetProducerFront()->SetFocalLength(70.0);
    cameras.SetDefaultCamera("Producer Top");
    cameras.SetDefaultViewingMode(2);
    RWyxGlobalLightSettings& lights = *scene.GetGlobalLightSettings();
    lights.SetAmbientColor(RWyxColor(0.25, 0.25, 0.5, 1));
    lights.SetFogEnable(true);
    lights.AddShadowPlane(true, RVector4(0, -1, 0, 1), RVector4(0, 1, 0, 1));
    RWyxGlobalTimeSettings& time = *scene.GetGlobalTimeSettings();
    time.SetTimeMode(11);
    time.SetSnapOnFrames(true);
    time.AddTimeMarker(RWyxTimeMarker("Start", Seconds(0.5), false));
    time.AddTimeMarker(RWyxTimeMarker("Loop", Seconds(1.5), true));
    time.SetReferenceTimeIndex(1);
    RWyxSceneInfo* info = factory.CreateSceneInfo();
    info->title = "Walker";
    info->author = "Tests";
    scene.SetSceneInfo(info);
}

void AddTakes(RWyxScene& scene) {
    RWyxNode* switcher = scene.GetCameraSwitcherNode();
    Keys(switcher->AddTakeNode("Walk")->GetCameraIndexCurve(), {{0, 1.0f}, {1, 2.0f}});
    RWyxNode* hips = Find(scene, "Hips");
    Keys(hips->AddTakeNode("Run")->GetRotationYCurve(), {{0, 0.0f}, {0.5, 45.0f}, {1, 90.0f}});
    RWyxNode* character = Find(scene, "Character");
    Keys(character->AddTakeNode("Walk")->FindCurve(nullptr, nullptr, "Speed"), {{0, 1.0f}, {1, 3.0f}});
    RWyxTakeInfo run;
    run.name = "Run";
    run.description = "Faster";
    run.localStart = Seconds(0.0);
    run.localStop = Seconds(2.0);
    scene.SetTakeInfo(run);
    scene.SetCurrentTake("Walk");
}

}  // namespace

RWyxScene* BuildVersion5Scene(RWyxObjectFactory& factory, const std::string& folder) {
    RWyxScene* scene = sample::BuildCharacterScene(factory);
    if (scene == nullptr) return nullptr;
    AddMarkersAndSkeleton(factory, *scene);
    AddLimitsTargetsAndUserValues(factory, *scene);
    AddGeometry(factory, *scene);
    AddCharacters(factory, *scene);
    AddSettings(factory, *scene, folder);
    AddTakes(*scene);
    return scene;
}

std::string Export5(RWyxObjectFactory& factory, RWyxScene* scene, const std::string& path, Form5 form, bool embedMedia) {
    RWyxFileExporter* exporter = factory.CreateFileExporter();
    exporter->Initialize(path.c_str());
    exporter->SetFileFormat(static_cast<int>(form));
    exporter->SetIOFlag(RWyxFileExporter::kIOFlagEmbedMedia, embedMedia);
    const bool written = exporter->Export(scene);
    const std::string error = written ? std::string() : std::string("export: ") + exporter->GetLastErrorString();
    factory.DestroyFileExporter(exporter);
    return error;
}

}  // namespace reader_test
