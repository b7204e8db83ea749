#pragma once

#include <QString>
#include <QStringList>

class DataModule;

// The main window's token tool: asks Bridge for an access token directly and
// reports the raw exchange, for checking the connection by hand.
class OutilTokenBridge final
{
public:
    struct Resultat
    {
        QStringList lignes; // for the technical memo
        QString json;       // the indented answer, for the hidden memo
        QString token;      // empty when none could be read
        bool reponseLue = false; // an answer below 400 arrived
    };

    OutilTokenBridge() = delete;

    static Resultat Demander(DataModule &dm, const QString &AExternalUserId);
};
