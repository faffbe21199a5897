#pragma once

#include <QJsonValue>
#include <QString>

#include <optional>

namespace online {

// Reading scalars of a parsed JSON reply the way a loosely typed client
// would, but without trusting the types: numbers and numeric texts give an
// integer, null, arrays and objects give none.
std::optional<qint64> jsonInteger(const QJsonValue& value);

// true/false, numbers (non-zero is true) and texts that start with Y, T or a
// non-zero digit; none for null, arrays and objects.
std::optional<bool> jsonBool(const QJsonValue& value);

// The value as it reads in a log line: numbers without a needless fraction,
// texts as they are, anything else as compact JSON.
QString jsonDescription(const QJsonValue& value);

// The leading integer of a text: white space, an optional sign, then digits up
// to the first other character; 0 when there are none. Saturates instead of
// overflowing.
qint64 leadingInteger(const QString& text);

}  // namespace online
