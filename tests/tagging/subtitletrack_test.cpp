#include "model/moviemodel.h"
#include "moviefiletestsupport.h"
#include "mp4/moviefile.h"
#include "platform/settings.h"
#include "support/moviefactory.h"
#include "tagging/metadatautilities.h"
#include "tagging/subtitleutilities.h"

#include <QJsonArray>
#include <QRegularExpression>

#include <gtest/gtest.h>

using testsupport::MovieFactory;
using testsupport::MovieRecipe;

namespace {

const QString twoCaptions =
    "1\n00:00:00,500 --> 00:00:01,000\nHello <b>world</b>\n\n"
    "2\n00:00:01,200 --> 00:00:01,900\nSecond line\nwith two rows\n\n";

class SubtitleTrack : public ::testing::Test {
protected:
    void SetUp() override { resetSettings(); }
    void TearDown() override { resetSettings(); }
    static void resetSettings()
    {
        for (const char* key : {"FiledsNotToBeOverwritten", "OverwriteExistingSubtitles"})
            platform::Settings::shared().remove(key);
    }

    // Opens `path` for modification, runs `edit` and commits.
    template <typename Edit>
    void modify(const QString& path, Edit edit)
    {
        mp4::MovieFile file = moviefiletest::open(path, true);
        edit(file);
        ASSERT_TRUE(file.close());
    }

    std::vector<mp4::TrackInfo> subtitleTracks(const QString& path)
    {
        std::vector<mp4::TrackInfo> result;
        for (const mp4::TrackInfo& track : moviefiletest::open(path).tracks()) {
            if (track.type == mp4::FourCC("sbtl"))
                result.push_back(track);
        }
        return result;
    }

    bool save(const QString& path, const QString& subtitle, const QString& language,
              std::optional<double> offset = std::nullopt)
    {
        MovieModel movie;
        movie.setFileUrl(moviefiletest::urlOf(path));
        movie.setChapterSettings(0);
        movie.setSubtitle(subtitle);
        movie.setSubtitleOffset(offset);
        return MetaDataUtilities::writeMetaDataToURL(movie, QUrl(), language).has_value();
    }

    // The first subtitle track as SRT by ffmpeg, without the font and placement
    // marks ffmpeg adds for the track's default style.
    std::string srtFrom(const QString& file)
    {
        QString text = factory.subtitleAsSrt(file);
        text.replace("\r\n", "\n").remove(QRegularExpression("<font size=\"[0-9]+\">|</font>|\\{\\\\an[0-9]\\}"));
        return text.toStdString();
    }

    // The sample description that ffprobe reports for the first subtitle stream.
    static QByteArray subtitleExtradata(const QString& file)
    {
        const auto probe = MovieFactory::run(
            "ffprobe", {"-v", "error", "-select_streams", "s:0", "-show_streams", "-show_data", file});
        EXPECT_TRUE(probe.ok());
        QByteArray hex;
        bool inDump = false;
        for (const QByteArray& line : probe.out.split('\n')) {
            if (line.startsWith("extradata_size"))
                break;
            if (inDump && line.size() > 10)
                hex += line.mid(10, 39).replace(" ", "");  // "00000000: 0000 0000 ...  text"
            inDump = inDump || line.startsWith("extradata=");
        }
        return QByteArray::fromHex(hex);
    }

    MovieFactory factory;
};

}  // namespace

TEST_F(SubtitleTrack, CaptionsAndTimesComeBackThroughFfmpeg)
{
    MovieRecipe recipe;
    recipe.width = 640;
    recipe.height = 360;
    const QString file = factory.make(recipe, "subs.mp4");
    ASSERT_TRUE(save(file, twoCaptions, "de", -0.25));  // the record's offset is in seconds

    const QJsonArray streams = factory.ffprobe(file)["streams"].toArray();
    QJsonObject subtitle;
    for (const QJsonValue& stream : streams) {
        if (stream.toObject()["codec_type"].toString() == "subtitle")
            subtitle = stream.toObject();
    }
    EXPECT_EQ(subtitle["codec_name"].toString(), "mov_text");
    EXPECT_EQ(subtitle["codec_tag_string"].toString(), "tx3g");
    EXPECT_EQ(subtitle["tags"].toObject()["language"].toString(), "deu");

    EXPECT_EQ(srtFrom(file),
              "1\n00:00:00,250 --> 00:00:00,750\nHello <b>world</b>\n\n"
              "2\n00:00:00,950 --> 00:00:01,650\nSecond line\nwith two rows\n\n");
}

TEST_F(SubtitleTrack, TrackSitsAtTheBottomOfThePictureAndIsNotShownByDefault)
{
    MovieRecipe recipe;
    recipe.width = 640;
    recipe.height = 360;
    const QString file = factory.make(recipe, "geometry.mp4");
    modify(file, [&](mp4::MovieFile& movie) {
        ASSERT_TRUE(SubTitleUtilities::writeSubTitleToFile(movie, twoCaptions, "en", 0.0, false));
    });

    const mp4::MovieFile reader = moviefiletest::open(file);
    const auto tracks = subtitleTracks(file);
    ASSERT_EQ(tracks.size(), 1u);
    const mp4::TrackInfo& track = tracks[0];
    EXPECT_EQ(track.language, "eng");
    EXPECT_EQ(track.flags, 2u);
    EXPECT_EQ(track.alternateGroup, 3);
    EXPECT_EQ(track.timeScale, reader.trackTimeScale(reader.trackId(0)));
    EXPECT_EQ(track.sampleCount, 5u);  // gap, caption, gap, caption, end of the last caption
    // 360 high: box 54, translation 306 in 16.16 fixed point.
    EXPECT_EQ(track.matrix[28], 0x01);
    EXPECT_EQ(track.matrix[29], 0x32);
    EXPECT_EQ(track.matrix[30], 0x00);
    EXPECT_EQ(track.matrix[31], 0x00);

    const auto description = reader.tx3gDescription(track.id);
    ASSERT_TRUE(description);
    EXPECT_EQ(description->horizontalJustification, 1);
    EXPECT_EQ(description->verticalJustification, -1);
    EXPECT_EQ(description->defTextBoxBottom, 54);
    EXPECT_EQ(description->defTextBoxRight, 640);
    EXPECT_EQ(description->fontID, 1);
    EXPECT_EQ(description->fontSize, 18);
    EXPECT_EQ(description->fontColorRed, 255);
    EXPECT_EQ(description->fontColorAlpha, 255);
    EXPECT_EQ(description->bgColorAlpha, 0);

    // The same fields as ffprobe sees them: display flags, justification centre and bottom, a
    // clear background, the box 0 0 54 640, then the default style: font 1, plain, size 18, white.
    EXPECT_EQ(subtitleExtradata(file).left(30).toHex(),
              "00000000"
              "01ff"
              "00000000"
              "0000000000360280"
              "000000000001"
              "0012"
              "ffffffff");
}

// ffmpeg's renderer (and the players built on it) ignores the track matrix and places the
// caption by the sample description alone: drawn over a black picture, the caption's pixels
// must all lie in the lower half of the frame.
TEST_F(SubtitleTrack, FfmpegDrawsTheCaptionInTheLowerHalfOfThePicture)
{
    const auto filters = MovieFactory::run("ffmpeg", {"-hide_banner", "-filters"});
    if (!filters.out.contains(" subtitles "))
        GTEST_SKIP() << "this ffmpeg has no subtitles filter (libass) to draw captions with";
    MovieRecipe recipe;
    recipe.width = 1280;
    recipe.height = 720;
    const QString file = factory.make(recipe, "burnin.mp4");
    ASSERT_TRUE(save(file, "1\n00:00:00,000 --> 00:00:02,000\nHELLO WORLD\n\n", "en"));

    EXPECT_FALSE(factory.subtitleAsSrt(file).contains("{\\an8}"));
    const QString blackThenCaptions = "drawbox=x=0:y=0:w=iw:h=ih:c=black:t=fill,subtitles=filename='" + file + "'";
    const auto frame = MovieFactory::run("ffmpeg", {"-v", "error", "-i", file, "-vf", blackThenCaptions, "-ss", "1",
                                                    "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "gray", "-"});
    ASSERT_TRUE(frame.ok()) << frame.err.toStdString();
    ASSERT_EQ(frame.out.size(), 1280 * 720);
    qsizetype upper = 0;
    qsizetype lower = 0;
    for (qsizetype i = 0; i < frame.out.size(); ++i) {
        if (static_cast<unsigned char>(frame.out[i]) > 128)
            ++(i < frame.out.size() / 2 ? upper : lower);
    }
    EXPECT_EQ(upper, 0);
    EXPECT_GT(lower, 200);  // the letters are there at all
}

TEST_F(SubtitleTrack, OffsetMovesEveryCaption)
{
    MovieRecipe recipe;
    recipe.seconds = 3.0;  // room for the moved captions
    const QString file = factory.make(recipe, "offset.mp4");
    modify(file, [&](mp4::MovieFile& movie) {
        ASSERT_TRUE(SubTitleUtilities::writeSubTitleToFile(movie, twoCaptions, "en", 0.25, false));
    });
    EXPECT_EQ(srtFrom(file),
              "1\n00:00:00,750 --> 00:00:01,250\nHello <b>world</b>\n\n"
              "2\n00:00:01,450 --> 00:00:02,150\nSecond line\nwith two rows\n\n");
}

TEST_F(SubtitleTrack, CaptionsPastTheEndOfTheMediaAreLeftOutSoTheMovieKeepsItsLength)
{
    const QString file = factory.make(MovieRecipe{}, "longer-cut.mp4");  // 2 s
    const QString subtitle = twoCaptions +
                             "3\n00:00:01,950 --> 00:00:04,000\nAcross the end\n\n"
                             "4\n00:00:05,000 --> 00:00:06,000\nAfter the end\n\n";
    ASSERT_TRUE(save(file, subtitle, "en"));

    const std::string srt = srtFrom(file);
    EXPECT_NE(srt.find("Across the end"), std::string::npos) << srt;
    EXPECT_EQ(srt.find("After the end"), std::string::npos) << srt;
    const QJsonObject probe = factory.ffprobe(file);
    EXPECT_LT(probe["format"].toObject()["duration"].toString().toDouble(), 2.1);
    for (const QJsonValue& stream : probe["streams"].toArray())
        EXPECT_LT(stream.toObject()["duration"].toString().toDouble(), 2.1)
            << stream.toObject()["codec_type"].toString().toStdString();
}

TEST_F(SubtitleTrack, ExistingTrackOfTheLanguageIsKeptUnlessOverwriting)
{
    MovieRecipe recipe;
    recipe.subtitle = testsupport::SubtitleSpec{"1\n00:00:00,100 --> 00:00:00,400\nOld\n\n", "deu"};
    const QString file = factory.make(recipe, "existing.mp4");

    ASSERT_TRUE(save(file, twoCaptions, "de"));
    ASSERT_EQ(subtitleTracks(file).size(), 1u);
    EXPECT_TRUE(factory.subtitleAsSrt(file).contains("Old"));

    ASSERT_TRUE(save(file, twoCaptions, "en"));  // another language is added beside it
    EXPECT_EQ(subtitleTracks(file).size(), 2u);

    platform::Settings::shared().setValue("OverwriteExistingSubtitles", true);
    ASSERT_TRUE(save(file, twoCaptions, "de"));
    const auto tracks = subtitleTracks(file);
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].language, "eng");
    EXPECT_EQ(tracks[1].language, "deu");
    EXPECT_EQ(tracks[1].sampleCount, 5u);  // the new one
}

TEST_F(SubtitleTrack, ProtectedSubtitleIsNotWritten)
{
    const QString file = factory.make(MovieRecipe{}, "protected.mp4");
    platform::Settings::shared().setValue("FiledsNotToBeOverwritten", QStringList{"subtitle"});
    ASSERT_TRUE(save(file, twoCaptions, "en"));
    EXPECT_TRUE(subtitleTracks(file).empty());
}

TEST_F(SubtitleTrack, EmptySubtitleTextLeavesTheTracksAlone)
{
    MovieRecipe recipe;
    recipe.subtitle = testsupport::SubtitleSpec{"1\n00:00:00,100 --> 00:00:00,400\nKeep me\n\n", "eng"};
    const QString file = factory.make(recipe, "keepsubs.mp4");
    platform::Settings::shared().setValue("OverwriteExistingSubtitles", true);
    ASSERT_TRUE(save(file, "", "en"));
    ASSERT_EQ(subtitleTracks(file).size(), 1u);
    EXPECT_TRUE(factory.subtitleAsSrt(file).contains("Keep me"));
}

TEST_F(SubtitleTrack, AudioOnlyFileHasNoPictureForSubtitles)
{
    MovieRecipe recipe;
    recipe.video = false;
    const QString file = factory.make(recipe, "audio.m4a");
    modify(file, [&](mp4::MovieFile& movie) {
        const auto written = SubTitleUtilities::writeSubTitleToFile(movie, twoCaptions, "en", 0.0, false);
        ASSERT_FALSE(written);
        EXPECT_EQ(written.error().domain, "no valid size in video track to calculate size for for subtitles");
        EXPECT_EQ(written.error().code, 1);
    });
    EXPECT_TRUE(subtitleTracks(file).empty());
}

TEST_F(SubtitleTrack, FileWithoutPictureOrSoundIsRefused)
{
    MovieRecipe recipe;
    recipe.video = recipe.audio = false;
    recipe.subtitle = testsupport::SubtitleSpec{"1\n00:00:00,100 --> 00:00:00,400\nOnly\n\n", "eng"};
    const QString file = factory.make(recipe, "onlysubs.mp4");
    modify(file, [&](mp4::MovieFile& movie) {
        const auto written = SubTitleUtilities::writeSubTitleToFile(movie, twoCaptions, "en", 0.0, true);
        ASSERT_FALSE(written);
        EXPECT_EQ(written.error().domain, "unable to find a video track in file for subtitles");
    });
    EXPECT_EQ(subtitleTracks(file).size(), 1u);
}

TEST_F(SubtitleTrack, TextWithoutLineBreakGivesAnEmptyTrack)
{
    const QString file = factory.make(MovieRecipe{}, "empty.mp4");
    modify(file, [&](mp4::MovieFile& movie) {
        ASSERT_TRUE(SubTitleUtilities::writeSubTitleToFile(movie, "no line break at all", "en", 0.0, false));
        EXPECT_NE(SubTitleUtilities::getSubTitleTrackWithLanguage(movie, "en"), 0u);
    });
    const auto tracks = subtitleTracks(file);
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].sampleCount, 0u);
    EXPECT_EQ(factory.decodeErrors(file), "");
}

TEST_F(SubtitleTrack, LastCaptionWithoutClosingEmptyLineIsWritten)
{
    const QString file = factory.make(MovieRecipe{}, "lastcaption.mp4");
    ASSERT_TRUE(save(file, twoCaptions + "3\n00:00:01,950 --> 00:00:02,000\nThe end", "en"));
    EXPECT_EQ(srtFrom(file),
              "1\n00:00:00,500 --> 00:00:01,000\nHello <b>world</b>\n\n"
              "2\n00:00:01,200 --> 00:00:01,900\nSecond line\nwith two rows\n\n"
              "3\n00:00:01,950 --> 00:00:02,000\nThe end\n\n");
}

TEST_F(SubtitleTrack, CaptionTimesPastTheTrackRangeRefuseTheSubtitle)
{
    const QString file = factory.make(MovieRecipe{}, "faroffset.mp4");
    modify(file, [&](mp4::MovieFile& movie) {
        // Some 23 days later: past the 2^32 units a new track can hold at the picture's time scale.
        const auto written = SubTitleUtilities::writeSubTitleToFile(movie, twoCaptions, "en", 2'000'000.0, false);
        ASSERT_FALSE(written);
        EXPECT_EQ(written.error().domain, "can't write caption line");
    });
    EXPECT_TRUE(subtitleTracks(file).empty());
    for (const QJsonValue& stream : factory.ffprobe(file)["streams"].toArray())
        EXPECT_NE(stream.toObject()["codec_type"].toString(), "subtitle");
}
