#pragma once

#include "exchange/ExchangeOptions.h"

namespace kelvarin::exchange {

// Serves until SIGINT or SIGTERM. Prints the base URL on one line of
// standard output once connections are accepted, so a parent process can
// read it and start talking. Returns the process exit status.
int RunExchange(const ExchangeOptions& options);

} // namespace kelvarin::exchange
