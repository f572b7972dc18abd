#pragma once

#include "exchange/MarketGenerator.h"

#include <set>
#include <string>
#include <vector>

namespace kelvarin::exchange {

// The exchange's HTML index of historical daily archives: one link per
// trading day, newest first, among the site's other links; the days in
// `unlisted` have none.
class IndexPage {
public:
    static constexpr const char* Path = "/webprices.nsf/new+historical+stock+prices?openview";

    static std::string ArchivePath(const std::string& id);
    static std::string Build(const MarketGenerator& market,
                             const std::vector<std::string>& extraIds, std::size_t minimumBytes,
                             const std::set<std::string>& unlisted = {});
};

} // namespace kelvarin::exchange
