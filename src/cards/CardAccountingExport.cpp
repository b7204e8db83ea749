#include "cards/CardAccountingExport.h"

#include "export/FichierLivre.h"
#include "common/FrenchFormat.h"
#include "db/DataModule.h"
#include "db/DbError.h"
#include "db/SqlQuery.h"
#include "export/ExportError.h"
#include "export/ExportState.h"
#include "export/ExportUtils.h"

namespace {

const QString kLog = QStringLiteral("EXPORT_CARTES_COMPTABLE");
const QString kSource = QStringLiteral("Cartes");

QString montant(double AValeur)
{
    return AValeur > 0 ? FrenchFormat::amountComma(AValeur) : QString();
}

bool seulement(const QString &AValue, bool (*accepte)(QChar))
{
    for (const QChar c : AValue) {
        if (!accepte(c))
            return false;
    }
    return true;
}

QString messageErreur(const std::exception &e)
{
    if (const auto *db = dynamic_cast<const DbError *>(&e))
        return db->message();
    if (const auto *ex = dynamic_cast<const ExportError *>(&e))
        return ex->message();
    return QString::fromUtf8(e.what());
}

} // namespace

CardAccountingExport::CardAccountingExport(DataModule &dm) : m_dm(dm)
{
}

QString CardAccountingExport::EnTete()
{
    return QStringLiteral("date_ecriture;code_journal;numero_compte;libelle_compte;numero_piece;"
                          "libelle_ecriture;debit;credit;lettrage;code_analytique;devise");
}

bool CardAccountingExport::CodeJournalValide(const QString &AValue)
{
    return !AValue.isEmpty() && AValue.size() <= 10 && seulement(AValue, [](QChar c) {
        return (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-')
            || c == QLatin1Char('_');
    });
}

bool CardAccountingExport::Compte511Valide(const QString &AValue)
{
    return AValue.size() >= 2 && AValue.size() <= 20
        && (AValue.startsWith(QLatin1String("511")) || AValue.startsWith(QLatin1String("58")))
        && seulement(AValue, [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

int CardAccountingExport::ExporterComptableCartes(const QString &ACodeJournal,
                                                  const QString &ACompte511,
                                                  const QString &ARepertoire,
                                                  const QString &ATypeExport, int &ANbFichiers)
{
    ANbFichiers = 0;
    m_resultat = 0;
    m_nbFichiers = 0;
    const std::vector<ExportLine> &table = m_dm.exports().FDMemTableExport;
    if (table.empty())
        return 0;

    // The options dialog checks these too; an entry on a wrong account must never
    // reach the accounting software.
    m_journal = ACodeJournal.trimmed().toUpper();
    if (!CodeJournalValide(m_journal))
        throw ExportError(
            QStringLiteral("Le code journal est obligatoire (1 a 10 lettres, chiffres, - ou _)."));
    m_compte511 = ACompte511.trimmed();
    if (!Compte511Valide(m_compte511))
        throw ExportError(QStringLiteral("Le compte carte / caisse est obligatoire, numerique et "
                                         "doit commencer par 511 ou 58."));
    if (ARepertoire.trimmed().isEmpty())
        throw ExportError(QStringLiteral("Indiquez un repertoire de destination."));
    m_dossier = ExportUtils::AvecSeparateurFinal(ARepertoire.trimmed());
    m_typeExport = ATypeExport;

    SqlQuery devise(m_dm.UnConnection_dossier(),
                    QStringLiteral("SELECT currency_code FROM T_ECRITURES WHERE ecriture_id=:id LIMIT 1"));
    OuvrirGroupe();
    for (const ExportLine &ligne : table) {
        if (ligne.compte_id != m_groupe.compteId) {
            FermerGroupe();
            OuvrirGroupe();
            m_groupe.compteId = ligne.compte_id;
            m_groupe.iban = ligne.iban.trimmed();
            m_groupe.accountId = ligne.account_id.trimmed();
        }
        AjouterTransaction(ligne, devise);
    }
    FermerGroupe();

    ANbFichiers = m_nbFichiers;
    return m_resultat;
}

void CardAccountingExport::OuvrirGroupe()
{
    m_groupe = Groupe();
    m_groupe.lignes.append(EnTete());
}

void CardAccountingExport::AjouterTransaction(const ExportLine &ALigne, SqlQuery &ADevise)
{
    const QDate date = ALigne.Date_ecriture.isValid() ? ALigne.Date_ecriture : m_dm.now().date();
    if (!m_groupe.dateMin.isValid() || date < m_groupe.dateMin)
        m_groupe.dateMin = date;
    if (!m_groupe.dateMax.isValid() || date > m_groupe.dateMax)
        m_groupe.dateMax = date;

    const QString piece = QStringLiteral("CB-") + QString::number(ALigne.ecriture_id);
    ADevise.bind(QStringLiteral(":id"), ALigne.ecriture_id).exec();
    const QString devise = ADevise.next() ? ADevise.text(0).trimmed() : QString();
    QString libelle = ALigne.description.trimmed();
    if (libelle.isEmpty())
        libelle = ALigne.libelle_origine.trimmed();

    double montantEcrit = 0.0;
    const QString contrepartie = CompteContrepartie();
    if (ALigne.debit && *ALigne.debit > 0) {
        montantEcrit = *ALigne.debit; // a payment
        AjouterLigne(date, piece, libelle, devise, contrepartie, montantEcrit, 0.0);
        AjouterLigne(date, piece, libelle, devise, m_compte511, 0.0, montantEcrit);
        m_groupe.totalDebit += montantEcrit;
    } else if (ALigne.credit && *ALigne.credit > 0) {
        montantEcrit = *ALigne.credit; // a refund
        AjouterLigne(date, piece, libelle, devise, m_compte511, montantEcrit, 0.0);
        AjouterLigne(date, piece, libelle, devise, contrepartie, 0.0, montantEcrit);
        m_groupe.totalCredit += montantEcrit;
    }
    if (montantEcrit > 0) {
        m_groupe.ids.append(QString::number(ALigne.ecriture_id));
        ++m_groupe.nombre;
    }
}

void CardAccountingExport::AjouterLigne(const QDate &ADate, const QString &APiece,
                                        const QString &ALibelle, const QString &ADevise,
                                        const QString &ACompte, double ADebit, double ACredit)
{
    using ExportUtils::CsvCell;
    const QChar sep = QLatin1Char(';');
    m_groupe.lignes.append(CsvCell(FrenchFormat::displayDate(ADate)) + sep + CsvCell(m_journal)
                           + sep + CsvCell(ACompte) + sep + sep + CsvCell(APiece) + sep
                           + CsvCell(ALibelle) + sep + CsvCell(montant(ADebit)) + sep
                           + CsvCell(montant(ACredit)) + sep + sep + sep + CsvCell(ADevise));
}

void CardAccountingExport::FermerGroupe()
{
    if (m_groupe.compteId <= 0 || m_groupe.nombre == 0)
        return;
    QString identifiant = m_groupe.iban;
    if (identifiant.isEmpty())
        identifiant = m_groupe.accountId;
    if (identifiant.isEmpty())
        identifiant = QStringLiteral("CARTE");
    identifiant += QStringLiteral("_C") + QString::number(m_groupe.compteId);
    const QString fichier = m_dossier + QStringLiteral("cartes_comptables_")
        + ExportUtils::SafeFilePart(identifiant) + QLatin1Char('_')
        + m_dm.now().toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".csv");
    ExportUtils::SauverAnsi(m_groupe.lignes, fichier);
    FichierLivre livre(fichier);
    try {
        ExportUtils::MarquerEcrituresExportees(
            m_dm.UnConnection_dossier(), m_groupe.ids, m_groupe.compteId, m_groupe.iban,
            QStringLiteral("CSV-COMPTA-CB"), m_typeExport, fichier,
            FrenchFormat::sqlDate(m_groupe.dateMin), FrenchFormat::sqlDate(m_groupe.dateMax),
            m_dm.user_courant_login, m_groupe.totalDebit, m_groupe.totalCredit, m_dm.clock());
    } catch (const std::exception &e) {
        m_dm.LogOperation(kLog,
                          QStringLiteral("Fichier cree mais marquage SQLite en echec : ") + fichier
                              + QStringLiteral(" - ") + messageErreur(e),
                          QStringLiteral("ECHEC"), kSource);
        throw;
    }
    livre.garder();
    ++m_nbFichiers;
    m_resultat += m_groupe.nombre;
    m_dm.LogOperation(kLog,
                      QStringLiteral("Fichier=") + fichier + QStringLiteral(" Carte_id=")
                          + QString::number(m_groupe.compteId) + QStringLiteral(" IBAN=")
                          + m_groupe.iban + QStringLiteral(" Account_id=") + m_groupe.accountId
                          + QStringLiteral(" Ecritures=") + QString::number(m_groupe.nombre)
                          + QStringLiteral(" Lignes_comptables=")
                          + QString::number(2 * m_groupe.nombre),
                      QStringLiteral("OK"), kSource);
    m_dm.idle();
}
