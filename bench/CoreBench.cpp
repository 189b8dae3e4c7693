// Benchmarks of the SDK core's value types: short-string operations (which must not touch
// the heap) and the matrix and Euler maths that every transform passes through.

#include "bench/AllocationCounter.h"
#include "core/EulerAngles.h"
#include "core/RMatrix.h"
#include "core/RString.h"
#include "core/RVector4.h"

#include <benchmark/benchmark.h>

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

}  // namespace
