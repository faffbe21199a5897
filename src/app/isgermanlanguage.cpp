#include "app/isgermanlanguage.h"

QMetaType IsGermanLanguage::transformedValueClass() const
{
    return QMetaType::fromType<bool>();
}

QVariant IsGermanLanguage::transformedValue(const QVariant& value) const
{
    // True means "not German".
    return !(value.metaType() == QMetaType::fromType<QString>() && value.toString() == QLatin1String("de"));
}
