#include "formats/qti/qti21.h"

#include "formats/qti/qti21commun.h"

#include "formats/sortiexml.h"
#include "formats/pertes.h"
#include "formats/questions.h"
#include "formats/zip.h"
#include "model/fichierx.h"
#include "model/outils.h"
#include "resources/chaines.h"

#include <QRegularExpression>

namespace {

using Questions::Genre;
using Questions::Morceau;
using Questions::S;
using SortieXml::Contexte;

const char *const EnTeteXml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// A number as XML Schema's xs:double reads it (QString::toDouble also takes
// "inf", blanks and the like).
bool EstNombre(const QString &texte)
{
    // One per thread: items are written on several.
    thread_local const QRegularExpression nombre(
        QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([Ee][+-]?[0-9]+)?$"));
    return nombre.match(texte).hasMatch();
}

// One document written straight into a buffer.
class Sortie
{
public:
    QByteArray octets;

    void Brut(const char *texte) { octets += texte; }
    void Texte(QStringView texte) { SortieXml::Ajouter(octets, texte, Contexte::Texte); }
    // " nom="valeur""
    void Attribut(const char *nom, QStringView valeur)
    {
        octets += ' ';
        octets += nom;
        octets += "=\"";
        SortieXml::Ajouter(octets, valeur, Contexte::Attribut);
        octets += '"';
    }
    // A card text as flow content: its lines joined by <br/>.
    void Lignes(const QString &texte)
    {
        bool premiere = true;
        for (QStringView ligne : QStringView(texte).tokenize(u'\n')) {
            if (!premiere)
                octets += "<br/>";
            premiere = false;
            if (ligne.endsWith(u'\r'))
                ligne.chop(1);
            Texte(ligne);
        }
    }
    // A paragraph of the text, none when it is empty.
    void Paragraphe(const QString &texte)
    {
        if (texte.isEmpty())
            return;
        octets += "<p>";
        Lignes(texte);
        octets += "</p>\n";
    }
    void Valeur(QStringView valeur)
    {
        octets += "<value>";
        Texte(valeur);
        octets += "</value>";
    }
    void Score(QStringView valeur)
    {
        octets += "<setOutcomeValue identifier=\"SCORE\"><baseValue baseType=\"float\">";
        Texte(valeur);
        octets += "</baseValue></setOutcomeValue>";
    }
};

// How an item's response is scored.
enum class Traitement {
    Aucun,   // no response, or scored by hand
    Correct, // all or nothing: the standard template match_correct
    Mapping, // the sum of the mapping: the template map_response
    Regles,  // rules of its own, written with the response
};

class EcrivainItem
{
public:
    EcrivainItem(const Questions::Question &question, const QString &ident, const QString &version)
        : q(question), identifiant(ident), versionOutil(version)
    {
    }
    // False when the question is written as the closest item QTI has.
    bool Ecrire(QByteArray &octets);

private:
    const Questions::Question &q;
    const QString &identifiant;
    const QString &versionOutil;
    Sortie declaration; // the response declaration
    Sortie corps;       // the item body
    Sortie regles;      // the response rules of Traitement::Regles
    Traitement traitement = Traitement::Aucun;
    QString feedback;
    bool exact = true;
    std::vector<const Morceau *> reponses;

    void Choix();
    void ReponseCourte();
    void Numerique();
    void Appariement();
    void Redaction();
    void Trous();
    void DebutDeclaration(const char *cardinalite, const char *type);
    void Mapping(const std::vector<std::pair<QString, QString>> &entrees, bool casse);
    void ReglesDuModele(Sortie &s) const;
};

void EcrivainItem::DebutDeclaration(const char *cardinalite, const char *type)
{
    declaration.Brut("<responseDeclaration identifier=\"RESPONSE\" cardinality=\"");
    declaration.Brut(cardinalite);
    declaration.Brut("\" baseType=\"");
    declaration.Brut(type);
    declaration.Brut("\">\n");
}

// Keys and grades in percent; the mapping's values are fractions of the item's score.
void EcrivainItem::Mapping(const std::vector<std::pair<QString, QString>> &entrees, bool casse)
{
    declaration.Brut("<mapping lowerBound=\"0\" upperBound=\"1\" defaultValue=\"0\">\n");
    for (const auto &[cle, note] : entrees) {
        declaration.Brut("<mapEntry");
        declaration.Attribut("mapKey", cle);
        declaration.Attribut("mappedValue", Qti21::Fraction(note));
        if (casse)
            declaration.Brut(" caseSensitive=\"false\"");
        declaration.Brut("/>\n");
    }
    declaration.Brut("</mapping>\n");
}

void EcrivainItem::Choix()
{
    // One right answer at full credit, the others at none: all or nothing.
    int pleines = 0;
    int autres = 0;
    for (const Morceau *m : reponses) {
        const double note = m->Note();
        pleines += note == 100;
        autres += note != 100 && note != 0;
    }
    // True or false is one answer of two.
    const bool unique = q.unique || q.genre == Genre::VraiFaux;
    const bool simple = unique && pleines == 1 && autres == 0;
    DebutDeclaration(unique ? "single" : "multiple", "identifier");
    // The right answers: those with the best grade when only one is allowed.
    double meilleure = 0;
    for (const Morceau *m : reponses)
        meilleure = qMax(meilleure, m->Note());
    QStringList justes;
    for (size_t i = 0; i < reponses.size(); ++i) {
        const double note = reponses[i]->Note();
        if (unique ? note > 0 && note == meilleure && justes.isEmpty() : note > 0)
            justes << Qti21::IdentifiantChoix(int(i));
    }
    if (!justes.isEmpty()) {
        declaration.Brut("<correctResponse>");
        for (const QString &j : justes)
            declaration.Valeur(j);
        declaration.Brut("</correctResponse>\n");
    }
    if (simple) {
        traitement = Traitement::Correct;
    } else {
        // Every answer is mapped, those at no credit too: a choice without
        // any credit still says which answers the card held as wrong.
        std::vector<std::pair<QString, QString>> entrees;
        for (size_t i = 0; i < reponses.size(); ++i)
            entrees.emplace_back(Qti21::IdentifiantChoix(int(i)), reponses[i]->note);
        if (!entrees.empty())
            Mapping(entrees, false);
        traitement = entrees.empty() ? Traitement::Aucun : Traitement::Mapping;
    }
    declaration.Brut("</responseDeclaration>\n");

    corps.Paragraphe(q.texte);
    corps.Brut("<choiceInteraction responseIdentifier=\"RESPONSE\" shuffle=\"false\" maxChoices=\"");
    corps.Brut(unique ? "1" : "0");
    corps.Brut("\">\n");
    for (size_t i = 0; i < reponses.size(); ++i) {
        corps.Brut("<simpleChoice");
        corps.Attribut("identifier", Qti21::IdentifiantChoix(int(i)));
        corps.Brut(">");
        corps.Lignes(reponses[i]->texte);
        corps.Brut("</simpleChoice>\n");
    }
    corps.Brut("</choiceInteraction>\n");
    // A choice needs one answer at least.
    exact = exact && !reponses.empty();
}

void EcrivainItem::ReponseCourte()
{
    DebutDeclaration("single", "string");
    double meilleure = 0;
    const Morceau *juste = nullptr;
    std::vector<std::pair<QString, QString>> entrees;
    for (const Morceau *m : reponses) {
        if (m->Note() > meilleure) {
            meilleure = m->Note();
            juste = m;
        }
        entrees.emplace_back(m->texte, m->note);
    }
    if (juste) {
        declaration.Brut("<correctResponse>");
        declaration.Valeur(juste->texte);
        declaration.Brut("</correctResponse>\n");
    }
    if (!entrees.empty()) {
        Mapping(entrees, true);
        traitement = Traitement::Mapping;
    }
    declaration.Brut("</responseDeclaration>\n");
    corps.Paragraphe(q.texte);
    corps.Brut("<p><textEntryInteraction responseIdentifier=\"RESPONSE\" expectedLength=\"20\"/></p>\n");
}

void EcrivainItem::Numerique()
{
    DebutDeclaration("single", "float");
    // Numbers only: a unit, or an answer that is no number, has no place.
    std::vector<const Morceau *> nombres;
    for (const Morceau *m : reponses) {
        exact = exact && m->autre.isEmpty();
        if (EstNombre(m->texte) && (m->tolerance.isEmpty() || EstNombre(m->tolerance)))
            nombres.push_back(m);
        else
            exact = false;
    }
    for (const Morceau *m : nombres) {
        if (m->Note() == 100) {
            declaration.Brut("<correctResponse>");
            declaration.Valeur(m->texte);
            declaration.Brut("</correctResponse>\n");
            break;
        }
    }
    declaration.Brut("</responseDeclaration>\n");
    corps.Paragraphe(q.texte);
    corps.Brut("<p><textEntryInteraction responseIdentifier=\"RESPONSE\" expectedLength=\"20\"/></p>\n");
    if (nombres.empty())
        return;
    // The first answer the response equals within its tolerance gives its grade.
    traitement = Traitement::Regles;
    regles.Brut("<responseCondition>\n");
    bool premiere = true;
    for (const Morceau *m : nombres) {
        regles.Brut(premiere ? "<responseIf>" : "<responseElseIf>");
        if (m->tolerance.isEmpty()) {
            regles.Brut("<equal toleranceMode=\"exact\">");
        } else {
            regles.Brut("<equal toleranceMode=\"absolute\"");
            regles.Attribut("tolerance", m->tolerance + u' ' + m->tolerance);
            regles.Brut(">");
        }
        regles.Brut("<variable identifier=\"RESPONSE\"/><baseValue baseType=\"float\">");
        regles.Texte(m->texte);
        regles.Brut("</baseValue></equal>");
        regles.Score(Qti21::Fraction(m->note));
        regles.Brut(premiere ? "</responseIf>\n" : "</responseElseIf>\n");
        premiere = false;
    }
    regles.Brut("</responseCondition>\n");
}

void EcrivainItem::Appariement()
{
    // The answers once each, in the order first met: a distractor (a pair
    // without its question) is an answer no question goes with.
    QStringList cibles;
    std::vector<std::pair<int, int>> paires;
    QStringList sources;
    for (const Morceau *m : reponses) {
        qsizetype cible = cibles.indexOf(m->autre);
        if (cible < 0) {
            cible = cibles.size();
            cibles << m->autre;
        }
        if (!m->texte.isEmpty()) {
            paires.emplace_back(int(sources.size()), int(cible));
            sources << m->texte;
        }
    }
    DebutDeclaration("multiple", "directedPair");
    std::vector<std::pair<QString, QString>> entrees;
    if (!paires.empty()) {
        declaration.Brut("<correctResponse>");
        for (const auto &[s, c] : paires) {
            const QString cle = S("S%1 T%2").arg(s + 1).arg(c + 1);
            declaration.Valeur(cle);
            entrees.emplace_back(cle, Qti21::Pourcent(100.0 / double(paires.size())));
        }
        declaration.Brut("</correctResponse>\n");
        Mapping(entrees, false);
        traitement = Traitement::Mapping;
    }
    declaration.Brut("</responseDeclaration>\n");
    corps.Paragraphe(q.texte);
    if (sources.isEmpty()) {
        exact = false; // nothing to match
        return;
    }
    corps.Brut("<matchInteraction responseIdentifier=\"RESPONSE\" shuffle=\"true\" maxAssociations=\"");
    corps.Texte(QString::number(sources.size()));
    // Each question matches one answer; an answer may match several questions.
    const auto ensemble = [this](const QStringList &textes, char prefixe, const char *max) {
        corps.Brut("<simpleMatchSet>\n");
        for (qsizetype i = 0; i < textes.size(); ++i) {
            corps.Brut("<simpleAssociableChoice");
            corps.Attribut("identifier", QString(QLatin1Char(prefixe)) + QString::number(i + 1));
            corps.Brut(" matchMax=\"");
            corps.Brut(max);
            corps.Brut("\">");
            corps.Lignes(textes.at(i));
            corps.Brut("</simpleAssociableChoice>\n");
        }
        corps.Brut("</simpleMatchSet>\n");
    };
    corps.Brut("\">\n");
    ensemble(sources, 'S', "1");
    ensemble(cibles, 'T', "0");
    corps.Brut("</matchInteraction>\n");
}

void EcrivainItem::Redaction()
{
    // The response template is what the response holds before the candidate writes.
    QString modele;
    int modeles = 0;
    for (const Morceau &m : q.morceaux) {
        if (m.sorte == Morceau::Modele && !m.texte.isEmpty()) {
            modele = m.texte;
            ++modeles;
        }
    }
    exact = exact && modeles <= 1 && reponses.empty();
    DebutDeclaration("single", "string");
    if (!modele.isEmpty()) {
        declaration.Brut("<defaultValue>");
        declaration.Valeur(modele);
        declaration.Brut("</defaultValue>\n");
    }
    declaration.Brut("</responseDeclaration>\n");
    corps.Paragraphe(q.texte);
    corps.Brut("<extendedTextInteraction responseIdentifier=\"RESPONSE\"/>\n");
}

// A gap is a text entry within the text; QTI reads it back as a short answer
// with the gap in its text.
void EcrivainItem::Trous()
{
    static const QString ouverture = S("{:SA:=");
    const qsizetype debut = q.texte.indexOf(ouverture);
    const qsizetype fin = debut < 0 ? -1 : q.texte.indexOf(u'}', debut);
    exact = false;
    if (fin < 0) {
        corps.Paragraphe(q.texte);
        return;
    }
    const QString reponse = Rogner(q.texte.mid(debut + ouverture.size(), fin - debut - ouverture.size()));
    DebutDeclaration("single", "string");
    declaration.Brut("<correctResponse>");
    declaration.Valeur(reponse);
    declaration.Brut("</correctResponse>\n</responseDeclaration>\n");
    traitement = Traitement::Correct;
    corps.Brut("<p>");
    corps.Lignes(q.texte.left(debut));
    corps.Brut("<textEntryInteraction responseIdentifier=\"RESPONSE\" expectedLength=\"20\"/>");
    corps.Lignes(q.texte.mid(fin + 1));
    corps.Brut("</p>\n");
}

// The rules the templates stand for, written out when the general feedback
// needs rules of its own after them.
void EcrivainItem::ReglesDuModele(Sortie &s) const
{
    if (traitement == Traitement::Correct) {
        s.Brut("<responseCondition>\n<responseIf><match><variable identifier=\"RESPONSE\"/>"
               "<correct identifier=\"RESPONSE\"/></match>");
        s.Score(u"1");
        s.Brut("</responseIf>\n<responseElse>");
        s.Score(u"0");
        s.Brut("</responseElse>\n</responseCondition>\n");
    } else if (traitement == Traitement::Mapping) {
        s.Brut("<responseCondition>\n<responseIf><isNull><variable identifier=\"RESPONSE\"/></isNull>");
        s.Score(u"0");
        s.Brut("</responseIf>\n<responseElse><setOutcomeValue identifier=\"SCORE\">"
               "<mapResponse identifier=\"RESPONSE\"/></setOutcomeValue></responseElse>\n</responseCondition>\n");
    } else if (traitement == Traitement::Regles) {
        s.octets += regles.octets;
    }
}

bool EcrivainItem::Ecrire(QByteArray &octets)
{
    int feedbacks = 0;
    for (const Morceau &m : q.morceaux) {
        if (m.sorte == Morceau::Feedback) {
            if (!m.texte.isEmpty()) {
                feedback = feedback.isEmpty() ? m.texte : feedback + CRLF + m.texte;
                ++feedbacks;
            }
        } else if (m.sorte != Morceau::Modele) {
            reponses.push_back(&m);
        }
    }
    exact = feedbacks <= 1;
    if (q.ChoixMultipleOuVariante()) {
        exact = exact && q.genre == Genre::ChoixMultiple;
        Choix();
    } else if (q.genre == Genre::VraiFaux) {
        Choix();
    } else if (q.genre == Genre::ReponseCourte) {
        ReponseCourte();
    } else if (q.genre == Genre::Numerique) {
        Numerique();
    } else if (q.genre == Genre::Appariement) {
        Appariement();
    } else if (q.genre == Genre::Redaction) {
        Redaction();
    } else if (q.genre == Genre::Trous) {
        Trous();
    } else {
        // a description, and the kinds QTI has no item for, are texts alone
        exact = exact && q.genre == Genre::Description && reponses.empty();
        corps.Paragraphe(q.texte);
    }

    octets += EnTeteXml;
    octets += "<assessmentItem xmlns=\"" + Qti21::EspaceItems
        + "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:schemaLocation=\"" + Qti21::EspaceItems
        + " http://www.imsglobal.org/xsd/qti/qtiv2p1/imsqti_v2p1.xsd\"";
    Sortie entete;
    entete.Attribut("identifier", identifiant);
    entete.Attribut("title", q.nom);
    entete.Attribut("toolName", QString::fromLatin1(Qti21::NomOutil));
    entete.Attribut("toolVersion", versionOutil);
    octets += entete.octets;
    octets += " adaptive=\"false\" timeDependent=\"false\">\n";
    octets += declaration.octets;
    octets += "<outcomeDeclaration identifier=\"SCORE\" cardinality=\"single\" baseType=\"float\">"
              "<defaultValue><value>0</value></defaultValue></outcomeDeclaration>\n";
    if (!feedback.isEmpty())
        octets += "<outcomeDeclaration identifier=\"FEEDBACK\" cardinality=\"single\" baseType=\"identifier\"/>\n";
    octets += "<itemBody>\n";
    octets += corps.octets;
    octets += "</itemBody>\n";
    if (feedback.isEmpty()) {
        if (traitement == Traitement::Correct)
            octets += "<responseProcessing template=\"" + Qti21::ModeleCorrect + "\"/>\n";
        else if (traitement == Traitement::Mapping)
            octets += "<responseProcessing template=\"" + Qti21::ModeleMapping + "\"/>\n";
        else if (traitement == Traitement::Regles)
            octets += "<responseProcessing>\n" + regles.octets + "</responseProcessing>\n";
    } else {
        // The general feedback is shown whatever the response.
        Sortie s;
        s.Brut("<responseProcessing>\n");
        ReglesDuModele(s);
        s.Brut("<setOutcomeValue identifier=\"FEEDBACK\"><baseValue baseType=\"identifier\">");
        s.Brut(Qti21::FeedbackGeneral);
        s.Brut("</baseValue></setOutcomeValue>\n</responseProcessing>\n");
        s.Brut("<modalFeedback outcomeIdentifier=\"FEEDBACK\" showHide=\"show\" identifier=\"");
        s.Brut(Qti21::FeedbackGeneral);
        s.Brut("\">");
        s.Paragraphe(feedback);
        s.Brut("</modalFeedback>\n");
        octets += s.octets;
    }
    octets += "</assessmentItem>\n";
    return exact;
}

struct Section
{
    QString titre;
    QStringList items;
};

QByteArray Test(const QString &titre, const std::vector<Section> &sections)
{
    Sortie s;
    s.Brut(EnTeteXml);
    s.Brut("<assessmentTest xmlns=\"");
    s.Brut(Qti21::EspaceItems);
    s.Brut("\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:schemaLocation=\"");
    s.Brut(Qti21::EspaceItems);
    s.Brut(" http://www.imsglobal.org/xsd/qti/qtiv2p1/imsqti_v2p1.xsd\" identifier=\"test\"");
    s.Attribut("title", titre);
    s.Brut(">\n<testPart identifier=\"part\" navigationMode=\"nonlinear\" submissionMode=\"simultaneous\">\n");
    int numero = 0;
    for (const Section &section : sections) {
        s.Brut("<assessmentSection");
        s.Attribut("identifier", S("section%1").arg(++numero));
        s.Attribut("title", section.titre);
        s.Brut(" visible=\"true\">\n");
        for (const QString &item : section.items) {
            s.Brut("<assessmentItemRef");
            s.Attribut("identifier", item);
            s.Attribut("href", Qti21::CheminItem(item));
            s.Brut("/>\n");
        }
        s.Brut("</assessmentSection>\n");
    }
    s.Brut("</testPart>\n</assessmentTest>\n");
    return s.octets;
}

QByteArray Manifeste(const QStringList &items)
{
    Sortie s;
    s.Brut(EnTeteXml);
    s.Brut("<manifest xmlns=\"http://www.imsglobal.org/xsd/imscp_v1p1\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xsi:schemaLocation=\"http://www.imsglobal.org/xsd/imscp_v1p1 "
           "http://www.imsglobal.org/xsd/imscp_v1p1.xsd\" identifier=\"MANIFEST-1\">\n"
           "<metadata><schema>QTIv2.1 Package</schema><schemaversion>1.0.0</schemaversion></metadata>\n"
           "<organizations/>\n<resources>\n");
    s.Brut("<resource identifier=\"test\" type=\"imsqti_test_xmlv2p1\"");
    s.Attribut("href", Qti21::CheminTest);
    s.Brut(">\n<file");
    s.Attribut("href", Qti21::CheminTest);
    s.Brut("/>\n");
    for (const QString &item : items) {
        s.Brut("<dependency");
        s.Attribut("identifierref", item);
        s.Brut("/>\n");
    }
    s.Brut("</resource>\n");
    for (const QString &item : items) {
        s.Brut("<resource");
        s.Attribut("identifier", item);
        s.Brut(" type=\"imsqti_item_xmlv2p1\"");
        s.Attribut("href", Qti21::CheminItem(item));
        s.Brut(">\n<file");
        s.Attribut("href", Qti21::CheminItem(item));
        s.Brut("/>\n</resource>\n");
    }
    s.Brut("</resources>\n</manifest>\n");
    return s.octets;
}

// What the package holds, read from the cards in order: its items are
// written from it in any order, on several threads.
class Paquet
{
public:
    Paquet(const TFichierX &fichier, const TOptions &options);
    // The entries: the manifest, the test, then the items.
    QStringList Noms() const;
    // Entry i's bytes; an item's exactness goes to exacts.
    QByteArray Contenu(size_t i);
    void Rapporter(Formats::Rapport *rapport) const;

private:
    const TFichierX &f;
    const QString version = Chaines::Version();
    std::vector<Questions::Question> questions;
    std::vector<int> fiches; // the card of each item
    std::vector<Section> sections = std::vector<Section>(1);
    QStringList items;
    std::vector<char> exacts; // one per item, written by any thread
};

Paquet::Paquet(const TFichierX &fichier, const TOptions &options) : f(fichier)
{
    Questions::DepuisCartes cartes(fichier, options);
    questions.reserve(size_t(fichier.NombreFiches()));
    fiches.reserve(size_t(fichier.NombreFiches()));
    for (int i = 0; i < fichier.NombreFiches(); ++i) {
        Questions::Question q = cartes.Lire(fichier.Fiche(i));
        if (q.genre == Genre::Categorie) {
            // A category opens a section of its own.
            if (!sections.back().items.isEmpty() || !sections.back().titre.isEmpty())
                sections.emplace_back();
            sections.back().titre = q.categorie;
            continue;
        }
        const QString identifiant = S("item%1").arg(items.size() + 1);
        items << identifiant;
        sections.back().items << identifiant;
        questions.push_back(std::move(q));
        fiches.push_back(i);
    }
    exacts.assign(questions.size(), 1);
}

QStringList Paquet::Noms() const
{
    QStringList noms{Qti21::CheminManifeste, Qti21::CheminTest};
    for (const QString &item : items)
        noms << Qti21::CheminItem(item);
    return noms;
}

QByteArray Paquet::Contenu(size_t i)
{
    if (i == 0)
        return Manifeste(items);
    if (i == 1)
        return Test(f.Titre, sections);
    QByteArray octets;
    const size_t n = i - 2;
    exacts[n] = EcrivainItem(questions[n], items.at(qsizetype(n)), version).Ecrire(octets);
    return octets;
}

void Paquet::Rapporter(Formats::Rapport *rapport) const
{
    int approchees = 0;
    int premiere = -1;
    for (size_t n = 0; n < exacts.size(); ++n) {
        if (exacts[n])
            continue;
        if (premiere < 0)
            premiere = fiches[n];
        ++approchees;
    }
    if (approchees > 0 && rapport)
        rapport->Ajouter({Formats::Perte::Approchees, approchees, premiere, 0,
                          Qti21::Messages::tr("%n card(s) cannot be written exactly as QTI 2.1 items and were "
                                              "written as the closest item.",
                                              "", approchees)});
}

} // namespace

TFichierQti21::Entrees TFichierQti21::Fichiers(const TFichierX &fichier, Formats::Rapport *rapport,
                                               const TOptions &options)
{
    Paquet paquet(fichier, options);
    const QStringList noms = paquet.Noms();
    Entrees entrees;
    entrees.reserve(size_t(noms.size()));
    for (qsizetype i = 0; i < noms.size(); ++i)
        entrees.emplace_back(noms.at(i), paquet.Contenu(size_t(i)));
    paquet.Rapporter(rapport);
    return entrees;
}

QByteArray TFichierQti21::EcrirePaquet(const TFichierX &fichier, Formats::Rapport *rapport, const TOptions &options)
{
    Paquet paquet(fichier, options);
    const QByteArray zip = Zip::Ecrire(
        paquet.Noms(), [&paquet](size_t i) { return paquet.Contenu(i); },
        Qti21::Messages::tr("The QTI package could not be made: %1"));
    paquet.Rapporter(rapport);
    return zip;
}
