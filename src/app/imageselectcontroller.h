#pragma once

#include "model/moviemodel.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <memory>

class KorvalaneController;
class SelectedRecordFollower;
class QMouseEvent;
class QStandardItemModel;

namespace Ui {
class ImageSelectView;
class CoverWindow;
}  // namespace Ui

// The search view of the main window: the user searches the movie database
// by hand, browses the hits (page 0), the information of the loaded result
// (page 1) and its cover candidates (page 2), and copies the result with the
// chosen cover into the selected record. It also owns the cover window, a
// panel that shows one cover large.
//
// A lookup only attaches a copy of its result to the selected record; the
// record's fields change only through copyTmdbInfo().
class ImageSelectController : public QWidget {
    Q_OBJECT
public:
    enum Page { HitsPage = 0, InformationPage = 1, CoversPage = 2 };
    enum CoverSize { SmallCover = 0, MediumCover = 1, LargeCover = 2 };

    explicit ImageSelectController(KorvalaneController& korvalaneController, QWidget* parent = nullptr);
    ~ImageSelectController() override;

    // One lookup of `text` (a movie database id when `searchStringIsId`) in
    // the controller's language and country; true when a result came back.
    // An empty text, or a lookup already running, starts nothing.
    bool loadTMDb(const QString& text, bool searchStringIsId, bool loadCovers);

    // Shows `movie` (a search result, or none) with its candidates and hits.
    void updateSearchDrawer(const std::shared_ptr<MovieModel>& movie);

    // Shows the covers page when `result` has cover candidates, else its
    // information page, and draws it at once (the batch search shows each
    // result found this way).
    void showResultPage(const MovieModel& result);
    // Back to the hit list (the batch search ends there).
    void showHitsPage();

    // Puts `image` into the cover window at `size` (the window keeps its
    // place) and shows the window.
    void showInCoverWindow(const QImage& image, QSize size);

    const std::shared_ptr<MovieModel>& movie() const { return m_movie; }
    const ImageModelList& imageModelArray() const { return m_imageModelArray; }
    const SearchItemList& searchResultArray() const { return m_searchResultArray; }
    bool overwriteTags() const;
    void setOverwriteTags(bool overwrite);
    bool canCopyTags() const { return m_canCopyTags; }
    bool isLoadingFromTMDb() const { return m_isLoadingFromTMDb; }
    // 0 small, 1 medium, anything else large.
    int coverImageSize() const { return m_coverImageSize; }
    void setCoverImageSize(int size);
    static QStringList coverSizeLablesArray();

    // The field the main window fills with the selected record's title; a
    // null text (no record) disables the search button, any other enables it.
    void setSearchFieldText(const QString& text);

    // The view's widgets (the search field, the page tabs, ...) and the cover window's.
    Ui::ImageSelectView& ui() const { return *m_ui; }
    QWidget* coverWindow() const { return m_coverWindow; }
    Ui::CoverWindow& coverUi() const { return *m_coverUi; }

public slots:
    void queryTmDB();
    void loadTMDbByDoubleClick(const QModelIndex& clicked);
    void reloadTMDbCovers();
    void copyTmdbInfo();
    void cancelSearchRequest();
    void openTMDbWebSite();
    void doubleClickImage(QMouseEvent* event = nullptr);
    // The user edited the search field.
    void controlTextDidChange(const QString& text);

signals:
    // `movie` changed.
    void movieChanged();

private:
    void setUpForm();
    void setUpCoverWindow();
    void connectControls();
    void setLoading(bool loading);
    void showNotFound();
    void fillHitTable();
    void fillCandidates();
    void setCanCopyTags(bool canCopy);
    void selectHitRow(int row);
    // The hit at a row of the table, or none for a row outside the list.
    std::shared_ptr<MovieSearchItemModel> hitAt(int row) const;
    int selectedHitRow() const;
    std::shared_ptr<ImageModel> selectedCandidate() const;
    // The address of `candidate` at the chosen cover size.
    QUrl chosenCoverUrl(const ImageModel& candidate) const;
    // Whether lookups load cover candidates.
    static bool loadsCovers();
    // Hands the result to the selected record: its facts in, its copy attached.
    void attachToSelectedRecord(const std::shared_ptr<MovieModel>& result);

    KorvalaneController& m_korvalaneController;
    std::unique_ptr<Ui::ImageSelectView> m_ui;
    // The search field shows the selected record's title.
    std::unique_ptr<SelectedRecordFollower> m_selectedTitle;
    std::unique_ptr<Ui::CoverWindow> m_coverUi;
    QPointer<QWidget> m_coverWindow;
    QStandardItemModel* m_hitModel = nullptr;
    QStandardItemModel* m_candidateModel = nullptr;

    std::shared_ptr<MovieModel> m_movie;
    ImageModelList m_imageModelArray;
    SearchItemList m_searchResultArray;
    bool m_canCopyTags = false;
    bool m_isLoadingFromTMDb = false;
    int m_coverImageSize = LargeCover;
};
