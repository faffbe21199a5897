#pragma once

#include <QListView>

class ImageSelectController;

// The cover candidates of a search result as icons. A single click selects a
// candidate; a double click is handed to the delegate instead of the view.
class TMDbCollectionView : public QListView {
    Q_OBJECT
public:
    explicit TMDbCollectionView(QWidget* parent = nullptr);

    ImageSelectController* delegate() const { return m_delegate; }
    void setDelegate(ImageSelectController* delegate) { m_delegate = delegate; }

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    ImageSelectController* m_delegate = nullptr;
};
