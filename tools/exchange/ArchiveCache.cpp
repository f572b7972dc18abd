#include "ArchiveCache.h"

#include "ArchiveBuilder.h"
#include "DailyPriceFile.h"

namespace kelvarin::exchange {

ArchiveCache::ArchiveCache(const MarketGenerator& market, std::size_t capacityBytes)
    : m_market(market), m_capacityBytes(capacityBytes) {}

std::string ArchiveCache::BuildArchive(const MarketGenerator& market, std::size_t day) {
    const std::vector<DailyQuote> quotes = market.QuotesOn(day);
    // Roughly one counter in eight is quoted in a foreign currency; the
    // exchange lists those again in a file of their own.
    std::vector<DailyQuote> foreign;
    for (std::size_t i = 0; i < quotes.size(); i += 8)
        foreign.push_back(quotes[i]);
    const std::string& date = market.IdOf(day);
    return ArchiveBuilder::Build(market.DateOf(day),
                                 {{"SESPRICE.DAT", DailyPriceFile::Render(date, quotes)},
                                  {"SESPRIFD.DAT", DailyPriceFile::Render(date, foreign)}});
}

std::shared_ptr<const std::string> ArchiveCache::Get(std::size_t day) {
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_entries.find(day);
        if (found != m_entries.end()) {
            m_ages.splice(m_ages.begin(), m_ages, found->second.age);
            return found->second.bytes;
        }
    }
    // Built outside the lock so other days are served meanwhile; two threads
    // asking for the same new day both build it, which is harmless.
    auto bytes = std::make_shared<const std::string>(BuildArchive(m_market, day));

    std::lock_guard lock(m_mutex);
    if (m_entries.count(day) != 0 || bytes->size() > m_capacityBytes)
        return bytes;
    m_ages.push_front(day);
    m_entries.emplace(day, Entry{bytes, m_ages.begin()});
    m_heldBytes += bytes->size();
    while (m_heldBytes > m_capacityBytes) {
        const std::size_t oldest = m_ages.back();
        m_heldBytes -= m_entries.at(oldest).bytes->size();
        m_entries.erase(oldest);
        m_ages.pop_back();
    }
    return bytes;
}

} // namespace kelvarin::exchange
