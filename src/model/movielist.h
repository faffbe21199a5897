#pragma once

#include "model/moviemodel.h"
#include "model/observable.h"
#include "platform/notificationcenter.h"

#include <QList>
#include <QUrl>

#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

// The ordered records the application works on, with a selection and the
// four flags that enable its commands. The main window's table shows it; the
// loading and saving code uses it through this interface only.
//
// Observable keys: "arrangedObjects", "selectionIndexes" and the four flags
// "canTagMovies", "canTagOneMovie", "canSearchMovies", "isMovieSelected"
// (announced by elementsHaveChanged(), which runs on every "ElementsHaveChanged").
// A change notice of a selected record for its key K is passed on as
// "selection.K", so that the views of the selection follow the list alone
// (one listener each) instead of every selected record.
class MovieList : public Observable {
public:
    using Records = QList<std::shared_ptr<MovieModel>>;
    // Positions in the arranged records, ascending, each once.
    using IndexSet = QList<qsizetype>;
    using SortOrder = std::function<bool(const MovieModel& first, const MovieModel& second)>;
    // Stands for "no position".
    static constexpr qsizetype NotFound = std::numeric_limits<qint64>::max();

    // What the latest "arrangedObjects" notice stands for, so that a view can
    // follow it row by row instead of comparing the whole list.
    struct ArrangementChange {
        enum class Kind {
            Refreshed,  // same records in the same order; their fields may have changed
            Appended,   // records added at the end, from `first` on
            Removed,    // the records at `removed` (positions before the removal) are gone
            Reordered,  // anything else: read every row again
        };
        Kind kind = Kind::Refreshed;
        qsizetype first = 0;
        IndexSet removed;
    };

    MovieList();
    ~MovieList() override;

    // Every record in the order shown; a record added last comes last unless a sort order applies.
    const Records& arrangedObjects() const { return m_arranged; }
    IndexSet selectionIndexes() const { return m_selection; }
    // The first selected position, or NotFound.
    qsizetype selectionIndex() const;
    // The records at the selected positions, in list order.
    Records selectedObjects() const;

    void addObject(std::shared_ptr<MovieModel> movie);
    // The file URL of every arranged record that has one, in arranged order.
    QList<QUrl> filesInMovieList() const;
    // Selects exactly the given positions (those outside the list are dropped).
    void setSelectionIndexes(const IndexSet& indexes);
    // Removes the records at the given positions; the selection follows the records that stay.
    void removeObjectsAtArrangedObjectIndexes(const IndexSet& indexes);
    // Rearranges, selects `indexes` (the present selection when none) and announces the flags.
    void updateTableViewSelection(const std::optional<IndexSet>& indexes);
    // Announces the four flags anew (once, when it ends, while a BulkChange lasts).
    void elementsHaveChanged();

    // Holds the flags' announcements back while many records come or go at
    // once (a load, a removal): whoever follows them is told once, when the
    // outermost bulk change ends, and only when there was news.
    class BulkChange {
    public:
        explicit BulkChange(MovieList& list);
        ~BulkChange();
        BulkChange(const BulkChange&) = delete;
        BulkChange& operator=(const BulkChange&) = delete;

    private:
        MovieList& m_list;
    };

    // Applies `order` to the arranged records from the next rearrangement on;
    // an empty order keeps the order of addition.
    void setSortOrder(SortOrder order) { m_sortOrder = std::move(order); }
    // Sorts by the sort order (stable), keeping the selected records selected.
    void rearrangeObjects();

    // A selected record is ready to tag.
    bool canTagMovies() const;
    // Some record of the list is ready to tag.
    bool canTagOneMovie() const;
    // How many rows of the list hold a record ready to tag.
    qsizetype readyToTagCount() const { return m_readyCount; }
    bool canSearchMovies() const { return isMovieSelected(); }
    bool isMovieSelected() const { return !m_selection.isEmpty(); }

    // Valid while "arrangedObjects" is being announced; Refreshed otherwise.
    const ArrangementChange& lastArrangementChange() const { return m_change; }

    QVariant valueForKey(const QString& key) const override;

protected:
    // Runs after each announcement of the four flags, for a follower of all four at once.
    virtual void flagsAnnounced() {}

private:
    // A record of the list, followed so that the count of records ready to tag
    // stays right whatever changes its status: every change of it is announced,
    // by a setter, by the status update or at the end of a stretch of direct writes.
    struct Member {
        qsizetype occurrences = 0;
        bool ready = false;
        Observable::ListenerToken status;
    };

    static IndexSet normalized(IndexSet indexes, qsizetype count);
    void changeSelection(IndexSet selection);
    void announceArrangement(ArrangementChange change, const std::function<void()>& apply);
    void join(const std::shared_ptr<MovieModel>& movie);
    void leave(const MovieModel* movie);
    void recountReadiness(const MovieModel* movie);
    void followSelectedRecords();

    Records m_arranged;
    IndexSet m_selection;
    SortOrder m_sortOrder;
    ArrangementChange m_change;
    std::unordered_map<const MovieModel*, Member> m_members;
    std::vector<Observable::ListenerToken> m_selectedRecords;
    qsizetype m_readyCount = 0;
    int m_bulkChanges = 0;
    bool m_flagsHeldBack = false;
    platform::NotificationCenter::Token m_elementsChanged;
};
