#include "app/korvalanecontroller.h"

#include "app/coverimageview.h"
#include "app/focusframefollower.h"
#include "app/imageselectcontroller.h"
#include "app/localizedform.h"
#include "app/movielistcontroller.h"
#include "app/movielistdelegate.h"
#include "app/recordeditor.h"
#include "app/statusnews.h"
#include "app/tipwindowcontroller.h"
#include "app/windowfitter.h"
#include "model/contentrating.h"
#include "online/moviegenre.h"
#include "platform/localized.h"
#include "platform/settings.h"
#include "tagging/moviefilemanager.h"
#include "ui_imageselectview.h"
#include "ui_mainwindow.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QSignalBlocker>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QToolButton>

namespace {

// Where the short description turns red: the tag holds 255 characters.
constexpr int kShortDescriptionLength = 255;

}  // namespace

KorvalaneController::KorvalaneController(QObject* parent)
    : QObject(parent),
      m_mainWindow(std::make_unique<QMainWindow>()),
      m_ui(std::make_unique<Ui::MainWindow>()),
      m_windowFitter(std::make_unique<WindowFitter>()),
      m_focusFrame(std::make_unique<FocusFrameFollower>())
{
    m_ui->setupUi(m_mainWindow.get());
    localizeForm(m_mainWindow.get());
    m_ui->mainSplitter->setSizes({420, 520, 460});
    m_mainWindow->setWindowIcon(QIcon(QStringLiteral(":/images/korvalane.png")));
    m_news = new StatusNews(*m_mainWindow);
    m_movieListController = std::make_unique<MovieListController>(m_ui->movieListTableView);
    m_movieListDelegate = std::make_unique<MovieListDelegate>(m_ui->movieListTableView, *m_movieListController, *this);
    placeSearchViewAndCoverWell();
    awakeFromNib();
}

KorvalaneController::~KorvalaneController() = default;

void KorvalaneController::awakeFromNib()
{
    readSearchLanguage();
    buildNameLists();
    loadGenreNames();
    m_coverImageView->setDelegate(this);
    if (platform::Settings::shared().boolValue(QStringLiteral("OpenCoverWindowAtLaunch")))
        m_coverWindow->show();
    setSubtitleSearchOngoing(false);
    setChapterSearchOngoing(false);
    m_whatsNewController = new TipWindowController(m_mainWindow.get(), TipWindowController::WhatsNew);
    m_tipController = new TipWindowController(m_mainWindow.get(), TipWindowController::Tips);
    MovieFileManager::initialize();
    m_recordEditor = std::make_unique<RecordEditor>(*m_ui, *m_movieListController, *this);
    connectCommands();
    watchMainWindowClose();
    updateCommandStates();
}

void KorvalaneController::placeSearchViewAndCoverWell()
{
    m_imageSelectController = new ImageSelectController(*this, m_ui->searchViewPlace);
    m_ui->searchViewPlace->layout()->addWidget(m_imageSelectController);
    m_tmdbSearchField = m_imageSelectController->ui().tmdbSearchField;
    m_coverWindow = m_imageSelectController->coverWindow();
    connect(m_movieListController.get(), &MovieListController::updateSearchDrawer, m_imageSelectController,
            &ImageSelectController::updateSearchDrawer);
    m_coverImageView = new CoverImageView(m_ui->coverWellPlace);
    m_ui->coverWellPlace->layout()->addWidget(m_coverImageView);
}

void KorvalaneController::readSearchLanguage()
{
    const platform::Settings& settings = platform::Settings::shared();
    m_localeId = settings.stringValue(QStringLiteral("CountrySettingsForSearch"));
    m_languageId = settings.stringValue(QStringLiteral("LanguageSettingsForSearch"));
}

void KorvalaneController::buildNameLists()
{
    m_ratingNames = ContentRating(m_localeId).ratingNames();
    m_explicitNames.clear();
    for (const char* key : {"explicitNone", "explicitClean", "explicitExplicit"})
        m_explicitNames << platform::localized(QString::fromLatin1(key));
    m_formatNames = {QStringLiteral("SD 480p"), QStringLiteral("HD 720p"), QStringLiteral("HD 1080p"),
                     QStringLiteral("HD 2160p")};
    m_chapterNames.clear();
    for (const char* key : {"chapterNone", "chapterCount", "chapterMinute", "chapterDb"})
        m_chapterNames << platform::localized(QString::fromLatin1(key));
}

void KorvalaneController::loadGenreNames()
{
    MovieGenre::setTMDbGenreNames(m_languageId, m_localeId);
    setMovieGenresNames(MovieGenre::genreNames());
}

void KorvalaneController::setMovieGenresNames(const QStringList& names)
{
    if (names == m_movieGenresNames)
        return;
    m_movieGenresNames = names;
    emit movieGenresNamesChanged();
}

void KorvalaneController::setSubtitleSearchOngoing(bool ongoing)
{
    m_subtitleSearchOngoing = ongoing;
    emit searchFlagsChanged();
}

void KorvalaneController::setChapterSearchOngoing(bool ongoing)
{
    m_chapterSearchOngoing = ongoing;
    emit searchFlagsChanged();
}

void KorvalaneController::connectCommands()
{
    Ui::MainWindow& ui = *m_ui;
    const QList<QAction*> actions = m_mainWindow->findChildren<QAction*>();
    // Each command's news replaces the last one's: cleared first, told by the command.
    m_news->clearOnEach(actions);
    // A command acts on what the user typed, also into a field not yet left
    // (a shortcut or a toolbar button leaves the focus where it is).
    for (QAction* action : actions)
        connect(action, &QAction::triggered, m_recordEditor.get(), &RecordEditor::commitEditing);
    const std::pair<QAction*, QKeySequence::StandardKey> standardKeys[] = {
        {ui.actionOpen, QKeySequence::Open},
        {ui.actionSave, QKeySequence::Save},
        {ui.actionSaveAs, QKeySequence::SaveAs},
        {ui.actionPreferences, QKeySequence::Preferences},
        {ui.actionQuit, QKeySequence::Quit},
        {ui.actionCutAll, QKeySequence::Cut},
        {ui.actionCopyAll, QKeySequence::Copy},
        {ui.actionPasteAll, QKeySequence::Paste},
        {ui.actionRemoveCurrent, QKeySequence::Delete},
        {ui.actionSelectAll, QKeySequence::SelectAll},
        {ui.actionFindTmdbInfo, QKeySequence::Find},
        {ui.actionOpenHelp, QKeySequence::HelpContents},
    };
    for (const auto& [action, key] : standardKeys)
        action->setShortcuts(key);

    const std::pair<QAction*, void (KorvalaneController::*)()> commands[] = {
        {ui.actionOpen, &KorvalaneController::open},
        {ui.actionSave, &KorvalaneController::save},
        {ui.actionSaveAnyway, &KorvalaneController::saveAnyway},
        {ui.actionSaveAll, &KorvalaneController::saveAll},
        {ui.actionSaveAs, &KorvalaneController::saveAs},
        {ui.actionPreferences, &KorvalaneController::preferencesMenu},
        {ui.actionCutAll, &KorvalaneController::cutAll},
        {ui.actionCopyAll, &KorvalaneController::copyAll},
        {ui.actionPasteAll, &KorvalaneController::pasteAll},
        {ui.actionFindTmdbInfo, &KorvalaneController::findTmdbInfo},
        {ui.actionFindTmdbInfoAll, &KorvalaneController::findTmdbInfoAll},
        {ui.actionSplitAllTitles, &KorvalaneController::splitAllTitles},
        {ui.actionChapterDbSearchViaAPI, &KorvalaneController::chapterDbSearchViaAPI},
        {ui.actionChapterDbSearch, &KorvalaneController::chapterDbSearch},
        {ui.actionChapterDbLoad, &KorvalaneController::chapterDbLoad},
        {ui.actionSearchSubtitleForTitle, &KorvalaneController::searchSubtitleForTitle},
        {ui.actionOpenSubtitleWebSearch, &KorvalaneController::openSubtitleWebSearch},
        {ui.actionOpenSubtitleFile, &KorvalaneController::openSubtitleFile},
        {ui.actionOpenIDWindow, &KorvalaneController::openIDWindow},
        {ui.actionOpenTipsWindow, &KorvalaneController::openTipsWindow},
        {ui.actionOpenWhatsNewWindow, &KorvalaneController::openWhatsNewWindow},
        {ui.actionOpenHelp, &KorvalaneController::openHelp},
        {ui.actionOpenMainWindowHelp, &KorvalaneController::openMainWindowHelp},
        {ui.actionOpenSearchWindowHelp, &KorvalaneController::openSearchWindowHelp},
        {ui.actionOpenMenuWindowHelp, &KorvalaneController::openMenuWindowHelp},
        {ui.actionOpenSupportHelp, &KorvalaneController::openSupportHelp},
    };
    for (const auto& [action, command] : commands)
        connect(action, &QAction::triggered, this, command);
    connect(ui.actionQuit, &QAction::triggered, m_mainWindow.get(), &QMainWindow::close);

    MovieListController* list = m_movieListController.get();
    connect(ui.actionRemoveCurrent, &QAction::triggered, list, &MovieListController::removeCurrent);
    connect(ui.actionClearCurrent, &QAction::triggered, list, &MovieListController::clearCurrent);
    connect(ui.actionRemoveAll, &QAction::triggered, list, &MovieListController::removeAll);
    connect(ui.actionSelectAll, &QAction::triggered, list, &MovieListController::selectAll);
    // The list's commands work on the table; elsewhere the keys edit text.
    for (QAction* action :
         {ui.actionRemoveCurrent, ui.actionSelectAll, ui.actionCutAll, ui.actionCopyAll, ui.actionPasteAll})
        action->setShortcutContext(Qt::WindowShortcut);

    connect(ui.shortDescTextView, &QTextEdit::textChanged, this, [this] { textDidChange(m_ui->shortDescTextView); });
    addCutAndPasteControl();
    connect(list, &MovieListController::flagsChanged, this, &KorvalaneController::updateCommandStates);
    connect(this, &KorvalaneController::searchFlagsChanged, this, &KorvalaneController::updateCommandStates);
    connect(m_recordEditor.get(), &RecordEditor::entryTyped, this, &KorvalaneController::updateCommandStates);
}

void KorvalaneController::addCutAndPasteControl()
{
    // Three joined buttons: 0 cut, 1 copy, 2 paste.
    auto* control = new QWidget(m_ui->mainToolBar);
    control->setObjectName(QStringLiteral("cutAndPasteControl"));
    auto* layout = new QHBoxLayout(control);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* segments = new QButtonGroup(control);
    int segment = 0;
    for (QAction* action : {m_ui->actionCutAll, m_ui->actionCopyAll, m_ui->actionPasteAll}) {
        auto* button = new QToolButton(control);
        button->setIcon(action->icon());
        button->setText(action->iconText());
        button->setToolTip(action->text().remove(QLatin1Char('&')));
        button->setToolButtonStyle(m_ui->mainToolBar->toolButtonStyle());
        button->setAutoRaise(true);
        layout->addWidget(button);
        segments->addButton(button, segment++);
    }
    connect(segments, &QButtonGroup::idClicked, this, &KorvalaneController::cutAndPasteToolbarSelected);
    m_ui->mainToolBar->insertWidget(m_ui->actionChapterDbSearchViaAPI, control);
    m_ui->mainToolBar->insertSeparator(m_ui->actionChapterDbSearchViaAPI);
}

void KorvalaneController::updateCommandStates()
{
    const MovieListController& list = *m_movieListController;
    const bool selected = list.isMovieSelected();
    // An entry typed into a field and not yet left counts as made: the saves take it first.
    const bool typing = m_recordEditor->holdsUncommittedEdit();
    Ui::MainWindow& ui = *m_ui;
    ui.actionSave->setEnabled(list.canTagMovies() || typing);
    ui.actionSaveAs->setEnabled(list.canTagMovies() || typing);
    ui.actionSaveAnyway->setEnabled(selected);
    ui.actionSaveAll->setEnabled(list.canTagOneMovie() || typing);
    ui.actionFindTmdbInfoAll->setEnabled(list.canSearchMovies());
    for (QAction* action :
         {ui.actionRemoveCurrent, ui.actionClearCurrent, ui.actionCutAll, ui.actionCopyAll, ui.actionPasteAll,
          ui.actionSplitAllTitles, ui.actionChapterDbLoad, ui.actionOpenSubtitleFile, ui.actionOpenIDWindow})
        action->setEnabled(selected);
    ui.actionRemoveAll->setEnabled(!list.arrangedObjects().isEmpty());
    ui.actionChapterDbSearchViaAPI->setEnabled(selected && !m_chapterSearchOngoing);
    ui.actionSearchSubtitleForTitle->setEnabled(selected && !m_subtitleSearchOngoing);
    if (QWidget* control = ui.mainToolBar->findChild<QWidget*>(QStringLiteral("cutAndPasteControl")))
        control->setEnabled(selected);
}

QLineEdit* KorvalaneController::titleEdit() const
{
    return m_ui->titleEdit;
}

QTextEdit* KorvalaneController::shortDescTextView() const
{
    return m_ui->shortDescTextView;
}

std::shared_ptr<MovieModel> KorvalaneController::getSelectedMovie() const
{
    const qsizetype index = m_movieListController->selectionIndex();
    if (index == MovieList::NotFound)
        return nullptr;
    return m_movieListController->arrangedObjects().at(index);
}

QList<std::shared_ptr<MovieModel>> KorvalaneController::getSelectedMovies() const
{
    return m_movieListController->selectedObjects();
}

QString KorvalaneController::shownTitle(const MovieModel& movie)
{
    return movie.title().isEmpty() ? movie.fileNameWithoutPath() : movie.title();
}

bool KorvalaneController::serviceKeyIsSet(platform::Service service)
{
    if (m_serviceKeys.keyIsSet(service))
        return true;
    m_news->tell(QStringLiteral("newsServiceKeyMissing"), ServiceKeyCheck::missingKeyAlert(service).arguments);
    return false;
}

bool KorvalaneController::saveButtonsEnabled() const
{
    return m_movieListController->canTagOneMovie();
}

void KorvalaneController::textDidChange(QObject* sender)
{
    QTextEdit* view = m_ui->shortDescTextView;
    if (sender != view)
        return;
    QTextDocument* document = view->document();
    const int length = document->characterCount() - 1;  // without the closing paragraph mark
    if (length <= 0)
        return;
    // Recolouring changes formats, not text: nobody needs to hear of it.
    const QSignalBlocker blocker(view);
    QTextCursor cursor(document);
    QTextCharFormat normal;
    normal.setForeground(view->palette().text());
    cursor.select(QTextCursor::Document);
    cursor.mergeCharFormat(normal);
    if (length > kShortDescriptionLength) {
        QTextCharFormat red;
        red.setForeground(Qt::red);
        cursor.setPosition(kShortDescriptionLength);
        cursor.setPosition(length, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(red);
    }
}
