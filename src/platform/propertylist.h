#pragma once

#include <QByteArray>
#include <QVariant>

#include <optional>

namespace platform {

// Property lists in any format libplist reads (XML, binary) as QVariant:
// dict -> QVariantMap, array -> QVariantList, string -> QString,
// integer -> qint64, real -> double, boolean -> bool, date -> QDateTime (UTC),
// data -> QByteArray. Malformed input gives nullopt.
std::optional<QVariant> parsePropertyList(const QByteArray& data);

// `value` as an XML property list. Maps, lists, strings, integers, reals,
// booleans, dates and byte arrays are written; a value of any other type
// (or an invalid QVariant) anywhere inside gives nullopt. Characters that
// XML 1.0 cannot carry are left out of texts and keys, so the list reads back.
std::optional<QByteArray> xmlPropertyList(const QVariant& value);

}  // namespace platform
