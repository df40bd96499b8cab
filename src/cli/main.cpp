// amblopad-cli: card files without the editor window.
#include "formats/formats.h"
#include "formats/pertes.h"
#include "formats/table.h"
#include "model/dump.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/outils.h"
#include "orthographe/orthographe.h"
#include "resources/chaines.h"
#include "settings/init.h"

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>

#include <cstdio>
#include <new>

namespace {

// The messages' translation context.
struct Cli
{
    Q_DECLARE_TR_FUNCTIONS(Cli)
};

void Ecrire(FILE *sortie, const QByteArray &octets)
{
    std::fwrite(octets.constData(), 1, size_t(octets.size()), sortie);
}

// The formats convert can write, as "x XML, n Native, ...".
QString LettresEcrites()
{
    QStringList liste;
    for (const Formats::TFormat *f : Formats::Table()) {
        if (f->Ecrivable())
            liste << QString(f->Lettre()) + u' ' + f->NomAffiche();
    }
    return liste.join(QLatin1String(", "));
}

bool EstLettreEcrite(const QString &texte)
{
    const Formats::TFormat *f = texte.size() == 1 ? Formats::Trouver(texte.at(0)) : nullptr;
    return f && f->Ecrivable();
}

int Usage(const QString &erreur = QString())
{
    if (!erreur.isEmpty())
        Ecrire(stderr, (erreur + u'\n').toUtf8());
    Ecrire(stderr,
           Cli::tr("Usage:\n"
                   "  amblopad-cli info FILE [--type T]\n"
                   "  amblopad-cli dump FILE [--type T]\n"
                   "  amblopad-cli convert IN OUT [--to F] [--type T] [--lossy] [--anki-text]\n"
                   "  amblopad-cli spell FILE [--lang D] [--type T]\n"
                   "\n"
                   "T is a file type letter (A..Z), given to a CSV input,\n"
                   "and to an Anki deck (default: the type it was written from\n"
                   "by this program, else D).\n"
                   "F is a format letter: %1;\n"
                   "without --to it comes from OUT's extension.\n"
                   "--anki-text with --to k writes Anki text instead of a package.\n"
                   "--lossy converts instead of refusing when characters do not fit the\n"
                   "output's code page (written as '?') or multiple-choice cards have no\n"
                   "right answer marked.\n"
                   "spell prints one line per unknown word: card number, field, word and\n"
                   "suggestions, separated by tabs; D is a dictionary name (fr_FR, en_US).\n"
                   "It exits with 1 when a word is unknown, 2 when the dictionary is missing.\n")
               .arg(LettresEcrites())
               .toUtf8());
    return 2;
}

int Echec(const QString &message)
{
    Ecrire(stderr, (message + u'\n').toUtf8());
    return 1;
}

struct Arguments
{
    QString commande;
    QStringList fichiers;
    QChar type;
    QChar format;
    QString langue;
    bool avecPertes = false;
    // A format asked for by its own switch (--anki-text), and the switch.
    const Formats::TFormat *variante = nullptr;
};

// The format whose own switch is a ("--anki-text"), else nullptr.
const Formats::TFormat *FormatDeLOption(const QString &a)
{
    for (const Formats::TFormat *f : Formats::Table()) {
        if (f->OptionCli() && a == QLatin1String("--") + QLatin1String(f->OptionCli()))
            return f;
    }
    return nullptr;
}

bool EstLettreType(const QString &texte)
{
    return texte.size() == 1 && texte.at(0) >= u'A' && texte.at(0) <= u'Z';
}

// Fills args; returns an error text for a usage error, else empty.
QString Analyser(const QStringList &liste, Arguments &args)
{
    if (liste.isEmpty())
        return Cli::tr("No command given.");
    args.commande = liste.first();
    for (int i = 1; i < liste.size(); ++i) {
        const QString &a = liste.at(i);
        if (a == QLatin1String("--type") || a == QLatin1String("--to") || a == QLatin1String("--lang")) {
            if (i + 1 >= liste.size())
                return Cli::tr("Option %1 needs a value.").arg(a);
            const QString valeur = liste.at(++i);
            if (a == QLatin1String("--lang")) {
                args.langue = valeur;
            } else if (a == QLatin1String("--type")) {
                if (!EstLettreType(valeur))
                    return Cli::tr("A type is one letter from A to Z: \"%1\".").arg(valeur);
                args.type = valeur.at(0);
            } else {
                if (!EstLettreEcrite(valeur))
                    return Cli::tr("Unknown format \"%1\".").arg(valeur);
                args.format = valeur.at(0);
            }
        } else if (a == QLatin1String("--lossy")) {
            args.avecPertes = true;
        } else if (const Formats::TFormat *f = FormatDeLOption(a)) {
            args.variante = f;
        } else if (a.startsWith(QLatin1String("--"))) {
            return Cli::tr("Unknown option \"%1\".").arg(a);
        } else {
            args.fichiers << a;
        }
    }
    const int attendus = args.commande == QLatin1String("convert") ? 2 : 1;
    if (args.commande != QLatin1String("info") && args.commande != QLatin1String("dump")
        && args.commande != QLatin1String("convert") && args.commande != QLatin1String("spell"))
        return Cli::tr("Unknown command \"%1\".").arg(args.commande);
    if (args.fichiers.size() != attendus)
        return Cli::tr("Wrong number of files for \"%1\".").arg(args.commande);
    if (!args.format.isNull() && args.commande != QLatin1String("convert"))
        return Cli::tr("--to is for convert only.");
    if (!args.langue.isNull() && args.commande != QLatin1String("spell"))
        return Cli::tr("--lang is for spell only.");
    if (args.avecPertes && args.commande != QLatin1String("convert"))
        return Cli::tr("--lossy is for convert only.");
    if (args.variante
        && (args.commande != QLatin1String("convert")
            || (!args.format.isNull() && args.format != args.variante->VarianteDe())))
        return Cli::tr("--%1 goes with convert --to %2.")
            .arg(QLatin1String(args.variante->OptionCli()), args.variante->VarianteDe());
    return QString();
}

QChar TypeCsv(const Arguments &args)
{
    if (!args.type.isNull())
        return args.type;
    if (!Parametres.csvtyp.isEmpty())
        return Parametres.csvtyp.at(0);
    return Parametres.types.at(0);
}

// What the reading and the writing left out, said once the command is done.
Formats::Rapport &Omissions()
{
    static Formats::Rapport rapport;
    return rapport;
}

// format: the letter recognised already, if any.
std::unique_ptr<TFichierX> Lire(const Arguments &args, const QString &nom, QChar format = QChar())
{
    const QChar type = TypeCsv(args);
    if (format.isNull()) {
        try {
            format = Formats::Reconnaitre(nom, OptionsCourantes());
        } catch (const Erreur &) {
            // Ouvrir reports it
        }
    }
    // An Anki deck is read as the type it was written from, when this
    // program wrote it, else as a Dictionnaire, unless --type says.
    Formats::ChoixType choisir;
    if (args.type.isNull())
        choisir = [](QChar ecrit) { return ecrit.isNull() ? QChar(u'D') : ecrit; };
    return Formats::Ouvrir(nom, false, true, type, OptionsCourantes(), &Omissions(), format, choisir);
}

int Info(const Arguments &args)
{
    const QString &nom = args.fichiers.at(0);
    const QChar format = Formats::Reconnaitre(nom, OptionsCourantes());
    Ecrire(stdout, QStringLiteral("format: %1\n").arg(format).toUtf8());
    if (format == u'?')
        return 0;
    std::unique_ptr<TFichierX> fichier;
    try {
        fichier = Lire(args, nom, format);
    } catch (const ErreurFormatAbsent &) {
        return 0; // no reader for it yet: the format line is all there is
    }
    Ecrire(stdout,
           QStringLiteral("type: %1\ncards: %2\ntitle: %3\n")
               .arg(fichier->TypeFichier)
               .arg(fichier->NombreFiches())
               .arg(fichier->Titre)
               .toUtf8());
    return 0;
}

int Dump(const Arguments &args)
{
    auto fichier = Lire(args, args.fichiers.at(0));
    Ecrire(stdout, DumpJson(*fichier));
    return 0;
}

int Convertir(const Arguments &args)
{
    const QString &sortie = args.fichiers.at(1);
    QChar format = args.variante ? args.variante->Lettre() : args.format;
    if (format.isNull()) {
        format = Formats::FormatDepuisExtension(sortie);
        if (format == u'?')
            return Usage(Cli::tr("Cannot tell the format from \"%1\": use --to.").arg(sortie));
    }
    auto fichier = Lire(args, args.fichiers.at(0));
    const Formats::TFormat *f = Formats::Trouver(format);
    if (f && !f->Accepte(*fichier))
        return Echec(
            Cli::tr("The %1 format cannot hold a %2 card file.").arg(Formats::Nom(format), fichier->NomTypeFichier()));
    const TOptions options = OptionsCourantes();
    const Formats::Rapport rapport = Formats::PertesEnregistrement(*fichier, format, options);
    if (!args.avecPertes) {
        if (const Formats::Perte *p = rapport.De(Formats::Perte::SansBonneReponse))
            return Echec(Cli::tr("%1 multiple-choice card(s) have no right answer marked and would become questions "
                                 "that accept every answer, or none; the first one is card %2 (\"%3\"). Nothing "
                                 "was written; --lossy converts anyway.")
                             .arg(p->nombre)
                             .arg(p->fiche + 1)
                             .arg(fichier->LibelleFiche(p->fiche)));
        if (const Formats::Perte *p = rapport.De(Formats::Perte::Caracteres)) {
            const QString caractere
                = QStringLiteral("\"%1\" (U+%2)")
                      .arg(QString::fromUcs4(&p->caractere, 1))
                      .arg(QString::number(uint(p->caractere), 16).toUpper().rightJustified(4, u'0'));
            const QString ou = p->fiche >= 0
                ? Cli::tr("card %1 (\"%2\")").arg(p->fiche + 1).arg(fichier->LibelleFiche(p->fiche))
                : Cli::tr("the file's header");
            return Echec(Cli::tr("%1 character(s) cannot be written in this format and would become "
                                 "\"?\"; the first one, %2, is in %3. Nothing was written; "
                                 "--lossy converts anyway.")
                             .arg(p->nombre)
                             .arg(caractere, ou));
        }
    }
    Formats::Enregistrer(*fichier, sortie, format, true, options, false, &Omissions());
    return 0;
}

// One line per unknown word: card number, field, word, suggestions (tabs
// between them), for programs to read as well as people.
int Verifier(const Arguments &args)
{
    QString langue = args.langue;
    if (langue.isEmpty())
        langue = Parametres.spldic;
    QStringList noms;
    for (const TOrthographe::Dictionnaire &d : TOrthographe::Installes())
        noms << d.nom;
    if (langue.isEmpty())
        langue = TOrthographe::ParDefaut(noms, QLocale());
    QString erreur;
    const auto orthographe = TOrthographe::Ouvrir(langue, &erreur);
    if (!orthographe) {
        Ecrire(stderr, (erreur + u'\n').toUtf8());
        return 2;
    }
    const auto fichier = Lire(args, args.fichiers.at(0));
    static const char *const champs[] = {"title", "question", "answer"};
    bool fautes = false;
    for (int i = 0; i < fichier->NombreFiches(); ++i) {
        const TFicheX &fiche = fichier->Fiche(i);
        for (int c = 0; c < 3; ++c) {
            // The title of cards without one is not shown, a numbered question is its number.
            if ((c == 0 && !fichier->AvecTitre) || (c == 1 && fichier->Numerote))
                continue;
            const QString texte = fiche.Champ(c);
            for (const TOrthographe::Mot &m : orthographe->Fautes(texte)) {
                const QString mot = texte.mid(m.debut, m.longueur);
                QStringList ligne{QString::number(i + 1), QLatin1String(champs[c]), mot};
                ligne << orthographe->Suggestions(mot);
                Ecrire(stdout, (ligne.join(u'\t') + u'\n').toUtf8());
                fautes = true;
            }
        }
    }
    return fautes ? 1 : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("amblopad-cli"));
    // Messages follow the user's language; the machine-read output (info keys,
    // the JSON dump) does not.
    Chaines::InstallerTraductions(application);
    Arguments args;
    const QString erreur = Analyser(application.arguments().mid(1), args);
    if (!erreur.isEmpty())
        return Usage(erreur);
    LireParametres();
    try {
        int code = 0;
        if (args.commande == QLatin1String("info"))
            code = Info(args);
        else if (args.commande == QLatin1String("dump"))
            code = Dump(args);
        else if (args.commande == QLatin1String("spell"))
            code = Verifier(args);
        else
            code = Convertir(args);
        // What a format could not carry over is said, the result stands.
        for (const QString &message : Omissions().Messages())
            Ecrire(stderr, (message + u'\n').toUtf8());
        return code;
    } catch (const Erreur &e) {
        return Echec(e.message());
    } catch (const std::bad_alloc &) {
        return Echec(Cli::tr("Not enough memory."));
    } catch (const std::exception &e) {
        return Echec(QString::fromLocal8Bit(e.what()));
    }
}
