#include "app/localetransformer.h"

#include "model/languageutilities.h"

QMetaType LocaleTransformer::transformedValueClass() const
{
    return QMetaType::fromType<QString>();
}

QVariant LocaleTransformer::transformedValue(const QVariant& value) const
{
    return LanguageUtilities().localizedNameOfLocale(value.toString());
}

QVariant LocaleTransformer::reverseTransformedValue(const QVariant& value) const
{
    return LanguageUtilities().localeCodeForlocalizedName(value.toString());
}
