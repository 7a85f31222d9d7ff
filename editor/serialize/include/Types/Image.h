#pragma once

#include <PubSub/Object.h>

#include <QByteArray>
#include <QPixmap>

#include <memory>

namespace Types {

// A preview image, and a full QPixmap to anyone who holds it as one. Shared as
// std::shared_ptr<const Types::Image>, never copied. One read from a record keeps
// its PNG and decodes it the first time its pixels are asked for (drawing it,
// toImage()); its size is known without decoding.
class Image : public QPixmap, public virtual PubSub::Object {
public:
    Image() = default;
    explicit Image(const QPixmap& pixmap);
    // The PNG as a preview, decoded on first use; null for bytes that are not a PNG,
    // or one whose header asks for more pixels than a preview may have.
    static std::shared_ptr<const Image> fromPng(QByteArray png);
    // Whether fromPng() would take png: what is written must read back.
    static bool readable(const QByteArray& png);
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    ~Image() override;

    // The pixels, as every QPixmap observer sees them.
    const QPixmap& pixmap() const { return *this; }
    // The pixels as PNG: the bytes read, or the pixels encoded now. Empty for a
    // null image.
    QByteArray encoded() const;

private:
    Image(QByteArray png, const QSize& size);

    QByteArray m_png; // as read, so that saving it again neither decodes nor re-encodes
};

} // namespace Types
