#pragma once

class QLineEdit;
class QString;

// Line fields as text editors show them: a text set from outside is read
// from its start, not scrolled to its end.
namespace LineField {

// Shows `text` with the cursor at its start; a field that already shows it
// is left alone, so a user's cursor does not jump.
void showText(QLineEdit* field, const QString& text);

}  // namespace LineField
