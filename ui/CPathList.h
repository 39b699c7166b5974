#pragma once

#include <QStringList>
#include <QTreeWidget>

class QMimeData;

// The watch list's one-column list of paths, kept in ascending order, each as the system writes it.
// Files and folders dropped on it from a file manager are added, except names that a line of the
// list file cannot hold (a blank at either end, a line break), which are refused; a double-click
// removes the first selected path, the Delete key every selected one.
class CPathList final : public QTreeWidget {
    Q_OBJECT

public:
    explicit CPathList(QWidget* parent = nullptr);

    // Replaces the items by these paths, sorted once.
    void SetPaths(const QStringList& paths);
    // Inserts the path in its sorted place and brings it into view; returns its row.
    int AddPathItem(const QString& strPath);
    // Adds each of these paths that the list file can hold, duplicates too, and tells of the others.
    void AddPaths(const QStringList& paths);
    // The paths in display order.
    QStringList Paths() const;

signals:
    // These dropped names were not added: the list file cannot hold them.
    void NamesRefused(const QStringList& names);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Keeps the items in ascending order from now on; the heading cannot change it.
    void SortAscending();
    // Adds the local files and folders of the drop, as AddPaths does; false when it held none.
    bool OnDropFiles(const QMimeData& mimeData);
    // Removes the first selected item, without asking; nothing without a selection.
    void OnNMDblclk();
    // Removes every selected item, without asking.
    void OnDeleteKey();
};
