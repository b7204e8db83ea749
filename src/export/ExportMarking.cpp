#include "export/ExportMarking.h"

#include "db/SqlQuery.h"

namespace ExportMarking {

int marquerEcritures(const QSqlDatabase &db, const std::vector<qint64> &ids,
                     const ExportRecord &record)
{
    SqlQuery update(db, QStringLiteral(
        "UPDATE T_ECRITURES SET "
        "date_export=CASE WHEN date_export IS NULL OR TRIM(date_export)='' THEN :date_export ELSE date_export END, "
        "heure_export=CASE WHEN heure_export IS NULL OR TRIM(heure_export)='' THEN :heure_export ELSE heure_export END, "
        "user_export=CASE WHEN user_export IS NULL OR TRIM(user_export)='' THEN :user_export ELSE user_export END, "
        "format_dernier_export=:format_export, nb_exports=COALESCE(nb_exports,0)+1 "
        "WHERE ecriture_id=:ecriture_id"));
    update.bind(QStringLiteral(":date_export"), record.date_export)
        .bind(QStringLiteral(":heure_export"), record.heure_export)
        .bind(QStringLiteral(":user_export"), record.user_export)
        .bind(QStringLiteral(":format_export"), record.format_export);
    int marked = 0;
    for (const qint64 id : ids) {
        if (id <= 0)
            continue;
        update.bind(QStringLiteral(":ecriture_id"), id).exec();
        ++marked;
    }
    return marked;
}

void enregistrerExport(const QSqlDatabase &db, const ExportRecord &record)
{
    SqlQuery insert(db, QStringLiteral(
        "INSERT INTO T_EXPORTS (compte_id, date_export, heure_export, user_export, format_export, "
        "iban, date_debut_export, date_fin_export, nb_ecritures_exportees, total_debit_exporte, "
        "total_credit_exporte, fichier_genere, type_export) VALUES (:compte_id, :date_export, "
        ":heure_export, :user_export, :format_export, :iban, :date_debut_export, :date_fin_export, "
        ":nb_ecritures_exportees, :total_debit_exporte, :total_credit_exporte, :fichier_genere, "
        ":type_export)"));
    insert.bind(QStringLiteral(":compte_id"), record.compte_id)
        .bind(QStringLiteral(":date_export"), record.date_export)
        .bind(QStringLiteral(":heure_export"), record.heure_export)
        .bind(QStringLiteral(":user_export"), record.user_export)
        .bind(QStringLiteral(":format_export"), record.format_export)
        .bind(QStringLiteral(":iban"), record.iban)
        .bind(QStringLiteral(":date_debut_export"), record.date_debut_export)
        .bind(QStringLiteral(":date_fin_export"), record.date_fin_export)
        .bind(QStringLiteral(":nb_ecritures_exportees"), record.nb_ecritures_exportees)
        .bind(QStringLiteral(":total_debit_exporte"), record.total_debit_exporte)
        .bind(QStringLiteral(":total_credit_exporte"), record.total_credit_exporte)
        .bind(QStringLiteral(":fichier_genere"), record.fichier_genere)
        .bind(QStringLiteral(":type_export"), record.type_export)
        .exec();
}

} // namespace ExportMarking
