#pragma once

#include "TradingDate.h"
#include "ZipMember.h"

#include <string>
#include <vector>

namespace kelvarin::exchange {

// Deflated zip archives built in memory with minizip. Every member carries
// the same DOS time, taken from the trading date, so an archive's bytes
// depend only on its content.
class ArchiveBuilder {
public:
    static std::string Build(const TradingDate& date, const std::vector<ZipMember>& members);
};

} // namespace kelvarin::exchange
