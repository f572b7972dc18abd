#pragma once

#include <string>

namespace kelvarin::exchange {

// The PEM files of the server's certificate and its private key; with
// neither given the exchange speaks plain HTTP.
struct TlsFiles {
    std::string certificate;
    std::string key;

    bool Enabled() const { return !certificate.empty(); }
};

} // namespace kelvarin::exchange
