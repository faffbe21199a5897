#pragma once

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <utility>

namespace platform {

// Synchronous, in-process notifications by name. `sender` identifies the
// object a notification is about (the record that changed, say); observers
// may filter on it. Delivery happens inside post(), on the caller's thread.
class NotificationCenter {
public:
    using Callback = std::function<void(const QString& name, const void* sender)>;

    // Unregisters its observer when destroyed.
    class Token {
    public:
        Token() = default;
        Token(Token&& other) noexcept : m_center(std::move(other.m_center)), m_id(std::exchange(other.m_id, 0)) {}
        // Assigning over a live token unregisters its observer first.
        Token& operator=(Token&& other) noexcept;
        ~Token();
        void reset();
        bool isActive() const { return m_id != 0; }

    private:
        friend class NotificationCenter;
        Token(std::weak_ptr<NotificationCenter*> center, quint64 id) : m_center(std::move(center)), m_id(id) {}
        std::weak_ptr<NotificationCenter*> m_center;
        quint64 m_id = 0;
    };

    static NotificationCenter& defaultCenter();

    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // A null `sender` filter receives the notification from every sender.
    [[nodiscard]] Token addObserver(const QString& name, Callback callback, const void* sender = nullptr);
    void post(const QString& name, const void* sender = nullptr);

private:
    struct Observer {
        QString name;
        const void* sender;
        std::shared_ptr<Callback> callback;
    };
    void removeObserver(quint64 id);

    std::map<quint64, Observer> m_observers;
    quint64 m_nextId = 1;
    std::shared_ptr<NotificationCenter*> m_self;
};

}  // namespace platform
