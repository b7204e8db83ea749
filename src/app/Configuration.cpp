#include "app/Configuration.h"

#include "app/BuildConfig.h"
#include "mail/Scrambler.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcessEnvironment>

namespace {

QString withSlash(const QString &path)
{
    QString p = QDir::fromNativeSeparators(path);
    if (!p.endsWith(QLatin1Char('/')))
        p += QLatin1Char('/');
    return p;
}

QString envOr(const QProcessEnvironment &env, const char *name, const QString &fallback)
{
    const QString key = QString::fromLatin1(name);
    return env.contains(key) ? env.value(key) : fallback;
}

} // namespace

Configuration Configuration::defaults(const QString &programDir)
{
    Configuration c;
    c.programDir = withSlash(programDir);
    c.bridgeUrl = QString::fromUtf8(BuildConfig::BridgeUrl);
    c.bridgeClientId = Scrambler::Decrypt(QString::fromUtf8(BuildConfig::ClientIdCrypte));
    c.bridgeClientSecret = Scrambler::Decrypt(QString::fromUtf8(BuildConfig::ClientSecretCrypte));
    c.smtpHost = QString::fromUtf8(BuildConfig::SmtpHost);
    c.smtpPort = QString::fromUtf8(BuildConfig::SmtpPort).toInt();
    if (c.smtpPort <= 0)
        c.smtpPort = 587;
    c.smtpUser = QString::fromUtf8(BuildConfig::SmtpUser);
    c.smtpPassword = Scrambler::Decrypt(QString::fromUtf8(BuildConfig::SmtpPasswordCrypte));
    c.smtpFrom = QString::fromUtf8(BuildConfig::SmtpFrom);
    c.updateUrl = QString::fromUtf8(BuildConfig::UpdateUrl);
    c.websiteUrl = QString::fromUtf8(BuildConfig::WebsiteUrl);
    c.systemUserName = QStringLiteral("UNKNOWN");
    return c;
}

Configuration Configuration::fromEnvironment()
{
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString home = env.value(QStringLiteral("TRESOLINE_HOME"));
    if (home.trimmed().isEmpty())
        home = QCoreApplication::applicationDirPath();
    Configuration c = defaults(QDir(home).absolutePath());

    c.bridgeUrl = envOr(env, "TRESOLINE_BRIDGE_URL", c.bridgeUrl);
    c.bridgeClientId = envOr(env, "TRESOLINE_BRIDGE_CLIENT_ID", c.bridgeClientId);
    c.bridgeClientSecret = envOr(env, "TRESOLINE_BRIDGE_CLIENT_SECRET", c.bridgeClientSecret);
    c.smtpHost = envOr(env, "TRESOLINE_SMTP_HOST", c.smtpHost);
    const int port = env.value(QStringLiteral("TRESOLINE_SMTP_PORT")).toInt();
    if (port > 0)
        c.smtpPort = port;
    c.smtpUser = envOr(env, "TRESOLINE_SMTP_USER", c.smtpUser);
    c.smtpPassword = envOr(env, "TRESOLINE_SMTP_PASSWORD", c.smtpPassword);
    c.smtpFrom = envOr(env, "TRESOLINE_SMTP_FROM", c.smtpFrom);
    c.smtpCaFile = envOr(env, "TRESOLINE_SMTP_CAFILE", c.smtpCaFile);
    c.updateUrl = envOr(env, "TRESOLINE_UPDATE_URL", c.updateUrl);
    c.websiteUrl = envOr(env, "TRESOLINE_WEBSITE_URL", c.websiteUrl);

    QString user = env.value(QStringLiteral("USER"));
    if (user.isEmpty())
        user = env.value(QStringLiteral("USERNAME"));
    c.systemUserName = user.isEmpty() ? QStringLiteral("UNKNOWN") : user;
    return c;
}
