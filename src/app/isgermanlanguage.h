#pragma once

#include "app/valuetransformer.h"

// True unless the value is the language code "de".
class IsGermanLanguage : public ValueTransformer {
public:
    QMetaType transformedValueClass() const override;
    bool allowsReverseTransformation() const override { return false; }
    QVariant transformedValue(const QVariant& value) const override;
};
