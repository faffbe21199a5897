#include "observable.h"

#include <optional>
#include <utility>
#include <vector>

struct Observable::ListenerToken::Registry {
    struct Entry {
        QString key;
        std::shared_ptr<Listener> listener;
    };
    std::map<quint64, Entry> entries;
    quint64 nextId = 1;
};

Observable::ListenerToken::ListenerToken(ListenerToken&& other) noexcept
    : m_registry(std::move(other.m_registry)), m_id(std::exchange(other.m_id, 0))
{
}

Observable::ListenerToken& Observable::ListenerToken::operator=(ListenerToken&& other) noexcept
{
    if (this != &other) {
        reset();
        m_registry = std::move(other.m_registry);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

Observable::ListenerToken::~ListenerToken()
{
    reset();
}

void Observable::ListenerToken::reset()
{
    if (m_id == 0)
        return;
    if (auto registry = m_registry.lock())
        registry->entries.erase(m_id);
    m_registry.reset();
    m_id = 0;
}

Observable::Observable() : m_registry(std::make_shared<ListenerToken::Registry>())
{
}

Observable::~Observable() = default;

Observable::ListenerToken Observable::addListener(const QString& key, Listener listener)
{
    const quint64 id = m_registry->nextId++;
    m_registry->entries.emplace(id,
                                ListenerToken::Registry::Entry{key, std::make_shared<Listener>(std::move(listener))});
    return ListenerToken(m_registry, id);
}

QVariant Observable::valueForKey(const QString&) const
{
    return {};
}

bool Observable::setValueForKey(const QString&, const QVariant&)
{
    return false;
}

void Observable::willChangeValueForKey(const QString& key)
{
    // The old value serves the change handler, and the derived keys' listeners when there are any.
    if (m_ownKeys.contains(key) || (hasListeners() && !keysDerivedFrom(key).isEmpty()))
        m_pendingOldValues[key].append(valueForKey(key));
}

void Observable::didChangeValueForKey(const QString& key)
{
    const bool own = m_ownKeys.contains(key);
    // A key neither watched nor followed for what derives from it (its will-change kept no old
    // value): its own listeners are all there is to tell.
    if (!own && !m_pendingOldValues.contains(key)) {
        tellListeners(key);
        return;
    }
    // Records made and filled before anyone follows them skip the derived keys altogether.
    const QStringList derived = hasListeners() ? keysDerivedFrom(key) : QStringList();
    const QVariant newValue = valueForKey(key);
    // A did-change without its will-change has no old value to offer: report no change.
    QVariant oldValue = newValue;
    auto pending = m_pendingOldValues.find(key);
    if (pending != m_pendingOldValues.end()) {
        oldValue = pending->takeLast();
        if (pending->isEmpty())
            m_pendingOldValues.erase(pending);
    }
    // What the change handler tells, the derived values it changes above all, is not told twice.
    std::optional<DirectWrites> change;
    if (!derived.isEmpty())
        change.emplace(*this, QStringList());
    if (own)
        observeValueForKeyPath(key, oldValue, newValue);
    tellListeners(key);
    if (change && oldValue != newValue)
        for (const QString& derivedKey : derived)
            if (!change->m_told.contains(derivedKey))
                tellListeners(derivedKey);
}

void Observable::startObservingOwnKeys(const QStringList& keys)
{
    for (const QString& key : keys)
        m_ownKeys.insert(key);
}

void Observable::stopObservingOwnKeys()
{
    m_ownKeys.clear();
    m_pendingOldValues.clear();
}

void Observable::observeValueForKeyPath(const QString&, const QVariant&, const QVariant&)
{
}

QStringList Observable::keysDerivedFrom(const QString&) const
{
    return {};
}

Observable::DirectWrites::DirectWrites(Observable& object, const QStringList& keys)
    : m_object(object), m_outer(object.m_directWrites)
{
    // Nobody to tell, nothing to compare: making and filling records stays cheap.
    if (m_object.hasListeners()) {
        m_before.reserve(keys.size());
        for (const QString& key : keys)
            m_before.append({key, m_object.valueForKey(key)});
    }
    m_object.m_directWrites = this;
}

Observable::DirectWrites::~DirectWrites()
{
    QStringList changed;
    for (const auto& [key, before] : m_before) {
        if (m_object.valueForKey(key) != before && !m_told.contains(key))
            changed << key;
    }
    QStringList derived;
    for (const QString& key : changed)
        for (const QString& derivedKey : m_object.keysDerivedFrom(key))
            if (!m_told.contains(derivedKey) && !derived.contains(derivedKey))
                derived << derivedKey;
    // The keys told from here on belong to the stretch around this one.
    m_object.m_directWrites = m_outer;
    for (const QString& key : changed + derived)
        m_object.tellListeners(key);
    if (m_outer)
        m_outer->m_told.unite(m_told);
}

bool Observable::hasListeners() const
{
    return !m_registry->entries.empty();
}

void Observable::tellListeners(const QString& key)
{
    if (m_directWrites)
        m_directWrites->m_told.insert(key);
    // Listeners may add or remove listeners while being told: work on a snapshot,
    // and skip those removed meanwhile.
    std::vector<std::pair<quint64, std::weak_ptr<Listener>>> snapshot;
    for (const auto& [id, entry] : m_registry->entries)
        if (entry.key.isEmpty() || entry.key == key)
            snapshot.emplace_back(id, entry.listener);
    const std::weak_ptr<ListenerToken::Registry> registry = m_registry;
    for (const auto& [id, weakListener] : snapshot) {
        auto alive = registry.lock();
        if (!alive || !alive->entries.contains(id))
            continue;
        if (auto listener = weakListener.lock())
            (*listener)(key);
    }
}

void notifyValueChanged(Observable& object, const QString& key)
{
    object.willChangeValueForKey(key);
    object.didChangeValueForKey(key);
}

void notifyValueChanged(Observable* object, const QString& key)
{
    if (object)
        notifyValueChanged(*object, key);
}
