#include "FuzzScratch.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace kelvarin::fuzz {

FuzzScratch& FuzzScratch::Instance() {
    static FuzzScratch scratch;
    return scratch;
}

FuzzScratch::FuzzScratch() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "kelvarin-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a scratch folder");
    m_folder = pattern;
}

FuzzScratch::~FuzzScratch() {
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

std::string FuzzScratch::Write(const std::string& name, const std::uint8_t* data,
                               std::size_t size) const {
    const std::string path = m_folder + "/" + name;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

void FuzzScratch::Empty(const std::string& folder) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
        // Extraction may leave read-only files and folders behind.
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(entry.path(), ignored);
    }
}

} // namespace kelvarin::fuzz
