#include "cards/ui/FormCorrectionsCartesModal.h"

#include "cards/CardCorrections.h"
#include "common/FrenchFormat.h"
#include "common/UserDialogs.h"
#include "common/ui/SlotGuard.h"
#include "common/ui/WindowStyle.h"
#include "db/DataModule.h"
#include "export/ui/EchelleColonnes.h"

#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <iterator>

namespace {

const QString kTitre = QStringLiteral("Corrections des écritures de cartes");
const QString kSource = QStringLiteral("Cartes");
const QString kSuppression = QStringLiteral("SUPPRESSION");
const QString kCrLf = QStringLiteral("\r\n");

QString montant(double AValeur)
{
    return FrenchFormat::amountComma(AValeur);
}

QLabel *valeur(const QString &ANom, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(ANom);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumWidth(260);
    return label;
}

} // namespace

TFormCorrectionsCartesModal::TFormCorrectionsCartesModal(DataModule &dm, QWidget *owner) : QDialog(owner), m_dm(dm)
{
    setObjectName(QStringLiteral("TFormCorrectionsCartesModal"));
    setWindowTitle(kTitre);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setMinimumSize(860, 520);

    auto *aide = new QLabel(QStringLiteral("Restaurer = revenir aux valeurs bancaires d'origine. Une suppression "
                                           "annulée sera réimportée à la prochaine synchronisation."),
                            this);
    aide->setObjectName(QStringLiteral("LabelAide"));
    aide->setWordWrap(true);

    lvCorrections = new QTreeWidget(this);
    lvCorrections->setObjectName(QStringLiteral("lvCorrections"));
    lvCorrections->setRootIsDecorated(false);
    lvCorrections->setUniformRowHeights(true);
    lvCorrections->setAlternatingRowColors(true);
    lvCorrections->setSelectionMode(QAbstractItemView::SingleSelection);
    lvCorrections->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvCorrections->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Grid lines; a styled item must restate the selection colours.
    lvCorrections->setStyleSheet(QStringLiteral(
        "QTreeView::item { border-right: 1px solid #d0d0d0; border-bottom: 1px solid #d0d0d0; padding: 1px 3px; } "
        "QTreeView::item:selected { background: palette(highlight); color: palette(highlighted-text); }"));
    const struct
    {
        const char *titre;
        int largeur;
        bool droite;
    } colonnes[] = {{"Référence Bridge", 150, false}, {"Action", 100, false},          {"Date écriture", 90, false},
                    {"Libellé d'origine", 200, false}, {"Libellé corrigé", 200, false}, {"Montant origine", 95, true},
                    {"Montant corrigé", 95, true},     {"Corrigé le", 130, false},      {"Par", 90, false}};
    QStringList titres;
    for (const auto &c : colonnes)
        titres << QString::fromUtf8(c.titre);
    lvCorrections->setHeaderLabels(titres);
    for (int i = 0; i < static_cast<int>(std::size(colonnes)); ++i) {
        lvCorrections->setColumnWidth(i, EchelleColonnes::largeur(colonnes[i].largeur, lvCorrections->fontMetrics()));
        if (colonnes[i].droite)
            lvCorrections->headerItem()->setTextAlignment(i, Qt::AlignRight | Qt::AlignVCenter);
    }
    connect(lvCorrections, &QTreeWidget::itemSelectionChanged, this, [this] {
        SlotGuard::run(m_dm, kSource, [this] { lvCorrectionsSelectItem(); });
    });

    LabelTotal = new QLabel(QStringLiteral("0 correction(s)"), this);
    LabelTotal->setObjectName(QStringLiteral("LabelTotal"));
    m_btnRestaurer = new QPushButton(QStringLiteral("Restaurer"), this);
    m_btnRestaurer->setObjectName(QStringLiteral("BtnRestaurer"));
    m_btnRestaurer->setEnabled(false);
    connect(m_btnRestaurer, &QPushButton::clicked, this,
            [this] { SlotGuard::run(m_dm, kSource, [this] { BtnRestaurerClick(); }); });
    auto *fermer = new QPushButton(QStringLiteral("Fermer"), this);
    fermer->setObjectName(QStringLiteral("BtnFermer"));
    connect(fermer, &QPushButton::clicked, this, &QDialog::accept);
    auto *pied = new QHBoxLayout;
    pied->addWidget(LabelTotal, 1);
    pied->addWidget(m_btnRestaurer);
    pied->addWidget(fermer);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addWidget(aide);
    layout->addWidget(lvCorrections, 1);
    layout->addWidget(construireDetail());
    layout->addLayout(pied);
    QSize taille(EchelleColonnes::largeur(1180, fontMetrics()), 640);
    if (const QScreen *ecran = QGuiApplication::primaryScreen())
        taille = taille.boundedTo(ecran->availableGeometry().size());
    resize(taille.expandedTo(minimumSize()));
}

QWidget *TFormCorrectionsCartesModal::construireDetail()
{
    auto *cadre = new QFrame(this);
    cadre->setObjectName(QStringLiteral("PanelDetail"));
    cadre->setFrameShape(QFrame::StyledPanel);
    auto *grille = new QGridLayout(cadre);
    grille->setHorizontalSpacing(16);
    grille->setVerticalSpacing(4);
    grille->addWidget(WindowStyle::titleLabel(QStringLiteral("AVANT (valeur bancaire)"), 9, cadre), 0, 1);
    grille->addWidget(WindowStyle::titleLabel(QStringLiteral("APRÈS (corrigé)"), 9, cadre), 0, 2);
    const char *lignes[kLignesDetail] = {"Date écriture", "Date valeur", "Libellé bancaire brut", "Libellé Bridge",
                                         "Montant"};
    const char *noms[kLignesDetail] = {"Date", "DateValeur", "LibelleBrut", "LibelleBridge", "Montant"};
    for (int i = 0; i < kLignesDetail; ++i) {
        grille->addWidget(new QLabel(QString::fromUtf8(lignes[i]), cadre), i + 1, 0);
        m_avant[i] = valeur(QStringLiteral("LabelAvant") + QString::fromLatin1(noms[i]), cadre);
        m_apres[i] = valeur(QStringLiteral("LabelApres") + QString::fromLatin1(noms[i]), cadre);
        grille->addWidget(m_avant[i], i + 1, 1);
        grille->addWidget(m_apres[i], i + 1, 2);
    }
    grille->setColumnStretch(1, 1);
    grille->setColumnStretch(2, 1);
    return cadre;
}

void TFormCorrectionsCartesModal::Executer(QWidget *AOwner, DataModule &dm)
{
    TFormCorrectionsCartesModal fenetre(dm, AOwner);
    WindowStyle::centreOn(&fenetre, AOwner);
    fenetre.exec();
}

void TFormCorrectionsCartesModal::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_showVu)
        return;
    m_showVu = true;
    QTimer::singleShot(0, this, [this] {
        SlotGuard::run(m_dm, kSource, [this] { FormShow(); });
        m_ouverte = true;
    });
}

void TFormCorrectionsCartesModal::FormShow()
{
    if (!m_dm.connectionOpen()) {
        m_dm.dialogs().warn(kTitre, QStringLiteral("Base SQLite non connectee."));
        reject();
        return;
    }
    m_btnRestaurer->setEnabled(false);
    Rafraichir();
}

void TFormCorrectionsCartesModal::Rafraichir()
{
    ViderDetail();
    lvCorrections->clear();
    const std::vector<CorrectionCarte> corrections = CardCorrections(m_dm).ListerCorrections();
    for (const CorrectionCarte &c : corrections) {
        const bool suppression = c.action == kSuppression;
        auto *item = new QTreeWidgetItem(lvCorrections);
        const QString textes[] = {c.id_bridge,
                                  c.action,
                                  c.ancienne_date_ecriture,
                                  c.ancien_libelle_quelvo,
                                  suppression ? QStringLiteral("(ligne supprimee)") : c.nouveau_libelle_quelvo,
                                  montant(c.ancien_montant),
                                  suppression ? QString() : montant(c.nouveau_montant),
                                  c.date_correction + QLatin1Char(' ') + c.heure_correction,
                                  c.user_correction};
        for (int i = 0; i < static_cast<int>(std::size(textes)); ++i)
            item->setText(i, textes[i]);
        item->setTextAlignment(5, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(6, Qt::AlignRight | Qt::AlignVCenter);
    }
    LabelTotal->setText(QString::number(corrections.size()) + QStringLiteral(" correction(s)"));
    m_btnRestaurer->setEnabled(false);
}

QString TFormCorrectionsCartesModal::CleSelectionnee() const
{
    const QList<QTreeWidgetItem *> choisis = lvCorrections->selectedItems();
    return choisis.isEmpty() ? QString() : choisis.constFirst()->text(0);
}

QString TFormCorrectionsCartesModal::ActionSelectionnee() const
{
    const QList<QTreeWidgetItem *> choisis = lvCorrections->selectedItems();
    return choisis.isEmpty() ? QString() : choisis.constFirst()->text(1);
}

void TFormCorrectionsCartesModal::lvCorrectionsSelectItem()
{
    const QString cle = CleSelectionnee();
    if (cle.isEmpty()) {
        ViderDetail();
        m_btnRestaurer->setEnabled(false);
        return;
    }
    AfficherDetail(cle);
    m_btnRestaurer->setEnabled(m_dm.user_courant_niveau >= 9);
}

void TFormCorrectionsCartesModal::ViderDetail()
{
    for (int i = 0; i < kLignesDetail; ++i) {
        m_avant[i]->clear();
        m_apres[i]->clear();
        m_apres[i]->setStyleSheet(QString());
    }
}

void TFormCorrectionsCartesModal::Poser(int ALigne, const QString &AAvant, const QString &AApres, bool AComparer)
{
    m_avant[ALigne]->setText(AAvant);
    m_apres[ALigne]->setText(AApres);
    const bool different = AComparer && AAvant != AApres;
    m_apres[ALigne]->setStyleSheet(different ? QStringLiteral("QLabel { color: rgb(200, 0, 0); }") : QString());
}

void TFormCorrectionsCartesModal::AfficherDetail(const QString &ACle)
{
    ViderDetail();
    CorrectionCarte c;
    if (!CardCorrections(m_dm).LireCorrection(ACle, c))
        return;
    if (c.action == kSuppression) {
        Poser(0, c.ancienne_date_ecriture, {}, false);
        Poser(1, c.ancienne_date_valeur, {}, false);
        Poser(2, c.ancien_libelle_original, {}, false);
        Poser(3, c.ancien_libelle_quelvo, QStringLiteral("(ligne supprimee de la base)"), false);
        Poser(4, montant(c.ancien_montant), {}, false);
        return;
    }
    Poser(0, c.ancienne_date_ecriture, c.nouvelle_date_ecriture, true);
    Poser(1, c.ancienne_date_valeur, c.nouvelle_date_valeur, true);
    Poser(2, c.ancien_libelle_original, c.nouveau_libelle_original, true);
    Poser(3, c.ancien_libelle_quelvo, c.nouveau_libelle_quelvo, true);
    Poser(4, montant(c.ancien_montant), montant(c.nouveau_montant), true);
}

void TFormCorrectionsCartesModal::BtnRestaurerClick()
{
    if (m_dm.user_courant_niveau < 9) {
        m_dm.dialogs().warn(kTitre, QStringLiteral("La restauration est reservee au niveau 9."));
        return;
    }
    const QString cle = CleSelectionnee();
    if (cle.isEmpty())
        return;
    CorrectionCarte c;
    if (!CardCorrections(m_dm).LireCorrection(cle, c)) {
        m_dm.dialogs().warn(kTitre, QStringLiteral("Correction introuvable."));
        return;
    }
    const QString question = c.action == kSuppression
        ? QString(QStringLiteral("Annuler la suppression de cette ecriture ?") + kCrLf
                  + QStringLiteral("Elle reapparaitra immediatement dans les grilles et les exports."))
        : QString(QStringLiteral("Restaurer les valeurs bancaires d'origine ?") + kCrLf + c.ancienne_date_ecriture
                  + QStringLiteral(" - ") + c.ancien_libelle_quelvo + QStringLiteral(" - ")
                  + montant(c.ancien_montant));
    if (!m_dm.dialogs().askYesNo(kTitre, question))
        return;
    QString message;
    const int lignes = CardCorrections(m_dm).RestaurerCorrection(cle, message);
    if (lignes < 0)
        m_dm.dialogs().warn(kTitre, message);
    else
        m_dm.dialogs().inform(kTitre, message);
    Rafraichir();
}
