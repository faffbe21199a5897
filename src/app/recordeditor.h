#pragma once

#include <QObject>

#include <memory>

class Binding;
class ChapterListModel;
class KorvalaneController;
class MovieList;

namespace Ui {
class MainWindow;
}

// The main window's editor of the selected records: binds every field's
// editor to the selection, fills the choosers from the main window
// controller's name lists and fills them again when the genre or rating
// names change.
class RecordEditor : public QObject {
    Q_OBJECT
public:
    RecordEditor(Ui::MainWindow& ui, MovieList& list, KorvalaneController& controller);
    ~RecordEditor() override;

    // Puts the controller's name lists into the choosers and shows the selection again.
    void fillChoosers();
    // Whether a field holds an entry the user typed and has not yet left.
    bool holdsUncommittedEdit() const;
    // Takes such an entry into the records it was typed for: call before a
    // command acts on them.
    void commitEditing();

signals:
    // The user changed a field's entry, which the records take when it is left.
    void entryTyped();

private:
    void bindFields();

    Ui::MainWindow& m_ui;
    MovieList& m_list;
    KorvalaneController& m_controller;
    QList<Binding*> m_bindings;
    std::unique_ptr<ChapterListModel> m_chapters;
};
