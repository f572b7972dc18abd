#include "FuzzScratch.h"
#include "app/Settings.h"

#include <cstdint>
#include <cstdlib>

namespace {

// A value is one line piece of at most 259 bytes, trailing white space removed.
bool IsReadValue(const std::string& value) {
    return value.size() <= 259 && value.find('\n') == std::string::npos &&
           value.find('\0') == std::string::npos &&
           (value.empty() || value.find_last_of(" \t\r\n\v\f") != value.size() - 1);
}

// Such a value is read back as the header it equals, not as a value.
bool IsHeader(const std::string& value) {
    return value == "[Local Path]" || value == "[Unzip Path]" || value == "[Stock Path]" ||
           value == "[End]";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const kelvarin::fuzz::FuzzScratch& scratch = kelvarin::fuzz::FuzzScratch::Instance();
    kelvarin::WorkingFolders folders;
    folders.BaseFolder = "/base";
    if (!kelvarin::ReadSettings(scratch.Write("kelvarin.ini", data, size), folders))
        std::abort();
    bool anyHeader = false;
    for (const std::string* folder :
         {&folders.ZipFolder, &folders.UnzipFolder, &folders.StockFolder}) {
        if (!IsReadValue(*folder))
            std::abort();
        anyHeader = anyHeader || IsHeader(*folder);
    }
    // What the program writes back at exit reads as the same folders.
    const std::string written = kelvarin::FormatSettings(folders);
    kelvarin::WorkingFolders reread;
    kelvarin::ReadSettings(scratch.Write("again.ini",
                                         reinterpret_cast<const std::uint8_t*>(written.data()),
                                         written.size()),
                           reread);
    if (!anyHeader &&
        (reread.ZipFolder != folders.ZipFolder || reread.UnzipFolder != folders.UnzipFolder ||
         reread.StockFolder != folders.StockFolder))
        std::abort();
    return 0;
}
