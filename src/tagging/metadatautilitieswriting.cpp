// Writing a movie record into its file.
#include "tagging/metadatautilities.h"

#include "model/helpers.h"
#include "model/languageutilities.h"
#include "mp4/moviefile.h"
#include "platform/log.h"
#include "platform/propertylist.h"
#include "platform/settings.h"
#include "platform/textcut.h"
#include "tagging/coverartwork.h"
#include "tagging/itunesitems.h"
#include "tagging/subtitleutilities.h"
#include "tagging/tagutilities.h"
#include "tagging/utf8text.h"

#include <QFile>
#include <QFileInfo>
#include <QTimeZone>

#include <bit>

namespace MetaDataUtilities {

namespace {

constexpr qsizetype kMaxDescriptionLength = 255;

// A text as a tag holds it: UTF-8 up to the first NUL, which would end it for other readers.
std::string tagString(const QString& value)
{
    std::string bytes = utf8FromString(value);
    bytes.resize(std::char_traits<char>::length(bytes.c_str()));
    return bytes;
}

std::optional<std::string> text(const QString& value)
{
    if (value.isNull())
        return std::nullopt;
    return tagString(value);
}

// A date as its tag: the file's own text while the record still holds the
// date read from it (taggers write dates in many forms, and a text that names
// no day is kept as well); otherwise the record's date in the form this
// program writes. The empty-date value stands for no date and writes none.
std::optional<std::string> tagDate(const QDateTime& date, const TagDateText& inFile)
{
    if (inFile.standsFor(date))
        return tagString(inFile.text());
    if (MovieModel::isEmptyReleaseDate(date))
        return std::nullopt;
    return utf8FromString(date.toTimeZone(QTimeZone::utc()).toString(QStringLiteral("yyyy-M-d'T'HH:mm:ss'Z'")));
}

TagDateText dateTagWritten(const QDateTime& date, const TagDateText& inFile)
{
    const std::optional<std::string> written = tagDate(date, inFile);
    return written ? TagDateText(QString::fromStdString(*written)) : TagDateText();
}

// The date tags a save of the record writes, which its file holds from then on.
MovieModel::DatesInFile datesWritten(const MovieModel& movie)
{
    return {dateTagWritten(movie.releaseDate(), movie.datesInFile().releaseDate),
            dateTagWritten(movie.purchaseDate(), movie.datesInFile().purchaseDate)};
}

template <typename Integer>
std::optional<Integer> narrowed(std::optional<qint64> value)
{
    if (!value)
        return std::nullopt;
    return static_cast<Integer>(*value);
}

std::uint8_t flag(std::optional<qint64> value)
{
    return value.value_or(0) == 0 ? 0 : 1;
}

void setNameTags(const MovieModel& movie, mp4::Tags& tags)
{
    if (!movie.title().isNull()) {
        tags.sortName =
            tagString(!movie.sortTitle().isEmpty() ? movie.sortTitle() : sortTitleWithoutArticle(movie.title()));
        tags.name = tagString(movie.title());
    }
    std::optional<std::string> artist = text(movie.artist());
    if (!artist && movie.directors())
        artist = tagString(movie.directors()->join(QStringLiteral(", ")));
    tags.artist = tags.sortArtist = artist;
    if (movie.artists()) {
        tags.albumArtist = tagString(!movie.albumArtist().isNull() ? movie.albumArtist()
                                                                   : movie.artists()->join(QStringLiteral(", ")));
        tags.sortAlbumArtist = tags.albumArtist;
    }
}

// The texts and dates of the record; nil fields write no tag, empty ones an empty tag.
void setTextTags(const MovieModel& movie, mp4::Tags& tags)
{
    setNameTags(movie, tags);
    tags.xid = text(movie.xID());
    tags.comments = text(movie.comments());
    tags.genre = text(movie.genre());
    tags.releaseDate = tagDate(movie.releaseDate(), movie.datesInFile().releaseDate);
    tags.description = text(movie.shortDescription().isNull()
                                ? QString()
                                : platform::leftWithoutSplittingPairs(movie.shortDescription(), kMaxDescriptionLength));
    tags.longDescription = text(movie.longDescription());
    tags.copyright = text(movie.copyright());
    tags.encodingTool = text(movie.encodingTool());
    tags.encodedBy = text(movie.encodedBy());
    tags.iTunesAccount = text(movie.iTunesAccount());
    tags.album = tags.sortAlbum = text(movie.album());
    tags.composer = text(movie.composer());
    tags.sortComposer = text(movie.sortComposer());
    tags.purchaseDate = tagDate(movie.purchaseDate(), movie.datesInFile().purchaseDate);
    tags.grouping = text(movie.grouping());
    tags.keywords = text(movie.keywords());
    tags.category = text(movie.category());
}

// The numbers of the record, each in its tag's width.
void setNumberTags(const MovieModel& movie, mp4::Tags& tags)
{
    tags.hdVideo = narrowed<std::uint8_t>(movie.hdVideo());
    tags.contentRating = narrowed<std::uint8_t>(movie.explicitFlag());
    tags.mediaType = static_cast<std::uint8_t>(movie.mediaType().value_or(9));
    tags.gapless = flag(movie.gapless());
    tags.compilation = flag(movie.compilation());
    tags.podcast = flag(movie.podcast());
    tags.iTunesAccountType = narrowed<std::uint8_t>(movie.iTunesAccountType());
    tags.iTunesCountry = narrowed<std::uint32_t>(movie.iTunesCountry());
    tags.genreType = narrowed<std::uint16_t>(movie.genreType());
    tags.contentID = narrowed<std::uint32_t>(movie.contentId());
    tags.composerID = narrowed<std::uint32_t>(movie.composerId());
    tags.genreID = narrowed<std::uint32_t>(movie.genreId());
    tags.artistID = narrowed<std::uint32_t>(movie.artistId());
    // All 64 bits, so that a play-list id read from a file survives the save.
    tags.playlistID = narrowed<std::uint64_t>(movie.playlistId());
}

mp4::Tags tagsFromMovieModel(const MovieModel& movie)
{
    mp4::Tags tags;
    setTextTags(movie, tags);
    setNumberTags(movie, tags);
    return tags;
}

using Written = std::expected<void, TaggingError>;

// An item step's answer without the "was an item added" that the writer does not need.
Written itemWritten(const std::expected<bool, TaggingError>& added)
{
    if (!added)
        return std::unexpected(added.error());
    return {};
}

Written writeCatalogueId(const MovieModel& movie, mp4::MovieFile& file)
{
    if (!movie.cnID())
        return {};
    const auto value = static_cast<std::uint32_t>(*movie.cnID());
    const QByteArray bytes(reinterpret_cast<const char*>(&value), sizeof value);  // machine order
    return itemWritten(TagUtilities::addNameItem(file, ITunesItems::kCatalogueId, bytes, TagUtilities::kIntegerType));
}

Written writeCastList(const MovieModel& movie, mp4::MovieFile& file)
{
    const std::optional<QByteArray> plist = platform::xmlPropertyList(actorsDirectorsWritersAndStudioToPList(movie));
    if (!plist)
        return {};
    return itemWritten(TagUtilities::addNameAndMeanItem(file, ITunesItems::kMean, ITunesItems::kCastList, *plist));
}

Written writeRating(const MovieModel& movie, mp4::MovieFile& file)
{
    if (movie.rating().isNull())
        return {};
    return itemWritten(
        TagUtilities::addNameAndMeanItem(file, ITunesItems::kMean, ITunesItems::kRating, movie.rating().toUtf8()));
}

// A chapter track written without a language takes the one the user searches in.
Written setChapterTrackLanguage(mp4::MovieFile& file, const QString& language)
{
    const std::uint32_t track = TagUtilities::getChapterTrack(file);
    if (track == 0 || file.trackLanguage(track) != "und")
        return {};
    return checkedEdit(file.setTrackLanguage(track, utf8FromString(LanguageUtilities::subtitleLanguageCode(language))),
                       QStringLiteral("setting the chapter track's language"));
}

// A subtitle that cannot be written is logged and leaves the rest of the save
// alone; only an edit the file refused fails it.
Written writeSubtitle(const MovieModel& movie, mp4::MovieFile& file, const QString& language)
{
    const bool overwrite = platform::Settings::shared().boolValue(QStringLiteral("OverwriteExistingSubtitles"));
    if (!overwrite && SubTitleUtilities::getSubTitleTrackWithLanguage(file, language) != 0)
        return {};
    const auto written = SubTitleUtilities::writeSubTitleToFile(file, movie.subtitle(), language,
                                                                movie.subtitleOffset().value_or(0.0), overwrite);
    if (!written && written.error().isRefusedEdit())
        return written;
    if (!written)
        platform::log(written.error().domain);
    return {};
}

// Whether two URLs name one file: by text (ignoring case, as the file systems
// the application grew up on do), or because they resolve to the same file.
bool isSameFile(const QUrl& first, const QUrl& second)
{
    if (first.toString().toLower() == second.toString().toLower())
        return true;
    const QString firstPath = QFileInfo(first.toLocalFile()).canonicalFilePath();
    return !firstPath.isEmpty() && firstPath == QFileInfo(second.toLocalFile()).canonicalFilePath();
}

// A fresh copy of the source at a destination that is another file; nothing
// (logged) when the copy fails.
std::optional<QString> freshCopy(const QUrl& source, const QUrl& destination)
{
    const QString target = destination.toLocalFile();
    QFile::remove(target);
    if (!QFile::copy(source.toLocalFile(), target)) {
        platform::log(QStringLiteral("file copy failed"));
        return std::nullopt;
    }
    return target;
}

// Every item the file held gives way to the record's tag set and items.
Written writeItems(const MovieModel& movie, mp4::MovieFile& file, std::vector<platform::PicturePtr>& written)
{
    return inOrder({
        [&] { return checkedEdit(file.removeAllItems(), QStringLiteral("removing every item")); },
        [&] { return setMP4TagsFromMovieModel(movie, file, written); },
        [&] { return writeCatalogueId(movie, file); },
        [&] { return writeCastList(movie, file); },
        [&] { return writeRating(movie, file); },
    });
}

// Chapters and the subtitle, each unless the user keeps the file's own.
Written writeTracks(const MovieModel& movie, mp4::MovieFile& file, const QString& language)
{
    const QStringList protectedFields =
        platform::Settings::shared().stringListValue(QStringLiteral("FiledsNotToBeOverwritten"));
    const bool chapters = movie.chapterSettings() != 0 && !protectedFields.contains(QStringLiteral("chapters"));
    // An empty text would only add a track without captions (and could replace a real one).
    const bool subtitle = !movie.subtitle().isEmpty() && !protectedFields.contains(QStringLiteral("subtitle"));
    return inOrder({
        [&]() -> Written { return chapters ? copyChaptersToMP4Format(file, movie) : Written(); },
        [&] { return setChapterTrackLanguage(file, language); },
        [&]() -> Written { return subtitle ? writeSubtitle(movie, file, language) : Written(); },
    });
}

// Whether the file at `path` is still `asRead` (so when that is not known): its
// identity, and then what the record rests on, read again. A file that is gone
// was not changed: opening or copying it fails on its own.
bool stillAsRead(const QString& path, const std::optional<MovieModel::FileAsRead>& asRead)
{
    if (!asRead)
        return true;
    const std::optional<platform::FileIdentity> now = platform::FileIdentity::of(path);
    if (!now)
        return true;
    if (*now != asRead->identity)
        return false;
    if (!asRead->content)
        return true;
    const auto file = mp4::MovieFile::openForRead(pathFromLocalFile(path));
    return file && file->asRead().content == asRead->content;
}

// Why the file library refused to open a file for a save (`opening`) or to commit the edits.
WriteFailure failureOf(const mp4::Error& error, bool opening)
{
    switch (error.code) {
        case mp4::Error::Code::Changed:
            return WriteFailure::ChangedSinceRead;
        case mp4::Error::Code::Corrupt:
        case mp4::Error::Code::Unsupported:
            // What the file holds, as opening found it; failing reads later are the commit's own.
            return opening ? WriteFailure::NotChangeable : WriteFailure::CannotWrite;
        default:
            return WriteFailure::CannotWrite;
    }
}

// The file as the save left it, read back once: the pictures that lie in it
// follow their bytes, and the record learns what the next save checks it
// against. Nothing when it cannot be read back.
std::optional<MovieModel::FileAsRead> readBack(const QString& path, const std::vector<platform::PicturePtr>& pictures)
{
    const auto file = mp4::MovieFile::openForRead(pathFromLocalFile(path));
    if (!file)
        return std::nullopt;
    const MovieModel::FileAsRead asWritten = fileAsReadOf(file->asRead());
    CoverArtwork::followSavedFile(pictures, *file, asWritten.identity);
    return asWritten;
}

// The edits reach the disk only now; a failed commit leaves the file as it was.
std::expected<void, WriteFailure> commit(mp4::MovieFile& file)
{
    if (const auto closed = file.close(); !closed) {
        platform::log(
            QStringLiteral("MP4Close failed on %1: %2")
                .arg(QString::fromStdString(file.path().string()), QString::fromStdString(closed.error().message)));
        return std::unexpected(failureOf(closed.error(), false));
    }
    return {};
}

// Chapters of a longer cut (a chapter set whose title fits but whose times do
// not) end with the media.
void fitChaptersToLength(std::vector<mp4::Chapter>& chapters, std::uint64_t lengthMs)
{
    std::uint64_t start = 0;
    for (std::size_t index = 0; index < chapters.size(); ++index) {
        const std::optional<std::uint64_t> kept =
            TagUtilities::durationWithinMedia(start, chapters[index].durationMs, lengthMs);
        if (!kept) {
            chapters.resize(index);
            break;
        }
        start += chapters[index].durationMs;
        chapters[index].durationMs = *kept;
    }
}

}  // namespace

bool fileIsAsRead(const MovieModel& movie)
{
    return stillAsRead(movie.fileUrl().toLocalFile(), movie.fileAsRead());
}

std::expected<mp4::MovieFile, WriteFailure> copyOriginalFileToDestinationPath(
    const QUrl& source, const QUrl& saveAsDestinationFileUrl, const std::optional<MovieModel::FileAsRead>& asRead)
{
    if (source.isEmpty()) {
        platform::log(QStringLiteral("no actual file set"));
        return std::unexpected(WriteFailure::CannotWrite);
    }
    const bool inPlace = saveAsDestinationFileUrl.isEmpty() || isSameFile(source, saveAsDestinationFileUrl);
    if (!inPlace && !stillAsRead(source.toLocalFile(), asRead)) {
        platform::log(
            QStringLiteral("not copied, changed by another program since it was read: %1").arg(source.toLocalFile()));
        return std::unexpected(WriteFailure::ChangedSinceRead);
    }
    const std::optional<QString> target =
        inPlace ? std::optional(source.toLocalFile()) : freshCopy(source, saveAsDestinationFileUrl);
    if (!target)
        return std::unexpected(WriteFailure::CannotWrite);
    // The library checks the file against the stamp under the same handle it writes through.
    auto file = mp4::MovieFile::openForModify(pathFromLocalFile(*target), inPlace ? stampOf(asRead) : std::nullopt);
    if (!file) {
        platform::log(QStringLiteral("MP4Modify failed on %1 failed").arg(*target));
        return std::unexpected(failureOf(file.error(), true));
    }
    return std::move(*file);
}

std::expected<void, TaggingError> setMP4TagsFromMovieModel(const MovieModel& movie, mp4::MovieFile& destinationFile,
                                                           std::vector<platform::PicturePtr>& written)
{
    mp4::Tags tags = tagsFromMovieModel(movie);
    const QString path = QString::fromStdString(destinationFile.path().string());
    auto artwork = CoverArtwork::artworkFor(movie, CoverArtwork::ArtworkFile::of(path), written);
    if (!artwork)
        return std::unexpected(artwork.error());
    tags.artwork = std::move(*artwork);
    return checkedEdit(destinationFile.setTags(tags), QStringLiteral("writing the tag set"));
}

QVariantList nameDictionariesFromNames(const std::optional<QStringList>& names)
{
    QVariantList dictionaries;
    if (!names)
        return dictionaries;
    for (const QString& name : *names)
        if (!name.isEmpty())
            dictionaries.append(QVariantMap{{QStringLiteral("name"), name}});
    return dictionaries;
}

QVariantMap actorsDirectorsWritersAndStudioToPList(const MovieModel& movie)
{
    return QVariantMap{
        {QStringLiteral("cast"), nameDictionariesFromNames(movie.artists())},
        {QStringLiteral("directors"), nameDictionariesFromNames(movie.directors())},
        {QStringLiteral("codirectors"), nameDictionariesFromNames(movie.codirectors())},
        {QStringLiteral("producers"), nameDictionariesFromNames(movie.producers())},
        {QStringLiteral("screenwriters"), nameDictionariesFromNames(movie.screenWriters())},
        {QStringLiteral("studio"), movie.studio().isNull() ? QStringLiteral("") : movie.studio()},
    };
}

std::expected<void, TaggingError> copyChaptersToMP4Format(mp4::MovieFile& file, const MovieModel& movie)
{
    if (auto deleted = checkedEdit(file.deleteChapters(mp4::ChapterType::Any), QStringLiteral("removing the chapters"));
        !deleted)
        return deleted;
    if (!movie.listOfChapters() || movie.listOfChapters()->isEmpty())
        return {};
    std::vector<mp4::Chapter> chapters;
    for (const auto& chapter : *movie.listOfChapters()) {
        if (chapter)
            chapters.push_back({chapter->length(), tagString(chapter->name())});  // cut to 1023 bytes by the library
    }
    fitChaptersToLength(chapters, TagUtilities::getMediaDurationInMilliseconds(file));
    return checkedEdit(file.setChapters(chapters), QStringLiteral("writing the chapters"));
}

std::expected<void, WriteFailure> writeMetaDataToURL(MovieModel& movie, const QUrl& newDestinationUrl,
                                                     const QString& language)
{
    auto file = copyOriginalFileToDestinationPath(movie.fileUrl(), newDestinationUrl, movie.fileAsRead());
    if (!file)
        return std::unexpected(file.error());
    std::vector<platform::PicturePtr> pictures;
    const MovieModel::DatesInFile dates = datesWritten(movie);
    const Written written = inOrder({
        [&] { return writeItems(movie, *file, pictures); },
        [&] { return writeTracks(movie, *file, language); },
    });
    const QString path = QString::fromStdString(file->path().string());
    if (!written) {
        // Saving only part of the record would pass for a save: the file keeps what it had.
        platform::log(QStringLiteral("MP4 edit refused on %1: %2").arg(path, written.error().domain));
        return std::unexpected(WriteFailure::CannotWrite);
    }
    if (auto committed = commit(*file); !committed)
        return std::unexpected(committed.error());
    const std::optional<MovieModel::FileAsRead> asWritten = readBack(path, pictures);
    if (newDestinationUrl.isEmpty() || isSameFile(movie.fileUrl(), newDestinationUrl)) {
        movie.setFileAsRead(asWritten);
        movie.setDatesInFile(dates);
    }
    return {};
}

}  // namespace MetaDataUtilities
