#include "formats/xml.h"

// Reading XML card files.

#include "formats/xmlcommun.h"

#include "formats/contrat.h"
#include "formats/documentxml.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/outils.h"
#include "model/pagecode.h"
#include "resources/chaines.h"
#include "settings/init.h"

#include <algorithm>

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

// Every line break (CR, LF, CR LF, LF CR) becomes CR LF.
QString Normaliser(const QString &texte)
{
    const QChar *c = texte.constData();
    const qsizetype n = texte.size();
    qsizetype i = 0;
    while (i < n && c[i] != u'\r' && c[i] != u'\n')
        ++i;
    if (i == n)
        return texte;
    QString resultat;
    resultat.reserve(n + n / 8);
    qsizetype debut = 0;
    for (; i < n; ++i) {
        if (c[i] != u'\r' && c[i] != u'\n')
            continue;
        resultat.append(c + debut, i - debut);
        const QChar paire = c[i] == u'\r' ? QChar(u'\n') : QChar(u'\r');
        if (i + 1 < n && c[i + 1] == paire)
            ++i;
        resultat += CRLF;
        debut = i + 1;
    }
    resultat.append(c + debut, n - debut);
    return resultat;
}

class Lecteur
{
public:
    Lecteur(const QByteArray &octets, bool complet) : octets(octets), complet(complet) { }
    std::unique_ptr<TFichierX> Lire();

private:
    const QByteArray &octets;
    bool complet;
    TDocumentXml doc;
    std::unique_ptr<TFichierX> f;
    bool BalisesActives = false;
    bool EspacesPreserves = false;
    QString LienVisible;
    QString LienCache;
    bool TestCache = false;
    // The cards' element names in UTF-8, and a buffer for their texts.
    QByteArray NomChamp0;
    QByteArray NomChamp1;
    QByteArray NomChamp2;
    mutable QByteArray Tampon;

    QString Prendre(const QString &texte) const;
    QString TexteFiche(const TNoeudXml &element) const;
    QString Texte(const TNoeudXml &element) const { return Prendre(element.Texte()); }
    QString TexteRiche(const TNoeudXml &element) const;
    QString FeuilleStyle(const QList<TLectureXml::Prologue> &prologue) const;
    void Options(const TNoeudXml &options);
    void Liens();
    void DebutRacine(const TNoeudXml &racine, const QList<TLectureXml::Prologue> &prologue);
    void Fiche(const TNoeudXml &fiche);
    std::unique_ptr<TFichierX> LireEnFlux();
};

// The text rules: ends trimmed unless spaces are preserved.
QString Lecteur::Prendre(const QString &texte) const
{
    return EspacesPreserves ? texte : RognerXml(texte);
}

// Normaliser(Texte(element)) from the element's UTF-8 text, converted once.
QString Lecteur::TexteFiche(const TNoeudXml &element) const
{
    Tampon.resize(0);
    element.AjouterTexteUtf8(Tampon);
    const char *octets = Tampon.constData();
    qsizetype debut = 0;
    qsizetype fin = Tampon.size();
    if (!EspacesPreserves) {
        auto blanc = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
        while (debut < fin && blanc(octets[debut]))
            ++debut;
        while (fin > debut && blanc(octets[fin - 1]))
            --fin;
    }
    QString texte = QString::fromUtf8(octets + debut, fin - debut);
    if (texte.contains(u'\r')) {
        texte.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        texte.replace(u'\r', u'\n');
    }
    return Normaliser(texte);
}

QString Lecteur::TexteRiche(const TNoeudXml &element) const
{
    if (!BalisesActives)
        return TexteFiche(element);
    QString resultat;
    for (const TNoeudXml &n : element.Noeuds()) {
        switch (n.Type()) {
        case TNoeudXml::Genre::Texte:
        case TNoeudXml::Genre::CData:
            resultat += Normaliser(Prendre(n.Texte()));
            break;
        case TNoeudXml::Genre::Element:
            if (n.Nom() == QLatin1String("br"))
                resultat += CRLF;
            else if (n.Nom() == QLatin1String("tab"))
                resultat += u'\t';
            break;
        default:
            break;
        }
    }
    return resultat;
}

// prologue: the top-level nodes in order, the root's end the list's.
QString Lecteur::FeuilleStyle(const QList<TLectureXml::Prologue> &prologue) const
{
    QString feuille;
    for (const TLectureXml::Prologue &n : prologue) {
        const TNoeudXml::Genre genre = n.genre;
        if (genre == TNoeudXml::Genre::Declaration)
            continue;
        if (genre != TNoeudXml::Genre::Instruction)
            break;
        if (n.cible != QLatin1String("xml-stylesheet"))
            continue;
        const QString donnees = n.donnees;
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

void Lecteur::Options(const TNoeudXml &options)
{
    f->AvecOptions = true;
    if (f->EstQuestionnaire) {
        const struct
        {
            const char *nom;
            bool TFichierX::*option;
        } ouiNon[] = {
            {"REPOSER_ERREURS", &TFichierX::ReposerErreurs}, {"SUIVRE_ORDRE", &TFichierX::SuivreOrdre},
            {"BRIDER_ENTREE", &TFichierX::BriderEntree},     {"DIFFERENCIER_CASSE", &TFichierX::DifferencierCasse},
            {"PHONETIQUE", &TFichierX::Phonetique},          {"MOT_A_MOT", &TFichierX::MotAMot},
            {"CORRECTION", &TFichierX::Correction}};
        for (const auto &o : ouiNon) {
            const TNoeudXml e = options.Enfant(S(o.nom));
            if (e)
                (*f).*o.option = MinusculesAscii(e.Attribut(S("VALEUR"))) == QLatin1String("oui");
        }
        const struct
        {
            const char *nom;
            quint8 TFichierX::*valeur;
            int parDefaut;
        } nombres[] = {{"NOMBRE_QUESTIONS", &TFichierX::NombreQuestions, 0},
                       {"SCORE_SATISFAISANT", &TFichierX::ScoreSatisfaisant, 50},
                       {"TEMPS", &TFichierX::Temps, 0}};
        for (const auto &n : nombres) {
            const TNoeudXml e = options.Enfant(S(n.nom));
            if (!e)
                continue;
            bool ok = false;
            int valeur = Texte(e).toInt(&ok, 10);
            if (!ok)
                valeur = n.parDefaut;
            (*f).*n.valeur = quint8(valeur & 0xFF); // the low 8 bits, as stored
        }
        if (const TNoeudXml e = options.Enfant(S("PONCTUATION")))
            f->Ponctuation = Texte(e);
        if (const TNoeudXml e = options.Enfant(S("OU_VISIBLE")))
            f->OuVisible = Texte(e);
        if (const TNoeudXml e = options.Enfant(S("OU_CACHE")))
            f->Fragmenteur = Texte(e);
        const TNoeudXml mots = options.Enfant(S("MOTS_IGNORES"));
        f->AvecMotsIgnores = !mots.EstNul();
        if (mots)
            f->MotsIgnores = Texte(mots);
    } else if (const TNoeudXml e = options.Enfant(S("FRAGMENTEUR"))) {
        f->Fragmenteur = Desechapper(Texte(e));
    }
    if (const TNoeudXml e = options.Enfant(S("ESPACEMENT")))
        f->Espacement = Desechapper(Texte(e));
    if (const TNoeudXml e = options.Enfant(S("ALTERNATEUR")))
        f->SetAlternateur(PremierCar(Texte(e)));
    if (const TNoeudXml e = options.Enfant(S("COMMENTAIRE")))
        f->SetCommentaire(PremierCar(Texte(e)));
    if (const TNoeudXml e = options.Enfant(S("TRONCATURE")))
        f->SetTroncature(PremierCar(Texte(e)));
}

void Lecteur::Liens()
{
    NomChamp0 = f->IdChamp0.toUtf8();
    NomChamp1 = f->IdChamp1.toUtf8();
    NomChamp2 = f->IdChamp2.toUtf8();
    const QString entoure = EspacesPreserves ? f->Fragmenteur : f->Espacement + f->Fragmenteur + f->Espacement;
    if (!f->OuVisible.isEmpty()) {
        LienVisible = S(" ") + f->OuVisible + S(" ");
        LienCache = f->Fragmenteur.isEmpty() ? f->Fragmenteur : entoure;
        TestCache = !f->Fragmenteur.isEmpty();
    } else {
        LienVisible = f->Fragmenteur.isEmpty() ? CRLF : entoure;
        TestCache = false;
    }
}

void Lecteur::DebutRacine(const TNoeudXml &racine, const QList<TLectureXml::Prologue> &prologue)
{
    const QString type = racine.Attribut(S("TYPE"));
    QChar lettre = type.isEmpty() ? QChar(u'Q') : type.at(0);
    if (lettre >= u'a' && lettre <= u'z')
        lettre = QChar(lettre.unicode() - ('a' - 'A'));
    f = std::make_unique<TFichierX>(lettre, QChar(u'x'));

    // Texts arrive in Unicode; the declared code page is kept so that the
    // file is written back in it.
    f->FeuilleStyle = FeuilleStyle(prologue);
    if (complet) {
        f->VersionCreation = racine.Attribut(S("VERSION_CREATION"));
        if (f->VersionCreation.isEmpty())
            f->VersionCreation = racine.Attribut(S("VERSION"));
        if (f->VersionCreation.isNull())
            f->VersionCreation = QString();
    }
    const QString idFiche = racine.Attribut(S("ID_FICHE"));
    if (TFichierX::EstIdentifiant(idFiche))
        f->IdFiche = idFiche;
    f->SetIdChamp0(racine.Attribut(S("ID_CHAMP0")));
    f->SetIdChamp1(racine.Attribut(S("ID_CHAMP1")));
    const QString idChamp2 = racine.Attribut(S("ID_CHAMP2"));
    if (TFichierX::EstIdentifiant(idChamp2))
        f->IdChamp2 = idChamp2;
    f->BalisesControles = MinusculesAscii(racine.Attribut(S("BALISES_CONTROLES")));
    f->XmlSpace = racine.Attribut(S("xml:space"));
    f->Retour = MajusculesAscii(racine.Attribut(S("RETOUR")));
    BalisesActives = f->BalisesControles == QLatin1String("oui")
        || (!f->FeuilleStyle.isEmpty() && f->BalisesControles != QLatin1String("non"));
    EspacesPreserves = f->XmlSpace == QLatin1String("preserve");
}

void Lecteur::Fiche(const TNoeudXml &fiche)
{
    QString champ0;
    QString champ1;
    QString champ2;
    // One pass over the children: the first title and question elements,
    // every answer element in order.
    bool titre = !f->AvecTitre;
    bool question = f->Numerote;
    bool premier = true;
    for (TNoeudXml r = fiche.PremierEnfant(); r; r = r.Suivant()) {
        if (!titre && r.EstElementNomme(NomChamp0)) {
            titre = true;
            champ0 = TexteRiche(r);
        }
        if (!question && r.EstElementNomme(NomChamp1)) {
            question = true;
            champ1 = TexteRiche(r);
        }
        if (!r.EstElementNomme(NomChamp2))
            continue;
        if (!premier) {
            const bool cache = TestCache && MinusculesAscii(r.Attribut(S("CACHE"))) == QLatin1String("oui");
            champ2 += cache ? LienCache : LienVisible;
        }
        champ2 += TexteRiche(r);
        premier = false;
    }
    f->AjouterFiche(champ0, champ1, champ2);
}

// Large files are read as a stream: one card's tree in memory at a time
// instead of the whole document's, which takes a dozen times the file's size.
// The result is the one of the whole tree; a document the stream cannot read
// as is (malformed, not a card file, options after cards) gives null, and
// the whole tree then reads it or says why it is refused.
std::unique_ptr<TFichierX> Lecteur::LireEnFlux()
{
    TLectureXml flux(octets);
    if (!flux.LireRacine())
        return nullptr;
    const TNoeudXml racine = flux.Racine();
    if (racine.Nom() != QLatin1String("AMBLORINE"))
        return nullptr;
    DebutRacine(racine, flux.AvantRacine());

    // The first element of each name counts, as in the tree.
    bool titre = false, signature = false, description = false, options = false;
    bool etiquettes = false, canevas = false, liens = false;
    while (const TNoeudXml e = flux.Suivant()) {
        const QString nom = e.Nom();
        if (nom == f->IdFiche && complet) {
            if (!liens) {
                Liens();
                liens = true;
            }
            Fiche(e);
        }
        if (nom == QLatin1String("TITRE") && !titre) {
            titre = true;
            if (complet)
                f->SetTitre(Texte(e));
        } else if (nom == QLatin1String("SIGNATURE") && !signature) {
            signature = true;
            if (complet)
                f->Signature = Texte(e);
        } else if (nom == QLatin1String("DESCRIPTION") && !description) {
            description = true;
            if (complet)
                f->Description = TexteRiche(e);
        } else if (nom == QLatin1String("OPTIONS") && !options) {
            options = true;
            if (liens)
                return nullptr; // the cards before would have been joined with other links
            Options(e);
        } else if (nom == QLatin1String("ETIQUETTES") && !etiquettes) {
            etiquettes = true;
            if (const TNoeudXml c = e.Enfant(f->IdChamp0))
                f->Etiquettes.SetChamp0(Texte(c));
            if (const TNoeudXml c = e.Enfant(f->IdChamp1))
                f->Etiquettes.SetChamp1(Texte(c));
            if (const TNoeudXml c = e.Enfant(f->IdChamp2))
                f->Etiquettes.SetChamp2(Texte(c));
            f->AvecEtiquettes = true;
        } else if (nom == QLatin1String("CANEVAS") && !canevas) {
            canevas = true;
            if (const TNoeudXml c = e.Enfant(f->IdChamp0))
                f->Canevas.SetChamp0(Texte(c));
            if (const TNoeudXml c = e.Enfant(f->IdChamp1))
                f->Canevas.SetChamp1(Desechapper(Texte(c)));
            if (const TNoeudXml c = e.Enfant(f->IdChamp2))
                f->Canevas.SetChamp2(Desechapper(Texte(c)));
            f->AvecCanevas = true;
        }
    }
    if (!flux.Terminer())
        return nullptr;
    if (complet && !liens)
        Liens();
    const int page = PageCode::DepuisNomEncodage(flux.Encodage());
    if (page != 0 && page != 65001)
        f->PageCode = quint16(page);
    f->Modifie = false;
    return std::move(f);
}

std::unique_ptr<TFichierX> Lecteur::Lire()
{
    if (auto lu = LireEnFlux())
        return lu;
    f.reset();
    // What the stream had read is gone: the whole tree starts from nothing.
    if (TBudgetMemoire *budget = TBudgetMemoire::Courant())
        budget->Recommencer();
    if (!doc.Charger(octets))
        throw ErreurIdInvalide(MessageCodeXml());
    const TNoeudXml racine = doc.Racine();
    if (racine.Nom() != QLatin1String("AMBLORINE"))
        throw ErreurIdInvalide(MessageNonAmblorine());
    QList<TLectureXml::Prologue> prologue;
    for (const TNoeudXml &n : doc.Noeud().Noeuds())
        prologue.append({n.Type(), n.Cible(), n.Type() == TNoeudXml::Genre::Instruction ? n.Donnees() : QString()});
    DebutRacine(racine, prologue);
    const int page = PageCode::DepuisNomEncodage(doc.Encodage());
    if (page != 0 && page != 65001)
        f->PageCode = quint16(page);

    if (complet) {
        if (const TNoeudXml e = racine.Enfant(S("TITRE")))
            f->SetTitre(Texte(e));
        if (const TNoeudXml e = racine.Enfant(S("SIGNATURE")))
            f->Signature = Texte(e);
        if (const TNoeudXml e = racine.Enfant(S("DESCRIPTION")))
            f->Description = TexteRiche(e);
    }
    if (const TNoeudXml options = racine.Enfant(S("OPTIONS")))
        Options(options);

    if (complet) {
        Liens();
        const QList<TNoeudXml> fiches = racine.Enfants(f->IdFiche);
        f->Reserver(int(fiches.size()));
        for (const TNoeudXml &fiche : fiches)
            Fiche(fiche);
    }

    if (const TNoeudXml etiquettes = racine.Enfant(S("ETIQUETTES"))) {
        if (const TNoeudXml e = etiquettes.Enfant(f->IdChamp0))
            f->Etiquettes.SetChamp0(Texte(e));
        if (const TNoeudXml e = etiquettes.Enfant(f->IdChamp1))
            f->Etiquettes.SetChamp1(Texte(e));
        if (const TNoeudXml e = etiquettes.Enfant(f->IdChamp2))
            f->Etiquettes.SetChamp2(Texte(e));
        f->AvecEtiquettes = true;
    }
    if (const TNoeudXml canevas = racine.Enfant(S("CANEVAS"))) {
        if (const TNoeudXml e = canevas.Enfant(f->IdChamp0))
            f->Canevas.SetChamp0(Texte(e));
        if (const TNoeudXml e = canevas.Enfant(f->IdChamp1))
            f->Canevas.SetChamp1(Desechapper(Texte(e)));
        if (const TNoeudXml e = canevas.Enfant(f->IdChamp2))
            f->Canevas.SetChamp2(Desechapper(Texte(e)));
        f->AvecCanevas = true;
    }
    f->Modifie = false;
    return std::move(f);
}

} // namespace

std::unique_ptr<TFichierX> TFichierXML::LireXml(const QByteArray &octets, bool complet)
{
    TBudgetMemoire budget(octets.size());
    return Lecteur(octets, complet).Lire();
}

std::unique_ptr<TFichierX> TFichierXML::ChargerXml(const QString &nom, bool modifiable, bool complet)
{
    auto flux = TFlux::Ouvrir(nom, modifiable);
    auto f = LireXml(flux->LireTout(), complet);
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
