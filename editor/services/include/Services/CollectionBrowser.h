#pragma once

#include <QCollator>
#include <QFontMetrics>
#include <QImage>
#include <QRect>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace PubSub {
class Object;
}

namespace Services {

// Follows the collection containers of Effect::Object, Import::Object and
// Overlay::Preset (those that exist when it is built and those announced later),
// records what it was last asked to show, and draws a collection as a grid of tiles.
class CollectionBrowser {
public:
    // Geometry of render(): a title line, then Columns tiles per row.
    static constexpr int Columns = 4;
    static constexpr int TileWidth = 120;
    static constexpr int TileHeight = 116;
    static constexpr int PreviewSize = 80;
    static constexpr int TitleHeight = 28;
    static constexpr unsigned BackgroundColor = 0xff202020u;

    // What the last locate requests showed. Locating a collection clears the rest.
    struct Shown {
        std::string collectionId;
        const PubSub::Object* item = nullptr;
        std::string itemId;
        std::string categoryId;
        bool flag = false;
    };

    // The order in which pictures show items, and lists should: display names as
    // people sort them (numbers by value: "Take 2" before "Take 10"), then by code
    // units so that the order is total.
    class NameOrder {
    public:
        NameOrder();
        bool operator()(const QString& a, const QString& b) const;

        // Sorts items in this order by nameOf(item), stable. Each name's collation key
        // is made once, so a long list costs one collation per item, not per comparison.
        template <class Item, class NameOf>
        void sort(std::vector<Item>& items, NameOf nameOf) const
        {
            std::vector<std::pair<QCollatorSortKey, std::size_t>> keys;
            keys.reserve(items.size());
            for (std::size_t index = 0; index < items.size(); ++index)
                keys.emplace_back(m_collator.sortKey(nameOf(items[index])), index);
            std::stable_sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
                const int order = a.first.compare(b.first);
                return order != 0 ? order < 0 : nameOf(items[a.second]) < nameOf(items[b.second]);
            });
            std::vector<Item> sorted;
            sorted.reserve(items.size());
            for (const auto& key : keys)
                sorted.push_back(std::move(items[key.second]));
            items = std::move(sorted);
        }

    private:
        QCollator m_collator;
    };

    // text with what metrics' font cannot draw replaced by '?', so that a name in a
    // script without glyphs still shows as something a person can read.
    static QString drawableText(const QFontMetrics& metrics, const QString& text);

    CollectionBrowser();
    ~CollectionBrowser();
    CollectionBrowser(const CollectionBrowser&) = delete;
    CollectionBrowser& operator=(const CollectionBrowser&) = delete;

    const Shown& shown() const;
    // Shows collectionId, as a request to locate that collection does.
    void showCollection(const std::string& collectionId);

    // The collection of item type T (Effect::Object, Import::Object or
    // Overlay::Preset) named collectionId: each item's preview (or a placeholder
    // box) above its display name, in NameOrder. A null image when no
    // followed collection of that type and id has items.
    template <class T>
    QImage render(const std::string& collectionId) const;
    // Where render() puts the tile of the index-th item.
    static QRect tileRect(int index);

private:
    struct Followers;
    std::unique_ptr<Followers> m_followers;
};

} // namespace Services
