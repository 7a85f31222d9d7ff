#pragma once

namespace Timeline {
class Object;
}

namespace Project {

// What a project bundle holds. Does not own the timeline.
class Content {
public:
    const Timeline::Object* timeline = nullptr;
};

} // namespace Project
