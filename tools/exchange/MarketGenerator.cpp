#include "exchange/MarketGenerator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <set>
#include <stdexcept>
#include <string_view>

namespace kelvarin::exchange {

// The standard distributions may give different numbers on different
// standard libraries; the exchange's data must not, so every draw is plain
// arithmetic on the engine's raw output, which the standard does fix.
class SeededRandom {
public:
    explicit SeededRandom(std::uint64_t seed) : m_engine(seed) {}

    std::uint64_t Next() { return m_engine(); }
    // Uniform in [0, bound); bound 0 gives 0.
    std::uint64_t Below(std::uint64_t bound);
    // Uniform in [low, high].
    long Between(long low, long high);
    // Uniform in [0, 1) with 53 random bits.
    double Unit();
    // Roughly standard normal (sum of four uniforms), bounded to about +-3.5,
    // which keeps a random walk free of absurd jumps.
    double Gaussian();

private:
    std::mt19937_64 m_engine;
};

std::uint64_t SeededRandom::Below(std::uint64_t bound) {
    // Multiply-high maps the full 64-bit range onto [0, bound) with a bias
    // far below anything a test could notice, and without a retry loop.
    const unsigned __int128 product = static_cast<unsigned __int128>(Next()) * bound;
    return static_cast<std::uint64_t>(product >> 64);
}

long SeededRandom::Between(long low, long high) {
    const auto span = static_cast<std::uint64_t>(high - low) + 1;
    return low + static_cast<long>(Below(span));
}

double SeededRandom::Unit() {
    return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0);
}

double SeededRandom::Gaussian() {
    // Irwin-Hall of four: mean 2, variance 1/3; scaled to variance 1.
    // One draw per statement: the order in which operands of one expression
    // are evaluated is unspecified, and the sum must not depend on it.
    double sum = Unit();
    sum += Unit();
    sum += Unit();
    sum += Unit();
    return (sum - 2.0) * 1.7320508075688772;
}

namespace {

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

// Prices stay below 1000 so they always fit the daily file's seven columns.
constexpr std::int32_t HighestPrice = 990000;
constexpr std::int32_t LowestPrice = 5;

// The board's price steps: half a cent below one dollar, a cent above.
std::int32_t TickOf(std::int32_t price) {
    return price < 1000 ? 5 : 10;
}

std::int32_t RoundToTick(double price) {
    const double bounded = std::clamp(price, double(LowestPrice), double(HighestPrice));
    const std::int32_t tick = TickOf(static_cast<std::int32_t>(bounded));
    const auto steps = std::llround(bounded / tick);
    return std::max(LowestPrice, static_cast<std::int32_t>(steps * tick));
}

// splitmix64: a fixed mixing function, so a day's intraday figures depend only
// on (seed, day, stock) and not on the order in which days are asked for.
std::uint64_t Mix(std::uint64_t value) {
    value += 0x9E3779B97F4A7C15ULL;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
    return value ^ (value >> 31);
}

std::int32_t StartingPrice(SeededRandom& random) {
    const std::uint64_t tier = random.Below(20);
    if (tier < 10)
        return RoundToTick(double(random.Between(50, 995)));
    if (tier < 17)
        return RoundToTick(double(random.Between(1000, 9990)));
    return RoundToTick(double(random.Between(10000, 60000)));
}

} // namespace

MarketGenerator::MarketGenerator(const MarketSettings& settings) : m_seed(settings.seed) {
    if (settings.days > MaxDays || settings.stocks > MaxStocks)
        throw std::invalid_argument("at most " + std::to_string(MaxDays) + " days and " +
                                    std::to_string(MaxStocks) + " stocks");
    SeededRandom random(settings.seed);
    MakeCalendar(settings);
    MakeRoster(settings, random);
    WalkCloses(random);
}

void MarketGenerator::MakeCalendar(const MarketSettings& settings) {
    TradingDate date = settings.firstDate;
    if (!date.IsWeekday())
        date = date.NextWeekday();
    for (std::size_t day = 0; day < settings.days; ++day) {
        m_dates.push_back(date);
        m_ids.push_back(date.ToString());
        m_dayById.emplace(m_ids.back(), day);
        date = date.NextWeekday();
    }
}

void MarketGenerator::MakeRoster(const MarketSettings& settings, SeededRandom& random) {
    const std::size_t days = settings.days;
    StockNamer namer;
    for (std::size_t i = 0; i < settings.stocks; ++i) {
        std::string name = namer.NextName(random);
        std::string code = namer.NextCode(random);
        m_stocks.push_back({std::move(name), std::move(code), 0, days});
    }
    // A run too short to show a change of listing keeps its roster fixed.
    if (days < 10 || settings.stocks == 0)
        return;
    const std::size_t changes = std::max<std::size_t>(1, settings.stocks / 25);
    for (std::size_t i = 0; i < changes; ++i) {
        ListedStock& leaving = m_stocks[random.Below(settings.stocks)];
        leaving.endDay =
            std::min(leaving.endDay,
                     static_cast<std::size_t>(random.Between(1, static_cast<long>(days) - 1)));
    }
    for (std::size_t i = 0; i < changes; ++i) {
        std::string name = namer.NextName(random);
        std::string code = namer.NextCode(random);
        const auto firstDay = static_cast<std::size_t>(random.Between(1, long(days) - 1));
        m_stocks.push_back({std::move(name), std::move(code), firstDay, days});
    }
}

void MarketGenerator::WalkCloses(SeededRandom& random) {
    const std::size_t stockCount = m_stocks.size();
    m_closes.assign(m_dates.size() * stockCount, 0);
    std::vector<double> level(stockCount);
    std::vector<double> volatility(stockCount);
    for (std::size_t s = 0; s < stockCount; ++s) {
        level[s] = StartingPrice(random);
        volatility[s] = 0.008 + 0.03 * random.Unit();
    }
    for (std::size_t day = 0; day < m_dates.size(); ++day) {
        for (std::size_t s = 0; s < stockCount; ++s) {
            // Every stock draws every day, listed or not, so a change of
            // listing does not shift the prices of the others.
            const double move = volatility[s] * random.Gaussian();
            level[s] =
                std::clamp(level[s] * (1.0 + move), double(LowestPrice), double(HighestPrice));
            if (m_stocks[s].ListedOn(day))
                m_closes[day * stockCount + s] = RoundToTick(level[s]);
        }
    }
}

std::int32_t MarketGenerator::CloseOf(std::size_t day, std::size_t stock) const {
    return m_closes[day * m_stocks.size() + stock];
}

std::optional<std::size_t> MarketGenerator::FindDay(const std::string& id) const {
    const auto found = m_dayById.find(id);
    if (found == m_dayById.end())
        return std::nullopt;
    return found->second;
}

std::vector<DailyQuote> MarketGenerator::QuotesOn(std::size_t day) const {
    if (day >= m_dates.size())
        throw std::out_of_range("no trading day " + std::to_string(day));
    std::vector<DailyQuote> quotes;
    quotes.reserve(m_stocks.size());
    for (std::size_t s = 0; s < m_stocks.size(); ++s) {
        if (m_stocks[s].ListedOn(day))
            quotes.push_back(QuoteOf(day, s));
    }
    return quotes;
}

DailyQuote MarketGenerator::QuoteOf(std::size_t day, std::size_t stock) const {
    const ListedStock& listed = m_stocks[stock];
    std::uint64_t bits = Mix(m_seed ^ Mix(day * 0x100000001B3ULL + stock));
    const auto take = [&bits](std::uint64_t range) {
        const std::uint64_t value = bits % range;
        bits /= range;
        return value;
    };

    DailyQuote quote;
    quote.stock = &listed;
    quote.close = CloseOf(day, stock);
    const std::int32_t previous = day > listed.firstDay ? CloseOf(day - 1, stock) : quote.close;
    // A few counters see no trade: every price is the last close.
    if (take(40) == 0) {
        quote.open = quote.high = quote.low = quote.close = previous;
        return quote;
    }
    const std::int32_t tick = TickOf(previous);
    quote.open = std::max(LowestPrice, previous + tick * (static_cast<std::int32_t>(take(3)) - 1));
    quote.high = std::max(quote.open, quote.close) + tick * static_cast<std::int32_t>(take(4));
    quote.low = std::max(LowestPrice, std::min(quote.open, quote.close) -
                                          tick * static_cast<std::int32_t>(take(4)));
    quote.high = std::min(quote.high, HighestPrice + 9000);
    // Cheap counters trade in millions of shares, dear ones in thousands.
    const std::int64_t lots = 1 + static_cast<std::int64_t>(take(2000));
    const std::int64_t lotSize = previous < 1000 ? 5000 : previous < 10000 ? 1000 : 100;
    quote.volume = lots * lotSize;
    return quote;
}

} // namespace kelvarin::exchange
