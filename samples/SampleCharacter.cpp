#include "samples/SampleCharacter.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxSkeleton.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTexture.h"
#include "core/RWyxColor.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "fileio/RStreamOptionsWyx.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeInfo.h"
#include "scene/RWyxTakeNode.h"
#include "wyxwriter/RWyxWriterWyx6.h"

namespace sample {

namespace {

constexpr int kSides = 8;
constexpr int kRings = 4;
constexpr double kRingHeight = 10.0;
constexpr double kRadius = 4.0;
// cos and sin of k × 45 degrees.
constexpr double kCos[kSides] = {1.0, 0.7071067811865476, 0.0, -0.7071067811865476,
                                 -1.0, -0.7071067811865476, 0.0, 0.7071067811865476};
constexpr double kSin[kSides] = {0.0, 0.7071067811865476, 1.0, 0.7071067811865476,
                                 0.0, -0.7071067811865476, -1.0, -0.7071067811865476};
const char* const kJointNames[3] = {"Hips", "Spine", "Head"};
// atan(sqrt(20² + 20²) / 50) in degrees: the angle between the light's -Y axis and the way from
// the light down to the character.
constexpr double kLightTilt = 29.49620849656644;

RTime Seconds(double seconds) { return RTime(static_cast<std::int64_t>(seconds * RTime::kTicksPerSecond)); }

void AddKey(RFCurve* curve, double seconds, float value) {
    if (curve == nullptr) return;
    curve->AddKey(Seconds(seconds), RCurveKey::Plain(Seconds(seconds), value, RCurveKey::Cubic));
}

RWyxNode* AddNode(RWyxObjectFactory& factory, const char* name, RWyxNode* parent, RWyxNodeAttribute* attribute) {
    RWyxNode* node = factory.CreateNode(name);
    if (node == nullptr) return nullptr;
    if (attribute != nullptr) node->SetNodeAttribute(attribute);
    parent->AddChild(node);
    return node;
}

// The column: kRings rings of kSides points, quads between the rings, normals facing out,
// UVs per polygon vertex, one material and one texture for every polygon.
RWyxMesh* BuildBody(RWyxObjectFactory& factory) {
    RWyxMesh* mesh = factory.CreateMesh();
    mesh->InitControlPoints(kRings * kSides);
    mesh->InitNormals(0);
    RVector4* points = mesh->GetControlPoints();
    RVector4* normals = mesh->GetNormals();
    for (int ring = 0; ring < kRings; ++ring) {
        for (int side = 0; side < kSides; ++side) {
            const int i = ring * kSides + side;
            points[i] = RVector4(kRadius * kCos[side], ring * kRingHeight, kRadius * kSin[side], 1.0);
            normals[i] = RVector4(kCos[side], 0.0, kSin[side], 1.0);
        }
    }
    RWyxMaterial* skin = factory.CreateMaterial("Skin");
    skin->SetDiffuseColor(RWyxColor(0.8, 0.6, 0.5, 1.0));
    skin->SetShininess(0.25);
    RWyxTexture* color = factory.CreateTexture("SkinColor");
    color->SetFileName("textures/skin.png");
    color->SetRelativeFileName("textures/skin.png");
    mesh->AddMaterial(skin);
    mesh->InitMaterialIndices(RWyxMesh::kKindByPolygon);
    mesh->AddTexture(color);
    mesh->InitTextureIndices(RWyxMesh::kKindByPolygon);
    mesh->InitTextureUVMapping(RWyxMesh::kKindByPolygonVertex);
    for (int ring = 0; ring <= kRings - 1; ++ring) {
        for (int side = 0; side <= kSides; ++side) mesh->AddTextureUV(side / double(kSides), ring / double(kRings - 1));
    }
    for (int ring = 0; ring + 1 < kRings; ++ring) {
        for (int side = 0; side < kSides; ++side) {
            const int next = (side + 1) % kSides;
            const int corners[4] = {ring * kSides + side, ring * kSides + next, (ring + 1) * kSides + next,
                                    (ring + 1) * kSides + side};
            const int uvs[4] = {ring * (kSides + 1) + side, ring * (kSides + 1) + side + 1,
                                (ring + 1) * (kSides + 1) + side + 1, (ring + 1) * (kSides + 1) + side};
            mesh->BeginPolygon(0, 0, -1);
            for (int c = 0; c < 4; ++c) mesh->AddPolygonVertex(corners[c], uvs[c]);
        }
    }
    return mesh;
}

// The weights of the rings per joint: each ring follows its joint, half and half where two
// joints meet.
constexpr double kWeights[3][kRings] = {{1.0, 0.5, 0.0, 0.0}, {0.0, 0.5, 0.5, 0.0}, {0.0, 0.0, 0.5, 1.0}};

void Skin(RWyxObjectFactory& factory, RWyxMesh& mesh, RWyxNode* const joints[3], RWyxNode& body) {
    for (int j = 0; j < 3; ++j) {
        RWyxSkinLink* link = factory.CreateSkinLink();
        link->SetLink(joints[j]);
        link->SetMode(RWyxSkinLink::kTotal1);
        for (int ring = 0; ring < kRings; ++ring) {
            if (kWeights[j][ring] <= 0.0) continue;
            for (int side = 0; side < kSides; ++side) link->AddControlPointIndex(ring * kSides + side, kWeights[j][ring]);
        }
        link->SetTransformMatrix(RMatrix());
        link->SetTransformLinkMatrix(RMatrix::ConstructFromTRS(RVector4(0, j * kRingHeight, 0, 0), RVector4(),
                                                               RVector4(1, 1, 1, 0)));
        link->SetAssociateModel(&body);
        mesh.AddDeformer(link);
    }
}

}  // namespace

RWyxScene* BuildCharacterScene(RWyxObjectFactory& factory) {
    RWyxScene* scene = factory.CreateScene();
    if (scene == nullptr) return nullptr;
    RWyxNode* root = scene->GetRootNode();
    RWyxNode* character = AddNode(factory, "Character", root, factory.CreateNull());

    RWyxNode* joints[3] = {};
    RWyxNode* parent = character;
    for (int j = 0; j < 3; ++j) {
        RWyxSkeleton* joint = factory.CreateSkeleton();
        joint->SetSkeletonType(j == 0 ? RWyxSkeleton::kRoot : RWyxSkeleton::kLimbNode);
        joints[j] = AddNode(factory, kJointNames[j], parent, joint);
        joints[j]->SetDefaultTranslation(RVector4(0, j == 0 ? 0.0 : kRingHeight, 0, 0));
        parent = joints[j];
    }
    RWyxMesh* mesh = BuildBody(factory);
    RWyxNode* body = AddNode(factory, "Body", character, mesh);
    body->SetShadingMode(4);
    Skin(factory, *mesh, joints, *body);

    RWyxPose* bindPose = factory.CreatePose("BindPose", true);
    bindPose->Add(body->GetName().Buffer(), RMatrix(), false);
    for (int j = 0; j < 3; ++j) {
        bindPose->Add(joints[j]->GetName().Buffer(),
                      RMatrix::ConstructFromTRS(RVector4(0, j * kRingHeight, 0, 0), RVector4(), RVector4(1, 1, 1, 0)),
                      false);
    }
    scene->AddPose(bindPose);

    RWyxCamera* camera = factory.CreateCamera();
    RWyxNode* cameraNode = AddNode(factory, "Camera", root, camera);
    camera->SetPosition(RVector4(0, 15, 60, 0));
    camera->SetInterestPosition(RVector4(0, 15, 0, 0));
    camera->SetFocalLength(35.0);

    RWyxLight* light = factory.CreateLight();
    light->SetLightType(RWyxLight::kSpot);
    light->SetDefaultIntensity(80.0);
    RWyxNode* lightNode = AddNode(factory, "Light", root, light);
    lightNode->SetDefaultTranslation(RVector4(20, 50, 20, 0));
    // Aimed by its rotation, not by a target (the import makes no look-at for a light): a light
    // shines down its -Y axis, which kLightTilt about X, then 45 degrees about Y, turn from
    // (20, 50, 20) to the character at the origin.
    lightNode->SetDefaultRotation(RVector4(kLightTilt, 45.0, 0.0, 0.0));

    // The take "Walk": the hips bob, the spine sways, the camera dollies in.
    for (RWyxNode* node : {joints[0], joints[1], cameraNode}) node->AddTakeNode("Walk");
    RWyxTakeNode* hips = joints[0]->GetTakeNode(1);
    AddKey(hips->GetTranslationYCurve(), 0.0, 0.0f);
    AddKey(hips->GetTranslationYCurve(), 0.5, 1.5f);
    AddKey(hips->GetTranslationYCurve(), 1.0, 0.0f);
    RWyxTakeNode* spine = joints[1]->GetTakeNode(1);
    AddKey(spine->GetRotationZCurve(), 0.0, -10.0f);
    AddKey(spine->GetRotationZCurve(), 1.0, 10.0f);
    RWyxTakeNode* dolly = cameraNode->GetTakeNode(1);
    AddKey(dolly->GetTranslationZCurve(), 0.0, 60.0f);
    AddKey(dolly->GetTranslationZCurve(), 1.0, 45.0f);
    RWyxTakeInfo walk;
    walk.name = "Walk";
    walk.description = "One step";
    scene->SetTakeInfo(walk);
    scene->SetCurrentTake("Walk");
    return scene;
}

bool WriteCharacterScene(RWyxObjectFactory& factory, RWyxScene* scene, const char* path, int formatId) {
    RWyxWriterWyx6 writer(&factory, nullptr);
    writer.SetFileMode(formatId == 1 ? RWyxWriterWyx::kFileModeAscii : RWyxWriterWyx::kFileModeBinary);
    RStreamOptionsPtr options = writer.GetWriteOptions();
    return writer.FileCreate(path) && writer.Write(scene, options.get()) && writer.FileClose();
}

}  // namespace sample
