#include "moviemodel.h"

#include "model/fieldvalues.h"
#include "model/helpers.h"
#include "platform/localized.h"
#include "platform/log.h"
#include "platform/notificationcenter.h"

namespace {

const QString kElementsHaveChanged = QStringLiteral("ElementsHaveChanged");

}  // namespace

using namespace fieldvalues;

const platform::PicturePtr& noCoverImage()
{
    static const platform::PicturePtr image = [] {
        platform::PicturePtr picture = platform::Picture::fromFile(QStringLiteral(":/images/no_movieTemplate.png"));
        if (picture->isNull())
            platform::log(QStringLiteral("noCoverImage: the placeholder picture is missing"));
        return picture;
    }();
    return image;
}

QDateTime MovieModel::emptyReleaseDate()
{
    return QDateTime(QDate(2012, 1, 1), QTime(12, 0), Qt::UTC);
}

bool MovieModel::isEmptyReleaseDate(const QDateTime& date)
{
    return !date.isValid() || date == emptyReleaseDate();
}

MovieModel::MovieModel()
{
    noCoverImage();
    clear();
    // Watching starts after clear(), so making a record runs no change handling.
    startObservingOwnKeys(observedKeys());
}

MovieModel::~MovieModel()
{
    stopObservingOwnKeys();
}

void MovieModel::paste(const MovieModel* source)
{
    if (!source)
        return;
    // The pasted-on record stays the record of its own file.
    static const QStringList kept = {"enabled", "duration", "msecDuration", "status", "tagged", "fileUrl"};
    {
        const DirectWrites writes(*this, fieldKeys());
        copyFieldsFrom(*source, kept);
        m_tagged = false;
    }
    updateStatus();
}

namespace {

// The records whose copy is under way on this thread, innermost last.
thread_local QList<const MovieModel*> t_recordsBeingCopied;

// Marks a record as being copied for the lifetime of the guard.
class CopyInProgress {
public:
    explicit CopyInProgress(const MovieModel* record) { t_recordsBeingCopied.append(record); }
    ~CopyInProgress() { t_recordsBeingCopied.removeLast(); }
    CopyInProgress(const CopyInProgress&) = delete;
    CopyInProgress& operator=(const CopyInProgress&) = delete;
};

}  // namespace

bool fieldvalues::isBeingCopied(const MovieModel* record)
{
    return t_recordsBeingCopied.contains(record);
}

std::shared_ptr<MovieModel> MovieModel::copyWithZone() const
{
    auto copy = std::make_shared<MovieModel>();
    const CopyInProgress inProgress(this);
    copy->copyFieldsFrom(*this, {});
    copy->m_datesInFile = m_datesInFile;
    copy->m_fileAsRead = m_fileAsRead;
    return copy;
}

void MovieModel::setDatesInFile(const DatesInFile& dates)
{
    if (dates == m_datesInFile)
        return;
    m_datesInFile = dates;
    notifyValueChanged(*this, QStringLiteral("releaseDateText"));
}

void MovieModel::knowFileOf(const MovieModel& written)
{
    setFileAsRead(written.fileAsRead());
    setDatesInFile(written.datesInFile());
}

QString MovieModel::releaseDateText() const
{
    if (m_datesInFile.releaseDate.standsFor(m_releaseDate))
        return m_datesInFile.releaseDate.shownText();
    return dayText(m_releaseDate);
}

void MovieModel::observeValueForKeyPath(const QString& key, const QVariant& oldValue, const QVariant& newValue)
{
    const bool bothAbsent = isAbsent(oldValue) && isAbsent(newValue);
    if (bothAbsent || (oldValue == newValue && newValue == oldValue))
        return;

    // The values derived from the key are told by the observation, from the one table of keysDerivedFrom().
    if (key == QLatin1String("chapterSettings") || key == QLatin1String("chapterDbFileUrl") ||
        key == QLatin1String("chapterInterval"))
        updateChapters();
    else if (key == QLatin1String("genre"))
        dropNumericGenreUnlessGenreIs(oldValue.toString());

    if (key != QLatin1String("tagged") && key != QLatin1String("status"))
        m_tagged = false;
    updateStatus();
}

void MovieModel::dropNumericGenreUnlessGenreIs(const QString& before)
{
    if (m_genre == before || !m_genreType)
        return;
    const DirectWrites writes(*this, {QStringLiteral("genreType")});
    m_genreType.reset();
}

void MovieModel::updateStatus()
{
    const QString statusKey = QStringLiteral("status");
    willChangeValueForKey(statusKey);
    if (m_fileUrl.isEmpty())
        m_status = kStatusNoFile;
    else if (m_tagged)
        m_status = kStatusTagged;
    else if (!m_title.isNull())
        m_status = kStatusReadyToTag;
    else
        m_status = kStatusNoTitle;
    didChangeValueForKey(statusKey);

    setEnabled(!m_fileUrl.isEmpty());
    platform::NotificationCenter::defaultCenter().post(kElementsHaveChanged, this);
}

void MovieModel::clearCover()
{
    const QString coverKey = QStringLiteral("cover");
    willChangeValueForKey(coverKey);
    m_cover = noCoverImage();
    didChangeValueForKey(coverKey);
}

bool MovieModel::coverIsSet() const
{
    // A record that lost its cover altogether has no cover either.
    return m_cover && m_cover != noCoverImage();
}

QString MovieModel::coverSizeAsLabel() const
{
    if (!coverIsSet())
        return QStringLiteral("0 x 0");
    return QString::asprintf("%.0f x %.0f", m_cover->size().width(), m_cover->size().height());
}

QString MovieModel::fileNameWithoutPath() const
{
    if (m_fileUrl.isEmpty())
        return platform::localized(QStringLiteral("noFileAtCover"));
    return m_fileUrl.adjusted(QUrl::StripTrailingSlash).fileName();
}

QString MovieModel::titleAndFile() const
{
    const bool hasTitle = !m_title.isNull();
    const bool hasFile = !m_fileUrl.isEmpty();
    if (hasTitle && hasFile)
        return m_title + QLatin1Char('\n') + fileNameWithoutPath();
    if (hasTitle)
        return platform::localized(QStringLiteral("emptyFilePlaceholder")).arg(m_title);
    if (hasFile)
        return platform::localized(QStringLiteral("emptyTitlePlaceholder")).arg(fileNameWithoutPath());
    return platform::localized(QStringLiteral("emptyTitleAndFilePlaceholder"));
}

namespace {

bool holdsChapters(const std::optional<ChapterList>& chapters)
{
    return chapters && !chapters->isEmpty();
}

}  // namespace

StatusImage MovieModel::chapterStatusLed() const
{
    if (m_chapterSettings == kChaptersFromChapterFileOrDb) {
        if (holdsChapters(m_listOfChapters))
            return StatusImage::Available;
        if (holdsChapters(m_listOfOldChapters))
            return StatusImage::PartiallyAvailable;
        return StatusImage::Unavailable;
    }
    return holdsChapters(m_listOfOldChapters) ? StatusImage::PartiallyAvailable : StatusImage::None;
}

StatusImage MovieModel::subtitleStatusLed() const
{
    if (!m_subtitle.isNull())
        return StatusImage::Available;
    return m_hasOrigSubtitle ? StatusImage::PartiallyAvailable : StatusImage::Unavailable;
}

bool MovieModel::doEnableChapterCount() const
{
    return m_chapterSettings == kChaptersByCount || m_chapterSettings == kChaptersByMinutes;
}

bool MovieModel::doEnableChapterLoad() const
{
    return m_chapterSettings == kChaptersFromChapterFileOrDb;
}

QStringList MovieModel::keysDerivedFrom(const QString& key) const
{
    // The one list of the derived values: a setter's change and a stretch of
    // direct writes tell them alike, so every view follows every write.
    static const QHash<QString, QStringList> derived = {
        {"title", {"titleAndFile"}},
        {"releaseDate", {"releaseDateText"}},
        {"fileUrl", {"titleAndFile", "fileNameWithoutPath"}},
        {"cover", {"coverIsSet", "coverSizeAsLabel"}},
        {"chapterSettings", {"chapterStatusLed", "doEnableChapterCount", "doEnableChapterLoad"}},
        {"listOfChapters", {"chapterStatusLed"}},
        {"listOfOldChapters", {"chapterStatusLed"}},
        {"subtitle", {"subtitleStatusLed"}},
        {"hasOrigSubtitle", {"subtitleStatusLed"}},
    };
    return derived.value(key);
}

QVariant MovieModel::derivedValueForKey(const QString& key) const
{
    if (key == QLatin1String("releaseDateText"))
        return releaseDateText();
    if (key == QLatin1String("coverIsSet"))
        return coverIsSet();
    if (key == QLatin1String("coverSizeAsLabel"))
        return coverSizeAsLabel();
    if (key == QLatin1String("titleAndFile"))
        return titleAndFile();
    if (key == QLatin1String("fileNameWithoutPath"))
        return fileNameWithoutPath();
    if (key == QLatin1String("chapterStatusLed"))
        return QVariant::fromValue(chapterStatusLed());
    if (key == QLatin1String("subtitleStatusLed"))
        return QVariant::fromValue(subtitleStatusLed());
    if (key == QLatin1String("doEnableChapterCount"))
        return doEnableChapterCount();
    if (key == QLatin1String("doEnableChapterLoad"))
        return doEnableChapterLoad();
    return {};
}
