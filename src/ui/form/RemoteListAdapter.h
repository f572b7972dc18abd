#pragma once

#include "ui/form/ListWidgetRows.h"

namespace kelvarin::gui {

// The remote list widget as Connect fills it and Download reads it.
class RemoteListAdapter : public RemoteList, public ListWidgetRows {
public:
    using ListWidgetRows::ListWidgetRows;

    void Clear() override;
    // Inserts at the row that keeps the list in byte-wise order.
    void Add(const std::string& text) override;
};

} // namespace kelvarin::gui
