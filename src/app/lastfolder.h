#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;

// The open panels that remember their folder per kind of file under a
// settings key ("NSNavLastChapterDirectory", ...), starting in the user's
// Downloads folder until a file was chosen.
namespace LastFolder {

// The folder stored under `key`; the Downloads folder when nothing is stored;
// the home folder when neither is there.
QString startFolder(const QString& key);
// Stores the folder that holds `chosen` under `key` and writes the settings at once.
void remember(const QString& key, const QUrl& chosen);
// Asks for one file of the given types, starting in the folder of `key`, and
// remembers its folder; empty when the user cancelled.
QUrl chooseOneFile(const QString& key, const QStringList& fileTypes, QWidget* parent);

}  // namespace LastFolder
