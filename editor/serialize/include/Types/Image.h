#pragma once

#include <PubSub/Object.h>
#include <QPixmap>

namespace Types {

// A preview image. Shared as std::shared_ptr<const Types::Image>, never copied.
class Image : public QPixmap, public virtual PubSub::Object {
public:
    Image() = default;
    explicit Image(const QPixmap& pixmap)
        : QPixmap(pixmap)
    {
    }
};

} // namespace Types
