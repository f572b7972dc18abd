#include "net/ReadProgress.h"

namespace kelvarin {

void ShowReadProgress(TransferSession& session, std::size_t total, std::chrono::seconds elapsed) {
    const int bytes = static_cast<int>(total);
    if (elapsed.count() > 0) {
        session.SetStatusText("Read %d bytes (%0.1f Kb/s)", bytes,
                              static_cast<double>(total) / 1024.0 /
                                  static_cast<double>(elapsed.count()));
    } else {
        session.SetStatusText("Read %d bytes", bytes);
    }
}

} // namespace kelvarin
