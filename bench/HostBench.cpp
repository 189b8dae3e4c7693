// Benchmarks of the host stand-in's scene database at scale: N transforms, each with a
// dynamic numeric attribute and set translate values, all made under the world and asked for
// under one name (so every name clashes and the host works out a unique one), then spread over
// groups; 10,000
// connections between them; every node looked up by its name and by its full DAG path; the
// DAG walked with its path names; every node deleted one by one. Each phase is reported as
// microseconds per node (per connection for the connections): the figures must stay flat from
// N = 10,000 to N = 100,000, since any step that is linear per node makes a phase quadratic.
//
// Lookups the import and export make once per item of a deformer or camera, at two sizes 4x
// apart, each beside a peer of the same shape that never cost more than its own work:
//   influence  the index of every influence of a skin of J joints (a pass over its J
//              connections each: ns per lookup per connection stays flat), peer the pass alone
//   targets    the targets of every slider of a blend shape of T sliders (found in an index
//              of its connections: us per lookup stays flat, ns per lookup per connection
//              falls), peer a pass over the T connections asking each one's leaf
//   path       "|camK|cameraShape1" for every camera, every shape of one name (us per lookup
//              stays flat), peer "|camK"
//
// Plugs by the many on one node against as many spread one to a node (BM_HostManyPlugs).
//
// Shaders made one by one, on the scene's shader list and off it, per shader at two counts.
//
// The shading groups of every mesh of a scene of N meshes each in a group of its own
// (BM_HostMeshShaders, us per mesh stays flat), peer the members of the mesh's own group read.
//
// One mesh of N quads, quad i forced into group i as an import sends it (BM_HostForcedFaces, us
// per quad stays flat), peer the same quads forced into two groups by turns.
//
// What an export reads of every slider of a blend shape of T targets, each target a mesh of its
// own: the slider's targets (with the base's index) and the shaders of the target mesh, a node
// made and deleted between meshes as the export's default shader is (BM_HostBlendSliders, us per
// target stays flat); peer T meshes without a deformer, their shaders read the same way.

#include "bench/HostTransformTree.h"
#include "host/src/geometry/SkinWeights.h"
#include "host/src/scene/Scene.h"

#include <vexa/VDGModifier.h>
#include <vexa/VFnBlendShapeDeformer.h>
#include <vexa/VFnAttribute.h>
#include <vexa/VFnDagNode.h>
#include <vexa/VFnMesh.h>
#include <vexa/VFnNumericAttribute.h>
#include <vexa/VFnTransform.h>
#include <vexa/VFnLambertShader.h>
#include <vexa/VFnSet.h>
#include <vexa/VGlobal.h>
#include <vexa/VItDag.h>
#include <vexa/VObjectArray.h>
#include <vexa/VPlug.h>
#include <vexa/VSelectionList.h>
#include <vexa/VStringArray.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kGroups = 100;
constexpr int kConnections = 10000;

double MicrosecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

struct Built {
    std::vector<VObject> groups;
    std::vector<VObject> nodes;
};

Built Build(int count) {
    Built built;
    for (int g = 0; g < kGroups; ++g) {
        VFnTransform group;
        built.groups.push_back(group.create());
        group.setName("group");
    }
    built.nodes.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        VFnTransform transform;
        VObject node = transform.create();
        transform.setName("node");
        transform.setTranslation(VVector(i, 2.0 * i, 0.5), VSpace::kTransform);
        VFnNumericAttribute numeric;
        transform.addAttribute(numeric.create("weight", "wt", VFnNumericAttribute::kDouble, 1.0));
        transform.findPlug("weight").setValue(0.5 * i);
        built.nodes.push_back(node);
    }
    // Spread over the groups once every name is unique among the world's children.
    for (size_t i = 0; i < built.nodes.size(); ++i) {
        VObject node = built.nodes[i];
        VFnDagNode(built.groups[i % kGroups]).addChild(node);
    }
    return built;
}

bool Connect(const Built& built) {
    VDGModifier modifier;
    for (int i = 0; i < kConnections && i + 1 < static_cast<int>(built.nodes.size()); ++i) {
        modifier.connect(VFnDependencyNode(built.nodes[static_cast<size_t>(i)]).findPlug("weight"),
                         VFnDependencyNode(built.nodes[static_cast<size_t>(i + 1)]).findPlug("ty"));
    }
    return static_cast<bool>(modifier.doIt());
}

bool FindByName(const Built& built) {
    for (const VObject& node : built.nodes) {
        VSelectionList list;
        VObject found;
        if (!list.add(VFnDependencyNode(node).name()) || !list.getDependNode(0, found) || found != node) return false;
    }
    return true;
}

bool FindByPath(const Built& built) {
    for (const VObject& node : built.nodes) {
        VDagPath path;
        VDagPath::getAPathTo(node, path);
        VSelectionList list;
        VObject found;
        if (!list.add(path.fullPathName()) || !list.getDependNode(0, found) || found != node) return false;
    }
    return true;
}

bool WalkDag(size_t expected) {
    size_t visited = 0;
    size_t characters = 0;
    for (VItDag it; !it.isDone(); it.next()) {
        characters += it.fullPathName().length();
        ++visited;
    }
    return visited == expected && characters > 0;
}

bool DeleteAll(const Built& built) {
    for (const VObject& node : built.nodes) {
        if (!VGlobal::deleteNode(node)) return false;
    }
    for (const VObject& group : built.groups) {
        if (!VGlobal::deleteNode(group)) return false;
    }
    return vexa_host::Scene::instance().nodes().empty();
}

void BM_HostScene(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    double build = 0.0, connect = 0.0, byName = 0.0, byPath = 0.0, walk = 0.0, remove = 0.0;
    for (auto _ : state) {
        vexa_host::Scene::instance().reset();
        auto start = Clock::now();
        const Built built = Build(count);
        build += MicrosecondsSince(start);

        start = Clock::now();
        if (!Connect(built)) state.SkipWithError("a connection was refused");
        connect += MicrosecondsSince(start);

        start = Clock::now();
        if (!FindByName(built)) state.SkipWithError("a node was not found by its name");
        byName += MicrosecondsSince(start);

        start = Clock::now();
        if (!FindByPath(built)) state.SkipWithError("a node was not found by its path");
        byPath += MicrosecondsSince(start);

        start = Clock::now();
        if (!WalkDag(static_cast<size_t>(count + kGroups))) state.SkipWithError("the walk missed nodes");
        walk += MicrosecondsSince(start);

        start = Clock::now();
        if (!DeleteAll(built)) state.SkipWithError("a node was not deleted");
        remove += MicrosecondsSince(start);
    }
    const double perNode = static_cast<double>(state.iterations()) * count;
    state.counters["build_us/node"] = build / perNode;
    state.counters["connect_us/conn"] = connect / (static_cast<double>(state.iterations()) * kConnections);
    state.counters["by_name_us/node"] = byName / perNode;
    state.counters["by_path_us/node"] = byPath / perNode;
    state.counters["walk_us/node"] = walk / perNode;
    state.counters["delete_us/node"] = remove / perNode;
}
BENCHMARK(BM_HostScene)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The thread's processor time in microseconds: lookups timed on a busy machine.
double ThreadMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// Each of `count` lookups run once, timed together: microseconds per lookup.
template <typename Lookup>
double MicrosecondsPerLookup(int count, Lookup&& lookup) {
    const double start = ThreadMicroseconds();
    for (int i = 0; i < count; ++i) benchmark::DoNotOptimize(lookup(i));
    return (ThreadMicroseconds() - start) / count;
}

// Times every lookup and then every peer lookup once per iteration: microseconds per lookup,
// and with `connections` (the connections each one passes) nanoseconds per lookup and connection.
template <typename Lookup, typename Peer>
void TimeBesidePeer(benchmark::State& state, int count, size_t connections, Lookup&& lookup, Peer&& peer) {
    double lookupTime = 0.0, peerTime = 0.0;
    for (auto _ : state) {
        lookupTime += MicrosecondsPerLookup(count, lookup);
        peerTime += MicrosecondsPerLookup(count, peer);
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["us/lookup"] = lookupTime / iterations;
    state.counters["peer_us/lookup"] = peerTime / iterations;
    if (connections == 0) return;
    state.counters["ns/lookup/conn"] = 1000.0 * lookupTime / (iterations * static_cast<double>(connections));
    state.counters["peer_ns/lookup/conn"] = 1000.0 * peerTime / (iterations * static_cast<double>(connections));
}

void Run(const std::string& script) {
    VStringArray ignored;
    VGlobal::executeCommand(VString(script), ignored);
}

// A skin cluster fed by `count` transforms, joint j at matrix[j].
std::vector<vexa_host::Node*> InfluencedSkin(int count) {
    vexa_host::Scene& scene = vexa_host::Scene::instance();
    Run("createNode skinCluster -n skin");
    std::vector<vexa_host::Node*> joints;
    for (int j = 0; j < count; ++j) {
        const std::string name = "joint" + std::to_string(j);
        Run("createNode transform -n " + name);
        Run("connectAttr " + name + ".worldMatrix[0] skin.matrix[" + std::to_string(j) + "]");
        joints.push_back(scene.nodesNamed(name).front());
    }
    return joints;
}

void BM_HostInfluenceIndex(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    vexa_host::Scene::instance().reset();
    const std::vector<vexa_host::Node*> joints = InfluencedSkin(count);
    const vexa_host::Node& skin = *vexa_host::Scene::instance().nodesNamed("skin").front();
    if (static_cast<int>(skin.incoming().size()) != count) state.SkipWithError("a joint was not connected");
    TimeBesidePeer(
        state, count, skin.incoming().size(), [&](int j) { return vexa_host::indexOfInfluence(skin, *joints[j]); },
        [&](int j) {
            int found = -1;
            for (const vexa_host::Connection& connection : skin.incoming()) {
                if (connection.other == joints[j]) found = connection.local.steps.front().index;
            }
            return found;
        });
    vexa_host::Scene::instance().reset();
}
BENCHMARK(BM_HostInfluenceIndex)->Arg(125)->Arg(500)->Iterations(5)->Unit(benchmark::kMillisecond);

// A mesh of one triangle under a transform of its own; answers the shape.
VObject Triangle() {
    VPointArray points;
    for (int i = 0; i < 3; ++i) points.append(VPoint(i == 1 ? 1.0 : 0.0, i == 2 ? 1.0 : 0.0, 0.0));
    VIntArray counts(1, 3);
    VIntArray connects;
    for (int i = 0; i < 3; ++i) connects.append(i);
    const VObject made = VFnMesh().create(3, 1, points, counts, connects);
    return made.hasFn(VFn::kTransform) ? VFnDagNode(made).child(0) : made;
}

void BM_HostBlendTargets(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    vexa_host::Scene::instance().reset();
    const VObject base = Triangle();
    const VObject target = Triangle();
    VFnBlendShapeDeformer blend;
    blend.create(base);
    for (int w = 0; w < count; ++w) {
        if (!blend.addTarget(base, w, target, 1.0)) state.SkipWithError("a target was refused");
    }
    const vexa_host::Node& deformer = *vexa_host::Scene::instance().nodesNamed(blend.name().str()).front();
    TimeBesidePeer(
        state, count, deformer.incoming().size(),
        [&](int w) {
            VObjectArray targets;
            blend.getTargets(base, w, targets);
            return targets.length();
        },
        [&](int) {
            int found = 0;
            for (const vexa_host::Connection& connection : deformer.incoming()) {
                found += connection.local.leaf().longName == "inputGeomTarget" ? 1 : 0;
            }
            return found;
        });
    vexa_host::Scene::instance().reset();
}
BENCHMARK(BM_HostBlendTargets)->Arg(250)->Arg(1000)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_HostPathOfNamesake(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    vexa_host::Scene& scene = vexa_host::Scene::instance();
    scene.reset();
    std::vector<std::string> cameras;
    for (int k = 0; k < count; ++k) {
        VFnTransform transform;
        const VObject camera = transform.create();
        transform.setName(VString("cam" + std::to_string(k)));
        VFnTransform().create(camera);
        VFnDependencyNode(VFnDagNode(camera).child(0)).setName("cameraShape1");
        cameras.push_back("|" + transform.name().str());
    }
    if (scene.nodesNamed("cameraShape1").size() != static_cast<size_t>(count)) state.SkipWithError("a shape was renamed");
    TimeBesidePeer(
        state, count, 0, [&](int k) { return scene.findPaths(cameras[k] + "|cameraShape1").size(); },
        [&](int k) { return scene.findPaths(cameras[k]).size(); });
    scene.reset();
}
BENCHMARK(BM_HostPathOfNamesake)->Arg(250)->Arg(1000)->Iterations(5)->Unit(benchmark::kMillisecond);

// What the import and export ask of each node of a chain of N transforms (each the child of the
// last): its full path name from a walk of the DAG, then the three limit commands of an import
// naming it by that path. The peer does the same with N transforms under one parent. A path is
// as long as its node's depth: the chain's nanoseconds per node and level stay flat from N to
// 4N when each node's path is built and read a fixed number of times.
double DeepPathMicroseconds(int count, int branching) {
    vexa_host::Scene::instance().reset();
    if (!wyx_bench::MakeHostTransformTree(count, branching)) return 0.0;
    const double start = ThreadMicroseconds();
    for (VItDag it; !it.isDone(); it.next()) {
        const std::string path = it.fullPathName().str();
        for (const char* axis : {"x", "y", "z"}) {
            Run(std::string("transformLimits -t") + axis + " -1 1 -et" + axis + " 1 1 " + path);
        }
    }
    const double spent = ThreadMicroseconds() - start;
    vexa_host::Scene::instance().reset();
    return spent;
}

void BM_HostDeepPaths(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    double chain = 0.0, flat = 0.0;
    for (auto _ : state) {
        chain += DeepPathMicroseconds(count, 1);
        flat += DeepPathMicroseconds(count, count);
    }
    if (chain == 0.0 || flat == 0.0) state.SkipWithError("a transform was refused");
    const double perNode = static_cast<double>(state.iterations()) * count;
    state.counters["chain_us/node"] = chain / perNode;
    state.counters["flat_us/node"] = flat / perNode;
    state.counters["chain_ns/node/level"] = 1000.0 * chain / perNode / ((count + 1) / 2.0);
}
BENCHMARK(BM_HostDeepPaths)->Arg(250)->Arg(1000)->Iterations(2)->Unit(benchmark::kMillisecond);

// The full paths of a chain's nodes built and named in commands, beside a flat peer
// (BM_HostDeepPaths).
//
// Plugs by the many on one node, against as many spread one to a node (the peer): dynamic
// numbers added and found by name, then elements of an array each driven by a connection,
// connected and read. The one node's figures per attribute and per connection must stay as
// flat from N = 250 to N = 1,000 as the peer's: a walk over the node's attributes or
// connections per plug makes them grow with N.
// Timed on the thread's own clock (ThreadMicroseconds above).

struct PlugTimes {
    double add = 0.0, find = 0.0, connect = 0.0, read = 0.0;
};

bool TimePlugs(int count, bool oneNode, PlugTimes& times) {
    vexa_host::Scene::instance().reset();
    std::vector<VObject> holders, sources;
    for (int i = 0; i < count; ++i) {
        VFnTransform transform;
        sources.push_back(transform.create());
        transform.setTranslation(VVector(i, 0.0, 0.0), VSpace::kTransform);
        if (oneNode && i > 0) continue;
        holders.push_back(transform.create());
        VFnNumericAttribute numeric;
        VObject drive = numeric.create("drive", "dr", VFnNumericAttribute::kDouble);
        numeric.setArray(true);
        if (!transform.addAttribute(drive)) return false;
    }
    auto holder = [&](int i) { return VFnDependencyNode(holders[oneNode ? 0 : static_cast<size_t>(i)]); };
    auto nameOf = [](int i) { return VString("user" + std::to_string(i)); };
    double start = ThreadMicroseconds();
    for (int i = 0; i < count; ++i) {
        VFnNumericAttribute numeric;
        if (!holder(i).addAttribute(numeric.create(nameOf(i), nameOf(i), VFnNumericAttribute::kDouble, i))) return false;
    }
    times.add += ThreadMicroseconds() - start;
    start = ThreadMicroseconds();
    for (int i = 0; i < count; ++i) {
        if (holder(i).findPlug(nameOf(i)).asDouble() != i) return false;
    }
    times.find += ThreadMicroseconds() - start;
    VDGModifier modifier;
    std::vector<VPlug> driven;
    for (int i = 0; i < count; ++i) {
        driven.push_back(holder(i).findPlug("drive").elementByLogicalIndex(static_cast<unsigned>(i)));
        modifier.connect(VFnDependencyNode(sources[static_cast<size_t>(i)]).findPlug("tx"), driven.back());
    }
    start = ThreadMicroseconds();
    if (!modifier.doIt()) return false;
    times.connect += ThreadMicroseconds() - start;
    start = ThreadMicroseconds();
    for (int i = 0; i < count; ++i) {
        if (driven[static_cast<size_t>(i)].asDouble() != i) return false;
    }
    times.read += ThreadMicroseconds() - start;
    return true;
}

void BM_HostManyPlugs(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    PlugTimes one, spread;
    for (auto _ : state) {
        if (!TimePlugs(count, true, one) || !TimePlugs(count, false, spread)) state.SkipWithError("a plug step failed");
    }
    vexa_host::Scene::instance().reset();
    const double per = static_cast<double>(state.iterations()) * count;
    state.counters["add_us/attr"] = one.add / per;
    state.counters["peer_add_us/attr"] = spread.add / per;
    state.counters["find_us/attr"] = one.find / per;
    state.counters["peer_find_us/attr"] = spread.find / per;
    state.counters["connect_us/conn"] = one.connect / per;
    state.counters["peer_connect_us/conn"] = spread.connect / per;
    state.counters["read_us/conn"] = one.read / per;
    state.counters["peer_read_us/conn"] = spread.read / per;
}
BENCHMARK(BM_HostManyPlugs)->Arg(250)->Arg(1000)->Iterations(3)->Unit(benchmark::kMillisecond);
// Each listed shader takes the index after the highest in use on the shader list; the same
// shaders made off the list are the peer: the two must cost alike per shader at both counts.
void BM_HostShaders(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const bool listed = state.range(1) != 0;
    double made = 0.0;
    for (auto _ : state) {
        vexa_host::Scene::instance().reset();
        const auto start = Clock::now();
        for (int i = 0; i < count; ++i) {
            if (VFnLambertShader().create(listed).isNull()) state.SkipWithError("a shader was not made");
        }
        made += MicrosecondsSince(start);
    }
    state.SetLabel(listed ? "listed" : "unlisted");
    state.counters["make_us/shader"] = made / (static_cast<double>(state.iterations()) * count);
}
BENCHMARK(BM_HostShaders)->Args({1000, 1})->Args({4000, 1})->Args({1000, 0})->Args({4000, 0})->Iterations(1)->Unit(benchmark::kMillisecond);

// What an export asks of every mesh: its shading groups. The peer reads the members of the
// one group the mesh is in, which costs the same at any scene size.
void BM_HostMeshShaders(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    vexa_host::Scene::instance().reset();
    std::vector<VDagPath> meshes(static_cast<size_t>(count));
    std::vector<VObject> groups;
    for (int i = 0; i < count; ++i) {
        VDagPath::getAPathTo(Triangle(), meshes[static_cast<size_t>(i)]);
        groups.push_back(VFnDependencyNode().create("shadingEngine"));
        if (!VFnSet(groups.back()).addMember(meshes[static_cast<size_t>(i)])) state.SkipWithError("a mesh was not shaded");
    }
    TimeBesidePeer(
        state, count, 0,
        [&](int i) {
            VObjectArray shaders;
            VIntArray indices;
            VFnMesh(meshes[static_cast<size_t>(i)]).getConnectedShaders(0, shaders, indices);
            return shaders.length();
        },
        [&](int i) {
            VSelectionList members;
            VFnSet(groups[static_cast<size_t>(i)]).getMembers(members, false);
            return members.length();
        });
    vexa_host::Scene::instance().reset();
}
BENCHMARK(BM_HostMeshShaders)->Arg(250)->Arg(1000)->Iterations(5)->Unit(benchmark::kMillisecond);

// A row of `quads` quads in a mesh of its own; answers the shape's name.
std::string QuadRow(int quads) {
    VPointArray points;
    for (int i = 0; i <= quads; ++i) {
        points.append(VPoint(i, 0.0, 0.0));
        points.append(VPoint(i, 1.0, 0.0));
    }
    VIntArray counts(static_cast<unsigned>(quads), 4);
    VIntArray connects;
    for (int i = 0; i < quads; ++i) {
        for (int corner : {2 * i, 2 * i + 2, 2 * i + 3, 2 * i + 1}) connects.append(corner);
    }
    const VObject made = VFnMesh().create(2 * (quads + 1), quads, points, counts, connects);
    return VFnDependencyNode(made.hasFn(VFn::kTransform) ? VFnDagNode(made).child(0) : made).name().str();
}

// Microseconds per quad of forcing each quad of a new row of `quads` into the group groupOf
// names for it, among `groups` empty groups made first.
template <typename GroupOf>
double ForcedQuads(benchmark::State& state, int quads, int groups, GroupOf groupOf) {
    vexa_host::Scene::instance().reset();
    const std::string shape = QuadRow(quads);
    for (int g = 0; g < groups; ++g) Run("sets -renderable true -noSurfaceShader true -empty -name g" + std::to_string(g));
    const auto start = Clock::now();
    for (int i = 0; i < quads; ++i) {
        const std::string edit = "sets -e -forceElement \"g" + std::to_string(groupOf(i)) + "\" \"" + shape + ".f[" + std::to_string(i) + "]\"";
        if (!VGlobal::executeCommand(VString(edit))) state.SkipWithError("a quad was not forced");
    }
    const double elapsed = MicrosecondsSince(start);
    vexa_host::Scene::instance().reset();
    return elapsed / quads;
}

void BM_HostForcedFaces(benchmark::State& state) {
    const int quads = static_cast<int>(state.range(0));
    double own = 0.0, twoGroups = 0.0;
    for (auto _ : state) {
        own += ForcedQuads(state, quads, quads, [](int i) { return i; });
        twoGroups += ForcedQuads(state, quads, 2, [](int i) { return i % 2; });
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["us/quad"] = own / iterations;
    state.counters["peer_us/quad"] = twoGroups / iterations;
}
BENCHMARK(BM_HostForcedFaces)->Arg(500)->Arg(2000)->Iterations(3)->Unit(benchmark::kMillisecond);

// Arguments: the number of targets, and 1 for the blend shape or 0 for the peer.
void BM_HostBlendSliders(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const bool blended = state.range(1) != 0;
    vexa_host::Scene::instance().reset();
    const VObject base = Triangle();
    std::vector<VDagPath> targets(static_cast<size_t>(count));
    VFnBlendShapeDeformer blend;
    if (blended) blend.create(base);
    for (int w = 0; w < count; ++w) {
        const VObject target = Triangle();
        VDagPath::getAPathTo(target, targets[static_cast<size_t>(w)]);
        if (blended && !blend.addTarget(base, w, target, 1.0)) state.SkipWithError("a target was refused");
    }
    double time = 0.0;
    for (auto _ : state) {
        time += MicrosecondsPerLookup(count, [&](int w) {
            VObjectArray found;
            if (blended) blend.getTargets(base, w, found);
            VObjectArray shaders;
            VIntArray indices;
            VFnMesh(targets[static_cast<size_t>(w)]).getConnectedShaders(0, shaders, indices);
            VGlobal::deleteNode(VFnDependencyNode().create("lambert"));
            return found.length() + shaders.length();
        });
    }
    state.counters["us/target"] = time / static_cast<double>(state.iterations());
    vexa_host::Scene::instance().reset();
}
BENCHMARK(BM_HostBlendSliders)->Args({500, 1})->Args({2000, 1})->Args({500, 0})->Args({2000, 0})->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
