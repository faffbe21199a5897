#include "app/valuetransformer.h"

QVariant ValueTransformer::reverseTransformedValue(const QVariant& value) const
{
    return value;
}

std::optional<QVariant> ValueTransformer::acceptedReverseValue(const QVariant& value) const
{
    return reverseTransformedValue(value);
}

std::optional<qint64> ValueTransformer::integerOf(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return static_cast<qint64>(number);
}
