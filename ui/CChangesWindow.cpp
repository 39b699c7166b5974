#include "ui/CChangesWindow.h"

#include "git/CGitAutomation.h"
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
#include <algorithm>
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
    : QDialog(parent), m_strPath(strPath), m_Changes(std::move(changes)), m_pRevisions(new QListWidget(this)),
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
    m_strShownCommit = entry.m_strCommit;
    m_pDetails->setPlainText(Details(entry, m_Changes.m_Predictions));
}

QString CChangesWindow::Details(const SVNLogEntry& entry, const std::vector<SVNEditPrediction>& predictions) {
    QString text =
        (entry.m_strCommit.isEmpty() ? QStringLiteral("Revision: r%1\nAuthor: %2\nDate: %3\n\n%4\n")
                                     : QStringLiteral("Commit: %1\nAuthor: %2\nDate: %3\n\n%4\n"))
            .arg(entry.m_strCommit.isEmpty() ? entry.m_strRevision : entry.m_strCommit, entry.m_strAuthor,
                 LocalDate(entry.m_strDate), entry.m_strMessage);
    if (!entry.m_ChangedPaths.empty()) {
        text += QStringLiteral("\nChanged paths:\n");
        for (const SVNChangedPath& path : entry.m_ChangedPaths) {
            text += QStringLiteral("   %1 %2").arg(path.m_strAction, path.m_strPath);
            // A path that meets an edit of the user's, or holds one, says what an update would do.
            const auto edit = std::find_if(
                predictions.begin(), predictions.end(), [&](const SVNEditPrediction& prediction) {
                    return prediction.m_Revisions.contains(entry.m_strRevision) &&
                           (prediction.m_strInRepository == path.m_strPath ||
                            prediction.m_strInRepository.startsWith(path.m_strPath + QLatin1Char('/')) ||
                            path.m_strPath.startsWith(prediction.m_strInRepository + QLatin1Char('/')));
                });
            if (edit != predictions.end())
                text += QStringLiteral("   (your edit of %1: %2)").arg(edit->m_strPath, OutcomeText(*edit));
            text += QLatin1Char('\n');
        }
    }
    return text;
}

void CChangesWindow::ShowDiff() {
    if (m_strShownRevision.isEmpty())
        return;
    const bool bGit = !m_strShownCommit.isEmpty();
    const QString name = bGit ? m_strShownRevision : QStringLiteral("r") + m_strShownRevision;
    const QString tool = bGit ? QStringLiteral("git") : QStringLiteral("svn");
    m_pDiff->setPlainText(tr("Asking %1 for the diff of %2 ...").arg(tool, name));
    m_pDiff->show();
    // A diff still under way for another revision is ended first: its svn or git is killed at once.
    m_DiffRun = std::jthread([this, folder = m_strPath, url = m_strShownUrl, commit = m_strShownCommit,
                              revision = m_strShownRevision, name, tool](std::stop_token stop) {
        const std::string output = commit.isEmpty()
                                       ? CSubAutomation(kDefaultRunTimeLimit, stop).GetDiff(url, revision)
                                       : CGitAutomation(kDefaultRunTimeLimit, stop).GetShow(folder, commit);
        if (stop.stop_requested())
            return;
        // git writes UTF-8 everywhere; svn in the system's encoding.
        const qsizetype shown = static_cast<qsizetype>(std::min(output.size(), kDefaultOutputLimit));
        QString diff = commit.isEmpty() ? QString::fromLocal8Bit(output.data(), shown)
                                        : QString::fromUtf8(output.data(), shown);
        if (output.size() > kDefaultOutputLimit)
            diff += tr("\n[The diff is longer than 1 MiB; the rest is not shown.]\n");
        else if (output.empty())
            diff = tr("%1 gave no diff for %2.").arg(tool, name);
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
