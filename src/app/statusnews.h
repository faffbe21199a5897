#pragma once

#include "model/observable.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

class QAction;
class QLabel;
class QMainWindow;

// The main window's status bar as the place where a command tells what it
// came to when nothing else in the window shows it: a search without hits,
// the tally of a batch search, chapters that wait for their setting. One
// sentence from the string table (or a few), with the names it counts as its
// tooltip, kept until the next command starts (pointing at a menu does not
// wipe it) or, for news that holds only while its cause does, until that goes.
class StatusNews : public QObject {
    Q_OBJECT
public:
    explicit StatusNews(QMainWindow& window);

    // Each of `actions` clears the news when triggered, before its command
    // runs: call before the commands are connected to them.
    void clearOnEach(const QList<QAction*>& actions);

    // Shows the text of `key` with "%1", ... filled from `arguments`; its
    // tooltip holds the whole text and the `details`, one to a line.
    void tell(const QString& key, const QStringList& arguments = {}, const QStringList& details = {});
    // Like tell(), for news that holds only while `holds` answers true: when
    // `subject` announces `subjectKey` and `holds` no longer does, the news goes.
    void tellWhile(Observable& subject, const QString& subjectKey, std::function<bool()> holds, const QString& key,
                   const QStringList& arguments = {});
    // Adds the sentence of `key` (and its `details`) to the news shown.
    void add(const QString& key, const QStringList& arguments = {}, const QStringList& details = {});
    void clear();

    QString text() const;
    const QStringList& details() const { return m_details; }

private:
    QLabel* m_label;
    QStringList m_details;
    // Watches the cause of news that holds only while it lasts.
    Observable::ListenerToken m_cause;
};
