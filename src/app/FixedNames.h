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

inline constexpr std::string_view AutoDownloadMarker = "log_auto_download";
inline constexpr std::string_view AutoUnzipMarker = "log_auto_unzip";
inline constexpr std::string_view AutoUpdateMarker = "log_auto_update";

// Names that sort below every real daily file, used while no marker exists.
inline constexpr std::string_view InitialZipName = "SGX00000000.zip";
inline constexpr std::string_view InitialDatName = "SGX00000000.dat";

} // namespace kelvarin
