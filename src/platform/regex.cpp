#include "regex.h"

namespace platform {

namespace {

QString expandTemplate(const QString& replacementTemplate, const QRegularExpressionMatch& match, int groupCount)
{
    QString out;
    const qsizetype length = replacementTemplate.size();
    for (qsizetype i = 0; i < length; ++i) {
        const QChar c = replacementTemplate.at(i);
        if (c == u'\\' && i + 1 < length) {
            out += replacementTemplate.at(++i);
            continue;
        }
        if (c != u'$' || i + 1 >= length || !replacementTemplate.at(i + 1).isDigit()) {
            out += c;
            continue;
        }
        // Take the longest run of digits that still names an existing group.
        int group = replacementTemplate.at(++i).digitValue();
        while (i + 1 < length && replacementTemplate.at(i + 1).isDigit()) {
            const int longer = group * 10 + replacementTemplate.at(i + 1).digitValue();
            if (longer > groupCount)
                break;
            group = longer;
            ++i;
        }
        if (group <= groupCount)
            out += match.captured(group);
    }
    return out;
}

}  // namespace

QString replaceAllMatches(const QString& text, const QRegularExpression& expression, const QString& replacementTemplate)
{
    if (!expression.isValid())
        return text;
    const int groupCount = expression.captureCount();
    QString out;
    qsizetype copied = 0;
    auto matches = expression.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        out += QStringView(text).mid(copied, match.capturedStart() - copied);
        out += expandTemplate(replacementTemplate, match, groupCount);
        copied = match.capturedEnd();
    }
    out += QStringView(text).mid(copied);
    return out;
}

}  // namespace platform
