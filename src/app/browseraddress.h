#pragma once

#include <QString>
#include <QUrl>

// The services' pages for people, opened in the user's browser. A title is
// put in as one escaped value (spaces, letters outside ASCII and "&", "?",
// "#", "/" included), so that it can neither end the value nor start a new
// one: "Fast & Furious" searches for the whole title.
namespace BrowserAddress {

// The chapter database's browse page for `title`; the plain browse page for no title.
QUrl chapterDbBrowsePage(const QString& host, const QString& title);
// The subtitle service's search page for `title` in `language`; the site's start page for no title.
QUrl subtitleSearchPage(const QString& webHost, const QString& language, const QString& title);

}  // namespace BrowserAddress
