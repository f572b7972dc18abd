#include "support/TestCertificates.h"

#include <arpa/inet.h>
#include <cstdio>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>
#include <stdexcept>
#include <sys/stat.h>

namespace kelvarin::test {

namespace {

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertificateDeleter {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
struct BioDeleter {
    void operator()(BIO* bio) const { BIO_free_all(bio); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyDeleter>;
using Certificate = std::unique_ptr<X509, CertificateDeleter>;

void Require(bool done, const char* what) {
    if (!done)
        throw std::runtime_error(std::string("OpenSSL could not ") + what);
}

Key NewKey() {
    Key key(EVP_EC_gen("P-256"));
    Require(key != nullptr, "make a key");
    return key;
}

void AddExtension(X509* certificate, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    Require(extension != nullptr, "make a certificate extension");
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

bool IsIpAddress(const std::string& host) {
    unsigned char address[16];
    return inet_pton(AF_INET, host.c_str(), address) == 1 ||
           inet_pton(AF_INET6, host.c_str(), address) == 1;
}

// An authority when `host` is empty, else a server certificate for it.
// Without an issuer the certificate signs itself.
Certificate MakeCertificate(const std::string& commonName, EVP_PKEY* key, X509* issuer,
                            EVP_PKEY* issuerKey, const std::string& host, long validFrom,
                            long validUntil) {
    static long serial = 0;
    Certificate certificate(X509_new());
    X509* made = certificate.get();
    Require(made != nullptr, "make a certificate");
    X509_set_version(made, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(made), ++serial);
    X509_gmtime_adj(X509_getm_notBefore(made), validFrom);
    X509_gmtime_adj(X509_getm_notAfter(made), validUntil);
    X509_set_pubkey(made, key);
    X509_NAME* subject = X509_get_subject_name(made);
    X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1,
                               0);
    X509* signer = issuer != nullptr ? issuer : made;
    X509_set_issuer_name(made, X509_get_subject_name(signer));
    if (host.empty()) {
        AddExtension(made, signer, NID_basic_constraints, "critical,CA:TRUE");
        AddExtension(made, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        AddExtension(made, signer, NID_subject_alt_name,
                     (IsIpAddress(host) ? "IP:" : "DNS:") + host);
        AddExtension(made, signer, NID_ext_key_usage, "serverAuth");
    }
    Require(X509_sign(made, issuerKey != nullptr ? issuerKey : key, EVP_sha256()) > 0,
            "sign a certificate");
    return certificate;
}

std::unique_ptr<BIO, BioDeleter> OpenForWriting(const std::string& path) {
    std::unique_ptr<BIO, BioDeleter> bio(BIO_new_file(path.c_str(), "w"));
    if (bio == nullptr)
        throw std::runtime_error("cannot write " + path);
    return bio;
}

void WriteCertificate(const std::string& path, X509* certificate) {
    Require(PEM_write_bio_X509(OpenForWriting(path).get(), certificate) == 1,
            "write a certificate");
}

void WriteKey(const std::string& path, EVP_PKEY* key) {
    Require(PEM_write_bio_PrivateKey(OpenForWriting(path).get(), key, nullptr, nullptr, 0, nullptr,
                                     nullptr) == 1,
            "write a key");
}

ServerCertificate WriteServerFiles(const std::string& folder, const std::string& name,
                                   X509* certificate, EVP_PKEY* key) {
    ServerCertificate files{folder + "/" + name + ".crt", folder + "/" + name + ".key"};
    WriteCertificate(files.certificate, certificate);
    WriteKey(files.key, key);
    return files;
}

} // namespace

struct TestAuthority::Keys {
    Key key;
    Certificate certificate;
};

TestAuthority::TestAuthority(std::string folder)
    : m_folder(std::move(folder)), m_certificateFile(m_folder + "/test-authority.crt"),
      m_keys(std::make_unique<Keys>()) {
    m_keys->key = NewKey();
    m_keys->certificate = MakeCertificate("Kelvarin Test Authority", m_keys->key.get(), nullptr,
                                          nullptr, "", -3600, 7 * 86400);
    WriteCertificate(m_certificateFile, m_keys->certificate.get());
}

TestAuthority::~TestAuthority() = default;

std::string TestAuthority::HashedFolder() const {
    const std::string folder = m_folder + "/hashed";
    ::mkdir(folder.c_str(), 0700);
    char name[16];
    std::snprintf(name, sizeof name, "%08lx.0",
                  X509_NAME_hash_ex(X509_get_subject_name(m_keys->certificate.get()), nullptr,
                                    nullptr, nullptr));
    WriteCertificate(folder + "/" + name, m_keys->certificate.get());
    return folder;
}

ServerCertificate TestAuthority::Issue(const std::string& name, const std::string& host,
                                       long validFrom, long validUntil) const {
    const Key key = NewKey();
    const Certificate certificate = MakeCertificate(host, key.get(), m_keys->certificate.get(),
                                                    m_keys->key.get(), host, validFrom, validUntil);
    return WriteServerFiles(m_folder, name, certificate.get(), key.get());
}

ServerCertificate SelfSignedCertificate(const std::string& folder, const std::string& name,
                                        const std::string& host) {
    const Key key = NewKey();
    const Certificate certificate =
        MakeCertificate(host, key.get(), nullptr, nullptr, host, -3600, 86400);
    return WriteServerFiles(folder, name, certificate.get(), key.get());
}

} // namespace kelvarin::test
