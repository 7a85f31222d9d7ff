#pragma once

#include <usercollection_export.h>

#include <Model/ImportObject.h>
#include <Model/Timeline.h>
#include <Types/Image.h>

#include <QString>

#include <memory>
#include <string>

namespace Import {

// One collection of the user's own import items or intros: its collection id, the
// one category its items are filed under, and the folder their files go to. Holds
// no items; every operation asks the collection anew over the bus.
class USERCOLLECTION_EXPORT UserCollection
{
public:
    UserCollection(const std::string& id, const std::string& category, const QString& storagePath);
    UserCollection(const UserCollection& other);
    // Leaves other's storage path empty; id and category are copied.
    UserCollection(UserCollection&& other);
    UserCollection& operator=(const UserCollection&) = delete;
    UserCollection& operator=(UserCollection&&) = delete;
    ~UserCollection();

    std::string id() const;
    std::string category() const;
    QString storagePath() const;
    void setStoragePath(const QString& path);

    // The user's intros: CollectionID::INTROS, category "intros", the intros folder.
    static std::unique_ptr<UserCollection> makeIntroCollection();

    // Display names are the translated ids, compared exactly and case-sensitively.
    bool nameAvailable(const QString& name, Import::Object::Kind kind) const;
    // name itself when free among items of kind, else the first free "stem_NN".
    QString nextName(const QString& name, Import::Object::Kind kind) const;
    bool itemRemovable(const QString& name, Import::Object::Kind kind) const;

    // Stores item at fileName in the storage folder and registers the stored item.
    // Returns the item the collection now holds (not owned), or null; null also for
    // a file name that is empty, hidden or not directly in the storage folder.
    const Import::Object* saveUserImport(const Import::Object* item,
                                         const QString& fileName,
                                         const std::shared_ptr<const Types::Image>& preview,
                                         const QString& uniqueId);
    // Writes the timeline as a bundle in a new folder, stores the intro there under
    // name and registers it. Returns the item the collection now holds, or null (also
    // for a name that UTF-8 cannot hold).
    const Import::Object* saveUserIntro(const Timeline::Object* timeline,
                                        const QString& name,
                                        const std::shared_ptr<const Types::Image>& preview);

    // Removes the first item of kind called name from the store and the collection;
    // false when there is none.
    bool removeUserImport(const QString& name, Import::Object::Kind kind);
    void locateItem(const Import::Object* item);
    void locateCategory(bool flag);

private:
    QString m_storagePath;
    const std::string m_id;
    const std::string m_category;
};

} // namespace Import
