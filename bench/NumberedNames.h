#ifndef WYX_BENCH_NUMBEREDNAMES_H
#define WYX_BENCH_NUMBEREDNAMES_H

// Names made of a prefix and a running number, the keys benchmarks fill their lists with.

#include <cstdint>
#include <string>
#include <vector>

namespace wyx_bench {

inline std::vector<std::string> NumberedNames(const std::string& prefix, std::int64_t count) {
    std::vector<std::string> names;
    for (std::int64_t i = 0; i < count; ++i) names.push_back(prefix + std::to_string(i));
    return names;
}

}  // namespace wyx_bench

#endif
