// Feeds arbitrary bytes, opened from memory, to the 3DS chunk reader, then reads every
// entity and motion record of what loaded and saves it again.

#include <cstddef>
#include <cstdint>

#include "tests/formats/3ds/Ftk3dsTestSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ftk_test::ResetToolkit();
    std::unique_ptr<FtkDatabase> database;
    FtkInitDatabase(database);
    FtkLoadDatabase(FtkOpenMemoryFile(data, size), database.get());
    if (!ftkErrorPending) {
        ftk_test::ReadEverything(database.get());
        FtkClearErrors();
        ftk_test::Save(database.get());
    }
    FtkReleaseDatabase(database);
    ftk_test::ResetToolkit();
    return 0;
}
