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

struct Aiken
{
    Q_DECLARE_TR_FUNCTIONS(Aiken)
};

using Questions::Morceau;
using Questions::Question;
using Questions::S;

const QRegularExpression &ReponseAiken()
{
    static const QRegularExpression re(S("^[A-Z][).]"));
    return re;
}

QString SurUneLigne(const QString &texte)
{
    QString t = texte;
    t.replace(CRLF, S(" "));
    t.replace(u'\r', u' ');
    t.replace(u'\n', u' ');
    return t.trimmed();
}

} // namespace

std::unique_ptr<TFichierX> TFichierAiken::LireAiken(const QByteArray &octets, const TOptions &options)
{
    TBudgetMemoire budget(octets.size());
    const QString texte = Questions::TexteQuiz(octets, Aiken::tr("The file is not UTF-8 text."));

    auto f = std::make_unique<TFichierX>(QChar(u'M'), QChar(u'm'), options);
    Questions::VersCartes cartes(*f, options);
    // Every answer shares its grade rather than holding a copy.
    const QString zero = S("0");
    Question q;
    bool ouverte = false;
    int debut = 0;
    const auto refuser = [](int ligne, const QString &raison) {
        throw ErreurIdInvalide(Aiken::tr("Line %1: %2").arg(ligne).arg(raison));
    };
    // Lines walked in place: a list of them costs several times the file.
    int numero = 0;
    for (const QStringView brute : QStringView(texte).tokenize(u'\n')) {
        ++numero;
        const QString ligne = brute.trimmed().toString();
        if (ligne.size() < 2)
            continue;
        if (ReponseAiken().match(ligne).hasMatch()) {
            if (!ouverte)
                refuser(numero, Aiken::tr("an answer without its question."));
            Morceau m;
            m.texte = ligne.mid(2).trimmed();
            m.note = zero;
            q.Ajouter(std::move(m));
        } else if (ligne.startsWith(S("ANSWER:"))) {
            if (!ouverte)
                refuser(numero, Aiken::tr("an ANSWER line without its question."));
            if (q.morceaux.size() < 2)
                refuser(debut, Aiken::tr("this question needs at least 2 answers."));
            const QString lettre = ligne.mid(7).trimmed().left(1);
            const int juste = lettre.isEmpty() ? -1 : lettre.at(0).unicode() - 'A';
            if (juste < 0 || juste >= int(q.morceaux.size()))
                refuser(numero, Aiken::tr("the answer \"%1\" is none of the question's answers.").arg(lettre));
            q.morceaux[size_t(juste)].note = S("100");
            cartes.Ajouter(q);
            q.Vider();
            ouverte = false;
        } else {
            if (ouverte)
                refuser(debut, Aiken::tr("this question has no ANSWER line."));
            q.genre = Questions::Genre::ChoixMultiple;
            q.unique = true;
            q.texte = ligne;
            q.nom = Questions::NomAbrege(ligne);
            ouverte = true;
            debut = numero;
        }
    }
    if (ouverte)
        refuser(debut, Aiken::tr("this question has no ANSWER line."));
    f->Modifie = false;
    return f;
}

std::unique_ptr<TFichierX> TFichierAiken::ChargerAiken(const QString &nom, const TOptions &options)
{
    auto flux = TFlux::Ouvrir(nom, false);
    // Aiken holds multiple choice only: the cards become a new document,
    // saved in a quiz format that holds every question type.
    auto f = LireAiken(flux->LireTout(), options);
    f->Modifie = true;
    return f;
}

QByteArray TFichierAiken::EcrireAiken(const TFichierX &fichier, int &ignorees, const TOptions &options)
{
    ignorees = 0;
    Questions::DepuisCartes cartes(fichier, options);
    QString sortie;
    for (const auto &fiche : fichier.Fiches) {
        const Question q = cartes.Lire(fiche);
        QStringList reponses;
        int juste = -1;
        bool simple = q.genre == Questions::Genre::ChoixMultiple && q.unique;
        for (const Morceau &m : q.morceaux) {
            if (m.sorte != Morceau::Reponse)
                continue;
            if (m.note == QLatin1String("100") && juste < 0)
                juste = int(reponses.size());
            else if (m.note != QLatin1String("0"))
                simple = false;
            reponses << SurUneLigne(m.texte);
        }
        // A question line must not read as an answer, an ANSWER line or nothing.
        const QString question = SurUneLigne(q.texte);
        const bool lisible = question.size() >= 2 && !ReponseAiken().match(question).hasMatch()
            && !question.startsWith(S("ANSWER:"));
        if (!simple || !lisible || juste < 0 || reponses.size() < 2 || reponses.size() > 26) {
            ++ignorees;
            continue;
        }
        sortie += question + S("\r\n");
        for (qsizetype i = 0; i < reponses.size(); ++i)
            sortie += QChar(char16_t(u'A' + i)) + S(") ") + reponses.at(i) + S("\r\n");
        sortie += S("ANSWER: ") + QChar(char16_t(u'A' + juste)) + S("\r\n\r\n");
    }
    return sortie.toUtf8();
}

void TFichierAiken::ExporterAiken(const TFichierX &fichier, const QString &nom, Formats::Rapport *rapport,
                                  const TOptions &options)
{
    int ignorees = 0;
    const QByteArray contenu = EcrireAiken(fichier, ignorees, options);
    Contrat::EcrireExport(fichier, nom, contenu);
    if (ignorees > 0 && rapport)
        rapport->Ajouter({Formats::Perte::Ignorees, ignorees, -1, 0,
                          Aiken::tr("%n card(s) are not single-answer multiple choice with at most 26 answers and "
                                    "were left out of the Aiken file.",
                                    "", ignorees)});
}

bool TFichierAiken::ResembleAiken(const QByteArray &tete)
{
    const QStringList lignes = QString::fromUtf8(tete).split(u'\n');
    bool reponse = false;
    for (const QString &brute : lignes) {
        const QString ligne = brute.trimmed();
        if (ReponseAiken().match(ligne).hasMatch())
            reponse = true;
        else if (ligne.startsWith(S("ANSWER:")) && reponse)
            return true;
    }
    return false;
}

namespace {

// Never a document's format: its cards come back as a new Moodle quiz.
class FormatAiken : public Formats::TFormat
{
public:
    QChar Lettre() const override { return u'a'; }
    const char *Nom() const override { return QT_TRANSLATE_NOOP("Chaines", "Aiken"); }
    const char *Motif() const override { return "txt"; }
    unsigned Capacites() const override { return Formats::ToujoursPropose; }
    const char *EntreeOuverture() const override { return "*.txt"; }
    QChar TypeEntreeOuverture() const override { return u'M'; }
    int RangReconnaissance() const override { return Formats::RangReglesGenerales + 1; }
    bool Reconnaitre(const Formats::Tete &tete) const override
    {
        return tete.nom.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive)
            && TFichierAiken::ResembleAiken(tete.octets);
    }
    bool Lisible() const override { return true; }
    bool Ecrivable() const override { return true; }
    std::unique_ptr<TFichierX> Lire(const QString &nom, const Formats::Lecture &l) const override
    {
        return TFichierAiken::ChargerAiken(nom, l.options);
    }
    void Ecrire(TFichierX &f, const QString &nom, const Formats::Ecriture &e) const override
    {
        TFichierAiken::ExporterAiken(f, nom, e.rapport, e.options);
    }
    QChar FormatLu() const override { return u'm'; }
    bool Accepte(const TFichierX &f) const override { return Formats::EstQuiz(f); }
    bool OffertEnExport(const TFichierX &f) const override { return Accepte(f); }
    bool Exporte(const TFichierX &) const override { return true; }
};

} // namespace

const Formats::TFormat &Formats::FormatAiken()
{
    return Instance<::FormatAiken>();
}
