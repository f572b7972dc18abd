#pragma once

#include "pipeline/FrontEnd.h"

#include <string>

class QListWidget;
class QListWidgetItem;

namespace kelvarin::gui {

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

} // namespace kelvarin::gui
