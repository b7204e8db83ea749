#include "cards/ui/FormCartesBancairesModal.h"

#include "app/GlobalLock.h"
#include "cards/CardAccountingExport.h"
#include "cards/CardCorrections.h"
#include "cards/ui/FormCorrectionsCartesModal.h"
#include "cards/ui/FormExportComptableCartesOptions.h"
#include "cards/ui/FormModifierCarteModal.h"
#include "common/FrenchFormat.h"
#include "common/UserDialogs.h"
#include "db/DataModule.h"
#include "db/DbError.h"
#include "export/ExportError.h"
#include "export/ExportState.h"
#include "export/ui/CurseurOccupe.h"
#include "export/ui/FenetreEcritures.h"

namespace {

const QString kCompta = QStringLiteral("EXPORT_CARTES_COMPTABLE");
const QString kCrLf = QStringLiteral("\r\n");

QString messageDe(const std::exception &e)
{
    if (const auto *db = dynamic_cast<const DbError *>(&e))
        return db->message();
    if (const auto *ex = dynamic_cast<const ExportError *>(&e))
        return ex->message();
    return QString::fromUtf8(e.what());
}

void avertir(FenetreEcritures &f, const QString &ATexte)
{
    f.dm().dialogs().warn(f.genre().titre, ATexte);
}

void informer(FenetreEcritures &f, const QString &ATexte)
{
    f.dm().dialogs().inform(f.genre().titre, ATexte);
}

// The focused card line and its values; false (with the message shown) when there
// is none to correct.
struct LigneCourante
{
    qint64 id = 0;
    QString idBridge;
    ValeursEcritureCarte valeurs;
};

bool lireLigneCourante(FenetreEcritures &f, LigneCourante &ALigne)
{
    ALigne.id = f.EcritureIdCourante();
    if (ALigne.id <= 0) {
        avertir(f, QStringLiteral("Selectionnez d'abord une ligne dans la grille."));
        return false;
    }
    ValeursEcritureCarte &v = ALigne.valeurs;
    if (!CardCorrections(f.dm()).LireEcriture(ALigne.id, ALigne.idBridge, v.dateEcriture, v.dateValeur,
                                              v.libelleOriginal, v.libelleQuelvo, v.montant)) {
        avertir(f, QStringLiteral("Ecriture introuvable en base."));
        return false;
    }
    return true;
}

void rechargerSur(FenetreEcritures &f, qint64 AEcritureId)
{
    f.Charger();
    f.selectionnerEcriture(AEcritureId);
}

void exporterComptable(FenetreEcritures &f, const QString &AJournal, const QString &ACompte,
                       const QString &ARepertoire, const QString &AMode)
{
    DataModule &dm = f.dm();
    const QString &source = f.genre().source;
    dm.LogOperation(kCompta,
                    QStringLiteral("Debut export comptable cartes. Journal=") + AJournal + QStringLiteral(" Compte=")
                        + ACompte + QStringLiteral(" Contrepartie=") + CardAccountingExport::CompteContrepartie()
                        + QStringLiteral(" Mode=") + AMode + QStringLiteral(" Repertoire=") + ARepertoire
                        + QStringLiteral(" Utilisateur=") + dm.user_courant_login,
                    QStringLiteral("DEBUT"), source);
    try {
        int nbFichiers = 0;
        int n = 0;
        {
            const CurseurOccupe curseur;
            n = CardAccountingExport(dm).ExporterComptableCartes(AJournal, ACompte, ARepertoire, AMode, nbFichiers);
        }
        const QString lignes = QString::number(2 * n);
        dm.LogOperation(kCompta,
                        QStringLiteral("Export comptable termine : ") + QString::number(n)
                            + QStringLiteral(" ecriture(s), ") + lignes + QStringLiteral(" ligne(s) comptable(s), ")
                            + QString::number(nbFichiers) + QStringLiteral(" fichier(s)"),
                        QStringLiteral("OK"), source);
        informer(f, QString::number(n) + QStringLiteral(" ecriture(s) exportee(s) en ") + lignes
                        + QStringLiteral(" lignes comptables.") + kCrLf + QString::number(nbFichiers)
                        + QStringLiteral(" fichier(s) cree(s) dans :") + kCrLf + ARepertoire);
    } catch (const std::exception &e) {
        const QString message = messageDe(e);
        dm.LogOperation(kCompta, QStringLiteral("Erreur export comptable : ") + message, QStringLiteral("ECHEC"),
                        source);
        dm.dialogs().error(f.genre().titre, QStringLiteral("Echec de l'export comptable :") + kCrLf + message);
    }
}

} // namespace

QString TFormCartesBancairesModal::ChargerCartes()
{
    return QStringLiteral("SELECT iban, type_compte, nom_banque, client_raison_sociale FROM T_COMPTES "
                          "WHERE LOWER(COALESCE(type_compte, '')) = 'card'    OR UPPER(COALESCE(nom_banque, '')) "
                          "LIKE '%/ CARTE%' ORDER BY nom_banque, iban");
}

GenreFenetreEcritures TFormCartesBancairesModal::Genre()
{
    GenreFenetreEcritures g;
    g.nomClasse = QStringLiteral("TFormCartesBancairesModal");
    g.titre = QStringLiteral("Cartes bancaires");
    g.nomPages = QStringLiteral("pcCartes");
    g.nomChoix = QStringLiteral("cbCarte");
    g.libelleChoix = QStringLiteral("Selection carte :");
    g.premierChoix = QStringLiteral("-- Toutes les cartes --");
    g.requeteChoix = ChargerCartes();
    g.typeDansChoix = false;
    g.filtre = QStringLiteral("CARD");
    g.mot = QStringLiteral("cartes");
    g.operationLog = QStringLiteral("EXPORT_CARTES");
    g.source = QStringLiteral("Cartes");
    g.selectionLignes = true;
    g.historiqueSelonIban = true;
    g.texteExport = QStringLiteral("Export compta");
    g.nomExport = QStringLiteral("BtnExportComptable");
    g.exportSecondaire = &BtnExportComptableClick;
    g.modifier = &ModifierSelection;
    g.supprimer = &SupprimerSelection;
    g.corrections = &BtnCorrectionsClick;
    return g;
}

void TFormCartesBancairesModal::Executer(QWidget *AOwner, DataModule &dm, const QString &AInitialIban)
{
    FenetreEcritures::Executer(AOwner, dm, Genre(), AInitialIban, !AInitialIban.trimmed().isEmpty());
}

void TFormCartesBancairesModal::BtnExportComptableClick(FenetreEcritures &f)
{
    DataModule &dm = f.dm();
    const QString &source = f.genre().source;
    if (dm.user_courant_niveau <= 6) {
        dm.LogOperation(QStringLiteral("DROITS"),
                        QStringLiteral("Tentative export comptable cartes refusee pour ") + dm.user_courant_login,
                        QStringLiteral("REFUSE"), source);
        avertir(f, QStringLiteral("Export reserve aux niveaux 7, 8 et 9."));
        return;
    }
    if (dm.exports().KBMemTableExportFinal.empty()) {
        informer(f, QStringLiteral("Aucune ecriture a exporter."));
        return;
    }
    QString mode;
    if (!f.ModeExport(mode) || !f.ConfirmerReexport(QStringLiteral("CSV COMPTABLE CARTES")))
        return;
    QString journal;
    QString compte;
    if (!TFormExportComptableCartesOptions::Executer(&f, dm, journal, compte)) {
        dm.LogOperation(kCompta, QStringLiteral("Export comptable annule dans la boite d'options"),
                        QStringLiteral("ANNULE"), source);
        return;
    }
    QString repertoire;
    if (!f.VerifierRepertoire(repertoire))
        return;
    GlobalLock verrou(GlobalLock::cheminPour(dm.chemin_data));
    if (!f.PrendreVerrouExport(verrou, kCompta))
        return;
    if (f.RechargerPourExport(mode) <= 0) {
        verrou.liberer();
        informer(f, QStringLiteral("Aucune ecriture a exporter avec cette option."));
        f.Charger();
        return;
    }
    exporterComptable(f, journal, compte, repertoire, mode);
    verrou.liberer();
    f.Charger();
}

void TFormCartesBancairesModal::ModifierSelection(FenetreEcritures &f)
{
    DataModule &dm = f.dm();
    if (dm.user_courant_niveau < 9) {
        avertir(f, QStringLiteral("La correction des cartes est reservee au niveau 9."));
        return;
    }
    LigneCourante ligne;
    if (!lireLigneCourante(f, ligne))
        return;
    ValeursEcritureCarte nouvelles = ligne.valeurs;
    if (!nouvelles.dateEcriture.isValid())
        nouvelles.dateEcriture = dm.now().date();
    if (!TFormModifierCarteModal::Executer(&f, dm, nouvelles.dateEcriture, nouvelles.montant, nouvelles.libelleQuelvo,
                                           nouvelles.libelleOriginal, nouvelles.dateValeur))
        return;
    QString message;
    if (!CardCorrections(dm).ModifierEcriture(ligne.id, nouvelles, message)) {
        avertir(f, message);
        return;
    }
    rechargerSur(f, ligne.id);
}

void TFormCartesBancairesModal::SupprimerSelection(FenetreEcritures &f)
{
    DataModule &dm = f.dm();
    if (dm.user_courant_niveau < 9) {
        avertir(f, QStringLiteral("La suppression des lignes de carte est reservee au niveau 9."));
        return;
    }
    LigneCourante ligne;
    if (!lireLigneCourante(f, ligne))
        return;
    const ValeursEcritureCarte &v = ligne.valeurs;
    const QString question = QStringLiteral("Supprimer definitivement cette ligne de carte ?") + kCrLf
        + FrenchFormat::displayDate(v.dateEcriture) + QStringLiteral(" - ") + v.libelleQuelvo + kCrLf
        + FrenchFormat::amountComma(v.montant) + kCrLf + kCrLf
        + QStringLiteral("Elle disparaitra des grilles et des exports.") + kCrLf
        + QStringLiteral("La suppression est annulable a tout moment depuis le bouton Corrections.");
    if (!dm.dialogs().askYesNo(f.genre().titre, question))
        return;
    QString message;
    if (!CardCorrections(dm).SupprimerEcriture(ligne.id, message)) {
        avertir(f, message);
        return;
    }
    f.Charger();
}

void TFormCartesBancairesModal::BtnCorrectionsClick(FenetreEcritures &f)
{
    TFormCorrectionsCartesModal::Executer(&f, f.dm());
    if (f.resultatAffiche())
        f.Charger();
}
