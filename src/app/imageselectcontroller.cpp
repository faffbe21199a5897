#include "app/imageselectcontroller.h"

#include "app/korvalanecontroller.h"
#include "app/linefield.h"
#include "app/localizedform.h"
#include "app/movielistcontroller.h"
#include "app/progressbarindicator.h"
#include "app/selectedrecordfollower.h"
#include "app/statusnews.h"
#include "app/tableofcellshelper.h"
#include "app/windowfitter.h"
#include "app/workspace.h"
#include "model/helpers.h"
#include "model/movielist.h"
#include "online/imagefromurl.h"
#include "online/namedfailure.h"
#include "online/tmdbapi.h"
#include "online/tmdbapi_lookupsupport.h"
#include "online/webrequest.h"
#include "platform/localized.h"
#include "platform/notificationcenter.h"
#include "platform/settings.h"
#include "ui_coverwindow.h"
#include "ui_imageselectview.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMainWindow>
#include <QPixmap>
#include <QStandardItemModel>
#include <QTimer>

namespace {

const QString kWebSite = QStringLiteral("https://www.themoviedb.org");
constexpr int kNotFoundMilliseconds = 1000;

bool hasCandidates(const MovieModel& result)
{
    return result.imageModels() && !result.imageModels()->isEmpty();
}

bool setting(const char* key)
{
    return platform::Settings::shared().boolValue(QString::fromLatin1(key));
}

// A thumbnail filling `size`, so every row or cell of a view lines up.
QIcon iconOf(const platform::PicturePtr& picture, QSize size)
{
    if (!picture || picture->isNull())
        return {};
    const QImage image = picture->image(picture->pixelSize().scaled(size, Qt::KeepAspectRatio));
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

QString candidateLabel(const ImageModel& candidate)
{
    const QString size = candidate.coverSizeAsLabel();
    return candidate.language().isEmpty() ? size : QStringLiteral("%1\n%2").arg(size, candidate.language());
}

// File-name titles such as My_Movie.2 are searched as words.
QString searchTextForTitle(QString title)
{
    return title.replace(QLatin1Char('_'), QLatin1Char(' ')).replace(QLatin1Char('.'), QLatin1Char(' '));
}

}  // namespace

ImageSelectController::ImageSelectController(KorvalaneController& korvalaneController, QWidget* parent)
    : QWidget(parent),
      m_korvalaneController(korvalaneController),
      m_ui(std::make_unique<Ui::ImageSelectView>()),
      m_coverUi(std::make_unique<Ui::CoverWindow>())
{
    setUpForm();
    setUpCoverWindow();
    connectControls();
    setCoverImageSize(int(platform::Settings::shared().integerValue(QStringLiteral("SizeOfCoverInSearchWindow"))));
    m_selectedTitle =
        std::make_unique<SelectedRecordFollower>(m_korvalaneController.movieListController(), QStringLiteral("title"),
                                                 [this](const std::shared_ptr<MovieModel>& record) {
                                                     // Without a selected record or a title the field keeps its text.
                                                     if (record && !record->title().isNull())
                                                         setSearchFieldText(searchTextForTitle(record->title()));
                                                 });
}

ImageSelectController::~ImageSelectController() = default;

void ImageSelectController::setUpForm()
{
    m_ui->setupUi(this);
    localizeForm(this);
    m_ui->tmdbCollectionView->setDelegate(this);
    m_ui->progressIndicator->hide();
    m_ui->tmdbCancelButton->hide();
    m_ui->tmdbNotFoundLabel->hide();
    // What a lookup shows has a row of its own, beside no other control, so it never widens the
    // window; the row keeps its height, so the pages below do not jump when it fills.
    m_ui->lookupStateRow->setMinimumHeight(m_ui->tmdbCancelButton->sizeHint().height());
    // The field starts empty: nothing to search for yet.
    m_ui->tmdbSearchButton->setEnabled(false);
    m_ui->coverSizeChooser->addItems(coverSizeLablesArray());

    m_hitModel = new QStandardItemModel(this);
    m_ui->tmdbSearchTableView->setModel(m_hitModel);
    m_ui->tmdbSearchTableView->verticalHeader()->hide();
    m_ui->tmdbSearchTableView->horizontalHeader()->setStretchLastSection(false);
    m_candidateModel = new QStandardItemModel(this);
    m_ui->tmdbCollectionView->setModel(m_candidateModel);
    fillHitTable();
}

void ImageSelectController::setUpCoverWindow()
{
    // A panel of its own beside the main window.
    m_coverWindow = new QWidget(this, Qt::Tool);
    m_coverUi->setupUi(m_coverWindow);
    localizeForm(m_coverWindow);
}

void ImageSelectController::connectControls()
{
    connect(m_ui->tmdbSearchButton, &QPushButton::clicked, this, &ImageSelectController::queryTmDB);
    connect(m_ui->tmdbSearchField, &QLineEdit::returnPressed, this, &ImageSelectController::queryTmDB);
    connect(m_ui->tmdbSearchField, &QLineEdit::textEdited, this, &ImageSelectController::controlTextDidChange);
    connect(m_ui->tmdbCancelButton, &QPushButton::clicked, this, &ImageSelectController::cancelSearchRequest);
    connect(m_ui->tmdbSearchTableView, &QTableView::doubleClicked, this, &ImageSelectController::loadTMDbByDoubleClick);
    connect(m_ui->reloadCoversButton, &QPushButton::clicked, this, &ImageSelectController::reloadTMDbCovers);
    connect(m_ui->copyButton, &QPushButton::clicked, this, &ImageSelectController::copyTmdbInfo);
    connect(m_ui->webSiteButton, &QPushButton::clicked, this, &ImageSelectController::openTMDbWebSite);
    connect(m_ui->coverSizeChooser, &QComboBox::activated, this, &ImageSelectController::setCoverImageSize);
}

bool ImageSelectController::loadTMDb(const QString& text, bool searchStringIsId, bool loadCovers)
{
    if (text.isEmpty() || m_isLoadingFromTMDb)
        return false;
    StatusNews& news = m_korvalaneController.news();
    news.clear();
    if (!m_korvalaneController.serviceKeyIsSet(platform::Service::MovieDatabase))
        return false;

    ProgressBarIndicator progress(*m_ui->progressIndicator);
    progress.setIndeterminate(true);
    progress.startAnimation();
    m_ui->tmdbCancelButton->show();
    setLoading(true);

    // The main window stays live through the client's own pumping of the
    // event loop; the loading flag keeps a second lookup out meanwhile.
    TMDbAPI client;
    const std::shared_ptr<MovieModel> result =
        client.readTmDBInformation({.name = text,
                                    .nameIsId = searchStringIsId,
                                    .language = m_korvalaneController.languageId(),
                                    .locale = m_korvalaneController.localeId(),
                                    .window = m_korvalaneController.mainWindow(),
                                    .progressIndicator = &progress,
                                    .lastSearchMovieList = m_searchResultArray,
                                    .loadCovers = loadCovers});
    if (result) {
        updateSearchDrawer(result);
        attachToSelectedRecord(result);
    } else if (client.status() != TMDbAPI::Status::Cancelled) {
        showNotFound();
        const bool failed = client.status() == TMDbAPI::Status::Failed;
        news.tell(failed ? QStringLiteral("newsSearchFailed") : QStringLiteral("newsNoMovieFound"), {text});
    }

    progress.stopAnimation();
    m_ui->progressIndicator->hide();
    m_ui->tmdbCancelButton->hide();
    setLoading(false);
    return result != nullptr;
}

void ImageSelectController::attachToSelectedRecord(const std::shared_ptr<MovieModel>& result)
{
    const std::shared_ptr<MovieModel> record = m_korvalaneController.getSelectedMovie();
    if (!record)
        return;
    const KorvalaneController::ExtrasOutcome extras = m_korvalaneController.completeSearchResult(*record, result);
    m_korvalaneController.tellExtrasMissed(extras, *result);
    record->setSearchResult(result->copyWithZone());
}

void ImageSelectController::setLoading(bool loading)
{
    m_isLoadingFromTMDb = loading;
    m_ui->tmdbSearchButton->setEnabled(!loading && !m_ui->tmdbSearchField->text().isEmpty());
    m_ui->reloadCoversButton->setEnabled(!loading);
    m_ui->copyButton->setEnabled(!loading && m_canCopyTags);
}

void ImageSelectController::showNotFound()
{
    m_ui->tmdbNotFoundLabel->show();
    // Hidden again from the event loop, so the window stays live meanwhile.
    QTimer::singleShot(kNotFoundMilliseconds, m_ui->tmdbNotFoundLabel, &QLabel::hide);
}

void ImageSelectController::queryTmDB()
{
    const QString text = m_ui->tmdbSearchField->text();
    if (text.isEmpty() || m_isLoadingFromTMDb)
        return;
    loadTMDb(text, false, loadsCovers());
    m_ui->selectionTabView->setCurrentIndex(HitsPage);
    const bool fewHits = m_searchResultArray.size() < 2;
    m_ui->selectionTabView->setCurrentIndex(m_movie && hasCandidates(*m_movie) && fewHits ? CoversPage : HitsPage);
}

void ImageSelectController::loadTMDbByDoubleClick(const QModelIndex& clicked)
{
    const int row = clicked.isValid() ? clicked.row() : -1;
    const std::shared_ptr<MovieSearchItemModel> hit = hitAt(row);
    if (!hit || !loadTMDb(hit->movieId(), true, loadsCovers()))
        return;
    showResultPage(*m_movie);
    selectHitRow(row);
}

void ImageSelectController::showResultPage(const MovieModel& result)
{
    m_ui->selectionTabView->setCurrentIndex(hasCandidates(result) ? CoversPage : InformationPage);
    m_ui->selectionTabView->repaint();
}

void ImageSelectController::showHitsPage()
{
    m_ui->selectionTabView->setCurrentIndex(HitsPage);
}

void ImageSelectController::reloadTMDbCovers()
{
    const int row = selectedHitRow();
    const std::shared_ptr<MovieSearchItemModel> hit = hitAt(row);
    if (!hit)
        return;
    loadTMDb(hit->movieId(), true, true);
    selectHitRow(row);
}

void ImageSelectController::copyTmdbInfo()
{
    std::shared_ptr<MovieModel> record = m_korvalaneController.getSelectedMovie();
    if (!record || !m_movie || m_isLoadingFromTMDb)
        return;

    const int row = selectedHitRow();
    const std::shared_ptr<MovieSearchItemModel> hit = hitAt(row);
    if (hit && m_ui->selectionTabView->currentIndex() == HitsPage && hit->title() != record->title())
        loadTMDb(hit->movieId(), true, loadsCovers());

    const std::shared_ptr<MovieModel> result = record->searchResult();
    // Only the result attached to the record is merged; without one there is nothing to copy.
    if (!result)
        return;
    const qint64 copyBehaviour = overwriteTags() ? MovieModel::kCopyOverwrite : MovieModel::kCopyFill;

    platform::PicturePtr cover;
    if (const std::shared_ptr<ImageModel> candidate = selectedCandidate())
        cover = imageFromURL(chosenCoverUrl(*candidate));
    if (cover && !cover->isNull() && !cover->image().isNull()) {
        // Pictures are immutable: the result and the record share the one loaded.
        m_movie->setCover(cover);
        result->setCover(cover);
    } else {
        // No candidate chosen, or its poster did not load: the record's own
        // cover stays unless the merge copies empty values.
        result->setCover(noCoverImage());
    }

    // The record tells its views of every field the merge changed.
    record->copySearchResultsToMovie(copyBehaviour);
    m_korvalaneController.textDidChange(m_korvalaneController.shortDescTextView());
    if (row >= 0)
        selectHitRow(row);
    if (setting("UseTMDBGenres"))
        m_korvalaneController.setMovieGenresNames(m_movie->allGenres().value_or(QStringList()));
}

void ImageSelectController::cancelSearchRequest()
{
    platform::NotificationCenter::defaultCenter().post(QString::fromLatin1(kWebRequestAbortNotification), this);
}

void ImageSelectController::openTMDbWebSite()
{
    const QString text = m_ui->tmdbSearchField->text();
    if (text.isEmpty()) {
        Workspace::openOrShowAddress(QUrl(kWebSite));
        return;
    }
    QString query;
    try {
        query = TMDbAPI::buildSearchString(text);
    } catch (const NamedFailure&) {
        // The web site takes any title, also one the API's code page cannot carry.
        query = tmdblookup::percentEscaped(tmdblookup::foldSearchSeparators(text));
    }
    Workspace::openOrShowAddress(QUrl::fromEncoded((kWebSite + "/search?query=" + query).toUtf8()));
}

void ImageSelectController::doubleClickImage(QMouseEvent* /*event*/)
{
    const std::shared_ptr<ImageModel> candidate = selectedCandidate();
    if (!candidate)
        return;
    const platform::PicturePtr picture = imageFromURL(candidate->mediumUrl());
    const QSize size = candidate->mediumSize().toSize();
    showInCoverWindow(picture->image(), size.isEmpty() ? picture->pixelSize() : size);
}

void ImageSelectController::showInCoverWindow(const QImage& image, QSize size)
{
    m_coverUi->coverWindowImage->setPixmap(QPixmap::fromImage(image));
    // A cover taller than the screen is shown smaller, undistorted.
    const QSize room = WindowFitter::room(m_coverWindow);
    m_coverWindow->resize(room.isEmpty() || size.boundedTo(room) == size ? size
                                                                         : size.scaled(room, Qt::KeepAspectRatio));
    if (m_coverWindow->isVisible())
        WindowFitter::fit(m_coverWindow);
    else
        m_coverWindow->show();
}

void ImageSelectController::updateSearchDrawer(const std::shared_ptr<MovieModel>& movie)
{
    m_movie = movie;
    emit movieChanged();
    if (movie)
        TableOfCellsHelper::tableAttributedStringFromMetaTags(*m_ui->tmdbTextView->document(), *movie,
                                                              m_korvalaneController.localeId(),
                                                              m_korvalaneController.languageId());
    m_imageModelArray = movie ? movie->imageModels().value_or(ImageModelList()) : ImageModelList();
    fillCandidates();
    m_searchResultArray = movie ? movie->foundMovies().value_or(SearchItemList()) : SearchItemList();
    fillHitTable();
    setCanCopyTags(movie && !movie->title().isEmpty());
}

void ImageSelectController::fillHitTable()
{
    m_hitModel->clear();
    m_hitModel->setHorizontalHeaderLabels({platform::localized(QStringLiteral("searchColumnTitle")),
                                           platform::localized(QStringLiteral("searchColumnYear"))});
    for (const std::shared_ptr<MovieSearchItemModel>& hit : m_searchResultArray) {
        auto* title = new QStandardItem(iconOf(hit->image(), m_ui->tmdbSearchTableView->iconSize()), hit->title());
        title->setToolTip(hit->title());
        m_hitModel->appendRow({title, new QStandardItem(hit->year())});
    }
    QHeaderView* header = m_ui->tmdbSearchTableView->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_ui->tmdbSearchTableView->resizeRowsToContents();
}

void ImageSelectController::fillCandidates()
{
    m_candidateModel->clear();
    for (const std::shared_ptr<ImageModel>& candidate : m_imageModelArray)
        m_candidateModel->appendRow(new QStandardItem(iconOf(candidate->image(), m_ui->tmdbCollectionView->iconSize()),
                                                      candidateLabel(*candidate)));
}

void ImageSelectController::setCanCopyTags(bool canCopy)
{
    m_canCopyTags = canCopy;
    m_ui->copyButton->setEnabled(canCopy && !m_isLoadingFromTMDb);
}

void ImageSelectController::selectHitRow(int row)
{
    if (!hitAt(row))
        return;
    m_ui->tmdbSearchTableView->selectionModel()->select(
        m_hitModel->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

std::shared_ptr<MovieSearchItemModel> ImageSelectController::hitAt(int row) const
{
    if (row < 0 || row >= m_searchResultArray.size())
        return nullptr;
    return m_searchResultArray.at(row);
}

int ImageSelectController::selectedHitRow() const
{
    const QModelIndexList rows = m_ui->tmdbSearchTableView->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

std::shared_ptr<ImageModel> ImageSelectController::selectedCandidate() const
{
    const QModelIndexList selected = m_ui->tmdbCollectionView->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return nullptr;
    const int row = selected.first().row();
    return row < m_imageModelArray.size() ? m_imageModelArray.at(row) : nullptr;
}

QUrl ImageSelectController::chosenCoverUrl(const ImageModel& candidate) const
{
    switch (m_coverImageSize) {
        case SmallCover:
            return candidate.smallUrl();
        case MediumCover:
            return candidate.mediumUrl();
        default:
            return candidate.largeUrl();
    }
}

bool ImageSelectController::loadsCovers()
{
    return !setting("DoNotAutomaticLoadCoverPictures");
}

bool ImageSelectController::overwriteTags() const
{
    return m_ui->overwriteTagsCheckBox->isChecked();
}

void ImageSelectController::setOverwriteTags(bool overwrite)
{
    m_ui->overwriteTagsCheckBox->setChecked(overwrite);
}

void ImageSelectController::setCoverImageSize(int size)
{
    m_coverImageSize = size;
    // Any size beyond medium stands for large.
    m_ui->coverSizeChooser->setCurrentIndex(size == SmallCover || size == MediumCover ? size : LargeCover);
}

QStringList ImageSelectController::coverSizeLablesArray()
{
    return {platform::localized(QStringLiteral("smallCoverSize")),
            platform::localized(QStringLiteral("mediumCoverSize")),
            platform::localized(QStringLiteral("largeCoverSize"))};
}

void ImageSelectController::setSearchFieldText(const QString& text)
{
    LineField::showText(m_ui->tmdbSearchField, text);
    m_ui->tmdbSearchButton->setEnabled(!text.isNull() && !m_isLoadingFromTMDb);
}

void ImageSelectController::controlTextDidChange(const QString& text)
{
    m_ui->tmdbSearchButton->setEnabled(!text.isEmpty() && !m_isLoadingFromTMDb);
}
