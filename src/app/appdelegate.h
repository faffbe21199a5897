#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <utility>

class KorvalaneController;
class QDialog;
class QMainWindow;

// The application's delegate: works out the user's language and country and
// registers the default of every setting before anything reads one, shows
// the start-up windows once launching has finished, and hands files given by
// the operating system (command line, desktop entry) to the main window.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    using DefaultSettings = QList<std::pair<QString, QVariant>>;
    // Kinds of start-up window besides the tips.
    enum StartupWindow { WarningWindow = 1, WhatsNewWindow = 2 };
    // Makes the start-up window of a kind over the main window; null when there is none.
    using StartupWindowMaker = std::function<std::unique_ptr<QDialog>(QMainWindow* mainWindow, StartupWindow kind)>;

    explicit AppDelegate(KorvalaneController& controller, QObject* parent = nullptr);
    ~AppDelegate() override;

    // Works out language and country from `preferredLanguages` (the system's
    // when not given), shows every text in that language (English where it
    // has no translation) and registers every setting's default. Run once at
    // start, before the main window exists; tests run it to get the defaults.
    static void initialize();
    static void initialize(const QStringList& preferredLanguages);
    // Registers every setting's default with the given language and country.
    static void registerDefaults(const QString& language, const QString& country);

    // Two-letter lower-case language and country from the first preferred
    // language tag; "en" / "us" where either is missing or not supported.
    static void setPreferredLanguage(QString& language, QString& locale, const QStringList& preferredLanguages);

    // The 40 registered settings in their order of registration.
    static DefaultSettings defaultSettings(const QString& language, const QString& country);

    QMainWindow* window() const;
    KorvalaneController& korvalaneController() const { return m_korvalaneController; }

    // Loads the given paths as files opened from the menu; true when
    // something was loaded (the reply to the operating system).
    bool openFiles(const QStringList& paths);

    void setStartupWindowMaker(StartupWindowMaker maker) { m_startupWindowMaker = std::move(maker); }
    // Once launching has finished: the warning and the what's-new window, each
    // modal and each unless switched off, then the tips window, not modal.
    void applicationDidFinishLaunching();

private:
    void runStartupWindow(const QString& switchKey, StartupWindow kind);

    KorvalaneController& m_korvalaneController;
    StartupWindowMaker m_startupWindowMaker;
};
