#include "app/linefield.h"

#include <QLineEdit>

namespace LineField {

void showText(QLineEdit* field, const QString& text)
{
    if (field->text() == text)
        return;
    field->setText(text);
    field->setCursorPosition(0);
}

}  // namespace LineField
