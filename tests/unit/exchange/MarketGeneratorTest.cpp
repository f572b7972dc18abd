#include "exchange/MarketGenerator.h"

#include "exchange/ArchiveCache.h"
#include "exchange/DailyPriceFile.h"
#include "exchange/TradingDate.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <set>

using namespace kelvarin::exchange;

namespace {

MarketSettings Settings(std::uint64_t seed, std::size_t days, std::size_t stocks) {
    MarketSettings settings;
    settings.seed = seed;
    settings.days = days;
    settings.stocks = stocks;
    settings.firstDate = TradingDate::FromCivil(2004, 1, 2);
    return settings;
}

std::string Price(std::int32_t thousandths) {
    char text[32];
    std::snprintf(text, sizeof text, "%7.3f", thousandths / 1000.0);
    return text;
}

std::string Volume(std::int64_t volume) {
    char text[32];
    std::snprintf(text, sizeof text, "%9ld", static_cast<long>(volume));
    return text;
}

std::set<std::string> NamesOn(const MarketGenerator& market, std::size_t day) {
    std::set<std::string> names;
    for (const DailyQuote& quote : market.QuotesOn(day))
        names.insert(quote.stock->name);
    return names;
}

} // namespace

TEST(TradingDate, ParsesAndPrintsIsoDates) {
    const auto leapDay = TradingDate::Parse("2004-02-29");
    ASSERT_TRUE(leapDay);
    EXPECT_EQ(leapDay->Year(), 2004);
    EXPECT_EQ(leapDay->Month(), 2u);
    EXPECT_EQ(leapDay->Day(), 29u);
    EXPECT_EQ(leapDay->ToString(), "2004-02-29");
    EXPECT_EQ(TradingDate::Parse("1999-12-31")->NextWeekday().ToString(), "2000-01-03");
}

TEST(TradingDate, RejectsTextThatIsNoDate) {
    for (const char* text : {"2003-02-29", "2004-13-01", "2004-00-10", "2004-01-32", "2004-1-02",
                             "2004/01/02", "20040102", "2004-01-0x", " 2004-01-02", ""})
        EXPECT_FALSE(TradingDate::Parse(text)) << text;
}

TEST(MarketGenerator, SameSeedGivesSameBytesAndOtherSeedDiffers) {
    const MarketGenerator first(Settings(7, 30, 40));
    const MarketGenerator again(Settings(7, 30, 40));
    const MarketGenerator other(Settings(8, 30, 40));
    for (std::size_t day : {0u, 17u, 29u}) {
        EXPECT_EQ(ArchiveCache::BuildArchive(first, day), ArchiveCache::BuildArchive(again, day));
        EXPECT_NE(DailyPriceFile::Render(first.IdOf(day), first.QuotesOn(day)),
                  DailyPriceFile::Render(other.IdOf(day), other.QuotesOn(day)));
    }
}

TEST(MarketGenerator, ADayDoesNotDependOnWhichDaysCameBefore) {
    const MarketGenerator market(Settings(3, 40, 20));
    const std::string late = DailyPriceFile::Render(market.IdOf(39), market.QuotesOn(39));
    for (std::size_t day = 0; day < 39; ++day)
        market.QuotesOn(day);
    EXPECT_EQ(DailyPriceFile::Render(market.IdOf(39), market.QuotesOn(39)), late);
}

TEST(MarketGenerator, TradesOnEveryWeekdayAndNoWeekend) {
    using namespace std::chrono;
    MarketSettings settings = Settings(1, 300, 3);
    // A Saturday: trading starts on the Monday after.
    settings.firstDate = TradingDate::FromCivil(2004, 1, 3);
    const MarketGenerator market(settings);
    ASSERT_EQ(market.DayCount(), 300u);
    EXPECT_EQ(market.IdOf(0), "2004-01-05");

    for (std::size_t day = 0; day < market.DayCount(); ++day) {
        const TradingDate& date = market.DateOf(day);
        const year_month_day civil{year{date.Year()}, month{date.Month()},
                                   std::chrono::day{date.Day()}};
        const weekday shown{sys_days{civil}};
        EXPECT_NE(shown, Saturday) << market.IdOf(day);
        EXPECT_NE(shown, Sunday) << market.IdOf(day);
        EXPECT_EQ(market.FindDay(market.IdOf(day)), day);
        if (day > 0) {
            const long gap = date.Serial() - market.DateOf(day - 1).Serial();
            EXPECT_EQ(gap, shown == Monday ? 3 : 1) << market.IdOf(day);
        }
    }
    EXPECT_FALSE(market.FindDay("2004-01-03"));
    EXPECT_FALSE(market.FindDay("SGX20040105"));
}

TEST(MarketGenerator, NamesAndCodesLookLikeTheBoard) {
    const MarketGenerator market(Settings(11, 20, 800));
    std::set<std::string> names;
    std::set<std::string> codes;
    std::size_t severalWords = 0;
    for (const ListedStock& stock : market.Stocks()) {
        EXPECT_FALSE(stock.name.empty());
        EXPECT_LE(stock.name.size(), 30u) << stock.name;
        EXPECT_EQ(stock.name.find_first_of("/\\\t\r\n"), std::string::npos) << stock.name;
        EXPECT_NE(stock.name.back(), ' ');
        severalWords += stock.name.find(' ') != std::string::npos;
        EXPECT_GE(stock.code.size(), 2u);
        EXPECT_LE(stock.code.size(), 4u);
        EXPECT_TRUE(std::all_of(stock.code.begin(), stock.code.end(), [](char c) {
            return std::isupper(c) || std::isdigit(c);
        })) << stock.code;
        names.insert(stock.name);
        codes.insert(stock.code);
    }
    EXPECT_EQ(names.size(), market.Stocks().size());
    EXPECT_EQ(codes.size(), market.Stocks().size());
    EXPECT_GT(severalWords, market.Stocks().size() / 2);
}

TEST(MarketGenerator, PricesAreConsistentTicks) {
    const MarketGenerator market(Settings(5, 400, 60));
    std::size_t traded = 0;
    for (std::size_t day = 0; day < market.DayCount(); ++day) {
        for (const DailyQuote& quote : market.QuotesOn(day)) {
            EXPECT_GE(quote.high, std::max(quote.open, quote.close));
            EXPECT_LE(quote.low, std::min(quote.open, quote.close));
            EXPECT_GT(quote.low, 0);
            EXPECT_LT(quote.high, 1000000);
            EXPECT_EQ(quote.close % 5, 0);
            EXPECT_GE(quote.volume, 0);
            EXPECT_LE(quote.volume, 999999999);
            traded += quote.volume > 0;
        }
    }
    EXPECT_GT(traded, 0u);
}

TEST(MarketGenerator, StocksListAndDelistOverALongRun) {
    const MarketGenerator market(Settings(2, 1000, 50));
    const std::set<std::string> first = NamesOn(market, 0);
    const std::set<std::string> last = NamesOn(market, market.DayCount() - 1);
    EXPECT_EQ(first.size(), 50u);
    EXPECT_TRUE(std::any_of(last.begin(), last.end(),
                            [&](const std::string& name) { return first.count(name) == 0; }));
    EXPECT_TRUE(std::any_of(first.begin(), first.end(),
                            [&](const std::string& name) { return last.count(name) == 0; }));
}

TEST(DailyPriceFile, PutsEveryFieldAtItsColumns) {
    const ListedStock stock{"ALPHA HOLDINGS", "A11", 0, 1};
    DailyQuote quote;
    quote.stock = &stock;
    quote.open = 2650;
    quote.high = 2690;
    quote.low = 2640;
    quote.close = 2670;
    quote.volume = 800;
    const std::string file = DailyPriceFile::Render("2004-01-23", {quote});

    ASSERT_EQ(file.size(), 137u);
    EXPECT_EQ(file.substr(0, 10), "2004-01-23");
    EXPECT_EQ(file.substr(11, 30), "ALPHA HOLDINGS                ");
    EXPECT_EQ(file.substr(51, 4), "A11 ");
    EXPECT_EQ(file.substr(56, 7), "  2.690");
    EXPECT_EQ(file.substr(64, 7), "  2.640");
    EXPECT_EQ(file.substr(72, 7), "  2.670");
    EXPECT_EQ(file.substr(88, 9), "      800");
    EXPECT_EQ(file.substr(128, 7), "  2.650");
    EXPECT_EQ(file.substr(135), "\r\n");
    for (std::size_t gap : {10u, 41u, 55u, 63u, 71u})
        EXPECT_EQ(file[gap], ' ') << gap;
    EXPECT_EQ(file.substr(79, 9), std::string(9, ' '));
    EXPECT_EQ(file.substr(97, 31), std::string(31, ' '));
}

TEST(DailyPriceFile, CutsLongNamesAndRefusesFiguresTooWide) {
    const ListedStock stock{"A NAME OF MORE THAN THIRTY CHARACTERS", "ABCDE", 0, 1};
    DailyQuote quote;
    quote.stock = &stock;
    quote.open = quote.high = quote.low = quote.close = 999999;
    quote.volume = 999999999;
    const std::string file = DailyPriceFile::Render("2004-01-23", {quote});
    EXPECT_EQ(file.substr(11, 31), "A NAME OF MORE THAN THIRTY CHA ");
    EXPECT_EQ(file.substr(51, 5), "ABCD ");
    EXPECT_EQ(file.substr(56, 7), "999.999");
    EXPECT_EQ(file.substr(88, 9), "999999999");

    quote.close = 1000000;
    EXPECT_THROW(DailyPriceFile::Render("2004-01-23", {quote}), std::out_of_range);
    quote.close = 1000;
    quote.volume = 1000000000;
    EXPECT_THROW(DailyPriceFile::Render("2004-01-23", {quote}), std::out_of_range);
}

TEST(DailyPriceFile, GeneratedLinesMatchPrintfFormatting) {
    const MarketGenerator market(Settings(9, 50, 80));
    for (std::size_t day : {0u, 25u, 49u}) {
        const std::vector<DailyQuote> quotes = market.QuotesOn(day);
        const std::string file = DailyPriceFile::Render(market.IdOf(day), quotes);
        ASSERT_EQ(file.size(), quotes.size() * 137);
        for (std::size_t i = 0; i < quotes.size(); ++i) {
            const std::string line = file.substr(i * 137, 137);
            EXPECT_EQ(line.substr(0, 10), market.IdOf(day));
            EXPECT_EQ(line.substr(56, 7), Price(quotes[i].high));
            EXPECT_EQ(line.substr(64, 7), Price(quotes[i].low));
            EXPECT_EQ(line.substr(72, 7), Price(quotes[i].close));
            EXPECT_EQ(line.substr(88, 9), Volume(quotes[i].volume));
            EXPECT_EQ(line.substr(128, 7), Price(quotes[i].open));
            EXPECT_EQ(line.substr(135), "\r\n");
        }
    }
}

TEST(ArchiveCache, KeepsArchivesWithinItsBudget) {
    const MarketGenerator market(Settings(4, 5, 30));
    const std::size_t oneArchive = ArchiveCache::BuildArchive(market, 0).size();
    ArchiveCache cache(market, oneArchive + oneArchive / 2);

    const auto first = cache.Get(0);
    EXPECT_EQ(cache.Get(0), first);
    cache.Get(1);
    const auto rebuilt = cache.Get(0);
    EXPECT_NE(rebuilt, first);
    EXPECT_EQ(*rebuilt, *first);
}
