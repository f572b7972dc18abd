#pragma once

#include "pipeline/FrontEnd.h"

#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace kelvarin::gui {

// The icons of the stage lists: the platform's folder icon, and for a file
// its type's icon from the desktop's icon theme. The type comes from the
// name alone, so a refresh never opens or reads an entry, and each type's
// icon is looked up once.
class FileIcons {
public:
    FileIcons();

    const QIcon& Folder() const { return m_folder; }
    // The type's own icon, else its family's generic one (text, archive...),
    // else the platform's plain file icon.
    const QIcon& ForFile(const QString& name) const;

private:
    QMimeDatabase m_types;
    QIcon m_folder;
    QIcon m_file;
    mutable QHash<QString, QIcon> m_byType;
    mutable QHash<QString, QIcon> m_byExtension;
};

// The rows of a list widget as the stages read them: by index, from the widget,
// at every call. Each row carries the entry's exact bytes beside the text it
// shows, so a name that is not valid UTF-8 still reaches the file system as is.
class ListWidgetRows : public virtual StageList {
public:
    explicit ListWidgetRows(QListWidget& widget) : m_widget(widget) {}

    int Count() const override;
    std::string Text(int row) const override;
    int SelectedCount() const override;
    int NextSelected(int row) const override;

    static QListWidgetItem* MakeItem(const std::string& bytes);

protected:
    QListWidget& Widget() const { return m_widget; }

private:
    QListWidget& m_widget;
};

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

// The remote list widget as Connect fills it and Download reads it.
class RemoteListAdapter : public RemoteList, public ListWidgetRows {
public:
    using ListWidgetRows::ListWidgetRows;

    void Clear() override;
    // Inserts at the row that keeps the list in byte-wise order.
    void Add(const std::string& text) override;
};

} // namespace kelvarin::gui
