#pragma once

#include "app/valuetransformer.h"

// A two-letter language code to its display name, and back ("en" for an unknown name).
class LanguageTransformer : public ValueTransformer {
public:
    QMetaType transformedValueClass() const override;
    bool allowsReverseTransformation() const override { return true; }
    QVariant transformedValue(const QVariant& value) const override;
    QVariant reverseTransformedValue(const QVariant& value) const override;
};
