#include "tagging/subtitleutilities.h"

#include "model/languageutilities.h"
#include "mp4/moviefile.h"
#include "platform/log.h"
#include "platform/windows1252.h"
#include "tagging/srtparser.h"
#include "tagging/tagutilities.h"
#include "tagging/utf8text.h"

#include <QFile>
#include <QStringConverter>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <limits>

namespace SubTitleUtilities {

namespace {

std::unexpected<TaggingError> failure(const QString& message)
{
    return std::unexpected(TaggingError::withMessage(message));
}

// The file's bytes as text: a byte-order mark decides the encoding, else
// strict UTF-8, else Windows code page 1252 (which decodes every byte).
QString decodeSubtitleFile(const QByteArray& bytes)
{
    if (const auto encoding = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*encoding);
        const QString text = decoder.decode(bytes);
        if (!decoder.hasError())
            return text;
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return platform::decodeWindows1252(bytes);
}

std::int32_t offsetInMilliseconds(double seconds)
{
    const double milliseconds = std::trunc(seconds * 1000.0);
    if (std::isnan(milliseconds))
        return 0;
    return static_cast<std::int32_t>(std::clamp<double>(milliseconds, std::numeric_limits<std::int32_t>::min(),
                                                        std::numeric_limits<std::int32_t>::max()));
}

std::string subtitleCode(const QString& language)
{
    return utf8FromString(LanguageUtilities::subtitleLanguageCode(language));
}

mp4::Matrix matrixWithVerticalTranslation(mp4::Matrix matrix, std::int32_t pixels)
{
    const auto fixed = static_cast<std::uint32_t>(pixels) << 16;  // 16.16 fixed point
    for (int i = 0; i < 4; ++i)
        matrix[28 + i] = static_cast<std::uint8_t>(fixed >> (24 - 8 * i));
    return matrix;
}

mp4::Tx3gDescription sampleDescription(std::uint16_t width, const SubtitleGeometry& geometry)
{
    mp4::Tx3gDescription description;
    description.displayFlags = 0;
    description.dataReferenceIndex = 1;
    description.horizontalJustification = 1;
    // Bottom: renderers that ignore the track matrix (ffmpeg's, and the players built on
    // it) place the text by this field alone; the box and matrix keep it low for the rest.
    description.verticalJustification = -1;
    description.defTextBoxBottom = static_cast<std::int16_t>(geometry.boxHeight);
    description.defTextBoxRight = static_cast<std::int16_t>(width);
    description.fontID = 1;
    description.fontSize = geometry.fontSize;
    description.bgColorRed = description.bgColorGreen = description.bgColorBlue = description.bgColorAlpha = 0;
    description.fontColorRed = description.fontColorGreen = description.fontColorBlue = 255;
    description.fontColorAlpha = 255;
    return description;
}

// An empty sample of no duration after the last caption: without it, some
// players keep the last caption on screen up to the end of the movie.
std::expected<void, TaggingError> writeEndOfLastCaption(mp4::MovieFile& file, std::uint32_t track)
{
    static constexpr std::uint8_t emptySample[2] = {0, 0};
    return checkedEdit(file.writeSample(track, emptySample, 0), QStringLiteral("ending the last caption"));
}

// The text of the file at `url`; an error (logged) when it cannot be read.
std::expected<QString, TaggingError> readSubtitleFile(const QUrl& url)
{
    QFile file(url.toLocalFile());
    if (!file.open(QIODevice::ReadOnly)) {
        platform::log(QStringLiteral("read subtitle file error: %1").arg(file.errorString()));
        return failure(file.errorString());
    }
    return decodeSubtitleFile(file.readAll());
}

// The captions of the SRT text as the samples of the new track; a track whose
// captions could not all be written is removed again. The track ends with the
// media: captions past it (of a longer cut, or moved there by the offset) could
// never be shown.
std::expected<void, TaggingError> writeCaptions(mp4::MovieFile& file, const SubtitleTrack& track,
                                                const QByteArray& utf8, std::uint32_t timeScale, double offsetInSeconds)
{
    const std::uint64_t mediaMilliseconds = std::min<std::uint64_t>(TagUtilities::getMediaDurationInMilliseconds(file),
                                                                    std::numeric_limits<std::int64_t>::max());
    const std::uint64_t end = trackUnitsAt(static_cast<std::int64_t>(mediaMilliseconds), timeScale);
    std::uint64_t elapsed = 0;
    int samplesWritten = 0;
    std::expected<void, TaggingError> sampleWritten;
    const SampleWriter writer = [&](const QByteArray& sample, std::uint32_t duration) {
        const std::optional<std::uint64_t> kept = TagUtilities::durationWithinMedia(elapsed, duration, end);
        if (!kept)
            return true;
        duration = static_cast<std::uint32_t>(*kept);
        elapsed += duration;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(sample.constData());
        ++samplesWritten;
        sampleWritten =
            checkedEdit(file.writeSample(track.trackId, {bytes, static_cast<std::size_t>(sample.size())}, duration),
                        QStringLiteral("writing a caption"));
        return sampleWritten.has_value();
    };
    if (auto error =
            parseSrt(utf8, writer, track.trackId, timeScale, offsetInMilliseconds(offsetInSeconds), track.fontSize)) {
        // A track left half-written would stay in the file: its removal must succeed.
        if (auto removed =
                checkedEdit(file.deleteTrack(track.trackId), QStringLiteral("removing an unfinished subtitle track"));
            !removed)
            return removed;
        return std::unexpected(sampleWritten ? *error : sampleWritten.error());
    }
    if (samplesWritten > 0)
        return writeEndOfLastCaption(file, track.trackId);
    return {};
}

// The tracks among `tracks` whose language is the subtitle code of `language`.
QList<std::uint32_t> tracksInLanguage(const mp4::MovieFile& file, const QList<std::uint32_t>& tracks,
                                      const QString& language)
{
    const std::string code = subtitleCode(language);
    QList<std::uint32_t> matching;
    for (std::uint32_t track : tracks) {
        if (file.trackLanguage(track) == code)
            matching.append(track);
    }
    return matching;
}

}  // namespace

std::expected<QString, TaggingError> readSubTitleToFile(const QUrl& url)
{
    const auto text = readSubtitleFile(url);
    if (!text)
        return text;
    const QByteArray utf8 = text->toUtf8();
    if (auto error = checkSrtUTF8(utf8))
        return std::unexpected(*error);
    if (auto error = parseSrt(utf8, SampleWriter{}, 0, 90000, 0, 24))
        return std::unexpected(*error);
    return text;
}

SubtitleGeometry subtitleGeometry(std::uint16_t width, std::uint16_t height)
{
    SubtitleGeometry geometry;
    geometry.boxHeight = static_cast<std::uint16_t>(std::max(24, static_cast<int>(0.15 * height)));
    // Font sizes are 8-bit: very tall pictures get the largest one.
    geometry.fontSize = static_cast<std::uint8_t>(std::clamp(static_cast<int>(0.05 * height), 10, 255));
    if (static_cast<double>(width) / height > 2.0)
        geometry.offset = static_cast<std::int32_t>((width / 1.7777777777777777 - height) * 0.5);
    // A picture too flat for the box still keeps the captions on screen.
    geometry.verticalTranslation = std::max(0, height - geometry.boxHeight - geometry.offset);
    return geometry;
}

std::expected<SubtitleTrack, TaggingError> addSubTitleTrack(mp4::MovieFile& file, std::uint32_t videoTrackId,
                                                            const QString& twoLetterlanguage, std::uint32_t timeScale,
                                                            bool makeDefaultSub)
{
    const std::uint16_t width = file.trackVideoWidth(videoTrackId);
    const std::uint16_t height = file.trackVideoHeight(videoTrackId);
    if (width == 0 || height == 0)
        return failure(QStringLiteral("no valid size in video track to calculate size for for subtitles"));
    const SubtitleGeometry geometry = subtitleGeometry(width, height);

    const auto added = file.addSubtitleTrack(timeScale, width, geometry.boxHeight);
    if (!added)
        return std::unexpected(
            TaggingError::refusedEdit(QStringLiteral("couldn't create subtitle track"), added.error()));
    if (*added == 0)
        return failure(QStringLiteral("couldn't create subtitle track"));
    const std::uint32_t track = *added;

    const mp4::Matrix matrix = matrixWithVerticalTranslation(file.track(track).value_or(mp4::TrackInfo{}).matrix,
                                                             geometry.verticalTranslation);
    const auto step = [](const QString& what) { return QStringLiteral("setting the subtitle track's ") + what; };
    const auto setUp = inOrder({
        [&] { return checkedEdit(file.setTrackLanguage(track, subtitleCode(twoLetterlanguage)), step("language")); },
        [&] {
            return checkedEdit(file.setTrackDurationPerChunk(track, std::max<std::uint32_t>(timeScale / 8, 1)),
                               step("chunk duration"));
        },
        [&] { return checkedEdit(file.setTrackAlternateGroup(track, 3), step("alternate group")); },
        [&] { return checkedEdit(file.setTrackMatrix(track, matrix), step("matrix")); },
        [&] { return checkedEdit(file.setTrackFlags(track, makeDefaultSub ? 3 : 2), step("flags")); },
        [&] {
            return checkedEdit(file.setTx3gDescription(track, sampleDescription(width, geometry)),
                               step("sample description"));
        },
    });
    if (!setUp)
        return std::unexpected(setUp.error());
    return SubtitleTrack{track, geometry.fontSize};
}

std::expected<void, TaggingError> writeSubTitleToFile(mp4::MovieFile& file, const QString& subTitleString,
                                                      const QString& language, double offsetInSeconds,
                                                      bool deleteOtherSubtitles)
{
    const std::uint32_t referenceTrack = TagUtilities::getReferencingTrack(file);
    if (referenceTrack == 0)
        return failure(QStringLiteral("unable to find a video track in file for subtitles"));
    const std::uint32_t timeScale = file.trackTimeScale(referenceTrack);

    const QByteArray utf8 = subTitleString.toUtf8();
    if (auto error = checkSrtUTF8(utf8))
        return std::unexpected(*error);

    const QList<std::uint32_t> olderTracks = TagUtilities::getSubtitleTracks(file);
    const auto track = addSubTitleTrack(file, referenceTrack, language, timeScale, false);
    if (!track)
        return std::unexpected(track.error());

    if (auto written = writeCaptions(file, *track, utf8, timeScale, offsetInSeconds); !written)
        return written;
    if (deleteOtherSubtitles) {
        for (std::uint32_t older : tracksInLanguage(file, olderTracks, language)) {
            if (auto removed = checkedEdit(file.deleteTrack(older), QStringLiteral("removing an older subtitle track"));
                !removed)
                return removed;
        }
    }
    return {};
}

std::uint32_t getSubTitleTrackWithLanguage(const mp4::MovieFile& file, const QString& language)
{
    const QList<std::uint32_t> tracks = tracksInLanguage(file, TagUtilities::getSubtitleTracks(file), language);
    return tracks.isEmpty() ? 0 : tracks.front();
}

}  // namespace SubTitleUtilities
