#include "settings/init.h"

#include "model/outils.h"
#include "resources/chaines.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>
#include <limits>
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

std::unique_ptr<QSettings> OuvrirMagasin()
{
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
        magasin = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                              QStringLiteral("Amblorine"));
#endif
    if (magasin->status() != QSettings::NoError)
        return nullptr;
    return magasin;
}

// A string value; an INI line holding commas comes back as a list.
bool LireTexte(const QSettings &magasin, const char *nom, QString &valeur)
{
    const QVariant v = magasin.value(QLatin1String(nom));
    if (!v.isValid())
        return false;
    if (v.typeId() == QMetaType::QStringList)
        valeur = v.toStringList().join(u',');
    else if (v.canConvert<QString>())
        valeur = v.toString();
    else
        return false;
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
    : or_(Chaines::DefautOu()), xdelim(Chaines::DefautPonctuation()),
      ignor(Chaines::DefautMotsIgnores()), foname(Chaines::DefautPoliceChamps()),
      types(TypesParDefaut), frmats(FormatsParDefaut), lstfon(Chaines::DefautPoliceListe()),
      mcqor(Chaines::DefautSeparateurQcm()), csvtyp(Chaines::DefautTypesCsv())
{
}

void ParametresParDefaut()
{
    Parametres = TParametres();
    DefinirSeparateurCsv(QString());
}

QString CheminParametres()
{
    auto magasin = OuvrirMagasin();
    return magasin ? magasin->fileName() : QString();
}

void LireParametres()
{
    ParametresParDefaut();
    auto magasin = OuvrirMagasin();
    if (!magasin)
        return;
    const QSettings &m = *magasin;
    TParametres &p = Parametres;
    LireTexteOuDefaut(m, "or", p.or_);
    LireTexteOuDefaut(m, "xdelim", p.xdelim);
    LireTexteOuDefaut(m, "ignor", p.ignor);
    LireTexteOuDefaut(m, "foname", p.foname);
    LireEntier(m, "fosize", p.fosize);
    p.open = LireTexteOuVide(m, "open");
    if (!p.open.isEmpty())
        LireEntier(m, "openum", p.openum);
    p.recent = LireTexteOuVide(m, "recent");
    if (!p.recent.isEmpty())
        LireEntier(m, "recnum", p.recnum);
    LireBooleen(m, "minsp", p.minsp);
    LireBooleen(m, "fulscr", p.fulscr);
    LireEntier(m, "height", p.height);
    LireEntier(m, "width", p.width);
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
    LireEntier(m, "lstfos", p.lstfos);
    p.xslfil = LireTexteOuVide(m, "xslfil");
    LireBooleen(m, "xmlutf", p.xmlutf);
    LireBooleen(m, "lfonly", p.lfonly);
    LireTexteOuDefaut(m, "mcqor", p.mcqor);
    p.mcqfrm = LireTexteOuVide(m, "mcqfrm");
    LireEntier(m, "mcqnor", p.mcqnor);
    const QString comma = LireTexteOuVide(m, ValeurComma);
    LireTexteOuDefaut(m, "csvtyp", p.csvtyp);
    LireBooleen(m, "csvutf", p.csvutf);
    LireBooleen(m, "ncwnf", p.ncwnf);
    DefinirSeparateurCsv(comma);
}

void EcrireParametres(bool preferences)
{
    auto magasin = OuvrirMagasin();
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
        if (!SeparateurCsvTexte().isEmpty())
            EcrireTexte(m, ValeurComma, SeparateurCsvTexte());
        else
            m.remove(QLatin1String(ValeurComma));
        EcrireBooleen(m, "csvutf", p.csvutf);
    }
    m.sync();
}
