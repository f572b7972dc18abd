#include "ui/form/RemoteListAdapter.h"

#include "pipeline/FolderListing.h"

#include <QListWidget>

namespace kelvarin::gui {

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
