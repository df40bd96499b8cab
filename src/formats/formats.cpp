#include "formats/formats.h"

#include "formats/crd.h"
#include "formats/csv.h"
#include "formats/moodle.h"
#include "formats/natif.h"
#include "formats/xml.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/outils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <new>

namespace Formats {

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

}

std::unique_ptr<TFichierX> Ouvrir(const QString &nom, bool modifiable, bool commeDocument,
                                  QChar typeCsv)
{
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
        throw ErreurIdInvalide(
            QCoreApplication::translate("Formats", "This file cannot be used as a model!"));
    if (EstLectureSeule(nom))
        modifiable = false;
    std::unique_ptr<TFichierX> fichier;
    switch (format.unicode()) {
    case 'c':
        fichier = TFichierCrd::ChargerCardfile(nom, modifiable);
        break;
    case 'm':
        fichier = TFichierMoodle::ChargerMoodle(nom, modifiable);
        break;
    case 'n':
        fichier = TFichierNatif::ChargerNatif(nom, modifiable, commeDocument);
        break;
    case 's':
        fichier = TFichierCSV::ChargerCSV(nom, typeCsv, modifiable);
        break;
    case 'x':
        fichier = TFichierXML::ChargerXml(nom, modifiable, commeDocument);
        break;
    default:
        throw ErreurIdInvalide(
            QCoreApplication::translate("Formats", "The file was not recognized!"));
    }
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
    return format == u't' || (format == u'm' && fichier.TypeFichier == u'Q');
}

void Enregistrer(TFichierX &fichier, const QString &nom, QChar format, bool nouveau)
{
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
        throw ErreurFormatAbsent(
            QCoreApplication::translate("Formats", "Unknown format \"%1\".").arg(format));
    }
}

}

QChar FormatDepuisExtension(const QString &nom)
{
    const QString extension = QFileInfo(nom).suffix().toLower();
    if (extension.size() == 4 && extension.startsWith(QLatin1String("xaq")))
        return u'x';
    if (extension.size() == 3 && extension.startsWith(QLatin1String("aq")))
        return u'n';
    if (extension == QLatin1String("crd"))
        return u'c';
    if (extension == QLatin1String("csv"))
        return u's';
    if (extension == QLatin1String("txt"))
        return u't';
    if (extension == QLatin1String("xml"))
        return u'm';
    return u'?';
}

}
