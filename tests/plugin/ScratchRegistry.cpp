// Points the settings registry (WYX_REGISTRY_FILE) at a scratch file of this process before
// any static object is built: the plug-in's options load from the registry when they are
// built and save to it when they are destroyed. The file goes when the process ends, after
// the options' last save.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

// A plain buffer: it must outlive every static destructor.
char gScratchRegistryPath[4096];

void RemoveScratchRegistry() { std::remove(gScratchRegistryPath); }

__attribute__((constructor(101))) void UseScratchRegistry() {
    const char* folder = std::getenv("TMPDIR");
    std::snprintf(gScratchRegistryPath, sizeof(gScratchRegistryPath), "%s/wyx-plugin-tests-%ld.registry",
                  folder != nullptr && folder[0] != '\0' ? folder : "/tmp", static_cast<long>(getpid()));
    setenv("WYX_REGISTRY_FILE", gScratchRegistryPath, 1);
    std::atexit(RemoveScratchRegistry);
}

}  // namespace
