#include "app/CommandRunner.h"

#include "app/CodesSecurite.h"
#include "app/CommandLine.h"
#include "app/ErreurTexte.h"
#include "app/ExitCode.h"
#include "app/IniSettings.h"
#include "app/LanceurExportCommande.h"
#include "app/SyncLauncher.h"
#include "company/IdentificationSociete.h"
#include "db/DataModule.h"
#include "mail/DataModuleMail.h"

#include <exception>

namespace {
const QString kForm2 = QStringLiteral("Form2");
const QString kProgramme = QStringLiteral("PROGRAMME");
} // namespace

CommandRunner::CommandRunner(DataModule &dm, QStringList params) : m_dm(dm), m_params(std::move(params)) {}

bool CommandRunner::Demarrer()
{
    m_modeSynchro = CommandLine::ModeSynchroCommandeDemande(m_params);
    m_modeExport = CommandLine::ModeExportCommandeDemande(m_params);
    m_debut = m_dm.now();

    QString message;
    if (!VerifierCodeSecuriteCommande(message)) {
        m_dm.LogOperation(QStringLiteral("SECURITE_COMMANDE"), message, QStringLiteral("REFUSE"),
                          QStringLiteral("Form2.FormCreate"));
        EnvoyerRapportEchecCommande(message, m_debut);
        ExitCode::set(m_modeExport ? -1 : 1);
        m_erreur = message;
        return false;
    }
    m_dm.LogOperation(QStringLiteral("SECURITE_COMMANDE"), QStringLiteral("Authentification console acceptee"),
                      QStringLiteral("OK"), QStringLiteral("Form2.FormCreate"));
    ChargerConfigInactivite();

    m_dm.user_courant_id = 0;
    m_dm.user_courant_login = QStringLiteral("COMMANDE_SILENCIEUSE");
    m_dm.user_courant_nom = QStringLiteral("Commande silencieuse");
    m_dm.user_courant_niveau = 9;
    m_dm.user_courant_droits = QStringLiteral("SYSTEM");
    return true;
}

void CommandRunner::ChargerConfigInactivite()
{
    // The delay is read (and the key created) as in a window start; no timer runs here.
    const int minutes = IniSettings(m_dm.chemin_prog).fermetureInactiviteMinutes();
    m_dm.LogOperation(kProgramme,
                      minutes < 1 ? QStringLiteral("Fermeture automatique apres inactivite desactivee")
                                  : QStringLiteral("Fermeture automatique apres inactivite activee : ")
                              + QString::number(minutes) + QStringLiteral(" minute(s)"),
                      QStringLiteral("INFO"), kForm2);
}

bool CommandRunner::VerifierCodeSecuriteCommande(QString &AMessage)
{
    AMessage.clear();
    const int posSynchro = CommandLine::PositionParametreCommande(m_params, QStringLiteral("synchro"));
    const int posExport = CommandLine::PositionParametreCommande(m_params, QStringLiteral("export"));
    if (posSynchro > 0 && posExport > 0) {
        AMessage = QStringLiteral("Commande refusee : synchro et export ne peuvent pas etre demandes ensemble");
        return false;
    }
    const int posMode = posSynchro > 0 ? posSynchro : posExport;
    const int posCode = posMode + 1;
    if (posMode <= 0 || m_params.size() < posCode) {
        AMessage = QStringLiteral("Commande refusee : code de securite absent");
        return false;
    }
    const QString code = IdentificationSociete::NormaliserCodeSecuriteConsole(m_params.at(posCode - 1));
    if (!IdentificationSociete::CodeSecuriteConsoleValide(code)) {
        AMessage = QStringLiteral("Commande refusee : authentification console invalide");
        return false;
    }
    QString stocke;
    QString erreur;
    if (!IdentificationSociete::LireCodeSecuriteConsole(m_dm, stocke, erreur)) {
        AMessage = QStringLiteral("Commande refusee : ") + erreur;
        return false;
    }
    if (!CodesSecurite::CodesSecuriteIdentiques(stocke, code)) {
        AMessage = QStringLiteral("Commande refusee : authentification console invalide");
        return false;
    }
    return true;
}

void CommandRunner::EnvoyerRapportEchecCommande(const QString &ADetail, const QDateTime &ADebutSync)
{
    try {
        DataModuleMail::EnvoyerRapportSynchronisation(m_dm, false, 0, ADebutSync, m_dm.now(), ADetail,
                                                               QString());
    } catch (const std::exception &e) {
        m_dm.LogOperation(QStringLiteral("RAPPORT_COMMANDE"),
                          QStringLiteral("Envoi du rapport d'echec impossible : ") + ErreurTexte(e),
                          QStringLiteral("ECHEC"), kForm2);
    }
}

QString CommandRunner::WMSynchroCommande()
{
    m_dm.LogOperation(kProgramme, QStringLiteral("Demarrage avec le parametre synchro"), QStringLiteral("DEBUT"), kForm2);
    SyncLauncher launcher(m_dm, nullptr);
    launcher.externalUserId = m_dm.utilisateur_token_soc.trimmed();
    bool ok = false;
    try {
        ok = launcher.LancerSynchro(true);
    } catch (const std::exception &e) {
        ok = false;
        m_dm.LogOperation(QStringLiteral("SYNCHRO"), QStringLiteral("Erreur inattendue du mode commande : ") + ErreurTexte(e),
                          QStringLiteral("ECHEC"), kForm2);
    }
    const QString fin = ok ? QStringLiteral("Fin du mode synchro : succes") : QStringLiteral("Fin du mode synchro : echec");
    ExitCode::set(ok ? 0 : 1);
    if (!ok)
        m_erreur = launcher.dernierDetail();
    m_dm.LogOperation(kProgramme, fin, ok ? QStringLiteral("OK") : QStringLiteral("ECHEC"), kForm2);
    return fin;
}

QString CommandRunner::WMExportCommande()
{
    m_dm.LogOperation(kProgramme, QStringLiteral("Demarrage avec le parametre export"), QStringLiteral("DEBUT"), kForm2);
    int n = -1;
    try {
        n = LanceurExportCommande(m_dm, m_params).LancerExportCommande();
    } catch (const std::exception &e) {
        n = -1;
        m_dm.LogOperation(QStringLiteral("EXPORT_COMMANDE"),
                          QStringLiteral("Erreur inattendue du mode commande : ") + ErreurTexte(e),
                          QStringLiteral("ECHEC"), kForm2);
    }
    ExitCode::set(n < 0 ? -1 : n);
    const QString fin = n < 0 ? QStringLiteral("Fin du mode export : echec")
                              : QStringLiteral("Fin du mode export : ") + QString::number(n)
            + QStringLiteral(" ecriture(s) exportee(s)");
    if (n < 0)
        m_erreur = QStringLiteral("Export refuse ou en echec : voir le journal des operations");
    m_dm.LogOperation(kProgramme, fin, n < 0 ? QStringLiteral("ECHEC") : QStringLiteral("OK"), kForm2);
    return fin;
}
