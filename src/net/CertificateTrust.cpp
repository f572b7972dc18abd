#include "net/CertificateTrust.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvarin {

namespace {

std::string Variable(const EnvironmentLookup& lookup, const char* name) {
    const char* value = lookup(name);
    return value != nullptr ? value : "";
}

} // namespace

CertificateTrust CertificateTrustFromEnvironment(const EnvironmentLookup& lookup) {
    if (std::string bundle = Variable(lookup, "CURL_CA_BUNDLE"); !bundle.empty())
        return {.caFile = std::move(bundle)};
    if (std::string folder = Variable(lookup, "SSL_CERT_DIR"); !folder.empty())
        return {.caFolder = std::move(folder)};
    return {.caFile = Variable(lookup, "SSL_CERT_FILE")};
}

bool CheckCertificateFile(const std::string& path, std::string& error) {
    const std::string quoted = "The certificate file \"" + path + "\"";
    // Opened, not merely looked at, so that missing permission shows here too.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = quoted + " cannot be read: " + std::strerror(errno) + ".";
        return false;
    }
    struct stat status {};
    const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    ::close(fd);
    if (!regular) {
        error = quoted + " is not a file.";
        return false;
    }
    return true;
}

void ApplyCertificateTrust(CURL* curl, const CertificateTrust& trust) {
    // libcurl's defaults already check both; set here so that no other
    // setting of the handle can ever leave them off.
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (trust.caFile.empty() && trust.caFolder.empty())
        return;
    // Null clears libcurl's built-in location, which would otherwise still
    // trust the whole system store beside the authorities named.
    curl_easy_setopt(curl, CURLOPT_CAINFO, trust.caFile.empty() ? nullptr : trust.caFile.c_str());
    curl_easy_setopt(curl, CURLOPT_CAPATH,
                     trust.caFolder.empty() ? nullptr : trust.caFolder.c_str());
}

} // namespace kelvarin
