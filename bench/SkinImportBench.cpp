// The skin of an import by phase: a grid mesh of N vertices skinned to a chain of 60 joints,
// four influences per vertex (0.4, 0.3, 0.2, 0.1 on four neighbouring joints), written by our
// writer and imported through the shell's road (the plug-in module loaded by the host, dialogs
// off, add to a new scene, the file's weights normalised before they go in).
//
// Every script the import runs is timed through the host's script runner, which cuts the
// skin into its phases:
//   preparation    sorting the links, gathering the points, normalising the file's weights
//                  (from the command before the skin to its first "select -cl")
//   creation       selecting joints and points, "newSkinCluster", the bind matrices
//   pruning        "skinPercent -prw" (every weight the host guessed set to 0)
//   weights        the file's weights set, one influence at a time
//   normalisation  "normalizeWeights" on and "skinPercent -normalize true"
// Each phase is reported in seconds and in microseconds per vertex; the per-vertex times
// should stay flat from 10,000 to 100,000 vertices (time linear in the vertex count).

#include "bench/ImportBenchSupport.h"

#include "attributes/RWyxMesh.h"
#include "attributes/RWyxSkeleton.h"
#include "attributes/RWyxSkinLink.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

#include "host/src/scene/Scene.h"
#include "host/src/script/CommandEngine.h"
#include "host/src/script/ScriptInterpreter.h"

#include <vexa/VGlobal.h>
#include <vexa/VMessageLog.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kJoints = 60;
constexpr int kInfluences = 4;
constexpr double kWeights[kInfluences] = {0.4, 0.3, 0.2, 0.1};
constexpr int kColumns = 100;

using Clock = std::chrono::steady_clock;

// A grid of kColumns columns lying along the chain (y), quads between neighbouring points.
RWyxMesh* GridMesh(RWyxObjectFactory& factory, int vertices) {
    const int rows = vertices / kColumns;
    RWyxMesh* mesh = factory.CreateMesh();
    mesh->InitControlPoints(rows * kColumns);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            mesh->SetControlPointAt(r * kColumns + c, RVector4(c, r * double(kJoints) / rows, 0.0, 1.0));
        }
    }
    for (int r = 0; r + 1 < rows; ++r) {
        for (int c = 0; c + 1 < kColumns; ++c) {
            mesh->BeginPolygon();
            for (const int point : {r * kColumns + c, r * kColumns + c + 1, (r + 1) * kColumns + c + 1,
                                    (r + 1) * kColumns + c}) {
                mesh->AddPolygonVertex(point);
            }
        }
    }
    return mesh;
}

// The file of a skinned grid of about `vertices` points; cached per count.
std::string SkinFile(int vertices) {
    static std::map<int, std::string> files;
    const auto found = files.find(vertices);
    if (found != files.end()) return found->second;
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    RWyxNode* parent = scene->GetRootNode();
    std::vector<RWyxNode*> joints;
    for (int j = 0; j < kJoints; ++j) {
        RWyxSkeleton* joint = factory.CreateSkeleton();
        joint->SetSkeletonType(j == 0 ? RWyxSkeleton::kRoot : RWyxSkeleton::kLimbNode);
        RWyxNode* node = factory.CreateNode(("joint" + std::to_string(j)).c_str());
        node->SetNodeAttribute(joint);
        node->SetDefaultTranslation(RVector4(0, j == 0 ? 0.0 : 1.0, 0, 0));
        parent->AddChild(node);
        joints.push_back(node);
        parent = node;
    }
    RWyxMesh* mesh = GridMesh(factory, vertices);
    RWyxNode* body = factory.CreateNode("Body");
    body->SetNodeAttribute(mesh);
    scene->GetRootNode()->AddChild(body);
    std::vector<RWyxSkinLink*> links;
    for (int j = 0; j < kJoints; ++j) {
        RWyxSkinLink* link = factory.CreateSkinLink();
        link->SetLink(joints[static_cast<size_t>(j)]);
        link->SetMode(RWyxSkinLink::kNormal);
        link->SetTransformLinkMatrix(
            RMatrix::ConstructFromTRS(RVector4(0, j, 0, 0), RVector4(), RVector4(1, 1, 1, 0)));
        link->SetAssociateModel(body);
        links.push_back(link);
    }
    const int count = mesh->GetControlPointsCount();
    for (int v = 0; v < count; ++v) {
        const int band = static_cast<int>(static_cast<long long>(v) * kJoints / count);
        for (int k = 0; k < kInfluences; ++k) {
            links[static_cast<size_t>((band + k) % kJoints)]->AddControlPointIndex(v, kWeights[k]);
        }
    }
    for (RWyxSkinLink* link : links) mesh->AddDeformer(link);
    const std::string path = wyx_bench::ImportFolder() + "/skin" + std::to_string(vertices) + ".wyx";
    return wyx_bench::WriteBinary(factory, scene, path) ? (files[vertices] = path) : std::string();
}

// One script the import ran, with its start and end.
struct TimedScript {
    std::string text;
    Clock::time_point start;
    Clock::time_point end;
};

// Every script run while it lives is recorded with its times.
class ScriptClock {
public:
    ScriptClock() {
        vexa_host::CommandEngine::instance().setScriptRunner(
            [this](const std::string& text, vexa_host::CommandResult& result) {
                const Clock::time_point start = Clock::now();
                const VStatus status = vexa_host::ScriptInterpreter::instance().run(text, result);
                scripts_.push_back({text, start, Clock::now()});
                return status;
            });
    }
    ~ScriptClock() { vexa_host::CommandEngine::instance().setScriptRunner({}); }
    ScriptClock(const ScriptClock&) = delete;
    ScriptClock& operator=(const ScriptClock&) = delete;

    // The first script from `from` on that begins with the text; the count when none.
    size_t Find(const std::string& begin, size_t from = 0) const {
        for (size_t i = from; i < scripts_.size(); ++i) {
            if (scripts_[i].text.rfind(begin, 0) == 0) return i;
        }
        return scripts_.size();
    }
    const TimedScript& At(size_t i) const { return scripts_[i]; }
    size_t Count() const { return scripts_.size(); }

private:
    std::vector<TimedScript> scripts_;
};

double Seconds(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double>(to - from).count(); }

// The phases of one import's skin; false when a phase's scripts are missing.
bool AddPhases(const ScriptClock& clock, std::map<std::string, double>& phases) {
    // The skin begins with "select -cl" followed by the joints' "select -tgl".
    size_t select = 1;
    while (select + 1 < clock.Count() &&
           (clock.At(select).text != "select -cl" || clock.At(select + 1).text.rfind("select -tgl", 0) != 0)) {
        ++select;
    }
    const size_t newSkin = clock.Find("newSkinCluster", select);
    const size_t prune = clock.Find("skinPercent -prw", newSkin);
    const size_t weightsFrom = clock.Find("setAttr", prune);
    const size_t weightsTo = clock.Find("setAttr", weightsFrom + 1);
    const size_t normalise = clock.Find("skinPercent -normalize true", weightsTo);
    if (newSkin >= clock.Count() || normalise >= clock.Count()) return false;
    phases["preparation"] += Seconds(clock.At(select - 1).end, clock.At(select).start);
    phases["creation"] += Seconds(clock.At(select).start, clock.At(prune).start);
    phases["pruning"] += Seconds(clock.At(prune).start, clock.At(prune).end);
    phases["weights"] += Seconds(clock.At(weightsFrom).end, clock.At(weightsTo).start);
    phases["normalisation"] += Seconds(clock.At(weightsTo).start, clock.At(normalise).end);
    return true;
}

void BM_ImportSkinByPhase(benchmark::State& state) {
    const int vertices = static_cast<int>(state.range(0));
    const std::string path = SkinFile(vertices);
    if (path.empty() || !wyx_bench::LoadImportPlugin()) {
        state.SkipWithError("the file or the plug-in is missing");
        return;
    }
    std::map<std::string, double> phases;
    for (auto _ : state) {
        vexa_host::Scene::instance().reset();
        VMessageLog::clear();
        ScriptClock clock;
        const bool imported = static_cast<bool>(VGlobal::executeCommand(VString(("WYXImport -f \"" + path + "\"").c_str())));
        if (!imported || !AddPhases(clock, phases)) {
            state.SkipWithError("the import made no skin");
            return;
        }
    }
    const double iterations = static_cast<double>(state.iterations());
    for (const auto& [phase, seconds] : phases) {
        state.counters[phase + "_s"] = seconds / iterations;
        state.counters[phase + "_us_per_vertex"] = 1e6 * seconds / iterations / vertices;
    }
}
BENCHMARK(BM_ImportSkinByPhase)
    ->Arg(10000)
    ->Arg(30000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
