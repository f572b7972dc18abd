#include "ui/form/RemoteListAdapter.h"

#include "pipeline/FolderListing.h"

#include <QListWidget>

void RemoteListAdapter::Clear() {
    Widget().clear();
}

void RemoteListAdapter::Add(const std::string& text) {
    int row = Count();
    while (row > 0 && kelvarin::NameLess(text, Text(row - 1)))
        --row;
    Widget().insertItem(row, MakeItem(text));
}
