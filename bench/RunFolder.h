#ifndef WYX_BENCH_RUNFOLDER_H
#define WYX_BENCH_RUNFOLDER_H

// A folder for one run of a benchmark program: made in the system's temporary folder under a
// unique name (so that runs side by side never share a file), and removed with everything in
// it when the program ends, so that no run leaves its files behind.

#include "platform/NativeFiles.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace wyx_bench {

class RunFolder {
public:
    explicit RunFolder(const char* prefix) : path_(platform::CreateTempFolder(nullptr, prefix)) {}
    ~RunFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string Join(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The plug-in keeps its registry in the file WYX_REGISTRY_FILE names and its log in the folder
// TEMP names (when no plug-in path holds the module): both sent to the run's folder, so that
// they go with it.
inline void KeepPluginFilesIn(const RunFolder& folder) {
    setenv("WYX_REGISTRY_FILE", folder.Join("registry.txt").c_str(), 1);
    setenv("TEMP", folder.path().c_str(), 1);
}

}  // namespace wyx_bench

#endif
