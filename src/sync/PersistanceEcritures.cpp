#include "sync/PersistanceEcritures.h"

#include "common/FrenchFormat.h"
#include "db/DataModule.h"
#include "db/DbError.h"
#include "db/DbTransaction.h"
#include "db/SqlQuery.h"
#include "sync/EcritureUtf8.h"
#include "sync/ReglagesPersistance.h"
#include "sync/SessionRecuperation.h"
#include "sync/SqliteStatement.h"
#include "sync/SyncState.h"

#include <QHash>

#include <exception>
#include <vector>

namespace {

const QString kInfo = QStringLiteral("INFO");

QByteArray texteDateRecup(const QDateTime &t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
}

QVariant sqlDateOuNull(const QDate &date)
{
    return date.isValid() ? QVariant(FrenchFormat::sqlDate(date)) : QVariant();
}

std::vector<PersistanceEcritures::LotCompte> lotsParCompte(const std::vector<EcritureHistorique> &historique, std::size_t debut)
{
    std::vector<PersistanceEcritures::LotCompte> lots;
    QHash<QString, std::size_t> index;
    std::size_t courant = 0; // consecutive rows nearly always share their account
    for (std::size_t i = debut; i < historique.size(); ++i) {
        const EcritureHistorique &r = historique[i];
        if (r.account_id.isEmpty())
            continue;
        if (courant == lots.size() || lots[courant].accountId != r.account_id) {
            auto it = index.constFind(r.account_id);
            if (it == index.constEnd()) {
                it = index.insert(r.account_id, lots.size());
                lots.push_back({r.account_id, {}});
            }
            courant = *it;
        }
        lots[courant].lignes.push_back(&r);
    }
    return lots;
}

} // namespace

QString PersistanceEcritures::colonnesEcriture()
{
    return QStringLiteral("compte_id, import_id, id_bridge, account_id, item_id, iban, bank_name, account_name, "
                          "account_type, date_ecriture, date_iso, description, provider_description, amount, "
                          "amount_txt, currency_code, operation_type, booking_date, transaction_date, value_date, "
                          "updated_at, deleted, future, date_recup, date_import, heure_import, user_import");
}

void PersistanceEcritures::RemplirParamsEcriture(SqliteStatement &AQuery, const EcritureHistorique &ARow,
                                                 const EcritureUtf8 &ATextes, qint64 ACompteId, qint64 AImportId,
                                                 const TamponImport &ATampon)
{
    const auto texte = [&](int index, EcritureUtf8::Champ champ) {
        if (ATextes.estNul(champ))
            AQuery.bindNull(index);
        else
            AQuery.bindUtf8Static(index, ATextes.texte(champ));
    };
    AQuery.bindInt64(1, ACompteId);
    AQuery.bindInt64(2, AImportId);
    texte(3, EcritureUtf8::Id);
    texte(4, EcritureUtf8::AccountId);
    texte(5, EcritureUtf8::ItemId);
    texte(6, EcritureUtf8::Iban);
    texte(7, EcritureUtf8::BankName);
    texte(8, EcritureUtf8::AccountName);
    texte(9, EcritureUtf8::AccountType);
    texte(10, EcritureUtf8::DateEcriture);
    texte(11, EcritureUtf8::DateIso);
    texte(12, EcritureUtf8::Description);
    texte(13, EcritureUtf8::ProviderDescription);
    AQuery.bindDouble(14, ARow.amount);
    texte(15, EcritureUtf8::AmountTxt);
    texte(16, EcritureUtf8::CurrencyCode);
    texte(17, EcritureUtf8::OperationType);
    texte(18, EcritureUtf8::BookingDate);
    texte(19, EcritureUtf8::TransactionDate);
    texte(20, EcritureUtf8::ValueDate);
    texte(21, EcritureUtf8::UpdatedAt);
    AQuery.bindInt64(22, ARow.deleted ? 1 : 0);
    AQuery.bindInt64(23, ARow.future ? 1 : 0);
    if (ARow.date_recup.isValid() && ARow.date_recup == ATampon.dateRecup) {
        AQuery.bindUtf8Static(24, std::string_view(ATampon.dateRecupTexte.constData(),
                                                   static_cast<std::size_t>(ATampon.dateRecupTexte.size())));
    } else if (ARow.date_recup.isValid()) {
        const QByteArray recup = texteDateRecup(ARow.date_recup);
        AQuery.bindUtf8(24, recup.constData(), static_cast<int>(recup.size()));
    } else {
        AQuery.bindNull(24);
    }
    const auto octets = [](const QByteArray &b) { return std::string_view(b.constData(), static_cast<std::size_t>(b.size())); };
    AQuery.bindUtf8Static(25, octets(ATampon.date));
    AQuery.bindUtf8Static(26, octets(ATampon.heure));
    AQuery.bindUtf8Static(27, octets(ATampon.user));
}

void PersistanceEcritures::PersisterEcrituresEnBase()
{
    if (m_dm.sync().FDMemTableHistoriqueBancaire.empty()) {
        m_dm.LogOperation(kInfo, QStringLiteral("Persistance : aucune écriture à sauvegarder"));
        return;
    }
    if (!m_dm.FDateRecupSessionCourante.isValid())
        m_dm.FDateRecupSessionCourante = m_dm.now();
    const QDateTime t = m_dm.FDateRecupSessionCourante;
    try {
        const int nouvelles = persisterSession();
        // Counted only once the rows are committed: a rolled-back run stored nothing.
        m_dm.FTotalNouvellesEcritures += nouvelles;
    } catch (const DbError &e) {
        m_dm.LogOperation(kInfo, QStringLiteral("ERREUR persistance : ") + e.message());
        SessionRecuperation::oublier(m_dm.sync(), t);
        throw;
    } catch (const std::exception &e) {
        m_dm.LogOperation(kInfo, QStringLiteral("ERREUR persistance : ") + QString::fromLocal8Bit(e.what()));
        SessionRecuperation::oublier(m_dm.sync(), t);
        throw;
    }
}

// The statements of one run, prepared once for all its accounts.
struct PersistanceEcritures::Instructions
{
    explicit Instructions(const QSqlDatabase &db)
        : audit(db, QStringLiteral("INSERT INTO T_AUDIT_ECRITURES (") + colonnesEcriture() + QStringLiteral(") VALUES (")
                        + marques() + QStringLiteral(")")),
          ecriture(db, QStringLiteral("INSERT OR IGNORE INTO T_ECRITURES (") + colonnesEcriture()
                           + QStringLiteral(") VALUES (") + marques() + QStringLiteral(")")),
          importRow(db, QStringLiteral(
              "INSERT INTO T_HISTORIQUE_IMPORTS (compte_id, iban, account_id, date_import, heure_import, user_import, "
              "date_debut_couverture, date_fin_couverture, nb_ecritures_brutes, nb_ecritures_inserees, "
              "nb_ecritures_doublons, total_debit, total_credit, mode_recup, updated_at_max_recu) VALUES (:compte_id, "
              ":iban, :account_id, :date_import, :heure_import, :user_import, :debut, :fin, :brutes, 0, 0, :debit, "
              ":credit, 'COMPTABLE_PERIODE', :upd_max)")),
          majImport(db, QStringLiteral("UPDATE T_HISTORIQUE_IMPORTS SET nb_ecritures_inserees = :nb WHERE import_id = :id")),
          majCompte(db, QStringLiteral("UPDATE T_COMPTES SET dernier_updated_at = :upd WHERE iban = :iban "
                                       "  AND (:upd_cmp > COALESCE(dernier_updated_at, ''))")),
          annulerImport(db, QStringLiteral("DELETE FROM T_HISTORIQUE_IMPORTS WHERE import_id = :id")),
          dernierId(db, QStringLiteral("SELECT last_insert_rowid() AS id"))
    {
    }

    static QString marques() { return QStringLiteral("?, ").repeated(26) + QStringLiteral("?"); }

    SqliteStatement audit;
    SqliteStatement ecriture;
    SqlQuery importRow;
    SqlQuery majImport;
    SqlQuery majCompte;
    SqlQuery annulerImport;
    SqlQuery dernierId;
    EcritureUtf8 textes;
};

// Returns the number of rows inserted into T_ECRITURES.
int PersistanceEcritures::persisterSession()
{
    const QSqlDatabase &db = m_dm.UnConnection_dossier();
    const QDateTime t = m_dm.FDateRecupSessionCourante;
    const std::vector<EcritureHistorique> &historique = m_dm.sync().FDMemTableHistoriqueBancaire;

    QHash<QString, qint64> compteParIban;
    {
        SqlQuery comptes(db, QStringLiteral("SELECT compte_id, iban FROM T_COMPTES"));
        comptes.exec();
        while (comptes.next())
            compteParIban.insert(comptes.text(1), comptes.value(0).toLongLong());
    }

    const std::vector<LotCompte> lots = lotsParCompte(historique, SessionRecuperation::debutHistorique(m_dm.sync(), t));
    if (lots.empty()) {
        m_dm.LogOperation(kInfo, QStringLiteral("Persistance : aucun account_id à persister"));
        return 0;
    }

    const TamponImport tampon{FrenchFormat::sqlDate(t.date()).toUtf8(), FrenchFormat::sqlTime(t.time()).toUtf8(),
                              m_dm.user_courant_login.toUtf8(), t, texteDateRecup(t)};
    int totalInserees = 0;
    const ReglagesPersistance reglages(db);
    DbTransaction transaction(db);
    {
        if (m_dm.mode_persistance == QLatin1String("RAZ")) {
            SqlQuery::run(db, QStringLiteral("DELETE FROM T_ECRITURES"));
            m_dm.LogOperation(kInfo, QStringLiteral("Mode RAZ : T_ECRITURES vidée"));
        }
        Instructions instructions(db);
        for (const LotCompte &lot : lots) {
            const QString &iban = lot.lignes.front()->iban;
            const auto compte = compteParIban.constFind(iban);
            if (compte == compteParIban.constEnd()) {
                m_dm.LogOperation(kInfo, QStringLiteral("AVERT : iban ") + iban + QStringLiteral(" (account_id=")
                                             + lot.accountId + QStringLiteral(") absent de T_COMPTES"));
                continue;
            }
            totalInserees += persisterLot(instructions, lot, *compte, tampon);
            m_dm.idle();
        }
    }
    transaction.commit();
    m_dm.LogOperation(kInfo, QStringLiteral("Persistance terminée (commit OK)"));
    return totalInserees;
}

int PersistanceEcritures::persisterLot(Instructions &AInstructions, const LotCompte &ALot, qint64 ACompteId,
                                       const TamponImport &ATampon)
{
    const QString &iban = ALot.lignes.front()->iban;
    double debit = 0.0;
    double credit = 0.0;
    QDate dateMin;
    QDate dateMax;
    QString updMax;
    for (const EcritureHistorique *r : ALot.lignes) {
        (r->amount >= 0.0 ? credit : debit) += r->amount;
        if (r->date.isValid()) {
            if (!dateMin.isValid() || r->date < dateMin)
                dateMin = r->date;
            if (!dateMax.isValid() || r->date > dateMax)
                dateMax = r->date;
        }
        if (r->updated_at > updMax)
            updMax = r->updated_at;
    }

    AInstructions.importRow.bind(QStringLiteral(":compte_id"), ACompteId)
        .bind(QStringLiteral(":iban"), iban)
        .bind(QStringLiteral(":account_id"), ALot.accountId)
        .bind(QStringLiteral(":date_import"), QString::fromUtf8(ATampon.date))
        .bind(QStringLiteral(":heure_import"), QString::fromUtf8(ATampon.heure))
        .bind(QStringLiteral(":user_import"), QString::fromUtf8(ATampon.user))
        .bind(QStringLiteral(":debut"), sqlDateOuNull(dateMin))
        .bind(QStringLiteral(":fin"), sqlDateOuNull(dateMax))
        .bind(QStringLiteral(":brutes"), static_cast<int>(ALot.lignes.size()))
        .bind(QStringLiteral(":debit"), debit)
        .bind(QStringLiteral(":credit"), credit)
        .bind(QStringLiteral(":upd_max"), updMax)
        .exec();
    AInstructions.dernierId.exec();
    const qint64 importId = AInstructions.dernierId.next() ? AInstructions.dernierId.value(0).toLongLong() : 0;
    AInstructions.dernierId.raw().finish();

    int inserees = 0;
    QString updMaxInsere;
    EcritureUtf8 &textes = AInstructions.textes;
    for (const EcritureHistorique *r : ALot.lignes) {
        textes.remplir(*r);
        RemplirParamsEcriture(AInstructions.audit, *r, textes, ACompteId, importId, ATampon);
        AInstructions.audit.step();
        RemplirParamsEcriture(AInstructions.ecriture, *r, textes, ACompteId, importId, ATampon);
        if (AInstructions.ecriture.step() > 0) {
            ++inserees;
            if (r->updated_at > updMaxInsere)
                updMaxInsere = r->updated_at;
        }
    }

    if (inserees == 0) {
        AInstructions.annulerImport.bind(QStringLiteral(":id"), importId).exec();
        m_dm.LogOperation(kInfo, QStringLiteral("  account_id=") + ALot.accountId
                                     + QStringLiteral(" : 0 nouvelle écriture (doublon since, import annulé)"));
        return 0;
    }
    AInstructions.majImport.bind(QStringLiteral(":nb"), inserees).bind(QStringLiteral(":id"), importId).exec();
    if (!updMaxInsere.isEmpty()) {
        AInstructions.majCompte.bind(QStringLiteral(":upd"), updMaxInsere)
            .bind(QStringLiteral(":iban"), iban)
            .bind(QStringLiteral(":upd_cmp"), updMaxInsere)
            .exec();
    }
    m_dm.LogOperation(kInfo, QStringLiteral("  Persisté account_id=") + ALot.accountId + QStringLiteral(" : ")
                                 + QString::number(inserees) + QStringLiteral(" écriture(s) nouvelle(s) (import_id=")
                                 + QString::number(importId) + QStringLiteral(")")
                                 + QStringLiteral(" updated_at_max_ins=") + updMaxInsere);
    return inserees;
}
