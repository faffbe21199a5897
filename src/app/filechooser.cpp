#include "app/filechooser.h"

#include "app/dialogfilechooser.h"

namespace {

FileChooser*& installed()
{
    static FileChooser* chooser = nullptr;
    return chooser;
}

}  // namespace

FileChooser& FileChooser::current()
{
    static DialogFileChooser dialogs;
    return installed() ? *installed() : dialogs;
}

void FileChooser::setCurrent(FileChooser* chooser)
{
    installed() = chooser;
}

RecordingFileChooser::RecordingFileChooser() : m_previous(installed())
{
    setCurrent(this);
}

RecordingFileChooser::~RecordingFileChooser()
{
    setCurrent(m_previous);
}

QList<QUrl> RecordingFileChooser::choose(const Request& request, QWidget*)
{
    m_requests << request;
    return m_answers.isEmpty() ? QList<QUrl>() : m_answers.takeFirst();
}
