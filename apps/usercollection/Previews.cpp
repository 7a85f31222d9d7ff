#include "Previews.h"

#include <Effect/AudioEqualizer.h>
#include <Effect/ManualEnhance.h>
#include <Model/OverlayPreset.h>
#include <Model/Timeline.h>
#include <Services/CollectionBrowser.h>

#include <QFont>
#include <QFontMetrics>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace Cli {

namespace {

constexpr int Size = 80;

std::shared_ptr<const Types::Image> finished(const QImage& image)
{
    return std::make_shared<const Types::Image>(QPixmap::fromImage(image));
}

QImage canvas(const QColor& background)
{
    QImage image(Size, Size, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    return image;
}

} // namespace

std::shared_ptr<const Types::Image> equalizerPreview(const Effect::AudioEqualizer& equalizer)
{
    QImage image = canvas(QColor(24, 32, 48));
    QPainter painter(&image);
    const int middle = Size / 2;
    painter.setPen(QColor(90, 100, 120));
    painter.drawLine(0, middle, Size, middle);
    const int barWidth = Size / Effect::AudioEqualizer::BandCount;
    for (int band = 0; band < Effect::AudioEqualizer::BandCount; ++band) {
        const int height = int(std::lround(equalizer.bandGains[size_t(band)] / 12.0 * (middle - 4)));
        const QRect bar(band * barWidth + 1, std::min(middle, middle - height), barWidth - 2,
            std::max(1, std::abs(height)));
        painter.fillRect(bar, height >= 0 ? QColor(80, 200, 120) : QColor(230, 120, 60));
    }
    return finished(image);
}

namespace {

// A fixed sample scene with sky, sun, foliage, water and skin tones, so that every
// setting of the enhancement shows.
QImage samplePicture()
{
    QImage image(Size, Size, QImage::Format_ARGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 48);
    sky.setColorAt(0, QColor(40, 90, 190));
    sky.setColorAt(1, QColor(170, 210, 240));
    painter.fillRect(0, 0, Size, 48, sky);
    painter.fillRect(0, 48, Size, 32, QColor(30, 120, 150));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 210, 70));
    painter.drawEllipse(QPointF(60, 16), 9, 9);
    painter.setBrush(QColor(60, 150, 60));
    painter.drawEllipse(QPointF(14, 52), 26, 14);
    painter.setBrush(QColor(225, 170, 140));
    painter.drawEllipse(QPointF(46, 58), 8, 10);
    painter.setBrush(QColor(200, 40, 50));
    painter.drawRect(QRectF(38, 66, 16, 14));
    return image;
}

double clamped(double value)
{
    return std::clamp(value, 0.0, 1.0);
}

// Every setting, applied in the order a colour corrector applies them.
QColor enhanced(QColor colour, const Effect::ManualEnhance& enhance)
{
    double rgb[3] = { colour.redF(), colour.greenF(), colour.blueF() };
    const double contrast = (100.0 + enhance.contrast) / 100.0;
    for (double& value : rgb)
        value = clamped((value + enhance.brightness / 200.0 - 0.5) * contrast + 0.5);
    const double luma = 0.299 * rgb[0] + 0.587 * rgb[1] + 0.114 * rgb[2];
    const double saturation = (100.0 + enhance.saturation) / 100.0;
    for (double& value : rgb)
        value = clamped(luma + (value - luma) * saturation);
    QColor result = QColor::fromRgbF(rgb[0], rgb[1], rgb[2]);
    if (enhance.hue != 0 && result.hsvHueF() >= 0) {
        const double hue = std::fmod(result.hsvHueF() + enhance.hue / 360.0 + 1.0, 1.0);
        result.setHsvF(hue, result.hsvSaturationF(), result.valueF());
    }
    const double warmth = enhance.temperature / 400.0;
    const double exponent = 1.0 / std::max(0.1, enhance.gamma);
    return QColor::fromRgbF(clamped(std::pow(result.redF(), exponent) + warmth),
        clamped(std::pow(result.greenF(), exponent)), clamped(std::pow(result.blueF(), exponent) - warmth));
}

} // namespace

std::shared_ptr<const Types::Image> enhancePreview(const Effect::ManualEnhance& enhance)
{
    static const QImage sample = samplePicture();
    QImage image = sample;
    for (int y = 0; y < Size; ++y) {
        for (int x = 0; x < Size; ++x)
            image.setPixelColor(x, y, enhanced(sample.pixelColor(x, y), enhance));
    }
    return finished(image);
}

std::shared_ptr<const Types::Image> titlePreview(const Overlay::Preset& title)
{
    const QColor background = QColor::fromRgba(title.backgroundColor);
    QImage image = canvas(background.alpha() == 0 ? QColor(48, 48, 56) : background);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(QColor::fromRgba(title.textColor));
    QFont font(QString::fromStdString(title.fontFamily));
    const QRect area(4, 4, Size - 8, Size - 8);
    const int flags = Qt::AlignCenter | Qt::TextWordWrap;
    QString text = QString::fromStdString(title.text);
    // As large as fits, down to a size that still reads; what is left then is elided.
    for (int pixels = 28; pixels >= 9; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        if (area.contains(
                metrics.boundingRect(area, flags, Services::CollectionBrowser::drawableText(metrics, text))))
            break;
    }
    painter.setFont(font);
    const QFontMetrics metrics(font);
    text = Services::CollectionBrowser::drawableText(metrics, text);
    if (!area.contains(metrics.boundingRect(area, flags, text)))
        text = metrics.elidedText(
            text, Qt::ElideRight, area.width() * (area.height() / metrics.lineSpacing()));
    painter.drawText(area, flags, text);
    painter.end();
    return finished(image);
}

std::shared_ptr<const Types::Image> importPreview(Import::Object::Kind kind, const QString& mediaPath)
{
    if (kind == Import::Object::Picture) {
        QImageReader reader(mediaPath);
        reader.setAutoTransform(true);
        const QImage picture = reader.read();
        if (!picture.isNull())
            return finished(picture.scaled(Size, Size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }

    QImage image = canvas(QColor(40, 44, 52));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    switch (kind) {
    case Import::Object::Video: {
        painter.setBrush(QColor(80, 160, 240));
        const QPointF play[] = { { 28, 20 }, { 28, 60 }, { 60, 40 } };
        painter.drawPolygon(play, 3);
        break;
    }
    case Import::Object::Audio: {
        painter.setPen(QPen(QColor(240, 190, 60), 3));
        QPainterPath wave;
        wave.moveTo(8, 40);
        for (int x = 8; x <= 72; ++x)
            wave.lineTo(x, 40 + 18 * std::sin((x - 8) / 5.0) * std::sin((x - 8) / 20.0));
        painter.drawPath(wave);
        break;
    }
    case Import::Object::Picture: {
        painter.setBrush(QColor(110, 200, 110));
        const QPointF mountain[] = { { 10, 64 }, { 34, 30 }, { 50, 50 }, { 58, 42 }, { 72, 64 } };
        painter.drawPolygon(mountain, 5);
        painter.setBrush(QColor(250, 220, 90));
        painter.drawEllipse(QPointF(58, 22), 7, 7);
        break;
    }
    default: {
        painter.setBrush(QColor(200, 200, 210));
        const QPointF page[] = { { 24, 14 }, { 48, 14 }, { 58, 24 }, { 58, 66 }, { 24, 66 } };
        painter.drawPolygon(page, 5);
        break;
    }
    }
    return finished(image);
}

std::shared_ptr<const Types::Image> introPreview(const Timeline::Object& timeline)
{
    // One row per track, one block per clip, widths by clip length; a clip of a
    // picture shows the picture, others a colour of their own, black ones black.
    QImage image = canvas(QColor(30, 30, 36));
    QPainter painter(&image);
    const std::int64_t duration = std::max<std::int64_t>(1, timeline.duration());
    const int rows = std::max<int>(1, int(timeline.tracks.size()));
    const int rowHeight = std::max(6, (Size - 16) / rows);
    static const QColor colours[]
        = { QColor(230, 90, 90), QColor(90, 170, 230), QColor(240, 200, 80), QColor(120, 210, 130) };
    int colour = 0;
    for (size_t row = 0; row < timeline.tracks.size() && int(row) * rowHeight < Size - 16; ++row) {
        double x = 4;
        for (const Timeline::Clip& clip : timeline.tracks[row].clips) {
            const double width
                = double(std::max<std::int64_t>(0, clip.outPoint - clip.inPoint)) / duration * (Size - 8);
            const QRectF block(x, 8 + row * rowHeight, std::max(2.0, width - 1), rowHeight - 3);
            const QImage picture
                = clip.sourcePath.empty() ? QImage() : QImage(QString::fromStdString(clip.sourcePath));
            if (!picture.isNull())
                painter.drawImage(
                    block, picture.scaled(block.size().toSize(), Qt::KeepAspectRatioByExpanding));
            else
                painter.fillRect(block, clip.sourcePath.empty() ? QColor(Qt::black) : colours[colour++ % 4]);
            painter.setPen(QColor(90, 90, 100));
            painter.drawRect(block);
            x += width;
        }
    }
    return finished(image);
}

} // namespace Cli
