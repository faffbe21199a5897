// The poster candidates of a found movie, each with a thumbnail and the
// addresses and sizes of its renditions, and the cover chosen among them.
#include "online/tmdbapi.h"

#include "model/helpers.h"
#include "model/imagemodel.h"
#include "model/moviemodel.h"
#include "online/imagefromurl.h"
#include "online/namedfailure.h"
#include "online/servicelog.h"
#include "online/tmdbapi_lookupsupport.h"
#include "online/webrequest.h"
#include "platform/progressindicator.h"
#include "platform/settings.h"

#include <QUrl>

#include <cmath>
#include <vector>

namespace {

// The poster loop waits in these slices between two posters.
constexpr double kPosterSliceSeconds = 0.01;

constexpr double kThumbnailWidth = 154.0;
constexpr double kSmallWidth = 342.0;
constexpr double kMediumWidth = 500.0;

QUrl renditionUrl(const QString& sizeStep, const QString& filePath)
{
    return QUrl(TMDbAPI::imageBaseUrl() + sizeStep + filePath);
}

double numberAt(const QVariantMap& poster, const QString& key)
{
    return tmdblookup::doubleValueOfText(poster.value(key).toString());
}

// The poster's aspect ratio, or a sound stand-in when the reply's is unusable.
double aspectRatioOf(const QVariantMap& poster)
{
    const double reported = numberAt(poster, QStringLiteral("aspect_ratio"));
    const double ratio = tmdblookup::posterAspectRatio(reported, numberAt(poster, QStringLiteral("width")),
                                                       numberAt(poster, QStringLiteral("height")));
    if (ratio != reported)
        ServiceLog::log(QStringLiteral("Poster %1 has no usable aspect ratio (%2); sized at %3")
                            .arg(poster.value(QStringLiteral("file_path")).toString(),
                                 poster.value(QStringLiteral("aspect_ratio")).toString(),
                                 QString::number(ratio, 'f', 3)));
    return ratio;
}

// The progress bar goes determinate for the poster loop and back to busy after it.
class PosterProgress {
public:
    PosterProgress(platform::ProgressIndicator* indicator, qsizetype posterCount) : m_indicator(indicator)
    {
        if (!m_indicator)
            return;
        m_indicator->stopAnimation();
        m_indicator->setIndeterminate(false);
        m_indicator->setDoubleValue(0.0);
        m_indicator->setMaxValue(double(posterCount));
        m_indicator->displayIfNeeded();
    }

    void setCount(qsizetype count)
    {
        if (!m_indicator)
            return;
        m_indicator->setDoubleValue(double(count));
        m_indicator->displayIfNeeded();
    }

    void finish()
    {
        if (!m_indicator)
            return;
        m_indicator->setIndeterminate(true);
        m_indicator->startAnimation();
        m_indicator->displayIfNeeded();
    }

private:
    platform::ProgressIndicator* m_indicator;
};

}  // namespace

void TMDbAPI::getPosterImages(const QString& movieId, const QString& language, platform::ProgressIndicator* progress)
{
    const QVariantMap reply =
        executeJSONUrlRequest(apiUrl(QStringLiteral("/3/movie/%1/images?api_key=%2").arg(movieId, apiKey())));
    if (!reply.contains(QStringLiteral("posters")))
        throw NamedFailure(QStringLiteral("TMDbSearchHasNoPosters"),
                           QStringLiteral("no posters has been returned for search"));
    const QVariantList posters = reply.value(QStringLiteral("posters")).toList();

    QList<std::shared_ptr<ImageModel>> candidates;
    candidates.reserve(posters.size());
    PosterProgress indicator(progress, posters.size());
    qsizetype count = 0;
    for (const QVariant& poster : posters) {
        m_webRequest->pumpSlice(kPosterSliceSeconds);
        if (m_webRequest->requestIsAborted())
            throw NamedFailure(QStringLiteral("TMDbPosterLoadAborted"), QStringLiteral("abort during loading posters"));
        coverInfoToImageModel(poster.toMap(), progress, language, candidates);
        indicator.setCount(++count);
    }
    m_movie->setImageModels(candidates);
    indicator.finish();
    selectCoverFromPosters(candidates, language);
}

void TMDbAPI::coverInfoToImageModel(const QVariantMap& poster, platform::ProgressIndicator* /*progressIndicator*/,
                                    const QString& language, QList<std::shared_ptr<ImageModel>>& imageModels)
{
    const QString filePath = poster.value(QStringLiteral("file_path")).toString();
    // A poster without language has "iso_639_1" as the empty text (the reader
    // gives null so); one that lacks the field names no language to keep.
    const QString languageKey = QStringLiteral("iso_639_1");
    const QString posterLanguage = poster.value(languageKey).toString();
    if (!poster.contains(languageKey) ||
        (posterLanguage != language && posterLanguage != u"en" && !posterLanguage.isEmpty()))
        return;

    const double aspectRatio = aspectRatioOf(poster);
    const QUrl thumbnailUrl = renditionUrl(QStringLiteral("w154"), filePath);
    if (!m_webRequest->executeRequest(thumbnailUrl.toString(), ReplyKind::Image))
        throw NamedFailure(QStringLiteral("TMDbLoadThumbNailFailed"),
                           QStringLiteral("failed or aborted during loading thumb nail image"));

    const QSizeF thumbnailSize = tmdblookup::renditionSize(kThumbnailWidth, aspectRatio);
    const std::shared_ptr<ImageModel> candidate = ImageModel::initWithData(
        m_webRequest->requestData(), thumbnailUrl, qint64(kThumbnailWidth), qint64(thumbnailSize.height()),
        posterLanguage, tmdblookup::intValueOfText(poster.value(QStringLiteral("vote_count")).toString()));
    if (!candidate)
        return;
    candidate->setSmallUrl(renditionUrl(QStringLiteral("w342"), filePath));
    candidate->setSmallSize(tmdblookup::renditionSize(kSmallWidth, aspectRatio));
    candidate->setMediumUrl(renditionUrl(QStringLiteral("w500"), filePath));
    candidate->setMediumSize(tmdblookup::renditionSize(kMediumWidth, aspectRatio));
    candidate->setLargeUrl(renditionUrl(QStringLiteral("original"), filePath));
    candidate->setLargeSize(
        QSizeF(numberAt(poster, QStringLiteral("width")), numberAt(poster, QStringLiteral("height"))));
    imageModels.append(candidate);
}

void TMDbAPI::selectCoverFromPosters(const QList<std::shared_ptr<ImageModel>>& posters, const QString& language)
{
    std::vector<tmdblookup::CoverChoiceKey> keys;
    keys.reserve(posters.size());
    for (const std::shared_ptr<ImageModel>& poster : posters)
        keys.push_back({poster->language(), int(poster->voteCount().value_or(0))});
    const std::optional<qsizetype> best = tmdblookup::bestCoverIndex(keys, language);
    if (!best)
        return;

    const ImageModel& cover = *posters[*best];
    const qint64 size = platform::Settings::shared().integerValue(QStringLiteral("SizeOfCoverInSearchWindow"));
    const QUrl& address = size == 0 ? cover.smallUrl() : size == 1 ? cover.mediumUrl() : cover.largeUrl();
    m_movie->setCover(imageFromURL(address));
}
