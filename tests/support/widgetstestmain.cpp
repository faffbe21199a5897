// Entry point of the test executables of widgets: compiled into each of
// them, so the linker never takes the QGuiApplication one from the library.
#include "support/testenvironment.h"

#include <QApplication>

int main(int argc, char** argv)
{
    return testsupport::runTests<QApplication>(argc, argv);
}
