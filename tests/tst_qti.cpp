// QTI 1.2 (Canvas's packages and bare questestinterop documents) and Common
// Cartridge 1.1: the real files of Canvas, D2L, Respondus and text2qti to
// their cards and losses, each card shape out and back, the structure
// Canvas's importer reads, refusals of damaged and hostile packages, and
// recognition.
#include "outilstest.h"

#include "formats/formats.h"
#include "formats/pertes.h"
#include "formats/qti/qti12.h"
#include "formats/zip.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"

#include "schemaxsd.h"

#include <QtTest>

#include <zip.h>

namespace {

QStringList Cartes(const TFichierX &f)
{
    QStringList cartes;
    for (const auto &fiche : f.Fiches)
        cartes << fiche.Champ0() + u'|' + fiche.Champ1() + u'|' + fiche.Champ2();
    return cartes;
}

const QString Sep = QStringLiteral("\r\n===\r\n");

// Counts of a report: left out, approximated, feedbacks, media.
QList<int> Comptes(const Formats::Rapport &r)
{
    QList<int> n;
    for (Formats::Perte::Genre g :
         {Formats::Perte::Ignorees, Formats::Perte::Approchees, Formats::Perte::Retroactions, Formats::Perte::Medias}) {
        const Formats::Perte *p = r.De(g);
        n << int(p ? p->nombre : 0);
    }
    return n;
}

// The entries of a zip, by name.
QMap<QString, QByteArray> Entrees(const QByteArray &zip)
{
    TBudgetMemoire budget(zip.size());
    const Zip::TLecture archive(zip, budget, QStringLiteral("zip?"), QStringLiteral("damaged"));
    QMap<QString, QByteArray> entrees;
    for (qint64 i = 0; i < archive.Nombre(); ++i)
        entrees.insert(archive.Nom(i), archive.Lire(i));
    return entrees;
}

// A zip as libzip writes it with its own compression, at that level.
QByteArray ParLibzip(const std::vector<std::pair<QString, QByteArray>> &entrees, int niveau)
{
    zip_source_t *tampon = zip_source_buffer_create(nullptr, 0, 0, nullptr);
    zip_t *archive = zip_open_from_source(tampon, ZIP_TRUNCATE, nullptr);
    zip_source_keep(tampon);
    for (const auto &[nom, octets] : entrees) {
        const zip_int64_t index = zip_file_add(
            archive, nom.toUtf8().constData(),
            zip_source_buffer(archive, octets.constData(), zip_uint64_t(octets.size()), 0), ZIP_FL_ENC_UTF_8);
        zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, zip_uint32_t(niveau));
    }
    zip_close(archive);
    zip_stat_t etat;
    zip_source_stat(tampon, &etat);
    QByteArray zip(qsizetype(etat.size), Qt::Uninitialized);
    zip_source_open(tampon);
    zip_source_read(tampon, zip.data(), etat.size);
    zip_source_close(tampon);
    zip_source_free(tampon);
    return zip;
}

// Every entry's central and local headers, with what differs between two
// deflaters of the same bytes zeroed: time and date (from the clock), the
// compressed size and the local header's offset.
QByteArrayList Entetes(const QByteArray &zip)
{
    const auto mot = [&zip](qsizetype i) { return qFromLittleEndian<quint16>(zip.constData() + i); };
    const auto long32 = [&zip](qsizetype i) { return qFromLittleEndian<quint32>(zip.constData() + i); };
    const auto zero = [](QByteArray &b, qsizetype i, qsizetype n) { std::fill_n(b.data() + i, n, '\0'); };
    QByteArrayList entetes;
    const qsizetype fin = zip.lastIndexOf("PK\x05\x06");
    if (fin < 0)
        return entetes;
    qsizetype p = long32(fin + 16);
    for (quint16 n = mot(fin + 10); n > 0 && p + 46 <= zip.size() && zip.mid(p, 4) == "PK\x01\x02"; --n) {
        const qsizetype taille = 46 + mot(p + 28) + mot(p + 30) + mot(p + 32);
        QByteArray centrale = zip.mid(p, taille);
        zero(centrale, 12, 4);
        zero(centrale, 20, 4);
        zero(centrale, 42, 4);
        const qsizetype local = long32(p + 42);
        QByteArray locale = local + 30 <= zip.size() ? zip.mid(local, 30 + mot(local + 26) + mot(local + 28)) : "";
        if (locale.size() >= 30) {
            zero(locale, 10, 4);
            zero(locale, 18, 4);
        }
        entetes << centrale << locale;
        p += taille;
    }
    return entetes;
}

} // namespace

class TestQti : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dossier;

    std::unique_ptr<TFichierX> Qcm(const QStringList &carte)
    {
        auto f = std::make_unique<TFichierX>(QChar(u'M'), QChar(u'x'));
        f->InitialiserNouveau(TOptions());
        QString reponses = carte.at(2);
        reponses.replace(QStringLiteral("==="), Sep);
        f->AjouterFiche(carte.at(0), carte.at(1), reponses);
        return f;
    }

    QString Chemin(const QString &nom) { return m_dossier.filePath(nom); }

private slots:
    void initTestCase() { OutilsTest::IsolerParametres(m_dossier); }

    // Every item of the real files becomes the card its file says, or is
    // counted: left out by kind, numerical margins approximated, per-answer
    // feedback and pictures lost.
    void corpus_data()
    {
        QTest::addColumn<QString>("fichier");
        QTest::addColumn<QChar>("format");
        QTest::addColumn<QStringList>("cartes");
        QTest::addColumn<QList<int>>("pertes");
        QTest::newRow("Canvas, every question type")
            << "canvas/all_question_types.xml.qti" << QChar(u'q')
            << QStringList{"Question|(*singlechoice*) How many letters does the word, \"RED\" have?|1===2===(*) "
                           "3===4===(/\r\n"
                           "alright\r\n/)",
                           "Question|(*truefalse*) Dogs are insects|true===(*) false",
                           "Question|(*multichoice*) Pick all letters of the Alphabet|(*) A===1===2===(*) B===(*) C",
                           "Yo, match this!|(*matching*) Match the Make with the Model|Toyota :: Corolla===Honda :: "
                           "Civic===Mitsubishi :: Lancer=== :: Model X,=== :: Escape,=== :: Impala",
                           "Guess the answer|(*numerical*) 100/3 = ?|33.33",
                           "Tell me what you think|(*essay*) Write an Essay. Any "
                           "Essay\r\n\r\n\r\nhttps://lorprod.instructure."
                           "com/users/2/files/1018/preview?verifier=iSyXwZyPP4yMa5717i8ZqrwgPCK7AfrGXJtRZtIW|",
                           "JUST TEXT|(*description*) Well, this is nothing but text|"}
            << QList<int>{3, 1, 6, 1};
        QTest::newRow("text2qti package")
            << "text2qti/readme_quiz.zip" << QChar(u'q')
            << QStringList{"An addition question|(*singlechoice*) What is 2+3?|6===1===(*) 5===(/\r\nGeneral question "
                           "feedback.\r\n/)",
                           "Question|(*multichoice*) Which of the following are dinosaurs?|Woolly mammoth===(*) "
                           "Tyrannosaurus rex===(*) Triceratops===Smilodon fatalis",
                           "Question|(*numerical*) What is the square root of 2?|1.4142",
                           "Question|(*numerical*) What is the cube root of 2?|1.2599",
                           "Question|(*numerical*) What is 3+4?|7",
                           "Question|(*shortanswer*) Who lives at the North Pole?|Santa===Santa Claus===Father "
                           "Christmas===Saint Nicholas===Saint Nick",
                           "Question|(*essay*) Write an essay.|(/\r\nGeneral question feedback.\r\n/)",
                           "Instructions about the next questions|(*description*) General comments about the next "
                           "questions.|",
                           "Question|(*singlechoice*) What is 1+1?|3===(*) 2===11"}
            << QList<int>{1, 2, 5, 0};
        QTest::newRow("Canvas, answers that look like HTML")
            << "canvas/mc_text_answers.xml" << QChar(u'q')
            << QStringList{"Br|(*singlechoice*) This tag is an inline element that will restart text that follows it "
                           "onto next line.|(*) <br />===<hr />===<pre>===<n />"}
            << QList<int>{0, 0, 0, 0};
        QTest::newRow("Canvas, HTML and feedbacks")
            << "canvas/multiple_choice_html.xml" << QChar(u'q')
            << QStringList{"test fun|(*singlechoice*) html for fun|(*) html answer 1===html answer 2===(/\r\nmeh\r\n/)"}
            << QList<int>{0, 0, 4, 0};
        QTest::newRow("Canvas, empty assessment")
            << "canvas/empty_assessment.xml.qti" << QChar(u'q') << QStringList{} << QList<int>{0, 0, 0, 0};
        QTest::newRow("Canvas, assessment without ident")
            << "canvas/empty_assessment_no_ident.xml" << QChar(u'q') << QStringList{} << QList<int>{0, 0, 0, 0};
        QTest::newRow("D2L true/false") << "d2l/assessment.xml" << QChar(u'q')
                                        << QStringList{"I have submitted the Week 2 Storybook "
                                                       "assignment.|(*truefalse*) I have submitted the Week 2 "
                                                       "Storybook assignment.|(*) true===false",
                                                       "I have submitted the Week 2 Storybook "
                                                       "assignment.|(*truefalse*) I have submitted the Week 2 "
                                                       "Storybook assignment.|(*) true===false"}
                                        << QList<int>{0, 0, 0, 0};
        QTest::newRow("D2L multi-select, right answers inside a double <not>")
            << "d2l/multi_select.xml" << QChar(u'q')
            << QStringList{"multi select|(*multichoice*) how about the even numbers?|1===(*) 2===3===(*) 4"}
            << QList<int>{0, 0, 1, 0};
        QTest::newRow("D2L short answer") << "d2l/short_answer.xml" << QChar(u'q')
                                          << QStringList{"Who is winning the Tour of California today?|(*shortanswer*) "
                                                         "Who is winning the Tour of California today?|Nydam"}
                                          << QList<int>{0, 0, 0, 0};
        QTest::newRow("D2L arithmetic") << "d2l/math.xml" << QChar(u'q') << QStringList{} << QList<int>{1, 0, 0, 0};
        QTest::newRow("D2L arithmetic, simple")
            << "d2l/simple_math.xml" << QChar(u'q') << QStringList{} << QList<int>{1, 0, 0, 0};
        QTest::newRow("D2L several short answers")
            << "d2l/multiple_short.xml" << QChar(u'q') << QStringList{} << QList<int>{1, 0, 0, 0};
        QTest::newRow("D2L text and image")
            << "d2l/text_only.xml" << QChar(u'q')
            << QStringList{"text only q 1|(*description*) Is this true or false?|", "text only q 2|(*description*) |"}
            << QList<int>{0, 0, 0, 1};
        QTest::newRow("Respondus, zero points: the one condition that sets the score")
            << "respondus/zero_point_mc.xml" << QChar(u'q')
            << QStringList{"MC Question 1|(*singlechoice*) This question is worth 0 points and the resprocessing sets "
                           "score to 0|(*) Answer choice 1 (correct)===Answer choice 2===Answer choice 3===Answer "
                           "choice 4===(/\r\nThis is some general feedback.\r\n/)"}
            << QList<int>{0, 0, 6, 0};
        QTest::newRow("cartridge, all question types")
            << "cc/ccviewer_all_question_types.imscc" << QChar(u'i')
            << QStringList{"Question|(*singlechoice*) How many letters does the word, \"RED\" have?|1===2===(*) "
                           "3===4===(/"
                           "\r\nalright\r\n/)",
                           "Question|(*truefalse*) Dogs are insects|true===(*) false",
                           "Question|(*multichoice*) Pick all letters of the Alphabet|(*) A===1===2===(*) B===(*) C",
                           "Tell me what you think|(*essay*) Write an Essay. Any Essay\r\n\r\n\r\nhttps://lorprod."
                           "instructure.com/users/2/files/1018/"
                           "preview?verifier=iSyXwZyPP4yMa5717i8ZqrwgPCK7AfrGXJtRZtIW|"}
            << QList<int>{0, 0, 6, 1};
        QTest::newRow("cartridge 1.1 with other content")
            << "cc/ccviewer_course_with_associated_content_cc11.imscc" << QChar(u'i')
            << QStringList{"Question|(*singlechoice*) What is up?|(*) Yep===Nope"} << QList<int>{0, 0, 0, 0};
        QTest::newRow("cartridge, fill-in with two answers")
            << "cc/ccviewer_grouptest.imscc" << QChar(u'i')
            << QStringList{"Question 1|(*truefalse*) T/F 1|(*) true===false",
                           "Question 3|(*essay*) EQ 3|",
                           "Question 5|(*essay*) EQ 5|",
                           "Question 1|(*essay*) EQ|",
                           "Question 3|(*truefalse*) TF|(*) true===false",
                           "Q1|(*shortanswer*) AB|C===D"}
            << QList<int>{0, 0, 0, 0};
    }
    void corpus()
    {
        QFETCH(QString, fichier);
        QFETCH(QChar, format);
        QFETCH(QStringList, cartes);
        QFETCH(QList<int>, pertes);
        const QString nom = OutilsTest::DonneesTest(QStringLiteral("qti/") + fichier);
        QCOMPARE(Formats::Reconnaitre(nom, TOptions()), format);
        Formats::Rapport rapport;
        const auto f = Formats::Ouvrir(nom, false, true, u'M', TOptions(), &rapport);
        QCOMPARE(f->TypeFichier, QChar(u'M'));
        QVERIFY(f->NomFichier.isEmpty()); // a new document: the package is never written back
        QStringList attendues;
        for (const QString &c : std::as_const(cartes)) {
            QString t = c;
            t.replace(QStringLiteral("==="), Sep);
            attendues << t;
        }
        QCOMPARE(Cartes(*f), attendues);
        QCOMPARE(Comptes(rapport), pertes);
    }

    // A bare document: items wherever assessments, sections and object
    // banks hold them, nothing from other elements; the title of the first
    // assessment that has one; a mattext's HTML made text.
    void document_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QStringList>("cartes");
        QTest::addColumn<QString>("titre");
        QTest::addColumn<QList<int>>("pertes");
        const auto item = [](const char *titre, const QByteArray &mattext, const char *type = "text/html") {
            return QByteArray("<item ident=\"i\" title=\"") + titre + "\"><presentation><material><mattext texttype=\""
                + type + "\">" + mattext + "</mattext></material></presentation></item>";
        };
        QTest::newRow("where items stand")
            << QByteArray("<?xml version=\"1.0\"?>\n<questestinterop xmlns=\"http://www.imsglobal.org/xsd/"
                          "ims_qtiasiv1p2\">\n<objectbank ident=\"b\">")
                + item("A", "Q1")
                + "</objectbank>\n<assessment ident=\"a\"><qtimetadata/><section ident=\"s\"><section ident=\"t\">"
                + item("B", "Q2") + "</section></section>" + item("C", "Q3")
                + "</assessment><assessment ident=\"c\" title=\"Second\"/><assessment title=\"Third\"/><other>"
                + item("D", "Q4") + "</other><item ident=\"j\" title=\"E\"><!-- no presentation --></item>\n"
                + "</questestinterop>\n"
            << QStringList{"A|(*description*) Q1|", "B|(*description*) Q2|", "C|(*description*) Q3|",
                           "E|(*description*) |"}
            << "Second" << QList<int>{0, 0, 0, 0};
        QTest::newRow("HTML made text") << QByteArray("<questestinterop><section>")
                + item("A", "  line one\nline two  ")
                + item("B", "&lt;p&gt;one&lt;/p&gt;&lt;p&gt;two &amp;amp; three&lt;/p&gt;")
                + item("C", "tab\there &#13;&#10;end ") + item("D", "&lt;img src=\"a.png\"&gt; x") + item("E", "  \n  ")
                + item("F", "  plain\n text ", "text/plain") + "</section></questestinterop>"
                                        << QStringList{"A|(*description*) line one\r\nline two|",
                                                       "B|(*description*) one\r\ntwo & three|",
                                                       "C|(*description*) tab\there \r\nend|",
                                                       "D|(*description*) a.png x|",
                                                       "E|(*description*) |",
                                                       "F|(*description*) plain\r\n text|"}
                                        << QString() << QList<int>{0, 0, 0, 1};
    }
    void document()
    {
        QFETCH(QByteArray, octets);
        QFETCH(QStringList, cartes);
        QFETCH(QString, titre);
        QFETCH(QList<int>, pertes);
        const QString nom = Chemin(QStringLiteral("document.xml"));
        QVERIFY(OutilsTest::EcrireFichier(nom, octets));
        Formats::Rapport rapport;
        const auto f = Formats::Ouvrir(nom, false, true, u'M', TOptions(), &rapport, u'q');
        QStringList attendues;
        for (const QString &c : std::as_const(cartes))
            attendues << QString(c).replace(QStringLiteral("==="), Sep);
        QCOMPARE(Cartes(*f), attendues);
        QCOMPARE(f->Titre, titre);
        QCOMPARE(Comptes(rapport), pertes);
    }

    // Each card shape to each package and back: the same card, or the
    // closest one with the loss counted.
    void allerRetour_data()
    {
        QTest::addColumn<QChar>("format");
        QTest::addColumn<QStringList>("carte");
        QTest::addColumn<QString>("relue"); // empty: left out
        QTest::addColumn<QList<int>>("pertes");
        const QList<int> rien{0, 0, 0, 0};
        const QList<int> ignoree{1, 0, 0, 0};
        const QList<int> approchee{0, 1, 0, 0};
        for (QChar format : {QChar(u'q'), QChar(u'i')}) {
            const bool cc = format == u'i';
            const auto ligne = [format](const char *nom) -> QTestData & {
                return QTest::newRow(qPrintable(QStringLiteral("%1: %2").arg(format).arg(QLatin1String(nom))));
            };
            ligne("single choice, feedback")
                << format << QStringList{"Cap", "Capital?", "(*) Paris===London===(/ Yes. /)"}
                << "Cap|(*singlechoice*) Capital?|(*) Paris===London===(/\r\nYes.\r\n/)" << rien;
            ligne("several right") << format << QStringList{"Two", "Which?", "(*) a===(*) b===c"}
                                   << "Two|(*multichoice*) Which?|(*) a===(*) b===c" << rien;
            ligne("partial grades") << format << QStringList{"G", "(*multichoice*) Q", "(*50*) a===(*50*) b===c"}
                                    << "G|(*multichoice*) Q|(*) a===(*) b===c" << approchee;
            ligne("true/false") << format << QStringList{"TF", "Sky is blue.", "(*) true===false"}
                                << "TF|(*truefalse*) Sky is blue.|(*) true===false" << rien;
            ligne("short answer") << format << QStringList{"SA", "(*shortanswer*) Capital?", "Paris===paris"}
                                  << "SA|(*shortanswer*) Capital?|Paris===paris" << rien;
            // A compared string is always accepted: a wrong answer is left out.
            ligne("short answer with a wrong one")
                << format << QStringList{"SA", "(*shortanswer*) Capital?", "Paris===(*0*) Lyon"}
                << "SA|(*shortanswer*) Capital?|Paris" << approchee;
            ligne("essay") << format << QStringList{"E", "(*essay*) Tell.", ""} << "E|(*essay*) Tell.|" << rien;
            ligne("essay template") << format << QStringList{"E", "(*essay*) Tell.", "Dear..."} << "E|(*essay*) Tell.|"
                                    << approchee;
            ligne("missing word") << format << QStringList{"W", "Grant is (: entombed :) here.", ""}
                                  << "W|(*shortanswer*) Grant is _____ here.|entombed" << approchee;
            ligne("cloze of two gaps") << format << QStringList{"C", "(: a :) and (: b :)", ""} << QString() << ignoree;
            ligne("category") << format << QStringList{"% $course$/Geo", "", ""} << QString() << ignoree;
            ligne("text with markup characters")
                << format << QStringList{"a<b & \"c\"", "x < y && z > \"w\"\r\nline", "(*) <b>===&amp;"}
                << "a<b & \"c\"|(*singlechoice*) x < y && z > \"w\"\r\nline|(*) <b>===&amp;" << rien;
            // Canvas's numerical and matching questions, which its cartridges leave out.
            ligne("numerical") << format << QStringList{"N", "(*numerical*) Pi?", "3.14"}
                               << (cc ? QString() : QStringLiteral("N|(*numerical*) Pi?|3.14"))
                               << (cc ? ignoree : rien);
            ligne("numerical, unit") << format << QStringList{"N", "(*numerical*) Length?", "3.5 cm"}
                                     << (cc ? QString() : QStringLiteral("N|(*numerical*) Length?|3.5"))
                                     << (cc ? ignoree : approchee);
            ligne("matching, answer without question")
                << format << QStringList{"M", "Match", "France :: Paris===Spain :: Madrid=== :: Rome"}
                << (cc ? QString()
                       : QStringLiteral("M|(*matching*) Match|France :: Paris===Spain :: Madrid=== :: Rome"))
                << (cc ? ignoree : rien);
            ligne("description") << format << QStringList{"D", "(*description*) Read.", ""}
                                 << (cc ? QString() : QStringLiteral("D|(*description*) Read.|"))
                                 << (cc ? ignoree : rien);
        }
    }
    void allerRetour()
    {
        QFETCH(QChar, format);
        QFETCH(QStringList, carte);
        QFETCH(QString, relue);
        QFETCH(QList<int>, pertes);
        auto f = Qcm(carte);
        const QString nom = Chemin(QStringLiteral("aller.") + (format == u'i' ? "imscc" : "zip"));
        QFile::remove(nom);
        Formats::Rapport ecrit;
        if (format == u'i' && relue.isEmpty()) {
            // A cartridge of no question would be invalid: nothing is written.
            QVERIFY_THROWS_EXCEPTION(ErreurFichier,
                                     Formats::Enregistrer(*f, nom, format, true, TOptions(), false, &ecrit));
            QVERIFY(!QFileInfo::exists(nom));
            return;
        }
        Formats::Enregistrer(*f, nom, format, true, TOptions(), false, &ecrit);
        QVERIFY(f->NomFichier.isEmpty()); // an export: the card file stays as it was
        QCOMPARE(Formats::Reconnaitre(nom, TOptions()), format);
        Formats::Rapport lu;
        const auto g = Formats::Ouvrir(nom, false, true, u'M', TOptions(), &lu);
        QStringList attendues;
        if (!relue.isEmpty()) {
            relue.replace(QStringLiteral("==="), Sep);
            attendues << relue;
        }
        QCOMPARE(Cartes(*g), attendues);
        QCOMPARE(Comptes(ecrit), pertes);
        QCOMPARE(Comptes(lu), (QList<int>{0, 0, 0, 0}));
    }

    // What Canvas's importer reads: the type and points fields, right
    // choices scored above 0, several right ones as one <and> with the wrong
    // ones inside <not>, every right short answer as a sibling varequal,
    // numerical answers as an exact value or a range; the manifest's shape.
    void structure_data()
    {
        QTest::addColumn<QChar>("format");
        QTest::addColumn<QStringList>("carte");
        QTest::addColumn<QStringList>("extraits");
        QTest::newRow("multiple choice")
            << QChar(u'q') << QStringList{"Cap", "Capital?", "London===(*) Paris===(/ Yes /)"}
            << QStringList{"<fieldlabel>question_type</fieldlabel><fieldentry>multiple_choice_question</fieldentry>",
                           "<fieldlabel>points_possible</fieldlabel><fieldentry>1.0</fieldentry>",
                           "<item ident=\"item1\" title=\"Cap\">",
                           "<response_lid ident=\"response1\" rcardinality=\"Single\">",
                           "<respcondition continue=\"No\"><conditionvar><varequal respident=\"response1\">2</varequal>"
                           "</conditionvar><setvar action=\"Set\" varname=\"SCORE\">100</setvar>",
                           "<displayfeedback feedbacktype=\"Response\" linkrefid=\"general_fb\"/>",
                           "<itemfeedback ident=\"general_fb\">",
                           "<mattext texttype=\"text/html\">Capital?</mattext>",
                           "<mattext texttype=\"text/plain\">Paris</mattext>"};
        QTest::newRow("multiple answers")
            << QChar(u'q') << QStringList{"Two", "Which?", "(*) a===b===(*) c"}
            << QStringList{"<fieldentry>multiple_answers_question</fieldentry>", "rcardinality=\"Multiple\"",
                           "<and><varequal respident=\"response1\">1</varequal><not><varequal respident=\"response1\">2"
                           "</varequal></not><varequal respident=\"response1\">3</varequal></and>"};
        QTest::newRow("true/false")
            << QChar(u'q') << QStringList{"TF", "Blue?", "true===(*) false"}
            << QStringList{"<fieldentry>true_false_question</fieldentry>",
                           "<mattext texttype=\"text/plain\">True</mattext>",
                           "<mattext texttype=\"text/plain\">False</mattext>",
                           "<conditionvar><varequal respident=\"response1\">2</varequal></conditionvar>"};
        QTest::newRow("short answer, sibling varequals")
            << QChar(u'q') << QStringList{"SA", "(*shortanswer*) Capital?", "Paris===PARIS===(*0*) Lyon"}
            << QStringList{"<fieldentry>short_answer_question</fieldentry>",
                           "<conditionvar><varequal respident=\"response1\">Paris</varequal><varequal "
                           "respident=\"response1\">PARIS</varequal></conditionvar>"};
        QTest::newRow("numerical with its margin")
            << QChar(u'q') << QStringList{"N", "(*numerical*) Pi?", "3.14"}
            << QStringList{"<fieldentry>numerical_question</fieldentry>",
                           "<or><varequal respident=\"response1\">3.14</varequal><and><vargte "
                           "respident=\"response1\">3.135</vargte><varlte respident=\"response1\">3.145</varlte></and>"
                           "</or>"};
        QTest::newRow("matching")
            << QChar(u'q') << QStringList{"M", "Match", "France :: Paris===Spain :: Madrid=== :: Rome"}
            << QStringList{"<fieldentry>matching_question</fieldentry>", "<response_lid ident=\"response_2\">",
                           "<varequal respident=\"response_2\">2</varequal></conditionvar><setvar action=\"Add\" "
                           "varname=\"SCORE\">50.00</setvar>",
                           "<response_label ident=\"3\"><material><mattext texttype=\"text/plain\">Rome</mattext>"};
        QTest::newRow("essay") << QChar(u'q') << QStringList{"E", "(*essay*) Tell.", ""}
                               << QStringList{"<fieldentry>essay_question</fieldentry>", "<response_str"};
        QTest::newRow("description") << QChar(u'q') << QStringList{"D", "(*description*) Read.", ""}
                                     << QStringList{"<fieldentry>text_only_question</fieldentry>",
                                                    "<fieldentry>0.0</fieldentry>"};
        QTest::newRow("Canvas manifest")
            << QChar(u'q') << QStringList{"Cap", "Capital?", "(*) Paris"}
            << QStringList{"xmlns=\"http://www.imsglobal.org/xsd/imsccv1p1/imscp_v1p1\"", "type=\"imsqti_xmlv1p2\"",
                           "type=\"associatedcontent/imscc_xmlv1p1/learning-application-resource\"",
                           "/assessment_meta.xml\"", "<title>Quiz</title>"};
        QTest::newRow("cartridge profile")
            << QChar(u'i') << QStringList{"Two", "Which?", "(*) a===b===(*) c"}
            << QStringList{"<fieldlabel>cc_profile</fieldlabel><fieldentry>cc.multiple_response.v0p1</fieldentry>",
                           "<fieldentry>cc.exam.v0p1</fieldentry>",
                           "ccv1p1_qtiasiv1p2p1_v1p0.xsd",
                           "type=\"imsqti_xmlv1p2/imscc_xmlv1p1/assessment\"",
                           "<schema>IMS Common Cartridge</schema><schemaversion>1.1.0</schemaversion>",
                           "/assessment_qti.xml\"/>"};
    }
    void structure()
    {
        QFETCH(QChar, format);
        QFETCH(QStringList, carte);
        QFETCH(QStringList, extraits);
        auto f = Qcm(carte);
        const QString nom = Chemin(QStringLiteral("Quiz.") + (format == u'i' ? "imscc" : "zip"));
        QFile::remove(nom);
        Formats::Enregistrer(*f, nom, format, true, TOptions());
        const QMap<QString, QByteArray> entrees = Entrees(OutilsTest::LireFichier(nom));
        QVERIFY(entrees.contains(QStringLiteral("imsmanifest.xml")));
        QCOMPARE(entrees.size(), format == u'i' ? 2 : 3);
        QByteArray tout;
        for (const QByteArray &e : entrees)
            tout += e;
        tout.replace('\n', "");
        for (const QString &extrait : std::as_const(extraits))
            QVERIFY2(tout.contains(extrait.toUtf8()), qPrintable(extrait));
        // No QTI 2 namespace: Canvas would skip its conversion of QTI 1.2.
        QVERIFY(!tout.contains("imsqti_v2"));
    }

    // A damaged or hostile file gives nothing and says why.
    void refus_data()
    {
        QTest::addColumn<QByteArray>("octets");
        const auto zip = [](std::vector<std::pair<QString, QByteArray>> entrees) {
            return Zip::Ecrire(entrees, QStringLiteral("%1"));
        };
        const auto manifeste = [](const QByteArray &href) {
            return QByteArray("<manifest identifier=\"m\"><resources><resource identifier=\"r\" "
                              "type=\"imsqti_xmlv1p2\"><file href=\"")
                + href + "\"/></resource></resources></manifest>";
        };
        const QByteArray item("<questestinterop><item ident=\"i\"><presentation><material><mattext>Q</mattext>"
                              "</material></presentation></item></questestinterop>");
        QTest::newRow("not well-formed") << QByteArray("<questestinterop><item></questestinterop>");
        QTest::newRow("not well-formed after an item") << item + QByteArray("<questestinterop/>");
        QTest::newRow("not QTI") << QByteArray("<quiz><item ident=\"i\"/></quiz>");
        QTest::newRow("entity declaration")
            << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE q [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                          "\"&a;&a;&a;&a;&a;&a;&a;&a;\">]><questestinterop><item ident=\"&b;\"/></questestinterop>");
        QTest::newRow("zip without manifest") << zip({{QStringLiteral("q.xml"), item}});
        QTest::newRow("manifest naming a missing file")
            << zip({{QStringLiteral("imsmanifest.xml"), manifeste("q.xml")}});
        QTest::newRow("manifest naming a file outside")
            << zip({{QStringLiteral("imsmanifest.xml"), manifeste("../q.xml")}, {QStringLiteral("q.xml"), item}});
        QTest::newRow("manifest naming an absolute path")
            << zip({{QStringLiteral("imsmanifest.xml"), manifeste("/etc/q.xml")}, {QStringLiteral("q.xml"), item}});
        QTest::newRow("manifest without QTI")
            << zip({{QStringLiteral("imsmanifest.xml"), QByteArray("<manifest/>")}, {QStringLiteral("q.xml"), item}});
        QTest::newRow("second assessment damaged")
            << zip({{QStringLiteral("imsmanifest.xml"),
                     manifeste("a.xml").replace("</resources>",
                                                "<resource identifier=\"s\" type=\"imsqti_xmlv1p2\">"
                                                "<file href=\"b.xml\"/></resource></resources>")},
                    {QStringLiteral("a.xml"), item},
                    {QStringLiteral("b.xml"), QByteArray("<questestinterop><item>")}});
        QByteArray tronque = zip(
            {{QStringLiteral("imsmanifest.xml"), manifeste("q.xml")}, {QStringLiteral("q.xml"), item.repeated(50)}});
        tronque.chop(40);
        QTest::newRow("truncated zip") << tronque;
    }
    void refus()
    {
        QFETCH(QByteArray, octets);
        const QString nom = Chemin(QStringLiteral("refus.zip"));
        QVERIFY(OutilsTest::EcrireFichier(nom, octets));
        Formats::Rapport rapport;
        try {
            Formats::Ouvrir(nom, false, true, u'M', TOptions(), &rapport, u'q');
            QFAIL("read");
        } catch (const ErreurIdInvalide &e) {
            QVERIFY(!e.message().isEmpty());
        }
        QVERIFY(rapport.Vide());
        QCOMPARE(OutilsTest::LireFichier(nom), octets); // never written
    }

    void reconnaissance_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QChar>("format");
        const QByteArray qti("<?xml version=\"1.0\"?>\n<questestinterop></questestinterop>");
        const auto paquet = [](const char *type) {
            return Zip::Ecrire(
                {{QStringLiteral("imsmanifest.xml"),
                  QByteArray("<manifest><resources><resource type=\"") + type + "\"/></resources></manifest>"}},
                QStringLiteral("%1"));
        };
        QTest::newRow("bare document, .xml") << "a.xml" << qti << QChar(u'q');
        QTest::newRow("bare document, .qti") << "a.qti" << qti << QChar(u'q');
        QTest::newRow("Moodle XML stays Moodle")
            << "a.xml" << QByteArray("<?xml version=\"1.0\"?>\n<quiz/>") << QChar(u'm');
        QTest::newRow("Canvas package") << "a.zip" << paquet("imsqti_xmlv1p2") << QChar(u'q');
        QTest::newRow("cartridge named .zip")
            << "a.zip" << paquet("imsqti_xmlv1p2/imscc_xmlv1p1/assessment") << QChar(u'i');
        QTest::newRow("cartridge 1.3 question bank")
            << "a.imscc" << paquet("imsqti_xmlv1p2/imscc_xmlv1p3/question-bank") << QChar(u'i');
        QTest::newRow("cartridge without quiz") << "a.imscc" << paquet("webcontent") << QChar(u'?');
        QTest::newRow("zip without manifest")
            << "a.zip" << Zip::Ecrire({{QStringLiteral("a.xml"), qti}}, QStringLiteral("%1")) << QChar(u'?');
        QTest::newRow("not a zip, PK head") << "a.zip" << QByteArray("PK\x03\x04 garbage") << QChar(u'?');
    }
    void reconnaissance()
    {
        QFETCH(QString, nom);
        QFETCH(QByteArray, octets);
        QFETCH(QChar, format);
        const QString chemin = Chemin(QStringLiteral("reco/") + nom);
        QDir().mkpath(Chemin(QStringLiteral("reco")));
        QVERIFY(OutilsTest::EcrireFichier(chemin, octets));
        QCOMPARE(Formats::Reconnaitre(chemin, TOptions()), format);
    }

    // Every cartridge written is valid against the IMS schemas: its manifest
    // and its assessment in the cartridge's QTI profile.
    void cartoucheValide_data()
    {
        QTest::addColumn<QStringList>("carte");
        QTest::addColumn<bool>("ecrite");
        QTest::newRow("single choice, feedback")
            << QStringList{"Cap", "Capital?", "(*) Paris===London===(/ Yes /)"} << true;
        QTest::newRow("several right") << QStringList{"Two", "Which?", "(*) a===(*) b===c"} << true;
        QTest::newRow("no right answer") << QStringList{"Z", "(*multichoice*) Which?", "a===b"} << true;
        QTest::newRow("short answer, none right") << QStringList{"Z", "(*shortanswer*) Which?", "(*0*) a"} << true;
        QTest::newRow("true/false") << QStringList{"TF", "Sky is blue.", "(*) true===false"} << true;
        QTest::newRow("short answer") << QStringList{"SA", "(*shortanswer*) Capital?", "Paris===paris"} << true;
        QTest::newRow("missing word") << QStringList{"W", "Grant is (: entombed :) here.", ""} << true;
        QTest::newRow("essay, markup characters") << QStringList{"<E&>", "(*essay*) a < b & \"c\"", ""} << true;
        // An assessment of no question is no valid cartridge: refused, nothing written.
        QTest::newRow("only cards it leaves out") << QStringList{"N", "(*numerical*) Pi?", "3.14"} << false;
    }
    void cartoucheValide()
    {
        QFETCH(QStringList, carte);
        QFETCH(bool, ecrite);
        auto f = Qcm(carte);
        const QString nom = Chemin(QStringLiteral("valide.imscc"));
        QFile::remove(nom);
        if (!ecrite) {
            QVERIFY_THROWS_EXCEPTION(ErreurFichier, Formats::Enregistrer(*f, nom, u'i', true, TOptions()));
            QVERIFY(!QFileInfo::exists(nom));
            return;
        }
        Formats::Enregistrer(*f, nom, u'i', true, TOptions());
        const QMap<QString, QByteArray> entrees = Entrees(OutilsTest::LireFichier(nom));
        const QString xsd = OutilsTest::DonneesTest(QStringLiteral("qti/xsd/cc11/"));
        for (auto e = entrees.cbegin(); e != entrees.cend(); ++e) {
            const QString schema = e.key() == QLatin1String("imsmanifest.xml")
                ? QStringLiteral("cc11_manifest_all.xsd")
                : QStringLiteral("ccv1p1_qtiasiv1p2p1_v1p0.xsd");
            QCOMPARE(TSchemaXsd(xsd + schema).Erreurs(e.value()), QString());
        }
    }

    // A long quiz is written in parts on several threads: its items are
    // numbered on across the parts, in card order, and the report counts
    // what every part left out or approximated from the first such card.
    void parties_data()
    {
        QTest::addColumn<QChar>("format");
        QTest::addColumn<int>("cartes");
        for (QChar format : {QChar(u'q'), QChar(u'i')}) {
            for (int n : {999, 1000, 2503}) {
                QTest::newRow(qPrintable(QStringLiteral("%1, %2 cards").arg(format).arg(n))) << format << n;
            }
        }
    }
    void parties()
    {
        QFETCH(QChar, format);
        QFETCH(int, cartes);
        const bool cc = format == u'i';
        auto f = std::make_unique<TFichierX>(QChar(u'M'), QChar(u'x'));
        f->InitialiserNouveau(TOptions());
        QStringList titres;
        Qti12::PertesEcriture attendues;
        for (int i = 0; i < cartes; ++i) {
            const QString titre = QStringLiteral("Q%1").arg(i);
            bool ignoree = false;
            bool approchee = false;
            if (i % 500 == 499) {
                f->AjouterFiche(QStringLiteral("% $course$/C%1").arg(i), QString(), QString());
                ignoree = true;
            } else if (i % 11 == 5) {
                f->AjouterFiche(titre, QStringLiteral("(*numerical*) Pi?"), QStringLiteral("3.14"));
                ignoree = cc;
            } else if (i % 7 == 2) {
                f->AjouterFiche(titre, QStringLiteral("(*multichoice*) Q"),
                                QStringLiteral("(*50*) a") + Sep + QStringLiteral("(*50*) b") + Sep + u'c');
                approchee = true;
            } else {
                f->AjouterFiche(titre, QStringLiteral("Capital?"), QStringLiteral("(*) Paris") + Sep + u'L');
            }
            if (ignoree) {
                ++attendues.ignorees;
                if (attendues.premiereIgnoree < 0)
                    attendues.premiereIgnoree = i;
                continue;
            }
            titres << titre;
            if (approchee) {
                ++attendues.approchees;
                if (attendues.premiereApprochee < 0)
                    attendues.premiereApprochee = i;
            }
        }
        Qti12::PertesEcriture pertes;
        const QByteArray document = Qti12::EcrireEvaluation(*f, cc ? Qti12::Profil::Cartouche : Qti12::Profil::Canvas,
                                                            QStringLiteral("ident"), QStringLiteral("title"), pertes,
                                                            TOptions());
        QCOMPARE(document.count("<questestinterop"), 1);
        QVERIFY(document.endsWith("</section>\n</assessment>\n</questestinterop>\n"));
        static const QRegularExpression item(QStringLiteral("<item ident=\"item(\\d+)\" title=\"([^\"]*)\""));
        QStringList lus;
        int numero = 0;
        for (const QRegularExpressionMatch &m : item.globalMatch(QString::fromUtf8(document))) {
            QCOMPARE(m.captured(1).toInt(), ++numero);
            lus << m.captured(2);
        }
        QCOMPARE(lus, titres);
        QCOMPARE(pertes.ecrites, int(titres.size()));
        QCOMPARE((QList<int>{pertes.ignorees, pertes.premiereIgnoree, pertes.approchees, pertes.premiereApprochee}),
                 (QList<int>{attendues.ignorees, attendues.premiereIgnoree, attendues.approchees,
                             attendues.premiereApprochee}));
    }

    // A package is given the memory its documents would be given unzipped:
    // a large quiz, which deflates well below a twentieth, opens.
    void paquetDeflate_data()
    {
        QTest::addColumn<QChar>("format");
        QTest::newRow("Canvas") << QChar(u'q');
        QTest::newRow("cartridge") << QChar(u'i');
    }
    void paquetDeflate()
    {
        QFETCH(QChar, format);
        auto f = std::make_unique<TFichierX>(QChar(u'M'), QChar(u'x'));
        f->InitialiserNouveau(TOptions());
        for (int i = 0; i < 3000; ++i)
            f->AjouterFiche(QStringLiteral("Q%1").arg(i), QStringLiteral("Question %1?").arg(i * 7919 % 100003),
                            QStringLiteral("(*) %1").arg(i) + Sep + QString::number(i + 1));
        const QString nom = Chemin(QStringLiteral("grand.zip"));
        QFile::remove(nom);
        Formats::Enregistrer(*f, nom, format, true, TOptions());
        TBudgetMemoire::InjecterPlancher(0); // 20 times the file's size
        std::unique_ptr<TFichierX> lu;
        QString refus;
        try {
            lu = Formats::Ouvrir(nom, false, true, u'M', TOptions(), nullptr, format);
        } catch (const ErreurIdInvalide &e) {
            refus = e.message();
        }
        TBudgetMemoire::InjecterPlancher(-1);
        QCOMPARE(refus, QString());
        QCOMPARE(lu->NombreFiches(), 3000);
        QCOMPARE(lu->Fiches.back().Champ1(), QStringLiteral("(*singlechoice*) Question %1?").arg(2999 * 7919 % 100003));
    }

    // The packages' entries, deflated ahead on several threads, get the
    // headers libzip writes when it deflates them itself at the same level
    // (flags, method, sizes, checksums), read back whole, and the package
    // stays within a few percent of libzip's best compression.
    void zipCommeLibzip_data()
    {
        QTest::addColumn<QByteArrayList>("contenus");
        QByteArray hasard;
        quint32 x = 12345;
        for (int i = 0; i < 70000; ++i) {
            x = x * 1103515245u + 12345u;
            hasard += char(x >> 24);
        }
        QByteArray texte;
        for (int i = 0; i < 3000; ++i)
            texte += "<item ident=\"" + QByteArray::number(i) + "\"><mattext>Question "
                + QByteArray::number(i * 7919 % 1000) + "</mattext></item>\n";
        QTest::newRow("empty") << QByteArrayList{QByteArray()};
        QTest::newRow("one byte") << QByteArrayList{"a"};
        QTest::newRow("longer deflated") << QByteArrayList{"<manifest/>", "ab"};
        QTest::newRow("random") << QByteArrayList{hasard.left(100), hasard};
        QTest::newRow("text") << QByteArrayList{texte};
        QByteArrayList beaucoup;
        for (int i = 0; i < 40; ++i)
            beaucoup << (i % 3 ? texte.mid(i * 97, 500 + i * 131) : hasard.left(i * 10));
        QTest::newRow("many entries") << beaucoup;
        // Large entries are deflated in parts on several threads, as one stream.
        QByteArray long_;
        for (int i = 0; i < 80000; ++i)
            long_ += "<item ident=\"" + QByteArray::number(i) + "\"><mattext>Question "
                + QByteArray::number(i * 7919 % 100003) + "</mattext></item>\n";
        QByteArray grandHasard;
        for (int i = 0; i < 5000000; ++i) {
            x = x * 1103515245u + 12345u;
            grandHasard += char(x >> 24);
        }
        QTest::newRow("large") << QByteArrayList{"<manifest/>", long_, texte};
        QTest::newRow("large, not smaller") << QByteArrayList{grandHasard, long_};
    }
    void zipCommeLibzip()
    {
        QFETCH(QByteArrayList, contenus);
        std::vector<std::pair<QString, QByteArray>> entrees;
        for (qsizetype i = 0; i < contenus.size(); ++i)
            entrees.emplace_back(QStringLiteral("d/%1.xml").arg(i), contenus.at(i));
        const QByteArray ecrit = Zip::Ecrire(entrees, QStringLiteral("%1"));
        const QByteArrayList entetes = Entetes(ecrit);
        QCOMPARE(entetes.size(), 2 * contenus.size());
        QCOMPARE(entetes, Entetes(ParLibzip(entrees, 6)));
        QVERIFY(ecrit.size() <= ParLibzip(entrees, 9).size() * 105 / 100);
        const QMap<QString, QByteArray> relues = Entrees(ecrit);
        QCOMPARE(relues.size(), contenus.size());
        for (qsizetype i = 0; i < contenus.size(); ++i)
            QCOMPARE(relues.value(QStringLiteral("d/%1.xml").arg(i)), contenus.at(i));
    }

    // An entry that cannot be made, on whichever thread makes it, fails the
    // whole package with its own error.
    void zipContenuEnEchec_data()
    {
        QTest::addColumn<int>("entrees");
        QTest::addColumn<int>("echec");
        QTest::newRow("one thread, last") << 3 << 2;
        QTest::newRow("threads, first") << 40 << 0;
        QTest::newRow("threads, middle") << 40 << 17;
        QTest::newRow("threads, last") << 40 << 39;
    }
    void zipContenuEnEchec()
    {
        QFETCH(int, entrees);
        QFETCH(int, echec);
        QStringList noms;
        for (int i = 0; i < entrees; ++i)
            noms << QStringLiteral("d/%1.xml").arg(i);
        const auto contenu = [echec](size_t i) {
            if (int(i) == echec)
                throw ErreurFichier(QStringLiteral("entry %1").arg(i));
            return QByteArray(1000, 'a');
        };
        try {
            Zip::Ecrire(noms, contenu, QStringLiteral("%1"));
            QFAIL("no error");
        } catch (const ErreurFichier &e) {
            QCOMPARE(e.message(), QStringLiteral("entry %1").arg(echec));
        }
    }

    // Exporting the same quiz to the same file name gives the same
    // identifiers, so that Canvas replaces what it imported before.
    void identifiantsStables()
    {
        auto f = Qcm({"Cap", "Capital?", "(*) Paris"});
        const QString nom = Chemin(QStringLiteral("stable.zip"));
        Formats::Enregistrer(*f, nom, u'q', true, TOptions());
        const QStringList premiers = Entrees(OutilsTest::LireFichier(nom)).keys();
        QFile::remove(nom);
        Formats::Enregistrer(*f, nom, u'q', true, TOptions());
        QCOMPARE(Entrees(OutilsTest::LireFichier(nom)).keys(), premiers);
        const QString autre = Chemin(QStringLiteral("autre.zip"));
        Formats::Enregistrer(*f, autre, u'q', true, TOptions());
        QVERIFY(Entrees(OutilsTest::LireFichier(autre)).keys() != premiers);
    }
};

QTEST_GUILESS_MAIN(TestQti)
#include "tst_qti.moc"
