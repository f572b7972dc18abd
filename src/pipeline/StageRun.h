#pragma once

#include "net/TransferPump.h"
#include "pipeline/FrontEnd.h"

#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

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
    // Shows `heading` and the failures, the first few of a long list only.
    void Show(FrontEnd& frontEnd, std::string_view heading) const;

private:
    std::vector<std::string> m_lines;
};

} // namespace kelvarin
