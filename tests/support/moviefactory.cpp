#include "support/moviefactory.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>

#include <algorithm>

#include <gtest/gtest.h>

namespace testsupport {

namespace {

QString ffmetadataText(const MovieRecipe& recipe)
{
    QString text = ";FFMETADATA1\n";
    for (const ChapterSpec& c : recipe.chapters) {
        text += QString("\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=%1\nEND=%2\ntitle=%3\n")
                    .arg(c.startMs)
                    .arg(c.endMs)
                    .arg(QString(c.title)
                             .replace("\\", "\\\\")
                             .replace("=", "\\=")
                             .replace(";", "\\;")
                             .replace("#", "\\#")
                             .replace("\n", "\\\n"));
    }
    return text;
}

quint64 readBig(const QByteArray& b, qsizetype offset, int count)
{
    quint64 v = 0;
    for (int i = 0; i < count; ++i) {
        v = (v << 8) | static_cast<unsigned char>(b[offset + i]);
    }
    return v;
}

struct BoxPlace {
    qsizetype start = 0;
    qsizetype size = 0;
    qsizetype end() const { return start + size; }
};

// The box of `type` among the boxes (32-bit sizes) that fill bytes [from, to).
std::optional<BoxPlace> findBox(const QByteArray& bytes, qsizetype from, qsizetype to, const char* type)
{
    for (qsizetype pos = from; pos + 8 <= to;) {
        const auto size = static_cast<qsizetype>(readBig(bytes, pos, 4));
        if (size < 8 || pos + size > to) {
            return std::nullopt;
        }
        if (bytes.mid(pos + 4, 4) == type) {
            return BoxPlace{pos, size};
        }
        pos += size;
    }
    return std::nullopt;
}

void growBox(QByteArray& bytes, const BoxPlace& box, qsizetype by)
{
    const quint64 size = static_cast<quint64>(box.size + by);
    for (int i = 0; i < 4; ++i) {
        bytes[box.start + i] = static_cast<char>((size >> (8 * (3 - i))) & 0xFF);
    }
}

// Runs a Python script that uses mutagen; it finds `arguments` in sys.argv[1:].
ProcessResult runMutagen(const char* script, const QStringList& arguments)
{
    // Debian's interpreter, which has python3-mutagen (the one first on PATH may not).
    return MovieFactory::run("/usr/bin/python3", QStringList{"-c", QString::fromUtf8(script)} << arguments);
}

}  // namespace

MovieFactory::MovieFactory()
{
    EXPECT_TRUE(m_dir.isValid());
}

ProcessResult MovieFactory::run(const QString& program, const QStringList& arguments, int timeoutMs)
{
    ProcessResult result;
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) {
        return result;
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return result;
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

QString MovieFactory::writeFile(const QString& name, const QByteArray& bytes)
{
    QFile f(path(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        ADD_FAILURE() << "cannot write " << path(name).toStdString();
        return {};
    }
    return f.fileName();
}

QString MovieFactory::copy(const QString& source, const QString& name)
{
    QFile::remove(path(name));
    if (!QFile::copy(source, path(name))) {
        ADD_FAILURE() << "cannot copy " << source.toStdString();
        return {};
    }
    QFile(path(name))
        .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther);
    return path(name);
}

QString MovieFactory::makeImage(const QString& name, int width, int height)
{
    const QString out = path(name);
    ProcessResult r =
        run("ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                       QString("testsrc=size=%1x%2:duration=1").arg(width).arg(height), "-frames:v", "1", out});
    if (!r.ok()) {
        ADD_FAILURE() << "ffmpeg image failed: " << r.err.toStdString();
        return {};
    }
    return out;
}

QString MovieFactory::makeWithNeroChaptersOnly(const MovieRecipe& recipe, const QString& name)
{
    MovieRecipe both = recipe;
    both.chapterTrack = true;
    both.neroChapters = true;
    MovieRecipe none = recipe;
    none.chapters.clear();
    const QString source = make(both, QString("nero%1-%2").arg(m_counter++).arg(name));
    const QString out = make(none, name);
    if (source.isEmpty() || out.isEmpty()) {
        return {};
    }
    // The source goes once its list is taken: the folder then holds only the movie asked for.
    const auto removeSource = qScopeGuard([&source] { QFile::remove(source); });
    QFile sourceFile(source);
    QFile outFile(out);
    if (!sourceFile.open(QIODevice::ReadOnly) || !outFile.open(QIODevice::ReadWrite)) {
        ADD_FAILURE() << "cannot open " << source.toStdString() << " or " << out.toStdString();
        return {};
    }
    const QByteArray from = sourceFile.readAll();
    QByteArray bytes = outFile.readAll();
    // The list goes into the udta of a moov that ends the file, so no chunk offset moves.
    const auto sourceMoov = findBox(from, 0, from.size(), "moov");
    const auto sourceUdta = sourceMoov ? findBox(from, sourceMoov->start + 8, sourceMoov->end(), "udta") : std::nullopt;
    const auto chpl = sourceUdta ? findBox(from, sourceUdta->start + 8, sourceUdta->end(), "chpl") : std::nullopt;
    const auto moov = findBox(bytes, 0, bytes.size(), "moov");
    const auto udta = moov ? findBox(bytes, moov->start + 8, moov->end(), "udta") : std::nullopt;
    if (!chpl || !udta || moov->end() != bytes.size()) {
        ADD_FAILURE() << "no chpl to move, or no udta in a moov that ends " << out.toStdString();
        return {};
    }
    const QByteArray list = from.mid(chpl->start, chpl->size);
    growBox(bytes, *moov, list.size());
    growBox(bytes, *udta, list.size());
    bytes.insert(udta->end(), list);
    if (!outFile.seek(0) || outFile.write(bytes) != bytes.size()) {
        ADD_FAILURE() << "cannot write " << out.toStdString();
        return {};
    }
    return out;
}

QString MovieFactory::make(const MovieRecipe& recipe, const QString& name)
{
    if (!recipe.chapters.isEmpty() && !recipe.chapterTrack) {
        return makeWithNeroChaptersOnly(recipe, name);
    }
    const QString out = path(name);
    QStringList args{"-hide_banner", "-loglevel", "error", "-y"};
    QStringList maps;
    QStringList codecs;
    QStringList movflags;
    int input = 0;
    int videoStreams = 0;
    const QString seconds = QString::number(recipe.seconds, 'f', 3);
    if (recipe.video) {
        args << "-f"
             << "lavfi"
             << "-i"
             << QString("testsrc2=size=%1x%2:rate=25:duration=%3").arg(recipe.width).arg(recipe.height).arg(seconds);
        maps << "-map" << QString::number(input++);
        codecs << "-c:v:0"
               << "libx264"
               << "-preset"
               << "ultrafast"
               << "-pix_fmt"
               << "yuv420p"
               << "-g"
               << "25";
        ++videoStreams;
    }
    if (recipe.audio) {
        args << "-f"
             << "lavfi"
             << "-i" << QString("sine=frequency=440:sample_rate=48000:duration=%1").arg(seconds);
        maps << "-map" << QString::number(input++);
        codecs << "-c:a"
               << "aac"
               << "-b:a"
               << "64k";
        if (!recipe.audioLanguage.isEmpty()) {
            codecs << "-metadata:s:a:0"
                   << "language=" + recipe.audioLanguage;
        }
    }
    if (recipe.subtitle) {
        const QString srt = writeFile(QString("subtitle%1.srt").arg(m_counter++), recipe.subtitle->srt.toUtf8());
        args << "-i" << srt;
        maps << "-map" << QString::number(input++);
        codecs << "-c:s"
               << "mov_text";
        if (!recipe.subtitle->language.isEmpty()) {
            codecs << "-metadata:s:s:0"
                   << "language=" + recipe.subtitle->language;
        }
    }
    for (const QString& image : recipe.coverImages) {
        args << "-i" << image;
        maps << "-map" << QString::number(input++);
        codecs << QString("-c:v:%1").arg(videoStreams) << "copy" << QString("-disposition:v:%1").arg(videoStreams)
               << "attached_pic";
        ++videoStreams;
    }
    if (!recipe.chapters.isEmpty()) {
        const QString meta = writeFile(QString("chapters%1.txt").arg(m_counter++), ffmetadataText(recipe).toUtf8());
        args << "-i" << meta;
        codecs << "-map_chapters" << QString::number(input++);
        if (!recipe.neroChapters) {
            movflags << "+disable_chpl";
        }
    }
    for (const auto& [key, value] : recipe.metadata) {
        codecs << "-metadata" << key + "=" + value;
    }
    if (recipe.faststart) {
        movflags << "+faststart";
    }
    if (recipe.reservedMoovBytes > 0) {
        codecs << "-moov_size" << QString::number(recipe.reservedMoovBytes);
    }
    if (!movflags.isEmpty()) {
        codecs << "-movflags" << movflags.join("");
    }
    args << maps << codecs << out;
    ProcessResult r = run("ffmpeg", args);
    if (!r.ok()) {
        ADD_FAILURE() << "ffmpeg failed: " << args.join(' ').toStdString() << "\n" << r.err.toStdString();
        return {};
    }
    return out;
}

QString MovieFactory::makeSparseLarge(const QString& source, const QString& name, qint64 gapBytes)
{
    const QString out = copy(source, name);
    if (out.isEmpty()) {
        return {};
    }
    QFile f(out);
    if (!f.open(QIODevice::ReadWrite)) {
        ADD_FAILURE() << "cannot open " << out.toStdString();
        return {};
    }
    // Walk the top-level boxes to the `moov`, which must be the last one.
    qint64 pos = 0;
    qint64 moovStart = -1;
    qint64 moovSize = 0;
    while (pos + 8 <= f.size()) {
        f.seek(pos);
        const QByteArray header = f.read(16);
        quint64 size = readBig(header, 0, 4);
        if (size == 1) {
            size = readBig(header, 8, 8);
        } else if (size == 0) {
            size = static_cast<quint64>(f.size() - pos);
        }
        if (size < 8) {
            break;
        }
        if (header.mid(4, 4) == "moov") {
            moovStart = pos;
            moovSize = static_cast<qint64>(size);
        }
        pos += static_cast<qint64>(size);
    }
    if (moovStart < 0 || moovStart + moovSize != f.size()) {
        ADD_FAILURE() << "makeSparseLarge needs a file whose moov is last";
        return {};
    }
    f.seek(moovStart);
    const QByteArray moov = f.read(moovSize);
    QByteArray freeHeader;  // an empty `mdat` (AtomicParsley gives up on a huge `free`)
    freeHeader.append(QByteArray::fromHex("00000001"));
    freeHeader.append("mdat");
    for (int i = 7; i >= 0; --i) {
        freeHeader.append(static_cast<char>((gapBytes >> (8 * i)) & 0xFF));
    }
    if (!f.resize(moovStart) || !f.seek(moovStart) || f.write(freeHeader) != freeHeader.size() ||
        !f.resize(moovStart + gapBytes) || !f.seek(moovStart + gapBytes) || f.write(moov) != moov.size()) {
        ADD_FAILURE() << "cannot grow " << out.toStdString();
        return {};
    }
    return out;
}

bool MovieFactory::atomicParsleyTag(const QString& file, const QStringList& arguments)
{
    ProcessResult r = run("AtomicParsley", QStringList{file} << arguments << "--overWrite");
    if (!r.ok()) {
        ADD_FAILURE() << "AtomicParsley failed: " << r.out.toStdString() << r.err.toStdString();
        return false;
    }
    return true;
}

bool MovieFactory::mutagenTag(const QString& file, const QList<QPair<QString, QString>>& items)
{
    static const char script[] = R"(
import sys
from mutagen.mp4 import MP4, MP4FreeForm
movie = MP4(sys.argv[1])
if movie.tags is None:
    movie.add_tags()
for key, value in zip(sys.argv[2::2], sys.argv[3::2]):
    movie.tags[key] = [MP4FreeForm(value.encode()) if key.startswith("----") else value]
movie.save()
)";
    QStringList arguments{file};
    for (const auto& [key, value] : items) {
        arguments << key << value;
    }
    const ProcessResult r = runMutagen(script, arguments);
    if (!r.ok()) {
        ADD_FAILURE() << "mutagen could not tag " << file.toStdString() << ": " << r.err.toStdString();
    }
    return r.ok();
}

QJsonObject MovieFactory::mutagenTags(const QString& file)
{
    static const char script[] = R"(
import json, sys
from mutagen.mp4 import MP4
movie = MP4(sys.argv[1])
def text(value):
    return bytes(value).decode("utf-8", "replace") if isinstance(value, bytes) else str(value)
def texts(values):
    return [text(v) for v in values] if isinstance(values, list) else [text(values)]
tags = {key: texts(values) for key, values in (movie.tags or {}).items() if key != "covr"}
chapters = [{"start": c.start, "title": c.title} for c in (movie.chapters or [])]
print(json.dumps({"tags": tags, "chapters": chapters}))
)";
    const ProcessResult r = runMutagen(script, {file});
    if (!r.ok()) {
        ADD_FAILURE() << "mutagen could not read " << file.toStdString() << ": " << r.err.toStdString();
        return {};
    }
    return QJsonDocument::fromJson(r.out).object();
}

QString MovieFactory::mutagenText(const QString& file, const QString& key)
{
    return mutagenTags(file)["tags"].toObject()[key].toArray().first().toString();
}

QJsonObject MovieFactory::ffprobe(const QString& file)
{
    ProcessResult r =
        run("ffprobe", {"-v", "error", "-show_streams", "-show_format", "-show_chapters", "-of", "json", file});
    if (!r.ok()) {
        ADD_FAILURE() << "ffprobe failed: " << r.err.toStdString();
        return {};
    }
    return QJsonDocument::fromJson(r.out).object();
}

QString MovieFactory::atomicParsleyTags(const QString& file)
{
    ProcessResult r = run("AtomicParsley", {file, "-t"});
    QString text = QString::fromUtf8(r.out);
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    return text;
}

QMap<QString, QString> MovieFactory::atomicParsleyAtoms(const QString& file)
{
    // Atom "©nam" contains: Alien
    // Atom "----" [com.apple.iTunes;iTunMOVI] contains: <?xml ...   (values may run over several lines)
    static const QRegularExpression line(
        QStringLiteral("^Atom \"(.+?)\"(?: \\[[^;\\]]*;([^\\]]*)\\])? contains: (.*)$"));
    QMap<QString, QString> atoms;
    QString current;
    for (const QString& text : atomicParsleyTags(file).split('\n')) {
        const QRegularExpressionMatch match = line.match(text);
        if (match.hasMatch()) {
            current = match.captured(2).isEmpty() ? match.captured(1) : match.captured(2);
            atoms.insert(current, match.captured(3));
        } else if (!current.isEmpty()) {
            atoms[current] += '\n' + text;
        }
    }
    for (QString& value : atoms) {
        value = value.trimmed();
    }
    return atoms;
}

QList<MovieFactory::Artwork> MovieFactory::atomicParsleyArtwork(const QString& file)
{
    const QString prefix = path(QStringLiteral("artwork-%1").arg(++m_counter));
    if (!run("AtomicParsley", {file, "-e", prefix}).ok()) {
        ADD_FAILURE() << "AtomicParsley could not extract the artwork of " << file.toStdString();
        return {};
    }
    // AtomicParsley numbers the pictures from 1 in list order.
    QList<Artwork> artwork;
    for (int index = 1;; ++index) {
        // A picture of a kind it does not know is written without a suffix.
        static const QStringList suffixes{"jpg", "png", "gif", "bmp", ""};
        const QString stem = QStringLiteral("%1_artwork_%2").arg(prefix).arg(index);
        const auto named = [&stem](const QString& suffix) { return suffix.isEmpty() ? stem : stem + "." + suffix; };
        const auto found =
            std::ranges::find_if(suffixes, [&](const QString& suffix) { return QFile::exists(named(suffix)); });
        if (found == suffixes.end())
            return artwork;
        QFile picture(named(*found));
        if (!picture.open(QIODevice::ReadOnly)) {
            ADD_FAILURE() << "cannot read " << picture.fileName().toStdString();
            return {};
        }
        artwork.append({*found, picture.readAll()});
    }
}

QString MovieFactory::atomicParsleyTree(const QString& file)
{
    return QString::fromUtf8(run("AtomicParsley", {file, "-T"}).out);
}

QStringList MovieFactory::mediaPacketChecksums(const QString& file)
{
    QStringList lines;
    for (const char* streams : {"V", "a"}) {
        ProcessResult r =
            run("ffprobe", {"-v", "error", "-select_streams", streams, "-show_data_hash", "MD5", "-show_entries",
                            "packet=stream_index,pts,size,data_hash", "-of", "csv=p=0", file});
        if (!r.ok()) {
            ADD_FAILURE() << "ffprobe packets failed: " << r.err.toStdString();
            return {};
        }
        lines << QString::fromUtf8(r.out).split('\n', Qt::SkipEmptyParts);
    }
    return lines;
}

QString MovieFactory::subtitleAsSrt(const QString& file)
{
    ProcessResult r = run("ffmpeg", {"-v", "error", "-i", file, "-map", "0:s:0", "-f", "srt", "-"});
    if (!r.ok()) {
        ADD_FAILURE() << "ffmpeg srt failed: " << r.err.toStdString();
        return {};
    }
    return QString::fromUtf8(r.out);
}

QString MovieFactory::decodeErrors(const QString& file)
{
    ProcessResult r = run("ffmpeg", {"-v", "error", "-i", file, "-map", "0:V?", "-map", "0:a?", "-f", "null", "-"});
    if (r.exitCode != 0 && r.err.isEmpty()) {
        return "ffmpeg exit code " + QString::number(r.exitCode);
    }
    return QString::fromUtf8(r.err);
}

}  // namespace testsupport
