#include "settings/init.h"

#include "model/outils.h"
#include "resources/chaines.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>
#include <limits>
#include <climits>
#include <memory>

TParametres Parametres;

namespace {

const QString TypesParDefaut = QStringLiteral("RNLQM");
const QString FormatsParDefaut = QStringLiteral("xscmt");
const char *const ValeurComma = "comma";

// Only a regular file (or none yet) can be the store: reading a named pipe
// or a device would block or never end, and writing would replace it.
bool FichierUtilisable(const QString &chemin)
{
    const QFileInfo info(chemin);
    return !info.exists() || info.isFile();
}

// Bounds on what is read: a store or a value past them is not taken (the
// program would hold, and show, whatever size it found).
constexpr qint64 TailleMaxMagasin = 1 << 20;
constexpr qsizetype LongueurMaxTexte = 4096;
constexpr int CoteMinFenetre = 50;
constexpr int CoteMaxFenetre = 16384;

// Some of the store could not be taken as it is: before it is rewritten it is
// copied aside, so that nothing the user wrote there is lost unseen.
bool g_lectureIncomplete = false;

// The store's file as it is on disk (empty for the registry).
QString FichierMagasin()
{
    const QByteArray fichier = qgetenv("AMBLOPAD_SETTINGS");
    if (!fichier.isEmpty())
        return QString::fromLocal8Bit(fichier);
#ifdef Q_OS_WIN
    return QString();
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Amblorine.ini");
#endif
}

bool TropGrand(const QString &chemin)
{
    const QFileInfo info(chemin);
    return !chemin.isEmpty() && info.isFile() && info.size() > TailleMaxMagasin;
}

// ecriture: for rewriting a store whose unreadable lines were copied aside.
std::unique_ptr<QSettings> OuvrirMagasin(bool ecriture = false)
{
    if (TropGrand(FichierMagasin())) {
        g_lectureIncomplete = true;
        return nullptr;
    }
    const QByteArray fichier = qgetenv("AMBLOPAD_SETTINGS");
    std::unique_ptr<QSettings> magasin;
    if (!fichier.isEmpty() && !FichierUtilisable(QString::fromLocal8Bit(fichier)))
        return nullptr;
#ifndef Q_OS_WIN
    if (fichier.isEmpty()
        && !FichierUtilisable(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                              + QStringLiteral("/Amblorine.ini")))
        return nullptr;
#endif
    if (!fichier.isEmpty())
        magasin = std::make_unique<QSettings>(QString::fromLocal8Bit(fichier), QSettings::IniFormat);
    else
#ifdef Q_OS_WIN
        magasin = std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\Amblorine"),
                                              QSettings::NativeFormat);
#else
        magasin = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Amblorine"));
#endif
    if (magasin->status() != QSettings::NoError && !ecriture) {
        g_lectureIncomplete = true;
        return nullptr;
    }
    return magasin;
}

// A string value; an INI line holding commas comes back as a list.
bool LireTexte(const QSettings &magasin, const char *nom, QString &valeur)
{
    const QVariant v = magasin.value(QLatin1String(nom));
    if (!v.isValid())
        return false;
    QString lu;
    if (v.typeId() == QMetaType::QStringList)
        lu = v.toStringList().join(u',');
    else if (v.canConvert<QString>())
        lu = v.toString();
    else
        return false;
    if (lu.size() > LongueurMaxTexte) {
        g_lectureIncomplete = true;
        return false;
    }
    valeur = lu;
    return true;
}

void LireTexteOuDefaut(const QSettings &magasin, const char *nom, QString &valeur)
{
    QString lu;
    if (LireTexte(magasin, nom, lu))
        valeur = lu;
}

QString LireTexteOuVide(const QSettings &magasin, const char *nom)
{
    QString lu;
    LireTexte(magasin, nom, lu);
    return lu;
}

// A 32-bit number; a value of another kind leaves the default.
void LireEntier(const QSettings &magasin, const char *nom, int &valeur)
{
    const QVariant v = magasin.value(QLatin1String(nom));
    if (!v.isValid() || v.typeId() == QMetaType::QStringList)
        return;
    bool ok = false;
    const qlonglong n = v.toString().trimmed().toLongLong(&ok);
    if (ok && n >= std::numeric_limits<qint32>::min() && n <= std::numeric_limits<quint32>::max())
        valeur = int(qint32(quint32(n)));
}

// A number within [minimum, maximum]; outside, the default stays.
void LireEntierBorne(const QSettings &magasin, const char *nom, int &valeur, int minimum, int maximum)
{
    int lu = valeur;
    LireEntier(magasin, nom, lu);
    if (lu >= minimum && lu <= maximum)
        valeur = lu;
    else
        g_lectureIncomplete = true;
}

// A path longer than the system allows names no file.
QString LireChemin(const QSettings &magasin, const char *nom)
{
    QString chemin = LireTexteOuVide(magasin, nom);
#ifdef PATH_MAX
    if (QFile::encodeName(chemin).size() >= PATH_MAX) {
        g_lectureIncomplete = true;
        chemin.clear();
    }
#endif
    return chemin;
}

void LireBooleen(const QSettings &magasin, const char *nom, bool &valeur)
{
    int n = valeur ? 1 : 0;
    LireEntier(magasin, nom, n);
    valeur = n != 0;
}

void EcrireBooleen(QSettings &magasin, const char *nom, bool valeur)
{
    magasin.setValue(QLatin1String(nom), valeur ? 1 : 0);
}

void EcrireEntier(QSettings &magasin, const char *nom, int valeur)
{
    magasin.setValue(QLatin1String(nom), valeur);
}

void EcrireTexte(QSettings &magasin, const char *nom, const QString &valeur)
{
    magasin.setValue(QLatin1String(nom), valeur);
}

} // namespace

TParametres::TParametres()
    : or_(Chaines::DefautOu()), xdelim(Chaines::DefautPonctuation()), ignor(Chaines::DefautMotsIgnores()),
      foname(Chaines::DefautPoliceChamps()), types(TypesParDefaut), frmats(FormatsParDefaut),
      lstfon(Chaines::DefautPoliceListe()), mcqor(Chaines::DefautSeparateurQcm()), csvtyp(Chaines::DefautTypesCsv())
{
}

void ParametresParDefaut()
{
    Parametres = TParametres();
}

TOptions OptionsCourantes()
{
    const TParametres &p = Parametres;
    TOptions o;
    o.ouVisible = p.or_;
    o.ponctuation = p.xdelim;
    o.motsIgnores = p.ignor;
    o.signature = p.sign;
    o.feuilleStyle = p.xslfil;
    o.separateurQcm = p.mcqor;
    o.reponsesQcm = p.mcqnor;
    o.lfSeul = p.lfonly;
    o.utf8Xml = p.xmlutf;
    o.espacesMinimaux = p.minsp;
    o.separateurCsv = p.comma;
    o.utf8Csv = p.csvutf;
    o.typesCsv = p.csvtyp;
    o.formatMoodle = p.mcqfrm;
    return o;
}

// The settings know nothing of escapes: the text is kept as typed.
void DefinirSeparateurCsv(const QString &texte)
{
    Parametres.comma = texte;
}

QString SeparateurCsvTexte()
{
    return Parametres.comma;
}

QChar SeparateurCsv()
{
    return SeparateurCsv(Parametres.comma);
}

QString CheminParametres()
{
    if (TropGrand(FichierMagasin()))
        return QFileInfo(FichierMagasin()).absoluteFilePath();
    auto magasin = OuvrirMagasin();
    return magasin ? magasin->fileName() : QString();
}

void LireParametres()
{
    ParametresParDefaut();
    g_lectureIncomplete = false;
    auto magasin = OuvrirMagasin();
    if (!magasin)
        return;
    const QSettings &m = *magasin;
    TParametres &p = Parametres;
    LireTexteOuDefaut(m, "or", p.or_);
    LireTexteOuDefaut(m, "xdelim", p.xdelim);
    LireTexteOuDefaut(m, "ignor", p.ignor);
    LireTexteOuDefaut(m, "foname", p.foname);
    LireEntierBorne(m, "fosize", p.fosize, 1, 1000);
    p.open = LireChemin(m, "open");
    if (!p.open.isEmpty())
        LireEntierBorne(m, "openum", p.openum, 0, std::numeric_limits<int>::max());
    p.recent = LireChemin(m, "recent");
    if (!p.recent.isEmpty())
        LireEntierBorne(m, "recnum", p.recnum, 0, std::numeric_limits<int>::max());
    LireBooleen(m, "minsp", p.minsp);
    LireBooleen(m, "fulscr", p.fulscr);
    LireEntierBorne(m, "height", p.height, CoteMinFenetre, CoteMaxFenetre);
    LireEntierBorne(m, "width", p.width, CoteMinFenetre, CoteMaxFenetre);
    LireBooleen(m, "topmst", p.topmst);
    p.sign = LireTexteOuVide(m, "sign");
    LireBooleen(m, "reopen", p.reopen);
    LireBooleen(m, "uninst", p.uninst);
    LireBooleen(m, "opened", p.opened);
    LireBooleen(m, "alltyp", p.alltyp);
    p.types = LireTexteOuVide(m, "types").left(255);
    if (p.types.isEmpty())
        p.types = TypesParDefaut;
    p.frmats = LireTexteOuVide(m, "frmats").left(255);
    if (p.frmats.isEmpty())
        p.frmats = FormatsParDefaut;
    LireTexteOuDefaut(m, "lstfon", p.lstfon);
    LireEntierBorne(m, "lstfos", p.lstfos, 1, 1000);
    p.xslfil = LireChemin(m, "xslfil");
    LireBooleen(m, "xmlutf", p.xmlutf);
    LireBooleen(m, "lfonly", p.lfonly);
    LireTexteOuDefaut(m, "mcqor", p.mcqor);
    p.mcqfrm = LireTexteOuVide(m, "mcqfrm");
    LireEntierBorne(m, "mcqnor", p.mcqnor, 0, 100);
    p.comma = LireTexteOuVide(m, ValeurComma);
    LireTexteOuDefaut(m, "csvtyp", p.csvtyp);
    LireBooleen(m, "csvutf", p.csvutf);
    LireBooleen(m, "ncwnf", p.ncwnf);
    LireBooleen(m, "spell", p.spell);
    p.spldic = LireTexteOuVide(m, "spldic");
}

// Copies a store that was not read whole to NAME.bak, once; false when it
// must not be rewritten (the copy could not be made, or one is there already
// and the store is too large to merge into).
bool MettreDeCote()
{
    const QString chemin = FichierMagasin();
    if (!g_lectureIncomplete || chemin.isEmpty() || !QFileInfo(chemin).isFile())
        return true;
    const QString copie = chemin + QStringLiteral(".bak");
    const bool copieFaite = !QFileInfo::exists(copie) && QFile::copy(chemin, copie);
    if (TropGrand(chemin)) {
        // Rewritten from nothing: QSettings would read it all again to merge.
        return copieFaite && QFile::remove(chemin);
    }
    return copieFaite || QFileInfo::exists(copie);
}

void EcrireParametres(bool preferences)
{
    if (!FichierUtilisable(FichierMagasin()) || !MettreDeCote())
        return;
    const bool miseDeCote = g_lectureIncomplete;
    g_lectureIncomplete = false;
    auto magasin = OuvrirMagasin(miseDeCote);
    if (!magasin)
        return;
    QSettings &m = *magasin;
    const TParametres &p = Parametres;
    EcrireBooleen(m, "opened", p.opened);
    EcrireTexte(m, "open", p.open);
    EcrireEntier(m, "openum", p.openum);
    EcrireTexte(m, "recent", p.recent);
    EcrireEntier(m, "recnum", p.recnum);
    EcrireBooleen(m, "fulscr", p.fulscr);
    if (!p.fulscr) {
        EcrireEntier(m, "height", p.height);
        EcrireEntier(m, "width", p.width);
    }
    EcrireTexte(m, "types", p.types.left(255));
    EcrireTexte(m, "frmats", p.frmats.left(255));
    if (preferences) {
        EcrireTexte(m, "foname", p.foname);
        EcrireEntier(m, "fosize", p.fosize);
        EcrireBooleen(m, "topmst", p.topmst);
        EcrireBooleen(m, "reopen", p.reopen);
        EcrireBooleen(m, "uninst", p.uninst);
        EcrireTexte(m, "lstfon", p.lstfon);
        EcrireEntier(m, "lstfos", p.lstfos);
        EcrireBooleen(m, "xmlutf", p.xmlutf);
        if (!p.comma.isEmpty())
            EcrireTexte(m, ValeurComma, p.comma);
        else
            m.remove(QLatin1String(ValeurComma));
        EcrireBooleen(m, "csvutf", p.csvutf);
        EcrireBooleen(m, "spell", p.spell);
        EcrireTexte(m, "spldic", p.spldic);
    }
    m.sync();
}
