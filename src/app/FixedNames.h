#pragma once

#include <string_view>

namespace kelvarin {

// File names are composed by plain concatenation with a folder, so each name
// that follows a folder without a separator starts with "/" itself.
inline constexpr std::string_view SettingsFileName = "/kelvarin.ini";
inline constexpr std::string_view StartPageName = "/kv_index.htm";

inline constexpr std::string_view ZipPattern = "*.zip";
inline constexpr std::string_view DatPattern = "*.dat";
inline constexpr std::string_view TxtPattern = "*.txt";

// What the name of a stage file ends with: its list's pattern less the "*".
inline constexpr std::string_view ZipExtension = ZipPattern.substr(1);
inline constexpr std::string_view DatExtension = DatPattern.substr(1);
inline constexpr std::string_view TxtExtension = TxtPattern.substr(1);

inline constexpr std::string_view AutoDownloadMarker = "log_auto_download";
inline constexpr std::string_view AutoUnzipMarker = "log_auto_unzip";
inline constexpr std::string_view AutoUpdateMarker = "log_auto_update";

// The exchange's code: the exchange box shows it, and every remote item,
// archive and daily file name starts with it.
inline constexpr std::string_view ExchangeCode = "SGX";

// Names that sort below every real daily file, used while no marker exists.
inline constexpr std::string_view InitialZipName = "SGX00000000.zip";
inline constexpr std::string_view InitialDatName = "SGX00000000.dat";
static_assert(InitialZipName.starts_with(ExchangeCode) && InitialZipName.ends_with(ZipExtension));
static_assert(InitialDatName.starts_with(ExchangeCode) && InitialDatName.ends_with(DatExtension));

} // namespace kelvarin
