// Hostile files: content that would need far more memory than the file's
// size, elements with absurd numbers of attributes.
#include "outilstest.h"

#include "formats/anki/anki.h"
#include "formats/fiches/crd.h"
#include "formats/texte/csv.h"
#include "formats/gardexml.h"
#include "formats/quiz/gift.h"
#include "formats/quiz/moodle.h"
#include "formats/fiches/xml.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/outils.h"

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace {

// A Cardfile whose entries all point at one text.
QByteArray CardfilePartage(int entrees, int tailleTexte)
{
    QByteArray octets("MGC");
    octets += char(entrees & 0xFF);
    octets += char(entrees >> 8);
    const quint32 texte = quint32(TFichierCrd::TailleEntete + TFichierCrd::TailleEntree * entrees);
    for (int i = 0; i < entrees; ++i) {
        QByteArray entree(TFichierCrd::TailleEntree, '\0');
        for (int k = 0; k < 4; ++k)
            entree[6 + k] = char((texte >> (8 * k)) & 0xFF);
        entree.replace(11, 5, "titre");
        octets += entree;
    }
    octets += QByteArray(2, '\0'); // no picture
    octets += char(tailleTexte & 0xFF);
    octets += char(tailleTexte >> 8);
    octets += QByteArray(tailleTexte, 'x');
    return octets;
}

QByteArray Attributs(int nombre, const char *avant = "", const char *apres = "")
{
    QByteArray e("<a");
    for (int i = 0; i < nombre; ++i)
        e += " a" + QByteArray::number(i) + "=\"" + QByteArray::number(i) + '"';
    return QByteArray(avant) + e + "/>" + apres;
}

QByteArray Utf16(const QByteArray &texte, bool grosBoutiste)
{
    QByteArray sortie;
    for (char c : texte) {
        if (grosBoutiste)
            sortie += '\0';
        sortie += c;
        if (!grosBoutiste)
            sortie += '\0';
    }
    return sortie;
}

QString MessageBudget(qint64 limite)
{
    return QStringLiteral("This file would need more than %1 MB of memory: a file may use at most "
                          "20 times its size, or 256 MB.")
        .arg(limite >> 20);
}

} // namespace

class TestHostiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dossier;

private slots:
    void initTestCase() { OutilsTest::IsolerParametres(m_dossier); }
    void cleanup() { TBudgetMemoire::InjecterPlancher(-1); }

    // Texts read from one offset are decoded once: every card shares them.
    void cardfileTexteUnique_data()
    {
        QTest::addColumn<int>("entrees");
        QTest::addColumn<int>("taille");
        QTest::newRow("1000 entries, 8 KB") << 1000 << 8192;
        QTest::newRow("65535 entries, 64 KB (3.4 MB, 8 GB if copied)") << 65535 << 65535;
    }

    void cardfileTexteUnique()
    {
        QFETCH(int, entrees);
        QFETCH(int, taille);
        const auto f = TFichierCrd::LireCardfile(CardfilePartage(entrees, taille));
        QCOMPARE(f->NombreFiches(), entrees);
        QCOMPARE(f->Fiche(0).Champ2().size(), taille);
        for (int i = 1; i < entrees; ++i)
            QVERIFY(f->Fiche(i).Champ2().constData() == f->Fiche(0).Champ2().constData());
        QCOMPARE(f->Fiche(entrees - 1).Champ1(), QStringLiteral("titre"));
    }

    // Each reader counts what it holds against the file's budget and refuses
    // the file before going past it (the floor is lowered to keep inputs small).
    void budgetDepasse_data()
    {
        QTest::addColumn<QString>("lecteur");
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<bool>("refuse");
        QByteArray lignes;
        for (int i = 0; i < 100000; ++i)
            lignes += "a\n";
        QTest::newRow("CSV, 100,000 one-letter lines") << QStringLiteral("csv") << lignes << true;
        QTest::newRow("CSV, 1,000 lines") << QStringLiteral("csv") << lignes.left(2000) << false;
        // The list of a line's fields and the answer they are joined into.
        QTest::newRow("CSV, one line of 100,000 empty fields")
            << QStringLiteral("csv") << QByteArray(100000, ';') << true;
        QTest::newRow("CSV, one line of 10,000 fields")
            << QStringLiteral("csv") << QByteArray("a;").repeated(10000) << false;
        QByteArray vides("<?xml version=\"1.0\"?><quiz>");
        for (int i = 0; i < 100000; ++i)
            vides += "<a/>";
        vides += "</quiz>";
        QTest::newRow("Moodle, 100,000 empty elements") << QStringLiteral("moodle") << vides << true;
        // The smallest card element still costs less than 20 times its bytes.
        QByteArray xml("<?xml version=\"1.0\"?><AMBLORINE><TYPE>L</TYPE>");
        for (int i = 0; i < 100000; ++i)
            xml += "<FICHE/>";
        xml += "</AMBLORINE>";
        QTest::newRow("XML, 100,000 empty cards") << QStringLiteral("xml") << xml << false;
        QTest::newRow("Cardfile, shared text") << QStringLiteral("crd") << CardfilePartage(20000, 60000) << false;
        // The answers of one question count while it is read, not only the card it makes.
        const QByteArray tildes = "Q{" + QByteArray(100000, '~') + "}\n";
        QTest::newRow("GIFT, one question of 100,000 empty answers") << QStringLiteral("gift") << tildes << true;
        QTest::newRow("GIFT, 100,000 empty answers in 1,000 questions")
            << QStringLiteral("gift") << ("Q{" + QByteArray(100, '~') + "}\n\n").repeated(1000) << false;
        QTest::newRow("GIFT, one question of 50,000 answers")
            << QStringLiteral("gift") << "Q{" + QByteArray("=a").repeated(50000) + "}\n"
            << true;
        QByteArray options("Q?\n");
        for (int i = 0; i < 100000; ++i)
            options += "A) x\n";
        QTest::newRow("Aiken, one question of 100,000 options") << QStringLiteral("aiken") << options + "ANSWER: A\n"
                                                                << true;
        QTest::newRow("Aiken, 100,000 options in 1,000 questions")
            << QStringLiteral("aiken") << (options.left(3 + 5 * 100) + "ANSWER: A\n\n").repeated(1000) << false;
        // libxml2 hands back the part of a field it parsed before the budget
        // ran out: the field is not taken cut short.
        QTest::newRow("Anki text, HTML field past the budget")
            << QStringLiteral("ankitexte") << "#html:true\na\t" + QByteArray("q<br>").repeated(40000) + "\n"
            << true;
        QTest::newRow("Anki text, 1,000 HTML notes")
            << QStringLiteral("ankitexte") << "#html:true\n" + QByteArray("q<br>\tr\n").repeated(1000) << false;
        QTest::newRow("Anki text, 100,000 empty columns")
            << QStringLiteral("ankitexte") << "#html:false\n" + QByteArray(100000, '\t') + "\n"
            << true;
    }

    void budgetDepasse()
    {
        QFETCH(QString, lecteur);
        QFETCH(QByteArray, octets);
        QFETCH(bool, refuse);
        TBudgetMemoire::InjecterPlancher(1 << 20);
        int perdus = 0;
        const std::function<void()> lire = [&] {
            if (lecteur == QLatin1String("csv")) {
                TOptions options;
                options.separateurCsv = QStringLiteral(";");
                TFichierCSV::LireCSV(octets, u'L', options);
            } else if (lecteur == QLatin1String("moodle"))
                TFichierMoodle::LireMoodle(octets);
            else if (lecteur == QLatin1String("xml"))
                TFichierXML::LireXml(octets, true);
            else if (lecteur == QLatin1String("gift"))
                TFichierGift::LireGift(octets, perdus);
            else if (lecteur == QLatin1String("aiken"))
                TFichierAiken::LireAiken(octets);
            else if (lecteur == QLatin1String("ankitexte"))
                TFichierAnki::LireTexte(octets, u'D');
            else
                TFichierCrd::LireCardfile(octets);
        };
        QString message;
        try {
            lire();
        } catch (const Erreur &e) {
            message = e.message();
        }
        QCOMPARE(message, refuse ? MessageBudget(TBudgetMemoire::LimitePour(octets.size())) : QString());
    }

    // Threads of one reading, each with its share of the budget, and this
    // one taking from the budget itself: together they never take more than
    // its limit, and what they give back leaves nothing counted.
    void budgetPartage_data()
    {
        QTest::addColumn<int>("fils");
        QTest::addColumn<int>("taille"); // of each allocation
        QTest::newRow("one share, small allocations") << 1 << 100;
        QTest::newRow("four shares, small allocations") << 4 << 100;
        QTest::newRow("four shares, allocations larger than a block") << 4 << 300 * 1024;
    }

    void budgetPartage()
    {
        QFETCH(int, fils);
        QFETCH(int, taille);
        TBudgetMemoire::InjecterPlancher(8 << 20);
        TBudgetMemoire budget(0);
        std::atomic<int> pleins{0};
        std::vector<qint64> pris(size_t(fils), 0);
        std::vector<char> enPortee(size_t(fils), 0);
        std::vector<std::thread> threads;
        for (int i = 0; i < fils; ++i) {
            threads.emplace_back([&, i] {
                {
                    TBudgetMemoire part(budget);
                    enPortee[size_t(i)] = TBudgetMemoire::Courant() == &part;
                    qint64 n = 0;
                    while (TBudgetMemoire::Courant()->Essayer(taille))
                        ++n;
                    pris[size_t(i)] = n * taille;
                    // Everything taken before anything is given back.
                    ++pleins;
                    while (pleins < fils)
                        std::this_thread::yield();
                    for (qint64 k = 0; k < n; ++k)
                        TBudgetMemoire::Courant()->Rendre(taille);
                }
                enPortee[size_t(i)] = enPortee[size_t(i)] && TBudgetMemoire::Courant() == nullptr;
            });
        }
        // Meanwhile this thread takes and gives back on the budget itself.
        while (pleins < fils) {
            if (budget.Essayer(8))
                budget.Rendre(8);
        }
        for (std::thread &t : threads)
            t.join();
        qint64 total = 0;
        for (int i = 0; i < fils; ++i) {
            QVERIFY(enPortee[size_t(i)]);
            total += pris[size_t(i)];
        }
        QVERIFY(total <= budget.Limite());
        QVERIFY2(total > budget.Limite() - qint64(fils + 1) * (taille + 8), qPrintable(QString::number(total)));
        QCOMPARE(budget.Pris(), qint64(0));
    }

    // Memory turned down inside libxml2 stops its parser without marking the
    // document malformed: wherever the budget runs out (among the elements,
    // in the long text, in its copy), the quiz is refused, never read cut short.
    void arbreCoupe()
    {
        const QByteArray texte(100000, 'x');
        const QByteArray quiz = "<?xml version=\"1.0\"?><quiz>" + QByteArray("<a/>").repeated(40000)
            + "<question type=\"essay\"><name><text>n</text></name><questiontext><text>" + texte
            + "</text></questiontext></question></quiz>";
        const qint64 vingtFois = 20 * qint64(quiz.size());
        int lus = 0;
        int refus = 0;
        for (qint64 plancher = vingtFois; plancher < vingtFois + (3 << 20); plancher += 16 << 10) {
            TBudgetMemoire::InjecterPlancher(plancher);
            try {
                const auto f = TFichierMoodle::LireMoodle(quiz);
                QCOMPARE(f->NombreFiches(), 1);
                QCOMPARE(f->Fiche(0).Champ1(), "(*essay*) " + QString::fromLatin1(texte));
                ++lus;
            } catch (const ErreurIdInvalide &e) {
                QCOMPARE(e.message(), MessageBudget(TBudgetMemoire::LimitePour(quiz.size())));
                ++refus;
            }
        }
        // Both outcomes were reached: the budget ran out at every point in between.
        QVERIFY(refus > 0);
        QVERIFY(lus > 0);
    }

    // Every reader's cards pass through one check: a text longer than any
    // card holds is refused, whatever the format.
    void texteBorne_data()
    {
        QTest::addColumn<QString>("lecteur");
        QTest::addColumn<QByteArray>("texte");
        QTest::addColumn<QString>("message");
        const qsizetype max = TBudgetMemoire::MaxCaracteresTexte;
        const qsizetype lignes = TBudgetMemoire::MaxLignesTexte;
        QTest::newRow("CSV, at the most") << QStringLiteral("csv") << QByteArray(max, 'x') << "";
        QTest::newRow("CSV, one character more") << QStringLiteral("csv") << QByteArray(max + 1, 'x') << "characters";
        QTest::newRow("XML, at the most") << QStringLiteral("xml") << QByteArray(max, 'x') << "";
        QTest::newRow("XML, one character more") << QStringLiteral("xml") << QByteArray(max + 1, 'x') << "characters";
        QTest::newRow("XML, at the most lines") << QStringLiteral("xml") << QByteArray("a\n").repeated(lignes - 1) + "a"
                                                << "";
        QTest::newRow("XML, one line more") << QStringLiteral("xml") << QByteArray("a\n").repeated(lignes) + "a"
                                            << "lines";
        QTest::newRow("XML, lone CRs") << QStringLiteral("xml") << QByteArray("a&#13;").repeated(lignes) + "a"
                                       << "lines";
    }

    void texteBorne()
    {
        QFETCH(QString, lecteur);
        QFETCH(QByteArray, texte);
        QFETCH(QString, message);
        QString erreur;
        try {
            const auto f = lecteur == QLatin1String("csv")
                ? TFichierCSV::LireCSV(texte, u'L')
                : TFichierXML::LireXml(
                    "<?xml version=\"1.0\"?><AMBLORINE TYPE=\"L\" ID_FICHE=\"F\" ID_CHAMP2=\"C\"><F><C>" + texte
                        + "</C></F></AMBLORINE>",
                    true);
            QCOMPARE(f->NombreFiches(), 1);
            QCOMPARE(f->Fiche(0).Champ2().size() >= texte.size() / 2, true);
        } catch (const ErreurIdInvalide &e) {
            erreur = e.message();
        }
        if (message.isEmpty())
            QCOMPARE(erreur, QString());
        else
            QVERIFY2(erreur.contains(message), qPrintable(erreur));
    }

    // Elements with more attributes than a card file ever has are refused
    // before libxml2 sees them; what only looks like attributes is not counted.
    void attributs_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<bool>("accepte");
        QTest::addColumn<int>("ligne");
        const int max = GardeXml::MaxAttributs;
        QTest::newRow("at the limit") << Attributs(max) << true << 0;
        QTest::newRow("one more") << Attributs(max + 1, "<r>\n\n") << false << 3;
        QTest::newRow("40,000") << Attributs(40000) << false << 1;
        QTest::newRow("in a comment") << Attributs(1000, "<!--", "-->") << true << 0;
        QTest::newRow("in CDATA") << Attributs(1000, "<r><![CDATA[", "]]></r>") << true << 0;
        QTest::newRow("in an instruction") << Attributs(1000, "<?x ", "?>") << true << 0;
        QTest::newRow("equals signs in a value") << QByteArray("<a b=\"") + QByteArray(5000, '=') + "\"/>" << true << 0;
        QTest::newRow("equals signs in text") << QByteArray("<a>") + QByteArray(5000, '=') + "</a>" << true << 0;
        QTest::newRow("many elements, a few each") << Attributs(10).repeated(1000) << true << 0;
        QTest::newRow("UTF-16LE") << Utf16(Attributs(max + 1, "<?xml version=\"1.0\"?>"), false) << false << 1;
        QTest::newRow("UTF-16BE") << Utf16(Attributs(max + 1, "<?xml version=\"1.0\"?>"), true) << false << 1;
    }

    void attributs()
    {
        QFETCH(QByteArray, octets);
        QFETCH(bool, accepte);
        QFETCH(int, ligne);
        int lu = 0;
        QCOMPARE(GardeXml::AttributsRaisonnables(octets, lu), accepte);
        if (!accepte)
            QCOMPARE(lu, ligne);
    }

    // The editor and amblopad-cli read through the same entry: a card file
    // with such an element is refused at once.
    void attributsDansUneFiche()
    {
        QByteArray xml("<?xml version=\"1.0\"?>\n<AMBLORINE><TYPE>L</TYPE>\n<FICHE><Q>q</Q><R>r</R></FICHE>\n<FICHE");
        for (int i = 0; i < 40000; ++i)
            xml += " a" + QByteArray::number(i) + "=\"\"";
        xml += "><Q>q</Q><R>r</R></FICHE></AMBLORINE>\n";
        const QString nom = m_dossier.filePath(QStringLiteral("attributs.xaql"));
        QVERIFY(OutilsTest::EcrireFichier(nom, xml));
        const auto r = OutilsTest::LancerCli({QStringLiteral("info"), nom},
                                             m_dossier.filePath(QStringLiteral("cli.ini")));
        QCOMPARE(r.code, 1);
        QCOMPARE(QString::fromUtf8(r.erreurs), QStringLiteral("Erreur dans l'écriture du code XML !\n"));
    }
};

QTEST_GUILESS_MAIN(TestHostiles)
#include "tst_hostiles.moc"
