#include "app/tokenfield.h"

#include "app/flowlayout.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStringListModel>
#include <QToolButton>

#include <algorithm>

namespace {

// The line's least width when no names are left to type and no placeholder is set.
constexpr int kLeastEditorWidth = 40;

QFrame* makeChip(const QString& text, QWidget* parent)
{
    auto* chip = new QFrame(parent);
    chip->setObjectName(QStringLiteral("tokenChip"));
    chip->setStyleSheet(
        QStringLiteral("#tokenChip { border: 1px solid palette(highlight); border-radius: 9px;"
                       " background: palette(alternate-base); }"));
    auto* row = new QHBoxLayout(chip);
    row->setContentsMargins(8, 1, 2, 1);
    row->setSpacing(2);
    row->addWidget(new QLabel(text, chip));
    auto* remove = new QToolButton(chip);
    remove->setObjectName(QStringLiteral("removeToken"));
    remove->setText(QStringLiteral("×"));
    remove->setAutoRaise(true);
    remove->setFocusPolicy(Qt::NoFocus);
    row->addWidget(remove);
    return chip;
}

}  // namespace

TokenField::TokenField(QWidget* parent)
    : QWidget(parent),
      m_editor(new QLineEdit(this)),
      m_completions(new QStringListModel(this)),
      m_completer(new QCompleter(m_completions, this))
{
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setAutoFillBackground(true);
    frame->setBackgroundRole(QPalette::Base);
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    auto* flow = new FlowLayout(frame);
    flow->setContentsMargins(4, 4, 4, 4);

    m_editor->setFrame(false);
    m_editor->installEventFilter(this);
    flow->addWidget(m_editor);
    setFocusProxy(m_editor);
    // A click anywhere in the box, beside the line or on a chip, puts the cursor into the line.
    setFocusPolicy(Qt::ClickFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);

    // The delegate does the filtering; the completer only shows its answer.
    m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    m_completer->setWidget(m_editor);
    m_completer->popup()->installEventFilter(this);
    connect(m_editor, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text.contains(u','))
            tokenize(text);
        else
            offerCompletions(text);
    });
    // Leaving the field ends the typed token.
    connect(m_editor, &QLineEdit::editingFinished, this, [this] {
        if (!m_editor->hasFocus())
            tokenize(m_editor->text());
    });
    // A name clicked in the list; the keys that choose one are handled in eventFilter().
    connect(m_completer, qOverload<const QString&>(&QCompleter::activated), this,
            [this](const QString& completion) { tokenize(completion); });
    fitEditor();
}

void TokenField::setDelegate(const TokenFieldDelegate* delegate)
{
    m_delegate = delegate;
    rebuildChips();
}

void TokenField::setPlaceholderText(const QString& text)
{
    m_editor->setPlaceholderText(text);
    fitEditor();
}

void TokenField::setObjectValue(const QStringList& tokens)
{
    if (tokens == m_tokens)
        return;
    m_tokens = tokens;
    rebuildChips();
}

QString TokenField::displayString(const QString& token) const
{
    if (!m_delegate)
        return token;
    return m_delegate->displayStringForRepresentedObject(*this, token).value_or(token);
}

QStringList TokenField::displayedTexts() const
{
    QStringList texts;
    for (const QString& token : m_tokens)
        texts.append(displayString(token));
    return texts;
}

void TokenField::offerCompletions(const QString& typed)
{
    m_completions->setStringList(m_delegate ? m_delegate->completionsForSubstring(*this, typed) : QStringList());
    if (m_completions->rowCount() > 0) {
        m_completer->complete();
        // Nothing chosen until the user moves into the list: Return takes the typed word.
        m_completer->popup()->setCurrentIndex(QModelIndex());
    } else
        m_completer->popup()->hide();
}

void TokenField::tokenize(const QString& text)
{
    m_editor->clear();
    m_completer->popup()->hide();
    QStringList objects;
    for (const QString& part : text.split(u',')) {
        const QString name = part.trimmed();
        if (!name.isEmpty())
            objects.append(m_delegate ? m_delegate->representedObjectForEditingString(*this, name) : name);
    }
    if (objects.isEmpty())
        return;
    const QStringList added =
        m_delegate ? m_delegate->shouldAddObjects(*this, objects, static_cast<int>(m_tokens.size())) : objects;
    if (added.isEmpty())
        return;
    m_tokens.append(added);
    rebuildChips();
    emit objectValueChanged(m_tokens);
}

void TokenField::completeTypedWord()
{
    const QString typed = m_editor->text();
    if (typed.trimmed().isEmpty())
        return;
    QString word = typed;
    // A list of names (pasted) is taken as it is; a single word is completed.
    if (!typed.contains(u',') && m_delegate &&
        m_delegate->representedObjectForEditingString(*this, typed.trimmed()).isEmpty()) {
        // Not a name: the one name it begins, else the word stays for the user to mend or choose.
        const QStringList offered = m_delegate->completionsForSubstring(*this, typed);
        if (offered.size() != 1) {
            offerCompletions(typed);
            return;
        }
        word = offered.first();
    }
    tokenize(word);
}

void TokenField::removeToken(int index)
{
    if (index < 0 || index >= m_tokens.size())
        return;
    m_tokens.removeAt(index);
    rebuildChips();
    emit objectValueChanged(m_tokens);
}

void TokenField::rebuildChips()
{
    QLayout* flow = m_editor->parentWidget()->layout();
    // Every item but the editor, which stays last.
    while (flow->count() > 1) {
        QLayoutItem* item = flow->takeAt(0);
        // Later: the chip's own close button may be what is running now.
        item->widget()->hide();
        item->widget()->deleteLater();
        delete item;
    }
    flow->removeWidget(m_editor);
    for (int index = 0; index < m_tokens.size(); ++index) {
        QFrame* chip = makeChip(displayString(m_tokens[index]), m_editor->parentWidget());
        connect(chip->findChild<QToolButton*>(QStringLiteral("removeToken")), &QToolButton::clicked, this,
                [this, index] { removeToken(index); });
        flow->addWidget(chip);
    }
    flow->addWidget(m_editor);
    fitEditor();
    updateGeometry();
}

void TokenField::fitEditor()
{
    // Wide enough for the placeholder and every name still to be typed, with room for the cursor.
    QStringList texts = m_delegate ? m_delegate->completionsForSubstring(*this, QString()) : QStringList();
    texts.append(m_editor->placeholderText());
    const QFontMetrics metrics = m_editor->fontMetrics();
    int widest = 0;
    for (const QString& text : texts)
        widest = std::max(widest, metrics.horizontalAdvance(text));
    const QMargins margins = m_editor->textMargins();
    m_editor->setMinimumWidth(std::max(widest, kLeastEditorWidth) + margins.left() + margins.right() +
                              3 * metrics.averageCharWidth());
}

bool TokenField::chooseFromList(const QKeyEvent& key)
{
    const bool enter = key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
    const bool tab = key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab;
    const QModelIndexList chosen = m_completer->popup()->selectionModel()->selectedIndexes();
    if (!chosen.isEmpty() && (enter || tab))
        tokenize(chosen.first().data().toString());
    else if (enter)
        completeTypedWord();
    else
        return false;  // typing, moving in the list, Tab leaving the field
    return true;
}

bool TokenField::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    // The open list gets the keys; the completer would pass Return on to the
    // line and then choose the name as well, adding it twice.
    if (watched == m_completer->popup())
        return chooseFromList(*key);
    if (watched == m_editor) {
        if (key->key() == Qt::Key_Backspace && m_editor->text().isEmpty() && !m_tokens.isEmpty()) {
            removeToken(static_cast<int>(m_tokens.size()) - 1);
            return true;
        }
        // Return is the field's own: passed on, it would close the dialog the field stands in.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            completeTypedWord();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
