#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// One HTTP request as data: verb, path (which may carry its own query string),
// headers in the order they are sent, query parameters appended encoded, body.
struct HttpRequest
{
    using Pair = QPair<QString, QString>;

    QString method = QStringLiteral("GET");
    QString path;
    QList<Pair> headers;
    QList<Pair> query;
    QByteArray body;

    // Replaces a header of the same name (ignoring case) in place, else appends it.
    void setHeader(const QString &name, const QString &value);
    QString header(const QString &name) const;
    void addQueryParam(const QString &name, const QString &value) { query.append({name, value}); }
    void clearAllQueryParams() { query.clear(); }
};
