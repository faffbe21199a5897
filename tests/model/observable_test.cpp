#include "model/observable.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// A small observable with one watched key ("name") and one unwatched ("size").
class Thing : public Observable {
public:
    struct Change {
        QString key;
        QVariant oldValue;
        QVariant newValue;
    };

    Thing() { startObservingOwnKeys({"name"}); }

    QVariant valueForKey(const QString& key) const override
    {
        if (key == "name")
            return m_name.isNull() ? QVariant() : QVariant(m_name);
        if (key == "size")
            return m_size;
        return {};
    }

    void setName(const QString& name)
    {
        willChangeValueForKey("name");
        m_name = name;
        didChangeValueForKey("name");
    }
    void setSize(int size)
    {
        willChangeValueForKey("size");
        m_size = size;
        didChangeValueForKey("size");
    }
    void writeNameDirectly(const QString& name) { m_name = name; }
    void writeSizeDirectly(int size) { m_size = size; }
    // Runs `writes` as one stretch of direct writes to both keys.
    void writeDirectly(const std::function<void()>& writes)
    {
        const DirectWrites stretch(*this, {"name", "size"});
        writes();
    }
    void stopWatching() { stopObservingOwnKeys(); }

    QList<Change> changes;
    std::function<void()> duringChange;

protected:
    QStringList keysDerivedFrom(const QString& key) const override
    {
        return key == "name" ? QStringList{"greeting"} : QStringList();
    }
    void observeValueForKeyPath(const QString& key, const QVariant& oldValue, const QVariant& newValue) override
    {
        changes.append({key, oldValue, newValue});
        if (duringChange) {
            auto action = std::exchange(duringChange, nullptr);
            action();
        }
    }

private:
    QString m_name;
    int m_size = 0;
};

TEST(Observable, SetterRunsHandlerWithOldAndNewValue)
{
    Thing thing;
    thing.setName("a");
    thing.setName("b");
    ASSERT_EQ(thing.changes.size(), 2);
    EXPECT_FALSE(thing.changes[0].oldValue.isValid());
    EXPECT_EQ(thing.changes[0].newValue, QVariant("a"));
    EXPECT_EQ(thing.changes[1].oldValue, QVariant("a"));
    EXPECT_EQ(thing.changes[1].newValue, QVariant("b"));
}

TEST(Observable, UnwatchedKeysAndDirectWritesSkipTheHandler)
{
    Thing thing;
    thing.setSize(3);
    thing.writeNameDirectly("direct");
    EXPECT_TRUE(thing.changes.isEmpty());
    thing.stopWatching();
    thing.setName("late");
    EXPECT_TRUE(thing.changes.isEmpty());
}

// Direct writes run no change handler, but the listeners hear of every key
// they changed (and its derived keys) once, when the stretch of writes ends.
TEST(Observable, AStretchOfDirectWritesTellsTheListenersOfWhatChanged)
{
    Thing thing;
    QStringList told;
    auto token = thing.addListener("", [&](const QString& key) { told << key; });

    thing.writeDirectly([&] {
        thing.writeNameDirectly("direct");
        EXPECT_TRUE(told.isEmpty()) << "told before the stretch ended";
    });
    EXPECT_EQ(told, (QStringList{"name", "greeting"}));
    EXPECT_TRUE(thing.changes.isEmpty());

    // Writing the same value again changes nothing, so nobody is told.
    told.clear();
    thing.writeDirectly([&] { thing.writeNameDirectly("direct"); });
    EXPECT_TRUE(told.isEmpty());

    // A nested stretch tells its keys when it ends; the outer one does not tell them again.
    thing.writeDirectly([&] {
        thing.writeNameDirectly("outer");
        thing.writeDirectly([&] { thing.writeSizeDirectly(5); });
        EXPECT_EQ(told, QStringList{"size"});
    });
    EXPECT_EQ(told, (QStringList{"size", "name", "greeting"}));

    // A key its setter announced meanwhile, with what derives from it, is not told twice.
    told.clear();
    thing.writeDirectly([&] {
        thing.setName("set");
        thing.writeSizeDirectly(6);
    });
    EXPECT_EQ(told, (QStringList{"name", "greeting", "size"}));
    EXPECT_EQ(thing.changes.size(), 1);
}

TEST(Observable, NotifyValueChangedReportsTheUnchangedValue)
{
    Thing thing;
    thing.writeNameDirectly("same");
    notifyValueChanged(thing, "name");
    ASSERT_EQ(thing.changes.size(), 1);
    EXPECT_EQ(thing.changes[0].oldValue, QVariant("same"));
    EXPECT_EQ(thing.changes[0].newValue, QVariant("same"));
    notifyValueChanged(static_cast<Observable*>(nullptr), "name");  // harmless
}

TEST(Observable, NestedChangesOfOneKeyKeepTheirOwnOldValues)
{
    Thing thing;
    thing.setName("first");
    thing.duringChange = [&] { thing.setName("inner"); };
    thing.setName("outer");
    // The inner change is reported inside the outer one, each with its own old value.
    ASSERT_EQ(thing.changes.size(), 3);
    EXPECT_EQ(thing.changes[1].oldValue, QVariant("first"));
    EXPECT_EQ(thing.changes[1].newValue, QVariant("outer"));
    EXPECT_EQ(thing.changes[2].oldValue, QVariant("outer"));
    EXPECT_EQ(thing.changes[2].newValue, QVariant("inner"));
}

TEST(Observable, DidChangeWithoutWillChangeReportsNoChange)
{
    Thing thing;
    thing.writeNameDirectly("x");
    thing.didChangeValueForKey("name");
    ASSERT_EQ(thing.changes.size(), 1);
    EXPECT_EQ(thing.changes[0].oldValue, thing.changes[0].newValue);
}

TEST(Observable, ListenersFollowTheirKeyOrEveryKey)
{
    Thing thing;
    QStringList nameEvents;
    QStringList allEvents;
    auto nameToken = thing.addListener("name", [&](const QString& key) { nameEvents << key; });
    auto allToken = thing.addListener("", [&](const QString& key) { allEvents << key; });
    thing.setName("a");
    thing.setSize(2);
    notifyValueChanged(thing, "derived");
    EXPECT_EQ(nameEvents, QStringList({"name"}));
    // A setter's change tells the values derived from the key after it.
    EXPECT_EQ(allEvents, QStringList({"name", "greeting", "size", "derived"}));
}

TEST(Observable, ListenerSeesTheValueAfterTheHandlerRan)
{
    Thing thing;
    QVariant seen;
    auto token = thing.addListener("name", [&](const QString& key) { seen = thing.valueForKey(key); });
    thing.setName("now");
    EXPECT_EQ(seen, QVariant("now"));
}

TEST(Observable, TokenUnregistersAndMayOutliveTheObject)
{
    int calls = 0;
    Observable::ListenerToken kept;
    {
        Thing thing;
        auto token = thing.addListener("size", [&](const QString&) { ++calls; });
        thing.setSize(1);
        token.reset();
        thing.setSize(2);
        EXPECT_EQ(calls, 1);

        Observable::ListenerToken moved = thing.addListener("size", [&](const QString&) { ++calls; });
        kept = std::move(moved);
        EXPECT_FALSE(moved.isActive());
        thing.setSize(3);
        EXPECT_EQ(calls, 2);
    }
    EXPECT_TRUE(kept.isActive());
    kept.reset();  // the object is gone: nothing to do, nothing to crash
    EXPECT_FALSE(kept.isActive());
}

TEST(Observable, AssigningATokenReleasesItsPreviousListener)
{
    Thing thing;
    int first = 0;
    int second = 0;
    auto token = thing.addListener("size", [&](const QString&) { ++first; });
    token = thing.addListener("size", [&](const QString&) { ++second; });
    thing.setSize(1);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
}

TEST(Observable, ListenerMayRemoveAnotherWhileBeingTold)
{
    Thing thing;
    int secondCalls = 0;
    Observable::ListenerToken second;
    auto first = thing.addListener("size", [&](const QString&) { second.reset(); });
    second = thing.addListener("size", [&](const QString&) { ++secondCalls; });
    thing.setSize(1);
    thing.setSize(2);
    EXPECT_EQ(secondCalls, 0);
}

}  // namespace
