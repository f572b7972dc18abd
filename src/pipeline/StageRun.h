#pragma once

#include "net/TransferPump.h"
#include "pipeline/FrontEnd.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

struct WorkingFolders;
enum class RunScope;
enum class StageFolder;

// The rows a stage handles, in order: every row in Auto, else each selected
// row. The number of rows is taken once, as the walk begins.
class StageWalk {
public:
    // The first `skippedRows` rows are never handed out.
    StageWalk(const StageList& list, bool autoMode, int skippedRows = 0);

    int Rows() const { return m_rows; }
    // No row can follow the one handed out last.
    bool AtEnd() const { return m_row >= m_rows; }
    // The next row to handle, or -1 once there is none.
    int Next();

private:
    const StageList& m_list;
    bool m_autoMode;
    int m_rows;
    int m_row; // the row handed out last, or the one before the first
};

// How far an Auto run of Unzip or Update may reach. On its own a stage takes
// every new file; in the unattended run it takes none dated after the day the
// marker of the stage before it names, so no day can slip past a stage that
// is still held before it.
class DayBound {
public:
    // The bound of a stage run in `scope` that reads `input`: the marker of the
    // stage that writes that folder, as it stands now.
    DayBound(RunScope scope, const WorkingFolders& folders, StageFolder input);

    // Whether the bound lets an Auto run take the file `name`. A name without
    // a trading date is never taken while there is a bound.
    bool Admits(std::string_view name) const;

private:
    // Empty when the marker names no date: then nothing is admitted.
    std::optional<std::string> m_lastDate;
};

// A stage's transfers hand their turns to the front end's one-message pump,
// and Pause reaches them through the stop request.
class StagePump final : public TransferPump {
public:
    explicit StagePump(FrontEnd& frontEnd) : m_frontEnd(frontEnd) {}

    void Pump() override { m_frontEnd.PumpOneMessage(); }
    bool StopAsked() const override { return StopRequested != 0; }

private:
    FrontEnd& m_frontEnd;
};

// What went wrong with the items of one stage run, each with the file or
// address it concerns and the cause, shown in one message at the end of the
// run so a long run is not held up by a box per item.
class FailureReport {
public:
    void Add(const std::string& where, const std::string& cause);
    bool Empty() const { return m_lines.empty(); }
    // Shows `heading` and the failures, the first few of a long list only,
    // then `advice` when there is any.
    void Show(FrontEnd& frontEnd, std::string_view heading, std::string_view advice = {}) const;

private:
    std::vector<std::string> m_lines;
};

} // namespace kelvarin
