#pragma once

#include "model/chapterfileentry.h"
#include "platform/xmldocument.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

class ChapterModel;
using ChapterList = QList<std::shared_ptr<ChapterModel>>;

// One chapter of a movie. A chapter has no start of its own: a list of
// chapters is a sequence of lengths from the start of the movie.
class ChapterModel {
public:
    // Names made from chapter files are cut to this many characters.
    static constexpr qsizetype kMaxNameLength = 1023;
    // Bounds of the generators, so that a wild chapter interval cannot exhaust memory.
    static constexpr quint64 kMaxGeneratedChapters = 1000;
    static constexpr quint64 kMaxMinuteInterval = 100000;
    // Chapter files are a few kilobytes; anything beyond this is not one.
    static constexpr qint64 kMaxChapterFileSize = 10 * 1024 * 1024;

    ChapterModel() = default;

    qint64 index() const { return m_index; }
    void setIndex(qint64 index) { m_index = index; }
    quint64 length() const { return m_length; }
    void setLength(quint64 length) { m_length = length; }
    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }

    // Whether a file counts as a chapter file by its name.
    static bool isValidChapterFile(const QUrl& url);

    // Appends a chapter of `length` ms at zero-based `index`, named after its position.
    static void addNewChapterToList(quint64 length, quint64 index, ChapterList& chapterList);
    // The name of a chapter that has none, by its number counted from 1 ("Chapter 3").
    static QString defaultName(quint64 number);
    // `count` chapters of equal length (0 means 10); the remainder is dropped.
    static ChapterList generateChapterByCountOfChapters(quint64 count, quint64 movieLength);
    // One chapter every `minutes` minutes (0 means 10), a shorter one at the end.
    static ChapterList generateChapterByMinuteInterval(quint64 minutes, quint64 movieLength);

    // The chapter elements of an XML chapter file, with the document that holds them.
    struct ChapterAtoms {
        platform::XmlDocument document;
        QList<platform::XmlNode> elements;
    };
    // Nothing (with a log line) when the file cannot be read or parsed or holds no chapter element.
    static std::optional<ChapterAtoms> loadChapterAtomsFromChapterDbFile(const QUrl& url);

    // The entries of a chapter file of each kind; empty (with a log line) when unreadable.
    static QList<ChapterFileEntry> readXMLChapterFile(const QUrl& url);
    static QList<ChapterFileEntry> readJSONChapterFile(const QUrl& url);
    static QList<ChapterFileEntry> readTXTCHPChapterFile(const QUrl& url);

    // The chapters of a chapter file (by its extension: xml, json, txt, chp), the
    // last one running to the end of the movie; empty when nothing could be read.
    static ChapterList readChapterFileFromChapterDb(const QUrl& url, quint64 movieLengthInMSecs);

    // Turns chapter-file entries into chapters for a movie of `movieLengthInMSecs`.
    static ChapterList chaptersFromEntries(const QList<ChapterFileEntry>& entries, quint64 movieLengthInMSecs);

private:
    qint64 m_index = 0;
    quint64 m_length = 0;
    QString m_name;
};
