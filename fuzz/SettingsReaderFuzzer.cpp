// libFuzzer target: the settings file reader.
#include "ReaderEntryPoints.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!quillstack::fuzz::readSettings(data, size)) {
        std::abort();
    }
    return 0;
}
