#pragma once

#include <string>
#include <string_view>

namespace kelvarin {

// The index page of the exchange at `server` ("http://host[:port]").
std::string IndexAddress(std::string_view server);

// The archive's name in the zip folder: item + ".zip", every "-" removed.
std::string LocalName(std::string_view item);

// The id in the archive's address: the item with every "SGX" removed.
std::string AddressId(std::string_view item);

// Where the archive of a remote item is fetched from.
std::string ArchiveAddress(std::string_view server, std::string_view item);

} // namespace kelvarin
