#include "app/tipwindowcontroller.h"

#include "app/localizedform.h"
#include "platform/localized.h"
#include "platform/settings.h"

#include "ui_tipwindowcontroller.h"

#include <QFile>
#include <QScrollBar>
#include <QStyle>
#include <QTextBrowser>
#include <QTextCharFormat>
#include <QTextCursor>

#include <array>

namespace {

// Everything that tells the three kinds apart.
struct KindRow {
    QStringList pages;
    QString lastItemKey;
    QString showAgainKey;
    QString titleKey;
    bool lampIcon;                     // else the caution sign
    bool paging;                       // next and previous buttons shown
    std::optional<QSize> defaultSize;  // none: the window's minimum size
};

const std::array<KindRow, 3>& kinds()
{
    static const std::array<KindRow, 3> table{{
        {{"tip_intro", "tip_automation", "tip_coverwindow", "tip_information", "tip_renaming", "tip_chapters",
          "tip_subtitles", "tip_itunesimport", "tip_extracttitle", "tip_genre", "tip_copy", "tip_eyetv", "tip_plex",
          "tip_help"},
         "LastDisplayedTip",
         "DontShowTipsAtStartup",
         "windowTitleTip",
         true,
         true,
         QSize(550, 350)},
        {{"warn_dontoverwrite"},
         "LastDisplayedWarning",
         "DontShowWarningsAtStartup",
         "windowTitleWarning",
         false,
         false,
         std::nullopt},
        {{"new_v2.5.0", "new_v2.3.1", "new_v2.3.0", "new_v2.2.4", "new_v2.2.3"},
         "LastDisplayedNews",
         "DontShowNewsAtStartup_2_5_0",
         "windowTitleWhatsNew",
         true,
         true,
         QSize(850, 350)},
    }};
    return table;
}

bool isKnownKind(int type)
{
    return type >= 0 && type < int(kinds().size());
}

// Any type the table does not know is the tips.
const KindRow& kindOf(int type)
{
    return kinds()[isKnownKind(type) ? type : TipWindowController::Tips];
}

platform::Settings& settings()
{
    return platform::Settings::shared();
}

}  // namespace

TipWindowController::TipWindowController(QWidget* parent, int type)
    : QDialog(parent, Qt::Tool), m_ui(std::make_unique<Ui::TipWindowController>())
{
    m_ui->setupUi(this);
    localizeForm(this);
    // Kept as given: an unknown kind behaves as the tips but takes the minimum size.
    m_dialogType = type;
    adjustToDefaultSize(parent);
    setUpKind();
    connect(m_ui->nextButton, &QPushButton::clicked, this, &TipWindowController::next);
    connect(m_ui->prevoiusButton, &QPushButton::clicked, this, &TipWindowController::previous);
    connect(m_ui->dontShowAgainButton, &QCheckBox::clicked, this, &TipWindowController::dontShowAgain);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &QDialog::close);
    m_ui->dontShowAgainButton->setChecked(settings().boolValue(m_userDefaultsShowAgainKey));
    loadCurrentMessage();
}

TipWindowController::~TipWindowController() = default;

void TipWindowController::setUpKind()
{
    const KindRow& kind = kindOf(m_dialogType);
    m_ui->nextButton->setVisible(kind.paging);
    m_ui->prevoiusButton->setVisible(kind.paging);
    m_ui->iconImageView->setPixmap(kind.lampIcon ? QPixmap(QStringLiteral(":/images/tip_lamp.png"))
                                                 : style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(64, 64));
    setWindowTitle(platform::localized(kind.titleKey));
    m_contents = kind.pages;
    m_userDefaultsLastItemKey = kind.lastItemKey;
    m_userDefaultsShowAgainKey = kind.showAgainKey;
    if (m_dialogType == WhatsNew) {
        // The what's-new window always opens on its newest page.
        settings().setValue(m_userDefaultsLastItemKey, 0);
        settings().synchronize();
    }
}

const QStringList& TipWindowController::pageKeys(int type)
{
    return kindOf(type).pages;
}

std::optional<QString> TipWindowController::pageText(const QString& pageKey)
{
    QFile page(":/tips/" + platform::localizationLanguage() + "/" + pageKey + ".html");
    if (!page.open(QIODevice::ReadOnly))
        return std::nullopt;
    return QString::fromUtf8(page.readAll());
}

QRect TipWindowController::defaultFrame(int type, QSize minimumSize, std::optional<QRect> parentFrame)
{
    const QSize size = (isKnownKind(type) ? kindOf(type).defaultSize : std::nullopt).value_or(minimumSize);
    // Exact halves as the frame arithmetic has them: 100 + 1000/2 - 850/2 = 175.
    const QPoint centre =
        parentFrame ? QPoint(parentFrame->x() + parentFrame->width() / 2, parentFrame->y() + parentFrame->height() / 2)
                    : QPoint(0, 0);
    return {QPoint(centre.x() - size.width() / 2, centre.y() - size.height() / 2), size};
}

void TipWindowController::adjustToDefaultSize(QWidget* parent)
{
    const std::optional<QRect> parentFrame =
        parent ? std::optional<QRect>(parent->window()->frameGeometry()) : std::nullopt;
    const QRect frame = defaultFrame(m_dialogType, minimumSize(), parentFrame);
    resize(frame.size());
    move(frame.topLeft());
    update();
}

qint64 TipWindowController::storedIndex() const
{
    return settings().integerValue(m_userDefaultsLastItemKey);
}

void TipWindowController::loadCurrentMessage()
{
    const qint64 index = storedIndex();
    if (index < 0 || index >= m_contents.size())
        return;
    const std::optional<QString> text = pageText(m_contents[index]);
    if (!text)
        return;
    QTextBrowser* view = m_ui->tipTextView;
    view->setHtml(*text);
    // The pages name no colours; this keeps them readable on dark themes as well.
    QTextCursor whole(view->document());
    whole.select(QTextCursor::Document);
    QTextCharFormat colour;
    colour.setForeground(palette().color(QPalette::Text));
    whole.mergeCharFormat(colour);
    view->moveCursor(QTextCursor::Start);
    view->verticalScrollBar()->setValue(0);
}

void TipWindowController::showIndex(qint64 index)
{
    settings().setValue(m_userDefaultsLastItemKey, index);
    settings().synchronize();
    loadCurrentMessage();
}

void TipWindowController::next()
{
    const qint64 index = storedIndex() + 1;
    // A negative index counts as past the end too, so paging starts over at 0.
    showIndex(index < 0 || index > m_contents.size() - 1 ? 0 : index);
}

void TipWindowController::previous()
{
    const qint64 index = storedIndex();
    const qint64 last = m_contents.size() - 1;
    // An index stored past the end also comes back to the last page at once.
    showIndex(index > 0 && index <= last ? index - 1 : last);
}

void TipWindowController::dontShowAgain()
{
    platform::Settings& store = settings();
    store.setValue(m_userDefaultsShowAgainKey, !store.boolValue(m_userDefaultsShowAgainKey));
    store.synchronize();
}

QTextBrowser* TipWindowController::tipTextView() const
{
    return m_ui->tipTextView;
}

QPushButton* TipWindowController::nextButton() const
{
    return m_ui->nextButton;
}

QPushButton* TipWindowController::prevoiusButton() const
{
    return m_ui->prevoiusButton;
}

QCheckBox* TipWindowController::dontShowAgainButton() const
{
    return m_ui->dontShowAgainButton;
}

QLabel* TipWindowController::iconImageView() const
{
    return m_ui->iconImageView;
}
