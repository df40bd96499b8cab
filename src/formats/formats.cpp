#include "formats/formats.h"

#include "formats/table.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/outils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <new>

namespace Formats {

<<<<<<< HEAD
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
=======
namespace {

// Memory that ran out anyway (the budgets count the content, not every
// temporary): a refusal like any other, never the bare exception.
[[noreturn]] void PlusDeMemoire(const QString &nom)
{
    throw ErreurFichier(QCoreApplication::translate("Formats", "Not enough memory for the file \"%1\".")
                            .arg(QDir::toNativeSeparators(nom)));
}

std::unique_ptr<TFichierX> Charger(const QString &nom, bool modifiable, bool commeDocument,
                                   QChar typeCsv);

>>>>>>> main
}

std::unique_ptr<TFichierX> Ouvrir(const QString &nom, bool modifiable, bool commeDocument,
                                  QChar typeCsv)
{
<<<<<<< HEAD
    const Format *format = Trouver(Reconnaitre(nom));
    if (!commeDocument && !(format && format->modele))
=======
    try {
        return Charger(nom, modifiable, commeDocument, typeCsv);
    } catch (const std::bad_alloc &) {
        PlusDeMemoire(nom);
    }
}

namespace {

std::unique_ptr<TFichierX> Charger(const QString &nom, bool modifiable, bool commeDocument,
                                   QChar typeCsv)
{
    const QChar format = ReconnaitreFormat(nom);
    if (!commeDocument && format != u'x' && format != u'n')
>>>>>>> main
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

}

namespace {
void EnregistrerFormat(TFichierX &fichier, const QString &nom, QChar format, bool nouveau);
}

bool EstExport(const TFichierX &fichier, QChar format)
{
    const Format *f = Trouver(format);
    return f && f->exporte(fichier);
}

void Enregistrer(TFichierX &fichier, const QString &nom, QChar format, bool nouveau,
                 bool exporter)
{
<<<<<<< HEAD
    const Format *f = Trouver(format);
    if (!f || !f->ecrire)
=======
    try {
        EnregistrerFormat(fichier, nom, format, nouveau);
    } catch (const std::bad_alloc &) {
        PlusDeMemoire(nom);
    }
}

namespace {

void EnregistrerFormat(TFichierX &fichier, const QString &nom, QChar format, bool nouveau)
{
    switch (format.unicode()) {
    case 'n':
        TFichierNatif::EnregistrerNatif(fichier, nom, nouveau);
        break;
    case 'x':
        TFichierXML::EnregistrerXml(fichier, nom, nouveau);
        break;
    case 'c':
        TFichierCrd::EnregistrerCardfile(fichier, nom, nouveau);
        break;
    case 's':
    case 't':
        TFichierCSV::EnregistrerCSV(fichier, nom, format, nouveau);
        break;
    case 'm':
        TFichierMoodle::EnregistrerMoodle(fichier, nom, nouveau);
        break;
    default:
>>>>>>> main
        throw ErreurFormatAbsent(
            QCoreApplication::translate("Formats", "Unknown format \"%1\".").arg(format));
    f->ecrire(fichier, nom, format, {nouveau, exporter});
}

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
