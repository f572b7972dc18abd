#pragma once

#include <memory>
#include <string>

namespace kelvarin::test {

// A server's certificate and its private key, as PEM files.
struct ServerCertificate {
    std::string certificate;
    std::string key;
};

// A certificate authority of the test's own, made with OpenSSL into a folder
// when the test runs: nothing else trusts it, and nothing about it is stored
// in the repository to expire.
class TestAuthority {
public:
    explicit TestAuthority(std::string folder);
    ~TestAuthority();
    TestAuthority(const TestAuthority&) = delete;
    TestAuthority& operator=(const TestAuthority&) = delete;

    // The authority's own certificate: the file to trust it by.
    const std::string& CertificateFile() const { return m_certificateFile; }
    // A folder holding only that certificate, under its subject hash, as
    // OpenSSL looks certificates up in a folder.
    std::string HashedFolder() const;

    // A certificate for `host` (an IP address or a DNS name), signed by this
    // authority and valid from `validFrom` to `validUntil` seconds from now.
    ServerCertificate Issue(const std::string& name, const std::string& host,
                            long validFrom = -3600, long validUntil = 86400) const;

private:
    struct Keys;

    std::string m_folder;
    std::string m_certificateFile;
    std::unique_ptr<Keys> m_keys;
};

// A certificate for `host` signed by its own key, written into `folder`.
ServerCertificate SelfSignedCertificate(const std::string& folder, const std::string& name,
                                        const std::string& host);

} // namespace kelvarin::test
