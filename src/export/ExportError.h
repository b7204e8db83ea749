#pragma once

#include <QString>

#include <stdexcept>

// Failure of an export that is not a database error: a refused re-export, a file
// that cannot be written. Like DbError it derives from std::runtime_error, so the
// place where the user's action began can catch both as std::exception.
class ExportError final : public std::runtime_error
{
public:
    explicit ExportError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString &message() const noexcept { return m_message; }

private:
    QString m_message;
};
