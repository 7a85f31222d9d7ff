#pragma once

#include <Import/UserCollection.h>

#include <QLockFile>
#include <QString>

#include <memory>
#include <string>

namespace Services {
class PersistenceService;
class CollectionService;
class CollectionBrowser;
} // namespace Services

namespace Cli {

// The editor's modules over one data folder, for one command: the persistence
// service, the collection service (which reads the records of an item type when a
// collection of that type is first needed), the collection browser, and the two
// user collections.
class Host {
public:
    // Serves dataRoot (which need not exist yet); a path that is not a folder is
    // refused with a failure.
    explicit Host(const QString& dataRoot);
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    QString dataRoot() const { return m_dataRoot; }

    // Creates the data folder if needed, checks that files can be written in it and
    // takes the data folder's lock; a failure otherwise. Called by every command
    // before it reads what it will change, so that reading, naming and saving are one
    // step against other processes on the same folder.
    void prepareForWriting();
    // Takes the data folder's lock (an existing folder) until this host is destroyed;
    // waits while another process holds it, and takes over one a killed process left.
    void lock();

    Services::PersistenceService& persistence() { return *m_persistence; }
    Services::CollectionService& collections() { return *m_collections; }
    Services::CollectionBrowser& browser() { return *m_browser; }
    Import::UserCollection& imports() { return m_imports; }
    Import::UserCollection& intros() { return *m_intros; }

    // Where pictures of collections go unless the user names a file.
    QString picturesPath() const;

private:
    // Holds back SIGINT, SIGTERM and SIGHUP from the first write until this host is
    // gone, so that an interrupted command finishes the write in progress first.
    class SignalsHeld;

    void putAwayInterruptedSaves();

    QString m_dataRoot;
    std::unique_ptr<SignalsHeld> m_signalsHeld;
    std::unique_ptr<QLockFile> m_lock;
    // Destroyed in reverse: the browser stops following the containers before the
    // collection service deletes them with their items.
    std::unique_ptr<Services::PersistenceService> m_persistence;
    std::unique_ptr<Services::CollectionService> m_collections;
    std::unique_ptr<Services::CollectionBrowser> m_browser;
    Import::UserCollection m_imports;
    std::unique_ptr<Import::UserCollection> m_intros;
};

// The category of the user's own imports in the imports collection.
extern const std::string UserImportsCategory;
// The data folder's lock file, hidden like every file no listing reads.
extern const QString LockFileName;

} // namespace Cli
