#include "formats/quiz/gift.h"

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
QStringView Trim(QStringView texte)
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

QString Trim(const QString &texte)
{
    const QStringView t = Trim(QStringView(texte));
    return t.size() == texte.size() ? texte : t.toString();
}

// A leading [html], [moodle], [plain] or [markdown] names the text's format:
// dropped, the text kept.
QString SansFormat(QStringView t)
{
    if (t.startsWith(u'[')) {
        static const QStringList noms = {S("html"), S("moodle"), S("plain"), S("markdown")};
        for (const QString &nom : noms) {
            if (t.size() > nom.size() + 1 && t.mid(1, nom.size()) == nom && t.at(nom.size() + 1) == u']') {
                t = t.mid(nom.size() + 2);
                break;
            }
        }
    }
    return Trim(Restituer(t.toString()));
}

// Without "<...>" tags, in one pass: past the last '>' nothing is a tag.
QString SansBalises(const QString &texte)
{
    QString r;
    r.reserve(texte.size());
    qsizetype i = 0;
    while (i < texte.size()) {
        const qsizetype ouvrant = texte.indexOf(u'<', i);
        const qsizetype fermant = ouvrant < 0 ? -1 : texte.indexOf(u'>', ouvrant + 1);
        if (fermant < 0) {
            r += QStringView(texte).mid(i);
            break;
        }
        r += QStringView(texte).mid(i, ouvrant - i);
        i = fermant + 1;
    }
    return Trim(r);
}

// The name Moodle gives a question without one: its text without tags,
// shortened to 80 characters at a word's end.
QString NomParDefaut(const QString &texte)
{
    const QString nom = Questions::NomAbrege(SansBalises(texte));
    return nom.isEmpty() ? Gift::tr("Question") : nom;
}

// Line breaks of a card are CR LF.
QString Carte(const QString &texte)
{
    return LignesCrLf(texte);
}

// The grades every answer shares rather than holding a copy each.
const QString Cent = S("100");
const QString Zero = S("0");

// Moodle's explode on separateur, the first piece trimmed and dropped when
// blank: each piece to f, as a view. A garde also ends a piece, and starts
// the next one (as if each were written separateur then garde).
template <typename F>
void Decouper(QStringView texte, QChar separateur, QChar garde, F &&f)
{
    bool premier = true;
    const auto donner = [&](QStringView morceau) {
        if (premier) {
            premier = false;
            morceau = Trim(morceau);
            if (morceau.isEmpty())
                return;
        }
        f(morceau);
    };
    qsizetype debut = 0;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar c = texte.at(i);
        if (c == separateur) {
            donner(texte.mid(debut, i - debut));
            debut = i + 1;
        } else if (c == garde && !garde.isNull()) {
            donner(texte.mid(debut, i - debut));
            debut = i;
        }
    }
    donner(texte.mid(debut));
}

template <typename F>
void Decouper(QStringView texte, QChar separateur, F &&f)
{
    Decouper(texte, separateur, QChar(), std::forward<F>(f));
}

qsizetype NombreMorceaux(QStringView texte, QChar separateur, QChar garde = QChar())
{
    qsizetype n = 0;
    Decouper(texte, separateur, garde, [&n](QStringView) { ++n; });
    return n;
}

// A part of a question, its line breaks as the card's.
void AjouterMorceau(Question &q, Morceau m)
{
    m.texte = Carte(m.texte);
    m.autre = Carte(m.autre);
    q.Ajouter(std::move(m));
}

// A number in plain decimal notation ("0.000005", never "5E-6" nor ".5"),
// the one form every GIFT parser reads. The digits are moved, never rounded
// through a double. Null for a text that is no number, and for an exponent
// past what a double holds (its digits would run to thousands).
QString Decimal(QStringView texte)
{
    texte = texte.trimmed();
    const qsizetype n = texte.size();
    const auto chiffre = [&texte, n](qsizetype i) { return i < n && texte[i] >= u'0' && texte[i] <= u'9'; };
    qsizetype i = 0;
    const bool negatif = i < n && texte[i] == u'-';
    if (i < n && (texte[i] == u'-' || texte[i] == u'+'))
        ++i;
    QString chiffres;
    while (chiffre(i))
        chiffres += texte[i++];
    qsizetype position = chiffres.size(); // of the point, in chiffres
    if (i < n && texte[i] == u'.') {
        ++i;
        while (chiffre(i))
            chiffres += texte[i++];
    }
    if (chiffres.isEmpty())
        return QString();
    const QString signe = negatif ? S("-") : QString();
    if (i == n) {
        // No exponent: the digits as written, the point only between digits.
        const QStringView entiers = QStringView(chiffres).left(position);
        const QStringView decimales = QStringView(chiffres).mid(position);
        return signe + (entiers.isEmpty() ? S("0") : entiers.toString())
            + (decimales.isEmpty() ? QString() : u'.' + decimales.toString());
    }
    if (texte[i] != u'e' && texte[i] != u'E')
        return QString();
    ++i;
    const bool exposantNegatif = i < n && texte[i] == u'-';
    if (i < n && (texte[i] == u'-' || texte[i] == u'+'))
        ++i;
    if (!chiffre(i))
        return QString();
    qint64 exposant = 0;
    for (; chiffre(i); ++i)
        exposant = qMin<qint64>(exposant * 10 + (texte[i].unicode() - u'0'), 1000000);
    if (i != n)
        return QString();
    position += exposantNegatif ? -exposant : exposant;
    qsizetype zeros = 0;
    while (zeros < chiffres.size() && chiffres.at(zeros) == u'0')
        ++zeros;
    if (zeros == chiffres.size())
        return S("0");
    chiffres.remove(0, zeros);
    position -= zeros;
    // A double holds about 1E-324 to 1E308.
    if (position > 310 || position < -330)
        return QString();
    if (position <= 0)
        return signe + S("0.") + QString(-position, u'0') + chiffres;
    if (position >= chiffres.size())
        return signe + chiffres + QString(position - chiffres.size(), u'0');
    return signe + chiffres.left(position) + u'.' + chiffres.mid(position);
}

// PHP's float to string (14 significant digits), written plainly.
QString NombrePhp(double v)
{
    return Decimal(QString::number(v, 'g', 14));
}

// A grade as GIFT writes it: plain decimal when it is a number.
QString NoteGift(const QString &note)
{
    const QString decimal = Decimal(note);
    return decimal.isNull() ? note : decimal;
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
    explicit LecteurGift(int &compteur) : perdus(compteur) { }
    // False for a block that holds no question (comments only).
    bool Lire(QStringView bloc, int ligne, Question &q);

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
    QString SansFeedback(QStringView reponse)
    {
        const qsizetype diese = reponse.indexOf(u'#');
        if (diese < 0)
            return SansFormat(reponse);
        if (!SansFormat(reponse.mid(diese + 1)).isEmpty())
            ++perdus;
        return SansFormat(reponse.left(diese));
    }
    static bool Poids(QStringView reponse, QString &note, QStringView &reste);
    // An answer of the right-answer kind: its text after the grade, which is
    // 100 when none is written.
    static QStringView Ponderee(QStringView brute, QString &note);
    void ChoixMultiple(QStringView bloc, Question &q);
    void Association(QStringView bloc, Question &q);
    void VraiFaux(QStringView bloc, Question &q);
    void ReponseCourte(QStringView bloc, Question &q);
    void Numerique(QStringView bloc, Question &q);
};

// "%50%" in front of an answer: its grade in percent, as Moodle writes it.
QStringView LecteurGift::Ponderee(QStringView brute, QString &note)
{
    const QStringView reponse = Trim(brute);
    if (QStringView reste; Poids(reponse, note, reste))
        return reste;
    note = Cent;
    return reponse;
}

bool LecteurGift::Poids(QStringView reponse, QString &note, QStringView &reste)
{
    static const QRegularExpression poids(S("^%-*([0-9]{1,2})\\.?([0-9]*)%"));
    if (!reponse.startsWith(u'%') || !poids.match(reponse).hasMatch())
        return false;
    const qsizetype fin = reponse.indexOf(u'%', 1);
    note = NombrePhp(reponse.mid(1, fin - 1).toDouble());
    reste = reponse.mid(fin + 1);
    return true;
}

void LecteurGift::ChoixMultiple(QStringView bloc, Question &q)
{
    q.genre = Questions::Genre::ChoixMultiple;
    q.unique = bloc.contains(u'=');
    // Moodle writes each '=' as "~=" and cuts at '~'.
    VerifierNombre(NombreMorceaux(bloc, u'~', u'='), 2);
    Decouper(bloc, u'~', u'=', [&](QStringView brute) {
        QStringView reponse = Trim(brute);
        Morceau m;
        if (reponse.startsWith(u'=')) {
            m.note = Cent;
            reponse = reponse.mid(1);
        } else if (QStringView reste; Poids(reponse, m.note, reste)) {
            reponse = reste;
        } else {
            m.note = Zero;
        }
        m.texte = SansFeedback(reponse);
        AjouterMorceau(q, std::move(m));
    });
}

void LecteurGift::Association(QStringView bloc, Question &q)
{
    q.genre = Questions::Genre::Appariement;
    VerifierNombre(NombreMorceaux(bloc, u'='), 2);
    Decouper(bloc, u'=', [&](QStringView brute) {
        const QStringView paire = Trim(brute);
        const qsizetype fleche = paire.indexOf(u"->");
        if (fleche < 0)
            Refuser(Gift::tr("a matching answer needs \"->\"."));
        Morceau m;
        m.sorte = Morceau::Paire;
        m.texte = SansFormat(paire.left(fleche));
        m.autre = Trim(Restituer(paire.mid(fleche + 2).toString()));
        AjouterMorceau(q, std::move(m));
    });
}

void LecteurGift::VraiFaux(QStringView bloc, Question &q)
{
    q.genre = Questions::Genre::VraiFaux;
    // The answer, then the feedbacks of a wrong and of a right answer.
    QStringView reponse;
    int partie = 0;
    for (const QStringView morceau : bloc.tokenize(u'#')) {
        if (partie == 0)
            reponse = morceau;
        else if (!SansFormat(Trim(morceau)).isEmpty())
            ++perdus;
        if (++partie == 3)
            break;
    }
    const QString texte = SansFormat(Trim(reponse));
    const bool vrai = texte == QLatin1String("T") || texte == QLatin1String("TRUE");
    Morceau vraie;
    vraie.texte = S("true");
    vraie.note = vrai ? Cent : Zero;
    Morceau fausse;
    fausse.texte = S("false");
    fausse.note = vrai ? Zero : Cent;
    AjouterMorceau(q, std::move(vraie));
    AjouterMorceau(q, std::move(fausse));
}

void LecteurGift::ReponseCourte(QStringView bloc, Question &q)
{
    q.genre = Questions::Genre::ReponseCourte;
    VerifierNombre(NombreMorceaux(bloc, u'='), 1);
    Decouper(bloc, u'=', [&](QStringView brute) {
        Morceau m;
        m.texte = SansFeedback(Ponderee(brute, m.note));
        AjouterMorceau(q, std::move(m));
    });
}

void LecteurGift::Numerique(QStringView bloc, Question &q)
{
    q.genre = Questions::Genre::Numerique;
    bloc = bloc.mid(1);
    QStringView faux;
    if (const qsizetype tilde = bloc.indexOf(u'~'); tilde >= 0) {
        faux = bloc.mid(tilde);
        bloc.truncate(tilde);
    }
    if (NombreMorceaux(bloc, u'=') == 0)
        Refuser(Gift::tr("a numerical question needs an answer."));
    Decouper(bloc, u'=', [&](QStringView brute) {
        Morceau m;
        const QString reponse = SansFeedback(Ponderee(brute, m.note));
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
            tolerance = Zero;
            valeur = Trim(reponse);
        }
        if (!EstNumerique(tolerance))
            Refuser(Gift::tr("a numerical tolerance must be a number."));
        // Moodle's importer keeps any answer that is not a number as "*".
        m.texte = EstNumerique(valeur) ? valeur : S("*");
        m.tolerance = tolerance;
        AjouterMorceau(q, std::move(m));
    });
    if (!faux.isEmpty()) {
        SansFeedback(faux);
        Morceau m;
        m.note = Zero;
        m.texte = S("*");
        AjouterMorceau(q, std::move(m));
    }
}

bool LecteurGift::Lire(QStringView lignes, int premiere, Question &q)
{
    // The block's lines, each trimmed, comment lines as a space, joined by LF.
    QString utiles;
    utiles.reserve(lignes.size());
    ligne = 0;
    int numero = premiere;
    for (const QStringView brute : lignes.tokenize(u'\n')) {
        if (numero > premiere)
            utiles += u'\n';
        const QStringView l = Trim(brute);
        if (l.startsWith(u"//")) {
            utiles += u' ';
        } else {
            if (ligne == 0)
                ligne = numero;
            utiles += l;
        }
        ++numero;
    }
    QString texte = Substituer(Trim(utiles));
    utiles = QString();
    if (texte.isEmpty())
        return false;

    if (texte.startsWith(S("$CATEGORY:"))) {
        q.genre = Questions::Genre::Categorie;
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
        q.genre = Questions::Genre::Description;
    } else if (bloc.isEmpty()) {
        q.genre = Questions::Genre::Redaction;
        Morceau modele;
        modele.sorte = Morceau::Modele;
        AjouterMorceau(q, std::move(modele));
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
    AjouterMorceau(q, std::move(general));

    q.nom = Carte(q.nom);
    q.texte = Carte(q.texte);
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
        sortie += NoteGift(m.note);
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
        sortie += NoteGift(m.note);
        sortie += u'%';
    }
    sortie += texte;
}

class EcrivainGift
{
public:
    EcrivainGift(const TFichierX &fichier, const TOptions &options) : f(fichier), cartes(fichier, options) { }
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
    using Questions::Genre;
    if (q.genre == Genre::Categorie) {
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
    if (q.ChoixMultipleOuVariante()) {
        int pleines = 0;
        for (const Morceau *m : reponses) {
            pleines += m->note == QLatin1String("100");
            ChoixGift(ligne(), *m, q.unique);
        }
        // Moodle allows one answer only when some answer is marked "=".
        exact = exact && reponses.size() >= 2 && (q.unique ? pleines > 0 : true) && q.genre == Genre::ChoixMultiple;
        if (!q.unique && nombreLignes == 1)
            ligne() += QLatin1String("~%0%"); // two answers at least
    } else if (q.genre == Genre::VraiFaux) {
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
    } else if (q.genre == Genre::ReponseCourte) {
        for (const Morceau *m : reponses)
            ReponseCourteGift(ligne(), *m);
        if (reponses.isEmpty()) {
            bloc = false; // no answer: a description
            exact = false;
        }
    } else if (q.genre == Genre::Appariement) {
        for (const Morceau *m : reponses)
            ligne() += S("=") + EchapperGift(m->texte) + S(" -> ") + EchapperGift(m->autre);
        exact = exact && reponses.size() >= 2;
        if (reponses.size() == 1)
            ligne() += QLatin1String("= -> "); // Moodle asks for two pairs: an empty distractor
    } else if (q.genre == Genre::Numerique) {
        ligne() += u'#';
        for (const Morceau *m : reponses) {
            QString l = S("=");
            if (m->note != QLatin1String("100"))
                l += u'%' + NoteGift(m->note) + u'%';
            // Moodle keeps any answer that is not a number as "*".
            const QString nombre = Decimal(m->texte);
            l += nombre.isNull() ? S("*") : nombre;
            const QString tolerance = nombre.isNull() ? QString() : Decimal(m->tolerance);
            if (!tolerance.isEmpty())
                l += u':' + tolerance;
            ligne() += l;
            exact = exact && m->autre.isEmpty() && (m->texte == QLatin1String("*") || !nombre.isNull())
                && (tolerance.isNull() == (nombre.isNull() || m->tolerance.isEmpty()));
        }
        exact = exact && !reponses.isEmpty();
    } else if (q.genre == Genre::Redaction) {
        exact = exact && reponses.isEmpty();
    } else if (q.genre == Genre::Trous) {
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
        exact = exact && q.genre == Genre::Description && reponses.isEmpty() && feedback.isEmpty();
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

std::unique_ptr<TFichierX> TFichierGift::LireGift(const QByteArray &octets, int &perdus, const TOptions &options)
{
    TBudgetMemoire budget(octets.size());
    perdus = 0;
    // Lines are walked in place: a list of them costs several times the file.
    const QString texte = Questions::TexteQuiz(octets, Gift::tr("The file is not UTF-8 text."));
    auto f = std::make_unique<TFichierX>(QChar(u'M'), QChar(u'g'), options);
    Questions::VersCartes cartes(*f, options);
    LecteurGift lecteur(perdus);
    // The block of lines being gathered: from the start of its first line to
    // the end of its last one, in texte.
    qsizetype debutBloc = -1;
    qsizetype finBloc = 0;
    int debut = 0;
    const auto finir = [&] {
        Question q;
        if (debutBloc >= 0 && lecteur.Lire(QStringView(texte).mid(debutBloc, finBloc - debutBloc), debut, q))
            cartes.Ajouter(q);
        q.Vider();
        debutBloc = -1;
    };
    int numero = 0;
    for (const QStringView brute : QStringView(texte).tokenize(u'\n')) {
        ++numero;
        if (Trim(brute).isEmpty()) {
            finir();
            continue;
        }
        const qsizetype position = brute.data() - texte.constData();
        if (debutBloc < 0) {
            debutBloc = position;
            debut = numero;
        }
        finBloc = position + brute.size();
    }
    finir();
    f->Modifie = false;
    return f;
}

std::unique_ptr<TFichierX> TFichierGift::ChargerGift(const QString &nom, bool modifiable, Formats::Rapport *rapport,
                                                     const TOptions &options)
{
    auto flux = TFlux::Ouvrir(nom, modifiable);
    int perdus = 0;
    auto f = LireGift(flux->LireTout(), perdus, options);
    if (perdus > 0 && rapport)
        rapport->Ajouter(
            {Formats::Perte::Retroactions, perdus, -1, 0,
             Gift::tr("%n answer feedback(s) of this file have no place in a card and were left out.", "", perdus)});
    Contrat::TerminerChargement(*f, nom, std::move(flux), modifiable);
    return f;
}

QByteArray TFichierGift::EcrireGift(const TFichierX &fichier, int &approches, const TOptions &options)
{
    return EcrivainGift(fichier, options).Ecrire(approches);
}

void TFichierGift::EnregistrerGift(TFichierX &fichier, const QString &nom, bool nouveau, bool exporter,
                                   Formats::Rapport *rapport, const TOptions &options)
{
    int approches = 0;
    const QByteArray contenu = EcrireGift(fichier, approches, options);
    if (exporter || fichier.TypeFichier != u'M')
        Contrat::EcrireExport(fichier, nom, contenu);
    else
        Contrat::TerminerEnregistrement(fichier, nom, nouveau, u'g', contenu);
    if (approches > 0 && rapport)
        rapport->Ajouter({Formats::Perte::Approchees, approches, -1, 0,
                          Gift::tr("%n card(s) cannot be written exactly in GIFT and were written as the closest "
                                   "question Moodle accepts.",
                                   "", approches)});
}

namespace {

bool BlancRegex(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f';
}

// A "::name::" line: "::", then "::" again later on the line.
bool LigneNommee(QStringView texte)
{
    for (QStringView ligne : texte.tokenize(u'\n')) {
        qsizetype i = 0;
        while (i < ligne.size() && (ligne.at(i) == u' ' || ligne.at(i) == u'\t'))
            ++i;
        if (ligne.mid(i).startsWith(u"::") && ligne.indexOf(u"::", i + 2) >= 0)
            return true;
    }
    return false;
}

// An answer block's start: "{" then, past blanks, '=', '~' or '#'; or T, F,
// TRUE or FALSE then "}" (after blanks and a "#feedback"); or a "->" before
// the next "}". Each '{' looks no further than its own blanks and word: the
// next '}' and "->" are found once for all of them.
bool BlocReponses(QStringView texte)
{
    const qsizetype n = texte.size();
    qsizetype fermant = 0; // the first '}' at or past the position asked, or -1
    qsizetype fleche = 0;  // the same for "->"
    const auto apres = [&texte](qsizetype &trouve, qsizetype depuis, auto motif) {
        if (trouve >= 0 && trouve < depuis)
            trouve = texte.indexOf(motif, depuis);
        return trouve;
    };
    static const QStringView mots[] = {u"TRUE", u"FALSE", u"T", u"F"};
    for (qsizetype i = texte.indexOf(u'{'); i >= 0; i = texte.indexOf(u'{', i + 1)) {
        const qsizetype f = apres(fermant, i + 1, u'}');
        const qsizetype a = apres(fleche, i + 1, QStringView(u"->"));
        if (a >= 0 && (f < 0 || a < f))
            return true;
        qsizetype k = i + 1;
        while (k < n && BlancRegex(texte.at(k)))
            ++k;
        if (k == n)
            continue;
        if (texte.at(k) == u'=' || texte.at(k) == u'~' || texte.at(k) == u'#')
            return true;
        for (QStringView mot : mots) {
            if (!texte.mid(k).startsWith(mot))
                continue;
            qsizetype m = k + mot.size();
            while (m < n && BlancRegex(texte.at(m)))
                ++m;
            if (m < n && (texte.at(m) == u'}' || (texte.at(m) == u'#' && f > m)))
                return true;
        }
    }
    return false;
}

} // namespace

bool TFichierGift::ResembleGift(const QByteArray &tete)
{
    // Scans in one pass: patterns took time in the square of a crafted head.
    const QString texte = QString::fromUtf8(tete);
    return LigneNommee(texte) || BlocReponses(texte);
}

namespace {

class FormatGift : public Formats::TFormatQuiz
{
public:
    QChar Lettre() const override { return u'g'; }
    const char *Nom() const override { return QT_TRANSLATE_NOOP("Chaines", "GIFT"); }
    const char *Motif() const override { return "gift"; }
    unsigned Capacites() const override { return Formats::Document | Formats::ToujoursPropose; }
    const char *EntreeOuverture() const override { return "*.gift;*.txt"; }
    QChar TypeEntreeOuverture() const override { return u'M'; }
    // A text file of the Aiken shape is Aiken even when it also looks like GIFT.
    int RangReconnaissance() const override { return Formats::RangReglesGenerales; }
    bool Reconnaitre(const Formats::Tete &tete) const override
    {
        if (tete.nom.endsWith(QLatin1String(".gift"), Qt::CaseInsensitive))
            return true;
        return tete.nom.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive)
            && !TFichierAiken::ResembleAiken(tete.octets) && TFichierGift::ResembleGift(tete.octets);
    }
    bool Lisible() const override { return true; }
    bool Ecrivable() const override { return true; }
    std::unique_ptr<TFichierX> Lire(const QString &nom, const Formats::Lecture &l) const override
    {
        return TFichierGift::ChargerGift(nom, l.modifiable, l.rapport, l.options);
    }
    void Ecrire(TFichierX &f, const QString &nom, const Formats::Ecriture &e) const override
    {
        TFichierGift::EnregistrerGift(f, nom, e.nouveau, e.exporter, e.rapport, e.options);
    }
};

} // namespace

const Formats::TFormat &Formats::FormatGift()
{
    return Instance<::FormatGift>();
}
