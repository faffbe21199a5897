// Saving a record that is already saved: a plain save passes it over, and
// forced saves rewrite the same tags without adding tracks, names or bytes.
#include "movieroad.h"

#include "tagging/moviefilemanager.h"

#include <QFileInfo>

namespace movieroad {
namespace {

class RepeatedSaveTest : public MovieRoadTest {
protected:
    void SetUp() override
    {
        MovieRoadTest::SetUp();
        useEveryServiceWithPlexFiles();
        const QString original = makeMovie("Alien #1979.m4v");
        ASSERT_FALSE(original.isEmpty());
        m_media = m_factory.mediaPacketChecksums(original);
        m_movie = loadOne(m_list, {original});
        ASSERT_TRUE(m_movie);
        ASSERT_EQ(searchAndMerge(*m_movie), Lookup::Merged);
        ASSERT_TRUE(save(false));
        m_saved = m_movie->fileUrl().toLocalFile();
        ASSERT_EQ(QFileInfo(m_saved).fileName(), QString(kPlexName) + ".m4v");
    }

    bool save(bool force) { return MovieFileManager::saveFiles(m_list, QUrl(), true, force, kLanguage, kCountry); }

    // What a reader sees of the saved file, apart from the byte layout.
    QStringList observed()
    {
        const QJsonObject probe = this->probe(m_saved);
        QStringList facts;
        QJsonObject tags = formatTags(probe);
        for (auto tag = tags.begin(); tag != tags.end(); ++tag)
            facts << "tag " + tag.key() + "=" + tag.value().toString();
        for (const QJsonValue& stream : probe.value("streams").toArray()) {
            const QJsonObject object = stream.toObject();
            facts << QString("stream %1 %2 %3")
                         .arg(object.value("codec_type").toString(), object.value("codec_name").toString(),
                              object.value("tags").toObject().value("language").toString());
        }
        facts << "chapters " + chapterTitles(probe).join('|');
        const QMap<QString, QString> atoms = atomicParsleyAtoms(m_saved);
        for (auto atom = atoms.begin(); atom != atoms.end(); ++atom)
            facts << "atom " + atom.key() + "=" + atom.value();
        return facts;
    }

    MovieList m_list;
    std::shared_ptr<MovieModel> m_movie;
    QString m_saved;
    QStringList m_media;
};

TEST_F(RepeatedSaveTest, APlainSaveOfTheSavedRecordTouchesNothing)
{
    const QByteArray bytes = fileBytes(m_saved);
    const QStringList entries = workEntries();
    const QDateTime modified = QFileInfo(m_saved).lastModified();
    ASSERT_TRUE(save(false));
    EXPECT_EQ(m_movie->fileUrl(), QUrl::fromLocalFile(m_saved));
    EXPECT_EQ(fileBytes(m_saved), bytes);
    EXPECT_EQ(QFileInfo(m_saved).lastModified(), modified);
    EXPECT_EQ(workEntries(), entries);
}

TEST_F(RepeatedSaveTest, ForcedSavesKeepNameTracksAndTagsAndTheSizeBounded)
{
    const QStringList first = observed();
    const QStringList entries = workEntries();
    const qint64 firstSize = QFileInfo(m_saved).size();
    QList<qint64> sizes;
    for (int round = 0; round < 4; ++round) {
        ASSERT_TRUE(save(true)) << "round " << round;
        EXPECT_EQ(m_movie->fileUrl(), QUrl::fromLocalFile(m_saved)) << "round " << round;
        sizes << QFileInfo(m_saved).size();
    }
    EXPECT_EQ(workEntries(), entries);
    // The chapter track is made anew by each save, so the track order may change.
    QStringList last = observed();
    EXPECT_EQ(last.size(), first.size());
    QStringList sortedFirst = first;
    sortedFirst.sort();
    last.sort();
    EXPECT_EQ(last, sortedFirst);
    EXPECT_EQ(m_factory.mediaPacketChecksums(m_saved), m_media);
    EXPECT_TRUE(m_factory.decodeErrors(m_saved).isEmpty());
    // Each save writes its tags where the live ones are not, so the file may
    // grow by one set of tags, but the room of earlier ones is used again:
    // four forced saves do not add four sets.
    for (qint64 size : sizes)
        EXPECT_LE(size, firstSize + 64 * 1024)
            << firstSize << " then " << ::testing::PrintToString(std::vector<qint64>(sizes.begin(), sizes.end()));
}

}  // namespace
}  // namespace movieroad
