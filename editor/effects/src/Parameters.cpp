#include "Parameters_p.h"

namespace Effect {
namespace Details {

int parameterIndex(const std::vector<ParameterInfo>& parameters, const std::string& key)
{
    for (std::size_t i = 0; i < parameters.size(); ++i)
        if (parameters[i].key == key)
            return int(i);
    return -1;
}

bool inRange(const ParameterInfo& parameter, double value)
{
    return value >= parameter.minimum && value <= parameter.maximum;
}

} // namespace Details
} // namespace Effect
