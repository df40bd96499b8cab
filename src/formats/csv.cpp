#include "formats/csv.h"

#include "formats/contrat.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/outils.h"
#include "model/pagecode.h"
#include "settings/init.h"

#include <QCoreApplication>
#include <QStringList>
#include <QStringView>

#include <cstring>

namespace {

const QChar Guillemet = u'"';
// Stands for a space while fields are split and joined, so that a space never
// ends a field; it is turned back into a space afterwards.
const QChar Substitut = QChar(0x00AF);

// The messages' translation context.
struct Csv
{
    Q_DECLARE_TR_FUNCTIONS(Csv)
};

// The character that splits and joins fields: a space separator works through
// the placeholder, since spaces inside fields are placeholders by then.
struct Dialecte
{
    QChar delimiteur;
    bool espace;
};

Dialecte DialecteCourant()
{
    const QChar separateur = SeparateurCsv();
    const bool espace = separateur == u' ';
    return {espace ? Substitut : separateur, espace};
}

// ---------------------------------------------------------------- reading

// Position of the first malformed UTF-8 sequence, or -1 when there is none.
qsizetype DebutUtf8Invalide(const char *donnees, qsizetype taille)
{
    const auto *u = reinterpret_cast<const unsigned char *>(donnees);
    qsizetype i = 0;
    while (i < taille) {
        const unsigned char b = u[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        int longueur;
        char32_t point;
        char32_t minimum;
        if ((b & 0xE0) == 0xC0) {
            longueur = 2;
            point = b & 0x1F;
            minimum = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            longueur = 3;
            point = b & 0x0F;
            minimum = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            longueur = 4;
            point = b & 0x07;
            minimum = 0x10000;
        } else {
            return i;
        }
        if (taille - i < longueur)
            return i;
        for (int k = 1; k < longueur; ++k) {
            const unsigned char suite = u[i + k];
            if ((suite & 0xC0) != 0x80)
                return i;
            point = (point << 6) | (suite & 0x3F);
        }
        if (point < minimum || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return i;
        i += longueur;
    }
    return -1;
}

// Line number (from 1) of a byte position, counting breaks as the reader does.
int NumeroLigne(const char *donnees, qsizetype position)
{
    int ligne = 1;
    for (qsizetype i = 0; i < position; ++i) {
        if (donnees[i] == '\n' || (donnees[i] == '\r' && (i + 1 >= position || donnees[i + 1] != '\n')))
            ++ligne;
    }
    return ligne;
}

// The file's bytes, decoded one line at a time: CR and LF bytes are line
// breaks in UTF-8 and in the code page alike, and the file is never held
// twice, as bytes and as text.
struct Source
{
    const char *debut;
    qsizetype taille;
    bool utf8;

    QString Texte(qsizetype position, qsizetype longueur) const
    {
        const char *octets = debut + position;
        if (!utf8)
            return PageCode::Decoder(octets, longueur, PageCode::AnsiSysteme());
        // fromUtf8 drops a byte-order mark that starts its text: as with the
        // whole text at once, only the one starting the text goes, those
        // starting a later line are characters.
        auto marque = [&](qsizetype i) { return longueur - i >= 3 && memcmp(octets + i, "\xEF\xBB\xBF", 3) == 0; };
        const qsizetype premiere = position == 0 && marque(0) ? 3 : 0;
        qsizetype i = premiere;
        while (marque(i))
            i += 3;
        if (i == 0)
            return QString::fromUtf8(octets, longueur);
        return QString((i - premiere) / 3, QChar(0xFEFF)) + QString::fromUtf8(octets + i, longueur - i);
    }
};

Source SourceTexte(const QByteArray &octets)
{
    // Spreadsheets start their UTF-8 files with a byte-order mark: it says
    // UTF-8 whatever the setting, and is no part of the first field.
    const bool marque = octets.startsWith("\xEF\xBB\xBF");
    const Source source{octets.constData() + (marque ? 3 : 0), octets.size() - (marque ? 3 : 0),
                        marque || Parametres.csvutf};
    if (source.utf8) {
        const qsizetype erreur = DebutUtf8Invalide(source.debut, source.taille);
        if (erreur >= 0)
            throw ErreurIdInvalide(
                Csv::tr("The CSV file is not valid UTF-8 text (line %1).").arg(NumeroLigne(source.debut, erreur)));
    }
    return source;
}

// Cuts one line into its fields (placeholders already back to spaces).
QStringList LireEnregistrement(QStringView source, const Dialecte &dialecte)
{
    QStringView ligne = source;
    if (dialecte.espace)
        ligne = Rogner(source);
    // Every space reads as the placeholder; the line is read in place rather
    // than copied with its spaces replaced, and so are the fields.
    const auto lu = [](QChar c) { return c == u' ' ? Substitut : c; };
    const auto blanc = [](QChar c) { return c.unicode() < 0x20; };

    const QChar delimiteur = dialecte.delimiteur;
    const qsizetype n = ligne.size();
    const QChar *c = ligne.data();
    QStringList champs;
    // A NUL counts as a blank: it ends a field and is stepped over.
    auto sauterBlancs = [&](qsizetype &i) {
        while (i < n && blanc(c[i]))
            ++i;
    };
    qsizetype i = 0;
    sauterBlancs(i);
    while (i < n) {
        QString champ;
        if (c[i] == Guillemet) {
            // Up to the next quote that is not doubled; an unclosed quote
            // runs to the end of the line, its last character included.
            ++i;
            while (i < n) {
                if (c[i] == Guillemet) {
                    if (i + 1 < n && c[i + 1] == Guillemet) {
                        champ += Guillemet;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                const qsizetype debut = i;
                while (i < n && c[i] != Guillemet)
                    ++i;
                champ += ligne.mid(debut, i - debut);
            }
        } else {
            const qsizetype debut = i;
            while (i < n && !blanc(c[i]) && lu(c[i]) != delimiteur)
                ++i;
            champ = ligne.mid(debut, i - debut).toString();
        }
        champs << champ;
        sauterBlancs(i);
        if (i < n && lu(c[i]) == delimiteur) {
            if (i == n - 1)
                champs << QString();
            ++i;
            // With a space separator a run of spaces is one separator; done
            // here rather than on the whole line so that quoted runs stay.
            while (dialecte.espace && i < n && lu(c[i]) == delimiteur)
                ++i;
            sauterBlancs(i);
        }
    }
    // A placeholder character read from the file is a space too; a line
    // without one needs no look at each field.
    if (ligne.contains(Substitut)) {
        for (QString &champ : champs)
            champ.replace(Substitut, u' ');
    }
    return champs;
}

// ---------------------------------------------------------------- writing

// The text of a card in line mode, also the text of the plain-text export.
QString TexteEnLignes(const TFichierX &fichier, const TFicheX &fiche)
{
    if (fichier.Numerote)
        return fiche.Champ2();
    if (fichier.AvecTitre)
        return fiche.Champ0() + CRLF + fiche.Champ1() + CRLF + fiche.Champ2();
    return fiche.Champ1() + CRLF + fiche.Champ2();
}

// Lines at CR LF, CR or LF; a break at the very end opens no further line.
QStringList CouperEnLignes(const QString &texte)
{
    QStringList lignes;
    const qsizetype n = texte.size();
    qsizetype debut = 0;
    while (debut < n) {
        qsizetype i = debut;
        while (i < n && texte.at(i) != u'\r' && texte.at(i) != u'\n')
            ++i;
        lignes << texte.mid(debut, i - debut);
        if (i < n)
            i += (texte.at(i) == u'\r' && i + 1 < n && texte.at(i + 1) == u'\n') ? 2 : 1;
        debut = i;
    }
    return lignes;
}

// A title, question or answer piece on one line: every blank and line break
// becomes a placeholder (a lone CR or LF too, or the record would break in two).
QString MasquerChamp(QString texte)
{
    if (texte.contains(u'\r'))
        texte.replace(CRLF, QString(Substitut));
    for (QChar &c : texte) {
        if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n')
            c = Substitut;
    }
    return texte;
}

QStringList ChampsEnregistrement(const TFichierX &fichier, const TFicheX &fiche, const QString &joint, bool modeLignes)
{
    if (modeLignes) {
        QString texte = TexteEnLignes(fichier, fiche);
        for (QChar &c : texte) {
            if (c == u' ' || c == u'\t')
                c = Substitut;
        }
        return CouperEnLignes(texte);
    }
    QStringList champs;
    if (fichier.AvecTitre)
        champs << MasquerChamp(fiche.Champ0());
    if (!fichier.Numerote)
        champs << MasquerChamp(fiche.Champ1());
    const QString &reponse = fiche.Champ2();
    qsizetype debut = 0;
    for (;;) {
        const qsizetype trouve = reponse.indexOf(joint, debut);
        const qsizetype fin = trouve < 0 ? reponse.size() : trouve;
        champs << MasquerChamp(Rogner(reponse.mid(debut, fin - debut)));
        if (trouve < 0)
            break;
        debut = trouve + joint.size();
    }
    return champs;
}

bool DemandeGuillemets(const QString &champ, QChar delimiteur)
{
    for (const QChar c : champ) {
        if (EstBlanc(c) || c == Guillemet || c == delimiteur)
            return true;
    }
    return false;
}

QString Enregistrement(const QStringList &champs, const Dialecte &dialecte)
{
    if (champs.size() == 1 && champs.first().isEmpty())
        return QStringLiteral("\"\"");
    // With a blank separator (space or tab) runs of separators read as one,
    // so an empty field is written as "" to keep its place.
    const bool delimiteurBlanc = dialecte.espace || EstBlanc(dialecte.delimiteur);
    qsizetype taille = champs.size();
    for (const QString &champ : champs)
        taille += champ.size() + 2;
    QString enregistrement;
    enregistrement.reserve(taille);
    for (qsizetype i = 0; i < champs.size(); ++i) {
        if (i > 0)
            enregistrement += dialecte.delimiteur;
        const QString &champ = champs.at(i);
        if (DemandeGuillemets(champ, dialecte.delimiteur) || (champ.isEmpty() && delimiteurBlanc)) {
            enregistrement += Guillemet;
            enregistrement += QString(champ).replace(Guillemet, QStringLiteral("\"\""));
            enregistrement += Guillemet;
        } else {
            enregistrement += champ;
        }
    }
    enregistrement.replace(Substitut, u' ');
    return enregistrement;
}

QByteArray Encoder(const QString &texte)
{
    return Parametres.csvutf ? texte.toUtf8() : PageCode::Encoder(texte, PageCode::AnsiSysteme());
}

} // namespace

std::unique_ptr<TFichierX> TFichierCSV::ChargerCSV(const QString &nom, QChar type, bool modifiable)
{
    auto flux = TFlux::Ouvrir(nom, modifiable);
    auto fichier = LireCSV(flux->LireTout(), type);
    Contrat::TerminerChargement(*fichier, nom, std::move(flux), modifiable);
    return fichier;
}

std::unique_ptr<TFichierX> TFichierCSV::LireCSV(const QByteArray &octets, QChar type)
{
    TBudgetMemoire budget(octets.size());
    const Source source = SourceTexte(octets);
    auto fichier = std::make_unique<TFichierX>(type, u's');
    const Dialecte dialecte = DialecteCourant();
    const QString joint = fichier->Fragmenteur.isEmpty()
        ? CRLF
        : fichier->Espacement + fichier->Fragmenteur + fichier->Espacement;
    const bool modeLignes = joint == CRLF;
    const bool colonneUnique = fichier->Numerote || type == u'F';
    const int minimum = colonneUnique ? 1 : (fichier->AvecTitre ? 3 : 2);

    const char *const texte = source.debut;
    const qsizetype n = source.taille;
    qsizetype debut = 0;
    while (debut < n) {
        qsizetype fin = debut;
        while (fin < n && texte[fin] != '\r' && texte[fin] != '\n')
            ++fin;
        const QStringList champs = LireEnregistrement(source.Texte(debut, fin - debut), dialecte);
        debut = fin;
        if (debut < n)
            debut += (texte[debut] == '\r' && debut + 1 < n && texte[debut + 1] == '\n') ? 2 : 1;
        if (champs.isEmpty())
            continue;
        if (champs.size() < minimum)
            throw ErreurIdInvalide(Csv::tr("Not enough fields found in the CSV file\xC2\xA0!"));
        const QString champ0 = fichier->AvecTitre ? champs.at(0) : QString();
        const QString champ1 = colonneUnique ? QString() : champs.at(minimum - 2);
        // The answer: its fields joined, built in place once its size is known;
        // a single field is shared, not copied.
        const QString separateur = modeLignes ? CRLF : joint;
        QString champ2 = champs.at(minimum - 1);
        if (champs.size() > minimum) {
            qsizetype taille = 0;
            for (qsizetype k = minimum - 1; k < champs.size(); ++k)
                taille += champs.at(k).size() + separateur.size();
            champ2.reserve(taille);
            for (qsizetype k = minimum; k < champs.size(); ++k) {
                champ2 += separateur;
                champ2 += champs.at(k);
            }
        }
        // Line mode ends every line with a break, then trims the blanks at the
        // end: the same as trimming the joined lines.
        if (modeLignes)
            champ2 = RognerDroite(champ2);
        fichier->AjouterFiche(champ0, champ1, champ2);
    }
    if (type == u'F')
        fichier->PermuterChamps(); // every column of a Holdall card goes to its first text field
    fichier->Modifie = false;
    return fichier;
}

void TFichierCSV::EnregistrerCSV(TFichierX &fichier, const QString &nom, QChar format, bool nouveau)
{
    if (format == u's')
        Contrat::TerminerEnregistrement(fichier, nom, nouveau, u's', EcrireCSV(fichier, u's'));
    else
        Contrat::EcrireExport(fichier, nom, EcrireCSV(fichier, u't'));
}

QByteArray TFichierCSV::EcrireCSV(const TFichierX &fichier, QChar format)
{
    QString texte;
    if (format == u's') {
        const Dialecte dialecte = DialecteCourant();
        const QString joint = fichier.Fragmenteur.isEmpty() ? CRLF : fichier.Fragmenteur;
        const bool modeLignes = joint == CRLF;
        for (const auto &fiche : fichier.Fiches) {
            texte += Enregistrement(ChampsEnregistrement(fichier, fiche, joint, modeLignes), dialecte);
            texte += CRLF;
        }
    } else {
        for (const auto &fiche : fichier.Fiches) {
            texte += TexteEnLignes(fichier, fiche);
            texte += CRLF;
        }
    }
    return Encoder(texte);
}
