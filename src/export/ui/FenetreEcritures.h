#pragma once

#include "export/ui/GenreFenetreEcritures.h"

#include <QDialog>

class ChampDate;
class DataModule;
class FiltreDetailExport;
class GlobalLock;
class ModeleLignesExport;
class ModeleRecapExport;
class PiedDeGrille;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTableView;

// The modal window in which a user browses the selection of the export engine for
// one kind of account (bank statements or card transactions), filters it and
// exports it. A selection page chooses the account, the period and the re-export
// option; a result page shows the recap per account and the lines, with the
// exports. Every export reloads the engine's working table with the window's
// choices and takes the lock shared with synchronisations and command exports.
class FenetreEcritures final : public QDialog
{
    Q_OBJECT

public:
    FenetreEcritures(DataModule &dm, GenreFenetreEcritures AGenre, QWidget *owner);

    // Creates the window, shows it modally, releases it. With an initial IBAN the
    // chooser starts on that account; full history loads at once, exported lines
    // included.
    static void Executer(QWidget *AOwner, DataModule &dm, GenreFenetreEcritures AGenre,
                         const QString &AInitialIban, bool AHistoriqueComplet);

    // Before the window is shown.
    void Initialiser(const QString &AInitialIban, bool AHistoriqueComplet);
    // True once the opening steps have run.
    bool ouverte() const { return m_ouverte; }

    DataModule &dm() const { return m_dm; }
    const GenreFenetreEcritures &genre() const { return m_genre; }
    QString IbanSelectionne() const;
    QString dateMin() const;
    QString dateMax() const;
    bool enHistoriqueComplet() const;
    // The re-export box is shown and checked.
    bool reexportCoche() const;
    bool resultatAffiche() const;

    // --- steps shared by every export; each shows its own message on failure ---
    // Below level 7: logs the attempt under "DROITS" and refuses.
    bool ExportAutorise(const QString &ATentative);
    // "EXPORT", or "REEXPORT" when the re-export box is checked (level 9 only).
    bool ModeExport(QString &AMode);
    bool VerifierRepertoire(QString &ARepertoire);
    bool ConfirmerReexport(const QString &AFormat);
    // The lock shared with synchronisations and command exports; never waits.
    bool PrendreVerrouExport(GlobalLock &AVerrou, const QString &AOperation);
    // Reloads the working table with the window's account and dates for an export
    // in that mode; returns the number of lines loaded.
    int RechargerPourExport(const QString &AMode);

    // The key of the focused detail line, 0 when none.
    qint64 EcritureIdCourante() const;
    void selectionnerEcriture(qint64 AEcritureId);

    void Charger();
    void MettreAJourAvertissement();
    void AppliquerFiltreDetail(const QString &AIban);
    void AppliquerFiltresSaisie();

    // --- handlers ---
    void BtnGoClick();
    void BtnNouvelleSelectionClick();
    void BtnParcourirClick();
    void BtnExportCSVClick();
    void BtnEffacerFiltresClick();
    void FiltreChange();
    void viewRecapFocusedRecordChanged();
    void viewDetailCellDblClick(Qt::MouseButton AButton);
    void BtnFermerClick();

    QTableView *detail() const { return m_viewDetail; }
    QTableView *recap() const { return m_viewRecap; }
    PiedDeGrille *piedDetail() const { return m_piedDetail; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct RechargementModeles;

    void construirePageSelection();
    void construirePageResultat();
    QLayout *construireBarreActions();
    void ConstruireColonnes();
    void FormShow();
    void appliquerNiveaux();
    void ChargerComptes();
    void afficherPage(bool AResultat);
    int chargerMemoire(bool AInclureDejaExportees);
    void construirePied();
    void ajusterHauteurLignes();
    void executerProtege(const std::function<void()> &AAction);
    QPushButton *bouton(const QString &ATexte, const QString &ANom, void (FenetreEcritures::*AAction)());
    void informer(const QString &ATexte);
    void avertir(const QString &ATexte);

    DataModule &m_dm;
    GenreFenetreEcritures m_genre;
    QString FInitialIban;
    bool FHistoriqueComplet = false;
    bool m_ouverte = false;
    bool m_showVu = false;

    QStackedWidget *m_pages = nullptr;
    QWidget *tsSelection = nullptr;
    QWidget *tsResultat = nullptr;
    QComboBox *m_choix = nullptr;
    ChampDate *edDateMin = nullptr;
    ChampDate *edDateMax = nullptr;
    QCheckBox *chkReexport = nullptr;
    QPushButton *m_btnModifier = nullptr;
    QPushButton *m_btnSupprimer = nullptr;
    QPushButton *m_btnExportCSV = nullptr;
    QPushButton *m_btnExportSecondaire = nullptr;
    QPushButton *m_btnParcourir = nullptr;
    QLineEdit *EditFiltreLibelle = nullptr;
    QLineEdit *EditFiltreMontantMini = nullptr;
    QLineEdit *EditFiltreMontantMaxi = nullptr;
    QLineEdit *EditRepertoire = nullptr;
    QLabel *LabelAvertissement = nullptr;
    QTableView *m_viewRecap = nullptr;
    QTableView *m_viewDetail = nullptr;
    PiedDeGrille *m_piedDetail = nullptr;

    ModeleLignesExport *m_modeleDetail = nullptr;
    ModeleRecapExport *m_modeleRecap = nullptr;
    FiltreDetailExport *m_filtreSaisie = nullptr;
    int FColExportee = -1;
    int FColIban = -1;
    int FColDebit = -1;
    int FColCredit = -1;
    int FColEcritureId = -1;
    int FColRecapIban = -1;
};
