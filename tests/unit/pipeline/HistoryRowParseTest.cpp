// History rows read back: the check takes a row for its daily record only
// when both give the same key, so a row the Update wrote must always read
// back to its record's key, and one value printed otherwise must not.
#include "pipeline/DailyPriceRecord.h"
#include "pipeline/HistoryCheck.h"
#include "pipeline/HistoryFile.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace kelvarin {
namespace {

DailyPriceRecord Record(double open, double high, double low, double close, long volume) {
    DailyPriceRecord record;
    record.date = "2004-01-23";
    record.open = open;
    record.high = high;
    record.low = low;
    record.close = close;
    record.volume = volume;
    return record;
}

// The row's text, parsed; a failure names the row.
HistoryRow ParsedRow(const std::string& text) {
    HistoryRow row;
    EXPECT_TRUE(ParseHistoryRow(text, row)) << text;
    return row;
}

void ExpectReadsBack(const DailyPriceRecord& record) {
    const std::string text = FormatHistoryRow(record).substr(2);
    const HistoryRow row = ParsedRow(text);
    std::string scratch;
    EXPECT_EQ(ValuesKey(row, text), ValuesKey(record, row.dateKey, scratch)) << text;
    // The values themselves are those of the printed text.
    const char* at = text.c_str() + 11;
    char* end = nullptr;
    for (const double value : {row.open, row.high, row.low, row.close}) {
        EXPECT_EQ(value, std::strtod(at, &end)) << text;
        at = end + 1;
    }
    EXPECT_EQ(row.volume, record.volume) << text;
}

TEST(HistoryRowParse, ARowReadsBackToTheKeyOfItsRecord) {
    const double twoTo52 = 4503599627370496.0;
    for (const double value : {0.0, -0.0, 0.0005, -0.0004, 2.6745, 999.9995, 123456.7895,
                               twoTo52 - 0.5, twoTo52, -twoTo52, 1e15 + 0.25, 1e20, DBL_MAX})
        ExpectReadsBack(Record(value, value, value, value, 1));
    std::mt19937_64 random(20040123);
    std::uniform_int_distribution<long> thousandths(-10000000, 10000000);
    std::uniform_real_distribution<double> wide(-1e13, 1e13);
    std::uniform_int_distribution<long> volume(-999999999, 999999999);
    for (int i = 0; i < 20000; ++i) {
        const double halfway = (static_cast<double>(thousandths(random)) + 0.5) / 1000.0;
        ExpectReadsBack(Record(static_cast<double>(thousandths(random)) / 1000.0, halfway,
                               wide(random), std::ldexp(wide(random), 30), volume(random)));
    }
}

TEST(HistoryRowParse, AnotherPrintedValueGivesAnotherKey) {
    const DailyPriceRecord record = Record(2.65, 2.69, 2.64, 2.67, 800);
    std::string scratch;
    const std::uint64_t key = ValuesKey(record, 20040123, scratch);
    for (const char* text : {"2004-01-23\t 2.651\t 2.690\t 2.640\t 2.670\t800",
                             "2004-01-23\t 2.650\t 2.690\t 2.640\t 2.670\t801",
                             "2004-01-24\t 2.650\t 2.690\t 2.640\t 2.670\t800",
                             "2004-01-23\t 2.650\t 2.640\t 2.690\t 2.670\t800"})
        EXPECT_NE(ValuesKey(ParsedRow(text), text), key) << text;
    // The padding is no value.
    const std::string unpadded = "2004-01-23\t2.650\t2.690\t2.640\t2.670\t800";
    EXPECT_EQ(ValuesKey(ParsedRow(unpadded), unpadded), key);
}

TEST(HistoryRowParse, WhatTheUpdateNeverWritesIsNoRow) {
    HistoryRow row;
    for (const char* text : {"2004-01-23\t 2.650\t 2.690\t 2.640\t 2.670",
                             "2004-01-23\t 2.650\t 2.690\t 2.640\t 2.670\t800\t",
                             "2004-01-23\t 2.65\t 2.690\t 2.640\t 2.670\t800",
                             "2004/01/23\t 2.650\t 2.690\t 2.640\t 2.670\t800",
                             "2004-01-23\t 2.650\t 2.690\t 2.640\t 2.670\t8.0",
                             "2004-01-23\t 2.650\t\t 2.640\t 2.670\t800",
                             "2004-01-23\t1e3.000\t 2.690\t 2.640\t 2.670\t800",
                             "2004-01-23\t inf\t 2.690\t 2.640\t 2.670\t800",
                             "2004-01-23\t- 2.650\t 2.690\t 2.640\t 2.670\t800", ""})
        EXPECT_FALSE(ParseHistoryRow(text, row)) << text;
}

} // namespace
} // namespace kelvarin
