#pragma once

#include "exchange/FaultPlan.h"
#include "exchange/MarketGenerator.h"
#include "exchange/TlsFiles.h"

#include <cstddef>
#include <string>

namespace kelvarin::exchange {

struct ExchangeOptions {
    // Another address of this machine serves clients in a network namespace
    // of their own, behind a link with delay.
    std::string address = "127.0.0.1";
    int port = 0;
    MarketSettings market;
    FaultPlan faults;
    TlsFiles tls;
    bool warm = false;
    std::string requestLog; // none when empty
    // Enough for twenty years of archives of 800 stocks.
    std::size_t cacheBytes = std::size_t(512) << 20;
};

} // namespace kelvarin::exchange
