#include "exchange/IndexPage.h"

#include <array>

namespace kelvarin::exchange {

namespace {

constexpr std::array<const char*, 12> MonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

const char* const PageHead = R"(<html>
<head>
<title>SGX - Historical Stock Prices</title>
<meta http-equiv="Content-Type" content="text/html; charset=iso-8859-1">
<link rel="stylesheet" href="/www/css/sgx.css" type="text/css">
</head>
<body text="#000000" bgcolor="#FFFFFF" link="#003399" vlink="#663399">
<table width="100%" border="0" cellspacing="0" cellpadding="4">
<tr bgcolor="#003366"><td><a href="/www/index.htm"><img src="/www/images/sgxlogo.gif" border="0" alt="Singapore Exchange"></a></td>
<td align="right"><font color="#FFFFFF" size="1" face="Arial">
<a href="/www/index.htm">Home</a> | <a href="/webprices.nsf/new+daily+stock+prices?openview">Daily Prices</a> |
<a href="/webprices.nsf/new+historical+stock+prices?openview">Historical Prices</a> |
<a href="/webann.nsf/announcements?openview">Announcements</a> | <a href="/www/sitemap.htm">Site Map</a></font></td></tr>
</table>
<h2><font face="Arial">Historical Stock Prices</font></h2>
<p><font size="2" face="Arial">Each archive holds the end-of-day prices of all counters for one trading day.
Prices are in Singapore dollars unless stated. See the <a href="/www/pricefile_layout.htm">file layout</a>.</font></p>
<table border="0" cellpadding="2" cellspacing="0">
<tr bgcolor="#CCCCCC"><th><font size="2" face="Arial">Trading Date</font></th><th><font size="2" face="Arial">Archive</font></th></tr>
)";

const char* const PageFoot = R"(</table>
<p><font size="1" face="Arial"><a href="/webprices.nsf/new+historical+stock+prices?OpenView&amp;Start=1&amp;Count=1000&amp;Collapse=1">Collapse</a> |
<a href="/www/disclaimer.htm">Disclaimer</a> | <a href="/www/privacy.htm">Privacy</a> |
<a href="mailto:webmaster@sgx.example">webmaster</a></font></p>
<p><font size="1" face="Arial">Copyright &copy; Singapore Exchange Limited. All rights reserved.</font></p>
</body>
</html>
)";

void AppendRow(std::string& page, const std::string& shownDate, const std::string& id) {
    page += "<tr valign=\"top\"><td><font size=\"2\" face=\"Arial\">";
    page += shownDate;
    page += "</font></td><td><a href=\"";
    page += IndexPage::ArchivePath(id);
    page +=
        "\"><img src=\"/icons/vwicn150.gif\" border=\"0\" alt=\"zip\">SESprice.zip</a></td></tr>\n";
}

// Padding that looks like more of the site: links to market notices that
// are no daily archives.
void AppendNotices(std::string& page, std::size_t minimumBytes, std::size_t footBytes) {
    page += "<tr><td colspan=\"2\"><hr><font size=\"2\" face=\"Arial\">Market "
            "notices</font></td></tr>\n";
    for (std::size_t notice = 1; page.size() + footBytes < minimumBytes; ++notice) {
        const std::string number = std::to_string(notice);
        page += "<tr><td><font size=\"1\" face=\"Arial\">Notice ";
        page += number;
        page += "</font></td><td><a href=\"/webann.nsf/notices/N";
        page += number;
        page += "?opendocument\">Trading arrangements, circular ";
        page += number;
        page += "</a></td></tr>\n";
    }
}

} // namespace

std::string IndexPage::ArchivePath(const std::string& id) {
    return "/webprices.nsf/stkprices/" + id + "/$File/SESprice.zip";
}

std::string IndexPage::Build(const MarketGenerator& market,
                             const std::vector<std::string>& extraIds, std::size_t minimumBytes,
                             const std::set<std::string>& unlisted) {
    std::string page = PageHead;
    page.reserve(minimumBytes + 200 * (market.DayCount() + extraIds.size()));
    for (std::size_t day = market.DayCount(); day-- > 0;) {
        if (unlisted.contains(market.IdOf(day)))
            continue;
        const TradingDate& date = market.DateOf(day);
        const std::string shown = std::to_string(date.Day()) + " " + MonthNames[date.Month() - 1] +
                                  " " + std::to_string(date.Year());
        AppendRow(page, shown, market.IdOf(day));
    }
    for (const std::string& id : extraIds)
        AppendRow(page, "&nbsp;", id);
    const std::string foot = PageFoot;
    if (page.size() + foot.size() < minimumBytes)
        AppendNotices(page, minimumBytes, foot.size());
    page += foot;
    return page;
}

} // namespace kelvarin::exchange
