#include "formats/qti/qti12.h"

#include "formats/fils.h"
#include "formats/html.h"
#include "formats/pertes.h"
#include "formats/questions.h"
#include "formats/sortiexml.h"
#include "model/fichierx.h"
#include "model/outils.h"

#include <QCoreApplication>

namespace {

using Questions::Genre;
using Questions::Morceau;
using Questions::Question;
using Questions::S;
using SortieXml::Contexte;

struct Qti
{
    Q_DECLARE_TR_FUNCTIONS(Qti)
};

// A grade as a number; an answer without one is worth nothing.
double Note(const Morceau &m)
{
    return m.Note();
}

// Canvas keeps right answers only, at full credit: any other grade is lost.
bool NoteCanvas(const Morceau &m)
{
    const double n = Note(m);
    return n == 0 || n == 100;
}

QString Nombre(double v)
{
    return QString::number(v, 'g', 15);
}

// A cloze card holds one gap exactly.
bool UneLacune(const QString &texte, qsizetype &debut, qsizetype &fin)
{
    const QString ouvre = S("{:SA:=");
    debut = texte.indexOf(ouvre);
    fin = debut < 0 ? -1 : texte.indexOf(u'}', debut);
    return fin >= 0 && texte.indexOf(ouvre, fin) < 0;
}

// The item's kind as the profile names it; empty when the card has none.
QString Type(const Question &q, bool cc)
{
    int justes = 0;
    for (const Morceau &m : q.morceaux)
        justes += m.sorte == Morceau::Reponse && Note(m) > 0;
    qsizetype debut = 0;
    qsizetype fin = 0;
    if (q.genre == Genre::Trous && !UneLacune(q.texte, debut, fin))
        return QString();
    switch (q.genre) {
    case Genre::ChoixMultiple:
        if (justes > 1)
            return cc ? S("cc.multiple_response.v0p1") : S("multiple_answers_question");
        return cc ? S("cc.multiple_choice.v0p1") : S("multiple_choice_question");
    case Genre::VraiFaux:
        return cc ? S("cc.true_false.v0p1") : S("true_false_question");
    case Genre::ReponseCourte:
    case Genre::Trous:
        return cc ? S("cc.fib.v0p1") : S("short_answer_question");
    case Genre::Redaction:
        return cc ? S("cc.essay.v0p1") : S("essay_question");
    // Canvas writes none of these in a cartridge's profile either.
    case Genre::Numerique:
        return cc ? QString() : S("numerical_question");
    case Genre::Appariement:
        return cc ? QString() : S("matching_question");
    case Genre::Description:
        return cc ? QString() : S("text_only_question");
    default:
        return QString();
    }
}

// Writes items, or the document around them, into its own buffer: the
// cards are shared in parts between threads, each part numbering its items
// from where the previous one stops.
class Ecrivain
{
public:
    Ecrivain(Qti12::Profil profil, int premier) : cc(profil == Qti12::Profil::Cartouche), position(premier) { }
    // The items of these cards, counted in pertes.
    void Items(const std::vector<Question> &questions, size_t debut, size_t fin);
    void DebutDocument(const QString &ident, const QString &titre);
    void FinDocument() { s += "</section>\n</assessment>\n</questestinterop>\n"; }

    QByteArray s;
    Qti12::PertesEcriture pertes;

private:
    bool cc;
    int position = 0;
    bool approchee = false;

    void Debut(const char *nom) { (s += '<') += nom; }
    void Attribut(const char *nom, const QString &valeur)
    {
        ((s += ' ') += nom) += "=\"";
        SortieXml::Ajouter(s, valeur, Contexte::Attribut);
        s += '"';
    }
    void FinDebut() { s += ">\n"; }
    void Fin(const char *nom) { ((s += "</") += nom) += ">\n"; }
    void Element(const char *nom, const QString &texte)
    {
        (((s += '<') += nom) += '>');
        SortieXml::Ajouter(s, texte, Contexte::Texte);
        Fin(nom);
    }
    // A material: the card's plain text as HTML, or an answer as plain text.
    void Materiel(const QString &texte, bool html)
    {
        s += "<material><mattext texttype=\"";
        s += html ? "text/html" : "text/plain";
        s += "\">";
        SortieXml::Ajouter(s, html ? Html::DepuisTexte(texte) : texte, Contexte::Texte);
        s += "</mattext></material>\n";
    }
    void Champ(const QString &nom, const QString &valeur);
    void Varequal(const QString &reponse, const QString &valeur, const char *balise = "varequal");
    void Score(const QString &valeur, const char *action = "Set");
    void Choix(const QString &ident, bool plusieurs, const QStringList &textes);

    void Item(const Question &q, int fiche);
    void Approcher() { approchee = true; }
};

void Ecrivain::Champ(const QString &nom, const QString &valeur)
{
    s += "<qtimetadatafield>";
    Element("fieldlabel", nom);
    Element("fieldentry", valeur);
    s += "</qtimetadatafield>\n";
}

void Ecrivain::Varequal(const QString &reponse, const QString &valeur, const char *balise)
{
    Debut(balise);
    Attribut("respident", reponse);
    s += '>';
    SortieXml::Ajouter(s, valeur, Contexte::Texte);
    Fin(balise);
}

void Ecrivain::Score(const QString &valeur, const char *action)
{
    s += "<setvar action=\"";
    s += action;
    s += "\" varname=\"SCORE\">";
    SortieXml::Ajouter(s, valeur, Contexte::Texte);
    s += "</setvar>\n";
}

void Ecrivain::Choix(const QString &ident, bool plusieurs, const QStringList &textes)
{
    Debut("response_lid");
    Attribut("ident", ident);
    Attribut("rcardinality", plusieurs ? S("Multiple") : S("Single"));
    FinDebut();
    s += "<render_choice>\n";
    for (int i = 0; i < textes.size(); ++i) {
        Debut("response_label");
        Attribut("ident", QString::number(i + 1));
        FinDebut();
        Materiel(textes.at(i), false);
        Fin("response_label");
    }
    s += "</render_choice>\n";
}

void Ecrivain::Item(const Question &q, int fiche)
{
    std::vector<const Morceau *> reponses;
    std::vector<const Morceau *> paires;
    QString retroaction;
    QString modele;
    for (const Morceau &m : q.morceaux) {
        if (m.sorte == Morceau::Reponse)
            reponses.push_back(&m);
        else if (m.sorte == Morceau::Paire)
            paires.push_back(&m);
        else if (m.sorte == Morceau::Feedback)
            retroaction = m.texte;
        else
            modele = m.texte;
    }
    int justes = 0;
    for (const Morceau *m : reponses)
        justes += Note(*m) > 0;

    // A missing word: the one gap's answers, the text with a blank.
    const QString type = Type(q, cc);
    if (type.isEmpty()) {
        ++pertes.ignorees;
        if (pertes.premiereIgnoree < 0)
            pertes.premiereIgnoree = fiche;
        return;
    }
    QString texte = q.texte;
    QStringList lacunes;
    qsizetype debut = 0;
    qsizetype fin = 0;
    if (q.genre == Genre::Trous && UneLacune(texte, debut, fin)) {
        const qsizetype ouvre = S("{:SA:=").size();
        lacunes = texte.mid(debut + ouvre, fin - debut - ouvre).split(S("~="));
        for (QString &l : lacunes)
            l = Rogner(l);
        texte = texte.left(debut) + S("_____") + texte.mid(fin + 1);
        Approcher(); // read back as a short answer
    }
    const QString ident = S("item") + QString::number(++position);
    ++pertes.ecrites;
    Debut("item");
    Attribut("ident", ident);
    Attribut("title", q.nom.isEmpty() ? S("Question") : q.nom);
    FinDebut();
    s += "<itemmetadata>\n<qtimetadata>\n";
    if (cc) {
        Champ(S("cc_profile"), type);
    } else {
        Champ(S("question_type"), type);
        Champ(S("points_possible"), q.genre == Genre::Description ? S("0.0") : S("1.0"));
    }
    s += "</qtimetadata>\n</itemmetadata>\n";

    s += "<presentation>\n";
    Materiel(texte, true);
    const QString reponse = S("response1");
    switch (q.genre) {
    case Genre::ChoixMultiple: {
        QStringList textes;
        for (const Morceau *m : reponses) {
            textes << m->texte;
            if (!NoteCanvas(*m))
                Approcher();
        }
        Choix(reponse, justes > 1, textes);
        Fin("response_lid");
        break;
    }
    case Genre::VraiFaux: {
        QStringList textes;
        for (const Morceau *m : reponses) {
            const QString t = m->texte.trimmed().toLower();
            textes << (t == QLatin1String("true") ? S("True") : t == QLatin1String("false") ? S("False") : m->texte);
            if (!NoteCanvas(*m))
                Approcher();
        }
        Choix(reponse, false, textes);
        Fin("response_lid");
        break;
    }
    case Genre::Appariement: {
        // Every subquestion offers every answer; a pair without a
        // subquestion is an answer that is never right.
        QStringList droites;
        for (const Morceau *p : paires) {
            if (!droites.contains(p->autre))
                droites << p->autre;
        }
        int n = 0;
        for (const Morceau *p : paires) {
            if (p->texte.isEmpty())
                continue;
            Debut("response_lid");
            Attribut("ident", S("response_") + QString::number(++n));
            FinDebut();
            Materiel(p->texte, false);
            s += "<render_choice>\n";
            for (int i = 0; i < droites.size(); ++i) {
                Debut("response_label");
                Attribut("ident", QString::number(i + 1));
                FinDebut();
                Materiel(droites.at(i), false);
                Fin("response_label");
            }
            s += "</render_choice>\n";
            Fin("response_lid");
        }
        break;
    }
    case Genre::ReponseCourte:
    case Genre::Trous:
    case Genre::Numerique:
    case Genre::Redaction:
        Debut("response_str");
        Attribut("ident", reponse);
        Attribut("rcardinality", S("Single"));
        FinDebut();
        s += q.genre == Genre::Numerique ? "<render_fib fibtype=\"Decimal\">" : "<render_fib>";
        s += "<response_label ident=\"answer1\" rshuffle=\"No\"/></render_fib>\n";
        Fin("response_str");
        break;
    default:
        break;
    }
    s += "</presentation>\n";

    if (q.genre != Genre::Description) {
        s += "<resprocessing>\n<outcomes><decvar maxvalue=\"100\" minvalue=\"0\" varname=\"SCORE\" "
             "vartype=\"Decimal\"/></outcomes>\n";
        if (!retroaction.isEmpty())
            s += "<respcondition continue=\"Yes\"><conditionvar><other/></conditionvar>"
                 "<displayfeedback feedbacktype=\"Response\" linkrefid=\"general_fb\"/></respcondition>\n";
        const qsizetype conditions = s.size();
        switch (q.genre) {
        case Genre::ChoixMultiple:
        case Genre::VraiFaux:
            if (justes == 0)
                break;
            s += "<respcondition continue=\"No\">\n<conditionvar>\n";
            if (justes > 1)
                s += "<and>\n";
            for (int i = 0; i < int(reponses.size()); ++i) {
                const bool juste = Note(*reponses[i]) > 0;
                if (!juste && justes == 1)
                    continue;
                if (!juste)
                    s += "<not>";
                Varequal(reponse, QString::number(i + 1));
                if (!juste)
                    s += "</not>\n";
            }
            if (justes > 1)
                s += "</and>\n";
            s += "</conditionvar>\n";
            Score(S("100"));
            s += "</respcondition>\n";
            break;
        case Genre::ReponseCourte:
        case Genre::Trous: {
            // Every string compared is accepted: a wrong answer is never written.
            QStringList justesTextes = lacunes;
            for (const Morceau *m : reponses) {
                if (Note(*m) > 0)
                    justesTextes << m->texte;
                if (!NoteCanvas(*m) || Note(*m) <= 0)
                    Approcher();
            }
            if (justesTextes.isEmpty())
                break;
            s += "<respcondition continue=\"No\">\n<conditionvar>\n";
            for (const QString &t : std::as_const(justesTextes))
                Varequal(reponse, t);
            s += "</conditionvar>\n";
            Score(S("100"));
            s += "</respcondition>\n";
            break;
        }
        case Genre::Numerique:
            for (const Morceau *m : reponses) {
                bool nombre = false;
                const double valeur = m->texte.toDouble(&nombre);
                if (!nombre || Note(*m) <= 0 || !m->autre.isEmpty() || !NoteCanvas(*m))
                    Approcher();
                if (!nombre || Note(*m) <= 0)
                    continue;
                const double marge = m->tolerance.isEmpty() ? 0 : qAbs(m->tolerance.toDouble());
                s += "<respcondition continue=\"No\">\n<conditionvar>\n<or>\n";
                Varequal(reponse, m->texte);
                s += "<and>\n";
                Varequal(reponse, Nombre(valeur - marge), "vargte");
                Varequal(reponse, Nombre(valeur + marge), "varlte");
                s += "</and>\n</or>\n</conditionvar>\n";
                Score(S("100"));
                s += "</respcondition>\n";
            }
            break;
        case Genre::Appariement: {
            QStringList droites;
            for (const Morceau *p : paires) {
                if (!droites.contains(p->autre))
                    droites << p->autre;
            }
            int n = 0;
            for (const Morceau *p : paires)
                n += !p->texte.isEmpty();
            int i = 0;
            for (const Morceau *p : paires) {
                if (p->texte.isEmpty())
                    continue;
                s += "<respcondition>\n<conditionvar>\n";
                Varequal(S("response_") + QString::number(++i), QString::number(droites.indexOf(p->autre) + 1));
                s += "</conditionvar>\n";
                Score(QString::number(100.0 / n, 'f', 2), "Add");
                s += "</respcondition>\n";
            }
            break;
        }
        case Genre::Redaction:
            if (!modele.isEmpty())
                Approcher();
            s += "<respcondition continue=\"No\"><conditionvar><other/></conditionvar></respcondition>\n";
            break;
        default:
            break;
        }
        // Nothing is right: every answer scores nothing (the format wants
        // one condition at least).
        if (!s.sliced(conditions).contains("<respcondition"))
            s += "<respcondition continue=\"No\"><conditionvar><other/></conditionvar><setvar action=\"Set\" "
                 "varname=\"SCORE\">0</setvar></respcondition>\n";
        s += "</resprocessing>\n";
    }
    if (!retroaction.isEmpty()) {
        s += "<itemfeedback ident=\"general_fb\">\n<flow_mat>\n";
        Materiel(retroaction, true);
        s += "</flow_mat>\n</itemfeedback>\n";
    }
    Fin("item");
}

void Ecrivain::DebutDocument(const QString &ident, const QString &titre)
{
    s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<questestinterop xmlns=\"http://www.imsglobal.org/xsd/ims_qtiasiv1p2\" "
         "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
         "xsi:schemaLocation=\"http://www.imsglobal.org/xsd/ims_qtiasiv1p2 ";
    s += cc ? "http://www.imsglobal.org/profile/cc/ccv1p1/ccv1p1_qtiasiv1p2p1_v1p0.xsd\">\n"
            : "http://www.imsglobal.org/xsd/ims_qtiasiv1p2p1.xsd\">\n";
    Debut("assessment");
    Attribut("ident", ident);
    Attribut("title", titre);
    FinDebut();
    s += "<qtimetadata>\n";
    if (cc) {
        Champ(S("cc_profile"), S("cc.exam.v0p1"));
        Champ(S("qmd_assessmenttype"), S("Examination"));
        Champ(S("qmd_scoretype"), S("Percentage"));
    }
    Champ(S("cc_maxattempts"), S("1"));
    s += "</qtimetadata>\n<section ident=\"root_section\">\n";
}

void Ecrivain::Items(const std::vector<Question> &questions, size_t debut, size_t fin)
{
    for (size_t i = debut; i < fin; ++i) {
        approchee = false;
        Item(questions[i], int(i));
        if (approchee) {
            ++pertes.approchees;
            if (pertes.premiereApprochee < 0)
                pertes.premiereApprochee = int(i);
        }
    }
}

// What a part found, added to what the parts before it found.
void Ajouter(Qti12::PertesEcriture &total, const Qti12::PertesEcriture &p)
{
    total.ecrites += p.ecrites;
    total.ignorees += p.ignorees;
    total.approchees += p.approchees;
    if (total.premiereIgnoree < 0)
        total.premiereIgnoree = p.premiereIgnoree;
    if (total.premiereApprochee < 0)
        total.premiereApprochee = p.premiereApprochee;
}

} // namespace

namespace Qti12 {

QByteArray EcrireEvaluation(const TFichierX &fichier, Profil profil, const QString &ident, const QString &titre,
                            PertesEcriture &pertes, const TOptions &options)
{
    // The questions are read in order (a category is read from the one
    // before); their items are then written in parts on several threads.
    Questions::DepuisCartes cartes(fichier, options);
    std::vector<Question> questions;
    questions.reserve(size_t(fichier.NombreFiches()));
    for (const auto &fiche : fichier.Fiches)
        questions.push_back(cartes.Lire(fiche));
    const size_t n = questions.size();
    const size_t nombre = n < 1000 ? 1 : Fils::Nombre();
    std::vector<size_t> limites{0};
    std::vector<Ecrivain> parties;
    int numero = 0;
    for (size_t p = 0; p < nombre; ++p) {
        parties.emplace_back(profil, numero);
        limites.push_back(n * (p + 1) / nombre);
        qsizetype taille = 0;
        for (size_t i = limites[p]; i < limites[p + 1]; ++i) {
            numero += !Type(questions[i], profil == Profil::Cartouche).isEmpty();
            const TFicheX &fiche = fichier.Fiches[i];
            taille += 3 * (fiche.Champ0().size() + fiche.Champ1().size() + 2 * fiche.Champ2().size()) + 1024;
        }
        parties.back().s.reserve(taille);
    }
    Fils::Repartir(nombre, nombre, [&](size_t p, size_t) { parties[p].Items(questions, limites[p], limites[p + 1]); });

    Ecrivain document(profil, 0);
    document.DebutDocument(ident, titre);
    qsizetype taille = document.s.size() + 64;
    for (const Ecrivain &partie : parties)
        taille += partie.s.size();
    document.s.reserve(taille);
    for (Ecrivain &partie : parties) {
        document.s += partie.s;
        partie.s = QByteArray();
        Ajouter(pertes, partie.pertes);
    }
    document.FinDocument();
    return document.s;
}

void PertesEcriture::Rapporter(Formats::Rapport *rapport) const
{
    if (!rapport)
        return;
    using Formats::Perte;
    rapport->Ajouter({Perte::Ignorees, ignorees, premiereIgnoree, 0,
                      Qti::tr("%n card(s) have no question of this format (categories, cloze cards of several "
                              "gaps, other question types the format cannot hold) and were left out.",
                              "", ignorees)});
    rapport->Ajouter({Perte::Approchees, approchees, premiereApprochee, 0,
                      Qti::tr("%n card(s) were written as the closest question this format holds (grades other "
                              "than 0 and 100, wrong short answers, numerical units, essay templates, a missing "
                              "word as a short answer with a blank).",
                              "", approchees)});
}

}
