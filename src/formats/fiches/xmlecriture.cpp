#include "formats/fiches/xml.h"

// Writing XML card files.

#include "formats/fiches/xmlcommun.h"

#include "formats/contrat.h"
#include "formats/documentxml.h"
#include "formats/table.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/outils.h"
#include "model/pagecode.h"
#include "model/progression.h"
#include "resources/chaines.h"

#include <algorithm>

namespace {

using namespace XmlCommun;

// Calls f with each code point of the text; unpaired surrogates are skipped.
template <typename F>
void PourChaqueCaractere(const QString &texte, F f)
{
    const qsizetype n = texte.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = texte.at(i);
        if (c.isHighSurrogate() && i + 1 < n && texte.at(i + 1).isLowSurrogate()) {
            f(QChar::surrogateToUcs4(c, texte.at(i + 1)));
            ++i;
        } else if (!c.isSurrogate()) {
            f(char32_t(c.unicode()));
        }
    }
}

class Ecrivain
{
public:
    Ecrivain(const TFichierX &fichier, const TOptions &options);
    QByteArray Ecrire();

private:
    const TFichierX &f;
    bool BalisesActives = false;
    bool EspacesPreserves = false;
    bool ModeCData = false;
    bool Utf8 = true;
    int Page = 0;
    QByteArray SautDeLigne;
    QString SeparateurReponses;
    QString OuvertureFiche;
    QString FermetureFiche;
    // The whole document, written as it is built: UTF-8 or code page bytes.
    QByteArray Sortie;

    QString SansInterdits(const QString &texte) const;
    QString References(const QString &texte, bool cdata) const;
    QString Entites(const QString &texte) const;
    QString RegleTexte(const QString &texte) const;
    QString RegleChamp(const QString &texte) const;
    QString CData(const QString &texte) const;
    QString ValeurAttribut(const QString &texte, bool chevronFermant) const;
    QString Attribut(const QString &nom, const QString &valeur) const;

    void Octets(QStringView texte);
    void Utf8Direct(QStringView texte, bool regleTexte);
    void Ligne(QStringView texte);
    void TexteFiche(QStringView texte);
    void ChampFiche(QStringView texte);
    void ElementFiche(const QString &nom, QStringView attributs, QStringView contenu, bool champ);

    void ElementTexte(const QString &nom, const QString &contenu);
    void ElementOuiNon(const QString &nom, bool valeur);
    void ElementNombre(const QString &nom, int valeur);
    void Options();
    void Etiquettes();
    void Canevas();
    void Fiche(const TFicheX &fiche);
};

Ecrivain::Ecrivain(const TFichierX &fichier, const TOptions &options) : f(fichier)
{
    EspacesPreserves = f.XmlSpace == QLatin1String("preserve");
    BalisesActives = f.FeuilleStyle.isEmpty() ? f.BalisesControles == QLatin1String("oui")
                                              : f.BalisesControles != QLatin1String("non");
    if (!f.Retour.isEmpty())
        SautDeLigne = f.Retour == QLatin1String("LF") ? "\n" : "\r\n";
    else
        SautDeLigne = options.lfSeul ? "\n" : "\r\n";
    ModeCData = f.TypeFichier == u'M' || f.TypeFichier == u'H';
    OuvertureFiche = QStringLiteral("<%1>").arg(f.IdFiche);
    FermetureFiche = QStringLiteral("</%1>").arg(f.IdFiche);
    Utf8 = options.utf8Xml;
    // A code page the program cannot write is replaced by the system's, so
    // the declaration always names the bytes that follow.
    Page = PageCode::Connue(f.PageCode) ? f.PageCode : PageCode::AnsiSysteme();
    // Element names cannot hold character references: names the code page
    // lacks are only kept intact in UTF-8.
    if (!Utf8) {
        for (const QString &nom : {f.IdFiche, f.IdChamp0, f.IdChamp1, f.IdChamp2})
            PourChaqueCaractere(nom, [this](char32_t c) {
                if (!PageCode::Representable(c, Page))
                    Utf8 = true;
            });
    }
    if (!f.Fragmenteur.isEmpty()) {
        SeparateurReponses = f.Fragmenteur;
        if (!EspacesPreserves && (f.Espacement == CRLF || options.espacesMinimaux))
            SeparateurReponses = f.Espacement + f.Fragmenteur + f.Espacement;
    }
}

// True when no UTF-16 unit needs a closer look: no control character XML
// lacks, no surrogate, neither U+FFFE nor U+FFFF. The common case, in one pass.
bool SimplementPropre(QStringView texte)
{
    for (const QChar c : texte) {
        const char16_t u = c.unicode();
        if (u < 0x20 ? (u != 0x9 && u != 0xA && u != 0xD) : (u >= 0xD800 && (u <= 0xDFFF || u >= 0xFFFE)))
            return false;
    }
    return true;
}

bool AvecBalisage(const QString &texte)
{
    return std::any_of(texte.cbegin(), texte.cend(), [](QChar c) { return c == u'&' || c == u'<' || c == u'>'; });
}

// <nom attributs>contenu</nom>, built without format strings: one per text
// of every card.
QString Element(const QString &nom, const QString &attributs, const QString &contenu)
{
    QString ligne;
    ligne.reserve(2 * nom.size() + attributs.size() + contenu.size() + 5);
    ligne += u'<';
    ligne += nom;
    ligne += attributs;
    ligne += u'>';
    ligne += contenu;
    ligne += u'<';
    ligne += u'/';
    ligne += nom;
    ligne += u'>';
    return ligne;
}

// Characters XML 1.0 cannot carry, even as references, are left out.
QString Ecrivain::SansInterdits(const QString &texte) const
{
    if (SimplementPropre(texte))
        return texte;
    bool propre = true;
    PourChaqueCaractere(texte, [&](char32_t c) { propre = propre && EstCaractereXml(c); });
    if (propre && !std::any_of(texte.cbegin(), texte.cend(), [](QChar c) { return c.isSurrogate(); }))
        return texte;
    QString resultat;
    resultat.reserve(texte.size());
    PourChaqueCaractere(texte, [&](char32_t c) {
        if (EstCaractereXml(c))
            resultat.append(QString::fromUcs4(&c, 1));
    });
    return resultat;
}

// In a code page, a character it lacks becomes a character reference (outside
// any CDATA section, which cannot hold one).
QString Ecrivain::References(const QString &texte, bool cdata) const
{
    if (Utf8)
        return texte;
    QString resultat;
    resultat.reserve(texte.size());
    PourChaqueCaractere(texte, [&](char32_t c) {
        if (PageCode::Representable(c, Page)) {
            resultat.append(QString::fromUcs4(&c, 1));
        } else {
            const QString reference = QStringLiteral("&#%1;").arg(uint(c));
            resultat.append(cdata ? S("]]>") + reference + S("<![CDATA[") : reference);
        }
    });
    return resultat;
}

QString Ecrivain::Entites(const QString &texte) const
{
    QString resultat = SansInterdits(texte);
    if (AvecBalisage(resultat)) {
        resultat.replace(u'&', QLatin1String("&amp;"));
        resultat.replace(u'<', QLatin1String("&lt;"));
        resultat.replace(u'>', QLatin1String("&gt;"));
    }
    return References(resultat, false);
}

QString Ecrivain::RegleTexte(const QString &texte) const
{
    QString resultat = Entites(texte);
    if (BalisesActives && (resultat.contains(u'\r') || resultat.contains(u'\t'))) {
        resultat.replace(CRLF, EspacesPreserves ? S("<br/>") : S("<br/>\r\n"));
        resultat.replace(u'\t', QLatin1String("<tab/>"));
    }
    return resultat;
}

QString Ecrivain::CData(const QString &texte) const
{
    QString contenu = SansInterdits(texte);
    // One section cannot hold "]]>": it ends between "]]" and ">".
    if (contenu.contains(QLatin1String("]]>")))
        contenu.replace(QLatin1String("]]>"), QLatin1String("]]]]><![CDATA[>"));
    contenu = References(contenu, true);
    QString section;
    section.reserve(contenu.size() + 12);
    section += QLatin1String("<![CDATA[");
    section += contenu;
    section += QLatin1String("]]>");
    return section;
}

QString Ecrivain::RegleChamp(const QString &texte) const
{
    return ModeCData ? CData(texte) : RegleTexte(texte);
}

QString Ecrivain::ValeurAttribut(const QString &texte, bool chevronFermant) const
{
    QString resultat = SansInterdits(texte);
    resultat.replace(u'&', QLatin1String("&amp;"));
    resultat.replace(u'<', QLatin1String("&lt;"));
    resultat.replace(u'"', QLatin1String("&quot;"));
    if (chevronFermant)
        resultat.replace(u'>', QLatin1String("&gt;"));
    // A parser turns these into spaces unless they are references.
    resultat.replace(u'\t', QLatin1String("&#9;"));
    resultat.replace(u'\n', QLatin1String("&#10;"));
    resultat.replace(u'\r', QLatin1String("&#13;"));
    return References(resultat, false);
}

QString Ecrivain::Attribut(const QString &nom, const QString &valeur) const
{
    if (valeur.isEmpty())
        return QString();
    return QStringLiteral(" %1=\"%2\"").arg(nom, ValeurAttribut(valeur, false));
}

// Appends text already in its XML form. In UTF-8 every line break, those
// inside texts included, becomes SautDeLigne; a code page keeps the texts'
// breaks as they are.
void Ecrivain::Octets(QStringView texte)
{
    if (Utf8)
        Utf8Direct(texte, false);
    else
        PageCode::EncoderDans(Sortie, texte, Page);
}

// Writes texte as UTF-8 straight into Sortie. With regleTexte, texte is a
// card's raw text free of characters XML lacks and is given the text rules on
// the way (RegleTexte's result, without building it).
void Ecrivain::Utf8Direct(QStringView texte, bool regleTexte)
{
    const bool balises = regleTexte && BalisesActives;
    const qsizetype taille = Sortie.size();
    // At most 7 bytes for one unit ("<tab/>" + nothing, "<br/>" + a break
    // for two, 3 bytes of UTF-8, "&amp;"...).
    Sortie.resize(taille + texte.size() * 7);
    char *const debut = Sortie.data();
    char *o = debut + taille;
    const char *const saut = SautDeLigne.constData();
    const qsizetype longueurSaut = SautDeLigne.size();
    auto ajouter = [&o](const char *chaine) {
        while (*chaine)
            *o++ = *chaine++;
    };
    const char16_t *c = texte.utf16();
    const char16_t *const fin = c + texte.size();
    while (c < fin) {
        const char16_t u = *c++;
        if (u < 0x80) {
            if (u == u'\r' || u == u'\n') {
                const bool paire = u == u'\r' && c < fin && *c == u'\n';
                if (paire)
                    ++c;
                if (paire && balises) {
                    // CR LF is "<br/>", followed by a break unless spaces are preserved
                    ajouter("<br/>");
                    if (EspacesPreserves)
                        continue;
                }
                for (qsizetype k = 0; k < longueurSaut; ++k)
                    *o++ = saut[k];
            } else if (regleTexte && u == u'&') {
                ajouter("&amp;");
            } else if (regleTexte && u == u'<') {
                ajouter("&lt;");
            } else if (regleTexte && u == u'>') {
                ajouter("&gt;");
            } else if (balises && u == u'\t') {
                ajouter("<tab/>");
            } else {
                *o++ = char(u);
            }
        } else if (u < 0x800) {
            *o++ = char(0xC0 | (u >> 6));
            *o++ = char(0x80 | (u & 0x3F));
        } else if (QChar::isHighSurrogate(u) && c < fin && QChar::isLowSurrogate(*c)) {
            const char32_t point = QChar::surrogateToUcs4(u, *c++);
            *o++ = char(0xF0 | (point >> 18));
            *o++ = char(0x80 | ((point >> 12) & 0x3F));
            *o++ = char(0x80 | ((point >> 6) & 0x3F));
            *o++ = char(0x80 | (point & 0x3F));
        } else if (QChar::isSurrogate(u)) {
            *o++ = '?'; // as QString::toUtf8 has it
        } else {
            *o++ = char(0xE0 | (u >> 12));
            *o++ = char(0x80 | ((u >> 6) & 0x3F));
            *o++ = char(0x80 | (u & 0x3F));
        }
    }
    Sortie.resize(o - debut);
}

void Ecrivain::Ligne(QStringView texte)
{
    Octets(texte);
    Sortie += SautDeLigne;
}

// A card's text: written directly in the common case, through RegleTexte
// when a character needs a closer look or a code page is written.
void Ecrivain::TexteFiche(QStringView texte)
{
    if (Utf8 && SimplementPropre(texte))
        Utf8Direct(texte, true);
    else
        Octets(RegleTexte(texte.toString()));
}

void Ecrivain::ChampFiche(QStringView texte)
{
    if (!ModeCData) {
        TexteFiche(texte);
    } else if (Utf8 && SimplementPropre(texte) && !texte.contains(QLatin1String("]]>"))) {
        Sortie += "<![CDATA[";
        Utf8Direct(texte, false);
        Sortie += "]]>";
    } else {
        Octets(CData(texte.toString()));
    }
}

// One line <nom attributs>contenu</nom> of a card, contenu a field
// (champ) or a text.
void Ecrivain::ElementFiche(const QString &nom, QStringView attributs, QStringView contenu, bool champ)
{
    Sortie += '<';
    Octets(nom);
    Octets(attributs);
    Sortie += '>';
    if (champ)
        ChampFiche(contenu);
    else
        TexteFiche(contenu);
    Sortie += "</";
    Octets(nom);
    Sortie += '>';
    Sortie += SautDeLigne;
}

void Ecrivain::ElementTexte(const QString &nom, const QString &contenu)
{
    Ligne(Element(nom, QString(), contenu));
}

void Ecrivain::ElementOuiNon(const QString &nom, bool valeur)
{
    Ligne(QStringLiteral("<%1 VALEUR=\"%2\"/>").arg(nom, valeur ? S("oui") : S("non")));
}

void Ecrivain::ElementNombre(const QString &nom, int valeur)
{
    Ligne(QStringLiteral("<%1>%2</%1>").arg(nom).arg(valeur));
}

void Ecrivain::Options()
{
    Ligne(u"<OPTIONS>");
    if (f.EstQuestionnaire) {
        ElementTexte(S("OU_VISIBLE"), RegleTexte(f.OuVisible));
        ElementTexte(S("OU_CACHE"), RegleTexte(f.Fragmenteur));
        ElementOuiNon(S("REPOSER_ERREURS"), f.ReposerErreurs);
        ElementOuiNon(S("SUIVRE_ORDRE"), f.SuivreOrdre);
        ElementOuiNon(S("BRIDER_ENTREE"), f.BriderEntree);
        ElementOuiNon(S("MOT_A_MOT"), f.MotAMot);
        ElementOuiNon(S("DIFFERENCIER_CASSE"), f.DifferencierCasse);
        ElementOuiNon(S("PHONETIQUE"), f.Phonetique);
        ElementNombre(S("NOMBRE_QUESTIONS"), f.NombreQuestions);
        ElementNombre(S("SCORE_SATISFAISANT"), f.ScoreSatisfaisant);
        ElementOuiNon(S("CORRECTION"), f.Correction);
        ElementNombre(S("TEMPS"), f.Temps);
        ElementTexte(S("PONCTUATION"), RegleTexte(f.Ponctuation));
        if (f.AvecMotsIgnores)
            ElementTexte(S("MOTS_IGNORES"), RegleTexte(f.MotsIgnores));
    } else {
        ElementTexte(S("FRAGMENTEUR"), RegleTexte(Echapper(f.Fragmenteur)));
    }
    auto caractere = [this](const char *nom, QChar valeur, char16_t parDefaut) {
        if (!valeur.isNull() && valeur != parDefaut)
            ElementTexte(S(nom), RegleTexte(QString(valeur)));
    };
    caractere("ALTERNATEUR", f.Alternateur, u'/');
    caractere("COMMENTAIRE", f.Commentaire, u'(');
    caractere("TRONCATURE", f.Troncature, u'*');
    if (f.Espacement != f.EspacementParDefaut())
        ElementTexte(S("ESPACEMENT"), RegleTexte(Echapper(f.Espacement)));
    Ligne(u"</OPTIONS>");
}

void Ecrivain::Etiquettes()
{
    Ligne(u"<ETIQUETTES>");
    ElementTexte(f.IdChamp0, Entites(f.Etiquettes.Champ0()));
    ElementTexte(f.IdChamp1, ModeCData ? CData(f.Etiquettes.Champ1()) : Entites(f.Etiquettes.Champ1()));
    ElementTexte(f.IdChamp2, ModeCData ? CData(f.Etiquettes.Champ2()) : Entites(f.Etiquettes.Champ2()));
    Ligne(u"</ETIQUETTES>");
}

void Ecrivain::Canevas()
{
    Ligne(u"<CANEVAS>");
    if (f.AvecTitre)
        ElementTexte(f.IdChamp0, RegleTexte(f.Canevas.Champ0()));
    if (!f.Numerote)
        ElementTexte(f.IdChamp1, RegleChamp(Echapper(f.Canevas.Champ1())));
    ElementTexte(f.IdChamp2, RegleChamp(Echapper(f.Canevas.Champ2())));
    Ligne(u"</CANEVAS>");
}

void Ecrivain::Fiche(const TFicheX &fiche)
{
    Ligne(OuvertureFiche);
    if (f.AvecTitre)
        ElementFiche(f.IdChamp0, {}, fiche.Champ0(), false);
    if (!f.Numerote)
        ElementFiche(f.IdChamp1, {}, fiche.Champ1(), true);
    // One element per answer, the separator's pieces as split would give them.
    const QString &reponses = fiche.Champ2();
    const QStringView cache = f.EstQuestionnaire ? QStringView(u" CACHE=\"oui\"") : QStringView();
    qsizetype debut = 0;
    for (bool premier = true;; premier = false) {
        const qsizetype trouve = SeparateurReponses.isEmpty() ? -1 : reponses.indexOf(SeparateurReponses, debut);
        const qsizetype fin = trouve < 0 ? reponses.size() : trouve;
        ElementFiche(f.IdChamp2, premier ? QStringView() : cache, QStringView(reponses).mid(debut, fin - debut), true);
        if (trouve < 0)
            break;
        debut = trouve + SeparateurReponses.size();
    }
    Ligne(FermetureFiche);
}

QByteArray Ecrivain::Ecrire()
{
    // Room for the cards' texts and tags, so that the document is rarely
    // moved while it grows.
    const qsizetype balises = 2 * (f.IdFiche.size() + f.IdChamp0.size() + f.IdChamp1.size() + f.IdChamp2.size())
        + 6 * (5 + SautDeLigne.size());
    qsizetype taille = 4096;
    for (const auto &fiche : f.Fiches)
        taille += fiche.Champ0().size() + fiche.Champ1().size() + fiche.Champ2().size() + balises;
    Sortie.reserve(taille + taille / 8);

    Ligne(Utf8 ? S("<?xml version=\"1.0\" encoding=\"UTF-8\"?>")
               : QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>").arg(PageCode::NomEncodage(Page)));
    if (!f.FeuilleStyle.isEmpty())
        Ligne(QStringLiteral("<?xml-stylesheet type=\"text/xsl\" href=\"%1\"?>")
                  .arg(ValeurAttribut(f.FeuilleStyle, true)));
    Ligne(S("<AMBLORINE") + Attribut(S("VERSION"), Chaines::Version())
          + Attribut(S("VERSION_CREATION"), f.VersionCreationEcrite()) + Attribut(S("TYPE"), QString(f.TypeFichier))
          + Attribut(S("ID_FICHE"), f.IdFiche) + Attribut(S("ID_CHAMP0"), f.IdChamp0Effectif())
          + Attribut(S("ID_CHAMP1"), f.IdChamp1Effectif()) + Attribut(S("ID_CHAMP2"), f.IdChamp2)
          + Attribut(S("BALISES_CONTROLES"), f.BalisesControles) + Attribut(S("RETOUR"), f.Retour)
          + Attribut(S("xml:space"), f.XmlSpace) + S(">"));
    ElementTexte(S("TITRE"), RegleTexte(f.Titre));
    if (!f.Signature.isEmpty())
        ElementTexte(S("SIGNATURE"), RegleTexte(f.Signature));
    if (!f.Description.isEmpty())
        ElementTexte(S("DESCRIPTION"), RegleTexte(f.Description));
    if (f.AvecOptions)
        Options();
    if (f.AvecEtiquettes)
        Etiquettes();
    if (f.AvecCanevas)
        Canevas();
    for (const auto &fiche : f.Fiches) {
        TProgression::Avancer(&fiche - f.Fiches.data(), qint64(f.Fiches.size()));
        Fiche(fiche);
    }
    Ligne(u"</AMBLORINE>");
    return std::move(Sortie);
}

} // namespace

QByteArray TFichierXML::EcrireXml(const TFichierX &fichier, const TOptions &options)
{
    return Ecrivain(fichier, options).Ecrire();
}

void TFichierXML::EnregistrerXml(TFichierX &fichier, const QString &nom, bool nouveau, const TOptions &options)
{
    Contrat::TerminerEnregistrement(fichier, nom, nouveau, u'x', EcrireXml(fichier, options));
}

namespace {

class FormatXml : public Formats::TFormat
{
public:
    QChar Lettre() const override { return u'x'; }
    const char *Nom() const override { return QT_TRANSLATE_NOOP("Chaines", "XML"); }
    const char *Motif() const override { return "xaq*"; }
    unsigned Capacites() const override
    {
        return Formats::Document | Formats::Modele | Formats::Entete | Formats::TitresToujours | Formats::Etiquettes
            | Formats::DocumentXml | Formats::Repli;
    }
    bool DansOuverture(QChar, const TOptions &) const override { return true; }
    int RangReconnaissance() const override { return 0; }
    bool Reconnaitre(const Formats::Tete &tete) const override { return tete.texte.contains("<AMBL"); }
    bool Lisible() const override { return true; }
    bool Ecrivable() const override { return true; }
    std::unique_ptr<TFichierX> Lire(const QString &nom, const Formats::Lecture &l) const override
    {
        return TFichierXML::ChargerXml(nom, l.modifiable, l.commeDocument, l.options);
    }
    void Ecrire(TFichierX &f, const QString &nom, const Formats::Ecriture &e) const override
    {
        TFichierXML::EnregistrerXml(f, nom, e.nouveau, e.options);
    }
    bool OffertEnSauvegarde(const TFichierX &, const TOptions &) const override { return true; }
};

} // namespace

const Formats::TFormat &Formats::FormatXml()
{
    return Instance<::FormatXml>();
}
