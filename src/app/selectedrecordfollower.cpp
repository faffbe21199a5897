#include "app/selectedrecordfollower.h"

SelectedRecordFollower::SelectedRecordFollower(MovieList& list, const QString& key, Changed changed)
    : m_list(list), m_key(key), m_changed(std::move(changed))
{
    m_listTokens.push_back(
        m_list.addListener(QStringLiteral("selectionIndexes"), [this](const QString&) { followSelection(); }));
    // A rearrangement can put another record first among the same selected positions.
    m_listTokens.push_back(m_list.addListener(QStringLiteral("arrangedObjects"), [this](const QString&) {
        if (record() != m_followed.lock())
            followSelection();
    }));
    followSelection();
}

std::shared_ptr<MovieModel> SelectedRecordFollower::record() const
{
    const qsizetype index = m_list.selectionIndex();
    return index == MovieList::NotFound ? nullptr : m_list.arrangedObjects().at(index);
}

void SelectedRecordFollower::followSelection()
{
    m_recordToken.reset();
    const std::shared_ptr<MovieModel> followed = record();
    m_followed = followed;
    if (followed)
        m_recordToken = followed->addListener(m_key, [this, followed](const QString&) { m_changed(followed); });
    m_changed(followed);
}
