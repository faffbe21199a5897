#pragma once

#include <QFrame>
#include <QImage>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include "platform/picture.h"

#include <functional>
#include <memory>
#include <optional>

class KorvalaneController;
class MovieModel;
class SelectedRecordFollower;
class QMimeData;

// The cover well of the main window: shows the selected record's cover (or
// the no-cover picture) and is the user's handle on covers. An image dropped
// or pasted becomes the cover of every selected record; a chapter file or an
// EyeTV recording dropped goes to every selected record; copy, cut and delete
// work on a real cover; the cover can be dragged out as a JPEG file named
// after the movie; a double click shows it in the cover window.
class CoverImageView : public QFrame {
    Q_OBJECT
public:
    // Widest a cover is shown in the cover window.
    static constexpr int kCoverWindowMaxWidth = 650;
    // Width of the picture that follows the pointer while dragging the cover.
    static constexpr int kDragImageWidth = 157;

    explicit CoverImageView(QWidget* parent = nullptr);
    ~CoverImageView() override;

    KorvalaneController* delegate() const { return m_delegate; }
    // Follows the delegate's selection from now on.
    void setDelegate(KorvalaneController* delegate);

    // The picture shown: the selected record's cover, or the placeholder.
    // The cover the well shows, and that cover as drawn at the well's size.
    platform::PicturePtr shownCover() const { return m_cover; }
    const QImage& shownImage() const;

    // Whether a drop offering `data` with `actions` would be taken: copy or nothing.
    Qt::DropAction draggingEntered(const QMimeData& data, Qt::DropActions actions) const;
    // Takes a drop; true when a cover was set.
    bool performDragOperation(const QMimeData& data);
    // A dropped chapter file or EyeTV recording, for every selected record.
    void dropFileOrCoverHasOcurred(const QUrl& url);

    // Writes the selected record's cover as "<movie file name>.jpg" into
    // `folder`; the written file's path, or none without a file, a real
    // cover or a successful write.
    std::optional<QString> namesOfPromisedFilesDroppedAtDestination(const QString& folder) const;
    // What a drag of the cover carries (the JPEG file's address and the
    // picture), or none when there is nothing to drag.
    std::unique_ptr<QMimeData> coverDragData();

    // The selected record's cover as the cover window shows it: at most 650 wide.
    static QImage coverForCoverWindow(const platform::Picture& cover);

public slots:
    void copy();
    void cut();
    void paste();
    void deleteCover();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::shared_ptr<MovieModel> selectedMovie() const;
    QList<std::shared_ptr<MovieModel>> selectedMovies() const;
    // The selected record when it has a real cover.
    std::shared_ptr<MovieModel> movieWithCover() const;
    void showCoverOf(const std::shared_ptr<MovieModel>& movie);
    QRect pictureArea() const;
    void startCoverDrag();
    // The edit command a key press stands for, if any.
    std::function<void()> editCommandFor(const QKeyEvent& key);

    KorvalaneController* m_delegate = nullptr;
    std::unique_ptr<SelectedRecordFollower> m_shownCover;
    platform::PicturePtr m_cover;
    // The cover decoded at the size it was last drawn, so a selection decodes
    // a few hundred pixels, not the whole poster.
    mutable QImage m_shown;
    mutable QSize m_shownSize;  // the size m_shown was asked at
    QPoint m_pressPosition;
    // Where dragged-out covers are written before the drop takes them.
    std::unique_ptr<QTemporaryDir> m_dragFolder;
};
