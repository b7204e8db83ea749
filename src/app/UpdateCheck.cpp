#include "app/UpdateCheck.h"

#include "app/BuildConfig.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

#include <curl/curl.h>

#include <memory>

namespace {

// The version file is a few lines; anything bigger is not ours.
constexpr qsizetype kTailleMax = 1024 * 1024;

struct Telechargement
{
    QByteArray corps;
    bool tropGros = false;
    std::function<void()> idle;
};

size_t recevoir(char *data, size_t size, size_t count, void *userdata)
{
    auto *t = static_cast<Telechargement *>(userdata);
    const size_t n = size * count;
    if (t->corps.size() + static_cast<qsizetype>(n) > kTailleMax) {
        t->tropGros = true;
        return 0;
    }
    t->corps.append(data, static_cast<qsizetype>(n));
    return n;
}

int progression(void *userdata, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto *t = static_cast<Telechargement *>(userdata);
    if (t->idle)
        t->idle();
    return 0;
}

// Digits at the start of the trimmed segment, without leading zeros ("" = 0).
QString valeurSegment(const QString &segment)
{
    const QString s = segment.trimmed();
    qsizetype n = 0;
    while (n < s.size() && s.at(n).isDigit() && s.at(n).unicode() < 128)
        ++n;
    qsizetype debut = 0;
    while (debut < n && s.at(debut) == QLatin1Char('0'))
        ++debut;
    return s.mid(debut, n - debut);
}

// Compares two digit runs of any length without overflow.
int comparerNombres(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return a.size() > b.size() ? 1 : -1;
    const int c = a.compare(b);
    return c > 0 ? 1 : (c < 0 ? -1 : 0);
}

bool hoteLocal(const QUrl &url)
{
    const QString host = url.host().toLower();
    return host == QLatin1String("localhost") || host == QLatin1String("127.0.0.1") || host == QLatin1String("::1");
}

} // namespace

QString UpdateCheck::VersionExecutable()
{
    const QString version = QString::fromUtf8(BuildConfig::Version).trimmed();
    return version.isEmpty() ? QStringLiteral("0.0.0.0") : version;
}

bool UpdateCheck::NumeroVersionValide(const QString &AVersion)
{
    const QString v = AVersion.trimmed();
    if (v.isEmpty() || v.startsWith(QLatin1Char('.')) || v.endsWith(QLatin1Char('.'))
        || v.contains(QLatin1String("..")))
        return false;
    for (const QChar c : v) {
        if (c != QLatin1Char('.') && (c < QLatin1Char('0') || c > QLatin1Char('9')))
            return false;
    }
    return true;
}

int UpdateCheck::ComparerVersions(const QString &AVersionA, const QString &AVersionB)
{
    const QStringList a = AVersionA.split(QLatin1Char('.'));
    const QStringList b = AVersionB.split(QLatin1Char('.'));
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const int c = comparerNombres(valeurSegment(a.at(i)), valeurSegment(b.at(i)));
        if (c != 0)
            return c;
    }
    return 0;
}

QString UpdateCheck::AdresseFichierVersion(const QString &serveur, const QDateTime &maintenant)
{
    QString base = serveur.trimmed();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base + QStringLiteral("/tresoline-version.txt?controle=")
        + maintenant.toString(QStringLiteral("yyyyMMddHHmmsszzz"));
}

bool UpdateCheck::AnalyserFichierVersion(const QByteArray &corps, const QString &versionInstallee,
                                         QString &AMessage, MiseAJourDisponible &AInfo)
{
    AMessage.clear();
    AInfo = {};
    const QString texte = QString::fromUtf8(corps);
    QStringList lignes = texte.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    // A final line break closes the last line, it does not start a new one.
    if (!lignes.isEmpty() && lignes.constLast().isEmpty())
        lignes.removeLast();
    if (lignes.isEmpty()) {
        AMessage = QStringLiteral("Fichier de version vide");
        return false;
    }
    QString distante = lignes.takeFirst();
    const qsizetype bom = distante.indexOf(QChar(0xFEFF));
    if (bom >= 0)
        distante.remove(bom, 1);
    distante = distante.trimmed();
    if (!NumeroVersionValide(distante)) {
        AMessage = QStringLiteral("Numero de version distant absent ou invalide");
        return false;
    }
    QString notes = lignes.join(QLatin1Char('\n')).trimmed();
    if (notes.isEmpty())
        notes = QStringLiteral("Une nouvelle version de Tresoline est disponible.");
    if (ComparerVersions(distante, versionInstallee) <= 0)
        return false;
    AInfo = {versionInstallee, distante, notes};
    return true;
}

bool UpdateCheck::VerifierMiseAJour(const Demande &ADemande, QString &AMessage, MiseAJourDisponible &AInfo)
{
    AMessage.clear();
    AInfo = {};
    if (ADemande.serveur.trimmed().isEmpty()) {
        AMessage = QStringLiteral("Controle de version non configure : adresse du serveur de mise a jour absente");
        return false;
    }
    const QString adresse = AdresseFichierVersion(ADemande.serveur, ADemande.maintenant);
    const QUrl url(adresse);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty()
        || (scheme != QLatin1String("https") && !(scheme == QLatin1String("http") && hoteLocal(url)))) {
        AMessage = QStringLiteral("Controle de version impossible : adresse du serveur invalide ou non securisee (")
            + ADemande.serveur.trimmed() + QLatin1Char(')');
        return false;
    }

    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl) {
        AMessage = QStringLiteral("Controle de version impossible : client HTTP indisponible");
        return false;
    }
    Telechargement t;
    t.idle = ADemande.idle;
    char erreur[CURL_ERROR_SIZE] = {};
    const QByteArray adresseUtf8 = adresse.toUtf8();
    CURL *h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, adresseUtf8.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 3L);
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(kConnexionTimeoutMs));
    // The response time-out counts from the connection: the whole check costs at most both.
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(kConnexionTimeoutMs + kReponseTimeoutMs));
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, erreur);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &recevoir);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &progression);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(h, CURLOPT_USERAGENT, "Tresoline");

    const CURLcode code = curl_easy_perform(h);
    if (t.tropGros) {
        AMessage = QStringLiteral("Controle de version impossible : fichier de version trop volumineux");
        return false;
    }
    if (code != CURLE_OK) {
        const QString detail = erreur[0] ? QString::fromUtf8(erreur) : QString::fromUtf8(curl_easy_strerror(code));
        AMessage = QStringLiteral("Controle de version impossible : ") + detail.trimmed();
        return false;
    }
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200) {
        AMessage = QStringLiteral("Controle de version HTTP ") + QString::number(status);
        return false;
    }
    return AnalyserFichierVersion(t.corps, ADemande.versionInstallee, AMessage, AInfo);
}
