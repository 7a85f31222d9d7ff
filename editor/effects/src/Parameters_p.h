#pragma once

#include <Effect/Parameter.h>

namespace Effect {
namespace Details {

// Position of key in parameters, or -1 when the effect has no such setting.
int parameterIndex(const std::vector<ParameterInfo>& parameters, const std::string& key);
// False for a value outside the setting's range, and for NaN.
bool inRange(const ParameterInfo& parameter, double value);

} // namespace Details
} // namespace Effect
