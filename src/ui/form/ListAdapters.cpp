#include "ui/form/ListAdapters.h"

#include "pipeline/FolderListing.h"

#include <QFileIconProvider>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeType>

namespace kelvarin::gui {

namespace {

// Beside the text a row shows, the exact bytes of its name.
constexpr int BytesRole = Qt::UserRole;

} // namespace

FileIcons::FileIcons() {
    const QFileIconProvider provider;
    m_folder = provider.icon(QAbstractFileIconProvider::Folder);
    m_file = provider.icon(QAbstractFileIconProvider::File);
}

// The rows of a list differ in their dates, not in their extensions, and
// naming one file's type costs the database some 70 us, which would take the
// refresh of 10,000 rows from 30 ms to 700 ms: it is asked once per extension.
const QIcon& FileIcons::ForFile(const QString& name) const {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : name.mid(dot).toLower();
    const auto known = m_byExtension.constFind(extension);
    if (known != m_byExtension.constEnd())
        return *known;
    const QMimeType type = m_types.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    QIcon& icon = m_byType[type.name()];
    if (icon.isNull())
        icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName(), m_file));
    return *m_byExtension.insert(extension, icon);
}

int ListWidgetRows::Count() const {
    return m_widget.count();
}

std::string ListWidgetRows::Text(int row) const {
    const QListWidgetItem* item = m_widget.item(row);
    if (!item)
        return {};
    return item->data(BytesRole).toByteArray().toStdString();
}

int ListWidgetRows::SelectedCount() const {
    return static_cast<int>(m_widget.selectedItems().size());
}

int ListWidgetRows::NextSelected(int row) const {
    for (int next = row + 1; next < m_widget.count(); ++next) {
        if (m_widget.item(next)->isSelected())
            return next;
    }
    return -1;
}

QListWidgetItem* ListWidgetRows::MakeItem(const std::string& bytes) {
    auto* item = new QListWidgetItem(QString::fromStdString(bytes));
    item->setData(BytesRole, QByteArray::fromStdString(bytes));
    return item;
}

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

void RemoteListAdapter::Clear() {
    Widget().clear();
}

void RemoteListAdapter::Add(const std::string& text) {
    int row = Count();
    while (row > 0 && NameLess(text, Text(row - 1)))
        --row;
    Widget().insertItem(row, MakeItem(text));
}

} // namespace kelvarin::gui
