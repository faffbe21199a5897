#pragma once

#include "app/filechooser.h"

// The file choosers as Qt file dialogs, modal over `parent`.
class DialogFileChooser : public FileChooser {
public:
    QList<QUrl> choose(const Request& request, QWidget* parent) override;
};
