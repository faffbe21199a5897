#pragma once

#include "app/valuetransformer.h"

// A text to the built-in genre recognised in it; edits pass unchanged.
class GenreTransformer : public ValueTransformer {
public:
    QMetaType transformedValueClass() const override;
    bool allowsReverseTransformation() const override { return true; }
    QVariant transformedValue(const QVariant& value) const override;
    QVariant reverseTransformedValue(const QVariant& value) const override;
};
