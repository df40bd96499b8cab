#include "formats/quiz/moodle.h"

#include "formats/contrat.h"
#include "formats/documentxml.h"
#include "formats/gardexml.h"
#include "formats/questions.h"
#include "formats/sortiexml.h"
#include "formats/table.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/outils.h"
#include "model/options.h"

#include <QCoreApplication>

namespace {

using Questions::S;

// The messages' translation context.
struct Moodle
{
    Q_DECLARE_TR_FUNCTIONS(Moodle)
};

// --- Writing --------------------------------------------------------------

// The quiz is written straight into one buffer as UTF-8: building a tree first
// and serialising it cost several times the time and memory of the text.

using SortieXml::Ajouter;
using SortieXml::Contexte;

class Ecrivain
{
public:
    Ecrivain(const TFichierX &fichier, const TOptions &options)
        : f(fichier), cartes(fichier, options), Format(options.formatMoodle)
    {
    }
    QByteArray Ecrire();

private:
    const TFichierX &f;
    Questions::DepuisCartes cartes;
    QString Format;
    QByteArray sortie;

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
    void Question(const Questions::Question &q);
};

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

void Ecrivain::ElementTexte(const char *nom, const QString &texte, const QString &format, const QString *fraction)
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

void Ecrivain::Question(const Questions::Question &q)
{
    using Questions::Morceau;
    sortie += "\r\n";
    using Questions::Genre;
    if (q.genre == Genre::Categorie) {
        Debut("question");
        Attribut("type", S("category"));
        FinDebut();
        ElementTexte("category", q.categorie);
        Fin("category");
        Fin("question");
        return;
    }
    const bool choixMultiple = q.ChoixMultipleOuVariante();
    Debut("question");
    Attribut("type", q.NomType());
    FinDebut();
    ElementTexte("name", q.nom);
    Fin("name");
    ElementTexte("questiontext", q.texte, Format);
    Fin("questiontext");

    bool premiere = true;
    for (const Morceau &m : q.morceaux) {
        switch (m.sorte) {
        case Morceau::Feedback:
            ElementTexte("generalfeedback", m.texte, Format);
            Fin("generalfeedback");
            continue;
        case Morceau::Paire:
            ElementTexte("subquestion", m.texte, Format);
            ElementTexte("answer", m.autre);
            Fin("answer");
            Fin("subquestion");
            continue;
        case Morceau::Modele:
            ElementTexte("responsetemplate", m.texte, Format);
            Fin("responsetemplate");
            continue;
        case Morceau::Reponse:
            break;
        }
        if (choixMultiple) {
            ElementTexte("answer", m.texte, Format, &m.note);
        } else if (q.genre == Genre::Numerique) {
            if (premiere && !m.autre.isEmpty()) {
                sortie += "<units><unit><unit_name>";
                Ajouter(sortie, m.autre, Contexte::Texte);
                sortie += "</unit_name></unit></units>\r\n";
            }
            ElementTexte("answer", m.texte, QString(), &m.note);
            if (!m.tolerance.isEmpty())
                ElementValeur("tolerance", m.tolerance);
        } else {
            ElementTexte("answer", m.texte, QString(), &m.note);
        }
        Fin("answer");
        premiere = false;
    }

    if (choixMultiple) {
        ElementValeur("single", q.unique ? S("true") : S("false"));
        ElementValeur("answernumbering", S("none"));
    }
    if (choixMultiple || q.genre == Genre::Appariement)
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
        Question(cartes.Lire(fiche));
    sortie += "</quiz>\r\n";
    return sortie;
}

// --- Reading --------------------------------------------------------------

// The text of an element: that of its first text child, line breaks as CR LF.
QString TexteDe(const TNoeudXml &e)
{
    const QString texte = e.Enfant(S("text")).Texte();
    return texte.isNull() ? QString() : LignesCrLf(texte);
}

class Lecteur
{
public:
    Lecteur(const QByteArray &source, const TOptions &reglages) : octets(source), options(reglages) { }
    std::unique_ptr<TFichierX> Lire();

private:
    const QByteArray &octets;
    const TOptions &options;
    std::unique_ptr<TFichierX> f;

    // False for a category question without its path, which gives no card.
    static bool Question(const TNoeudXml &question, int position, Questions::Question &q);
};

bool Lecteur::Question(const TNoeudXml &question, int position, Questions::Question &q)
{
    using Questions::Morceau;
    if (!question.AAttribut(S("type")))
        throw ErreurIdInvalide(Moodle::tr("Question %1 of the quiz has no \"type\" attribute!").arg(position));
    using Questions::Genre;
    q.DefinirType(question.Attribut(S("type")));
    q.unique = q.genre == Genre::ChoixMultiple
        && question.Enfant(S("single")).Texte().trimmed() == QLatin1String("true");

    if (q.genre == Genre::Categorie) {
        const TNoeudXml categorie = question.Enfant(S("category"));
        if (!categorie)
            return false;
        q.categorie = TexteDe(categorie);
        return true;
    }

    q.nom = TexteDe(question.Enfant(S("name")));
    q.texte = TexteDe(question.Enfant(S("questiontext")));
    if (q.genre == Genre::Appariement) {
        for (const TNoeudXml &sous : question.Enfants(S("subquestion"))) {
            Morceau m;
            m.sorte = Morceau::Paire;
            m.texte = TexteDe(sous);
            const TNoeudXml answer = sous.Enfant(S("answer"));
            m.avecAutre = bool(answer);
            if (answer)
                m.autre = TexteDe(answer);
            q.Ajouter(std::move(m));
        }
    } else if (q.genre == Genre::Redaction) {
        Morceau m;
        m.sorte = Morceau::Modele;
        m.texte = TexteDe(question.Enfant(S("responsetemplate")));
        q.Ajouter(std::move(m));
    } else {
        QString unite;
        if (q.genre == Genre::Numerique)
            unite = question.Enfant(S("units")).Enfant(S("unit")).Enfant(S("unit_name")).Texte();
        for (const TNoeudXml &answer : question.Enfants(S("answer"))) {
            Morceau m;
            m.note = answer.Attribut(S("fraction"));
            m.texte = TexteDe(answer);
            m.autre = unite;
            q.Ajouter(std::move(m));
        }
    }
    Morceau feedback;
    feedback.sorte = Morceau::Feedback;
    feedback.texte = TexteDe(question.Enfant(S("generalfeedback")));
    q.Ajouter(std::move(feedback));
    return true;
}

std::unique_ptr<TFichierX> Lecteur::Lire()
{
    TDocumentXml doc;
    if (!doc.Charger(octets))
        throw ErreurIdInvalide(GardeXml::AvecMessages(Moodle::tr("Error in writing XML code!")));
    const TNoeudXml racine = doc.Racine();
    if (racine.Nom() != QLatin1String("quiz"))
        throw ErreurIdInvalide(Moodle::tr("Not a valid Moodle file!"));

    f = std::make_unique<TFichierX>(QChar(u'M'), QChar(u'm'), options);
    Questions::VersCartes cartes(*f, options);
    const QList<TNoeudXml> questions = racine.Enfants(S("question"));
    f->Reserver(int(questions.size()));
    int position = 0;
    for (const TNoeudXml &question : questions) {
        Questions::Question q;
        if (Question(question, ++position, q))
            cartes.Ajouter(q);
        q.Vider();
    }
    f->Modifie = false;
    return std::move(f);
}

} // namespace

std::unique_ptr<TFichierX> TFichierMoodle::ChargerMoodle(const QString &nom, bool modifiable, const TOptions &options)
{
    auto flux = TFlux::Ouvrir(nom, modifiable);
    auto f = LireMoodle(flux->LireTout(), options);
    Contrat::TerminerChargement(*f, nom, std::move(flux), modifiable);
    return f;
}

std::unique_ptr<TFichierX> TFichierMoodle::LireMoodle(const QByteArray &octets, const TOptions &options)
{
    TBudgetMemoire budget(octets.size());
    return Lecteur(octets, options).Lire();
}

void TFichierMoodle::EnregistrerMoodle(TFichierX &fichier, const QString &nom, bool nouveau, bool exporter,
                                       const TOptions &options)
{
    const QByteArray contenu = EcrireMoodle(fichier, options);
    // A Questionnaire is only exported: it stays the document it was.
    if (exporter || fichier.TypeFichier == u'Q')
        Contrat::EcrireExport(fichier, nom, contenu);
    else
        Contrat::TerminerEnregistrement(fichier, nom, nouveau, u'm', contenu);
}

QByteArray TFichierMoodle::EcrireMoodle(const TFichierX &fichier, const TOptions &options)
{
    return Ecrivain(fichier, options).Ecrire();
}

namespace {

class FormatMoodle : public Formats::TFormatQuiz
{
public:
    QChar Lettre() const override { return u'm'; }
    const char *Nom() const override { return QT_TRANSLATE_NOOP("Chaines", "Moodle"); }
    const char *Motif() const override { return "xml"; }
    unsigned Capacites() const override { return Formats::Document | Formats::DocumentXml | Formats::CanevasQcm; }
    bool DansOuverture(QChar type, const TOptions &) const override
    {
        return type == u'M' || type == u'N' || type == u'R';
    }
    int RangReconnaissance() const override { return 1; }
    bool Reconnaitre(const Formats::Tete &tete) const override { return tete.texte.contains("<quiz"); }
    bool Lisible() const override { return true; }
    bool Ecrivable() const override { return true; }
    std::unique_ptr<TFichierX> Lire(const QString &nom, const Formats::Lecture &l) const override
    {
        return TFichierMoodle::ChargerMoodle(nom, l.modifiable, l.options);
    }
    void Ecrire(TFichierX &f, const QString &nom, const Formats::Ecriture &e) const override
    {
        TFichierMoodle::EnregistrerMoodle(f, nom, e.nouveau, e.exporter, e.options);
    }
    bool ParDefautPour(QChar type, QChar) const override { return type == u'M'; }
};

} // namespace

const Formats::TFormat &Formats::FormatMoodle()
{
    return Instance<::FormatMoodle>();
}
