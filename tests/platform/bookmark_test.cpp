#include "platform/bookmark.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::bookmarkDataForFolder;
using platform::resolveBookmarkData;

TEST(Bookmark, ResolvesWhileTheFolderExists)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("work");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QByteArray data = bookmarkDataForFolder(QUrl::fromLocalFile(folder));
    EXPECT_EQ(data, folder.toUtf8());
    EXPECT_EQ(resolveBookmarkData(data), QUrl::fromLocalFile(folder));
    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_FALSE(resolveBookmarkData(data).has_value());
}

TEST(Bookmark, RefusesWhatIsNotAFolderPath)
{
    EXPECT_TRUE(bookmarkDataForFolder(QUrl("https://example.org/")).isEmpty());
    EXPECT_FALSE(resolveBookmarkData(QByteArray()).has_value());
    EXPECT_FALSE(resolveBookmarkData("relative").has_value());
    EXPECT_FALSE(resolveBookmarkData(QByteArray("/tmp\0/x", 7)).has_value());
    QTemporaryDir dir;
    QFile file(dir.filePath("plain"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_FALSE(resolveBookmarkData(file.fileName().toUtf8()).has_value());
}
