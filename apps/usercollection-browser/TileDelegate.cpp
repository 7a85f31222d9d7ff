#include "TileDelegate.h"

#include <Services/CollectionBrowser.h>

#include <QPainter>
#include <QPixmap>

namespace Browser {

QRect TileDelegate::previewRect(const QRect& tile)
{
    return QRect(tile.x() + (tile.width() - PreviewSize) / 2, tile.y() + 6, PreviewSize, PreviewSize);
}

QRect TileDelegate::labelRect(const QRect& tile)
{
    const QRect box = previewRect(tile);
    return QRect(tile.x() + 4, box.bottom() + 4, tile.width() - 8, tile.bottom() - box.bottom() - 6);
}

void TileDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect tile = option.rect;
    painter->save();
    const bool selected = option.state & QStyle::State_Selected;
    painter->fillRect(tile.adjusted(2, 2, -2, -2),
        selected ? option.palette.highlight().color().darker(150) : QColor(0x30, 0x30, 0x30));
    if (option.state & QStyle::State_HasFocus) {
        painter->setPen(option.palette.highlight().color());
        painter->drawRect(tile.adjusted(2, 2, -3, -3));
    }

    const QRect box = previewRect(tile);
    const QPixmap pixels = index.data(Qt::DecorationRole).value<QPixmap>();
    if (!pixels.isNull()) {
        QRect target(QPoint(), pixels.size().scaled(box.size(), Qt::KeepAspectRatio));
        target.moveCenter(box.center());
        painter->drawPixmap(target, pixels);
    } else {
        painter->setPen(QColor(0x80, 0x80, 0x80));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(box.adjusted(0, 0, -1, -1));
        painter->drawLine(box.topLeft(), box.bottomRight());
        painter->drawLine(box.topRight(), box.bottomLeft());
    }

    const QRect label = labelRect(tile);
    painter->setPen(Qt::white);
    const QFontMetrics metrics = painter->fontMetrics();
    const QString text = metrics.elidedText(
        Services::CollectionBrowser::drawableText(metrics, index.data(Qt::DisplayRole).toString()),
        Qt::ElideRight, label.width());
    painter->drawText(label, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text);
    painter->restore();
}

QSize TileDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return QSize(TileWidth, TileHeight);
}

void TileDelegate::updateEditorGeometry(
    QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const
{
    const QRect label = labelRect(option.rect);
    editor->setGeometry(label.adjusted(-2, -2, 2, 2));
}

} // namespace Browser
