#pragma once

#include <QString>

class MovieModel;
class QTextCursor;
class QTextDocument;
class QTextTable;

// The information page of the search view: the fields of a search result as
// a two-column table of rich text, labels in bold on the left.
namespace TableOfCellsHelper {

// Replaces the contents of `document` with a newline and the table of
// `movie`'s ten fields; the release date and the rating are shown for
// country `locale` and language `language`. A missing value shows "-".
void tableAttributedStringFromMetaTags(QTextDocument& document, const MovieModel& movie, const QString& locale,
                                       const QString& language);

// Fills row `row` of `table` with `label` and `value`.
void fillTextRow(int row, QTextTable& table, const QString& label, const QString& value);

// Writes `text` into the cell at `row`, `column` with the cell's format:
// no border, 2 points of padding, bold 11-point Helvetica in column 0 and
// plain in column 1.
void tableCellAttributedStringWithString(const QString& text, QTextTable& table, int row, int column);

}  // namespace TableOfCellsHelper
