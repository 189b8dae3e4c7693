// Benchmarks of the SDK core's value types: short-string operations (which must not touch
// the heap) and the matrix and Euler maths that every transform passes through; and of the
// object model with many user properties on one object, and of a string map filled by adds
// each checked by a lookup first; costs per property or key must not grow with their number.

#include "bench/AllocationCounter.h"
#include "bench/NumberedNames.h"
#include "core/EulerAngles.h"
#include "core/RMatrix.h"
#include "core/RString.h"
#include "core/RStringMap.h"
#include "core/RVector4.h"
#include "core/RWyxPropertyHandler.h"
#include "core/RWyxSceneObject.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Reports the heap allocations the measured loop made, per iteration.
class AllocationReport {
public:
    explicit AllocationReport(benchmark::State& state) : state_(state), start_(AllocationCount()) {}
    ~AllocationReport() {
        const double allocations = static_cast<double>(AllocationCount() - start_);
        state_.counters["allocs/iter"] =
            benchmark::Counter(allocations / static_cast<double>(state_.iterations()));
    }

private:
    benchmark::State& state_;
    std::uint64_t start_;
};

void BM_RStringShortBuildAndCompare(benchmark::State& state) {
    const RString prefix("Model::");
    AllocationReport report(state);
    for (auto _ : state) {
        RString name = prefix + "LeftForeArm";
        name += '_';
        name += 12;
        benchmark::DoNotOptimize(name.CompareText("Model::LeftForeArm_12"));
        benchmark::DoNotOptimize(name.CompareIgnoringCase("model::leftforearm_12"));
    }
}
BENCHMARK(BM_RStringShortBuildAndCompare);

void BM_RStringShortSearchAndCopy(benchmark::State& state) {
    const RString path("C:\\scenes\\walk\\take_01.wyx");
    AllocationReport report(state);
    for (auto _ : state) {
        const int slash = path.FindLastChar('\\');
        const RString file = path.SubstringFrom(slash + 1);
        benchmark::DoNotOptimize(file.FindText(".wyx"));
        benchmark::DoNotOptimize(file.ToUpperCase().Trimmed(2));
    }
}
BENCHMARK(BM_RStringShortSearchAndCopy);

void BM_RStringTokens(benchmark::State& state) {
    const RString list("Lcl Translation|Lcl Rotation|Lcl Scaling|Visibility");
    AllocationReport report(state);
    for (auto _ : state) {
        const int count = list.CountTokens("|");
        for (int i = 0; i < count; ++i) benchmark::DoNotOptimize(list.TokenAt(i, "|"));
    }
}
BENCHMARK(BM_RStringTokens);

void BM_RStringLongAppend(benchmark::State& state) {
    for (auto _ : state) {
        RString text;
        for (int i = 0; i < state.range(0); ++i) text += "line of a log file\n";
        benchmark::DoNotOptimize(text.GetLength());
    }
}
BENCHMARK(BM_RStringLongAppend)->Arg(1000);

RMatrix SampleTransform() {
    return RMatrix::ConstructFromTRS(RVector4(1.0, -2.0, 3.5, 0.0), RVector4(30.0, -45.0, 60.0, 0.0),
                                     RVector4(1.5, 0.5, 2.0, 0.0));
}

void BM_MatrixMultiplyAffine(benchmark::State& state) {
    RMatrix product;
    const RMatrix a = SampleTransform();
    const RMatrix b = a.Inverse();
    for (auto _ : state) {
        MatrixMultiplyAffine(product, a, b);
        benchmark::DoNotOptimize(product);
    }
}
BENCHMARK(BM_MatrixMultiplyAffine);

void BM_MatrixInverse(benchmark::State& state) {
    const RMatrix m = SampleTransform();
    for (auto _ : state) benchmark::DoNotOptimize(m.Inverse());
}
BENCHMARK(BM_MatrixInverse);

void BM_EulerToMatrixAndBack(benchmark::State& state) {
    const int code = static_cast<int>(state.range(0));
    RMatrix m;
    RVector4 angles;
    for (auto _ : state) {
        EulerToMatrix(m, 12.0, -75.0, 140.0, code);
        MatrixToEuler(angles, m, code);
        benchmark::DoNotOptimize(angles);
    }
}
BENCHMARK(BM_EulerToMatrixAndBack)->Arg(0)->Arg(5)->Arg(10);

void BM_MatrixDecomposeTRS(benchmark::State& state) {
    const RMatrix m = SampleTransform();
    for (auto _ : state) {
        benchmark::DoNotOptimize(m.GetTranslation());
        benchmark::DoNotOptimize(m.GetRotation());
        benchmark::DoNotOptimize(m.GetScaling());
    }
}
BENCHMARK(BM_MatrixDecomposeTRS);

// A node's scene-object part: each user property added wraps a property of its handler.
class UserPropertyNode : public RWyxSceneObject {
public:
    UserPropertyNode() : RWyxSceneObject(nullptr, "Model::Node") {}
    int GetTypeId() const override { return 1; }
};

// One scene object with `count` user properties, as the property-block reader makes them.
struct UserPropertyScene {
    explicit UserPropertyScene(const std::vector<std::string>& names)
        : handler(CreatePlugObject<RWyxPropertyHandler>(nullptr)), node(std::make_unique<UserPropertyNode>()) {
        for (const std::string& name : names) {
            RProperty* property =
                handler->CreateProperty(name.c_str(), kPropertyTypeDouble, &RDataType::Number(), true, true, nullptr);
            node->AddUserProperty(std::make_unique<RWyxUserProperty>(node.get(), property));
        }
    }
    void Destroy() {
        handler->Destroy();
        node.reset();
    }

    RWyxPropertyHandler* handler;
    std::unique_ptr<UserPropertyNode> node;
};

std::vector<std::string> PropertyNames(benchmark::State& state) {
    return wyx_bench::NumberedNames("User property ", state.range(0));
}

// Items per second is properties per second: it must be about the same for 4,000 and 40,000.
void BM_UserPropertiesCreate(benchmark::State& state) {
    const std::vector<std::string> names = PropertyNames(state);
    for (auto _ : state) {
        UserPropertyScene scene(names);
        state.PauseTiming();
        scene.Destroy();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_UserPropertiesCreate)->Arg(4000)->Arg(40000)->Unit(benchmark::kMillisecond);

void BM_UserPropertiesDestroy(benchmark::State& state) {
    const std::vector<std::string> names = PropertyNames(state);
    for (auto _ : state) {
        state.PauseTiming();
        UserPropertyScene scene(names);
        state.ResumeTiming();
        scene.Destroy();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_UserPropertiesDestroy)->Arg(4000)->Arg(40000)->Unit(benchmark::kMillisecond);

// A table of names where every add is checked by a lookup first (a node's attribute names):
// items per second is keys per second and must be about the same for 1,000 and 4,000 keys.
// Its peer adds every key and then looks each up, sorting once.
std::vector<std::string> MapKeys(benchmark::State& state) {
    std::vector<std::string> keys;
    for (int i = 0; i < state.range(0); ++i) keys.push_back("prop" + std::to_string((i * 7919) % 100003));
    return keys;
}

void BM_StringMapLookupThenAdd(benchmark::State& state) {
    const std::vector<std::string> keys = MapKeys(state);
    for (auto _ : state) {
        RStringMap map(20);
        for (const std::string& key : keys) {
            if (map.Lookup(key.c_str()) == 0) map.Add(key.c_str(), 1);
        }
        benchmark::DoNotOptimize(map.GetCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StringMapLookupThenAdd)->Arg(1000)->Arg(4000)->Unit(benchmark::kMicrosecond);

void BM_StringMapAddAllThenLookUp(benchmark::State& state) {
    const std::vector<std::string> keys = MapKeys(state);
    for (auto _ : state) {
        RStringMap map(20);
        for (const std::string& key : keys) map.Add(key.c_str(), 1);
        for (const std::string& key : keys) benchmark::DoNotOptimize(map.Lookup(key.c_str()));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StringMapAddAllThenLookUp)->Arg(1000)->Arg(4000)->Unit(benchmark::kMicrosecond);

}  // namespace
