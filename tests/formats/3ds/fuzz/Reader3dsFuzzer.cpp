// Feeds arbitrary bytes, opened from memory, to the whole 3DS reader: the chunk reader, the
// records, and their conversion into a scene (meshes, materials, lights, cameras, nodes,
// hierarchy and keys).

#include <cstddef>
#include <cstdint>

#include "formats/3ds/RStreamOptions3ds.h"
#include "formats/3ds/RWyxReader3ds.h"
#include "formats/3ds/toolkit/FtkErrors.h"
#include "formats/3ds/toolkit/FtkFile.h"
#include "tests/support/FuzzScene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzScene fuzz;
    RWyxReader3ds reader(&fuzz.Factory());
    if (reader.OpenMemory(data, size)) {
        RStreamOptionsPtr options = reader.GetReadOptions(false);
        // The first byte picks the reference node and the smoothing groups, so both roads run.
        auto* flags = static_cast<RStreamOptions3ds*>(options.get());
        flags->SetOptionValue(RStreamOptions3ds::kCreateReferenceNode, size > 0 && (data[0] & 1) != 0);
        flags->SetOptionValue(RStreamOptions3ds::kSmoothGroup, size > 0 && (data[0] & 2) == 0);
        reader.Read(fuzz.Scene(), options.get());
    }
    FtkCloseAllFiles();
    FtkClearErrors();
    FtkClearWarnings();
    return 0;
}
