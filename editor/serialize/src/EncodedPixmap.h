#pragma once

#include <qpa/qplatformpixmap.h>

#include <QByteArray>
#include <QImage>

#include <mutex>

namespace Types::Details {

// Pixel data of a QPixmap that keeps a preview's PNG and decodes it the first time
// anything asks for its pixels. The size is known from the PNG's header, so listing
// and naming never decode; drawing, toImage() and painting do, once. Bytes that do
// not decode into the header's size give a transparent image of that size.
class EncodedPixmap final : public QPlatformPixmap {
public:
    EncodedPixmap(QByteArray png, const QSize& size);

    void resize(int width, int height) override;
    void fromImage(const QImage& image, Qt::ImageConversionFlags flags) override;
    int metric(QPaintDevice::PaintDeviceMetric metric) const override;
    void fill(const QColor& color) override;
    bool hasAlphaChannel() const override;
    QImage toImage() const override;
    QImage toImage(const QRect& rect) const override;
    QPaintEngine* paintEngine() const override;
    QImage* buffer() override;
    qreal devicePixelRatio() const override;
    void setDevicePixelRatio(qreal scaleFactor) override;

    // Whether the pixels are still those of the PNG it was made from.
    bool pristine() const { return m_pristine; }

private:
    const QImage& decoded() const;
    void replace(QImage image);

    mutable std::once_flag m_once;
    mutable QByteArray m_png; // dropped once decoded
    mutable QImage m_image;
    qreal m_ratio = 1.0;
    bool m_pristine = true;
};

} // namespace Types::Details
