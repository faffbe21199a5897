#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The text for `key` in the user's language (English or German tables in
// resources/strings/); a key without a translation comes back as itself.
QString localized(const QString& key);
// The same text with "%1", "%2", ... replaced by `arguments` in one pass, so
// that an argument holding "%2" (a file name may) stays as it is; a number
// without an argument stays too, and an optional sentence left empty at the
// end takes the space before it along.
QString localized(const QString& key, const QStringList& arguments);

// The language of the tables in use ("en" or "de"). Setting it also gives
// Qt's own texts that language; any language but "de" is English.
QString localizationLanguage();
void setLocalizationLanguage(const QString& language);

}  // namespace platform
