#pragma once

#include "net/StatusWindow.h"

#include <atomic>
#include <string>
#include <string_view>

namespace kelvarin {

// Set by Pause (and by Ctrl+C in the command-line program, from a signal
// handler, hence atomic); cleared by Connect, Download and Update as they begin.
inline std::atomic<int> StopRequested{0};

enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// What the stages need of the program that runs them: the status line, the
// progress bar, message boxes and the one-message pump. The desktop program,
// the command-line program and the tests each implement it.
class FrontEnd {
public:
    virtual ~FrontEnd() = default;

    // The status line, for the texts a stage sets itself.
    virtual StatusWindow& StatusLine() = 0;
    // The same line as the transfers write their running texts into it; a
    // front end may thin out their bursts.
    virtual StatusWindow& TransferStatus() { return StatusLine(); }
    virtual void SetProgressRange(int lower, int upper) = 0;
    virtual void SetProgress(int position) = 0;
    virtual MessageAnswer ShowMessage(const std::string& text, MessageButtons buttons) = 0;
    // Takes one waiting event, if any, and handles it to its end; whatever it
    // triggers (Pause among others) runs nested inside the stage, or inside a
    // transfer of the stage, which serves the pump while it waits.
    virtual void PumpOneMessage() = 0;
    // Why a stage failed as a whole, naming the address or file. The status
    // line moves on; this stays readable after the stage has ended.
    virtual void ShowCause(const std::string& text) = 0;
    // How a user of this program lets go of the item given, a day Auto
    // Download keeps failing on, so that the days after it wait no longer;
    // shown with the failure. Empty when the program offers no way.
    virtual std::string HowToLetGo(const std::string&) { return {}; }
};

// A list control as the stages read it, by index at every pass, so a command
// run inside the pump can never make a stage read stale rows.
class StageList {
public:
    virtual ~StageList() = default;
    virtual int Count() const = 0;
    virtual std::string Text(int row) const = 0;
    virtual int SelectedCount() const = 0;
    // The first selected row after `row` (-1 starts before row 0), or -1.
    virtual int NextSelected(int row) const = 0;
};

// The remote list: filled by Connect, kept in ascending order of its texts.
class RemoteList : public virtual StageList {
public:
    virtual void Clear() = 0;
    virtual void Add(const std::string& text) = 0;
};

struct FolderListing;

// A stage file list with its folder edit and count static.
class FileList : public virtual StageList {
public:
    virtual void ShowListing(const FolderListing& listing, const std::string& editText) = 0;
};

} // namespace kelvarin
