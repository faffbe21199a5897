#include "app/explicittransformer.h"

QMetaType ExplicitTransformer::transformedValueClass() const
{
    return QMetaType::fromType<qint64>();
}

QVariant ExplicitTransformer::transformedValue(const QVariant& value) const
{
    // Stored 2 is "Clean"; 1 and the old mark 4 are "Explicit".
    switch (integerOf(value).value_or(0)) {
        case 2:
            return qint64(1);
        case 1:
        case 4:
            return qint64(2);
        default:
            return qint64(0);
    }
}

QVariant ExplicitTransformer::reverseTransformedValue(const QVariant& value) const
{
    switch (integerOf(value).value_or(0)) {
        case 1:
            return qint64(2);
        case 2:
            return qint64(1);
        default:
            return qint64(0);
    }
}
