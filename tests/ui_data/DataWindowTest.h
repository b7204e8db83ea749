#pragma once

#include "db/SqlQuery.h"
#include "export/EcrituresFixture.h"
#include "export/ui/FenetreEcritures.h"
#include "ui/UiTestSupport.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>

#include <memory>

// Window tests of the statements and card windows: a data module on a manual clock
// (5 February 2024, 10:15:02), accounts and transactions inserted as the
// synchronisation stores them, and the window opened offscreen.
class DataWindowTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        clockOverride = &clock;
    }

    QSqlDatabase db() { return data().UnConnection_dossier(); }
    QString outDir() { return home() + QStringLiteral("sortie/"); }

    qint64 compte(const QString &iban, const QString &type = QStringLiteral("checking"),
                  const QString &banque = QStringLiteral("Banque Test"), const QString &client = {})
    {
        EcrituresFixture::Compte c;
        c.iban = iban;
        c.type_compte = type;
        c.nom_banque = banque;
        c.client_raison_sociale = client;
        return EcrituresFixture::insertCompte(db(), c);
    }

    // A transaction of the account; `exportee` gives it the stamp of an earlier export.
    qint64 ecriture(qint64 compteId, const QString &iban, const QString &idBridge, const QString &date, double amount,
                    const QString &description = QStringLiteral("Achat"), bool exportee = false,
                    const QString &type = QStringLiteral("checking"), const QString &banque = QStringLiteral("Banque Test"))
    {
        EcrituresFixture::Ecriture e = EcrituresFixture::ecriture(idBridge, iban, date, amount, description);
        e.compte_id = compteId;
        e.account_type = type;
        e.bank_name = banque;
        e.provider_description = description + QStringLiteral(" ORIGINE");
        if (exportee) {
            e.date_export = QStringLiteral("2024-01-31");
            e.heure_export = QStringLiteral("09:00:00");
            e.user_export = QStringLiteral("ANCIEN");
            e.nb_exports = 1;
        }
        return EcrituresFixture::insertEcriture(db(), e);
    }

    std::unique_ptr<FenetreEcritures> ouvrir(const GenreFenetreEcritures &genre, const QString &iban = {},
                                             bool historique = false)
    {
        auto fenetre = std::make_unique<FenetreEcritures>(data(), genre, nullptr);
        fenetre->Initialiser(iban, historique);
        fenetre->show();
        EXPECT_TRUE(waitFor([&] { return fenetre->ouverte(); }));
        return fenetre;
    }

    template<typename T = QPushButton>
    T *widget(QWidget &w, const QString &name)
    {
        T *found = w.findChild<T *>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }

    void cliquer(QWidget &w, const QString &name)
    {
        QPushButton *b = widget(w, name);
        ASSERT_NE(b, nullptr);
        ASSERT_TRUE(b->isEnabled()) << name.toStdString();
        b->click();
    }

    QString page(FenetreEcritures &w)
    {
        return w.findChild<QStackedWidget *>()->currentWidget()->objectName();
    }

    int lignes(FenetreEcritures &w) { return w.detail()->model()->rowCount(); }

    // The shown text of a detail cell, the column found by its caption.
    QString cellule(FenetreEcritures &w, int row, const QString &caption)
    {
        const QAbstractItemModel *m = w.detail()->model();
        for (int c = 0; c < m->columnCount(); ++c) {
            if (m->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() == caption)
                return m->index(row, c).data().toString();
        }
        ADD_FAILURE() << "no column " << caption.toStdString();
        return {};
    }

    QStringList colonne(FenetreEcritures &w, const QString &caption)
    {
        QStringList out;
        for (int r = 0; r < lignes(w); ++r)
            out << cellule(w, r, caption);
        return out;
    }

    QStringList fichiers(const QString &pattern)
    {
        return QDir(outDir()).entryList({pattern}, QDir::Files, QDir::Name);
    }

    QStringList lignesFichier(const QString &name)
    {
        QFile f(outDir() + name);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QString text = QString::fromLatin1(f.readAll());
        text.chop(2); // the last CR LF
        return text.split(QStringLiteral("\r\n"));
    }

    // Log messages "operation|message|resultat|source" of one operation, oldest first.
    QStringList journal(const QString &operation)
    {
        QStringList out;
        const QStringList all = logLines(data());
        for (auto it = all.crbegin(); it != all.crend(); ++it) {
            if (it->startsWith(operation + QLatin1Char('|')))
                out << *it;
        }
        return out;
    }

    QString dernierMessage() { return dialogs.shown().empty() ? QString() : dialogs.shown().back().text; }

    QVariant champ(qint64 id, const QString &column) { return EcrituresFixture::champ(db(), id, column); }
    int compter(const QString &sql) { return EcrituresFixture::compter(db(), sql); }

    ManualClock clock{QDateTime(QDate(2024, 2, 5), QTime(10, 15, 2))};
};
