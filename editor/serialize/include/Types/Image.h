#pragma once

#include <PubSub/Object.h>

#include <QByteArray>
#include <QPixmap>
#include <QSize>

#include <memory>
#include <mutex>

namespace Types {

// A preview image. Shared as std::shared_ptr<const Types::Image>, never copied.
// One read from a record keeps its encoded bytes (PNG) until something draws it:
// every drawer takes the pixels through pixmap(), which decodes them once, while
// size() and isNull() answer without decoding. The QPixmap part holds the pixels of
// an image made from a pixmap; drawers never read it directly.
class Image : public QPixmap, public virtual PubSub::Object {
public:
    Image() = default;
    explicit Image(const QPixmap& pixmap);
    // Encoded pixels (PNG) of the given size, decoded on first use.
    Image(QByteArray encoded, const QSize& size);
    // The PNG as a preview, kept encoded; null for bytes that are not a PNG, or one
    // whose header asks for more pixels than a preview may have.
    static std::shared_ptr<const Image> fromPng(QByteArray png);
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    ~Image() override;

    // The pixels, decoded on first use; a null pixmap when the bytes do not decode.
    const QPixmap& pixmap() const;
    // The pixels as PNG: the bytes kept, or the pixels encoded now. Empty for a
    // null image.
    QByteArray encoded() const;

    bool isNull() const { return size().isEmpty(); }
    QSize size() const { return m_encoded.isEmpty() ? QPixmap::size() : m_size; }
    int width() const { return size().width(); }
    int height() const { return size().height(); }
    QImage toImage() const { return pixmap().toImage(); }

private:
    QByteArray m_encoded;
    QSize m_size;
    mutable std::once_flag m_decoded;
    mutable QPixmap m_pixels; // decoded from m_encoded
};

} // namespace Types
