// Writes the seed files of the motion fuzz targets into a folder: our own small files of
// every format. Run: motion_fuzz_seeds <folder>; it makes bvh/, htr/, asf/, amc/, brd/, c3d/,
// trc/, aoa/, vpm/ and mov/ in it.

#include "core/FilePaths.h"
#include "tests/formats/motion/MotionSamples.h"

#include <cstdio>
#include <string>

namespace {

bool WriteSeed(const std::string& folder, const char* kind, const std::string& text, const char* name = "sample") {
    const std::string path = folder + "/" + kind + "/" + name + "." + kind;
    CreateDirectoryPath(path.c_str());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

// The text with every "from" made "to".
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// Files whose nodes bear the names the readers make up for end nodes and the reference node,
// which then yield.
bool WriteMadeUpNameSeeds(const std::string& folder) {
    const std::string bvh = Replaced(Replaced(motion_samples::Bvh(), "Leg", "Chest_End"), "Hips", "BVH:reference");
    const std::string htr = Replaced(Replaced(motion_samples::Htr(), "Spine", "Hand_End"), "Hips", "HTR:reference");
    const std::string asf = Replaced(motion_samples::Asf(), "lfemur", "ltibia_End");
    return WriteSeed(folder, "bvh", bvh, "made-up") && WriteSeed(folder, "htr", htr, "made-up") &&
           WriteSeed(folder, "asf", asf, "made-up");
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
                    WriteSeed(folder, "brd", motion_samples::Brd()) && WriteSeed(folder, "trc", motion_samples::Trc()) &&
                    WriteSeed(folder, "aoa", motion_samples::Aoa()) && WriteSeed(folder, "vpm", motion_samples::Vpm()) &&
                    WriteSeed(folder, "mov", motion_samples::Mov()) &&
                    WriteSeed(folder, "c3d", motion_samples::C3d(1, false), "intel") &&
                    WriteSeed(folder, "c3d", motion_samples::C3d(2, true), "dec") &&
                    WriteSeed(folder, "c3d", motion_samples::C3d(3, false), "mips") && WriteMadeUpNameSeeds(folder);
    return ok ? 0 : 1;
}
