#include "ui/CChangesWindow.h"

#include "svn/CSubAutomation.h"

#include <QDateTime>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>
#include <utility>

namespace {

// svn's time stamp in the user's own time, or as svn wrote it when it does not read.
QString LocalDate(const QString& strDate) {
    const QDateTime when = QDateTime::fromString(strDate, Qt::ISODateWithMs);
    return when.isValid() ? when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : strDate;
}

QPlainTextEdit* NewTextView(QWidget* parent) {
    auto* view = new QPlainTextEdit(parent);
    view->setReadOnly(true);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    return view;
}

} // namespace

CChangesWindow::CChangesWindow(const QString& strPath, SVNChanges changes, QWidget* parent)
    : QDialog(parent), m_Changes(std::move(changes)), m_pRevisions(new QListWidget(this)),
      m_pDetails(NewTextView(this)), m_pDiff(NewTextView(this)),
      m_pDiffButton(new QPushButton(QStringLiteral("Show &diff"), this)) {
    setWindowTitle(QStringLiteral("Corvane : Changes"));
    setModal(false);

    auto* pathLabel = new QLabel(this);
    pathLabel->setTextFormat(Qt::PlainText);
    pathLabel->setText(strPath);
    pathLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    for (const SVNLogEntry& entry : m_Changes.m_Revisions)
        m_pRevisions->addItem(SummaryLine(entry));
    m_pDetails->setObjectName(QStringLiteral("details"));
    m_pDiff->setObjectName(QStringLiteral("diff"));
    m_pDiff->hide();

    auto* views = new QSplitter(Qt::Vertical, this);
    views->addWidget(m_pRevisions);
    views->addWidget(m_pDetails);
    views->addWidget(m_pDiff);
    views->setSizes({90, 200, 230});
    auto* closeButton = new QPushButton(QStringLiteral("&Close"), this);
    closeButton->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pDiffButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pathLabel);
    layout->addWidget(views, 1);
    layout->addLayout(buttons);
    resize(720, 520);

    connect(m_pRevisions, &QListWidget::currentRowChanged, this, &CChangesWindow::OnRevisionChanged);
    connect(m_pDiffButton, &QPushButton::clicked, this, &CChangesWindow::ShowDiff);
    connect(closeButton, &QPushButton::clicked, this, &CChangesWindow::accept);
    m_pDiffButton->setEnabled(false);
    SelectRevision(0);
}

CChangesWindow::~CChangesWindow() = default;

void CChangesWindow::SelectRevision(int iRow) {
    if (iRow >= 0 && iRow < m_pRevisions->count())
        m_pRevisions->setCurrentRow(iRow);
}

void CChangesWindow::OnRevisionChanged(int iRow) {
    const bool bValid = iRow >= 0 && static_cast<std::size_t>(iRow) < m_Changes.m_Revisions.size();
    m_pDiffButton->setEnabled(bValid);
    m_pDetails->setObjectName(QStringLiteral("details"));
    m_pDiff->setObjectName(QStringLiteral("diff"));
    m_pDiff->hide();
    if (!bValid)
        return;
    const SVNLogEntry& entry = m_Changes.m_Revisions[static_cast<std::size_t>(iRow)];
    m_strShownRevision = entry.m_strRevision;
    m_strShownUrl = entry.m_strUrl.isEmpty() ? m_Changes.m_strUrl : entry.m_strUrl;
    m_pDetails->setPlainText(Details(entry));
}

QString CChangesWindow::Details(const SVNLogEntry& entry) {
    QString text =
        QStringLiteral("Revision: r%1\nAuthor: %2\nDate: %3\n\n%4\n")
            .arg(entry.m_strRevision, entry.m_strAuthor, LocalDate(entry.m_strDate), entry.m_strMessage);
    if (!entry.m_ChangedPaths.empty()) {
        text += QStringLiteral("\nChanged paths:\n");
        for (const SVNChangedPath& path : entry.m_ChangedPaths)
            text += QStringLiteral("   %1 %2\n").arg(path.m_strAction, path.m_strPath);
    }
    return text;
}

void CChangesWindow::ShowDiff() {
    if (m_strShownRevision.isEmpty())
        return;
    m_pDiff->setPlainText(tr("Asking svn for the diff of r%1 ...").arg(m_strShownRevision));
    m_pDiff->show();
    // A diff still under way for another revision is ended first: its svn is killed at once.
    m_DiffRun =
        std::jthread([this, url = m_strShownUrl, revision = m_strShownRevision](std::stop_token stop) {
            const std::string output = CSubAutomation(kDefaultRunTimeLimit, stop).GetDiff(url, revision);
            if (stop.stop_requested())
                return;
            QString diff = QString::fromLocal8Bit(output.data(), static_cast<qsizetype>(output.size()));
            if (output.size() > kDefaultOutputLimit)
                diff = QString::fromLocal8Bit(output.data(), static_cast<qsizetype>(kDefaultOutputLimit)) +
                       tr("\n[The diff is longer than 1 MiB; the rest is not shown.]\n");
            else if (output.empty())
                diff = tr("svn gave no diff for r%1.").arg(revision);
            DeliverDiff(revision, diff);
        });
}

void CChangesWindow::DeliverDiff(const QString& strRevision, const QString& strDiff) {
    QMetaObject::invokeMethod(
        this, [this, strRevision, strDiff] { OnDiff(strRevision, strDiff); }, Qt::QueuedConnection);
}

void CChangesWindow::OnDiff(const QString& strRevision, const QString& strDiff) {
    if (strRevision != m_strShownRevision)
        return;
    m_pDiff->setPlainText(strDiff);
    emit DiffShown();
}
