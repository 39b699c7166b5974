#include "ui/CReportDlg.h"

#include "settings/CConfigWatchdog.h"
#include "settings/SVNPathState.h"
#include "ui/CDialogTemplate.h"
#include "ui/CUpdateLauncher.h"

#include <QEvent>
#include <QHeaderView>
#include <QList>
#include <QPushButton>
#include <QTreeWidget>

namespace {

enum ReportColumn { ColumnRepos = 0, ColumnState = 1, ColumnLastAuthor = 2, ColumnCheckedAt = 3 };

constexpr int kFirstStateIconId = 139;
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

} // namespace

CReportDlg::CReportDlg(CConfigWatchdog& watchdog, CUpdateLauncher& launcher, QWidget* parent)
    : QDialog(parent), m_watchdog(watchdog), m_launcher(launcher) {
    const QString strHint = QStringLiteral("See Watchdog settings for add or remove local copies.");
    const CDialogTemplate layout(font(), {{strHint, 270}});
    layout.SetUpDialog(*this, QStringLiteral("Corvane : Report"), 394, 220);

    auto* closeButton = new QPushButton(QStringLiteral("&Close"), this);
    layout.PlaceControl(*closeButton, 1, 172, 199, 50, 14);
    closeButton->setDefault(true);
    connect(closeButton, &QPushButton::clicked, this, &CReportDlg::accept);

    m_listReport = new QTreeWidget(this);
    layout.PlaceControl(*m_listReport, IDC_LIST_REPORT, 7, 7, 380, 162);
    m_listReport->setRootIsDecorated(false);
    m_listReport->setUniformRowHeights(true);
    m_listReport->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listReport->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listReport->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listReport->setIconSize(QSize(kStateIconSize, kStateIconSize));
    m_listReport->viewport()->installEventFilter(this);

    layout.AddStaticText(*this, strHint, Qt::AlignHCenter, 62, 173, 270, 8);

    for (int i = 0; i < static_cast<int>(m_imageList.size()); ++i) {
        m_imageList[i] = QIcon(QStringLiteral(":/icons/%1.png").arg(kFirstStateIconId + i));
    }
}

void CReportDlg::showEvent(QShowEvent* event) {
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

bool CReportDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_listReport->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        OnDblclkListReport();
    }
    return QDialog::eventFilter(watched, event);
}

void CReportDlg::OnInitDialog() {
    m_listReport->clear();
    SetUpColumns();
    AddRows();
}

void CReportDlg::SetUpColumns() {
    const int W = m_listReport->width();
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
}

void CReportDlg::AddRows() {
    const std::vector<CSVNPath> records = m_watchdog.Records();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(records.size()));
    for (const CSVNPath& record : records) {
        auto* row = new QTreeWidgetItem(QStringList{record.m_strPath, StateText(record.m_iState),
                                                    record.m_strLastAuthor, record.m_strCheckedAt});
        row->setIcon(ColumnRepos, m_imageList[StateImage(record.m_iState)]);
        row->setTextAlignment(ColumnRepos, Qt::AlignHCenter | Qt::AlignVCenter);
        row->setTextAlignment(ColumnState, Qt::AlignHCenter | Qt::AlignVCenter);
        rows.append(row);
    }
    // Inserted all at once and sorted once: sorting after each insert would make a long list slow.
    m_listReport->addTopLevelItems(rows);
    m_listReport->sortItems(ColumnRepos, Qt::AscendingOrder);
}

void CReportDlg::OnDblclkListReport() {
    for (int i = 0; i < m_listReport->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = m_listReport->topLevelItem(i);
        if (row->isSelected()) {
            m_launcher.StartUpdate(row->text(ColumnRepos), this);
            // The folder is shown as waiting for its next check; its state text stays.
            row->setIcon(ColumnRepos, m_imageList[Waiting]);
            return;
        }
    }
}
