// Feeds arbitrary bytes to the importer's test of the WYX forms, and checks it against the
// container: every input the container opens is told as the form the container read it in.

#include "fileio/RWyxFile.h"
#include "fileio/WyxHeaderForm.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int form = RecognizeWyxHeader(data, size);
    if (form < kWyxFormNone || form > kWyxFormEncrypted) {
        std::abort();
    }
    RWyxFile file;
    if (file.OpenFromMemory(data, size)) {
        const int opened = !file.IsBinary() ? kWyxFormAscii : file.IsEncrypted() ? kWyxFormEncrypted : kWyxFormBinary;
        if (form != opened) {
            std::abort();
        }
        (void)file.Close();
    }
    return 0;
}
