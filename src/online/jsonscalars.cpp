#include "jsonscalars.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <limits>

namespace online {

namespace {

constexpr qint64 kMax = std::numeric_limits<qint64>::max();
constexpr qint64 kMin = std::numeric_limits<qint64>::min();

qint64 saturatedFromDouble(double number)
{
    if (std::isnan(number))
        return 0;
    // 2^63 is the first double above the range; anything at or past it saturates.
    if (number >= 9223372036854775808.0)
        return kMax;
    if (number <= -9223372036854775808.0)
        return kMin;
    return static_cast<qint64>(number);
}

}  // namespace

qint64 leadingInteger(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const int digit = text[i].unicode() - u'0';
        if (value > (kMax - digit) / 10)
            return negative ? kMin : kMax;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

std::optional<qint64> jsonInteger(const QJsonValue& value)
{
    switch (value.type()) {
        case QJsonValue::Double:
            return saturatedFromDouble(value.toDouble());
        case QJsonValue::String:
            return leadingInteger(value.toString());
        case QJsonValue::Bool:
            return value.toBool() ? 1 : 0;
        default:
            return std::nullopt;
    }
}

std::optional<bool> jsonBool(const QJsonValue& value)
{
    switch (value.type()) {
        case QJsonValue::Bool:
            return value.toBool();
        case QJsonValue::Double:
            return value.toDouble() != 0.0;
        case QJsonValue::String: {
            const QString text = value.toString().trimmed();
            if (text.isEmpty())
                return false;
            const QChar first = text[0];
            return first == u'Y' || first == u'y' || first == u'T' || first == u't' || (first >= u'1' && first <= u'9');
        }
        default:
            return std::nullopt;
    }
}

QString jsonDescription(const QJsonValue& value)
{
    switch (value.type()) {
        case QJsonValue::Double: {
            const double number = value.toDouble();
            if (std::isfinite(number) && number == std::floor(number) && std::fabs(number) < 1e15)
                return QString::number(static_cast<qint64>(number));
            return QString::number(number);
        }
        case QJsonValue::String:
            return value.toString();
        case QJsonValue::Bool:
            return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        case QJsonValue::Array:
            return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
        case QJsonValue::Object:
            return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
        default:
            return QStringLiteral("<null>");
    }
}

}  // namespace online
