#include "app/statusnews.h"

#include "platform/localized.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QStatusBar>

namespace {

// A line that asks for no width of its own (a long sentence must not widen
// the window) and ends in "…" where it does not fit.
class ElidedLine : public QLabel {
public:
    explicit ElidedLine(QWidget* parent) : QLabel(parent)
    {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        setTextFormat(Qt::PlainText);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect room = contentsRect();
        painter.drawText(room, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(text(), Qt::ElideRight, room.width()));
    }
};

}  // namespace

StatusNews::StatusNews(QMainWindow& window) : QObject(&window), m_label(new ElidedLine(window.statusBar()))
{
    // A widget of the bar, not its message: the message is what a menu's
    // status tips replace, and an empty tip would wipe the news.
    m_label->setObjectName(QStringLiteral("statusNews"));
    window.statusBar()->addWidget(m_label, 1);
}

void StatusNews::clearOnEach(const QList<QAction*>& actions)
{
    for (QAction* action : actions)
        connect(action, &QAction::triggered, this, &StatusNews::clear);
}

void StatusNews::tell(const QString& key, const QStringList& arguments, const QStringList& details)
{
    clear();
    add(key, arguments, details);
}

void StatusNews::tellWhile(Observable& subject, const QString& subjectKey, std::function<bool()> holds,
                           const QString& key, const QStringList& arguments)
{
    tell(key, arguments);
    // The subject tells nothing once it is gone, so `holds` may read it.
    m_cause = subject.addListener(subjectKey, [this, holds = std::move(holds)](const QString&) {
        if (!holds())
            clear();
    });
}

void StatusNews::add(const QString& key, const QStringList& arguments, const QStringList& details)
{
    const QString sentence = platform::localized(key, arguments);
    m_label->setText(m_label->text().isEmpty() ? sentence : m_label->text() + u' ' + sentence);
    m_details += details;
    // The whole news, should the bar be too narrow for it, and the names it counts.
    m_label->setToolTip((QStringList{m_label->text()} + m_details).join(QLatin1Char('\n')));
}

void StatusNews::clear()
{
    m_cause.reset();
    m_details.clear();
    m_label->clear();
    m_label->setToolTip(QString());
}

QString StatusNews::text() const
{
    return m_label->text();
}
