#include "app/isnotemptyarray.h"

#include <QVariantList>

QMetaType IsNotEmptyArray::transformedValueClass() const
{
    return QMetaType::fromType<bool>();
}

QVariant IsNotEmptyArray::transformedValue(const QVariant& value) const
{
    // True means "empty".
    if (!value.isValid() || value.isNull())
        return true;
    if (value.canConvert<QVariantList>())
        return value.value<QVariantList>().isEmpty();
    return false;
}
