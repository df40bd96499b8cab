#include "formats/texte/csv.h"

#include "formats/contrat.h"
#include "formats/table.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/options.h"
#include "model/outils.h"
#include "model/pagecode.h"
#include "model/progression.h"

#include <QCoreApplication>
#include <QStringList>
#include <QStringView>
#include <QtEndian>

#include <algorithm>
#include <vector>

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

Dialecte DialecteDe(const TOptions &options)
{
    const QChar separateur = options.CarSeparateurCsv();
    const bool espace = separateur == u' ';
    return {espace ? Substitut : separateur, espace};
}

// ---------------------------------------------------------------- reading

// True when one of the eight bytes of a word is the given byte.
inline bool ContientOctet(quint64 mot, unsigned char octet)
{
    const quint64 x = mot ^ (0x0101010101010101ULL * octet);
    return ((x - 0x0101010101010101ULL) & ~x & 0x8080808080808080ULL) != 0;
}

// Eight bytes, the first in the lowest bits.
inline quint64 Mot(const char *p)
{
    return qFromLittleEndian<quint64>(p);
}

// Position of the first malformed UTF-8 sequence, or -1 when there is none;
// *substitut tells whether the placeholder character is in the text.
qsizetype DebutUtf8Invalide(const char *donnees, qsizetype taille, bool *substitut)
{
    *substitut = false;
    const auto *u = reinterpret_cast<const unsigned char *>(donnees);
    qsizetype i = 0;
    while (i < taille) {
        // Plain ASCII, most of a card file, is passed eight bytes at a time,
        // up to the first byte that is not.
        if (taille - i >= 8) {
            const quint64 hauts = Mot(donnees + i) & 0x8080808080808080ULL;
            if (hauts == 0) {
                i += 8;
                continue;
            }
            i += qCountTrailingZeroBits(hauts) / 8;
        }
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
        *substitut = *substitut || point == Substitut.unicode();
        i += longueur;
    }
    return -1;
}

// Position of the first CR or LF byte from debut, or taille.
qsizetype FinLigne(const char *texte, qsizetype debut, qsizetype taille)
{
    qsizetype i = debut;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    while (taille - i >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(texte + i));
        const int masque = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)));
        if (masque != 0)
            return i + qCountTrailingZeroBits(uint(masque));
        i += 16;
    }
#endif
    while (taille - i >= 8) {
        const quint64 mot = Mot(texte + i);
        if (ContientOctet(mot, '\n') || ContientOctet(mot, '\r'))
            break;
        i += 8;
    }
    while (i < taille && texte[i] != '\r' && texte[i] != '\n')
        ++i;
    return i;
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

// Decodes UTF-8 already checked by DebutUtf8Invalide into sortie, which has
// room for as many units as there are bytes; returns the end of what it wrote.
QChar *DecoderUtf8Valide(const char *donnees, qsizetype taille, QChar *sortie)
{
    const auto *u = reinterpret_cast<const unsigned char *>(donnees);
    qsizetype i = 0;
    while (i < taille) {
        // A run of ASCII bytes is widened eight at a time.
        if (taille - i >= 8) {
            const quint64 hauts = Mot(donnees + i) & 0x8080808080808080ULL;
            const int ascii = hauts == 0 ? 8 : qCountTrailingZeroBits(hauts) / 8;
            // All eight are written, those past the run written over next:
            // the output never runs ahead of the input, so there is room.
#if defined(__SSE2__)
            const __m128i octets = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(u + i));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(sortie), _mm_unpacklo_epi8(octets, _mm_setzero_si128()));
#else
            for (int k = 0; k < 8; ++k)
                sortie[k] = QChar(char16_t(u[i + k]));
#endif
            sortie += ascii;
            i += ascii;
            if (ascii == 8)
                continue;
        }
        const unsigned char b = u[i];
        if (b < 0x80) {
            *sortie++ = QChar(char16_t(b));
            ++i;
        } else if (b < 0xE0) {
            *sortie++ = QChar(char16_t(((b & 0x1F) << 6) | (u[i + 1] & 0x3F)));
            i += 2;
        } else if (b < 0xF0) {
            *sortie++ = QChar(char16_t(((b & 0x0F) << 12) | ((u[i + 1] & 0x3F) << 6) | (u[i + 2] & 0x3F)));
            i += 3;
        } else {
            const char32_t point = (char32_t(b & 0x07) << 18) | (char32_t(u[i + 1] & 0x3F) << 12)
                | (char32_t(u[i + 2] & 0x3F) << 6) | char32_t(u[i + 3] & 0x3F);
            *sortie++ = QChar(QChar::highSurrogate(point));
            *sortie++ = QChar(QChar::lowSurrogate(point));
            i += 4;
        }
    }
    return sortie;
}

// Room for taille characters in a buffer used again for every line, counted
// in the file's budget; what it held is not kept, so it is let go first.
void Agrandir(QString &tampon, qsizetype taille)
{
    const qsizetype avant = tampon.size();
    if (avant >= taille)
        return;
    tampon = QString();
    if (TBudgetMemoire *budget = TBudgetMemoire::Courant())
        budget->Prendre(2 * (taille - avant));
    tampon = QString(taille, Qt::Uninitialized);
}

// The file's bytes, decoded one line at a time into a buffer used again for
// every line: CR and LF bytes are line breaks in UTF-8 and in the code page
// alike, and the file is never held twice, as bytes and as text.
struct Source
{
    const char *debut = nullptr;
    qsizetype taille = 0;
    bool utf8 = true;
    // The code page's characters, one a byte (nullptr: not a single-byte one).
    const char16_t *caracteres = nullptr;
    // False when the text is known to hold no placeholder character.
    bool substituts = true;
    QString tampon;

    // The line's characters, held until the next call; the reader may
    // rewrite them in place.
    QChar *Texte(qsizetype position, qsizetype longueur, qsizetype &lus)
    {
        const char *octets = debut + position;
        if (!utf8 && !caracteres) {
            tampon = PageCode::Decoder(octets, longueur, PageCode::AnsiSysteme());
            lus = tampon.size();
            return tampon.data();
        }
        if (!utf8) {
            Agrandir(tampon, longueur);
            PageCode::DecoderDans(octets, longueur, caracteres, tampon.data());
            lus = longueur;
            return tampon.data();
        }
        // As when the whole text is decoded at once, a byte-order mark that
        // starts the text goes, those starting a later line are characters.
        if (position == 0 && longueur >= 3 && memcmp(octets, "\xEF\xBB\xBF", 3) == 0) {
            octets += 3;
            longueur -= 3;
        }
        // A UTF-8 line never has more UTF-16 units than bytes.
        Agrandir(tampon, longueur);
        QChar *const sortie = tampon.data();
        lus = DecoderUtf8Valide(octets, longueur, sortie) - sortie;
        return sortie;
    }
};

Source SourceTexte(const QByteArray &octets, bool utf8)
{
    // Spreadsheets start their UTF-8 files with a byte-order mark: it says
    // UTF-8 whatever the setting, and is no part of the first field.
    const bool marque = octets.startsWith("\xEF\xBB\xBF");
    Source source;
    source.debut = octets.constData() + (marque ? 3 : 0);
    source.taille = octets.size() - (marque ? 3 : 0);
    source.utf8 = marque || utf8;
    if (source.utf8) {
        const qsizetype erreur = DebutUtf8Invalide(source.debut, source.taille, &source.substituts);
        if (erreur >= 0)
            throw ErreurIdInvalide(
                Csv::tr("The CSV file is not valid UTF-8 text (line %1).").arg(NumeroLigne(source.debut, erreur)));
    } else if ((source.caracteres = PageCode::Caracteres(PageCode::AnsiSysteme()))) {
        // Whether a byte of the file stands for the placeholder character.
        source.substituts = false;
        for (int b = 0; b < 256 && !source.substituts; ++b)
            source.substituts = source.caracteres[b] == Substitut.unicode()
                && memchr(source.debut, b, size_t(source.taille)) != nullptr;
    }
    return source;
}

// Position from i of the first character that ends an unquoted field: a
// control character, the delimiter or the other character read as it (d and
// e, the same when there is none), or n.
qsizetype FinChamp(const QChar *c, qsizetype i, qsizetype n, char16_t d, char16_t e)
{
#if defined(__SSE2__)
    const __m128i vd = _mm_set1_epi16(short(d));
    const __m128i ve = _mm_set1_epi16(short(e));
    const __m128i controle = _mm_set1_epi16(short(0xFFE0)); // no bit above 0x1F: below 0x20
    const __m128i zero = _mm_setzero_si128();
    while (n - i >= 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(c + i));
        const __m128i fin = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, vd), _mm_cmpeq_epi16(v, ve)),
                                         _mm_cmpeq_epi16(_mm_and_si128(v, controle), zero));
        const int masque = _mm_movemask_epi8(fin);
        if (masque != 0)
            return i + qCountTrailingZeroBits(uint(masque)) / 2;
        i += 8;
    }
#endif
    // Most characters are above every character that ends a field.
    const char16_t borne = std::max<char16_t>(std::max(d, e), 0x1F);
    while (i < n) {
        const char16_t u = c[i].unicode();
        if (u <= borne && (u < 0x20 || u == d || u == e))
            break;
        ++i;
    }
    return i;
}

// A field: where it starts in the line's buffer, and its length.
struct Champ
{
    qsizetype debut;
    qsizetype taille;
};

// Adds a field to the line's list, the list's growth counted in the file's
// budget first: the old array and the new one are both held while it grows.
void AjouterChamp(std::vector<Champ> &champs, Champ champ)
{
    if (champs.size() == champs.capacity()) {
        const size_t avant = champs.capacity();
        const size_t capacite = std::max<size_t>(64, 2 * avant);
        TBudgetMemoire *budget = TBudgetMemoire::Courant();
        if (budget)
            budget->Prendre(qint64(capacite * sizeof(Champ)));
        champs.reserve(capacite);
        if (budget)
            budget->Rendre(qint64(avant * sizeof(Champ)));
    }
    champs.push_back(champ);
}

// Cuts one line into its fields, in place: a quoted field's doubled quotes
// are written over as single ones, placeholders back to spaces.
// substituts is false when the file holds no placeholder character at all.
void LireEnregistrement(QChar *texte, qsizetype taille, const Dialecte &dialecte, bool substituts,
                        std::vector<Champ> &champs)
{
    champs.clear();
    QChar *c = texte;
    qsizetype n = taille;
    if (dialecte.espace) {
        const QStringView rogne = Rogner(QStringView(texte, taille));
        c = const_cast<QChar *>(rogne.data());
        n = rogne.size();
    }
    const char16_t delimiteur = dialecte.delimiteur.unicode();
    // Every space reads as the placeholder: with the placeholder as
    // separator, a space ends a field too.
    const char16_t espaceLu = delimiteur == Substitut.unicode() ? u' ' : delimiteur;
    const auto separe = [&](qsizetype i) { return c[i] == delimiteur || c[i] == espaceLu; };
    // A NUL counts as a blank: it ends a field and is stepped over.
    auto sauterBlancs = [&](qsizetype &i) {
        while (i < n && c[i].unicode() < 0x20)
            ++i;
    };
    qsizetype i = 0;
    sauterBlancs(i);
    while (i < n) {
        if (c[i] == Guillemet) {
            // Up to the next quote that is not doubled; an unclosed quote
            // runs to the end of the line, its last character included.
            ++i;
            const qsizetype debut = i;
            qsizetype ecrit = i;
            while (i < n) {
                if (c[i] == Guillemet) {
                    if (i + 1 < n && c[i + 1] == Guillemet) {
                        c[ecrit++] = Guillemet;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                const qsizetype morceau = i;
                while (i < n && c[i] != Guillemet)
                    ++i;
                if (ecrit != morceau)
                    memmove(c + ecrit, c + morceau, (i - morceau) * sizeof(QChar));
                ecrit += i - morceau;
            }
            AjouterChamp(champs, {debut + (c - texte), ecrit - debut});
        } else {
            const qsizetype debut = i;
            i = FinChamp(c, i, n, delimiteur, espaceLu);
            AjouterChamp(champs, {debut + (c - texte), i - debut});
        }
        sauterBlancs(i);
        if (i < n && separe(i)) {
            if (i == n - 1)
                AjouterChamp(champs, {i + (c - texte), 0});
            ++i;
            // With a space separator a run of spaces is one separator; done
            // here rather than on the whole line so that quoted runs stay.
            while (dialecte.espace && i < n && separe(i))
                ++i;
            sauterBlancs(i);
        }
    }
    // A placeholder character read from the file is a space too; a line
    // without one needs no look at each field.
    if (substituts && QStringView(c, n).contains(Substitut)) {
        for (const Champ &champ : champs) {
            QChar *p = texte + champ.debut;
            std::replace(p, p + champ.taille, Substitut, QChar(u' '));
        }
    }
}

// The text without the blanks that end it.
QStringView SansBlancsFinaux(QStringView texte)
{
    qsizetype fin = texte.size();
    while (fin > 0 && EstBlanc(texte[fin - 1]))
        --fin;
    return texte.first(fin);
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

QByteArray Encoder(const QString &texte, bool utf8)
{
    return utf8 ? texte.toUtf8() : PageCode::Encoder(texte, PageCode::AnsiSysteme());
}

} // namespace

std::unique_ptr<TFichierX> TFichierCSV::ChargerCSV(const QString &nom, QChar type, bool modifiable,
                                                   const TOptions &options)
{
    auto flux = TFlux::Ouvrir(nom, modifiable);
    auto fichier = LireCSV(flux->LireTout(), type, options);
    Contrat::TerminerChargement(*fichier, nom, std::move(flux), modifiable);
    return fichier;
}

std::unique_ptr<TFichierX> TFichierCSV::LireCSV(const QByteArray &octets, QChar type, const TOptions &options)
{
    TBudgetMemoire budget(octets.size());
    Source source = SourceTexte(octets, options.utf8Csv);
    auto fichier = std::make_unique<TFichierX>(type, u's', options);
    const Dialecte dialecte = DialecteDe(options);
    const QString joint = fichier->Fragmenteur.isEmpty()
        ? CRLF
        : fichier->Espacement + fichier->Fragmenteur + fichier->Espacement;
    const bool modeLignes = joint == CRLF;
    const bool colonneUnique = fichier->Numerote || type == u'F';
    const int minimum = colonneUnique ? 1 : (fichier->AvecTitre ? 3 : 2);

    const char *const texte = source.debut;
    const qsizetype n = source.taille;
    const QString separateur = modeLignes ? CRLF : joint;
    std::vector<Champ> champs;
    // The answer of a card whose answer has several fields, built again in
    // the same buffer for each card.
    QString reponse;
    qsizetype debut = 0;
    while (debut < n) {
        TProgression::Avancer(debut, n);
        const qsizetype fin = FinLigne(texte, debut, n);
        qsizetype taille = 0;
        const QChar *ligne = source.Texte(debut, fin - debut, taille);
        LireEnregistrement(const_cast<QChar *>(ligne), taille, dialecte, source.substituts, champs);
        debut = fin;
        if (debut < n)
            debut += (texte[debut] == '\r' && debut + 1 < n && texte[debut + 1] == '\n') ? 2 : 1;
        if (champs.empty())
            continue;
        if (qsizetype(champs.size()) < minimum)
            throw ErreurIdInvalide(Csv::tr("Not enough fields found in the CSV file\xC2\xA0!"));
        const auto vue = [&](qsizetype k) { return QStringView(ligne + champs[k].debut, champs[k].taille); };
        const QStringView champ0 = fichier->AvecTitre ? vue(0) : QStringView();
        const QStringView champ1 = colonneUnique ? QStringView() : vue(minimum - 2);
        // The answer: its fields joined; a single field is used where it lies.
        QStringView champ2 = vue(minimum - 1);
        if (qsizetype(champs.size()) > minimum) {
            qsizetype longueur = champ2.size();
            for (qsizetype k = minimum; k < qsizetype(champs.size()); ++k)
                longueur += separateur.size() + champs[k].taille;
            Agrandir(reponse, longueur);
            QChar *const debutReponse = reponse.data();
            QChar *p = debutReponse;
            const auto ajouter = [&p](QStringView morceau) {
                memcpy(p, morceau.data(), morceau.size() * sizeof(QChar));
                p += morceau.size();
            };
            ajouter(champ2);
            for (qsizetype k = minimum; k < qsizetype(champs.size()); ++k) {
                ajouter(separateur);
                ajouter(vue(k));
            }
            champ2 = QStringView(debutReponse, longueur);
        }
        // Line mode ends every line with a break, then trims the blanks at the
        // end: the same as trimming the joined lines.
        if (modeLignes)
            champ2 = SansBlancsFinaux(champ2);
        fichier->AjouterFiche(champ0, champ1, champ2);
    }
    if (type == u'F')
        fichier->PermuterChamps(); // every column of a Holdall card goes to its first text field
    fichier->Modifie = false;
    return fichier;
}

void TFichierCSV::EnregistrerCSV(TFichierX &fichier, const QString &nom, QChar format, bool nouveau,
                                 const TOptions &options)
{
    if (format == u's')
        Contrat::TerminerEnregistrement(fichier, nom, nouveau, u's', EcrireCSV(fichier, u's', options));
    else
        Contrat::EcrireExport(fichier, nom, EcrireCSV(fichier, u't', options));
}

QByteArray TFichierCSV::EcrireCSV(const TFichierX &fichier, QChar format, const TOptions &options)
{
    QString texte;
    if (format == u's') {
        const Dialecte dialecte = DialecteDe(options);
        const QString joint = fichier.Fragmenteur.isEmpty() ? CRLF : fichier.Fragmenteur;
        const bool modeLignes = joint == CRLF;
        for (const auto &fiche : fichier.Fiches) {
            TProgression::Avancer(&fiche - fichier.Fiches.data(), qint64(fichier.Fiches.size()));
            texte += Enregistrement(ChampsEnregistrement(fichier, fiche, joint, modeLignes), dialecte);
            texte += CRLF;
        }
    } else {
        for (const auto &fiche : fichier.Fiches) {
            TProgression::Avancer(&fiche - fichier.Fiches.data(), qint64(fichier.Fiches.size()));
            texte += TexteEnLignes(fichier, fiche);
            texte += CRLF;
        }
    }
    return Encoder(texte, options.utf8Csv);
}

namespace {

// Plain text holds one piece per line: only files whose pieces are lines.
bool PiecesEnLignes(const TFichierX &f)
{
    return f.Fragmenteur.isEmpty() || f.Fragmenteur == QLatin1String("\r\n");
}

// The fields a CSV record or a text export holds, in the system's code page
// unless the options say UTF-8: written as lines, a numbered card is its
// answer alone.
Formats::Rapport PertesCsv(const TFichierX &f, bool texte, const TOptions &options)
{
    Formats::Rapport pertes;
    if (options.utf8Csv)
        return pertes;
    const bool lignes = texte || PiecesEnLignes(f);
    const bool titre = f.AvecTitre && !(lignes && f.Numerote);
    Formats::CompteurPertes compteur(pertes, PageCode::AnsiSysteme());
    for (int i = 0; i < f.NombreFiches(); ++i) {
        const TFicheX &fiche = f.Fiche(i);
        if (titre)
            compteur.Ajouter(fiche.Champ0(), i);
        if (!f.Numerote)
            compteur.Ajouter(fiche.Champ1(), i);
        compteur.Ajouter(fiche.Champ2(), i);
    }
    return pertes;
}

class FormatCsv : public Formats::TFormat
{
public:
    QChar Lettre() const override { return u's'; }
    const char *Nom() const override { return QT_TRANSLATE_NOOP("Chaines", "CSV"); }
    const char *Motif() const override { return "csv"; }
    unsigned Capacites() const override { return Formats::Document; }
    bool DansOuverture(QChar type, const TOptions &o) const override { return o.typesCsv.contains(type); }
    // A file named .csv holding the separator, or no zero byte: the program
    // writes one-column files itself (Lists), so text named .csv is CSV.
    int RangReconnaissance() const override { return 3; }
    bool Reconnaitre(const Formats::Tete &tete) const override
    {
        if (!tete.nom.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
            return false;
        const QString separateur(tete.options.CarSeparateurCsv());
        const QByteArray ansi = PageCode::Encoder(separateur, PageCode::AnsiSysteme());
        const QByteArray utf8 = separateur.toUtf8();
        if ((ansi != "?" || separateur == QLatin1String("?")) && tete.texte.contains(ansi))
            return true;
        return tete.texte.contains(utf8) || !tete.debut.contains('\0');
    }
    bool Lisible() const override { return true; }
    bool Ecrivable() const override { return true; }
    std::unique_ptr<TFichierX> Lire(const QString &nom, const Formats::Lecture &l) const override
    {
        return TFichierCSV::ChargerCSV(nom, l.typeCsv, l.modifiable, l.options);
    }
    void Ecrire(TFichierX &f, const QString &nom, const Formats::Ecriture &e) const override
    {
        TFichierCSV::EnregistrerCSV(f, nom, Lettre(), e.nouveau, e.options);
    }
    bool OffertEnSauvegarde(const TFichierX &f, const TOptions &o) const override
    {
        return o.typesCsv.contains(f.TypeFichier);
    }
    bool ParDefautPour(QChar type, QChar typeCsv) const override { return type == typeCsv; }
    Formats::Rapport CePerdrait(const TFichierX &f, const TOptions &o) const override { return PertesCsv(f, false, o); }
};

// The text export: the CSV writer, one piece per line.
class FormatTexte : public Formats::TFormat
{
public:
    QChar Lettre() const override { return u't'; }
    const char *Nom() const override { return QT_TRANSLATE_NOOP("Chaines", "Text"); }
    const char *Motif() const override { return "txt"; }
    bool Ecrivable() const override { return true; }
    void Ecrire(TFichierX &f, const QString &nom, const Formats::Ecriture &e) const override
    {
        TFichierCSV::EnregistrerCSV(f, nom, Lettre(), e.nouveau, e.options);
    }
    bool OffertEnExport(const TFichierX &f) const override { return PiecesEnLignes(f); }
    bool Exporte(const TFichierX &) const override { return true; }
    Formats::Rapport CePerdrait(const TFichierX &f, const TOptions &o) const override { return PertesCsv(f, true, o); }
};

} // namespace

const Formats::TFormat &Formats::FormatCsv()
{
    return Instance<::FormatCsv>();
}

const Formats::TFormat &Formats::FormatTexte()
{
    return Instance<::FormatTexte>();
}
