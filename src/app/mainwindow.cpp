#include "app/mainwindow.h"

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle("Korvalane");
    resize(960, 640);
}

void MainWindow::openFiles(const QStringList& paths)
{
    Q_UNUSED(paths);
}
