#include "ui/frame/CheckWindow.h"

#include "app/FixedNames.h"
#include "pipeline/FrontEnd.h"
#include "pipeline/LibraryCheck.h"
#include "ui/sheet/StockSheet.h"

#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <exception>
#include <filesystem>

namespace kelvarin::gui {

namespace {

enum Column { FileColumn, LineColumn, FindingColumn, Columns };

// A finding's file (its bytes, as the check named it) and line, kept in its
// row's first cell for the double-click.
constexpr int PathRole = Qt::UserRole;
constexpr int LineRole = Qt::UserRole + 1;

QString Local(std::string_view text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

// The check's front end on the check's thread: each call is handed over to
// the window's thread, where the widgets live.
class CheckWindow::ThreadFrontEnd : public FrontEnd, private StatusWindow {
public:
    ThreadFrontEnd(QLabel& status, QProgressBar& progress)
        : m_status(status), m_progress(progress) {}

    StatusWindow& StatusLine() override { return *this; }
    void SetProgressRange(int lower, int upper) override {
        Post([&progress = m_progress, lower, upper] { progress.setRange(lower, upper); });
    }
    void SetProgress(int position) override {
        Post([&progress = m_progress, position] { progress.setValue(position); });
    }
    // The check asks nothing and has no stage's cause to show.
    MessageAnswer ShowMessage(const std::string&, MessageButtons) override {
        return MessageAnswer::Ok;
    }
    void PumpOneMessage() override {}
    void ShowCause(const std::string&) override {}

private:
    void SetText(std::string_view text) override {
        Post([&status = m_status, text = Local(text)] { status.setText(text); });
    }

    template <typename Call> void Post(Call call) {
        QMetaObject::invokeMethod(&m_status, std::move(call), Qt::QueuedConnection);
    }

    QLabel& m_status;
    QProgressBar& m_progress;
};

CheckWindow::CheckWindow(WorkingFolders folders, SheetOpener openSheet, QWidget* owner)
    : QWidget(owner, Qt::Window), m_folders(std::move(folders)), m_openSheet(std::move(openSheet)),
      m_status(new QLabel(this)), m_progress(new QProgressBar(this)),
      m_table(new QTableWidget(0, Columns, this)) {
    setObjectName(QStringLiteral("checkWindow"));
    setWindowTitle(QStringLiteral("Check Library"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_status->setObjectName(QStringLiteral("checkStatus"));
    m_status->setWordWrap(true);
    m_progress->setObjectName(QStringLiteral("checkProgress"));
    m_progress->setRange(0, 100);
    m_table->setObjectName(QStringLiteral("checkTable"));
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("File"), QStringLiteral("Line"), QStringLiteral("Finding")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_progress);
    layout->addWidget(m_table, 1);
    resize(720, 420);
    connect(m_table, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { OpenFinding(row); });

    m_frontEnd = std::make_unique<ThreadFrontEnd>(*m_status, *m_progress);
    m_thread = std::thread([this] {
        auto report = std::make_shared<LibraryReport>();
        try {
            *report = CheckLibrary(m_folders, *m_frontEnd, &m_stop);
        } catch (const std::exception& error) {
            report->error = error.what();
        }
        QMetaObject::invokeMethod(
            this, [this, report] { ShowReport(*report); }, Qt::QueuedConnection);
    });
}

CheckWindow::~CheckWindow() {
    m_stop = 1;
    if (m_thread.joinable())
        m_thread.join();
}

void CheckWindow::ShowReport(const LibraryReport& report) {
    m_finished = true;
    m_progress->setValue(m_progress->maximum());
    for (const FileFindings& file : report.files) {
        const std::string_view name = std::string_view(file.path).substr(file.path.rfind('/') + 1);
        for (const Finding& finding : file.findings) {
            const int row = m_table->rowCount();
            m_table->insertRow(row);
            auto* fileItem = new QTableWidgetItem(Local(name.empty() ? file.path : name));
            fileItem->setToolTip(Local(file.path));
            fileItem->setData(PathRole, QByteArray::fromStdString(file.path));
            fileItem->setData(LineRole, finding.line);
            m_table->setItem(row, FileColumn, fileItem);
            m_table->setItem(
                row, LineColumn,
                new QTableWidgetItem(finding.line > 0 ? QString::number(finding.line) : QString()));
            m_table->setItem(row, FindingColumn, new QTableWidgetItem(Local(finding.text)));
        }
    }
    m_table->resizeColumnToContents(FileColumn);
    m_table->resizeColumnToContents(LineColumn);
    m_status->setText(Local(SummaryLine(report)));
    emit Finished();
}

// Only a history or daily file that is there opens; a missing history file
// or the stock folder itself has no sheet.
void CheckWindow::OpenFinding(int row) {
    const QTableWidgetItem* item = m_table->item(row, FileColumn);
    if (!item)
        return;
    const std::string path = item->data(PathRole).toByteArray().toStdString();
    std::error_code ignored;
    if (!(path.ends_with(TxtExtension) || path.ends_with(DatExtension)) ||
        !std::filesystem::is_regular_file(path, ignored))
        return;
    if (StockSheet* sheet = m_openSheet(path))
        sheet->ShowLine(item->data(LineRole).toInt());
}

} // namespace kelvarin::gui
