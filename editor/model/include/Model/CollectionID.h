#pragma once

#include <string>

namespace EditorCollection {

// The well-known collection ids.
struct CollectionID {
    static const std::string TITLES;
    static const std::string INTROS;
    static const std::string IMPORTS;
    static const std::string AUDIO_EFFECTS;
    static const std::string VIDEO_EFFECTS;
};

} // namespace EditorCollection
