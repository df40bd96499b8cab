#include "formats/gift.h"

#include "formats/contrat.h"
#include "formats/questions.h"
#include "formats/table.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/outils.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {

struct Gift
{
    Q_DECLARE_TR_FUNCTIONS(Gift)
};

using Questions::Morceau;
using Questions::Question;
using Questions::S;

// Escaped control characters stand for themselves while the question is
// cut up, as Moodle's importer does; noncharacters cannot come from a file.
const QString Echappables = S(":#={}~");
QChar Substitut(qsizetype i)
{
    return QChar(char16_t(0xFDD0 + i));
}
const QChar SubstitutLigne = QChar(char16_t(0xFDD7));

QString Substituer(const QString &texte)
{
    QString r;
    r.reserve(texte.size());
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar c = texte.at(i);
        if (c == u'\\' && i + 1 < texte.size()) {
            const QChar suivant = texte.at(i + 1);
            if (suivant == u'\\') {
                r += u'\\';
                ++i;
                continue;
            }
            if (const qsizetype k = Echappables.indexOf(suivant); k >= 0) {
                r += Substitut(k);
                ++i;
                continue;
            }
            if (suivant == u'n') {
                r += SubstitutLigne;
                ++i;
                continue;
            }
        }
        r += c;
    }
    return r;
}

QString Restituer(QString texte)
{
    for (qsizetype i = 0; i < Echappables.size(); ++i)
        texte.replace(Substitut(i), Echappables.at(i));
    texte.replace(SubstitutLigne, u'\n');
    return texte;
}

// PHP's trim: spaces, tabs, line ends, NUL and vertical tab.
QString Trim(const QString &texte)
{
    const auto blanc = [](QChar c) {
        return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\0' || c == u'\x0B';
    };
    qsizetype debut = 0;
    qsizetype fin = texte.size();
    while (debut < fin && blanc(texte.at(debut)))
        ++debut;
    while (fin > debut && blanc(texte.at(fin - 1)))
        --fin;
    return texte.mid(debut, fin - debut);
}

// A leading [html], [moodle], [plain] or [markdown] names the text's format:
// dropped, the text kept.
QString SansFormat(const QString &texte)
{
    QString t = texte;
    if (t.startsWith(u'[')) {
        const qsizetype fin = t.indexOf(u']');
        static const QStringList noms = {S("html"), S("moodle"), S("plain"), S("markdown")};
        if (fin > 0 && noms.contains(t.mid(1, fin - 1)))
            t = t.mid(fin + 1);
    }
    return Trim(Restituer(t));
}

QString SansBalises(QString texte)
{
    static const QRegularExpression balise(S("<[^>]*>"));
    texte.remove(balise);
    return Trim(texte);
}

// The name Moodle gives a question without one: its text without tags,
// shortened to 80 characters at a word's end.
QString NomParDefaut(const QString &texte)
{
    const QString nom = Questions::NomAbrege(SansBalises(texte));
    return nom.isEmpty() ? Gift::tr("Question") : nom;
}

// Line breaks of a card are CR LF.
QString Carte(QString texte)
{
    texte.replace(u'\n', CRLF);
    return texte;
}

QString NombrePhp(double v)
{
    return QString::number(v, 'g', 14);
}

bool EstNumerique(const QString &texte)
{
    static const QRegularExpression nombre(
        S("^[ \\t\\n\\r\\v\\f]*[+-]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][+-]?\\d+)?[ \\t\\n\\r\\v\\f]*$"));
    return nombre.match(texte).hasMatch();
}

// The question text of one question, its number of first line, and what
// reading it has dropped so far.
class LecteurGift
{
public:
    explicit LecteurGift(int &perdus) : perdus(perdus) { }
    // False for a block that holds no question (comments only).
    bool Lire(const QStringList &lignes, int ligne, Question &q);

private:
    int &perdus;
    int ligne = 0;

    [[noreturn]] void Refuser(const QString &raison) const
    {
        throw ErreurIdInvalide(Gift::tr("Line %1: %2").arg(ligne).arg(raison));
    }
    void VerifierNombre(qsizetype n, int minimum) const
    {
        if (n < minimum)
            Refuser(Gift::tr("this question needs at least %1 answers.").arg(minimum));
    }
    // Splits an answer's "#feedback" off; a feedback has no place in a card.
    QString SansFeedback(const QString &reponse)
    {
        const qsizetype diese = reponse.indexOf(u'#');
        if (diese < 0)
            return SansFormat(reponse);
        if (!SansFormat(reponse.mid(diese + 1)).isEmpty())
            ++perdus;
        return SansFormat(reponse.left(diese));
    }
    static bool Poids(const QString &reponse, QString &note, QString &reste);
    // An answer of the right-answer kind: its text after the grade, which is
    // 100 when none is written.
    static QString Ponderee(const QString &brute, QString &note);
    static QStringList Decouper(const QString &texte, QChar separateur);
    void ChoixMultiple(QString bloc, Question &q);
    void Association(const QString &bloc, Question &q);
    void VraiFaux(const QString &bloc, Question &q);
    void ReponseCourte(const QString &bloc, Question &q);
    void Numerique(QString bloc, Question &q);
};

// "%50%" in front of an answer: its grade in percent, as Moodle writes it.
QString LecteurGift::Ponderee(const QString &brute, QString &note)
{
    QString reponse = Trim(brute);
    if (QString reste; Poids(reponse, note, reste))
        return reste;
    note = S("100");
    return reponse;
}

bool LecteurGift::Poids(const QString &reponse, QString &note, QString &reste)
{
    static const QRegularExpression poids(S("^%-*([0-9]{1,2})\\.?([0-9]*)%"));
    if (!poids.match(reponse).hasMatch())
        return false;
    const qsizetype fin = reponse.indexOf(u'%', 1);
    note = NombrePhp(reponse.mid(1, fin - 1).toDouble());
    reste = reponse.mid(fin + 1);
    return true;
}

// Moodle's explode, the first piece dropped when blank.
QStringList LecteurGift::Decouper(const QString &texte, QChar separateur)
{
    QStringList morceaux = texte.split(separateur);
    if (!morceaux.isEmpty()) {
        morceaux[0] = Trim(morceaux[0]);
        if (morceaux[0].isEmpty())
            morceaux.removeFirst();
    }
    return morceaux;
}

void LecteurGift::ChoixMultiple(QString bloc, Question &q)
{
    q.type = S("multichoice");
    q.unique = bloc.contains(u'=');
    bloc.replace(u'=', S("~="));
    const QStringList reponses = Decouper(bloc, u'~');
    VerifierNombre(reponses.size(), 2);
    for (const QString &brute : reponses) {
        QString reponse = Trim(brute);
        Morceau m;
        if (reponse.startsWith(u'=')) {
            m.note = S("100");
            reponse = reponse.mid(1);
        } else if (QString reste; Poids(reponse, m.note, reste)) {
            reponse = reste;
        } else {
            m.note = S("0");
        }
        m.texte = SansFeedback(reponse);
        q.morceaux.push_back(std::move(m));
    }
}

void LecteurGift::Association(const QString &bloc, Question &q)
{
    q.type = S("matching");
    const QStringList paires = Decouper(bloc, u'=');
    VerifierNombre(paires.size(), 2);
    for (const QString &brute : paires) {
        const QString paire = Trim(brute);
        const qsizetype fleche = paire.indexOf(S("->"));
        if (fleche < 0)
            Refuser(Gift::tr("a matching answer needs \"->\"."));
        Morceau m;
        m.sorte = Morceau::Paire;
        m.texte = SansFormat(paire.left(fleche));
        m.autre = Trim(Restituer(paire.mid(fleche + 2)));
        q.morceaux.push_back(std::move(m));
    }
}

void LecteurGift::VraiFaux(const QString &bloc, Question &q)
{
    q.type = S("truefalse");
    const QStringList parties = bloc.split(u'#');
    for (qsizetype i = 1; i < qMin<qsizetype>(parties.size(), 3); ++i) {
        if (!SansFormat(Trim(parties.at(i))).isEmpty())
            ++perdus;
    }
    const QString reponse = SansFormat(Trim(parties.at(0)));
    const bool vrai = reponse == QLatin1String("T") || reponse == QLatin1String("TRUE");
    Morceau vraie;
    vraie.texte = S("true");
    vraie.note = vrai ? S("100") : S("0");
    Morceau fausse;
    fausse.texte = S("false");
    fausse.note = vrai ? S("0") : S("100");
    q.morceaux.push_back(vraie);
    q.morceaux.push_back(fausse);
}

void LecteurGift::ReponseCourte(const QString &bloc, Question &q)
{
    q.type = S("shortanswer");
    const QStringList reponses = Decouper(bloc, u'=');
    VerifierNombre(reponses.size(), 1);
    for (const QString &brute : reponses) {
        Morceau m;
        m.texte = SansFeedback(Ponderee(brute, m.note));
        q.morceaux.push_back(std::move(m));
    }
}

void LecteurGift::Numerique(QString bloc, Question &q)
{
    q.type = S("numerical");
    bloc = bloc.mid(1);
    QString faux;
    if (const qsizetype tilde = bloc.indexOf(u'~'); tilde >= 0) {
        faux = bloc.mid(tilde);
        bloc.truncate(tilde);
    }
    const QStringList reponses = Decouper(bloc, u'=');
    if (reponses.isEmpty())
        Refuser(Gift::tr("a numerical question needs an answer."));
    for (const QString &brute : reponses) {
        Morceau m;
        QString reponse = SansFeedback(Ponderee(brute, m.note));
        QString valeur;
        QString tolerance;
        if (const qsizetype points = reponse.indexOf(S("..")); points > 0) {
            const QString min = Trim(reponse.left(points));
            const QString max = Trim(reponse.mid(points + 2));
            if (!EstNumerique(min) || !EstNumerique(max))
                Refuser(Gift::tr("a numerical range needs two numbers."));
            const double milieu = (max.toDouble() + min.toDouble()) / 2;
            valeur = NombrePhp(milieu);
            tolerance = NombrePhp(max.toDouble() - milieu);
        } else if (const qsizetype deuxPoints = reponse.indexOf(u':'); deuxPoints > 0) {
            tolerance = Trim(reponse.mid(deuxPoints + 1));
            valeur = Trim(reponse.left(deuxPoints));
        } else {
            tolerance = S("0");
            valeur = Trim(reponse);
        }
        if (!EstNumerique(tolerance))
            Refuser(Gift::tr("a numerical tolerance must be a number."));
        // Moodle's importer keeps any answer that is not a number as "*".
        m.texte = EstNumerique(valeur) ? valeur : S("*");
        m.tolerance = tolerance;
        q.morceaux.push_back(std::move(m));
    }
    if (!faux.isEmpty()) {
        SansFeedback(faux);
        Morceau m;
        m.note = S("0");
        m.texte = S("*");
        q.morceaux.push_back(std::move(m));
    }
}

bool LecteurGift::Lire(const QStringList &lignes, int premiere, Question &q)
{
    QStringList utiles;
    ligne = 0;
    for (qsizetype i = 0; i < lignes.size(); ++i) {
        if (lignes.at(i).startsWith(S("//"))) {
            utiles << S(" ");
            continue;
        }
        if (ligne == 0)
            ligne = premiere + int(i);
        utiles << lignes.at(i);
    }
    QString texte = Trim(utiles.join(u'\n'));
    if (texte.isEmpty())
        return false;
    texte = Substituer(texte);

    if (texte.startsWith(S("$CATEGORY:"))) {
        q.type = S("category");
        q.categorie = Carte(Trim(Restituer(texte.mid(10))));
        return true;
    }
    static const QRegularExpression commande(S("^\\$[A-Za-z]+:"));
    if (const auto m = commande.match(texte); m.hasMatch())
        Refuser(Gift::tr("unknown command \"%1\".").arg(m.captured(0)));

    bool avecNom = false;
    if (texte.startsWith(S("::"))) {
        texte = texte.mid(2);
        const qsizetype fin = texte.indexOf(S("::"));
        if (fin >= 0) {
            q.nom = SansBalises(Restituer(texte.left(fin)));
            texte = Trim(texte.mid(fin + 2));
            avecNom = true;
        }
    }

    const qsizetype debut = texte.indexOf(u'{');
    const qsizetype fin = texte.indexOf(u'}');
    bool description = false;
    QString bloc;
    QString enonce;
    if (debut < 0 && fin < 0) {
        description = true;
        enonce = texte;
    } else if (debut < 0 || fin < 0 || fin < debut) {
        Refuser(Gift::tr("an answer block lacks its \"{\" or its \"}\"."));
    } else {
        bloc = Trim(texte.mid(debut + 1, fin - debut - 1));
        if (texte.endsWith(u'}'))
            enonce = texte.left(debut) + texte.mid(fin + 1);
        else // the answers stand for a missing word
            enonce = texte.left(debut) + S("_____") + texte.mid(fin + 1);
    }
    QString feedback;
    if (const qsizetype diese = bloc.lastIndexOf(S("####")); diese >= 0) {
        feedback = bloc.mid(diese + 4);
        bloc = Trim(bloc.left(diese));
    }
    q.texte = SansFormat(enonce);
    if (!avecNom)
        q.nom = NomParDefaut(q.texte);

    if (description) {
        q.type = S("description");
    } else if (bloc.isEmpty()) {
        q.type = S("essay");
        Morceau modele;
        modele.sorte = Morceau::Modele;
        q.morceaux.push_back(modele);
    } else if (bloc.startsWith(u'#')) {
        Numerique(bloc, q);
    } else if (bloc.contains(u'~')) {
        ChoixMultiple(bloc, q);
    } else if (bloc.contains(u'=') && bloc.contains(S("->"))) {
        Association(bloc, q);
    } else {
        const qsizetype diese = bloc.indexOf(u'#');
        const QString verif = diese > 0 ? Trim(bloc.left(diese)) : bloc;
        static const QStringList vraiFaux = {S("T"), S("TRUE"), S("F"), S("FALSE")};
        if (vraiFaux.contains(verif))
            VraiFaux(bloc, q);
        else
            ReponseCourte(bloc, q);
    }
    Morceau general;
    general.sorte = Morceau::Feedback;
    general.texte = SansFormat(feedback);
    q.morceaux.push_back(general);

    q.nom = Carte(q.nom);
    q.texte = Carte(q.texte);
    for (Morceau &m : q.morceaux) {
        m.texte = Carte(m.texte);
        m.autre = Carte(m.autre);
    }
    return true;
}

// The text of a file: UTF-8 without its byte-order mark, split into lines
// at CR LF, LF or CR.
// --- Writing --------------------------------------------------------------

QString EchapperGift(const QString &texte)
{
    const auto special = [](QChar c) {
        switch (c.unicode()) {
        case '\\':
        case '~':
        case '=':
        case '#':
        case '{':
        case '}':
        case ':':
        case '\r':
        case '\n':
            return true;
        default:
            return false;
        }
    };
    // A leading [html], [moodle], [plain] or [markdown] would be read as the
    // text's format: a [moodle] in front keeps it as text.
    static const QRegularExpression format(QStringLiteral("^\\[(html|moodle|plain|markdown)\\]"));
    const bool protege = texte.startsWith(u'[') && format.match(texte).hasMatch();
    qsizetype i = 0;
    while (i < texte.size() && !special(texte.at(i)))
        ++i;
    if (i == texte.size())
        return protege ? QStringLiteral("[moodle]") + texte : texte;
    QString r;
    r.reserve(texte.size() + 16);
    if (protege)
        r += QStringLiteral("[moodle]");
    r += QStringView(texte).left(i);
    for (; i < texte.size(); ++i) {
        const QChar c = texte.at(i);
        if (c == u'\r' || c == u'\n') {
            // A line break inside a text would end the question at a blank line.
            if (c == u'\r' && i + 1 < texte.size() && texte.at(i + 1) == u'\n')
                ++i;
            r += QStringLiteral("\\n");
        } else {
            if (special(c))
                r += u'\\';
            r += c;
        }
    }
    return r;
}

// A multiple-choice answer: "=" for the one right answer, "~" for a wrong
// one, "~%n%" for any other grade (and for a text that starts with '%').
void ChoixGift(QString &sortie, const Morceau &m, bool unique)
{
    const QString texte = EchapperGift(m.texte);
    if (unique && m.note == QLatin1String("100")) {
        sortie += u'=';
    } else if (m.note == QLatin1String("0") && !texte.startsWith(u'%')) {
        sortie += u'~';
    } else {
        sortie += QLatin1String("~%");
        sortie += m.note;
        sortie += u'%';
    }
    sortie += texte;
}

// A short answer: "=" full credit, "=%n%" any other grade.
void ReponseCourteGift(QString &sortie, const Morceau &m)
{
    const QString texte = EchapperGift(m.texte);
    sortie += u'=';
    if (m.note != QLatin1String("100") || texte.startsWith(u'%')) {
        sortie += u'%';
        sortie += m.note;
        sortie += u'%';
    }
    sortie += texte;
}

class EcrivainGift
{
public:
    explicit EcrivainGift(const TFichierX &f) : f(f), cartes(f) { }
    QByteArray Ecrire(int &approches);

private:
    const TFichierX &f;
    Questions::DepuisCartes cartes;
    QString sortie;
    QString corps; // kept between questions for its capacity

    // True when the question is written exactly.
    bool Question(const Questions::Question &q);
};

bool EcrivainGift::Question(const Questions::Question &q)
{
    if (q.type == QLatin1String("category")) {
        sortie += QLatin1String("$CATEGORY: ");
        sortie += EchapperGift(q.categorie);
        sortie += QLatin1String("\r\n\r\n");
        return true;
    }
    bool exact = true;
    QString feedback;
    QList<const Morceau *> reponses;
    int feedbacks = 0;
    for (const Morceau &m : q.morceaux) {
        if (m.sorte == Morceau::Feedback) {
            feedback = m.texte;
            ++feedbacks;
        } else if (m.sorte == Morceau::Modele) {
            exact = exact && m.texte.isEmpty(); // a response template has no place
        } else {
            reponses << &m;
        }
    }
    exact = exact && feedbacks <= 1;
    QString texte = EchapperGift(q.texte);
    // The answer block's lines, each after its line break.
    QString &lignes = corps;
    lignes.clear();
    int nombreLignes = 0;
    const auto ligne = [&lignes, &nombreLignes]() -> QString & {
        lignes += QLatin1String("\r\n");
        ++nombreLignes;
        return lignes;
    };
    QString apres;
    bool bloc = true;
    const QString &type = q.type;
    if (type.startsWith(QLatin1String("multichoice"))) {
        int pleines = 0;
        for (const Morceau *m : reponses) {
            pleines += m->note == QLatin1String("100");
            ChoixGift(ligne(), *m, q.unique);
        }
        // Moodle allows one answer only when some answer is marked "=".
        exact = exact && reponses.size() >= 2 && (q.unique ? pleines > 0 : true)
            && type == QLatin1String("multichoice");
        if (!q.unique && nombreLignes == 1)
            ligne() += QLatin1String("~%0%"); // two answers at least
    } else if (type == QLatin1String("truefalse")) {
        bool vrai = true;
        int justes = 0;
        for (const Morceau *m : reponses) {
            const QString t = m->texte.toLower();
            if (m->note == QLatin1String("100")) {
                vrai = t != QLatin1String("false");
                ++justes;
            }
            exact = exact && (t == QLatin1String("true") || t == QLatin1String("false"));
        }
        exact = exact && reponses.size() == 2 && justes == 1;
        ligne() += vrai ? u'T' : u'F';
    } else if (type == QLatin1String("shortanswer")) {
        for (const Morceau *m : reponses)
            ReponseCourteGift(ligne(), *m);
        if (reponses.isEmpty()) {
            bloc = false; // no answer: a description
            exact = false;
        }
    } else if (type == QLatin1String("matching")) {
        for (const Morceau *m : reponses)
            ligne() += S("=") + EchapperGift(m->texte) + S(" -> ") + EchapperGift(m->autre);
        exact = exact && reponses.size() >= 2;
        if (reponses.size() == 1)
            ligne() += QLatin1String("= -> "); // Moodle asks for two pairs: an empty distractor
    } else if (type == QLatin1String("numerical")) {
        ligne() += u'#';
        for (const Morceau *m : reponses) {
            QString l = S("=");
            if (m->note != QLatin1String("100"))
                l += u'%' + m->note + u'%';
            // Moodle keeps any answer that is not a number as "*".
            const bool nombre = EstNumerique(m->texte);
            l += nombre ? m->texte : S("*");
            if (nombre && !m->tolerance.isEmpty())
                l += u':' + m->tolerance;
            ligne() += l;
            exact = exact && m->autre.isEmpty() && (m->texte == QLatin1String("*") || EstNumerique(m->texte));
        }
        exact = exact && !reponses.isEmpty();
    } else if (type == QLatin1String("essay")) {
        exact = exact && reponses.isEmpty();
    } else if (type == QLatin1String("cloze")) {
        // One gap becomes a missing word; the others stay as text.
        static const QString ouverture = S("{:SA:=");
        const qsizetype debut = q.texte.indexOf(ouverture);
        const qsizetype fin = debut < 0 ? -1 : q.texte.indexOf(u'}', debut);
        if (fin < 0) {
            bloc = false;
            exact = false;
        } else {
            texte = EchapperGift(q.texte.left(debut));
            apres = EchapperGift(q.texte.mid(fin + 1));
            ligne() += S("=")
                + EchapperGift(Rogner(q.texte.mid(debut + ouverture.size(), fin - debut - ouverture.size())));
            exact = exact && !q.texte.mid(fin + 1).contains(ouverture) && reponses.isEmpty();
        }
    } else {
        // description, and the types GIFT has no form for, are texts alone
        bloc = false;
        exact = exact && type == QLatin1String("description") && reponses.isEmpty() && feedback.isEmpty();
    }
    sortie += QLatin1String("::");
    sortie += EchapperGift(q.nom);
    sortie += QLatin1String("::");
    sortie += texte;
    if (bloc) {
        sortie += u'{';
        sortie += lignes;
        if (!feedback.isEmpty()) {
            sortie += QLatin1String("\r\n####");
            sortie += EchapperGift(feedback);
        }
        sortie += QLatin1String("\r\n}");
        sortie += apres;
    }
    sortie += QLatin1String("\r\n\r\n");
    return exact;
}

QByteArray EcrivainGift::Ecrire(int &approches)
{
    approches = 0;
    qsizetype taille = 0;
    for (const auto &fiche : f.Fiches)
        taille += fiche.Champ0().size() + fiche.Champ1().size() + fiche.Champ2().size() + 32;
    sortie.reserve(taille);
    for (const auto &fiche : f.Fiches) {
        if (!Question(cartes.Lire(fiche)))
            ++approches;
    }
    return sortie.toUtf8();
}

} // namespace

std::unique_ptr<TFichierX> TFichierGift::LireGift(const QByteArray &octets, int &perdus)
{
    TBudgetMemoire budget(octets.size());
    perdus = 0;
    // Lines are walked in place: a list of them costs several times the file.
    const QString texte = Questions::TexteQuiz(octets, Gift::tr("The file is not UTF-8 text."));
    auto f = std::make_unique<TFichierX>(QChar(u'M'), QChar(u'g'));
    Questions::VersCartes cartes(*f);
    LecteurGift lecteur(perdus);
    QStringList bloc;
    int debut = 0;
    const auto finir = [&] {
        Question q;
        if (!bloc.isEmpty() && lecteur.Lire(bloc, debut, q))
            cartes.Ajouter(q);
        bloc.clear();
    };
    int numero = 0;
    for (const QStringView brute : QStringView(texte).tokenize(u'\n')) {
        ++numero;
        const QString ligne = Trim(brute.toString());
        if (ligne.isEmpty()) {
            finir();
            continue;
        }
        if (bloc.isEmpty())
            debut = numero;
        bloc << ligne;
    }
    finir();
    f->Modifie = false;
    return f;
}

std::unique_ptr<TFichierX> TFichierGift::ChargerGift(const QString &nom, bool modifiable)
{
    auto flux = TFlux::Ouvrir(nom, modifiable);
    int perdus = 0;
    auto f = LireGift(flux->LireTout(), perdus);
    if (perdus > 0)
        Formats::Avertir(
            Gift::tr("%n answer feedback(s) of this file have no place in a card and were left out.", "", perdus));
    Contrat::TerminerChargement(*f, nom, std::move(flux), modifiable);
    return f;
}

QByteArray TFichierGift::EcrireGift(const TFichierX &fichier, int &approches)
{
    return EcrivainGift(fichier).Ecrire(approches);
}

void TFichierGift::EnregistrerGift(TFichierX &fichier, const QString &nom, bool nouveau, bool exporter)
{
    int approches = 0;
    const QByteArray contenu = EcrireGift(fichier, approches);
    if (exporter || fichier.TypeFichier != u'M')
        Contrat::EcrireExport(fichier, nom, contenu);
    else
        Contrat::TerminerEnregistrement(fichier, nom, nouveau, u'g', contenu);
    if (approches > 0)
        Formats::Avertir(Gift::tr(
            "%n card(s) cannot be written exactly in GIFT and were written as the closest question Moodle accepts.", "",
            approches));
}

bool TFichierGift::ResembleGift(const QByteArray &tete)
{
    const QString texte = QString::fromUtf8(tete);
    static const QRegularExpression nom(S("(^|\\n)[ \\t]*::[^\\n]*::"));
    static const QRegularExpression bloc(S("\\{\\s*(=|~|#|(T|F|TRUE|FALSE)\\s*(#[^}]*)?\\}|[^}]*->)"));
    return nom.match(texte).hasMatch() || bloc.match(texte).hasMatch();
}
