#include "EncodedPixmap.h"

#include <QBuffer>
#include <QImageReader>
#include <QPaintEngine>

#include <atomic>

namespace Types::Details {

namespace {

// Pixmap caches key on the serial number: every pixmap's must differ.
int nextSerialNumber()
{
    static std::atomic<int> serial { 0 };
    return ++serial;
}

QImage decodePng(const QByteArray& png, const QSize& size)
{
    QBuffer buffer;
    buffer.setData(png);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    QImage image = reader.read();
    // The size was promised by the header; pixels of another size are damage.
    if (image.isNull() || image.size() != size) {
        image = QImage(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
    }
    return image.format() == QImage::Format_ARGB32_Premultiplied || image.format() == QImage::Format_RGB32
        ? image
        : image.convertToFormat(
            image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}

} // namespace

EncodedPixmap::EncodedPixmap(QByteArray png, const QSize& size)
    : QPlatformPixmap(PixmapType, CustomClass)
    , m_png(std::move(png))
{
    w = size.width();
    h = size.height();
    d = 32;
    is_null = size.isEmpty();
    setSerialNumber(nextSerialNumber());
}

const QImage& EncodedPixmap::decoded() const
{
    std::call_once(m_once, [this] {
        m_image = decodePng(m_png, QSize(w, h));
        m_png = QByteArray();
    });
    return m_image;
}

void EncodedPixmap::replace(QImage image)
{
    decoded();
    m_pristine = false;
    m_image = std::move(image);
    w = m_image.width();
    h = m_image.height();
    d = m_image.depth();
    is_null = m_image.isNull();
    setSerialNumber(nextSerialNumber());
}

void EncodedPixmap::resize(int width, int height)
{
    replace(QImage(width, height, QImage::Format_ARGB32_Premultiplied));
}

void EncodedPixmap::fromImage(const QImage& image, Qt::ImageConversionFlags flags)
{
    replace(image.convertToFormat(
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32, flags));
}

int EncodedPixmap::metric(QPaintDevice::PaintDeviceMetric metric) const
{
    switch (metric) {
    case QPaintDevice::PdmWidth:
        return w;
    case QPaintDevice::PdmHeight:
        return h;
    case QPaintDevice::PdmDepth:
        return d;
    case QPaintDevice::PdmWidthMM:
        return decoded().widthMM();
    case QPaintDevice::PdmHeightMM:
        return decoded().heightMM();
    case QPaintDevice::PdmNumColors:
        return decoded().colorCount();
    case QPaintDevice::PdmDpiX:
        return decoded().logicalDpiX();
    case QPaintDevice::PdmDpiY:
        return decoded().logicalDpiY();
    case QPaintDevice::PdmPhysicalDpiX:
        return decoded().physicalDpiX();
    case QPaintDevice::PdmPhysicalDpiY:
        return decoded().physicalDpiY();
    case QPaintDevice::PdmDevicePixelRatio:
        return int(m_ratio);
    case QPaintDevice::PdmDevicePixelRatioScaled:
        return int(m_ratio * QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}

void EncodedPixmap::fill(const QColor& color)
{
    decoded();
    m_pristine = false;
    if (color.alpha() != 255 && !m_image.hasAlphaChannel())
        m_image = m_image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    m_image.fill(color);
    d = m_image.depth();
}

bool EncodedPixmap::hasAlphaChannel() const
{
    return decoded().hasAlphaChannel();
}

QImage EncodedPixmap::toImage() const
{
    return decoded();
}

QImage EncodedPixmap::toImage(const QRect& rect) const
{
    return rect.isNull() ? decoded() : decoded().copy(rect);
}

QPaintEngine* EncodedPixmap::paintEngine() const
{
    return const_cast<EncodedPixmap*>(this)->buffer()->paintEngine();
}

QImage* EncodedPixmap::buffer()
{
    decoded();
    m_pristine = false; // handed out to be written
    return &m_image;
}

qreal EncodedPixmap::devicePixelRatio() const
{
    return m_ratio;
}

void EncodedPixmap::setDevicePixelRatio(qreal scaleFactor)
{
    m_ratio = scaleFactor;
    buffer()->setDevicePixelRatio(scaleFactor);
}

} // namespace Types::Details
