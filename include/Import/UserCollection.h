#pragma once

#include <Model/ImportObject.h>
#include <Model/Timeline.h>
#include <Types/Image.h>
#include <usercollection_export.h>

#include <QString>

#include <memory>
#include <string>

/// @file
/// The user's own imports and intros.

/// Import items and the user's collections of them.
namespace Import {

/// One collection of the user's own import items or intros: its collection id, the
/// one category its items are filed under, and the folder their files go to. Holds
/// no items; every operation asks the collection anew over the bus.
class USERCOLLECTION_EXPORT UserCollection {
public:
    /// A collection with collection id @p id whose items are filed under @p category
    /// and stored in the folder @p storagePath.
    UserCollection(const std::string& id, const std::string& category, const QString& storagePath);
    /// Copies the id, the category and the storage path.
    UserCollection(const UserCollection& other);
    /// Leaves @p other's storage path empty; id and category are copied.
    UserCollection(UserCollection&& other);
    UserCollection& operator=(const UserCollection&) = delete;
    UserCollection& operator=(UserCollection&&) = delete;
    ~UserCollection();

    /// The collection id.
    std::string id() const;
    /// The category the items are filed under.
    std::string category() const;
    /// The folder the items' files go to.
    QString storagePath() const;
    /// Sends the files of later saves to @p path.
    void setStoragePath(const QString& path);

    /// The user's intros: CollectionID::INTROS, category "intros", the intros folder.
    /// @return a new collection, owned by the caller.
    static std::unique_ptr<UserCollection> makeIntroCollection();

    /// Whether no item of @p kind shows @p name. Display names are the translated ids,
    /// compared exactly and case-sensitively.
    bool nameAvailable(const QString& name, Import::Object::Kind kind) const;
    /// A display name for a new item of @p kind.
    /// @return @p name itself when free among items of @p kind, else the first free "stem_NN".
    QString nextName(const QString& name, Import::Object::Kind kind) const;
    /// Whether the collection lists an item of @p kind called @p name as removable.
    bool itemRemovable(const QString& name, Import::Object::Kind kind) const;

    /// Stores @p item at @p fileName in the storage folder and registers the stored item.
    /// @return the item the collection now holds (not owned), or null; null also for a
    ///         null item and for a file name that is empty, hidden or not directly in the
    ///         storage folder.
    const Import::Object* saveUserImport(const Import::Object* item, const QString& fileName,
        const std::shared_ptr<const Types::Image>& preview, const QString& uniqueId);
    /// Writes @p timeline as a bundle in a new folder, stores the intro there under
    /// @p name and registers it.
    /// @return the item the collection now holds (not owned), or null; null also for a
    ///         null timeline and for a name that UTF-8 cannot hold.
    const Import::Object* saveUserIntro(const Timeline::Object* timeline, const QString& name,
        const std::shared_ptr<const Types::Image>& preview);

    /// Removes the first item of @p kind called @p name from the store and the collection.
    /// @return false when there is none.
    bool removeUserImport(const QString& name, Import::Object::Kind kind);
    /// Asks the collection browser to show the collection, then @p item (null is passed on).
    void locateItem(const Import::Object* item);
    /// Asks the collection browser to show the collection, then the category; @p flag is
    /// passed on with the request.
    void locateCategory(bool flag);

private:
    QString m_storagePath;
    const std::string m_id;
    const std::string m_category;
};

} // namespace Import
