#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QVariant>

#include <functional>
#include <map>
#include <memory>

// Key-value observation for the model objects.
//
// A change of a key is announced by a will-change / did-change pair. The
// object itself may watch some of its own keys: for those, the old value is
// taken at will-change and observeValueForKeyPath() runs at did-change with
// the old and the new value (an absent value is an invalid QVariant). After
// that, every listener registered for the key (or for every key) is told, so
// that the user interface can read the value again.
//
// A key may have derived keys (keysDerivedFrom(), one table for both ways of
// writing): a change announced by a setter that really changed the value
// tells their listeners too, after the key's own.
//
// A direct write to a field runs no change handler. The object still tells
// the field's listeners, and those of its derived keys, when a stretch of
// direct writes ends (DirectWrites), so that every view follows every
// change, whoever made it.
class Observable {
public:
    // Told after a key changed; reads the new value itself through valueForKey().
    using Listener = std::function<void(const QString& key)>;

    // Unregisters its listener when destroyed; outliving the object is harmless.
    class ListenerToken {
    public:
        ListenerToken() = default;
        ListenerToken(ListenerToken&& other) noexcept;
        ListenerToken& operator=(ListenerToken&& other) noexcept;
        ~ListenerToken();
        void reset();
        bool isActive() const { return m_id != 0; }

    private:
        friend class Observable;
        struct Registry;
        ListenerToken(std::weak_ptr<Registry> registry, quint64 id) : m_registry(std::move(registry)), m_id(id) {}
        std::weak_ptr<Registry> m_registry;
        quint64 m_id = 0;
    };

    Observable();
    virtual ~Observable();
    Observable(const Observable&) = delete;
    Observable& operator=(const Observable&) = delete;

    // An empty `key` listens to every key.
    [[nodiscard]] ListenerToken addListener(const QString& key, Listener listener);

    // The value under `key` (stored or derived); invalid for an unknown or absent value.
    virtual QVariant valueForKey(const QString& key) const;
    // Sets a stored key as its setter would; false for an unknown or read-only key.
    virtual bool setValueForKey(const QString& key, const QVariant& value);

    void willChangeValueForKey(const QString& key);
    void didChangeValueForKey(const QString& key);

protected:
    // Watches some keys over a stretch of direct writes. When it ends, the
    // listeners of every watched key whose value changed are told, and those
    // of the keys derived from it, as a key-value observer of the field would
    // see it; the object's own change handler does not run. A key announced
    // meanwhile (by a setter, or a stretch nested inside) is not told again.
    class DirectWrites {
    public:
        DirectWrites(Observable& object, const QStringList& keys);
        ~DirectWrites();
        DirectWrites(const DirectWrites&) = delete;
        DirectWrites& operator=(const DirectWrites&) = delete;

    private:
        friend class Observable;
        Observable& m_object;
        DirectWrites* m_outer;
        // Values before the writes; empty when nobody listened at the start.
        QList<std::pair<QString, QVariant>> m_before;
        QSet<QString> m_told;
    };

    // The derived keys whose values change with `key`; none by default. Both
    // a setter's change and a stretch of direct writes tell them.
    virtual QStringList keysDerivedFrom(const QString& key) const;

    // The keys whose changes run observeValueForKeyPath(); none by default.
    void startObservingOwnKeys(const QStringList& keys);
    void stopObservingOwnKeys();

    // The object's own change handler.
    virtual void observeValueForKeyPath(const QString& key, const QVariant& oldValue, const QVariant& newValue);

private:
    void tellListeners(const QString& key);
    bool hasListeners() const;

    QSet<QString> m_ownKeys;
    // The innermost stretch of direct writes under way.
    DirectWrites* m_directWrites = nullptr;
    // Old values taken at will-change, per key; nested announcements of one key stack up.
    QHash<QString, QList<QVariant>> m_pendingOldValues;
    std::shared_ptr<ListenerToken::Registry> m_registry;
};

// Announces a change of `key` without changing anything, so that everyone
// following the key (derived values above all) reads it again.
void notifyValueChanged(Observable& object, const QString& key);
// Does nothing for a null object.
void notifyValueChanged(Observable* object, const QString& key);
