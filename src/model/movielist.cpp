#include "model/movielist.h"

#include <algorithm>

namespace {

const QString kArrangedObjects = QStringLiteral("arrangedObjects");
const QString kSelectionIndexes = QStringLiteral("selectionIndexes");

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
    for (qsizetype index : m_selection)
        selected << m_arranged.at(index);
    return selected;
}

void MovieList::addObject(std::shared_ptr<MovieModel> movie)
{
    if (!movie)
        return;
    willChangeValueForKey(kArrangedObjects);
    m_arranged << std::move(movie);
    didChangeValueForKey(kArrangedObjects);
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
    didChangeValueForKey(kSelectionIndexes);
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
    const Records selected = selectedObjects();
    willChangeValueForKey(kArrangedObjects);
    for (auto it = removed.crbegin(); it != removed.crend(); ++it)
        m_arranged.removeAt(*it);
    didChangeValueForKey(kArrangedObjects);

    IndexSet stillSelected;
    for (const auto& movie : selected) {
        const qsizetype index = m_arranged.indexOf(movie);
        if (index >= 0)
            stillSelected << index;
    }
    changeSelection(normalized(stillSelected, m_arranged.size()));
}

void MovieList::rearrangeObjects()
{
    if (!m_sortOrder)
        return;
    const Records selected = selectedObjects();
    willChangeValueForKey(kArrangedObjects);
    std::stable_sort(m_arranged.begin(), m_arranged.end(),
                     [this](const auto& first, const auto& second) { return m_sortOrder(*first, *second); });
    didChangeValueForKey(kArrangedObjects);
    IndexSet selection;
    for (const auto& movie : selected)
        selection << m_arranged.indexOf(movie);
    changeSelection(normalized(selection, m_arranged.size()));
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
    for (const char* key : {"canTagMovies", "canTagOneMovie", "canSearchMovies", "isMovieSelected"})
        notifyValueChanged(*this, QString::fromLatin1(key));
}

bool MovieList::canTagMovies() const
{
    return std::any_of(m_selection.cbegin(), m_selection.cend(), [this](qsizetype index) {
        return m_arranged.at(index)->status() == MovieModel::kStatusReadyToTag;
    });
}

bool MovieList::canTagOneMovie() const
{
    return std::any_of(m_arranged.cbegin(), m_arranged.cend(),
                       [](const auto& movie) { return movie->status() == MovieModel::kStatusReadyToTag; });
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
