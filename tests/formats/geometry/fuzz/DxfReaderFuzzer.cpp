// libFuzzer target: the DXF reader over bytes in memory, in the grouping mode the first byte
// picks.

#include "formats/geometry/RStreamOptionsDxf.h"
#include "formats/geometry/RWyxReaderDxf.h"
#include "tests/support/FuzzScene.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    FuzzScene fuzz;
    RWyxReaderDxf reader(&fuzz.Factory());
    std::unique_ptr<RStreamOptionsDxf, RPlugDestroyer> options(RStreamOptionsDxf::Create());
    options->SetOptionValue(RStreamOptionsDxf::kObjectDerivation, data[0] % 3);
    options->SetOptionValue(RStreamOptionsDxf::kWeldVertices, (data[0] >> 2) & 1);
    reader.ReadBytes(fuzz.Scene(), options.get(), std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    return 0;
}
