// Large XML card files are read as a stream, one card's tree at a time. These
// documents place their parts where a stream could go wrong; each must read
// exactly as the same card file laid out in the usual order, or be refused.

#include "formats/xml.h"
#include "model/dump.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "settings/init.h"
#include "outilstest.h"

#include <QtTest>

namespace {

const QByteArray Declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
const QByteArray Racine = "<AMBLORINE VERSION=\"7.8\" TYPE=\"Q\" ID_FICHE=\"F\" ID_CHAMP0=\"I\" "
                          "ID_CHAMP1=\"Q\" ID_CHAMP2=\"R\">\n";
const QByteArray Options = "<OPTIONS><OU_VISIBLE>ou</OU_VISIBLE><OU_CACHE>|</OU_CACHE>"
                           "<ESPACEMENT>\\s</ESPACEMENT></OPTIONS>\n";
const QByteArray Carte1 = "<F><I>Été</I><Q>Capitale ?</Q><R>Paris</R><R CACHE=\"oui\">paris</R>"
                          "<R>Lutèce</R></F>\n";
const QByteArray Carte2 = "<F><I>b</I><Q>q &amp; r</Q><R><![CDATA[<x>]]></R></F>\n";
const QByteArray Etiquettes = "<ETIQUETTES><I>Nom</I><Q>Qui</Q><R>Quoi</R></ETIQUETTES>\n";
const QByteArray Canevas = "<CANEVAS><I>t</I><Q>a\\sb</Q><R>c</R></CANEVAS>\n";

QByteArray Document(const QList<QByteArray> &parties, const QByteArray &prologue = Declaration)
{
    QByteArray d = prologue + Racine;
    for (const QByteArray &p : parties)
        d += p;
    return d + "</AMBLORINE>\n";
}

QByteArray Lire(const QByteArray &octets)
{
    return DumpJson(*TFichierXML::LireXml(octets, true));
}

} // namespace

class TestXmlFlux : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dossier;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dossier.isValid());
        OutilsTest::IsolerParametres(m_dossier);
    }

    void init() { ParametresParDefaut(); }

    void memeLecture_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QByteArray>("reference");
        const QByteArray titre = "<TITRE>Le titre</TITRE>\n";
        const QByteArray usuel = Document({titre, Options, Etiquettes, Canevas, Carte1, Carte2});
        QTest::newRow("options after the cards")
            << Document({titre, Carte1, Options, Carte2, Etiquettes, Canevas}) << usuel;
        QTest::newRow("captions and canvas at the end")
            << Document({titre, Options, Carte1, Carte2, Etiquettes, Canevas}) << usuel;
        QTest::newRow("second title, options and captions ignored")
            << Document({titre, Options, Etiquettes, Canevas, Carte1, "<TITRE>autre</TITRE>\n",
                         "<OPTIONS><OU_CACHE>#</OU_CACHE></OPTIONS>\n", "<ETIQUETTES><I>x</I></ETIQUETTES>\n", Carte2})
            << usuel;
        QTest::newRow("comments and text between the parts") << Document(
            {"<!-- c -->", titre, " texte ", Options, Etiquettes, Canevas, "<!-- d -->", Carte1, "\n\n", Carte2})
                                                             << usuel;
        QTest::newRow("cards inside another element are no cards")
            << Document({titre, Options, Etiquettes, Canevas, Carte1, "<X>", Carte1, "</X>", Carte2}) << usuel;
        // Cards named like the title: each such element is a card, and the first the title.
        const QByteArray racineTitre = QByteArray(Racine).replace("ID_FICHE=\"F\"", "ID_FICHE=\"TITRE\"");
        const QByteArray carteTitre = QByteArray(Carte1).replace("<F>", "<TITRE>").replace("</F>", "</TITRE>");
        QTest::newRow("cards named TITRE")
            << QByteArray(Declaration + racineTitre + Options + carteTitre + carteTitre + "</AMBLORINE>\n")
            << QByteArray(Declaration + racineTitre + carteTitre + Options + carteTitre + "</AMBLORINE>\n");
    }

    void memeLecture()
    {
        QFETCH(QByteArray, document);
        QFETCH(QByteArray, reference);
        QCOMPARE(Lire(document), Lire(reference));
    }

    void details()
    {
        const auto f = TFichierXML::LireXml(
            Document({"<TITRE>Le titre</TITRE>", Carte1, Options, Carte2, Etiquettes, Canevas}), true);
        QCOMPARE(f->Titre, QStringLiteral("Le titre"));
        QCOMPARE(f->NombreFiches(), 2);
        QCOMPARE(f->Fiche(0).Champ0(), QString::fromUtf8("Été"));
        // Joined with the links of the options that come after the card.
        QCOMPARE(f->Fiche(0).Champ2(), QStringLiteral("Paris | paris ou Lutèce"));
        QCOMPARE(f->Fiche(1).Champ1(), QStringLiteral("q & r"));
        QCOMPARE(f->Fiche(1).Champ2(), QStringLiteral("<x>"));
        QCOMPARE(f->Etiquettes.Champ1(), QStringLiteral("Qui"));
        QCOMPARE(f->Canevas.Champ1(), QStringLiteral("a b"));
        QVERIFY(!f->Modifie);
    }

    void prologue_data()
    {
        QTest::addColumn<QByteArray>("prologue");
        QTest::addColumn<QString>("feuille");
        QTest::addColumn<int>("page");
        const QByteArray pi = "<?xml-stylesheet type=\"text/xsl\" href=\"vue.xsl\"?>\n";
        QTest::newRow("style sheet") << QByteArray(Declaration + pi) << QStringLiteral("vue.xsl") << 0;
        QTest::newRow("style sheet after a comment") << QByteArray(Declaration + "<!-- c -->\n" + pi) << QString() << 0;
        QTest::newRow("windows-1252") << QByteArray("<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n" + pi)
                                      << QStringLiteral("vue.xsl") << 1252;
        QTest::newRow("no declaration") << pi << QStringLiteral("vue.xsl") << 0;
    }

    void prologue()
    {
        QFETCH(QByteArray, prologue);
        QFETCH(QString, feuille);
        QFETCH(int, page);
        const auto f = TFichierXML::LireXml(Document({Carte2}, prologue), true);
        QCOMPARE(f->FeuilleStyle, feuille);
        if (page)
            QCOMPARE(int(f->PageCode), page);
        QCOMPARE(f->NombreFiches(), 1);
    }

    // Whatever the stream had read, a bad document is refused whole.
    void refus_data()
    {
        QTest::addColumn<QByteArray>("document");
        const QByteArray bon = Document({Options, Carte1, Carte2});
        QTest::newRow("cut after a card") << bon.left(bon.indexOf("<F><I>b"));
        QTest::newRow("garbage after the root") << QByteArray(bon + "<F/>");
        QTest::newRow("second root") << QByteArray(bon + bon.mid(Declaration.size()));
        QTest::newRow("badly nested card") << Document({Options, Carte1, "<F><I>x</Q></F>\n", Carte2});
        QTest::newRow("document type") << QByteArray(
            "<?xml version=\"1.0\"?>\n<!DOCTYPE AMBLORINE [<!ENTITY e \"x\">]>\n" + Racine + Carte1 + "</AMBLORINE>\n");
        QTest::newRow("other root") << QByteArray(Declaration + "<quiz>" + Carte1 + "</quiz>\n");
        QTest::newRow("empty") << QByteArray();
    }

    void refus()
    {
        QFETCH(QByteArray, document);
        QVERIFY_THROWS_EXCEPTION(ErreurIdInvalide, TFichierXML::LireXml(document, true));
        QVERIFY_THROWS_EXCEPTION(ErreurIdInvalide, TFichierXML::LireXml(document, false));
    }

    // A model read (no cards) still takes the options, captions and canvas.
    void modele()
    {
        const auto f = TFichierXML::LireXml(Document({"<TITRE>t</TITRE>", Carte1, Options, Etiquettes, Canevas}),
                                            false);
        QCOMPARE(f->NombreFiches(), 0);
        QVERIFY(f->Titre.isEmpty());
        QCOMPARE(f->Fragmenteur, QStringLiteral("|"));
        QVERIFY(f->AvecEtiquettes);
        QVERIFY(f->AvecCanevas);
    }
};

QTEST_GUILESS_MAIN(TestXmlFlux)
#include "tst_xml_flux.moc"
