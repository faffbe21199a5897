#pragma once

#include "app/valuetransformer.h"

// True when the value is the number 2.
class IsEqualToTwo : public ValueTransformer {
public:
    QMetaType transformedValueClass() const override;
    bool allowsReverseTransformation() const override { return false; }
    QVariant transformedValue(const QVariant& value) const override;
};
