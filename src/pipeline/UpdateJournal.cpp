#include "pipeline/UpdateJournal.h"

#include "app/AtomicFile.h"
#include "app/CrashPoint.h"
#include "app/FileAccess.h"
#include "pipeline/Marker.h"

#include <cerrno>
#include <charconv>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvarin {

namespace {

// Names are stored with their length in front, since a stock name may hold
// any byte but CR and NUL, line feeds and spaces included.
constexpr std::string_view FirstLine = "kelvarin update journal 1\n";
constexpr std::string_view LastLine = "end\n";

void PutSized(std::string& out, std::string_view text) {
    out += std::to_string(text.size());
    out += ':';
    out += text;
    out += '\n';
}

// Reads the journal's lines in order; every Take* fails on anything else.
class JournalCursor {
public:
    explicit JournalCursor(std::string_view bytes) : m_rest(bytes) {}

    bool AtEnd() const { return m_rest.empty(); }

    bool Take(std::string_view text) {
        if (!m_rest.starts_with(text))
            return false;
        m_rest.remove_prefix(text.size());
        return true;
    }

    template <typename Number> bool TakeNumber(Number& value, char end) {
        const auto [next, failure] =
            std::from_chars(m_rest.data(), m_rest.data() + m_rest.size(), value);
        if (failure != std::errc() || next == m_rest.data())
            return false;
        m_rest.remove_prefix(static_cast<std::size_t>(next - m_rest.data()));
        return Take(std::string_view(&end, 1));
    }

    bool TakeSized(std::string& text) {
        std::size_t size = 0;
        if (!TakeNumber(size, ':') || m_rest.size() < size + 1 || m_rest[size] != '\n')
            return false;
        text.assign(m_rest.substr(0, size));
        m_rest.remove_prefix(size + 1);
        return true;
    }

private:
    std::string_view m_rest;
};

// A name from a journal that could point outside the stock folder was not
// written by Update; such an entry is never acted on.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

// Puts one file back; a file already shorter than before, or gone, is left
// as it is, since nothing of the batch is in it any more.
bool Restore(const std::string& path, const JournalEntry& entry) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return errno == ENOENT;
    if (!S_ISREG(status.st_mode))
        return true;
    if (entry.created)
        return RemoveFile(path) || errno == ENOENT;
    return status.st_size <= entry.size || TruncateFile(path, entry.size);
}

} // namespace

std::string RenderJournal(const JournalContent& content) {
    std::string out(FirstLine);
    for (const JournalEntry& entry : content.entries) {
        if (entry.created) {
            out += "create ";
        } else {
            out += "keep ";
            out += std::to_string(entry.size);
            out += ' ';
        }
        PutSized(out, entry.name);
    }
    if (content.committed) {
        out += "commit ";
        PutSized(out, content.markerName);
    }
    out += LastLine;
    return out;
}

bool ParseJournal(std::string_view bytes, JournalContent& content) {
    JournalCursor cursor(bytes);
    content = {};
    if (!cursor.Take(FirstLine))
        return false;
    for (;;) {
        JournalEntry entry;
        if (cursor.Take("create ")) {
            entry.created = true;
        } else if (cursor.Take("keep ")) {
            if (!cursor.TakeNumber(entry.size, ' ') || entry.size < 0)
                return false;
        } else {
            break;
        }
        if (!cursor.TakeSized(entry.name) || !IsPlainName(entry.name))
            return false;
        content.entries.push_back(std::move(entry));
    }
    if (cursor.Take("commit ")) {
        content.committed = true;
        if (!cursor.TakeSized(content.markerName))
            return false;
    }
    return cursor.Take(LastLine) && cursor.AtEnd();
}

UpdateJournal::UpdateJournal(std::string stockFolder)
    : m_stockFolder(std::move(stockFolder)),
      m_path(m_stockFolder + std::string(UpdateJournalName)) {}

bool UpdateJournal::Write(std::string* error) {
    if (!WriteFileAtomically(m_path, RenderJournal(m_content), error))
        return false;
    // The rename must be on disk before anything it protects is changed.
    if (!SyncFolderEntries(m_stockFolder)) {
        if (error)
            *error = CannotMessage("write", m_path, errno);
        return false;
    }
    return true;
}

bool UpdateJournal::Begin(std::vector<JournalEntry> entries, std::string* error) {
    m_content = {std::move(entries), false, {}};
    return Write(error);
}

bool UpdateJournal::Commit(const std::string& markerName, std::string* error) {
    m_content.committed = true;
    m_content.markerName = markerName;
    return Write(error);
}

bool UpdateJournal::Finish(std::string* error) {
    m_content = {};
    if (RemoveFile(m_path) || errno == ENOENT)
        return true;
    if (error)
        *error = CannotMessage("delete", m_path, errno);
    return false;
}

bool UpdateJournal::RollBack(std::size_t count, std::string* error) {
    std::string failures;
    for (std::size_t i = 0; i < count && i < m_content.entries.size(); ++i) {
        const JournalEntry& entry = m_content.entries[i];
        const std::string path = m_stockFolder + entry.name;
        if (!Restore(path, entry))
            failures += "; " + path + " could not be restored: " + ErrnoText(errno);
        CrashPoint();
    }
    // The journal may go only once the files it restores are on disk as restored.
    if (failures.empty() && !SyncFileSystemOf(m_stockFolder))
        failures += "; " + m_stockFolder + " could not be flushed: " + ErrnoText(errno);
    std::string removal;
    if (failures.empty() && !Finish(&removal))
        failures += "; " + removal;
    if (!failures.empty()) {
        if (error)
            *error += failures;
        return false;
    }
    return true;
}

bool UpdateJournal::Recover(const std::string& markerPath, std::string* error) {
    WholeFile bytes;
    if (!bytes.Read(m_path)) {
        if (errno == ENOENT)
            return true;
        if (error)
            *error = CannotMessage("read", m_path, errno);
        return false;
    }
    if (!ParseJournal(bytes.View(), m_content)) {
        if (error)
            *error = CannotMessage("read", m_path, "it is not an update journal");
        return false;
    }
    // A committed batch whose name the marker holds is whole on disk. Any
    // other was cut short, or the marker never moved to it: taking it back
    // leaves history files and marker agreeing, and the next Auto run
    // applies those daily files again.
    if (m_content.committed && ReadMarker(markerPath, {}) == m_content.markerName)
        return Finish(error);
    if (error)
        error->clear();
    if (RollBack(m_content.entries.size(), error))
        return true;
    if (error)
        *error = "Cannot take back the interrupted update" + *error;
    return false;
}

} // namespace kelvarin
