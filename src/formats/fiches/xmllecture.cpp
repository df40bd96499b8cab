#include "formats/fiches/xml.h"

// Reading XML card files.

#include "formats/fiches/xmlcommun.h"

#include "formats/contrat.h"
#include "formats/documentxml.h"
#include "formats/gardexml.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/outils.h"
#include "model/pagecode.h"
#include "resources/chaines.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

using namespace XmlCommun;

// The reader's two messages stay French, as the quiz program has them.
QString MessageCodeXml()
{
    return QString::fromUtf8("Erreur dans l'écriture du code XML !");
}

QString MessageNonAmblorine()
{
    return QString::fromUtf8("Pas un fichier XML d'Amblorine valide !");
}

// ASCII-only case changes: the file's values are compared letter for letter.
QString MinusculesAscii(QString texte)
{
    for (QChar &c : texte)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + ('a' - 'A'));
    return texte;
}

QString MajusculesAscii(QString texte)
{
    for (QChar &c : texte)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - ('a' - 'A'));
    return texte;
}

// The style sheet reference may carry references (the writer escapes it).
QString ResoudreReferences(const QString &texte)
{
    if (!texte.contains(u'&'))
        return texte;
    QString resultat;
    qsizetype i = 0;
    while (i < texte.size()) {
        const QChar c = texte.at(i);
        const qsizetype fin = c == u'&' ? texte.indexOf(u';', i + 1) : -1;
        if (fin < 0 || fin - i > 12) {
            resultat += c;
            ++i;
            continue;
        }
        const QString nom = texte.mid(i + 1, fin - i - 1);
        QString remplacement;
        if (nom == QLatin1String("amp"))
            remplacement = S("&");
        else if (nom == QLatin1String("lt"))
            remplacement = S("<");
        else if (nom == QLatin1String("gt"))
            remplacement = S(">");
        else if (nom == QLatin1String("quot"))
            remplacement = S("\"");
        else if (nom == QLatin1String("apos"))
            remplacement = S("'");
        else if (nom.startsWith(u'#')) {
            bool ok = false;
            const uint code = nom.startsWith(QLatin1String("#x")) ? nom.mid(2).toUInt(&ok, 16)
                                                                  : nom.mid(1).toUInt(&ok, 10);
            if (ok && EstCaractereXml(char32_t(code))) {
                const char32_t c32 = char32_t(code);
                remplacement = QString::fromUcs4(&c32, 1);
            }
        }
        if (remplacement.isEmpty()) {
            resultat += c;
            ++i;
        } else {
            resultat += remplacement;
            i = fin + 1;
        }
    }
    return resultat;
}

// Appends a text read from the document: its ends trimmed of XML white
// space when rogner, every line break (CR LF, CR or LF) as CR LF when crlf,
// else as LF. Bytes, UTF-8: converted once, when the text is whole.
void AjouterTexte(std::string &sortie, const char *p, qsizetype n, bool rogner, bool crlf)
{
    if (rogner) {
        auto blanc = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
        while (n > 0 && blanc(*p)) {
            ++p;
            --n;
        }
        while (n > 0 && blanc(p[n - 1]))
            --n;
    }
    const char *const fin = p + n;
    if (!std::memchr(p, '\r', size_t(n))) {
        // The usual case: the parser has made every line break an LF.
        if (!crlf) {
            sortie.append(p, size_t(n));
            return;
        }
        while (const void *q = std::memchr(p, '\n', size_t(fin - p))) {
            const char *lf = static_cast<const char *>(q);
            sortie.append(p, size_t(lf - p)).append("\r\n", 2);
            p = lf + 1;
        }
        sortie.append(p, size_t(fin - p));
        return;
    }
    // A reference brought a CR.
    const char *debut = p;
    for (; p < fin; ++p) {
        if (*p != '\r' && *p != '\n')
            continue;
        sortie.append(debut, size_t(p - debut));
        if (*p == '\r' && p + 1 < fin && p[1] == '\n')
            ++p;
        if (crlf)
            sortie.append("\r\n", 2);
        else
            sortie += '\n';
        debut = p + 1;
    }
    sortie.append(debut, size_t(fin - debut));
}

// The same on the text that ends s from debut on, in place.
void FinirTexte(std::string &s, size_t debut, bool rogner, bool crlf)
{
    char *p = s.data() + debut;
    size_t a = 0;
    size_t b = s.size() - debut;
    if (rogner) {
        auto blanc = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
        while (a < b && blanc(p[a]))
            ++a;
        while (b > a && blanc(p[b - 1]))
            --b;
    }
    if (std::memchr(p + a, '\r', b - a)) {
        const std::string texte(p + a, b - a);
        s.resize(debut);
        AjouterTexte(s, texte.data(), qsizetype(texte.size()), false, crlf);
        return;
    }
    size_t sauts = 0;
    if (crlf)
        for (const char *q = p + a; (q = static_cast<const char *>(std::memchr(q, '\n', size_t(p + b - q)))); ++q)
            ++sauts;
    const size_t n = b - a;
    if (a)
        std::memmove(p, p + a, n);
    s.resize(debut + n + sauts);
    if (!sauts)
        return;
    // From the end, each LF moves by the CRs still to insert before it.
    p = s.data() + debut;
    char *fin = p + n;
    char *vers = p + n + sauts;
    while (sauts--) {
        const char *lf = static_cast<const char *>(memrchr(p, '\n', size_t(fin - p)));
        const size_t suite = size_t(fin - lf - 1);
        vers -= suite;
        std::memmove(vers, lf + 1, suite);
        *--vers = '\n';
        *--vers = '\r';
        fin = const_cast<char *>(lf);
    }
}

// The options element's children the reader takes, each by its first
// element of that name.
enum Option {
    ReposerErreurs,
    SuivreOrdre,
    BriderEntree,
    DifferencierCasse,
    Phonetique,
    MotAMot,
    Correction,
    NombreQuestions,
    ScoreSatisfaisant,
    Temps,
    Ponctuation,
    OuVisible,
    OuCache,
    MotsIgnores,
    Fragmenteur,
    Espacement,
    Alternateur,
    Commentaire,
    Troncature,
    NombreOptions
};

const char *const NomsOptions[NombreOptions] = {
    "REPOSER_ERREURS", "SUIVRE_ORDRE", "BRIDER_ENTREE",    "DIFFERENCIER_CASSE", "PHONETIQUE",
    "MOT_A_MOT",       "CORRECTION",   "NOMBRE_QUESTIONS", "SCORE_SATISFAISANT", "TEMPS",
    "PONCTUATION",     "OU_VISIBLE",   "OU_CACHE",         "MOTS_IGNORES",       "FRAGMENTEUR",
    "ESPACEMENT",      "ALTERNATEUR",  "COMMENTAIRE",      "TRONCATURE"};

// What the options element held: per option, its VALEUR attribute and text.
struct OptionsLues
{
    bool vu[NombreOptions] = {};
    QString valeur[NombreOptions];
    QString texte[NombreOptions];
};

// A text being gathered for one element while the parser goes through it:
// all its character data, and/or its rich text (each of its own text nodes
// trimmed, its br and tab elements as a line break and a tab).
struct Collecte
{
    int profondeur = 0; // of the element; 0 when not gathering
    bool tout = false;
    bool riche = false;
    std::string texte;
    // Where all the character data goes: texte, or straight into a card's
    // field when that is its only use; from debut on.
    std::string *sortie = &texte;
    size_t debut = 0;
    std::string texteRiche;
    std::string noeud; // the rich text's node being read
    int dernier = 0;   // what the node is: 0 none yet, 1 text, 2 CDATA

    void Commencer(int p, bool t, bool r, std::string *vers = nullptr)
    {
        profondeur = p;
        tout = t;
        riche = r;
        texte.clear();
        sortie = vers ? vers : &texte;
        debut = sortie->size();
        texteRiche.clear();
        noeud.clear();
        dernier = 0;
    }
};

class Lecteur final : public TLectureXml::Recepteur
{
public:
    // options: read from the options element by an earlier pass, when it
    // came after the cards.
    // reglages: the user's, where the file says nothing.
    Lecteur(bool entier, const OptionsLues *options, const TOptions &reglages)
        : complet(entier), OptionsAvant(options), Reglages(reglages)
    {
    }
    std::unique_ptr<TFichierX> Lire(const QByteArray &octets);

    void Debut(const TBaliseXml &balise) override;
    void Fin() override;
    void Texte(const char *texte, qsizetype taille, bool cdata) override;
    void Commentaire() override;
    void Instruction(QByteArrayView cible, QByteArrayView donnees) override;

private:
    // The parts of the root the reader takes: a card, and the first element
    // of each other name (one element can be both).
    enum Role : unsigned {
        RoleFiche = 1,
        RoleTitre = 2,
        RoleSignature = 4,
        RoleDescription = 8,
        RoleOptions = 16,
        RoleEtiquettes = 32,
        RoleCanevas = 64
    };
    struct Prologue
    {
        bool instruction;
        QString cible;
        QString donnees;
    };

    bool complet;
    const OptionsLues *OptionsAvant;
    const TOptions &Reglages;
    TLectureXml *Lecture = nullptr;
    std::unique_ptr<TFichierX> f;
    bool RacineLue = false;
    bool AutreRacine = false;
    bool Relire = false;
    int Profondeur = 0;
    QList<Prologue> AvantRacine;
    bool BalisesActives = false;
    bool EspacesPreserves = false;
    // The names the reader looks for, UTF-8.
    QByteArray IdFiche;
    QByteArray NomChamp[3];
    std::string LienVisible;
    std::string LienCache;
    bool TestCache = false;
    bool LiensPrets = false;
    unsigned Vus = 0;
    OptionsLues OptionsDuFichier;

    // The root's child being read and its roles; the child of that being
    // read and what it is for.
    unsigned Roles = 0;
    Collecte Partie;
    Collecte Champ;
    unsigned ChampsFiche = 0; // bit n: the field n of the card
    unsigned ChampsIds = 0;   // bit n: the element named by ID_CHAMPn (captions, canvas)
    int OptionChamp = -1;
    unsigned OptionsVues = 0;
    unsigned IdsVus = 0;
    QString ValeurChamp;
    QString TexteIds[3];
    bool IdsLus[3] = {};
    // The card being read.
    bool TitreLu = false;
    bool QuestionLue = false;
    bool Premier = true;
    std::string Champs[3];

    void DebutRacine(const TBaliseXml &racine);
    void DebutPartie(const TBaliseXml &balise);
    void FinPartie();
    void DebutChamp(const TBaliseXml &balise);
    void FinChamp();
    void Vider(Collecte &c) const;
    void Ajouter(Collecte &c, const char *texte, qsizetype taille, bool cdata);
    void Separer(Collecte &c, const TBaliseXml *balise);
    // Texte(): line breaks as LF; TexteRiche(): the text of a card field or
    // description, line breaks as CR LF.
    QString Texte(const Collecte &c) const;
    const std::string &TexteRiche(Collecte &c, std::string &tampon) const;
    QString FeuilleStyle() const;
    void Options(const OptionsLues &lues);
    void Liens();
    std::string Tampon;
};

QString Lecteur::Texte(const Collecte &c) const
{
    std::string texte;
    AjouterTexte(texte, c.texte.data(), qsizetype(c.texte.size()), !EspacesPreserves, false);
    return TLectureXml::Chaine(texte);
}

// The node read so far joins the rich text.
void Lecteur::Vider(Collecte &c) const
{
    if (c.dernier != 0)
        AjouterTexte(c.texteRiche, c.noeud.data(), qsizetype(c.noeud.size()), !EspacesPreserves, true);
    c.noeud.clear();
    c.dernier = 0;
}

const std::string &Lecteur::TexteRiche(Collecte &c, std::string &tampon) const
{
    if (BalisesActives) {
        Vider(c);
        return c.texteRiche;
    }
    tampon.clear();
    AjouterTexte(tampon, c.texte.data(), qsizetype(c.texte.size()), !EspacesPreserves, true);
    return tampon;
}

void Lecteur::Ajouter(Collecte &c, const char *texte, qsizetype taille, bool cdata)
{
    if (c.tout)
        c.sortie->append(texte, size_t(taille));
    if (c.riche && Profondeur == c.profondeur) {
        // XML's nodes: a run of text is one, a run of adjacent CDATA sections another.
        const int genre = cdata ? 2 : 1;
        if (c.dernier != genre) {
            Vider(c);
            c.dernier = genre;
        }
        c.noeud.append(texte, size_t(taille));
    }
}

// Something else than text in the element (balise: a child element): the
// rich text's node ends there.
void Lecteur::Separer(Collecte &c, const TBaliseXml *balise)
{
    if (!c.riche || Profondeur != c.profondeur)
        return;
    Vider(c);
    if (balise && balise->EstNommee("br"))
        c.texteRiche.append("\r\n", 2);
    else if (balise && balise->EstNommee("tab"))
        c.texteRiche += '\t';
}

void Lecteur::Texte(const char *texte, qsizetype taille, bool cdata)
{
    if (Champ.profondeur)
        Ajouter(Champ, texte, taille, cdata);
    if (Partie.profondeur)
        Ajouter(Partie, texte, taille, cdata);
}

void Lecteur::Commentaire()
{
    if (!RacineLue) {
        AvantRacine.append({false, QString(), QString()});
        return;
    }
    if (Champ.profondeur)
        Separer(Champ, nullptr);
    if (Partie.profondeur)
        Separer(Partie, nullptr);
}

void Lecteur::Instruction(QByteArrayView cible, QByteArrayView donnees)
{
    if (!RacineLue) {
        std::string texte;
        AjouterTexte(texte, donnees.data(), donnees.size(), false, false);
        AvantRacine.append({true, TLectureXml::Chaine(cible), TLectureXml::Chaine(texte)});
        return;
    }
    if (Champ.profondeur)
        Separer(Champ, nullptr);
    if (Partie.profondeur)
        Separer(Partie, nullptr);
}

// The last style sheet among the instructions before the root, up to the
// first node of another kind.
QString Lecteur::FeuilleStyle() const
{
    QString feuille;
    for (const Prologue &n : AvantRacine) {
        if (!n.instruction)
            break;
        if (n.cible != QLatin1String("xml-stylesheet"))
            continue;
        const QString &donnees = n.donnees;
        const qsizetype href = donnees.indexOf(QLatin1String("href=\""));
        if (href < 0)
            continue;
        const qsizetype debut = href + 6;
        const qsizetype xsl = donnees.indexOf(QLatin1String(".xsl\""), debut);
        if (xsl < 0)
            continue;
        feuille = ResoudreReferences(donnees.mid(debut, xsl + 4 - debut));
    }
    return feuille;
}

void Lecteur::Options(const OptionsLues &lues)
{
    f->AvecOptions = true;
    if (f->EstQuestionnaire) {
        const struct
        {
            Option option;
            bool TFichierX::*champ;
        } ouiNon[] = {{ReposerErreurs, &TFichierX::ReposerErreurs}, {SuivreOrdre, &TFichierX::SuivreOrdre},
                      {BriderEntree, &TFichierX::BriderEntree},     {DifferencierCasse, &TFichierX::DifferencierCasse},
                      {Phonetique, &TFichierX::Phonetique},         {MotAMot, &TFichierX::MotAMot},
                      {Correction, &TFichierX::Correction}};
        for (const auto &o : ouiNon)
            if (lues.vu[o.option])
                (*f).*o.champ = MinusculesAscii(lues.valeur[o.option]) == QLatin1String("oui");
        const struct
        {
            Option option;
            quint8 TFichierX::*champ;
            int parDefaut;
        } nombres[] = {{NombreQuestions, &TFichierX::NombreQuestions, 0},
                       {ScoreSatisfaisant, &TFichierX::ScoreSatisfaisant, 50},
                       {Temps, &TFichierX::Temps, 0}};
        for (const auto &n : nombres) {
            if (!lues.vu[n.option])
                continue;
            bool ok = false;
            int valeur = lues.texte[n.option].toInt(&ok, 10);
            if (!ok)
                valeur = n.parDefaut;
            (*f).*n.champ = quint8(valeur & 0xFF); // the low 8 bits, as stored
        }
        if (lues.vu[Ponctuation])
            f->Ponctuation = lues.texte[Ponctuation];
        if (lues.vu[OuVisible])
            f->OuVisible = lues.texte[OuVisible];
        if (lues.vu[OuCache])
            f->Fragmenteur = lues.texte[OuCache];
        f->AvecMotsIgnores = lues.vu[MotsIgnores];
        if (lues.vu[MotsIgnores])
            f->MotsIgnores = lues.texte[MotsIgnores];
    } else if (lues.vu[Fragmenteur]) {
        f->Fragmenteur = Desechapper(lues.texte[Fragmenteur]);
    }
    if (lues.vu[Espacement])
        f->Espacement = Desechapper(lues.texte[Espacement]);
    if (lues.vu[Alternateur])
        f->SetAlternateur(PremierCar(lues.texte[Alternateur]));
    if (lues.vu[Option::Commentaire])
        f->SetCommentaire(PremierCar(lues.texte[Option::Commentaire]));
    if (lues.vu[Troncature])
        f->SetTroncature(PremierCar(lues.texte[Troncature]));
}

void Lecteur::Liens()
{
    LiensPrets = true;
    const QString entoure = EspacesPreserves ? f->Fragmenteur : f->Espacement + f->Fragmenteur + f->Espacement;
    if (!f->OuVisible.isEmpty()) {
        LienVisible = (S(" ") + f->OuVisible + S(" ")).toStdString();
        LienCache = (f->Fragmenteur.isEmpty() ? f->Fragmenteur : entoure).toStdString();
        TestCache = !f->Fragmenteur.isEmpty();
    } else {
        LienVisible = (f->Fragmenteur.isEmpty() ? CRLF : entoure).toStdString();
        TestCache = false;
    }
}

void Lecteur::DebutRacine(const TBaliseXml &racine)
{
    RacineLue = true;
    if (!racine.EstNommee("AMBLORINE")) {
        AutreRacine = true;
        return;
    }
    const QString type = racine.Attribut("TYPE");
    QChar lettre = type.isEmpty() ? QChar(u'Q') : type.at(0);
    if (lettre >= u'a' && lettre <= u'z')
        lettre = QChar(lettre.unicode() - ('a' - 'A'));
    f = std::make_unique<TFichierX>(lettre, QChar(u'x'), Reglages);

    // Texts arrive in Unicode; the declared code page is kept so that the
    // file is written back in it.
    f->FeuilleStyle = FeuilleStyle();
    if (complet) {
        f->VersionCreation = racine.Attribut("VERSION_CREATION");
        if (f->VersionCreation.isEmpty())
            f->VersionCreation = racine.Attribut("VERSION");
        if (f->VersionCreation.isNull())
            f->VersionCreation = QString();
    }
    const QString idFiche = racine.Attribut("ID_FICHE");
    if (TFichierX::EstIdentifiant(idFiche))
        f->IdFiche = idFiche;
    f->SetIdChamp0(racine.Attribut("ID_CHAMP0"));
    f->SetIdChamp1(racine.Attribut("ID_CHAMP1"));
    const QString idChamp2 = racine.Attribut("ID_CHAMP2");
    if (TFichierX::EstIdentifiant(idChamp2))
        f->IdChamp2 = idChamp2;
    f->BalisesControles = MinusculesAscii(racine.Attribut("BALISES_CONTROLES"));
    f->XmlSpace = racine.Attribut("xml:space");
    f->Retour = MajusculesAscii(racine.Attribut("RETOUR"));
    BalisesActives = f->BalisesControles == QLatin1String("oui")
        || (!f->FeuilleStyle.isEmpty() && f->BalisesControles != QLatin1String("non"));
    EspacesPreserves = f->XmlSpace == QLatin1String("preserve");
    IdFiche = f->IdFiche.toUtf8();
    NomChamp[0] = f->IdChamp0.toUtf8();
    NomChamp[1] = f->IdChamp1.toUtf8();
    NomChamp[2] = f->IdChamp2.toUtf8();
    if (OptionsAvant) {
        // They came after cards: a first pass read them.
        Options(*OptionsAvant);
        Vus |= RoleOptions;
    }
}

void Lecteur::DebutPartie(const TBaliseXml &balise)
{
    Roles = 0;
    if (complet && balise.EstNommee(IdFiche))
        Roles |= RoleFiche;
    const struct
    {
        Role role;
        const char *nom;
    } uniques[] = {{RoleTitre, "TITRE"},     {RoleSignature, "SIGNATURE"},   {RoleDescription, "DESCRIPTION"},
                   {RoleOptions, "OPTIONS"}, {RoleEtiquettes, "ETIQUETTES"}, {RoleCanevas, "CANEVAS"}};
    for (const auto &u : uniques) {
        if (!(Vus & u.role) && balise.EstNommee(u.nom)) {
            Vus |= u.role;
            Roles |= u.role;
            break;
        }
    }
    if (!complet)
        Roles &= ~unsigned(RoleTitre | RoleSignature | RoleDescription);
    if (Roles & RoleFiche) {
        if (!LiensPrets)
            Liens();
        TitreLu = !f->AvecTitre;
        QuestionLue = f->Numerote;
        Premier = true;
        for (std::string &c : Champs)
            c.clear();
    }
    if ((Roles & RoleOptions) && LiensPrets) {
        // Cards before the options would be joined with other links: the
        // options are read, then the document again with them first.
        Relire = true;
    }
    if (Roles & RoleOptions)
        OptionsDuFichier = OptionsLues();
    OptionsVues = 0;
    IdsVus = 0;
    for (int i = 0; i < 3; ++i) {
        TexteIds[i].clear();
        IdsLus[i] = false;
    }
    if (Roles & (RoleTitre | RoleSignature))
        Partie.Commencer(Profondeur, true, false);
    else if (Roles & RoleDescription)
        Partie.Commencer(Profondeur, !BalisesActives, BalisesActives);
}

void Lecteur::DebutChamp(const TBaliseXml &balise)
{
    ChampsFiche = 0;
    ChampsIds = 0;
    OptionChamp = -1;
    if (Roles & RoleFiche) {
        if (!TitreLu && balise.EstNommee(NomChamp[0])) {
            TitreLu = true;
            ChampsFiche |= 1;
        }
        if (!QuestionLue && balise.EstNommee(NomChamp[1])) {
            QuestionLue = true;
            ChampsFiche |= 2;
        }
        if (balise.EstNommee(NomChamp[2])) {
            ChampsFiche |= 4;
            if (!Premier) {
                const bool cache = TestCache && balise.AttributEst("CACHE", "oui");
                Champs[2] += cache ? LienCache : LienVisible;
            }
            Premier = false;
        }
    }
    if (Roles & RoleOptions) {
        for (int i = 0; i < NombreOptions; ++i) {
            if (!(OptionsVues & (1u << i)) && balise.EstNommee(NomsOptions[i])) {
                OptionsVues |= 1u << i;
                OptionChamp = i;
                ValeurChamp = balise.Attribut("VALEUR");
                break;
            }
        }
    }
    if (Roles & (RoleEtiquettes | RoleCanevas)) {
        for (int i = 0; i < 3; ++i) {
            if (!(IdsVus & (1u << i)) && balise.EstNommee(NomChamp[i])) {
                IdsVus |= 1u << i;
                ChampsIds |= 1u << i;
            }
        }
    }
    if (ChampsFiche || ChampsIds || OptionChamp >= 0) {
        const bool riche = ChampsFiche && BalisesActives;
        // The usual field: its text goes straight into the card's.
        const bool seul = !riche && !ChampsIds && OptionChamp < 0 && (ChampsFiche & (ChampsFiche - 1)) == 0;
        std::string *vers = seul ? &Champs[ChampsFiche == 1 ? 0 : ChampsFiche == 2 ? 1 : 2] : nullptr;
        Champ.Commencer(Profondeur, ChampsIds || OptionChamp >= 0 || !riche, riche, vers);
    }
}

void Lecteur::FinChamp()
{
    if (Champ.sortie != &Champ.texte) {
        FinirTexte(*Champ.sortie, Champ.debut, !EspacesPreserves, true);
    } else if (ChampsFiche) {
        const std::string &texte = TexteRiche(Champ, Tampon);
        for (int i = 0; i < 3; ++i)
            if (ChampsFiche & (1u << i))
                Champs[i] += texte;
    }
    if (ChampsIds || OptionChamp >= 0) {
        const QString texte = Texte(Champ);
        for (int i = 0; i < 3; ++i) {
            if (ChampsIds & (1u << i)) {
                TexteIds[i] = texte;
                IdsLus[i] = true;
            }
        }
        if (OptionChamp >= 0) {
            OptionsDuFichier.vu[OptionChamp] = true;
            OptionsDuFichier.valeur[OptionChamp] = ValeurChamp;
            OptionsDuFichier.texte[OptionChamp] = texte;
        }
    }
    Champ.profondeur = 0;
}

void Lecteur::FinPartie()
{
    if (Roles & RoleFiche) {
        auto chaine = [](const std::string &texte) { return texte.empty() ? QString() : TLectureXml::Chaine(texte); };
        f->AjouterFiche(chaine(Champs[0]), chaine(Champs[1]), chaine(Champs[2]));
    }
    if (Roles & RoleTitre)
        f->SetTitre(Texte(Partie));
    if (Roles & RoleSignature)
        f->Signature = Texte(Partie);
    if (Roles & RoleDescription)
        f->Description = TLectureXml::Chaine(TexteRiche(Partie, Tampon));
    if (Roles & RoleOptions) {
        if (Relire) {
            if (Lecture)
                Lecture->Arreter();
        } else {
            Options(OptionsDuFichier);
        }
    }
    if (Roles & RoleEtiquettes) {
        if (IdsLus[0])
            f->Etiquettes.SetChamp0(TexteIds[0]);
        if (IdsLus[1])
            f->Etiquettes.SetChamp1(TexteIds[1]);
        if (IdsLus[2])
            f->Etiquettes.SetChamp2(TexteIds[2]);
        f->AvecEtiquettes = true;
    }
    if (Roles & RoleCanevas) {
        if (IdsLus[0])
            f->Canevas.SetChamp0(TexteIds[0]);
        if (IdsLus[1])
            f->Canevas.SetChamp1(Desechapper(TexteIds[1]));
        if (IdsLus[2])
            f->Canevas.SetChamp2(Desechapper(TexteIds[2]));
        f->AvecCanevas = true;
    }
    Partie.profondeur = 0;
    Roles = 0;
}

void Lecteur::Debut(const TBaliseXml &balise)
{
    // In the element that holds it, a child ends the rich text's node.
    if (Champ.profondeur)
        Separer(Champ, &balise);
    if (Partie.profondeur)
        Separer(Partie, &balise);
    ++Profondeur;
    if (Profondeur == 1) {
        DebutRacine(balise);
        return;
    }
    if (AutreRacine)
        return;
    if (Profondeur == 2)
        DebutPartie(balise);
    else if (Profondeur == 3 && Roles & (RoleFiche | RoleOptions | RoleEtiquettes | RoleCanevas))
        DebutChamp(balise);
}

void Lecteur::Fin()
{
    if (!AutreRacine) {
        if (Profondeur == 3 && Champ.profondeur)
            FinChamp();
        else if (Profondeur == 2)
            FinPartie();
    }
    --Profondeur;
}

std::unique_ptr<TFichierX> Lecteur::Lire(const QByteArray &octets)
{
    TLectureXml lecture(*this);
    Lecture = &lecture;
    const bool lu = lecture.Lire(octets);
    Lecture = nullptr;
    if (Relire && lecture.Arrete()) {
        // The options came after cards: read again, with them first.
        f.reset();
        const OptionsLues options = OptionsDuFichier;
        if (TBudgetMemoire *budget = TBudgetMemoire::Courant())
            budget->Recommencer();
        return Lecteur(complet, &options, Reglages).Lire(octets);
    }
    if (!lu)
        throw ErreurIdInvalide(GardeXml::AvecMessages(MessageCodeXml()));
    if (!f)
        throw ErreurIdInvalide(MessageNonAmblorine());
    const int page = PageCode::DepuisNomEncodage(lecture.Encodage());
    if (page != 0 && page != 65001)
        f->PageCode = quint16(page);
    f->Modifie = false;
    return std::move(f);
}

} // namespace

std::unique_ptr<TFichierX> TFichierXML::LireXml(const QByteArray &octets, bool complet, const TOptions &options)
{
    TBudgetMemoire budget(octets.size());
    return Lecteur(complet, nullptr, options).Lire(octets);
}

std::unique_ptr<TFichierX> TFichierXML::ChargerXml(const QString &nom, bool modifiable, bool complet,
                                                   const TOptions &options)
{
    auto flux = TFlux::Ouvrir(nom, modifiable);
    auto f = LireXml(flux->LireTout(), complet, options);
    if (complet) {
        Contrat::TerminerChargement(*f, nom, std::move(flux), modifiable);
    } else {
        // A model: the new file has no name and no stream yet.
        flux.reset();
        f->Modifiable = true;
        f->Modifie = false;
    }
    return f;
}
