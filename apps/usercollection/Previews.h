#pragma once

#include <Model/ImportObject.h>
#include <Types/Image.h>

#include <memory>

namespace Effect {
class AudioEqualizer;
class ManualEnhance;
} // namespace Effect
namespace Timeline {
class Object;
}
namespace Overlay {
class Preset;
}

// Small drawn previews for items the user saves without one, so that every tile of
// a collection picture shows something that tells the items apart.
namespace Cli {

std::shared_ptr<const Types::Image> equalizerPreview(const Effect::AudioEqualizer& equalizer);
std::shared_ptr<const Types::Image> enhancePreview(const Effect::ManualEnhance& enhance);
// A picture import shows the picture itself when it can be read.
std::shared_ptr<const Types::Image> importPreview(Import::Object::Kind kind, const QString& mediaPath);
std::shared_ptr<const Types::Image> introPreview(const Timeline::Object& timeline);
// The title's text in its font and colours.
std::shared_ptr<const Types::Image> titlePreview(const Overlay::Preset& title);

} // namespace Cli
