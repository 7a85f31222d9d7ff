#include "RecordFiles.h"

#include <QDir>
#include <QFileInfo>
#include <Serialize/AtomicFile.h>
#include <Settings/Settings.h>
#include <algorithm>
#include <stdexcept>
#include <utility>

namespace Services {
namespace Storage {

std::vector<FoundRecord> recordLocations(const QString& path)
{
    const QFileInfo info(path);
    if (info.isFile())
        return { FoundRecord { Location { path, QString() }, QString() } };
    if (!info.isDir())
        return {};

    std::vector<std::pair<QString, FoundRecord>> found;
    QSet<QString> seen; // a link must not bring one record twice
    const QDir folder(path);
    // A plain file's real path is the folder's real path and its name: one
    // resolution for the folder rather than one per file.
    const QString realFolder = info.canonicalFilePath();
    const auto entries = folder.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        Location location;
        if (entry.isDir()) {
            location = { QDir(entry.filePath()).filePath(RecordFileName), entry.filePath() };
            if (!QFileInfo(location.recordFile).isFile())
                continue;
        } else if (entry.fileName() == RecordFileName) {
            location = { entry.filePath(), path };
        } else if (isRecordName(entry.fileName())) {
            location = { entry.filePath(), QString() };
        } else {
            continue;
        }
        const QString real = entry.isFile() && !entry.isSymLink() && !realFolder.isEmpty()
            ? realFolder + QLatin1Char('/') + entry.fileName()
            : QFileInfo(location.recordFile).canonicalFilePath();
        if (seen.contains(real))
            continue;
        seen.insert(real);
        found.emplace_back(entry.fileName(), FoundRecord { std::move(location), real });
    }
    // Plain code unit order: the same on every run and every locale.
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    std::vector<FoundRecord> result;
    result.reserve(found.size());
    for (auto& [name, record] : found)
        result.push_back(std::move(record));
    return result;
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
    if (!in.open(QIODevice::ReadOnly))
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
    const auto entries
        = dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
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
