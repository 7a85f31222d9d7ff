#include "CollectionKeeper.h"

#include <Model/EffectObject.h>
#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>
#include <QDir>
#include <Services/CollectionService.h>
#include <tuple>
#include <vector>

namespace Services {

struct CollectionService::Keepers {
    template <class T>
    CollectionKeeper<T>& of()
    {
        return std::get<CollectionKeeper<T>>(all);
    }

    std::tuple<CollectionKeeper<Effect::Object>, CollectionKeeper<Import::Object>,
        CollectionKeeper<Overlay::Preset>>
        all;
};

CollectionService::CollectionService()
    : m_keepers(std::make_unique<Keepers>())
{
}

CollectionService::~CollectionService() = default;

template <class T>
const EditorCollection::Container<T>* CollectionService::container(const std::string& collectionId) const
{
    return m_keepers->of<T>().find(collectionId);
}

template <class T>
void CollectionService::loadFolder(const QString& path)
{
    std::deque<EditorCollection::PersistentItem<T>> records;
    {
        EditorCollection::PersistentItemHelper<T> helper;
        records = helper.load(path.toStdString());
    }
    // Every loaded item is ours until a collection takes it.
    std::vector<std::unique_ptr<const T>> loaded;
    loaded.reserve(records.size());
    for (const auto& record : records)
        loaded.emplace_back(record.item);

    CollectionKeeper<T>& keeper = m_keepers->of<T>();
    std::vector<const EditorCollection::PersistentItem<T>*> accepted;
    for (const auto& record : records)
        if (keeper.accepts(record))
            accepted.push_back(&record);
    // What the keeper took is its own, even when a later collection failed.
    const auto handOver = [&] {
        for (auto& item : loaded)
            if (keeper.holds(item.get()))
                static_cast<void>(item.release());
    };
    try {
        keeper.registerRecords(accepted);
    } catch (...) {
        handOver();
        throw;
    }
    handOver();
}

void CollectionService::loadFolder(const QString& dataRoot)
{
    const QDir root(dataRoot);
    const QDir effects(root.filePath(QStringLiteral("effects")));
    if (effects.exists())
        for (const QString& type : effects.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            loadFolder<Effect::Object>(effects.filePath(type));
    for (const char* folder : { "intros", "imports" })
        if (root.exists(QLatin1String(folder)))
            loadFolder<Import::Object>(root.filePath(QLatin1String(folder)));
    if (root.exists(QStringLiteral("overlays")))
        loadFolder<Overlay::Preset>(root.filePath(QStringLiteral("overlays")));
}

template const EditorCollection::Container<Effect::Object>* CollectionService::container<Effect::Object>(
    const std::string&) const;
template const EditorCollection::Container<Import::Object>* CollectionService::container<Import::Object>(
    const std::string&) const;
template const EditorCollection::Container<Overlay::Preset>* CollectionService::container<Overlay::Preset>(
    const std::string&) const;

template void CollectionService::loadFolder<Effect::Object>(const QString&);
template void CollectionService::loadFolder<Import::Object>(const QString&);
template void CollectionService::loadFolder<Overlay::Preset>(const QString&);

} // namespace Services
