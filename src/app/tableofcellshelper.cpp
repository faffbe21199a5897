#include "app/tableofcellshelper.h"

#include "model/contentrating.h"
#include "model/moviemodel.h"
#include "platform/localized.h"

#include <QGuiApplication>
#include <QLocale>
#include <QPalette>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

namespace {

constexpr int kRowCount = 10;
constexpr qreal kLabelColumnWidth = 100.0;
constexpr qreal kCellPadding = 2.0;
constexpr int kFontPointSize = 11;
const QString kAbsent = QStringLiteral("-");

QString textOrAbsent(const QString& text)
{
    return text.isNull() ? kAbsent : text;
}

QString joinedOrAbsent(const std::optional<QStringList>& names)
{
    return names && !names->isEmpty() ? names->join(QStringLiteral(", ")) : kAbsent;
}

// The platform's medium date style: the locale's short form with the year in
// full. The date a record holds for "no date" counts as absent.
QString mediumDate(const QDateTime& date, const QString& locale, const QString& language)
{
    if (!date.isValid() || date == MovieModel::emptyReleaseDate())
        return kAbsent;
    const QLocale dateLocale(QStringLiteral("%1_%2").arg(language, locale.toUpper()));
    QString format = dateLocale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return dateLocale.toString(date.toUTC().date(), format);
}

QString ratingName(const QString& rating, const QString& locale)
{
    if (rating.isNull())
        return kAbsent;
    return textOrAbsent(ContentRating(locale).ratingNameForValue(rating));
}

QColor textColour()
{
    return QGuiApplication::palette().color(QPalette::Text);
}

}  // namespace

namespace TableOfCellsHelper {

void tableAttributedStringFromMetaTags(QTextDocument& document, const MovieModel& movie, const QString& locale,
                                       const QString& language)
{
    document.clear();
    QTextCursor cursor(&document);
    QTextCharFormat plain;
    plain.setForeground(textColour());
    cursor.insertText(QStringLiteral("\n"), plain);

    QTextTableFormat format;
    format.setBorder(0);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_None);
    format.setCellSpacing(0);
    format.setCellPadding(kCellPadding);
    format.setColumnWidthConstraints(
        {QTextLength(QTextLength::FixedLength, kLabelColumnWidth), QTextLength(QTextLength::VariableLength, 0)});
    QTextTable* table = cursor.insertTable(kRowCount, 2, format);

    const QList<QPair<const char*, QString>> rows{
        {"info_title", textOrAbsent(movie.title())},
        {"info_genre", textOrAbsent(movie.genre())},
        {"info_released", mediumDate(movie.releaseDate(), locale, language)},
        {"info_certification", ratingName(movie.rating(), locale)},
        {"info_actors", joinedOrAbsent(movie.artists())},
        {"info_directors", joinedOrAbsent(movie.directors())},
        {"info_producers", joinedOrAbsent(movie.producers())},
        {"info_writers", joinedOrAbsent(movie.screenWriters())},
        {"info_studios", textOrAbsent(movie.studio())},
        {"info_overview", textOrAbsent(movie.longDescription())},
    };
    for (int row = 0; row < rows.size(); ++row)
        fillTextRow(row, *table, platform::localized(QString::fromLatin1(rows[row].first)), rows[row].second);
}

void fillTextRow(int row, QTextTable& table, const QString& label, const QString& value)
{
    tableCellAttributedStringWithString(label, table, row, 0);
    tableCellAttributedStringWithString(value, table, row, 1);
}

void tableCellAttributedStringWithString(const QString& text, QTextTable& table, int row, int column)
{
    QFont font(QStringLiteral("Helvetica"), kFontPointSize);
    font.setBold(column == 0);
    QTextCharFormat format;
    format.setFont(font);
    format.setForeground(textColour());
    // A cell is a block of its own here, so the newline that ends it in other
    // text systems would only add an empty line.
    table.cellAt(row, column).firstCursorPosition().insertText(text, format);
}

}  // namespace TableOfCellsHelper
