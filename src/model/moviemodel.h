#pragma once

#include "model/chaptermodel.h"
#include "model/imagemodel.h"
#include "model/moviesearchitemmodel.h"
#include "model/observable.h"
#include "model/tagdatetext.h"
#include "platform/fileplace.h"
#include "platform/picture.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

class MovieModel;
using ImageList = QList<platform::PicturePtr>;
using ImageModelList = QList<std::shared_ptr<ImageModel>>;
using SearchItemList = QList<std::shared_ptr<MovieSearchItemModel>>;

// The placeholder cover that every record without a cover holds. One object
// for the whole process: a record has a real cover when its cover is not this
// very object (compare pointers, never pictures).
const platform::PicturePtr& noCoverImage();

// The four status lights shown for chapters and subtitles.
enum class StatusImage { Available, PartiallyAvailable, Unavailable, None };

// The record of one movie file: its tags, its chapter, subtitle and cover
// state, the last search result, and its own state.
//
// Setters announce their change (see Observable); for the observed fields the
// record's change handler then clears `tagged`, recomputes the status and
// posts "ElementsHaveChanged". clear(), reset(), paste(), copyWithZone(), the
// search-result merge and the chapter update write fields directly: the
// change handler does not run for those writes, but the listeners of every
// field they changed (and of the values derived from it) are told.
class MovieModel : public Observable {
public:
    // Status values.
    static constexpr qint64 kStatusNoFile = 0;
    static constexpr qint64 kStatusNoTitle = 1;
    static constexpr qint64 kStatusReadyToTag = 2;
    static constexpr qint64 kStatusTagged = 3;

    // Copy behaviours of copySearchResultsToMovie().
    static constexpr qint64 kCopyFill = 0;
    static constexpr qint64 kCopyOverwrite = 1;
    static constexpr qint64 kCopyNothing = 2;

    // Chapter settings.
    static constexpr qint64 kChaptersFromFile = 0;
    static constexpr qint64 kChaptersByCount = 1;
    static constexpr qint64 kChaptersByMinutes = 2;
    static constexpr qint64 kChaptersFromChapterFileOrDb = 3;

    // Stands for a missing release date everywhere: 2012-01-01 12:00:00 UTC.
    static QDateTime emptyReleaseDate();
    // True for no date and for emptyReleaseDate(): the record has no release date.
    static bool isEmptyReleaseDate(const QDateTime& date);

    // What a field holds, for code that lists or binds the fields by key.
    enum class FieldType {
        Flag,             // bool
        Number,           // integer, absent allowed
        Decimal,          // floating point, absent allowed
        Text,             // QString, null is absent
        Names,            // QStringList, absent allowed
        Date,             // QDateTime, null is absent
        Url,              // QUrl, empty is absent
        Picture,          // the cover
        Pictures,         // a list of pictures
        Chapters,         // ChapterList
        CoverCandidates,  // ImageModelList
        SearchHits,       // SearchItemList
        Record,           // an attached MovieModel
    };
    struct FieldDescription {
        QString key;
        FieldType type;
        bool observed;  // a change through the setter runs the change handler
    };
    // The 69 stored fields in declaration order, each readable and settable
    // through valueForKey()/setValueForKey() under its key.
    static const QList<FieldDescription>& fieldDescriptions();
    // The 58 fields whose changes run the change handler.
    static const QStringList& observedKeys();

    MovieModel();
    ~MovieModel() override;

    // Every field to its cleared value, the file as read forgotten; nothing announced, no status update.
    void clear();
    // The tag fields back to empty, keeping file, chapter and subtitle state; status 1, not tagged.
    void reset();
    // Takes over `source`'s content except file, duration, status and tagged state;
    // then not tagged, status recomputed. A null source changes nothing.
    void paste(const MovieModel* source);
    // A new record with copies of all fields; lists share their elements, the
    // search result is copied in turn, a real cover is copied, the placeholder shared.
    std::shared_ptr<MovieModel> copyWithZone() const;

    // Merges searchResult() into this record under copy behaviour `mode`.
    void copySearchResultsToMovie(std::optional<qint64> mode);
    // Rebuilds listOfChapters() from the chapter setting.
    void updateChapters();
    // Recomputes status and enabled, and posts "ElementsHaveChanged".
    void updateStatus();
    // Puts the placeholder back as the cover, announcing the change.
    void clearCover();

    // The date tags of the record's file as the record read them: a save
    // writes a date the record still holds as read from its tag back as the
    // tag's own text. clear() forgets them; copies keep them, and paste()
    // keeps the record's own.
    struct DatesInFile {
        TagDateText releaseDate;
        TagDateText purchaseDate;
        bool operator==(const DatesInFile&) const = default;
    };
    const DatesInFile& datesInFile() const { return m_datesInFile; }
    void setDatesInFile(const DatesInFile& dates);

    // Derived values, computed on each read.
    // The release date as the editor shows it: while it is the date read from
    // the file, in the file's own form (a year alone, a text that names no
    // day); otherwise YYYY-MM-DD, or empty for no date.
    QString releaseDateText() const;
    bool coverIsSet() const;
    QString coverSizeAsLabel() const;
    QString titleAndFile() const;
    QString fileNameWithoutPath() const;
    StatusImage chapterStatusLed() const;
    StatusImage subtitleStatusLed() const;
    bool doEnableChapterCount() const;
    bool doEnableChapterLoad() const;

    QVariant valueForKey(const QString& key) const override;
    bool setValueForKey(const QString& key, const QVariant& value) override;

    bool enabled() const { return m_enabled; }
    void setEnabled(bool value) { setField<&MovieModel::m_enabled>(value); }
    const QString& title() const { return m_title; }
    void setTitle(const QString& value) { setField<&MovieModel::m_title>(value); }
    const QString& sortTitle() const { return m_sortTitle; }
    void setSortTitle(const QString& value) { setField<&MovieModel::m_sortTitle>(value); }
    const QString& genre() const { return m_genre; }
    void setGenre(const QString& value) { setField<&MovieModel::m_genre>(value); }
    const std::optional<QStringList>& allGenres() const { return m_allGenres; }
    void setAllGenres(const std::optional<QStringList>& value) { setField<&MovieModel::m_allGenres>(value); }
    const QString& rating() const { return m_rating; }
    void setRating(const QString& value) { setField<&MovieModel::m_rating>(value); }
    std::optional<qint64> explicitFlag() const { return m_explicitFlag; }
    void setExplicitFlag(std::optional<qint64> value) { setField<&MovieModel::m_explicitFlag>(value); }
    const QDateTime& releaseDate() const { return m_releaseDate; }
    void setReleaseDate(const QDateTime& value) { setField<&MovieModel::m_releaseDate>(value); }
    const std::optional<QStringList>& artists() const { return m_artists; }
    void setArtists(const std::optional<QStringList>& value) { setField<&MovieModel::m_artists>(value); }
    const std::optional<QStringList>& directors() const { return m_directors; }
    void setDirectors(const std::optional<QStringList>& value) { setField<&MovieModel::m_directors>(value); }
    const std::optional<QStringList>& producers() const { return m_producers; }
    void setProducers(const std::optional<QStringList>& value) { setField<&MovieModel::m_producers>(value); }
    const std::optional<QStringList>& screenWriters() const { return m_screenWriters; }
    void setScreenWriters(const std::optional<QStringList>& value) { setField<&MovieModel::m_screenWriters>(value); }
    const QString& studio() const { return m_studio; }
    void setStudio(const QString& value) { setField<&MovieModel::m_studio>(value); }
    const QString& shortDescription() const { return m_shortDescription; }
    void setShortDescription(const QString& value) { setField<&MovieModel::m_shortDescription>(value); }
    const QString& longDescription() const { return m_longDescription; }
    void setLongDescription(const QString& value) { setField<&MovieModel::m_longDescription>(value); }
    std::optional<qint64> hdVideo() const { return m_hdVideo; }
    void setHdVideo(std::optional<qint64> value) { setField<&MovieModel::m_hdVideo>(value); }
    std::optional<qint64> cnID() const { return m_cnID; }
    void setCnID(std::optional<qint64> value) { setField<&MovieModel::m_cnID>(value); }
    const QString& xID() const { return m_xID; }
    void setXID(const QString& value) { setField<&MovieModel::m_xID>(value); }
    const QString& comments() const { return m_comments; }
    void setComments(const QString& value) { setField<&MovieModel::m_comments>(value); }
    const platform::PicturePtr& cover() const { return m_cover; }
    void setCover(const platform::PicturePtr& value) { setField<&MovieModel::m_cover>(value); }
    const std::optional<ImageList>& listOfCovers() const { return m_listOfCovers; }
    void setListOfCovers(const std::optional<ImageList>& value) { setField<&MovieModel::m_listOfCovers>(value); }
    const std::optional<ImageList>& listOfOldCovers() const { return m_listOfOldCovers; }
    void setListOfOldCovers(const std::optional<ImageList>& value) { setField<&MovieModel::m_listOfOldCovers>(value); }
    std::optional<qint64> chapterSettings() const { return m_chapterSettings; }
    void setChapterSettings(std::optional<qint64> value) { setField<&MovieModel::m_chapterSettings>(value); }
    std::optional<qint64> numberOfChapters() const { return m_numberOfChapters; }
    void setNumberOfChapters(std::optional<qint64> value) { setField<&MovieModel::m_numberOfChapters>(value); }
    std::optional<qint64> chapterInterval() const { return m_chapterInterval; }
    void setChapterInterval(std::optional<qint64> value) { setField<&MovieModel::m_chapterInterval>(value); }
    const std::optional<ChapterList>& listOfChapters() const { return m_listOfChapters; }
    void setListOfChapters(const std::optional<ChapterList>& value) { setField<&MovieModel::m_listOfChapters>(value); }
    const std::optional<ChapterList>& listOfOldChapters() const { return m_listOfOldChapters; }
    void setListOfOldChapters(const std::optional<ChapterList>& value)
    {
        setField<&MovieModel::m_listOfOldChapters>(value);
    }
    const std::optional<ChapterList>& listOfDbChapters() const { return m_listOfDbChapters; }
    void setListOfDbChapters(const std::optional<ChapterList>& value)
    {
        setField<&MovieModel::m_listOfDbChapters>(value);
    }
    const QUrl& chapterDbFileUrl() const { return m_chapterDbFileUrl; }
    void setChapterDbFileUrl(const QUrl& value) { setField<&MovieModel::m_chapterDbFileUrl>(value); }
    const QString& subtitle() const { return m_subtitle; }
    void setSubtitle(const QString& value) { setField<&MovieModel::m_subtitle>(value); }
    std::optional<double> subtitleOffset() const { return m_subtitleOffset; }
    void setSubtitleOffset(std::optional<double> value) { setField<&MovieModel::m_subtitleOffset>(value); }
    bool hasOrigSubtitle() const { return m_hasOrigSubtitle; }
    void setHasOrigSubtitle(bool value) { setField<&MovieModel::m_hasOrigSubtitle>(value); }
    const QString& imdbID() const { return m_imdbID; }
    void setImdbID(const QString& value) { setField<&MovieModel::m_imdbID>(value); }
    std::optional<qint64> mediaType() const { return m_mediaType; }
    void setMediaType(std::optional<qint64> value) { setField<&MovieModel::m_mediaType>(value); }
    std::optional<qint64> width() const { return m_width; }
    void setWidth(std::optional<qint64> value) { setField<&MovieModel::m_width>(value); }
    std::optional<qint64> height() const { return m_height; }
    void setHeight(std::optional<qint64> value) { setField<&MovieModel::m_height>(value); }
    const QString& duration() const { return m_duration; }
    void setDuration(const QString& value) { setField<&MovieModel::m_duration>(value); }
    std::optional<qint64> msecDuration() const { return m_msecDuration; }
    void setMsecDuration(std::optional<qint64> value) { setField<&MovieModel::m_msecDuration>(value); }
    qint64 status() const { return m_status; }
    void setStatus(qint64 value) { setField<&MovieModel::m_status>(value); }
    bool isTagged() const { return m_tagged; }
    void setTagged(bool value) { setField<&MovieModel::m_tagged>(value); }
    const QUrl& fileUrl() const { return m_fileUrl; }
    void setFileUrl(const QUrl& value) { setField<&MovieModel::m_fileUrl>(value); }
    // The movie file as it was when it was read, or last written by a save: its identity, and
    // a print of the parts of it the record rests on (the movie file library's, opaque here;
    // nothing when not taken). A file that no longer matches was changed by another program
    // since, also one whose size and time were put back. Not a field: it is not shown,
    // announced or pasted, and moves with the file through a rename. Nothing when unknown.
    struct FileAsRead {
        platform::FileIdentity identity;
        std::optional<quint64> content;
        bool operator==(const FileAsRead&) const = default;
    };
    const std::optional<FileAsRead>& fileAsRead() const { return m_fileAsRead; }
    void setFileAsRead(const std::optional<FileAsRead>& value) { m_fileAsRead = value; }
    // What `written`, a copy of this record that a save wrote into a file, knows of that file
    // (its identity and date tags): for when this record follows it there.
    void knowFileOf(const MovieModel& written);
    const std::optional<ImageModelList>& imageModels() const { return m_imageModels; }
    void setImageModels(const std::optional<ImageModelList>& value) { setField<&MovieModel::m_imageModels>(value); }
    const std::optional<SearchItemList>& foundMovies() const { return m_foundMovies; }
    void setFoundMovies(const std::optional<SearchItemList>& value) { setField<&MovieModel::m_foundMovies>(value); }
    const std::shared_ptr<MovieModel>& searchResult() const { return m_searchResult; }
    void setSearchResult(const std::shared_ptr<MovieModel>& value) { setField<&MovieModel::m_searchResult>(value); }
    const std::optional<QStringList>& codirectors() const { return m_codirectors; }
    void setCodirectors(const std::optional<QStringList>& value) { setField<&MovieModel::m_codirectors>(value); }
    const QString& composer() const { return m_composer; }
    void setComposer(const QString& value) { setField<&MovieModel::m_composer>(value); }
    const QString& sortComposer() const { return m_sortComposer; }
    void setSortComposer(const QString& value) { setField<&MovieModel::m_sortComposer>(value); }
    const QString& copyright() const { return m_copyright; }
    void setCopyright(const QString& value) { setField<&MovieModel::m_copyright>(value); }
    const QString& encodingTool() const { return m_encodingTool; }
    void setEncodingTool(const QString& value) { setField<&MovieModel::m_encodingTool>(value); }
    const QString& encodedBy() const { return m_encodedBy; }
    void setEncodedBy(const QString& value) { setField<&MovieModel::m_encodedBy>(value); }
    const QDateTime& purchaseDate() const { return m_purchaseDate; }
    void setPurchaseDate(const QDateTime& value) { setField<&MovieModel::m_purchaseDate>(value); }
    const QString& grouping() const { return m_grouping; }
    void setGrouping(const QString& value) { setField<&MovieModel::m_grouping>(value); }
    const QString& keywords() const { return m_keywords; }
    void setKeywords(const QString& value) { setField<&MovieModel::m_keywords>(value); }
    const QString& category() const { return m_category; }
    void setCategory(const QString& value) { setField<&MovieModel::m_category>(value); }
    std::optional<qint64> compilation() const { return m_compilation; }
    void setCompilation(std::optional<qint64> value) { setField<&MovieModel::m_compilation>(value); }
    std::optional<qint64> gapless() const { return m_gapless; }
    void setGapless(std::optional<qint64> value) { setField<&MovieModel::m_gapless>(value); }
    std::optional<qint64> podcast() const { return m_podcast; }
    void setPodcast(std::optional<qint64> value) { setField<&MovieModel::m_podcast>(value); }
    const QString& iTunesAccount() const { return m_iTunesAccount; }
    void setITunesAccount(const QString& value) { setField<&MovieModel::m_iTunesAccount>(value); }
    std::optional<qint64> iTunesAccountType() const { return m_iTunesAccountType; }
    void setITunesAccountType(std::optional<qint64> value) { setField<&MovieModel::m_iTunesAccountType>(value); }
    std::optional<qint64> iTunesCountry() const { return m_iTunesCountry; }
    void setITunesCountry(std::optional<qint64> value) { setField<&MovieModel::m_iTunesCountry>(value); }
    // The file's numeric genre: it goes when the genre changes through its setter or a merge
    // (a paste takes the source's with its genre).
    std::optional<qint64> genreType() const { return m_genreType; }
    void setGenreType(std::optional<qint64> value) { setField<&MovieModel::m_genreType>(value); }
    std::optional<qint64> contentId() const { return m_contentId; }
    void setContentId(std::optional<qint64> value) { setField<&MovieModel::m_contentId>(value); }
    std::optional<qint64> composerId() const { return m_composerId; }
    void setComposerId(std::optional<qint64> value) { setField<&MovieModel::m_composerId>(value); }
    std::optional<qint64> genreId() const { return m_genreId; }
    void setGenreId(std::optional<qint64> value) { setField<&MovieModel::m_genreId>(value); }
    std::optional<qint64> artistId() const { return m_artistId; }
    void setArtistId(std::optional<qint64> value) { setField<&MovieModel::m_artistId>(value); }
    std::optional<qint64> playlistId() const { return m_playlistId; }
    void setPlaylistId(std::optional<qint64> value) { setField<&MovieModel::m_playlistId>(value); }
    const QString& artist() const { return m_artist; }
    void setArtist(const QString& value) { setField<&MovieModel::m_artist>(value); }
    const QString& album() const { return m_album; }
    void setAlbum(const QString& value) { setField<&MovieModel::m_album>(value); }
    const QString& albumArtist() const { return m_albumArtist; }
    void setAlbumArtist(const QString& value) { setField<&MovieModel::m_albumArtist>(value); }

protected:
    void observeValueForKeyPath(const QString& key, const QVariant& oldValue, const QVariant& newValue) override;
    QStringList keysDerivedFrom(const QString& key) const override;

private:
    // One row of the field table (moviemodelfields.cpp), the only list of the fields.
    struct Field;
    template <auto Member, typename Cleared, typename Reset>
    static Field makeField(const char* key, bool observed, Cleared cleared, Reset reset);
    static const std::vector<Field>& fields();
    static const Field* findField(const QString& key);
    // The keys of the 69 stored fields.
    static const QStringList& fieldKeys();
    // A field's row is found from its member through this address, unique per member.
    template <auto Member>
    static constexpr char kMemberTag = 0;
    static const QString& keyOfMember(const void* memberTag);
    QVariant derivedValueForKey(const QString& key) const;
    void copyFieldsFrom(const MovieModel& source, const QStringList& except);
    // A file's numeric genre stands for the genre read with it: once the genre is no
    // longer `before`, it goes, so that a save writes only the new genre.
    void dropNumericGenreUnlessGenreIs(const QString& before);
    // The chapter list that the chapter setting asks for.
    std::optional<ChapterList> chosenChapterList() const;
    // Stores the chapter setting as the default for newly read records, when it is a real choice.
    void rememberChapterSetting() const;

    // What every setter does: the change announced under the field's key from the table.
    template <auto Member, typename T>
    void setField(const T& value)
    {
        static const QString& key = keyOfMember(&kMemberTag<Member>);
        willChangeValueForKey(key);
        this->*Member = value;
        didChangeValueForKey(key);
    }

    bool m_enabled = false;
    QString m_title;
    QString m_sortTitle;
    QString m_genre;
    std::optional<QStringList> m_allGenres;
    QString m_rating;
    std::optional<qint64> m_explicitFlag;
    QDateTime m_releaseDate;
    std::optional<QStringList> m_artists;
    std::optional<QStringList> m_directors;
    std::optional<QStringList> m_producers;
    std::optional<QStringList> m_screenWriters;
    QString m_studio;
    QString m_shortDescription;
    QString m_longDescription;
    std::optional<qint64> m_hdVideo;
    std::optional<qint64> m_cnID;
    QString m_xID;
    QString m_comments;
    platform::PicturePtr m_cover;
    std::optional<ImageList> m_listOfCovers;
    std::optional<ImageList> m_listOfOldCovers;
    std::optional<qint64> m_chapterSettings;
    std::optional<qint64> m_numberOfChapters;
    std::optional<qint64> m_chapterInterval;
    std::optional<ChapterList> m_listOfChapters;
    std::optional<ChapterList> m_listOfOldChapters;
    std::optional<ChapterList> m_listOfDbChapters;
    QUrl m_chapterDbFileUrl;
    QString m_subtitle;
    std::optional<double> m_subtitleOffset;
    bool m_hasOrigSubtitle = false;
    QString m_imdbID;
    std::optional<qint64> m_mediaType;
    std::optional<qint64> m_width;
    std::optional<qint64> m_height;
    QString m_duration;
    std::optional<qint64> m_msecDuration;
    qint64 m_status = 0;
    bool m_tagged = false;
    QUrl m_fileUrl;
    std::optional<ImageModelList> m_imageModels;
    std::optional<SearchItemList> m_foundMovies;
    std::shared_ptr<MovieModel> m_searchResult;
    std::optional<QStringList> m_codirectors;
    QString m_composer;
    QString m_sortComposer;
    QString m_copyright;
    QString m_encodingTool;
    QString m_encodedBy;
    QDateTime m_purchaseDate;
    QString m_grouping;
    QString m_keywords;
    QString m_category;
    std::optional<qint64> m_compilation;
    std::optional<qint64> m_gapless;
    std::optional<qint64> m_podcast;
    QString m_iTunesAccount;
    std::optional<qint64> m_iTunesAccountType;
    std::optional<qint64> m_iTunesCountry;
    std::optional<qint64> m_genreType;
    std::optional<qint64> m_contentId;
    std::optional<qint64> m_composerId;
    std::optional<qint64> m_genreId;
    std::optional<qint64> m_artistId;
    std::optional<qint64> m_playlistId;
    QString m_artist;
    QString m_album;
    QString m_albumArtist;

    DatesInFile m_datesInFile;
    std::optional<FileAsRead> m_fileAsRead;
};
