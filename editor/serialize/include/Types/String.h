#pragma once

#include <QString>

namespace Types {

// The text type of translations; used as the QString it is.
class String : public QString {
public:
    String() = default;
    String(const QString& text)
        : QString(text)
    {
    }
    String(QString&& text) noexcept
        : QString(std::move(text))
    {
    }
};

} // namespace Types
