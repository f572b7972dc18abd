#include "pipeline/DailyArchiveNames.h"
#include "pipeline/IndexParse.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    for (const std::string& item : kelvarin::ParseIndexPage(page)) {
        if (!item.starts_with("SGX") || item.size() > size + 3)
            std::abort();
        // The names Download derives from every item must be computable.
        kelvarin::LocalName(item);
        kelvarin::ArchiveAddress("http://127.0.0.1", item);
    }
    return 0;
}
