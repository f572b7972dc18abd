#pragma once

#include "pipeline/FolderListing.h"
#include "pipeline/FrontEnd.h"

#include <string>
#include <vector>

namespace kelvarin {

// A stage list held in memory, for front ends without list controls (the
// command-line program) and for tests. Rows stay in ascending byte-wise order,
// as the desktop program's sorted list controls keep them.
class MemoryList : public RemoteList, public FileList {
public:
    int Count() const override;
    std::string Text(int row) const override;
    int SelectedCount() const override;
    int NextSelected(int row) const override;

    void Clear() override;
    void Add(const std::string& text) override;
    void ShowListing(const FolderListing& listing, const std::string& editText) override;

    // Selects every row whose text equals `text`; false when there is none.
    bool Select(const std::string& text);
    void SelectRow(int row);
    void ClearSelection();

    const std::string& EditText() const { return m_editText; }
    int FileCount() const { return m_fileCount; }

private:
    std::vector<std::string> m_rows;
    std::vector<bool> m_selected;
    std::string m_editText;
    int m_fileCount = 0;
};

} // namespace kelvarin
