#include "ui/CReportDlg.h"

#include "settings/CConfigWatchdog.h"
#include "settings/SVNPathState.h"
#include "ui/CChangesWindow.h"
#include "ui/CDialogTemplate.h"
#include "ui/CFolderChecker.h"
#include "ui/CUpdateLauncher.h"

#include <QDesktopServices>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QList>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QTextDocument>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>

namespace {

enum ReportColumn { ColumnRepos = 0, ColumnState = 1, ColumnLastAuthor = 2, ColumnCheckedAt = 3 };

constexpr int kFirstStateIconId = 139;

// What "Check every" offers, in minutes.
constexpr struct {
    const char* text;
    int minutes;
} kIntervals[] = {{"5 minutes", 5}, {"15 minutes", 15}, {"1 hour", 60}, {"4 hours", 240}, {"1 day", 1440}};
constexpr int kStateIconSize = 16;

// The image of a state: waiting, up to date and modified have their own, every error the last.
int StateImage(int iState) {
    switch (iState) {
    case Waiting:
    case UpToDate:
    case Modified:
        return iState;
    default:
        return 3;
    }
}

// The modified image with a red mark in its lower right corner: an update would conflict.
QIcon WithConflictMark(const QIcon& modified) {
    QPixmap image = modified.pixmap(kStateIconSize, kStateIconSize);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xd0, 0x10, 0x10));
    const QRectF mark(kStateIconSize * 0.45, kStateIconSize * 0.45, kStateIconSize * 0.55,
                      kStateIconSize * 0.55);
    painter.drawEllipse(mark);
    painter.setPen(QPen(Qt::white, 1.5));
    painter.drawLine(QPointF(mark.center().x(), mark.top() + 2),
                     QPointF(mark.center().x(), mark.bottom() - 4));
    painter.drawPoint(QPointF(mark.center().x(), mark.bottom() - 2));
    painter.end();
    return QIcon(image);
}

} // namespace

CReportDlg::CReportDlg(CConfigWatchdog& watchdog, CUpdateLauncher& launcher, CFolderChecker& checker,
                       QWidget* parent)
    : QDialog(parent), m_watchdog(watchdog), m_launcher(launcher), m_checker(checker) {
    const QString strHint = QStringLiteral("See Watchdog settings for add or remove local copies.");
    const CDialogTemplate layout(font(), {{strHint, 270}});
    layout.SetUpResizableDialog(*this, QStringLiteral("Corvane : Report"), 394, 220);

    auto* closeButton = new QPushButton(QStringLiteral("&Close"), this);
    layout.PlaceControl(*closeButton, 1, 172, 199, 50, 14);
    closeButton->setDefault(true);
    connect(closeButton, &QPushButton::clicked, this, &CReportDlg::accept);
    m_buttonClose = closeButton;

    m_listReport = new QTreeWidget(this);
    layout.PlaceControl(*m_listReport, IDC_LIST_REPORT, 7, 7, 380, 162);
    m_listReport->setRootIsDecorated(false);
    m_listReport->setUniformRowHeights(true);
    m_listReport->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listReport->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listReport->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listReport->setIconSize(QSize(kStateIconSize, kStateIconSize));
    // Paths share their start; their ends tell the folders apart.
    m_listReport->setTextElideMode(Qt::ElideMiddle);
    m_listReport->viewport()->installEventFilter(this);
    m_listReport->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_listReport, &QTreeWidget::customContextMenuRequested, this, &CReportDlg::OnContextMenu);

    m_labelHint = layout.AddStaticText(*this, strHint, Qt::AlignHCenter, 62, 173, 270, 8);

    m_rectList = m_listReport->geometry();
    m_rectClose = m_buttonClose->geometry();
    m_rectHint = m_labelHint->geometry();

    for (int i = 0; i < static_cast<int>(m_imageList.size()); ++i) {
        m_imageList[i] = QIcon(QStringLiteral(":/icons/%1.png").arg(kFirstStateIconId + i));
    }
    m_conflictImage = WithConflictMark(m_imageList[Modified]);
}

void CReportDlg::showEvent(QShowEvent* event) {
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CReportDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (m_labelHint == nullptr) {
        return;
    }
    // The list takes the room the dialog gains; the button and the text below it stay centred under
    // it, at the bottom.
    const QSize gained = size() - minimumSize();
    const int iOldWidth = m_listReport->width();
    m_listReport->setGeometry(m_rectList.adjusted(0, 0, gained.width(), gained.height()));
    m_buttonClose->setGeometry(m_rectClose.translated(gained.width() / 2, gained.height()));
    m_labelHint->setGeometry(m_rectHint.translated(gained.width() / 2, gained.height()));
    if (m_bInitialised) {
        QHeaderView* header = m_listReport->header();
        header->resizeSection(ColumnRepos,
                              header->sectionSize(ColumnRepos) + m_listReport->width() - iOldWidth);
    }
}

bool CReportDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_listReport->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouseEvent = static_cast<QMouseEvent*>(event);
        if (mouseEvent->button() == Qt::LeftButton) {
            OnDblclkListReport(mouseEvent->position().toPoint());
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CReportDlg::OnInitDialog() {
    m_listReport->clear();
    SetUpColumns();
    AddRows();
}

void CReportDlg::SetUpColumns() {
    // The template's widths, from the list's width at the template's size; the first column also
    // takes what the list has gained since.
    const int W = m_rectList.width();
    const struct {
        const char* heading;
        Qt::Alignment alignment;
        int width;
    } columns[] = {
        {"Repos", Qt::AlignHCenter, (W - 3) / 3},
        {"State", Qt::AlignHCenter, (W - 3) / 4},
        {"Last author", Qt::AlignLeft, (W - 5) / 4},
        {"Checked at", Qt::AlignLeft, (W - 5) / 3},
    };
    m_listReport->setColumnCount(4);
    QTreeWidgetItem* header = m_listReport->headerItem();
    for (int i = 0; i < 4; ++i) {
        header->setText(i, QString::fromLatin1(columns[i].heading));
        header->setTextAlignment(i, columns[i].alignment | Qt::AlignVCenter);
    }
    // The columns are wider together than the list, which then scrolls sideways.
    m_listReport->header()->setStretchLastSection(false);
    m_listReport->header()->setSectionsMovable(false);
    for (int i = 0; i < 4; ++i) {
        m_listReport->header()->resizeSection(i, columns[i].width);
    }
    m_listReport->header()->resizeSection(ColumnRepos,
                                          columns[ColumnRepos].width + m_listReport->width() - W);
}

void CReportDlg::AddRows() {
    m_Records = m_watchdog.Records();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(m_Records.size()));
    for (const CSVNPath& record : m_Records) {
        auto* row = new QTreeWidgetItem;
        ShowRecord(*row, record);
        row->setTextAlignment(ColumnRepos, Qt::AlignHCenter | Qt::AlignVCenter);
        row->setTextAlignment(ColumnState, Qt::AlignHCenter | Qt::AlignVCenter);
        rows.append(row);
    }
    // Inserted all at once and sorted once: sorting after each insert would make a long list slow.
    m_listReport->addTopLevelItems(rows);
    m_listReport->sortItems(ColumnRepos, Qt::AscendingOrder);
}

void CReportDlg::ShowRecord(QTreeWidgetItem& row, const CSVNPath& record) {
    row.setText(ColumnRepos, record.m_strPath);
    row.setText(ColumnState, StateText(record.m_iState));
    row.setText(ColumnLastAuthor, record.m_strLastAuthor);
    row.setText(ColumnCheckedAt, record.m_strCheckedAt);
    const bool bConflictAhead = record.m_iState == Modified && ConflictCount(record.m_Changes) > 0;
    row.setIcon(ColumnRepos, bConflictAhead ? m_conflictImage : m_imageList[StateImage(record.m_iState)]);
    // A tool tip that looks like markup would be shown as markup: svn's texts are made plain first.
    // The folder in full, whose middle its column may hide; then why a check failed, or what a
    // modified copy lacks, after the external that did not answer.
    const QStringList lines =
        QStringList{record.m_strPath} +
        (record.m_strReason.isEmpty() ? QStringList() : QStringList{record.m_strReason}) +
        SummaryLines(record.m_Changes) + PredictionLines(record.m_Changes);
    const QString tip = Qt::convertFromPlainText(lines.join(QLatin1Char('\n')));
    for (int column = ColumnRepos; column <= ColumnCheckedAt; ++column) {
        row.setToolTip(column, tip);
    }
}

void CReportDlg::RefreshFolder(const QString& strPath) {
    const std::vector<CSVNPath> records = m_watchdog.Records();
    const auto latest = std::find_if(records.begin(), records.end(), [&strPath](const CSVNPath& record) {
        return record.m_strPath == strPath;
    });
    if (latest == records.end()) {
        return;
    }
    for (CSVNPath& record : m_Records) {
        if (record.m_strPath == strPath) {
            record = *latest;
        }
    }
    for (int i = 0; i < m_listReport->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = m_listReport->topLevelItem(i);
        if (row->text(ColumnRepos) == strPath) {
            ShowRecord(*row, *latest);
        }
    }
}

const CSVNPath* CReportDlg::RecordOf(const QString& strPath) const {
    const auto found = std::find_if(m_Records.begin(), m_Records.end(), [&strPath](const CSVNPath& record) {
        return record.m_strPath == strPath;
    });
    return found == m_Records.end() ? nullptr : &*found;
}

void CReportDlg::OnDblclkListReport(const QPoint& position) {
    if (const QTreeWidgetItem* row = m_listReport->itemAt(position)) {
        UpdateFolder(row->text(ColumnRepos));
    }
}

void CReportDlg::OnContextMenu(const QPoint& position) {
    const QTreeWidgetItem* row = m_listReport->itemAt(position);
    if (row == nullptr) {
        return;
    }
    const QString strPath = row->text(ColumnRepos);
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QStringLiteral("Update"), this, [this, strPath] { UpdateFolder(strPath); });
    menu->addAction(QStringLiteral("Check now"), this, [this, strPath] { CheckFolderNow(strPath); });
    QMenu* every = menu->addMenu(QStringLiteral("Check every"));
    const int iCurrent = m_watchdog.GetInterval(strPath);
    for (const auto& interval : kIntervals) {
        QAction* choice = every->addAction(
            QString::fromLatin1(interval.text), this,
            [this, strPath, iMinutes = interval.minutes] { CheckFolderEvery(strPath, iMinutes); });
        choice->setCheckable(true);
        choice->setChecked(interval.minutes == iCurrent);
    }
    QAction* changes =
        menu->addAction(QStringLiteral("Changes"), this, [this, strPath] { ShowChanges(strPath); });
    const CSVNPath* record = RecordOf(strPath);
    changes->setEnabled(record != nullptr && !record->m_Changes.m_Revisions.empty());
    menu->addAction(QStringLiteral("Open folder"), this, [this, strPath] { OpenFolder(strPath); });
    menu->popup(m_listReport->viewport()->mapToGlobal(position));
}

void CReportDlg::UpdateFolder(const QString& strPath) {
    m_launcher.StartUpdate(strPath, this);
    // The folder is shown as waiting for its next check; its state text stays.
    for (int i = 0; i < m_listReport->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = m_listReport->topLevelItem(i);
        if (row->text(ColumnRepos) == strPath) {
            row->setIcon(ColumnRepos, m_imageList[Waiting]);
        }
    }
}

void CReportDlg::CheckFolderNow(const QString& strPath) {
    m_checker.CheckNow(strPath, [report = QPointer<CReportDlg>(this), strPath] {
        if (report) {
            report->RefreshFolder(strPath);
        }
    });
}

bool CReportDlg::CheckFolderEvery(const QString& strPath, int iMinutes) {
    return m_watchdog.SetInterval(strPath, iMinutes);
}

void CReportDlg::ShowChanges(const QString& strPath) {
    const CSVNPath* record = RecordOf(strPath);
    if (record == nullptr || record->m_Changes.m_Revisions.empty()) {
        return;
    }
    auto* window = new CChangesWindow(strPath, record->m_Changes, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

void CReportDlg::OpenFolder(const QString& strPath) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(strPath));
}
