#pragma once

#include "app/valuetransformer.h"

#include "platform/picture.h"

#include <memory>

// The records' shared placeholder cover to the no-cover image that the window shows, and back.
class EmptyCoverTransformer : public ValueTransformer {
public:
    QMetaType transformedValueClass() const override;
    bool allowsReverseTransformation() const override { return true; }
    QVariant transformedValue(const QVariant& value) const override;
    QVariant reverseTransformedValue(const QVariant& value) const override;

    // The image shown for a record without a cover; one object, compared by pointer.
    static const platform::PicturePtr& noCoverTemplateImage();
};
