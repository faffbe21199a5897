#pragma once

#include "tagging/taggingerror.h"

#include <QString>
#include <QUrl>

#include <cstdint>
#include <expected>

namespace mp4 {
class MovieFile;
}

// SRT subtitles: reading and checking SRT files, and turning SRT text into a
// timed-text ("tx3g") subtitle track of a movie file.
namespace SubTitleUtilities {

// The text of an SRT file in the encoding it declares or in UTF-8, else in
// Windows code page 1252; checked by a dry parse, whose problems are logged.
std::expected<QString, TaggingError> readSubTitleToFile(const QUrl& url);

// Adds the SRT text as a subtitle track in the language (two-letter code),
// its times shifted by the offset. With deleteOtherSubtitles, the file's
// earlier subtitle tracks of that language are removed once the new one is
// complete. A track whose captions could not be written is removed again.
// An edit the file refused (isRefusedEdit()) leaves edits that must not be
// committed; the other failures leave the file's edits as they were.
std::expected<void, TaggingError> writeSubTitleToFile(mp4::MovieFile& file, const QString& subTitleString,
                                                      const QString& language, double offsetInSeconds,
                                                      bool deleteOtherSubtitles);

struct SubtitleTrack {
    std::uint32_t trackId = 0;
    std::uint8_t fontSize = 0;
};

// Where a subtitle track sits on a picture of width x height pixels.
struct SubtitleGeometry {
    std::uint16_t boxHeight = 0;  // the track's height: room for two lines
    std::uint8_t fontSize = 0;
    std::int32_t offset = 0;               // height of the bar below a picture wider than 2:1
    std::int32_t verticalTranslation = 0;  // from the top of the picture, in pixels
};
SubtitleGeometry subtitleGeometry(std::uint16_t width, std::uint16_t height);

// A new, empty subtitle track laid over the bottom of the reference track's
// picture (above the black bars of pictures wider than 2:1), with the font
// size chosen for that picture.
std::expected<SubtitleTrack, TaggingError> addSubTitleTrack(mp4::MovieFile& file, std::uint32_t videoTrackId,
                                                            const QString& twoLetterlanguage, std::uint32_t timeScale,
                                                            bool makeDefaultSub);

// The first subtitle track whose language is the subtitle code of `language`, else 0.
std::uint32_t getSubTitleTrackWithLanguage(const mp4::MovieFile& file, const QString& language);

}  // namespace SubTitleUtilities
