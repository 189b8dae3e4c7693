#ifndef WYX_BENCH_IMPORTBENCHSUPPORT_H
#define WYX_BENCH_IMPORTBENCHSUPPORT_H

// What the import benchmarks share: a folder of the run for their files, the registry and the
// plug-in's log, removed at the end of the run; scenes written there as binary files by our
// writer; and the plug-in module loaded by the host with dialogs off, adding to a new scene.
// Each program defines WYX_PLUGIN_MODULE_PATH.

#include "bench/RunFolder.h"
#include "fileio/RStreamOptionsWyx.h"
#include "platform/NativeFiles.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "wyxwriter/RWyxWriterWyx6.h"

#include "host/src/plugins/PluginManager.h"

#include <vexa/VGlobal.h>

#include <cstdlib>
#include <string>

namespace wyx_bench {

// Removed with its files when the program ends (RunFolder).
inline const std::string& ImportFolder() {
    static const RunFolder folder("wyx-import-bench-");
    static const bool kept = (KeepPluginFilesIn(folder), true);
    (void)kept;
    return folder.path();
}

inline bool WriteBinary(RWyxObjectFactory& factory, RWyxScene* scene, const std::string& path) {
    RWyxWriterWyx6 writer(&factory, nullptr);
    writer.SetFileMode(RWyxWriterWyx::kFileModeBinary);
    RStreamOptionsPtr options = writer.GetWriteOptions();
    return writer.FileCreate(path.c_str()) && writer.Write(scene, options.get()) && writer.FileClose();
}

inline bool LoadImportPlugin() {
    static const bool loaded = [] {
        ImportFolder();
        std::string name;
        if (!vexa_host::PluginManager::instance().load(WYX_PLUGIN_MODULE_PATH, name)) return false;
        return static_cast<bool>(VGlobal::executeCommand("WYXImportShowUI -v false; WYXImportMode -v add"));
    }();
    return loaded;
}

}  // namespace wyx_bench

#endif
