// Writes the seed files of the motion fuzz targets into a folder: our own small files of
// every format. Run: motion_fuzz_seeds <folder>; it makes bvh/, htr/, asf/, amc/ and brd/ in it.

#include "core/FilePaths.h"
#include "tests/formats/motion/MotionSamples.h"

#include <cstdio>
#include <string>

namespace {

bool WriteSeed(const std::string& folder, const char* kind, const std::string& text) {
    const std::string path = folder + "/" + kind + "/sample." + kind;
    CreateDirectoryPath(path.c_str());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: motion_fuzz_seeds <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    const bool ok = WriteSeed(folder, "bvh", motion_samples::Bvh()) && WriteSeed(folder, "htr", motion_samples::Htr()) &&
                    WriteSeed(folder, "asf", motion_samples::Asf()) && WriteSeed(folder, "amc", motion_samples::Amc()) &&
                    WriteSeed(folder, "brd", motion_samples::Brd());
    return ok ? 0 : 1;
}
