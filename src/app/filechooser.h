#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;

// The open panel and the folder panel: how the application asks the user
// for files or a folder. The application installs the dialog implementation;
// tests install a RecordingFileChooser that answers for the user.
class FileChooser {
public:
    struct Request {
        QString title;
        QString message;        // a line above the list, when given
        QString prompt;         // the confirm button's text, when given
        QStringList fileTypes;  // extensions without dot; empty accepts every file
        bool canChooseFiles = true;
        bool canChooseDirectories = false;
        bool allowsMultipleSelection = false;
        QString startFolder;  // empty: the panel's own choice
    };

    virtual ~FileChooser() = default;
    // The chosen items; empty when the user cancelled.
    virtual QList<QUrl> choose(const Request& request, QWidget* parent) = 0;

    static FileChooser& current();
    // Installs `chooser` (nullptr restores the dialogs); the caller keeps ownership.
    static void setCurrent(FileChooser* chooser);
};

// Answers every request with the next queued answer (nothing when none is
// queued, as if the user cancelled) and keeps the requests; installs itself
// while it lives.
class RecordingFileChooser : public FileChooser {
public:
    RecordingFileChooser();
    ~RecordingFileChooser() override;
    RecordingFileChooser(const RecordingFileChooser&) = delete;
    RecordingFileChooser& operator=(const RecordingFileChooser&) = delete;

    void queueAnswer(const QList<QUrl>& chosen) { m_answers << chosen; }
    QList<QUrl> choose(const Request& request, QWidget* parent) override;
    const QList<Request>& requests() const { return m_requests; }

private:
    FileChooser* m_previous;
    QList<QList<QUrl>> m_answers;
    QList<Request> m_requests;
};
