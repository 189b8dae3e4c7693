// Feeds arbitrary bytes to the WYX scene reader, from memory, as the importer drives it: open,
// header, options, read into a new scene. No password is given: a protected input stops at
// "Password required" (the sealed forms are authenticated, so damage stops there anyway).

#include "fileio/RStreamOptions.h"
#include "tests/support/FuzzScene.h"
#include "wyxreader/RWyxReaderWyx.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzScene fuzz;
    RWyxReaderWyx reader(&fuzz.Factory());
    if (!reader.OpenFromMemory(data, size)) return 0;
    RWyxFileHeaderSummary header;
    reader.ReadHeader(header);
    RStreamOptionsPtr options = reader.GetReadOptions(false);
    if (options != nullptr) (void)reader.Read(fuzz.Scene(), options.get());
    return 0;
}
