#pragma once

#include <string>
#include <vector>

namespace Effect {

// One adjustable setting of an effect, by key, with its allowed range.
struct ParameterInfo {
    std::string key;
    double minimum;
    double maximum;
    double defaultValue;
};

} // namespace Effect
