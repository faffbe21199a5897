#include "online/tmdbapi_lookupsupport.h"

#include "online/jsonscalars.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace tmdblookup {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v';
}

qsizetype skipBlanks(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return i;
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

qsizetype skipDigits(QStringView text, qsizetype i)
{
    while (i < text.size() && isDigit(text[i]))
        ++i;
    return i;
}

// Sanity bounds of a poster's width-to-height ratio; outside them the reported
// value is taken as broken rather than as a strip a thousand pixels high.
constexpr double kSmallestAspectRatio = 0.1;
constexpr double kLargestAspectRatio = 10.0;
constexpr double kUsualPosterAspectRatio = 2.0 / 3.0;

bool isSaneAspectRatio(double ratio)
{
    return std::isfinite(ratio) && ratio >= kSmallestAspectRatio && ratio <= kLargestAspectRatio;
}

}  // namespace

QDateTime releaseDateFromText(const QString& text)
{
    static const QRegularExpression dayPattern(QStringLiteral("^([0-9]{1,4})-([0-9]{1,2})-([0-9]{1,2})$"));
    const QRegularExpressionMatch match = dayPattern.match(text);
    if (!match.hasMatch())
        return {};
    const QDate day(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    if (!day.isValid())
        return {};
    return QDateTime(day, QTime(12, 0), Qt::UTC);
}

int intValueOfText(QStringView text)
{
    return static_cast<int>(std::clamp<qint64>(online::leadingInteger(text.toString()), std::numeric_limits<int>::min(),
                                               std::numeric_limits<int>::max()));
}

double doubleValueOfText(QStringView text)
{
    const qsizetype start = skipBlanks(text);
    qsizetype i = start;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    const qsizetype integerEnd = skipDigits(text, i);
    qsizetype end = integerEnd;
    bool hasDigits = integerEnd > i;
    if (end < text.size() && text[end] == u'.') {
        const qsizetype fractionEnd = skipDigits(text, end + 1);
        hasDigits = hasDigits || fractionEnd > end + 1;
        end = fractionEnd;
    }
    if (!hasDigits)
        return 0.0;
    if (end < text.size() && (text[end] == u'e' || text[end] == u'E')) {
        qsizetype e = end + 1;
        if (e < text.size() && (text[e] == u'+' || text[e] == u'-'))
            ++e;
        const qsizetype exponentEnd = skipDigits(text, e);
        if (exponentEnd > e)
            end = exponentEnd;
    }
    QByteArray number = text.mid(start, end - start).toLatin1();
    if (number.startsWith('+'))
        number.remove(0, 1);
    double value = 0.0;
    const auto result = std::from_chars(number.constData(), number.constData() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        return number.startsWith('-') ? -HUGE_VAL : HUGE_VAL;
    return result.ec == std::errc() ? value : 0.0;
}

QString foldSearchSeparators(QString text)
{
    for (const QChar separator : {u' ', u'-', u'_', u'.', u':', u'&'})
        text.replace(separator, u'+');
    text.replace(QStringLiteral("+++"), QStringLiteral("+"));
    text.replace(QStringLiteral("++"), QStringLiteral("+"));
    return text;
}

QString percentEscaped(const QString& text)
{
    // Letters, digits and "-._~" are never escaped; these are kept besides.
    return QString::fromLatin1(QUrl::toPercentEncoding(text, "!$&'()*+,/:;=?@"));
}

QString trimmedOf(const QString& text, QStringView characters)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && characters.contains(text[begin]))
        ++begin;
    while (end > begin && characters.contains(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

double posterAspectRatio(double reported, double width, double height)
{
    if (isSaneAspectRatio(reported))
        return reported;
    if (width > 0.0 && height > 0.0 && isSaneAspectRatio(width / height))
        return width / height;
    return kUsualPosterAspectRatio;
}

QSizeF renditionSize(double width, double aspectRatio)
{
    return QSizeF(width, static_cast<float>(std::round(width / aspectRatio)));
}

std::optional<qsizetype> bestCoverIndex(std::span<const CoverChoiceKey> candidates, const QString& language)
{
    if (candidates.empty())
        return std::nullopt;
    qsizetype best = 0;
    for (qsizetype i = 1; i < qsizetype(candidates.size()); ++i) {
        const bool inLanguage = candidates[i].language == language;
        const bool bestInLanguage = candidates[best].language == language;
        if (inLanguage && !bestInLanguage)
            best = i;
        else if (inLanguage == bestInLanguage && candidates[i].voteCount > candidates[best].voteCount)
            best = i;
    }
    return best;
}

}  // namespace tmdblookup
