#include "transfer/PackFormat.h"

#include "EditorServices.h"
#include "FolderCatalogue.h"
#include "PersistentItem.h"
#include "RecordReader.h"
#include <sys/stat.h>
#include <usercollection_version.h>

#include <QBuffer>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <KArchive>
#include <KArchiveDirectory>
#include <KArchiveFile>
#include <KZip>
#include <KZipFileEntry>
#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <typeinfo>
#include <utility>
#include <vector>

namespace Transfer {
namespace Details {

namespace {

const char* const FormatName = "usercollection-pack";
const QString ManifestName = QStringLiteral("manifest.json");
const QString RecordName = QStringLiteral("record.xml");
const QString PreviewName = QStringLiteral("preview.png");
const QString BundleName = QStringLiteral("intro.bundle");

// Bounds that no honest pack comes near, so that a hostile one cannot choose how
// much is allocated or read.
constexpr qint64 MaxEntryBytes = qint64(64) << 20;
constexpr qint64 MaxPackBytes = qint64(1) << 30;
constexpr int MaxEntries = 400000;
constexpr int MaxDepth = 8;
// Deflate never expands data more than about 1032 times: a larger claim is a lie.
constexpr qint64 MaxDeflateRatio = 1100;

// A reason to refuse the whole pack.
struct Refusal {
    QString reason;
};

[[noreturn]] void refuse(const QString& reason)
{
    throw Refusal { reason };
}

// Pack paths are ours: short, relative, of plain names; anything else is hostile.
bool isPlainPath(const QString& path)
{
    static const QRegularExpression plain(
        QStringLiteral("^[A-Za-z0-9_-][A-Za-z0-9_.-]*(/[A-Za-z0-9_-][A-Za-z0-9_.-]*)*$"));
    return path.size() <= 255 && plain.match(path).hasMatch();
}

// A file name an import's record may have in any data folder: one name, no folder,
// any letters (spaces and accents as the host gives them), never one the listing
// passes over. It names no entry of the pack, so it need not be a plain path.
bool isPlainFileName(const QString& name)
{
    if (name.size() > 255 || name == QLatin1String("..") || name.contains(QLatin1Char('/'))
        || name.contains(QLatin1Char('\\')) || !EditorCollection::Catalogue::isRecordName(name))
        return false;
    return std::none_of(
        name.begin(), name.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

bool isLink(const KArchiveEntry& entry)
{
    return !entry.symLinkTarget().isEmpty() || S_ISLNK(entry.permissions());
}

// Every file of the archive by its path; links, strange names and too many
// entries refuse the pack.
void collectFiles(const KArchiveDirectory& folder, const QString& prefix, int depth,
    std::map<QString, const KArchiveFile*>& files)
{
    if (depth > MaxDepth)
        refuse(QStringLiteral("its folders nest too deep"));
    for (const QString& name : folder.entries()) {
        const KArchiveEntry* entry = folder.entry(name);
        const QString path = prefix + name;
        if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
            || name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char(':')))
            refuse(QStringLiteral("the entry '%1' has a path that leaves the pack").arg(path));
        if (!entry || isLink(*entry))
            refuse(QStringLiteral("the entry '%1' is a link").arg(path));
        if (files.size() >= std::size_t(MaxEntries))
            refuse(QStringLiteral("it holds too many entries"));
        if (entry->isDirectory())
            collectFiles(
                static_cast<const KArchiveDirectory&>(*entry), path + QLatin1Char('/'), depth + 1, files);
        else
            files.emplace(path, static_cast<const KArchiveFile*>(entry));
    }
}

// The files of a pack, each read once and within the bounds.
class Entries {
public:
    explicit Entries(const KArchiveDirectory& root) { collectFiles(root, QString(), 0, m_files); }

    // The bytes of the file at path, which is then used; refuses a missing, reused,
    // oversized or short one. Once all are taken, gives again one taken before.
    QByteArray take(const QString& path)
    {
        if (m_again) {
            const auto taken = m_taken.find(path);
            if (taken == m_taken.end())
                refuse(QStringLiteral("the manifest names '%1', which it did not before").arg(path));
            return readWithin(path, *taken->second);
        }
        if (!isPlainPath(path))
            refuse(QStringLiteral("the manifest names '%1', a path that leaves the pack").arg(path));
        const auto found = m_files.find(path);
        if (found == m_files.end())
            refuse(QStringLiteral("the manifest names '%1', which the pack does not hold").arg(path));
        const KArchiveFile* file = found->second;
        m_files.erase(found);
        m_taken.emplace(path, file);
        checkSize(path, *file);
        return readWithin(path, *file);
    }

    // From now on take() gives files taken before, and only those.
    void takeAgain() { m_again = true; }

    // What the manifest did not name.
    std::size_t left() const { return m_files.size(); }

private:
    // The entry's bytes, never more than it declares: a small entry that inflates to
    // gigabytes is refused after its declared size plus one byte.
    static QByteArray readWithin(const QString& path, const KArchiveFile& file)
    {
        const std::unique_ptr<QIODevice> device(file.createDevice());
        if (!device || (!device->isOpen() && !device->open(QIODevice::ReadOnly)))
            refuse(QStringLiteral("the entry '%1' is damaged").arg(path));
        QByteArray bytes(int(file.size()), Qt::Uninitialized);
        qint64 got = 0;
        while (got < bytes.size()) {
            const qint64 read = device->read(bytes.data() + got, bytes.size() - got);
            if (read <= 0)
                refuse(QStringLiteral("the entry '%1' is damaged").arg(path));
            got += read;
        }
        char more;
        if (device->read(&more, 1) > 0)
            refuse(QStringLiteral("the entry '%1' holds more than it declares").arg(path));
        return bytes;
    }

    void checkSize(const QString& path, const KArchiveFile& file)
    {
        const qint64 size = file.size();
        const auto* zipped = dynamic_cast<const KZipFileEntry*>(&file);
        const qint64 packed = zipped ? zipped->compressedSize() : size;
        m_total += size;
        if (size < 0 || size > MaxEntryBytes || m_total > MaxPackBytes || packed < 0
            || size > packed * MaxDeflateRatio + 1024)
            refuse(QStringLiteral("the entry '%1' declares a size far beyond its content").arg(path));
    }

    std::map<QString, const KArchiveFile*> m_files;
    std::map<QString, const KArchiveFile*> m_taken;
    qint64 m_total = 0;
    bool m_again = false;
};

quint32 littleEndian(const char* at, int bytes)
{
    quint32 value = 0;
    for (int index = bytes - 1; index >= 0; --index)
        value = (value << 8) | uchar(at[index]);
    return value;
}

// A name of the ZIP's central directory that stands there twice, as a path: one
// reader would take the first, another the last. Empty when none does or the
// directory cannot be found, which KZip then judges. Leaves device at its start.
QString entryNamedTwice(QIODevice* device)
{
    // The end record lies in the last 22 bytes, before a comment of up to 65535.
    const qint64 size = device->size();
    const qint64 tail = std::min<qint64>(size, 22 + 65535);
    QString twice;
    if (device->seek(size - tail)) {
        const QByteArray end = device->read(tail);
        const int at = end.lastIndexOf(QByteArrayLiteral("PK\x05\x06"));
        if (at >= 0 && end.size() - at >= 22) {
            const qint64 directorySize = littleEndian(end.constData() + at + 12, 4);
            const qint64 directoryAt = littleEndian(end.constData() + at + 16, 4);
            QSet<QString> names;
            qint64 offset = directoryAt;
            while (twice.isEmpty() && offset + 46 <= directoryAt + directorySize && offset + 46 <= size
                && device->seek(offset)) {
                const QByteArray header = device->read(46);
                if (header.size() != 46 || !header.startsWith(QByteArrayLiteral("PK\x01\x02")))
                    break;
                const int nameLength = int(littleEndian(header.constData() + 28, 2));
                const int extraLength = int(littleEndian(header.constData() + 30, 2));
                const int commentLength = int(littleEndian(header.constData() + 32, 2));
                // The same path however it is spelled with slashes.
                const QString name = QString::fromUtf8(device->read(nameLength))
                                         .split(QLatin1Char('/'), Qt::SkipEmptyParts)
                                         .join(QLatin1Char('/'));
                if (names.contains(name))
                    twice = name;
                names.insert(name);
                offset += 46 + nameLength + extraLength + commentLength;
            }
        }
    }
    device->seek(0);
    return twice;
}

// Whether an object of the JSON text has some key twice. Qt 5's parser leaks the
// values it drops for a repeated key, so such a manifest never reaches it.
bool repeatsAKey(const QByteArray& json)
{
    std::vector<std::set<QString>> objects;
    std::vector<bool> isObject;
    bool keyNext = false;
    for (int at = 0; at < json.size(); ++at) {
        const char c = json[at];
        if (c == '{' || c == '[') {
            isObject.push_back(c == '{');
            objects.emplace_back();
            keyNext = c == '{';
        } else if ((c == '}' || c == ']') && !isObject.empty()) {
            isObject.pop_back();
            objects.pop_back();
            keyNext = false;
        } else if (c == ',') {
            keyNext = !isObject.empty() && isObject.back();
        } else if (c == '"') {
            int end = at + 1;
            while (end < json.size() && json[end] != '"')
                end += json[end] == '\\' ? 2 : 1;
            if (keyNext) {
                const QByteArray token = json.mid(at, end + 1 - at);
                // A string alone in an array has no key to repeat: Qt decodes its escapes safely.
                const QString key = token.contains('\\')
                    ? QJsonDocument::fromJson('[' + token + ']').array().at(0).toString()
                    : QString::fromUtf8(token.mid(1, token.size() - 2));
                if (!objects.back().insert(key).second)
                    return true;
            }
            keyNext = false;
            at = end;
        }
    }
    return false;
}

QJsonObject parseManifest(const QByteArray& bytes)
{
    if (repeatsAKey(bytes))
        refuse(QStringLiteral("its manifest names a key twice"));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        refuse(QStringLiteral("its manifest is damaged"));
    const QJsonObject manifest = document.object();
    if (manifest.value(QStringLiteral("format")).toString() != QLatin1String(FormatName))
        refuse(QStringLiteral("its manifest is not one of a pack"));
    const int version = manifest.value(QStringLiteral("formatVersion")).toInt(0);
    if (version < 1)
        refuse(QStringLiteral("its manifest has no format version"));
    if (version > FormatVersion) {
        refuse(QStringLiteral("it is of pack format version %1; this program reads versions up to %2")
                   .arg(version)
                   .arg(FormatVersion));
    }
    return manifest;
}

ItemType parseType(const QString& word)
{
    if (const EditorCollection::ItemKind* kind = EditorCollection::itemKindCalled(word))
        return ItemType(int(kind->id));
    refuse(QStringLiteral("its manifest names an unknown item type '%1'").arg(word));
}

// The record in bytes, restored as the persistence service restores a file; the
// restored item is shared from then on.
template <class T>
EditorCollection::PersistentItem<T> restoreRecord(const QByteArray& bytes, std::shared_ptr<const T>& item)
{
    EditorCollection::LoadedRecords<T> records;
    if (EditorCollection::readRecordFrom(bytes, records)) {
        item.reset();
        return {};
    }
    EditorCollection::PersistentItem<T> record = records[0];
    item = records.take(0);
    return record;
}

// The pack's item types are the kinds, in the kinds' order.
static_assert(int(ItemType::Equalizer) == int(EditorCollection::ItemKindId::Equalizer)
    && int(ItemType::Enhance) == int(EditorCollection::ItemKindId::Enhance)
    && int(ItemType::Import) == int(EditorCollection::ItemKindId::Import)
    && int(ItemType::Intro) == int(EditorCollection::ItemKindId::Intro)
    && int(ItemType::Title) == int(EditorCollection::ItemKindId::Title));

const EditorCollection::ItemKind& kindOfType(ItemType type)
{
    return EditorCollection::itemKind(EditorCollection::ItemKindId(int(type)));
}

// Whether the restored item is of the type the manifest gives.
bool restoreAs(PackItem& item, const QByteArray& bytes)
{
    const EditorCollection::ItemKind& kind = kindOfType(item.type);
    return EditorCollection::withItemClass(kind.id, [&](auto itemClass) {
        using Stored = typename decltype(itemClass)::StoredType;
        std::shared_ptr<const Stored> restored;
        const auto record = restoreRecord<Stored>(bytes, restored);
        if (!restored || EditorCollection::kindOf(*restored) != &kind)
            return false;
        item = packItem(item.type, record, restored);
        return true;
    });
}

// One manifest entry and the files it names, checked against each other.
PackItem readItem(const QJsonObject& entry, int number, Entries& entries)
{
    const QString what = QStringLiteral("item %1").arg(number);
    PackItem item;
    item.type = parseType(entry.value(QStringLiteral("type")).toString());
    const QJsonObject files = entry.value(QStringLiteral("files")).toObject();
    const QString recordPath = files.value(QStringLiteral("record")).toString();
    if (recordPath.isEmpty())
        refuse(QStringLiteral("%1 of its manifest names no record").arg(what));
    if (!restoreAs(item, entries.take(recordPath)))
        refuse(QStringLiteral("the record of %1 is damaged").arg(what));
    if (item.name != entry.value(QStringLiteral("name")).toString()
        || QString::fromStdString(item.uniqueId) != entry.value(QStringLiteral("uniqueId")).toString())
        refuse(QStringLiteral("the record of %1 is not the one its manifest describes").arg(what));

    item.fileName = entry.value(QStringLiteral("fileName")).toString();
    if (item.type == ItemType::Import && !isPlainFileName(item.fileName))
        refuse(QStringLiteral("%1 of its manifest has no plain file name").arg(what));
    const QString previewPath = files.value(QStringLiteral("preview")).toString();
    if (!previewPath.isEmpty()) {
        item.preview = Types::Image::fromPng(entries.take(previewPath));
        if (!item.preview)
            refuse(QStringLiteral("the preview of %1 is damaged").arg(what));
    }
    const QString bundlePath = files.value(QStringLiteral("bundle")).toString();
    if (item.type == ItemType::Intro) {
        if (bundlePath.isEmpty())
            refuse(QStringLiteral("%1 of its manifest is an intro without its bundle").arg(what));
        setBundle(item, entries.take(bundlePath));
        if (!item.timeline)
            refuse(QStringLiteral("the bundle of %1 is damaged").arg(what));
    }
    return item;
}

// The record as the persistence service writes it, less the preview the pack
// holds beside it.
template <class T>
QByteArray recordBytes(const PackItem& item)
{
    EditorCollection::PersistentItem<T> record;
    record.uniqueId = item.uniqueId;
    record.item = item.as<T>();
    record.categories = item.categories;
    record.collectionId = item.collectionId;
    if (record.item && QString::fromStdString(record.item->id) != item.name)
        record.customStrings[record.item->id] = item.name.toStdString();

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Serialize::OutputArchive archive(&buffer);
    record.save(archive);
    return archive.finish() ? bytes : QByteArray();
}

QByteArray recordBytesOf(const PackItem& item)
{
    return EditorCollection::withItemClass(kindOfType(item.type).id,
        [&item](auto itemClass) { return recordBytes<typename decltype(itemClass)::StoredType>(item); });
}

bool writeEntry(KZip& zip, const QString& path, const QByteArray& bytes, const QDateTime& now)
{
    return zip.writeFile(path, bytes, 0100644, QString(), QString(), now, now, now);
}

} // namespace

} // namespace Details

QString typeName(ItemType type)
{
    return QString::fromLatin1(EditorCollection::itemKind(EditorCollection::ItemKindId(int(type))).word);
}

namespace Details {

struct PackReader::Data {
    QString error;
    std::unique_ptr<KZip> zip;
    std::unique_ptr<Entries> entries;
    QJsonArray items;
};

PackReader::PackReader(QIODevice* device)
    : d(std::make_unique<Data>())
{
    try {
        const QString twice = entryNamedTwice(device);
        if (!twice.isEmpty())
            refuse(QStringLiteral("it holds the entry '%1' twice").arg(twice));
        d->zip = std::make_unique<KZip>(device);
        if (!d->zip->open(QIODevice::ReadOnly))
            refuse(QStringLiteral("it is not a ZIP file, or a damaged one"));
        d->entries = std::make_unique<Entries>(*d->zip->directory());
        d->items = parseManifest(d->entries->take(ManifestName)).value(QStringLiteral("items")).toArray();
        // Each item is checked and let go: item() reads it again when it is used.
        for (int index = 0; index < d->items.size(); ++index)
            readItem(d->items[index].toObject(), index + 1, *d->entries);
        if (d->entries->left() != 0)
            refuse(QStringLiteral("it holds %1 entries its manifest does not list").arg(d->entries->left()));
        d->entries->takeAgain();
    } catch (const Refusal& refusal) {
        d->items = QJsonArray();
        d->entries.reset();
        d->zip.reset();
        d->error = refusal.reason;
    }
}

PackReader::~PackReader() = default;

QString PackReader::error() const
{
    return d->error;
}

std::size_t PackReader::size() const
{
    return std::size_t(d->items.size());
}

PackItem PackReader::item(std::size_t index) const
{
    if (index >= size())
        throw std::out_of_range("no such item in the pack");
    try {
        return readItem(d->items[int(index)].toObject(), int(index) + 1, *d->entries);
    } catch (const Refusal& refusal) {
        throw std::runtime_error(QStringLiteral("the pack changed while it was read: %1")
                                     .arg(refusal.reason)
                                     .toLocal8Bit()
                                     .toStdString());
    }
}

bool writePack(QIODevice* device, const std::vector<PackItem>& items, const Progress& progress)
{
    KZip zip(device);
    if (!zip.open(QIODevice::WriteOnly))
        return false;
    zip.setCompression(KZip::DeflateCompression);
    const QDateTime now = QDateTime::currentDateTimeUtc();

    QJsonArray entries;
    for (std::size_t index = 0; index < items.size(); ++index) {
        const PackItem& item = items[index];
        const QString folder = QStringLiteral("items/%1/").arg(index + 1);
        QJsonObject files { { QStringLiteral("record"), folder + RecordName } };
        const QByteArray record = recordBytesOf(item);
        if (record.isEmpty() || !writeEntry(zip, folder + RecordName, record, now))
            return false;
        const QByteArray preview = item.preview ? item.preview->encoded() : QByteArray();
        if (!preview.isEmpty()) {
            files[QStringLiteral("preview")] = folder + PreviewName;
            if (!writeEntry(zip, folder + PreviewName, preview, now))
                return false;
        }
        if (item.type == ItemType::Intro) {
            files[QStringLiteral("bundle")] = folder + BundleName;
            if (!writeEntry(zip, folder + BundleName, item.bundle, now))
                return false;
        }
        QJsonObject entry { { QStringLiteral("type"), typeName(item.type) },
            { QStringLiteral("name"), item.name },
            { QStringLiteral("uniqueId"), QString::fromStdString(item.uniqueId) },
            { QStringLiteral("collection"), QString::fromStdString(item.collectionId) },
            { QStringLiteral("files"), files } };
        if (item.type == ItemType::Import)
            entry[QStringLiteral("fileName")] = item.fileName;
        entries.append(entry);
        if (progress)
            progress(index + 1, items.size());
    }

    const QJsonObject manifest {
        { QStringLiteral("format"), QLatin1String(FormatName) },
        { QStringLiteral("formatVersion"), FormatVersion },
        { QStringLiteral("tool"), QStringLiteral("usercollection " USERCOLLECTION_VERSION_STRING) },
        { QStringLiteral("created"), now.toString(Qt::ISODate) },
        { QStringLiteral("items"), entries },
    };
    return writeEntry(zip, ManifestName, QJsonDocument(manifest).toJson(), now) && zip.close();
}

} // namespace Details
} // namespace Transfer
