#include "app/helppages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace HelpPages {

QString fileName(Page page)
{
    switch (page) {
        case Page::HowTo:
            return QStringLiteral("index.html");
        case Page::MainWindow:
            return QStringLiteral("mainwindow.html");
        case Page::SearchWindow:
            return QStringLiteral("search.html");
        case Page::Menu:
            return QStringLiteral("menus.html");
        case Page::Support:
            return QStringLiteral("support.html");
    }
    return {};
}

QString folder()
{
    return folderFor(QCoreApplication::applicationDirPath());
}

QString folderFor(const QString& programFolder)
{
    const QStringList candidates{
        programFolder + QStringLiteral("/help"),
        programFolder + QStringLiteral("/../" KORVALANE_INSTALLED_HELP),
        QStringLiteral(KORVALANE_SOURCE_HELP),
    };
    for (const QString& candidate : candidates)
        if (QFileInfo(candidate + QStringLiteral("/en/index.html")).isFile())
            return QDir::cleanPath(candidate);
    return {};
}

QString addressFormat(Page page)
{
    const QString found = folder();
    if (found.isEmpty())
        return {};
    // The folder is escaped as an address first, so only the "%1" is left to fill in.
    return QUrl::fromLocalFile(found).toString(QUrl::FullyEncoded) + QStringLiteral("/%1/") + fileName(page);
}

QString languageCode(const QStringList& preferredLanguages)
{
    if (!preferredLanguages.isEmpty() && preferredLanguages.first().left(2).toLower() == QStringLiteral("de"))
        return QStringLiteral("de");
    return QStringLiteral("en");
}

}  // namespace HelpPages
