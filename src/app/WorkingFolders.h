#pragma once

#include <string>

namespace kelvarin {

// The folders everything the program stores lives in. Each stage folder ends
// with "/" once composed by the program, and files inside are named by plain
// concatenation of folder and file name.
struct WorkingFolders {
    std::string BaseFolder;
    std::string ZipFolder = "/zip/";
    std::string UnzipFolder = "/unzip/";
    std::string StockFolder = "/stocks/";

    // BaseFolder + "/zip/" and so on: the values after Reset, and at start-up
    // when there is no settings file.
    void ResetToBaseDefaults();

    std::string SettingsPath() const;
    std::string StartPagePath() const;
};

// The process's current directory as the platform returns it.
std::string CurrentDirectory();

} // namespace kelvarin
