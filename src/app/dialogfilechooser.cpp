#include "app/dialogfilechooser.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {

// A file dialog that also confirms a selected folder when folders may be
// chosen together with files (Qt's own modes offer either, not both).
class FilesAndFoldersDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;
    bool acceptsFolders = false;

protected:
    void accept() override
    {
        const QStringList chosen = selectedFiles();
        const bool folderChosen =
            acceptsFolders && !chosen.isEmpty() && QFileInfo(chosen.first()).isDir() && fileMode() != Directory;
        if (folderChosen)
            QDialog::accept();
        else
            QFileDialog::accept();
    }
};

QString nameFilter(const QStringList& fileTypes)
{
    QStringList patterns;
    for (const QString& type : fileTypes)
        patterns << QStringLiteral("*.") + type << QStringLiteral("*.") + type.toUpper();
    return patterns.join(QLatin1Char(' '));
}

}  // namespace

QList<QUrl> DialogFileChooser::choose(const Request& request, QWidget* parent)
{
    FilesAndFoldersDialog dialog(parent, request.title, request.startFolder);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!request.canChooseFiles) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog.setFileMode(request.allowsMultipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
        dialog.acceptsFolders = request.canChooseDirectories;
    }
    if (!request.fileTypes.isEmpty() && request.canChooseFiles)
        dialog.setNameFilter(nameFilter(request.fileTypes));
    if (!request.message.isEmpty())
        dialog.setLabelText(QFileDialog::LookIn, request.message);
    if (!request.prompt.isEmpty())
        dialog.setLabelText(QFileDialog::Accept, request.prompt);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedUrls();
}
