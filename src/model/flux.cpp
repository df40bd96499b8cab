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
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

qint64 g_echecApres = -1;
qint64 g_arretApres = -1;
void (*g_arret)() = nullptr;
qint64 g_tailleMaximale = -1;

// The messages' translation context.
struct Flux
{
    Q_DECLARE_TR_FUNCTIONS(Flux)
};

QString MessageSysteme(int erreur)
{
#ifdef EROFS
    // The system's words would often be taken for a permission to change.
    if (erreur == EROFS)
        return Flux::tr("The file system is read-only.");
#endif
    return QString::fromLocal8Bit(std::strerror(erreur));
}

[[noreturn]] void EchecOuverture(const QString &nom, int erreur)
{
    throw ErreurFichier(
        Flux::tr("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(nom), MessageSysteme(erreur)));
}

[[noreturn]] void EchecCreation(const QString &nom, int erreur)
{
    throw ErreurFichier(
        Flux::tr("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(nom), MessageSysteme(erreur)));
}

[[noreturn]] void EchecEcriture(const QString &nom, int erreur)
{
    throw ErreurFichier(
        Flux::tr("Error writing file \"%1\". %2").arg(QDir::toNativeSeparators(nom), MessageSysteme(erreur)));
}

[[noreturn]] void FichierOccupe(const QString &nom)
{
    throw ErreurFichier(Flux::tr("The file \"%1\" is in use by another program.").arg(QDir::toNativeSeparators(nom)));
}

} // namespace

bool EstLectureSeule(const QString &nom)
{
    const QFileInfo info(nom);
    return info.exists() && !(info.permissions() & QFileDevice::WriteOwner);
}

bool EcritureInterdite(const QString &nom)
{
#ifdef Q_OS_WIN
    Q_UNUSED(nom);
    return false; // the read-only attribute is what Windows has
#else
    const QByteArray chemin = QFile::encodeName(nom);
    return ::access(chemin.constData(), F_OK) == 0 && ::access(chemin.constData(), W_OK) != 0 && errno != EROFS;
#endif
}

bool SystemeLectureSeule(const QString &nom)
{
#ifdef Q_OS_WIN
    Q_UNUSED(nom);
    return false;
#else
    const QByteArray chemin = QFile::encodeName(nom);
    return ::access(chemin.constData(), W_OK) != 0 && errno == EROFS;
#endif
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

qint64 TFlux::TailleMaximale()
{
    return g_tailleMaximale >= 0 ? g_tailleMaximale : qint64(1) << 30; // a card file is rarely near this
}

void TFlux::InjecterTailleMaximale(qint64 octets)
{
    g_tailleMaximale = octets;
}

void TFlux::InjecterEchecEcriture(qint64 apresOctets)
{
    g_echecApres = apresOctets;
}

void TFlux::InjecterArret(qint64 apresOctets, void (*arret)())
{
    g_arretApres = apresOctets;
    g_arret = arret;
}

TFlux::TFlux(const QString &nom, bool ecriture, intptr_t descripteur)
    : m_nom(nom), m_ecriture(ecriture), m_descripteur(descripteur)
{
}

#ifndef Q_OS_WIN

namespace {

// What the system says about a named pipe, a socket or a device given as a
// card file: they would block the program or be replaced by a regular file.
QString PasUnFichier()
{
    return Flux::tr("It is not a regular file.");
}

[[noreturn]] void RefuserGenre(const QString &nom, mode_t mode, bool creation)
{
    if (S_ISDIR(mode)) {
        if (creation)
            EchecCreation(nom, EISDIR);
        EchecOuverture(nom, EISDIR);
    }
    const QString texte = creation ? Flux::tr("Cannot create file \"%1\". %2")
                                   : Flux::tr("Cannot open file \"%1\". %2");
    throw ErreurFichier(texte.arg(QDir::toNativeSeparators(nom), PasUnFichier()));
}

// A save past the file-size limit (ulimit -f) fails with EFBIG like a full
// disk, rather than ending the process.
void IgnorerDepassementTaille()
{
    static const bool fait = [] {
        ::signal(SIGXFSZ, SIG_IGN);
        return true;
    }();
    Q_UNUSED(fait);
}

// Writes everything at position or fails with errno set; honours the test seams.
bool EcrireTout(int fd, const char *donnees, qint64 taille, qint64 position = -1)
{
    qint64 ecrit = 0;
    for (;;) {
        if (g_arret && ecrit >= g_arretApres) {
            auto arret = g_arret;
            g_arret = nullptr;
            arret();
        }
        if (ecrit >= taille)
            return true;
        qint64 morceau = taille - ecrit;
        if (g_arret)
            morceau = qMin(morceau, g_arretApres - ecrit);
        if (g_echecApres >= 0) {
            if (ecrit >= g_echecApres) {
                errno = ENOSPC;
                return false;
            }
            morceau = qMin(morceau, g_echecApres - ecrit);
        }
        const ssize_t n = position < 0 ? ::write(fd, donnees + ecrit, size_t(morceau))
                                       : ::pwrite(fd, donnees + ecrit, size_t(morceau), off_t(position + ecrit));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        ecrit += n;
    }
}

bool EcrireTout(int fd, const QByteArray &contenu)
{
    return EcrireTout(fd, contenu.constData(), contenu.size());
}

// The test seams are for the file's new content only.
struct SansCoutures
{
    qint64 echec = g_echecApres;
    void (*arret)() = g_arret;
    SansCoutures()
    {
        g_echecApres = -1;
        g_arret = nullptr;
    }
    ~SansCoutures()
    {
        g_echecApres = echec;
        g_arret = arret;
    }
};

// Writes contenu at the start of fd, never failing on purpose: putting back what was there.
bool Retablir(int fd, const QByteArray &contenu)
{
    const SansCoutures sans;
    return EcrireTout(fd, contenu.constData(), contenu.size(), 0) && ::ftruncate(fd, off_t(contenu.size())) == 0
        && ::fsync(fd) == 0;
}

// The new name in a folder only survives a power cut once the folder is on disk.
void SynchroniserDossier(const QByteArray &chemin)
{
    const qsizetype barre = chemin.lastIndexOf('/');
    const QByteArray dossier = barre < 0 ? QByteArray(".") : barre == 0 ? QByteArray("/") : chemin.left(barre);
    const int fd = ::open(dossier.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The path a save writes: the file at the end of a chain of symbolic links,
// existing or not, so that the links stay.
QString CibleDesLiens(const QString &nom, bool creation = true)
{
    QString cible = nom;
    for (int niveaux = 0; QFileInfo(cible).isSymLink(); ++niveaux) {
        if (niveaux >= 40) {
            if (creation)
                EchecCreation(nom, ELOOP);
            EchecOuverture(nom, ELOOP);
        }
        cible = QFileInfo(cible).symLinkTarget();
    }
    return cible;
}

struct Descripteur
{
    int fd = -1;
    Descripteur() = default;
    explicit Descripteur(int d) : fd(d) { }
    Descripteur(const Descripteur &) = delete;
    Descripteur &operator=(const Descripteur &) = delete;
    ~Descripteur()
    {
        if (fd >= 0)
            ::close(fd);
    }
    int Rendre()
    {
        const int d = fd;
        fd = -1;
        return d;
    }
};

// Files a save makes beside its target, ".NAME." and six characters: the new
// content before its rename, and the copy of the old content while the file
// is rewritten in place, first without a suffix, then, once complete, with "~".
struct Compagnons
{
    QByteArray dossier;
    QByteArray prefixe;

    explicit Compagnons(const QFileInfo &cible)
        : dossier(QFile::encodeName(cible.absolutePath())), prefixe('.' + QFile::encodeName(cible.fileName()) + '.')
    {
    }

    // The paths of those ending with suffixe (after the six characters).
    QList<QByteArray> Chemins(QByteArrayView suffixe) const
    {
        QList<QByteArray> chemins;
        DIR *d = ::opendir(dossier.constData());
        if (!d)
            return chemins;
        const qsizetype longueur = prefixe.size() + 6 + suffixe.size();
        while (const dirent *entree = ::readdir(d)) {
            const QByteArrayView nom(entree->d_name);
            if (nom.size() == longueur && nom.startsWith(prefixe) && nom.endsWith(suffixe))
                chemins << dossier + '/' + nom.toByteArray();
        }
        ::closedir(d);
        return chemins;
    }
};

// Opens a companion file and locks it, unless a living save holds it.
int Prendre(const QByteArray &chemin)
{
    Descripteur fd(::open(chemin.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (fd.fd < 0)
        return -1;
    struct stat etat;
    if (::fstat(fd.fd, &etat) != 0 || !S_ISREG(etat.st_mode) || ::flock(fd.fd, LOCK_EX | LOCK_NB) != 0)
        return -1;
    // Another process may have dealt with it between our open and our lock.
    if (::fstat(fd.fd, &etat) != 0 || etat.st_nlink == 0)
        return -1;
    return fd.Rendre();
}

// Removes what interrupted saves left before their rename, that is, the
// companions without suffix that no process holds locked.
void OterRestes(const QFileInfo &cible)
{
    for (const QByteArray &chemin : Compagnons(cible).Chemins({})) {
        const Descripteur fd(Prendre(chemin));
        if (fd.fd >= 0)
            ::unlink(chemin.constData());
    }
}

[[noreturn]] void EchecReprise(const QString &nom, const QByteArray &copie, int erreur)
{
    throw ErreurFichier(Flux::tr("The file \"%1\" was left incomplete by an interrupted save and could not be "
                                 "restored. %2 Its previous content is in \"%3\".")
                            .arg(QDir::toNativeSeparators(nom), MessageSysteme(erreur),
                                 QDir::toNativeSeparators(QFile::decodeName(copie))));
}

// Puts back the content of copie into fd, a piece at a time.
bool Recopier(int copie, int fd)
{
    struct stat etat;
    if (::fstat(copie, &etat) != 0)
        return false;
    QByteArray morceau(qsizetype(1) << 20, Qt::Uninitialized);
    for (qint64 position = 0; position < etat.st_size;) {
        const ssize_t n = ::pread(copie, morceau.data(), size_t(morceau.size()), off_t(position));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO; // the copy was cut short under us
            return false;
        }
        if (!EcrireTout(fd, morceau.constData(), n, position))
            return false;
        position += n;
    }
    return ::ftruncate(fd, off_t(etat.st_size)) == 0 && ::fsync(fd) == 0;
}

// A rewrite in place that a kill interrupted leaves its complete copy of the
// old content behind, held by nobody, and the file possibly cut short: the
// old content is put back and the copy removed. tenu is a descriptor of the
// file open for writing and locked by the caller, or -1. Raises, naming the
// copy, when the file cannot be put back; the copy then stays.
void ReprendreReecritures(const QString &nom, const QString &cible, int tenu)
{
    const QFileInfo info(cible);
    const Compagnons compagnons(info);
    const QList<QByteArray> copies = compagnons.Chemins("~");
    for (const QByteArray &chemin : copies) {
        const Descripteur copie(Prendre(chemin));
        if (copie.fd < 0)
            continue; // its save is still running
        Descripteur propre;
        int fd = tenu;
        if (fd < 0) {
            propre.fd = ::open(QFile::encodeName(cible).constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
            if (propre.fd < 0) {
                if (errno == ENOENT)
                    return; // nothing left to restore: the copy is all there is
                EchecReprise(nom, chemin, errno);
            }
            struct stat etat;
            if (::fstat(propre.fd, &etat) != 0 || !S_ISREG(etat.st_mode))
                return;
            if (::flock(propre.fd, LOCK_EX | LOCK_NB) != 0)
                return; // another process has the file: it dealt with the copy when it opened it
            fd = propre.fd;
        }
        if (!Recopier(copie.fd, fd))
            EchecReprise(nom, chemin, errno);
        ::unlink(chemin.constData());
        SynchroniserDossier(chemin);
    }
}

} // namespace

std::unique_ptr<TFlux> TFlux::Ouvrir(const QString &nom, bool ecriture)
{
    if (ecriture && EstLectureSeule(nom))
        EchecOuverture(nom, EACCES);
    const QByteArray chemin = QFile::encodeName(nom);
    struct stat avant;
    if (::stat(chemin.constData(), &avant) == 0 && !S_ISREG(avant.st_mode))
        RefuserGenre(nom, avant.st_mode, false); // a socket cannot even be opened
    ReprendreReecritures(nom, CibleDesLiens(nom, false), -1);
    // Without O_NONBLOCK a named pipe would hold the open until a writer came.
    const int fd = ::open(chemin.constData(), (ecriture ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        EchecOuverture(nom, errno);
    struct stat etat;
    if (::fstat(fd, &etat) != 0) {
        const int erreur = errno;
        ::close(fd);
        EchecOuverture(nom, erreur);
    }
    if (!S_ISREG(etat.st_mode)) {
        ::close(fd);
        RefuserGenre(nom, etat.st_mode, false);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
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
    if (taille > TFlux::TailleMaximale())
        throw ErreurFichier(Flux::tr("The file \"%1\" is too large.").arg(QDir::toNativeSeparators(m_nom)));
    octets.resize(taille);
    qint64 lu = 0;
    while (lu < taille) {
        const ssize_t n = ::pread(int(m_descripteur), octets.data() + lu, size_t(taille - lu), off_t(position + lu));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw ErreurFichier(
                Flux::tr("Error reading file \"%1\". %2").arg(QDir::toNativeSeparators(m_nom), MessageSysteme(errno)));
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

namespace {

// Rewrites the file open as fd in place, for a file that a rename would cut
// from its other hard links or give to another owner. A copy of the old
// content is made beside it first, so that a kill at any moment leaves the
// old content or the new one; on failure the old content is put back.
void EcrireEnPlace(int fd, const QString &nom, const QFileInfo &cible, const QByteArray &contenu)
{
    struct stat etat;
    if (::fstat(fd, &etat) != 0)
        EchecEcriture(nom, errno);
    QByteArray ancien(qsizetype(etat.st_size), Qt::Uninitialized);
    qint64 lu = 0;
    while (lu < ancien.size()) {
        const ssize_t n = ::pread(fd, ancien.data() + lu, size_t(ancien.size() - lu), off_t(lu));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            EchecEcriture(nom, n < 0 ? errno : EIO);
        lu += n;
    }
    // The copy is complete before it takes its final name, and locked while
    // the rewrite runs: a copy with that name that nobody holds is one a kill
    // interrupted, and the next open or save puts it back.
    QByteArray copieEnCours = QFile::encodeName(cible.absolutePath() + QLatin1String("/.") + cible.fileName()
                                                + QLatin1String(".XXXXXX"));
    Descripteur copie(::mkostemp(copieEnCours.data(), O_CLOEXEC));
    if (copie.fd < 0)
        EchecCreation(nom, errno);
    ::flock(copie.fd, LOCK_EX | LOCK_NB); // a new file: nobody else can hold it
    const QByteArray cheminCopie = copieEnCours + '~';
    bool copieFaite;
    {
        const SansCoutures sans; // the seams are for the file itself
        copieFaite = EcrireTout(copie.fd, ancien) && ::fsync(copie.fd) == 0
            && ::rename(copieEnCours.constData(), cheminCopie.constData()) == 0;
    }
    if (!copieFaite) {
        const int erreur = errno;
        ::unlink(copieEnCours.constData());
        EchecEcriture(nom, erreur);
    }
    SynchroniserDossier(cheminCopie);
    if (!EcrireTout(fd, contenu.constData(), contenu.size(), 0) || ::ftruncate(fd, off_t(contenu.size())) != 0
        || ::fsync(fd) != 0) {
        const int erreur = errno;
        // The copy stays when even the old content cannot be put back: the
        // next open or save tries again.
        if (Retablir(fd, ancien)) {
            ::unlink(cheminCopie.constData());
            SynchroniserDossier(cheminCopie);
        }
        EchecEcriture(nom, erreur);
    }
    ::unlink(cheminCopie.constData());
    // Else a power cut could bring the copy back, and with it the old content.
    SynchroniserDossier(cheminCopie);
}

} // namespace

std::unique_ptr<TFlux> TFlux::Remplacer(const QString &nom, const QByteArray &contenu, const TFlux *fluxActuel)
{
    IgnorerDepassementTaille();
    const QString cible = CibleDesLiens(nom);
    const QByteArray cheminCible = QFile::encodeName(cible);

    struct stat etatCible;
    const bool existe = ::lstat(cheminCible.constData(), &etatCible) == 0;
    if (existe && !S_ISREG(etatCible.st_mode))
        RefuserGenre(nom, etatCible.st_mode, true); // never replace a pipe, socket or device
    struct stat etatActuel;
    const bool estLeMien = existe && fluxActuel && ::fstat(int(fluxActuel->m_descripteur), &etatActuel) == 0
        && etatActuel.st_ino == etatCible.st_ino && etatActuel.st_dev == etatCible.st_dev;
    Descripteur garde; // holds another process off the old file while we replace it
    if (existe) {
        if (::access(cheminCible.constData(), W_OK) != 0)
            EchecCreation(nom, errno);
        if (!(etatCible.st_mode & S_IWUSR))
            EchecCreation(nom, EACCES);
        if (!estLeMien) {
            garde.fd = ::open(cheminCible.constData(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
            if (garde.fd >= 0 && ::flock(garde.fd, LOCK_EX | LOCK_NB) != 0)
                FichierOccupe(nom);
        }
    }

    const QFileInfo infoCible(cible);
    if (existe) {
        Descripteur tenu;
        if (estLeMien && fluxActuel->m_ecriture)
            tenu.fd = ::fcntl(int(fluxActuel->m_descripteur), F_DUPFD_CLOEXEC, 0);
        ReprendreReecritures(nom, cible, tenu.fd >= 0 ? tenu.fd : garde.fd);
    }
    OterRestes(infoCible);

    // A rename would split hard links: such a file is rewritten in place, and
    // so is one whose owner or group the new file cannot be given.
    auto ecrireEnPlace = [&]() {
        Descripteur ecriture;
        if (estLeMien && fluxActuel->m_ecriture) {
            ecriture.fd = ::fcntl(int(fluxActuel->m_descripteur), F_DUPFD_CLOEXEC, 0);
        } else if (garde.fd >= 0) {
            ecriture.fd = garde.Rendre();
        } else {
            ecriture.fd = ::open(cheminCible.constData(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
            if (ecriture.fd >= 0)
                ::flock(ecriture.fd, LOCK_EX | LOCK_NB);
        }
        if (ecriture.fd < 0)
            EchecCreation(nom, errno);
        ::fcntl(ecriture.fd, F_SETFL, ::fcntl(ecriture.fd, F_GETFL) & ~O_NONBLOCK);
        struct stat etat;
        if (::fstat(ecriture.fd, &etat) != 0)
            EchecCreation(nom, errno);
        if (!S_ISREG(etat.st_mode))
            RefuserGenre(nom, etat.st_mode, true);
        EcrireEnPlace(ecriture.fd, nom, infoCible, contenu);
        return std::unique_ptr<TFlux>(new TFlux(nom, true, ecriture.Rendre()));
    };
    if (existe && etatCible.st_nlink > 1)
        return ecrireEnPlace();

    QByteArray modele = QFile::encodeName(infoCible.absolutePath() + QLatin1String("/.") + infoCible.fileName()
                                          + QLatin1String(".XXXXXX"));
    const int fd = ::mkostemp(modele.data(), O_CLOEXEC);
    if (fd < 0)
        EchecCreation(nom, errno);
    ::flock(fd, LOCK_EX | LOCK_NB); // a new file: nobody else can hold it; marks it as in use
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
    if (existe) {
        struct stat etatNouveau;
        if (::fstat(fd, &etatNouveau) != 0)
            abandonner(errno);
        if ((etatNouveau.st_uid != etatCible.st_uid || etatNouveau.st_gid != etatCible.st_gid)
            && ::fchown(fd, etatCible.st_uid, etatCible.st_gid) != 0) {
            ::close(fd);
            ::unlink(modele.constData());
            return ecrireEnPlace();
        }
    }
    if (::fchmod(fd, mode) != 0)
        abandonner(errno);
    if (::rename(modele.constData(), cheminCible.constData()) != 0)
        abandonner(errno);
    SynchroniserDossier(cheminCible);
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
    if (taille > TFlux::TailleMaximale())
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

std::unique_ptr<TFlux> TFlux::Remplacer(const QString &nom, const QByteArray &contenu, const TFlux *fluxActuel)
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
