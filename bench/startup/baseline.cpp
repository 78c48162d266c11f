// The least a Qt Widgets program with a main window does before its window appears: a menu bar
// of three menus and a status bar of three labels, nothing read from disk. Startup times of the
// diary are measured against this.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Baseline"));
    for (const QString &title :
         {QStringLiteral("File"), QStringLiteral("View"), QStringLiteral("Help")}) {
        QMenu *menu = window.menuBar()->addMenu(title);
        menu->addAction(title + QStringLiteral(" item"));
    }
    for (const QString &text :
         {QStringLiteral("Entries - 0"), QStringLiteral("Today"), QStringLiteral("00:00:00")})
        window.statusBar()->addWidget(new QLabel(text));
    window.resize(247, 436);
    window.show();

    return app.exec();
}
