#pragma once

#include <QStringList>
#include <QWidget>

#include <optional>

class QCompleter;
class QKeyEvent;
class QLineEdit;
class QStringListModel;

class TokenField;

// What a token field asks of the one who knows its tokens: the completions
// for typed text, the text a token shows, the token a finished text stands
// for, and which tokens may go in.
class TokenFieldDelegate {
public:
    virtual ~TokenFieldDelegate() = default;
    virtual QStringList completionsForSubstring(const TokenField& field, const QString& substring) const = 0;
    // nullopt: the token shows itself.
    virtual std::optional<QString> displayStringForRepresentedObject(const TokenField& field,
                                                                     const QString& object) const = 0;
    virtual QString representedObjectForEditingString(const TokenField& field, const QString& text) const = 0;
    virtual QStringList shouldAddObjects(const TokenField& field, const QStringList& objects, int index) const = 0;
};

// A row of tokens shown as chips, followed by a line edit whose completions
// come from the delegate. Leaving the field, a comma or a completion chosen
// in the list (Return, Tab or a click) turns the typed text into tokens (a
// comma also separates several pasted names). Return does too for a name, or
// completes the only name the typed text begins; other text stays in the
// editor with the names it may begin offered, and Return never reaches the
// window around the field (a dialog would close). A click anywhere in the
// field puts the cursor into the editor, which is wide enough for every name
// still to be typed. Backspace in the empty editor and a chip's close button
// remove a token. The value is the list of tokens in the order they stand.
class TokenField : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QStringList objectValue READ objectValue WRITE setObjectValue NOTIFY objectValueChanged USER true)
public:
    explicit TokenField(QWidget* parent = nullptr);

    // The delegate is not owned; without one every text is its own token.
    void setDelegate(const TokenFieldDelegate* delegate);
    const TokenFieldDelegate* delegate() const { return m_delegate; }

    // Shown in the empty editor, so the user sees where to type.
    void setPlaceholderText(const QString& text);

    QStringList objectValue() const { return m_tokens; }
    void setObjectValue(const QStringList& tokens);

    QLineEdit* editor() const { return m_editor; }
    QCompleter* completer() const { return m_completer; }
    // The texts the chips show, in order.
    QStringList displayedTexts() const;

    // Turns the given text into tokens as Return would.
    void tokenize(const QString& text);

signals:
    // Sent when the user added or removed tokens (not on setObjectValue()).
    void objectValueChanged(const QStringList& tokens);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What Return does to the typed text.
    void completeTypedWord();
    // Return or Tab in the open list takes the name chosen there; Return without one acts as without the list.
    bool chooseFromList(const QKeyEvent& key);
    void fitEditor();
    void offerCompletions(const QString& typed);
    void removeToken(int index);
    void rebuildChips();
    QString displayString(const QString& token) const;

    const TokenFieldDelegate* m_delegate = nullptr;
    QStringList m_tokens;
    QLineEdit* m_editor;
    QStringListModel* m_completions;
    QCompleter* m_completer;
};
