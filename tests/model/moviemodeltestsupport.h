#pragma once

#include "model/moviemodel.h"
#include "platform/notificationcenter.h"
#include "platform/settings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

// Counts the "ElementsHaveChanged" posts about one record.
class PostCounter {
public:
    explicit PostCounter(const MovieModel* record)
        : m_token(platform::NotificationCenter::defaultCenter().addObserver(
              "ElementsHaveChanged", [this](const QString&, const void*) { ++m_count; }, record))
    {
    }
    PostCounter(const PostCounter&) = delete;
    PostCounter& operator=(const PostCounter&) = delete;
    int count() const { return m_count; }

private:
    int m_count = 0;
    platform::NotificationCenter::Token m_token;
};

// The values the window shows derived from fields: a setter's change tells
// their views after the field's own key, and a stretch of direct writes
// (a clear) tells each of them once.
inline const QStringList kDerivedKeys = {"titleAndFile",         "releaseDateText",     "fileNameWithoutPath",
                                         "coverIsSet",           "coverSizeAsLabel",    "chapterStatusLed",
                                         "doEnableChapterCount", "doEnableChapterLoad", "subtitleStatusLed"};

// Counts the change notices of one key.
class KeyCounter {
public:
    KeyCounter(Observable& object, const QString& key)
        : m_token(object.addListener(key, [this](const QString&) { ++m_count; }))
    {
    }
    int count() const { return m_count; }

private:
    int m_count = 0;
    Observable::ListenerToken m_token;
};

// Lists every key told to the listeners of one object, in order.
class KeyRecorder {
public:
    explicit KeyRecorder(Observable& object)
        : m_token(object.addListener(QString(), [this](const QString& key) { m_keys << key; }))
    {
    }
    const QStringList& keys() const { return m_keys; }
    void clear() { m_keys.clear(); }

private:
    QStringList m_keys;
    Observable::ListenerToken m_token;
};

// Every test gets settings of its own: records write the default chapter setting.
class ModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_settingsFolder.isValid());
        platform::Settings::useFolder(m_settingsFolder.path());
    }
    platform::Settings& settings() { return platform::Settings::shared(); }

    static platform::PicturePtr picture(int width, int height)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::darkBlue);
        return platform::Picture::fromImage(image);
    }

    static ChapterList chapters(std::initializer_list<quint64> lengths)
    {
        ChapterList list;
        quint64 index = 0;
        for (quint64 length : lengths)
            ChapterModel::addNewChapterToList(length, index++, list);
        return list;
    }

    // A record with a file and a title, marked tagged: status 3.
    static std::shared_ptr<MovieModel> taggedRecord()
    {
        auto record = std::make_shared<MovieModel>();
        record->setFileUrl(QUrl::fromLocalFile("/movies/Alien.m4v"));
        record->setTitle("Alien");
        record->setTagged(true);
        return record;
    }

private:
    QTemporaryDir m_settingsFolder;
};

// Readable texts in test failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
