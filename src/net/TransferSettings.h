#pragma once

#include "net/CertificateTrust.h"
#include "net/TransferLimits.h"

namespace kelvarin {

// How many archive transfers a Download run keeps under way at once. Over a
// link with a long round trip one transfer at a time spends most of its time
// waiting; a few more fill the gaps without burdening the server.
inline constexpr int DefaultConnections = 4;
inline constexpr int MinConnections = 1;
inline constexpr int MaxConnections = 16;

// Everything a run's transfers share, handed to each of them whole so that
// none can miss a setting the program was started with.
struct TransferSettings {
    TransferLimits limits{};
    CertificateTrust trust{};
    int connections = DefaultConnections;
};

} // namespace kelvarin
