#pragma once

#include <string>
#include <string_view>

namespace kelvarin {

// The daily price file an archive is unzipped to: the archive's name from its
// first "SGX" on (the whole name when it has none), every ".zip" made ".dat".
std::string UnzippedName(std::string_view archiveName);

} // namespace kelvarin
