#include "app/preferencewindowcontroller.h"

#include "app/binding.h"
#include "app/coversizetransformer.h"
#include "app/filechooser.h"
#include "app/languagetransformer.h"
#include "app/linefield.h"
#include "app/localetransformer.h"
#include "app/localizedform.h"
#include "app/tokenfield.h"
#include "model/helpers.h"
#include "model/languageutilities.h"
#include "platform/alerts.h"
#include "platform/bookmark.h"
#include "platform/localized.h"
#include "platform/log.h"
#include "platform/settings.h"

#include "ui_preferencewindowcontroller.h"

#include <QCloseEvent>
#include <QDir>
#include <QHash>
#include <QScopedValueRollback>

#include <functional>

namespace {

const QString kPlaceHolderPattern = QStringLiteral("FileNamePlaceHolderPattern");
const QString kWorkingDirectoryBookmark = QStringLiteral("WorkingDirectoryBookmark");
const QString kFileNamePatternForSaving = QStringLiteral("FileNamePatternForSaving");
const QString kWritePLEXFiles = QStringLiteral("WritePLEXFiles");
const QString kProtectedFields = QStringLiteral("FiledsNotToBeOverwritten");

// The transformers a form may name for a control ("valueTransformer").
std::shared_ptr<const ValueTransformer> transformerNamed(const QString& name)
{
    using Make = std::function<std::shared_ptr<const ValueTransformer>()>;
    static const QHash<QString, Make> makers{
        {"LanguageTransformer", [] { return std::make_shared<LanguageTransformer>(); }},
        {"LocaleTransformer", [] { return std::make_shared<LocaleTransformer>(); }},
        {"CoverSizeTransformer", [] { return std::make_shared<CoverSizeTransformer>(); }},
        {"namesAsText", [] { return Binding::namesAsText(); }},
    };
    const auto maker = makers.constFind(name);
    return maker == makers.constEnd() ? nullptr : (*maker)();
}

QString standardizedPath(const QUrl& folder)
{
    return QDir::cleanPath(folder.toLocalFile());
}

platform::Settings& settings()
{
    return platform::Settings::shared();
}

}  // namespace

PreferenceWindowController::PreferenceWindowController(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::PreferenceWindowController>())
{
    m_ui->setupUi(this);
    localizeForm(this);
    fillChoices();
    bindSettings();
    bindProtectedFields();
    LineField::showText(m_ui->placeholderTextField, settings().stringValue(kPlaceHolderPattern));
    showWorkingDirectory();
    connect(m_ui->placeholderTextField, &QLineEdit::editingFinished, this,
            &PreferenceWindowController::placeholderTextFieldChanged);
    connect(m_ui->selectWorkingDirectoryButton, &QPushButton::clicked, this,
            &PreferenceWindowController::selectWorkingDirectory);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &QWidget::close);
}

PreferenceWindowController::~PreferenceWindowController() = default;

void PreferenceWindowController::fillChoices()
{
    const LanguageUtilities languages;
    m_ui->languageCombo->addItems(languages.localizedLanguageList());
    m_ui->countryCombo->addItems(languages.localizedLocaleList());
    for (const char* size : {"smallCoverSize", "mediumCoverSize", "largeCoverSize"})
        m_ui->coverSizeCombo->addItem(platform::localized(QString::fromLatin1(size)));
}

void PreferenceWindowController::bindSettings()
{
    for (QWidget* control : findChildren<QWidget*>()) {
        const QString key = control->property("settingKey").toString();
        if (!key.isEmpty())
            Binding::toSetting(control, key, transformerNamed(control->property("valueTransformer").toString()));
    }
}

void PreferenceWindowController::bindProtectedFields()
{
    TokenField* field = m_ui->protectedFieldsTokenField;
    field->setDelegate(&m_tokenDelegate);
    field->setPlaceholderText(platform::localized("prefsProtectedPlaceholder"));
    // A list stored twice over by an earlier version shows, and is stored again, once.
    QStringList keys = settings().stringListValue(kProtectedFields);
    keys.removeDuplicates();
    field->setObjectValue(keys);
    connect(field, &TokenField::objectValueChanged, this,
            [](const QStringList& keys) { settings().setValue(kProtectedFields, keys); });
}

void PreferenceWindowController::showWorkingDirectory()
{
    const QUrl folder = workingDirectoryURL();
    m_ui->workingDirectoryLabel->setText(folder.isEmpty() ? platform::localized("prefsNoWorkingDirectory")
                                                          : QDir::toNativeSeparators(standardizedPath(folder)));
}

bool PreferenceWindowController::isValidPattern(const QString& pattern)
{
    return !pattern.isEmpty() && (pattern.contains(QStringLiteral("title"), Qt::CaseInsensitive) ||
                                  pattern.contains(QStringLiteral("titel"), Qt::CaseInsensitive));
}

QString PreferenceWindowController::normalizedPattern(const QString& pattern)
{
    // Both characters would make folders or drive names of a file name.
    QString normalized = pattern;
    return normalized.replace(u':', u' ').replace(u'/', u' ').toLower();
}

void PreferenceWindowController::placeholderTextFieldChanged()
{
    // The alert takes the focus from the editor, which would check again.
    if (m_checkingPattern)
        return;
    const QScopedValueRollback checking(m_checkingPattern, true);
    QString pattern = m_ui->placeholderTextField->text();
    if (!isValidPattern(pattern)) {
        platform::Alerts::current().showAlert(QStringLiteral("invalidFilePatternHeader"),
                                              QStringLiteral("invalidFilePatternBody"));
        pattern = settings().stringValue(kPlaceHolderPattern);
    }
    pattern = normalizedPattern(pattern);
    LineField::showText(m_ui->placeholderTextField, pattern);
    settings().setValue(kPlaceHolderPattern, pattern);
    settings().synchronize();
}

void PreferenceWindowController::selectWorkingDirectory()
{
    const QUrl current = workingDirectoryURL();
    FileChooser::Request request;
    request.canChooseFiles = false;
    request.canChooseDirectories = true;
    request.allowsMultipleSelection = false;
    if (!current.isEmpty())
        request.startFolder = standardizedPath(current);
    const QList<QUrl> chosen = FileChooser::current().choose(request, this);
    if (chosen.isEmpty())
        return;
    const QUrl folder = chosen.first();
    if (!current.isEmpty() && standardizedPath(folder) == standardizedPath(current))
        return;
    const QByteArray bookmark = platform::bookmarkDataForFolder(folder);
    if (bookmark.isEmpty()) {
        platform::log("Fehler: " + folder.toString() + " is not a local folder");
        return;
    }
    settings().setValue(kWorkingDirectoryBookmark, bookmark);
    settings().synchronize();
    showWorkingDirectory();
}

bool PreferenceWindowController::windowShouldClose()
{
    const bool keepsNames = settings().integerValue(kFileNamePatternForSaving) == 0;
    const bool writesPlex = settings().boolValue(kWritePLEXFiles);
    if (!workingDirectoryURL().isEmpty() || (keepsNames && !writesPlex))
        return true;
    platform::Alerts::current().showAlert(QStringLiteral("noiTunesNamesWithoutWorkingDirHeader"),
                                          QStringLiteral("noiTunesNamesWithoutWorkingDirMessage"));
    return false;
}

void PreferenceWindowController::closeButtonPressed()
{
    placeholderTextFieldChanged();
    done(QDialog::Accepted);
}

void PreferenceWindowController::closeEvent(QCloseEvent* event)
{
    if (!windowShouldClose()) {
        event->ignore();
        return;
    }
    closeButtonPressed();
    event->accept();
}

void PreferenceWindowController::reject()
{
    close();
}

QLineEdit* PreferenceWindowController::placeholderTextField() const
{
    return m_ui->placeholderTextField;
}

QLabel* PreferenceWindowController::workingDirectoryLabel() const
{
    return m_ui->workingDirectoryLabel;
}

QPushButton* PreferenceWindowController::selectWorkingDirectoryButton() const
{
    return m_ui->selectWorkingDirectoryButton;
}

TokenField* PreferenceWindowController::protectedFieldsTokenField() const
{
    return m_ui->protectedFieldsTokenField;
}
