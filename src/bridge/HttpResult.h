#pragma once

#include <QByteArray>
#include <QString>

// What came back from one HTTP request.
struct HttpResult
{
    enum class Issue {
        Reponse,          // an answer arrived (any status)
        ConnexionEchouee, // no connection could be made (address refused, DNS, refused, TLS, time-out)
        RequeteEchouee,   // connected, but no complete answer (time-out, reset...)
    };

    // Why a connection failed; only logged.
    enum ConnectFailReason {
        AucuneRaison = 0,
        AdresseRefusee = 1,
        HoteIntrouvable = 2,
        AutreEchec = 5,
        DelaiConnexion = 6,
        ConnexionRefusee = 7,
        EchecTls = 100,
    };

    Issue issue = Issue::RequeteEchouee;
    int status = 0;
    QString headerText; // status line and headers of the answer, as received
    QByteArray body;
    QString errorText;  // French description of a failure
    int connectFailReason = AucuneRaison;
    // The failure happened before anything was sent, so repeating the request is safe.
    bool nothingSent = false;

    bool responded() const { return issue == Issue::Reponse; }
    // Value of a response header (first one, name compared ignoring case), empty when absent.
    QString header(const QString &name) const;
};
