#include "ui/form/FileListAdapter.h"

#include "pipeline/FolderListing.h"
#include "ui/form/FileIcons.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace kelvarin::gui {

FileListAdapter::FileListAdapter(QListWidget& widget, QLineEdit& edit, QLabel& count,
                                 const FileIcons& icons)
    : ListWidgetRows(widget), m_edit(edit), m_count(count), m_icons(icons) {}

void FileListAdapter::ShowListing(const FolderListing& listing, const std::string& editText) {
    m_edit.setText(QString::fromStdString(editText));
    QListWidget& widget = Widget();
    // One repaint for the whole listing instead of one per row.
    widget.setUpdatesEnabled(false);
    widget.clear();
    for (const ListEntry& entry : listing.entries) {
        QListWidgetItem* item = MakeItem(entry.name);
        item->setIcon(entry.kind == EntryKind::Folder ? m_icons.Folder()
                                                      : m_icons.ForFile(item->text()));
        widget.addItem(item);
    }
    widget.setUpdatesEnabled(true);
    m_count.setText(QString::number(listing.count));
}

} // namespace kelvarin::gui
