#pragma once

#include <QTextBrowser>
#include <string>

namespace kelvarin::gui {

// The start page pane: a local HTML page beside the settings file.
class StartPage : public QTextBrowser {
    Q_OBJECT
public:
    explicit StartPage(QWidget* parent = nullptr);

    // Shows the page at `path`, or a page of our own that names the missing file.
    void Load(const std::string& path);
};

} // namespace kelvarin::gui
