#include "pipeline/HistoryCheck.h"

#include "pipeline/HistoryFile.h"

#include <algorithm>
#include <functional>

namespace kelvarin {

namespace {

constexpr std::string_view ColumnNames[] = {"date", "open", "high", "low", "close", "volume"};
constexpr std::size_t Columns = std::size(ColumnNames);

// A line quoted in a finding is cut to this, so a file without any line end
// does not end up whole in the report.
constexpr std::size_t QuotedBytes = 60;

std::string Quoted(std::string_view line) {
    std::string quoted = "\"";
    quoted += line.substr(0, QuotedBytes);
    if (line.size() > QuotedBytes)
        quoted += "...";
    return quoted + "\"";
}

// The text of a column of a row that parsed, without its padding.
std::string_view ColumnText(std::string_view line, std::size_t column) {
    for (std::size_t skip = 0; skip < column; ++skip)
        line.remove_prefix(line.find('\t') + 1);
    line = line.substr(0, line.find('\t'));
    line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
    return line;
}

// "open 2.650 and close 2.670": the named columns of a row with their values.
class ColumnList {
public:
    explicit ColumnList(std::string_view line) : m_line(line) {}

    void Add(std::size_t column) { m_columns.push_back(column); }
    bool Empty() const { return m_columns.empty(); }
    bool Single() const { return m_columns.size() == 1; }

    std::string Text(std::string_view article = {}) const {
        std::string text;
        for (std::size_t at = 0; at < m_columns.size(); ++at) {
            if (at > 0)
                text += at + 1 == m_columns.size() ? " and " : ", ";
            text += article;
            text += ColumnNames[m_columns[at]];
            text += ' ';
            text += ColumnText(m_line, m_columns[at]);
        }
        return text;
    }

private:
    std::string_view m_line;
    std::vector<std::size_t> m_columns;
};

enum Column { Open = 1, High, Low, Close, Volume };

void CheckValues(const HistoryRow& row, std::string_view line, int number,
                 std::vector<Finding>& findings) {
    const auto add = [&](FindingKind kind, std::string text) {
        findings.push_back({kind, number, std::move(text)});
    };
    ColumnList notPositive(line);
    const double prices[] = {row.open, row.high, row.low, row.close};
    for (std::size_t at = 0; at < std::size(prices); ++at) {
        if (!(prices[at] > 0))
            notPositive.Add(Open + at);
    }
    if (!notPositive.Empty())
        add(FindingKind::NotPositive,
            notPositive.Text() + (notPositive.Single() ? " is" : " are") + " not positive");
    ColumnList lowAbove(line);
    for (const auto& [price, column] :
         {std::pair{row.open, Open}, {row.close, Close}, {row.high, High}}) {
        if (row.low > price)
            lowAbove.Add(column);
    }
    if (!lowAbove.Empty())
        add(FindingKind::LowAbove,
            "low " + std::string(ColumnText(line, Low)) + " above " + lowAbove.Text("the "));
    // A high below the low is the low above the high, found just above.
    ColumnList highBelow(line);
    for (const auto& [price, column] : {std::pair{row.open, Open}, {row.close, Close}}) {
        if (row.high < price)
            highBelow.Add(column);
    }
    if (!highBelow.Empty())
        add(FindingKind::HighBelow,
            "high " + std::string(ColumnText(line, High)) + " below " + highBelow.Text("the "));
    if (row.volume < 0)
        add(FindingKind::NegativeVolume,
            "volume " + std::string(ColumnText(line, Volume)) + " is negative");
}

// Where a row that parsed stands in the file, for finding its repeats.
struct ParsedRow {
    std::uint32_t dateKey;
    int line;
    std::string_view text;
    std::uint64_t valuesKey;
};

// Leaves `rows` by date and then by line; `inOrder` when they are so already.
void FindRepeats(std::vector<ParsedRow>& rows, bool inOrder, std::vector<Finding>& findings) {
    if (!inOrder)
        std::stable_sort(rows.begin(), rows.end(), [](const ParsedRow& a, const ParsedRow& b) {
            return a.dateKey < b.dateKey;
        });
    for (auto first = rows.begin(); first != rows.end();) {
        const auto end = std::find_if(
            first, rows.end(), [&](const ParsedRow& row) { return row.dateKey != first->dateKey; });
        for (auto row = first + 1; row < end; ++row) {
            const auto same = std::find_if(
                first, row, [&](const ParsedRow& earlier) { return earlier.text == row->text; });
            if (same != row)
                findings.push_back({FindingKind::RepeatedRow, row->line,
                                    "repeats line " + std::to_string(same->line) + " exactly"});
            else
                findings.push_back(
                    {FindingKind::RepeatedDate, row->line,
                     "has the date of line " + std::to_string(first->line) + " with other values"});
        }
        first = end;
    }
}

// splitmix64's finaliser: every bit of the input moves about half the output.
std::uint64_t Mixed(std::uint64_t value) {
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9;
    value = (value ^ (value >> 27)) * 0x94d049bb133111eb;
    return value ^ (value >> 31);
}

} // namespace

std::string DescribeRow(std::string_view row) {
    std::string text;
    for (std::size_t column = 1; column < Columns; ++column) {
        if (column > 1)
            text += ", ";
        text += ColumnNames[column];
        text += ' ';
        text += ColumnText(row, column);
    }
    return text;
}

std::uint64_t ValuesKey(const HistoryRow& row, std::string_view line) {
    if (!row.exact)
        return std::hash<std::string_view>{}(line);
    std::uint64_t key = Mixed(row.dateKey);
    for (const std::int64_t price : row.thousandths)
        key = Mixed(key + static_cast<std::uint64_t>(price));
    return Mixed(key + static_cast<std::uint64_t>(row.volume));
}

std::uint64_t ValuesKey(const DailyPriceRecord& record, std::uint32_t dateKey,
                        std::string& scratch) {
    std::int64_t thousandths[4];
    if (!PriceThousandths(record.open, thousandths[0]) ||
        !PriceThousandths(record.high, thousandths[1]) ||
        !PriceThousandths(record.low, thousandths[2]) ||
        !PriceThousandths(record.close, thousandths[3])) {
        scratch.clear();
        AppendHistoryRow(scratch, record);
        return std::hash<std::string_view>{}(std::string_view(scratch).substr(2));
    }
    std::uint64_t key = Mixed(dateKey);
    for (const std::int64_t price : thousandths)
        key = Mixed(key + static_cast<std::uint64_t>(price));
    return Mixed(key + static_cast<std::uint64_t>(record.volume));
}

bool HistoryLines::Next(std::string_view& line, bool& crlf, bool& last) {
    if (m_done)
        return false;
    const std::size_t lf = m_rest.find('\n');
    if (lf == std::string_view::npos) {
        line = m_rest;
        crlf = false;
        last = true;
        m_done = true;
        return true;
    }
    line = m_rest.substr(0, lf);
    crlf = line.ends_with('\r');
    if (crlf)
        line.remove_suffix(1);
    m_rest.remove_prefix(lf + 1);
    last = false;
    return true;
}

HistoryFileCheck CheckHistoryBytes(std::string_view bytes) {
    HistoryFileCheck check;
    std::vector<Finding>& findings = check.findings;
    std::vector<ParsedRow> parsed;
    parsed.reserve(bytes.size() / 48);
    HistoryLines lines(bytes);
    std::string_view line;
    bool crlf = false;
    bool last = false;
    int number = 0;
    std::uint32_t above = 0;
    std::string_view aboveDate;
    bool inOrder = true;
    HistoryRow row;
    while (lines.Next(line, crlf, last)) {
        ++number;
        if (!last && !crlf)
            findings.push_back({FindingKind::Unparsed, number, "ends in LF alone, not CR LF"});
        if (number == 1) {
            if (line != HistoryHeader)
                findings.push_back(
                    {FindingKind::NotHeader, 1,
                     bytes.empty() ? "the file is empty" : "not the header: " + Quoted(line)});
            continue;
        }
        // The Update writes a row's line end first, so a row cut short or a
        // line end with nothing after it is what an interrupted write leaves.
        if (last && line.empty()) {
            findings.push_back({FindingKind::Unfinished, number,
                                "the file ends in a line end: its last row is missing"});
            break;
        }
        ++check.rows;
        if (!ParseHistoryRow(line, row)) {
            const auto columns =
                static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t')) + 1;
            if (last && columns < Columns)
                findings.push_back({FindingKind::Unfinished, number,
                                    "the last row stops after its " +
                                        std::string(ColumnNames[columns - 1]) + ": " +
                                        Quoted(line)});
            else
                findings.push_back(
                    {FindingKind::Unparsed, number,
                     line.empty() ? "an empty line" : "not a history row: " + Quoted(line)});
            continue;
        }
        if (row.dateKey < above) {
            inOrder = false;
            findings.push_back({FindingKind::OutOfOrder, number,
                                "dated " + std::string(row.date) + ", before the row above it (" +
                                    std::string(aboveDate) + ")"});
        }
        above = row.dateKey;
        aboveDate = row.date;
        CheckValues(row, line, number, findings);
        parsed.push_back({row.dateKey, number, line, ValuesKey(row, line)});
    }
    FindRepeats(parsed, inOrder, findings);
    check.entries.reserve(parsed.size());
    for (const ParsedRow& each : parsed)
        check.entries.push_back(
            {each.dateKey, static_cast<std::uint32_t>(each.line), each.valuesKey});
    return check;
}

} // namespace kelvarin
