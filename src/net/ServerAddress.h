#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvarin {

// The exchange's address as the stages put their paths after it: an http:// or
// https:// address naming a host, perhaps with a path, with no "/" at its end.
// Nullopt for anything else; `error` then says what is wrong with the address,
// naming it.
std::optional<std::string> CheckServerAddress(std::string_view address, std::string& error);

} // namespace kelvarin
