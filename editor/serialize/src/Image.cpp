#include <Types/Image.h>

#include <QBuffer>
#include <QImageReader>

namespace Types {

Image::Image(const QPixmap& pixmap)
    : QPixmap(pixmap)
{
}

Image::Image(QByteArray encoded, const QSize& size)
    : m_encoded(std::move(encoded))
    , m_size(size)
{
}

Image::~Image() = default;

const QPixmap& Image::pixmap() const
{
    if (m_encoded.isEmpty())
        return *this;
    std::call_once(m_decoded, [this] {
        QBuffer buffer;
        buffer.setData(m_encoded);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "png");
        const QImage image = reader.read();
        // The size was checked when the bytes were read; pixels of another size are damage.
        if (!image.isNull() && image.size() == m_size)
            m_pixels = QPixmap::fromImage(image);
    });
    return m_pixels;
}

QByteArray Image::encoded() const
{
    if (!m_encoded.isEmpty() || QPixmap::isNull())
        return m_encoded;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QPixmap::save(&buffer, "PNG");
    return png;
}

} // namespace Types
