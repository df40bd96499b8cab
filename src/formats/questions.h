#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class TFichierX;
class TFicheX;
struct TOptions;

// The quiz questions that MCQ and Questionnaire cards stand for, between the
// cards and the quiz formats (Moodle XML, GIFT, Aiken). The card markup is
// read and written here only; the formats only turn questions into their
// own text and back.
namespace Questions {

// A Latin-1 literal as a QString: the quiz formats' markup is ASCII.
inline QString S(const char *texte)
{
    return QString::fromLatin1(texte);
}

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

    // options: the MCQ separator of a file that has none.
    Balises(const TFichierX &f, const TOptions &options);
};

// The kinds of quiz question, as Moodle has them; their names are spelt in
// one place (questions.cpp), as Moodle and the card markup spell them.
enum class Genre {
    Aucun, // no type given
    ChoixMultiple,
    VraiFaux,
    ReponseCourte,
    Appariement,
    Numerique,
    Redaction,
    Trous, // Moodle's embedded answers (cloze)
    Categorie,
    Description,
    Autre, // any other name, kept as it came
};

// "100" for the kinds whose unmarked answers are right, "0" for the others.
QString NoteParDefaut(Genre genre);

// A path of n leading '/' is relative to the previous category.
QString ResoudreChemin(const QString &chemin, const QString &precedent);
// The shortest relative form of chemin after precedent.
QString CompresserChemin(const QString &chemin, const QString &precedent);
// The name Moodle's text importers give a question: its text shortened to 80
// characters at a word's end.
QString NomAbrege(const QString &texte);
// The text of a quiz file (GIFT, Aiken): UTF-8 without its byte order mark,
// every line break as LF. Its UTF-16 copy is counted in the reading's memory
// budget; a file that is not UTF-8 raises ErreurIdInvalide(erreur).
QString TexteQuiz(const QByteArray &octets, const QString &erreur);

// One part of a question, in the order the card lists them.
struct Morceau
{
    enum Sorte { Reponse, Feedback, Paire, Modele };
    Sorte sorte = Reponse;
    // Reponse: the answer (numerical: the number); Feedback: the general
    // feedback; Paire: the subquestion; Modele: the essay's response template.
    QString texte;
    // Reponse: the grade in percent; null when the answer carries none.
    QString note;
    // Reponse of a numerical question: its unit. Paire: the answer.
    QString autre;
    // Paire: false for a subquestion read without an answer.
    bool avecAutre = true;
    // Reponse of a numerical question: the tolerance, empty for none.
    QString tolerance;
    // The grade as a number, 0 when there is none. The usual ones are not
    // parsed: QString::toDouble is slow, and writers ask this for every answer.
    double Note() const
    {
        if (note.isEmpty() || note == u"0")
            return 0;
        if (note == u"100")
            return 100;
        return note.toDouble();
    }
};

struct Question
{
    // The kind the markup or the file gives; Autre keeps the name it came
    // with in nomAutre ("multichoiceset", "calculated"...).
    Genre genre = Genre::Aucun;
    QString nomAutre;
    // From a type name as Moodle or the markup spells it; empty: Aucun.
    void DefinirType(const QString &type);
    // The type name as Moodle spells it; empty for Aucun.
    QString NomType() const;
    // A multiple choice, or a kind Moodle names after it ("multichoiceset").
    bool ChoixMultipleOuVariante() const;
    // multichoice: one answer allowed.
    bool unique = false;
    // From cards: the type was not marked but decided from the answers.
    bool typeDeduit = false;
    QString nom;
    QString texte;
    // category: the full path (from cards), or the path as read.
    QString categorie;
    std::vector<Morceau> morceaux;
    // What the parts cost, counted in the reading's memory budget.
    qint64 cout = 0;

    int NombreReponses() const;
    // A multiple choice with no answer marked right: a multiple-choice
    // question whose answers all give nothing, or (choixMultiple: in an MCQ
    // file) answers without any grade marker, which make a short answer that
    // accepts every one of them.
    bool SansBonneReponse(bool choixMultiple) const;
    // Adds a part, counted in the current memory budget first (raises past
    // its limit): a question of millions of answers is refused, not read
    // until memory runs out.
    void Ajouter(Morceau m);
    // An empty question again, the parts' cost given back to the budget.
    void Vider();
};

// Cards to questions, one card after the other (category paths are
// relative to the previous category card).
class DepuisCartes
{
public:
    DepuisCartes(const TFichierX &fichier, const TOptions &options);
    Question Lire(const TFicheX &fiche);
    const Balises &Markup() const { return b; }

private:
    struct Marque
    {
        QString Valeur;
        QString Reste;
    };
    const TFichierX &f;
    Balises b;
    QString CheminCategoriePrecedent;

    Marque LireMarque(const QString &t, bool note, const QString &defaut) const;
    QStringList Morceaux(const QString &champ) const;
    Question Categorie(const QString &chemin);
};

// Questions to the cards of a new MCQ card file, in order.
class VersCartes
{
public:
    VersCartes(TFichierX &fichier, const TOptions &options);
    void Ajouter(const Question &question);

private:
    TFichierX &f;
    Balises b;
    QString CheminCategoriePrecedent;

    QString MarqueNote(const QString &fraction, const QString &noteParDefaut) const;
};

}
