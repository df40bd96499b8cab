// Moodle XML quizzes: the writer's markup, the reader's card markup, the
// corpus of real Moodle exports, the save contract and the command-line tool.
#include "formats/documentxml.h"
#include "formats/formats.h"
#include "formats/quiz/moodle.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/outils.h"
#include "outilstest.h"
#include "support/questionsmoodle.h"

#include <QProcess>
#include <QtTest>

#include <functional>

using Preparer = std::function<void(TFichierX &)>;
Q_DECLARE_METATYPE(Preparer)

namespace {

QString U(const char *texte)
{
    return QString::fromUtf8(texte);
}

using namespace QuestionsMoodle;

std::unique_ptr<TFichierX> Fichier(QChar type, const QList<QStringList> &fiches)
{
    auto f = std::make_unique<TFichierX>(type, QChar(u'x'));
    for (const QStringList &c : fiches)
        f->AjouterFiche(c.value(0), c.value(1), c.value(2));
    return f;
}

QByteArray Quiz(const QByteArray &questions)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quiz>\n" + questions + "\n</quiz>\n";
}

QStringList Cartes(const TFichierX &f)
{
    QStringList lignes;
    for (const auto &c : f.Fiches)
        lignes << c.Champ0() + u'|' + c.Champ1() + u'|' + c.Champ2();
    return lignes;
}

// The options the writer is given.
TOptions g_options;

} // namespace

class TestMoodle : public QObject
{
    Q_OBJECT

    QTemporaryDir dossier;
    QString Chemin(const QString &nom) const { return dossier.filePath(nom); }

private slots:
    void initTestCase()
    {
        QVERIFY(dossier.isValid());
        OutilsTest::IsolerParametres(dossier);
    }
    void init() { g_options = TOptions(); }

    void ecriture_data();
    void ecriture();
    void miseEnPage();
    void textesSpeciaux();
    void echappement_data();
    void echappement();
    void categories_data();
    void categories();
    void lecture_data();
    void lecture();
    void refus_data();
    void refus();
    void corpus_data();
    void corpus();
    void enregistrement();
};

void TestMoodle::ecriture_data()
{
    QTest::addColumn<QChar>("type");
    QTest::addColumn<Preparer>("preparer");
    QTest::addColumn<QStringList>("carte");
    QTest::addColumn<QString>("attendu");
    const Preparer rien = [](TFichierX &) {};
    const QString sep = QStringLiteral("\r\n===\r\n");

    QTest::newRow("single choice")
        << QChar(u'M') << rien
        << QStringList{U("Capitals"), U("Capital of France?"), U("(*) Paris") + sep + U("London") + sep + U("Berlin")}
        << U("type=multichoice|name=Capitals|questiontext=Capital of France?|answer[100]=Paris|answer[0]=London"
             "|answer[0]=Berlin|single=true|answernumbering=none|shuffleanswers=true");
    QTest::newRow("singlechoice whatever the grades")
        << QChar(u'M') << rien << QStringList{U("T"), U("(*singlechoice*) Pick"), U("(*) A") + sep + U("(*) B")}
        << U("type=multichoice|name=T|questiontext=Pick|answer[100]=A|answer[100]=B"
             "|single=true|answernumbering=none|shuffleanswers=true");
    // A kind Moodle names after multiple choice is written as one; a name
    // the program does not know (spelt otherwise) goes out as it came.
    QTest::newRow("multichoiceset") << QChar(u'M') << rien
                                    << QStringList{U("T"), U("(*multichoiceset*) Pick"), U("(*) A") + sep + U("B")}
                                    << U("type=multichoiceset|name=T|questiontext=Pick|answer[100]=A|answer[0]=B"
                                         "|single=false|answernumbering=none|shuffleanswers=true");
    QTest::newRow("type name in other case")
        << QChar(u'M') << rien << QStringList{U("T"), U("(*Numerical*) Q"), U("3.14 cm")}
        << U("type=Numerical|name=T|questiontext=Q|answer[0]=3.14 cm");
    QTest::newRow("comma, empty and negative grades")
        << QChar(u'M') << rien
        << QStringList{U("T"), U("Q"), U("(*33,3*) A") + sep + U("(*  *) B") + sep + U("(*-25*) C")}
        << U("type=multichoice|name=T|questiontext=Q|answer[33.3]=A|answer[100]=B|answer[-25]=C"
             "|single=false|answernumbering=none|shuffleanswers=true");
    // Up to two characters before a marker are dropped; further in, the text
    // around it is joined.
    QTest::newRow("marker inside the answer")
        << QChar(u'M') << rien << QStringList{U("T"), U("Q"), U("- (*) Lyon") + sep + U("Paris (*50*)city")}
        << U("type=multichoice|name=T|questiontext=Q|answer[100]=Lyon|answer[50]=Paris city"
             "|single=false|answernumbering=none|shuffleanswers=true");
    QTest::newRow("truefalse") << QChar(u'M') << rien << QStringList{U("T"), U("Q"), U("(*) untrue") + sep + U("false")}
                               << U("type=truefalse|name=T|questiontext=Q|answer[100]=untrue|answer[0]=false");
    QTest::newRow("questionnaire shortanswer")
        << QChar(u'Q') << rien << QStringList{U("Capitals"), U("Capital of France?"), U("Paris;paris")}
        << U("type=shortanswer|name=Capitals|questiontext=Capital of France?|answer[100]=Paris|answer[100]=paris");
    QTest::newRow("empty separator takes mcqor")
        << QChar(u'Q') << Preparer([](TFichierX &f) { f.Fragmenteur.clear(); })
        << QStringList{U("T"), U("Q"), U("a;b") + sep + U("c")}
        << U("type=shortanswer|name=T|questiontext=Q|answer[100]=a;b|answer[100]=c");
    QTest::newRow("matching drops half pairs")
        << QChar(u'M') << rien
        << QStringList{U("T"), U("Q"), U("France :: Paris") + sep + U("Italy") + sep + U("Spain::Madrid")}
        << U("type=matching|name=T|questiontext=Q|subquestion=France>Paris|subquestion=Spain>Madrid"
             "|shuffleanswers=true");
    QTest::newRow("cloze") << QChar(u'M') << rien << QStringList{U("T"), U("The capital is (: Paris :)."), QString()}
                           << U("type=cloze|name=T|questiontext=The capital is {:SA:= Paris }.");
    QTest::newRow("numerical with unit and tolerance")
        << QChar(u'M') << rien
        << QStringList{U("T"), U("(*numerical*) Length?"),
                       U("3,14 cm") + sep + U("(*50*) 10.125") + sep + U("(*10*) 1.5E3") + sep + U("(*5*) 3 m")}
        << U("type=numerical|name=T|questiontext=Length?|units=cm|answer[100]=3.14~0.5E-2"
             "|answer[50]=10.125~0.5E-3|answer[10]=1.5E3|answer[5]=3");
    QTest::newRow("feedback is no answer")
        << QChar(u'M') << rien << QStringList{U("T"), U("Q"), U("(*) A") + sep + U("B") + sep + U("(/ Well done /)")}
        << U("type=multichoice|name=T|questiontext=Q|answer[100]=A|answer[0]=B|generalfeedback=Well done"
             "|single=true|answernumbering=none|shuffleanswers=true");
    QTest::newRow("essay template")
        << QChar(u'M') << rien
        << QStringList{U("T"), U("(*essay*) Write"), U("Dear Sir,\r\nYours") + sep + U("(/\r\nNice\r\n/)")}
        << U("type=essay|name=T|questiontext=Write|responsetemplate=Dear Sir,\nYours|generalfeedback=Nice");
    QTest::newRow("empty answer") << QChar(u'M') << rien << QStringList{U("Name"), U("Question"), QString()}
                                  << U("type=shortanswer|name=Name|questiontext=Question");
    QTest::newRow("category by marker") << QChar(u'M') << rien << QStringList{U("Geo"), U("(*category*)"), U("ignored")}
                                        << U("type=category|category=Geo");
    QTest::newRow("format from mcqfrm")
        << QChar(u'M') << Preparer([](TFichierX &) { g_options.formatMoodle = QStringLiteral("html"); })
        << QStringList{U("T"), U("Q"), U("(*) A") + sep + U("(/ F /)")}
        << U("type=multichoice|name=T|questiontext{html}=Q|answer{html}[100]=A|generalfeedback{html}=F"
             "|single=true|answernumbering=none|shuffleanswers=true");
    QTest::newRow("markup follows the options")
        << QChar(u'M') << Preparer([](TFichierX &f) {
               f.SetCommentaire(u'[');
               f.SetTroncature(u'^');
               f.SetAlternateur(u'|');
           })
        << QStringList{U("T"), U("Q"), U("[^] A") + sep + U("(*) B") + sep + U("[| F |]")}
        << U("type=multichoice|name=T|questiontext=Q|answer[100]=A|answer[0]=(*) B|generalfeedback=F"
             "|single=true|answernumbering=none|shuffleanswers=true");
    QTest::newRow("markup off") << QChar(u'M') << Preparer([](TFichierX &f) {
        f.SetCommentaire(u' ');
    }) << QStringList{U("T"), U("(*multichoice*) Q (: x :)"), U("(*) A") + sep + U("B :: C") + sep + U("(/ F /)")}
                                << U("type=shortanswer|name=T|questiontext=(*multichoice*) Q (: x :)|answer[100]=(*) A"
                                     "|answer[100]=B :: C|answer[100]=(/ F /)");
}

void TestMoodle::ecriture()
{
    QFETCH(QChar, type);
    QFETCH(Preparer, preparer);
    QFETCH(QStringList, carte);
    QFETCH(QString, attendu);
    auto f = Fichier(type, {});
    preparer(*f);
    f->AjouterFiche(carte.at(0), carte.at(1), carte.at(2));
    QCOMPARE(Questions(TFichierMoodle::EcrireMoodle(*f, g_options)), QStringList{attendu});
}

// The line layout and the attributes, byte for byte.
void TestMoodle::miseEnPage()
{
    g_options.formatMoodle = QStringLiteral("html");
    auto f = Fichier(
        u'M', {{U("%$course$/Geo")}, {U("Pi"), U("(*numerical*) Pi?"), U("3.14 u")}, {U("Cap"), U("Q"), U("(*) A")}});
    const QByteArray attendu
        = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
          "<quiz>\r\n"
          "<question type=\"category\">\r\n"
          "<category>\r\n<text>$course$/Geo</text>\r\n</category>\r\n"
          "</question>\r\n"
          "\r\n"
          "<question type=\"numerical\">\r\n"
          "<name>\r\n<text>Pi</text>\r\n</name>\r\n"
          "<questiontext format=\"html\">\r\n<text>Pi?</text>\r\n</questiontext>\r\n"
          "<units><unit><unit_name>u</unit_name></unit></units>\r\n"
          "<answer fraction=\"100\">\r\n<text>3.14</text>\r\n<tolerance>0.5E-2</tolerance>\r\n</answer>\r\n"
          "</question>\r\n"
          "\r\n"
          "<question type=\"multichoice\">\r\n"
          "<name>\r\n<text>Cap</text>\r\n</name>\r\n"
          "<questiontext format=\"html\">\r\n<text>Q</text>\r\n</questiontext>\r\n"
          "<answer format=\"html\" fraction=\"100\">\r\n<text>A</text>\r\n</answer>\r\n"
          "<single>true</single>\r\n"
          "<answernumbering>none</answernumbering>\r\n"
          "<shuffleanswers>true</shuffleanswers>\r\n"
          "</question>\r\n"
          "</quiz>\r\n";
    QCOMPARE(TFichierMoodle::EcrireMoodle(*f, g_options), attendu);

    // No cards: an empty quiz, still a Moodle document.
    const QByteArray vide = TFichierMoodle::EcrireMoodle(*Fichier(u'M', {}), g_options);
    QCOMPARE(Questions(vide), QStringList());
    QCOMPARE(TFichierMoodle::LireMoodle(vide)->NombreFiches(), 0);
}

// Texts with markup characters go into CDATA, "]]>" included, and come back
// whole; plain texts stay plain.
void TestMoodle::textesSpeciaux()
{
    const QString dur = U("<b>Tom & Jerry</b> ]]> é\r\nnext");
    auto f = Fichier(u'M', {{U("Plain"), dur, U("(*) x > y") + U("\r\n===\r\n") + U("ok ]]]>")}});
    const QByteArray octets = TFichierMoodle::EcrireMoodle(*f, g_options);
    QVERIFY(octets.contains("<text>Plain</text>"));
    QVERIFY(octets.contains("<![CDATA[<b>Tom & Jerry</b> ]]"));
    QVERIFY(octets.contains("<text><![CDATA[x > y]]></text>"));
    QVERIFY(octets.contains(QString(U("é")).toUtf8()));
    QCOMPARE(Questions(octets).size(), 1);
    auto relu = TFichierMoodle::LireMoodle(octets);
    QCOMPARE(relu->Fiche(0).Champ1(), U("(*singlechoice*) ") + dur);
    QCOMPARE(relu->Fiche(0).Champ2(), U("(*) x > y\r\n===\r\nok ]]]>"));
}

// Each text is written escaped for its place: characters XML 1.0 cannot hold
// are left out (and only they), "]]>" never ends a CDATA section early, and
// attribute values keep their quotes, tabs and line breaks.
void TestMoodle::echappement_data()
{
    QTest::addColumn<QString>("titre");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("reponse");
    QTest::addColumn<QByteArray>("attendu");
    QTest::addColumn<QString>("relu");

    QTest::newRow("controls") << U("a\x01"
                                   "b\x0b"
                                   "c\x1f"
                                   "d\te\r\nf")
                              << QString() << U("x") << QByteArray("<text>abcd\te\r\nf</text>") << U("abcd\te\nf");
    // A NUL is one more forbidden character: what follows it stays.
    QTest::newRow("nul") << (U("a") + QChar(0) + U("b")) << QString() << U("x") << QByteArray("<text>ab</text>")
                         << U("ab");
    QTest::newRow("non-characters") << U("a\uFFFE\uFFFF\uFFFDb") << QString() << U("x")
                                    << QByteArray("<text>a\xEF\xBF\xBD"
                                                  "b</text>")
                                    << U("a\uFFFDb");
    QTest::newRow("beyond BMP") << U("\u00e9\u20ac\U0001F600") << QString() << U("x")
                                << QByteArray("<text>\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80</text>")
                                << U("\u00e9\u20ac\U0001F600");
    QTest::newRow("lone surrogates") << (U("a") + QChar(0xD800) + U("b") + QChar(0xDC00)) << QString() << U("x")
                                     << QByteArray("<text>a?b?</text>") << U("a?b?");
    QTest::newRow("cdata") << U("<i>a]]>b]]]>>c</i>") << QString() << U("x")
                           << QByteArray("<text><![CDATA[<i>a]]]]><![CDATA[>b]]]]]><![CDATA[>>c</i>]]></text>")
                           << U("<i>a]]>b]]]>>c</i>");
    // A left-out character between "]]" and ">" still makes a "]]>".
    QTest::newRow("cdata split after dropping")
        << U("&]]\x01>") << QString() << U("x") << QByteArray("<![CDATA[&]]]]><![CDATA[>]]>") << U("&]]>");
    QTest::newRow("attribute") << U("T") << U("a\"b&c<d>e\tf\r\ng\x01h") << U("x")
                               << QByteArray("format=\"a&quot;b&amp;c&lt;d&gt;e&#9;f&#13;&#10;gh\"") << U("T");
    QTest::newRow("element value") << U("T") << QString() << U("(*numerical*)3 m&<s>")
                                   << QByteArray("<unit_name>m&amp;&lt;s&gt;</unit_name>") << U("T");
}

void TestMoodle::echappement()
{
    QFETCH(QString, titre);
    QFETCH(QString, format);
    QFETCH(QString, reponse);
    QFETCH(QByteArray, attendu);
    QFETCH(QString, relu);
    g_options.formatMoodle = format;
    const bool numerique = reponse.startsWith(U("(*numerical*)"));
    auto f = Fichier(u'M', {{titre, numerique ? U("(*numerical*) Q") : U("Q"), numerique ? reponse.mid(13) : reponse}});
    const QByteArray octets = TFichierMoodle::EcrireMoodle(*f, g_options);
    QVERIFY2(octets.contains(attendu), octets.constData());
    TDocumentXml doc;
    QVERIFY2(doc.Charger(octets), qPrintable(doc.MessageErreur()));
    const TNoeudXml question = doc.Racine().Enfant(QStringLiteral("question"));
    QCOMPARE(TexteDe(question.Enfant(QStringLiteral("name"))), relu);
    if (!format.isEmpty()) {
        QString formatRelu = format;
        formatRelu.remove(QChar(1));
        QCOMPARE(question.Enfant(QStringLiteral("questiontext")).Attribut(QStringLiteral("format")), formatRelu);
    }
}

void TestMoodle::categories_data()
{
    QTest::addColumn<QStringList>("chemins");
    QTest::addColumn<QStringList>("titres");
    QTest::newRow("siblings and parents")
        << QStringList{U("$course$/Geo/Europe"), U("$course$/Geo/Asia"), U("$course$/History"), U("$course$/History")}
        << QStringList{U("% $course$/Geo/Europe"), U("% //Asia"), U("% /History"), U("% /History")};
    QTest::newRow("child of the previous")
        << QStringList{U("$course$/Iota"), U("$course$/Iota/Kappa"), U("$course$/Iota/Kappa/Lambda"),
                       U("$course$/Iota/Mu")}
        << QStringList{U("% $course$/Iota"), U("% //Kappa"), U("% ///Lambda"), U("% //Mu")};
    // A name that only begins like the previous one is not the same category.
    QTest::newRow("prefix of a name") << QStringList{U("$course$/Geology"), U("$course$/Geo/Asia"), U("$system$/Other")}
                                      << QStringList{U("% $course$/Geology"), U("% /Geo/Asia"), U("% $system$/Other")};
    QTest::newRow("empty segment") << QStringList{U("a/b"), U("a//c"), U("a/b/")}
                                   << QStringList{U("% a/b"), U("% a//c"), U("% /b/")};
}

// Moodle paths become short relative titles and are resolved back.
void TestMoodle::categories()
{
    QFETCH(QStringList, chemins);
    QFETCH(QStringList, titres);
    QByteArray questions;
    for (const QString &c : chemins)
        questions += "<question type=\"category\"><category><text>" + c.toUtf8() + "</text></category></question>\n";
    auto f = TFichierMoodle::LireMoodle(Quiz(questions));
    QStringList lus;
    for (const auto &c : f->Fiches) {
        lus << c.Champ0();
        QCOMPARE(c.Champ1(), U("(*category*) "));
    }
    QCOMPARE(lus, titres);
    QStringList ecrits;
    for (const QString &q : Questions(TFichierMoodle::EcrireMoodle(*f, g_options)))
        ecrits << q.section(QStringLiteral("|category="), 1);
    QCOMPARE(ecrits, chemins);
}

void TestMoodle::lecture_data()
{
    QTest::addColumn<QByteArray>("question");
    QTest::addColumn<QStringList>("carte");
    const QString sep = QStringLiteral("\r\n===\r\n");
    const QByteArray capitals
        = "<name><text>Capitals</text></name><questiontext format=\"html\"><text>Capital of "
          "France?</text></questiontext>"
          "<answer fraction=\"100\"><text>Paris</text><feedback><text>Yes</text></feedback></answer>"
          "<answer fraction=\"0\"><text>London</text></answer>"
          "<answer fraction=\"0\"><text>Berlin</text></answer>";
    QTest::newRow("single choice") << "<question type=\"multichoice\">" + capitals + "<single>true</single></question>"
                                   << QStringList{U("Capitals"), U("(*singlechoice*) Capital of France?"),
                                                  U("(*) Paris") + sep + U("London") + sep + U("Berlin")};
    QTest::newRow("shortanswer") << QByteArray(
        "<question type=\"shortanswer\"><name><text>S</text></name><questiontext><text>Q</text></questiontext>"
        "<answer fraction=\"100\"><text>Paris</text></answer><answer fraction=\"50\"><text>paris</text></answer>"
        "<answer fraction=\"0\"><text>*</text></answer></question>")
                                 << QStringList{U("S"), U("(*shortanswer*) Q"),
                                                U("Paris") + sep + U("(*50*) paris") + sep + U("(*0*) *")};
    QTest::newRow("numerical unit") << QByteArray(
        "<question type=\"numerical\"><name><text>N</text></name><questiontext><text>Q</text></questiontext>"
        "<answer fraction=\"100\"><text>3.14</text><tolerance>0.01</tolerance></answer>"
        "<answer fraction=\"50\"><text>3</text></answer>"
        "<units><unit><multiplier>1</multiplier><unit_name>cm</unit_name></unit>"
        "<unit><unit_name>mm</unit_name></unit></units></question>")
                                    << QStringList{U("N"), U("(*numerical*) Q"), U("3.14 cm") + sep + U("(*50*) 3 cm")};
    QTest::newRow("matching") << QByteArray(
        "<question type=\"matching\"><name><text>M</text></name><questiontext><text>Q</text></questiontext>"
        "<subquestion><text>France</text><answer><text>Paris</text></answer></subquestion>"
        "<subquestion><text>Spain</text><answer><text>Madrid</text></answer></subquestion>"
        "<subquestion><text>Lone</text></subquestion></question>")
                              << QStringList{U("M"), U("(*matching*) Q"),
                                             U("France :: Paris") + sep + U("Spain :: Madrid") + sep + U("Lone")};
    QTest::newRow("essay with feedback") << QByteArray(
        "<question type=\"essay\"><name><text>E</text></name><questiontext><text>Q</text></questiontext>"
        "<answer fraction=\"0\"><text>ignored</text></answer>"
        "<generalfeedback><text>Well done</text></generalfeedback>"
        "<responsetemplate><text>Dear</text></responsetemplate></question>")
                                         << QStringList{U("E"), U("(*essay*) Q"),
                                                        U("Dear") + sep + U("(/\r\nWell done\r\n/)")};
    QTest::newRow("essay, feedback alone")
        << QByteArray("<question type=\"essay\"><name><text>E</text></name>"
                      "<generalfeedback><text>Well done</text></generalfeedback></question>")
        << QStringList{U("E"), U("(*essay*) "), U("(/\r\nWell done\r\n/)")};
    QTest::newRow("empty type, no missing grade")
        << QByteArray("<question type=\"\"><name><text>X</text></name><questiontext><text>Q</text></questiontext>"
                      "<answer fraction=\"0\"><text>A</text></answer><answer><text>B</text></answer>"
                      "<answer fraction=\"100\"><text>C</text></answer><answer fraction=\"\"><text>D</text></answer>"
                      "</question>")
        << QStringList{U("X"), U("Q"), U("A") + sep + U("B") + sep + U("(*) C") + sep + U("(**) D")};
    QTest::newRow("empty answers") << QByteArray(
        "<question type=\"truefalse\"><name><text>T</text></name><questiontext><text>Q</text></questiontext>"
        "<answer fraction=\"0\"><text></text></answer><answer fraction=\"0\"/>"
        "<answer fraction=\"100\"><text>true</text></answer><answer fraction=\"0\"><text/></answer>"
        "<answer fraction=\"0\"><text>false</text></answer></question>")
                                   << QStringList{U("T"), U("(*truefalse*) Q"), U("(*) true") + sep + sep + U("false")};
    QTest::newRow("line breaks and html")
        << QByteArray("<question type=\"cloze\"><name><text>C</text></name><questiontext format=\"html\">"
                      "<text><![CDATA[<p>One\r\ntwo\rthree</p>]]>&amp;\nfour</text></questiontext></question>")
        << QStringList{U("C"), U("(*cloze*) <p>One\r\ntwo\r\nthree</p>&\r\nfour"), QString()};
    QTest::newRow("unknown type, elements missing")
        << QByteArray("<question type=\"ddwtos\"><hint><text>h</text></hint></question>")
        << QStringList{QString(), U("(*ddwtos*) "), QString()};
}

void TestMoodle::lecture()
{
    QFETCH(QByteArray, question);
    QFETCH(QStringList, carte);
    auto f = TFichierMoodle::LireMoodle(Quiz(question));
    QCOMPARE(f->TypeFichier, QChar(u'M'));
    QCOMPARE(f->FormatFichier, QChar(u'm'));
    QVERIFY(!f->Modifie);
    QCOMPARE(Cartes(*f), QStringList{carte.join(u'|')});
}

void TestMoodle::refus_data()
{
    QTest::addColumn<QByteArray>("octets");
    QTest::addColumn<QString>("message");
    const QString code = U("Error in writing XML code!");
    const QString pasMoodle = U("Not a valid Moodle file!");
    // libxml2's own messages follow the refusal (never on standard error).
    QTest::newRow("empty") << QByteArray() << code + U("\nXML parser, line 1: Document is empty");
    QTest::newRow("truncated") << Quiz("<question type=\"essay\"><name><text>E</text></name></question>").left(70)
                               << code
            + U("\nXML parser, line 3: StartTag: invalid element name\n"
                "XML parser, line 3: Premature end of data in tag question line 3");
    QTest::newRow("bad UTF-8") << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><quiz>\xff\xfe</quiz>")
                               << code
            + U("\nXML parser, line 1: Input is not proper UTF-8, indicate encoding ! Bytes: 0xFF 0xFE 0x3C 0x2F");
    QTest::newRow("other root") << QByteArray("<?xml version=\"1.0\"?><AMBLORINE/>") << pasMoodle;
    QTest::newRow("root in capitals") << QByteArray("<?xml version=\"1.0\"?><Quiz></Quiz>") << pasMoodle;
    QTest::newRow("question without type")
        << Quiz("<question type=\"category\"><category><text>a</text></category></question>"
                "<question><name><text>N</text></name></question>")
        << U("Question 2 of the quiz has no \"type\" attribute!");
}

void TestMoodle::refus()
{
    QFETCH(QByteArray, octets);
    QFETCH(QString, message);
    try {
        TFichierMoodle::LireMoodle(octets);
        QFAIL("accepted");
    } catch (const ErreurIdInvalide &e) {
        QCOMPARE(e.message(), message);
    }
    // Through the file: refused as well, and the file is free again.
    const QString nom = Chemin(QStringLiteral("refus.xml"));
    QVERIFY(OutilsTest::EcrireFichier(nom, octets));
    QVERIFY_THROWS_EXCEPTION(ErreurIdInvalide, TFichierMoodle::ChargerMoodle(nom, true));
    QVERIFY(TFlux::Ouvrir(nom, true));
}

void TestMoodle::corpus_data()
{
    QTest::addColumn<QString>("nom");
    QTest::addColumn<int>("fiches");
    const QDir dossierCorpus(OutilsTest::DonneesTest(QStringLiteral("moodle")));
    const QMap<QString, int> attendus{
        {QStringLiteral("qformat_multianswer__multianswer-all-types.xml"), 1},
        {QStringLiteral("qformat_xml__multichoice.xml"), 2},
        {QStringLiteral("qformat_xml__nested_categories_with_questions.xml"), 9},
        {QStringLiteral("qtype_match__testquestion.moodle.xml"), 2},
        {QStringLiteral("qtype_multichoice__testquestion.moodle.xml"), 2},
        {QStringLiteral("qtype_numerical__testquestion.moodle.xml"), 2},
        {QStringLiteral("qtype_shortanswer__testquestion.moodle.xml"), 2},
    };
    // A missing file fails its own row, naming it; a file nobody expects fails too.
    const QStringList presents = dossierCorpus.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
    for (const QString &present : presents)
        if (!attendus.contains(present))
            QTest::newRow(qPrintable(present)) << dossierCorpus.filePath(present) << -1;
    for (auto i = attendus.cbegin(); i != attendus.cend(); ++i)
        QTest::newRow(qPrintable(i.key())) << dossierCorpus.filePath(i.key()) << i.value();
}

// Each real export opens, and writing it again gives the same questions,
// names, texts, answers and fractions; reading that gives the same cards.
void TestMoodle::corpus()
{
    QFETCH(QString, nom);
    QFETCH(int, fiches);
    QVERIFY2(QFile::exists(nom), qPrintable(QStringLiteral("missing test data: ") + nom));
    QVERIFY2(fiches >= 0, qPrintable(QStringLiteral("unexpected test data: ") + nom));
    auto f = TFichierMoodle::ChargerMoodle(nom, false);
    QCOMPARE(f->NombreFiches(), fiches);
    QCOMPARE(f->FormatFichier, QChar(u'm'));
    QCOMPARE(f->NomFichier, nom);
    QVERIFY(!f->Modifiable);

    TDocumentXml original;
    QVERIFY(original.Charger(OutilsTest::LireFichier(nom)));
    const QByteArray ecrit = TFichierMoodle::EcrireMoodle(*f, g_options);
    TDocumentXml copie;
    QVERIFY2(copie.Charger(ecrit), qPrintable(copie.MessageErreur()));

    // What the cards hold, element by element; the rest may go.
    const auto essentiel = [](const TNoeudXml &q) {
        const auto texte = [](const TNoeudXml &e) { return TexteDe(e).trimmed(); };
        QStringList l{q.Attribut(QStringLiteral("type")),
                      texte(q.Enfant(QStringLiteral("name"))),
                      texte(q.Enfant(QStringLiteral("questiontext"))),
                      texte(q.Enfant(QStringLiteral("generalfeedback"))),
                      texte(q.Enfant(QStringLiteral("category"))),
                      texte(q.Enfant(QStringLiteral("responsetemplate")))};
        if (q.Attribut(QStringLiteral("type")) == QLatin1String("multichoice"))
            l << q.Enfant(QStringLiteral("single")).Texte();
        for (const TNoeudXml &a : q.Enfants(QStringLiteral("answer")))
            l << a.Attribut(QStringLiteral("fraction")) + u':' + texte(a);
        for (const TNoeudXml &s : q.Enfants(QStringLiteral("subquestion")))
            l << texte(s) + u'>' + texte(s.Enfant(QStringLiteral("answer")));
        return l.join(u'|');
    };
    QStringList avant;
    for (const TNoeudXml &q : original.Racine().Enfants(QStringLiteral("question")))
        avant << essentiel(q);
    QStringList apres;
    for (const TNoeudXml &q : copie.Racine().Enfants(QStringLiteral("question")))
        apres << essentiel(q);
    QCOMPARE(apres, avant);

    auto relu = TFichierMoodle::LireMoodle(ecrit);
    QCOMPARE(Cartes(*relu), Cartes(*f));
}

void TestMoodle::enregistrement()
{
    // Saving an MCQ file makes it the Moodle document.
    const QString qcm = Chemin(QStringLiteral("qcm.xml"));
    auto f = Fichier(u'M', {{U("Capitals"), U("Capital?"), U("(*) Paris\r\n===\r\nRome")}});
    TFichierMoodle::EnregistrerMoodle(*f, qcm, true);
    QCOMPARE(f->FormatFichier, QChar(u'm'));
    QCOMPARE(f->NomFichier, qcm);
    QVERIFY(!f->Modifie);
    QVERIFY(f->Flux);
    QCOMPARE(OutilsTest::LireFichier(qcm), TFichierMoodle::EcrireMoodle(*f, g_options));
    QCOMPARE(ReconnaitreFormatTete(OutilsTest::LireFichier(qcm), qcm, TOptions()), QChar(u'm'));

    // Then saved again in place.
    f->AjouterFiche(U("Second"), U("Q2"), U("A2"));
    TFichierMoodle::EnregistrerMoodle(*f, qcm, false);
    QVERIFY(!f->Modifie);
    f.reset(); // lets the file go
    auto g = TFichierMoodle::ChargerMoodle(qcm, false);
    QCOMPARE(g->NombreFiches(), 2);
    QCOMPARE(g->Fiche(0).Champ1(), U("(*singlechoice*) Capital?"));
    QCOMPARE(g->Fiche(1).Champ2(), U("A2"));

    // A Questionnaire is exported and stays the document it was.
    auto q = Fichier(u'Q', {{U("Capitals"), U("Capital?"), U("Paris;paris")}});
    q->NomFichier = Chemin(QStringLiteral("questions.xaqq"));
    const QString export_ = Chemin(QStringLiteral("export.xml"));
    TFichierMoodle::EnregistrerMoodle(*q, export_, true);
    QCOMPARE(q->FormatFichier, QChar(u'x'));
    QCOMPARE(q->NomFichier, Chemin(QStringLiteral("questions.xaqq")));
    QVERIFY(q->Modifie);
    QVERIFY(!q->Flux);
    QCOMPARE(
        Questions(OutilsTest::LireFichier(export_)),
        QStringList{U("type=shortanswer|name=Capitals|questiontext=Capital?|answer[100]=Paris|answer[100]=paris")});
    QVERIFY(TFlux::Ouvrir(export_, true)); // closed after writing
}

QTEST_GUILESS_MAIN(TestMoodle)
#include "tst_moodle.moc"
