#include "Previews.h"

#include <Effect/AudioEqualizer.h>
#include <Effect/ManualEnhance.h>
#include <Model/Timeline.h>
#include <QImageReader>
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

std::shared_ptr<const Types::Image> enhancePreview(const Effect::ManualEnhance& enhance)
{
    // A hue ramp as the settings would change it, roughly.
    QImage image = canvas(Qt::black);
    const double brightness = enhance.brightness / 100.0;
    const double saturation = std::clamp(0.6 + enhance.saturation / 250.0, 0.0, 1.0);
    for (int x = 0; x < Size; ++x) {
        const int hue = (x * 360 / Size + int(enhance.hue) + 360) % 360;
        for (int y = 0; y < Size; ++y) {
            const double value = std::clamp(0.25 + 0.7 * (Size - y) / Size + brightness * 0.3, 0.0, 1.0);
            QColor colour = QColor::fromHsvF(hue / 360.0, saturation, value);
            const int warmth = int(enhance.temperature * 0.4);
            colour.setRgb(std::clamp(colour.red() + warmth, 0, 255), colour.green(),
                std::clamp(colour.blue() - warmth, 0, 255));
            image.setPixelColor(x, y, colour);
        }
    }
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
    // One row per track, one block per clip, widths by clip length.
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
            painter.fillRect(QRectF(x, 8 + row * rowHeight, std::max(2.0, width - 1), rowHeight - 3),
                colours[colour++ % 4]);
            x += width;
        }
    }
    return finished(image);
}

} // namespace Cli
