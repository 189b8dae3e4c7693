// Benchmarks of the scene graph at scale: a hierarchy of N named nodes, each with a second
// take and animated translations, built through the object factory; every node found by
// name; every node renamed (to clashing names) and made unique by an installed renaming
// strategy, then found by its new name; the subtree walks (recursive find, marking, the
// animation interval) from the top; the whole hierarchy destroyed (recursively from the top)
// with its factory. Both a wide tree (every node a child of one root) and a chain of depth N
// are measured; the chain of 100,000 levels also shows that no walk recurses per level. Each
// phase is reported as microseconds per node: the figures must stay flat from N = 10,000 to
// N = 100,000, since any step that is linear per node makes the whole phase quadratic.
//
// The cost of one node: N nodes made through the object factory, bare or each with a second
// take holding four keys, reported as the build and destruction time, the heap bytes held
// and the heap allocations made per node. The bytes are what the C heap holds in use after
// the build less what it held before (every allocation counted, with its bookkeeping), so
// that nothing a node keeps escapes the figure. A third kind is a marker as the motion readers
// make one: an optical marker attribute, the node linked below a group node.

#include "bench/AllocationCounter.h"
#include "core/RString.h"
#include "core/RTime.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "attributes/RWyxMarker.h"
#include "scene/RRenamingStrategy.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

enum Shape { kWide = 0, kChain = 1 };

using Clock = std::chrono::steady_clock;

double MicrosecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

std::string NodeName(int index) { return "Node" + std::to_string(index); }

// Each total of all iterations as a counter per node.
void ReportPerNode(benchmark::State& state, int count,
                   std::initializer_list<std::pair<const char*, double>> totals) {
    const double perNode = static_cast<double>(state.iterations()) * count;
    for (const auto& [name, total] : totals) state.counters[name] = total / perNode;
}

void AnimateTranslation(RWyxTakeNode& take) {
    RFCurve* curve = take.GetTranslationXCurve();
    for (int key = 0; key < 4; ++key) {
        const RTime time(key * RTime::kTicksPerSecond);
        curve->AddKey(time, RCurveKey::Plain(time, static_cast<float>(key), RCurveKey::Cubic));
    }
}

std::vector<RWyxNode*> BuildHierarchy(RWyxObjectFactory& factory, int count, Shape shape) {
    std::vector<RWyxNode*> nodes;
    nodes.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        RWyxNode* node = factory.CreateNode(NodeName(i).c_str());
        if (!nodes.empty()) (shape == kWide ? nodes.front() : nodes.back())->AddChild(node);
        if (RWyxTakeNode* take = node->AddTakeNode("Take 001")) AnimateTranslation(*take);
        node->SetCurrentTakeNodeByName("Take 001");
        nodes.push_back(node);
    }
    return nodes;
}

void FindEveryNode(benchmark::State& state, RWyxObjectFactory& factory, const std::vector<RWyxNode*>& nodes) {
    for (size_t i = 0; i < nodes.size(); ++i) {
        if (factory.FindNode(NodeName(static_cast<int>(i)).c_str(), 0) != nodes[i]) {
            state.SkipWithError("a node was not found by its name");
            return;
        }
    }
}

// Every node takes one of a hundred names, so most names clash; the strategy makes them
// unique again, and each node is then found under its new name.
void RenameEveryNode(benchmark::State& state, RWyxObjectFactory& factory, const std::vector<RWyxNode*>& nodes) {
    factory.SetNodeRenamingStrategy(std::make_unique<RRenamingStrategy>(0, false));
    RRenamingStrategy* strategy = factory.GetNodeRenamingStrategy();
    for (size_t i = 0; i < nodes.size(); ++i) {
        nodes[i]->SetName(RString(("Bone" + std::to_string(i % 100)).c_str()));
        strategy->Rename(nodes[i]->GetNamePair());
    }
    for (RWyxNode* node : nodes) {
        if (factory.FindNode(node->GetName().Buffer(), 0) != node) {
            state.SkipWithError("a renamed node was not found by its new name");
            return;
        }
    }
}

// Walks the whole hierarchy from the top: a recursive find of the last node (which the
// chain holds deepest), marking and the marked test, and the animation interval.
void WalkFromTheTop(benchmark::State& state, const std::vector<RWyxNode*>& nodes) {
    RWyxNode* top = nodes.front();
    RString last = nodes.back()->GetName();
    top->SetMarked(1, true);
    top->SetMarked(0, true);
    nodes.back()->SetMarked(1, false);
    RTime start;
    RTime stop;
    const bool walked = top->FindChild(last.Buffer(), true, false) == nodes.back() && top->IsMarked(true) &&
                        top->GetAnimationInterval(start, stop);
    if (!walked) state.SkipWithError("a walk over the hierarchy went wrong");
}

void BM_SceneHierarchy(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const auto shape = static_cast<Shape>(state.range(1));
    double build = 0.0;
    double find = 0.0;
    double rename = 0.0;
    double walk = 0.0;
    double destroy = 0.0;
    for (auto _ : state) {
        auto factory = std::make_unique<RWyxObjectFactory>();
        auto start = Clock::now();
        const std::vector<RWyxNode*> nodes = BuildHierarchy(*factory, count, shape);
        build += MicrosecondsSince(start);

        start = Clock::now();
        FindEveryNode(state, *factory, nodes);
        find += MicrosecondsSince(start);

        start = Clock::now();
        RenameEveryNode(state, *factory, nodes);
        rename += MicrosecondsSince(start);

        start = Clock::now();
        WalkFromTheTop(state, nodes);
        walk += MicrosecondsSince(start);

        start = Clock::now();
        if (!factory->DestroyNode(nodes.front(), true)) state.SkipWithError("the hierarchy was not destroyed");
        factory.reset();
        destroy += MicrosecondsSince(start);
    }
    ReportPerNode(state, count,
                  {{"build_us/node", build}, {"find_us/node", find}, {"rename_us/node", rename},
                   {"walk_us/node", walk}, {"destroy_us/node", destroy}});
    state.SetLabel(shape == kWide ? "wide" : "chain");
}
BENCHMARK(BM_SceneHierarchy)
    ->Args({10000, kWide})
    ->Args({100000, kWide})
    ->Args({10000, kChain})
    ->Args({100000, kChain})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

enum NodeKind { kBareNode = 0, kNodeWithTake = 1, kMarkerNode = 2 };

// As the motion readers make a marker: an optical marker attribute, the node below a group.
void MakeMarker(RWyxObjectFactory& factory, RWyxNode& node, RWyxNode& group) {
    RWyxMarker* marker = factory.CreateMarker();
    marker->SetType(RWyxMarker::kOpticalMarker);
    node.SetNodeAttribute(marker);
    group.AddChild(&node);
}

// The measured steps stand in functions of their own, so that an instruction count can be
// taken of them alone (valgrind --tool=callgrind --toggle-collect='*BuildMeasuredNodes*').
__attribute__((noinline)) void BuildMeasuredNodes(RWyxObjectFactory& factory, const std::vector<std::string>& names,
                                                  NodeKind kind, RWyxNode* group, std::vector<RWyxNode*>& nodes) {
    for (const std::string& name : names) {
        RWyxNode* node = factory.CreateNode(name.c_str());
        if (kind == kNodeWithTake) {
            if (RWyxTakeNode* take = node->AddTakeNode("Take 001")) AnimateTranslation(*take);
            node->SetCurrentTakeNodeByName("Take 001");
        }
        if (kind == kMarkerNode) MakeMarker(factory, *node, *group);
        nodes.push_back(node);
    }
}

__attribute__((noinline)) void TearDownMeasuredFactory(std::unique_ptr<RWyxObjectFactory>& factory) {
    factory.reset();
}

void BM_NodeCost(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const auto kind = static_cast<NodeKind>(state.range(1));
    double build = 0.0;
    double destroy = 0.0;
    double bytes = 0.0;
    double allocations = 0.0;
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) names.push_back(NodeName(i));
    for (auto _ : state) {
        auto factory = std::make_unique<RWyxObjectFactory>();
        RWyxNode* group = kind == kMarkerNode ? factory->CreateNode("Markers") : nullptr;
        std::vector<RWyxNode*> nodes;
        nodes.reserve(static_cast<size_t>(count));
        const std::uint64_t heapBefore = HeapBytesInUse();
        const std::uint64_t allocationsBefore = AllocationCount();
        auto start = Clock::now();
        BuildMeasuredNodes(*factory, names, kind, group, nodes);
        build += MicrosecondsSince(start);
        allocations += static_cast<double>(AllocationCount() - allocationsBefore);
        bytes += static_cast<double>(HeapBytesInUse()) - static_cast<double>(heapBefore);
        if (factory->GetNodeCount() != count + (group != nullptr ? 1 : 0)) state.SkipWithError("a node was not made");

        start = Clock::now();
        TearDownMeasuredFactory(factory);
        destroy += MicrosecondsSince(start);
    }
    ReportPerNode(state, count,
                  {{"build_us/node", build}, {"destroy_us/node", destroy}, {"bytes/node", bytes},
                   {"allocs/node", allocations}});
    state.SetLabel(kind == kBareNode ? "bare" : kind == kNodeWithTake ? "take and four keys" : "marker below a group");
}
BENCHMARK(BM_NodeCost)
    ->Args({10000, kBareNode})
    ->Args({100000, kBareNode})
    ->Args({10000, kNodeWithTake})
    ->Args({100000, kNodeWithTake})
    ->Args({10000, kMarkerNode})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// A subtree destroyed at once whose nodes carry attributes made in the other order than the
// tree's (as a reader that makes the attributes first may): each attribute leaves the
// factory's list on its own. Beside it, the peer: the same subtree with its attributes made in
// the tree's order (in_order_us/node).
__attribute__((noinline)) void DestroyMeasuredSubtree(RWyxObjectFactory& factory, RWyxNode* root) {
    if (!factory.DestroyNode(root, true)) std::abort();
}

// Microseconds to destroy a root with `count` marker children, the markers made first and given
// to the children in reverse order when `reversed`.
double DestroySubtreeOfMarkers(int count, bool reversed) {
    RWyxObjectFactory factory;
    std::vector<RWyxMarker*> markers;
    markers.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) markers.push_back(factory.CreateMarker());
    RWyxNode* root = factory.CreateNode("Root");
    for (int i = 0; i < count; ++i) {
        RWyxNode* node = factory.CreateNode(NodeName(i).c_str());
        node->SetNodeAttribute(markers[static_cast<size_t>(reversed ? count - 1 - i : i)]);
        root->AddChild(node);
    }
    const auto start = Clock::now();
    DestroyMeasuredSubtree(factory, root);
    return MicrosecondsSince(start);
}

void BM_DestroySubtreeWithAttributes(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    double destroy = 0.0;
    double inOrder = 0.0;
    for (auto _ : state) {
        destroy += DestroySubtreeOfMarkers(count, true);
        inOrder += DestroySubtreeOfMarkers(count, false);
    }
    ReportPerNode(state, count, {{"destroy_us/node", destroy}, {"in_order_us/node", inOrder}});
}
BENCHMARK(BM_DestroySubtreeWithAttributes)->Arg(10000)->Arg(40000)->Iterations(1)->Unit(benchmark::kMillisecond);

// A new factory with one new scene (its camera-switcher node and producer cameras), torn
// down again: the fixed cost of reading a file into a fresh scene, which every fuzz input pays.
__attribute__((noinline)) std::unique_ptr<RWyxObjectFactory> CreateMeasuredFactoryAndScene() {
    auto factory = std::make_unique<RWyxObjectFactory>();
    benchmark::DoNotOptimize(factory->CreateScene());
    return factory;
}

void BM_NewFactoryAndScene(benchmark::State& state) {
    double create = 0.0;
    double destroy = 0.0;
    std::uint64_t allocations = 0;
    for (auto _ : state) {
        const std::uint64_t before = AllocationCount();
        auto start = Clock::now();
        auto factory = CreateMeasuredFactoryAndScene();
        create += MicrosecondsSince(start);
        allocations += AllocationCount() - before;
        start = Clock::now();
        TearDownMeasuredFactory(factory);
        destroy += MicrosecondsSince(start);
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["create_us"] = create / runs;
    state.counters["destroy_us"] = destroy / runs;
    // Heap blocks a new factory and scene ask for: each costs most under a sanitizer's allocator.
    state.counters["allocations"] = static_cast<double>(allocations) / runs;
}
BENCHMARK(BM_NewFactoryAndScene);
// A fixed count, for an instruction count per scene.
BENCHMARK(BM_NewFactoryAndScene)->Iterations(200);

}  // namespace
