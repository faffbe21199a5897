#include "tagging/metadatautilities.h"

#include "model/helpers.h"
#include "mp4/moviefile.h"
#include "platform/log.h"
#include "platform/propertylist.h"
#include "platform/settings.h"
#include "tagging/coverartwork.h"
#include "tagging/itunesitems.h"
#include "tagging/subtitleutilities.h"
#include "tagging/tagutilities.h"
#include "tagging/utf8text.h"

namespace MetaDataUtilities {

namespace {

// Pictures this small are placeholders some taggers leave behind, not covers.
constexpr std::size_t kSmallestCover = 100;
constexpr std::size_t kSmallestOlderCover = 101;

// A text tag as a C string: up to its first NUL, which some taggers store at the end.
std::optional<std::string_view> tagText(const std::optional<std::string>& tag)
{
    if (!tag)
        return std::nullopt;
    return std::string_view(tag->c_str());
}

// A text tag worth taking: present and not the "NA" that some tools write for none.
std::optional<QString> usable(const std::optional<std::string>& tag)
{
    const std::optional<std::string_view> text = tagText(tag);
    if (!text || *text == "NA")
        return std::nullopt;
    return stringFromUtf8(*text);
}

template <typename Setter>
void setIfUsable(const std::optional<std::string>& tag, Setter setter)
{
    if (const std::optional<QString> text = usable(tag))
        setter(*text);
}

template <typename Integer, typename Setter>
void setIfPresent(const std::optional<Integer>& tag, Setter setter)
{
    if (tag)
        setter(static_cast<qint64>(*tag));
}

void readTextTags(const mp4::Tags& tags, MovieModel& movie)
{
    setIfUsable(tags.name, [&](const QString& text) { movie.setTitle(text); });
    if (const std::optional<QString> sortName = usable(tags.sortName);
        sortName && !sortName->isEmpty() && tagText(tags.sortName) != tagText(tags.name))
        movie.setSortTitle(*sortName);
    setIfUsable(tags.xid, [&](const QString& text) { movie.setXID(text); });
    setIfUsable(tags.comments, [&](const QString& text) { movie.setComments(text); });
    setIfUsable(tags.genre, [&](const QString& text) { movie.setGenre(text); });
    setIfUsable(tags.description, [&](const QString& text) { movie.setShortDescription(text); });
    setIfUsable(tags.longDescription, [&](const QString& text) { movie.setLongDescription(text); });
    setIfPresent(tags.contentRating, [&](qint64 value) { movie.setExplicitFlag(value); });
    setIfPresent(tags.hdVideo, [&](qint64 value) { movie.setHdVideo(value); });
    setIfPresent(tags.mediaType, [&](qint64 value) { movie.setMediaType(value); });
}

TagDateText dateTextOf(const std::optional<std::string>& tag)
{
    const std::optional<QString> text = usable(tag);
    return text ? TagDateText(*text) : TagDateText();
}

// The dates, and the texts they came from, which a save keeps while the dates stay.
void readDates(const mp4::Tags& tags, MovieModel& movie)
{
    const MovieModel::DatesInFile dates{dateTextOf(tags.releaseDate), dateTextOf(tags.purchaseDate)};
    movie.setDatesInFile(dates);
    if (dates.releaseDate.isPresent())
        movie.setReleaseDate(dates.releaseDate.date());
    if (dates.purchaseDate.isPresent())
        movie.setPurchaseDate(dates.purchaseDate.date());
}

void readCovers(const ExistingCovers& covers, MovieModel& movie)
{
    if (covers.coverArt)
        movie.setCover(covers.coverArt);
    if (covers.olderCovers)
        movie.setListOfOldCovers(covers.olderCovers);
}

void readOtherTags(const mp4::Tags& tags, MovieModel& movie)
{
    setIfUsable(tags.composer, [&](const QString& text) { movie.setComposer(text); });
    setIfUsable(tags.sortComposer, [&](const QString& text) { movie.setSortComposer(text); });
    setIfUsable(tags.copyright, [&](const QString& text) { movie.setCopyright(text); });
    setIfUsable(tags.encodingTool, [&](const QString& text) { movie.setEncodingTool(text); });
    setIfUsable(tags.encodedBy, [&](const QString& text) { movie.setEncodedBy(text); });
    setIfUsable(tags.grouping, [&](const QString& text) { movie.setGrouping(text); });
    setIfUsable(tags.keywords, [&](const QString& text) { movie.setKeywords(text); });
    setIfUsable(tags.category, [&](const QString& text) { movie.setCategory(text); });
    setIfPresent(tags.compilation, [&](qint64 value) { movie.setCompilation(value); });
    setIfPresent(tags.gapless, [&](qint64 value) { movie.setGapless(value); });
    setIfPresent(tags.podcast, [&](qint64 value) { movie.setPodcast(value); });
    setIfUsable(tags.iTunesAccount, [&](const QString& text) { movie.setITunesAccount(text); });
    setIfPresent(tags.iTunesAccountType, [&](qint64 value) { movie.setITunesAccountType(value); });
    setIfPresent(tags.iTunesCountry, [&](qint64 value) { movie.setITunesCountry(value); });
    setIfPresent(tags.genreType, [&](qint64 value) { movie.setGenreType(value); });
    setIfPresent(tags.contentID, [&](qint64 value) { movie.setContentId(value); });
    setIfPresent(tags.composerID, [&](qint64 value) { movie.setComposerId(value); });
    setIfPresent(tags.genreID, [&](qint64 value) { movie.setGenreId(value); });
    setIfPresent(tags.artistID, [&](qint64 value) { movie.setArtistId(value); });
    // Play-list ids use all 64 bits; a number above the signed range keeps its bits.
    setIfPresent(tags.playlistID, [&](qint64 value) { movie.setPlaylistId(value); });
    setIfUsable(tags.artist, [&](const QString& text) { movie.setArtist(text); });
    setIfUsable(tags.album, [&](const QString& text) { movie.setAlbum(text); });
    setIfUsable(tags.albumArtist, [&](const QString& text) { movie.setAlbumArtist(text); });
}

// The cast from the Artist tag, for files tagged without a cast list.
void readArtistsFromArtistTag(const mp4::Tags& tags, MovieModel& movie)
{
    if (movie.directors() || !tags.artist)
        return;
    const QString artist = stringFromUtf8(*tagText(tags.artist));
    if (!artist.isNull())
        movie.setArtists(namesFromText(artist, u','));
}

void pictureFormatFromWidth(MovieModel& movie)
{
    const qint64 width = movie.width().value_or(0);
    if (width >= 1001)
        movie.setHdVideo(1);
    if (width >= 1401)
        movie.setHdVideo(2);
    if (width >= 2201)
        movie.setHdVideo(3);
}

void readNames(const QVariantMap& plist, const QString& key,
               void (MovieModel::*setter)(const std::optional<QStringList>&), MovieModel& movie)
{
    const QString names = namesStringFromITunMOVIEntry(plist, key);
    if (!names.isEmpty() && names != QStringLiteral("NA"))
        (movie.*setter)(namesFromText(names, u','));
}

// The tag set, its pictures and the media type the record stands for.
void readTagSet(const mp4::Tags& tags, const CoverArtwork::ArtworkFile& file, MovieModel& movie)
{
    const ExistingCovers covers = getExistingCovers(tags, file);
    readTextTags(tags, movie);
    readDates(tags, movie);
    readCovers(covers, movie);
    readOtherTags(tags, movie);
    if (!platform::Settings::shared().boolValue(QStringLiteral("DoNotOverWriteMediaType")))
        movie.setMediaType(9);
}

// The rating, the cast list (or the cast from the Artist tag) and the catalogue id.
void readItems(const mp4::MovieFile& file, const mp4::Tags& tags, MovieModel& movie)
{
    movie.setRating(TagUtilities::getNameAndMeanItem(file, ITunesItems::kMean, ITunesItems::kRating));
    extractITunMOVI(TagUtilities::getNameAndMeanItem(file, ITunesItems::kMean, ITunesItems::kCastList), movie);
    readArtistsFromArtistTag(tags, movie);
    if (const QVariant cnID = TagUtilities::getNameItem(file, ITunesItems::kCatalogueId, TagUtilities::kIntegerType);
        cnID.isValid())
        movie.setCnID(cnID.toLongLong());
}

// The chapter source: the file's own chapters when it has any, else the user's default.
void readChapterSetting(std::uint64_t chapterCount, MovieModel& movie)
{
    movie.setChapterSettings(platform::Settings::shared().integerValue(QStringLiteral("DefaultChapterSetting")));
    if (chapterCount != 0)
        movie.setChapterSettings(0);
}

// Size, duration and picture format, the chapters, and whether the file has its own subtitle.
void readTrackFacts(const mp4::MovieFile& file, const mp4::Tags& tags, MovieModel& movie, const QString& language)
{
    extractMovieSizeAndDuration(file, movie);
    if (!tags.hdVideo)
        pictureFormatFromWidth(movie);
    readChapterSetting(loadChaptersFromFile(file, movie), movie);
    if (SubTitleUtilities::getSubTitleTrackWithLanguage(file, language) != 0)
        movie.setHasOrigSubtitle(true);
}

}  // namespace

std::optional<mp4::MovieFile> openMP4FileFromUrl(const QUrl& url)
{
    if (url.isEmpty()) {
        platform::log(QStringLiteral("fileUrl empty"));
        return std::nullopt;
    }
    auto file = mp4::MovieFile::openForRead(pathFromLocalFile(url.toLocalFile()));
    if (!file) {
        platform::log(QStringLiteral("MP4Read failed"));
        return std::nullopt;
    }
    if (TagUtilities::getReferencingTrack(*file) == 0) {
        platform::log(QStringLiteral("unable to find a video or audio track in file"));
        return std::nullopt;  // the handle closes as it goes out of scope
    }
    return std::move(*file);
}

ExistingCovers getExistingCovers(const mp4::Tags& tags, const CoverArtwork::ArtworkFile& file)
{
    ExistingCovers covers;
    if (tags.artwork.empty())
        return covers;
    const auto picture = [&file](const mp4::Artwork& artwork) { return CoverArtwork::pictureOf(artwork, file); };
    if (tags.artwork.front().size() >= kSmallestCover)
        covers.coverArt = picture(tags.artwork.front());
    if (tags.artwork.size() >= 2) {
        covers.olderCovers = ImageList{};
        for (std::size_t i = 1; i < tags.artwork.size(); ++i) {
            if (tags.artwork[i].size() >= kSmallestOlderCover)
                covers.olderCovers->append(picture(tags.artwork[i]));
        }
    }
    return covers;
}

QString namesStringFromITunMOVIEntry(const QVariantMap& plist, const QString& key)
{
    const QVariant value = plist.value(key);
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    QStringList names;
    if (value.typeId() == QMetaType::QVariantList) {
        for (const QVariant& entry : value.toList()) {
            const QVariant name = entry.toMap().value(QStringLiteral("name"));
            if (entry.typeId() == QMetaType::QVariantMap && name.typeId() == QMetaType::QString)
                names << name.toString();
        }
    }
    // Joining no names gives a null text, which would read as no entry at all.
    return names.isEmpty() ? QStringLiteral("") : names.join(u',');
}

void extractITunMOVI(const QString& text, MovieModel& movie)
{
    const QByteArray bytes = text.toUtf8();
    if (text.isNull() || bytes.size() < 11)
        return;
    const std::optional<QVariant> parsed = platform::parsePropertyList(bytes);
    if (!parsed || parsed->typeId() != QMetaType::QVariantMap)
        return;
    const QVariantMap plist = parsed->toMap();
    readNames(plist, QStringLiteral("cast"), &MovieModel::setArtists, movie);
    readNames(plist, QStringLiteral("producers"), &MovieModel::setProducers, movie);
    readNames(plist, QStringLiteral("directors"), &MovieModel::setDirectors, movie);
    readNames(plist, QStringLiteral("codirectors"), &MovieModel::setCodirectors, movie);
    readNames(plist, QStringLiteral("screenwriters"), &MovieModel::setScreenWriters, movie);
    const QVariant studio = plist.value(QStringLiteral("studio"));
    if (studio.typeId() == QMetaType::QString && !studio.toString().isEmpty() && studio.toString() != "NA")
        movie.setStudio(studio.toString());
}

QString durationText(std::uint64_t milliseconds)
{
    QString text = timeStringFromMilliseconds(milliseconds);
    text.truncate(text.indexOf(QLatin1Char('.')));
    // Hours come with two digits at least; under ten hours one is enough.
    if (text.startsWith(QLatin1Char('0')) && text.indexOf(QLatin1Char(':')) == 2)
        text.remove(0, 1);
    return text;
}

void extractMovieSizeAndDuration(const mp4::MovieFile& file, MovieModel& movie)
{
    const TagUtilities::SizeAndDuration size = TagUtilities::getSizeAndDurationFromFile(file);
    movie.setWidth(static_cast<qint64>(size.width));
    movie.setHeight(static_cast<qint64>(size.height));
    movie.setMsecDuration(static_cast<qint64>(size.durationInMilliSeconds));
    movie.setDuration(durationText(size.durationInMilliSeconds));
}

std::uint64_t loadChaptersFromFile(const mp4::MovieFile& file, MovieModel& movie)
{
    // A file without a chapter track may still list its chapters the Nero way
    // (`udta/chpl`, as audiobook tools write them): those are the file's chapters too.
    const std::vector<mp4::Chapter> chapters =
        file.chapters(mp4::ChapterType::Any).value_or(std::vector<mp4::Chapter>{});
    ChapterList list;
    for (std::size_t i = 0; i < chapters.size(); ++i) {
        auto chapter = std::make_shared<ChapterModel>();
        chapter->setIndex(static_cast<qint64>(i + 1));
        // A title ends at its first NUL, as in the fixed buffer chapter titles come in.
        const std::string_view title(chapters[i].title.c_str());
        chapter->setName(!title.empty() ? QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()))
                                        : ChapterModel::defaultName(i + 1));
        chapter->setLength(chapters[i].durationMs);
        list.append(chapter);
    }
    movie.setNumberOfChapters(static_cast<qint64>(chapters.size()));
    movie.setListOfChapters(list);
    movie.setListOfOldChapters(list);
    return chapters.size();
}

MovieModel::FileAsRead fileAsReadOf(const mp4::FileStamp& stamp)
{
    return {{static_cast<qint64>(stamp.size), stamp.modifiedNs}, stamp.content};
}

std::optional<mp4::FileStamp> stampOf(const std::optional<MovieModel::FileAsRead>& asRead)
{
    if (!asRead)
        return std::nullopt;
    return mp4::FileStamp{static_cast<std::uint64_t>(asRead->identity.size), asRead->identity.modified,
                          asRead->content};
}

bool readMetaDataFromURL(const QUrl& url, MovieModel& movie, const QString& language)
{
    const std::optional<mp4::MovieFile> file = openMP4FileFromUrl(url);
    if (!file)
        return false;
    // Its identity as the handle found it before anything was read: a change while it is read
    // makes its covers unreadable, and the record refuses to save it.
    const MovieModel::FileAsRead asRead = fileAsReadOf(file->asRead());
    const CoverArtwork::ArtworkFile artworkFile{url.toLocalFile(), asRead.identity};
    // The pictures stay in the file until they are shown or copied.
    const mp4::Tags tags = file->tags(mp4::ArtworkBytes::LeftInFile);

    movie.clear();
    movie.setFileUrl(url);
    movie.setFileAsRead(asRead);
    readTagSet(tags, artworkFile, movie);
    readItems(*file, tags, movie);
    readTrackFacts(*file, tags, movie, language);
    return true;
}

}  // namespace MetaDataUtilities
