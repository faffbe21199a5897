#pragma once

#include <QMetaType>
#include <QString>
#include <QVariant>

#include <optional>

// Sits between a model value (a record field, a setting) and the control that
// shows it: forward for display, reverse for what the user enters. An absent
// value ("none") is an invalid QVariant in both directions.
class ValueTransformer {
public:
    virtual ~ValueTransformer() = default;

    // The class of value the forward conversion is declared to give.
    virtual QMetaType transformedValueClass() const = 0;
    virtual bool allowsReverseTransformation() const = 0;
    virtual QVariant transformedValue(const QVariant& value) const = 0;
    // Called only when allowsReverseTransformation(); the value unchanged by default.
    virtual QVariant reverseTransformedValue(const QVariant& value) const;

    // What an edit puts into the model: the reverse value, or nullopt when the
    // entered value is refused (text that does not parse, say). The control
    // then shows the model's value again.
    virtual std::optional<QVariant> acceptedReverseValue(const QVariant& value) const;
    // What a control that keeps a refused entry tells the user about the form
    // it takes; empty when the control should show the model's value again.
    virtual QString refusalHint() const { return {}; }

protected:
    // The value as an integer; nullopt for none or a value that is no number.
    static std::optional<qint64> integerOf(const QVariant& value);
};
