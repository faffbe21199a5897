#pragma once

#include "app/valuetransformer.h"

#include <QImage>

// A record status (0 to 3) to its status light, and back.
class StatusToLedImage : public ValueTransformer {
public:
    QMetaType transformedValueClass() const override;
    bool allowsReverseTransformation() const override { return true; }
    QVariant transformedValue(const QVariant& value) const override;
    QVariant reverseTransformedValue(const QVariant& value) const override;

    // The light of a status: 0 none (grey), 1 unavailable (red), 2 partially
    // available (yellow), 3 available (green); loaded once, shared by every caller.
    static const QImage& ledImage(qint64 status);
};
