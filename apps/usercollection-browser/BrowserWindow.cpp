#include "BrowserWindow.h"

#include "TileDelegate.h"
#include <ContainerView.h>
#include <Import/UserCollection.h>
#include <Model/CollectionID.h>
#include <Model/EffectObject.h>
#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>
#include <Services/CollectionService.h>
#include <Services/PersistenceService.h>
#include <Settings/Settings.h>
#include <Transfer/Pack.h>

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <type_traits>

namespace Browser {

namespace {

using ItemType = Collection::CollectionModel::ItemType;

constexpr int IdRole = Qt::UserRole;
constexpr int TypeRole = Qt::UserRole + 1;
// New collections are rare; a look every second finds them soon enough.
constexpr int CollectionsRefreshMs = 1000;

Transfer::ItemType packType(const QString& kind)
{
    if (kind == QLatin1String("equalizer"))
        return Transfer::ItemType::Equalizer;
    if (kind == QLatin1String("enhance"))
        return Transfer::ItemType::Enhance;
    if (kind == QLatin1String("intro"))
        return Transfer::ItemType::Intro;
    if (kind == QLatin1String("title"))
        return Transfer::ItemType::Title;
    return Transfer::ItemType::Import;
}

} // namespace

BrowserWindow::BrowserWindow(const QString& dataRoot, QWidget* parent)
    : QMainWindow(parent)
    , m_dataRoot(dataRoot)
{
    QDir().mkpath(dataRoot);
    Settings::setDataRoot(dataRoot);
    m_persistence = std::make_unique<Services::PersistenceService>();
    m_collectionService = std::make_unique<Services::CollectionService>();
    m_collectionService->watchForChanges();
    m_collectionService->loadWhenFirstNeeded(Settings::dataRoot());
    m_imports = std::make_unique<Import::UserCollection>(
        EditorCollection::CollectionID::IMPORTS, "my_imports", Settings::userImportsPath());

    setWindowTitle(tr("User collections - %1").arg(QDir::toNativeSeparators(dataRoot)));
    setAcceptDrops(true);

    m_collections = new QListWidget;
    m_collections->setAccessibleName(tr("Collections"));
    m_search = new QLineEdit;
    m_search->setPlaceholderText(tr("Search (Ctrl+F)"));
    m_search->setAccessibleName(tr("Search"));

    m_filter = new QSortFilterProxyModel(this);
    m_filter->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_filter->setFilterRole(Qt::DisplayRole);

    m_tiles = new QListView;
    m_tiles->setAccessibleName(tr("Items"));
    m_tiles->setViewMode(QListView::IconMode);
    m_tiles->setMovement(QListView::Static);
    m_tiles->setResizeMode(QListView::Adjust);
    m_tiles->setUniformItemSizes(true);
    m_tiles->setGridSize(QSize(TileDelegate::TileWidth, TileDelegate::TileHeight));
    m_tiles->setSpacing(0);
    m_tiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tiles->setEditTriggers(QAbstractItemView::EditKeyPressed);
    m_tiles->setItemDelegate(new TileDelegate(m_tiles));
    m_tiles->setModel(m_filter);
    QPalette dark = m_tiles->palette();
    dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
    m_tiles->setPalette(dark);

    auto* right = new QWidget;
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(m_search);
    rightLayout->addWidget(m_tiles);
    auto* split = new QSplitter;
    split->addWidget(m_collections);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    split->setSizes({ 160, 520 });
    setCentralWidget(split);
    setTabOrder(m_collections, m_search);
    setTabOrder(m_search, m_tiles);
    resize(700, 420);

    connect(m_search, &QLineEdit::textChanged, this, [this](const QString& text) { search(text); });
    connect(m_collections, &QListWidget::currentRowChanged, this, [this] { chooseCollection(); });
    buildActions();

    refreshCollections();
    if (m_collections->count() > 0)
        m_collections->setCurrentRow(0);
    auto* refresh = new QTimer(this);
    connect(refresh, &QTimer::timeout, this, [this] { refreshCollections(); });
    refresh->start(CollectionsRefreshMs);
    statusBar()->showMessage(tr("Drop a pack on the window to import it"));
}

BrowserWindow::~BrowserWindow()
{
    // The model stops following before the collection service goes.
    m_filter->setSourceModel(nullptr);
    m_model.reset();
}

void BrowserWindow::buildActions()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* import = file->addAction(tr("&Import a pack..."), this, [this] { askForImport(); });
    import->setShortcut(QKeySequence(tr("Ctrl+I")));
    QAction* exportAction = file->addAction(tr("&Export the selection..."), this, [this] { askForExport(); });
    exportAction->setShortcut(QKeySequence(tr("Ctrl+E")));
    file->addSeparator();
    QAction* quit = file->addAction(tr("&Quit"), this, [this] { close(); });
    quit->setShortcut(QKeySequence::Quit);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    QAction* find = edit->addAction(tr("&Find"), this, [this] {
        m_search->setFocus(Qt::ShortcutFocusReason);
        m_search->selectAll();
    });
    find->setShortcut(QKeySequence::Find);
    QAction* rename = edit->addAction(tr("&Rename"), this, [this] {
        if (m_tiles->currentIndex().isValid())
            m_tiles->edit(m_tiles->currentIndex());
    });
    rename->setShortcut(QKeySequence(Qt::Key_F2));
    rename->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_tiles->addAction(rename);
    QAction* remove = edit->addAction(tr("&Delete"), this, [this] { removeSelected(); });
    remove->setShortcut(QKeySequence::Delete);
    remove->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_tiles->addAction(remove);
}

void BrowserWindow::refreshCollections()
{
    struct Entry {
        QString id;
        ItemType type;
        int count;
    };
    std::vector<Entry> entries;
    auto add = [&](auto* typeTag, ItemType type) {
        using T = std::remove_pointer_t<decltype(typeTag)>;
        for (const std::string& id : m_collectionService->collectionIds<T>()) {
            const int count = int(m_collectionService->collection<T>(id).items.size());
            const QString name = QString::fromStdString(id);
            if (count > 0 || (m_model && m_model->collectionId() == name))
                entries.push_back({ name, type, count });
        }
    };
    add(static_cast<Effect::Object*>(nullptr), ItemType::Effects);
    add(static_cast<Import::Object*>(nullptr), ItemType::Imports);
    add(static_cast<Overlay::Preset*>(nullptr), ItemType::Titles);

    // Rebuilt only when something differs, so that the current entry stays.
    bool same = m_collections->count() == int(entries.size());
    for (int i = 0; same && i < m_collections->count(); ++i) {
        const QListWidgetItem* item = m_collections->item(i);
        same = item->data(IdRole).toString() == entries[std::size_t(i)].id
            && item->data(TypeRole).toInt() == int(entries[std::size_t(i)].type);
    }
    if (!same) {
        const QString current = m_model ? m_model->collectionId() : QString();
        const QSignalBlocker quiet(m_collections);
        m_collections->clear();
        for (const Entry& entry : entries) {
            auto* item = new QListWidgetItem(m_collections);
            item->setData(IdRole, entry.id);
            item->setData(TypeRole, int(entry.type));
            if (entry.id == current)
                m_collections->setCurrentItem(item);
        }
    }
    for (int i = 0; i < m_collections->count(); ++i) {
        QListWidgetItem* item = m_collections->item(i);
        item->setText(
            QStringLiteral("%1 (%2)").arg(entries[std::size_t(i)].id).arg(entries[std::size_t(i)].count));
    }
}

bool BrowserWindow::showCollection(const QString& collectionId)
{
    for (int i = 0; i < m_collections->count(); ++i) {
        if (m_collections->item(i)->data(IdRole).toString() == collectionId) {
            m_collections->setCurrentRow(i);
            return true;
        }
    }
    return false;
}

void BrowserWindow::chooseCollection()
{
    const QListWidgetItem* item = m_collections->currentItem();
    if (!item)
        return;
    const QString id = item->data(IdRole).toString();
    const auto type = ItemType(item->data(TypeRole).toInt());
    if (m_model && m_model->collectionId() == id && m_model->itemType() == type)
        return;
    auto model = std::make_unique<Collection::CollectionModel>(type, id);
    Services::PersistenceService* persistence = m_persistence.get();
    model->setSavedTime([persistence](const PubSub::Object& object) {
        QString file;
        if (const auto* effect = dynamic_cast<const Effect::Object*>(&object))
            file = persistence->recordFile(*effect);
        else if (const auto* import = dynamic_cast<const Import::Object*>(&object))
            file = persistence->recordFile(*import);
        else if (const auto* title = dynamic_cast<const Overlay::Preset*>(&object))
            file = persistence->recordFile(*title);
        return file.isEmpty() ? QDateTime() : QFileInfo(file).lastModified();
    });
    m_filter->setSourceModel(model.get());
    m_model = std::move(model);
    m_tiles->setCurrentIndex(m_filter->index(0, 0));
}

void BrowserWindow::search(const QString& text)
{
    if (m_search->text() != text)
        m_search->setText(text);
    m_filter->setFilterFixedString(text);
}

bool BrowserWindow::removeSelected()
{
    if (!m_model)
        return false;
    QList<QPersistentModelIndex> chosen;
    for (const QModelIndex& index : m_tiles->selectionModel()->selectedIndexes())
        chosen += QPersistentModelIndex(m_filter->mapToSource(index));
    bool removed = true;
    for (const QPersistentModelIndex& index : chosen) {
        if (index.isValid())
            removed = m_model->removeRow(index.row()) && removed;
    }
    statusBar()->showMessage(
        removed ? tr("Removed %n item(s)", nullptr, chosen.size()) : tr("Some items could not be removed"));
    return removed;
}

QString BrowserWindow::exportSelection(const QString& file)
{
    if (!m_model)
        return tr("No collection is chosen");
    Transfer::Selection selection;
    selection.collections.insert(m_model->collectionId().toStdString());
    for (const QModelIndex& index : m_tiles->selectionModel()->selectedIndexes()) {
        selection.names += index.data(Qt::DisplayRole).toString();
        selection.types.insert(packType(index.data(Collection::CollectionModel::KindRole).toString()));
    }
    if (selection.names.isEmpty())
        return tr("Nothing is selected");
    const Transfer::PackReport report = Transfer::exportPack(file, *m_imports, selection);
    const QString message = report.ok
        ? tr("Exported %1 item(s) into %2").arg(report.count(Transfer::Outcome::Exported)).arg(file)
        : report.error;
    statusBar()->showMessage(message);
    return report.ok ? QString() : message;
}

QString BrowserWindow::importPack(const QString& file)
{
    const Transfer::PackReport report = Transfer::importPack(file, *m_imports);
    const QString message = report.ok ? tr("Imported %1, renamed %2, already there %3 from %4")
                                            .arg(report.count(Transfer::Outcome::Imported))
                                            .arg(report.count(Transfer::Outcome::Renamed))
                                            .arg(report.count(Transfer::Outcome::AlreadyThere))
                                            .arg(QFileInfo(file).fileName())
                                      : report.error;
    statusBar()->showMessage(message);
    refreshCollections();
    return message;
}

void BrowserWindow::askForExport()
{
    const QString file = QFileDialog::getSaveFileName(this, tr("Export the selection as a pack"));
    if (!file.isEmpty())
        exportSelection(file);
}

void BrowserWindow::askForImport()
{
    const QString file = QFileDialog::getOpenFileName(this, tr("Import a pack"));
    if (!file.isEmpty())
        importPack(file);
}

void BrowserWindow::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty()
        && std::all_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); }))
        event->acceptProposedAction();
}

void BrowserWindow::dropEvent(QDropEvent* event)
{
    for (const QUrl& url : event->mimeData()->urls())
        importPack(url.toLocalFile());
    event->acceptProposedAction();
}

} // namespace Browser
