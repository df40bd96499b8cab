// Writes large card files for the benchmarks: N cards of each type Q, M, R
// and L in every format the core can write. The texts are drawn from a fixed
// seed, so the same N always gives the same bytes.
//
//   gen_cartes DOSSIER [N] [--echelle]
//
// With --echelle, only the Questionnaire's XML, native and CSV files (the
// same bytes as without it), for the tables of growth up to a million cards.
// Files: cartes_T.xaqT (XML), cartes_T.aqT (native), cartes_T.csv,
// cartes_T.crd (Cardfile, at most 65,535 cards), cartes_T.xml (Moodle, Q and
// M only), textes_Q.txt (every text of the Questionnaire, for grep) and
// cles_R.txt (the sort keys of the Directory, one a line, UTF-8).

#include "formats/fiches/crd.h"
#include "formats/texte/csv.h"
#include "formats/quiz/moodle.h"
#include "formats/fiches/natif.h"
#include "formats/fiches/xml.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/pagecode.h"
#include "settings/init.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <cstdio>

namespace {

// A small generator whose sequence is fixed by its definition (the standard
// distributions are not portable across libraries).
class Hasard
{
public:
    explicit Hasard(quint64 graine) : etat(graine) { }
    quint32 Suivant()
    {
        etat = etat * 6364136223846793005ULL + 1442695040888963407ULL;
        return quint32(etat >> 33);
    }
    int Entre(int min, int max) { return min + int(Suivant() % quint32(max - min + 1)); }
    template <size_t N>
    const char *Parmi(const char *const (&liste)[N])
    {
        return liste[Suivant() % N];
    }

private:
    quint64 etat;
};

const char *const Mots[] = {
    "le",        "la",          "les",       "un",          "une",      "des",           "de",        "du",
    "et",        "ou",          "à",         "où",          "qui",      "que",           "été",       "élève",
    "école",     "fenêtre",     "forêt",     "château",     "hôpital",  "île",           "maïs",      "Noël",
    "cœur",      "sœur",        "œuvre",     "garçon",      "leçon",    "français",      "déjà",      "voilà",
    "très",      "après",       "problème",  "système",     "théâtre",  "rivière",       "lumière",   "première",
    "dernière",  "fièvre",      "mère",      "père",        "frère",    "année",         "journée",   "idée",
    "musée",     "lycée",       "poésie",    "géographie",  "histoire", "mathématiques", "réponse",   "question",
    "exercice",  "vocabulaire", "grammaire", "conjugaison", "verbe",    "adjectif",      "nom",       "pronom",
    "phrase",    "mot",         "texte",     "livre",       "cahier",   "crayon",        "table",     "chaise",
    "maison",    "jardin",      "ville",     "village",     "pays",     "montagne",      "mer",       "océan",
    "soleil",    "lune",        "étoile",    "ciel",        "nuage",    "pluie",         "neige",     "hiver",
    "printemps", "automne",     "matin",     "soir",        "nuit",     "temps",         "heure",     "minute",
    "grand",     "petit",       "beau",      "belle",       "nouveau",  "vieux",         "jeune",     "long",
    "court",     "haut",        "bas",       "rapide",      "lent",     "facile",        "difficile", "important",
    "possible",  "nécessaire",  "Zürich",    "Ångström",    "naïve",    "façade",        "crème",     "brûlée",
    "pâté",      "gâteau",      "tête",      "fête",        "bête",     "prêt",          "forêts",    "août",
    "goût",      "coût",        "où",        "Éric",        "Étienne",  "Œdipe"};

const char *const Prenoms[] = {
    "Adèle",   "Agnès",   "Amélie",  "André",   "Anaïs",  "Béatrice", "Benoît",  "Cécile",    "Céline",   "Chloé",
    "Clément", "Danièle", "Denis",   "Élodie",  "Émile",  "Émilie",   "Éric",    "Étienne",   "François", "Françoise",
    "Gérard",  "Hélène",  "Hervé",   "Inès",    "Jérôme", "Joël",     "Josée",   "Léa",       "Léon",     "Loïc",
    "Lucie",   "Maëlle",  "Mélanie", "Michèle", "Noémie", "Raphaël",  "Renée",   "Sébastien", "Stéphane", "Thérèse",
    "Valérie", "Zoé",     "anne",    "paul",    "Ömer",   "Åsa",      "Øystein", "Jürgen",    "Björn",    "Ñuño"};

const char *const Noms[] = {
    "Dupont",   "Durand",   "Lefèvre", "Lefebvre",   "Lemaître",   "Bézier", "Bérard",   "Côté",    "Crépin",
    "Dubœuf",   "Déziel",   "Émery",   "Fénelon",    "Gâtineau",   "Hébert", "Hénault",  "Jégou",   "Lebœuf",
    "Lévêque",  "Ménard",   "Mérieux", "Pâris",      "Pélissier",  "Poirée", "Prévost",  "Régnier", "Rivière",
    "Sénéchal", "Thévenin", "Vézina",  "d'Alembert", "de la Tour", "du Pré", "van Eyck", "Müller",  "Öberg",
    "Ølsen",    "Ångström", "martin",  "MARTIN",     "Martin",     "Moreau", "Morel",    "Morin",   "Roussel",
    "Roux",     "Vidal",    "Zéphir",  "Âcre",       "Œillet"};

const char *const Rues[] = {"rue",    "avenue",  "boulevard", "place", "allée",
                            "chemin", "impasse", "quai",      "cours", "route"};
const char *const Villes[] = {"Paris",     "Besançon", "Orléans",  "Nîmes",    "Périgueux", "Grenoble",
                              "Genève",    "Québec",   "Montréal", "Liège",    "Châlons",   "Évreux",
                              "Angoulême", "Sète",     "Épinal",   "Pontoise", "Mâcon",     "Béziers"};

QString Utf8(const char *texte)
{
    return QString::fromUtf8(texte);
}

QString Phrase(Hasard &h, int min, int max, bool majuscule)
{
    const int n = h.Entre(min, max);
    QString s;
    for (int i = 0; i < n; ++i) {
        if (i)
            s += u' ';
        s += Utf8(h.Parmi(Mots));
    }
    if (majuscule && !s.isEmpty())
        s[0] = s.at(0).toUpper();
    return s;
}

// A paragraph of several lines (CR LF inside the field).
QString Lignes(Hasard &h, int minLignes, int maxLignes, int minMots, int maxMots)
{
    QStringList lignes;
    const int n = h.Entre(minLignes, maxLignes);
    for (int i = 0; i < n; ++i)
        lignes << Phrase(h, minMots, maxMots, true);
    return lignes.join(QStringLiteral("\r\n"));
}

// forme: the shape of the cards when not the type's own.
void Remplir(TFichierX &f, int n, quint64 graine, char forme = 0)
{
    Hasard h(graine);
    f.Reserver(n);
    f.SetTitre(QStringLiteral("Banc d'essai %1 (%2 fiches)").arg(f.TypeFichier).arg(n));
    f.Description = QStringLiteral("Fichier engendré pour mesurer les lecteurs et les écrivains.");
    const QString joint = f.Espacement + f.Fragmenteur + f.Espacement;
    for (int i = 0; i < n; ++i) {
        QString c0, c1, c2;
        switch (forme ? char16_t(forme) : f.TypeFichier.unicode()) {
        case 'Q':
            c0 = Phrase(h, 1, 3, true);
            c1 = Phrase(h, 6, 16, true) + QStringLiteral(" ?");
            if (h.Entre(0, 5) == 0)
                c1 += QStringLiteral("\r\n") + Phrase(h, 3, 8, true);
            c2 = Phrase(h, 1, 4, false);
            for (int k = h.Entre(0, 2); k > 0; --k)
                c2 += joint + Phrase(h, 1, 4, false);
            break;
        case 'X': // Questionnaire, every shape the writer produces at once
            c0 = Phrase(h, 1, 3, true);
            c1 = Lignes(h, 2, 6, 6, 20) + QStringLiteral(" ?");
            c2 = Phrase(h, 1, 4, false);
            if (!f.OuVisible.isEmpty())
                c2 += u' ' + f.OuVisible + u' ' + Phrase(h, 1, 4, false); // a hidden alternative
            for (int k = h.Entre(1, 3); k > 0; --k)
                c2 += joint + Phrase(h, 1, 4, false);
            c2 += joint + Lignes(h, 1, 3, 4, 12);
            break;
        case 'M': {
            c0 = Phrase(h, 1, 3, true);
            c1 = Phrase(h, 8, 20, true) + QStringLiteral(" ?");
            // One right answer, marked as the Moodle writer expects it.
            const int choix = h.Entre(3, 5);
            const int juste = h.Entre(0, choix - 1);
            for (int k = 0; k < choix; ++k) {
                if (k)
                    c2 += joint;
                if (k == juste)
                    c2 += QStringLiteral("(*) ");
                c2 += Phrase(h, 1, 6, true);
            }
            break;
        }
        case 'R':
            c1 = Utf8(h.Parmi(Noms)) + u' ' + Utf8(h.Parmi(Prenoms));
            if (h.Entre(0, 1) == 0)
                c1 += QStringLiteral("-") + Utf8(h.Parmi(Prenoms));
            c2 = QStringLiteral("%1 %2 %3\r\n%4 %5\r\nTél. 0%6 %7 %8 %9 %10")
                     .arg(h.Entre(1, 250))
                     .arg(Utf8(h.Parmi(Rues)), Phrase(h, 1, 3, false))
                     .arg(h.Entre(10, 95) * 1000 + h.Entre(0, 999), 5, 10, QLatin1Char('0'))
                     .arg(Utf8(h.Parmi(Villes)))
                     .arg(h.Entre(1, 9))
                     .arg(h.Entre(0, 99), 2, 10, QLatin1Char('0'))
                     .arg(h.Entre(0, 99), 2, 10, QLatin1Char('0'))
                     .arg(h.Entre(0, 99), 2, 10, QLatin1Char('0'))
                     .arg(h.Entre(0, 99), 2, 10, QLatin1Char('0'));
            if (h.Entre(0, 3) == 0)
                c2 += QStringLiteral("\r\n") + Phrase(h, 3, 10, true);
            break;
        default: // L and the other numbered lists
            c2 = Lignes(h, 2, 6, 1, 5);
            break;
        }
        f.AjouterFiche(c0, c1, c2);
    }
}

bool Ecrire(const QString &nom, const QByteArray &octets)
{
    QFile fichier(nom);
    if (!fichier.open(QIODevice::WriteOnly | QIODevice::Truncate) || fichier.write(octets) != octets.size()) {
        std::fprintf(stderr, "gen_cartes: cannot write %s\n", qPrintable(nom));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: gen_cartes DIR [N] [--echelle]\n");
        return 2;
    }
    const QDir dossier(args.at(1));
    const int n = args.size() > 2 ? args.at(2).toInt() : 100000;
    const bool echelle = args.size() > 3 && args.at(3) == QLatin1String("--echelle");
    if (!QDir().mkpath(dossier.path()) || n < 1) {
        std::fprintf(stderr, "gen_cartes: bad folder or count\n");
        return 2;
    }
    LireParametres(); // AMBLOPAD_SETTINGS gives the CSV separator and encoding
    bool ok = true;
    quint64 graine = 12;
    for (const char type : {'Q', 'M', 'R', 'L', 'X'}) {
        if (echelle && type != 'Q')
            break;
        if (type == 'X') {
            // Only the XML file of the richer Questionnaire: cartes_X.xaqQ.
            TFichierX f{QChar('Q'), QChar('x'), OptionsCourantes()};
            Remplir(f, n, ++graine, 'X');
            ok &= Ecrire(dossier.filePath(QStringLiteral("cartes_X.xaqQ")),
                         TFichierXML::EcrireXml(f, OptionsCourantes()));
            continue;
        }
        TFichierX f{QChar(type), QChar('x'), OptionsCourantes()};
        Remplir(f, n, ++graine);
        const QString base = dossier.filePath(QStringLiteral("cartes_") + QChar(type));
        try {
            ok &= Ecrire(base + QStringLiteral(".xaq") + QChar(type), TFichierXML::EcrireXml(f, OptionsCourantes()));
            ok &= Ecrire(base + QStringLiteral(".aq") + QChar(type), TFichierNatif::EcrireNatif(f));
            ok &= Ecrire(base + QStringLiteral(".csv"), TFichierCSV::EcrireCSV(f, QChar('s'), OptionsCourantes()));
            if (echelle)
                break;
            if (type == 'Q' || type == 'M') {
                try {
                    ok &= Ecrire(base + QStringLiteral(".xml"), TFichierMoodle::EcrireMoodle(f, OptionsCourantes()));
                } catch (const ErreurFormatAbsent &) {
                    std::fprintf(stderr, "gen_cartes: no Moodle writer yet, %s.xml skipped\n", qPrintable(base));
                }
            }
            if (type == 'Q') {
                // Every text of the cards, one field a line, for grep.
                QByteArray textes;
                for (int i = 0; i < f.NombreFiches(); ++i) {
                    const TFicheX &c = f.Fiche(i);
                    textes += (c.Champ0() + u'\n' + c.Champ1() + u'\n' + c.Champ2() + u'\n').toUtf8();
                }
                ok &= Ecrire(dossier.filePath(QStringLiteral("textes_Q.txt")), textes);
            }
            if (type == 'R') {
                QByteArray cles;
                for (int i = 0; i < f.NombreFiches(); ++i)
                    cles += f.Fiche(i).Champ1().toUtf8() + '\n';
                ok &= Ecrire(dossier.filePath(QStringLiteral("cles_R.txt")), cles);
            }
            // Cardfile holds at most 65,535 cards.
            while (f.NombreFiches() > TFichierCrd::MaxFiches)
                f.Fiches.pop_back();
            ok &= Ecrire(base + QStringLiteral(".crd"), TFichierCrd::EcrireCardfile(f));
        } catch (const Erreur &e) {
            std::fprintf(stderr, "gen_cartes: %s: %s\n", qPrintable(base), qPrintable(e.message()));
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
