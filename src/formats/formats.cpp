#include "formats/formats.h"

#include "formats/table.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/outils.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace Formats {

QChar ReconnaitreTete(const QByteArray &tete, const QString &nom)
{
    const QChar lettre = ReconnaitreFormatTete(tete, nom);
    if (lettre != u'?')
        return lettre;
    for (const Format &f : Table()) {
        if (f.reconnaitre && f.reconnaitre(tete, nom))
            return QLatin1Char(f.lettre);
    }
    return u'?';
}

QChar Reconnaitre(const QString &nom)
{
    auto flux = TFlux::Ouvrir(nom, false);
    return ReconnaitreTete(flux->Lire(0, TailleTete), nom);
}

std::unique_ptr<TFichierX> Ouvrir(const QString &nom, bool modifiable, bool commeDocument,
                                  QChar typeCsv)
{
    const Format *format = Trouver(Reconnaitre(nom));
    if (!commeDocument && !(format && format->modele))
        throw ErreurIdInvalide(
            QCoreApplication::translate("Formats", "This file cannot be used as a model!"));
    if (!format || !format->lire)
        throw ErreurIdInvalide(
            QCoreApplication::translate("Formats", "The file was not recognized!"));
    if (EstLectureSeule(nom))
        modifiable = false;
    std::unique_ptr<TFichierX> fichier = format->lire(nom, {modifiable, commeDocument, typeCsv});
    if (fichier->TypeAlphabetique() && fichier->FormatFichier != u'c' && !fichier->EstTrie())
        fichier->Trier(); // not a change of the user's: Modifie stays as it was
    return fichier;
}

bool EstExport(const TFichierX &fichier, QChar format)
{
    const Format *f = Trouver(format);
    return f && f->exporte(fichier);
}

void Enregistrer(TFichierX &fichier, const QString &nom, QChar format, bool nouveau,
                 bool exporter)
{
    const Format *f = Trouver(format);
    if (!f || !f->ecrire)
        throw ErreurFormatAbsent(
            QCoreApplication::translate("Formats", "Unknown format \"%1\".").arg(format));
    f->ecrire(fichier, nom, format, {nouveau, exporter});
}

QChar FormatDepuisExtension(const QString &nom)
{
    const QString extension = QFileInfo(nom).suffix().toLower();
    for (const Format &f : Table()) {
        // The template's '*' (the type letter) stands for any one character.
        const QString motif = QString::fromLatin1(f.motif);
        if (motif.size() != extension.size())
            continue;
        bool egal = true;
        for (qsizetype i = 0; i < motif.size() && egal; ++i)
            egal = motif.at(i) == u'*' || motif.at(i) == extension.at(i);
        if (egal)
            return QLatin1Char(f.lettre);
    }
    return u'?';
}

}
