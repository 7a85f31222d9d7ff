#pragma once

#include <Collection/CollectionModel.h>

#include <QMainWindow>
#include <QString>

#include <memory>

class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QSortFilterProxyModel;

namespace Import {
class UserCollection;
}
namespace Services {
class PersistenceService;
class CollectionService;
} // namespace Services

namespace Browser {

// The user's collections over one data folder, live: the collections on the left,
// the chosen one's tiles on the right, a search field above them. Renames in place
// (F2), removes (Delete), exports the selection as a pack and imports a pack dropped
// on it. Changes other processes make to the folder show within a second.
class BrowserWindow : public QMainWindow {
public:
    // Serves dataRoot (created if missing) with its own services.
    explicit BrowserWindow(const QString& dataRoot, QWidget* parent = nullptr);
    ~BrowserWindow() override;

    // Chooses the collection collectionId; false when there is none of that id.
    bool showCollection(const QString& collectionId);
    // The items of the chosen collection whose names hold text, in any case.
    void search(const QString& text);
    // Removes the selected items; false when a removal failed.
    bool removeSelected();
    // Writes the selected items into the pack file; the report's error otherwise.
    QString exportSelection(const QString& file);
    // Adds the items of the pack file; one line that says what came of it.
    QString importPack(const QString& file);

    QListWidget* collectionList() const { return m_collections; }
    QListView* tileView() const { return m_tiles; }
    QLineEdit* searchField() const { return m_search; }
    Collection::CollectionModel* model() const { return m_model.get(); }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildActions();
    void refreshCollections();
    void chooseCollection();
    void askForExport();
    void askForImport();

    QString m_dataRoot;
    std::unique_ptr<Services::PersistenceService> m_persistence;
    std::unique_ptr<Services::CollectionService> m_collectionService;
    std::unique_ptr<Import::UserCollection> m_imports;
    std::unique_ptr<Collection::CollectionModel> m_model;
    QSortFilterProxyModel* m_filter;
    QListWidget* m_collections;
    QListView* m_tiles;
    QLineEdit* m_search;
};

} // namespace Browser
