#include "ui/form/ListWidgetRows.h"

#include <QListWidget>

namespace kelvarin::gui {

namespace {
constexpr int BytesRole = Qt::UserRole;
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

} // namespace kelvarin::gui
