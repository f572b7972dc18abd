#pragma once

#include "net/CertificateTrust.h"
#include "net/TransferLimits.h"

namespace kelvarin {

// Everything a run's transfers share, handed to each of them whole so that
// none can miss a setting the program was started with.
struct TransferSettings {
    TransferLimits limits{};
    CertificateTrust trust{};
};

} // namespace kelvarin
