#include "app/korvalaneapp.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Korvalane");
    QApplication::setDesktopFileName("korvalane");
    KorvalaneApp korvalane;
    // Files handed over on the command line (the desktop entry passes %F).
    korvalane.launch(QApplication::arguments().mid(1));
    return app.exec();
}
