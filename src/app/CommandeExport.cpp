#include "app/CommandeExport.h"

#include "app/CommandLine.h"

#include <QDate>

namespace CommandeExport {

namespace {

bool estSansLimite(const QString &v)
{
    return v.isEmpty() || v == QLatin1String("-") || v == QLatin1String("*")
        || v.compare(QLatin1String("TOUS"), Qt::CaseInsensitive) == 0;
}

bool lireEntier(const QString &text, int &value)
{
    for (const QChar c : text) {
        if (!c.isDigit() || c.unicode() > 127)
            return false;
    }
    bool ok = false;
    value = text.toInt(&ok);
    return ok;
}

bool lireOption(const QString &option, QString &type)
{
    static const QStringList oui = {QStringLiteral("OUI"), QStringLiteral("YES"), QStringLiteral("TRUE"),
                                    QStringLiteral("1"), QStringLiteral("REEXPORT")};
    static const QStringList non = {QStringLiteral("NON"), QStringLiteral("NO"), QStringLiteral("FALSE"),
                                    QStringLiteral("0"), QStringLiteral("EXPORT")};
    if (oui.contains(option)) {
        type = QStringLiteral("REEXPORT");
        return true;
    }
    if (non.contains(option)) {
        type = QStringLiteral("EXPORT");
        return true;
    }
    return false;
}

bool lireIban(const QString &brut, QString &iban, QString &erreur)
{
    QString t = brut.toUpper();
    if (t.trimmed() == QLatin1String("TOUS") || t.trimmed() == QLatin1String("*")) {
        iban.clear();
        return true;
    }
    t.remove(QLatin1Char(' ')).remove(QLatin1Char('-'));
    for (const QChar c : t) {
        const bool ok = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
        if (!ok) {
            erreur = QStringLiteral("IBAN ou numero de compte invalide : utilisez uniquement lettres et chiffres");
            return false;
        }
    }
    if (t.size() <= 10) {
        erreur = QStringLiteral("IBAN incomplet : indiquez au minimum les 11 caracteres du numero de compte");
        return false;
    }
    iban = t;
    return true;
}

} // namespace

bool NormaliserDate(const QString &AValeur, QString &ADate)
{
    ADate.clear();
    const QString v = AValeur.trimmed();
    if (estSansLimite(v))
        return true;
    if (v.size() != 10)
        return false;
    int jour = 0, mois = 0, annee = 0;
    bool lu = false;
    if (v.at(4) == QLatin1Char('-') && v.at(7) == QLatin1Char('-'))
        lu = lireEntier(v.mid(0, 4), annee) && lireEntier(v.mid(5, 2), mois) && lireEntier(v.mid(8, 2), jour);
    else if (v.at(2) == QLatin1Char('/') && v.at(5) == QLatin1Char('/'))
        lu = lireEntier(v.mid(0, 2), jour) && lireEntier(v.mid(3, 2), mois) && lireEntier(v.mid(6, 4), annee);
    if (!lu)
        return false;
    const QDate date(annee, mois, jour);
    if (!date.isValid())
        return false;
    ADate = date.toString(QStringLiteral("dd/MM/yyyy"));
    return true;
}

bool LireParametresExportCommande(const QStringList &params, ParametresExportCommande &out, QString &AErreur)
{
    out = ParametresExportCommande();
    AErreur.clear();
    const int p = CommandLine::PositionParametreCommande(params, QStringLiteral("export"));
    if (p <= 0 || params.size() < p + 7) {
        AErreur = QStringLiteral(
            "Syntaxe : tresoline.exe export CODE8 IBAN date_debut date_fin CSV|OFX repertoire OUI|NON");
        return false;
    }
    auto param = [&](int offset) { return params.at(p - 1 + offset); };
    if (!lireIban(param(2), out.iban, AErreur))
        return false;
    if (!NormaliserDate(param(3), out.dateDebutFR)) {
        AErreur = QStringLiteral("Date de debut invalide. Formats acceptes : aaaa-mm-jj, jj/mm/aaaa ou -");
        return false;
    }
    if (!NormaliserDate(param(4), out.dateFinFR)) {
        AErreur = QStringLiteral("Date de fin invalide. Formats acceptes : aaaa-mm-jj, jj/mm/aaaa ou -");
        return false;
    }
    if (!out.dateDebutFR.isEmpty() && !out.dateFinFR.isEmpty()) {
        const QDate debut = QDate::fromString(out.dateDebutFR, QStringLiteral("dd/MM/yyyy"));
        const QDate fin = QDate::fromString(out.dateFinFR, QStringLiteral("dd/MM/yyyy"));
        if (fin < debut) {
            AErreur = QStringLiteral("La date de debut est posterieure a la date de fin");
            return false;
        }
    }
    out.format = param(5).trimmed().toUpper();
    if (out.format != QLatin1String("CSV") && out.format != QLatin1String("OFX")) {
        AErreur = QStringLiteral("Format invalide : utilisez CSV ou OFX");
        return false;
    }
    out.repertoire = param(6).trimmed();
    if (out.repertoire.isEmpty()) {
        AErreur = QStringLiteral("Le repertoire de destination est obligatoire");
        return false;
    }
    if (!lireOption(param(7).trimmed().toUpper(), out.typeExport)) {
        AErreur = QStringLiteral("Option reexport invalide : utilisez OUI ou NON");
        return false;
    }
    return true;
}

} // namespace CommandeExport
