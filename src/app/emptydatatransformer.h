#pragma once

#include "app/valuetransformer.h"

// The working-folder bookmark setting to the folder's path, when it still resolves.
class EmptyDataTransformer : public ValueTransformer {
public:
    QMetaType transformedValueClass() const override;
    bool allowsReverseTransformation() const override { return false; }
    QVariant transformedValue(const QVariant& value) const override;
};
