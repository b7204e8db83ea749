#pragma once

#include <QString>

// The base address requests are sent to. Client secrets and tokens must never travel
// in clear: plain http:// is accepted only towards this machine (a local simulator).
class BridgeAddress final
{
public:
    // True with the base (scheme, host, port, no trailing '/') when the address may be
    // used; false with a French message otherwise.
    static bool verifier(const QString &url, QString &base, QString &erreur);
    static bool isLoopbackHost(const QString &host);
};
