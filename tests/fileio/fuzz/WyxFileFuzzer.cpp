// Feeds arbitrary bytes to the WYX container's reader, from memory, and reads whatever opens
// through every reading operation. No password is given: a protected input stops at
// "Password required" instead of spending the password's key derivation on every run
// (the protected and encrypted forms are authenticated, so damage stops there anyway).

#include "fileio/RWyxFile.h"
#include "tests/support/WyxFileTestSupport.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RWyxFile reader;
    if (reader.OpenFromMemory(data, size)) {
        WalkFile(reader);
        (void)reader.Close();
    }
    return 0;
}
