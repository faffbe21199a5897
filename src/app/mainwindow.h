#pragma once

#include <QMainWindow>
#include <QStringList>

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    void openFiles(const QStringList& paths);
};
