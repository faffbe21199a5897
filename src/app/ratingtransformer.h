#pragma once

#include "app/valuetransformer.h"

// A stored rating string to its position in the search country's rating chooser, and back.
class RatingTransformer : public ValueTransformer {
public:
    QMetaType transformedValueClass() const override;
    bool allowsReverseTransformation() const override { return true; }
    QVariant transformedValue(const QVariant& value) const override;
    QVariant reverseTransformedValue(const QVariant& value) const override;
};
