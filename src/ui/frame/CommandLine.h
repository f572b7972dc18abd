#pragma once

#include <string>

class QCoreApplication;

// The exchange server to use: --server URL, else KELVARIN_SERVER, else the
// exchange's own. Handles --help and --version and ends the program on an
// unknown option; Qt's own options are taken by QApplication beforehand.
// `userLibrary`, when given, tells whether --user-library was set.
std::string ServerFromCommandLine(const QCoreApplication& app, bool* userLibrary = nullptr);
