#include "editor/lettres.h"

#include "formats/table.h"
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
    const Formats::Format *f = Formats::Trouver(format);
    return ExtensionDepuisMotif(f ? QString::fromLatin1(f->motif) : QString(), type);
}

QString FiltreOuverture(QChar type)
{
    QString motifs;
    for (const Formats::Format &f : Formats::Table()) {
        if (!f.dansOuverture(type))
            continue;
        if (!motifs.isEmpty())
            motifs += QLatin1String(";*.");
        motifs += Extension(type, QLatin1Char(f.lettre));
    }
    return TFichierX::NomType(type) + QLatin1String("|*.") + motifs;
}

QString EntreesOuverture(QString &types, QChar seulType)
{
    QString entrees;
    for (const Formats::Format &f : Formats::Table()) {
        if (!f.entreeOuverture || (!seulType.isNull() && seulType != QLatin1Char(f.typeEntreeOuverture)))
            continue;
        entrees += u'|' + TFichierX::NomFormat(QLatin1Char(f.lettre)) + u'|' + QString::fromLatin1(f.entreeOuverture);
        types += QLatin1Char(f.typeEntreeOuverture);
    }
    return entrees;
}

QString FiltreSauvegarde(QChar type, QChar format)
{
    return TFichierX::NomFormat(format) + QLatin1String("|*.") + Extension(type, format);
}

namespace {

// The setting frmats followed by the formats offered before their first use.
QString FormatsProposes()
{
    QString liste = Parametres.frmats;
    for (const Formats::Format &f : Formats::Table()) {
        if (f.toujoursPropose && !liste.contains(QLatin1Char(f.lettre)))
            liste += QLatin1Char(f.lettre);
    }
    return liste;
}

} // namespace

QString FormatsExport(const TFichierX &fichier)
{
    QString liste;
    for (QChar lettre : FormatsProposes()) {
        const Formats::Format *f = Formats::Trouver(lettre);
        if (f && f->exportation(fichier))
            liste += lettre;
    }
    return liste;
}

QString FormatsSauvegarde(const TFichierX &fichier)
{
    QString tous = FormatsProposes();
    MettreEnTete(fichier.FormatFichier, tous);
    QString liste = tous.left(1);
    for (qsizetype i = 1; i < tous.size(); ++i) {
        const Formats::Format *f = Formats::Trouver(tous.at(i));
        if (f && f->sauvegarde(fichier))
            liste += tous.at(i);
    }
    return liste;
}

}
