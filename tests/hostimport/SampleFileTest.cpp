// WYX files written by our writer, read by the SDK's reader and imported: the sample character
// in each mode, its take queried, files cut short or spoilt, the reader's warnings shown.

#include "tests/support/ImportSceneSupport.h"

#include "fileio/RWyxFileExporter.h"

#include "host/src/ui/UiModel.h"

#include <vexa/VAnimControl.h>
#include <vexa/VMessageLog.h>

#include <cstdio>
#include <regex>
#include <string>

namespace {

const std::string kSample = WYX_SOURCE_DIR "/samples/character.wyx";

class SampleFileTest : public ImportTest {
protected:
    void SetUp() override {
        ImportTest::SetUp();
        WyxVexaImportSession::SetFormatTable(nullptr);
    }

    static VStatus import(const std::string& path) { return run("WYXImport -f \"" + path + "\""); }
};

// The sample's nodes as the host gets them (the body textured and skinned to its joints, which
// carry their bind matrices): the start of each node's lines, and lines its lines hold.
const char* const kSampleNodes[][2] = {
    {"node transform |Character\n", "  visibility = 1\n"},
    {"node locator |Character|CharacterShape\n", ""},
    {"node joint |Character|Hips\n  attribute lumtraxTypeID numericAttribute\n", "  lumtraxTypeID = 2\n"},
    {"node joint |Character|Hips|Spine\n  attribute lumtraxTypeID numericAttribute\n", "  lumtraxTypeID = 5\n"},
    {"node joint |Character|Hips|Spine|Head\n", "  translateY = 10\n"},
    {"node transform |Character|Body\n", ""},
    {"node mesh |Character|Body|BodyShape\n  inMesh = mesh 32 points, 24 polygons, 96 face-vertices, UV sets uvSet1(36)\n",
     ""},
    {"node transform |Camera\n", "  translateZ = 60\n"},
    {"node camera |Camera|cameraShape1\n", ""},
    {"node transform |Light\n", "  translateY = 50\n"},
    {"node spotLight |Light|LightShape\n", "  intensity = 0.800000011920929\n"},
    {"node joint |Character|Hips\n  attribute lumtraxTypeID numericAttribute\n",
     "  bindPose = 1 0 -0 0 0 1 0 0 0 0 1 0 0 0 0 1\n"},
    {"node joint |Character|Hips|Spine\n  attribute lumtraxTypeID numericAttribute\n",
     "  bindPose = 1 0 -0 0 0 1 0 0 0 0 1 0 0 10 0 1\n"},
    {"node phong Skin\n", "  colorB = 0.5\n  colorG = 0.6000000238418579\n  colorR = 0.800000011920929\n  cosinePower = 32\n"},
    {"node shadingEngine BodySG\n", "  member BodyShape.f[0:23]\n"},
    {"connect Skin.outColor -> BodySG.surfaceShader\n", ""},
    {"node file SkinColor\n", "  fileTextureName = \"" WYX_SOURCE_DIR "/samples/textures/skin.png\"\n"},
    {"connect SkinColor.outColor -> Skin.color\n", ""},
    {"node skinCluster skinCluster1\n",
     "  bindPreMatrix[0] = 1 0 0 0 0 1 0 0 -0 0 1 0 -0 -0 -0 1\n"
     "  bindPreMatrix[1] = 1 0 0 0 0 1 0 0 -0 0 1 0 -0 -10 -0 1\n"},
    // The lowest ring follows the hips alone, the next half the hips and half the spine.
    {"node skinCluster skinCluster1\n",
     "  weightList[0].weights[0] = 1\n  weightList[10].weights[0] = 0.5\n  weightList[10].weights[1] = 0.5\n"},
    {"connect skinCluster1.outputGeometry[0] -> |Character|Body|BodyShape.inMesh\n", ""},
};

// Whether the dump has the node whose lines start so and hold the line.
bool HasNode(const std::string& scene, const char* const (&node)[2]) {
    const size_t start = scene.find(node[0]);
    if (start == std::string::npos) return false;
    const size_t end = scene.find("\nnode ", start + 1);
    return scene.substr(start, end == std::string::npos ? std::string::npos : end + 1 - start).find(node[1]) !=
           std::string::npos;
}

// The dump with its numbers to 12 digits: the bind pose is applied to the joints and set back
// through matrices, which gives their values back to the last bits only.
std::string Rounded(const std::string& scene) {
    static const std::regex kNumber(R"(-?[0-9]+(\.[0-9]+)?(e-?[0-9]+)?)");
    std::string out;
    auto last = scene.cbegin();
    for (std::sregex_iterator it(scene.begin(), scene.end(), kNumber), end; it != end; ++it) {
        out.append(last, scene.cbegin() + it->position());
        char text[32];
        std::snprintf(text, sizeof text, "%.12g", std::stod(it->str()) + 0.0);
        out += text;
        last = scene.cbegin() + it->position() + it->length();
    }
    return out.append(last, scene.cend());
}

TEST_F(SampleFileTest, TheSampleInEachModeBesideNodesOfItsNames) {
    // Add to a new scene.
    ASSERT_TRUE(run("createNode transform -n Character; createNode transform -n keep"));
    options().SetImportMode(2);
    ASSERT_TRUE(import(kSample));
    std::string scene = dump();
    for (const auto& node : kSampleNodes) EXPECT_TRUE(HasNode(scene, node)) << node[0] << scene;
    EXPECT_EQ(scene.find("keep"), std::string::npos) << scene;
    EXPECT_EQ(scene.rfind("time 0 range 0 1\n", 0), 0u) << scene;  // the take "Walk", keyed from 0 to 1 s

    // Merge into an empty scene makes the same, and again makes nothing more.
    HostTest::SetUp();
    options().SetImportMode(1);
    ASSERT_TRUE(import(kSample));
    const std::string merged = dump();
    for (const auto& node : kSampleNodes) EXPECT_TRUE(HasNode(merged, node)) << node[0] << merged;
    ASSERT_TRUE(import(kSample));
    EXPECT_EQ(Rounded(dump()), Rounded(merged));

    // Beside a host node of a file node's name, the file's node is that host node.
    HostTest::SetUp();
    ASSERT_TRUE(run("createNode transform -n Character; createNode transform -n keep; setAttr keep.translateX 4"));
    ASSERT_TRUE(import(kSample));
    scene = dump();
    EXPECT_NE(scene.find("node transform |keep\n  translateX = 4\n"), std::string::npos) << scene;
    EXPECT_EQ(scene.find("Character1"), std::string::npos) << scene;
    EXPECT_EQ(scene.find("CharacterShape"), std::string::npos) << scene;
    EXPECT_NE(scene.find("node joint |Character|Hips|Spine|Head\n"), std::string::npos) << scene;

    // Exclusive merge makes nothing.
    HostTest::SetUp();
    options().SetImportMode(0);
    ASSERT_TRUE(run("createNode transform -n Character"));
    ASSERT_TRUE(import(kSample));
    scene = dump();
    EXPECT_EQ(scene.find("Hips"), std::string::npos) << scene;
    EXPECT_EQ(scene.find("Camera"), std::string::npos) << scene;
}

// The sample's spine turns -10 degrees about Z at 0 s; it is bound straight. The host's bind
// pose records the file's bind matrices (what the plug-in set while binding), the joints keep
// their pose at the current time.
TEST_F(SampleFileTest, TheBindPoseHoldsTheFilesBindMatricesNotTheAnimatedPose) {
    options().SetImportMode(2);
    ASSERT_TRUE(import(kSample));
    const std::string scene = dump();
    const char* const pose[2] = {"node dagPose bindPose1\n",
                                 "  worldMatrix[2] = 1 0 0 0 0 1 0 0 0 0 1 0 0 10 0 1\n"
                                 "  worldMatrix[3] = 1 0 0 0 0 1 0 0 0 0 1 0 0 20 0 1\n"
                                 "  xformMatrix[0] = 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1\n"
                                 "  xformMatrix[1] = 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1\n"
                                 "  xformMatrix[2] = 1 0 0 0 0 1 0 0 0 0 1 0 0 10 0 1\n"
                                 "  xformMatrix[3] = 1 0 0 0 0 1 0 0 0 0 1 0 0 10 0 1\n"};
    EXPECT_TRUE(HasNode(scene, pose)) << scene;
    double spin = 0.0;
    ASSERT_TRUE(HostPlug("Spine.rotateZ").getValue(spin));
    EXPECT_NEAR(spin, -10.0 * 0.017453292519943295, 1e-12) << "the joint shows its pose at 0 s";
}

// The texture the imported sample names is a picture beside the sample: a PNG file.
TEST_F(SampleFileTest, TheSamplesTextureIsThere) {
    ASSERT_TRUE(import(kSample));
    const std::string scene = dump();
    const std::string field = "  fileTextureName = \"";
    const size_t at = scene.find(field);
    ASSERT_NE(at, std::string::npos) << scene;
    const size_t start = at + field.size();
    const std::string texture = scene.substr(start, scene.find('"', start) - start);
    EXPECT_EQ(ScratchFolder::ReadFile(texture).compare(0, 16, std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16)), 0)
        << texture;
}

TEST_F(SampleFileTest, TheSamplesTakeAnswersTheQueries) {
    VString result;
    ASSERT_TRUE(run("WYXRead -f \"" + kSample + "\"", &result));
    EXPECT_EQ(result, "Success");
    ASSERT_TRUE(run("WYXGetTakeCount", &result));
    EXPECT_EQ(result, "1");
    ASSERT_TRUE(run("WYXGetTakeName 0", &result));
    EXPECT_EQ(result, "Walk");
    ASSERT_TRUE(run("WYXGetTakeComment 0", &result));
    EXPECT_EQ(result, "One step");
    ASSERT_TRUE(run("WYXGetTakeIndex Walk", &result));
    EXPECT_EQ(result, "0");
}

// A file cut short or spoilt is refused before anything reaches the host: the scene stays as
// it was, byte for byte, and the reason is shown.
TEST_F(SampleFileTest, FilesCutShortLeaveTheSceneAsItWas) {
    const std::string bytes = ScratchFolder::ReadFile(kSample);
    ASSERT_GT(bytes.size(), 1000u);
    ASSERT_TRUE(run("createNode transform -n keep; setAttr keep.translateX 3"));
    options().SetImportMode(2);
    const std::string before = dump();
    for (const size_t size : {size_t{10}, bytes.size() / 4, bytes.size() / 2, bytes.size() - 1}) {
        const std::string path = folder_.WriteFile("cut.wyx", bytes.substr(0, size));
        EXPECT_FALSE(import(path)) << size;
        EXPECT_EQ(lastError().indexOf("WYXImport error: "), 0) << lastError();
        EXPECT_EQ(dump(), before) << size;
    }
}

// Meshes whose second triangle names a point past their three: the reader drops it, with a
// warning for each mesh.
std::string WriteTornMeshes(const std::string& path) {
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    for (const char* name : {"Torn", "Frayed"}) {
        RWyxMesh* mesh = factory.CreateMesh();
        mesh->InitControlPoints(3);
        for (const int point : {0, 1, 2, 0, 1, 7}) {
            if (point == 0) mesh->BeginPolygon();
            mesh->AddPolygonVertex(point);
        }
        AddNode(factory, *scene->GetRootNode(), name, mesh);
    }
    RWyxFileExporter* exporter = factory.CreateFileExporter();
    const bool written = exporter->Initialize(path.c_str()) && exporter->Export(scene);
    factory.DestroyFileExporter(exporter);
    return written ? path : std::string();
}

// How often the part is in the text, or in the warnings shown.
size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}
size_t CountWarnings(const std::string& part) {
    const VStringArray shown = VMessageLog::linesOf(VMessageLog::kWarning);
    size_t count = 0;
    for (unsigned i = 0; i < shown.length(); ++i) count += Count(std::string(shown[i].asChar()) + "\n", part);
    return count;
}

// What the reader dropped reaches the user beside the scene it explains: each of its warnings
// once on the host's warning display and once in the log, however often the reader's text
// repeats it. A sound file warns of nothing.
TEST_F(SampleFileTest, EachOfTheReadersWarningsIsShownAndLoggedOnce) {
    const std::string path = WriteTornMeshes(folder_.Join("torn.wyx"));
    ASSERT_TRUE(import(path));
    EXPECT_EQ(CountWarnings("\n"), 2u);
    for (const char* mesh : {"Torn", "Frayed"}) {
        const std::string line =
            std::string("Model \"Model::") + mesh + "\": 1 polygons naming control points past its 3 were dropped\n";
        EXPECT_EQ(CountWarnings("WYXImport warning: " + line), 1u) << mesh;
        EXPECT_EQ(Count(logText(), "\tWYX import Warning: " + line), 1u) << logText();
    }
    // A session that reads its file again holds the reader's lines twice over.
    WyxVexaImportSession session;
    ASSERT_TRUE(session.Open(path.c_str()));
    ASSERT_TRUE(session.Import() && session.Import());
    EXPECT_EQ(CountWarnings("Model::Torn"), 3u);

    VMessageLog::clear();
    const size_t logged = Count(logText(), "Warning");
    ASSERT_TRUE(import(kSample));
    EXPECT_EQ(CountWarnings("\n"), 0u);
    EXPECT_EQ(Count(logText(), "Warning"), logged);
}

}  // namespace
