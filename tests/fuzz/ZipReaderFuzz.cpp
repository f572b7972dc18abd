#include "FuzzScratch.h"
#include "zip/ZipReader.h"

#include <cstdint>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Exists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

} // namespace

// Opens the bytes as an archive file, describes every member and extracts each
// one into a folder of its own, the way Unzip does.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelvarin;
    const fuzz::FuzzScratch& scratch = fuzz::FuzzScratch::Instance();
    const std::string archivePath = scratch.Write("archive.zip", data, size);
    const std::string output = scratch.Folder() + "/out/";
    ::mkdir(output.c_str(), 0777);
    fuzz::FuzzScratch::Empty(output);

    ZipArchiveHandle* archive = OpenZipArchive(archivePath);
    if (!archive)
        return 0;
    if (SetZipBaseFolder(archive, output) != ZipOk)
        std::abort();
    ZipEntryInfo info;
    GetZipEntry(archive, -1, info);
    const int members = info.index;
    for (int member = 0; member < members && member < 64; ++member) {
        if (GetZipEntry(archive, member, info) != ZipOk)
            continue;
        if (info.name[ZipNameLimit] != '\0')
            std::abort();
        const std::uint32_t result = UnzipEntryToFile(archive, member, "SGX.dat");
        // A member that failed leaves nothing under the output name.
        if (result != ZipOk && !(info.attributes & ZipDirectory) && Exists(output + "SGX.dat"))
            std::abort();
        ::chmod((output + "SGX.dat").c_str(), 0666);
        ::unlink((output + "SGX.dat").c_str());
    }
    CloseZipArchive(archive);
    // Nothing may ever be written outside the output folder.
    if (Exists(scratch.Folder() + "/escaped"))
        std::abort();
    return 0;
}
