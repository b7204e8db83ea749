#include "export/ExportUtils.h"

#include "common/AnsiText.h"
#include "common/AtomicFile.h"
#include "common/Clock.h"
#include "common/FrenchFormat.h"
#include "company/IdentificationSociete.h"
#include "db/DataModule.h"
#include "db/DbError.h"
#include "db/DbTransaction.h"
#include "db/SqlQuery.h"
#include "export/ExportError.h"
#include "export/ExportMarking.h"

#include <QDir>
#include <QFileInfo>

#include <exception>
#include <vector>

namespace ExportUtils {

QString CsvCell(const QString &AValue)
{
    QString doubled = AValue;
    doubled.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

QString OfxText(const QString &AValue)
{
    QString text = AValue;
    text.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    text.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    text.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    return text;
}

QString SafeFilePart(const QString &AValue)
{
    static const QString forbidden = QStringLiteral(" \"*/:<>?\\|");
    QString part = AValue.trimmed();
    for (QChar &c : part) {
        if (forbidden.contains(c))
            c = QLatin1Char('_');
    }
    return part.isEmpty() ? QStringLiteral("compte") : part;
}

QString AvecSeparateurFinal(const QString &ADossier)
{
    if (ADossier.endsWith(QLatin1Char('/')))
        return ADossier;
    return ADossier + QLatin1Char('/');
}

QString RepertoireExportSociete(DataModule &AConnection)
{
    if (AConnection.connectionOpen()) {
        try {
            IdentificationSociete::EnsureTable(AConnection);
            const QString stored =
                SqlQuery::scalar(AConnection.UnConnection_dossier(),
                                 QStringLiteral("SELECT repertoire_export FROM T_IDENTIFICATION_SOCIETE "
                                                "ORDER BY societe_id LIMIT 1"))
                    .toString()
                    .trimmed();
            if (!stored.isEmpty()) {
                const QString folder = AvecSeparateurFinal(stored);
                if (QDir().mkpath(folder))
                    return folder;
            }
        } catch (const std::exception &) {
            // An unreadable company row leaves the default folder.
        }
    }
    const QString fallback =
        AvecSeparateurFinal(AConnection.chemin_prog) + QStringLiteral("datas/releves/");
    QDir().mkpath(fallback);
    return fallback;
}

void SauverAnsi(const QStringList &ALines, const QString &AFileName)
{
    const QString folder = QFileInfo(AFileName).absolutePath();
    if (!QDir().mkpath(folder))
        throw ExportError(QStringLiteral("Impossible de créer le dossier ") + folder);
    QString error;
    if (!AtomicFile::write(AFileName, AnsiText::encodeLines(ALines), error))
        throw ExportError(error);
}

void MarquerEcrituresExportees(const QSqlDatabase &AConnection, const QStringList &AIds,
                               qint64 ACompteId, const QString &AIban, const QString &AFormat,
                               const QString &ATypeExport, const QString &AFichier,
                               const QString &ADateDebutISO, const QString &ADateFinISO,
                               const QString &AUser, double ATotalDebit, double ATotalCredit,
                               const Clock &AClock)
{
    if (AIds.isEmpty())
        return;
    if (!AConnection.isOpen())
        throw DbError(QStringLiteral("Base SQLite non connectee"));

    std::vector<qint64> ids;
    ids.reserve(AIds.size());
    for (const QString &text : AIds) {
        bool ok = false;
        const qint64 id = text.trimmed().toLongLong(&ok);
        if (ok && id > 0)
            ids.push_back(id);
    }

    const QDateTime instant = AClock.now();
    ExportRecord record;
    record.compte_id = ACompteId;
    record.date_export = FrenchFormat::sqlDate(instant.date());
    record.heure_export = FrenchFormat::sqlTime(instant.time());
    record.user_export = AUser;
    record.format_export = AFormat.toUpper();
    record.iban = AIban;
    record.date_debut_export = ADateDebutISO;
    record.date_fin_export = ADateFinISO;
    record.total_debit_exporte = ATotalDebit;
    record.total_credit_exporte = ATotalCredit;
    record.fichier_genere = AFichier;
    record.type_export = ATypeExport.left(20);

    DbTransaction transaction(AConnection);
    record.nb_ecritures_exportees = ExportMarking::marquerEcritures(AConnection, ids, record);
    ExportMarking::enregistrerExport(AConnection, record);
    transaction.commit();
}

} // namespace ExportUtils
