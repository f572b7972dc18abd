#pragma once

#include <cstdlib>
#include <curl/curl.h>
#include <functional>
#include <string>

namespace kelvarin {

// The certificate authorities an https:// server's certificate must lead to.
// Checking is never switched off; this only says whom to trust. With both
// fields empty libcurl's own default applies, the system's trust store; a
// file or folder given replaces that store rather than adding to it.
struct CertificateTrust {
    // PEM certificates of the trusted authorities.
    std::string caFile{};
    // A folder of PEM certificates named by their subject hash (openssl rehash).
    std::string caFolder{};
};

using EnvironmentLookup = std::function<const char*(const char* name)>;

// The trust the environment asks for when no --cacert option names a file:
// the first of the variables the curl program reads, in its order:
// CURL_CA_BUNDLE (a file), SSL_CERT_DIR (a folder), SSL_CERT_FILE (a file).
// An empty variable counts as unset; none set leaves the system's store.
CertificateTrust CertificateTrustFromEnvironment(const EnvironmentLookup& lookup = ::getenv);

// False, with `error` naming the file and the cause, when `path` is no file
// that can be read; checked at start-up, as a wrong option is a usage error.
bool CheckCertificateFile(const std::string& path, std::string& error);

// Makes every https:// transfer of the handle check its server's certificate
// and host name against the trust.
void ApplyCertificateTrust(CURL* curl, const CertificateTrust& trust);

} // namespace kelvarin
