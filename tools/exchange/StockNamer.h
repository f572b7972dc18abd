#pragma once

#include "SeededRandom.h"

#include <set>
#include <string>

namespace kelvarin::exchange {

// Makes company names and trading codes that look like a Singapore
// board's: one to three words and a corporate suffix, codes of two to four
// letters and digits. Each name and each code is handed out once.
class StockNamer {
public:
    static constexpr std::size_t MaxNameLength = 30;

    std::string NextName(SeededRandom& random);
    std::string NextCode(SeededRandom& random);

private:
    std::string DraftName(SeededRandom& random) const;

    std::set<std::string> m_names;
    std::set<std::string> m_codes;
};

} // namespace kelvarin::exchange
