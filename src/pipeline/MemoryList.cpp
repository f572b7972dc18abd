#include "pipeline/MemoryList.h"

#include <algorithm>

namespace kelvarin {

int MemoryList::Count() const {
    return static_cast<int>(m_rows.size());
}

std::string MemoryList::Text(int row) const {
    if (row < 0 || row >= Count())
        return {};
    return m_rows[static_cast<std::size_t>(row)];
}

int MemoryList::SelectedCount() const {
    return static_cast<int>(std::count(m_selected.begin(), m_selected.end(), true));
}

int MemoryList::NextSelected(int row) const {
    for (int next = std::max(row + 1, 0); next < Count(); ++next) {
        if (m_selected[static_cast<std::size_t>(next)])
            return next;
    }
    return -1;
}

void MemoryList::Clear() {
    m_rows.clear();
    m_selected.clear();
}

void MemoryList::Add(const std::string& text) {
    // After equal texts, so duplicates keep the order they were added in.
    const auto at = std::upper_bound(m_rows.begin(), m_rows.end(), text, NameLess);
    const auto offset = at - m_rows.begin();
    m_rows.insert(at, text);
    m_selected.insert(m_selected.begin() + offset, false);
}

void MemoryList::ShowListing(const FolderListing& listing, const std::string& editText) {
    Clear();
    m_rows.reserve(listing.entries.size());
    for (const ListEntry& entry : listing.entries)
        m_rows.push_back(entry.name);
    // The listing comes sorted; sorting again keeps the promise of this list
    // whatever a listing holds.
    std::stable_sort(m_rows.begin(), m_rows.end(), NameLess);
    m_selected.assign(m_rows.size(), false);
    m_editText = editText;
    m_fileCount = listing.count;
}

bool MemoryList::Select(const std::string& text) {
    bool found = false;
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row] == text) {
            m_selected[row] = true;
            found = true;
        }
    }
    return found;
}

void MemoryList::SelectRow(int row) {
    if (row >= 0 && row < Count())
        m_selected[static_cast<std::size_t>(row)] = true;
}

void MemoryList::ClearSelection() {
    m_selected.assign(m_rows.size(), false);
}

} // namespace kelvarin
