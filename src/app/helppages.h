#pragma once

#include <QString>
#include <QStringList>

// Our own help pages: HTML files in one folder per language ("en", "de"),
// installed with the program under <prefix>/share/korvalane/help; a program
// run from its build tree finds the source tree's copy.
namespace HelpPages {

enum class Page { HowTo, MainWindow, SearchWindow, Menu, Support };

// The file name of a page inside a language folder.
QString fileName(Page page);
// The help folder found (without the language), or an empty text when none is there.
QString folder();
// The page's file address with "%1" where the language code goes; empty when no help is installed.
QString addressFormat(Page page);
// "de" when the first preferred language is German, "en" otherwise.
QString languageCode(const QStringList& preferredLanguages);

}  // namespace HelpPages
