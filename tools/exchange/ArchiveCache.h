#pragma once

#include "exchange/MarketGenerator.h"
#include "exchange/TradingDate.h"

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace kelvarin::exchange {

// One member of an archive to build: its name and its bytes.
struct ZipMember {
    std::string name;
    std::string content;
};

// Deflated zip archives built in memory with minizip. Every member carries
// the same DOS time, taken from the trading date, so an archive's bytes
// depend only on its content.
class ArchiveBuilder {
public:
    static std::string Build(const TradingDate& date, const std::vector<ZipMember>& members);
};

// The daily archives of a market, built on first request and kept while
// they fit the byte budget, least recently used first out. Deflating is the
// costly part of a reply; a budget of a few hundred MiB keeps twenty years
// of archives, so a long download run builds each one once.
class ArchiveCache {
public:
    ArchiveCache(const MarketGenerator& market, std::size_t capacityBytes);

    // Safe to call from several server threads at once.
    std::shared_ptr<const std::string> Get(std::size_t day);

    // The archive's content, built afresh: "SESPRICE.DAT" with every listed
    // stock and "SESPRIFD.DAT" with the foreign-currency counters.
    static std::string BuildArchive(const MarketGenerator& market, std::size_t day);

private:
    struct Entry {
        std::shared_ptr<const std::string> bytes;
        std::list<std::size_t>::iterator age;
    };

    const MarketGenerator& m_market;
    const std::size_t m_capacityBytes;
    std::mutex m_mutex;
    std::size_t m_heldBytes = 0;
    // Most recently used at the front.
    std::list<std::size_t> m_ages;
    std::unordered_map<std::size_t, Entry> m_entries;
};

} // namespace kelvarin::exchange
