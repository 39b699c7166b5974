// The smallest tray program Qt makes: one icon with a one-item menu, and nothing else. The idle
// benchmark runs it beside Corvane on the same tray to tell Corvane's own cost from Qt's.
#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return 1;
    QPixmap picture(16, 16);
    picture.fill(Qt::darkCyan);
    QMenu menu;
    QObject::connect(menu.addAction(QStringLiteral("Quit")), &QAction::triggered, &application,
                     &QApplication::quit);
    QSystemTrayIcon icon{QIcon(picture)};
    icon.setContextMenu(&menu);
    icon.show();
    return QApplication::exec();
}
