#include "app/coverimageview.h"

#include "app/imageselectcontroller.h"
#include "app/korvalanecontroller.h"
#include "app/movielistcontroller.h"
#include "app/selectedrecordfollower.h"
#include "model/chaptermodel.h"
#include "model/helpers.h"
#include "model/movielist.h"
#include "model/moviemodel.h"
#include "online/imagefromurl.h"
#include "platform/localized.h"
#include "tagging/eyetvepegloader.h"
#include "tagging/filepaths.h"
#include "tagging/moviefileloading.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>

namespace {

const QStringList kRecordingExtensions{QStringLiteral("eyetv"), QStringLiteral("eyetvsched")};
const QStringList kChapterExtensions{QStringLiteral("xml"), QStringLiteral("txt"), QStringLiteral("chp"),
                                     QStringLiteral("json")};
const QString kTiff = QStringLiteral("image/tiff");
const QString kPng = QStringLiteral("image/png");

QUrl firstFileUrl(const QMimeData& data)
{
    const QList<QUrl> urls = data.urls();
    return urls.isEmpty() ? QUrl() : urls.first();
}

bool offersImageData(const QMimeData& data)
{
    return data.hasFormat(kTiff) || data.hasFormat(kPng) || data.hasImage();
}

// The picture a drop or paste offers as data: TIFF first, then PNG, then
// whatever picture the platform hands over; none when it delivers nothing.
platform::PicturePtr imageFromMimeData(const QMimeData& data)
{
    for (const QString& format : {kTiff, kPng}) {
        const QByteArray bytes = data.data(format);
        if (!bytes.isEmpty())
            return imageFromData(bytes);
    }
    const QImage image = qvariant_cast<QImage>(data.imageData());
    return image.isNull() ? nullptr : platform::Picture::fromImage(image);
}

// A picture that decodes to nothing would only wipe a record's cover.
bool isUsable(const platform::PicturePtr& picture)
{
    return picture && !picture->isNull() && !picture->image().isNull();
}

bool isAcceptedFile(const QUrl& url)
{
    return MovieFileManager::isValidImageFile(url) || ChapterModel::isValidChapterFile(url) ||
           MovieFileManager::isValidEyeTVFile(url);
}

}  // namespace

CoverImageView::CoverImageView(QWidget* parent) : QFrame(parent)
{
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::StyledPanel);
    setMinimumSize(120, 120);
    showCoverOf(nullptr);
}

CoverImageView::~CoverImageView() = default;

void CoverImageView::setDelegate(KorvalaneController* delegate)
{
    m_delegate = delegate;
    m_shownCover.reset();
    if (m_delegate)
        m_shownCover = std::make_unique<SelectedRecordFollower>(
            m_delegate->movieListController(), QStringLiteral("cover"),
            [this](const std::shared_ptr<MovieModel>& movie) { showCoverOf(movie); });
    else
        showCoverOf(nullptr);
}

std::shared_ptr<MovieModel> CoverImageView::selectedMovie() const
{
    return m_delegate ? m_delegate->getSelectedMovie() : nullptr;
}

QList<std::shared_ptr<MovieModel>> CoverImageView::selectedMovies() const
{
    return m_delegate ? m_delegate->getSelectedMovies() : QList<std::shared_ptr<MovieModel>>();
}

std::shared_ptr<MovieModel> CoverImageView::movieWithCover() const
{
    std::shared_ptr<MovieModel> movie = selectedMovie();
    return movie && movie->coverIsSet() ? movie : nullptr;
}

void CoverImageView::showCoverOf(const std::shared_ptr<MovieModel>& movie)
{
    m_cover = movie && movie->cover() ? movie->cover() : noCoverImage();
    m_shown = QImage();
    m_shownSize = QSize();
    update();
}

QRect CoverImageView::pictureArea() const
{
    if (!m_cover || m_cover->isNull())
        return {};
    const QRect area = contentsRect().adjusted(4, 4, -4, -4);
    QRect target(QPoint(0, 0), m_cover->pixelSize().scaled(area.size(), Qt::KeepAspectRatio));
    target.moveCenter(area.center());
    return target;
}

const QImage& CoverImageView::shownImage() const
{
    if (!m_cover)
        return m_shown;
    // Never decoded larger than the picture itself: the painter enlarges it.
    const QSize drawn = pictureArea().size() * devicePixelRatioF();
    const QSize wanted = drawn.isEmpty() || drawn.width() > m_cover->pixelSize().width() ? m_cover->pixelSize() : drawn;
    // Tried once per size: a cover that cannot be read is not read again on every paint.
    if (m_shownSize != wanted) {
        m_shown = m_cover->image(wanted);
        m_shownSize = wanted;
    }
    return m_shown;
}

void CoverImageView::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    const QImage& shown = shownImage();
    if (shown.isNull()) {
        // A cover the record holds but nothing here can read (a format without a
        // reader, a damaged picture, a file changed since): say so rather than show none.
        if (m_cover && m_cover != noCoverImage()) {
            QPainter painter(this);
            painter.drawText(contentsRect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                             platform::localized(QStringLiteral("coverUnreadable")));
        }
        return;
    }
    const QRect target = pictureArea();
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, shown);
}

Qt::DropAction CoverImageView::draggingEntered(const QMimeData& data, Qt::DropActions actions) const
{
    if (!selectedMovie() || !actions.testFlag(Qt::CopyAction))
        return Qt::IgnoreAction;
    if (data.hasUrls() && isAcceptedFile(firstFileUrl(data)))
        return Qt::CopyAction;
    return offersImageData(data) ? Qt::CopyAction : Qt::IgnoreAction;
}

bool CoverImageView::performDragOperation(const QMimeData& data)
{
    platform::PicturePtr image;
    if (data.hasUrls()) {
        const QUrl url = firstFileUrl(data);
        if (!MovieFileManager::isValidImageFile(url)) {
            dropFileOrCoverHasOcurred(url);
            return false;
        }
        image = imageFromURL(url);
    } else {
        image = imageFromMimeData(data);
    }
    if (!isUsable(image))
        return false;
    // Every selected record gets the one dropped picture.
    for (const std::shared_ptr<MovieModel>& movie : selectedMovies())
        movie->setCover(image);
    return true;
}

void CoverImageView::dropFileOrCoverHasOcurred(const QUrl& url)
{
    if (url.isEmpty() || !m_delegate)
        return;
    // Compared as written: the extension decides what the file is.
    const QString extension = FilePaths::pathExtension(FilePaths::lastPathComponent(url));
    for (const std::shared_ptr<MovieModel>& movie : selectedMovies()) {
        if (kRecordingExtensions.contains(extension))
            EyeTVEPegLoader::loadEyeTVEPegInfos(url, *movie, m_delegate->localeId());
        else if (kChapterExtensions.contains(extension))
            movie->setChapterDbFileUrl(url);
    }
}

void CoverImageView::dragEnterEvent(QDragEnterEvent* event)
{
    // A cover dragged out of this application is not taken back in.
    if (qobject_cast<CoverImageView*>(event->source()))
        return event->ignore();
    const Qt::DropAction action = draggingEntered(*event->mimeData(), event->possibleActions());
    if (action == Qt::IgnoreAction)
        return event->ignore();
    event->setDropAction(action);
    event->accept();
}

void CoverImageView::dragMoveEvent(QDragMoveEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void CoverImageView::dropEvent(QDropEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    if (performDragOperation(*event->mimeData()))
        event->accept();
    else
        event->ignore();
    update();
}

std::optional<QString> CoverImageView::namesOfPromisedFilesDroppedAtDestination(const QString& folder) const
{
    const std::shared_ptr<MovieModel> movie = movieWithCover();
    if (!movie || movie->fileUrl().isEmpty())
        return std::nullopt;
    const QString name = FilePaths::deletingPathExtension(FilePaths::lastPathComponent(movie->fileUrl())) + ".jpg";
    const QString path = QDir(folder).filePath(name);
    // A JPEG cover is written with its own bytes, any other encoded once.
    const std::optional<QByteArray> jpeg = movie->cover()->jpegData();
    QFile file(path);
    if (!jpeg || !file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(*jpeg) != jpeg->size())
        return std::nullopt;
    return path;
}

std::unique_ptr<QMimeData> CoverImageView::coverDragData()
{
    const std::shared_ptr<MovieModel> movie = movieWithCover();
    if (!movie)
        return nullptr;
    auto data = std::make_unique<QMimeData>();
    data->setImageData(movie->cover()->image());
    if (!m_dragFolder)
        m_dragFolder = std::make_unique<QTemporaryDir>();
    if (m_dragFolder->isValid()) {
        if (const std::optional<QString> path = namesOfPromisedFilesDroppedAtDestination(m_dragFolder->path()))
            data->setUrls({QUrl::fromLocalFile(*path)});
    }
    return data;
}

void CoverImageView::startCoverDrag()
{
    std::unique_ptr<QMimeData> data = coverDragData();
    if (!data)
        return;
    const QImage cover = qvariant_cast<QImage>(data->imageData());
    auto* drag = new QDrag(this);
    drag->setMimeData(data.release());
    drag->setPixmap(QPixmap::fromImage(cover.scaledToWidth(kDragImageWidth, Qt::SmoothTransformation)));
    drag->setHotSpot(QPoint(10, 10));
    drag->exec(Qt::CopyAction);
}

void CoverImageView::mousePressEvent(QMouseEvent* event)
{
    m_pressPosition = event->position().toPoint();
    QFrame::mousePressEvent(event);
}

void CoverImageView::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton) ||
        (event->position().toPoint() - m_pressPosition).manhattanLength() < QApplication::startDragDistance())
        return QFrame::mouseMoveEvent(event);
    startCoverDrag();
}

QImage CoverImageView::coverForCoverWindow(const platform::Picture& cover)
{
    const QSize full = cover.pixelSize();
    if (full.width() <= kCoverWindowMaxWidth)
        return cover.image();
    return cover.image(full.scaled(kCoverWindowMaxWidth, full.height(), Qt::KeepAspectRatio));
}

void CoverImageView::mouseDoubleClickEvent(QMouseEvent* /*event*/)
{
    const std::shared_ptr<MovieModel> movie = movieWithCover();
    if (!movie || !m_delegate || !m_delegate->imageSelectController())
        return;
    const QImage image = coverForCoverWindow(*movie->cover());
    m_delegate->imageSelectController()->showInCoverWindow(image, image.size());
}

void CoverImageView::copy()
{
    const std::shared_ptr<MovieModel> movie = movieWithCover();
    if (!movie)
        return;
    auto* data = new QMimeData;
    data->setImageData(movie->cover()->image());
    QGuiApplication::clipboard()->setMimeData(data);
}

void CoverImageView::cut()
{
    if (!movieWithCover())
        return;
    copy();
    for (const std::shared_ptr<MovieModel>& movie : selectedMovies())
        movie->clearCover();
}

void CoverImageView::deleteCover()
{
    if (!movieWithCover())
        return;
    for (const std::shared_ptr<MovieModel>& movie : selectedMovies())
        movie->clearCover();
}

void CoverImageView::paste()
{
    // The clipboard is read again for every record, so each gets its own picture.
    for (const std::shared_ptr<MovieModel>& movie : selectedMovies()) {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (!data)
            return;
        platform::PicturePtr image;
        if (data->hasUrls()) {
            const QUrl url = firstFileUrl(*data);
            if (MovieFileManager::isValidImageFile(url))
                image = imageFromURL(url);
        } else {
            image = imageFromMimeData(*data);
        }
        if (isUsable(image))
            movie->setCover(image);
    }
}

std::function<void()> CoverImageView::editCommandFor(const QKeyEvent& key)
{
    if (key.matches(QKeySequence::Copy))
        return [this] { copy(); };
    if (key.matches(QKeySequence::Cut))
        return [this] { cut(); };
    if (key.matches(QKeySequence::Paste))
        return [this] { paste(); };
    if (key.matches(QKeySequence::Delete) || key.key() == Qt::Key_Backspace)
        return [this] { deleteCover(); };
    return {};
}

bool CoverImageView::event(QEvent* event)
{
    // The edit keys act on the cover while the well has the focus, not on the menu's record commands.
    if (event->type() == QEvent::ShortcutOverride && editCommandFor(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QFrame::event(event);
}

void CoverImageView::keyPressEvent(QKeyEvent* event)
{
    if (const std::function<void()> command = editCommandFor(*event))
        return command();
    QFrame::keyPressEvent(event);
}
