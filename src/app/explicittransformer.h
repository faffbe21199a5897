#pragma once

#include "app/valuetransformer.h"

// A record's explicit-content mark to its position in "None", "Clean", "Explicit", and back.
class ExplicitTransformer : public ValueTransformer {
public:
    QMetaType transformedValueClass() const override;
    bool allowsReverseTransformation() const override { return true; }
    QVariant transformedValue(const QVariant& value) const override;
    QVariant reverseTransformedValue(const QVariant& value) const override;
};
