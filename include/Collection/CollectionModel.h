#pragma once

#include <usercollection_export.h>

#include <QAbstractListModel>
#include <QDateTime>
#include <QHash>
#include <QString>

#include <functional>
#include <memory>

/// @file
/// A Qt item model of one collection, for the editor's views.

namespace PubSub {
class Object;
}

namespace Collection {

/// Follows one collection of the collection service over the bus and shows its
/// items as rows: one row per item, in the order the collection browser draws them
/// (display names as people sort them: "Take 2" before "Take 10"). Every change of
/// the collection, wherever it comes from (this process, or another one through the
/// collection service's watch of the data folder), arrives as rows inserted, removed
/// or moved and data changed; the model never resets. Lives on the thread that
/// publishes on the bus; a collection service must be running when it is built,
/// and when it goes away the model empties.
///
/// Roles: Qt::DisplayRole and Qt::EditRole, the display name; Qt::DecorationRole,
/// the preview as a QPixmap (decoded only when a view asks for that row; none when
/// the item has no preview); Qt::ToolTipRole, the summary; and the roles of Role.
/// setData() on the display name renames the item through the library's exported
/// rename functions, with their rules (a name that another item has is refused).
class USERCOLLECTION_EXPORT CollectionModel : public QAbstractListModel {
    Q_OBJECT
public:
    /// The item type of the collection: effect presets, imports and intros, or titles.
    enum class ItemType { Effects, Imports, Titles };

    /// The roles beyond Qt's own.
    enum Role {
        IdRole = Qt::UserRole + 1, ///< the item's id (QString)
        KindRole, ///< "equalizer", "enhance", "file", "video", "audio", "picture", "intro" or "title"
        SavedRole, ///< when its record was last written (QDateTime; invalid when unknown)
        SummaryRole, ///< one line: an effect's settings, a title's text, an intro's length, a media file
    };

    /// Where SavedRole comes from: the time the record of an item was written.
    using SavedTime = std::function<QDateTime(const PubSub::Object& item)>;

    /// Follows the collection @p collectionId of item type @p type; the collection
    /// is created empty when the collection service has none of that id yet.
    CollectionModel(ItemType type, const QString& collectionId, QObject* parent = nullptr);
    ~CollectionModel() override;

    /// The item type given at construction.
    ItemType itemType() const;
    /// The id of the collection followed.
    QString collectionId() const;

    /// The item that @p row shows, as its collection holds it (an Effect::Object,
    /// Import::Object or Overlay::Preset); null for a row out of range. Valid until
    /// the row leaves the model.
    const PubSub::Object* item(int row) const;
    /// The row of the item with id @p id; -1 when none.
    int rowOf(const QString& id) const;

    /// Reads SavedRole through @p savedTime (the host asks its persistence service
    /// for the record file); without one SavedRole is invalid.
    void setSavedTime(SavedTime savedTime);

    /// The number of items; 0 under a valid @p parent (a list has no children).
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    /// What @p role shows of the item of @p index (see the class); an invalid
    /// QVariant for an index out of range or another role.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    /// Renames the item of @p index when @p role is Qt::EditRole or Qt::DisplayRole;
    /// false for another role, a blank name, or a rename the library refused.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    /// Removes the items of the rows through the library (their records are deleted);
    /// the rows leave as the collection tells of it. False when a removal failed.
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    /// Every row is enabled, selectable and editable (its display name).
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    /// Qt's role names, and "id", "kind", "saved" and "summary".
    QHash<int, QByteArray> roleNames() const override;

    /// @cond
    struct Rows;
    /// @endcond

private:
    bool isRow(const QModelIndex& index) const;

    std::unique_ptr<Rows> m_rows;
};

} // namespace Collection
