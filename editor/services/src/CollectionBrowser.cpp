#include <CollectionHelper.h>
#include <ContainerView.h>
#include <Model/EffectObject.h>
#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>
#include <Model/Translator.h>
#include <Services/CollectionBrowser.h>

#include <QColor>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <tuple>
#include <vector>

namespace Services {

namespace {

// Observes every container of type Container<T> that exists or is announced later.
template <class T>
class ContainerFollower : public ::Message::View<EditorCollection::Container<T>> {
public:
    using C = EditorCollection::Container<T>;

    ContainerFollower()
    {
        this->observer.adder.template subscribeAll<C>();
        Discovery discovery(this);
    }
    ~ContainerFollower() override { this->observer.adder.template unsubscribeAll<C>(); }

    // The first followed container named collectionId.
    const C* find(const std::string& collectionId) const
    {
        for (const auto& entry : this->containers)
            if (entry.first->firstText == collectionId)
                return entry.first;
        return nullptr;
    }

private:
    // Asks every owner for the containers it holds already.
    class Discovery : private PubSub::Publisher<Message::Types::Enumerate<C>>,
                      private PubSub::Subscriber<Message::Types::Enumerated<C>> {
    public:
        explicit Discovery(ContainerFollower* follower)
            : m_follower(follower)
        {
            this->template subscribeAll<C>();
            this->publish(Message::Types::Enumerate<C>());
            this->template unsubscribeAll<C>();
        }
        ~Discovery() override = default;

    private:
        void handle(const Message::Types::Enumerated<C>& message) override
        {
            if (message.object && !m_follower->containers.count(message.object))
                m_follower->observe(const_cast<C*>(message.object));
        }

        ContainerFollower* const m_follower;
    };
};

// Records the locate requests about items of type T.
template <class T>
class LocateRecorder
    : private PubSub::Subscriber<EditorCollection::LocateCollectionRequest<T>,
          EditorCollection::LocateItemRequest<T>, EditorCollection::LocateCategoryRequest<T>> {
public:
    explicit LocateRecorder(CollectionBrowser::Shown& shown)
        : m_shown(shown)
    {
        this->template subscribeAll<T>();
    }
    ~LocateRecorder() override { this->template unsubscribeAll<T>(); }

private:
    void handle(const EditorCollection::LocateCollectionRequest<T>& request) override
    {
        m_shown = CollectionBrowser::Shown();
        m_shown.collectionId = request.collectionId;
    }
    void handle(const EditorCollection::LocateItemRequest<T>& request) override
    {
        m_shown.item = request.object;
        m_shown.itemId = request.object ? request.object->id : std::string();
    }
    void handle(const EditorCollection::LocateCategoryRequest<T>& request) override
    {
        m_shown.collectionId = request.collectionId;
        m_shown.categoryId = request.categoryId;
        m_shown.flag = request.flag;
    }

    CollectionBrowser::Shown& m_shown;
};

struct Tile {
    std::shared_ptr<const Types::Image> preview;
    QString name;
};

template <class T>
std::vector<Tile> tilesOf(const EditorCollection::Container<T>& c)
{
    std::vector<Tile> tiles;
    tiles.reserve(c.items.size());
    for (const T* item : c.items) {
        Tile tile;
        if (item) {
            const auto preview = c.previews.find(item);
            if (preview != c.previews.end())
                tile.preview = preview->second;
            tile.name = Translator::translate(item->id);
        }
        tiles.push_back(std::move(tile));
    }
    return tiles;
}

template <class T>
std::vector<Tile> tilesFor(const ContainerFollower<T>& follower, const std::string& collectionId)
{
    const EditorCollection::Container<T>* c = follower.find(collectionId);
    return c ? tilesOf(*c) : std::vector<Tile>();
}

void drawPlaceholder(QPainter& painter, const QRect& box)
{
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.drawLine(box.topLeft(), box.bottomRight());
    painter.drawLine(box.topRight(), box.bottomLeft());
}

void drawTile(QPainter& painter, const QRect& tile, const Tile& content)
{
    painter.fillRect(tile.adjusted(2, 2, -2, -2), QColor(0x30, 0x30, 0x30));

    const QRect box(tile.x() + (tile.width() - CollectionBrowser::PreviewSize) / 2, tile.y() + 6,
        CollectionBrowser::PreviewSize, CollectionBrowser::PreviewSize);
    const QPixmap* pixels = content.preview ? &content.preview->pixmap() : nullptr;
    if (pixels && !pixels->isNull()) {
        QRect target(QPoint(), pixels->size().scaled(box.size(), Qt::KeepAspectRatio));
        target.moveCenter(box.center());
        painter.drawPixmap(target, *pixels);
    } else {
        drawPlaceholder(painter, box);
    }

    const QRect label(tile.x() + 4, box.bottom() + 4, tile.width() - 8, tile.bottom() - box.bottom() - 6);
    painter.setPen(Qt::white);
    const QFontMetrics metrics = painter.fontMetrics();
    const QString text = metrics.elidedText(
        CollectionBrowser::drawableText(metrics, content.name), Qt::ElideRight, label.width());
    painter.drawText(label, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text);
}

QImage drawCollection(const std::string& collectionId, const std::vector<Tile>& tiles)
{
    const int count = static_cast<int>(tiles.size());
    const int rows = (count + CollectionBrowser::Columns - 1) / CollectionBrowser::Columns;
    QImage image(CollectionBrowser::Columns * CollectionBrowser::TileWidth,
        CollectionBrowser::TitleHeight + rows * CollectionBrowser::TileHeight,
        QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor::fromRgba(CollectionBrowser::BackgroundColor));

    QPainter painter(&image);
    painter.setPen(Qt::white);
    const QRect title(6, 0, image.width() - 12, CollectionBrowser::TitleHeight);
    painter.drawText(title, Qt::AlignLeft | Qt::AlignVCenter, Translator::translate(collectionId));
    for (int i = 0; i < count; ++i)
        drawTile(painter, CollectionBrowser::tileRect(i), tiles[static_cast<std::size_t>(i)]);
    return image;
}

} // namespace

struct CollectionBrowser::Followers {
    Followers()
        : locators(shown, shown, shown)
    {
    }

    Shown shown;
    std::tuple<ContainerFollower<Effect::Object>, ContainerFollower<Import::Object>,
        ContainerFollower<Overlay::Preset>>
        containers;
    std::tuple<LocateRecorder<Effect::Object>, LocateRecorder<Import::Object>,
        LocateRecorder<Overlay::Preset>>
        locators;
};

CollectionBrowser::CollectionBrowser()
    : m_followers(std::make_unique<Followers>())
{
}

CollectionBrowser::~CollectionBrowser() = default;

const CollectionBrowser::Shown& CollectionBrowser::shown() const
{
    return m_followers->shown;
}

QRect CollectionBrowser::tileRect(int index)
{
    return QRect(
        (index % Columns) * TileWidth, TitleHeight + (index / Columns) * TileHeight, TileWidth, TileHeight);
}

void CollectionBrowser::showCollection(const std::string& collectionId)
{
    m_followers->shown = Shown();
    m_followers->shown.collectionId = collectionId;
}

QString CollectionBrowser::drawableText(const QFontMetrics& metrics, const QString& text)
{
    QString drawable;
    drawable.reserve(text.size());
    for (const uint code : text.toUcs4()) {
        if (!QChar::isSpace(code) && !metrics.inFontUcs4(code)) {
            drawable += QLatin1Char('?');
        } else if (QChar::requiresSurrogates(code)) {
            drawable += QChar(QChar::highSurrogate(code));
            drawable += QChar(QChar::lowSurrogate(code));
        } else {
            drawable += QChar(code);
        }
    }
    return drawable;
}

CollectionBrowser::NameOrder::NameOrder()
    // The C locale compares code units and ignores the numeric mode, so a program run
    // without a language setting would sort "Take 10" first: it sorts as in English.
    : m_collator(QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale())
{
    m_collator.setNumericMode(true);
}

bool CollectionBrowser::NameOrder::operator()(const QString& a, const QString& b) const
{
    const int order = m_collator.compare(a, b);
    return order != 0 ? order < 0 : a < b;
}

template <class T>
QImage CollectionBrowser::render(const std::string& collectionId) const
{
    std::vector<Tile> tiles = tilesFor(std::get<ContainerFollower<T>>(m_followers->containers), collectionId);
    if (tiles.empty())
        return QImage();
    NameOrder().sort(tiles, [](const Tile& tile) -> const QString& { return tile.name; });
    return drawCollection(collectionId, tiles);
}

template QImage CollectionBrowser::render<Effect::Object>(const std::string&) const;
template QImage CollectionBrowser::render<Import::Object>(const std::string&) const;
template QImage CollectionBrowser::render<Overlay::Preset>(const std::string&) const;

} // namespace Services
