#include <Model/CollectionID.h>

namespace EditorCollection {

const std::string CollectionID::TITLES = "titles";
const std::string CollectionID::INTROS = "intros";
const std::string CollectionID::IMPORTS = "imports";
const std::string CollectionID::AUDIO_EFFECTS = "audio_effects";
const std::string CollectionID::VIDEO_EFFECTS = "video_effects";

} // namespace EditorCollection
