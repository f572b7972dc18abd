#pragma once

#include <cstdint>

namespace kelvarin {

// Windows attribute bits of a member from its "version made by" field (the
// host system in the high byte) and its external attributes.
std::uint32_t ZipAttributesFromHost(std::uint32_t versionMadeBy, std::uint32_t externalAttributes);

} // namespace kelvarin
