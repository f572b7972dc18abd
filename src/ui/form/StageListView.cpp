#include "ui/form/StageListView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <utility>

namespace kelvarin::gui {

StageListView::StageListView(QWidget* parent) : QListWidget(parent) {
    setViewMode(QListView::ListMode);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setIconSize(QSize(16, 16));
    setSortingEnabled(false);
}

// Every release follows its own press, so a double-click whose release went
// elsewhere (to a message box it opened, say) cannot swallow a later click.
void StageListView::mousePressEvent(QMouseEvent* event) {
    m_releaseEndsDoubleClick = false;
    QListWidget::mousePressEvent(event);
}

void StageListView::mouseReleaseEvent(QMouseEvent* event) {
    const bool endsDoubleClick = std::exchange(m_releaseEndsDoubleClick, false);
    QListWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && !endsDoubleClick)
        emit RowClicked(RowAt(event->position().toPoint()));
}

void StageListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    m_releaseEndsDoubleClick = true;
    emit RowActivated(RowAt(event->position().toPoint()));
}

void StageListView::keyPressEvent(QKeyEvent* event) {
    const bool enter = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
                       (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const QListWidgetItem* current = currentItem();
    if (enter && current && current->isSelected()) {
        emit RowActivated(row(current));
        return;
    }
    QListWidget::keyPressEvent(event);
}

int StageListView::RowAt(const QPoint& position) const {
    const QModelIndex index = indexAt(position);
    return index.isValid() ? index.row() : -1;
}

} // namespace kelvarin::gui
