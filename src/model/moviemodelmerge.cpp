// Merging a movie-database result into the record it is attached to.
#include "moviemodel.h"

#include "model/fieldvalues.h"
#include "platform/settings.h"

namespace {

bool isEmptyText(const QString& text)
{
    return text.isEmpty();
}

template <typename T>
bool isEmptyList(const std::optional<T>& list)
{
    return !list || list->isEmpty();
}

bool isAbsentDate(const QDateTime& date)
{
    return date.isNull();
}

bool isEmptyCover(const platform::PicturePtr& cover)
{
    return !cover || cover == noCoverImage();
}

// Setting keys.
const QString kDontOverwriteWithEmptyStrings = QStringLiteral("DontOverwriteWithEmptyStrings");
const QString kFiledsNotToBeOverwritten = QStringLiteral("FiledsNotToBeOverwritten");

struct MergeSettings {
    bool overwrite = false;
    bool skipEmptyResults = true;
    QStringList protectedKeys;
};

// The rules of one merge: the behaviour and the two user settings, read afresh each time.
MergeSettings readMergeSettings(std::optional<qint64> mode)
{
    const platform::Settings& store = platform::Settings::shared();
    MergeSettings settings;
    settings.overwrite = mode == MovieModel::kCopyOverwrite;
    // Without any registered default, empty results are held back as the application does by default.
    settings.skipEmptyResults =
        store.contains(kDontOverwriteWithEmptyStrings) ? store.boolValue(kDontOverwriteWithEmptyStrings) : true;
    settings.protectedKeys = store.stringListValue(kFiledsNotToBeOverwritten);
    return settings;
}

// Copies one field of `result` into `field` under the rules of the merge;
// true when it copied.
template <typename T, typename RecordEmpty, typename ResultEmpty>
bool mergeField(T& field, const T& resultField, const char* protectedKey, const MergeSettings& settings,
                RecordEmpty recordIsEmpty, ResultEmpty resultIsEmpty)
{
    // An empty field is always filled; protection only guards filled ones.
    if (!recordIsEmpty(field) && (!settings.overwrite || settings.protectedKeys.contains(QLatin1String(protectedKey))))
        return false;
    if (settings.skipEmptyResults && resultIsEmpty(resultField))
        return false;
    field = fieldvalues::copyValue(resultField);
    return true;
}

}  // namespace

void MovieModel::copySearchResultsToMovie(std::optional<qint64> mode)
{
    if (!m_searchResult || mode == kCopyNothing)
        return;
    const std::shared_ptr<const MovieModel> result = m_searchResult;
    const MergeSettings settings = readMergeSettings(mode);
    {
        // The views hear of the merged fields before the status is announced.
        const DirectWrites writes(*this, fieldKeys());
        auto untag = [this](bool copied) {
            if (copied)
                m_tagged = false;
        };
        untag(mergeField(m_title, result->m_title, "title", settings, isEmptyText, isEmptyText));
        const QString genreBefore = m_genre;
        untag(mergeField(m_genre, result->m_genre, "genre", settings, isEmptyText, isEmptyText));
        dropNumericGenreUnlessGenreIs(genreBefore);
        // All genre names alone are not a tag of the file.
        mergeField(m_allGenres, result->m_allGenres, "genre", settings, isEmptyList<QStringList>,
                   isEmptyList<QStringList>);
        untag(mergeField(m_rating, result->m_rating, "rating", settings, isEmptyText, isEmptyText));

        // The advisory value only ever fills a record without one.
        if ((!m_explicitFlag || *m_explicitFlag == 0) && result->m_explicitFlag != 0) {
            m_explicitFlag = result->m_explicitFlag;
            m_tagged = false;
        }

        untag(mergeField(m_releaseDate, result->m_releaseDate, "releasedate", settings, MovieModel::isEmptyReleaseDate,
                         isAbsentDate));
        untag(mergeField(m_artists, result->m_artists, "actors", settings, isEmptyList<QStringList>,
                         isEmptyList<QStringList>));
        untag(mergeField(m_directors, result->m_directors, "directors", settings, isEmptyList<QStringList>,
                         isEmptyList<QStringList>));
        untag(mergeField(m_producers, result->m_producers, "producers", settings, isEmptyList<QStringList>,
                         isEmptyList<QStringList>));
        untag(mergeField(m_screenWriters, result->m_screenWriters, "writers", settings, isEmptyList<QStringList>,
                         isEmptyList<QStringList>));
        untag(mergeField(m_studio, result->m_studio, "studio", settings, isEmptyText, isEmptyText));
        untag(mergeField(m_shortDescription, result->m_shortDescription, "shortdesc", settings, isEmptyText,
                         isEmptyText));
        untag(mergeField(m_longDescription, result->m_longDescription, "longdesc", settings, isEmptyText, isEmptyText));
        untag(mergeField(m_subtitle, result->m_subtitle, "subtitle", settings, isEmptyText, isEmptyText));
        if (mergeField(m_listOfDbChapters, result->m_listOfDbChapters, "chapters", settings, isEmptyList<ChapterList>,
                       isEmptyList<ChapterList>)) {
            m_tagged = false;
            updateChapters();
        }
        untag(mergeField(m_cover, result->m_cover, "cover", settings, isEmptyCover, isEmptyCover));

        // The result's identity always wins, so later look-ups find the same movie.
        m_imdbID = result->m_imdbID;
    }
    updateStatus();
}
