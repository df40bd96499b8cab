// XML card files are read as a stream of parser events, without a tree. These
// documents place their parts where a stream could go wrong; each must read
// exactly as the same card file laid out in the usual order, or be refused.
// Texts come from the parser in pieces (long or accented runs, references,
// CDATA sections, encodings converted chunk by chunk): each must read whole.

#include "formats/fiches/xml.h"
#include "model/dump.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "settings/init.h"
#include "outilstest.h"

#include <QStringEncoder>
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

// A card file in the given encoding whose one card holds carte.
QByteArray DocumentEncode(const QByteArray &attributs, const char *encodage, const QString &carte)
{
    const QString texte = QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>\n").arg(QLatin1String(encodage))
        + QString::fromUtf8(QByteArray(Racine).replace("\">", "\" " + attributs + ">") + Options)
        + QStringLiteral("<F><I>t</I>") + carte + QStringLiteral("</F>\n</AMBLORINE>\n");
    auto format = QStringConverter::encodingForName(encodage);
    if (!format)
        format = QStringConverter::Latin1; // windows-1252 within Latin-1's letters
    QStringEncoder encodeur(*format, QStringConverter::Flag::WriteBom);
    return encodeur.encode(texte);
}

QString U(const char *texte)
{
    return QString::fromUtf8(texte);
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

    void textesEnMorceaux_data()
    {
        QTest::addColumn<QByteArray>("attributs");
        QTest::addColumn<QByteArray>("encodage");
        QTest::addColumn<QString>("carte");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("reponse");
        const QString e300(300, QChar(0xE9));
        const QString e5000(5000, QChar(0xE9));
        const QString feff(QChar(0xFEFF));
        const QString r = U("<R>r</R>");
        const QByteArray riche = "BALISES_CONTROLES=\"oui\"";
        auto ligne = [](const char *nom, const QByteArray &attributs, const char *encodage, const QString &question,
                        const QString &reponses, const QString &q, const QString &attendue) {
            QTest::newRow(nom) << attributs << QByteArray(encodage) << U("<Q>") + question + U("</Q>") + reponses << q
                               << attendue;
        };
        // The parser hands long non-ASCII runs over 300 bytes at a time; trimming is of the whole text.
        ligne("long accented text", "", "UTF-8", U("  \n") + e300 + e300 + U(" fin \n "), r, e300 + e300 + U(" fin"),
              U("r"));
        ligne("references inside a long text", "", "UTF-8", e300 + U("&amp;") + e300 + U("&#233;&#x1F600;b"), r,
              e300 + U("&") + e300 + U("é😀b"), U("r"));
        // A CR from a reference and the line break after it are one break.
        ligne("CR by reference, then LF", "", "UTF-8", U("a&#13;\nb"), r, U("a\r\nb"), U("r"));
        ligne("CR LF by references", "", "UTF-8", U("a&#13;&#10;b"), r, U("a\r\nb"), U("r"));
        ligne("LF, then CR by reference", "", "UTF-8", U("a\n&#13;b"), r, U("a\r\n\r\nb"), U("r"));
        ligne("CDATA inside a text", "", "UTF-8", U(" a <![CDATA[ <b> ]]> c "), r, U("a  <b>  c"), U("r"));
        ligne("comment inside a text", "", "UTF-8", U("a <!-- c --> b"), r, U("a  b"), U("r"));
        // Elements inside a field give their text; an answer inside one is no answer.
        ligne("nested unknown elements", "", "UTF-8", U("x<X>y<R>z</R></X>w"), U("<R>r<X><R>s</R></X></R>"), U("xyzw"),
              U("rs"));
        // Rich texts: each text node of the field is trimmed on its own.
        ligne("rich: CDATA between texts", riche, "UTF-8", U("a <![CDATA[ <b> ]]> c"), r, U("a<b>c"), U("r"));
        ligne("rich: adjacent CDATA sections are one", riche, "UTF-8", U("<![CDATA[a ]]><![CDATA[ b]]>"), r, U("a  b"),
              U("r"));
        ligne("rich: a comment ends a text", riche, "UTF-8", U("a <!-- c --> b"), r, U("ab"), U("r"));
        ligne("rich: nested elements give nothing", riche, "UTF-8", U("x <X>y</X> w"), r, U("xw"), U("r"));
        ligne("rich: long texts around a break", riche, "UTF-8", U(" ") + e300 + U(" <br/> ") + e300 + U(" "), r,
              e300 + U("\r\n") + e300, U("r"));
        // The parser reads the bytes a few kilobytes at a time: texts and references across the seams.
        ligne("references across input chunks", "", "UTF-8", U("x&#233;&amp;ab ").repeated(2000), r,
              U("xé&ab ").repeated(2000).trimmed(), U("r"));
        // Converted to UTF-8 a chunk at a time before the parser sees it.
        ligne("windows-1252, long text", "", "windows-1252", e5000 + U("&#233;"), r, e5000 + U("é"), U("r"));
        ligne("UTF-16, long text", "", "UTF-16", e5000 + U("&#233;"), r, e5000 + U("é"), U("r"));
        // A zero width no-break space is a character like another, wherever it stands.
        ligne("U+FEFF at the start of texts", "", "UTF-8", U("&#xFEFF;a"), U("<R>&#xFEFF;b</R><R>&#xFEFF;c</R>"),
              feff + U("a"), feff + U("b ou ") + feff + U("c"));
        ligne("rich: U+FEFF after a break", riche, "UTF-8", U("a<br/>&#xFEFF;b"), r, U("a\r\n") + feff + U("b"),
              U("r"));
    }

    void textesEnMorceaux()
    {
        QFETCH(QByteArray, attributs);
        QFETCH(QByteArray, encodage);
        QFETCH(QString, carte);
        QFETCH(QString, question);
        QFETCH(QString, reponse);
        const auto f = TFichierXML::LireXml(DocumentEncode(attributs, encodage.constData(), carte), true);
        QCOMPARE(f->NombreFiches(), 1);
        QCOMPARE(f->Fiche(0).Champ1(), question);
        QCOMPARE(f->Fiche(0).Champ2(), reponse);
    }

    // Cards named like another part: one element is then both, as a card and
    // as the first of its name (the options still apply to the cards before).
    void rolesMeles_data()
    {
        QTest::addColumn<QByteArray>("corps");
        QTest::addColumn<QByteArray>("attributs");
        QTest::addColumn<QString>("resume");
        QTest::newRow("cards named OPTIONS")
            << QByteArray("<OPTIONS><OU_VISIBLE>ou</OU_VISIBLE><OU_CACHE>|</OU_CACHE><I>t1</I><Q>q1</Q><R>a</R>"
                          "<R CACHE=\"oui\">b</R></OPTIONS>\n"
                          "<OPTIONS><OU_VISIBLE>x</OU_VISIBLE><Q>q2</Q><R>c</R><R>d</R></OPTIONS>\n")
            << QByteArray("ID_FICHE=\"OPTIONS\"") << U("[t1|q1|a | b][|q2|c ou d] ou=ou desc= etiq=||");
        QTest::newRow("cards named ETIQUETTES")
            << QByteArray("<ETIQUETTES><I>t</I><Q>q</Q><R>r</R><R>s</R></ETIQUETTES>\n"
                          "<ETIQUETTES><Q>q2</Q></ETIQUETTES>\n")
            << QByteArray("ID_FICHE=\"ETIQUETTES\"") << U("[t|q|r or s][|q2|] ou=or desc= etiq=t|q|r");
        QTest::newRow("cards named DESCRIPTION, rich")
            << QByteArray("<DESCRIPTION>d1 <Q>q</Q> d2<br/>d3</DESCRIPTION>\n<DESCRIPTION><Q>q2</Q></DESCRIPTION>\n")
            << QByteArray("ID_FICHE=\"DESCRIPTION\" BALISES_CONTROLES=\"oui\"")
            << U("[|q|][|q2|] ou=or desc=d1d2\r\nd3 etiq=||");
        QTest::newRow("options between cards, upper-case CACHE")
            << QByteArray("<F><Q>q1</Q><R>a</R><R CACHE=\"oui\">b</R></F>\n<TITRE>t</TITRE>\n"
                          "<OPTIONS><OU_VISIBLE>ou</OU_VISIBLE><OU_CACHE>|</OU_CACHE></OPTIONS>\n"
                          "<F><Q>q2</Q><R>c</R><R CACHE=\"OUI\">d</R></F>\n")
            << QByteArray("ID_FICHE=\"F\"") << U("[|q1|a | b][|q2|c | d] ou=ou desc= etiq=||");
    }

    void rolesMeles()
    {
        QFETCH(QByteArray, corps);
        QFETCH(QByteArray, attributs);
        QFETCH(QString, resume);
        const QByteArray document = Declaration
            + "<AMBLORINE TYPE=\"Q\" ID_CHAMP0=\"I\" ID_CHAMP1=\"Q\" ID_CHAMP2=\"R\" " + attributs + ">\n" + corps
            + "</AMBLORINE>\n";
        const auto f = TFichierXML::LireXml(document, true);
        QString lu;
        for (int i = 0; i < f->NombreFiches(); ++i)
            lu += u'[' + f->Fiche(i).Champ0() + u'|' + f->Fiche(i).Champ1() + u'|' + f->Fiche(i).Champ2() + u']';
        lu += U(" ou=") + f->OuVisible + U(" desc=") + f->Description + U(" etiq=") + f->Etiquettes.Champ0() + u'|'
            + f->Etiquettes.Champ1() + u'|' + f->Etiquettes.Champ2();
        QCOMPARE(lu, resume);
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
