#pragma once

#include "app/valuetransformer.h"

// A picture format (0 to 3) to its label, and back.
class HDVideoTransformer : public ValueTransformer {
public:
    QMetaType transformedValueClass() const override;
    bool allowsReverseTransformation() const override { return true; }
    QVariant transformedValue(const QVariant& value) const override;
    QVariant reverseTransformedValue(const QVariant& value) const override;
};
