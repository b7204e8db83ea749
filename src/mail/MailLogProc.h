#pragma once

#include <QString>

#include <functional>

// Where the mail operations report what they did: operation, message, result and
// source, in the order of the shared logging routine. May be empty.
using MailLogProc =
    std::function<void(const QString &AOperation, const QString &AMessage, const QString &AResultat,
                       const QString &ASource)>;
