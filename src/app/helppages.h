#pragma once

#include <QString>
#include <QStringList>

// Our own help pages: HTML files in one folder per language ("en", "de"),
// installed with the program under <prefix>/share/korvalane/help and copied
// beside it into "help" in the build tree. Both are found from where the
// program is, wherever its prefix or build folder was moved; the source tree
// the program was built from is the last place looked at.
namespace HelpPages {

enum class Page { HowTo, MainWindow, SearchWindow, Menu, Support };

// The file name of a page inside a language folder.
QString fileName(Page page);
// The help folder found (without the language) for the program running,
// or an empty text when none is there.
QString folder();
// The same for a program in `programFolder`.
QString folderFor(const QString& programFolder);
// The page's file address with "%1" where the language code goes; empty when no help is installed.
QString addressFormat(Page page);
// "de" when the first preferred language is German, "en" otherwise.
QString languageCode(const QStringList& preferredLanguages);

}  // namespace HelpPages
