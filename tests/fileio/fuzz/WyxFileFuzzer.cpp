// Feeds arbitrary bytes to the WYX container's reader and reads whatever opens.

#include "fileio/RWyxFile.h"
#include "platform/NativeFiles.h"
#include "tests/support/WyxFileTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void RemoveInput();

const std::string& InputPath() {
    static const std::string path = platform::CreateTempFile(nullptr, "wyx-fuzz-");
    // Registered once the name exists, so that the removal runs before the name is gone.
    static const bool removalRegistered = std::atexit(RemoveInput) == 0;
    (void)removalRegistered;
    return path;
}

void RemoveInput() {
    platform::RemoveFile(InputPath().c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (std::FILE* file = platform::OpenFile(InputPath().c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    RWyxFile reader;
    if (reader.Open(InputPath().c_str(), "password")) {
        WalkFile(reader);
        reader.Close();
    }
    return 0;
}
