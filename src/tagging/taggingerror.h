#pragma once

#include "mp4/error.h"

#include <QString>

#include <expected>
#include <functional>
#include <initializer_list>

// A failure reported by the tagging operations: the message itself is the
// domain (so callers can show or log it as it stands). The code is 1, or 2
// for an edit the movie file refused, which leaves the file's edits unusable.
struct TaggingError {
    static constexpr int kRefusedEdit = 2;

    QString domain;
    int code = 1;

    static TaggingError withMessage(const QString& message) { return TaggingError{message, 1}; }
    // `step` says what the edit was for, the file library's message why it was refused.
    static TaggingError refusedEdit(const QString& step, const mp4::Error& error)
    {
        return TaggingError{step + QStringLiteral(": ") + QString::fromStdString(error.message), kRefusedEdit};
    }
    bool isRefusedEdit() const { return code == kRefusedEdit; }
    bool operator==(const TaggingError&) const = default;
};

// Nothing, or the refusal of an edit of the movie file made for `step`.
template <typename T>
std::expected<void, TaggingError> checkedEdit(const mp4::Result<T>& result, const QString& step)
{
    if (result)
        return {};
    return std::unexpected(TaggingError::refusedEdit(step, result.error()));
}

using TaggingStep = std::function<std::expected<void, TaggingError>()>;

// Runs the steps in order until one fails; that failure is the answer.
inline std::expected<void, TaggingError> inOrder(std::initializer_list<TaggingStep> steps)
{
    for (const TaggingStep& step : steps)
        if (auto done = step(); !done)
            return done;
    return {};
}
