#pragma once

#include <QString>

// A failure reported by the tagging operations: the message itself is the
// domain (so callers can show or log it as it stands) and the code is 1.
struct TaggingError {
    QString domain;
    int code = 1;

    static TaggingError withMessage(const QString& message) { return TaggingError{message, 1}; }
    bool operator==(const TaggingError&) const = default;
};
