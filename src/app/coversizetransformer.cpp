#include "app/coversizetransformer.h"

#include "platform/localized.h"

namespace {

QString label(const char* key)
{
    return platform::localized(QString::fromLatin1(key));
}

}  // namespace

QMetaType CoverSizeTransformer::transformedValueClass() const
{
    return QMetaType::fromType<qint64>();
}

QVariant CoverSizeTransformer::transformedValue(const QVariant& value) const
{
    const std::optional<qint64> size = integerOf(value);
    if (!size)
        return {};
    if (*size == 0)
        return label("smallCoverSize");
    return *size == 1 ? label("mediumCoverSize") : label("largeCoverSize");
}

QVariant CoverSizeTransformer::reverseTransformedValue(const QVariant& value) const
{
    if (!value.isValid() || value.isNull())
        return {};
    const QString text = value.toString();
    if (text == label("smallCoverSize"))
        return qint64(0);
    // Every reader takes any value but 0 and 1 as large.
    return text == label("mediumCoverSize") ? qint64(1) : qint64(3);
}
