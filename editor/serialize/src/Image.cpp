#include "EncodedPixmap.h"
#include <Types/Image.h>

#include <QBuffer>

namespace Types {

namespace {

// Previews are small; a damaged or hostile PNG header must not choose how much we
// allocate. Bounds the decoded image, which is never smaller than 32 bits a pixel.
constexpr qint64 MaxImageBytes = qint64(4096) * 4096 * 4;

// What a PNG's header says: its size, and the bits a pixel takes once decoded (Qt
// decodes into 32 bits a pixel, 64 for 16-bit channels). An invalid size for
// anything that is not a PNG.
struct PngHeader {
    QSize size;
    qint64 bitsPerPixel = 32;
};

PngHeader pngHeader(const QByteArray& png)
{
    static const char signature[] = "\x89PNG\r\n\x1a\n";
    if (png.size() < 33 || !png.startsWith(QByteArray::fromRawData(signature, 8)) || png.mid(12, 4) != "IHDR")
        return {};
    const auto number = [&png](int at) {
        return (quint32(uchar(png[at])) << 24) | (quint32(uchar(png[at + 1])) << 16)
            | (quint32(uchar(png[at + 2])) << 8) | quint32(uchar(png[at + 3]));
    };
    const quint32 width = number(16);
    const quint32 height = number(20);
    if (width == 0 || height == 0 || width > 0x7fffffffu || height > 0x7fffffffu)
        return {};
    return { QSize(int(width), int(height)), uchar(png[24]) == 16 ? 64 : 32 };
}

bool fitsAPreview(const PngHeader& header)
{
    return header.size.isValid() && !header.size.isEmpty()
        && qint64(header.size.width()) * header.size.height() <= MaxImageBytes * 8 / header.bitsPerPixel;
}

} // namespace

bool Image::readable(const QByteArray& png)
{
    return fitsAPreview(pngHeader(png));
}

std::shared_ptr<const Image> Image::fromPng(QByteArray png)
{
    const PngHeader header = pngHeader(png);
    if (!fitsAPreview(header))
        return nullptr;
    // Kept encoded: listing, naming and saving never decode a preview nobody draws.
    return std::shared_ptr<const Image>(new Image(std::move(png), header.size));
}

Image::Image(const QPixmap& pixmap)
    : QPixmap(pixmap)
{
}

Image::Image(QByteArray png, const QSize& size)
    : QPixmap(new Details::EncodedPixmap(png, size))
    , m_png(std::move(png))
{
}

Image::~Image() = default;

QByteArray Image::encoded() const
{
    if (isNull())
        return {};
    const auto* read = dynamic_cast<const Details::EncodedPixmap*>(handle());
    if (read && read->pristine())
        return m_png;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QPixmap::save(&buffer, "PNG");
    return png;
}

} // namespace Types
