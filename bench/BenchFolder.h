#ifndef WYX_BENCH_BENCHFOLDER_H
#define WYX_BENCH_BENCHFOLDER_H

// A folder of its own for the files a benchmark program generates: made under the system's
// temporary folder with a unique name (two runs at once never share a file) and removed,
// with everything in it, when the program ends.

#include "platform/NativeFiles.h"

#include <filesystem>
#include <string>
#include <system_error>

class BenchFolder {
public:
    explicit BenchFolder(const char* prefix) : path_(platform::CreateTempFolder(nullptr, prefix)) {}
    ~BenchFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    std::string Join(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

#endif
