#pragma once

#include "ui/form/ListWidgetRows.h"

class FileIcons;
class QLabel;
class QLineEdit;

// A stage file list widget with its folder edit and count static, as the list
// refresh fills them.
class FileListAdapter : public kelvarin::FileList, public ListWidgetRows {
public:
    FileListAdapter(QListWidget& widget, QLineEdit& edit, QLabel& count, const FileIcons& icons);

    void ShowListing(const kelvarin::FolderListing& listing, const std::string& editText) override;

private:
    QLineEdit& m_edit;
    QLabel& m_count;
    const FileIcons& m_icons;
};
