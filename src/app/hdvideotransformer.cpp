#include "app/hdvideotransformer.h"

#include <QStringList>

namespace {

// The labels by picture format; the position is the value.
const QStringList& labels()
{
    static const QStringList names = {"SD 480p", "HD 720p", "HD 1080p", "HD 2160p"};
    return names;
}

}  // namespace

QMetaType HDVideoTransformer::transformedValueClass() const
{
    return QMetaType::fromType<QString>();
}

QVariant HDVideoTransformer::transformedValue(const QVariant& value) const
{
    if (!value.isValid() || value.isNull())
        return {};
    const qint64 format = integerOf(value).value_or(0);
    return labels().value(format >= 1 && format <= 3 ? format : 0);
}

QVariant HDVideoTransformer::reverseTransformedValue(const QVariant& value) const
{
    if (!value.isValid() || value.isNull())
        return {};
    const QString text = value.toString();
    for (qint64 format = 1; format < labels().size(); ++format) {
        if (text.startsWith(labels().at(format)))
            return format;
    }
    return qint64(0);
}
