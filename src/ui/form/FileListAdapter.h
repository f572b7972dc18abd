#pragma once

#include "ui/form/ListWidgetRows.h"

class QLabel;
class QLineEdit;

namespace kelvarin::gui {

class FileIcons;

// A stage file list widget with its folder edit and count static, as the list
// refresh fills them.
class FileListAdapter : public FileList, public ListWidgetRows {
public:
    FileListAdapter(QListWidget& widget, QLineEdit& edit, QLabel& count, const FileIcons& icons);

    void ShowListing(const FolderListing& listing, const std::string& editText) override;

private:
    QLineEdit& m_edit;
    QLabel& m_count;
    const FileIcons& m_icons;
};

} // namespace kelvarin::gui
