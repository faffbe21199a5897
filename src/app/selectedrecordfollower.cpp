#include "app/selectedrecordfollower.h"

SelectedRecordFollower::SelectedRecordFollower(MovieList& list, const QString& key, Changed changed)
    : m_list(list), m_key(key), m_changed(std::move(changed))
{
    m_selection = m_list.addListener(QStringLiteral("selectionIndexes"), [this](const QString&) { followSelection(); });
    followSelection();
}

std::shared_ptr<MovieModel> SelectedRecordFollower::record() const
{
    const qsizetype index = m_list.selectionIndex();
    return index == MovieList::NotFound ? nullptr : m_list.arrangedObjects().at(index);
}

void SelectedRecordFollower::followSelection()
{
    m_record.reset();
    const std::shared_ptr<MovieModel> followed = record();
    if (followed)
        m_record = followed->addListener(m_key, [this, followed](const QString&) { m_changed(followed); });
    m_changed(followed);
}
