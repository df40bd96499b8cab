// QTI 2.1 packages: each card shape out (every file valid against the IMS
// schemas) and back, the real items and packages of other programs in,
// refusals of damaged and hostile packages, and recognition.
#include "outilstest.h"
#include "schemaxsd.h"

#include "formats/formats.h"
#include "formats/pertes.h"
#include "formats/qti/qti21.h"
#include "formats/questions.h"
#include "formats/zip.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

QStringList Cartes(const TFichierX &f)
{
    QStringList cartes;
    for (const auto &fiche : f.Fiches)
        cartes << fiche.Champ0() + u'|' + fiche.Champ1() + u'|' + fiche.Champ2();
    return cartes;
}

std::unique_ptr<TFichierX> Qcm(const QList<QStringList> &cartes)
{
    auto f = std::make_unique<TFichierX>(QChar(u'M'), QChar(u'x'));
    f->InitialiserNouveau(TOptions());
    for (const QStringList &c : cartes)
        f->AjouterFiche(c.at(0), c.at(1), c.at(2));
    return f;
}

QString Xsd(const char *chemin)
{
    return OutilsTest::DonneesTest(QStringLiteral("qti/xsd/") + QLatin1String(chemin));
}

// The schemas are long to read: once for the whole run.
const TSchemaXsd &SchemaQti()
{
    static const TSchemaXsd schema(Xsd("qtiv2p1/imsqti_v2p1.xsd"));
    return schema;
}

const TSchemaXsd &SchemaManifeste()
{
    static const TSchemaXsd schema(Xsd("qti21_manifest_all.xsd"));
    return schema;
}

QByteArray Zipper(const std::vector<std::pair<QString, QByteArray>> &entrees)
{
    return Zip::Ecrire(entrees, QStringLiteral("%1"));
}

const QString Sep = QStringLiteral("\r\n===\r\n");

// Items of a package by number, with the bytes put in their place.
using Remplacees = QMap<int, QByteArray>;

QString Simple(const QString &texte)
{
    return texte.simplified();
}

qsizetype Compte(const Formats::Rapport &r, Formats::Perte::Genre genre)
{
    const Formats::Perte *p = r.De(genre);
    return p ? p->nombre : 0;
}

} // namespace

class TestQti21 : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dossier;

private slots:
    void initTestCase()
    {
        OutilsTest::IsolerParametres(m_dossier);
        QVERIFY2(SchemaQti().Charge(), qPrintable(SchemaQti().ErreursChargement()));
        QVERIFY2(SchemaManifeste().Charge(), qPrintable(SchemaManifeste().ErreursChargement()));
    }

    // Each card shape: written as valid files, read back as the same cards,
    // or as the closest ones with the approximation counted.
    void allerRetour_data()
    {
        QTest::addColumn<QList<QStringList>>("cartes");
        QTest::addColumn<QStringList>("retour"); // empty: the same cards
        QTest::addColumn<int>("approchees");

        const QString feedback = QStringLiteral("(/\r\nWell done & thanks.\r\n/)");
        QTest::newRow("single choice, feedback")
            << QList<QStringList>{{"Capital", "(*singlechoice*) What is the capital of France?",
                                   "(*) Paris" + Sep + "Lyon" + Sep + "Marseille" + Sep + feedback}}
            << QStringList() << 0;
        QTest::newRow("several answers, partial and negative grades")
            << QList<QStringList>{{"Multi", "(*multichoice*) Which are prime?",
                                   "(*50*) 2" + Sep + "(*50*) 3" + Sep + "(*-33.33333*) 4" + Sep + "1"}}
            << QStringList() << 0;
        QTest::newRow("one answer, partial grades")
            << QList<QStringList>{{"Partial", "(*singlechoice*) Pick the best.",
                                   "(*) best" + Sep + "(*25.5*) close" + Sep + "far"}}
            << QStringList() << 0;
        QTest::newRow("no right answer") << QList<QStringList>{{"None", "(*multichoice*) Nothing is right.",
                                                                "(*0*) a" + Sep + "(*0*) b"}}
                                         << QStringList{"None|(*multichoice*) Nothing is right.|a" + Sep + "b"} << 0;
        QTest::newRow("true false") << QList<QStringList>{{"TF", "(*truefalse*) The sun is a star.",
                                                           "(*) true" + Sep + "false"}}
                                    << QStringList() << 0;
        QTest::newRow("short answer, grades") << QList<QStringList>{{"Short", "(*shortanswer*) A colour of the flag?",
                                                                     "blue" + Sep + "white" + Sep + "(*50*) red"}}
                                              << QStringList() << 0;
        QTest::newRow("numerical") << QList<QStringList>{{"Num", "(*numerical*) What is pi?",
                                                          "3.14" + Sep + "(*50*) 3" + Sep + feedback}}
                                   << QStringList() << 0;
        QTest::newRow("numerical unit and no number")
            << QList<QStringList>{{"Unit", "(*numerical*) How long?", "3.5 m" + Sep + "(*50*) about"}}
            << QStringList{"Unit|(*numerical*) How long?|3.5"} << 1;
        QTest::newRow("matching, distractor")
            << QList<QStringList>{{"Match", "(*matching*) Match them.",
                                   "cat :: meow" + Sep + "dog :: woof" + Sep + "cow :: meow" + Sep + " :: moo"}}
            << QStringList{"Match|(*matching*) Match them.|cat :: meow" + Sep + "dog :: woof" + Sep + "cow :: meow"
                           + Sep + " :: moo"}
            << 0;
        QTest::newRow("essay, template") << QList<QStringList>{{"Essay", "(*essay*) Tell a story.", "Once upon a time"}}
                                         << QStringList() << 0;
        QTest::newRow("description") << QList<QStringList>{{"Desc", "(*description*) Read: a < b && c > d ]]> \"q\"",
                                                            ""}}
                                     << QStringList() << 0;
        QTest::newRow("lines and blanks")
            << QList<QStringList>{{"Lines", "(*shortanswer*) first\r\n  indented\r\n\r\nafter a blank", "x  y"}}
            << QStringList() << 0;
        QTest::newRow("one gap") << QList<QStringList>{{"Gap", "(*cloze*) The sky is (:blue:) today.", ""}}
                                 << QStringList{"Gap|(*shortanswer*) The sky is _____ today.|blue"} << 1;
        QTest::newRow("categories make sections") << QList<QStringList>{{"% top/geo", "(*category*) ", ""},
                                                                        {"Q1", "(*description*) one", ""},
                                                                        {"% top/history", "(*category*) ", ""},
                                                                        {"Q2", "(*description*) two", ""}}
                                                  << QStringList{"% top/geo|(*category*) |", "Q1|(*description*) one|",
                                                                 "% /history|(*category*) |", "Q2|(*description*) two|"}
                                                  << 0;
        // Enough items to be parsed on several threads: the cards keep their order.
        QList<QStringList> parFils;
        QStringList relusParFils;
        const QList<QStringList> genres = {{"(*singlechoice*) Capital?", "(*) Paris" + Sep + "Lyon"},
                                           {"(*multichoice*) Primes?", "(*50*) 2" + Sep + "(*50*) 3" + Sep + "4"},
                                           {"(*shortanswer*) Colour?", "blue" + Sep + "(*50*) red"},
                                           {"(*description*) Read this.", ""},
                                           {"(*essay*) Tell.", "Once"}};
        for (int i = 0; i < 70; ++i) {
            if (i % 20 == 0) {
                const QString section = QStringLiteral("top/s%1").arg(i / 20);
                parFils << QStringList{"% " + section, "(*category*) ", ""};
                relusParFils << (i == 0 ? "% " + section : QStringLiteral("% /s%1").arg(i / 20)) + "|(*category*) |";
            }
            const QStringList &g = genres.at(i % genres.size());
            parFils << QStringList{QStringLiteral("Q%1").arg(i), g.at(0), g.at(1)};
            relusParFils << parFils.last().join(u'|');
        }
        QTest::newRow("70 items in sections") << parFils << relusParFils << 0;
        QTest::newRow("kind QTI has no item for")
            << QList<QStringList>{{"Calc", "(*calculated*) {a} + {b}?", "(*) {a}+{b}"}}
            << QStringList{"Calc|(*description*) {a} + {b}?|"} << 1;
        QTest::newRow("two feedbacks joined")
            << QList<QStringList>{{"Two", "(*description*) text", "(/ one /)" + Sep + "(/ two /)"}}
            << QStringList{"Two|(*description*) text|(/\r\none\r\ntwo\r\n/)"} << 1;
        QTest::newRow("empty file") << QList<QStringList>{} << QStringList() << 0;
        // Enough items to be written on several threads: the report counts
        // from the first approximated card, the items keep the cards' order.
        QList<QStringList> beaucoup;
        QStringList relus;
        for (int i = 0; i < 60; ++i) {
            const QString n = QString::number(i);
            if (i % 13 == 0) {
                beaucoup << QStringList{"% top/c" + n, "(*category*) ", ""};
                relus << "% /c" + n + "|(*category*) |";
            } else if (i % 7 == 3) {
                beaucoup << QStringList{"Calc" + n, "(*calculated*) {a} + " + n + "?", "(*) {a}+" + n};
                relus << "Calc" + n + "|(*description*) {a} + " + n + "?|";
            } else {
                beaucoup << QStringList{"Q" + n, "(*description*) text " + n, ""};
                relus << "Q" + n + "|(*description*) text " + n + "|";
            }
        }
        relus[0] = QStringLiteral("% top/c0|(*category*) |");
        QTest::newRow("many items") << beaucoup << relus << 8;
    }

    void allerRetour()
    {
        QFETCH(QList<QStringList>, cartes);
        QFETCH(QStringList, retour);
        QFETCH(int, approchees);
        const auto f = Qcm(cartes);
        Formats::Rapport rapport;
        const auto entrees = TFichierQti21::Fichiers(*f, &rapport);
        QCOMPARE(Compte(rapport, Formats::Perte::Approchees), approchees);
        QCOMPARE(entrees.size(),
                 size_t(2) + size_t(std::count_if(cartes.begin(), cartes.end(), [](const QStringList &c) {
                     return !c.at(0).startsWith(u'%');
                 })));
        for (const auto &[chemin, octets] : entrees) {
            const TSchemaXsd &schema = chemin == QLatin1String("imsmanifest.xml") ? SchemaManifeste() : SchemaQti();
            const QString erreurs = schema.Erreurs(octets);
            QVERIFY2(erreurs.isEmpty(), qPrintable(chemin + u'\n' + erreurs + u'\n' + QString::fromUtf8(octets)));
        }
        Formats::Rapport lecture;
        const auto relu = TFichierQti21::LirePaquet(Zipper(entrees), &lecture);
        QVERIFY(lecture.Vide());
        QCOMPARE(Cartes(*relu), retour.isEmpty() ? Cartes(*f) : retour);

        // The package, its items made on the deflating threads, holds the
        // same files and reports the same loss from the same card.
        Formats::Rapport rapportPaquet;
        const QByteArray paquet = TFichierQti21::EcrirePaquet(*f, &rapportPaquet);
        TBudgetMemoire budget(paquet.size());
        const Zip::TLecture archive(paquet, budget, QStringLiteral("zip?"), QStringLiteral("damaged"));
        QCOMPARE(size_t(archive.Nombre()), entrees.size());
        for (qint64 i = 0; i < archive.Nombre(); ++i) {
            QCOMPARE(archive.Nom(i), entrees[size_t(i)].first);
            QCOMPARE(archive.Lire(i), entrees[size_t(i)].second);
        }
        const Formats::Perte *p = rapport.De(Formats::Perte::Approchees);
        const Formats::Perte *q = rapportPaquet.De(Formats::Perte::Approchees);
        QCOMPARE(bool(q), bool(p));
        if (p)
            QCOMPARE(std::pair(q->nombre, q->fiche), std::pair(p->nombre, p->fiche));
    }

    // Every item of the corpus: the kind, text, answers and right answers the
    // file says, or counted when no card holds it.
    void corpus_data()
    {
        QTest::addColumn<QString>("fichier");
        QTest::addColumn<QJsonArray>("items");
        QFile json(OutilsTest::DonneesTest(QStringLiteral("qti/expected.json")));
        QVERIFY(json.open(QIODevice::ReadOnly));
        const QJsonObject fichiers = QJsonDocument::fromJson(json.readAll()).object().value(u"files").toObject();
        int lignes = 0;
        for (auto it = fichiers.begin(); it != fichiers.end(); ++it) {
            if (it.value().toObject().value(u"format").toString() != QLatin1String("qti21"))
                continue;
            if (!QFile::exists(OutilsTest::DonneesTest(QStringLiteral("qti/") + it.key())))
                continue;
            QTest::newRow(qPrintable(it.key())) << it.key() << it.value().toObject().value(u"items").toArray();
            ++lignes;
        }
        QVERIFY(lignes >= 35);
    }

    void corpus()
    {
        QFETCH(QString, fichier);
        QFETCH(QJsonArray, items);
        const QString chemin = OutilsTest::DonneesTest(QStringLiteral("qti/") + fichier);
        QCOMPARE(Formats::Reconnaitre(chemin, TOptions()), QChar(u'Q'));
        Formats::Rapport rapport;
        const auto f = Formats::Ouvrir(chemin, true, true, u'D', TOptions(), &rapport, QChar());
        QCOMPARE(f->TypeFichier, QChar(u'M'));
        Questions::DepuisCartes lecture(*f, TOptions());
        int carte = 0;
        int ignores = 0;
        for (const QJsonValue &v : items) {
            QJsonObject item = v.toObject();
            if (!item.value(u"supported").toBool()) {
                ++ignores;
                continue;
            }
            while (carte < f->NombreFiches() && f->Fiches[size_t(carte)].Champ0().startsWith(u'%'))
                ++carte; // a section's title
            QVERIFY(carte < f->NombreFiches());
            const Questions::Question q = lecture.Lire(f->Fiches[size_t(carte++)]);
            QString genre = item.value(u"kind").toString();
            // Inline feedback is shown with an answer, not part of it: no place in a card.
            if (fichier == QLatin1String("qti21/items/feedbackInline.xml")) {
                genre = QStringLiteral("truefalse");
                QJsonArray choix;
                choix << QJsonObject{{"id", "true"}, {"text", "True"}}
                      << QJsonObject{{"id", "false"}, {"text", "False"}};
                item.insert(u"choices", choix);
            }
            static const QMap<QString, Questions::Genre> genres = {
                {"multichoice", Questions::Genre::ChoixMultiple}, {"missingword", Questions::Genre::ChoixMultiple},
                {"truefalse", Questions::Genre::VraiFaux},        {"shortanswer", Questions::Genre::ReponseCourte},
                {"numerical", Questions::Genre::Numerique},       {"matching", Questions::Genre::Appariement},
                {"essay", Questions::Genre::Redaction},           {"description", Questions::Genre::Description}};
            QCOMPARE(int(q.genre), int(genres.value(genre)));
            QCOMPARE(q.nom, item.value(u"title").toString());
            // The file's text holds nothing where the blank is.
            QString attendu = Simple(item.value(u"text").toString());
            // A script's code is no text.
            if (fichier.endsWith(QLatin1String("algorithm_question.xml")))
                attendu = QStringLiteral("Click here to view the question Determine the correct answer");
            QString texte = Simple(q.texte);
            if (!attendu.contains(QLatin1String("_____")))
                texte.remove(QLatin1String("_____"));
            QVERIFY2(Simple(texte).contains(attendu), qPrintable(q.texte));
            if (item.contains(u"prompt"))
                QVERIFY(Simple(q.texte).contains(Simple(item.value(u"prompt").toString())));
            if (genre == QLatin1String("missingword"))
                QVERIFY(q.texte.contains(QLatin1String("_____")));
            QStringList reponses;
            QStringList justes;
            QStringList paires;
            QString feedback;
            for (const Questions::Morceau &m : q.morceaux) {
                if (m.sorte == Questions::Morceau::Reponse) {
                    reponses << Simple(m.texte);
                    if (m.note.toDouble() > 0)
                        justes << Simple(m.texte);
                } else if (m.sorte == Questions::Morceau::Paire) {
                    paires << Simple(m.texte) + u'>' + Simple(m.autre);
                } else if (m.sorte == Questions::Morceau::Feedback) {
                    feedback = m.texte;
                }
            }
            QCOMPARE(Simple(feedback), Simple(item.value(u"general_feedback").toString()));
            if (item.contains(u"choices")) {
                QStringList attendues;
                QStringList attenduesJustes;
                const QJsonArray correct = item.value(u"correct").toArray();
                for (const QJsonValue &c : item.value(u"choices").toArray()) {
                    QString choix = Simple(c.toObject().value(u"text").toString());
                    if (genre == QLatin1String("truefalse"))
                        choix = choix.toLower();
                    attendues << choix;
                    if (correct.contains(c.toObject().value(u"id")))
                        attenduesJustes << choix;
                }
                QCOMPARE(reponses, attendues);
                QCOMPARE(justes, attenduesJustes);
            }
            if (item.contains(u"answers")) {
                QStringList attendues;
                for (const QJsonValue &a : item.value(u"answers").toArray())
                    attendues << Simple(a.toString());
                QCOMPARE(reponses, attendues);
            }
            if (item.contains(u"pairs")) {
                QStringList attendues;
                for (const QJsonValue &p : item.value(u"pairs").toArray())
                    attendues << Simple(p.toArray().at(0).toString()) + u'>' + Simple(p.toArray().at(1).toString());
                QCOMPARE(paires, attendues);
            }
        }
        while (carte < f->NombreFiches() && f->Fiches[size_t(carte)].Champ0().startsWith(u'%'))
            ++carte;
        QCOMPARE(carte, f->NombreFiches());
        QCOMPARE(Compte(rapport, Formats::Perte::Ignorees), ignores);
    }

    // A damaged or hostile package is refused whole, with a message.
    void refus_data()
    {
        QTest::addColumn<QByteArray>("octets");
        const auto f = Qcm({{"A", "(*description*) a", ""}, {"B", "(*description*) b", ""}});
        const auto bon = TFichierQti21::Fichiers(*f, nullptr);
        const QByteArray paquet = Zipper(bon);
        const auto remplacer = [&bon](const QString &chemin, const QByteArray &octets) {
            auto copie = bon;
            for (auto &e : copie) {
                if (e.first == chemin)
                    e.second = octets;
            }
            return Zipper(copie);
        };
        const auto sans = [&bon](const QString &chemin) {
            auto copie = bon;
            copie.erase(std::remove_if(copie.begin(), copie.end(), [&](const auto &e) { return e.first == chemin; }),
                        copie.end());
            return Zipper(copie);
        };
        QTest::newRow("cut short") << paquet.left(paquet.size() / 2);
        QTest::newRow("not a zip") << QByteArray("PK\x03\x04 nothing else");
        QTest::newRow("no manifest") << sans(QStringLiteral("imsmanifest.xml"));
        QTest::newRow("item missing") << sans(QStringLiteral("items/item2.xml"));
        QTest::newRow("test missing") << sans(QStringLiteral("test.xml"));
        QTest::newRow("item not XML") << remplacer(QStringLiteral("items/item1.xml"), "<assessmentItem");
        QTest::newRow("item of another kind")
            << remplacer(QStringLiteral("items/item1.xml"), "<assessmentTest xmlns=\"imsqti_v2p1\"/>");
        QTest::newRow("entity bomb") << remplacer(
            QStringLiteral("items/item1.xml"),
            "<?xml version=\"1.0\"?><!DOCTYPE a [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">]>"
            "<assessmentItem xmlns=\"http://www.imsglobal.org/xsd/imsqti_v2p1\" title=\"&b;\"/>");
        QByteArray manifeste = bon.front().second;
        QTest::newRow("href leaving the package")
            << remplacer(QStringLiteral("imsmanifest.xml"),
                         QByteArray(manifeste).replace("href=\"items/item1.xml\"", "href=\"../../etc/passwd\""));
        QTest::newRow("absolute href") << remplacer(
            QStringLiteral("imsmanifest.xml"),
            QByteArray(manifeste).replace("href=\"test.xml\"", "href=\"/test.xml\""));
        QTest::newRow("no QTI resource") << remplacer(QStringLiteral("imsmanifest.xml"),
                                                      QByteArray(manifeste)
                                                          .replace("imsqti_item_xmlv2p1", "webcontent")
                                                          .replace("imsqti_test_xmlv2p1", "webcontent"));
        // A huge entry that compresses to almost nothing.
        auto bombe = bon;
        bombe.emplace_back(QStringLiteral("items/item1.xml"), QByteArray(300 * 1024 * 1024, ' '));
        bombe.erase(bombe.begin() + 2);
        QTest::newRow("bomb") << Zipper(bombe);
    }

    void refus()
    {
        QFETCH(QByteArray, octets);
        Formats::Rapport rapport;
        TBudgetMemoire::InjecterPlancher(16 * 1024 * 1024);
        bool refuse = false;
        try {
            TFichierQti21::LirePaquet(octets, &rapport);
        } catch (const ErreurIdInvalide &e) {
            refuse = !QString::fromUtf8(e.what()).isEmpty();
        }
        TBudgetMemoire::InjecterPlancher(-1);
        QVERIFY(refuse);
    }

    // Among items parsed on several threads, the fault of the first one in
    // the package's order is the one told.
    void premierRefus_data()
    {
        QTest::addColumn<Remplacees>("items"); // item number: its bytes
        QTest::addColumn<QString>("message");  // a part of the message
        QTest::addColumn<QString>("absent");   // what the message must not hold
        const QByteArray autre = "<assessmentTest xmlns=\"imsqti_v2p1\"/>";
        QTest::newRow("malformed item near the end")
            << Remplacees{{37, "<assessmentItem"}} << "items/item37.xml" << QString();
        QTest::newRow("two malformed items") << Remplacees{{20, "<a"}, {21, "<b"}} << "items/item20.xml"
                                             << "item21";
        QTest::newRow("another kind, then a malformed item")
            << Remplacees{{12, autre}, {30, "<a"}} << "This is not a QTI 2.1 item."
            << "item30";
        QTest::newRow("malformed item, then another kind") << Remplacees{{12, "<a"}, {13, autre}} << "items/item12.xml"
                                                           << "not a QTI 2.1 item";
        QTest::newRow("huge item among many")
            << Remplacees{{25, "<assessmentItem title=\"" + QByteArray(40 << 20, 'x') + "\"/>"}} << "MB of memory"
            << "item25";
        // Small enough to be inflated, too many elements to be parsed.
        QTest::newRow("item past the budget among many")
            << Remplacees{{25, "<assessmentItem>" + QByteArray("<a/>").repeated(1 << 20) + "</assessmentItem>"}}
            << "MB of memory"
            << "item25";
    }

    void premierRefus()
    {
        QFETCH(Remplacees, items);
        QFETCH(QString, message);
        QFETCH(QString, absent);
        QList<QStringList> cartes;
        for (int i = 1; i <= 40; ++i)
            cartes << QStringList{QStringLiteral("Q%1").arg(i), "(*description*) text", ""};
        auto entrees = TFichierQti21::Fichiers(*Qcm(cartes), nullptr);
        for (auto &[chemin, octets] : entrees) {
            for (auto it = items.cbegin(); it != items.cend(); ++it) {
                if (chemin == QStringLiteral("items/item%1.xml").arg(it.key()))
                    octets = it.value();
            }
        }
        TBudgetMemoire::InjecterPlancher(16 * 1024 * 1024);
        QString lu;
        try {
            TFichierQti21::LirePaquet(Zipper(entrees), nullptr);
        } catch (const ErreurIdInvalide &e) {
            lu = e.message();
        }
        TBudgetMemoire::InjecterPlancher(-1);
        QVERIFY2(lu.contains(message), qPrintable(lu));
        QVERIFY2(absent.isEmpty() || !lu.contains(absent), qPrintable(lu));
    }

    void reconnaissance_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QChar>("format");
        const auto f = Qcm({{"A", "(*description*) a", ""}});
        const auto entrees = TFichierQti21::Fichiers(*f, nullptr);
        QTest::newRow("package") << Zipper(entrees) << "quiz.zip" << QChar(u'Q');
        QTest::newRow("package, other name") << Zipper(entrees) << "quiz.bin" << QChar(u'Q');
        QTest::newRow("item") << entrees.back().second << "item.xml" << QChar(u'Q');
        QTest::newRow("prefixed item") << QByteArray(
            "<?xml version=\"1.0\"?>\n<!-- made by hand -->\n<qti:assessmentItem "
            "xmlns:qti=\"http://www.imsglobal.org/xsd/imsqti_v2p1\" identifier=\"i\" title=\"t\"/>")
                                       << "item.xml" << QChar(u'Q');
        QTest::newRow("test alone") << QByteArray(
            "<assessmentTest xmlns=\"http://www.imsglobal.org/xsd/imsqti_v2p1\"/>")
                                    << "test.xml" << QChar(u'?');
        QTest::newRow("QTI 1.2") << QByteArray("<?xml version=\"1.0\"?><questestinterop><item/></questestinterop>")
                                 << "quiz.xml" << QChar(u'q');
        QTest::newRow("Moodle") << QByteArray("<?xml version=\"1.0\"?><quiz></quiz>") << "quiz.xml" << QChar(u'm');
        QTest::newRow("QTI 1.2 package") << Zipper(
            {{QStringLiteral("imsmanifest.xml"),
              QByteArray("<manifest><resources><resource type=\"imsqti_xmlv1p2\"/></resources></manifest>")}})
                                         << "cc.zip" << QChar(u'q');
        QTest::newRow("zip without manifest")
            << Zipper({{QStringLiteral("a.txt"), QByteArray("imsqti_item_xmlv2p1")}}) << "a.zip" << QChar(u'?');
    }

    void reconnaissance()
    {
        QFETCH(QByteArray, octets);
        QFETCH(QString, nom);
        QFETCH(QChar, format);
        const QString chemin = m_dossier.filePath(nom);
        QVERIFY(OutilsTest::EcrireFichier(chemin, octets));
        QCOMPARE(Formats::Reconnaitre(chemin, TOptions()), format);
    }

    // The grades move between percent and fractions digit for digit.
    void notes_data()
    {
        QTest::addColumn<QString>("pourcent");
        QTest::addColumn<QString>("fraction");
        QTest::addColumn<QString>("relue"); // the first answer read back
        QTest::newRow("full") << "100"
                              << "1"
                              << "(*) a";
        QTest::newRow("none") << "0"
                              << "0"
                              << "a";
        QTest::newRow("half") << "50"
                              << "0.5"
                              << "(*50*) a";
        QTest::newRow("third") << "33.33333"
                               << "0.3333333"
                               << "(*33.33333*) a";
        QTest::newRow("negative") << "-5"
                                  << "-0.05"
                                  << "(*-5*) a";
        QTest::newRow("tiny") << "0.001"
                              << "0.00001"
                              << "(*0.001*) a";
        QTest::newRow("above") << "150"
                               << "1.5"
                               << "(*150*) a";
        QTest::newRow("comma") << "12,5"
                               << "0.125"
                               << "(*12.5*) a";
        QTest::newRow("not a number") << "x"
                                      << "0"
                                      << "a";
    }

    void notes()
    {
        QFETCH(QString, pourcent);
        QFETCH(QString, fraction);
        QFETCH(QString, relue);
        const auto f = Qcm({{"N", "(*multichoice*) q", "(*" + pourcent + "*) a" + Sep + "(*) b" + Sep + "(*) c"}});
        const auto entrees = TFichierQti21::Fichiers(*f, nullptr);
        QVERIFY2(entrees.back().second.contains("mapKey=\"C1\" mappedValue=\"" + fraction.toLatin1() + "\""),
                 entrees.back().second.constData());
        const auto relu = TFichierQti21::LirePaquet(Zipper(entrees), nullptr);
        QCOMPARE(Cartes(*relu), QStringList{"N|(*multichoice*) q|" + relue + Sep + "(*) b" + Sep + "(*) c"});
    }
};

QTEST_GUILESS_MAIN(TestQti21)
#include "tst_qti21.moc"
