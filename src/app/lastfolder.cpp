#include "app/lastfolder.h"

#include "app/filechooser.h"
#include "platform/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace LastFolder {

QString startFolder(const QString& key)
{
    // A folder that is not there would leave the panel wherever the program was started.
    for (const QString& folder : {platform::Settings::shared().stringValue(key),
                                  QStandardPaths::writableLocation(QStandardPaths::DownloadLocation)})
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    return QDir::homePath();
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
