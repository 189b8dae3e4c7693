// Benchmarks of the host stand-in's scene database at scale: N transforms, each with a
// dynamic numeric attribute and set translate values, all made under the world and asked for
// under one name (so every name clashes and the host works out a unique one), then spread over
// groups; 10,000
// connections between them; every node looked up by its name and by its full DAG path; the
// DAG walked with its path names; every node deleted one by one. Each phase is reported as
// microseconds per node (per connection for the connections): the figures must stay flat from
// N = 10,000 to N = 100,000, since any step that is linear per node makes a phase quadratic.

#include "host/src/scene/Scene.h"

#include <vexa/VDGModifier.h>
#include <vexa/VFnAttribute.h>
#include <vexa/VFnDagNode.h>
#include <vexa/VFnNumericAttribute.h>
#include <vexa/VFnTransform.h>
#include <vexa/VGlobal.h>
#include <vexa/VItDag.h>
#include <vexa/VPlug.h>
#include <vexa/VSelectionList.h>

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


// Plugs by the many on one node, against as many spread one to a node (the peer): dynamic
// numbers added and found by name, then elements of an array each driven by a connection,
// connected and read. The one node's figures per attribute and per connection must stay as
// flat from N = 250 to N = 1,000 as the peer's: a walk over the node's attributes or
// connections per plug makes them grow with N.
// Timed on the thread's own clock: the steps are short, and a busy machine's pauses would
// swamp them.
double ThreadMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return 1e6 * static_cast<double>(now.tv_sec) + 1e-3 * static_cast<double>(now.tv_nsec);
}

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

}  // namespace
