#include "StockNamer.h"

#include <array>
#include <string_view>

namespace kelvarin::exchange {

namespace {

constexpr std::array<std::string_view, 48> Leads = {
    "ALPHA",     "ASIA",      "PACIFIC", "ORIENT",   "SINO",    "STRAITS",  "MERLION",
    "TEMASEK",   "JURONG",    "KEPPEL",  "RAFFLES",  "MARINA",  "TAMPINES", "BUKIT",
    "KALLANG",   "SERANGOON", "GOLDEN",  "EASTERN",  "UNITED",  "OVERSEAS", "GREAT",
    "ROYAL",     "PENINSULA", "HARBOUR", "CHINA",    "MALAYAN", "INDO",     "THAI",
    "HUA",       "KIM",       "LION",    "DRAGON",   "PHOENIX", "CRESCENT", "SUNRISE",
    "EVERGREEN", "SILVER",    "JADE",    "LOTUS",    "OCEAN",   "KELVARIN", "TIGER",
    "SEMBAWANG", "CHANGI",    "ORCHARD", "CLEMENTI", "NOVENA",  "BEDOK"};

constexpr std::array<std::string_view, 32> Trades = {
    "MARINE",    "ENGINEERING",   "LAND",         "PROPERTIES", "FOOD",      "ELECTRONICS",
    "SHIPPING",  "TECHNOLOGY",    "RESOURCES",    "CAPITAL",    "FINANCE",   "TEXTILES",
    "PLASTICS",  "LOGISTICS",     "PRECISION",    "HOTELS",     "MEDICAL",   "ENERGY",
    "PETROLEUM", "STEEL",         "TIMBER",       "PRINTING",   "AGRO",      "MOTORS",
    "AVIATION",  "SEMICONDUCTOR", "CONSTRUCTION", "RETAIL",     "PACKAGING", "CABLES",
    "TELECOM",   "PHARMA"};

constexpr std::array<std::string_view, 14> Suffixes = {
    "HOLDINGS", "HLDGS", "LTD",        "LIMITED", "GROUP", "CORP",  "INTL",
    "BHD",      "INDS",  "INDUSTRIES", "& CO",    "PTE",   "TRUST", "BERHAD"};

template <std::size_t N>
std::string_view Pick(SeededRandom& random, const std::array<std::string_view, N>& words) {
    return words[random.Below(N)];
}

void AppendWord(std::string& name, std::string_view word) {
    if (!name.empty())
        name += ' ';
    name += word;
}

} // namespace

std::string StockNamer::DraftName(SeededRandom& random) const {
    std::string name(Pick(random, Leads));
    const std::uint64_t shape = random.Below(10);
    if (shape < 3) {
        AppendWord(name, Pick(random, Trades));
    } else if (shape < 5) {
        // Two-part trading names such as "SINO-ASIA".
        name += '-';
        name += Pick(random, Leads);
    } else if (shape < 7) {
        AppendWord(name, Pick(random, Trades));
        AppendWord(name, Pick(random, Trades));
    }
    if (shape != 9)
        AppendWord(name, Pick(random, Suffixes));
    return name;
}

std::string StockNamer::NextName(SeededRandom& random) {
    for (int attempt = 0; attempt < 64; ++attempt) {
        std::string name = DraftName(random);
        if (name.size() <= MaxNameLength && m_names.insert(name).second)
            return name;
    }
    // A roster larger than the word lists allow falls back to numbered
    // series, which real boards have too ("... 2").
    for (std::size_t series = 2;; ++series) {
        std::string name = std::string(Pick(random, Leads)) + " SERIES " + std::to_string(series);
        if (name.size() <= MaxNameLength && m_names.insert(name).second)
            return name;
    }
}

std::string StockNamer::NextCode(SeededRandom& random) {
    static constexpr std::string_view Letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    static constexpr std::string_view Symbols = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (;;) {
        std::string code(1, Letters[random.Below(Letters.size())]);
        const auto length = static_cast<std::size_t>(random.Between(2, 4));
        while (code.size() < length)
            code += Symbols[random.Below(Symbols.size())];
        if (m_codes.insert(code).second)
            return code;
    }
}

} // namespace kelvarin::exchange
