#include "formats/formats.h"

#include "formats/table.h"
#include "model/budget.h"
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

std::unique_ptr<TFichierX> Charger(const QString &nom, bool modifiable, bool commeDocument, QChar typeCsv)
{
    const Format *format = Trouver(Reconnaitre(nom));
    if (!commeDocument && !(format && format->modele))
        throw ErreurIdInvalide(QCoreApplication::translate("Formats", "This file cannot be used as a model!"));
    if (!format || !format->lire)
        throw ErreurIdInvalide(QCoreApplication::translate("Formats", "The file was not recognized!"));
    if (EstLectureSeule(nom) || EcritureInterdite(nom) || SystemeLectureSeule(nom))
        modifiable = false;
    // Every reader's cards count against the file's memory budget (those that
    // read the bytes themselves hold a budget of their own, which is the one charged).
    TBudgetMemoire budget(QFileInfo(nom).size());
    std::unique_ptr<TFichierX> fichier = format->lire(nom, {modifiable, commeDocument, typeCsv});
    if (fichier->TypeAlphabetique() && fichier->FormatFichier != u'c' && !fichier->EstTrie())
        fichier->Trier(); // not a change of the user's: Modifie stays as it was
    return fichier;
}

} // namespace

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

std::unique_ptr<TFichierX> Ouvrir(const QString &nom, bool modifiable, bool commeDocument, QChar typeCsv)
{
    try {
        return Charger(nom, modifiable, commeDocument, typeCsv);
    } catch (const std::bad_alloc &) {
        PlusDeMemoire(nom);
    }
}

bool EstExport(const TFichierX &fichier, QChar format)
{
    const Format *f = Trouver(format);
    return f && f->exporte(fichier);
}

void Enregistrer(TFichierX &fichier, const QString &nom, QChar format, bool nouveau, bool exporter)
{
    const Format *f = Trouver(format);
    if (!f || !f->ecrire)
        throw ErreurFormatAbsent(QCoreApplication::translate("Formats", "Unknown format \"%1\".").arg(format));
    try {
        f->ecrire(fichier, nom, format, {nouveau, exporter});
    } catch (const std::bad_alloc &) {
        PlusDeMemoire(nom);
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
