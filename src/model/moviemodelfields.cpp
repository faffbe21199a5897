// The movie record's field table: the one list of the record's fields, from
// which access by key, the watched keys, clear(), reset() and copying are derived.
#include "moviemodel.h"

#include "model/fieldvalues.h"

#include <functional>
#include <type_traits>

using namespace fieldvalues;

namespace {

constexpr qint64 kChapterInterval = 10;  // chapters, or minutes per chapter
constexpr qint64 kMediaTypeMovie = 9;
constexpr bool kObserved = true;
constexpr bool kUnobserved = false;

// Table values: the field's empty value (nil, null text, absent number), or,
// for reset, a field that reset leaves as it is.
struct Nil {};
struct Kept {};
constexpr Nil nil;
constexpr Kept kept;

template <typename T>
struct StoredValue {
    using type = T;
};
template <typename T>
struct StoredValue<std::optional<T>> {
    using type = T;
};

template <typename>
constexpr bool kUnknownFieldType = false;

template <typename T>
constexpr MovieModel::FieldType fieldTypeOf()
{
    using V = typename StoredValue<T>::type;
    using Type = MovieModel::FieldType;
    if constexpr (std::is_same_v<V, bool>)
        return Type::Flag;
    else if constexpr (std::is_same_v<V, qint64>)
        return Type::Number;
    else if constexpr (std::is_same_v<V, double>)
        return Type::Decimal;
    else if constexpr (std::is_same_v<V, QString>)
        return Type::Text;
    else if constexpr (std::is_same_v<V, QStringList>)
        return Type::Names;
    else if constexpr (std::is_same_v<V, QDateTime>)
        return Type::Date;
    else if constexpr (std::is_same_v<V, QUrl>)
        return Type::Url;
    else if constexpr (std::is_same_v<V, platform::PicturePtr>)
        return Type::Picture;
    else if constexpr (std::is_same_v<V, ImageList>)
        return Type::Pictures;
    else if constexpr (std::is_same_v<V, ChapterList>)
        return Type::Chapters;
    else if constexpr (std::is_same_v<V, ImageModelList>)
        return Type::CoverCandidates;
    else if constexpr (std::is_same_v<V, SearchItemList>)
        return Type::SearchHits;
    else if constexpr (std::is_same_v<V, std::shared_ptr<MovieModel>>)
        return Type::Record;
    else
        static_assert(kUnknownFieldType<T>, "a field type the table does not know");
}

// A direct write of a table value; none for a kept field.
template <auto Member, typename Value>
std::function<void(MovieModel&)> writerOf(Value value)
{
    if constexpr (std::is_same_v<Value, Kept>) {
        return {};
    } else {
        return [value](MovieModel& record) {
            using T = std::remove_cvref_t<decltype(record.*Member)>;
            if constexpr (std::is_same_v<Value, Nil>)
                record.*Member = T();
            else
                record.*Member = T(value);
        };
    }
}

}  // namespace

struct MovieModel::Field {
    QString key;
    FieldType type;
    bool observed;
    const void* memberTag;
    QVariant (*get)(const MovieModel&);
    bool (*set)(MovieModel&, const QVariant&);            // as the setter does
    void (*copy)(MovieModel&, const MovieModel& source);  // direct write
    std::function<void(MovieModel&)> clear;               // direct write
    std::function<void(MovieModel&)> reset;               // direct write; empty when kept
};

template <auto Member, typename Cleared, typename Reset>
MovieModel::Field MovieModel::makeField(const char* key, bool observed, Cleared cleared, Reset reset)
{
    using T = std::remove_cvref_t<decltype(std::declval<const MovieModel&>().*Member)>;
    return {
        QString::fromLatin1(key),
        fieldTypeOf<T>(),
        observed,
        &kMemberTag<Member>,
        [](const MovieModel& record) { return toVariant(record.*Member); },
        [](MovieModel& record, const QVariant& value) {
            T converted{};
            if (!fromVariant(value, converted))
                return false;
            record.setField<Member>(converted);
            return true;
        },
        [](MovieModel& record, const MovieModel& source) { record.*Member = copyValue(source.*Member); },
        writerOf<Member>(cleared),
        writerOf<Member>(reset),
    };
}

const std::vector<MovieModel::Field>& MovieModel::fields()
{
    using M = MovieModel;
    const ChapterList noChapters;
    const ImageList noPictures;
    // clang-format off
    static const std::vector<Field> table = {
        //        member                        key                  watched      cleared             reset
        makeField<&M::m_enabled>(           "enabled",           kUnobserved, false,              kept),
        makeField<&M::m_title>(             "title",             kObserved,   nil,                nil),
        makeField<&M::m_sortTitle>(         "sortTitle",         kObserved,   nil,                nil),
        makeField<&M::m_genre>(             "genre",             kObserved,   nil,                nil),
        makeField<&M::m_allGenres>(         "allGenres",         kObserved,   nil,                nil),
        makeField<&M::m_rating>(            "rating",            kObserved,   nil,                nil),
        makeField<&M::m_explicitFlag>(      "explicitFlag",      kObserved,   qint64(0),          qint64(0)),
        makeField<&M::m_releaseDate>(       "releaseDate",       kObserved,   emptyReleaseDate(), emptyReleaseDate()),
        makeField<&M::m_artists>(           "artists",           kObserved,   nil,                nil),
        makeField<&M::m_directors>(         "directors",         kObserved,   nil,                nil),
        makeField<&M::m_producers>(         "producers",         kObserved,   nil,                nil),
        makeField<&M::m_screenWriters>(     "screenWriters",     kObserved,   nil,                nil),
        makeField<&M::m_studio>(            "studio",            kObserved,   nil,                nil),
        makeField<&M::m_shortDescription>(  "shortDescription",  kObserved,   nil,                nil),
        makeField<&M::m_longDescription>(   "longDescription",   kObserved,   nil,                nil),
        makeField<&M::m_hdVideo>(           "hdVideo",           kObserved,   qint64(0),          kept),
        makeField<&M::m_cnID>(              "cnID",              kObserved,   qint64(0),          qint64(0)),
        makeField<&M::m_xID>(               "xID",               kObserved,   nil,                nil),
        makeField<&M::m_comments>(          "comments",          kObserved,   nil,                nil),
        makeField<&M::m_cover>(             "cover",             kObserved,   noCoverImage(),     noCoverImage()),
        makeField<&M::m_listOfCovers>(      "listOfCovers",      kObserved,   noPictures,         noPictures),
        makeField<&M::m_listOfOldCovers>(   "listOfOldCovers",   kUnobserved, nil,                kept),
        makeField<&M::m_chapterSettings>(   "chapterSettings",   kObserved,   kChaptersFromFile,  kChaptersFromFile),
        makeField<&M::m_numberOfChapters>(  "numberOfChapters",  kObserved,   qint64(0),          kept),
        makeField<&M::m_chapterInterval>(   "chapterInterval",   kObserved,   kChapterInterval,   kChapterInterval),
        makeField<&M::m_listOfChapters>(    "listOfChapters",    kObserved,   noChapters,         kept),
        makeField<&M::m_listOfOldChapters>( "listOfOldChapters", kUnobserved, noChapters,         kept),
        makeField<&M::m_listOfDbChapters>(  "listOfDbChapters",  kObserved,   nil,                kept),
        makeField<&M::m_chapterDbFileUrl>(  "chapterDbFileUrl",  kObserved,   nil,                kept),
        makeField<&M::m_subtitle>(          "subtitle",          kObserved,   nil,                kept),
        makeField<&M::m_subtitleOffset>(    "subtitleOffset",    kObserved,   0.0,                kept),
        makeField<&M::m_hasOrigSubtitle>(   "hasOrigSubtitle",   kUnobserved, false,              kept),
        makeField<&M::m_imdbID>(            "imdbID",            kObserved,   nil,                kept),
        makeField<&M::m_mediaType>(         "mediaType",         kObserved,   kMediaTypeMovie,    kept),
        makeField<&M::m_width>(             "width",             kUnobserved, qint64(0),          qint64(0)),
        makeField<&M::m_height>(            "height",            kUnobserved, qint64(0),          qint64(0)),
        makeField<&M::m_duration>(          "duration",          kUnobserved, QStringLiteral("0:00:00"), kept),
        makeField<&M::m_msecDuration>(      "msecDuration",      kUnobserved, nil,                kept),
        makeField<&M::m_status>(            "status",            kObserved,   kStatusNoFile,      kStatusNoTitle),
        makeField<&M::m_tagged>(            "tagged",            kObserved,   false,              false),
        makeField<&M::m_fileUrl>(           "fileUrl",           kObserved,   nil,                kept),
        makeField<&M::m_imageModels>(       "imageModels",       kUnobserved, nil,                kept),
        makeField<&M::m_foundMovies>(       "foundMovies",       kUnobserved, nil,                kept),
        makeField<&M::m_searchResult>(      "searchResult",      kUnobserved, nil,                kept),
        makeField<&M::m_codirectors>(       "codirectors",       kObserved,   nil,                nil),
        makeField<&M::m_composer>(          "composer",          kObserved,   nil,                nil),
        makeField<&M::m_sortComposer>(      "sortComposer",      kObserved,   nil,                nil),
        makeField<&M::m_copyright>(         "copyright",         kObserved,   nil,                nil),
        makeField<&M::m_encodingTool>(      "encodingTool",      kObserved,   nil,                nil),
        makeField<&M::m_encodedBy>(         "encodedBy",         kObserved,   nil,                nil),
        makeField<&M::m_purchaseDate>(      "purchaseDate",      kObserved,   nil,                nil),
        makeField<&M::m_grouping>(          "grouping",          kObserved,   nil,                nil),
        makeField<&M::m_keywords>(          "keywords",          kObserved,   nil,                nil),
        makeField<&M::m_category>(          "category",          kObserved,   nil,                nil),
        makeField<&M::m_compilation>(       "compilation",       kObserved,   qint64(0),          qint64(0)),
        makeField<&M::m_gapless>(           "gapless",           kObserved,   qint64(0),          qint64(0)),
        makeField<&M::m_podcast>(           "podcast",           kObserved,   qint64(0),          qint64(0)),
        makeField<&M::m_iTunesAccount>(     "iTunesAccount",     kObserved,   nil,                nil),
        makeField<&M::m_iTunesAccountType>( "iTunesAccountType", kObserved,   nil,                nil),
        makeField<&M::m_iTunesCountry>(     "iTunesCountry",     kObserved,   nil,                nil),
        makeField<&M::m_genreType>(         "genreType",         kObserved,   nil,                nil),
        makeField<&M::m_contentId>(         "contentId",         kObserved,   nil,                nil),
        makeField<&M::m_composerId>(        "composerId",        kObserved,   nil,                nil),
        makeField<&M::m_genreId>(           "genreId",           kObserved,   nil,                nil),
        makeField<&M::m_artistId>(          "artistId",          kObserved,   nil,                nil),
        makeField<&M::m_playlistId>(        "playlistId",        kObserved,   nil,                nil),
        makeField<&M::m_artist>(            "artist",            kObserved,   nil,                nil),
        makeField<&M::m_album>(             "album",             kObserved,   nil,                nil),
        makeField<&M::m_albumArtist>(       "albumArtist",       kObserved,   nil,                nil),
    };
    // clang-format on
    return table;
}

const MovieModel::Field* MovieModel::findField(const QString& key)
{
    for (const Field& entry : fields())
        if (entry.key == key)
            return &entry;
    return nullptr;
}

const QString& MovieModel::keyOfMember(const void* memberTag)
{
    for (const Field& entry : fields())
        if (entry.memberTag == memberTag)
            return entry.key;
    // Only a member missing from the table gets here; its changes go unannounced.
    Q_ASSERT_X(false, "MovieModel::keyOfMember", "a field without a row in the field table");
    static const QString none;
    return none;
}

const QList<MovieModel::FieldDescription>& MovieModel::fieldDescriptions()
{
    static const QList<FieldDescription> descriptions = [] {
        QList<FieldDescription> list;
        for (const Field& entry : fields())
            list.append({entry.key, entry.type, entry.observed});
        return list;
    }();
    return descriptions;
}

const QStringList& MovieModel::fieldKeys()
{
    static const QStringList keys = [] {
        QStringList list;
        for (const Field& entry : fields())
            list.append(entry.key);
        return list;
    }();
    return keys;
}

const QStringList& MovieModel::observedKeys()
{
    static const QStringList keys = [] {
        QStringList list;
        for (const Field& entry : fields())
            if (entry.observed)
                list.append(entry.key);
        return list;
    }();
    return keys;
}

void MovieModel::clear()
{
    {
        const DirectWrites writes(*this, fieldKeys());
        for (const Field& entry : fields())
            entry.clear(*this);
    }
    setDatesInFile({});
    m_fileAsRead.reset();
}

void MovieModel::reset()
{
    const DirectWrites writes(*this, fieldKeys());
    for (const Field& entry : fields())
        if (entry.reset)
            entry.reset(*this);
}

void MovieModel::copyFieldsFrom(const MovieModel& source, const QStringList& except)
{
    for (const Field& entry : fields())
        if (!except.contains(entry.key))
            entry.copy(*this, source);
}

QVariant MovieModel::valueForKey(const QString& key) const
{
    if (const Field* entry = findField(key))
        return entry->get(*this);
    return derivedValueForKey(key);
}

bool MovieModel::setValueForKey(const QString& key, const QVariant& value)
{
    const Field* entry = findField(key);
    return entry && entry->set(*this, value);
}
