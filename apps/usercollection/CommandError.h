#pragma once

#include <QString>

namespace Cli {

// One bad input or failed step, reported as a single line on stderr. Thrown before
// anything is written when the input is at fault.
class CommandError {
public:
    enum Status { Failed = 1, Usage = 2 };

    CommandError(Status status, const QString& message)
        : m_status(status)
        , m_message(message)
    {
    }

    Status status() const { return m_status; }
    const QString& message() const { return m_message; }

private:
    Status m_status;
    QString m_message;
};

inline CommandError usageError(const QString& message)
{
    return CommandError(CommandError::Usage, message);
}

inline CommandError failure(const QString& message)
{
    return CommandError(CommandError::Failed, message);
}

} // namespace Cli
