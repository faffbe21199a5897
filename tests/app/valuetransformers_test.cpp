#include "app/appdelegate.h"
#include "app/coversizetransformer.h"
#include "app/emptycovertransformer.h"
#include "app/emptydatatransformer.h"
#include "app/explicittransformer.h"
#include "app/genretransformer.h"
#include "app/hdvideotransformer.h"
#include "app/isequaltotwo.h"
#include "app/isgermanlanguage.h"
#include "app/isnotemptyarray.h"
#include "app/languagetransformer.h"
#include "app/localetransformer.h"
#include "app/mediatypetransformer.h"
#include "app/ratingtransformer.h"
#include "app/statustoledimage.h"
#include "model/moviemodel.h"
#include "platform/bookmark.h"
#include "platform/localized.h"
#include "platform/settings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

class Transformers : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::Settings::useFolder(m_folder.path() + "/settings");
        AppDelegate::initialize({"en-US"});
        m_language = platform::localizationLanguage();
        platform::setLocalizationLanguage("en");
    }
    void TearDown() override { platform::setLocalizationLanguage(m_language); }
    QTemporaryDir m_folder;
    QString m_language;
};

const QVariant kNone;

struct Conversion {
    const char* name;
    std::function<std::unique_ptr<ValueTransformer>()> make;
    bool reverse;  // direction
    QVariant in;
    QVariant out;
};

template <typename T>
std::function<std::unique_ptr<ValueTransformer>()> make()
{
    return [] { return std::make_unique<T>(); };
}

QString text(const char* key)
{
    return platform::localized(key);
}

TEST_F(Transformers, ConvertBothWaysAsTheChoosersNeed)
{
    const Conversion conversions[] = {
        {"rating by system and name", make<RatingTransformer>(), false, "mpaa|PG-13|300|", qint64(4)},
        {"rating matched by name", make<RatingTransformer>(), false, "uk-movie|PG|200|", qint64(3)},
        {"rating of another country", make<RatingTransformer>(), false, "de-movie|FSK 12|200|", qint64(0)},
        {"rating back", make<RatingTransformer>(), true, qint64(4), "mpaa|PG-13|300|"},
        {"rating back from none", make<RatingTransformer>(), true, kNone, ""},
        {"rating back from past the list", make<RatingTransformer>(), true, qint64(999), ""},
        {"explicit 2 is clean", make<ExplicitTransformer>(), false, qint64(2), qint64(1)},
        {"explicit 1 is explicit", make<ExplicitTransformer>(), false, qint64(1), qint64(2)},
        {"old explicit 4", make<ExplicitTransformer>(), false, qint64(4), qint64(2)},
        {"explicit none", make<ExplicitTransformer>(), false, kNone, qint64(0)},
        {"explicit back", make<ExplicitTransformer>(), true, qint64(2), qint64(1)},
        {"clean back", make<ExplicitTransformer>(), true, qint64(1), qint64(2)},
        {"format 2", make<HDVideoTransformer>(), false, qint64(2), "HD 1080p"},
        {"format 7", make<HDVideoTransformer>(), false, qint64(7), "SD 480p"},
        {"format none", make<HDVideoTransformer>(), false, kNone, kNone},
        {"format by prefix", make<HDVideoTransformer>(), true, "HD 1080p (Blu-ray)", qint64(2)},
        {"format SD back", make<HDVideoTransformer>(), true, "SD 480p", qint64(0)},
        {"format none back", make<HDVideoTransformer>(), true, kNone, kNone},
        {"media type movie", make<MediaTypeTransformer>(), false, qint64(9), text("mediaTypeMovie")},
        {"unknown media type", make<MediaTypeTransformer>(), false, qint64(1), text("mediaTypeMovie")},
        {"tv show", make<MediaTypeTransformer>(), false, qint64(10), text("mediaTypeTVShow")},
        {"movie back", make<MediaTypeTransformer>(), true, text("mediaTypeMovie"), qint64(9)},
        {"podcast back", make<MediaTypeTransformer>(), true, text("mediaTypePodcast"), qint64(21)},
        {"cover size 2", make<CoverSizeTransformer>(), false, qint64(2), text("largeCoverSize")},
        {"cover size 3", make<CoverSizeTransformer>(), false, qint64(3), text("largeCoverSize")},
        {"small cover", make<CoverSizeTransformer>(), false, qint64(0), text("smallCoverSize")},
        {"large back is 3", make<CoverSizeTransformer>(), true, text("largeCoverSize"), qint64(3)},
        {"medium back", make<CoverSizeTransformer>(), true, text("mediumCoverSize"), qint64(1)},
        {"english", make<IsGermanLanguage>(), false, "en", true},
        {"german", make<IsGermanLanguage>(), false, "de", false},
        {"no language", make<IsGermanLanguage>(), false, kNone, true},
        {"two", make<IsEqualToTwo>(), false, qint64(2), true},
        {"two as double", make<IsEqualToTwo>(), false, 2.0, true},
        {"three", make<IsEqualToTwo>(), false, qint64(3), false},
        {"no number", make<IsEqualToTwo>(), false, kNone, false},
        {"empty list", make<IsNotEmptyArray>(), false, QStringList(), true},
        {"no list", make<IsNotEmptyArray>(), false, kNone, true},
        {"a list", make<IsNotEmptyArray>(), false, QStringList{"a"}, false},
        {"language name", make<LanguageTransformer>(), false, "de", "German"},
        {"unknown language name", make<LanguageTransformer>(), true, "Klingon", "en"},
        {"country name", make<LocaleTransformer>(), false, "nz", "New Zealand"},
        {"unknown country name", make<LocaleTransformer>(), true, "Atlantis", "us"},
        {"genre found", make<GenreTransformer>(), false, "a late Western, 1969", "Western"},
        {"no genre", make<GenreTransformer>(), false, "nothing", kNone},
        {"genre back unchanged", make<GenreTransformer>(), true, "Whatever", "Whatever"},
    };
    for (const Conversion& conversion : conversions) {
        SCOPED_TRACE(conversion.name);
        const auto transformer = conversion.make();
        const QVariant result = conversion.reverse ? transformer->reverseTransformedValue(conversion.in)
                                                   : transformer->transformedValue(conversion.in);
        EXPECT_EQ(result.isValid(), conversion.out.isValid());
        if (conversion.out.isValid()) {
            EXPECT_EQ(result.toString(), conversion.out.toString());
        }
    }
}

TEST_F(Transformers, StatusLightsAreFourDistinctImagesRecognisedByIdentity)
{
    const StatusToLedImage leds;
    QList<qint64> keys;
    for (qint64 status = 0; status <= 3; ++status) {
        const QVariant image = leds.transformedValue(status);
        ASSERT_EQ(image.metaType(), QMetaType::fromType<QImage>());
        EXPECT_FALSE(image.value<QImage>().isNull());
        EXPECT_EQ(leds.reverseTransformedValue(image).toLongLong(), status);
        keys << image.value<QImage>().cacheKey();
    }
    EXPECT_EQ(QSet<qint64>(keys.begin(), keys.end()).size(), 4);
    EXPECT_EQ(leds.transformedValue(qint64(5)).value<QImage>().cacheKey(), keys.first());
    EXPECT_EQ(leds.transformedValue(kNone).value<QImage>().cacheKey(), keys.first());
    // An equal-looking copy is not one of the lights.
    const QImage lookalike = leds.transformedValue(qint64(0)).value<QImage>().copy();
    EXPECT_EQ(leds.reverseTransformedValue(lookalike).toLongLong(), 3);
}

TEST_F(Transformers, ThePlaceholderCoverAndTheNoCoverImageSwapByIdentity)
{
    using Cover = platform::PicturePtr;
    const EmptyCoverTransformer covers;
    const QVariant shown = covers.transformedValue(QVariant::fromValue(noCoverImage()));
    EXPECT_EQ(shown.value<Cover>(), EmptyCoverTransformer::noCoverTemplateImage());
    EXPECT_FALSE(EmptyCoverTransformer::noCoverTemplateImage()->isNull());
    EXPECT_EQ(covers.reverseTransformedValue(shown).value<Cover>(), noCoverImage());

    const Cover real = std::make_shared<const platform::Picture>(*EmptyCoverTransformer::noCoverTemplateImage());
    EXPECT_EQ(covers.transformedValue(QVariant::fromValue(real)).value<Cover>(), real);
    EXPECT_EQ(covers.reverseTransformedValue(QVariant::fromValue(real)).value<Cover>(), real);
    EXPECT_FALSE(covers.transformedValue(kNone).isValid());
}

TEST_F(Transformers, TheWorkingFolderShowsOnlyForNonEmptyData)
{
    const EmptyDataTransformer paths;
    QTemporaryDir work;
    const QByteArray bookmark = platform::bookmarkDataForFolder(QUrl::fromLocalFile(work.path()));
    platform::Settings::shared().setValue("WorkingDirectoryBookmark", bookmark);
    EXPECT_EQ(paths.transformedValue(bookmark).toString(), work.path());
    EXPECT_FALSE(paths.transformedValue(QByteArray()).isValid());
    EXPECT_FALSE(paths.transformedValue(kNone).isValid());
}

}  // namespace
