#include "app/ratingtransformer.h"

#include "model/contentrating.h"

QMetaType RatingTransformer::transformedValueClass() const
{
    return QMetaType::fromType<QString>();
}

QVariant RatingTransformer::transformedValue(const QVariant& value) const
{
    const qint64 index = ContentRating().indexOfRatingValue(value.toString());
    // 0 is the "---" entry.
    return index == ContentRating::NotFound ? qint64(0) : index;
}

QVariant RatingTransformer::reverseTransformedValue(const QVariant& value) const
{
    const ContentRating rating;
    const QStringList& values = rating.ratingValues();
    const qint64 index = integerOf(value).value_or(0);
    if (values.isEmpty())
        return QString();
    return index >= 0 && index < values.size() ? values.at(index) : values.first();
}
