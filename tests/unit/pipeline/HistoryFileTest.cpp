#include "pipeline/HistoryFile.h"

#include <bit>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace kelvarin {
namespace {

DailyPriceRecord Alpha() {
    DailyPriceRecord record;
    record.date = "2004-01-23";
    record.name = "ALPHA HOLDINGS";
    record.code = "A11";
    record.open = 2.65;
    record.high = 2.69;
    record.low = 2.64;
    record.close = 2.67;
    record.volume = 800;
    return record;
}

DailyPriceRecord WithPrices(double open, double high, double low, double close, long volume) {
    DailyPriceRecord record = Alpha();
    record.open = open;
    record.high = high;
    record.low = low;
    record.close = close;
    record.volume = volume;
    return record;
}

// What the C library prints for the row in the "C" locale, which the test
// program never leaves.
std::string PrintfRow(const DailyPriceRecord& record) {
    char text[2048];
    std::snprintf(text, sizeof text, "\r\n%s\t%6.3f\t%6.3f\t%6.3f\t%6.3f\t%ld", record.date.c_str(),
                  record.open, record.high, record.low, record.close, record.volume);
    return text;
}

// ---------------------------------------------------------------- rows

TEST(HistoryRow, StartsWithCrLfAndSeparatesColumnsWithTabs) {
    EXPECT_EQ(FormatHistoryRow(Alpha()), "\r\n2004-01-23\t 2.650\t 2.690\t 2.640\t 2.670\t800");
}

TEST(HistoryRow, PricesAreRightAlignedToSixAndNeverCut) {
    EXPECT_EQ(FormatHistoryRow(WithPrices(1234.5, 123.4, 0, -0.5, 0)),
              "\r\n2004-01-23\t1234.500\t123.400\t 0.000\t-0.500\t0");
    EXPECT_EQ(FormatHistoryRow(WithPrices(1e20, -12345.678, 99.9999, 0.0004, -7)),
              "\r\n2004-01-23\t100000000000000000000.000\t-12345.678\t100.000\t 0.000\t-7");
}

TEST(HistoryRow, VolumeHasNoPadding) {
    EXPECT_EQ(FormatHistoryRow(WithPrices(1, 1, 1, 1, 999999999)),
              "\r\n2004-01-23\t 1.000\t 1.000\t 1.000\t 1.000\t999999999");
    EXPECT_EQ(FormatHistoryRow(WithPrices(1, 1, 1, 1, std::numeric_limits<long>::min())),
              "\r\n2004-01-23\t 1.000\t 1.000\t 1.000\t 1.000\t" +
                  std::to_string(std::numeric_limits<long>::min()));
}

TEST(HistoryRow, DateIsCopiedAsItIs) {
    DailyPriceRecord record = Alpha();
    record.date = " 23/1/04  ";
    EXPECT_EQ(FormatHistoryRow(record).substr(0, 13), "\r\n 23/1/04  \t");
    record.date = "";
    EXPECT_EQ(FormatHistoryRow(record).substr(0, 4), "\r\n\t ");
}

TEST(HistoryRow, AppendingAddsTheRowAfterWhatIsThere) {
    std::string rows = "date";
    AppendHistoryRow(rows, Alpha());
    AppendHistoryRow(rows, WithPrices(1, 2, 3, 4, 5));
    EXPECT_EQ(rows, "date\r\n2004-01-23\t 2.650\t 2.690\t 2.640\t 2.670\t800"
                    "\r\n2004-01-23\t 1.000\t 2.000\t 3.000\t 4.000\t5");
}

TEST(HistoryRow, MatchesPrintfOnRoundingAndExtremeValues) {
    const double values[] = {0,
                             -0.0,
                             0.0005,
                             -0.0005,
                             0.0015,
                             0.0025,
                             0.0625,
                             0.1875,
                             2.6745,
                             2.6755,
                             1.0005,
                             -0.5,
                             -0.0004,
                             9.9995,
                             99.9995,
                             999.9995,
                             123456.7895,
                             1e20,
                             -1e20,
                             1e-300,
                             DBL_MIN,
                             std::numeric_limits<double>::denorm_min(),
                             DBL_MAX,
                             -DBL_MAX,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN(),
                             -std::numeric_limits<double>::quiet_NaN()};
    for (const double value : values) {
        const DailyPriceRecord record = WithPrices(value, value, value, value, 1);
        EXPECT_EQ(FormatHistoryRow(record), PrintfRow(record)) << "value " << value;
    }
}

TEST(HistoryRow, MatchesPrintfOnManyPrices) {
    std::mt19937_64 random(20040123);
    std::uniform_int_distribution<long> thousandths(-10000000, 10000000);
    std::uniform_real_distribution<double> wide(-1e7, 1e7);
    std::uniform_int_distribution<long> volume(-999999999, 999999999);
    for (int i = 0; i < 20000; ++i) {
        // Prices as they come from the exchange, plus halfway cases just off
        // and exactly on a representable value, plus arbitrary doubles.
        const double exact = static_cast<double>(thousandths(random)) / 1000.0;
        const double halfway = (static_cast<double>(thousandths(random)) + 0.5) / 1000.0;
        const double binaryTie = static_cast<double>(thousandths(random)) / 16.0;
        const DailyPriceRecord record =
            WithPrices(exact, halfway, binaryTie, wide(random), volume(random));
        ASSERT_EQ(FormatHistoryRow(record), PrintfRow(record));
    }
}

TEST(HistoryRow, MatchesPrintfOnEveryThousandthUpTo1000AndItsNeighbours) {
    // Each price as the reader gives it, and the doubles just below and above,
    // which round the other way when the price sits on a halfway point.
    for (int thousandths = 0; thousandths < 1000000; ++thousandths) {
        const double price = thousandths / 1000.0;
        const DailyPriceRecord record =
            WithPrices(price, std::nextafter(price, 0.0), std::nextafter(price, 1e9), -price, 0);
        if (FormatHistoryRow(record) != PrintfRow(record))
            FAIL() << FormatHistoryRow(record) << " against " << PrintfRow(record);
    }
}

TEST(HistoryRow, MatchesPrintfOnExactTiesAndOnDoublesOfEveryExponent) {
    // Sixteenths are the doubles that lie exactly halfway between thousandths.
    for (int sixteenths = -100000; sixteenths < 100000; ++sixteenths) {
        const double tie = sixteenths / 16.0;
        const DailyPriceRecord record = WithPrices(tie, tie + 1024, tie * 1024, tie / 1024, 0);
        if (FormatHistoryRow(record) != PrintfRow(record))
            FAIL() << FormatHistoryRow(record) << " against " << PrintfRow(record);
    }
    std::mt19937_64 random(20040124);
    // Doubles from 2^-80 to 2^60, past both ends of the shortcut.
    std::uniform_int_distribution<std::uint64_t> exponent(1023 - 80, 1023 + 60);
    std::uniform_int_distribution<std::uint64_t> mantissa(0, (std::uint64_t{1} << 52) - 1);
    const auto draw = [&] {
        const std::uint64_t sign = random() & 1 ? std::uint64_t{1} << 63 : 0;
        return std::bit_cast<double>(sign | exponent(random) << 52 | mantissa(random));
    };
    for (int i = 0; i < 250000; ++i) {
        const DailyPriceRecord record = WithPrices(draw(), draw(), draw(), draw(), 0);
        if (FormatHistoryRow(record) != PrintfRow(record))
            FAIL() << FormatHistoryRow(record) << " against " << PrintfRow(record);
    }
}

TEST(HistoryRow, DecimalPointIsADotWhateverTheLocale) {
    const char* const commaLocales[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"};
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    bool switched = false;
    for (const char* name : commaLocales)
        if (std::setlocale(LC_NUMERIC, name)) {
            switched = true;
            break;
        }
    if (!switched)
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    const std::string row = FormatHistoryRow(Alpha());
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_EQ(row, "\r\n2004-01-23\t 2.650\t 2.690\t 2.640\t 2.670\t800");
}

// ---------------------------------------------------------------- rows from a line's text

// A full line, or one cut short right after the open price's field, with
// `price` in every price column and `volume` in the volume column, each
// ending at its column's last position.
std::string LineWith(std::string_view price, std::string_view volume, bool cutShort = false) {
    std::string line(135, ' ');
    line.replace(0, 10, "2004-01-23");
    line.replace(11, 5, "ALPHA");
    for (const std::size_t last : {62, 70, 78, 134})
        line.replace(last + 1 - price.size(), price.size(), price);
    line.replace(97 - volume.size(), volume.size(), volume);
    if (cutShort)
        line.resize(100);
    return line;
}

// What printf makes of the record the line reads as, against the row made
// straight from the line's text.
void ExpectPrintfRow(const std::string& line) {
    std::string row;
    AppendHistoryRow(row, CutDailyPriceLine(line));
    ASSERT_EQ(row, PrintfRow(ParseDailyPriceLine(line))) << "line \"" << line << "\"";
}

TEST(HistoryRowOfText, MatchesPrintfAtTheEdgesOfPlainNumbers) {
    const char* const texts[] = {
        "-0",     "+0",      "-0.000",  " -.0",    "+.5",     ".",     "-",      "+",
        "",       "1.",      "-1.",     "1e5",     "1E",      "1.5e",  "0x1p3",  "0X1A",
        "inf",    "-nan",    "1.2345",  "-2.0005", "0.0005",  "1.2.3", "..5",    "007.5",
        "-007.5", "0000000", "9999999", "-999999", "1234567", "1,5",   " \t1.5", "\v\f-1",
        "5.5x",   "5x",      "-.001",   ".999",    "000.001", "+-1",   "- 1",    "1 2"};
    for (const char* price : texts)
        for (const char* volume : texts) {
            ExpectPrintfRow(LineWith(price, volume));
            ExpectPrintfRow(LineWith(price, volume, true));
        }
    // Nine digits are a long's whole number, and a line of NUL-free text
    // may still end its date early.
    ExpectPrintfRow(LineWith("1", "999999999"));
    ExpectPrintfRow(LineWith("1", "-00000000"));
    ExpectPrintfRow("2004");
    // Texts longer than a column, as a caller may hand them over: with many
    // integer digits the double may not print as the decimal it came from.
    const std::string line = LineWith("1", "1");
    for (const char* price : {"99999999999999.9", "1234567890.001", "-0000000000000.5"}) {
        DailyPriceFields fields = CutDailyPriceLine(line);
        fields.open = price;
        DailyPriceRecord record = ParseDailyPriceLine(line);
        record.open = PriceFieldValue(price);
        std::string row;
        AppendHistoryRow(row, fields);
        EXPECT_EQ(row, PrintfRow(record)) << price;
    }
}

TEST(HistoryRowOfText, MatchesPrintfOnEveryThousandthAndOnRandomFields) {
    char text[16];
    for (int thousandths = 0; thousandths < 100000; ++thousandths) {
        std::snprintf(text, sizeof text, "%d.%03d", thousandths / 1000, thousandths % 1000);
        std::string price = text;
        // Padded with zeros, left-aligned, with fewer decimals, or negative.
        switch (thousandths % 4) {
        case 1:
            price = std::string(7 - price.size(), '0') + price;
            break;
        case 2:
            price += std::string(7 - price.size(), ' ');
            break;
        case 3:
            price = "-" + price.substr(0, price.size() - 1);
            break;
        }
        ExpectPrintfRow(LineWith(price, std::to_string(thousandths)));
        if (::testing::Test::HasFatalFailure())
            return;
    }
    // Digits weigh most; the rest can start, carry on or end a number.
    const std::string alphabet = "01234567890123456789..+-  \teExXinfaINFApP,9";
    std::mt19937_64 random(20040125);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string price(7, ' ');
    std::string volume(9, ' ');
    for (int i = 0; i < 150000; ++i) {
        for (char& c : price)
            c = alphabet[pick(random)];
        for (char& c : volume)
            c = alphabet[pick(random)];
        ExpectPrintfRow(LineWith(price, volume, i % 2 == 0));
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

// ---------------------------------------------------------------- paths

TEST(HistoryPath, IsStockFolderNameAndCodeInBrackets) {
    EXPECT_EQ(HistoryPath("/data/stocks/", "ALPHA HOLDINGS", "A11"),
              "/data/stocks/ALPHA HOLDINGS (A11).txt");
}

TEST(HistoryPath, JoinsByPlainConcatenation) {
    EXPECT_EQ(HistoryPath("/data/stocks", "BETA", "B2"), "/data/stocksBETA (B2).txt");
    EXPECT_EQ(HistoryPath("", "BETA", ""), "BETA ().txt");
}

TEST(HistoryPath, KeepsLeadingSpacesAndOtherCharacters) {
    EXPECT_EQ(HistoryPath("/s/", "  ABC", "X1"), "/s/  ABC (X1).txt");
    EXPECT_EQ(HistoryPath("/s/", "A\\B*C?.", "*:<>"), "/s/A\\B*C?. (*:<>).txt");
}

TEST(HistoryPath, SlashesInNameAndCodeStayInsideTheStockFolder) {
    EXPECT_EQ(HistoryPath("/s/", "S/CHIP/", "A/1"), "/s/S_CHIP_ (A_1).txt");
    EXPECT_EQ(HistoryPath("/s/", "../../etc/passwd", "/"), "/s/.._.._etc_passwd (_).txt");
    EXPECT_EQ(HistoryPath("/s/", "..", ""), "/s/.. ().txt");
}

} // namespace
} // namespace kelvarin
