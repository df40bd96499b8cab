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
    return Formats::ParDefaut(typeCourant, lettreTypeCsv);
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
    const Formats::TFormat *f = Formats::Trouver(format);
    return ExtensionDepuisMotif(f ? QString::fromLatin1(f->Motif()) : QString(), type);
}

QString FiltreOuverture(QChar type)
{
    const TOptions options = OptionsCourantes();
    QString motifs;
    for (const Formats::TFormat *f : Formats::Table()) {
        if (!f->DansOuverture(type, options))
            continue;
        if (!motifs.isEmpty())
            motifs += QLatin1String(";*.");
        motifs += Extension(type, f->Lettre());
    }
    return TFichierX::NomType(type) + QLatin1String("|*.") + motifs;
}

QString EntreesOuverture(QString &types, QChar seulType)
{
    QString entrees;
    for (const Formats::TFormat *f : Formats::Table()) {
        if (!f->EntreeOuverture() || (!seulType.isNull() && seulType != f->TypeEntreeOuverture()))
            continue;
        entrees += u'|' + Formats::NomFormat(f->Lettre()) + u'|' + QString::fromLatin1(f->EntreeOuverture());
        types += f->TypeEntreeOuverture();
    }
    return entrees;
}

QString FiltreSauvegarde(QChar type, QChar format)
{
    return Formats::NomFormat(format) + QLatin1String("|*.") + Extension(type, format);
}

namespace {

// The setting frmats followed by the formats offered before their first use.
QString FormatsProposes()
{
    QString liste = Parametres.frmats;
    for (const Formats::TFormat *f : Formats::Table()) {
        if (f->A(Formats::ToujoursPropose) && !liste.contains(f->Lettre()))
            liste += f->Lettre();
    }
    return liste;
}

} // namespace

QString FormatsExport(const TFichierX &fichier)
{
    QString liste;
    for (QChar lettre : FormatsProposes()) {
        const Formats::TFormat *f = Formats::Trouver(lettre);
        if (f && f->OffertEnExport(fichier))
            liste += lettre;
    }
    return liste;
}

QString FormatsSauvegarde(const TFichierX &fichier)
{
    QString tous = FormatsProposes();
    MettreEnTete(fichier.FormatFichier, tous);
    const TOptions options = OptionsCourantes();
    QString liste = tous.left(1);
    for (qsizetype i = 1; i < tous.size(); ++i) {
        const Formats::TFormat *f = Formats::Trouver(tous.at(i));
        if (f && f->OffertEnSauvegarde(fichier, options))
            liste += tous.at(i);
    }
    return liste;
}

}
