#include "app/GlobalLock.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

QByteArray readAll(int fd)
{
    QByteArray content;
    char buffer[256];
    if (::lseek(fd, 0, SEEK_SET) < 0)
        return content;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        content.append(buffer, static_cast<qsizetype>(n));
        if (content.size() > 4096)
            break;
    }
    return content;
}

} // namespace

QString GlobalLock::cheminPour(const QString &cheminData)
{
    QString data = cheminData;
    if (!data.endsWith(QLatin1Char('/')))
        data += QLatin1Char('/');
    return data + QString::fromLatin1(kNomFichier);
}

GlobalLock::GlobalLock(QString path) : m_path(std::move(path)) {}

GlobalLock::~GlobalLock()
{
    liberer();
    fermer();
}

GlobalLock::Resultat GlobalLock::tenter(const QString &kind)
{
    if (m_possede)
        return Resultat::Acquis;
    m_typeDetenteur.clear();
    m_erreur.clear();
    if (m_fd < 0) {
        m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd < 0) {
            m_erreur = systemError(errno);
            return Resultat::CreationImpossible;
        }
    }
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        if (code == EWOULDBLOCK) {
            const QList<QByteArray> parts = readAll(m_fd).trimmed().split(' ');
            if (parts.size() >= 2)
                m_typeDetenteur = QString::fromLatin1(parts.at(1)).trimmed().toLower();
            fermer();
            return Resultat::Occupe;
        }
        m_erreur = systemError(code);
        fermer();
        return Resultat::AttenteImpossible;
    }
    const bool abandonne = !readAll(m_fd).trimmed().isEmpty();
    const QByteArray line = QByteArray::number(QCoreApplication::applicationPid()) + ' ' + kind.toLatin1() + '\n';
    if (::ftruncate(m_fd, 0) != 0 || ::pwrite(m_fd, line.constData(), static_cast<size_t>(line.size()), 0) < 0) {
        // The lock is held all the same; only the note for other processes is missing.
        m_erreur = systemError(errno);
    }
    m_possede = true;
    return abandonne ? Resultat::AcquisApresAbandon : Resultat::Acquis;
}

void GlobalLock::liberer()
{
    if (!m_possede)
        return;
    if (::ftruncate(m_fd, 0) != 0)
        m_erreur = systemError(errno);
    ::flock(m_fd, LOCK_UN);
    m_possede = false;
    fermer();
}

void GlobalLock::fermer()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}
