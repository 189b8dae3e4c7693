// Deep hierarchies through the shell's road: a WYX file of a chain of N nulls (each the child of
// the one before) imported by the plug-in module ("WYXImport -f file", dialogs off, add to a new
// scene), the scene that import made exported ("WYXExport -f file"), and the exported file
// imported again. The peer is the same N nulls side by side under one parent, taken the same
// way in the same run. Each file is taken in a child process of its own, forked with the plug-in
// loaded and the scene empty, so that every size starts from the same heap.
//
// Reported per node, for N = 2,500 and N = 10,000: the microseconds (of the thread's processor
// time) of the import, the export and the second import, and the peak heap bytes the first two
// add above what the program held before them (every malloc of the process: host, plug-in and
// SDK), for the chain and for the peer, and the chain's time over the peer's. A node's path is
// as long as its depth; the chain's figures must stay flat from 2,500 to 10,000 (within 1.5
// times), which they cannot where a step keeps or builds a whole path per node.
//
// Skinned chains: N joints, each 0.01 along x from the one before, a cube at the chain's end
// skinned to its last two joints, and one key on the first joint; the peer is the same file
// without the skin. Reported per joint for N = 500 and N = 2,000, as above; the bind pose covers
// every joint of the chain, so the skinned figures too must stay flat from 500 to 2,000.
//
// Every joint an influence: the same chain with the cube bound to all N joints (joint j weights
// corner j mod 8) and the file's bind pose of the cube and every joint; the peer is the bare
// chain. Per joint for N = 500, 2,000 and 4,000: each influence walks its ancestors for the
// export's bind pose, and is selected, bound and weighted by the import.
//
// Many skins: a root joint with N child joints, and N cubes beside it, cube i skinned to joint i
// alone, each skin with a bind pose of its own (the cube, the joint and the root), as the export
// writes them; the peer is the same file without the skins and poses. Per skin for N = 500 and
// N = 2,000: each pose is checked against the others and applied, each skin made and read.
//
// Both must stay flat (within 1.5 times) from 500 to 2,000, and the export of the first to
// 4,000.

#include "bench/HeapPeak.h"
#include "bench/ImportBenchSupport.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxSkeleton.h"
#include "attributes/RWyxSkinLink.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeInfo.h"
#include "scene/RWyxTakeNode.h"

#include "host/src/scene/Scene.h"

#include <vexa/VGlobal.h>
#include <vexa/VMessageLog.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <ctime>

#include <sys/wait.h>
#include <unistd.h>
#include <string>
#include <utility>
#include <vector>

namespace {

// A file of N nulls, each below node (i - 1) / branching: a chain for 1, one parent for N.
std::string NullsFile(int count, int branching) {
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    std::vector<RWyxNode*> nodes;
    nodes.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        RWyxNode* node = factory.CreateNode(("n" + std::to_string(i)).c_str());
        (i == 0 ? scene->GetRootNode() : nodes[static_cast<size_t>((i - 1) / branching)])->AddChild(node);
        nodes.push_back(node);
    }
    const std::string path = wyx_bench::ImportFolder() + "/nulls" + std::to_string(count) + "-" +
                             std::to_string(branching) + ".wyx";
    return wyx_bench::WriteBinary(factory, scene, path) ? path : std::string();
}

constexpr double kJointStep = 0.01;

// A cube of side 0.02 about the point (x, 0, 0).
RWyxMesh* Cube(RWyxObjectFactory& factory, double x) {
    RWyxMesh* mesh = factory.CreateMesh();
    mesh->InitControlPoints(8);
    for (int corner = 0; corner < 8; ++corner) {
        mesh->SetControlPointAt(corner, RVector4(x + ((corner & 1) ? 0.01 : -0.01), (corner & 2) ? 0.01 : -0.01,
                                                 (corner & 4) ? 0.01 : -0.01, 1.0));
    }
    const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& face : faces) {
        mesh->BeginPolygon();
        for (const int corner : face) mesh->AddPolygonVertex(corner);
    }
    return mesh;
}

// Which joints of a chain the cube is bound to.
enum class Binding { kNone, kLastTwo, kEveryJoint };

// The global matrix of a node at (x, 0, 0) without rotation or scaling.
RMatrix At(double x) { return RMatrix::ConstructFromTRS(RVector4(x, 0, 0, 0), RVector4(), RVector4(1, 1, 1, 0)); }

// A link of the mesh to the joint at x, holding the corners with weight 1.
void Link(RWyxObjectFactory& factory, RWyxMesh& mesh, RWyxNode& body, RWyxNode& joint, double x,
          const std::vector<int>& corners) {
    RWyxSkinLink* link = factory.CreateSkinLink();
    link->SetLink(&joint);
    link->SetMode(RWyxSkinLink::kTotal1);
    for (const int corner : corners) link->AddControlPointIndex(corner, 1.0);
    link->SetTransformLinkMatrix(At(x));
    link->SetAssociateModel(&body);
    mesh.AddDeformer(link);
}

// The cube's points split between the last two joints: those nearer the end to the last.
void SkinToLastTwo(RWyxObjectFactory& factory, RWyxMesh& mesh, RWyxNode& body, const std::vector<RWyxNode*>& joints) {
    for (size_t j = joints.size() - 2; j < joints.size(); ++j) {
        const bool last = j + 1 == joints.size();
        std::vector<int> corners;
        for (int corner = 0; corner < 8; ++corner) {
            if (((corner & 1) != 0) == last) corners.push_back(corner);
        }
        Link(factory, mesh, body, *joints[j], kJointStep * static_cast<double>(j), corners);
    }
}

// The cube bound to every joint (joint j weights corner j mod 8), and a bind pose of the cube
// and the joints.
void SkinToEveryJoint(RWyxObjectFactory& factory, RWyxScene& scene, RWyxMesh& mesh, RWyxNode& body,
                      const std::vector<RWyxNode*>& joints) {
    RWyxPose* pose = factory.CreatePose("skinCluster1", true);
    pose->Add(body.GetName().Buffer(), RMatrix(), false);
    for (size_t j = 0; j < joints.size(); ++j) {
        const double x = kJointStep * static_cast<double>(j);
        Link(factory, mesh, body, *joints[j], x, {static_cast<int>(j % 8)});
        pose->Add(joints[j]->GetName().Buffer(), At(x), false);
    }
    scene.AddPose(pose);
}

RWyxNode* Joint(RWyxObjectFactory& factory, const std::string& name, bool root, double x) {
    RWyxSkeleton* joint = factory.CreateSkeleton();
    joint->SetSkeletonType(root ? RWyxSkeleton::kRoot : RWyxSkeleton::kLimbNode);
    RWyxNode* node = factory.CreateNode(name.c_str());
    node->SetNodeAttribute(joint);
    node->SetDefaultTranslation(RVector4(x, 0, 0, 0));
    return node;
}

// One key on the node in "Take 001", the scene's current take.
void KeyAndTake(RWyxScene& scene, RWyxNode& node) {
    node.AddTakeNode("Take 001");
    RFCurve* curve = node.GetTakeNode(1)->GetTranslationXCurve();
    curve->AddKey(RTime(0), RCurveKey::Plain(RTime(0), 0.0f, RCurveKey::Cubic));
    RWyxTakeInfo take;
    take.name = "Take 001";
    scene.SetTakeInfo(take);
    scene.SetCurrentTake("Take 001");
}

// A file of a chain of N joints with the cube at its end, bound as asked, and one key.
std::string JointChainFile(int count, Binding binding) {
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    std::vector<RWyxNode*> joints;
    RWyxNode* parent = scene->GetRootNode();
    for (int i = 0; i < count; ++i) {
        RWyxNode* node = Joint(factory, "joint" + std::to_string(i), i == 0, i == 0 ? 0.0 : kJointStep);
        parent->AddChild(node);
        joints.push_back(node);
        parent = node;
    }
    RWyxMesh* mesh = Cube(factory, kJointStep * (count - 1));
    RWyxNode* body = factory.CreateNode("Body");
    body->SetNodeAttribute(mesh);
    scene->GetRootNode()->AddChild(body);
    if (binding == Binding::kLastTwo) SkinToLastTwo(factory, *mesh, *body, joints);
    if (binding == Binding::kEveryJoint) SkinToEveryJoint(factory, *scene, *mesh, *body, joints);
    KeyAndTake(*scene, *joints.front());
    const char* const names[] = {"-bare", "-skinned", "-every"};
    const std::string path = wyx_bench::ImportFolder() + "/joints" + std::to_string(count) +
                             names[static_cast<int>(binding)] + ".wyx";
    return wyx_bench::WriteBinary(factory, scene, path) ? path : std::string();
}

// A file of a root joint with N child joints and N cubes beside it; when skinned, cube i is
// bound to joint i alone with a bind pose of its own (the cube, the joint and the root).
std::string ChildSkinsFile(int count, bool skinned) {
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    RWyxNode* root = Joint(factory, "root", true, 0.0);
    scene->GetRootNode()->AddChild(root);
    for (int i = 0; i < count; ++i) {
        const double x = kJointStep * i;
        const std::string number = std::to_string(i);
        RWyxNode* joint = Joint(factory, "joint" + number, false, x);
        root->AddChild(joint);
        RWyxMesh* mesh = Cube(factory, x);
        RWyxNode* body = factory.CreateNode(("Body" + number).c_str());
        body->SetNodeAttribute(mesh);
        scene->GetRootNode()->AddChild(body);
        if (!skinned) continue;
        Link(factory, *mesh, *body, *joint, x, {0, 1, 2, 3, 4, 5, 6, 7});
        RWyxPose* pose = factory.CreatePose(("skinCluster" + number).c_str(), true);
        pose->Add(body->GetName().Buffer(), RMatrix(), false);
        pose->Add(joint->GetName().Buffer(), At(x), false);
        pose->Add(root->GetName().Buffer(), RMatrix(), false);
        scene->AddPose(pose);
    }
    KeyAndTake(*scene, *root);
    const std::string path = wyx_bench::ImportFolder() + "/children" + std::to_string(count) +
                             (skinned ? "-skinned" : "-bare") + ".wyx";
    return wyx_bench::WriteBinary(factory, scene, path) ? path : std::string();
}

struct Cost {
    double seconds = 0.0;
    double peakBytes = 0.0;
};

// The thread's processor time in seconds: the figures hold on a busy machine.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Runs the command once, adding its time and the heap it took at most above what was held before.
bool Run(const std::string& command, Cost& cost) {
    const std::uint64_t before = HeapBytesNow();
    ResetHeapPeak();
    const double start = ThreadSeconds();
    const bool ok = static_cast<bool>(VGlobal::executeCommand(VString(command.c_str())));
    cost.seconds += ThreadSeconds() - start;
    cost.peakBytes += static_cast<double>(HeapPeakBytes() - before);
    return ok;
}

// The file imported into a new scene, that scene exported, and the exported file imported into
// a new scene again (its nodes now carry what an export writes, limits among them).
bool ImportThenExport(const std::string& file, Cost& import, Cost& exported, Cost& again) {
    const std::string written = wyx_bench::ImportFolder() + "/exported.wyx";
    vexa_host::Scene::instance().reset();
    VMessageLog::clear();
    if (!Run("WYXImport -f \"" + file + "\"", import) || !Run("WYXExport -f \"" + written + "\"", exported)) return false;
    vexa_host::Scene::instance().reset();
    return Run("WYXImport -f \"" + written + "\"", again);
}

// Reads the bytes asked for from the pipe; false when it closes first.
bool ReadAll(int from, void* into, size_t size) {
    auto* bytes = static_cast<char*>(into);
    while (size > 0) {
        const ssize_t got = read(from, bytes, size);
        if (got <= 0) return false;
        bytes += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

// ImportThenExport in a child process made for it, which hands its costs back through a pipe:
// every import and export starts from the heap the program had before the first, so that what
// the runs before it freed (a scene of another size, another shape) does not weigh on it.
bool ImportThenExportAlone(const std::string& file, Cost& import, Cost& exported, Cost& again) {
    int ends[2];
    if (pipe(ends) != 0) return false;
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        Cost costs[3];
        const char ok = ImportThenExport(file, costs[0], costs[1], costs[2]) ? 1 : 0;
        const bool sent = write(ends[1], &ok, 1) == 1 && write(ends[1], costs, sizeof costs) == sizeof costs;
        _exit(sent ? 0 : 1);
    }
    close(ends[1]);
    char ok = 0;
    Cost costs[3];
    const bool read = child > 0 && ReadAll(ends[0], &ok, 1) && ReadAll(ends[0], costs, sizeof costs);
    close(ends[0]);
    int status = 0;
    if (child > 0) waitpid(child, &status, 0);
    if (!read || ok != 1) return false;
    Cost* totals[3] = {&import, &exported, &again};
    for (int i = 0; i < 3; ++i) {
        totals[i]->seconds += costs[i].seconds;
        totals[i]->peakBytes += costs[i].peakBytes;
    }
    return true;
}

// The costs of one file's import, export and second import, summed over the runs.
struct Trip {
    Cost import;
    Cost exported;
    Cost again;
};

// Takes the file and its peer once per iteration; false (the state told) when either fails.
bool TakeWithPeer(benchmark::State& state, const std::string& file, const std::string& peerFile, Trip& trip,
                  Trip& peer) {
    if (file.empty() || peerFile.empty() || !wyx_bench::LoadImportPlugin() ||
        !VGlobal::executeCommand("WYXExportShowUI -v false")) {
        state.SkipWithError("the files or the plug-in are missing");
        return false;
    }
    for (auto _ : state) {
        if (!ImportThenExportAlone(file, trip.import, trip.exported, trip.again) ||
            !ImportThenExportAlone(peerFile, peer.import, peer.exported, peer.again)) {
            state.SkipWithError("an import or an export failed");
            return false;
        }
    }
    vexa_host::Scene::instance().reset();
    return true;
}

// Per `unit` (of which the files hold `count`): the microseconds and peak heap bytes of the
// trip and of its peer (counters prefixed by the peer's name), and the trip's time over the
// peer's.
void Report(benchmark::State& state, int count, const std::string& unit, const std::string& name,
            const std::string& peerName, const Trip& trip, const Trip& peer) {
    const double per = static_cast<double>(state.iterations()) * count;
    const std::pair<const char*, const Cost Trip::*> steps[] = {
        {"import", &Trip::import}, {"export", &Trip::exported}, {"reimport", &Trip::again}};
    for (const auto& [step, cost] : steps) {
        state.counters[std::string(step) + "_us/" + unit] = 1e6 * (trip.*cost).seconds / per;
        state.counters[peerName + "_" + step + "_us/" + unit] = 1e6 * (peer.*cost).seconds / per;
        state.counters[std::string(step) + "_" + name + "_over_" + peerName] = (trip.*cost).seconds / (peer.*cost).seconds;
    }
    for (const auto& [step, cost] : {steps[0], steps[1]}) {
        state.counters[std::string(step) + "_heap/" + unit] = (trip.*cost).peakBytes / per;
        state.counters[peerName + "_" + step + "_heap/" + unit] = (peer.*cost).peakBytes / per;
    }
}

void BM_ImportExportChain(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    Trip chain, flat;
    if (TakeWithPeer(state, NullsFile(count, 1), NullsFile(count, count), chain, flat)) {
        // Over the peer: what the depth itself costs, apart from the count of nodes.
        Report(state, count, "node", "chain", "flat", chain, flat);
    }
}
BENCHMARK(BM_ImportExportChain)->Arg(2500)->Iterations(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportExportChain)->Arg(10000)->Iterations(2)->Unit(benchmark::kMillisecond);

// The chain bound as asked beside the bare chain, per joint.
void TakeBoundChain(benchmark::State& state, Binding binding) {
    const int count = static_cast<int>(state.range(0));
    Trip skinned, bare;
    if (TakeWithPeer(state, JointChainFile(count, binding), JointChainFile(count, Binding::kNone), skinned, bare)) {
        Report(state, count, "joint", "skinned", "bare", skinned, bare);
    }
}

void BM_ImportExportSkinnedChain(benchmark::State& state) { TakeBoundChain(state, Binding::kLastTwo); }
BENCHMARK(BM_ImportExportSkinnedChain)->Arg(500)->Iterations(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportExportSkinnedChain)->Arg(2000)->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_ImportExportChainBoundToEveryJoint(benchmark::State& state) { TakeBoundChain(state, Binding::kEveryJoint); }
BENCHMARK(BM_ImportExportChainBoundToEveryJoint)->Arg(500)->Iterations(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportExportChainBoundToEveryJoint)->Arg(2000)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportExportChainBoundToEveryJoint)->Arg(4000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ImportExportChildSkins(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    Trip skinned, bare;
    if (TakeWithPeer(state, ChildSkinsFile(count, true), ChildSkinsFile(count, false), skinned, bare)) {
        Report(state, count, "skin", "skinned", "bare", skinned, bare);
    }
}
BENCHMARK(BM_ImportExportChildSkins)->Arg(500)->Iterations(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportExportChildSkins)->Arg(2000)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
