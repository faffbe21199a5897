#pragma once

#include "app/valuetransformer.h"

// The poster size setting (0 small, 1 medium, else large) to its localised label, and back.
class CoverSizeTransformer : public ValueTransformer {
public:
    QMetaType transformedValueClass() const override;
    bool allowsReverseTransformation() const override { return true; }
    QVariant transformedValue(const QVariant& value) const override;
    QVariant reverseTransformedValue(const QVariant& value) const override;
};
