#include "pipeline/ArchiveCheck.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string cause;
    if (!kelvarin::IsCompleteZipArchive(bytes, &cause) && cause.empty())
        std::abort();
    return 0;
}
