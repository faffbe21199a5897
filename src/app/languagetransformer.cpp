#include "app/languagetransformer.h"

#include "model/languageutilities.h"

QMetaType LanguageTransformer::transformedValueClass() const
{
    return QMetaType::fromType<QString>();
}

QVariant LanguageTransformer::transformedValue(const QVariant& value) const
{
    return LanguageUtilities().localizedNameOfLanguage(value.toString());
}

QVariant LanguageTransformer::reverseTransformedValue(const QVariant& value) const
{
    return LanguageUtilities().languageCodeForlocalizedName(value.toString());
}
