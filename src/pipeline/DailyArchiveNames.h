#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvarin {

// Where the exchange keeps a daily archive: the server, this folder, the
// archive id and this file.
inline constexpr std::string_view ArchiveFolderPath = "/webprices.nsf/stkprices/";
inline constexpr std::string_view ArchiveFilePath = "/$File/SESprice.zip";

// The index page of the exchange at `server` ("http://host[:port]").
std::string IndexAddress(std::string_view server);

// The archive's name in the zip folder: item + ".zip", every "-" removed.
std::string LocalName(std::string_view item);

// The id in the archive's address: the item with every "SGX" removed.
std::string AddressId(std::string_view item);

// Where the archive of a remote item is fetched from.
std::string ArchiveAddress(std::string_view server, std::string_view item);

// The daily price file an archive is unzipped to: the archive's name from its
// first "SGX" on (the whole name when it has none), every ".zip" made ".dat".
std::string UnzippedName(std::string_view archiveName);

// The trading date a daily file's name carries: the eight digits after its
// first "SGX" (20040123 in SGX20040123.zip and in SGX20040123.dat). None when
// they are not eight digits.
std::optional<std::string_view> TradingDateOf(std::string_view name);

// `text` with every occurrence of `from` replaced by `to`, found left to right
// in the original text only: a replacement never joins with what follows it
// into a new occurrence.
std::string ReplaceEvery(std::string_view text, std::string_view from, std::string_view to);

} // namespace kelvarin
