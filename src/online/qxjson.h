#pragma once

#include <QString>
#include <QVariantList>

#include <optional>

// The reader of the movie database's JSON replies. It keeps every scalar as
// text (numbers and the words true and false arrive as strings, null as the
// value of a pair as the empty string), because the client compares texts
// such as "0" and "true". Objects become QVariantMap, arrays QVariantList,
// scalars QString.
namespace QXJSON {

// The wrapper array holding the top-level value of `text` (one element for a
// normal document); empty for an empty text or a lone scalar; nullopt after a
// syntax error, which is logged. One pass, no recursion.
std::optional<QVariantList> QXJSONStringToObject(const QString& text);

}  // namespace QXJSON
