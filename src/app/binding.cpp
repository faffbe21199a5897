#include "app/binding.h"

#include "app/linefield.h"
#include "app/valuetransformer.h"
#include "model/helpers.h"
#include "platform/localized.h"
#include "platform/picture.h"
#include "platform/settings.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDateTime>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTextEdit>

#include <functional>

// ---- what the widget shows and how its edits arrive -------------------------

class Binding::Adapter {
public:
    virtual ~Adapter() = default;
    virtual QVariant read() const = 0;
    virtual void show(const QVariant& value) = 0;
    // No value, with `text` where the widget can show a hint.
    virtual void showPlaceholder(const QString& text) = 0;
    virtual void connectEdits(QObject* context, std::function<void()> edited) = 0;
    // The line the user types into and leaves to have the entry taken; none
    // for widgets that pass on every edit.
    virtual QLineEdit* typingLine() const { return nullptr; }
    // Whether the widget shows the model's value again after an edit went in
    // (not for text areas, whose cursor would jump).
    virtual bool showsBackAfterEdit() const { return true; }
    // Keeps a refused entry and marks it with `hint`, until a value is shown;
    // false for a widget that can't, which shows the model's value instead.
    virtual bool markRefused(const QString& /*hint*/) { return false; }
};

namespace {

QString displayText(const QVariant& value)
{
    return value.isValid() ? value.toString() : QString();
}

class LineEditAdapter : public Binding::Adapter {
public:
    explicit LineEditAdapter(QLineEdit* edit) : m_edit(edit), m_toolTip(edit->toolTip()) {}
    QVariant read() const override { return m_edit->text(); }
    void show(const QVariant& value) override
    {
        unmark();
        m_edit->setPlaceholderText(QString());
        LineField::showText(m_edit, displayText(value));
    }
    void showPlaceholder(const QString& text) override
    {
        unmark();
        m_edit->clear();
        m_edit->setPlaceholderText(text);
    }
    void connectEdits(QObject*, std::function<void()>) override {}
    QLineEdit* typingLine() const override { return m_edit; }
    // The text stays for the user to mend, on a reddish ground, with the hint as tooltip.
    bool markRefused(const QString& hint) override
    {
        QPalette palette = m_edit->palette();
        palette.setColor(QPalette::Base, kRefusedGround);
        palette.setColor(QPalette::Text, Qt::black);
        m_edit->setPalette(palette);
        m_edit->setToolTip(hint);
        m_marked = true;
        return true;
    }

private:
    static constexpr QColor kRefusedGround{255, 214, 214};

    void unmark()
    {
        if (!m_marked)
            return;
        // An empty palette takes the window's own again.
        m_edit->setPalette(QPalette());
        m_edit->setToolTip(m_toolTip);
        m_marked = false;
    }

    QLineEdit* m_edit;
    QString m_toolTip;
    bool m_marked = false;
};

template <typename TextArea>
class TextAreaAdapter : public Binding::Adapter {
public:
    explicit TextAreaAdapter(TextArea* area) : m_area(area) {}
    QVariant read() const override { return m_area->toPlainText(); }
    void show(const QVariant& value) override
    {
        m_area->setPlaceholderText(QString());
        if (m_area->toPlainText() != displayText(value))
            m_area->setPlainText(displayText(value));
    }
    void showPlaceholder(const QString& text) override
    {
        m_area->clear();
        m_area->setPlaceholderText(text);
    }
    void connectEdits(QObject* context, std::function<void()> edited) override;
    bool showsBackAfterEdit() const override { return false; }

private:
    TextArea* m_area;
};

// An editable box, or one marked with the property "bindsText", binds its
// text; any other binds the position of its current entry.
class ComboBoxAdapter : public Binding::Adapter {
public:
    explicit ComboBoxAdapter(QComboBox* box)
        : m_box(box), m_bindsText(box->isEditable() || box->property("bindsText").toBool())
    {
    }
    QVariant read() const override
    {
        return m_bindsText ? QVariant(m_box->currentText()) : QVariant(qint64(m_box->currentIndex()));
    }
    void show(const QVariant& value) override
    {
        setPlaceholder(QString());
        if (!m_bindsText)
            m_box->setCurrentIndex(value.isValid() ? value.toInt() : -1);
        else if (m_box->isEditable())
            LineField::showText(m_box->lineEdit(), displayText(value));
        else
            m_box->setCurrentIndex(m_box->findText(displayText(value)));
    }
    void showPlaceholder(const QString& text) override
    {
        setPlaceholder(text);
        if (m_box->isEditable())
            m_box->clearEditText();
        else
            m_box->setCurrentIndex(-1);
    }
    void connectEdits(QObject* context, std::function<void()> edited) override;
    QLineEdit* typingLine() const override { return m_box->lineEdit(); }

private:
    void setPlaceholder(const QString& text)
    {
        if (m_box->isEditable())
            m_box->lineEdit()->setPlaceholderText(text);
        else
            m_box->setPlaceholderText(text);
    }
    QComboBox* m_box;
    bool m_bindsText;
};

class ButtonAdapter : public Binding::Adapter {
public:
    explicit ButtonAdapter(QAbstractButton* button) : m_button(button) {}
    QVariant read() const override { return m_button->isChecked(); }
    void show(const QVariant& value) override { m_button->setChecked(value.toBool()); }
    void showPlaceholder(const QString&) override { m_button->setChecked(false); }
    void connectEdits(QObject* context, std::function<void()> edited) override;

private:
    QAbstractButton* m_button;
};

class SpinBoxAdapter : public Binding::Adapter {
public:
    explicit SpinBoxAdapter(QSpinBox* box) : m_box(box) {}
    QVariant read() const override { return qint64(m_box->value()); }
    void show(const QVariant& value) override
    {
        m_box->setSpecialValueText(QString());
        m_box->setValue(value.toInt());
    }
    void showPlaceholder(const QString& text) override
    {
        // The lowest value stands for "no value" and shows the hint; a box a
        // few digits wide can't hold the hint's words, so it shows a dash.
        m_box->setSpecialValueText(text.isEmpty() ? QStringLiteral(" ") : QStringLiteral("–"));
        m_box->setValue(m_box->minimum());
    }
    void connectEdits(QObject* context, std::function<void()> edited) override;

private:
    QSpinBox* m_box;
};

class LabelAdapter : public Binding::Adapter {
public:
    explicit LabelAdapter(QLabel* label) : m_label(label) {}
    QVariant read() const override { return {}; }
    void show(const QVariant& value) override
    {
        if (value.metaType() == QMetaType::fromType<QImage>())
            m_label->setPixmap(QPixmap::fromImage(value.value<QImage>()));
        else if (value.canConvert<platform::PicturePtr>() && value.value<platform::PicturePtr>())
            m_label->setPixmap(QPixmap::fromImage(value.value<platform::PicturePtr>()->image()));
        else
            m_label->setText(displayText(value));
    }
    void showPlaceholder(const QString& text) override
    {
        // A picture slot (a status light) has no room for a text: it shows nothing.
        if (m_label->hasScaledContents())
            m_label->clear();
        else
            m_label->setText(text);
    }
    void connectEdits(QObject*, std::function<void()>) override {}

private:
    QLabel* m_label;
};

std::unique_ptr<Binding::Adapter> makeAdapter(QWidget* widget)
{
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return std::make_unique<LineEditAdapter>(edit);
    if (auto* area = qobject_cast<QTextEdit*>(widget))
        return std::make_unique<TextAreaAdapter<QTextEdit>>(area);
    if (auto* area = qobject_cast<QPlainTextEdit*>(widget))
        return std::make_unique<TextAreaAdapter<QPlainTextEdit>>(area);
    if (auto* box = qobject_cast<QComboBox*>(widget))
        return std::make_unique<ComboBoxAdapter>(box);
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return std::make_unique<ButtonAdapter>(button);
    if (auto* box = qobject_cast<QSpinBox*>(widget))
        return std::make_unique<SpinBoxAdapter>(box);
    if (auto* label = qobject_cast<QLabel*>(widget))
        return std::make_unique<LabelAdapter>(label);
    qFatal("Binding: no adapter for widget %s", widget->metaObject()->className());
}

}  // namespace

// Edits arrive as user actions only: changes made by showing a value are
// ignored by the binding itself.
template <typename TextArea>
void TextAreaAdapter<TextArea>::connectEdits(QObject* context, std::function<void()> edited)
{
    QObject::connect(m_area, &TextArea::textChanged, context, edited);
}

void ComboBoxAdapter::connectEdits(QObject* context, std::function<void()> edited)
{
    QObject::connect(m_box, &QComboBox::activated, context, edited);
}

void ButtonAdapter::connectEdits(QObject* context, std::function<void()> edited)
{
    QObject::connect(m_button, &QAbstractButton::toggled, context, edited);
}

void SpinBoxAdapter::connectEdits(QObject* context, std::function<void()> edited)
{
    QObject::connect(m_box, &QSpinBox::valueChanged, context, edited);
}

// ---- where the value lives ---------------------------------------------------

class Binding::Source {
public:
    // What changed: the values of the bound objects, or which objects are bound.
    enum class Change { Values, Objects };

    virtual ~Source() = default;
    // One value per bound object; empty when there is none (no selection).
    // Edits go to the objects read last, so an entry the user had not yet
    // left when the selection moved on still reaches the records it was typed for.
    virtual QVariantList values() = 0;
    // Whether the bound objects are in the state in which the widget means something.
    virtual bool applies() const { return true; }
    // Whether values() are texts made to be shown as they are, not values for the transformer.
    virtual bool givesShownText() const { return false; }
    // False when the value is refused.
    virtual bool write(const QVariant& value) = 0;
    virtual void follow(std::function<void(Change)> changed) = 0;
};

class Binding::SelectionSource : public Binding::Source {
public:
    // `shownKey`, when not empty, is the key whose values are shown.
    SelectionSource(MovieList& list, const QString& key, std::optional<Condition> condition,
                    const QString& shownKey = QString())
        : m_list(list), m_key(key), m_shownKey(shownKey.isEmpty() ? key : shownKey), m_condition(std::move(condition))
    {
    }

    QVariantList values() override
    {
        QVariantList values;
        m_shown.clear();
        for (const auto& movie : m_list.selectedObjects()) {
            values << movie->valueForKey(m_shownKey);
            m_shown.push_back(movie);
        }
        return values;
    }

    bool givesShownText() const override { return m_shownKey != m_key; }

    bool applies() const override
    {
        if (!m_condition)
            return true;
        const MovieList::Records selected = m_list.selectedObjects();
        return std::all_of(selected.cbegin(), selected.cend(), [this](const auto& movie) {
            return movie->valueForKey(m_condition->key) == m_condition->value;
        });
    }

    bool write(const QVariant& value) override
    {
        bool written = false;
        for (const std::weak_ptr<MovieModel>& shown : m_shown) {
            // A record removed from the list since takes nothing.
            const std::shared_ptr<MovieModel> movie = shown.lock();
            if (!movie)
                continue;
            if (!movie->setValueForKey(m_key, value))
                return false;
            written = true;
        }
        return written;
    }

    void follow(std::function<void(Change)> changed) override
    {
        m_changed = std::move(changed);
        // The selection follows its records through every rearrangement of the list, so
        // only a new selection or a notice of a selected record changes what is shown.
        m_listTokens.push_back(m_list.addListener(QStringLiteral("selectionIndexes"),
                                                  [this](const QString&) { m_changed(Change::Objects); }));
        auto refresh = [this](const QString&) { m_changed(Change::Values); };
        // The list passes on the selected records' notices of the key, and of the condition's.
        m_listTokens.push_back(m_list.addListener(QStringLiteral("selection.") + m_shownKey, refresh));
        if (m_condition)
            m_listTokens.push_back(m_list.addListener(QStringLiteral("selection.") + m_condition->key, refresh));
    }

private:
    MovieList& m_list;
    QString m_key;
    QString m_shownKey;
    std::optional<Condition> m_condition;
    // The records whose values the widget shows.
    std::vector<std::weak_ptr<MovieModel>> m_shown;
    std::function<void(Change)> m_changed;
    std::vector<Observable::ListenerToken> m_listTokens;
};

class Binding::SettingSource : public Binding::Source {
public:
    explicit SettingSource(const QString& key) : m_key(key) {}

    QVariantList values() override
    {
        // Typed by the registered default, so a stored value of the wrong type reads as the default.
        const platform::Settings& settings = platform::Settings::shared();
        switch (settings.registeredDefaults().value(m_key).typeId()) {
            case QMetaType::Bool:
                return {settings.boolValue(m_key)};
            case QMetaType::Int:
            case QMetaType::LongLong:
                return {settings.integerValue(m_key)};
            case QMetaType::QString:
                return {settings.stringValue(m_key)};
            case QMetaType::QStringList:
                return {settings.stringListValue(m_key)};
            case QMetaType::QByteArray:
                return {settings.dataValue(m_key)};
            default:
                return {settings.value(m_key)};
        }
    }

    bool write(const QVariant& value) override
    {
        platform::Settings::shared().setValue(m_key, value);
        return true;
    }

    void follow(std::function<void(Change)>) override {}

private:
    QString m_key;
};

// ---- the binding ---------------------------------------------------------------

Binding* Binding::toSelection(QWidget* widget, MovieList& list, const QString& key,
                              std::shared_ptr<const ValueTransformer> transformer,
                              std::optional<Condition> appliesWhile)
{
    return new Binding(widget, key, std::move(transformer),
                       std::make_unique<SelectionSource>(list, key, std::move(appliesWhile)));
}

Binding* Binding::toSelectionShowingText(QWidget* widget, MovieList& list, const QString& key, const QString& textKey,
                                         std::shared_ptr<const ValueTransformer> transformer)
{
    return new Binding(widget, key, std::move(transformer),
                       std::make_unique<SelectionSource>(list, key, std::nullopt, textKey));
}

Binding* Binding::toSetting(QWidget* widget, const QString& key, std::shared_ptr<const ValueTransformer> transformer)
{
    return new Binding(widget, key, std::move(transformer), std::make_unique<SettingSource>(key));
}

Binding::Binding(QWidget* widget, const QString& key, std::shared_ptr<const ValueTransformer> transformer,
                 std::unique_ptr<Source> source)
    : QObject(widget),
      m_key(key),
      m_transformer(std::move(transformer)),
      m_adapter(makeAdapter(widget)),
      m_source(std::move(source))
{
    m_adapter->connectEdits(this, [this] { commit(); });
    if (QLineEdit* line = m_adapter->typingLine()) {
        connect(line, &QLineEdit::editingFinished, this, &Binding::commitPendingEdit);
        connect(line, &QLineEdit::textEdited, this, &Binding::entryTyped);
    }
    m_source->follow([this](Source::Change change) {
        if (m_writing)
            return;
        if (change == Source::Change::Objects)
            commitPendingEdit();
        refresh();
    });
    refresh();
}

Binding::~Binding() = default;

void Binding::refresh()
{
    auto* widget = static_cast<QWidget*>(parent());
    const QVariantList values = m_source->values();
    const bool agree = std::all_of(values.cbegin(), values.cend(), [&](const QVariant& value) {
        return value == values.first() || (!value.isValid() && !values.first().isValid());
    });
    m_shown = values.isEmpty()       ? Shown::NoSelection
              : !m_source->applies() ? Shown::NotApplicable
              : values.size() == 1   ? Shown::OneValue
              : agree                ? Shown::AgreeingValues
                                     : Shown::MultipleValues;

    const bool showing = m_writing;
    m_writing = true;
    widget->setEnabled(m_shown != Shown::NoSelection && m_shown != Shown::NotApplicable);
    if (m_shown == Shown::NoSelection || m_shown == Shown::NotApplicable)
        m_adapter->showPlaceholder(QString());
    else if (m_shown == Shown::MultipleValues)
        m_adapter->showPlaceholder(platform::localized(QStringLiteral("multipleValues")));
    else
        m_adapter->show(m_transformer && !m_source->givesShownText() ? m_transformer->transformedValue(values.first())
                                                                     : values.first());
    if (const QLineEdit* line = m_adapter->typingLine())
        m_lineShown = line->text();
    m_writing = showing;
}

// Not the field's modified flag: a completer that completes an entry sets the
// text and so clears that flag (an editable box's own completer does so for
// every entry of its list, and the box leaves such an entry unannounced when
// its current item already holds it).
bool Binding::holdsUncommittedEdit() const
{
    const QLineEdit* line = m_adapter->typingLine();
    return line && line->text() != m_lineShown;
}

void Binding::commitPendingEdit()
{
    if (holdsUncommittedEdit())
        commit();
}

void Binding::commit()
{
    if (m_writing)
        return;
    const QVariant entered = m_adapter->read();
    std::optional<QVariant> value = entered;
    if (m_transformer)
        value =
            m_transformer->allowsReverseTransformation() ? m_transformer->acceptedReverseValue(entered) : std::nullopt;
    if (!value && m_transformer) {
        const QString hint = m_transformer->refusalHint();
        if (!hint.isEmpty() && m_adapter->markRefused(hint))
            return;
    }
    m_writing = true;
    const bool accepted = value && m_source->write(*value);
    m_writing = false;
    if (!accepted || m_adapter->showsBackAfterEdit())
        refresh();
}

// ---- converters for text editors -------------------------------------------------

namespace {

class NamesAsText : public ValueTransformer {
public:
    QMetaType transformedValueClass() const override { return QMetaType::fromType<QString>(); }
    bool allowsReverseTransformation() const override { return true; }
    QVariant transformedValue(const QVariant& value) const override
    {
        return value.isValid() ? value.toStringList().join(QStringLiteral(", ")) : QString();
    }
    QVariant reverseTransformedValue(const QVariant& value) const override
    {
        const QStringList names = namesFromText(value.toString(), u',');
        return names.isEmpty() ? QVariant() : QVariant(names);
    }
};

class DateAsText : public ValueTransformer {
public:
    QMetaType transformedValueClass() const override { return QMetaType::fromType<QString>(); }
    bool allowsReverseTransformation() const override { return true; }
    QVariant transformedValue(const QVariant& value) const override { return dayText(value.toDateTime()); }
    std::optional<QVariant> acceptedReverseValue(const QVariant& value) const override
    {
        const QString text = value.toString().trimmed();
        if (text.isEmpty())
            return MovieModel::emptyReleaseDate();
        // What the editor shows of a date read from a file (a year alone, say) is taken back as it stands.
        if (!dayFromTagDateString(text))
            return std::nullopt;
        return dateFromTagDateString(text);
    }
    QVariant reverseTransformedValue(const QVariant& value) const override
    {
        return acceptedReverseValue(value).value_or(QVariant());
    }
    QString refusalHint() const override { return platform::localized(QStringLiteral("releaseDateRefused")); }
};

}  // namespace

std::shared_ptr<const ValueTransformer> Binding::namesAsText()
{
    static const auto transformer = std::make_shared<const NamesAsText>();
    return transformer;
}

std::shared_ptr<const ValueTransformer> Binding::dateAsText()
{
    static const auto transformer = std::make_shared<const DateAsText>();
    return transformer;
}
