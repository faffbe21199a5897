#include "app/localizedform.h"

#include "platform/localized.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QWidget>

namespace {

// A text that names no key keeps its text: localized() gives a missing key back.
template <typename Object, typename Get, typename Set>
void localize(Object* object, Get get, Set set)
{
    if (const QString key = (object->*get)(); !key.isEmpty())
        (object->*set)(platform::localized(key));
}

template <typename Object, typename Get, typename Set>
void localizeAll(QWidget* form, Get get, Set set)
{
    for (Object* object : form->findChildren<Object*>())
        localize(object, get, set);
}

}  // namespace

void localizeForm(QWidget* form)
{
    // Windows (the form itself, a toolbar) carry their title.
    localize(form, &QWidget::windowTitle, &QWidget::setWindowTitle);
    localizeAll<QWidget>(form, &QWidget::windowTitle, &QWidget::setWindowTitle);
    // Actions first: the buttons of a toolbar take their texts from them, and
    // a menu's title is the text of its own action.
    localizeAll<QAction>(form, &QAction::text, &QAction::setText);
    // An icon text of its own is a key; one made from the text already follows it.
    for (QAction* action : form->findChildren<QAction*>())
        if (const QString key = action->iconText(); platform::localized(key) != key)
            action->setIconText(platform::localized(key));
    localizeAll<QLabel>(form, &QLabel::text, &QLabel::setText);
    localizeAll<QAbstractButton>(form, &QAbstractButton::text, &QAbstractButton::setText);
    localizeAll<QGroupBox>(form, &QGroupBox::title, &QGroupBox::setTitle);
    localizeAll<QLineEdit>(form, &QLineEdit::placeholderText, &QLineEdit::setPlaceholderText);
    localizeAll<QWidget>(form, &QWidget::toolTip, &QWidget::setToolTip);
    localizeAll<QSpinBox>(form, &QSpinBox::suffix, &QSpinBox::setSuffix);
    for (QComboBox* box : form->findChildren<QComboBox*>())
        for (int index = 0; index < box->count(); ++index)
            box->setItemText(index, platform::localized(box->itemText(index)));
    for (QTabWidget* tabs : form->findChildren<QTabWidget*>())
        for (int index = 0; index < tabs->count(); ++index)
            tabs->setTabText(index, platform::localized(tabs->tabText(index)));
}
