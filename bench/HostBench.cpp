// Benchmarks of the host stand-in's scene database at scale: N transforms, each with a
// dynamic numeric attribute and set translate values, all made under the world and asked for
// under one name (so every name clashes and the host works out a unique one), then spread over
// groups; 10,000
// connections between them; every node looked up by its name and by its full DAG path; the
// DAG walked with its path names; every node deleted one by one. Each phase is reported as
// microseconds per node (per connection for the connections): the figures must stay flat from
// N = 10,000 to N = 100,000, since any step that is linear per node makes a phase quadratic.
// Shaders made one by one, on the scene's shader list and off it, per shader at two counts.

#include "host/src/scene/Scene.h"

#include <vexa/VDGModifier.h>
#include <vexa/VFnDagNode.h>
#include <vexa/VFnNumericAttribute.h>
#include <vexa/VFnTransform.h>
#include <vexa/VFnLambertShader.h>
#include <vexa/VGlobal.h>
#include <vexa/VItDag.h>
#include <vexa/VSelectionList.h>

#include <benchmark/benchmark.h>

#include <chrono>
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

}  // namespace
