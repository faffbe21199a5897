// Reading chapter files (XML, JSON, TXT and CHP) into chapters.
#include "chaptermodel.h"

#include "model/helpers.h"
#include "platform/log.h"
#include "platform/textcut.h"
#include "platform/xmldocument.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

#include <expected>

namespace {

// The whole file, unless it cannot be read or is far too large to be a chapter file.
std::expected<QByteArray, QString> readChapterFileData(const QUrl& url)
{
    if (!url.isLocalFile())
        return std::unexpected(QStringLiteral("%1 is not a local file").arg(url.toString()));
    // Opening a pipe would wait for a writer, and a folder has no bytes to read.
    const QFileInfo info(url.toLocalFile());
    if (info.exists() && !info.isFile())
        return std::unexpected(QStringLiteral("%1 is not a regular file").arg(url.toLocalFile()));
    QFile file(url.toLocalFile());
    if (!file.open(QIODevice::ReadOnly))
        return std::unexpected(file.errorString());
    // One byte beyond the limit tells a file that is too large without reading all of it.
    QByteArray data = file.read(ChapterModel::kMaxChapterFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return std::unexpected(file.errorString());
    if (data.size() > ChapterModel::kMaxChapterFileSize)
        return std::unexpected(QStringLiteral("%1 is too large for a chapter file").arg(url.toLocalFile()));
    return data;
}

// The log lines of the readers; each takes the reason as its one argument.
const char* const kXmlOpenError = "Error while opening chapter xml file: %1";
const char* const kJsonError = "Error reading json chapter file: %1";
const char* const kTextError = "Error reading text or chp chapter file: %1";

void logReadError(const char* message, const QString& reason)
{
    platform::log(QString::fromLatin1(message).arg(reason));
}

// The file's bytes; nothing, with a log line, when it cannot be read.
std::optional<QByteArray> chapterFileDataOrLog(const QUrl& url, const char* message)
{
    auto data = readChapterFileData(url);
    if (!data) {
        logReadError(message, data.error());
        return std::nullopt;
    }
    return std::move(*data);
}

// The text of a JSON value; null when it is not a text.
QString jsonText(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    return value.isString() ? value.toString() : QString();
}

QString firstPresent(const QString& preferred, const QString& fallback)
{
    return preferred.isNull() ? fallback : preferred;
}

// A start of 01:02:03 gets a fraction; a short fraction is padded: 00:01:30.5 -> 00:01:30.500000.
QString normalizedStart(QString start)
{
    constexpr qsizetype kFullLength = 15;
    if (start.size() == 8)
        start += QStringLiteral(".000000");
    if (start.size() < kFullLength)
        start = start.leftJustified(kFullLength, QLatin1Char('0'));
    return start;
}

// Objects of exactly two keys: the start under "time" or "start", the name
// under "title" or "name". Anything else gives no entry.
QList<ChapterFileEntry> entriesFromJson(const QJsonArray& array)
{
    QList<ChapterFileEntry> entries;
    for (const QJsonValue& value : array) {
        const QJsonObject object = value.toObject();  // anything but an object gives an empty one
        if (object.size() != 2)
            continue;
        const QString start =
            firstPresent(jsonText(object, QStringLiteral("time")), jsonText(object, QStringLiteral("start")));
        if (start.isNull())
            continue;
        entries.append(
            {start, firstPresent(jsonText(object, QStringLiteral("title")), jsonText(object, QStringLiteral("name")))});
    }
    return entries;
}

// Pairs of lines: CHAPTER01=00:00:00.000 on odd lines, then CHAPTER01NAME=Opening
// on even ones. A line that is not KEY=VALUE still counts.
QList<ChapterFileEntry> entriesFromKeyValueLines(const QString& text)
{
    QList<ChapterFileEntry> entries;
    QString pendingStart;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype number = 1; number <= lines.size(); ++number) {
        QString line = lines.at(number - 1);
        // Files written on Windows end their lines in CR LF; the CR is no part of a value.
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QStringList parts = line.split(QLatin1Char('='));
        if (parts.size() != 2)
            continue;
        const QString value = platform::trimmedOfSpaces(parts.at(1));
        if (number % 2 == 1)
            pendingStart = value;
        else
            entries.append({pendingStart, value});
    }
    return entries;
}

}  // namespace

std::optional<ChapterModel::ChapterAtoms> ChapterModel::loadChapterAtomsFromChapterDbFile(const QUrl& url)
{
    const auto data = chapterFileDataOrLog(url, kXmlOpenError);
    if (!data)
        return std::nullopt;
    auto document = platform::XmlDocument::parseXml(*data);
    if (!document) {
        logReadError(kXmlOpenError, QStringLiteral("the file is not a well-formed XML document"));
        return std::nullopt;
    }
    // Every chapter element inside a chapters element, at any depth below the document.
    // A document without them simply has no chapters; the query itself, a
    // fixed and valid expression, cannot fail.
    QList<platform::XmlNode> elements = document->nodesForXPath(QStringLiteral(".//chapters/chapter"));
    if (elements.isEmpty())
        return std::nullopt;
    // The nodes point into the document, which keeps its place in memory when moved.
    return ChapterAtoms{std::move(*document), std::move(elements)};
}

QList<ChapterFileEntry> ChapterModel::readXMLChapterFile(const QUrl& url)
{
    const auto atoms = loadChapterAtomsFromChapterDbFile(url);
    if (!atoms)
        return {};
    QList<ChapterFileEntry> entries;
    for (const platform::XmlNode& element : atoms->elements) {
        const QString time = element.attribute(QStringLiteral("time"));
        const QString name = element.attribute(QStringLiteral("name"));
        if (!time.isNull() && !name.isNull())
            entries.append({time, name});
    }
    return entries;
}

QList<ChapterFileEntry> ChapterModel::readJSONChapterFile(const QUrl& url)
{
    const auto data = chapterFileDataOrLog(url, kJsonError);
    if (!data || data->isEmpty())
        return {};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(*data, &error);
    if (error.error != QJsonParseError::NoError) {
        logReadError(kJsonError, error.errorString());
        return {};
    }
    if (!document.isArray()) {
        logReadError(kJsonError, QStringLiteral("the top level is not an array"));
        return {};
    }
    return entriesFromJson(document.array());
}

QList<ChapterFileEntry> ChapterModel::readTXTCHPChapterFile(const QUrl& url)
{
    const auto data = chapterFileDataOrLog(url, kTextError);
    if (!data)
        return {};
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(*data);
    if (decoder.hasError()) {
        logReadError(kTextError, QStringLiteral("the file is not UTF-8 text"));
        return {};
    }
    return entriesFromKeyValueLines(text);
}

ChapterList ChapterModel::readChapterFileFromChapterDb(const QUrl& url, quint64 movieLengthInMSecs)
{
    const QString extension = QFileInfo(url.adjusted(QUrl::StripTrailingSlash).fileName()).suffix().toLower();
    QList<ChapterFileEntry> entries;
    if (extension == QLatin1String("xml"))
        entries = readXMLChapterFile(url);
    else if (extension == QLatin1String("txt") || extension == QLatin1String("chp"))
        entries = readTXTCHPChapterFile(url);
    else if (extension == QLatin1String("json"))
        entries = readJSONChapterFile(url);
    return chaptersFromEntries(entries, movieLengthInMSecs);
}

ChapterList ChapterModel::chaptersFromEntries(const QList<ChapterFileEntry>& entries, quint64 movieLengthInMSecs)
{
    ChapterList chapters;
    quint64 lastStart = 0;
    quint64 remaining = movieLengthInMSecs;
    for (const ChapterFileEntry& entry : entries) {
        QString name = entry.name;
        if (name.isEmpty())
            name = defaultName(static_cast<quint64>(chapters.size()) + 1);
        name = platform::leftWithoutSplittingPairs(name, kMaxNameLength);

        if (entry.start.isEmpty())
            continue;
        const QString start = normalizedStart(entry.start);
        if (start.at(2) != QLatin1Char(':'))
            continue;
        const quint64 startTime = millisecondsFromTimestamp(start);

        if (!chapters.isEmpty()) {
            // A start going backwards leaves the chapter before it empty; the
            // movie's remaining length is then untouched, so the chapters still
            // add up to the movie.
            const quint64 length = startTime >= lastStart ? startTime - lastStart : 0;
            chapters.last()->setLength(length);
            remaining = length > remaining ? 0 : remaining - length;
        }
        auto chapter = std::make_shared<ChapterModel>();
        chapter->setName(name);
        chapter->setLength(0);
        chapter->setIndex(chapters.size() + 1);
        chapters.append(std::move(chapter));
        lastStart = startTime;
    }
    if (!chapters.isEmpty() && remaining > 0)
        chapters.last()->setLength(remaining);
    return chapters;
}
