#pragma once

#include "app/valuetransformer.h"

// True when there is no list or the list is empty.
class IsNotEmptyArray : public ValueTransformer {
public:
    QMetaType transformedValueClass() const override;
    bool allowsReverseTransformation() const override { return false; }
    QVariant transformedValue(const QVariant& value) const override;
};
