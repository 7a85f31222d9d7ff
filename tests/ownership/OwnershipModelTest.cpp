// Random sequences of saves, loads, registrations, changes, removals and restarts over
// the real services, with twin records on disk and subscribers that throw at random
// moments: before the services, after them, and after the library's helpers. After
// every step each item a collection lists is touched, so that one freed too early
// shows under AddressSanitizer, and LeakSanitizer reports any item nobody freed (both
// only in the sanitizer build). Every build checks what a fresh start lists against a
// model of what must, and what must no longer, be stored.

#include <CollectionHelper.h>
#include <Effect/UserEffects.h>
#include <Import/UserCollection.h>
#include <ItemView.h>
#include <Model/CollectionID.h>
#include <Model/Translator.h>
#include <Overlay/OverlayPresets.h>
#include <Records.h>
#include <Services/CollectionService.h>
#include <Services/PersistenceService.h>
#include <Settings/Settings.h>
#include <TempDataRoot.h>
#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>

#include <QDir>
#include <QFile>

#include <optional>
#include <set>
#include <stdexcept>

namespace {

using namespace EditorCollection;
using Effect::AudioEqualizer;
using Imports = Container<Import::Object>;

struct Thrown : std::runtime_error {
    Thrown()
        : std::runtime_error("thrown by a test subscriber")
    {
    }
};

// Where the next throw comes from, and on the how-manieth message heard there.
struct Chaos {
    enum Where { BeforeServices, AfterServices, AfterHelpers } where = BeforeServices;
    int countdown = 0; // 0: none

    void hear(Where at)
    {
        if (at == where && countdown > 0 && --countdown == 0)
            throw Thrown();
    }
} chaos;

// Made while a load request is delivered, so it hears the answer after the helper.
template <class T>
struct LateThrower : PubSub::Subscriber<LoadPersistentItemNotification<T>> {
    LateThrower() { this->template subscribeAll<PersistentItem<T>>(); }
    void handle(const LoadPersistentItemNotification<T>&) override { chaos.hear(Chaos::AfterHelpers); }
};

// Hears, for one item type, every message that hands items over.
template <class T>
struct Thrower : PubSub::Subscriber<LoadPersistentItemRequest<T>, LoadPersistentItemNotification<T>,
                     RegisterItemRequest<T>, Message::Types::Changed<Container<T>>> {
    Thrower(Chaos::Where at, std::vector<std::unique_ptr<LateThrower<T>>>& late)
        : at(at)
        , late(late)
    {
        this->template subscribeAll<PersistentItem<T>>();
        this->template subscribeAll<T>();
        this->template subscribeAll<Container<T>>();
    }
    void handle(const LoadPersistentItemRequest<T>&) override
    {
        if (at == Chaos::BeforeServices)
            late.push_back(std::make_unique<LateThrower<T>>());
        chaos.hear(at);
    }
    void handle(const LoadPersistentItemNotification<T>&) override { chaos.hear(at); }
    void handle(const RegisterItemRequest<T>&) override { chaos.hear(at); }
    void handle(const Message::Types::Changed<Container<T>>&) override { chaos.hear(at); }

    const Chaos::Where at;
    std::vector<std::unique_ptr<LateThrower<T>>>& late;
};

struct LateThrowers {
    std::vector<std::unique_ptr<LateThrower<Effect::Object>>> effects;
    std::vector<std::unique_ptr<LateThrower<Import::Object>>> imports;
    std::vector<std::unique_ptr<LateThrower<Overlay::Preset>>> titles;
};

struct Throwers {
    Throwers(Chaos::Where at, LateThrowers& late)
        : effects(at, late.effects)
        , imports(at, late.imports)
        , titles(at, late.titles)
    {
    }
    Thrower<Effect::Object> effects;
    Thrower<Import::Object> imports;
    Thrower<Overlay::Preset> titles;
};

// Follows the imports and, once asked, puts back the items a change takes out, by a
// change nested in the announcement of the first.
class Resurrector : public View<Import::Object> {
public:
    bool armed = false;

private:
    void itemsRemoved(const std::deque<const Import::Object*>& removed) override
    {
        if (!std::exchange(armed, false))
            return;
        auto* c = const_cast<Imports*>(containers.begin()->first);
        Imports back(*c);
        back.items.insert(back.items.end(), removed.begin(), removed.end());
        submitChange(c, &back);
    }
};

enum Op {
    SaveEffect,
    SaveEffectInCollection,
    ListEffects,
    RemoveEffect,
    SaveImport,
    SaveLooseImport,
    SaveIntro,
    RemoveImport,
    SaveTitle,
    TwinRecord,
    Restart,
    OpCount
};

struct World {
    World() { restart(); }
    ~World()
    {
        stop();
        Translator::clear();
    }

    void stop()
    {
        follower.reset();
        after.reset();
        collections.reset();
        persistence.reset();
        before.reset();
    }
    void restart()
    {
        stop();
        before.emplace(Chaos::BeforeServices, late);
        persistence.emplace();
        collections.emplace();
        after.emplace(Chaos::AfterServices, late);
        collections->loadFolder(root.path());
        follower.emplace();
        follower->observe(const_cast<Imports*>(&collections->collection<Import::Object>(imports.id())));
    }

    // Touches every item each collection lists: a freed one shows under AddressSanitizer.
    template <class T>
    std::set<std::string> listed(const std::string& collectionId)
    {
        std::set<std::string> names;
        for (const T* item : collections->collection<T>(collectionId).items)
            names.insert(Translator::translate(item->id).toStdString());
        return names;
    }
    void touchEverything()
    {
        listed<Import::Object>(imports.id());
        listed<Import::Object>(std::string());
        listed<Import::Object>(CollectionID::INTROS);
        listed<Effect::Object>("fx");
        listed<Overlay::Preset>(CollectionID::TITLES);
    }

    // What a fresh start finds stored: preset ids and import names.
    std::set<std::string> stored()
    {
        std::set<std::string> found;
        const QString presets = Settings::userEffectsPath(AudioEqualizer::NameInArchive());
        for (const auto& record : PersistentItemHelper<Effect::Object>().loadRecords(presets.toStdString()))
            found.insert("fx:" + record.item->id);
        for (const std::string& name : listed<Import::Object>(imports.id()))
            found.insert("import:" + name);
        return found;
    }

    void run(Op op, int pick)
    {
        const auto preview = Testing::image();
        const std::string importName = "clip" + std::to_string(pick);
        switch (op) {
        case SaveEffect:
        case SaveEffectInCollection:
            if (const auto preset = Effect::saveUserEffect(
                    &equalizer, QString::number(++made), op == SaveEffect ? std::string() : "fx", preview))
                saved("fx:" + preset->id);
            break;
        case ListEffects:
            Effect::loadUserEffects<AudioEqualizer>();
            break;
        case RemoveEffect: {
            const auto presets = Effect::loadUserEffects<AudioEqualizer>();
            if (presets.empty())
                break;
            const auto& chosen = *std::next(presets.begin(), pick % int(presets.size()));
            unsure("fx:" + chosen.second->id);
            Effect::removeUserEffect(chosen.second.get());
            removed("fx:" + chosen.second->id);
            break;
        }
        case SaveImport:
        case SaveLooseImport: {
            // One folder holds both collections; an item is its type and id, so the
            // collection without an id gets ids of its own.
            const std::string id = op == SaveImport ? importName : "loose" + importName;
            const Import::Object item = Testing::withId<Import::Object>(id);
            unsure("import:" + id);
            const QString file = QString::fromStdString(id) + "-" + QString::number(++made);
            if ((op == SaveImport ? imports : loose).saveUserImport(&item, file, preview, "u")
                && op == SaveImport)
                saved("import:" + id);
            break;
        }
        case SaveIntro:
            intros->saveUserIntro(&timeline, "Opening", preview);
            break;
        case RemoveImport:
            follower->armed = pick % 2 == 0;
            unsure("import:" + importName);
            if (imports.removeUserImport(QString::fromStdString(importName), Import::Object::File))
                removed("import:" + importName);
            follower->armed = false;
            break;
        case SaveTitle:
            Overlay::saveUserPreset(&title, "Title");
            break;
        case TwinRecord: {
            for (const QString& folder :
                { Settings::userEffectsPath("AudioEqualizer"), Settings::userImportsPath() }) {
                const QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
                if (!files.isEmpty()) {
                    const QString file = QDir(folder).filePath(files[pick % files.size()]);
                    QFile::copy(file, file + " copy");
                }
            }
            break;
        }
        case Restart:
        case OpCount:
            break;
        }
    }

    void saved(const std::string& key)
    {
        mustStore.insert(key);
        mustNotStore.erase(key);
    }
    void removed(const std::string& key)
    {
        mustNotStore.insert(key);
        mustStore.erase(key);
    }
    // Until the step ends without a throw, nothing is known of key.
    void unsure(const std::string& key)
    {
        mustStore.erase(key);
        mustNotStore.erase(key);
    }

    Testing::TempDataRoot root;
    LateThrowers late;
    std::optional<Throwers> before;
    std::optional<Services::PersistenceService> persistence;
    std::optional<Services::CollectionService> collections;
    std::optional<Throwers> after;
    std::optional<Resurrector> follower;
    Import::UserCollection imports { "imports", "mine", Settings::userImportsPath() };
    Import::UserCollection loose { "", "mine", Settings::userImportsPath() };
    const std::unique_ptr<Import::UserCollection> intros = Import::UserCollection::makeIntroCollection();
    AudioEqualizer equalizer;
    Overlay::Preset title;
    Timeline::Object timeline;
    std::set<std::string> mustStore, mustNotStore;
    int made = 0;
};

RC_GTEST_PROP(OwnershipModel, ItemsChangeHandsWithoutLossLeakOrDoubleFree, ())
{
    const auto steps = *rc::gen::container<std::vector<std::tuple<int, int, int, int>>>(
        rc::gen::tuple(rc::gen::inRange(0, int(OpCount)), rc::gen::inRange(0, 3), rc::gen::inRange(0, 5),
            rc::gen::inRange(0, 4)));
    World world;
    world.timeline.tracks.push_back({ "video", { { "clip.mp4", 0, 1000 } } });
    for (const auto& [op, where, countdown, pick] : steps) {
        if (op == Restart) {
            world.restart();
            const std::set<std::string> stored = world.stored();
            for (const std::string& key : world.mustStore)
                RC_ASSERT(stored.count(key) == 1u);
            for (const std::string& key : world.mustNotStore)
                RC_ASSERT(stored.count(key) == 0u);
            continue;
        }
        chaos = Chaos { Chaos::Where(where), countdown };
        try {
            world.run(Op(op), pick);
        } catch (const Thrown&) {
        }
        chaos = Chaos();
        world.late = LateThrowers();
        world.touchEverything();
    }
}

} // namespace
