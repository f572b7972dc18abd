#include "pipeline/DayLists.h"

#include "app/AtomicFile.h"
#include "app/FileAccess.h"
#include "pipeline/DailyArchiveNames.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <unistd.h>

namespace kelvarin {

namespace {

// A person may have edited the file: a line with fewer fields still names its day.
DayRecord ParseLine(std::string_view line) {
    DayRecord day;
    std::string* fields[] = {&day.item, &day.since, &day.cause};
    for (std::size_t field = 0; field < 2; ++field) {
        const std::size_t tab = line.find('\t');
        *fields[field] = std::string(line.substr(0, tab));
        if (tab == std::string_view::npos)
            return day;
        line.remove_prefix(tab + 1);
    }
    day.cause = std::string(line);
    return day;
}

// A cause that spans lines would break the file into days that are none.
std::string OnOneLine(std::string_view text) {
    std::string line(text);
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return line;
}

} // namespace

std::string DayListFile::PathIn(const WorkingFolders& folders) const {
    return folders.BaseFolder + std::string(name);
}

DayList DayList::Read(const std::string& path) {
    DayList list;
    WholeFile file;
    file.Read(path);
    std::string_view text = file.View();
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (!line.empty() && !line.starts_with('#'))
            list.Put(ParseLine(line));
    }
    return list;
}

bool DayList::Write(const std::string& path, std::string_view heading, std::string* error) const {
    if (m_days.empty()) {
        if (::unlink(path.c_str()) == 0 || errno == ENOENT)
            return true;
        if (error)
            *error = CannotMessage("remove", path, errno);
        return false;
    }
    std::string text(heading);
    for (const DayRecord& day : m_days)
        text +=
            OnOneLine(day.item) + '\t' + OnOneLine(day.since) + '\t' + OnOneLine(day.cause) + '\n';
    return WriteFileAtomically(path, text, error);
}

const DayRecord* DayList::Find(std::string_view localName) const {
    for (const DayRecord& day : m_days) {
        if (LocalName(day.item) == localName)
            return &day;
    }
    return nullptr;
}

void DayList::Put(DayRecord day) {
    Remove(LocalName(day.item));
    // In the order the remote list walks them, so the file reads as a calendar.
    const auto at = std::upper_bound(m_days.begin(), m_days.end(), day,
                                     [](const DayRecord& a, const DayRecord& b) {
                                         return LocalName(a.item) < LocalName(b.item);
                                     });
    m_days.insert(at, std::move(day));
}

void DayList::Remove(std::string_view localName) {
    std::erase_if(m_days,
                  [localName](const DayRecord& day) { return LocalName(day.item) == localName; });
}

void DayList::RemoveUpTo(std::string_view localName) {
    std::erase_if(m_days,
                  [localName](const DayRecord& day) { return LocalName(day.item) <= localName; });
}

std::string LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    return std::string(text, length);
}

} // namespace kelvarin
