#include "formats/moodle.h"

#include "formats/contrat.h"
#include "formats/documentxml.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/outils.h"
#include "settings/init.h"

#include <QCoreApplication>

namespace {

inline QString S(const char *texte)
{
    return QString::fromLatin1(texte);
}

// The messages' translation context.
struct Moodle
{
    Q_DECLARE_TR_FUNCTIONS(Moodle)
};

// The quiz markup, built from the card file's option characters so that
// changing them changes the markup with them.
struct Balises
{
    // False when the comment character has no closing partner (a space turns
    // the markup off): then no marker of grade, type, feedback or gap exists.
    bool Actives = false;
    QString SeparateurReponses;
    QString DebutNote;
    QString FinNote;
    QString NoteComplete;
    QString DebutFeedback;
    QString FinFeedback;
    QString DebutTrou;
    QString FinTrou;
    QString SeparateurPaire;

    explicit Balises(const TFichierX &f)
    {
        SeparateurReponses = f.Fragmenteur.isEmpty() ? Parametres.mcqor : f.Fragmenteur;
        QChar ouverture;
        QChar fermeture;
        f.DelimiteursCommentaire(ouverture, fermeture);
        Actives = !ouverture.isNull() && !fermeture.isNull();
        if (!Actives)
            return;
        DebutNote = QString(ouverture) + f.Troncature;
        FinNote = QString(f.Troncature) + fermeture;
        NoteComplete = DebutNote + fermeture;
        DebutFeedback = QString(ouverture) + f.Alternateur;
        FinFeedback = QString(f.Alternateur) + fermeture;
        DebutTrou = QString(ouverture) + f.CarDeuxPoints;
        FinTrou = QString(f.CarDeuxPoints) + fermeture;
        SeparateurPaire = QString(2, f.CarDeuxPoints);
    }
};

// "100" for the types whose unmarked answers are right, "0" for the others.
QString NoteParDefaut(const QString &type)
{
    return type == QLatin1String("shortanswer") || type == QLatin1String("numerical") ? S("100")
                                                                                      : S("0");
}

// --- Category paths -------------------------------------------------------

// A path of n leading '/' is relative to the previous category: it keeps the
// previous path up to its n-th '/'.
QString ResoudreChemin(const QString &chemin, const QString &precedent)
{
    qsizetype n = 0;
    while (n < chemin.size() - 1 && chemin.at(n) == u'/')
        ++n;
    if (n == 0)
        return chemin;
    qsizetype barres = 0;
    for (qsizetype i = 0; i < precedent.size(); ++i) {
        if (precedent.at(i) == u'/' && ++barres == n)
            return precedent.left(i + 1) + chemin.mid(n);
    }
    return precedent + chemin.mid(n - 1);
}

// The shortest relative form of chemin after precedent. Only a '/' that both
// paths share counts, so that a previous "Geology" never stands for "Geo"; a
// form that would not resolve back to chemin is not used.
QString CompresserChemin(const QString &chemin, const QString &precedent)
{
    qsizetype barres = 0;
    qsizetype derniere = -1;
    for (qsizetype i = 0; i < chemin.size(); ++i) {
        const bool fini = i >= precedent.size();
        // A '/' where the previous path ends also counts: a child category.
        if (chemin.at(i) == u'/' && (fini || precedent.at(i) == u'/')) {
            ++barres;
            derniere = i;
        }
        if (fini || chemin.at(i) != precedent.at(i))
            break;
    }
    if (barres == 0)
        return chemin;
    const QString court = QString(barres, u'/') + chemin.mid(derniere + 1);
    return ResoudreChemin(court, precedent) == chemin ? court : chemin;
}

// --- Writing --------------------------------------------------------------

// The quiz is written straight into one buffer as UTF-8: building a tree first
// and serialising it cost several times the time and memory of the text.

enum class Contexte { Texte, Attribut, CData };

// Appends s as UTF-8 escaped for its place. Characters XML 1.0 cannot hold
// (NUL and other controls, U+FFFE, U+FFFF) are left out; a lone surrogate
// becomes '?'. Inside CDATA, "]]>" ends the section between "]]" and ">".
void Ajouter(QByteArray &sortie, QStringView s, Contexte contexte)
{
    // Room for the longest form of every UTF-16 unit ("&quot;", or a '>'
    // ending a section split), then cut to size.
    const qsizetype debut = sortie.size();
    sortie.resize(debut + s.size() * 6);
    char *p = sortie.data() + debut;
    const auto copier = [&p](const char *litteral) {
        while (*litteral)
            *p++ = *litteral++;
    };
    for (qsizetype i = 0; i < s.size(); ++i) {
        char32_t c = s[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(s[i], s[i + 1]);
            ++i;
        } else if (QChar::isSurrogate(c)) {
            c = u'?';
        }
        switch (c) {
        case '&':
            if (contexte != Contexte::CData) {
                copier("&amp;");
                continue;
            }
            break;
        case '<':
            if (contexte != Contexte::CData) {
                copier("&lt;");
                continue;
            }
            break;
        case '>':
            if (contexte != Contexte::CData) {
                copier("&gt;");
                continue;
            }
            if (p - sortie.constData() - debut >= 2 && p[-1] == ']' && p[-2] == ']')
                copier("]]><![CDATA[");
            break;
        case '"':
        case '\t':
        case '\n':
        case '\r':
            // Attribute value normalisation would turn these into spaces.
            if (contexte == Contexte::Attribut) {
                copier(c == '"' ? "&quot;" : c == '\t' ? "&#9;" : c == '\n' ? "&#10;" : "&#13;");
                continue;
            }
            break;
        default:
            break;
        }
        if (!EstCaractereXml(c))
            continue;
        if (c < 0x80) {
            *p++ = char(c);
        } else if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
            *p++ = char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *p++ = char(0xE0 | (c >> 12));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        } else {
            *p++ = char(0xF0 | (c >> 18));
            *p++ = char(0x80 | ((c >> 12) & 0x3F));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        }
    }
    sortie.truncate(p - sortie.constData());
}

struct Marque
{
    QString Valeur;
    QString Reste;
};

class Ecrivain
{
public:
    explicit Ecrivain(const TFichierX &fichier) : f(fichier), b(fichier), Format(Parametres.mcqfrm) {}
    QByteArray Ecrire();

private:
    const TFichierX &f;
    Balises b;
    QString Format;
    QByteArray sortie;
    QString CheminCategoriePrecedent;

    Marque LireMarque(const QString &t, bool note, const QString &defaut) const;
    QStringList Morceaux(const QString &champ) const;
    // "<nom", then its attributes, then the ">" ending the start tag.
    void Debut(const char *nom);
    void Attribut(const char *nom, const QString &valeur);
    void FinDebut();
    void Fin(const char *nom);
    // An element holding a "text" element: started with its attributes
    // (format when not empty, then fraction when given), its text written;
    // the caller adds any more children and ends it.
    void ElementTexte(const char *nom, const QString &texte, const QString &format = QString(),
                      const QString *fraction = nullptr);
    void ElementValeur(const char *nom, const QString &valeur);
    void Question(const TFicheX &fiche);
    void Categorie(const QString &chemin);
};

// A grade or type marker in t: its value and the text without it. note: the
// marker is a grade (an empty one is full credit, a decimal comma is a point).
Marque Ecrivain::LireMarque(const QString &t, bool note, const QString &defaut) const
{
    if (b.Actives) {
        const qsizetype p = t.indexOf(b.DebutNote);
        const qsizetype q = p < 0 ? -1 : t.indexOf(b.FinNote, p + 1);
        if (q >= 0) {
            const qsizetype debut = p + b.DebutNote.size();
            QString contenu = Rogner(q > debut ? t.mid(debut, q - debut) : QString());
            if (note) {
                if (contenu.isEmpty())
                    contenu = S("100");
                else if (const qsizetype virgule = contenu.indexOf(u','); virgule >= 0)
                    contenu[virgule] = u'.';
            }
            const QString apres = t.mid(q + b.FinNote.size());
            // A marker among the first characters drops what stands before it.
            const QString reste = p < 3 ? Rogner(apres) : Rogner(t.left(p) + apres);
            return {contenu, reste};
        }
    }
    return {defaut, Rogner(t)};
}

QStringList Ecrivain::Morceaux(const QString &champ) const
{
    QStringList morceaux;
    const QString &sep = b.SeparateurReponses;
    qsizetype debut = 0;
    while (debut <= champ.size()) {
        const qsizetype fin = sep.isEmpty() ? -1 : champ.indexOf(sep, debut);
        const QString morceau = Rogner(champ.mid(debut, fin < 0 ? -1 : fin - debut));
        if (!morceau.isEmpty())
            morceaux << morceau;
        if (fin < 0)
            break;
        debut = fin + sep.size();
    }
    return morceaux;
}

void Ecrivain::Debut(const char *nom)
{
    sortie += '<';
    sortie += nom;
}

void Ecrivain::Attribut(const char *nom, const QString &valeur)
{
    sortie += ' ';
    sortie += nom;
    sortie += "=\"";
    Ajouter(sortie, valeur, Contexte::Attribut);
    sortie += '"';
}

void Ecrivain::FinDebut()
{
    sortie += ">\r\n";
}

void Ecrivain::Fin(const char *nom)
{
    sortie += "</";
    sortie += nom;
    sortie += ">\r\n";
}

void Ecrivain::ElementTexte(const char *nom, const QString &texte, const QString &format,
                            const QString *fraction)
{
    Debut(nom);
    if (!format.isEmpty())
        Attribut("format", format);
    if (fraction)
        Attribut("fraction", *fraction);
    FinDebut();
    if (texte.isEmpty()) {
        sortie += "<text/>\r\n";
        return;
    }
    sortie += "<text>";
    if (texte.contains(u'<') || texte.contains(u'>') || texte.contains(u'&')) {
        sortie += "<![CDATA[";
        Ajouter(sortie, texte, Contexte::CData);
        sortie += "]]>";
    } else {
        Ajouter(sortie, texte, Contexte::Texte);
    }
    sortie += "</text>\r\n";
}

void Ecrivain::ElementValeur(const char *nom, const QString &valeur)
{
    sortie += '<';
    sortie += nom;
    sortie += '>';
    Ajouter(sortie, valeur, Contexte::Texte);
    Fin(nom);
}

void Ecrivain::Categorie(const QString &chemin)
{
    const QString complet = ResoudreChemin(chemin, CheminCategoriePrecedent);
    CheminCategoriePrecedent = complet;
    Debut("question");
    Attribut("type", S("category"));
    FinDebut();
    ElementTexte("category", complet);
    Fin("category");
    Fin("question");
}

void Ecrivain::Question(const TFicheX &fiche)
{
    sortie += "\r\n";
    const QString titre = Rogner(fiche.Champ0());
    if (f.CommenceParCarPourcent(titre)) {
        Categorie(RognerGauche(titre.mid(1)));
        return;
    }
    const Marque marque = LireMarque(fiche.Champ1(), false, QString());
    QString type = marque.Valeur;
    QString texte = marque.Reste;
    if (type == QLatin1String("category")) {
        Categorie(titre);
        return;
    }

    bool uneReponse = false;
    if (type == QLatin1String("singlechoice")) {
        type = S("multichoice");
        uneReponse = true;
    } else if (type.isEmpty()) {
        if (!b.Actives)
            type = S("shortanswer"); // no markup: every piece is an answer
        else if (fiche.Champ2().contains(b.DebutNote))
            type = fiche.Champ2().contains(QLatin1String("true")) ? S("truefalse") : S("multichoice");
        else if (fiche.Champ2().contains(b.SeparateurPaire))
            type = S("matching");
        else if (texte.contains(b.DebutTrou))
            type = S("cloze");
        else
            type = S("shortanswer");
    }
    const bool choixMultiple = type.startsWith(QLatin1String("multichoice"));
    if (type == QLatin1String("cloze")) {
        texte.replace(b.DebutTrou, S("{:SA:="));
        texte.replace(b.FinTrou, S("}"));
    }
    const QString noteParDefaut = NoteParDefaut(type);
    Debut("question");
    Attribut("type", type);
    FinDebut();
    ElementTexte("name", titre);
    Fin("name");
    ElementTexte("questiontext", texte, Format);
    Fin("questiontext");

    int reponses = 0;
    int zeros = 0;
    for (const QString &morceau : Morceaux(fiche.Champ2())) {
        if (b.Actives && morceau.startsWith(b.DebutFeedback)) {
            const qsizetype debut = b.DebutFeedback.size();
            const qsizetype fin = morceau.indexOf(b.FinFeedback, debut);
            ElementTexte("generalfeedback", Rogner(morceau.mid(debut, fin < 0 ? -1 : fin - debut)),
                         Format);
            Fin("generalfeedback");
            continue;
        }
        if (b.Actives && type == QLatin1String("matching")) {
            const qsizetype paire = morceau.indexOf(b.SeparateurPaire);
            if (paire < 0)
                continue; // half a pair cannot be asked
            ElementTexte("subquestion", RognerDroite(morceau.left(paire)), Format);
            ElementTexte("answer", RognerGauche(morceau.mid(paire + b.SeparateurPaire.size())));
            Fin("answer");
            Fin("subquestion");
            continue;
        }
        if (type == QLatin1String("essay")) {
            ElementTexte("responsetemplate", morceau, Format);
            Fin("responsetemplate");
            continue;
        }
        ++reponses;
        const Marque note = LireMarque(morceau, true, noteParDefaut);
        if (note.Valeur == QLatin1String("0"))
            ++zeros;
        QString reponse = note.Reste;
        if (choixMultiple) {
            ElementTexte("answer", reponse, Format, &note.Valeur);
        } else if (type == QLatin1String("numerical")) {
            QString unite;
            if (const qsizetype espace = reponse.indexOf(u' '); espace >= 0) {
                unite = RognerGauche(reponse.mid(espace + 1));
                reponse.truncate(espace);
            }
            if (reponses == 1 && !unite.isEmpty()) {
                sortie += "<units><unit><unit_name>";
                Ajouter(sortie, unite, Contexte::Texte);
                sortie += "</unit_name></unit></units>\r\n";
            }
            if (const qsizetype virgule = reponse.indexOf(u','); virgule >= 0)
                reponse[virgule] = u'.';
            ElementTexte("answer", reponse, QString(), &note.Valeur);
            // Half a unit of the last decimal written; exponent forms carry
            // their own precision.
            const qsizetype point = reponse.indexOf(u'.');
            if (point >= 0 && !reponse.contains(u'E') && !reponse.contains(u'e'))
                ElementValeur("tolerance", S("0.5E-") + QString::number(reponse.size() - point - 1));
        } else {
            ElementTexte("answer", reponse, QString(), &note.Valeur);
        }
        Fin("answer");
    }

    if (choixMultiple) {
        const bool seule = uneReponse || (type == QLatin1String("multichoice") && reponses - 1 == zeros);
        ElementValeur("single", seule ? S("true") : S("false"));
        ElementValeur("answernumbering", S("none"));
    }
    if (choixMultiple || type == QLatin1String("matching"))
        ElementValeur("shuffleanswers", S("true"));
    Fin("question");
}

QByteArray Ecrivain::Ecrire()
{
    // Room for the usual case: the texts, some of them beyond ASCII, and the
    // markup around them. A larger quiz only grows the buffer.
    qsizetype taille = 128;
    for (const auto &fiche : f.Fiches)
        taille += 3 * (fiche.Champ0().size() + fiche.Champ1().size() + fiche.Champ2().size()) + 512;
    sortie.reserve(taille);
    sortie += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
    if (f.Fiches.empty()) {
        sortie += "<quiz/>\r\n";
        return sortie;
    }
    sortie += "<quiz>";
    for (const auto &fiche : f.Fiches)
        Question(fiche);
    sortie += "</quiz>\r\n";
    return sortie;
}

// --- Reading --------------------------------------------------------------

// The text of an element: that of its first text child, line breaks as CR LF.
QString TexteDe(const TNoeudXml &e)
{
    QString texte = e.Enfant(S("text")).Texte();
    if (texte.isNull())
        return QString();
    texte.replace(u'\n', CRLF);
    return texte;
}

class Lecteur
{
public:
    explicit Lecteur(const QByteArray &octets) : octets(octets) {}
    std::unique_ptr<TFichierX> Lire();

private:
    const QByteArray &octets;
    std::unique_ptr<TFichierX> f;
    std::unique_ptr<Balises> b;
    QString CheminCategoriePrecedent;

    QString MarqueNote(const TNoeudXml &reponse, const QString &noteParDefaut) const;
    static void AjouterMorceau(QString &reponse, const QString &morceau, const QString &separateur);
    void Question(const TNoeudXml &question, int position);
};

QString Lecteur::MarqueNote(const TNoeudXml &reponse, const QString &noteParDefaut) const
{
    const QString fraction = reponse.Attribut(S("fraction"));
    if (fraction.isNull() || fraction == noteParDefaut)
        return QString();
    if (fraction == QLatin1String("100"))
        return b->NoteComplete + u' ';
    return b->DebutNote + fraction + b->FinNote + u' ';
}

void Lecteur::AjouterMorceau(QString &reponse, const QString &morceau, const QString &separateur)
{
    if (reponse.isEmpty())
        reponse = morceau;
    else
        reponse += separateur + morceau;
}

void Lecteur::Question(const TNoeudXml &question, int position)
{
    if (!question.AAttribut(S("type")))
        throw ErreurIdInvalide(
            Moodle::tr("Question %1 of the quiz has no \"type\" attribute!").arg(position));
    QString type = question.Attribut(S("type"));
    if (type == QLatin1String("multichoice")
        && question.Enfant(S("single")).Texte().trimmed() == QLatin1String("true"))
        type = S("singlechoice");
    const QString prefixe = type.isEmpty() ? QString() : b->DebutNote + type + b->FinNote + u' ';

    if (type == QLatin1String("category")) {
        const TNoeudXml categorie = question.Enfant(S("category"));
        if (!categorie)
            return;
        const QString chemin = TexteDe(categorie);
        const QString court = CompresserChemin(chemin, CheminCategoriePrecedent);
        CheminCategoriePrecedent = chemin;
        f->AjouterFiche(QString(f->CarPourcent) + u' ' + court, prefixe, QString());
        return;
    }

    const QString champ0 = TexteDe(question.Enfant(S("name")));
    const QString champ1 = prefixe + TexteDe(question.Enfant(S("questiontext")));
    const QString noteParDefaut = NoteParDefaut(type);
    const QString &sep = b->SeparateurReponses;
    QString reponse;
    if (type == QLatin1String("matching")) {
        for (const TNoeudXml &sous : question.Enfants(S("subquestion"))) {
            QString morceau = TexteDe(sous);
            if (const TNoeudXml answer = sous.Enfant(S("answer")))
                morceau += u' ' + b->SeparateurPaire + u' ' + TexteDe(answer);
            AjouterMorceau(reponse, morceau, sep);
        }
    } else if (type == QLatin1String("essay")) {
        reponse = TexteDe(question.Enfant(S("responsetemplate")));
    } else {
        QString unite;
        if (type == QLatin1String("numerical"))
            unite = question.Enfant(S("units")).Enfant(S("unit")).Enfant(S("unit_name")).Texte();
        for (const TNoeudXml &answer : question.Enfants(S("answer"))) {
            QString morceau = MarqueNote(answer, noteParDefaut) + TexteDe(answer);
            if (!unite.isEmpty())
                morceau += u' ' + unite;
            AjouterMorceau(reponse, morceau, sep);
        }
    }
    const QString feedback = TexteDe(question.Enfant(S("generalfeedback")));
    if (!feedback.isEmpty())
        AjouterMorceau(reponse, b->DebutFeedback + feedback + b->FinFeedback, sep);
    f->AjouterFiche(champ0, champ1, reponse);
}

std::unique_ptr<TFichierX> Lecteur::Lire()
{
    TDocumentXml doc;
    if (!doc.Charger(octets))
        throw ErreurIdInvalide(Moodle::tr("Error in writing XML code!"));
    const TNoeudXml racine = doc.Racine();
    if (racine.Nom() != QLatin1String("quiz"))
        throw ErreurIdInvalide(Moodle::tr("Not a valid Moodle file!"));

    f = std::make_unique<TFichierX>(QChar(u'M'), QChar(u'm'));
    b = std::make_unique<Balises>(*f);
    b->SeparateurReponses = f->Espacement + b->SeparateurReponses + f->Espacement;
    b->DebutFeedback += f->Espacement;
    b->FinFeedback = f->Espacement + b->FinFeedback;

    const QList<TNoeudXml> questions = racine.Enfants(S("question"));
    f->Reserver(int(questions.size()));
    int position = 0;
    for (const TNoeudXml &question : questions)
        Question(question, ++position);
    f->Modifie = false;
    return std::move(f);
}

} // namespace

std::unique_ptr<TFichierX> TFichierMoodle::ChargerMoodle(const QString &nom, bool modifiable)
{
    auto flux = TFlux::Ouvrir(nom, modifiable);
    auto f = LireMoodle(flux->LireTout());
    Contrat::TerminerChargement(*f, nom, std::move(flux), modifiable);
    return f;
}

std::unique_ptr<TFichierX> TFichierMoodle::LireMoodle(const QByteArray &octets)
{
    TBudgetMemoire budget(octets.size());
    return Lecteur(octets).Lire();
}

void TFichierMoodle::EnregistrerMoodle(TFichierX &fichier, const QString &nom, bool nouveau)
{
    const QByteArray contenu = EcrireMoodle(fichier);
    // A Questionnaire is only exported: it stays the document it was.
    if (fichier.TypeFichier == u'Q')
        Contrat::EcrireExport(fichier, nom, contenu);
    else
        Contrat::TerminerEnregistrement(fichier, nom, nouveau, u'm', contenu);
}

QByteArray TFichierMoodle::EcrireMoodle(const TFichierX &fichier)
{
    return Ecrivain(fichier).Ecrire();
}
