// Entry point of every test executable but those of widgets
// (widgetstestmain.cpp): a QGuiApplication in an isolated environment.
#include "support/testenvironment.h"

#include <QGuiApplication>

int main(int argc, char** argv)
{
    return testsupport::runTests<QGuiApplication>(argc, argv);
}
