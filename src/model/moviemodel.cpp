#include "moviemodel.h"

#include "model/fieldvalues.h"
#include "platform/localized.h"
#include "platform/log.h"
#include "platform/notificationcenter.h"

#include <QFile>

namespace {

const QString kElementsHaveChanged = QStringLiteral("ElementsHaveChanged");
constexpr qint64 kDefaultChapterInterval = 10;
constexpr qint64 kMediaTypeMovie = 9;

}  // namespace

using namespace fieldvalues;

const platform::PicturePtr& noCoverImage()
{
    static const platform::PicturePtr image = [] {
        QFile resource(QStringLiteral(":/images/no_movieTemplate.png"));
        platform::PicturePtr picture =
            platform::Picture::fromData(resource.open(QIODevice::ReadOnly) ? resource.readAll() : QByteArray());
        if (picture->isNull())
            platform::log(QStringLiteral("noCoverImage: the placeholder picture is missing"));
        return picture;
    }();
    return image;
}

struct MovieModel::Field {
    QString key;
    QVariant (*get)(const MovieModel&);
    bool (*set)(MovieModel&, const QString& key, const QVariant&);  // as the setter does
    void (*copy)(MovieModel&, const MovieModel& source);            // direct write
};

template <auto Member>
MovieModel::Field MovieModel::makeField(const char* key)
{
    using T = std::remove_cvref_t<decltype(std::declval<const MovieModel&>().*Member)>;
    return {
        QString::fromLatin1(key),
        [](const MovieModel& record) { return toVariant(record.*Member); },
        [](MovieModel& record, const QString& name, const QVariant& value) {
            T converted{};
            if (!fromVariant(value, converted))
                return false;
            record.setField(Member, name, converted);
            return true;
        },
        [](MovieModel& record, const MovieModel& source) { record.*Member = copyValue(source.*Member); },
    };
}

const std::vector<MovieModel::Field>& MovieModel::fields()
{
    static const std::vector<Field> table = {
        makeField<&MovieModel::m_enabled>("enabled"),
        makeField<&MovieModel::m_title>("title"),
        makeField<&MovieModel::m_sortTitle>("sortTitle"),
        makeField<&MovieModel::m_genre>("genre"),
        makeField<&MovieModel::m_allGenres>("allGenres"),
        makeField<&MovieModel::m_rating>("rating"),
        makeField<&MovieModel::m_explicitFlag>("explicitFlag"),
        makeField<&MovieModel::m_releaseDate>("releaseDate"),
        makeField<&MovieModel::m_artists>("artists"),
        makeField<&MovieModel::m_directors>("directors"),
        makeField<&MovieModel::m_producers>("producers"),
        makeField<&MovieModel::m_screenWriters>("screenWriters"),
        makeField<&MovieModel::m_studio>("studio"),
        makeField<&MovieModel::m_shortDescription>("shortDescription"),
        makeField<&MovieModel::m_longDescription>("longDescription"),
        makeField<&MovieModel::m_hdVideo>("hdVideo"),
        makeField<&MovieModel::m_cnID>("cnID"),
        makeField<&MovieModel::m_xID>("xID"),
        makeField<&MovieModel::m_comments>("comments"),
        makeField<&MovieModel::m_cover>("cover"),
        makeField<&MovieModel::m_listOfCovers>("listOfCovers"),
        makeField<&MovieModel::m_listOfOldCovers>("listOfOldCovers"),
        makeField<&MovieModel::m_chapterSettings>("chapterSettings"),
        makeField<&MovieModel::m_numberOfChapters>("numberOfChapters"),
        makeField<&MovieModel::m_chapterInterval>("chapterInterval"),
        makeField<&MovieModel::m_listOfChapters>("listOfChapters"),
        makeField<&MovieModel::m_listOfOldChapters>("listOfOldChapters"),
        makeField<&MovieModel::m_listOfDbChapters>("listOfDbChapters"),
        makeField<&MovieModel::m_chapterDbFileUrl>("chapterDbFileUrl"),
        makeField<&MovieModel::m_subtitle>("subtitle"),
        makeField<&MovieModel::m_subtitleOffset>("subtitleOffset"),
        makeField<&MovieModel::m_hasOrigSubtitle>("hasOrigSubtitle"),
        makeField<&MovieModel::m_imdbID>("imdbID"),
        makeField<&MovieModel::m_mediaType>("mediaType"),
        makeField<&MovieModel::m_width>("width"),
        makeField<&MovieModel::m_height>("height"),
        makeField<&MovieModel::m_duration>("duration"),
        makeField<&MovieModel::m_msecDuration>("msecDuration"),
        makeField<&MovieModel::m_status>("status"),
        makeField<&MovieModel::m_tagged>("tagged"),
        makeField<&MovieModel::m_fileUrl>("fileUrl"),
        makeField<&MovieModel::m_imageModels>("imageModels"),
        makeField<&MovieModel::m_foundMovies>("foundMovies"),
        makeField<&MovieModel::m_searchResult>("searchResult"),
        makeField<&MovieModel::m_codirectors>("codirectors"),
        makeField<&MovieModel::m_composer>("composer"),
        makeField<&MovieModel::m_sortComposer>("sortComposer"),
        makeField<&MovieModel::m_copyright>("copyright"),
        makeField<&MovieModel::m_encodingTool>("encodingTool"),
        makeField<&MovieModel::m_encodedBy>("encodedBy"),
        makeField<&MovieModel::m_purchaseDate>("purchaseDate"),
        makeField<&MovieModel::m_grouping>("grouping"),
        makeField<&MovieModel::m_keywords>("keywords"),
        makeField<&MovieModel::m_category>("category"),
        makeField<&MovieModel::m_compilation>("compilation"),
        makeField<&MovieModel::m_gapless>("gapless"),
        makeField<&MovieModel::m_podcast>("podcast"),
        makeField<&MovieModel::m_iTunesAccount>("iTunesAccount"),
        makeField<&MovieModel::m_iTunesAccountType>("iTunesAccountType"),
        makeField<&MovieModel::m_iTunesCountry>("iTunesCountry"),
        makeField<&MovieModel::m_genreType>("genreType"),
        makeField<&MovieModel::m_contentId>("contentId"),
        makeField<&MovieModel::m_composerId>("composerId"),
        makeField<&MovieModel::m_genreId>("genreId"),
        makeField<&MovieModel::m_artistId>("artistId"),
        makeField<&MovieModel::m_playlistId>("playlistId"),
        makeField<&MovieModel::m_artist>("artist"),
        makeField<&MovieModel::m_album>("album"),
        makeField<&MovieModel::m_albumArtist>("albumArtist"),
    };
    return table;
}

const MovieModel::Field* MovieModel::findField(const QString& key)
{
    for (const Field& entry : fields())
        if (entry.key == key)
            return &entry;
    return nullptr;
}

QDateTime MovieModel::emptyReleaseDate()
{
    return QDateTime(QDate(2012, 1, 1), QTime(12, 0), Qt::UTC);
}

const QStringList& MovieModel::observedKeys()
{
    static const QStringList keys = {
        "title",
        "sortTitle",
        "genre",
        "allGenres",
        "rating",
        "explicitFlag",
        "releaseDate",
        "artists",
        "directors",
        "producers",
        "screenWriters",
        "studio",
        "shortDescription",
        "longDescription",
        "hdVideo",
        "cnID",
        "xID",
        "comments",
        "cover",
        "listOfChapters",
        "listOfDbChapters",
        "chapterSettings",
        "numberOfChapters",
        "chapterInterval",
        "chapterDbFileUrl",
        "subtitle",
        "subtitleOffset",
        "imdbID",
        "mediaType",
        "listOfCovers",
        "status",
        "tagged",
        "fileUrl",
        "codirectors",
        "composer",
        "sortComposer",
        "copyright",
        "encodingTool",
        "encodedBy",
        "purchaseDate",
        "grouping",
        "keywords",
        "category",
        "compilation",
        "gapless",
        "podcast",
        "iTunesAccount",
        "iTunesAccountType",
        "iTunesCountry",
        "genreType",
        "contentId",
        "composerId",
        "genreId",
        "artistId",
        "playlistId",
        "artist",
        "album",
        "albumArtist",
    };
    return keys;
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

void MovieModel::clearTagFields()
{
    m_title = QString();
    m_sortTitle = QString();
    m_genre = QString();
    m_allGenres.reset();
    m_rating = QString();
    m_explicitFlag = 0;
    m_releaseDate = emptyReleaseDate();
    m_artists.reset();
    m_directors.reset();
    m_producers.reset();
    m_screenWriters.reset();
    m_studio = QString();
    m_shortDescription = QString();
    m_longDescription = QString();
    m_cnID = 0;
    m_xID = QString();
    m_comments = QString();
    m_cover = noCoverImage();
    m_listOfCovers = ImageList();
    m_chapterSettings = kChaptersFromFile;
    m_chapterInterval = kDefaultChapterInterval;
    m_width = 0;
    m_height = 0;
    m_tagged = false;
    m_codirectors.reset();
    m_composer = QString();
    m_sortComposer = QString();
    m_copyright = QString();
    m_encodingTool = QString();
    m_encodedBy = QString();
    m_purchaseDate = QDateTime();
    m_grouping = QString();
    m_keywords = QString();
    m_category = QString();
    m_compilation = 0;
    m_gapless = 0;
    m_podcast = 0;
    m_iTunesAccount = QString();
    m_iTunesAccountType.reset();
    m_iTunesCountry.reset();
    m_genreType.reset();
    m_contentId.reset();
    m_composerId.reset();
    m_genreId.reset();
    m_artistId.reset();
    m_playlistId.reset();
    m_artist = QString();
    m_album = QString();
    m_albumArtist = QString();
}

void MovieModel::clear()
{
    clearTagFields();
    m_enabled = false;
    m_hdVideo = 0;
    m_listOfOldCovers.reset();
    m_numberOfChapters = 0;
    m_listOfChapters = ChapterList();
    m_listOfOldChapters = ChapterList();
    m_listOfDbChapters.reset();
    m_chapterDbFileUrl = QUrl();
    m_subtitle = QString();
    m_subtitleOffset = 0.0;
    m_hasOrigSubtitle = false;
    m_imdbID = QString();
    m_mediaType = kMediaTypeMovie;
    m_duration = QStringLiteral("0:00:00");
    m_msecDuration.reset();
    m_status = kStatusNoFile;
    m_fileUrl = QUrl();
    m_imageModels.reset();
    m_foundMovies.reset();
    m_searchResult.reset();
}

void MovieModel::reset()
{
    clearTagFields();
    m_status = kStatusNoTitle;
}

void MovieModel::copyFieldsFrom(const MovieModel& source, const QStringList& except)
{
    for (const Field& entry : fields())
        if (!except.contains(entry.key))
            entry.copy(*this, source);
}

void MovieModel::paste(const MovieModel* source)
{
    if (!source)
        return;
    // The pasted-on record stays the record of its own file.
    static const QStringList kept = {"enabled", "duration", "msecDuration", "status", "tagged", "fileUrl"};
    copyFieldsFrom(*source, kept);
    m_tagged = false;
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
    return copy;
}

void MovieModel::observeValueForKeyPath(const QString& key, const QVariant& oldValue, const QVariant& newValue)
{
    const bool bothAbsent = isAbsent(oldValue) && isAbsent(newValue);
    if (bothAbsent || (oldValue == newValue && newValue == oldValue))
        return;

    if (key == QLatin1String("title"))
        notifyValueChanged(*this, QStringLiteral("titleAndFile"));

    if (key == QLatin1String("cover")) {
        notifyValueChanged(*this, QStringLiteral("coverIsSet"));
        notifyValueChanged(*this, QStringLiteral("coverSizeAsLabel"));
    } else if (key == QLatin1String("chapterSettings") || key == QLatin1String("chapterDbFileUrl") ||
               key == QLatin1String("chapterInterval")) {
        updateChapters();
    } else if (key == QLatin1String("subtitle")) {
        notifyValueChanged(*this, QStringLiteral("subtitleStatusLed"));
    }

    if (key != QLatin1String("tagged") && key != QLatin1String("status"))
        m_tagged = false;
    updateStatus();
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

QVariant MovieModel::valueForKey(const QString& key) const
{
    if (const Field* entry = findField(key))
        return entry->get(*this);
    return derivedValueForKey(key);
}

QVariant MovieModel::derivedValueForKey(const QString& key) const
{
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

bool MovieModel::setValueForKey(const QString& key, const QVariant& value)
{
    const Field* entry = findField(key);
    return entry && entry->set(*this, key, value);
}
