#pragma once

#include "net/TransferSettings.h"

#include <QStringList>
#include <iosfwd>
#include <optional>
#include <string>

namespace kelvarin::gui {

// The exchange server to use: --server URL, else KELVARIN_SERVER, else the
// exchange's own, checked and without a "/" at its end. An unknown option is
// warned about on `err` and otherwise ignored, so the program still starts;
// --help and --version are answered and end the program. Nullopt when the
// address, the --cacert file or the --connections number is refused, once
// the reason is on `err`. Qt's own options are taken out of `arguments` by
// QApplication beforehand. `userLibrary`, when given, tells whether
// --user-library was set; `transfer` receives the --cacert file, else the
// authorities the environment names, and the number of connections.
std::optional<std::string> ServerFromCommandLine(const QStringList& arguments, std::ostream& err,
                                                 bool* userLibrary = nullptr,
                                                 TransferSettings* transfer = nullptr);

} // namespace kelvarin::gui
