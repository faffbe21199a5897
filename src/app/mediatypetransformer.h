#pragma once

#include "app/valuetransformer.h"

// A record's media type to its localised label, and back (the movie type for anything else).
class MediaTypeTransformer : public ValueTransformer {
public:
    QMetaType transformedValueClass() const override;
    bool allowsReverseTransformation() const override { return true; }
    QVariant transformedValue(const QVariant& value) const override;
    QVariant reverseTransformedValue(const QVariant& value) const override;
};
