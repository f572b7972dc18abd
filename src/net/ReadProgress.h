#pragma once

#include "net/TransferSession.h"

#include <chrono>
#include <cstddef>

namespace kelvarin {

// Shows the running total of a body after each piece of it, with the rate once
// a whole second has passed since the reply arrived.
void ShowReadProgress(TransferSession& session, std::size_t total, std::chrono::seconds elapsed);

} // namespace kelvarin
