// Writes seed files for the 3DS chunk fuzzer into the folder given: the rich scene built
// through the toolkit, and small files of each database kind.

#include "tests/formats/3ds/Ftk3dsTestSupport.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

bool WriteSeed(const std::string& folder, const std::string& name, const ftk_test::Bytes& bytes) {
    std::ofstream out(folder + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seed folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    using namespace ftk_test;
    bool written = WriteSeed(folder, "scene.3ds", RichScene());
    for (int kind = kFtkMeshFile; kind <= kFtkMaterialFile; ++kind) {
        std::unique_ptr<FtkDatabase> database = NewDatabase(kind);
        written = WriteSeed(folder, "kind" + std::to_string(kind) + ".3ds", Save(database.get())) && written;
    }
    return written ? 0 : 1;
}
