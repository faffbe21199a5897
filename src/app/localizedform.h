#pragma once

class QWidget;

// Forms carry localisation keys where a text belongs (window title, labels,
// buttons, group boxes, tab titles, choices, placeholders); this puts the user's
// language in their place, once, after the form is set up.
void localizeForm(QWidget* form);
