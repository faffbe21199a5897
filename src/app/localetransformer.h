#pragma once

#include "app/valuetransformer.h"

// A two-letter country code to its display name, and back ("us" for an unknown name).
class LocaleTransformer : public ValueTransformer {
public:
    QMetaType transformedValueClass() const override;
    bool allowsReverseTransformation() const override { return true; }
    QVariant transformedValue(const QVariant& value) const override;
    QVariant reverseTransformedValue(const QVariant& value) const override;
};
