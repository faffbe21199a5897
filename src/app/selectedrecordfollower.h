#pragma once

#include "model/movielist.h"
#include "model/observable.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

// Follows one key of the first selected record of a movie list: tells when
// the selection or the arrangement moves to another record and when that
// record announces the key, so a view can show the value. Stops when destroyed.
class SelectedRecordFollower {
public:
    // `changed` receives the record now followed (null when none is selected).
    using Changed = std::function<void(const std::shared_ptr<MovieModel>& record)>;

    SelectedRecordFollower(MovieList& list, const QString& key, Changed changed);

    std::shared_ptr<MovieModel> record() const;

private:
    void followSelection();

    MovieList& m_list;
    QString m_key;
    Changed m_changed;
    std::vector<Observable::ListenerToken> m_listTokens;
    std::weak_ptr<MovieModel> m_followed;
    Observable::ListenerToken m_recordToken;
};
