#include "zip/ZipOutputFolders.h"

#include <cerrno>
#include <sys/stat.h>

namespace kelvarin {

namespace {

bool IsAbsolute(const std::string& path) {
    return (!path.empty() && (path[0] == '/' || path[0] == '\\')) ||
           (path.size() > 1 && path[1] == ':');
}

bool ClimbsOut(const std::string& path) {
    return path.find("../") != std::string::npos || path.find("..\\") != std::string::npos;
}

bool IsFolder(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace

std::string FolderPartOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool MayCreateFoldersAlong(const std::string& path) {
    const std::string folder = FolderPartOf(path);
    return !IsAbsolute(folder) && !ClimbsOut(folder);
}

bool StaysInsideBaseFolder(const std::string& memberName) {
    const bool endsWithStepUp =
        memberName == ".." ||
        (memberName.size() > 2 && (memberName.ends_with("/..") || memberName.ends_with("\\..")));
    return !IsAbsolute(memberName) && !ClimbsOut(memberName) && !endsWithStepUp;
}

bool CreateFolderChain(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1))
        ::mkdir(folder.substr(0, slash).c_str(), 0777);
    if (!folder.empty() && folder.back() != '/')
        ::mkdir(folder.c_str(), 0777);
    return IsFolder(folder);
}

} // namespace kelvarin
