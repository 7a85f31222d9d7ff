#include "CollectionHelper.h"
#include "EditorServices.h"
#include "FetchedCollection.h"
#include "FolderCatalogue.h"
#include "RecordEditing.h"
#include "StoredRecord.h"
#include "imports/UniqueName.h"
#include "transfer/PackFormat.h"
#include <Effect/PresetEditing.h>
#include <Effect/UserEffects.h>
#include <Import/UserItems.h>
#include <Overlay/UserTitles.h>
#include <Serialize/AtomicFile.h>
#include <Settings/Settings.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <array>
#include <cstddef>
#include <exception>
#include <functional>
#include <map>
#include <tuple>
#include <type_traits>

namespace Transfer {

std::size_t PackReport::count(Outcome outcome) const
{
    return std::size_t(std::count_if(
        items.begin(), items.end(), [outcome](const ItemReport& item) { return item.outcome == outcome; }));
}

namespace {

using Details::PackItem;
using Items = std::vector<PackItem>;

constexpr qint64 CopyChunkBytes = qint64(1) << 20;

// The intro's bundle as it lies beside its record, and the timeline in it; both
// stay empty when it is missing or damaged.
void readBundleOf(PackItem& intro)
{
    const auto* item = intro.as<Import::Object>();
    QFile file(QString::fromStdString(item->path));
    if (!file.open(QIODevice::ReadOnly))
        return;
    Details::setBundle(intro, file.readAll());
}

// The items of type T that accept takes, one read of the service per entry of folder
// so that each item's file name is known: exactly what the folder's listing shows
// (the catalogue's rules decide which entries are records and which record of an
// item is the listed one). Intros come with their bundles when withBundles.
template <class T>
void readFolder(const QString& folder, ItemType type, const std::function<bool(const T&)>& accept,
    bool withBundles, Items& found)
{
    namespace Catalogue = EditorCollection::Catalogue;
    Items read;
    std::vector<Catalogue::Entry> entries;
    const QFileInfoList listing
        = QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : listing) {
        if (!entry.isDir() && !Catalogue::isRecordName(entry.fileName()))
            continue;
        EditorCollection::LoadedRecords<T> records = EditorCollection::readBack<T>(entry.absoluteFilePath());
        for (std::size_t index = 0; index < records.size(); ++index) {
            const T* item = records[index].item;
            if (!item || !accept(*item))
                continue;
            entries.push_back({ folder, entry.fileName(), EditorCollection::kindOf(*item), item->id });
            const auto& record = records[index];
            read.push_back(Details::packItem<T>(type, record, std::shared_ptr<const T>(records.take(index))));
            read.back().fileName = entry.fileName();
        }
    }
    const std::vector<std::size_t> listed = Catalogue::listedOf(entries);
    for (std::size_t index = 0; index < read.size(); ++index) {
        if (listed[index] != index)
            continue;
        found.push_back(std::move(read[index]));
        if (type == ItemType::Intro && withBundles)
            readBundleOf(found.back());
    }
}

const EditorCollection::ItemKind& kindOfType(ItemType type)
{
    return EditorCollection::itemKind(EditorCollection::ItemKindId(int(type)));
}

// What the data folder holds of type: what its listing shows.
Items readStored(ItemType type, const Import::UserCollection& imports, bool withBundles)
{
    const EditorCollection::ItemKind& kind = kindOfType(type);
    const QString folder
        = kind.id == EditorCollection::ItemKindId::Import ? imports.storagePath() : kind.folder();
    Items found;
    EditorCollection::withItemClass(kind.id, [&](auto itemClass) {
        using Stored = typename decltype(itemClass)::StoredType;
        readFolder<Stored>(
            folder, type, [&kind](const Stored& item) { return EditorCollection::kindOf(item) == &kind; },
            withBundles, found);
    });
    return found;
}

const std::set<ItemType>& allTypes()
{
    static const std::set<ItemType> types
        = { ItemType::Equalizer, ItemType::Enhance, ItemType::Import, ItemType::Intro, ItemType::Title };
    return types;
}

bool selected(const PackItem& item, const Selection& selection)
{
    return (selection.collections.empty() || selection.collections.count(item.collectionId) != 0)
        && (selection.names.isEmpty() || selection.names.contains(item.name));
}

ItemReport reportOf(const PackItem& item, Outcome outcome, const QString& reason = QString())
{
    return { item.type, item.name, QString(), QString::fromStdString(item.uniqueId), outcome, reason };
}

// What makes item what it is, as a digest: equal content, equal digests. A stored
// intro's bundle is read for it and let go.
QByteArray digestOf(const PackItem& item)
{
    if (item.type != ItemType::Intro || item.timeline)
        return QCryptographicHash::hash(Details::contentOf(item), QCryptographicHash::Sha256);
    PackItem whole = item;
    readBundleOf(whole);
    return QCryptographicHash::hash(Details::contentOf(whole), QCryptographicHash::Sha256);
}

// The items of a data folder by type, with the ones an import has added so far. It
// keeps their records and the digests of their contents, never a bundle or a preview,
// so that it stays small beside the folder.
class Inventory {
public:
    explicit Inventory(const Import::UserCollection& imports)
        : m_imports(imports)
    {
    }

    // An item of item's type with its content, under its unique id, its name or a
    // numbered variant of that name (as saves give); null when there is none.
    const PackItem* find(const PackItem& item)
    {
        const QString stem = Import::Details::nameStem(item.name);
        QByteArray digest;
        for (Known& known : of(item.type)) {
            const bool named
                = known.item.name == item.name || Import::Details::variantCounter(known.item.name, stem) > 0;
            if (!named && !(item.type == ItemType::Import && known.item.uniqueId == item.uniqueId))
                continue;
            if (digest.isEmpty())
                digest = digestOf(item);
            if (known.digest.isEmpty())
                known.digest = digestOf(known.item);
            if (known.digest == digest)
                return &known.item;
        }
        return nullptr;
    }

    // The name a save of item would take, by the rule of the library's saves.
    QString freeName(const PackItem& item)
    {
        QStringList taken;
        for (const Known& known : of(item.type)) {
            taken << known.item.name;
            if (item.type == ItemType::Import)
                taken << QString::fromStdString(known.item.as<Import::Object>()->id);
        }
        return Import::Details::uniqueNameAmong(taken, item.name);
    }

    void add(const PackItem& item, const QString& name)
    {
        Known known { item, digestOf(item) };
        known.item.name = name;
        known.item.bundle.clear();
        known.item.timeline.reset();
        known.item.preview.reset();
        of(item.type).push_back(std::move(known));
    }

private:
    // An item with the digest of its content, worked out the first time a pack item
    // may match it.
    struct Known {
        PackItem item;
        QByteArray digest;
    };

    // The items of type, read from the folder the first time they are asked for.
    std::vector<Known>& of(ItemType type)
    {
        const auto [at, added] = m_items.try_emplace(type);
        if (added) {
            for (PackItem& stored : readStored(type, m_imports, false))
                at->second.push_back({ std::move(stored), {} });
        }
        return at->second;
    }

    const Import::UserCollection& m_imports;
    std::map<ItemType, std::vector<Known>> m_items;
};

// A save done: the name it took, and how to take it back. No name when it failed.
struct Saved {
    QString name;
    std::function<void()> undo;
};

template <class T>
Saved saveEffect(const PackItem& item, bool nameTaken)
{
    // Proposing a preset name reads every preset of the type; a free name needs none.
    const QString name = nameTaken ? Effect::nextPresetName<T>(item.name) : item.name;
    std::shared_ptr<const T> saved
        = Effect::saveUserEffect<T>(item.as<T>(), name, item.collectionId, item.preview);
    if (!saved)
        return {};
    return { name, [saved, collectionId = item.collectionId] {
                Effect::removeUserEffect(saved.get());
                if (collectionId.empty())
                    return;
                EditorCollection::CollectionHelper<Effect::Object> collection(collectionId);
                const auto& listed = EditorCollection::fetchCollection(collection).items;
                const auto shown = std::find_if(listed.begin(), listed.end(),
                    [&saved](const Effect::Object* effect) { return effect && effect->id == saved->id; });
                if (shown != listed.end())
                    EditorCollection::eraseFromCollection(collection, *shown);
            } };
}

// fileName, or its first numbered variant that names no file in folder yet.
QString freeFileName(const QString& folder, const QString& fileName)
{
    const QDir dir(folder);
    if (!dir.exists(fileName))
        return fileName;
    return Import::Details::uniqueNameAmong(dir.entryList(QDir::AllEntries | QDir::Hidden), fileName);
}

Saved saveImport(const PackItem& item, Import::UserCollection& imports)
{
    // Its id is the file name its record gets here, as the host saves imports: unique
    // in the folder, and what tells the record from a copy of it.
    Import::Object import(*item.as<Import::Object>());
    const QString name = Import::nextFreeName(imports, item.name);
    const QString fileName = freeFileName(imports.storagePath(), item.fileName);
    import.id = fileName.toStdString();
    import.secondaryId = import.id;
    const Import::Object* saved = Import::saveUserItem(
        imports, &import, name, fileName, item.preview, QString::fromStdString(item.uniqueId));
    if (!saved)
        return {};
    return { name, [&imports, saved] { Import::removeUserItem(imports, saved); } };
}

Saved saveIntro(const PackItem& item, Import::UserCollection& intros)
{
    const QString name = intros.nextName(item.name, Import::Object::Intro);
    if (!Import::saveWholeIntro(intros, item.timeline.get(), name, item.preview))
        return {};
    return { name, [&intros, name] { intros.removeUserImport(name, Import::Object::Intro); } };
}

Saved saveTitle(const PackItem& item)
{
    const Overlay::Preset* saved
        = Overlay::saveUserTitle(item.as<Overlay::Preset>(), item.name, item.preview);
    if (!saved)
        return {};
    return { Translator::translate(saved->id), [saved] { Overlay::removeUserTitle(saved); } };
}

// How an item of each kind is saved, in the order of the kinds.
using SaveHook = Saved (*)(
    const PackItem&, bool nameTaken, Import::UserCollection& imports, Import::UserCollection& intros);
const std::array<SaveHook, std::tuple_size_v<std::decay_t<decltype(EditorCollection::itemKinds())>>> saveHooks
    = {
          [](const PackItem& item, bool nameTaken, Import::UserCollection&, Import::UserCollection&) {
              return saveEffect<Effect::AudioEqualizer>(item, nameTaken);
          },
          [](const PackItem& item, bool nameTaken, Import::UserCollection&, Import::UserCollection&) {
              return saveEffect<Effect::ManualEnhance>(item, nameTaken);
          },
          [](const PackItem& item, bool, Import::UserCollection& imports, Import::UserCollection&) {
              return saveImport(item, imports);
          },
          [](const PackItem& item, bool, Import::UserCollection&, Import::UserCollection& intros) {
              return saveIntro(item, intros);
          },
          [](const PackItem& item, bool, Import::UserCollection&, Import::UserCollection&) {
              return saveTitle(item);
          },
      };

Saved save(
    const PackItem& item, bool nameTaken, Import::UserCollection& imports, Import::UserCollection& intros)
{
    return saveHooks.at(std::size_t(kindOfType(item.type).id))(item, nameTaken, imports, intros);
}

// The folders that saves of each kind go to and that are not there yet, with the
// missing folders they lie in, each before the one it lies in.
QStringList missingFolders(const Import::UserCollection& imports)
{
    QStringList missing;
    for (ItemType type : allTypes()) {
        QString folder = type == ItemType::Import ? imports.storagePath() : kindOfType(type).folder();
        for (; !folder.isEmpty() && !QFileInfo::exists(folder) && !missing.contains(folder);
             folder = QFileInfo(folder).path())
            missing << folder;
    }
    std::sort(missing.begin(), missing.end(),
        [](const QString& a, const QString& b) { return a.size() > b.size(); });
    return missing;
}

// Takes back every save, the last first, then the folders that were missing before
// them; one that fails leaves the others to go. Only an empty folder goes, so none
// that another has filled since.
void undoAll(std::vector<Saved>& done, const QStringList& madeFolders)
{
    // What the import wrote and takes back was never the user's: nothing is kept of it.
    const Settings::TrashBypass bypass;
    for (auto save = done.rbegin(); save != done.rend(); ++save) {
        try {
            save->undo();
        } catch (const std::exception&) {
        }
    }
    done.clear();
    for (const QString& folder : madeFolders)
        QDir().rmdir(folder);
}

// KZip closes the device it writes, which a save file must not be: the archive is
// written into a scratch file, then committed at file in one atomic write.
bool writeWhole(const QString& file, const Items& items, const Progress& progress)
{
    QTemporaryFile scratch;
    if (!scratch.open() || !Details::writePack(&scratch, items, progress) || !scratch.open())
        return false;
    return Serialize::writeAtomically(file, [&scratch](QIODevice& device) {
        while (!scratch.atEnd()) {
            const QByteArray chunk = scratch.read(CopyChunkBytes);
            if (chunk.isEmpty() || device.write(chunk) != chunk.size())
                return false;
        }
        return true;
    });
}

PackReport failed(const QString& error)
{
    PackReport report;
    report.error = error;
    return report;
}

PackReport refused(const QString& error)
{
    PackReport report = failed(error);
    report.refused = true;
    return report;
}

QString shown(const QString& file)
{
    return QDir::toNativeSeparators(file);
}

} // namespace

PackReport exportPack(const QString& file, const Import::UserCollection& imports, const Selection& selection,
    const Progress& progress)
{
    try {
        PackReport report;
        Items chosen;
        for (ItemType type : selection.types.empty() ? allTypes() : selection.types) {
            for (PackItem& item : readStored(type, imports, true)) {
                if (!selected(item, selection))
                    continue;
                if (type == ItemType::Intro && !item.timeline) {
                    report.items.push_back(
                        reportOf(item, Outcome::Refused, QStringLiteral("its bundle is missing or damaged")));
                    continue;
                }
                report.items.push_back(reportOf(item, Outcome::Exported));
                chosen.push_back(std::move(item));
            }
        }
        if (chosen.empty())
            return failed(QStringLiteral("nothing to export: no item is selected"));
        if (!writeWhole(file, chosen, progress))
            return failed(QStringLiteral("cannot write the pack %1").arg(shown(file)));
        report.ok = true;
        return report;
    } catch (const std::exception& error) {
        return failed(QStringLiteral("the export failed: %1").arg(QString::fromLocal8Bit(error.what())));
    }
}

PackReport importPack(const QString& file, Import::UserCollection& imports, const ImportOptions& options)
{
    std::vector<Saved> done;
    const QStringList missing = options.dryRun ? QStringList() : missingFolders(imports);
    try {
        QFile input(file);
        if (!input.open(QIODevice::ReadOnly))
            return refused(
                QStringLiteral("cannot read the pack %1: %2").arg(shown(file), input.errorString()));
        const Details::PackReader pack(&input);
        if (!pack.error().isEmpty())
            return refused(QStringLiteral("the pack %1 is refused: %2").arg(shown(file), pack.error()));

        const std::unique_ptr<Import::UserCollection> intros = Import::UserCollection::makeIntroCollection();
        Inventory inventory(imports);
        PackReport report;
        // One item at a time: its bundle is let go before the next is read.
        for (std::size_t index = 0; index < pack.size(); ++index) {
            const PackItem item = pack.item(index);
            ItemReport entry = reportOf(item, Outcome::Imported);
            if (const PackItem* there = inventory.find(item)) {
                entry.outcome = Outcome::AlreadyThere;
                entry.reason = QStringLiteral("already there as '%1'").arg(there->name);
            } else {
                const QString freeName = inventory.freeName(item);
                const Saved saved = options.dryRun ? Saved { freeName, {} }
                                                   : save(item, freeName != item.name, imports, *intros);
                if (saved.name.isEmpty()) {
                    undoAll(done, missing);
                    return failed(QStringLiteral("could not save the %1 '%2'; nothing was imported")
                                      .arg(typeName(item.type), item.name));
                }
                if (saved.undo)
                    done.push_back(saved);
                if (saved.name != item.name) {
                    entry.outcome = Outcome::Renamed;
                    entry.newName = saved.name;
                }
                inventory.add(item, saved.name);
            }
            report.items.push_back(entry);
            if (options.progress)
                options.progress(report.items.size(), pack.size());
        }
        report.ok = true;
        return report;
    } catch (const std::exception& error) {
        undoAll(done, missing);
        return failed(QStringLiteral("the import failed, nothing was imported: %1")
                          .arg(QString::fromLocal8Bit(error.what())));
    }
}

} // namespace Transfer
