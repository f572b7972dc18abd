#include "pipeline/IndexParse.h"

#include "app/FixedNames.h"
#include "pipeline/DailyArchiveNames.h"
#include "pipeline/FolderListing.h"
#include "pipeline/FrontEnd.h"

#include <algorithm>

namespace kelvarin {

namespace {

constexpr std::string_view LinkPrefix = "<a href=\"/webprices.nsf/stkprices/";
static_assert(LinkPrefix.ends_with(ArchiveFolderPath));
// The target starts after `<a href="/`, so it keeps the archive folder less its first "/".
constexpr std::size_t TargetOffset = 10;
constexpr std::string_view TargetFolder = ArchiveFolderPath.substr(1);

} // namespace

std::vector<std::string> ParseIndexPage(std::string_view page) {
    page = page.substr(0, page.find('\0'));
    std::vector<std::string> items;
    std::string_view rest = page;
    while (StopRequested == 0) {
        const std::size_t link = rest.find(LinkPrefix);
        if (link == std::string_view::npos)
            break;
        std::string_view target = rest.substr(link + TargetOffset);
        const std::size_t close = target.find('>');
        if (close == std::string_view::npos)
            break;
        rest = target.substr(close + 1);
        // Drops the character before ">": the closing quote of a plain href.
        // Attributes after the href stay, less their own last character. The
        // target starts with TargetFolder, which holds no ">", so close > 0.
        target = target.substr(0, close - 1);
        if (target.find("zip") == std::string_view::npos)
            continue;
        items.push_back(std::string(ExchangeCode) +
                        ReplaceEvery(ReplaceEvery(target, TargetFolder, ""), ArchiveFilePath, ""));
    }
    return items;
}

void FillRemoteList(RemoteList& list, std::vector<std::string> items) {
    // Stable, so equal items keep the order they had in the page.
    std::stable_sort(items.begin(), items.end(), NameLess);
    list.Clear();
    for (const std::string& item : items)
        list.Add(item);
}

} // namespace kelvarin
