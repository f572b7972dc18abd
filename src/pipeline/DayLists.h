#pragma once

#include "app/WorkingFolders.h"

#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

// A day of the exchange in one of the day lists: the remote item as the
// exchange lists it, since when it is in the list, and why.
struct DayRecord {
    std::string item;  // SGX2004-01-23
    std::string since; // local time, as LocalTimeNow gives it
    std::string cause;

    bool operator==(const DayRecord&) const = default;
};

// Where a day list lives in the base folder and the lines that open it. The
// names have no stage extension, so no stage list ever shows the files.
struct DayListFile {
    std::string_view name;
    std::string_view heading;

    std::string PathIn(const WorkingFolders& folders) const;
};

// The days Auto Download failed on: its marker waits before the first of
// them, and the days after it wait with it.
inline constexpr DayListFile HeldDays{
    "/kelvarin-held-days", "# Days Auto Download failed on; the days after each wait for it.\n"
                           "# item\tfailing since\tlast cause\n"};

// The days the user let go for good (kelvarin-cli skip): Auto Download never
// fetches them and its marker passes them. Only a person's command adds one.
inline constexpr DayListFile SkippedDays{
    "/kelvarin-skipped-days", "# Days let go with kelvarin-cli skip; Auto Download passes them.\n"
                              "# item\tskipped\tcause\n"};

// One of the day lists: a plain text file a person can read, one day a line,
// item, time and cause separated by tabs; lines starting with "#" are notes.
// Days are told apart by the archive name they give (LocalName), so
// SGX2004-01-23 and SGX20040123 are the same day.
class DayList {
public:
    // A missing or unreadable file is an empty list.
    static DayList Read(const std::string& path);

    // Replaces the file atomically, or removes it when the list is empty. On
    // failure `error` names the file and the cause.
    bool Write(const std::string& path, std::string_view heading, std::string* error) const;

    const std::vector<DayRecord>& Days() const { return m_days; }
    bool Empty() const { return m_days.empty(); }
    // The day whose archive is `localName`, or null.
    const DayRecord* Find(std::string_view localName) const;
    // Adds the day, or replaces the one with the same archive name.
    void Put(DayRecord day);
    void Remove(std::string_view localName);
    // Removes every day whose archive name sorts up to `localName`: the
    // Download marker has passed them.
    void RemoveUpTo(std::string_view localName);

private:
    std::vector<DayRecord> m_days;
};

// The local time as the day lists and the run record give it, for example
// 2024-05-01T18:00:04+0800.
std::string LocalTimeNow();

} // namespace kelvarin
