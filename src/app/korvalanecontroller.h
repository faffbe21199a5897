#pragma once

#include "app/servicekeycheck.h"
#include "model/moviemodel.h"

#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <memory>
#include <utility>

class CoverImageView;
class FocusFrameFollower;
class WindowFitter;
class ImageSelectController;
class MovieListController;
class MovieListDelegate;
class OpenSubtitleAPI;
class QMainWindow;
class RecordEditor;
class StatusNews;
class TMDbAPI;
class QSplitter;
class QTextEdit;
class TipWindowController;

namespace platform {
class ModalSession;
class ProgressIndicator;
}  // namespace platform

namespace Ui {
class MainWindow;
}

// The controller of the main window and the hub of the user's commands: it
// holds the search language and country that every load, search and save is
// given, the name lists of the editor's choosers, and the connections to the
// movie list, the search view and the cover well. Every command is a slot
// connected to its action in the window's menus and toolbar.
//
// Its operations live in files by concern: set-up and selection here,
// _loading, _saving, _search, _chapters, _subtitles, _clipboard, _titles,
// _help and _windows beside it.
class KorvalaneController : public QObject {
    Q_OBJECT
public:
    // Builds the main window from its form and sets everything up. The
    // settings' defaults must be registered before (AppDelegate::initialize()).
    explicit KorvalaneController(QObject* parent = nullptr);
    ~KorvalaneController() override;

    // Loads files (URLs or paths) into the list, selects the new records and,
    // when so set, starts the batch search over them. False when nothing was
    // loaded; the loading operation has shown its own alert then.
    bool loadMoviesByURL(const QVariantList& items);
    bool loadMoviesByURL(const QStringList& paths);

    // The record of the first selected row, or null.
    std::shared_ptr<MovieModel> getSelectedMovie() const;
    // The selected records in list order.
    QList<std::shared_ptr<MovieModel>> getSelectedMovies() const;
    // Some record of the whole list is ready to tag.
    bool saveButtonsEnabled() const;

    QMainWindow* mainWindow() const { return m_mainWindow.get(); }
    Ui::MainWindow& ui() const { return *m_ui; }
    MovieListController& movieListController() const { return *m_movieListController; }
    MovieListDelegate& movieListDelegate() const { return *m_movieListDelegate; }
    QLineEdit* titleEdit() const;
    QTextEdit* shortDescTextView() const;
    QLineEdit* tmdbSearchField() const { return m_tmdbSearchField; }
    void setTmdbSearchField(QLineEdit* field) { m_tmdbSearchField = field; }
    ImageSelectController* imageSelectController() const { return m_imageSelectController; }
    CoverImageView* coverImageView() const { return m_coverImageView; }
    // The status bar's news of the last command.
    StatusNews& news() const { return *m_news; }

    const QString& languageId() const { return m_languageId; }
    const QString& localeId() const { return m_localeId; }
    const QStringList& movieGenresNames() const { return m_movieGenresNames; }
    void setMovieGenresNames(const QStringList& names);
    const QStringList& ratingNames() const { return m_ratingNames; }
    const QStringList& explicitNames() const { return m_explicitNames; }
    const QStringList& formatNames() const { return m_formatNames; }
    const QStringList& chapterNames() const { return m_chapterNames; }
    const std::shared_ptr<MovieModel>& movieInClipBoad() const { return m_movieInClipBoad; }
    // The id panel, once it was opened.
    QWidget* idWindow() const { return m_idWindow; }
    // The tips and what's-new windows, made with the main window; they live as long as it.
    TipWindowController* tipController() const { return m_tipController; }
    TipWindowController* whatsNewController() const { return m_whatsNewController; }

    // After the preferences window closed: reads the search language and
    // country again ("en" stands for "us"), rebuilds the rating names when
    // the country or the FSK choice differs from `countryBefore` and
    // `fskBefore` (as stored when the window opened), and reloads the genre names.
    void preferencesClosed(const QString& countryBefore, bool fskBefore);

    bool subtitleSearchOngoing() const { return m_subtitleSearchOngoing; }
    void setSubtitleSearchOngoing(bool ongoing);
    bool chapterSearchOngoing() const { return m_chapterSearchOngoing; }
    void setChapterSearchOngoing(bool ongoing);

    // Recolours the short description: past 255 characters the text is red.
    void textDidChange(QObject* sender);

    // What a chapter or subtitle search for one record came to.
    enum class FetchOutcome { Fetched, NoRecord, NoImdbId, NoKey, NoLogin, NoneFound, Failed };
    // What the subtitle and chapter searches made into a lookup's result came
    // to; NoRecord for one the settings do not ask for.
    struct ExtrasOutcome {
        FetchOutcome subtitle = FetchOutcome::NoRecord;
        FetchOutcome chapters = FetchOutcome::NoRecord;
    };
    // Gives a lookup's result the duration, picture format and chapter
    // setting of `record`, then fetches its subtitle and chapters, as set.
    ExtrasOutcome completeSearchResult(const MovieModel& record, const std::shared_ptr<MovieModel>& result);
    // Adds to the status bar's news what went wrong in those searches.
    void tellExtrasMissed(const ExtrasOutcome& extras, MovieModel& result);

    // What one record's turn in the batch search came to: the lookup, and
    // the subtitle and chapter searches of a merged result.
    enum class SearchOutcome { Merged, NotFound, Stopped };
    struct SearchTurn {
        SearchOutcome lookup = SearchOutcome::Stopped;
        ExtrasOutcome extras;
    };
    // One record's turn in the batch search: the lookup by its title (or one
    // made from its file name), then, as set, the subtitle and the chapters
    // fetched into the result, which is attached to the record and merged
    // into its fields by the stored copy behaviour. A record the database
    // does not know is NotFound; a failed or cancelled lookup is Stopped.
    // Without an indicator or a session the lookup waits without showing progress.
    SearchTurn searchAndMerge(MovieModel& record, TMDbAPI& client, platform::ProgressIndicator* indicator = nullptr,
                              platform::ModalSession* session = nullptr);
    // Chapter and subtitle searches for a given record (the batch search and
    // the hand search use them on their search result).
    FetchOutcome chapterDbSearchViaAPIWithMovie(const std::shared_ptr<MovieModel>& movie);
    FetchOutcome searchForSubtitle(const std::shared_ptr<MovieModel>& movie);
    // Title, year, genre and picture format from the record's file name.
    bool splitTitle(const std::shared_ptr<MovieModel>& movie, bool showAlert);
    // Opens a help page: `addressFormat` holds "%1" for the language code.
    void openWebSite(const QString& addressFormat);

    // Whether a command may ask `service`: without its key the command sends
    // nothing, the user is told once per run where to set the key, and the
    // status bar says so each time.
    bool serviceKeyIsSet(platform::Service service);
    // Whether the main window may close: with records not yet saved, the
    // user chooses to save them all (closing only when every write worked),
    // to discard them, or to cancel.
    bool windowShouldClose();

public slots:
    void open();
    void save();
    void saveAnyway();
    void saveAll();
    void saveAs();
    void findTmdbInfo();
    void findTmdbInfoAll();
    void preferencesMenu();

    void chapterDbSearch();
    void chapterDbSearchViaAPI();
    void chapterDbLoad();
    void openSubtitleWebSearch();
    void openSubtitleFile();
    void searchSubtitleForTitle();
    void copyAll();
    void cutAll();
    void pasteAll();
    void cutAndPasteToolbarSelected(int segment);
    void splitAllTitles();
    void openHelp();
    void openMainWindowHelp();
    void openSearchWindowHelp();
    void openMenuWindowHelp();
    void openSupportHelp();
    void openIDWindow();
    void openTipsWindow();
    void openWhatsNewWindow();
    void windowWillClose();

signals:
    // A user-started chapter or subtitle search began or ended.
    void searchFlagsChanged();
    // The genre names changed; the editor's choosers are filled again from the name lists.
    void movieGenresNamesChanged();
    void ratingNamesChanged();

private:
    void placeSearchViewAndCoverWell();
    void awakeFromNib();
    void readSearchLanguage();
    void buildNameLists();
    void loadGenreNames();
    void connectCommands();
    void addCutAndPasteControl();
    void updateCommandStates();
    // The record as the news names it: its title, else its file's name.
    static QString shownTitle(const MovieModel& movie);
    // Add to the status bar's news what a subtitle or chapter search came to.
    void tellSubtitleOutcome(FetchOutcome outcome, const MovieModel& movie);
    void tellChapterOutcome(FetchOutcome outcome, MovieModel& movie);
    // Says that `count` chapters came from `source` (the first of `keys`), or,
    // under another chapter setting than the database's or a file's, that they
    // wait for that setting (the second), as long as the record's setting is another.
    void tellChaptersTaken(const std::pair<QString, QString>& keys, qsizetype count, const QString& source,
                           MovieModel& movie);
    // Runs a search the user started: the flag is set while it runs, and a
    // failure raised inside goes to the log by `errorFormat` ("%1": the failure).
    void runUserSearch(void (KorvalaneController::*setOngoing)(bool), const QString& errorFormat,
                       const std::function<void()>& search);
    // Closing the main window ends the application (windowWillClose), once
    // windowShouldClose() lets it.
    void watchMainWindowClose();
    // The Save All command; true when every record tried was written.
    bool saveAllRecords();
    // Saves through the movie file manager and selects the same rows again;
    // true when every record tried was written.
    bool saveFilesKeepingSelection(bool selectedOnly, bool force);
    // The open panel's first folder: the last one used, else the Movies folder, else home.
    static QString openPanelStartFolder();
    // The file names of the records a subtitle or chapter search of the batch found nothing for, or failed for.
    struct ExtrasTally {
        QStringList notFound;
        QStringList failed;
        void count(FetchOutcome outcome, const QString& name);
    };
    // What a batch search came to: records found, the file names of those not
    // found, and of those not searched because the run failed or was cancelled
    // there; and what the subtitle and chapter searches of the records found missed.
    struct BatchTally {
        qsizetype found = 0;
        QStringList notFound;
        QStringList notSearched;
        bool cancelled = false;
        ExtrasTally subtitles;
        ExtrasTally chapters;
    };
    // Says in the status bar what the batch search came to, naming the records it counts.
    void tellBatchTally(const BatchTally& tally);
    // The search view shows a result the batch search found, and at its end the hits again.
    void showSearchResultPage(const MovieModel& result);
    void showSearchHitsPage();

    std::unique_ptr<QMainWindow> m_mainWindow;
    std::unique_ptr<Ui::MainWindow> m_ui;
    std::unique_ptr<MovieListController> m_movieListController;
    std::unique_ptr<MovieListDelegate> m_movieListDelegate;
    std::unique_ptr<RecordEditor> m_recordEditor;
    std::unique_ptr<WindowFitter> m_windowFitter;
    std::unique_ptr<FocusFrameFollower> m_focusFrame;
    StatusNews* m_news = nullptr;
    QPointer<QWidget> m_coverWindow;
    QPointer<QWidget> m_idWindow;
    CoverImageView* m_coverImageView = nullptr;
    ImageSelectController* m_imageSelectController = nullptr;
    QPointer<QLineEdit> m_tmdbSearchField;
    TipWindowController* m_tipController = nullptr;
    TipWindowController* m_whatsNewController = nullptr;
    std::shared_ptr<OpenSubtitleAPI> m_subtitleAPI;
    std::shared_ptr<MovieModel> m_movieInClipBoad;

    QString m_localeId;
    QString m_languageId;
    QStringList m_movieGenresNames;
    QStringList m_ratingNames;
    QStringList m_explicitNames;
    QStringList m_formatNames;
    QStringList m_chapterNames;
    bool m_subtitleSearchOngoing = false;
    bool m_chapterSearchOngoing = false;
    ServiceKeyCheck m_serviceKeys;
};
