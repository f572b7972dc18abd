#pragma once

#include <iosfwd>
#include <string_view>

namespace kelvarin::cli {

// Writes one JSON value piece by piece, putting the commas between members
// and elements itself.
class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : m_out(out) {}

    JsonWriter& BeginObject() { return Open('{'); }
    JsonWriter& EndObject() { return Close('}'); }
    JsonWriter& BeginArray() { return Open('['); }
    JsonWriter& EndArray() { return Close(']'); }
    // The name of the member whose value comes next.
    JsonWriter& Key(std::string_view name);
    // JSON text is Unicode, while names and quoted lines are the library's
    // own bytes: valid UTF-8 goes through as it is and any other byte is read
    // as Latin-1, so every byte still shows.
    JsonWriter& String(std::string_view text);
    JsonWriter& Number(long long value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

private:
    JsonWriter& Open(char bracket);
    JsonWriter& Close(char bracket);
    void BeforeValue();

    std::ostream& m_out;
    // No comma before the next value: it opens its container or follows its key.
    bool m_first = true;
};

} // namespace kelvarin::cli
