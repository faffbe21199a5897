#pragma once

#include "model/movielist.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

class ValueTransformer;
class QWidget;

// Connects one property of one widget to one key, optionally through a value
// transformer (forward for display, reverse for edits):
//
// - of the records selected in a movie list: with one record selected the
//   widget shows its value; with several it shows the value when all agree
//   and a "Multiple values" placeholder otherwise, and an edit is written to
//   every selected record; with none the widget is disabled and empty. The
//   records' change notices for the key refresh the widget.
// - of a setting: read with its registered default, written on every edit.
//
// Widgets: QLineEdit (text, committed when editing finishes or the
// selection moves on, if it differs from what was shown), QTextEdit and
// QPlainTextEdit (plain text, committed on every change), QComboBox (the
// current index, or the current text when editable, committed as a line
// edit's), QAbstractButton
// (checked), QSpinBox (value), QLabel (text, or a picture for image values;
// shown only). An edit the transformer refuses, or the record does not take,
// puts the model's value back into the widget; only a line edit whose
// transformer gives a hint for refused text keeps that text, marked, with
// the hint as its tooltip, until the user mends it or another value is shown.
//
// A binding to the selection may apply only while the selected records hold
// a given value under another key (a chooser decides what the widget means):
// otherwise the widget is disabled and shows nothing.
class Binding : public QObject {
    Q_OBJECT
public:
    enum class Shown { NoSelection, NotApplicable, OneValue, AgreeingValues, MultipleValues };
    // Every selected record holds `value` under `key`.
    struct Condition {
        QString key;
        QVariant value;
    };
    // What the widget shows and how its edits arrive; where the value lives.
    class Adapter;
    class Source;

    // The binding lives as long as the widget (it is the widget's child).
    static Binding* toSelection(QWidget* widget, MovieList& list, const QString& key,
                                std::shared_ptr<const ValueTransformer> transformer = nullptr,
                                std::optional<Condition> appliesWhile = std::nullopt);
    // As toSelection, for a key whose value the record also gives as a text
    // of its own (the derived key `textKey`): the widget shows that text as
    // it is, and an edit goes to `key` through the transformer's reverse.
    static Binding* toSelectionShowingText(QWidget* widget, MovieList& list, const QString& key, const QString& textKey,
                                           std::shared_ptr<const ValueTransformer> transformer);
    static Binding* toSetting(QWidget* widget, const QString& key,
                              std::shared_ptr<const ValueTransformer> transformer = nullptr);

    // Converters for editors that show a value as text: names separated by
    // ", " (an empty text is no list), a date as YYYY-MM-DD (an entry may also
    // take the other forms of date tags, such as a year alone; text that names
    // no day is refused; a record without a release date shows an empty
    // text, and an empty text is the record's "no date").
    static std::shared_ptr<const ValueTransformer> namesAsText();
    static std::shared_ptr<const ValueTransformer> dateAsText();

    const QString& key() const { return m_key; }
    Shown shown() const { return m_shown; }
    // Reads the model again and shows it.
    void refresh();
    // Whether the widget holds an entry the user typed that has not reached the model yet.
    bool holdsUncommittedEdit() const;
    // Takes such an entry as leaving the widget would: a command about to act
    // on the records sees it.
    void commitPendingEdit();

signals:
    // The user changed the widget's entry; it reaches the model when the widget is left.
    void entryTyped();

private:
    class SelectionSource;
    class SettingSource;

    Binding(QWidget* widget, const QString& key, std::shared_ptr<const ValueTransformer> transformer,
            std::unique_ptr<Source> source);
    ~Binding() override;
    void commit();

    QString m_key;
    std::shared_ptr<const ValueTransformer> m_transformer;
    std::unique_ptr<Adapter> m_adapter;
    std::unique_ptr<Source> m_source;
    Shown m_shown = Shown::NoSelection;
    bool m_writing = false;
    // What the line the user types into showed last.
    QString m_lineShown;
};
