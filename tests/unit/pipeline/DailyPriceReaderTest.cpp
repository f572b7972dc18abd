#include "pipeline/DailyPriceReader.h"

#include "support/FileBytes.h"
#include "support/TempDir.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <locale.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace kelvarin {
namespace {

// A fixed-column line built column by column: text is placed so that it ends
// at the given last position, as the exchange right-aligns its numbers.
class Line {
public:
    explicit Line(std::size_t length = 135) : m_text(length, ' ') {}

    Line& At(std::size_t first, std::string_view text) {
        m_text.replace(first, text.size(), text);
        return *this;
    }
    Line& EndingAt(std::size_t last, std::string_view text) {
        return At(last + 1 - text.size(), text);
    }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

Line AlphaLine() {
    Line line;
    line.At(0, "2004-01-23")
        .At(11, "ALPHA HOLDINGS")
        .At(51, "A11")
        .EndingAt(62, "2.690")
        .EndingAt(70, "2.640")
        .EndingAt(78, "2.670")
        .EndingAt(96, "800")
        .EndingAt(134, "2.650");
    return line;
}

Line StockLine(std::string_view date, std::string_view name) {
    Line line = AlphaLine();
    line.At(0, date).At(11, std::string(30, ' ')).At(11, name);
    return line;
}

std::vector<DailyPriceRecord> ReadAll(std::string_view bytes) {
    std::vector<DailyPriceRecord> records;
    ReadDailyPrices(bytes, [&](const DailyPriceRecord& record) { records.push_back(record); });
    return records;
}

std::vector<std::string> NamesOf(const std::vector<DailyPriceRecord>& records) {
    std::vector<std::string> names;
    for (const auto& record : records)
        names.push_back(record.name);
    return names;
}

// ---------------------------------------------------------------- fields

TEST(DailyPriceLine, CutsEveryFieldOfAFullLine) {
    const DailyPriceRecord record = ParseDailyPriceLine(AlphaLine().Text());
    EXPECT_EQ(record.date, "2004-01-23");
    EXPECT_EQ(record.name, "ALPHA HOLDINGS");
    EXPECT_EQ(record.code, "A11");
    EXPECT_DOUBLE_EQ(record.open, 2.65);
    EXPECT_DOUBLE_EQ(record.high, 2.69);
    EXPECT_DOUBLE_EQ(record.low, 2.64);
    EXPECT_DOUBLE_EQ(record.close, 2.67);
    EXPECT_EQ(record.volume, 800);
}

TEST(DailyPriceLine, IgnoresTheColumnsBetweenAndAfterTheFields) {
    Line line = AlphaLine();
    line.At(10, "#").At(41, "##########").At(55, "#").At(63, "#").At(71, "#");
    line.At(79, "#########").At(97, std::string(31, '#'));
    const std::string text = line.Text() + "trailing columns 9.99";
    const DailyPriceRecord record = ParseDailyPriceLine(text);
    EXPECT_EQ(record.date, "2004-01-23");
    EXPECT_EQ(record.name, "ALPHA HOLDINGS");
    EXPECT_EQ(record.code, "A11");
    EXPECT_DOUBLE_EQ(record.open, 2.65);
    EXPECT_DOUBLE_EQ(record.high, 2.69);
    EXPECT_DOUBLE_EQ(record.low, 2.64);
    EXPECT_DOUBLE_EQ(record.close, 2.67);
    EXPECT_EQ(record.volume, 800);
}

TEST(DailyPriceLine, KeepsLeadingSpacesAndDropsTrailingWhiteSpace) {
    Line line = AlphaLine();
    line.At(11, std::string(30, ' ')).At(11, "  ABC\t\v\f\n");
    line.At(51, "B2\t ");
    const DailyPriceRecord record = ParseDailyPriceLine(line.Text());
    EXPECT_EQ(record.name, "  ABC");
    EXPECT_EQ(record.code, "B2");
}

TEST(DailyPriceLine, BlankNameAndCodeBecomeEmpty) {
    Line line = AlphaLine();
    line.At(11, std::string(30, ' ')).At(51, "    ");
    const DailyPriceRecord record = ParseDailyPriceLine(line.Text());
    EXPECT_EQ(record.name, "");
    EXPECT_EQ(record.code, "");
}

TEST(DailyPriceLine, DateIsTakenUnchanged) {
    Line line = AlphaLine();
    line.At(0, " 23/1/04  ");
    EXPECT_EQ(ParseDailyPriceLine(line.Text()).date, " 23/1/04  ");
}

TEST(DailyPriceLine, PricesThatHoldNoNumberAreZero) {
    Line line = AlphaLine();
    line.At(56, "   -   ").At(64, "       ").At(72, "  abc  ").At(128, "   .   ");
    const DailyPriceRecord record = ParseDailyPriceLine(line.Text());
    EXPECT_EQ(record.high, 0);
    EXPECT_EQ(record.low, 0);
    EXPECT_EQ(record.close, 0);
    EXPECT_EQ(record.open, 0);
}

TEST(DailyPriceLine, PricesAreReadAsFarAsTheyLookLikeANumber) {
    Line line = AlphaLine();
    line.At(56, "  1.230").At(64, " +0.5  ").At(72, "1.5e2  ").At(128, " -3.25x");
    const DailyPriceRecord record = ParseDailyPriceLine(line.Text());
    EXPECT_DOUBLE_EQ(record.high, 1.23);
    EXPECT_DOUBLE_EQ(record.low, 0.5);
    EXPECT_DOUBLE_EQ(record.close, 150);
    EXPECT_DOUBLE_EQ(record.open, -3.25);
}

TEST(DailyPriceLine, PriceReadingStopsAtTheFieldEdge) {
    // The digits on either side belong to the neighbouring columns.
    Line line = AlphaLine();
    line.At(55, "9").At(56, "1234567").At(63, "8");
    EXPECT_DOUBLE_EQ(ParseDailyPriceLine(line.Text()).high, 1234567);
}

TEST(DailyPriceLine, VolumeIsAWholeNumber) {
    Line line = AlphaLine();
    line.At(88, "  -12.75 ");
    EXPECT_EQ(ParseDailyPriceLine(line.Text()).volume, -12);
    line.At(88, "999999999");
    EXPECT_EQ(ParseDailyPriceLine(line.Text()).volume, 999999999);
    line.At(88, "   -     ");
    EXPECT_EQ(ParseDailyPriceLine(line.Text()).volume, 0);
}

TEST(DailyPriceLine, OnAShortLineAFieldIsTheLineEnd) {
    // 100 characters: the open price is cut from 93-99, which overlaps the
    // volume at 88-96.
    Line line(100);
    line.At(0, "2004-01-23").At(11, "SHORT").At(51, "S1").EndingAt(62, "1.000");
    line.EndingAt(70, "2.000").EndingAt(78, "3.000").EndingAt(96, "12345").At(97, "678");
    const DailyPriceRecord record = ParseDailyPriceLine(line.Text());
    EXPECT_EQ(record.name, "SHORT");
    EXPECT_EQ(record.code, "S1");
    EXPECT_DOUBLE_EQ(record.high, 1);
    EXPECT_DOUBLE_EQ(record.low, 2);
    EXPECT_DOUBLE_EQ(record.close, 3);
    EXPECT_EQ(record.volume, 12345);
    EXPECT_DOUBLE_EQ(record.open, 2345678);
}

TEST(DailyPriceLine, ALineShorterThanAFieldIsTheWholeField) {
    const DailyPriceRecord record = ParseDailyPriceLine("2004-01-23");
    EXPECT_EQ(record.date, "2004-01-23");
    EXPECT_EQ(record.name, "2004-01-23");
    EXPECT_EQ(record.code, "1-23");
    // Every price is cut from "4-01-23", the volume from "004-01-23".
    EXPECT_DOUBLE_EQ(record.open, 4);
    EXPECT_DOUBLE_EQ(record.high, 4);
    EXPECT_DOUBLE_EQ(record.low, 4);
    EXPECT_DOUBLE_EQ(record.close, 4);
    EXPECT_EQ(record.volume, 4);
}

TEST(DailyPriceLine, LineEndingInsideTheNameField) {
    const DailyPriceRecord record = ParseDailyPriceLine("2004-01-23 ABC   ");
    EXPECT_EQ(record.date, "2004-01-23");
    EXPECT_EQ(record.name, "2004-01-23 ABC");
    EXPECT_EQ(record.code, "C");
    EXPECT_EQ(record.open, 0);
    // The volume is cut from "23 ABC   ".
    EXPECT_EQ(record.volume, 23);
}

TEST(DailyPriceLine, DecimalPointIsADotWhateverTheLocale) {
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
    const DailyPriceRecord record = ParseDailyPriceLine(AlphaLine().Text());
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_DOUBLE_EQ(record.open, 2.65);
    EXPECT_DOUBLE_EQ(record.high, 2.69);
}

// ---------------------------------------------------------------- numbers

// The C library's conversions in the "C" locale, the reference for every field.
locale_t CLocale() {
    static const locale_t locale = ::newlocale(LC_ALL_MASK, "C", nullptr);
    return locale;
}

double LibraryPrice(const std::string& text) {
    return ::strtod_l(text.c_str(), nullptr, CLocale());
}

long LibraryVolume(const std::string& text) {
    return ::strtol_l(text.c_str(), nullptr, 10, CLocale());
}

// Bit for bit, so that -0.0 and 0.0 differ.
bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Compares the field conversions with the C library's on `text`, and the
// shortcut wherever it takes the text. Returns whether the shortcut took it.
bool ExpectLibraryValues(const std::string& text) {
    EXPECT_TRUE(SameBits(PriceFieldValue(text), LibraryPrice(text)))
        << "price \"" << text << "\": " << PriceFieldValue(text) << " against "
        << LibraryPrice(text);
    EXPECT_EQ(VolumeFieldValue(text), LibraryVolume(text)) << "volume \"" << text << "\"";
    long volume = 0;
    if (PlainWholeValue(text, volume)) {
        EXPECT_EQ(volume, LibraryVolume(text)) << "volume shortcut \"" << text << "\"";
    }
    double price = 0;
    if (!PlainDecimalValue(text, price))
        return false;
    EXPECT_TRUE(SameBits(price, LibraryPrice(text)))
        << "price shortcut \"" << text << "\": " << price << " against " << LibraryPrice(text);
    return true;
}

TEST(PriceConversion, EdgeInputsMatchTheLibrary) {
    const char* const texts[] = {
        "-0",      "+0",      "-0.000",  " -.0",      "+.5",          ".",        "-",
        "+",       "",        "       ", "1.",        "-1.",          "1e5",      "1E",
        "1e",      "1e+",     "1.5e-2",  ".e1",       "inf",          "-INF",     "infinity",
        "nan",     "-nan",    "NaN(1)",  "0x1p3",     "0X1A",         "0x",       "-0x.8",
        "00x1",    "12x3",    "1x",      "  \t1.5",   "\v\f\r\n1.25", "\t-2.5\t", "00000001",
        "0000000", "1.2.3",   "..5",     "+-1",       "--1",          "- 1",      "1 2",
        "2.690",   "  2.690", "999.999", "0.0005",    "1,5",          "1_000",    "9999999",
        "-999999", "1234567", "9.9e999", "123456789", "-12.75",       "  -     ", "999999999"};
    for (const char* text : texts)
        ExpectLibraryValues(text);
}

TEST(PriceConversion, PlainDecimalsTakeTheShortcut) {
    // The shortcut is what the comparisons here must exercise.
    for (const char* text : {"2.690", "  2.690", "-0", "+.5", "1.", "00000001", "  \t1.5", "0",
                             "-.000", "1234567", "999999999", "1.2 3"}) {
        double value = 0;
        EXPECT_TRUE(PlainDecimalValue(text, value)) << text;
        long volume = 0;
        EXPECT_TRUE(PlainWholeValue(text, volume)) << text;
    }
    double value = 0;
    EXPECT_TRUE(PlainDecimalValue("-0", value));
    EXPECT_TRUE(std::signbit(value));
}

TEST(PriceConversion, EveryThousandthUpTo999Point999InEveryPadding) {
    char text[16];
    int shortcuts = 0;
    for (int thousandths = 0; thousandths < 1000000; ++thousandths) {
        std::snprintf(text, sizeof text, "%d.%03d", thousandths / 1000, thousandths % 1000);
        const std::string number = text;
        const std::string pad(7 - number.size(), ' ');
        const std::string fields[] = {pad + number,
                                      number + pad,
                                      std::string(7 - number.size(), '0') + number,
                                      "\t" + number,
                                      ("-" + number).substr(0, 7),
                                      (number + "0").substr(0, 7)};
        for (const std::string& field : fields) {
            if (!SameBits(PriceFieldValue(field), LibraryPrice(field)))
                FAIL() << "price \"" << field << "\"";
            double value = 0;
            if (PlainDecimalValue(field, value)) {
                ++shortcuts;
                if (!SameBits(value, LibraryPrice(field)))
                    FAIL() << "price shortcut \"" << field << "\"";
            }
        }
    }
    // Every one of them is a plain decimal.
    EXPECT_EQ(shortcuts, 6 * 1000000);
}

TEST(PriceConversion, RandomSevenCharacterFieldsMatchTheLibrary) {
    // Digits weigh most; the rest is every character that can start, carry
    // on or end a number for the C library.
    const std::string alphabet = "01234567890123456789..+-  \teExXinfaINFApP,9";
    std::mt19937_64 random(20040123);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string field(7, ' ');
    int shortcuts = 0;
    for (int i = 0; i < 2000000; ++i) {
        for (char& c : field)
            c = alphabet[pick(random)];
        const double library = LibraryPrice(field);
        if (!SameBits(PriceFieldValue(field), library))
            FAIL() << "price \"" << field << "\"";
        if (VolumeFieldValue(field) != LibraryVolume(field))
            FAIL() << "volume \"" << field << "\"";
        double value = 0;
        if (PlainDecimalValue(field, value)) {
            ++shortcuts;
            if (!SameBits(value, library))
                FAIL() << "price shortcut \"" << field << "\"";
        }
    }
    EXPECT_GT(shortcuts, 100000);
}

TEST(PriceConversion, LongDigitRunsMatchTheLibraryOrAreLeftToIt) {
    std::mt19937_64 random(20040124);
    std::uniform_int_distribution<int> digit(0, 9);
    std::uniform_int_distribution<int> length(1, 40);
    for (int i = 0; i < 200000; ++i) {
        std::string text(static_cast<std::size_t>(length(random)), '0');
        for (char& c : text)
            c = static_cast<char>('0' + digit(random));
        std::uniform_int_distribution<std::size_t> at(0, text.size());
        if (i % 2)
            text.insert(at(random), ".");
        if (i % 3 == 0)
            text.insert(0, "-");
        ExpectLibraryValues(text);
        if (::testing::Test::HasFailure())
            return;
    }
    // Sixteen significant digits may need more than one rounding (2^53 + 1
    // does), and a volume of nineteen may not fit: left to the C library.
    for (const char* text :
         {"9007199254740993", "1234567890123456", "0.12345678901234567", "123456789012345",
          "000000000000000123456789012345", "0.0000000000000000000001", "0.00000000000000000000001",
          "99999999999999999999", "-9223372036854775808", "9223372036854775808",
          "-99999999999999999999"})
        ExpectLibraryValues(text);
    double value = 0;
    EXPECT_FALSE(PlainDecimalValue("9007199254740993", value));
    EXPECT_TRUE(PlainDecimalValue("123456789012345", value));
    long volume = 0;
    EXPECT_FALSE(PlainWholeValue("9223372036854775808", volume));
}

// ---------------------------------------------------------------- lines

TEST(DailyPriceLines, HandsOnEveryCrLfLineInOrder) {
    const std::string bytes = StockLine("2004-01-23", "ALPHA").Text() + "\r\n" +
                              StockLine("2004-01-23", "BETA").Text() + "\r\n" +
                              StockLine("2004-01-23", "GAMMA").Text() + "\r\n";
    const auto records = ReadAll(bytes);
    EXPECT_EQ(NamesOf(records), (std::vector<std::string>{"ALPHA", "BETA", "GAMMA"}));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_DOUBLE_EQ(records[2].open, 2.65);
    EXPECT_EQ(records[2].volume, 800);
}

TEST(DailyPriceLines, EveryLineIsARecordEvenAHeader) {
    const auto records = ReadAll("TRADE DATE  NAME\r\n" + AlphaLine().Text() + "\r\n");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].date, "TRADE DATE");
    EXPECT_EQ(records[1].name, "ALPHA HOLDINGS");
}

TEST(DailyPriceLines, AnEmptyLineEndsTheFile) {
    std::string bytes;
    for (const char* name : {"A", "B", "C"})
        bytes += StockLine("2004-01-23", name).Text() + "\r\n";
    bytes += "\r\n";
    for (const char* name : {"D", "E"})
        bytes += StockLine("2004-01-23", name).Text() + "\r\n";
    EXPECT_EQ(NamesOf(ReadAll(bytes)), (std::vector<std::string>{"A", "B", "C"}));
}

TEST(DailyPriceLines, ALastLineWithoutCrIsDropped) {
    const std::string bytes = StockLine("2004-01-23", "A").Text() + "\r\n" +
                              StockLine("2004-01-23", "B").Text() + "\r\n" +
                              StockLine("2004-01-23", "C").Text();
    EXPECT_EQ(NamesOf(ReadAll(bytes)), (std::vector<std::string>{"A", "B"}));
}

TEST(DailyPriceLines, ACrAsTheLastByteStillEndsALine) {
    EXPECT_EQ(NamesOf(ReadAll(StockLine("2004-01-23", "A").Text() + "\r")),
              (std::vector<std::string>{"A"}));
}

TEST(DailyPriceLines, EmptyInputHasNoRecord) {
    EXPECT_TRUE(ReadAll("").empty());
}

TEST(DailyPriceLines, ALineOf499CharactersIsRead) {
    Line line = StockLine("2004-01-23", "LONG");
    const std::string text = line.Text() + std::string(499 - line.Text().size(), 'x');
    ASSERT_EQ(text.size(), 499u);
    const std::string bytes = text + "\r\n" + StockLine("2004-01-24", "NEXT").Text() + "\r\n";
    EXPECT_EQ(NamesOf(ReadAll(bytes)), (std::vector<std::string>{"LONG", "NEXT"}));
}

TEST(DailyPriceLines, ALineOf500CharactersEndsReading) {
    Line line = StockLine("2004-01-23", "LONG");
    const std::string text = line.Text() + std::string(500 - line.Text().size(), 'x');
    const std::string bytes = StockLine("2004-01-22", "FIRST").Text() + "\r\n" + text + "\r\n" +
                              StockLine("2004-01-24", "NEXT").Text() + "\r\n";
    EXPECT_EQ(NamesOf(ReadAll(bytes)), (std::vector<std::string>{"FIRST"}));
}

TEST(DailyPriceLines, LfOnlyLinesGiveNoRecord) {
    const std::string bytes =
        StockLine("2004-01-23", "A").Text() + "\n" + StockLine("2004-01-23", "B").Text() + "\n";
    EXPECT_TRUE(ReadAll(bytes).empty());
}

TEST(DailyPriceLines, CrOnlyLinesLoseTheFirstCharacterOfLaterLines) {
    const std::string bytes = StockLine("2004-01-23", "ALPHA").Text() + "\r" +
                              StockLine("2004-01-24", "BETA").Text() + "\r" +
                              StockLine("2004-01-25", "GAMMA").Text() + "\r";
    const auto records = ReadAll(bytes);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].date, "2004-01-23");
    EXPECT_EQ(records[0].code, "A11");
    // Every later line is shifted one column to the left.
    EXPECT_EQ(records[1].date, "004-01-24 ");
    EXPECT_EQ(records[1].name, "ETA");
    EXPECT_EQ(records[1].code, "11");
    EXPECT_EQ(records[2].date, "004-01-25 ");
    EXPECT_EQ(records[2].name, "AMMA");
}

TEST(DailyPriceLines, ANulBeforeTheCrEndsReading) {
    std::string middle = StockLine("2004-01-23", "B").Text();
    middle[20] = '\0';
    const std::string bytes = StockLine("2004-01-23", "A").Text() + "\r\n" + middle + "\r\n" +
                              StockLine("2004-01-23", "C").Text() + "\r\n";
    EXPECT_EQ(NamesOf(ReadAll(bytes)), (std::vector<std::string>{"A"}));
}

TEST(DailyPriceLines, TheByteAfterTheCrIsSkippedWhateverItIs) {
    std::string bytes = StockLine("2004-01-23", "A").Text() + "\r";
    bytes += '\0';
    bytes += StockLine("2004-01-23", "B").Text() + "\rX";
    EXPECT_EQ(NamesOf(ReadAll(bytes)), (std::vector<std::string>{"A", "B"}));
}

TEST(DailyPriceLines, ANulInALaterLineEndsReadingThereAfterASkippedNul) {
    std::string last = StockLine("2004-01-23", "C").Text();
    last[60] = '\0';
    std::string bytes = StockLine("2004-01-23", "A").Text() + "\r";
    bytes += '\0';
    bytes += StockLine("2004-01-23", "B").Text() + "\r\n" + last + "\r\n" +
             StockLine("2004-01-23", "D").Text() + "\r\n";
    EXPECT_EQ(NamesOf(ReadAll(bytes)), (std::vector<std::string>{"A", "B"}));
}

TEST(DailyPriceLines, ARecordCarriesNothingOverFromTheLineBefore) {
    const auto records = ReadAll(AlphaLine().Text() + "\r\n" + "DATE------ B\r\n");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].date, "DATE------");
    EXPECT_EQ(records[1].name, "DATE------ B");
    EXPECT_EQ(records[1].code, "-- B");
    EXPECT_EQ(records[1].open, 0);
    EXPECT_EQ(records[1].high, 0);
    EXPECT_EQ(records[1].low, 0);
    EXPECT_EQ(records[1].close, 0);
    EXPECT_EQ(records[1].volume, 0);
}

// ---------------------------------------------------------------- files

TEST(DailyPriceFile, ReadsTheRecordsOfAFile) {
    test::TempDir dir;
    const std::string path = dir / "SGX20040123.dat";
    test::WriteBytes(path,
                     AlphaLine().Text() + "\r\n" + StockLine("2004-01-23", "BETA").Text() + "\r\n");
    std::vector<std::string> names;
    std::string error;
    EXPECT_TRUE(ReadDailyPriceFile(
        path, [&](const DailyPriceRecord& record) { names.push_back(record.name); }, &error));
    EXPECT_EQ(names, (std::vector<std::string>{"ALPHA HOLDINGS", "BETA"}));
    EXPECT_EQ(error, "");
}

TEST(DailyPriceFile, ReadsALargeFileToItsLastLine) {
    test::TempDir dir;
    const std::string path = dir / "SGX20040123.dat";
    std::string bytes;
    for (int i = 0; i < 5000; ++i)
        bytes += StockLine("2004-01-23", "S" + std::to_string(i)).Text() + "\r\n";
    test::WriteBytes(path, bytes);
    std::vector<std::string> names;
    ASSERT_TRUE(ReadDailyPriceFile(
        path, [&](const DailyPriceRecord& record) { names.push_back(record.name); }));
    ASSERT_EQ(names.size(), 5000u);
    EXPECT_EQ(names.back(), "S4999");
}

TEST(DailyPriceFile, ReadsASourceOfUnknownSizeToItsEnd) {
    // A pipe reports no size up front, so the whole content has to be read
    // in more than one go.
    test::TempDir dir;
    const std::string path = dir / "SGX20040123.dat";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    std::string bytes;
    for (int i = 0; i < 300; ++i)
        bytes += StockLine("2004-01-23", "P" + std::to_string(i)).Text() + "\r\n";
    std::thread writer([&] { test::WriteBytes(path, bytes); });
    std::vector<std::string> names;
    const bool read = ReadDailyPriceFile(
        path, [&](const DailyPriceRecord& record) { names.push_back(record.name); });
    writer.join();
    EXPECT_TRUE(read);
    ASSERT_EQ(names.size(), 300u);
    EXPECT_EQ(names.front(), "P0");
    EXPECT_EQ(names.back(), "P299");
}

TEST(DailyPriceFile, AnEmptyFileIsReadWithoutRecords) {
    test::TempDir dir;
    const std::string path = dir / "SGX20040123.dat";
    test::WriteBytes(path, "");
    int count = 0;
    EXPECT_TRUE(ReadDailyPriceFile(path, [&](const DailyPriceRecord&) { ++count; }));
    EXPECT_EQ(count, 0);
}

TEST(DailyPriceFile, AMissingFileIsReportedWithItsPath) {
    test::TempDir dir;
    const std::string path = dir / "SGX20040123.dat";
    int count = 0;
    std::string error;
    EXPECT_FALSE(ReadDailyPriceFile(
        path, [&](const DailyPriceRecord&) { ++count; }, &error));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(error, "Cannot read " + path + ": " + std::strerror(ENOENT));
}

TEST(DailyPriceFile, AFolderCannotBeRead) {
    test::TempDir dir;
    std::string error;
    EXPECT_FALSE(ReadDailyPriceFile(
        dir.Path(), [](const DailyPriceRecord&) {}, &error));
    EXPECT_EQ(error, "Cannot read " + dir.Path() + ": " + std::strerror(EISDIR));
}

} // namespace
} // namespace kelvarin
