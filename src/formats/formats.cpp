#include "formats/formats.h"

#include "formats/table.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/outils.h"
#include "model/progression.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
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

std::unique_ptr<TFichierX> Charger(const QString &nom, bool modifiable, bool commeDocument, QChar typeCsv,
                                   const TOptions &options, Rapport *rapport, QChar lettre,
                                   const ChoixType &choisirType)
{
    const TFormat *format = Trouver(lettre.isNull() ? Reconnaitre(nom, options) : lettre);
    if (!commeDocument && !(format && format->A(Modele)))
        throw ErreurIdInvalide(QCoreApplication::translate("Formats", "This file cannot be used as a model!"));
    if (!format || !format->Lisible())
        throw ErreurIdInvalide(QCoreApplication::translate("Formats", "The file was not recognized!"));
    if (EstLectureSeule(nom) || EcritureInterdite(nom) || SystemeLectureSeule(nom))
        modifiable = false;
    // Every reader's cards count against the file's memory budget (those that
    // read the bytes themselves hold a budget of their own, which is the one charged).
    TBudgetMemoire budget(QFileInfo(nom).size());
    std::unique_ptr<TFichierX> fichier = format->Lire(
        nom, {modifiable, commeDocument, typeCsv, rapport, options, choisirType});
    // A reader that took a refused allocation for the end of its input.
    if (TProgression::Annulee())
        throw ErreurAnnulation();
    if (!fichier) // the type was not chosen
        return fichier;
    if (fichier->TypeAlphabetique() && !format->A(OrdreLu) && !fichier->EstTrie())
        fichier->Trier(); // not a change of the user's: Modifie stays as it was
    return fichier;
}

} // namespace

namespace {

// The formats that take a head, in their order; generales: only those the
// general rules (the first 255 bytes) know.
QChar Parcourir(const Tete &tete, bool generales)
{
    std::vector<const TFormat *> ordre;
    for (const TFormat *f : Table()) {
        const int rang = f->RangReconnaissance();
        if (rang >= 0 && (!generales || rang < RangReglesGenerales))
            ordre.push_back(f);
    }
    std::stable_sort(ordre.begin(), ordre.end(), [](const TFormat *a, const TFormat *b) {
        return a->RangReconnaissance() < b->RangReconnaissance();
    });
    // An XML document is one of the XML formats' or no general format's.
    const bool xml = tete.texte.contains("<?xml");
    for (const TFormat *f : ordre) {
        if (xml && f->RangReconnaissance() < RangReglesGenerales && !f->A(DocumentXml))
            continue;
        if (f->Reconnaitre(tete))
            return f->Lettre();
    }
    return u'?';
}

} // namespace

QChar ReconnaitreTete(const QByteArray &tete, const QString &nom, const TOptions &options)
{
    return Parcourir(Tete(tete, nom, options), false);
}

QChar Reconnaitre(const QString &nom, const TOptions &options)
{
    auto flux = TFlux::Ouvrir(nom, false);
    return ReconnaitreTete(flux->Lire(0, TailleTete), nom, options);
}

std::unique_ptr<TFichierX> Ouvrir(const QString &nom, bool modifiable, bool commeDocument, QChar typeCsv,
                                  const TOptions &options, Rapport *rapport, QChar format,
                                  const std::function<QChar(QChar)> &choisirType)
{
    try {
        return Charger(nom, modifiable, commeDocument, typeCsv, options, rapport, format, choisirType);
    } catch (const std::bad_alloc &) {
        PlusDeMemoire(nom);
    }
}

bool EstExport(const TFichierX &fichier, QChar format)
{
    const TFormat *f = Trouver(format);
    return f && f->Exporte(fichier);
}

void Enregistrer(TFichierX &fichier, const QString &nom, QChar format, bool nouveau, const TOptions &options,
                 bool exporter, Rapport *rapport)
{
    const TFormat *f = Trouver(format);
    if (!f || !f->Ecrivable())
        throw ErreurFormatAbsent(QCoreApplication::translate("Formats", "Unknown format \"%1\".").arg(format));
    try {
        f->Ecrire(fichier, nom, {nouveau, exporter, rapport, options});
    } catch (const std::bad_alloc &) {
        PlusDeMemoire(nom);
    }
}

QChar FormatDepuisExtension(const QString &nom)
{
    const QString extension = QFileInfo(nom).suffix().toLower();
    for (const TFormat *f : Table()) {
        // The template's '*' (the type letter) stands for any one character.
        const QString motif = QString::fromLatin1(f->Motif());
        if (motif.size() != extension.size())
            continue;
        bool egal = true;
        for (qsizetype i = 0; i < motif.size() && egal; ++i)
            egal = motif.at(i) == u'*' || motif.at(i) == extension.at(i);
        if (egal)
            return f->Lettre();
    }
    return u'?';
}

}

QChar ReconnaitreFormatTete(const QByteArray &tete, const QString &chemin, const TOptions &options)
{
    return Formats::Parcourir(Formats::Tete(tete, chemin, options), true);
}

QChar ReconnaitreFormat(const QString &chemin, const TOptions &options)
{
    auto flux = TFlux::Ouvrir(chemin, false);
    return ReconnaitreFormatTete(flux->Lire(0, 255), chemin, options);
}
