#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

// What the publisher's version file announced, when it is newer than this program.
struct MiseAJourDisponible
{
    QString versionInstallee;
    QString nouvelleVersion;
    QString notes;
};

// The version of the running program and the check against the version file on
// the publisher's server. The check never raises and never shows anything: every
// problem becomes a short French message for the caller's log.
class UpdateCheck final
{
public:
    UpdateCheck() = delete;

    static constexpr int kConnexionTimeoutMs = 5000;
    static constexpr int kReponseTimeoutMs = 8000;

    struct Demande
    {
        QString serveur;          // base address of the publisher's server
        QDateTime maintenant;     // makes each request distinct
        QString versionInstallee; // VersionExecutable() in the program
        std::function<void()> idle; // called during the transfer
    };

    // The compiled version; "0.0.0.0" when the build carries none.
    static QString VersionExecutable();
    static bool NumeroVersionValide(const QString &AVersion);
    // 1 when A is newer than B, -1 when older, 0 otherwise (only the segments both have).
    static int ComparerVersions(const QString &AVersionA, const QString &AVersionB);

    // Address of the version file for that server and time.
    static QString AdresseFichierVersion(const QString &serveur, const QDateTime &maintenant);
    // Steps after the download: reads the body of the version file. True when the
    // published version is newer (AInfo filled); otherwise AMessage may tell why.
    static bool AnalyserFichierVersion(const QByteArray &corps, const QString &versionInstallee,
                                       QString &AMessage, MiseAJourDisponible &AInfo);
    // Downloads and reads the version file.
    static bool VerifierMiseAJour(const Demande &ADemande, QString &AMessage, MiseAJourDisponible &AInfo);
};
