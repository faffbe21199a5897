#include "notificationcenter.h"

#include <utility>
#include <vector>

namespace platform {

NotificationCenter::Token::~Token()
{
    reset();
}

NotificationCenter::Token& NotificationCenter::Token::operator=(Token&& other) noexcept
{
    if (this != &other) {
        reset();
        m_center = std::move(other.m_center);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

void NotificationCenter::Token::reset()
{
    if (m_id == 0)
        return;
    if (auto center = m_center.lock())
        (*center)->removeObserver(m_id);
    m_id = 0;
}

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

NotificationCenter::NotificationCenter() : m_self(std::make_shared<NotificationCenter*>(this))
{
}

NotificationCenter::~NotificationCenter() = default;

NotificationCenter::Token NotificationCenter::addObserver(const QString& name, Callback callback, const void* sender)
{
    const quint64 id = m_nextId++;
    m_observers.emplace(id, Observer{name, sender, std::make_shared<Callback>(std::move(callback))});
    return Token(m_self, id);
}

void NotificationCenter::removeObserver(quint64 id)
{
    m_observers.erase(id);
}

void NotificationCenter::post(const QString& name, const void* sender)
{
    // Snapshot first: a callback may add or remove observers while we deliver.
    std::vector<std::pair<quint64, std::shared_ptr<Callback>>> targets;
    for (const auto& [id, observer] : m_observers)
        if (observer.name == name && (observer.sender == nullptr || observer.sender == sender))
            targets.emplace_back(id, observer.callback);
    for (const auto& [id, callback] : targets)
        if (m_observers.contains(id))
            (*callback)(name, sender);
}

}  // namespace platform
