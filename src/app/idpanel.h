#pragma once

#include <QWidget>

#include <memory>

class MovieList;

namespace Ui {
class IdPanel;
}

// A small tool window beside the main window that shows and edits the
// identifiers of the selected record(s): the IMDb id (what the subtitle search
// goes by) and the catalogue id. Edits reach every selected record.
class IdPanel : public QWidget {
    Q_OBJECT
public:
    IdPanel(MovieList& list, QWidget* parent);
    ~IdPanel() override;

    Ui::IdPanel& ui() const { return *m_ui; }

private:
    std::unique_ptr<Ui::IdPanel> m_ui;
};
