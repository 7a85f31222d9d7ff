#pragma once

#include <QString>
#include <memory>

namespace Services {

// Answers the persistent item requests of Effect::Object, Import::Object and
// Overlay::Preset with XML files below the folders it serves (the data root current
// at each request, and every allowed folder), from construction to destruction.
// A store replaces no file but a record of the same item, and writes no file that a
// folder's listing would skip (a hidden one).
class PersistenceService {
public:
    // The file that holds the record stored at a folder.
    static constexpr const char* RecordFileName = "record.xml";

    PersistenceService();
    ~PersistenceService();
    PersistenceService(const PersistenceService&) = delete;
    PersistenceService& operator=(const PersistenceService&) = delete;

    // Serves path and everything below it as well; an empty path is ignored.
    void allowFolder(const QString& path);

private:
    struct Endpoints;
    std::unique_ptr<Endpoints> m_endpoints;
};

} // namespace Services
