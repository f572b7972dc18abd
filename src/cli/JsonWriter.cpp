#include "cli/JsonWriter.h"

#include <ostream>

namespace kelvarin::cli {

namespace {

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The length of the UTF-8 sequence `text` starts with, 0 when it starts with
// none: overlong forms, surrogates and values past U+10FFFF are none.
std::size_t Utf8Length(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    if (length == 0 || text.size() < length)
        return 0;
    const auto second = static_cast<unsigned char>(text[1]);
    if (second < low || second > high)
        return 0;
    for (std::size_t at = 2; at < length; ++at) {
        if (!IsContinuation(static_cast<unsigned char>(text[at])))
            return 0;
    }
    return length;
}

} // namespace

JsonWriter& JsonWriter::Key(std::string_view name) {
    String(name);
    m_out << ':';
    m_first = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view text) {
    static constexpr char Hex[] = "0123456789abcdef";
    BeforeValue();
    m_out << '"';
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text[0]);
        std::size_t length = 1;
        if (c == '"' || c == '\\') {
            m_out << '\\' << static_cast<char>(c);
        } else if (c < 0x20) {
            m_out << "\\u00" << Hex[c >> 4] << Hex[c & 15];
        } else if (c < 0x80) {
            m_out << static_cast<char>(c);
        } else if ((length = Utf8Length(text)) > 0) {
            m_out << text.substr(0, length);
        } else {
            length = 1;
            m_out << static_cast<char>(0xC0 | (c >> 6)) << static_cast<char>(0x80 | (c & 0x3F));
        }
        text.remove_prefix(length);
    }
    m_out << '"';
    return *this;
}

JsonWriter& JsonWriter::Number(long long value) {
    BeforeValue();
    m_out << value;
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    BeforeValue();
    m_out << (value ? "true" : "false");
    return *this;
}

JsonWriter& JsonWriter::Null() {
    BeforeValue();
    m_out << "null";
    return *this;
}

JsonWriter& JsonWriter::Open(char bracket) {
    BeforeValue();
    m_out << bracket;
    m_first = true;
    return *this;
}

JsonWriter& JsonWriter::Close(char bracket) {
    m_out << bracket;
    m_first = false;
    return *this;
}

void JsonWriter::BeforeValue() {
    if (!m_first)
        m_out << ',';
    m_first = false;
}

} // namespace kelvarin::cli
