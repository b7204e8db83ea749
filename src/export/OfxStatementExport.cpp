#include "export/OfxStatementExport.h"

#include "export/FichierLivre.h"
#include "common/Clock.h"
#include "common/FrenchFormat.h"
#include "db/DbError.h"
#include "export/ExportError.h"
#include "export/ExportLine.h"
#include "export/ExportUtils.h"

#include <QDir>
#include <QStringList>

#include <exception>

namespace ExportUtils {

namespace {

const QString kStatusOk = QStringLiteral("<STATUS><CODE>0</CODE><SEVERITY>INFO</SEVERITY></STATUS>");

QString tag(const QString &name, const QString &value)
{
    return QLatin1Char('<') + name + QLatin1Char('>') + value + QStringLiteral("</") + name
        + QLatin1Char('>');
}

QString datePostee(const QDate &date)
{
    return date.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("120000");
}

// A line break inside a tag value would break the one-tag-per-line layout.
QString surUneLigne(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

// One statement file being built: the lines of one IBAN.
struct GroupeOfx
{
    QString iban;
    qint64 compteId = 0;
    QString typeCompte;
    QDateTime ouverture;
    QStringList transactions;
    QStringList ids;
    int nombre = 0;
    double totalDebit = 0.0;
    double totalCredit = 0.0;
    QDate dateMin;
    QDate dateMax;

    void ajouter(const ExportLine &ligne, const QDate &aujourdhui)
    {
        const QDate date = ligne.Date_ecriture.isValid() ? ligne.Date_ecriture : aujourdhui;
        if (!dateMin.isValid() || date < dateMin)
            dateMin = date;
        if (!dateMax.isValid() || date > dateMax)
            dateMax = date;
        double montant = 0.0;
        if (ligne.debit) {
            montant = -*ligne.debit;
            totalDebit += *ligne.debit;
        } else {
            montant = ligne.credit.value_or(0.0);
            totalCredit += montant;
        }
        QString libelle = ligne.libelle_origine.trimmed();
        if (libelle.isEmpty())
            libelle = ligne.description.trimmed();
        libelle = surUneLigne(libelle);

        transactions << QStringLiteral("<STMTTRN>")
                     << tag(QStringLiteral("TRNTYPE"), montant >= 0 ? QStringLiteral("CREDIT")
                                                                    : QStringLiteral("DEBIT"))
                     << tag(QStringLiteral("DTPOSTED"), datePostee(date))
                     << tag(QStringLiteral("TRNAMT"), FrenchFormat::amountPoint(montant))
                     << tag(QStringLiteral("FITID"), OfxText(surUneLigne(ligne.id_bridge)))
                     << tag(QStringLiteral("NAME"), OfxText(libelle.left(32)))
                     << tag(QStringLiteral("MEMO"), OfxText(libelle))
                     << QStringLiteral("</STMTTRN>");
        if (ligne.ecriture_id != 0)
            ids << QString::number(ligne.ecriture_id);
        ++nombre;
    }

    QStringList fichier() const
    {
        const bool epargne = typeCompte.compare(QLatin1String("savings"), Qt::CaseInsensitive) == 0;
        QStringList lignes = {
            QStringLiteral("OFXHEADER:100"), QStringLiteral("DATA:OFXSGML"),
            QStringLiteral("VERSION:102"), QStringLiteral("SECURITY:NONE"),
            QStringLiteral("ENCODING:USASCII"), QStringLiteral("CHARSET:1252"),
            QStringLiteral("COMPRESSION:NONE"), QStringLiteral("OLDFILEUID:NONE"),
            QStringLiteral("NEWFILEUID:NONE"), QString(),
            QStringLiteral("<OFX>"), QStringLiteral("<SIGNONMSGSRSV1>"), QStringLiteral("<SONRS>"),
            kStatusOk,
            tag(QStringLiteral("DTSERVER"), ouverture.toString(QStringLiteral("yyyyMMddHHmmss"))),
            tag(QStringLiteral("LANGUAGE"), QStringLiteral("FRA")), QStringLiteral("</SONRS>"),
            QStringLiteral("</SIGNONMSGSRSV1>"), QStringLiteral("<BANKMSGSRSV1>"),
            QStringLiteral("<STMTTRNRS>"), tag(QStringLiteral("TRNUID"), QStringLiteral("1")),
            kStatusOk, QStringLiteral("<STMTRS>"), tag(QStringLiteral("CURDEF"), QStringLiteral("EUR")),
            QStringLiteral("<BANKACCTFROM>"), tag(QStringLiteral("BANKID"), OfxText(iban.mid(4, 5))),
            tag(QStringLiteral("ACCTID"), OfxText(iban)),
            tag(QStringLiteral("ACCTTYPE"), epargne ? QStringLiteral("SAVINGS") : QStringLiteral("CHECKING")),
            QStringLiteral("</BANKACCTFROM>"), QStringLiteral("<BANKTRANLIST>"),
            // Strict readers require the period of the list before its transactions.
            tag(QStringLiteral("DTSTART"), datePostee(dateMin)),
            tag(QStringLiteral("DTEND"), datePostee(dateMax))};
        lignes += transactions;
        lignes << QStringLiteral("</BANKTRANLIST>") << QStringLiteral("<LEDGERBAL>")
               << tag(QStringLiteral("BALAMT"), FrenchFormat::amountPoint(totalCredit - totalDebit))
               << tag(QStringLiteral("DTASOF"), datePostee(dateMax)) << QStringLiteral("</LEDGERBAL>")
               << QStringLiteral("</STMTRS>") << QStringLiteral("</STMTTRNRS>")
               << QStringLiteral("</BANKMSGSRSV1>") << QStringLiteral("</OFX>");
        return lignes;
    }
};

// Writes and records one group; nothing for lines without IBAN.
bool fermerGroupe(const QSqlDatabase &db, const GroupeOfx &groupe, const QString &dossier,
                  const QString &typeExport, const QString &user, const Clock &clock)
{
    if (groupe.iban.isEmpty() || groupe.nombre == 0)
        return false;
    const QString chemin = dossier + QStringLiteral("releve_") + SafeFilePart(groupe.iban)
        + QLatin1Char('_') + clock.now().toString(QStringLiteral("yyyyMMdd_HHmmss"))
        + QStringLiteral(".ofx");
    SauverAnsi(groupe.fichier(), chemin);
    FichierLivre livre(chemin);
    MarquerEcrituresExportees(db, groupe.ids, groupe.compteId, groupe.iban, QStringLiteral("OFX"),
                              typeExport, chemin, FrenchFormat::sqlDate(groupe.dateMin),
                              FrenchFormat::sqlDate(groupe.dateMax), user, groupe.totalDebit,
                              groupe.totalCredit, clock);
    livre.garder();
    return true;
}

int ecrireGroupes(const QSqlDatabase &db, const std::vector<ExportLine> &lignes,
                  const QString &dossier, const QString &typeExport, const QString &user,
                  int &nbFichiers, const Clock &clock)
{
    int resultat = 0;
    GroupeOfx groupe;
    for (const ExportLine &ligne : lignes) {
        if (ligne.iban != groupe.iban) {
            if (fermerGroupe(db, groupe, dossier, typeExport, user, clock))
                ++nbFichiers;
            groupe = GroupeOfx();
            groupe.iban = ligne.iban;
            groupe.compteId = ligne.compte_id;
            groupe.typeCompte = ligne.type_compte;
            groupe.ouverture = clock.now();
        }
        if (groupe.iban.isEmpty())
            continue; // lines without IBAN come first and belong to no statement
        groupe.ajouter(ligne, groupe.ouverture.date());
        ++resultat;
    }
    if (fermerGroupe(db, groupe, dossier, typeExport, user, clock))
        ++nbFichiers;
    return resultat;
}

} // namespace

int ExporterRelevesOFXSilencieux(const QSqlDatabase &AConnection,
                                 const std::vector<ExportLine> &ADataSet,
                                 const QString &ARepertoire, const QString &ATypeExport,
                                 const QString &AUser, int &ANbFichiers, QString &AErreur,
                                 const Clock &AClock)
{
    AErreur.clear();
    ANbFichiers = 0;
    if (!AConnection.isOpen()) {
        AErreur = QStringLiteral("Base SQLite non connectee");
        return -1;
    }
    if (ADataSet.empty())
        return 0;
    QString dossier = ARepertoire.trimmed();
    if (dossier.isEmpty()) {
        AErreur = QStringLiteral("Repertoire de destination obligatoire");
        return -1;
    }
    dossier = AvecSeparateurFinal(dossier);
    if (!QDir().mkpath(dossier)) {
        AErreur = QStringLiteral("Repertoire de destination inaccessible : ") + ARepertoire;
        return -1;
    }
    try {
        return ecrireGroupes(AConnection, ADataSet, dossier, ATypeExport, AUser, ANbFichiers,
                             AClock);
    } catch (const DbError &e) {
        AErreur = e.message();
    } catch (const ExportError &e) {
        AErreur = e.message();
    } catch (const std::exception &e) {
        AErreur = QString::fromUtf8(e.what());
    }
    return -1;
}

} // namespace ExportUtils
