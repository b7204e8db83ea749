#include "export/ui/FormRelevesBancairesModal.h"

#include "app/GlobalLock.h"
#include "common/UserDialogs.h"
#include "db/DataModule.h"
#include "export/ExportError.h"
#include "export/ExportState.h"
#include "export/OfxStatementExport.h"
#include "export/ui/CurseurOccupe.h"
#include "export/ui/FenetreEcritures.h"

namespace {

void ExporterOFX(FenetreEcritures &f)
{
    DataModule &dm = f.dm();
    const GenreFenetreEcritures &genre = f.genre();
    if (!f.ExportAutorise(QStringLiteral("Tentative export OFX releves refusee pour ")))
        return;
    QString repertoire;
    QString mode;
    if (!f.VerifierRepertoire(repertoire) || !f.ModeExport(mode) || !f.ConfirmerReexport(QStringLiteral("OFX")))
        return;
    GlobalLock verrou(GlobalLock::cheminPour(dm.chemin_data));
    if (!f.PrendreVerrouExport(verrou, genre.operationLog))
        return;

    if (f.RechargerPourExport(mode) <= 0 || dm.exports().FDMemTableExport.empty()) {
        verrou.liberer();
        dm.dialogs().inform(genre.titre, QStringLiteral("Aucune ecriture a exporter avec cette option."));
        f.Charger();
        return;
    }
    int nbFichiers = 0;
    QString erreur;
    int n = 0;
    {
        const CurseurOccupe curseur;
        n = ExportUtils::ExporterRelevesOFXSilencieux(dm.UnConnection_dossier(), dm.exports().FDMemTableExport,
                                                      repertoire, mode, dm.user_courant_login, nbFichiers, erreur,
                                                      dm.clock());
    }
    verrou.liberer();
    // The files and markings of the accounts already written stay; the window's
    // error box tells the user what stopped the rest.
    if (n < 0)
        throw ExportError(erreur);
    if (n == 0) {
        dm.dialogs().inform(genre.titre, QStringLiteral("Aucune ecriture a exporter."));
        return;
    }
    dm.LogOperation(genre.operationLog,
                    QStringLiteral("Export OFX termine : %1 ecriture(s), %2 fichier(s), mode %3, repertoire %4")
                        .arg(n)
                        .arg(nbFichiers)
                        .arg(mode, repertoire),
                    QStringLiteral("OK"), genre.source);
    dm.dialogs().inform(genre.titre, QStringLiteral("%1 ecriture(s) exportee(s) dans %2 fichier(s) OFX.").arg(n).arg(nbFichiers)
                                         + QStringLiteral("\r\n") + repertoire);
    f.Charger();
}

} // namespace

QString TFormRelevesBancairesModal::ChargerComptesHorsCartes()
{
    return QStringLiteral("SELECT iban, type_compte, nom_banque, client_raison_sociale FROM T_COMPTES "
                          "WHERE LOWER(COALESCE(type_compte, '')) <> 'card'   AND UPPER(COALESCE(nom_banque, '')) "
                          "NOT LIKE '%/ CARTE%' ORDER BY nom_banque, iban");
}

GenreFenetreEcritures TFormRelevesBancairesModal::Genre()
{
    GenreFenetreEcritures g;
    g.nomClasse = QStringLiteral("TFormRelevesBancairesModal");
    g.titre = QStringLiteral("Relevés bancaires");
    g.nomPages = QStringLiteral("pcReleves");
    g.nomChoix = QStringLiteral("cbCompte");
    g.libelleChoix = QStringLiteral("Selection  IBAN :");
    g.premierChoix = QStringLiteral("-- Tous les comptes (hors cartes) --");
    g.requeteChoix = ChargerComptesHorsCartes();
    g.typeDansChoix = true;
    g.filtre = QStringLiteral("NOCARD");
    g.mot = QStringLiteral("releves");
    g.operationLog = QStringLiteral("EXPORT_RELEVES");
    g.source = QStringLiteral("Releves");
    g.selectionLignes = false;
    g.historiqueSelonIban = false;
    g.texteExport = QStringLiteral("Export OFX");
    g.nomExport = QStringLiteral("BtnExportOFX");
    g.exportSecondaire = &BtnExportOFXClick;
    return g;
}

void TFormRelevesBancairesModal::BtnExportOFXClick(FenetreEcritures &AFenetre)
{
    ExporterOFX(AFenetre);
}

void TFormRelevesBancairesModal::Executer(QWidget *AOwner, DataModule &dm, const QString &AInitialIban,
                                          bool AHistoriqueComplet)
{
    FenetreEcritures::Executer(AOwner, dm, Genre(), AInitialIban, AHistoriqueComplet);
}
