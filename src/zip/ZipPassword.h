#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvarin {

// Length of the header that traditional PKWARE encryption puts before a
// member's data.
inline constexpr std::size_t kEncryptionHeaderSize = 12;

// Whether `password` decrypts the 12-byte encryption header so that its last
// byte equals `checkByte` (high byte of the CRC, or of the DOS time when the
// member has a data descriptor). minizip 1.1 skips this check and would
// inflate garbage under a wrong password.
bool PasswordOpensHeader(const std::string& password, std::string_view header,
                         std::uint8_t checkByte);

} // namespace kelvarin
