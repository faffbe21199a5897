#include "app/localizedform.h"

#include "platform/localized.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QWidget>

namespace {

// A label that names no key keeps its text: localized() gives a missing key back.
template <typename Widget, typename Get, typename Set>
void localizeAll(QWidget* form, Get get, Set set)
{
    for (Widget* widget : form->findChildren<Widget*>())
        if (const QString key = (widget->*get)(); !key.isEmpty())
            (widget->*set)(platform::localized(key));
}

}  // namespace

void localizeForm(QWidget* form)
{
    if (!form->windowTitle().isEmpty())
        form->setWindowTitle(platform::localized(form->windowTitle()));
    localizeAll<QLabel>(form, &QLabel::text, &QLabel::setText);
    localizeAll<QAbstractButton>(form, &QAbstractButton::text, &QAbstractButton::setText);
    localizeAll<QGroupBox>(form, &QGroupBox::title, &QGroupBox::setTitle);
    localizeAll<QLineEdit>(form, &QLineEdit::placeholderText, &QLineEdit::setPlaceholderText);
    for (QComboBox* box : form->findChildren<QComboBox*>())
        for (int index = 0; index < box->count(); ++index)
            box->setItemText(index, platform::localized(box->itemText(index)));
    for (QTabWidget* tabs : form->findChildren<QTabWidget*>())
        for (int index = 0; index < tabs->count(); ++index)
            tabs->setTabText(index, platform::localized(tabs->tabText(index)));
}
