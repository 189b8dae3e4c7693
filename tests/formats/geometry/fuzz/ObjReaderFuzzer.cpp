// libFuzzer target: the OBJ reader over bytes in memory. The bytes up to a line "#mtl" are the
// OBJ file; the rest is the MTL library every "mtllib" name gets.

#include "formats/geometry/RStreamOptionsObj.h"
#include "formats/geometry/RWyxReaderObj.h"
#include "tests/support/FuzzScene.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t split = bytes.find("\n#mtl\n");
    const std::string_view obj = bytes.substr(0, split);
    const std::string mtl(split == std::string_view::npos ? std::string_view() : bytes.substr(split + 6));
    FuzzScene fuzz;
    RWyxReaderObj reader(&fuzz.Factory());
    reader.SetLibrarySource([&mtl](const std::string&, std::string& out) {
        out = mtl;
        return true;
    });
    std::unique_ptr<RStreamOptionsObj, RPlugDestroyer> options(RStreamOptionsObj::Create());
    reader.ReadBytes(fuzz.Scene(), options.get(), obj);
    return 0;
}
