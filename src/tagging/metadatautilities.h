#pragma once

#include "model/moviemodel.h"
#include "tagging/coverartwork.h"
#include "tagging/taggingerror.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <cstdint>
#include <expected>
#include <optional>
#include <vector>

namespace mp4 {
class MovieFile;
struct FileStamp;
struct Tags;
}  // namespace mp4

// Reading a movie file's tags, covers, cast list, chapters and track facts
// into a movie record, and writing a record back into its file.
namespace MetaDataUtilities {

// ---- reading ----

// Fills `movie` from the file at `url`; the language picks the subtitle track
// that counts as the file's own. False, with the record untouched, when the
// file cannot be opened or has neither a video nor an audio track.
bool readMetaDataFromURL(const QUrl& url, MovieModel& movie, const QString& language);

// The file opened for reading, or nothing (logged) when it cannot be read or
// has neither a video nor an audio track.
std::optional<mp4::MovieFile> openMP4FileFromUrl(const QUrl& url);

// A movie file as the file library read it, as the record keeps it, and back: what the file
// library checks a save against (nothing when the record knows nothing of its file).
MovieModel::FileAsRead fileAsReadOf(const mp4::FileStamp& stamp);
std::optional<mp4::FileStamp> stampOf(const std::optional<MovieModel::FileAsRead>& asRead);

struct ExistingCovers {
    platform::PicturePtr coverArt;         // the first picture, none when there is none worth taking
    std::optional<ImageList> olderCovers;  // the later pictures, when the file has more than one
};
// `file` is the movie file the tags were read from, as it was then: pictures left in it refer to it.
ExistingCovers getExistingCovers(const mp4::Tags& tags, const CoverArtwork::ArtworkFile& file);

// Takes the cast, crew and studio from the text of an "iTunMOVI" property list.
void extractITunMOVI(const QString& text, MovieModel& movie);
// One field of the cast property list as text: a text value as it is, a
// list of {"name": ...} dictionaries as the names joined by ","; otherwise ""
// (never a null text).
QString namesStringFromITunMOVIEntry(const QVariantMap& plist, const QString& key);
void extractMovieSizeAndDuration(const mp4::MovieFile& file, MovieModel& movie);
// Reads the file's chapters into the record: its QuickTime chapters, or its
// Nero chapter list when it has no chapter track; returns their count.
std::uint64_t loadChaptersFromFile(const mp4::MovieFile& file, MovieModel& movie);

// The record's duration text: hours without leading zero, minutes and seconds ("1:23:46").
QString durationText(std::uint64_t milliseconds);

// ---- writing ----

// Why a record was not written into its file; the file then keeps what it had.
enum class WriteFailure {
    CannotWrite,       // it could not be opened, copied or written (gone, not writable, disk full, an edit refused)
    ChangedSinceRead,  // another program changed it since it was read
    NotChangeable,     // damaged or cut short, or of a kind never changed (fragmented, media in other files)
};

// Whether the record's file is still as it was read or last written (true when
// the record does not know, and for a file that is gone).
bool fileIsAsRead(const MovieModel& movie);

// Writes the record into its file, or into a copy at `newDestinationUrl` when
// that names another file; a file (or source) another program changed since
// the record read it is not written. Written into its own file, the record
// knows that file as it now is (its identity and date tags), and its pictures where their bytes now lie.
// An edit the file refuses (logged with its step) fails, and the file keeps what it had.
std::expected<void, WriteFailure> writeMetaDataToURL(MovieModel& movie, const QUrl& newDestinationUrl,
                                                     const QString& language);

// The file to modify (the source, or a fresh copy of it at the destination),
// opened for modification; `asRead` is the source as it was read. Why not (logged) when that fails.
std::expected<mp4::MovieFile, WriteFailure> copyOriginalFileToDestinationPath(
    const QUrl& source, const QUrl& saveAsDestinationFileUrl,
    const std::optional<MovieModel::FileAsRead>& asRead = std::nullopt);

// Writes the record's tag set, replacing the one in the file; `written` gets
// the pictures that went in as its artwork, in order.
std::expected<void, TaggingError> setMP4TagsFromMovieModel(const MovieModel& movie, mp4::MovieFile& destinationFile,
                                                           std::vector<platform::PicturePtr>& written);
// The "iTunMOVI" cast list of the record.
QVariantMap actorsDirectorsWritersAndStudioToPList(const MovieModel& movie);
// One {"name": name} dictionary per non-empty name, for the cast list.
QVariantList nameDictionariesFromNames(const std::optional<QStringList>& names);
// Replaces the file's chapters of every kind by the record's chapter list.
std::expected<void, TaggingError> copyChaptersToMP4Format(mp4::MovieFile& file, const MovieModel& movie);

}  // namespace MetaDataUtilities
