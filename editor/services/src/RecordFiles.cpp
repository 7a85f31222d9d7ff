#include "RecordFiles.h"

#include <Serialize/AtomicFile.h>
#include <Settings/Settings.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <sys/stat.h>
#endif

namespace Services {
namespace Storage {

namespace {

struct Entry {
    enum Kind { File, Link, Folder };
    QString name;
    Kind kind;
};

// The files, links and folders directly in folder, unsorted. On Unix straight from
// readdir, which tells the kind of most entries without a call per entry: a folder
// of many records is listed at the cost of reading its names.
std::vector<Entry> entriesOf(const QString& folder)
{
    std::vector<Entry> entries;
#ifdef Q_OS_UNIX
    const QByteArray encodedFolder = QFile::encodeName(folder);
    DIR* dir = ::opendir(encodedFolder.constData());
    if (!dir)
        return entries;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat status;
            const QByteArray full = encodedFolder + '/' + name;
            if (::lstat(full.constData(), &status) != 0)
                continue;
            type = S_ISLNK(status.st_mode) ? DT_LNK : S_ISDIR(status.st_mode) ? DT_DIR : DT_REG;
        }
        if (type == DT_REG || type == DT_LNK || type == DT_DIR)
            entries.push_back({ QFile::decodeName(name),
                type == DT_REG       ? Entry::File
                    : type == DT_LNK ? Entry::Link
                                     : Entry::Folder });
    }
    ::closedir(dir);
#else
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        entries.push_back({ info.fileName(),
            info.isSymLink()   ? Entry::Link
                : info.isDir() ? Entry::Folder
                               : Entry::File });
    }
#endif
    return entries;
}

} // namespace

std::vector<FoundRecord> recordLocations(const QString& path)
{
    const QFileInfo info(path);
    if (info.isFile())
        return { FoundRecord { Location { path, QString() }, QString() } };
    if (!info.isDir())
        return {};

    std::vector<Entry> entries = entriesOf(path);
    // Plain code unit order: the same on every run and every locale.
    const auto byName = [](const Entry& a, const Entry& b) { return a.name < b.name; };
    std::sort(entries.begin(), entries.end(), byName);

    std::vector<FoundRecord> found;
    found.reserve(entries.size());
    const QString prefix = path + QLatin1Char('/');
    // A link may lead to a record listed already; plain files cannot repeat.
    QSet<QString> seen;
    const QString realFolder = info.canonicalFilePath();
    for (const Entry& entry : entries) {
        const QString file = prefix + entry.name;
        const bool isFolder
            = entry.kind == Entry::Folder || (entry.kind == Entry::Link && QFileInfo(file).isDir());
        Location location;
        if (isFolder) {
            location = { file + QLatin1Char('/') + RecordFileName, file };
            if (!QFileInfo(location.recordFile).isFile())
                continue;
        } else if (entry.name == RecordFileName) {
            location = { file, path };
        } else if (isRecordName(entry.name)) {
            location = { file, QString() };
        } else {
            continue;
        }
        if (entry.kind == Entry::File) {
            found.push_back({ std::move(location), QString() });
            continue;
        }
        const QString real = QFileInfo(location.recordFile).canonicalFilePath();
        const QFileInfo realInfo(real);
        // A link to a record beside it: that record is listed under its own name.
        const bool sibling = entry.kind == Entry::Link && realInfo.path() == realFolder;
        if (real.isEmpty() || seen.contains(real)
            || (sibling && isRecordName(realInfo.fileName())
                && std::binary_search(
                    entries.begin(), entries.end(), Entry { realInfo.fileName(), Entry::File }, byName)))
            continue;
        seen.insert(real);
        found.push_back({ std::move(location), real });
    }
    return found;
}

Location storeLocation(const QString& path)
{
    if (QFileInfo(path).isDir())
        return { QDir(path).filePath(RecordFileName), path };
    return { path, QString() };
}

QString recordNodeName(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return QString();
    try {
        Serialize::InputArchive archive(&in);
        return archive.peekNodeName();
    } catch (const Serialize::ArchiveError&) {
        return QString();
    }
}

bool holdsOnlyOwnFiles(const QString& folder)
{
    const QDir dir(folder);
    const auto entries = dir.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        const bool own = name == RecordFileName || name == OwnBundleName
            || isSaveTemporaryOf(name, RecordFileName) || isSaveTemporaryOf(name, OwnBundleName);
        if (!own || !entry.isFile() || entry.isSymLink())
            return false;
    }
    return true;
}

QString dataFolder()
{
    return cleanAbsolute(Settings::dataRoot());
}

bool writeRecordFile(const Serialize::ISerializable& record, const QString& file)
{
    try {
        return Serialize::writeAtomically(file, [&record](QIODevice& device) {
            Serialize::OutputArchive archive(&device);
            archive.setBaseFolder(dataFolder());
            // A record the reader would refuse is never written: it would take its
            // name and read back as damage.
            archive.setMaxBytes(MaxRecordBytes);
            record.save(archive);
            return archive.finish();
        });
    } catch (const std::invalid_argument& error) {
        qCWarning(lcPersistence).noquote() << "cannot write" << file << ":" << error.what();
        return false;
    }
}

void FileWarnings::warn(const QString& file, const QString& message)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_warned.contains(file))
            return;
        m_warned.insert(file);
    }
    qCWarning(lcPersistence).noquote() << message;
}

} // namespace Storage
} // namespace Services
