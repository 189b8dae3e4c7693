// Writes the sample scenes into a folder (the samples folder when run from the repository
// root without an argument): wyx_write_samples [folder]

#include "samples/SampleCharacter.h"
#include "scene/RWyxObjectFactory.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : "samples";
    RWyxObjectFactory factory;
    RWyxScene* scene = sample::BuildCharacterScene(factory);
    bool written = scene != nullptr;
    for (const auto& [name, form] : {std::pair{sample::kBinaryFileName, 0}, std::pair{sample::kAsciiFileName, 1}}) {
        const std::string path = folder + "/" + name;
        const bool ok = written && sample::WriteCharacterScene(factory, scene, path.c_str(), form);
        std::printf("%s %s\n", ok ? "wrote" : "could not write", path.c_str());
        written = written && ok;
    }
    return written ? 0 : 1;
}
