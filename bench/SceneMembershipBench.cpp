// Benchmarks of scene membership at scale: a hierarchy of N nodes (every tenth with a mesh
// using one of a hundred materials) is linked below the root of an entity container, so that
// its whole subtree joins the scene's membership with its material uses; the name-clash
// collector then checks the scene against its own container (node and material names); last
// the subtree is unlinked and leaves. Both a wide tree (every node a child of one top node)
// and a chain of depth N are measured; the chain of 100,000 levels also shows that no step
// recurses per level. Each phase is reported as microseconds per node: the figures must stay
// flat from N = 10,000 to N = 100,000, since a step linear per node would make a phase
// quadratic.

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNameClashCollector.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

enum Shape { kWide = 0, kChain = 1 };

using Clock = std::chrono::steady_clock;

double MicrosecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

std::vector<RWyxNode*> BuildHierarchy(RWyxObjectFactory& factory, int count, Shape shape) {
    std::vector<RWyxMaterial*> materials;
    for (int i = 0; i < 100; ++i) materials.push_back(factory.CreateMaterial(("Material" + std::to_string(i)).c_str()));
    std::vector<RWyxNode*> nodes;
    nodes.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        RWyxNode* node = factory.CreateNode(("Node" + std::to_string(i)).c_str());
        if (i % 10 == 0) {
            RWyxMesh* mesh = factory.CreateMesh();
            node->SetNodeAttribute(mesh);
            mesh->AddMaterial(materials[static_cast<size_t>(i / 10 % 100)], 0);
        }
        if (!nodes.empty()) (shape == kWide ? nodes.front() : nodes.back())->AddChild(node);
        nodes.push_back(node);
    }
    return nodes;
}

void BM_SceneMembership(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const auto shape = static_cast<Shape>(state.range(1));
    double attach = 0.0;
    double collect = 0.0;
    double detach = 0.0;
    for (auto _ : state) {
        auto factory = std::make_unique<RWyxObjectFactory>();
        auto scene = std::make_unique<RWyxEntityContainer>(factory.get());
        const std::vector<RWyxNode*> nodes = BuildHierarchy(*factory, count, shape);
        RWyxNode* root = scene->GetRootNode();

        auto start = Clock::now();
        if (!root->AddChild(nodes.front()) || scene->GetNodeCount() != count + 1) {
            state.SkipWithError("the hierarchy did not join the scene");
        }
        attach += MicrosecondsSince(start);

        start = Clock::now();
        RWyxNameClashCollector collector(scene.get());
        collector.SetKindEnabled(RWyxNameClashCollector::kMaterials, true);
        if (!collector.Collect(root).empty() || collector.GetNodesSeen().size() != static_cast<size_t>(count + 1)) {
            state.SkipWithError("the collector found clashes or missed nodes");
        }
        collect += MicrosecondsSince(start);

        start = Clock::now();
        root->RemoveChild(nodes.front());
        if (scene->GetNodeCount() != 1 || scene->GetMaterialCount() != 0) {
            state.SkipWithError("the hierarchy did not leave");
        }
        detach += MicrosecondsSince(start);

        scene.reset();
        factory.reset();
    }
    const double perNode = static_cast<double>(state.iterations()) * count;
    state.counters["attach_us/node"] = attach / perNode;
    state.counters["collect_us/node"] = collect / perNode;
    state.counters["detach_us/node"] = detach / perNode;
    state.SetLabel(shape == kWide ? "wide" : "chain");
}
BENCHMARK(BM_SceneMembership)
    ->Args({10000, kWide})
    ->Args({100000, kWide})
    ->Args({10000, kChain})
    ->Args({100000, kChain})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
