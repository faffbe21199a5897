#include "app/isequaltotwo.h"

QMetaType IsEqualToTwo::transformedValueClass() const
{
    return QMetaType::fromType<bool>();
}

QVariant IsEqualToTwo::transformedValue(const QVariant& value) const
{
    bool ok = false;
    const double number = value.isValid() ? value.toDouble(&ok) : 0.0;
    return ok && number == 2.0;
}
