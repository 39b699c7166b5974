#include "ui/CPathList.h"

#include "platform/PathNames.h"
#include "settings/CPathListFile.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

namespace {

// The local paths a drop carries, each whole; a trailing '/' (as some file managers send for
// folders) is dropped, since a watched folder is looked up by its own name.
QStringList DroppedPaths(const QMimeData& mimeData) {
    QStringList paths;
    if (!mimeData.hasUrls()) {
        return paths;
    }
    const QList<QUrl> urls = mimeData.urls();
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) {
            continue;
        }
        QString strPath = url.toLocalFile();
        while (strPath.size() > 1 && strPath.endsWith(QLatin1Char('/'))) {
            strPath.chop(1);
        }
        paths.append(strPath);
    }
    return paths;
}

} // namespace

CPathList::CPathList(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);

    SortAscending();
}

void CPathList::SetPaths(const QStringList& paths) {
    // Filled unsorted and sorted once: sorting after each insert would make a long list slow.
    setSortingEnabled(false);
    clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(paths.size());
    for (const QString& strPath : paths) {
        items.append(new QTreeWidgetItem(QStringList{strPath}));
    }
    addTopLevelItems(items);
    SortAscending();
}

int CPathList::AddPathItem(const QString& strPath) {
    auto* item = new QTreeWidgetItem(QStringList{strPath});
    addTopLevelItem(item);
    scrollToItem(item);
    return indexOfTopLevelItem(item);
}

QStringList CPathList::Paths() const {
    QStringList paths;
    paths.reserve(topLevelItemCount());
    for (int i = 0; i < topLevelItemCount(); ++i) {
        paths.append(topLevelItem(i)->text(0));
    }
    return paths;
}

void CPathList::SortAscending() {
    header()->setSortIndicator(0, Qt::AscendingOrder);
    setSortingEnabled(true);
    header()->setSortIndicatorShown(false);
    header()->setSectionsClickable(false);
}

void CPathList::dragEnterEvent(QDragEnterEvent* event) {
    if (DroppedPaths(*event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void CPathList::dragMoveEvent(QDragMoveEvent* event) {
    if (DroppedPaths(*event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void CPathList::dropEvent(QDropEvent* event) {
    if (!OnDropFiles(*event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void CPathList::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidget::mouseDoubleClickEvent(event);
    OnNMDblclk();
}

void CPathList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        OnDeleteKey();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CPathList::AddPaths(const QStringList& paths) {
    QStringList refused;
    for (const QString& strPath : paths) {
        const QString strNative = platform::NativePath(strPath);
        if (CPathListFile::CanHold(strNative)) {
            AddPathItem(strNative);
        } else {
            refused.append(strNative);
        }
    }
    if (!refused.isEmpty()) {
        emit NamesRefused(refused);
    }
}

bool CPathList::OnDropFiles(const QMimeData& mimeData) {
    const QStringList paths = DroppedPaths(mimeData);
    AddPaths(paths);
    return !paths.isEmpty();
}

void CPathList::OnDeleteKey() {
    qDeleteAll(selectedItems());
}

void CPathList::OnNMDblclk() {
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->isSelected()) {
            delete takeTopLevelItem(i);
            return;
        }
    }
}
