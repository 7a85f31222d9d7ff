#pragma once

// The library's exported operations, one row each, over the real services on a fresh
// data root among subscribers that throw on a chosen message. Shared by the exception
// safety suite (each row with a throw at every message it sends) and the ownership
// suite (random sequences of rows, throws and restarts).

#include <CollectionHelper.h>
#include <Effect/UserEffects.h>
#include <Import/UserCollection.h>
#include <ItemView.h>
#include <Model/CollectionID.h>
#include <Model/Timeline.h>
#include <Model/Translator.h>
#include <Overlay/OverlayPresets.h>
#include <Records.h>
#include <Services/CollectionBrowser.h>
#include <Services/CollectionService.h>
#include <Services/PersistenceService.h>
#include <Settings/Settings.h>
#include <TempDataRoot.h>
#include <gtest/gtest.h>

#include <optional>

namespace Testing {

struct Thrown : std::exception { };

// Where throws come from: subscribers placed before the services, after them, or made
// while a load request is delivered (so that they hear the answer after the helper
// that asked). Counts the messages heard there and throws on the throwAt-th (0: none).
struct Chaos {
    enum Where { BeforeServices, AfterServices, AfterHelpers } where = BeforeServices;
    int throwAt = 0;
    int heard = 0;
};
inline Chaos chaos;
inline std::vector<std::unique_ptr<PubSub::Details::SubscriberBase>> lateThrowers;

template <Chaos::Where At, class M>
class Hears : public virtual PubSub::Details::Subscriber<M> {
    void handle(const M&) override
    {
        if (At == chaos.where && ++chaos.heard == chaos.throwAt)
            throw Thrown();
    }
};

// Hears the messages M from every item of type T, its records and its containers.
template <Chaos::Where At, class T, class... M>
struct Hearing : PubSub::Subscriber<M...>, private Hears<At, M>... {
    Hearing()
    {
        this->template subscribeAll<EditorCollection::PersistentItem<T>>();
        this->template subscribeAll<T>();
        this->template subscribeAll<EditorCollection::Container<T>>();
    }
};

namespace Box = Message::Types; // the container messages
namespace EC = EditorCollection;

// Every message about items of type T, their records and their collections' containers.
template <Chaos::Where At, class T, class C = EC::Container<T>>
using Thrower = Hearing<At, T, EC::StorePersistentItemRequest<T>, EC::LoadPersistentItemRequest<T>,
    EC::RemovePersistentItemRequest<T>, EC::UpgradePersistentItemRequest<T>,
    EC::StorePersistentItemNotification<T>, EC::LoadPersistentItemNotification<T>,
    EC::GetCollectionRequest<T>, EC::RegisterItemRequest<T>, EC::LocateCollectionRequest<T>,
    EC::LocateItemRequest<T>, EC::LocateItemsRequest<T>, EC::LocateCategoryRequest<T>,
    EC::RegisterCategoriesRequest<T>, EC::RegisterCategoryDescriptionRequest<T>,
    EC::GetCollectionNotification<T>, Box::Add<C>, Box::Change<C>, Box::Remove<C>, Box::Enumerate<C>,
    Box::Added<C>, Box::Changed<C>, Box::Removed<C>, Box::Enumerated<C>>;

// Makes a thrower that hears the answer to a load request after the helper that asked.
template <class T>
struct LateThrowerMaker : PubSub::Subscriber<EC::LoadPersistentItemRequest<T>> {
    LateThrowerMaker() { this->template subscribeAll<EC::PersistentItem<T>>(); }
    void handle(const EC::LoadPersistentItemRequest<T>&) override
    {
        if (chaos.where == Chaos::AfterHelpers)
            lateThrowers.push_back(
                std::make_unique<Hearing<Chaos::AfterHelpers, T, EC::LoadPersistentItemNotification<T>>>());
    }
};

template <Chaos::Where At>
using Throwers = std::tuple<Thrower<At, Effect::Object>, Thrower<At, Import::Object>,
    Thrower<At, Overlay::Preset>, LateThrowerMaker<Effect::Object>, LateThrowerMaker<Import::Object>,
    LateThrowerMaker<Overlay::Preset>>;

using Imports = EC::Container<Import::Object>;

// Follows the imports and, once armed, puts back the items a change takes out, by a
// change nested in the announcement of the first.
struct Resurrector : EC::View<Import::Object> {
    bool armed = false;
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

inline const std::string UserEffects = "user effects";

// The services between throwers, destroyed in reverse.
struct Running {
    Throwers<Chaos::BeforeServices> before;
    Services::PersistenceService persistence;
    Services::CollectionService collections;
    Services::CollectionBrowser browser;
    Throwers<Chaos::AfterServices> after;
};

// The services on a fresh data root between throwers, holding what a user has saved.
struct World {
    World()
    {
        restart();
        equalizer.preamp = 3;
        title.text = "Hello";
        timeline.tracks.push_back({ "video", { { "clip.mp4", 0, 1500 } } });
        const Import::Object clipItem = withId<Import::Object>("clip");
        Effect::AudioEqualizer warm;
        warm.preamp = 1;
        EXPECT_TRUE(Effect::saveUserEffect(&warm, "Warm", {}, preview)
            && Effect::saveUserEffect(&equalizer, "Bright", UserEffects, preview)
            && Effect::saveUserEffect(&enhance, "Vivid", UserEffects, preview)
            && imports.saveUserImport(&clipItem, "clip.xml", preview, "u-clip")
            && intros->saveUserIntro(&timeline, "Opening", preview)
            && Overlay::saveUserPreset(&title, "Greeting"));
    }
    // The services, declared last, go first.
    ~World()
    {
        lateThrowers.clear();
        Translator::clear();
    }

    // As a program started anew: the collections hold what the data root holds.
    void restart()
    {
        follower.reset();
        run.emplace();
        run->collections.loadFolder(root.path());
        run->collections.collection<Import::Object>(loose.id());
        follower.emplace();
        follower->observe(const_cast<Imports*>(&run->collections.collection<Import::Object>(imports.id())));
    }

    // "<collection>/<id>" of every item the collections hold; reading each item shows
    // one freed too early, under AddressSanitizer.
    std::set<std::string> collected() const
    {
        std::set<std::string> ids;
        const auto add = [&](const auto* container, const std::string& collectionId) {
            for (const auto* item : container ? container->items : decltype(container->items)())
                ids.insert(collectionId + "/" + (item ? item->id : std::string()));
        };
        add(run->collections.container<Effect::Object>(UserEffects), UserEffects);
        for (const std::string& id : { imports.id(), loose.id(), intros->id() })
            add(run->collections.container<Import::Object>(id), id);
        add(run->collections.container<Overlay::Preset>(EC::CollectionID::TITLES), EC::CollectionID::TITLES);
        return ids;
    }
    // What a fresh start finds stored: "fx:<preset id>" and "import:<id>" of the imports.
    std::set<std::string> stored()
    {
        std::set<std::string> found;
        for (const char* type : { "AudioEqualizer", "ManualEnhance" })
            for (const auto& record : EC::PersistentItemHelper<Effect::Object>().loadRecords(
                     Settings::userEffectsPath(type).toStdString()))
                found.insert("fx:" + record.item->id);
        for (const Import::Object* item : run->collections.collection<Import::Object>(imports.id()).items)
            found.insert("import:" + item->id);
        return found;
    }

    std::string listing(const std::string& collectionId, const std::string& id) const
    {
        return collected().count(collectionId + "/" + id) ? "listed" : "not listed";
    }
    static std::string file(const QString& path) { return QFile::exists(path) ? "stored" : "no file"; }
    template <class T>
    static QString fileOf(const T& preset)
    {
        return QDir(Settings::userEffectsPath(T::NameInArchive()))
            .filePath(QString::fromStdString(preset.id));
    }
    // Saves an import (into the collection without an id when loose), noting it as one
    // a fresh start lists; says what a user finds of it.
    std::string saveImport(bool inLoose)
    {
        const std::string id = (inLoose ? "loose" : "clip") + std::to_string(pick < 0 ? ++made : pick);
        const QString name = QString::fromStdString(id) + "-" + QString::number(++made);
        const auto item = withId<Import::Object>(id);
        Import::UserCollection& collection = inLoose ? loose : imports;
        mustList.erase("import:" + id);
        if (!collection.saveUserImport(&item, name, preview, "u"))
            return "none";
        if (!inLoose)
            mustList["import:" + id] = true;
        return listing(collection.id(), id) + ", " + file(QDir(collection.storagePath()).filePath(name));
    }

    TempDataRoot root;
    Import::UserCollection imports { "user-imports", "category_mine", Settings::userImportsPath() };
    // One folder holds both collections; an item is its type and id, so the collection
    // without an id gets ids of its own.
    Import::UserCollection loose { "", "category_mine", Settings::userImportsPath() };
    // An intro is a record at a folder beside its bundle: the one item stored as two files.
    const std::unique_ptr<Import::UserCollection> intros = Import::UserCollection::makeIntroCollection();
    Timeline::Object timeline;
    const std::shared_ptr<const Types::Image> preview = image();
    Effect::AudioEqualizer equalizer;
    Effect::ManualEnhance enhance;
    Overlay::Preset title;
    int made = 0;
    int pick = -1; // the import ids to use again, 0 to 3; -1: fresh ones
    std::shared_ptr<const Effect::AudioEqualizer> doomedEffect;
    std::string doomedImport;
    // What the operation under test may remove: absolute files and "<collection>/<id>".
    std::set<QString> mayRemove;
    // What a fresh start must list (true) and must not (false), by stored() key; a key
    // whose call threw is unknown.
    std::map<std::string, bool> mustList;
    std::optional<Running> run;
    std::optional<Resurrector> follower;
};

// One operation: an untallied set-up, then the call, which returns its result as a
// user would state it.
struct Operation {
    std::string name;
    std::function<std::string(World&)> call;
    std::string result;
    std::function<void(World&)> prepare = [](World&) {};
};

inline const std::vector<Operation> operations = {
    { "SaveUserEffectIntoCollection",
        [](World& w) {
            const auto preset = Effect::saveUserEffect(&w.enhance, "Fresh", UserEffects, w.preview);
            if (!preset)
                return std::string("none");
            w.mustList["fx:" + preset->id] = true; // a fresh start lists it
            return w.listing(UserEffects, preset->id) + ", " + w.file(w.fileOf(*preset));
        },
        "listed, stored" },
    { "LoadUserEffects",
        [](World&) {
            std::string loaded;
            for (const auto& [name, preset] : Effect::loadUserEffects<Effect::AudioEqualizer>())
                loaded += name.toStdString() + "=" + std::to_string(int(preset->preamp)) + " ";
            return loaded;
        },
        "Bright=3 Warm=1 " },
    { "RemoveUserEffect",
        [](World& w) {
            Effect::removeUserEffect(w.doomedEffect.get());
            w.mustList["fx:" + w.doomedEffect->id] = false;
            return w.file(w.fileOf(*w.doomedEffect));
        },
        "no file",
        // A preset that a failed call left stored is the one the next call removes.
        [](World& w) {
            if (!w.doomedEffect || !QFile::exists(w.fileOf(*w.doomedEffect)))
                w.doomedEffect = Effect::saveUserEffect(&w.equalizer, "Doomed", {}, w.preview);
            w.mayRemove = { w.fileOf(*w.doomedEffect) };
            w.mustList.erase("fx:" + w.doomedEffect->id);
        } },
    { "NameAvailable",
        [](World& w) { return w.imports.nameAvailable("clip", Import::Object::File) ? "yes" : "no"; }, "no" },
    { "SaveUserImport", [](World& w) { return w.saveImport(false); }, "listed, stored" },
    { "SaveLooseImport", [](World& w) { return w.saveImport(true); }, "listed, stored" },
    { "SaveUserIntro",
        [](World& w) {
            const Import::Object* saved = w.intros->saveUserIntro(&w.timeline, "Opening", w.preview);
            return saved
                ? w.listing(w.intros->id(), saved->id) + ", " + w.file(QString::fromStdString(saved->path))
                : "none";
        },
        "listed, stored" },
    { "RemoveUserImport",
        [](World& w) {
            const QString name = QString::fromStdString(w.doomedImport);
            const bool removed = w.imports.removeUserImport(name, Import::Object::File);
            if (removed)
                w.mustList["import:" + w.doomedImport] = false;
            return (removed ? "yes, " : "no, ") + w.listing(w.imports.id(), w.doomedImport) + ", "
                + w.file(QDir(w.imports.storagePath()).filePath(name));
        },
        "yes, not listed, no file",
        // An item that a failed call left in the collection is the one the next call removes.
        // With ids to use again, the one picked, saved perhaps more than once or not at all.
        [](World& w) {
            if (w.pick >= 0)
                w.doomedImport = "clip" + std::to_string(w.pick);
            else if (w.doomedImport.empty() || w.listing(w.imports.id(), w.doomedImport) != "listed") {
                w.doomedImport = "doomed-" + std::to_string(++w.made);
                const auto item = withId<Import::Object>(w.doomedImport);
                EXPECT_TRUE(
                    w.imports.saveUserImport(&item, QString::fromStdString(w.doomedImport), w.preview, "u"));
            }
            w.mayRemove = { QString::fromStdString(w.imports.id() + "/" + w.doomedImport),
                QDir(w.imports.storagePath()).filePath(QString::fromStdString(w.doomedImport)) };
            w.mustList.erase("import:" + w.doomedImport);
        } },
    { "SaveUserPreset",
        [](World& w) {
            const std::size_t before = w.collected().size();
            const bool saved = Overlay::saveUserPreset(&w.title, "Greeting");
            return (saved ? "yes, " : "no, ") + std::to_string(w.collected().size() - before)
                + " more listed";
        },
        "yes, 1 more listed" },
};

} // namespace Testing
