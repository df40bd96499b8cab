#include "formats/qti/qti21.h"

#include "formats/qti/qti21commun.h"

#include "formats/documentxml.h"
#include "formats/gardexml.h"
#include "formats/html.h"
#include "formats/pertes.h"
#include "formats/questions.h"
#include "formats/zip.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/outils.h"

#include <QMap>
#include <QSet>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

using Questions::Genre;
using Questions::Morceau;
using Questions::Question;
using Questions::S;

[[noreturn]] void Refuser(const QString &message)
{
    throw ErreurIdInvalide(message);
}

// The name of an element without its prefix.
QString Local(const TNoeudXml &e)
{
    const QString nom = e.Nom();
    const qsizetype deuxPoints = nom.indexOf(u':');
    return deuxPoints < 0 ? nom : nom.mid(deuxPoints + 1);
}

TNoeudXml Enfant(const TNoeudXml &e, QStringView nom)
{
    for (const TNoeudXml &enfant : e.Elements()) {
        if (enfant.EstNommeLocal(nom))
            return enfant;
    }
    return TNoeudXml();
}

QList<TNoeudXml> Enfants(const TNoeudXml &e, QStringView nom)
{
    QList<TNoeudXml> enfants;
    for (const TNoeudXml &enfant : e.Elements()) {
        if (enfant.EstNommeLocal(nom))
            enfants << enfant;
    }
    return enfants;
}

// A response variable as declared.
struct Declaration
{
    QString cardinalite;
    QString type;
    QStringList justes;
    std::vector<std::pair<QString, double>> mapping;
    bool avecMapping = false;
    double parDefaut = 0;
    double plafond = 0; // upperBound; 0 for none
    QString valeurInitiale;
};

// A rule of the response processing: when the response is one of valeurs
// (all of them when ensemble), the score becomes score.
struct Regle
{
    QStringList valeurs;
    bool ensemble = false;
    double score = 0;
};

// Why an item has no card, as the loss report names it.
struct Refus
{
    QString genre;
};

class LecteurItem
{
public:
    LecteurItem(const TDocumentXml &doc, QMap<QString, int> &genresIgnores, int &medias0, int &retroactions0)
        : racine(doc.Racine()), ignores(genresIgnores), medias(medias0), retroactions(retroactions0)
    {
    }
    // False when the item has no card form; counted by kind.
    bool Lire(Question &q);

private:
    TNoeudXml racine;
    QMap<QString, int> &ignores;
    int &medias;
    int &retroactions;
    bool html = true; // texts may hold HTML as text (escaped)
    QString typeCanvas;
    std::map<QString, Declaration> declarations;
    QList<TNoeudXml> interactions;
    std::vector<Regle> regles;
    QStringList generaux; // the feedbacks shown whatever the response

    void Declarer(const TNoeudXml &declaration);
    void Regles(const TNoeudXml &e, bool principale);
    QString Texte(const TNoeudXml &e, bool corps);
    void Parcourir(const TNoeudXml &e, QString &texte, bool corps);
    static void Saut(QString &texte);
    bool Ignorer(const QString &genre);
    bool Choix(const TNoeudXml &interaction, Question &q);
    bool ReponseLibre(const TNoeudXml &interaction, Question &q);
    bool Appariement(const TNoeudXml &interaction, Question &q);
    void Notes(const Declaration &d, const QStringList &cles, QStringList &notes, bool ensemble,
               const QStringList &textes = QStringList()) const;
};

bool LecteurItem::Ignorer(const QString &genre)
{
    ++ignores[genre];
    return false;
}

void LecteurItem::Declarer(const TNoeudXml &e)
{
    Declaration d;
    d.cardinalite = e.Attribut(S("cardinality"));
    d.type = e.Attribut(S("baseType"));
    for (const TNoeudXml &v : Enfants(Enfant(e, u"correctResponse"), u"value"))
        d.justes << v.Texte().trimmed();
    const TNoeudXml mapping = Enfant(e, u"mapping");
    if (mapping) {
        d.avecMapping = true;
        d.parDefaut = mapping.Attribut(S("defaultValue")).toDouble();
        d.plafond = mapping.Attribut(S("upperBound")).toDouble();
        for (const TNoeudXml &entree : Enfants(mapping, u"mapEntry"))
            d.mapping.emplace_back(entree.Attribut(S("mapKey")), entree.Attribut(S("mappedValue")).toDouble());
    }
    const QList<TNoeudXml> initiales = Enfants(Enfant(e, u"defaultValue"), u"value");
    if (!initiales.isEmpty())
        d.valeurInitiale = LignesCrLf(initiales.first().Texte());
    declarations[e.Attribut(S("identifier"))] = d;
}

// The conditions that set a score from the response's value: match,
// stringMatch, equal and member of a response and a base value, alone or
// joined by "and" (the right answers of a multiple response). A score is a
// numeric base value set to an outcome, or added to it. The feedbacks set
// whatever the response are general feedbacks.
void LecteurItem::Regles(const TNoeudXml &e, bool principale)
{
    const auto valeur = [this](const TNoeudXml &c) {
        bool reponse = false;
        for (const TNoeudXml &v : Enfants(c, u"variable"))
            reponse = reponse || declarations.count(v.Attribut(S("identifier"))) > 0;
        const TNoeudXml base = Enfant(c, u"baseValue");
        return reponse && base ? base.Texte().trimmed() : QString();
    };
    for (const TNoeudXml &enfant : e.Elements()) {
        const QString nom = Local(enfant);
        if (nom == QLatin1String("setOutcomeValue")) {
            if (!principale)
                continue;
            // Outside any condition: whatever the response.
            for (const TNoeudXml &base : Enfants(Enfant(enfant, u"multiple"), u"baseValue"))
                generaux << base.Texte().trimmed();
            continue;
        }
        if (nom != QLatin1String("responseIf") && nom != QLatin1String("responseElseIf")) {
            Regles(enfant, principale && nom == QLatin1String("responseCondition"));
            continue;
        }
        const QList<TNoeudXml> elements = enfant.Elements();
        if (elements.isEmpty())
            continue;
        Regle r;
        const TNoeudXml condition = elements.first();
        const QString genre = Local(condition);
        const bool toujours = principale && genre == QLatin1String("baseValue")
            && condition.Texte().trimmed() == QLatin1String("true");
        if (genre == QLatin1String("and")) {
            r.ensemble = true;
            for (const TNoeudXml &c : condition.Elements()) {
                if (!valeur(c).isNull())
                    r.valeurs << valeur(c);
            }
        } else if (!valeur(condition).isNull()) {
            r.valeurs << valeur(condition);
        }
        bool avecScore = false;
        for (const TNoeudXml &action : elements.mid(1)) {
            if (Local(action) != QLatin1String("setOutcomeValue"))
                continue;
            TNoeudXml base = Enfant(action, u"baseValue");
            if (!base)
                base = Enfant(Enfant(action, u"sum"), u"baseValue");
            const QString type = base.Attribut(S("baseType"));
            if (type == QLatin1String("float") || type == QLatin1String("integer")) {
                r.score = base.Texte().trimmed().toDouble();
                avecScore = true;
            } else if (toujours) {
                for (const TNoeudXml &b : Enfants(Enfant(action, u"multiple"), u"baseValue"))
                    generaux << b.Texte().trimmed();
                if (type == QLatin1String("identifier"))
                    generaux << base.Texte().trimmed();
            }
        }
        if (avecScore && !r.valeurs.isEmpty())
            regles.push_back(r);
        Regles(enfant, false);
    }
}

void LecteurItem::Saut(QString &texte)
{
    while (texte.endsWith(u' '))
        texte.chop(1);
    if (!texte.isEmpty() && !texte.endsWith(u'\n'))
        texte += u'\n';
}

// Flow content as card text: blocks and <br/> are line ends, runs of
// blanks holding a line end one space, images their alternative text.
void LecteurItem::Parcourir(const TNoeudXml &e, QString &texte, bool corps)
{
    static const QStringList blocs = {S("p"),     S("div"),    S("li"),  S("h1"),         S("h2"), S("h3"),     S("h4"),
                                      S("h5"),    S("h6"),     S("pre"), S("blockquote"), S("tr"), S("ul"),     S("ol"),
                                      S("table"), S("prompt"), S("dl"),  S("dt"),         S("dd"), S("address")};
    for (const TNoeudXml &n : e.Noeuds()) {
        const TNoeudXml::Genre genre = n.Type();
        if (genre == TNoeudXml::Genre::Texte || genre == TNoeudXml::Genre::CData) {
            QString morceau = n.Texte();
            if (html && (morceau.contains(u'<') || morceau.contains(u'&')))
                morceau = Html::VersTexte(morceau);
            QString propre;
            propre.reserve(morceau.size());
            bool ecrase = false; // the text starts with a run of blanks holding a line end
            for (qsizetype i = 0; i < morceau.size();) {
                const QChar c = morceau.at(i);
                if (c == u'\n' || c == u'\r' || c == u'\t' || c == u' ') {
                    qsizetype j = i;
                    bool ligne = false;
                    while (j < morceau.size()
                           && (morceau.at(j) == u'\n' || morceau.at(j) == u'\r' || morceau.at(j) == u'\t'
                               || morceau.at(j) == u' ')) {
                        ligne = ligne || morceau.at(j) != u' ';
                        ++j;
                    }
                    if (ligne) {
                        ecrase = ecrase || i == 0;
                        propre += u' ';
                    } else
                        propre += morceau.mid(i, j - i);
                    i = j;
                } else {
                    propre += c;
                    ++i;
                }
            }
            // A line end and the blanks after it, at the start of a line: the source's indentation.
            if (ecrase && (texte.isEmpty() || texte.endsWith(u'\n')))
                propre.remove(0, 1);
            texte += propre;
            continue;
        }
        if (genre != TNoeudXml::Genre::Element)
            continue;
        const QString nom = Local(n);
        if (nom == QLatin1String("br")) {
            while (texte.endsWith(u' '))
                texte.chop(1);
            texte += u'\n';
        } else if (nom == QLatin1String("img")) {
            ++medias;
            texte += n.Attribut(S("alt"));
        } else if (nom == QLatin1String("object")) {
            // What stands for the object where it cannot be shown.
            ++medias;
            Parcourir(n, texte, corps);
        } else if (nom.endsWith(QLatin1String("Interaction"))) {
            // An inline interaction is the blank of the text.
            if (corps
                && (nom == QLatin1String("textEntryInteraction") || nom == QLatin1String("inlineChoiceInteraction"))) {
                // Alone in its block, it is asked after the text, not within it.
                bool seule = true;
                for (const TNoeudXml &voisin : e.Noeuds()) {
                    if (voisin != n && !voisin.Texte().trimmed().isEmpty())
                        seule = false;
                }
                if (!seule)
                    texte += S("_____");
            } else if (corps)
                Saut(texte);
        } else if (nom == QLatin1String("feedbackInline") || nom == QLatin1String("feedbackBlock")) {
            ++retroactions;
        } else if (nom == QLatin1String("rubricBlock") || nom == QLatin1String("templateInline")
                   || nom == QLatin1String("templateBlock") || nom == QLatin1String("printedVariable")) {
            continue;
        } else if (blocs.contains(nom)) {
            Saut(texte);
            Parcourir(n, texte, corps);
            Saut(texte);
        } else {
            Parcourir(n, texte, corps);
        }
    }
}

QString LecteurItem::Texte(const TNoeudXml &e, bool corps)
{
    QString texte;
    Parcourir(e, texte, corps);
    return LignesCrLf(Rogner(texte));
}

// Grades in percent of the keys, from the mapping (scaled by its upper
// bound, else by the best the response can score), else from the rules,
// else the correct response at full credit.
void LecteurItem::Notes(const Declaration &d, const QStringList &cles, QStringList &notes, bool ensemble,
                        const QStringList &textes) const
{
    notes.clear();
    std::vector<double> valeurs(size_t(cles.size()), 0.0);
    if (d.avecMapping) {
        for (qsizetype i = 0; i < cles.size(); ++i) {
            valeurs[size_t(i)] = d.parDefaut;
            for (const auto &[cle, valeur] : d.mapping) {
                if (cle == cles.at(i)) {
                    valeurs[size_t(i)] = valeur;
                    break;
                }
            }
        }
    } else if (!regles.empty()) {
        for (const Regle &r : regles) {
            for (const QString &v : r.valeurs) {
                qsizetype i = cles.indexOf(v);
                // Some exports compare with the answer's text instead of its identifier.
                for (qsizetype t = 0; i < 0 && t < textes.size(); ++t) {
                    if (textes.at(t).compare(v, Qt::CaseInsensitive) == 0)
                        i = t;
                }
                if (i >= 0 && r.score > 0)
                    valeurs[size_t(i)] = r.ensemble && ensemble ? 1 : qMax(valeurs[size_t(i)], r.score);
            }
        }
    } else {
        for (const QString &juste : d.justes) {
            const qsizetype i = cles.indexOf(juste);
            if (i >= 0)
                valeurs[size_t(i)] = 1;
        }
    }
    double total = d.avecMapping ? d.plafond : 0;
    if (total <= 0) {
        for (const double v : valeurs) {
            if (v > 0)
                total = ensemble ? total + v : qMax(total, v);
        }
    }
    for (const double v : valeurs) {
        if (total <= 0)
            notes << S("0");
        else if (total == 1 && d.avecMapping)
            notes << Qti21::EnPourcent(QString::number(v, 'g', 15));
        else
            notes << Qti21::Pourcent(v / total * 100);
    }
}

bool LecteurItem::Choix(const TNoeudXml &interaction, Question &q)
{
    const Declaration &d = declarations[interaction.Attribut(S("responseIdentifier"))];
    QStringList cles;
    QStringList textes;
    for (const TNoeudXml &choix : Enfants(interaction, u"simpleChoice")) {
        cles << choix.Attribut(S("identifier"));
        textes << Texte(choix, false);
    }
    const bool multiple = d.cardinalite == QLatin1String("multiple");
    // Right answers given only as whole sets of choices have no per-answer form.
    for (const Regle &r : regles) {
        for (const QString &v : r.valeurs) {
            if (v.contains(u' '))
                return Ignorer(Qti21::Messages::tr("right answers given as whole sets"));
        }
    }
    if (d.justes.isEmpty() && !d.avecMapping && regles.empty())
        return Ignorer(Qti21::Messages::tr("no right answer (survey)"));
    QStringList notes;
    Notes(d, cles, notes, multiple, textes);
    bool vraiFaux = cles.size() == 2 && !multiple;
    int justes = 0;
    for (qsizetype i = 0; i < cles.size(); ++i) {
        const QString t = textes.at(i).toLower();
        vraiFaux = vraiFaux && (t == QLatin1String("true") || t == QLatin1String("false"));
        justes += notes.at(i) == QLatin1String("100");
    }
    vraiFaux = vraiFaux && justes == 1 && notes.contains(S("0"));
    q.genre = vraiFaux ? Genre::VraiFaux : Genre::ChoixMultiple;
    q.unique = !multiple;
    for (qsizetype i = 0; i < cles.size(); ++i) {
        Morceau m;
        m.texte = vraiFaux ? textes.at(i).toLower() : textes.at(i);
        m.note = notes.at(i);
        q.Ajouter(std::move(m));
    }
    return true;
}

// A text entry, or Canvas's short answers and essays (an extended text
// whose question type says which).
bool LecteurItem::ReponseLibre(const TNoeudXml &interaction, Question &q)
{
    const Declaration &d = declarations[interaction.Attribut(S("responseIdentifier"))];
    const bool etendu = Local(interaction) == QLatin1String("extendedTextInteraction");
    if (typeCanvas == QLatin1String("calculated_question"))
        return Ignorer(Qti21::Messages::tr("formula (calculated)"));
    // An extended text with answers to compare with is a short answer.
    const bool reponses = !regles.empty() || !d.justes.isEmpty() || d.avecMapping;
    if (etendu && (typeCanvas == QLatin1String("essay_question") || !reponses)) {
        q.genre = Genre::Redaction;
        Morceau m;
        m.sorte = Morceau::Modele;
        m.texte = d.valeurInitiale;
        q.Ajouter(std::move(m));
        return true;
    }
    const bool nombre = d.type == QLatin1String("float") || d.type == QLatin1String("integer");
    q.genre = nombre ? Genre::Numerique : Genre::ReponseCourte;
    QStringList cles;
    if (d.avecMapping) {
        for (const auto &entree : d.mapping)
            cles << entree.first;
    }
    for (const Regle &r : regles) {
        for (const QString &v : r.valeurs) {
            if (!cles.contains(v))
                cles << v;
        }
    }
    for (const QString &v : d.justes) {
        if (!cles.contains(v))
            cles << v;
    }
    QStringList notes;
    Notes(d, cles, notes, false);
    // Canvas scores its short answers on a condition no response meets:
    // every string it compares with is a right answer.
    const bool toutes = typeCanvas == QLatin1String("short_answer_question");
    for (qsizetype i = 0; i < cles.size(); ++i) {
        if (!toutes && notes.at(i) == QLatin1String("0") && d.avecMapping && d.mapping.empty())
            continue;
        Morceau m;
        m.texte = cles.at(i);
        m.note = toutes ? S("100") : notes.at(i);
        q.Ajouter(std::move(m));
    }
    return true;
}

bool LecteurItem::Appariement(const TNoeudXml &interaction, Question &q)
{
    const Declaration &d = declarations[interaction.Attribut(S("responseIdentifier"))];
    const QList<TNoeudXml> ensembles = Enfants(interaction, u"simpleMatchSet");
    if (ensembles.size() != 2)
        return Ignorer(Qti21::Messages::tr("matching without two sets"));
    const auto lire = [this](const TNoeudXml &ensemble, QStringList &ids, QStringList &textes) {
        for (const TNoeudXml &choix : Enfants(ensemble, u"simpleAssociableChoice")) {
            ids << choix.Attribut(S("identifier"));
            textes << Texte(choix, false);
        }
    };
    QStringList sources, textesSources, cibles, textesCibles;
    lire(ensembles.at(0), sources, textesSources);
    lire(ensembles.at(1), cibles, textesCibles);
    std::vector<bool> utilisee(size_t(cibles.size()), false);
    q.genre = Genre::Appariement;
    for (qsizetype s = 0; s < sources.size(); ++s) {
        for (const QString &juste : d.justes) {
            const QStringList paire = juste.split(u' ', Qt::SkipEmptyParts);
            if (paire.size() != 2 || paire.at(0) != sources.at(s))
                continue;
            const qsizetype c = cibles.indexOf(paire.at(1));
            if (c < 0)
                continue;
            utilisee[size_t(c)] = true;
            Morceau m;
            m.sorte = Morceau::Paire;
            m.texte = textesSources.at(s);
            m.autre = textesCibles.at(c);
            q.Ajouter(std::move(m));
            break;
        }
    }
    // The answers no question goes with.
    for (qsizetype c = 0; c < cibles.size(); ++c) {
        if (utilisee[size_t(c)])
            continue;
        Morceau m;
        m.sorte = Morceau::Paire;
        m.autre = textesCibles.at(c);
        q.Ajouter(std::move(m));
    }
    return true;
}

// The kinds of interaction no card holds, as the loss report names them.
QString GenreInteraction(const QString &nom)
{
    static const QMap<QString, const char *> genres = {
        {S("hotspotInteraction"), QT_TRANSLATE_NOOP("Qti21", "hotspot")},
        {S("graphicOrderInteraction"), QT_TRANSLATE_NOOP("Qti21", "ordering")},
        {S("orderInteraction"), QT_TRANSLATE_NOOP("Qti21", "ordering")},
        {S("gapMatchInteraction"), QT_TRANSLATE_NOOP("Qti21", "drag and drop")},
        {S("graphicGapMatchInteraction"), QT_TRANSLATE_NOOP("Qti21", "drag and drop")},
        {S("positionObjectInteraction"), QT_TRANSLATE_NOOP("Qti21", "drag and drop")},
        {S("associateInteraction"), QT_TRANSLATE_NOOP("Qti21", "association")},
        {S("graphicAssociateInteraction"), QT_TRANSLATE_NOOP("Qti21", "association")},
        {S("uploadInteraction"), QT_TRANSLATE_NOOP("Qti21", "file upload")},
        {S("selectPointInteraction"), QT_TRANSLATE_NOOP("Qti21", "hotspot")},
        {S("hottextInteraction"), QT_TRANSLATE_NOOP("Qti21", "hot text")},
        {S("sliderInteraction"), QT_TRANSLATE_NOOP("Qti21", "slider")},
        {S("drawingInteraction"), QT_TRANSLATE_NOOP("Qti21", "drawing")},
        {S("mediaInteraction"), QT_TRANSLATE_NOOP("Qti21", "media")},
        {S("customInteraction"), QT_TRANSLATE_NOOP("Qti21", "custom")},
    };
    const char *genre = genres.value(nom, nullptr);
    return genre ? Qti21::Messages::tr(genre) : nom;
}

bool LecteurItem::Lire(Question &q)
{
    if (Local(racine) != QLatin1String("assessmentItem"))
        Refuser(Qti21::Messages::tr("This is not a QTI 2.1 item."));
    // Other programs' texts may hold HTML as text; this program's never do.
    html = racine.Attribut(S("toolName")) != QLatin1String(Qti21::NomOutil);
    for (const TNoeudXml &champ : Enfants(Enfant(racine, u"instructureMetadata"), u"instructureField")) {
        if (champ.Attribut(S("name")) == QLatin1String("question_type"))
            typeCanvas = champ.Attribut(S("value"));
    }
    q.nom = racine.Attribut(S("title"));
    if (Enfant(racine, u"templateDeclaration"))
        return Ignorer(Qti21::Messages::tr("values drawn per attempt (template)"));
    for (const TNoeudXml &e : Enfants(racine, u"responseDeclaration"))
        Declarer(e);
    Regles(Enfant(racine, u"responseProcessing"), true);
    const TNoeudXml corps = Enfant(racine, u"itemBody");
    // Every interaction, wherever it stands in the body.
    std::vector<TNoeudXml> pile{corps};
    while (!pile.empty()) {
        const TNoeudXml e = pile.back();
        pile.pop_back();
        const QList<TNoeudXml> elements = e.Elements();
        for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
            const QString nom = Local(*it);
            if (nom.endsWith(QLatin1String("Interaction")) && nom != QLatin1String("endAttemptInteraction"))
                interactions << *it;
            else
                pile.push_back(*it);
        }
    }
    if (typeCanvas == QLatin1String("fill_in_multiple_blanks_question"))
        return Ignorer(Qti21::Messages::tr("multiple blanks"));
    if (typeCanvas == QLatin1String("multiple_dropdowns_question"))
        return Ignorer(Qti21::Messages::tr("multiple dropdowns"));
    if (interactions.size() > 1)
        return Ignorer(Qti21::Messages::tr("several interactions"));
    q.texte = Texte(corps, true);

    bool lu = true;
    if (interactions.isEmpty()) {
        q.genre = Genre::Description;
    } else {
        const TNoeudXml interaction = interactions.first();
        const QString prompt = Texte(Enfant(interaction, u"prompt"), false);
        if (!prompt.isEmpty())
            q.texte = q.texte.isEmpty() ? prompt : q.texte + CRLF + prompt;
        const QString nom = Local(interaction);
        if (nom == QLatin1String("choiceInteraction")) {
            lu = Choix(interaction, q);
        } else if (nom == QLatin1String("inlineChoiceInteraction")) {
            // A missing word: the choices of the blank.
            QList<TNoeudXml> choix = Enfants(interaction, u"inlineChoice");
            const Declaration &d = declarations[interaction.Attribut(S("responseIdentifier"))];
            if (d.justes.isEmpty() && !d.avecMapping && regles.empty())
                return Ignorer(Qti21::Messages::tr("no right answer (survey)"));
            QStringList cles, notes;
            for (const TNoeudXml &c : choix)
                cles << c.Attribut(S("identifier"));
            Notes(d, cles, notes, false);
            q.genre = Genre::ChoixMultiple;
            q.unique = true;
            for (qsizetype i = 0; i < choix.size(); ++i) {
                Morceau m;
                m.texte = Texte(choix.at(i), false);
                m.note = notes.at(i);
                q.Ajouter(std::move(m));
            }
        } else if (nom == QLatin1String("textEntryInteraction") || nom == QLatin1String("extendedTextInteraction")) {
            lu = ReponseLibre(interaction, q);
        } else if (nom == QLatin1String("matchInteraction")) {
            lu = Appariement(interaction, q);
        } else {
            return Ignorer(GenreInteraction(nom));
        }
    }
    if (!lu)
        return false;

    // The general feedback; any other has no place in a card.
    QString general;
    for (const TNoeudXml &feedback : Enfants(racine, u"modalFeedback")) {
        const QString id = feedback.Attribut(S("identifier"));
        if (id == QLatin1String(Qti21::FeedbackGeneral) || id == QLatin1String("general") || generaux.contains(id))
            general = Texte(feedback, false);
        else
            ++retroactions;
    }
    if (!general.isEmpty()) {
        Morceau m;
        m.sorte = Morceau::Feedback;
        m.texte = general;
        q.Ajouter(std::move(m));
    }
    return true;
}

// What one item gives, made on any thread and taken in the package's order.
struct ItemLu
{
    Question q;
    bool carte = false;
    QMap<QString, int> ignores;
    int medias = 0;
    int retroactions = 0;
    std::exception_ptr erreur;
};

class Lecteur
{
public:
    Lecteur(Formats::Rapport *pertes, const TOptions &options) : rapport(pertes)
    {
        f = std::make_unique<TFichierX>(QChar(u'M'), QChar(u'm'), options);
        cartes = std::make_unique<Questions::VersCartes>(*f, options);
    }
    // One item document; nom names it in a refusal. Runs on any thread with
    // the reading's budget in scope; what it raises is kept in lu.
    static void Preparer(const QByteArray &octets, const QString &nom, ItemLu &lu) noexcept;
    // Then, in order: the item's card, or its refusal raised.
    void Prendre(ItemLu &lu);
    void Item(const QByteArray &octets, const QString &nom)
    {
        ItemLu lu;
        Preparer(octets, nom, lu);
        Prendre(lu);
    }
    void Categorie(const QString &chemin)
    {
        Question q;
        q.genre = Genre::Categorie;
        q.categorie = chemin;
        cartes->Ajouter(q);
    }
    std::unique_ptr<TFichierX> Terminer();

private:
    Formats::Rapport *rapport;
    std::unique_ptr<TFichierX> f;
    std::unique_ptr<Questions::VersCartes> cartes;
    QMap<QString, int> ignores;
    int medias = 0;
    int retroactions = 0;
};

void Lecteur::Preparer(const QByteArray &octets, const QString &nom, ItemLu &lu) noexcept
{
    try {
        TDocumentXml doc;
        if (!doc.Charger(octets)) {
            const QString message = nom.isEmpty()
                ? Qti21::Messages::tr("This QTI item is not well-formed XML.")
                : Qti21::Messages::tr("The QTI item \"%1\" of this package is not well-formed XML.").arg(nom);
            Refuser(GardeXml::AvecMessages(message));
        }
        lu.carte = LecteurItem(doc, lu.ignores, lu.medias, lu.retroactions).Lire(lu.q);
    } catch (...) {
        lu.erreur = std::current_exception();
    }
}

void Lecteur::Prendre(ItemLu &lu)
{
    if (lu.erreur)
        std::rethrow_exception(lu.erreur);
    for (auto it = lu.ignores.cbegin(); it != lu.ignores.cend(); ++it)
        ignores[it.key()] += it.value();
    medias += lu.medias;
    retroactions += lu.retroactions;
    if (lu.carte)
        cartes->Ajouter(lu.q);
    lu.q.Vider();
}

std::unique_ptr<TFichierX> Lecteur::Terminer()
{
    if (rapport) {
        int total = 0;
        QStringList genres;
        for (auto it = ignores.cbegin(); it != ignores.cend(); ++it) {
            total += it.value();
            genres << Qti21::Messages::tr("%1: %n", "", it.value()).arg(it.key());
        }
        if (total > 0)
            rapport->Ajouter({Formats::Perte::Ignorees, total, -1, 0,
                              Qti21::Messages::tr("%n item(s) have no card form and were left out (%1).", "", total)
                                  .arg(genres.join(S(", ")))});
        if (medias > 0)
            rapport->Ajouter({Formats::Perte::Medias, medias, -1, 0,
                              Qti21::Messages::tr("%n picture(s) or media object(s) have no place in a card: pictures "
                                                  "were replaced by their alternative text.",
                                                  "", medias)});
        if (retroactions > 0)
            rapport->Ajouter(
                {Formats::Perte::Retroactions, retroactions, -1, 0,
                 Qti21::Messages::tr("%n feedback(s) other than the general feedback have no place in a card "
                                     "and were left out.",
                                     "", retroactions)});
    }
    f->Modifie = false;
    return std::move(f);
}

// An item of the package, after the category card it opens, if any.
struct Etape
{
    QString categorie;
    QString chemin;
};

// The items are independent documents: they are inflated in order on this
// thread (libzip is not shared) and parsed on as many threads as there are
// cores, a few at most, this one helping; their cards are added in order, so
// the file and the loss report are those of a reading on one thread.
void LireItems(const std::vector<Etape> &etapes, const Zip::TLecture &archive, Lecteur &lecteur, TBudgetMemoire &budget)
{
    // Entries inflated ahead of the cards added: bounds what waits, and lets
    // this thread go on with others while a thread holding the next one is
    // not running.
    constexpr size_t Fenetre = 512;
    struct Place
    {
        QByteArray octets;
        ItemLu lu;
        bool faite = false;
    };
    std::vector<Place> places(qMin(Fenetre, etapes.size()));
    std::mutex verrou;
    std::condition_variable signal;
    size_t lues = 0;   // entries inflated
    size_t prises = 0; // entries a thread took to parse
    bool arret = false;
    std::atomic<bool> panne{false};

    // Parses the entry taken (verrou held on entry and on return).
    const auto traiter = [&](std::unique_lock<std::mutex> &l, size_t i) {
        Place &p = places[i % places.size()];
        l.unlock();
        // The bytes are freed by the thread that made them, once the card is
        // taken: a block freed by another thread waits for its heap's lock.
        Lecteur::Preparer(p.octets, etapes[i].chemin, p.lu);
        l.lock();
        p.faite = true;
        signal.notify_all();
    };
    const auto travail = [&] {
        // Nothing may leave a thread: a failure stops the reading.
        try {
            GardeXml::PreparerMemoire();
            TBudgetMemoire part(budget);
            std::unique_lock<std::mutex> l(verrou);
            for (;;) {
                signal.wait(l, [&] { return arret || prises < lues; });
                if (arret)
                    return;
                traiter(l, prises++);
            }
        } catch (...) {
            panne = true;
            // Taken once so that a thread about to wait sees the failure first.
            try {
                const std::lock_guard<std::mutex> l(verrou);
            } catch (...) {
            }
            signal.notify_all();
        }
    };
    struct Equipe
    {
        std::vector<std::thread> fils;
        std::function<void()> arreter;
        ~Equipe()
        {
            arreter();
            for (std::thread &t : fils)
                t.join();
        }
    } equipe;
    equipe.arreter = [&] {
        const std::lock_guard<std::mutex> l(verrou);
        arret = true;
        signal.notify_all();
    };
    if (etapes.size() >= 16) {
        const size_t autres = qBound<size_t>(1, std::thread::hardware_concurrency(), 4) - 1;
        try {
            for (size_t i = 0; i < autres; ++i)
                equipe.fils.emplace_back(travail);
        } catch (const std::system_error &) {
            // fewer threads: this one does the rest
        }
    }

    // The card of item k, once parsed here or by another thread.
    const auto prendre = [&](size_t k) {
        std::unique_lock<std::mutex> l(verrou);
        Place &p = places[k % places.size()];
        while (!p.faite) {
            if (panne)
                throw std::bad_alloc();
            if (prises < lues)
                traiter(l, prises++);
            else
                signal.wait(l);
        }
        ItemLu lu = std::move(p.lu);
        p = Place();
        l.unlock();
        if (!etapes[k].categorie.isEmpty())
            lecteur.Categorie(etapes[k].categorie);
        lecteur.Prendre(lu);
    };
    size_t suivante = 0;
    for (size_t i = 0; i < etapes.size(); ++i) {
        while (i - suivante >= places.size())
            prendre(suivante++);
        QByteArray octets = archive.Lire(etapes[i].chemin);
        const std::lock_guard<std::mutex> l(verrou);
        places[i % places.size()].octets = std::move(octets);
        lues = i + 1;
        signal.notify_one();
    }
    while (suivante < etapes.size())
        prendre(suivante++);
}

} // namespace

std::unique_ptr<TFichierX> TFichierQti21::LireItem(const QByteArray &octets, Formats::Rapport *rapport,
                                                   const TOptions &options)
{
    TBudgetMemoire budget(octets.size());
    Lecteur lecteur(rapport, options);
    lecteur.Item(octets, QString());
    return lecteur.Terminer();
}

std::unique_ptr<TFichierX> TFichierQti21::LirePaquet(const QByteArray &octets, Formats::Rapport *rapport,
                                                     const TOptions &options)
{
    TBudgetMemoire budget(octets.size());
    const QString endommage = Qti21::Messages::tr("This QTI package is damaged.");
    const Zip::TLecture archive(octets, budget, Qti21::Messages::tr("This QTI package is not a valid zip file."),
                                endommage);
    // The documents are given what they would be given unzipped.
    budget.Agrandir(archive.TailleDepliee());
    const qint64 indexManifeste = archive.Chercher(Qti21::CheminManifeste);
    if (indexManifeste < 0)
        Refuser(Qti21::Messages::tr("This zip file holds no imsmanifest.xml: it is not a QTI package."));
    TDocumentXml manifeste;
    if (!manifeste.Charger(archive.Lire(indexManifeste)))
        Refuser(
            GardeXml::AvecMessages(Qti21::Messages::tr("The manifest of this QTI package is not well-formed XML.")));
    // The items, and the tests that order them.
    QStringList ordre;
    QStringList tests;
    const TNoeudXml ressources = Enfant(manifeste.Racine(), u"resources");
    const QString base = ressources.Attribut(S("xml:base"));
    for (const TNoeudXml &r : Enfants(ressources, u"resource")) {
        const QString type = r.Attribut(S("type"));
        const bool item = type.startsWith(QLatin1String("imsqti_item_xmlv2p"));
        const bool test = type.startsWith(QLatin1String("imsqti_test_xmlv2p"));
        if (!item && !test)
            continue;
        const QString chemin = Zip::Chemin(base + r.Attribut(S("xml:base")), r.Attribut(S("href")));
        if (chemin.isEmpty())
            Refuser(endommage);
        if (test) {
            tests << chemin;
        } else {
            ordre << chemin;
        }
    }
    if (ordre.isEmpty() && tests.isEmpty())
        Refuser(Qti21::Messages::tr("This package lists no QTI 2 item."));

    Lecteur lecteur(rapport, options);
    std::vector<Etape> etapes;
    QSet<QString> lus;
    // The first test gives the order and the sections (categories); the
    // items it leaves out follow in the manifest's order.
    if (!tests.isEmpty()) {
        TDocumentXml test;
        if (!test.Charger(archive.Lire(tests.first())))
            Refuser(
                GardeXml::AvecMessages(Qti21::Messages::tr("The test of this QTI package is not well-formed XML.")));
        const QString dossier = Zip::Dossier(tests.first());
        QList<std::pair<QString, QString>> references; // section title, item
        const std::function<void(const TNoeudXml &, const QString &)> parcourir = [&](const TNoeudXml &e,
                                                                                      const QString &section) {
            for (const TNoeudXml &enfant : e.Elements()) {
                const QString nom = Local(enfant);
                if (nom == QLatin1String("assessmentItemRef")) {
                    const QString chemin = Zip::Chemin(dossier, enfant.Attribut(S("href")));
                    if (chemin.isEmpty())
                        Refuser(endommage);
                    references << std::make_pair(section, chemin);
                } else if (nom == QLatin1String("assessmentSection")) {
                    parcourir(enfant, enfant.Attribut(S("title")));
                } else if (nom == QLatin1String("testPart")) {
                    parcourir(enfant, section);
                }
            }
        };
        parcourir(test.Racine(), QString());
        QString section;
        for (const auto &[titre, chemin] : references) {
            if (lus.contains(chemin))
                continue;
            etapes.push_back({titre != section && !titre.isEmpty() ? titre : QString(), chemin});
            section = titre;
            lus.insert(chemin);
        }
    }
    for (const QString &chemin : ordre) {
        if (!lus.contains(chemin)) {
            etapes.push_back({QString(), chemin});
            lus.insert(chemin);
        }
    }
    LireItems(etapes, archive, lecteur, budget);
    return lecteur.Terminer();
}
