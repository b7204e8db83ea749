#include "app/ui/TermsWindow.h"

#include "common/ui/WindowStyle.h"
#include "db/DataModule.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

QString siteSansBarre(const QString &siteWeb)
{
    QString site = siteWeb.trimmed();
    while (site.endsWith(QLatin1Char('/')))
        site.chop(1);
    return site;
}

// Our own terms, in plain French. %1..%3: the three online texts, %4: the licensee.
const char *const kConditions = R"(
<p>Titulaire de la licence : <b>%4</b></p>
<h3>1. Objet</h3>
<p>Les présentes conditions générales de vente et d'utilisation encadrent l'usage du logiciel
Tresoline par la société ou le cabinet comptable qui l'a souscrit (le « client ») et par les
utilisateurs qu'il autorise. Tresoline récupère les comptes et les opérations bancaires que les
titulaires des comptes ont autorisés, les conserve dans une base locale et les met à disposition
pour le travail comptable (relevés CSV et OFX, écritures des cartes bancaires).</p>
<h3>2. Accès aux données bancaires</h3>
<p>L'accès aux banques passe par le service d'agrégation Bridge, prestataire agréé au titre de la
directive européenne sur les services de paiement (DSP2). Chaque titulaire de compte donne
lui-même son consentement auprès de Bridge, pour une durée limitée ; Tresoline signale les
consentements à renouveler mais ne peut jamais les renouveler à la place du titulaire.
Tresoline ne connaît pas et ne conserve pas les identifiants bancaires des titulaires.</p>
<h3>3. Comptes utilisateurs</h3>
<p>Chaque utilisateur dispose d'un identifiant personnel, d'un mot de passe et d'un niveau
d'accès attribué par un administrateur du client. Le client veille à ce que les mots de passe
restent confidentiels et à retirer l'accès des personnes qui quittent son organisation.</p>
<h3>4. Données et sauvegardes</h3>
<p>Les données sont enregistrées sur le poste ou le serveur du client, qui en reste seul
responsable et en assure la sauvegarde régulière. Le client vérifie les fichiers produits avant
leur intégration en comptabilité.</p>
<h3>5. Données personnelles</h3>
<p>Les données personnelles traitées (utilisateurs, titulaires de comptes, adresses électroniques)
le sont pour la seule exécution du service, conformément au règlement général sur la protection
des données (RGPD). Les personnes concernées disposent d'un droit d'accès, de rectification et
d'effacement décrit dans la <a href="%3">politique de confidentialité</a>.</p>
<h3>6. Prix, durée et résiliation</h3>
<p>Le prix de l'abonnement, sa durée et les conditions de résiliation figurent dans l'offre
souscrite et dans les <a href="%1">conditions générales de vente</a> publiées en ligne.</p>
<h3>7. Responsabilité</h3>
<p>L'éditeur met en œuvre les moyens raisonnables pour assurer le bon fonctionnement de Tresoline.
Il ne répond pas des interruptions du service Bridge ou des banques, ni des conséquences d'une
utilisation non conforme aux présentes conditions.</p>
<h3>8. Droit applicable</h3>
<p>Les présentes conditions sont soumises au droit français. La version en vigueur est celle des
<a href="%2">conditions générales d'utilisation</a> publiées en ligne ; elle prévaut sur ce
résumé en cas de différence.</p>
)";

} // namespace

QString TermsWindow::adresseConditionsVente(const QString &siteWeb)
{
    return siteSansBarre(siteWeb) + QStringLiteral("/conditions-generales-de-vente");
}

QString TermsWindow::adresseConditionsUtilisation(const QString &siteWeb)
{
    return siteSansBarre(siteWeb) + QStringLiteral("/conditions-generales-d-utilisation");
}

QString TermsWindow::adresseConfidentialite(const QString &siteWeb)
{
    return siteSansBarre(siteWeb) + QStringLiteral("/confidentialite");
}

TermsWindow::TermsWindow(DataModule &dm, QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("FormCGV"));
    setWindowTitle(QStringLiteral("Conditions générales de vente et d'utilisation"));
    setFont(WindowStyle::font(10));
    setMinimumSize(560, 400);

    auto *title = WindowStyle::titleLabel(QStringLiteral("Conditions générales de vente et d'utilisation de Tresoline"),
                                          13, this);
    title->setWordWrap(true);

    const QString site = dm.config().websiteUrl;
    QString licencie = dm.societe_courante_raison.trimmed();
    if (licencie.isEmpty())
        licencie = QStringLiteral("Non renseignee");

    m_text = new QTextBrowser(this);
    m_text->setObjectName(QStringLiteral("TexteConditions"));
    m_text->setOpenExternalLinks(true); // through QDesktopServices, in the default browser
    m_text->document()->setDocumentMargin(10);
    m_text->setHtml(QString::fromUtf8(kConditions)
                        .arg(adresseConditionsVente(site).toHtmlEscaped(),
                             adresseConditionsUtilisation(site).toHtmlEscaped(),
                             adresseConfidentialite(site).toHtmlEscaped(), licencie.toHtmlEscaped()));

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *fermer = buttons->addButton(QStringLiteral("Fermer"), QDialogButtonBox::AcceptRole);
    fermer->setObjectName(QStringLiteral("BtnFermer"));
    fermer->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->addWidget(title);
    layout->addWidget(m_text, 1);
    layout->addWidget(buttons);

    resize(760, 560);
}

void TermsWindow::Executer(DataModule &dm, QWidget *owner)
{
    TermsWindow window(dm, owner);
    WindowStyle::centreOn(&window, owner);
    window.exec();
}

QString TermsWindow::html() const
{
    return m_text->toHtml();
}
