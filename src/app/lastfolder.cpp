#include "app/lastfolder.h"

#include "app/filechooser.h"
#include "platform/settings.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace LastFolder {

QString startFolder(const QString& key)
{
    const QString stored = platform::Settings::shared().stringValue(key);
    if (!stored.isEmpty())
        return stored;
    return QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
}

void remember(const QString& key, const QUrl& chosen)
{
    platform::Settings& settings = platform::Settings::shared();
    settings.setValue(key, QFileInfo(chosen.toLocalFile()).absolutePath());
    settings.synchronize();
}

QUrl chooseOneFile(const QString& key, const QStringList& fileTypes, QWidget* parent)
{
    FileChooser::Request request;
    request.fileTypes = fileTypes;
    request.startFolder = startFolder(key);
    const QList<QUrl> chosen = FileChooser::current().choose(request, parent);
    if (chosen.isEmpty())
        return {};
    remember(key, chosen.first());
    return chosen.first();
}

}  // namespace LastFolder
