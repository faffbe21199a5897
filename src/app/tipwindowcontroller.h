#pragma once

#include <QDialog>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QCheckBox;
class QLabel;
class QPushButton;
class QTextBrowser;

namespace Ui {
class TipWindowController;
}

// A small floating window of short pages in one of three kinds: the tips
// (one more each start), the warning about overwriting tags, and what is new.
// The window remembers in the settings the page shown last and whether the
// user wants the kind at start. Closing a warning or what's-new window that
// runs modally (exec()) ends its modal run; the tips window is shown modeless.
class TipWindowController : public QDialog {
    Q_OBJECT
public:
    enum Kind : int { Tips = 0, Warning = 1, WhatsNew = 2 };

    // Any `type` other than Warning and WhatsNew is a tips window. The window
    // takes its default size centred over `parent` (a Qt parent as well, so it
    // stays above it). Making a what's-new window turns it to its newest page.
    TipWindowController(QWidget* parent, int type);
    ~TipWindowController() override;

    // The page keys of a kind, in their order.
    static const QStringList& pageKeys(int type);
    // The page's HTML in the language of the string tables; nullopt when
    // there is no such page.
    static std::optional<QString> pageText(const QString& pageKey);
    // The frame of a kind's window: its default size (the minimum size for
    // the warning and for an unknown type) centred on the centre of
    // `parentFrame`, or on 0,0 without one.
    static QRect defaultFrame(int type, QSize minimumSize, std::optional<QRect> parentFrame);

    int dialogType() const { return m_dialogType; }
    const QStringList& contents() const { return m_contents; }
    const QString& userDefaultsLastItemKey() const { return m_userDefaultsLastItemKey; }
    const QString& userDefaultsShowAgainKey() const { return m_userDefaultsShowAgainKey; }

    void adjustToDefaultSize(QWidget* parent);
    // Shows the page of the stored index; an index outside the list, or a
    // page without text, leaves the view as it is.
    void loadCurrentMessage();

    QTextBrowser* tipTextView() const;
    QPushButton* nextButton() const;
    QPushButton* prevoiusButton() const;
    QCheckBox* dontShowAgainButton() const;
    QLabel* iconImageView() const;

public slots:
    void next();
    void previous();
    // Flips the stored don't-show-at-start choice (the check box's own state is not read).
    void dontShowAgain();

private:
    void setUpKind();
    void showIndex(qint64 index);
    qint64 storedIndex() const;

    std::unique_ptr<Ui::TipWindowController> m_ui;
    int m_dialogType = Tips;
    QStringList m_contents;
    QString m_userDefaultsLastItemKey;
    QString m_userDefaultsShowAgainKey;
};
