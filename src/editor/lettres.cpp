#include "editor/lettres.h"

#include "model/fichierx.h"
#include "model/outils.h"
#include "settings/init.h"

namespace Lettres {

void MettreEnTete(QChar lettre, QString &liste)
{
    if (!liste.isEmpty() && liste.at(0) == lettre)
        return;
    const qsizetype position = liste.indexOf(lettre);
    if (position >= 0)
        liste.remove(position, 1);
    liste.prepend(lettre);
    if (liste.size() > LongueurMax)
        liste.truncate(LongueurMax);
}

QString TypesOrdonnes(QChar typeCourant)
{
    QString liste = Parametres.types;
    if (typeCourant != u'?')
        MettreEnTete(typeCourant, liste);
    return liste;
}

QChar FormatParDefaut(QChar typeCourant, QChar lettreTypeCsv)
{
    if (typeCourant == u'M')
        return u'm';
    if (typeCourant == lettreTypeCsv)
        return u's';
    return u'x';
}

bool EstTypeCsv(QChar type)
{
    return Parametres.csvtyp.contains(type);
}

QChar TypePourCsv(const QString &nom, QChar typeCourant)
{
    if (typeCourant != u'?')
        return typeCourant;
    if (nom != Parametres.open && !Parametres.csvtyp.isEmpty())
        return Parametres.csvtyp.at(0);
    return PremierCar(Parametres.types);
}

int IndexMemorise(const QString &nom)
{
    if (nom == Parametres.open)
        return Parametres.openum;
    if (nom == Parametres.recent)
        return Parametres.recnum;
    return -1;
}

int ContexteAide(QChar type)
{
    if (type == u'Q')
        return 21;
    if (type == u'M')
        return 31;
    return 1;
}

QString Extension(QChar type, QChar format)
{
    QString modele;
    switch (format.unicode()) {
    case 'x': modele = QStringLiteral("xaq*"); break;
    case 'n': modele = QStringLiteral("aq*"); break;
    case 'm': modele = QStringLiteral("xml"); break;
    case 'c': modele = QStringLiteral("crd"); break;
    case 's': modele = QStringLiteral("csv"); break;
    case 't': modele = QStringLiteral("txt"); break;
    default: break;
    }
    return ExtensionDepuisMotif(modele, type);
}

QString FiltreOuverture(QChar type)
{
    QString motifs = Extension(type, u'x') + QLatin1String(";*.") + Extension(type, u'n');
    if (type == u'M' || type == u'N' || type == u'R')
        motifs += QLatin1String(";*.xml");
    if (type == u'R')
        motifs += QLatin1String(";*.crd");
    if (EstTypeCsv(type))
        motifs += QLatin1String(";*.csv");
    return TFichierX::NomType(type) + QLatin1String("|*.") + motifs;
}

QString FiltreSauvegarde(QChar type, QChar format)
{
    return TFichierX::NomFormat(format) + QLatin1String("|*.") + Extension(type, format);
}

QString FormatsExport(const TFichierX &fichier)
{
    const bool texte = fichier.Fragmenteur.isEmpty()
        || fichier.Fragmenteur == QLatin1String("\r\n");
    QString liste;
    for (QChar f : Parametres.frmats) {
        if ((f == u'm' && fichier.TypeFichier == u'Q') || (f == u't' && texte))
            liste += f;
    }
    return liste;
}

QString FormatsSauvegarde(const TFichierX &fichier)
{
    QString tous = Parametres.frmats;
    MettreEnTete(fichier.FormatFichier, tous);
    QString liste = tous.left(1);
    for (qsizetype i = 1; i < tous.size(); ++i) {
        const QChar f = tous.at(i);
        const bool garde = f == u'n' || f == u'x'
            || (f == u'c' && fichier.TypeAlphabetique())
            || (f == u'm' && fichier.TypeFichier == u'M')
            || (f == u's' && EstTypeCsv(fichier.TypeFichier));
        if (garde)
            liste += f;
    }
    return liste;
}

}
