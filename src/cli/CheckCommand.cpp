#include "cli/CheckCommand.h"

#include "cli/JsonWriter.h"
#include "pipeline/LibraryCheck.h"
#include "pipeline/LibraryRepair.h"

#include <algorithm>
#include <ostream>

namespace kelvarin::cli {

namespace {

struct RepairOutcome {
    std::string path;
    std::string plan;
    std::string error; // empty once repaired
};

void WriteJsonReport(std::ostream& out, const LibraryReport& report, const WorkingFolders& folders,
                     const std::vector<RepairOutcome>* repairs) {
    const auto number = [](std::size_t value) { return static_cast<long long>(value); };
    const CheckSummary& summary = report.summary;
    JsonWriter json(out);
    json.BeginObject();
    json.Key("stockFolder").String(folders.StockFolder);
    json.Key("unzipFolder").String(folders.UnzipFolder);
    if (!report.error.empty())
        json.Key("error").String(report.error);
    json.Key("sound").Bool(report.Sound());
    json.Key("stopped").Bool(report.stopped);
    json.Key("files").BeginArray();
    for (const FileFindings& file : report.files) {
        json.BeginObject().Key("path").String(file.path).Key("findings").BeginArray();
        for (const Finding& finding : file.findings) {
            json.BeginObject()
                .Key("line")
                .Number(finding.line)
                .Key("kind")
                .String(KindName(finding.kind))
                .Key("text")
                .String(finding.text)
                .EndObject();
        }
        json.EndArray().EndObject();
    }
    json.EndArray();
    json.Key("summary").BeginObject();
    json.Key("historyFiles").Number(number(summary.historyFiles));
    json.Key("rows").Number(number(summary.rows));
    json.Key("dailyFiles").Number(number(summary.dailyFiles));
    json.Key("lastDailyFile").String(summary.lastDailyName);
    json.Key("records").Number(number(summary.records));
    json.Key("uncomparedRows").Number(number(summary.uncompared));
    json.Key("findings").Number(number(summary.Findings()));
    json.Key("kinds").BeginObject();
    for (std::size_t kind = 0; kind < FindingKindCount; ++kind) {
        if (summary.counts[kind] > 0)
            json.Key(KindName(static_cast<FindingKind>(kind))).Number(number(summary.counts[kind]));
    }
    json.EndObject();
    json.Key("text").String(SummaryLine(report));
    json.EndObject();
    if (repairs) {
        json.Key("repairs").BeginArray();
        for (const RepairOutcome& repair : *repairs) {
            json.BeginObject().Key("path").String(repair.path).Key("plan").String(repair.plan);
            json.Key("repaired").Bool(repair.error.empty());
            if (!repair.error.empty())
                json.Key("error").String(repair.error);
            json.EndObject();
        }
        json.EndArray();
    }
    json.EndObject();
    out << '\n';
}

void WriteTextReport(std::ostream& out, const LibraryReport& report) {
    for (const FileFindings& file : report.files) {
        out << file.path << '\n';
        for (const Finding& finding : file.findings) {
            out << "  ";
            if (finding.line > 0)
                out << "line " << finding.line << ": ";
            out << finding.text << '\n';
        }
    }
}

// The findings a repaired file no longer has.
std::size_t Mended(const LibraryReport& report, const std::vector<RepairOutcome>& repairs) {
    std::size_t mended = 0;
    for (const RepairOutcome& repair : repairs) {
        if (!repair.error.empty())
            continue;
        for (const FileFindings& file : report.files) {
            if (file.path != repair.path)
                continue;
            for (const Finding& finding : file.findings)
                mended += finding.kind == FindingKind::OutOfOrder ||
                                  finding.kind == FindingKind::RepeatedRow
                              ? 1
                              : 0;
        }
    }
    return mended;
}

} // namespace

CLI::App* CheckCommand::AddTo(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "check", "Check every history file, on its own and against the daily files applied");
    command->add_flag("--json", m_json, "Print the findings as one JSON object");
    command->add_flag("--repair", m_repair,
                      "Then put rows out of date order back in order and remove exact repeats");
    return command;
}

int CheckCommand::Run(CliContext& context) {
    std::ostream& out = context.streams.out;
    std::ostream& err = context.streams.err;
    // Ctrl+C stops the check and prints what it found so far.
    StopRequested = 0;
    context.frontEnd.BeginStage();
    const LibraryReport report = CheckLibrary(context.folders, context.frontEnd, &StopRequested);
    context.frontEnd.EndStage();
    if (!report.error.empty())
        err << report.error << '\n';

    if (!m_json)
        WriteTextReport(out, report);
    std::vector<RepairOutcome> repairs;
    bool repairFailed = false;
    if (m_repair && !report.files.empty() && !report.stopped && report.error.empty()) {
        const LibraryRepair repair(context.folders, report);
        if (!repair.Error().empty()) {
            err << repair.Error() << '\n';
            repairFailed = true;
        }
        // With --json, stdout holds nothing but the one JSON object.
        std::ostream& say = m_json ? err : out;
        for (const LibraryRepair::Step& step : repair.Steps()) {
            say << "Repairing " << step.path << ": " << step.plan << '\n' << std::flush;
            RepairOutcome outcome{step.path, step.plan, {}};
            if (!repair.Apply(step, &outcome.error)) {
                err << outcome.error << '\n';
                repairFailed = true;
            }
            repairs.push_back(std::move(outcome));
        }
    }

    if (m_json) {
        WriteJsonReport(out, report, context.folders, m_repair ? &repairs : nullptr);
    } else {
        out << SummaryLine(report);
        if (m_repair && report.error.empty()) {
            const auto repaired =
                std::count_if(repairs.begin(), repairs.end(),
                              [](const RepairOutcome& r) { return r.error.empty(); });
            out << ' ' << repaired << (repaired == 1 ? " file" : " files") << " repaired.";
        }
        out << '\n';
    }
    out << std::flush;
    const bool sound =
        report.Sound() || (report.error.empty() && !report.stopped && !repairFailed &&
                           Mended(report, repairs) == report.summary.Findings());
    return sound ? 0 : ExitFailure;
}

} // namespace kelvarin::cli
