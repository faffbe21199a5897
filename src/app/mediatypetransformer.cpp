#include "app/mediatypetransformer.h"

#include "platform/localized.h"

#include <array>
#include <utility>

namespace {

constexpr qint64 kMovie = 9;

// Media types with a label of their own; every other type is shown as a movie.
const std::array<std::pair<qint64, const char*>, 4> kLabels = {{
    {0, "mediaTypeHomeVideo"},
    {6, "mediaTypeMusicVideo"},
    {10, "mediaTypeTVShow"},
    {21, "mediaTypePodcast"},
}};

}  // namespace

QMetaType MediaTypeTransformer::transformedValueClass() const
{
    return QMetaType::fromType<qint64>();
}

QVariant MediaTypeTransformer::transformedValue(const QVariant& value) const
{
    const std::optional<qint64> type = integerOf(value);
    if (!type)
        return {};
    for (const auto& [code, key] : kLabels) {
        if (code == *type)
            return platform::localized(QString::fromLatin1(key));
    }
    return platform::localized(QStringLiteral("mediaTypeMovie"));
}

QVariant MediaTypeTransformer::reverseTransformedValue(const QVariant& value) const
{
    if (!value.isValid() || value.isNull())
        return {};
    const QString text = value.toString();
    for (const auto& [code, key] : kLabels) {
        if (text == platform::localized(QString::fromLatin1(key)))
            return code;
    }
    return kMovie;
}
