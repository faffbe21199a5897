#include "app/emptycovertransformer.h"

#include "model/moviemodel.h"

using Cover = platform::PicturePtr;

const Cover& EmptyCoverTransformer::noCoverTemplateImage()
{
    static const Cover image = platform::Picture::fromFile(QStringLiteral(":/images/no_cover_imageTemplate.png"));
    return image;
}

QMetaType EmptyCoverTransformer::transformedValueClass() const
{
    return QMetaType::fromType<Cover>();
}

QVariant EmptyCoverTransformer::transformedValue(const QVariant& value) const
{
    if (value.canConvert<Cover>() && value.value<Cover>() == noCoverImage())
        return QVariant::fromValue(noCoverTemplateImage());
    return value;
}

QVariant EmptyCoverTransformer::reverseTransformedValue(const QVariant& value) const
{
    if (value.canConvert<Cover>() && value.value<Cover>() == noCoverTemplateImage())
        return QVariant::fromValue(noCoverImage());
    return value;
}
