#pragma once

#include <QString>

// The lock shared by every Tresoline process of one installation around a
// synchronisation or a command-line export: an exclusive, never-waiting flock on
// datas/Tresoline_Synchronisation_V1.lock. The owner writes "PID KIND" into the
// file and empties it on release, so content found by a new owner means the
// previous one died holding it, and a process finding the lock busy can tell a
// synchronisation from an export.
class GlobalLock final
{
public:
    enum class Resultat { Acquis, AcquisApresAbandon, Occupe, CreationImpossible, AttenteImpossible };

    static constexpr const char *kNomFichier = "Tresoline_Synchronisation_V1.lock";
    static QString cheminPour(const QString &cheminData);

    explicit GlobalLock(QString path);
    ~GlobalLock();
    GlobalLock(const GlobalLock &) = delete;
    GlobalLock &operator=(const GlobalLock &) = delete;

    // kind is "synchro" or "export". Never waits.
    Resultat tenter(const QString &kind);
    bool possede() const { return m_possede; }
    // When busy: the kind written by the holder ("synchro", "export"), empty if unreadable.
    QString typeDetenteur() const { return m_typeDetenteur; }
    // The system's text for the last failure.
    QString erreur() const { return m_erreur; }
    void liberer();

private:
    void fermer();

    QString m_path;
    int m_fd = -1;
    bool m_possede = false;
    QString m_typeDetenteur;
    QString m_erreur;
};
