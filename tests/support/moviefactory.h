#pragma once

// Movie files for tests, made by ffmpeg in a temporary folder, and the independent readers
// (ffprobe, AtomicParsley) that check what the code under test wrote.
//
//     testsupport::MovieFactory factory;                 // owns a fresh temporary folder
//     testsupport::MovieRecipe recipe;                      // defaults: 2 s, 320x240 H.264 + AAC
//     recipe.chapters = {{"Opening", 0, 1000}, {"End", 1000, 2000}};
//     recipe.metadata = {{"title", "My Title"}};
//     QString file = factory.make(recipe, "movie.m4v");    // empty on failure (test also fails)
//     QJsonObject probe = factory.ffprobe(file);        // streams, format, chapters as JSON
//
// All helpers report tool failures with ADD_FAILURE() and return an empty value, so a test
// can simply check the result. Nothing here touches files outside the temporary folder.

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

namespace testsupport {

struct ChapterSpec {
    QString title;
    qint64 startMs = 0;
    qint64 endMs = 0;
};

struct SubtitleSpec {
    QString srt;       // SRT text (UTF-8), e.g. "1\n00:00:00,500 --> 00:00:01,000\nHi\n\n"
    QString language;  // three letters, e.g. "deu"; empty: none set
};

struct MovieRecipe {
    bool video = true;
    bool audio = true;
    int width = 320;
    int height = 240;
    double seconds = 2.0;
    bool faststart = false;                   // moov before mdat
    int reservedMoovBytes = 0;                // > 0: moov before mdat with free room behind it (-moov_size)
    QString audioLanguage;                    // e.g. "eng"; empty: none set
    QList<ChapterSpec> chapters;              // written as a QuickTime chapter track and a Nero `chpl`
    bool neroChapters = true;                 // false: QuickTime chapter track only
    bool chapterTrack = true;                 // false: a Nero `chpl` only, as audiobook tools write
                                              // (ffmpeg's own list, moved into a file without chapters)
    std::optional<SubtitleSpec> subtitle;     // a mov_text (tx3g) track
    QStringList coverImages;                  // image files (see makeImage), attached as `covr` in order
    QList<QPair<QString, QString>> metadata;  // ffmpeg -metadata key=value (title, artist, ...)
};

struct ProcessResult {
    int exitCode = -1;  // -1: did not start or did not finish in time
    QByteArray out;
    QByteArray err;
    bool ok() const { return exitCode == 0; }
};

class MovieFactory {
public:
    MovieFactory();

    QString dir() const { return m_dir.path(); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // A movie file named `name` (the extension picks the muxer: .mp4, .m4v, .mov).
    // A recipe without video and audio gives a file whose only track is the subtitle track
    // (a subtitle is then required).
    QString make(const MovieRecipe& recipe, const QString& name);
    // A test picture (ffmpeg testsrc) as .jpg or .png, by the name's extension.
    QString makeImage(const QString& name, int width, int height);
    QString writeFile(const QString& name, const QByteArray& bytes);
    QString copy(const QString& source, const QString& name);

    // A copy of `source` (moov after mdat) grown past 4 GiB without using disk: a sparse
    // `free` box of `gapBytes` (64-bit size) is put in front of the `moov`. Media offsets do
    // not change, so the file stays valid; anything appended lands above 4 GiB.
    QString makeSparseLarge(const QString& source, const QString& name, qint64 gapBytes = (qint64(1) << 32) + 4096);

    // AtomicParsley `file` with the given arguments, rewriting the file in place
    // (--overWrite is added). Example: {"--title", "X", "--stik", "Movie"}.
    bool atomicParsleyTag(const QString& file, const QStringList& arguments);

    // mutagen (Debian's python3-mutagen) setting items of `file` in place: each key as mutagen
    // names it ("\u00a9day", "purd", "----:com.apple.iTunes:iTunMOVI") with one text value.
    bool mutagenTag(const QString& file, const QList<QPair<QString, QString>>& items);
    // What mutagen reads: {"tags": {key: [texts]}, "chapters": [{"start": seconds, "title": text}]}
    // (pictures left out; freeform values as UTF-8 text).
    QJsonObject mutagenTags(const QString& file);
    // The first text mutagen reads under `key` ("" for none).
    QString mutagenText(const QString& file, const QString& key);

    // ffprobe -show_streams -show_format -show_chapters as JSON (empty object on failure).
    QJsonObject ffprobe(const QString& file);
    // `AtomicParsley file -t`, its text without the leading byte-order mark.
    QString atomicParsleyTags(const QString& file);
    // That listing as atom -> value; freeform items under their name ("iTunMOVI").
    QMap<QString, QString> atomicParsleyAtoms(const QString& file);
    // The pictures of the file's artwork list, in order, as `AtomicParsley -e`
    // extracts them: the file suffix it picks ("jpg", "png"; "" for a kind it does not know)
    // and the bytes.
    struct Artwork {
        QString suffix;
        QByteArray bytes;
        bool operator==(const Artwork&) const = default;
    };
    QList<Artwork> atomicParsleyArtwork(const QString& file);
    // `AtomicParsley file -T` (box tree with offsets).
    QString atomicParsleyTree(const QString& file);
    // One line "stream_index,pts,size,checksum" per packet of the video and audio streams
    // (ffprobe -show_packets with data hashes): equal lists mean untouched media.
    QStringList mediaPacketChecksums(const QString& file);
    // The first subtitle stream back as SRT text (ffmpeg -map 0:s:0 -f srt -).
    QString subtitleAsSrt(const QString& file);
    // ffmpeg decoding the whole file: the error output (empty: decoded cleanly).
    QString decodeErrors(const QString& file);

    static ProcessResult run(const QString& program, const QStringList& arguments, int timeoutMs = 120000);

private:
    QString makeBase(const MovieRecipe& recipe);
    QString makeWithNeroChaptersOnly(const MovieRecipe& recipe, const QString& name);
    QTemporaryDir m_dir;
    int m_counter = 0;
};

}  // namespace testsupport
