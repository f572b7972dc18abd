#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvarin::fuzz {

// A private folder for one fuzzing process, made on first use and removed at
// exit; file-based readers get their input through it.
class FuzzScratch {
public:
    static FuzzScratch& Instance();

    const std::string& Folder() const { return m_folder; }
    // Replaces the file `name` in the folder with the bytes and returns its path.
    std::string Write(const std::string& name, const std::uint8_t* data, std::size_t size) const;
    // Removes everything below `folder` but keeps the folder.
    static void Empty(const std::string& folder);

private:
    FuzzScratch();
    ~FuzzScratch();

    std::string m_folder;
};

} // namespace kelvarin::fuzz
