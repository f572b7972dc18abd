#include "zip/ZipPassword.h"

#include <zlib.h>

namespace kelvarin {

namespace {

class TraditionalCipher {
public:
    explicit TraditionalCipher(const std::string& password) : m_table(get_crc_table()) {
        for (const char c : password)
            Update(static_cast<std::uint8_t>(c));
    }

    std::uint8_t Decrypt(std::uint8_t cipher) {
        const std::uint32_t temp = (m_keys[2] & 0xFFFF) | 2;
        const auto plain = static_cast<std::uint8_t>(cipher ^ ((temp * (temp ^ 1)) >> 8));
        Update(plain);
        return plain;
    }

private:
    std::uint32_t Crc(std::uint32_t crc, std::uint8_t byte) const {
        return static_cast<std::uint32_t>(m_table[(crc ^ byte) & 0xFF]) ^ (crc >> 8);
    }

    void Update(std::uint8_t byte) {
        m_keys[0] = Crc(m_keys[0], byte);
        m_keys[1] = (m_keys[1] + (m_keys[0] & 0xFF)) * 134775813u + 1;
        m_keys[2] = Crc(m_keys[2], static_cast<std::uint8_t>(m_keys[1] >> 24));
    }

    const z_crc_t* m_table;
    std::uint32_t m_keys[3] = {0x12345678u, 0x23456789u, 0x34567890u};
};

} // namespace

bool PasswordOpensHeader(const std::string& password, std::string_view header,
                         std::uint8_t checkByte) {
    if (header.size() != kEncryptionHeaderSize)
        return false;
    TraditionalCipher cipher(password);
    std::uint8_t last = 0;
    for (const char c : header)
        last = cipher.Decrypt(static_cast<std::uint8_t>(c));
    return last == checkByte;
}

} // namespace kelvarin
