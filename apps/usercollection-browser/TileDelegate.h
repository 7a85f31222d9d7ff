#pragma once

#include <QStyledItemDelegate>

namespace Browser {

// Draws an item as the collection browser draws it in a picture of a collection:
// its preview (or a crossed box) above its name, on a dark tile; edits the name in
// place below the preview.
class TileDelegate : public QStyledItemDelegate {
public:
    static constexpr int TileWidth = 120;
    static constexpr int TileHeight = 116;
    static constexpr int PreviewSize = 80;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void updateEditorGeometry(
        QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    static QRect previewRect(const QRect& tile);
    static QRect labelRect(const QRect& tile);
};

} // namespace Browser
