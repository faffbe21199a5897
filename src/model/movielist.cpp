#include "model/movielist.h"

#include <algorithm>
#include <utility>

namespace {

const QString kArrangedObjects = QStringLiteral("arrangedObjects");
const QString kSelectionIndexes = QStringLiteral("selectionIndexes");
const QString kStatus = QStringLiteral("status");

bool isReady(const MovieModel& movie)
{
    return movie.status() == MovieModel::kStatusReadyToTag;
}

}  // namespace

MovieList::MovieList()
{
    m_elementsChanged = platform::NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("ElementsHaveChanged"), [this](const QString&, const void*) { elementsHaveChanged(); });
}

MovieList::~MovieList() = default;

qsizetype MovieList::selectionIndex() const
{
    return m_selection.isEmpty() ? NotFound : m_selection.first();
}

MovieList::Records MovieList::selectedObjects() const
{
    Records selected;
    selected.reserve(m_selection.size());
    for (qsizetype index : m_selection)
        selected << m_arranged.at(index);
    return selected;
}

void MovieList::announceArrangement(ArrangementChange change, const std::function<void()>& apply)
{
    m_change = std::move(change);
    willChangeValueForKey(kArrangedObjects);
    apply();
    didChangeValueForKey(kArrangedObjects);
    // A notice that someone else sends (records changed behind their setters) is a refresh.
    m_change = ArrangementChange{};
}

void MovieList::join(const std::shared_ptr<MovieModel>& movie)
{
    Member& member = m_members[movie.get()];
    if (member.occurrences++ == 0) {
        member.ready = isReady(*movie);
        const MovieModel* record = movie.get();
        member.status = movie->addListener(kStatus, [this, record](const QString&) { recountReadiness(record); });
    }
    if (member.ready)
        ++m_readyCount;
}

void MovieList::leave(const MovieModel* movie)
{
    const auto found = m_members.find(movie);
    if (found == m_members.end())
        return;
    if (found->second.ready)
        --m_readyCount;
    if (--found->second.occurrences == 0)
        m_members.erase(found);
}

void MovieList::recountReadiness(const MovieModel* movie)
{
    const auto found = m_members.find(movie);
    if (found == m_members.end())
        return;
    Member& member = found->second;
    const bool ready = isReady(*movie);
    if (ready != member.ready)
        m_readyCount += (ready ? 1 : -1) * member.occurrences;
    member.ready = ready;
}

void MovieList::addObject(std::shared_ptr<MovieModel> movie)
{
    if (!movie)
        return;
    join(movie);
    announceArrangement({ArrangementChange::Kind::Appended, m_arranged.size(), {}},
                        [this, &movie] { m_arranged << std::move(movie); });
}

QList<QUrl> MovieList::filesInMovieList() const
{
    QList<QUrl> files;
    for (const auto& movie : m_arranged) {
        if (!movie->fileUrl().isEmpty())
            files << movie->fileUrl();
    }
    return files;
}

MovieList::IndexSet MovieList::normalized(IndexSet indexes, qsizetype count)
{
    indexes.removeIf([count](qsizetype index) { return index < 0 || index >= count; });
    if (!std::is_sorted(indexes.begin(), indexes.end()))
        std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    return indexes;
}

void MovieList::changeSelection(IndexSet selection)
{
    if (selection == m_selection)
        return;
    willChangeValueForKey(kSelectionIndexes);
    m_selection = std::move(selection);
    followSelectedRecords();
    didChangeValueForKey(kSelectionIndexes);
}

void MovieList::followSelectedRecords()
{
    m_selectedRecords.clear();
    m_selectedRecords.reserve(static_cast<std::size_t>(m_selection.size()));
    for (qsizetype index : m_selection)
        m_selectedRecords.push_back(m_arranged.at(index)->addListener(
            QString(), [this](const QString& key) { notifyValueChanged(*this, QStringLiteral("selection.") + key); }));
}

void MovieList::setSelectionIndexes(const IndexSet& indexes)
{
    changeSelection(normalized(indexes, m_arranged.size()));
}

void MovieList::removeObjectsAtArrangedObjectIndexes(const IndexSet& indexes)
{
    const IndexSet removed = normalized(indexes, m_arranged.size());
    if (removed.isEmpty())
        return;
    for (qsizetype index : removed)
        leave(m_arranged.at(index).get());
    announceArrangement({ArrangementChange::Kind::Removed, removed.first(), removed}, [this, &removed] {
        // One pass that closes the gaps, however many records go.
        qsizetype kept = removed.first();
        auto gone = removed.cbegin();
        for (qsizetype index = removed.first(); index < m_arranged.size(); ++index) {
            if (gone != removed.cend() && *gone == index) {
                ++gone;
                continue;
            }
            m_arranged[kept++] = std::move(m_arranged[index]);
        }
        m_arranged.resize(kept);
    });

    // The selected records that stay move up by the number removed in front of them.
    IndexSet stillSelected;
    auto gone = removed.cbegin();
    for (qsizetype index : m_selection) {
        while (gone != removed.cend() && *gone < index)
            ++gone;
        if (gone != removed.cend() && *gone == index)
            continue;
        stillSelected << index - (gone - removed.cbegin());
    }
    changeSelection(std::move(stillSelected));
}

void MovieList::rearrangeObjects()
{
    if (!m_sortOrder)
        return;
    std::unordered_map<const MovieModel*, qsizetype> selected;
    for (qsizetype index : m_selection)
        ++selected[m_arranged.at(index).get()];
    const auto inOrder = [this](const auto& first, const auto& second) { return m_sortOrder(*first, *second); };
    // Already in order (the usual case): the rows stay, only their contents are read again.
    const auto kind = std::is_sorted(m_arranged.cbegin(), m_arranged.cend(), inOrder)
                          ? ArrangementChange::Kind::Refreshed
                          : ArrangementChange::Kind::Reordered;
    announceArrangement({kind, 0, {}},
                        [this, &inOrder] { std::stable_sort(m_arranged.begin(), m_arranged.end(), inOrder); });
    IndexSet selection;
    for (qsizetype index = 0; index < m_arranged.size(); ++index) {
        const auto found = selected.find(m_arranged.at(index).get());
        if (found != selected.end() && found->second > 0) {
            --found->second;
            selection << index;
        }
    }
    changeSelection(std::move(selection));
}

void MovieList::updateTableViewSelection(const std::optional<IndexSet>& indexes)
{
    // Positions given by the caller refer to the rearranged order.
    rearrangeObjects();
    setSelectionIndexes(indexes.value_or(m_selection));
    elementsHaveChanged();
}

void MovieList::elementsHaveChanged()
{
    if (m_bulkChanges > 0) {
        m_flagsHeldBack = true;
        return;
    }
    for (const char* key : {"canTagMovies", "canTagOneMovie", "canSearchMovies", "isMovieSelected"})
        notifyValueChanged(*this, QString::fromLatin1(key));
    flagsAnnounced();
}

MovieList::BulkChange::BulkChange(MovieList& list) : m_list(list)
{
    ++m_list.m_bulkChanges;
}

MovieList::BulkChange::~BulkChange()
{
    if (--m_list.m_bulkChanges > 0 || !std::exchange(m_list.m_flagsHeldBack, false))
        return;
    m_list.elementsHaveChanged();
}

bool MovieList::canTagMovies() const
{
    return std::any_of(m_selection.cbegin(), m_selection.cend(),
                       [this](qsizetype index) { return isReady(*m_arranged.at(index)); });
}

bool MovieList::canTagOneMovie() const
{
    return m_readyCount > 0;
}

QVariant MovieList::valueForKey(const QString& key) const
{
    if (key == u"canTagMovies")
        return canTagMovies();
    if (key == u"canTagOneMovie")
        return canTagOneMovie();
    if (key == u"canSearchMovies")
        return canSearchMovies();
    if (key == u"isMovieSelected")
        return isMovieSelected();
    if (key == u"selectionIndex")
        return selectionIndex();
    return Observable::valueForKey(key);
}
