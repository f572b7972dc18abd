#include "app/WorkingFolders.h"

#include "app/FixedNames.h"

#include <cerrno>
#include <climits>
#include <unistd.h>

namespace kelvarin {

void WorkingFolders::ResetToBaseDefaults() {
    ZipFolder = BaseFolder + "/zip/";
    UnzipFolder = BaseFolder + "/unzip/";
    StockFolder = BaseFolder + "/stocks/";
}

std::string WorkingFolders::SettingsPath() const {
    return BaseFolder + std::string(SettingsFileName);
}

std::string WorkingFolders::StartPagePath() const {
    return BaseFolder + std::string(StartPageName);
}

std::string CurrentDirectory() {
    std::string buffer(PATH_MAX, '\0');
    if (!getcwd(buffer.data(), buffer.size()))
        return {};
    buffer.resize(buffer.find('\0'));
    return buffer;
}

} // namespace kelvarin
