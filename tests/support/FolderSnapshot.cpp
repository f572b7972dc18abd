#include "support/FolderSnapshot.h"

#include "support/FileBytes.h"

#include <filesystem>
#include <set>

namespace kelvarin::test {

namespace {

namespace fs = std::filesystem;

// The relative paths of the files SnapshotFolder would hold.
std::set<std::string> FileNames(const std::string& folder, std::string_view extension) {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.path().string().ends_with(extension))
            names.insert(fs::relative(entry.path(), folder).string());
    }
    return names;
}

// One line of a difference; `got` and `expected` are null for a missing side.
std::string DifferenceLine(const std::string& name, const std::string* got,
                           const std::string* expected) {
    if (!expected)
        return "  extra file " + name + "\n";
    if (!got)
        return "  missing file " + name + "\n";
    if (*got == *expected)
        return {};
    return "  " + name + " differs (" + std::to_string(got->size()) + " bytes, " +
           std::to_string(expected->size()) + " expected)\n";
}

} // namespace

FolderFiles SnapshotFolder(const std::string& folder, std::string_view extension) {
    FolderFiles files;
    for (const std::string& name : FileNames(folder, extension))
        files[name] = ReadBytes(folder + "/" + name);
    return files;
}

std::string SnapshotDifference(const FolderFiles& got, const FolderFiles& expected) {
    std::set<std::string> names;
    for (const FolderFiles* files : {&got, &expected})
        for (const auto& file : *files)
            names.insert(file.first);
    std::string text;
    for (const std::string& name : names) {
        const auto gotFile = got.find(name);
        const auto expectedFile = expected.find(name);
        text += DifferenceLine(name, gotFile == got.end() ? nullptr : &gotFile->second,
                               expectedFile == expected.end() ? nullptr : &expectedFile->second);
    }
    return text;
}

std::string FolderDifference(const std::string& got, const std::string& expected,
                             std::string_view extension) {
    const std::set<std::string> gotNames = FileNames(got, extension);
    const std::set<std::string> expectedNames = FileNames(expected, extension);
    std::set<std::string> names = gotNames;
    names.insert(expectedNames.begin(), expectedNames.end());
    std::string text;
    for (const std::string& name : names) {
        const bool inGot = gotNames.contains(name);
        const bool inExpected = expectedNames.contains(name);
        const std::string gotBytes = inGot ? ReadBytes(got + "/" + name) : std::string();
        const std::string expectedBytes =
            inExpected ? ReadBytes(expected + "/" + name) : std::string();
        text += DifferenceLine(name, inGot ? &gotBytes : nullptr,
                               inExpected ? &expectedBytes : nullptr);
    }
    return text;
}

} // namespace kelvarin::test
