// A hierarchy far deeper than a small thread stack allows a recursion per node goes through the
// commands' whole road on such a thread: a chain of nulls whose deep end holds a mesh with a
// material, a skin, a cluster and a blend shape, skinned meshes below it whose skins and default
// shaders are numbered in the order the walks meet them, and a joint between pre- and
// post-rotation helpers, imported from an old file (whose helpers fold into their joint), exported (which
// makes them again) and the exported file imported, the scenes let go at the end. Each trip
// runs in a child process on a stack of its own, painted beforehand, and reports what each step
// made and how much of the stack it took: a walk that recurses per node either overflows the
// stack (the child dies without its report) or takes more of it for a deeper chain.

#include "tests/support/ImportSceneSupport.h"

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkeleton.h"
#include "attributes/RWyxSkinLink.h"
#include "fileio/RWyxFileImporter.h"
#include "plugin/HostUtilities.h"

#include "host/src/scene/Scene.h"

#include <vexa/VFnMesh.h>
#include <vexa/VIntArray.h>
#include <vexa/VItDag.h>
#include <vexa/VObjectArray.h>
#include <vexa/VPlugArray.h>

#include <pthread.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace {

constexpr int kDeepChain = 3000;
constexpr int kShallowChain = 30;
// Room for the commands' own frames (under the sanitizers too), far from room for a frame per
// node of the deep chain.
constexpr size_t kStackBytes = 256 * 1024;
constexpr size_t kGuardBytes = 64 * 1024;
constexpr unsigned char kPaint = 0xA5;
// What the deep chain may take of the stack beyond what the shallow one takes: less than a
// return address per node.
constexpr size_t kStackSlack = 8 * 1024;

// What the child process hands back: the steps that succeeded (first import, export, second
// import, scenes let go), after each import the host's DAG nodes and the length of Hand's DAG
// path, and the bytes of the stack that the steps took; and after the first import, each mesh's
// skin and shader.
struct Report {
    int steps = 0;
    char shapes[256] = {};
    int dagNodes[2] = {0, 0};
    int handDepth[2] = {0, 0};
    size_t stackUsed = 0;
};

struct Trip {
    int chainLength;
    std::string source;
    std::string written;
    Report report;
};

RWyxNode* Add(RWyxObjectFactory& factory, RWyxNode& parent, const std::string& name, RWyxNodeAttribute* attribute) {
    return AddNode(factory, parent, name.c_str(), attribute);
}

RWyxSkeleton* Joint(RWyxObjectFactory& factory, int type) {
    RWyxSkeleton* joint = factory.CreateSkeleton();
    joint->SetSkeletonType(type);
    return joint;
}

void Link(RWyxObjectFactory& factory, RWyxGeometry& geometry, RWyxNode* node, int mode, int point) {
    RWyxSkinLink* link = factory.CreateSkinLink();
    link->SetLink(node);
    link->SetMode(mode);
    link->AddControlPointIndex(point, mode == RWyxSkinLink::kAdditive ? 0.5 : 1.0);
    if (mode == RWyxSkinLink::kAdditive) link->SetUserData("Vexa_ClusterHint", "WeightedCluster");
    geometry.AddDeformer(link);
}

// Rig > Hips > Spine, a skeleton; n0, n1, ..., each below the one before, and below the last
// Arm__Pre_ > Arm > Arm__Post_ > Hand, a quad Body and a null Handle. Body has the material Skin,
// the shape Face.Smile, skin links to Hips and Spine and a cluster link to Handle; below it the
// quads Glove (with Nail below it) and Boot, without material, linked to Hips. (The skeleton
// stays near the root: the host's bind pose takes a world matrix of every joint's ancestors.)
RWyxScene* BuildChainScene(RWyxObjectFactory& factory, int chainLength) {
    RWyxScene* scene = factory.CreateScene();
    RWyxNode* rig = Add(factory, *scene->GetRootNode(), "Rig", nullptr);
    RWyxNode* hips = Add(factory, *rig, "Hips", Joint(factory, RWyxSkeleton::kRoot));
    RWyxNode* spine = Add(factory, *hips, "Spine", Joint(factory, RWyxSkeleton::kLimbNode));
    spine->SetDefaultTranslation(RVector4(0, 10, 0, 0));
    RWyxNode* end = scene->GetRootNode();
    for (int i = 0; i < chainLength; ++i) end = Add(factory, *end, "n" + std::to_string(i), nullptr);
    end->SetPivotState(0, 1);  // a pivot set out of use: the pivots of an old file
    RWyxNode* pre = Add(factory, *end, "Arm__Pre_", nullptr);
    pre->SetDefaultRotation(RVector4(0, 0, 30, 0));
    RWyxNode* arm = Add(factory, *pre, "Arm", Joint(factory, RWyxSkeleton::kLimbNode));
    RWyxNode* post = Add(factory, *arm, "Arm__Post_", nullptr);
    post->SetDefaultRotation(RVector4(10, 0, 0, 0));
    Add(factory, *post, "Hand", Joint(factory, RWyxSkeleton::kLimbNode));
    RWyxMesh* mesh = QuadStrip(factory, {0});
    mesh->AddMaterial(factory.CreateMaterial("Skin"));
    RWyxShape* shape = factory.CreateShape();
    shape->InitControlPoints(mesh->GetControlPointsCount());
    for (int p = 0; p < mesh->GetControlPointsCount(); ++p) shape->SetControlPointAt(p, *mesh->GetControlPointAt(p));
    shape->GetControlPointAt(0)->z = 1.0;
    mesh->AddShape(shape, "Face.Smile");
    RWyxNode* body = Add(factory, *end, "Body", mesh);
    RWyxNode* glove = Add(factory, *body, "Glove", QuadStrip(factory, {-1}));
    RWyxNode* nail = Add(factory, *glove, "Nail", QuadStrip(factory, {-1}));
    RWyxNode* boot = Add(factory, *body, "Boot", QuadStrip(factory, {-1}));
    for (RWyxNode* skinned : {glove, nail, boot}) Link(factory, *skinned->GetGeometry(), hips, RWyxSkinLink::kNormal, 0);
    RWyxNode* handle = Add(factory, *end, "Handle", factory.CreateNull());
    Link(factory, *mesh, hips, RWyxSkinLink::kNormal, 0);
    Link(factory, *mesh, spine, RWyxSkinLink::kNormal, 2);
    Link(factory, *mesh, handle, RWyxSkinLink::kAdditive, 1);
    return scene;
}

int CountDagNodes() {
    int count = 0;
    for (VItDag it; !it.isDone(); it.next()) ++count;
    return count;
}

int PathLength(const char* name) {
    VSelectionList list;
    VDagPath path;
    return list.add(name) && list.getDagPath(0, path) ? static_cast<int>(path.length()) : -1;
}

// "skin/shader" of the node's shape: the skin cluster deforming it and the shader of its first
// shading group.
std::string SkinAndShader(const char* node) {
    VSelectionList list;
    VDagPath path;
    if (!list.add(node) || !list.getDagPath(0, path) || !path.extendToShape()) return "?";
    VObject skin;
    FindConnectedNodeOfType(path.node(), VFn::kSkinClusterFilter, skin, VItDependencyGraph::kUpstream,
                            VItDependencyGraph::kNodeLevel);
    VObjectArray groups;
    VIntArray indices;
    VPlugArray shaders;
    if (VFnMesh(path).getConnectedShaders(0, groups, indices) && groups.length() > 0) {
        VFnDependencyNode(groups[0]).findPlug("surfaceShader").connectedTo(shaders, true, false);
    }
    const std::string shader = shaders.length() == 1 ? VFnDependencyNode(shaders[0].node()).name().str() : "";
    return (skin.isNull() ? "" : VFnDependencyNode(skin).name().str()) + "/" + shader;
}

bool Run(const std::string& command) { return static_cast<bool>(VGlobal::executeCommand(VString(command.c_str()))); }

// The steps, each only after the one before succeeded.
void* RunTrip(void* argument) {
    Trip& trip = *static_cast<Trip*>(argument);
    Report& report = trip.report;
    for (int i = 0; i < 2; ++i) {
        if (!Run("WYXImport -f \"" + (i == 0 ? trip.source : trip.written) + "\"")) return nullptr;
        ++report.steps;
        report.dagNodes[i] = CountDagNodes();
        report.handDepth[i] = PathLength("Hand");
        if (i == 1) break;
        std::string shapes;
        for (const char* node : {"Body", "Glove", "Nail", "Boot"}) shapes += std::string(node) + " " + SkinAndShader(node) + " ";
        std::strncpy(report.shapes, shapes.c_str(), sizeof report.shapes - 1);
        if (!Run("WYXExport -f \"" + trip.written + "\"")) return nullptr;
        ++report.steps;
        WyxVexaImportSession::SetFormatTable(nullptr);  // WYX files from now on
    }
    ReleaseCachedImportSession();
    vexa_host::Scene::instance().reset();
    ++report.steps;
    return nullptr;
}

// The bytes below the top of the stack that the thread wrote to: from the bottom, everything
// still painted was never reached. (Read around the sanitizer: a frame's red zones stay marked.)
__attribute__((no_sanitize_address)) size_t UsedBytes(const unsigned char* stack, size_t size) {
    size_t untouched = 0;
    while (untouched < size && stack[untouched] == kPaint) ++untouched;
    return size - untouched;
}

// Runs the trip on a thread whose stack is painted memory of our own above a guard page; false
// when no such thread ran.
bool RunOnPaintedStack(Trip& trip) {
    void* mapped = mmap(nullptr, kGuardBytes + kStackBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED || mprotect(mapped, kGuardBytes, PROT_NONE) != 0) return false;
    auto* stack = static_cast<unsigned char*>(mapped) + kGuardBytes;
    std::memset(stack, kPaint, kStackBytes);
    pthread_attr_t attributes;
    pthread_t thread;
    const bool ran = pthread_attr_init(&attributes) == 0 && pthread_attr_setstack(&attributes, stack, kStackBytes) == 0 &&
                     pthread_create(&thread, &attributes, RunTrip, &trip) == 0 && pthread_join(thread, nullptr) == 0;
    trip.report.stackUsed = UsedBytes(stack, kStackBytes);
    return ran;  // the child process ends next, and the mapping with it
}

class DeepHierarchyTest : public SceneImportTest {
protected:
    void SetUp() override {
        SceneImportTest::SetUp();
        options().SetBoolOption(kExportShowUI, false);
        options().SetImportMode(WyxPluginOptions::kCreate);
        options().SetBoolOption(kImportNullsToPivot, true);
        options().SetBoolOption(kExportPivotToNull, true);
        TestSource().fileVersion = 5000;
    }

    // The trip of a chain of that length in a child process, which hands its report back.
    ::testing::AssertionResult runTrip(Trip& trip) {
        trip.source = testFile("chain" + std::to_string(trip.chainLength));
        trip.written = folder_.Join("chain" + std::to_string(trip.chainLength) + ".wyx");
        const int length = trip.chainLength;
        TestSource().build = [length](RWyxObjectFactory& factory) { return BuildChainScene(factory, length); };
        int ends[2];
        if (pipe(ends) != 0) return ::testing::AssertionFailure() << "no pipe";
        const pid_t child = fork();
        if (child == 0) {
            close(ends[0]);
            const bool sent =
                RunOnPaintedStack(trip) && write(ends[1], &trip.report, sizeof trip.report) == sizeof trip.report;
            _exit(sent ? 0 : 1);
        }
        close(ends[1]);
        const bool read = child > 0 && ::read(ends[0], &trip.report, sizeof trip.report) == sizeof trip.report;
        close(ends[0]);
        int status = 0;
        if (child > 0) waitpid(child, &status, 0);
        if (WIFSIGNALED(status)) return ::testing::AssertionFailure() << "the child died of signal " << WTERMSIG(status);
        if (!read || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            return ::testing::AssertionFailure() << "the child sent no report";
        }
        return ::testing::AssertionSuccess();
    }
};

TEST_F(DeepHierarchyTest, AChainDeeperThanTheStackGoesThroughImportExportAndImport) {
    Trip shallow{kShallowChain, "", "", {}};
    ASSERT_TRUE(runTrip(shallow));
    Trip deep{kDeepChain, "", "", {}};
    ASSERT_TRUE(runTrip(deep));
    EXPECT_EQ(deep.report.steps, 4);
    EXPECT_LT(deep.report.stackUsed, shallow.report.stackUsed + kStackSlack)
        << "the deep chain took " << deep.report.stackUsed << " bytes of stack, the shallow one "
        << shallow.report.stackUsed;
    // The first import folded the helpers into Arm; the export made them again.
    EXPECT_EQ(deep.report.handDepth[0], kDeepChain + 2);
    EXPECT_EQ(deep.report.handDepth[1], kDeepChain + 4);
    EXPECT_EQ(deep.report.dagNodes[1], deep.report.dagNodes[0] + 2);
    // Materials come to each node before its children, skins after them, children last to first.
    EXPECT_STREQ(deep.report.shapes,
                 "Body skinCluster4/Skin Glove skinCluster3/phong2 Nail skinCluster2/phong3 Boot skinCluster1/phong1 ");

    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    RWyxFileImporter* importer = factory.CreateFileImporter();
    ASSERT_TRUE(importer->Initialize(deep.written.c_str()) && importer->Import(scene));
    // The deep end's export: Body's material, shape, skin and cluster.
    const RWyxNode* body = scene->GetRootNode()->FindChild("Body", true, false);
    ASSERT_NE(body, nullptr);
    RWyxGeometry* geometry = body->GetGeometry();
    ASSERT_NE(geometry, nullptr);
    ASSERT_EQ(body->GetMesh()->GetMaterialCount(), 1);
    EXPECT_EQ(body->GetMesh()->GetMaterial(0)->GetNameWithoutPrefix(), "Skin");
    EXPECT_EQ(geometry->GetShapeCount(), 1);
    std::string links;
    for (int d = 0; d < geometry->GetDeformerCount(); ++d) {
        const RWyxSkinLink* link = geometry->GetDeformer(d);
        links += std::string(link->GetLink()->GetNameWithoutPrefix().Buffer()) + ":" + std::to_string(link->GetMode()) + " ";
    }
    // The cluster comes with the compensation link of the mesh's parent.
    EXPECT_EQ(links, "Handle:1 n" + std::to_string(kDeepChain - 1) + ":1 Hips:0 Spine:0 ");
}

}  // namespace
