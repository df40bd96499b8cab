#include "formats/qti/qti12.h"

#include "formats/documentxml.h"
#include "formats/gardexml.h"
#include "formats/html.h"
#include "formats/pertes.h"
#include "formats/questions.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/outils.h"

#include <QCoreApplication>

#include <cmath>

namespace {

using Questions::Genre;
using Questions::Morceau;
using Questions::Question;
using Questions::S;

struct Qti
{
    Q_DECLARE_TR_FUNCTIONS(Qti)
};

// The kinds of item a card can hold.
enum class Sorte {
    Inconnue,
    Choix,
    Choix_Plusieurs,
    VraiFaux,
    Courte,
    Numerique,
    Appariement,
    Redaction,
    Texte,
    Aucune
};

// Item type names as Canvas, the cartridge profile, D2L, Respondus and
// Blackboard write them (compared without case).
struct NomType
{
    const char *nom;
    Sorte sorte;
};
const NomType NomsTypes[] = {
    {"multiple_choice_question", Sorte::Choix},
    {"cc.multiple_choice.v0p1", Sorte::Choix},
    {"multiple choice", Sorte::Choix},
    {"multiplechoice", Sorte::Choix},
    {"multiple_answers_question", Sorte::Choix_Plusieurs},
    {"cc.multiple_response.v0p1", Sorte::Choix_Plusieurs},
    {"multi-select", Sorte::Choix_Plusieurs},
    {"multipleresponse", Sorte::Choix_Plusieurs},
    {"multiple answer", Sorte::Choix_Plusieurs},
    {"true_false_question", Sorte::VraiFaux},
    {"cc.true_false.v0p1", Sorte::VraiFaux},
    {"true/false", Sorte::VraiFaux},
    {"truefalse", Sorte::VraiFaux},
    {"short_answer_question", Sorte::Courte},
    {"cc.fib.v0p1", Sorte::Courte},
    {"cc.pattern_match.v0p1", Sorte::Courte},
    {"short answer", Sorte::Courte},
    {"fill in the blank", Sorte::Courte},
    {"fillinblank", Sorte::Courte},
    {"numerical_question", Sorte::Numerique},
    {"matching_question", Sorte::Appariement},
    {"matching", Sorte::Appariement},
    {"essay_question", Sorte::Redaction},
    {"cc.essay.v0p1", Sorte::Redaction},
    {"essay", Sorte::Redaction},
    {"long answer", Sorte::Redaction},
    {"text_only_question", Sorte::Texte},
    {"text information", Sorte::Texte},
    {"image", Sorte::Texte},
};

Sorte SorteDuNom(const QString &nom)
{
    for (const NomType &n : NomsTypes) {
        if (nom.compare(QLatin1String(n.nom), Qt::CaseInsensitive) == 0)
            return n.sorte;
    }
    return nom.isEmpty() ? Sorte::Inconnue : Sorte::Aucune;
}

bool EstReponse(const QString &nom)
{
    return nom == QLatin1String("response_lid") || nom == QLatin1String("response_str")
        || nom == QLatin1String("response_num") || nom == QLatin1String("response_xy")
        || nom == QLatin1String("response_grp");
}

// One choice of a response_lid.
struct Etiquette
{
    QString ident;
    QString texte;
};

// What a respcondition gives: the values compared (outside any <not>) and
// the score it sets.
struct Condition
{
    struct Comparaison
    {
        QString reponse;
        QString valeur;
        QString sorte; // varequal, vargte, varlte...
    };
    std::vector<Comparaison> positives;
    double score = 0;
    bool avecScore = false;
    bool fixe = false; // setvar action="Set"
};

// The text of a mattext's HTML. Most hold no markup at all: the HTML parser
// would give their characters back as they are, with the line ends made
// CR LF (the blanks at either end, which it may drop, are trimmed by the
// caller). Long texts still go to the parser, whose limits hold for them.
QString TexteHtml(const QString &html)
{
    constexpr qsizetype Court = 100000;
    if (html.size() > Court || html.contains(u'<') || html.contains(u'&'))
        return Html::VersTexte(html);
    return LignesCrLf(html);
}

} // namespace

struct Qti12::Lecteur::Prive
{
    TFichierX &f;
    Questions::VersCartes cartes;
    // Items left out, by the kind their file names (or the element that
    // makes them one a card cannot hold).
    std::map<QString, int> ignorees;
    int retroactions = 0;
    int medias = 0;
    int approchees = 0;
    int introuvables = 0;
    QString titre;

    Prive(TFichierX &fichier, const TOptions &options) : f(fichier), cartes(fichier, options) { }

    void Item(const TNoeudXml &item);
    QString Texte(const TNoeudXml &material);
    QString TexteMateriaux(const TNoeudXml &e);
    void Reponses(const TNoeudXml &e, QList<TNoeudXml> &reponses, QList<TNoeudXml> &materiaux);
    void Conditions(const TNoeudXml &e, bool nie, Condition &c);
    void Ignorer(const QString &sorte) { ++ignorees[sorte]; }
};

// The text of a material: its mattext (HTML made text, images counted as
// lost), its pictures counted.
QString Qti12::Lecteur::Prive::Texte(const TNoeudXml &material)
{
    QStringList parties;
    for (const TNoeudXml &e : material.Elements()) {
        const QString nom = e.Nom();
        if (nom == QLatin1String("mattext") || nom == QLatin1String("mat_extension")) {
            const QString brut = e.Texte();
            const QString type = e.Attribut(S("texttype"));
            if (type.contains(QLatin1String("html"), Qt::CaseInsensitive)) {
                medias += int(brut.count(QLatin1String("<img"), Qt::CaseInsensitive));
                parties << Rogner(TexteHtml(brut));
            } else {
                parties << Rogner(LignesCrLf(brut));
            }
        } else if (nom == QLatin1String("matimage") || nom == QLatin1String("mataudio")
                   || nom == QLatin1String("matvideo")) {
            ++medias;
        }
    }
    parties.removeAll(QString());
    return parties.join(S("\r\n"));
}

// The materials of e outside its responses, one paragraph each.
QString Qti12::Lecteur::Prive::TexteMateriaux(const TNoeudXml &e)
{
    QList<TNoeudXml> reponses;
    QList<TNoeudXml> materiaux;
    Reponses(e, reponses, materiaux);
    QStringList parties;
    for (const TNoeudXml &m : std::as_const(materiaux))
        parties << Texte(m);
    parties.removeAll(QString());
    return parties.join(S("\r\n"));
}

void Qti12::Lecteur::Prive::Reponses(const TNoeudXml &e, QList<TNoeudXml> &reponses, QList<TNoeudXml> &materiaux)
{
    for (const TNoeudXml &enfant : e.Elements()) {
        const QString nom = enfant.Nom();
        if (EstReponse(nom))
            reponses << enfant;
        else if (nom == QLatin1String("material"))
            materiaux << enfant;
        else if (nom == QLatin1String("flow") || nom == QLatin1String("flow_mat"))
            Reponses(enfant, reponses, materiaux);
    }
}

void Qti12::Lecteur::Prive::Conditions(const TNoeudXml &e, bool nie, Condition &c)
{
    for (const TNoeudXml &enfant : e.Elements()) {
        const QString nom = enfant.Nom();
        if (nom == QLatin1String("not"))
            Conditions(enfant, !nie, c);
        else if (nom == QLatin1String("and") || nom == QLatin1String("or"))
            Conditions(enfant, nie, c);
        else if (!nie && nom.startsWith(QLatin1String("var")))
            c.positives.push_back({enfant.Attribut(S("respident")), Rogner(enfant.Texte()), nom});
    }
}

void Qti12::Lecteur::Prive::Item(const TNoeudXml &item)
{
    // The type the file names, if any.
    QString nomType;
    const auto chercher = [&nomType](const TNoeudXml &e, const auto &soi) -> void {
        for (const TNoeudXml &enfant : e.Elements()) {
            if (!nomType.isEmpty())
                return;
            if (enfant.Nom() == QLatin1String("fieldlabel")) {
                const QString label = Rogner(enfant.Texte());
                if (label == QLatin1String("question_type") || label == QLatin1String("cc_profile")
                    || label == QLatin1String("qmd_questiontype") || label == QLatin1String("respondusapi_qtype")
                    || label == QLatin1String("bbmd_questiontype"))
                    nomType = Rogner(e.Enfant(S("fieldentry")).Texte());
            } else {
                soi(enfant, soi);
            }
        }
    };
    chercher(item.Enfant(S("itemmetadata")), chercher);

    const TNoeudXml presentation = item.Enfant(S("presentation"));
    QList<TNoeudXml> reponses;
    QList<TNoeudXml> materiaux;
    Reponses(presentation, reponses, materiaux);

    Sorte sorte = SorteDuNom(nomType);
    QString sorteIgnoree = nomType;
    if (sorte == Sorte::Inconnue) {
        // No type named: what the presentation asks for.
        int lid = 0;
        int str = 0;
        for (const TNoeudXml &r : std::as_const(reponses)) {
            const QString nom = r.Nom();
            if (nom == QLatin1String("response_lid"))
                ++lid;
            else if (nom == QLatin1String("response_str") || nom == QLatin1String("response_num"))
                ++str;
            else
                sorteIgnoree = nom == QLatin1String("response_xy") ? S("hotspot") : S("ordering");
        }
        if (!sorteIgnoree.isEmpty())
            sorte = Sorte::Aucune;
        else if (lid == 0 && str == 0)
            sorte = Sorte::Texte;
        else if (lid == 1 && str == 0)
            sorte = reponses.at(0).Attribut(S("rcardinality")).compare(QLatin1String("Multiple"), Qt::CaseInsensitive)
                    == 0
                ? Sorte::Choix_Plusieurs
                : Sorte::Choix;
        else if (lid > 1 && str == 0)
            sorte = Sorte::Appariement;
        else if (str == 1 && lid == 0)
            sorte = Sorte::Courte; // an essay when nothing is compared (below)
        else
            sorte = Sorte::Aucune, sorteIgnoree = S("multiple blanks");
    }
    // Several blanks, dropdowns or boxes in one question: the card has one.
    if (sorte == Sorte::Courte || sorte == Sorte::Numerique || sorte == Sorte::Redaction) {
        if (reponses.size() != 1 && !(sorte == Sorte::Redaction && reponses.isEmpty()))
            sorte = Sorte::Aucune;
    } else if (sorte != Sorte::Appariement && sorte != Sorte::Texte && sorte != Sorte::Aucune) {
        if (reponses.size() != 1 || reponses.at(0).Nom() != QLatin1String("response_lid"))
            sorte = Sorte::Aucune;
    }
    if (sorte == Sorte::Aucune) {
        Ignorer(sorteIgnoree.isEmpty() ? S("?") : sorteIgnoree);
        return;
    }

    // The conditions that score.
    std::vector<Condition> conditions;
    for (const TNoeudXml &rc : item.Enfant(S("resprocessing")).Enfants(S("respcondition"))) {
        Condition c;
        Conditions(rc.Enfant(S("conditionvar")), false, c);
        for (const TNoeudXml &setvar : rc.Enfants(S("setvar"))) {
            const QString action = setvar.Attribut(S("action"));
            const double v = Rogner(setvar.Texte()).toDouble();
            if (action.compare(QLatin1String("Subtract"), Qt::CaseInsensitive) == 0)
                continue;
            c.avecScore = true;
            c.score = std::max(c.score, v);
            c.fixe = c.fixe || action.isEmpty() || action.compare(QLatin1String("Set"), Qt::CaseInsensitive) == 0;
        }
        if (c.avecScore)
            conditions.push_back(std::move(c));
    }

    Question q;
    q.texte = TexteMateriaux(presentation);
    q.nom = item.Attribut(S("title"));
    if (q.nom.isEmpty())
        q.nom = Questions::NomAbrege(q.texte.simplified());

    // The choices, and the score each one gets.
    const auto etiquettes = [this](const TNoeudXml &lid) {
        std::vector<Etiquette> liste;
        const auto parcourir = [this, &liste](const TNoeudXml &e, const auto &soi) -> void {
            for (const TNoeudXml &enfant : e.Elements()) {
                if (enfant.Nom() == QLatin1String("response_label"))
                    liste.push_back({Rogner(enfant.Attribut(S("ident"))), TexteMateriaux(enfant)});
                else if (enfant.Nom() != QLatin1String("material"))
                    soi(enfant, soi);
            }
        };
        parcourir(lid, parcourir);
        return liste;
    };
    // The label a compared value names: its ident, else its text (some
    // files compare the text).
    const auto trouver = [](const std::vector<Etiquette> &liste, const QString &valeur) {
        for (int i = 0; i < int(liste.size()); ++i) {
            if (liste[i].ident == valeur)
                return i;
        }
        for (int i = 0; i < int(liste.size()); ++i) {
            if (liste[i].texte.compare(valeur, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    };

    switch (sorte) {
    case Sorte::Choix:
    case Sorte::Choix_Plusieurs:
    case Sorte::VraiFaux: {
        const TNoeudXml lid = reponses.at(0);
        const QString ident = lid.Attribut(S("ident"));
        const std::vector<Etiquette> liste = etiquettes(lid);
        std::vector<double> scores(liste.size(), 0);
        std::vector<bool> fixes(liste.size(), false);
        bool introuvable = false;
        for (const Condition &c : conditions) {
            for (const auto &p : c.positives) {
                if (p.sorte != QLatin1String("varequal") || (!p.reponse.isEmpty() && p.reponse != ident))
                    continue;
                const int i = trouver(liste, p.valeur);
                if (i < 0) {
                    introuvable = introuvable || c.score > 0;
                    continue;
                }
                scores[i] = std::max(scores[i], c.score);
                fixes[i] = fixes[i] || c.fixe;
            }
        }
        int justes = 0;
        for (double v : scores)
            justes += v > 0;
        // An item worth no points marks its right answer the one way it
        // can: the condition that sets the score while the others add to it.
        if (justes == 0 && std::count(fixes.begin(), fixes.end(), true) == 1) {
            for (size_t i = 0; i < fixes.size(); ++i)
                scores[i] = fixes[i] ? 100 : 0;
            justes = 1;
        }
        if (introuvable || justes == 0)
            ++introuvables;
        const bool vraiFaux = liste.size() == 2
            && liste[0].texte.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0
            && liste[1].texte.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0;
        q.genre = sorte == Sorte::VraiFaux && vraiFaux ? Genre::VraiFaux : Genre::ChoixMultiple;
        q.unique = sorte != Sorte::Choix_Plusieurs && justes <= 1;
        for (size_t i = 0; i < liste.size(); ++i) {
            Morceau m;
            m.texte = q.genre == Genre::VraiFaux ? liste[i].texte.toLower() : liste[i].texte;
            m.note = scores[i] > 0 ? S("100") : S("0");
            q.Ajouter(std::move(m));
        }
        break;
    }
    case Sorte::Courte:
    case Sorte::Numerique: {
        const bool nombre = sorte == Sorte::Numerique || reponses.at(0).Nom() == QLatin1String("response_num");
        for (const Condition &c : conditions) {
            if (c.score <= 0)
                continue;
            QString egal;
            double bas = NAN;
            double haut = NAN;
            for (const auto &p : c.positives) {
                if (p.sorte == QLatin1String("varequal")) {
                    if (nombre) {
                        egal = p.valeur;
                        continue;
                    }
                    bool deja = false;
                    for (const Morceau &m : q.morceaux)
                        deja = deja || m.texte == p.valeur;
                    if (!deja && !p.valeur.isEmpty()) {
                        Morceau m;
                        m.texte = p.valeur;
                        q.Ajouter(std::move(m));
                    }
                } else if (p.sorte == QLatin1String("vargte") || p.sorte == QLatin1String("vargt")) {
                    bas = p.valeur.toDouble();
                } else if (p.sorte == QLatin1String("varlte") || p.sorte == QLatin1String("varlt")) {
                    haut = p.valeur.toDouble();
                }
            }
            if (!nombre)
                continue;
            bool ok = false;
            double valeur = egal.toDouble(&ok);
            if (!ok && !std::isnan(bas) && !std::isnan(haut)) {
                valeur = (bas + haut) / 2;
                egal = QString::number(valeur, 'g', 15);
                ok = true;
            }
            if (!ok)
                continue;
            // The card's margin is half its last decimal.
            double marge = 0;
            if (!std::isnan(bas))
                marge = std::max(marge, valeur - bas);
            if (!std::isnan(haut))
                marge = std::max(marge, haut - valeur);
            const qsizetype point = egal.indexOf(u'.');
            const double carte = point < 0 ? 0 : 0.5 * std::pow(10.0, -double(egal.size() - point - 1));
            if (std::abs(marge - carte) > 1e-9 * std::max(1.0, std::abs(valeur)))
                ++approchees;
            Morceau m;
            m.texte = egal;
            q.Ajouter(std::move(m));
        }
        if (nombre) {
            q.genre = Genre::Numerique;
        } else if (q.morceaux.empty()) {
            q.genre = Genre::Redaction; // nothing to compare: the answer is read by a person
        } else {
            q.genre = Genre::ReponseCourte;
        }
        break;
    }
    case Sorte::Appariement: {
        std::vector<bool> pris;
        std::vector<Etiquette> droites;
        for (const TNoeudXml &lid : std::as_const(reponses)) {
            if (lid.Nom() != QLatin1String("response_lid"))
                continue;
            const QString ident = lid.Attribut(S("ident"));
            const std::vector<Etiquette> liste = etiquettes(lid);
            for (const Etiquette &e : liste) {
                if (trouver(droites, e.texte) < 0 || droites[trouver(droites, e.texte)].texte != e.texte) {
                    droites.push_back(e);
                    pris.push_back(false);
                }
            }
            Morceau m;
            m.sorte = Morceau::Paire;
            m.texte = TexteMateriaux(lid);
            for (const Condition &c : conditions) {
                for (const auto &p : c.positives) {
                    if (c.score > 0 && p.reponse == ident && m.autre.isEmpty()) {
                        const int i = trouver(liste, p.valeur);
                        if (i >= 0)
                            m.autre = liste[i].texte;
                    }
                }
            }
            if (m.autre.isEmpty())
                ++introuvables;
            for (size_t i = 0; i < droites.size(); ++i)
                pris[i] = pris[i] || droites[i].texte == m.autre;
            q.Ajouter(std::move(m));
        }
        // The answers no subquestion takes.
        for (size_t i = 0; i < droites.size(); ++i) {
            if (pris[i])
                continue;
            Morceau m;
            m.sorte = Morceau::Paire;
            m.autre = droites[i].texte;
            q.Ajouter(std::move(m));
        }
        q.genre = Genre::Appariement;
        break;
    }
    case Sorte::Redaction:
        q.genre = Genre::Redaction;
        break;
    case Sorte::Texte:
        q.genre = Genre::Description;
        break;
    default:
        break;
    }

    // Feedback: the general one goes with the card; the others have no place.
    for (const TNoeudXml &fb : item.Enfants(S("itemfeedback"))) {
        const QString ident = fb.Attribut(S("ident"));
        const QString texte = TexteMateriaux(fb);
        if (texte.isEmpty())
            continue;
        const bool generale = ident == QLatin1String("general_fb")
            || fb.Attribut(S("view")).compare(QLatin1String("All"), Qt::CaseInsensitive) == 0;
        bool deja = false;
        for (const Morceau &m : q.morceaux)
            deja = deja || m.sorte == Morceau::Feedback;
        if (generale && !deja) {
            Morceau m;
            m.sorte = Morceau::Feedback;
            m.texte = texte;
            q.Ajouter(std::move(m));
        } else {
            ++retroactions;
        }
    }
    cartes.Ajouter(q);
    q.Vider();
}

namespace Qti12 {

Lecteur::Lecteur(TFichierX &fichier, const TOptions &options) : d(std::make_unique<Prive>(fichier, options)) { }

Lecteur::~Lecteur() = default;

void Lecteur::Lire(const QByteArray &octets)
{
    // The document is read an item at a time: its tree would take many
    // times its size. Items stand in assessments, sections and object banks
    // under the root; anything else is passed over whole.
    struct Recepteur : TLectureElementsXml::Recepteur
    {
        Prive &d;
        bool racine = true;
        bool qti = false;
        explicit Recepteur(Prive &prive) : d(prive) { }
        bool Debut(const TNoeudXml &e) override
        {
            const QString nom = e.Nom();
            if (racine) {
                racine = false;
                qti = nom == QLatin1String("questestinterop");
                return !qti;
            }
            if (nom == QLatin1String("assessment") && d.titre.isEmpty())
                d.titre = e.Attribut(S("title"));
            return nom != QLatin1String("assessment") && nom != QLatin1String("section")
                && nom != QLatin1String("objectbank");
        }
        void Element(const TNoeudXml &e) override
        {
            if (qti && e.Nom() == QLatin1String("item"))
                d.Item(e);
        }
    } recepteur(*d);
    TLectureElementsXml lecture(recepteur);
    if (!lecture.Lire(octets))
        throw ErreurIdInvalide(GardeXml::AvecMessages(Qti::tr("This QTI document is not well-formed XML.")));
    if (!recepteur.qti)
        throw ErreurIdInvalide(Qti::tr("Not a QTI 1.2 document (no questestinterop element)."));
    if (m_titre.isEmpty())
        m_titre = d->titre;
}

void Lecteur::Rapporter(Formats::Rapport *rapport) const
{
    if (!rapport)
        return;
    using Formats::Perte;
    int ignorees = 0;
    QStringList sortes;
    for (const auto &[sorte, n] : d->ignorees) {
        ignorees += n;
        sortes << QStringLiteral("%1 (%2)").arg(sorte).arg(n);
    }
    rapport->Ajouter({Perte::Ignorees, ignorees, -1, 0,
                      Qti::tr("%n question(s) of a kind cards cannot hold were left out: %1.", "", ignorees)
                          .arg(sortes.join(S(", ")))});
    rapport->Ajouter({Perte::Retroactions, d->retroactions, -1, 0,
                      Qti::tr("%n feedback(s) given for one answer, or for right or wrong answers, have no place "
                              "in a card and were left out.",
                              "", d->retroactions)});
    rapport->Ajouter({Perte::Medias, d->medias, -1, 0,
                      Qti::tr("%n picture(s) or sound(s) cannot be shown on a card: they were left out (an image "
                              "keeps its name or description in the text).",
                              "", d->medias)});
    rapport->Ajouter({Perte::Approchees, d->approchees + d->introuvables, -1, 0,
                      Qti::tr("%n question(s) were read as the closest card: a numerical margin other than half "
                              "the last decimal, or right answers that name none of the choices.",
                              "", d->approchees + d->introuvables)});
}

bool EstDocument(const QByteArray &tete)
{
    return tete.contains("<questestinterop");
}

}
