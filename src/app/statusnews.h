#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

class QAction;
class QLabel;
class QMainWindow;

// The main window's status bar as the place where a command tells what it
// came to when nothing else in the window shows it: a search without hits,
// the tally of a batch search, chapters that wait for their setting. One
// sentence from the string table, with the names it counts as its tooltip,
// kept until the next command starts (pointing at a menu does not wipe it).
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
    void clear();

    QString text() const;
    const QStringList& details() const { return m_details; }

private:
    QLabel* m_label;
    QStringList m_details;
};
