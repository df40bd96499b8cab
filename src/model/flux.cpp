#include "model/flux.h"

#include "model/erreurs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <QSaveFile>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

qint64 g_echecApres = -1;
const qint64 TailleMaximale = qint64(1) << 30; // a card file is never near this

// The messages' translation context.
struct Flux
{
    Q_DECLARE_TR_FUNCTIONS(Flux)
};

QString MessageSysteme(int erreur)
{
    return QString::fromLocal8Bit(std::strerror(erreur));
}

[[noreturn]] void EchecOuverture(const QString &nom, int erreur)
{
    throw ErreurFichier(Flux::tr("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(nom),
                                                               MessageSysteme(erreur)));
}

[[noreturn]] void EchecCreation(const QString &nom, int erreur)
{
    throw ErreurFichier(Flux::tr("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(nom),
                                                                MessageSysteme(erreur)));
}

[[noreturn]] void EchecEcriture(const QString &nom, int erreur)
{
    throw ErreurFichier(Flux::tr("Error writing file \"%1\". %2").arg(QDir::toNativeSeparators(nom),
                                                                MessageSysteme(erreur)));
}

[[noreturn]] void FichierOccupe(const QString &nom)
{
    throw ErreurFichier(
        Flux::tr("The file \"%1\" is in use by another program.").arg(QDir::toNativeSeparators(nom)));
}

} // namespace

bool EstLectureSeule(const QString &nom)
{
    const QFileInfo info(nom);
    return info.exists() && !(info.permissions() & QFileDevice::WriteOwner);
}

void DefinirLectureSeule(const QString &nom, bool lectureSeule)
{
    QFile fichier(nom);
    QFileDevice::Permissions permissions = fichier.permissions();
    if (lectureSeule)
        permissions &= ~(QFileDevice::WriteOwner | QFileDevice::WriteUser);
    else
        permissions |= QFileDevice::WriteOwner | QFileDevice::WriteUser;
    fichier.setPermissions(permissions);
}

bool FichierExiste(const QString &nom)
{
    return QFileInfo(nom).isFile();
}

void TFlux::InjecterEchecEcriture(qint64 apresOctets)
{
    g_echecApres = apresOctets;
}

TFlux::TFlux(const QString &nom, bool ecriture, intptr_t descripteur)
    : m_nom(nom), m_ecriture(ecriture), m_descripteur(descripteur)
{
}

#ifndef Q_OS_WIN

namespace {

// Writes everything or fails with errno set; honours the test seam.
bool EcrireTout(int fd, const QByteArray &contenu)
{
    const char *donnees = contenu.constData();
    qint64 reste = contenu.size();
    qint64 ecrit = 0;
    while (reste > 0) {
        qint64 morceau = reste;
        if (g_echecApres >= 0) {
            if (ecrit >= g_echecApres) {
                errno = ENOSPC;
                return false;
            }
            morceau = qMin(morceau, g_echecApres - ecrit);
        }
        const ssize_t n = ::write(fd, donnees + ecrit, size_t(morceau));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        ecrit += n;
        reste -= n;
    }
    return true;
}

} // namespace

std::unique_ptr<TFlux> TFlux::Ouvrir(const QString &nom, bool ecriture)
{
    if (ecriture && EstLectureSeule(nom))
        EchecOuverture(nom, EACCES);
    const QByteArray chemin = QFile::encodeName(nom);
    const int fd = ::open(chemin.constData(), (ecriture ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0)
        EchecOuverture(nom, errno);
    struct stat etat;
    if (::fstat(fd, &etat) != 0 || !S_ISREG(etat.st_mode)) {
        const int erreur = S_ISDIR(etat.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        EchecOuverture(nom, erreur);
    }
    if (::flock(fd, (ecriture ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        ::close(fd);
        FichierOccupe(nom);
    }
    return std::unique_ptr<TFlux>(new TFlux(nom, ecriture, fd));
}

TFlux::~TFlux()
{
    ::close(int(m_descripteur)); // releases the lock
}

qint64 TFlux::Taille() const
{
    struct stat etat;
    if (::fstat(int(m_descripteur), &etat) != 0)
        return 0;
    return etat.st_size;
}

QByteArray TFlux::Lire(qint64 position, qint64 taille) const
{
    QByteArray octets;
    const qint64 disponible = qMax<qint64>(0, Taille() - position);
    taille = qMin(taille, disponible);
    if (taille > TailleMaximale)
        throw ErreurFichier(Flux::tr("The file \"%1\" is too large.").arg(QDir::toNativeSeparators(m_nom)));
    octets.resize(taille);
    qint64 lu = 0;
    while (lu < taille) {
        const ssize_t n = ::pread(int(m_descripteur), octets.data() + lu, size_t(taille - lu),
                                  off_t(position + lu));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw ErreurFichier(Flux::tr("Error reading file \"%1\". %2")
                                    .arg(QDir::toNativeSeparators(m_nom), MessageSysteme(errno)));
        }
        if (n == 0)
            break;
        lu += n;
    }
    octets.truncate(lu);
    return octets;
}

QByteArray TFlux::LireTout() const
{
    return Lire(0, Taille());
}

std::unique_ptr<TFlux> TFlux::Remplacer(const QString &nom, const QByteArray &contenu,
                                        const TFlux *fluxActuel)
{
    QString cible = nom;
    const QFileInfo info(nom);
    if (info.isSymLink() && info.exists())
        cible = info.canonicalFilePath(); // write the file the link points to
    const QByteArray cheminCible = QFile::encodeName(cible);

    struct stat etatCible;
    const bool existe = ::stat(cheminCible.constData(), &etatCible) == 0;
    struct stat etatActuel;
    const bool estLeMien = existe && fluxActuel
                           && ::fstat(int(fluxActuel->m_descripteur), &etatActuel) == 0
                           && etatActuel.st_ino == etatCible.st_ino
                           && etatActuel.st_dev == etatCible.st_dev;
    int garde = -1; // holds another process off the old file while we replace it
    if (existe) {
        if (S_ISDIR(etatCible.st_mode))
            EchecCreation(nom, EISDIR);
        if (!(etatCible.st_mode & S_IWUSR))
            EchecCreation(nom, EACCES);
        if (!estLeMien) {
            garde = ::open(cheminCible.constData(), O_RDONLY | O_CLOEXEC);
            if (garde >= 0 && ::flock(garde, LOCK_EX | LOCK_NB) != 0) {
                ::close(garde);
                FichierOccupe(nom);
            }
        }
    }
    struct Fermeture
    {
        int &fd;
        ~Fermeture()
        {
            if (fd >= 0)
                ::close(fd);
        }
    } fermerGarde{garde};

    const QFileInfo infoCible(cible);
    QByteArray modele = QFile::encodeName(infoCible.absolutePath() + QLatin1String("/.")
                                          + infoCible.fileName() + QLatin1String(".XXXXXX"));
    const int fd = ::mkstemp(modele.data());
    if (fd < 0)
        EchecCreation(nom, errno);
    auto abandonner = [&](int erreur) {
        ::close(fd);
        ::unlink(modele.constData());
        EchecEcriture(nom, erreur);
    };
    if (!EcrireTout(fd, contenu) || ::fsync(fd) != 0)
        abandonner(errno);
    mode_t mode;
    if (existe) {
        mode = etatCible.st_mode & 07777;
    } else {
        const mode_t masque = ::umask(0);
        ::umask(masque);
        mode = 0666 & ~masque;
    }
    if (::fchmod(fd, mode) != 0)
        abandonner(errno);
    ::flock(fd, LOCK_EX | LOCK_NB); // a new file: nobody else can hold it
    if (::rename(modele.constData(), cheminCible.constData()) != 0)
        abandonner(errno);
    return std::unique_ptr<TFlux>(new TFlux(nom, true, fd));
}

#else // Windows: the share modes themselves keep other programs off.

std::unique_ptr<TFlux> TFlux::Ouvrir(const QString &nom, bool ecriture)
{
    int fd = -1;
    const std::wstring chemin = QDir::toNativeSeparators(nom).toStdWString();
    const errno_t erreur = _wsopen_s(&fd, chemin.c_str(), (ecriture ? _O_RDWR : _O_RDONLY) | _O_BINARY,
                                     ecriture ? _SH_DENYRW : _SH_DENYWR, _S_IREAD | _S_IWRITE);
    if (erreur != 0) {
        if (erreur == EACCES && QFileInfo::exists(nom) && !EstLectureSeule(nom))
            FichierOccupe(nom);
        EchecOuverture(nom, erreur);
    }
    return std::unique_ptr<TFlux>(new TFlux(nom, ecriture, fd));
}

TFlux::~TFlux()
{
    if (m_descripteur >= 0)
        _close(int(m_descripteur));
}

qint64 TFlux::Taille() const
{
    return _filelengthi64(int(m_descripteur));
}

QByteArray TFlux::Lire(qint64 position, qint64 taille) const
{
    const qint64 disponible = qMax<qint64>(0, Taille() - position);
    taille = qMin(taille, disponible);
    if (taille > TailleMaximale)
        throw ErreurFichier(Flux::tr("The file \"%1\" is too large.").arg(QDir::toNativeSeparators(m_nom)));
    QByteArray octets(taille, Qt::Uninitialized);
    _lseeki64(int(m_descripteur), position, SEEK_SET);
    qint64 lu = 0;
    while (lu < taille) {
        const int n = _read(int(m_descripteur), octets.data() + lu, unsigned(qMin<qint64>(taille - lu, 1 << 30)));
        if (n <= 0)
            break;
        lu += n;
    }
    octets.truncate(lu);
    return octets;
}

QByteArray TFlux::LireTout() const
{
    return Lire(0, Taille());
}

std::unique_ptr<TFlux> TFlux::Remplacer(const QString &nom, const QByteArray &contenu,
                                        const TFlux *fluxActuel)
{
    if (EstLectureSeule(nom))
        EchecCreation(nom, EACCES);
    QSaveFile fichier(nom);
    if (!fichier.open(QIODevice::WriteOnly))
        throw ErreurFichier(fichier.errorString());
    qint64 limite = g_echecApres >= 0 ? qMin<qint64>(g_echecApres, contenu.size()) : contenu.size();
    if (fichier.write(contenu.constData(), limite) != limite || limite < contenu.size()) {
        fichier.cancelWriting();
        EchecEcriture(nom, ENOSPC);
    }
    // The document's own stream holds the old file unshared: let it go for the replacement.
    if (fluxActuel && fluxActuel->m_descripteur >= 0) {
        _close(int(fluxActuel->m_descripteur));
        fluxActuel->m_descripteur = -1;
    }
    if (!fichier.commit())
        throw ErreurFichier(fichier.errorString());
    return Ouvrir(nom, true);
}

#endif
