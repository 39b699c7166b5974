#include "ui/CNamesDlg.h"

#include "settings/CNamesFile.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

CNamesDlg::CNamesDlg(QString strNamesFile, QWidget* parent)
    : QDialog(parent), m_strNamesFile(std::move(strNamesFile)), m_pNewName(new QLineEdit(this)),
      m_pNames(new QListWidget(this)) {
    setWindowTitle(QStringLiteral("Corvane : Your names"));
    auto* about = new QLabel(
        QStringLiteral("Commits under these names are your own in every repository: they are listed, but "
                       "never announced.\nAdd the names svn cannot tell Corvane, such as those of a shared "
                       "account."),
        this);
    about->setWordWrap(true);
    m_pNewName->setPlaceholderText(QStringLiteral("A user name or e-mail address"));
    m_pNames->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* addButton = new QPushButton(QStringLiteral("&Add"), this);
    auto* removeButton = new QPushButton(QStringLiteral("&Remove"), this);
    auto* closeButton = new QPushButton(QStringLiteral("&Close"), this);
    // Enter adds the name typed, rather than closing the dialog half done.
    addButton->setDefault(true);
    closeButton->setAutoDefault(false);
    removeButton->setAutoDefault(false);

    auto* entry = new QHBoxLayout;
    entry->addWidget(m_pNewName, 1);
    entry->addWidget(addButton);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(removeButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(about);
    layout->addLayout(entry);
    layout->addWidget(m_pNames, 1);
    layout->addLayout(buttons);
    resize(420, 320);

    connect(addButton, &QPushButton::clicked, this, &CNamesDlg::OnAdd);
    connect(removeButton, &QPushButton::clicked, this, &CNamesDlg::OnRemove);
    connect(closeButton, &QPushButton::clicked, this, &CNamesDlg::OnClose);
    for (const QString& name : CNamesFile(m_strNamesFile).ReadNames())
        AddName(name);
}

bool CNamesDlg::AddName(const QString& name) {
    const QString trimmed = name.trimmed();
    if (!CNamesFile::CanHold(trimmed) || Names().contains(trimmed))
        return false;
    m_pNames->addItem(trimmed);
    return true;
}

QStringList CNamesDlg::Names() const {
    QStringList names;
    for (int row = 0; row < m_pNames->count(); ++row)
        names.append(m_pNames->item(row)->text());
    return names;
}

void CNamesDlg::OnAdd() {
    const QString name = m_pNewName->text().trimmed();
    AddName(name);
    // A name listed already is shown where it is.
    const QList<QListWidgetItem*> listed = m_pNames->findItems(name, Qt::MatchExactly);
    if (!listed.isEmpty()) {
        m_pNames->setCurrentItem(listed.front(), QItemSelectionModel::ClearAndSelect);
        m_pNewName->clear();
    }
    m_pNewName->setFocus();
}

void CNamesDlg::OnRemove() {
    qDeleteAll(m_pNames->selectedItems());
}

void CNamesDlg::OnClose() {
    if (CNamesFile(m_strNamesFile).WriteNames(Names())) {
        accept();
        return;
    }
    // A box that blocks only this dialog, never the tray icon.
    auto* box = new QMessageBox(QMessageBox::Warning, QCoreApplication::applicationName(),
                                QStringLiteral("Your names could not be saved to \"%1\".\n"
                                               "The file is unchanged.")
                                    .arg(m_strNamesFile),
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    box->open();
}
