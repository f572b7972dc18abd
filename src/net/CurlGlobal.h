#pragma once

namespace kelvarin {

// Runs libcurl's process-wide set-up once, before its first handle of any
// kind; false when it failed, and no handle may be made then.
bool EnsureCurlInitialised();

} // namespace kelvarin
