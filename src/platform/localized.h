#pragma once

#include <QString>

namespace platform {

// The text for `key` in the user's language (English or German tables in
// resources/strings/); a key without a translation comes back as itself.
QString localized(const QString& key);

// The language of the tables in use ("en" or "de"). Setting it also gives
// Qt's own texts that language; any language but "de" is English.
QString localizationLanguage();
void setLocalizationLanguage(const QString& language);

}  // namespace platform
