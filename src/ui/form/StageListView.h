#pragma once

#include <QListWidget>

namespace kelvarin::gui {

// A stage list as the form shows it: names flowing left to right in rows with
// small icons, several rows selectable. It never sorts by itself: Qt's sort is
// locale-aware, while the rows must stay in the byte-wise order the stages and
// markers compare in, so rows are inserted already in order.
class StageListView : public QListWidget {
    Q_OBJECT
public:
    explicit StageListView(QWidget* parent = nullptr);

signals:
    // A left click, and a double-click or Enter that opens a row. Unlike Qt's
    // clicked() and doubleClicked() they also come for a click beside the
    // items, with row -1. Enter counts only on the current row when it is
    // selected.
    void RowClicked(int row);
    void RowActivated(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int RowAt(const QPoint& position) const;

    // A double-click may have refilled the list, so the release that ends it
    // would land on whatever row of the new listing lies under the pointer.
    bool m_releaseEndsDoubleClick = false;
};

} // namespace kelvarin::gui
