#pragma once

#include <QString>

#include <stdexcept>

// The one exception type of the database layer. Thrown by SqlQuery on any error,
// caught where the user's action (or the command) began.
class DbError final : public std::runtime_error
{
public:
    explicit DbError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString &message() const noexcept { return m_message; }

private:
    QString m_message;
};
