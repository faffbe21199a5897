#include "app/genretransformer.h"

#include "online/moviegenre.h"

QMetaType GenreTransformer::transformedValueClass() const
{
    return QMetaType::fromType<QString>();
}

QVariant GenreTransformer::transformedValue(const QVariant& value) const
{
    const QString genre = MovieGenre::extractGenreFromString(value.toString());
    return genre.isNull() ? QVariant() : QVariant(genre);
}

QVariant GenreTransformer::reverseTransformedValue(const QVariant& value) const
{
    return value;
}
