#include "bridge/HttpRequest.h"

void HttpRequest::setHeader(const QString &name, const QString &value)
{
    for (Pair &h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0) {
            h.second = value;
            return;
        }
    }
    headers.append({name, value});
}

QString HttpRequest::header(const QString &name) const
{
    for (const Pair &h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return {};
}
