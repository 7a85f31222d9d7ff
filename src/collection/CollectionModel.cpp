#include "CollectionHelper.h"
#include "EditorServices.h"
#include "FetchedCollection.h"
#include "ItemKinds.h"
#include "ItemView.h"
#include "RecordEditing.h"
#include <Collection/CollectionModel.h>
#include <Effect/PresetEditing.h>
#include <Effect/UserEffects.h>
#include <Import/UserCollection.h>
#include <Import/UserItems.h>
#include <Overlay/UserTitles.h>
#include <Project/Writer.h>

#include <QCollator>
#include <QFileInfo>
#include <QLocale>
#include <QPixmap>
#include <QStringList>

#include <algorithm>
#include <functional>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace Collection {

namespace {

// The collection browser's order: display names as people sort them, numbers by
// value, English in the C locale, ties by code units.
class NameOrder {
public:
    NameOrder()
        : m_collator(QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale())
    {
        m_collator.setNumericMode(true);
    }
    bool operator()(const QString& a, const QString& b) const
    {
        const int order = m_collator.compare(a, b);
        return order != 0 ? order < 0 : a < b;
    }

private:
    QCollator m_collator;
};

struct Row {
    const void* key = nullptr;
    const PubSub::Object* object = nullptr;
    std::string id;
    QString name;
    QString kind;
    std::shared_ptr<const Types::Image> preview;
    mutable std::optional<QString> summary; // worked out when first asked for
};

QString kindOf(const Effect::Object& item)
{
    const EditorCollection::ItemKind* kind = EditorCollection::kindOf(item);
    return kind ? QString::fromLatin1(kind->word) : QStringLiteral("effect");
}

QString kindOf(const Import::Object& item)
{
    switch (item.kind) {
    case Import::Object::Video:
        return QStringLiteral("video");
    case Import::Object::Audio:
        return QStringLiteral("audio");
    case Import::Object::Picture:
        return QStringLiteral("picture");
    case Import::Object::Intro:
        return QStringLiteral("intro");
    case Import::Object::File:
        break;
    }
    return QStringLiteral("file");
}

QString kindOf(const Overlay::Preset&)
{
    return QStringLiteral("title");
}

QString summaryOf(const Effect::Object& item)
{
    if (const auto* equalizer = dynamic_cast<const Effect::AudioEqualizer*>(&item))
        return Effect::changedSettings(*equalizer);
    if (const auto* enhance = dynamic_cast<const Effect::ManualEnhance*>(&item))
        return Effect::changedSettings(*enhance);
    return QString();
}

QString summaryOf(const Import::Object& item)
{
    const QString path = QString::fromStdString(item.path);
    if (item.kind != Import::Object::Intro)
        return QFileInfo(path).fileName();
    const std::unique_ptr<Timeline::Object> timeline = Project::readBundle(path);
    return timeline ? QStringLiteral("%1 s").arg(double(timeline->duration()) / 1000.0, 0, 'f', 1)
                    : QStringLiteral("? s");
}

QString summaryOf(const Overlay::Preset& item)
{
    return QString::fromStdString(item.text);
}

bool renameItem(const std::string&, const Effect::Object* item, const QString& name)
{
    if (const auto* equalizer = dynamic_cast<const Effect::AudioEqualizer*>(item))
        return Effect::renameUserEffect(equalizer, name);
    if (const auto* enhance = dynamic_cast<const Effect::ManualEnhance*>(item))
        return Effect::renameUserEffect(enhance, name);
    return false;
}

bool renameItem(const std::string& collectionId, const Import::Object* item, const QString& name)
{
    Import::UserCollection collection(collectionId, std::string(), QString());
    return Import::renameUserItem(collection, item, name);
}

bool renameItem(const std::string&, const Overlay::Preset* item, const QString& name)
{
    return Overlay::renameUserTitle(item, name);
}

// The library removes an effect preset's file only; its collection lets go of it here.
bool removeItem(const std::string& collectionId, const Effect::Object* item)
{
    Effect::removeUserEffect(item);
    EditorCollection::CollectionHelper<Effect::Object> helper(collectionId);
    EditorCollection::eraseFromCollection(helper, item);
    return true;
}

bool removeItem(const std::string& collectionId, const Import::Object* item)
{
    Import::UserCollection collection(collectionId, std::string(), QString());
    return collection.removeUserImport(Translator::translate(item->id), item->kind);
}

bool removeItem(const std::string&, const Overlay::Preset* item)
{
    return Overlay::removeUserTitle(item);
}

} // namespace

// The rows in the browser's order, and what the bus tells of the collection.
struct CollectionModel::Rows {
    // The type-specific half: follows the container and renames items.
    class Source {
    public:
        virtual ~Source() = default;
        virtual bool renameRow(const Row& row, const QString& name) = 0;
        virtual bool removeRow(const Row& row) = 0;
        virtual QString summary(const Row& row) const = 0;
    };

    Rows(CollectionModel* model, ItemType type, const QString& collectionId)
        : model(model)
        , type(type)
        , collectionId(collectionId)
    {
    }

    int indexOf(const void* key) const
    {
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].key == key)
                return int(i);
        return -1;
    }

    // Where a row called name goes among the rows as they stand.
    int insertionPoint(const QString& name) const
    {
        const auto at = std::upper_bound(rows.begin(), rows.end(), name,
            [this](const QString& n, const Row& row) { return order(n, row.name); });
        return int(at - rows.begin());
    }

    // One change of the collection: removed rows go, rows of a removed and an added
    // item with one id (a record replaced) take the new item, renamed rows move,
    // added rows come in, changed previews are announced.
    void apply(std::vector<Row> added, std::unordered_set<const void*> removed,
        const std::unordered_map<const void*, std::shared_ptr<const Types::Image>>& previews);

    void remove(std::vector<int> indices);
    void insert(std::vector<Row> fresh);

    CollectionModel* const model;
    const ItemType type;
    const QString collectionId;
    const NameOrder order;
    std::vector<Row> rows;
    SavedTime savedTime;
    std::unique_ptr<Source> source;
};

void CollectionModel::Rows::remove(std::vector<int> indices)
{
    std::sort(indices.begin(), indices.end(), std::greater<int>());
    for (std::size_t i = 0; i < indices.size();) {
        const int last = indices[i];
        int first = last;
        while (++i < indices.size() && indices[i] == first - 1)
            first = indices[i];
        model->beginRemoveRows(QModelIndex(), first, last);
        rows.erase(rows.begin() + first, rows.begin() + last + 1);
        model->endRemoveRows();
    }
}

void CollectionModel::Rows::insert(std::vector<Row> fresh)
{
    std::stable_sort(
        fresh.begin(), fresh.end(), [this](const Row& a, const Row& b) { return order(a.name, b.name); });
    std::vector<int> points;
    points.reserve(fresh.size());
    for (const Row& row : fresh)
        points.push_back(insertionPoint(row.name));
    // Runs that land at one place come in as one range, the last first so that the
    // places found stay right.
    for (std::size_t end = fresh.size(); end > 0;) {
        std::size_t begin = end - 1;
        while (begin > 0 && points[begin - 1] == points[end - 1])
            --begin;
        const int at = points[end - 1];
        model->beginInsertRows(QModelIndex(), at, at + int(end - begin) - 1);
        rows.insert(rows.begin() + at, std::make_move_iterator(fresh.begin() + long(begin)),
            std::make_move_iterator(fresh.begin() + long(end)));
        model->endInsertRows();
        end = begin;
    }
}

void CollectionModel::Rows::apply(std::vector<Row> added, std::unordered_set<const void*> removed,
    const std::unordered_map<const void*, std::shared_ptr<const Types::Image>>& previews)
{
    std::vector<const void*> replaced;
    if (!removed.empty()) {
        // A record replaced on disk comes back as another item with the same id: its
        // row takes the new item and keeps its place (and a view its selection).
        std::unordered_map<std::string, std::size_t> removedById;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (removed.count(rows[i].key) && !rows[i].id.empty())
                removedById.emplace(rows[i].id, i);
        }
        for (auto it = added.begin(); it != added.end();) {
            const auto same = removedById.find(it->id);
            if (same == removedById.end()) {
                ++it;
                continue;
            }
            Row& row = rows[same->second];
            const QString name = row.name; // a rename is found below, like any other
            row = std::move(*it);
            row.name = name;
            replaced.push_back(row.key);
            removedById.erase(same);
            it = added.erase(it);
        }
        std::vector<int> gone;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (removed.count(rows[i].key))
                gone.push_back(int(i));
        }
        remove(std::move(gone));
    }
    for (const void* key : replaced) {
        const QModelIndex at = model->index(indexOf(key));
        emit model->dataChanged(at, at);
    }

    for (const auto& [key, preview] : previews) {
        const int index = indexOf(key);
        if (index < 0)
            continue;
        rows[std::size_t(index)].preview = preview;
        const QModelIndex at = model->index(index);
        emit model->dataChanged(at, at, { Qt::DecorationRole });
    }

    // Names come from the translator, so a rename shows in any change of the
    // collection, even one that keeps its items.
    std::vector<const void*> renamed;
    for (Row& row : rows) {
        const QString name = Translator::translate(row.id);
        if (name != row.name) {
            row.name = name;
            renamed.push_back(row.key);
        }
    }
    if (renamed.size() == 1) {
        // One rename, as a person makes it: a move, which keeps the selection.
        const int from = indexOf(renamed.front());
        const QString& name = rows[std::size_t(from)].name;
        int to = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (int(i) != from && !order(name, rows[i].name))
                ++to;
        }
        if (to != from) {
            model->beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
            Row moving = std::move(rows[std::size_t(from)]);
            rows.erase(rows.begin() + from);
            rows.insert(rows.begin() + to, std::move(moving));
            model->endMoveRows();
        }
        const QModelIndex at = model->index(to);
        emit model->dataChanged(at, at, { Qt::DisplayRole, Qt::EditRole });
    } else if (!renamed.empty()) {
        // Several at once: out, and in again each in its place.
        std::vector<int> indices;
        for (const void* key : renamed) {
            indices.push_back(indexOf(key));
            added.push_back(rows[std::size_t(indices.back())]);
        }
        remove(std::move(indices));
    }

    insert(std::move(added));
}

namespace {

template <class T>
class Follower : public CollectionModel::Rows::Source, private EditorCollection::View<T> {
public:
    using C = EditorCollection::Container<T>;

    Follower(CollectionModel::Rows& rows)
        : m_rows(rows)
        , m_collectionId(rows.collectionId.toStdString())
    {
        EditorCollection::CollectionHelper<T> helper(m_collectionId);
        if (const C* c = helper.getCollection().collection)
            this->observe(const_cast<C*>(c));
    }
    ~Follower() override = default;

    bool renameRow(const Row& row, const QString& name) override
    {
        return renameItem(m_collectionId, static_cast<const T*>(row.key), name);
    }

    bool removeRow(const Row& row) override
    {
        return removeItem(m_collectionId, static_cast<const T*>(row.key));
    }

    QString summary(const Row& row) const override { return summaryOf(*static_cast<const T*>(row.key)); }

private:
    void itemsAdded(const std::deque<const T*>& added) override
    {
        m_added.insert(m_added.end(), added.begin(), added.end());
    }
    void itemsRemoved(const std::deque<const T*>& removed) override
    {
        m_removed.insert(m_removed.end(), removed.begin(), removed.end());
    }
    void previewChanged(const T* item) override { m_previewChanged.push_back(item); }

    // Every hook of one change has run: the rows follow it in one go.
    void onContainerUpdated(const C* c) override
    {
        std::vector<Row> added;
        added.reserve(m_added.size());
        for (const T* item : m_added) {
            if (!item)
                continue;
            Row row;
            row.key = item;
            row.object = item;
            row.id = item->id;
            row.name = Translator::translate(item->id);
            row.kind = kindOf(*item);
            const auto preview = c->previews.find(item);
            if (preview != c->previews.end())
                row.preview = preview->second;
            added.push_back(std::move(row));
        }
        std::unordered_set<const void*> removed(m_removed.begin(), m_removed.end());
        std::unordered_map<const void*, std::shared_ptr<const Types::Image>> previews;
        for (const T* item : m_previewChanged) {
            const auto preview = c->previews.find(item);
            previews[item] = preview == c->previews.end() ? nullptr : preview->second;
        }
        m_added.clear();
        m_removed.clear();
        m_previewChanged.clear();
        m_rows.apply(std::move(added), std::move(removed), previews);
    }

    CollectionModel::Rows& m_rows;
    const std::string m_collectionId;
    std::vector<const T*> m_added;
    std::vector<const T*> m_removed;
    std::vector<const T*> m_previewChanged;
};

} // namespace

CollectionModel::CollectionModel(ItemType type, const QString& collectionId, QObject* parent)
    : QAbstractListModel(parent)
    , m_rows(std::make_unique<Rows>(this, type, collectionId))
{
    switch (type) {
    case ItemType::Effects:
        m_rows->source = std::make_unique<Follower<Effect::Object>>(*m_rows);
        break;
    case ItemType::Imports:
        m_rows->source = std::make_unique<Follower<Import::Object>>(*m_rows);
        break;
    case ItemType::Titles:
        m_rows->source = std::make_unique<Follower<Overlay::Preset>>(*m_rows);
        break;
    }
}

CollectionModel::~CollectionModel()
{
    // The follower stops observing before the rows it reports to go.
    m_rows->source.reset();
}

CollectionModel::ItemType CollectionModel::itemType() const
{
    return m_rows->type;
}

QString CollectionModel::collectionId() const
{
    return m_rows->collectionId;
}

const PubSub::Object* CollectionModel::item(int row) const
{
    return row >= 0 && row < rowCount() ? m_rows->rows[std::size_t(row)].object : nullptr;
}

int CollectionModel::rowOf(const QString& id) const
{
    const std::string wanted = id.toStdString();
    for (std::size_t i = 0; i < m_rows->rows.size(); ++i)
        if (m_rows->rows[i].id == wanted)
            return int(i);
    return -1;
}

bool CollectionModel::isRow(const QModelIndex& index) const
{
    return index.isValid() && index.model() == this && !index.parent().isValid() && index.column() == 0
        && index.row() < rowCount();
}

void CollectionModel::setSavedTime(SavedTime savedTime)
{
    m_rows->savedTime = std::move(savedTime);
}

int CollectionModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows->rows.size());
}

QVariant CollectionModel::data(const QModelIndex& index, int role) const
{
    if (!isRow(index))
        return QVariant();
    const Row& row = m_rows->rows[std::size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return row.name;
    case Qt::DecorationRole:
        if (row.preview && !row.preview->isNull())
            return row.preview->pixmap();
        return QVariant();
    case IdRole:
        return QString::fromStdString(row.id);
    case KindRole:
        return row.kind;
    case SavedRole:
        return m_rows->savedTime && row.object ? m_rows->savedTime(*row.object) : QDateTime();
    case Qt::ToolTipRole:
    case SummaryRole:
        if (!row.summary)
            row.summary = m_rows->source->summary(row);
        return *row.summary;
    default:
        return QVariant();
    }
}

bool CollectionModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!isRow(index) || (role != Qt::EditRole && role != Qt::DisplayRole))
        return false;
    const QString name = value.toString().trimmed();
    if (name.isEmpty())
        return false;
    // The rename comes back over the bus as a change of the collection, which
    // moves the row where its new name sorts.
    const Row row = m_rows->rows[std::size_t(index.row())];
    return m_rows->source->renameRow(row, name);
}

bool CollectionModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || row < 0 || count < 1 || row + count > rowCount())
        return false;
    // The rows go as the collection tells of it; each removal may move the others.
    std::vector<Row> leaving(m_rows->rows.begin() + row, m_rows->rows.begin() + row + count);
    bool removed = true;
    for (const Row& item : leaving)
        removed = m_rows->source->removeRow(item) && removed;
    return removed;
}

Qt::ItemFlags CollectionModel::flags(const QModelIndex& index) const
{
    if (!isRow(index))
        return Qt::NoItemFlags;
    return QAbstractListModel::flags(index) | Qt::ItemIsEditable | Qt::ItemNeverHasChildren;
}

QHash<int, QByteArray> CollectionModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(IdRole, "id");
    names.insert(KindRole, "kind");
    names.insert(SavedRole, "saved");
    names.insert(SummaryRole, "summary");
    return names;
}

} // namespace Collection
