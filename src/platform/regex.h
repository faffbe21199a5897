#pragma once

#include <QRegularExpression>
#include <QString>

namespace platform {

// Replaces every match of `expression` in `text` by `replacementTemplate`, in
// which "$0" stands for the whole match and "$1", "$2", ... for capture groups
// (a group that did not take part gives ""), and "\" makes the next
// character literal. Like ICU, "$12" is group 12 only if the expression has
// that many groups, otherwise group 1 followed by "2". An invalid expression
// leaves the text unchanged.
QString replaceAllMatches(const QString& text, const QRegularExpression& expression,
                          const QString& replacementTemplate);

}  // namespace platform
