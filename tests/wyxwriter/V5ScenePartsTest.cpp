// Version-5 scene-level blocks: gobos, marker sets, actors, characters, poses with the nested
// scene of a character pose, constraints, the media with their content, the renderer and
// time settings with the producer cameras.

#include "tests/wyxwriter/WriterTestSupport.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxCharacterConstraint.h"
#include "attributes/RWyxCharacterTables.h"
#include "attributes/RWyxControlSet.h"
#include "attributes/RWyxCharacterPose.h"
#include "attributes/RWyxGlobalCameraSettings.h"
#include "attributes/RWyxGobo.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMarkerSet.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxTexture.h"
#include "core/FilePaths.h"
#include "core/RDirectoryIterator.h"
#include "fileio/RImageBuffer.h"
#include "fileio/RImageConverter.h"
#include "fileio/RWyxFile.h"
#include "platform/NativeFiles.h"
#include "scene/RWyxGlobalLightSettings.h"
#include "scene/RWyxGlobalTimeSettings.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"

#include <set>
#include <string>

namespace {

using namespace writer_test;
using Names = std::vector<std::string>;

const Names kDefaultOffsets = {"TOFFSETX:0", "TOFFSETY:0", "TOFFSETZ:0", "ROFFSETX:0", "ROFFSETY:0",
                               "ROFFSETZ:0", "SOFFSETX:1", "SOFFSETY:1", "SOFFSETZ:1"};

class V5ScenePartsTest : public WriterTest {
protected:
    FileTree Write(Form form = Form::kV5Binary) { return WriteAndRead(form); }
    // A mesh node textured with a picture of that path.
    RWyxTexture* Textured(const char* node, const std::string& picture) {
        RWyxMesh* mesh = factory.CreateMesh();
        RWyxTexture* texture = factory.CreateTexture(node);
        texture->SetFileName(picture.c_str());
        mesh->AddTexture(texture);
        AddNode(node)->SetNodeAttribute(mesh);
        return texture;
    }
    // The raw bytes of the Content field of the medium, as the file holds them.
    std::string Content(const std::string& medium) {
        RWyxFile file;
        std::string bytes;
        if (!file.Open(path.c_str()) || !file.FieldReadBegin("Media") || !file.FieldReadBlockBegin() ||
            !file.FieldReadBegin("Video") || !file.FieldReadBlockBegin()) {
            return "(no media)";
        }
        while (file.FieldReadBegin("Video")) {
            const bool wanted = file.FieldReadString() == medium.c_str();
            if (wanted && file.FieldReadBlockBegin() && file.FieldReadBegin("Content")) {
                const char* data = nullptr;
                std::uint32_t size = 0;
                if (file.FieldReadRaw(data, size)) bytes.assign(data, size);
                return bytes;
            }
            file.FieldReadEnd();
        }
        return "(no medium)";
    }
};

TEST_F(V5ScenePartsTest, GobosMarkerSetsActorsAndCharacters) {
    RWyxGobo* leaves = factory.CreateGobo("Leaves");
    leaves->SetPath("leaves.tif");
    for (const char* name : {"Key", "Fill"}) {
        RWyxLight* light = factory.CreateLight();
        light->SetGobo(leaves);
        AddNode(name)->SetNodeAttribute(light);
    }
    RWyxNode* hips = AddNode("Hips");
    RWyxNode* outside = factory.CreateNode("Outside");
    RWyxMarkerSet* set = scene->GetMarkerSet(scene->CreateMarkerSet("Markers"));
    RWyxMarkerSetEntry entry;
    entry.nodeIndex = 3;
    entry.defaultPosition = RVector4(1, 2, 3, 0);
    set->AddMarker(entry, hips);
    set->AddMarker(entry, outside);
    RWyxCharacterConstraint* actor = scene->GetConstraint(scene->CreateConstraint("Actor"));
    actor->SetMarkerSet(set);
    RWyxCharacter* hero = scene->GetCharacter(scene->CreateCharacter("Hero"));
    hero->SetInput(RWyxCharacter::kInputActor, actor);
    RWyxCharacterLink link;
    link.node = hips;
    link.translationOffset = RVector4(0, 5, 0, 0);
    hero->SetCharacterLink(0, link);
    RWyxControlSet& controlSet = hero->GetControlSet();
    controlSet.SetModelLink(0, hips, "Hips control");
    RWyxControlSetEffector flags;
    flags.translationActive = true;
    controlSet.SetEffector(3, hips, flags);
    controlSet.SetEffector(4, outside, flags);
    controlSet.SetAuxiliaryEffector(3, 0, hips, "Pin");
    const FileTree tree = Write();
    const Record& gobos = tree.main.Child("GoboManager");
    EXPECT_EQ(gobos.NamesWithValue(), (Names{"Gobo", "LightGobo:Model::Key", "LightGobo:Model::Fill"})) << "one gobo, two lights";
    EXPECT_EQ(gobos.Child("Gobo").NamesWithValue(), (Names{"Version:250", "GoboName:Leaves", "GoboPath:leaves.tif", "DrawComponent:1"}));
    const Record& markers = tree.main.Child("MARKERSET");
    EXPECT_EQ(markers.NamesWithValue(), (Names{"NAME:MarkerSet::Markers", "MARKER"})) << "the node outside is left out";
    EXPECT_EQ(markers.Child("MARKER").Child("NAME").values, Names{"Hips"});
    EXPECT_EQ(markers.Child("MARKER").Child("MODEL").values, Names{"Model::Hips"});
    EXPECT_EQ(markers.Child("MARKER").Child("DEFAULTZ").Number(), 3.0);
    const Record& actorRecord = tree.main.Child("ACTOR");
    EXPECT_EQ(actorRecord.Child("MARKERSETINDEX").Int(), 0);
    EXPECT_EQ(actorRecord.All("NODESCALE").size(), 21u);
    const Record& character = tree.main.Child("CHARACTER");
    EXPECT_EQ(character.Child("ACTORINDEX").Int(), 0);
    EXPECT_EQ(character.Child("CHARACTERINDEX").Int(), -1);
    EXPECT_EQ(character.Child("REFERENCE").NamesWithValue(), kDefaultOffsets) << "no link 67: default offsets";
    const Record& base = character.Child("BASE");
    EXPECT_EQ(base.Child("LINK").values, Names{"Hips"});
    EXPECT_EQ(base.Child("LINK").Child("MODEL").values, Names{"Model::Hips"});
    EXPECT_EQ(base.Child("LINK").Child("TOFFSETY").Number(), 5.0);
    EXPECT_EQ(base.Child("LINK", 1).NamesWithValue(), kDefaultOffsets) << "a link of version 4000 is always listed";
    for (const Record* spine : character.Child("SPINE").All("LINK")) EXPECT_NE(spine->values[0], "Spine4") << "4500: left out";
    EXPECT_EQ(character.Child("FILTERSET").All("PARAM").size(), 177u);
    EXPECT_NE(character.Find("GAMEMODEPARENT"), nullptr);
    const Record& controls = character.Child("SW_CONTROLSET");
    EXPECT_EQ(controls.Child("REFERENCE").Child("LINK").children.size(), 0u) << "listed, not set";
    EXPECT_EQ(controls.Child("BASE").Child("LINK").NamesWithValue(), (Names{"MODEL:Model::Hips", "NAME:Hips control"}));
    EXPECT_EQ(controls.Child("EFFECTOR").NamesWithValue(), (Names{"LINK:" + std::string(RWyxCharacterTables::GetEffectorName(3))}));
    EXPECT_EQ(controls.Child("EFFECTOR").Child("LINK").NamesWithValue(),
              (Names{"NAME:" + std::string(RWyxCharacterTables::GetEffectorName(3)), "MODEL:Model::Hips", "SHOW:1",
                     "TACTIVE:1", "RACTIVE:0", "CANDIDATE_TACTIVE:0", "CANDIDATE_RACTIVE:0"}));
    EXPECT_EQ(controls.Child("EFFECTOR_AUX1").Child("LINK").NamesWithValue(), (Names{"NAME:Pin", "MODEL:Model::Hips"}));
    const Record& constraints = tree.main.Child("Constraints").Child("Group");
    EXPECT_EQ(constraints.NamesWithValue(), (Names{"Constraint:Constraint::Hero", "Constraint:Constraint::Actor"}));
    EXPECT_EQ(constraints.Child("Constraint").NamesWithValue(),
              (Names{"Type:Character", "MultiLayer:1", "Flags:Active", "Description:Character"}));
}

TEST_F(V5ScenePartsTest, ACharacterPosesSceneIsWrittenInsideItsPoseAndNestingIsBounded) {
    AddNode("Arm");
    RWyxCharacterPose* pose = scene->GetCharacterPose(scene->CreateCharacterPose("Stand"));
    RWyxNode* posed = factory.CreateNode("Posed");
    pose->GetPoseScene()->GetRootNode()->AddChild(posed);
    RWyxScene* inner = pose->GetPoseScene();
    for (int depth = 0; depth < RWyxWriterWyx5::kMaxPoseSceneNesting + 1; ++depth) {
        RWyxCharacterPose* deeper = inner->GetCharacterPose(inner->CreateCharacterPose("Deeper"));
        inner = deeper->GetPoseScene();
    }
    const FileTree tree = Write();
    EXPECT_EQ(tree.main.Names().back(), "Settings");
    const Record& persistence = tree.main.Child("SceneGenericPersistence");
    const Record& record = persistence.Child("Pose");
    EXPECT_EQ(record.values, Names{"Pose::Stand"});
    EXPECT_EQ(record.Child("Type").values, Names{"CharacterPose"});
    const Record& nested = record.Child("PoseScene");
    EXPECT_EQ(nested.NamesWithValue(), (Names{"Model:Model::Posed", "SceneGenericPersistence"}))
        << "models and the character data alone";
    int depth = 0;
    for (const Record* level = &nested; level != nullptr; ++depth) {
        const Record* next = level->Find("SceneGenericPersistence");
        level = next != nullptr ? &next->Child("Pose").Child("PoseScene") : nullptr;
    }
    EXPECT_EQ(depth, RWyxWriterWyx5::kMaxPoseSceneNesting + 1);
    EXPECT_NE(lastWrite.messages.find("nested more than"), std::string::npos) << lastWrite.messages;
}

TEST_F(V5ScenePartsTest, MediaNameEachPictureOnceAndKeepThisPlatformsSeparators) {
    for (const char* sub : {"other", "sky"}) ASSERT_TRUE(CreateDirectoryPath(folder.Join(std::string(sub) + "/x").c_str()));
    const std::string wood = folder.WriteFile("wood.png", "wood bytes");
    const std::string otherWood = folder.WriteFile("other/wood.png", "other wood");
    Textured("A", wood);
    Textured("B", folder.Join("other/../wood.png"));
    Textured("C", otherWood);
    RWyxCamera* camera = factory.CreateCamera();
    camera->SetBackgroundFileName(wood.c_str());
    AddNode("Eye")->SetNodeAttribute(camera);
    RWyxCamera* second = factory.CreateCamera();
    second->SetBackgroundFileName(folder.WriteFile("sky/wood.png", "sky").c_str());
    AddNode("Eye2")->SetNodeAttribute(second);
    Options().SetFlag(RStreamOptionsWyx::kFlagEmbedMedia, true);
    FileTree tree = Write();
    const Record& videos = tree.main.Child("Media").Child("Video");
    EXPECT_EQ(videos.NamesWithValue(), (Names{"Video:wood", "Video:wood1", "Video:wood.png"}));
    Names fields = videos.Child("Video").NamesWithValue();
    fields.pop_back();
    EXPECT_EQ(fields, (Names{"Type:Clip", "Version:101", "OriginalFormat:1", "OriginalFilename:" + wood, "Filename:" + wood,
                             "RelativeFilename:wood.png"}));
    EXPECT_EQ(videos.Child("Video").Names().back(), "Content");
    EXPECT_EQ(videos.Child("Video", 1).Child("RelativeFilename").values, Names{"other/wood.png"});
    EXPECT_EQ(tree.main.Child("Model", 3).Child("Media").values, Names{"wood"}) << "the camera shares the texture's medium";
    EXPECT_EQ(camera->GetBackgroundMediaName(), RString("wood"));
    EXPECT_EQ(tree.extension.Child("Summary").Child("ContentCount").Child("Media").Int(), 3);
    EXPECT_EQ(Content("wood"), "wood bytes");
    EXPECT_EQ(Content("wood1"), "other wood");

    tree = Write(Form::kV5Ascii);
    EXPECT_EQ(tree.main.Child("Media").Child("Video").Child("Video").Names(), (Names{"Type", "Filename", "RelativeFilename"}))
        << "no content in ASCII";
}

int ConvertWithoutRenaming(int direction, RString& /*fileName*/, RImageBuffer& buffer) {
    if (direction != RImageConverter::kExport || !buffer.Init(2, 2, true, RImageBuffer::kType8Bit, 3)) return 1;
    buffer.GetPixels()[0] = 200;
    buffer.SetKeepOriginal(false);
    return 0;
}

std::set<std::string> TemporaryMedia() {
    std::set<std::string> names;
    RDirectoryIterator entries;
    for (bool more = entries.Open(platform::SystemTempFolder().c_str()); more; more = entries.Next()) {
        const std::string name = entries.EntryName();
        if (name.rfind("wyxmedia", 0) == 0) names.insert(name);
    }
    return names;
}

TEST_F(V5ScenePartsTest, ConvertedPicturesAreEmbeddedFromTemporaryFilesAndMissingOnesAreLeftWithoutContent) {
    const std::string picture = folder.WriteFile("skin.png", "the user's picture");
    Textured("A", picture);
    Textured("B", folder.Join("missing.png"));
    factory.CreateImageConverter()->Register("png", &ConvertWithoutRenaming);
    Options().SetFlag(RStreamOptionsWyx::kFlagEmbedMedia, true);
    const std::set<std::string> before = TemporaryMedia();
    const FileTree tree = Write();
    EXPECT_EQ(ScratchFolder::ReadFile(picture), "the user's picture") << "the picture is never written over";
    EXPECT_EQ(TemporaryMedia(), before) << "the temporary file is removed";
    const Record& video = tree.main.Child("Media").Child("Video").Child("Video");
    EXPECT_EQ(video.Child("OriginalFormat").Int(), 0);
    EXPECT_EQ(video.Child("OriginalFilename").values, Names{picture});
    EXPECT_NE(video.Child("Filename").values, Names{picture});
    const std::string tiff = Content("skin");
    EXPECT_TRUE(tiff.rfind("II*", 0) == 0 || tiff.rfind("MM", 0) == 0) << "a TIFF is embedded";
    const Record& missing = tree.main.Child("Media").Child("Video").Child("Video", 1);
    EXPECT_EQ(missing.Names(), (Names{"Type", "Filename", "RelativeFilename"}));
    EXPECT_NE(lastWrite.messages.find("missing.png"), std::string::npos) << lastWrite.messages;
    EXPECT_EQ(tree.main.All("Model").size(), 2u) << "the models are written all the same";
}

TEST_F(V5ScenePartsTest, SettingsLendTheProducerCamerasAndWriteTheTimeSettings) {
    RWyxGlobalCameraSettings& cameras = *scene->GetGlobalCameraSettings();
    const RVector4 topPosition = cameras.GetProducerTop()->GetPosition();
    RWyxGlobalTimeSettings& time = *scene->GetGlobalTimeSettings();
    time.SetTimeMode(99);
    time.AddTimeMarker(RWyxTimeMarker("Start", RTime(RTime::kTicksPerSecond), true));
    const int nodes = factory.GetObjectCount(RWyxObjectFactory::kNodes);
    const FileTree tree = Write();
    EXPECT_EQ(tree.main.Find("ShadowPlanes"), nullptr) << "no shadow plane";
    EXPECT_EQ(tree.main.Child("RendererSetting").NamesWithValue(),
              (Names{"DefaultCamera:Producer Perspective", "DefaultViewingMode:0"}));
    const Record& settings = tree.main.Child("Settings");
    EXPECT_EQ(settings.NamesWithValue(),
              (Names{"Camera:Producer Perspective", "Camera:Producer Top", "Camera:Producer Front", "Camera:Producer Right",
                     "Camera:Producer Left", "Camera:Producer Back", "Camera:Producer Bottom", "TimeMode:3", "FrameRate:",
                     "TimeFormat:1", "SnapOnFrames:0", "ReferenceTimeIndex:-1", "TimeMarker:Start"}));
    const Record& top = settings.Child("Camera", 1);
    Names head = top.NamesWithValue();
    head.resize(9);
    EXPECT_EQ(head, (Names{"Version:194", "MultiLayer:0", "MultiTake:0", "Hidden:True", "Shading:W", "Culling:CullingOff",
                           "Limits", "AnimatedProperty:mTranslationProperty", "Animated:Lcl Translation"}));
    EXPECT_EQ(top.Names()[9], "TypeFlags") << "no leading Type";
    EXPECT_EQ(top.Child("Name").values, Names{"Model::Producer Top"});
    EXPECT_EQ(top.Child("Position").Numbers(), (std::vector<double>{topPosition.x, topPosition.y, topPosition.z}));
    EXPECT_EQ(settings.Child("TimeMarker").NamesWithValue(),
              (Names{"Time:" + std::to_string(RTime::kTicksPerSecond), "Loop:1"}));
    for (int which = 0; which < RWyxGlobalCameraSettings::kProducerCameraCount; ++which) {
        EXPECT_EQ(cameras.GetProducerCamera(static_cast<RWyxGlobalCameraSettings::ProducerCamera>(which))->GetNode(), nullptr)
            << "given back";
    }
    EXPECT_EQ(cameras.GetProducerTop()->GetPosition().y, topPosition.y);
    EXPECT_EQ(Write().main.Child("Settings").Child("Camera", 1).Child("Position").Numbers(),
              (std::vector<double>{topPosition.x, topPosition.y, topPosition.z}))
        << "the camera comes back with its position: the next write finds it";
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kNodes), nodes) << "the lending node is gone";
    scene->GetGlobalLightSettings()->AddShadowPlane(true, RVector4(), RVector4(0, 1, 0, 0));
    EXPECT_NE(Write().main.Find("ShadowPlanes"), nullptr);
}

}  // namespace
