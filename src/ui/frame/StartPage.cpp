#include "ui/frame/StartPage.h"

#include <QApplication>
#include <QFileInfo>
#include <QUrl>

namespace kelvarin::gui {

StartPage::StartPage(QWidget* parent) : QTextBrowser(parent) {
    setOpenExternalLinks(true);
}

void StartPage::Load(const std::string& path) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString file = QString::fromStdString(path);
    if (QFileInfo(file).isFile()) {
        const QUrl url = QUrl::fromLocalFile(file);
        // Setting the same source again would keep the page as first read.
        if (source() == url)
            reload();
        else
            setSource(url);
    } else {
        clearHistory();
        setHtml(QStringLiteral("<h2>Start page not found</h2>"
                               "<p>There is no start page at <b>%1</b>.</p>"
                               "<p>Put a <tt>kv_index.htm</tt> there to see it here.</p>")
                    .arg(file.toHtmlEscaped()));
    }
    QApplication::restoreOverrideCursor();
}

} // namespace kelvarin::gui
