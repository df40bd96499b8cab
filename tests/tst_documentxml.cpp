#include "formats/documentxml.h"
#include "formats/gardexml.h"
#include "formats/html.h"
#include "model/budget.h"
#include "outilstest.h"

#include <QtTest>

#include <cstdio>
#include <unistd.h>

using Genre = TNoeudXml::Genre;
Q_DECLARE_METATYPE(TNoeudXml::Genre)

namespace {

// What a taken element holds: its name, attribute "a" when it has one, its
// child elements and its text.
QString Decrire(const TNoeudXml &e)
{
    QString d = e.Nom();
    if (e.AAttribut(QStringLiteral("a")))
        d += u'[' + e.Attribut(QStringLiteral("a")) + u']';
    return d + u'/' + QString::number(e.Elements().size()) + u'=' + e.Texte();
}

// Takes the elements of the names given (and, when none are, every child of
// the root); logs each start seen ("<name") and each element taken.
struct Preneur : TLectureElementsXml::Recepteur
{
    QStringList noms;
    QStringList journal;
    bool racine = true;
    bool Debut(const TNoeudXml &e) override
    {
        journal << u'<' + e.Nom();
        const bool pris = noms.isEmpty() ? !racine : noms.contains(e.Nom());
        racine = false;
        return pris;
    }
    void Element(const TNoeudXml &e) override { journal << Decrire(e); }
};

// The same elements as the whole tree has them.
void Prendre(const TNoeudXml &e, const QStringList &noms, QStringList &pris)
{
    if (noms.contains(e.Nom())) {
        pris << Decrire(e);
        return;
    }
    for (const TNoeudXml &enfant : e.Elements())
        Prendre(enfant, noms, pris);
}

} // namespace

class TstDocumentXml : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dossier;

private slots:
    void initTestCase() { OutilsTest::IsolerParametres(m_dossier); }
    void cleanup() { TBudgetMemoire::InjecterPlancher(-1); }

    // libxml2's own messages never reach standard error: they are kept for
    // the refusal's message, the first three different ones and a count.
    void messagesLibxml_data()
    {
        QTest::addColumn<QString>("lecture");
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<int>("minimum"); // messages libxml2 gives at least
        QTest::newRow("XML, tags mismatched") << "xml" << QByteArray("<a><b></a>") << 2;
        QTest::newRow("XML, bytes not in the encoding")
            << "xml" << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-7\"?><a>\xff\xfe\x80</a>") << 1;
        QTest::newRow("XML, memory turned down") << "xml, 1 MB"
                                                 << "<a>" + QByteArray("<b/>").repeated(100000) + "</a>" << 1;
        QTest::newRow("HTML, faults of every kind")
            << "html" << QByteArray("<p>a & b <x y=>c</q> &#xZZ; <").repeated(20) << 4;
        QTest::newRow("HTML, memory turned down") << "html, 1 MB" << QByteArray("<b>q</b>").repeated(200000) << 1;
    }
    void messagesLibxml()
    {
        QFETCH(QString, lecture);
        QFETCH(QByteArray, source);
        QFETCH(int, minimum);
        QTemporaryFile capture(m_dossier.filePath(QStringLiteral("stderr-XXXXXX")));
        QVERIFY(capture.open());
        std::fflush(stderr);
        const int sauve = ::dup(STDERR_FILENO);
        QVERIFY(::dup2(capture.handle(), STDERR_FILENO) >= 0);
        {
            if (lecture.endsWith(QLatin1String("1 MB")))
                TBudgetMemoire::InjecterPlancher(1 << 20);
            TBudgetMemoire budget(source.size());
            GardeXml::OublierMessages();
            try {
                if (lecture.startsWith(QLatin1String("xml"))) {
                    TDocumentXml doc;
                    doc.Charger(source);
                } else {
                    Html::VersTexte(QString::fromUtf8(source));
                }
            } catch (const Erreur &) {
                // a refusal is what the budget rows expect; the messages are what is looked at
            }
        }
        std::fflush(stderr);
        ::dup2(sauve, STDERR_FILENO);
        ::close(sauve);
        QCOMPARE(OutilsTest::LireFichier(capture.fileName()), QByteArray());

        const int n = GardeXml::NombreMessages();
        QVERIFY2(n >= minimum, qPrintable(QString::number(n)));
        const QStringList lignes = GardeXml::AvecMessages(QStringLiteral("Refused.")).split(u'\n');
        QCOMPARE(lignes.first(), QStringLiteral("Refused."));
        qsizetype gardes = 0;
        while (gardes + 1 < lignes.size() && lignes.at(gardes + 1).startsWith(QLatin1String("XML parser")))
            ++gardes;
        QVERIFY2(gardes >= 1 && gardes <= 3, qPrintable(lignes.join(u'\n')));
        if (n > gardes) {
            QCOMPARE(lignes.size(), gardes + 2);
            QCOMPARE(lignes.last(), QStringLiteral("(%1 more message(s) from the XML parser)").arg(n - gardes));
        } else {
            QCOMPARE(lignes.size(), gardes + 1);
        }
        GardeXml::OublierMessages();
        QCOMPARE(GardeXml::AvecMessages(QStringLiteral("Refused.")), QStringLiteral("Refused."));
    }

    void lectureArbre()
    {
        const QByteArray source
            = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
              "<?xml-stylesheet type=\"text/xsl\" href=\"a.xsl\"?>\r\n"
              "<!-- note -->\r\n"
              "<?autre x?>\r\n"
              "<RACINE A=\"1\" VIDE=\"\" xml:space=\"preserve\">\r\n"
              "  <F n=\"a &amp; &quot;b&quot;\">un<br/>deux<![CDATA[<trois>]]><!--c--><?pi d?></F>\r\n"
              "  <G/>\r\n"
              "  <F>l1\r\nl2&#13;&#10;l3\rl4 &#233;&lt;</F>\r\n"
              "  <sous><F>profond</F></sous>\r\n"
              "</RACINE>\r\n";
        TDocumentXml doc;
        QVERIFY2(doc.Charger(source), qPrintable(doc.MessageErreur()));
        QVERIFY(doc.Encodage().compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0);
        const TNoeudXml racine = doc.Racine();
        QCOMPARE(racine.Type(), Genre::Element);
        QCOMPARE(racine.Nom(), QStringLiteral("RACINE"));
        QCOMPARE(racine.Attribut(QStringLiteral("A")), QStringLiteral("1"));
        QVERIFY(!racine.Attribut(QStringLiteral("VIDE")).isNull());
        QVERIFY(racine.Attribut(QStringLiteral("VIDE")).isEmpty());
        QVERIFY(racine.Attribut(QStringLiteral("ABSENT")).isNull());
        QVERIFY(racine.Attribut(QStringLiteral("a")).isNull()); // names are case-sensitive
        QCOMPARE(racine.Attribut(QStringLiteral("xml:space")), QStringLiteral("preserve"));

        // Only direct children count, in document order.
        const QList<TNoeudXml> fs = racine.Enfants(QStringLiteral("F"));
        QCOMPARE(fs.size(), 2);
        QCOMPARE(racine.Enfant(QStringLiteral("F")), fs.first());
        QVERIFY(racine.Enfant(QStringLiteral("f")).EstNul());
        QCOMPARE(racine.Elements().size(), 4);
        QCOMPARE(fs[0].Attribut(QStringLiteral("n")), QStringLiteral("a & \"b\""));

        const QList<TNoeudXml> noeuds = fs[0].Noeuds();
        QList<Genre> genres;
        for (const TNoeudXml &n : noeuds)
            genres << n.Type();
        QCOMPARE(genres,
                 (QList<Genre>{Genre::Texte, Genre::Element, Genre::Texte, Genre::CData, Genre::Commentaire,
                               Genre::Instruction}));
        QCOMPARE(noeuds[1].Nom(), QStringLiteral("br"));
        QCOMPARE(noeuds[3].Texte(), QStringLiteral("<trois>"));
        QCOMPARE(noeuds[5].Cible(), QStringLiteral("pi"));
        QCOMPARE(noeuds[5].Donnees(), QStringLiteral("d"));
        QCOMPARE(fs[0].Texte(), QStringLiteral("undeux<trois>"));
        // Every line break as LF, character references resolved.
        QCOMPARE(fs[1].Texte(), QStringLiteral("l1\nl2\nl3\nl4 \u00e9<"));
        QCOMPARE(fs[1].Ligne(), 8);

        // Top-level nodes and the instructions before the root.
        QList<Genre> hauts;
        for (const TNoeudXml &n : doc.Noeud().Noeuds())
            hauts << n.Type();
        QCOMPARE(hauts, (QList<Genre>{Genre::Instruction, Genre::Commentaire, Genre::Instruction, Genre::Element}));
        const QList<TNoeudXml> pis = doc.InstructionsAvantRacine();
        QCOMPARE(pis.size(), 2);
        QCOMPARE(pis[0].Cible(), QStringLiteral("xml-stylesheet"));
        QCOMPARE(pis[0].Donnees(), QStringLiteral("type=\"text/xsl\" href=\"a.xsl\""));

        // A null handle answers with nothing.
        const TNoeudXml nul;
        QCOMPARE(nul.Type(), Genre::Nul);
        QVERIFY(nul.Texte().isNull());
        QVERIFY(nul.Enfant(QStringLiteral("F")).EstNul());
        QVERIFY(nul.Enfants(QStringLiteral("F")).isEmpty());
        QVERIFY(nul.Attribut(QStringLiteral("A")).isNull());
    }

    // Read an element at a time, the elements taken are the tree's own:
    // texts, attributes, children, namespaces; the others are passed through.
    void lectureParElements_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QStringList>("noms");
        QTest::addColumn<QStringList>("journal");
        QTest::newRow("in sections, texts between")
            << QByteArray("<?xml version=\"1.0\"?><!--c--><r><s a=\"1\"><i a=\"x\">un</i> texte <i>deux<!--c-->"
                          "trois<?p d?></i></s><i a=\"&amp;&lt;\">q</i>queue</r><!--d-->")
            << QStringList{"i"} << QStringList{"<r", "<s", "<i", "i[x]/0=un", "<i", "i/0=deuxtrois", "<i", "i[&<]/0=q"};
        QTest::newRow("namespaces declared above")
            << QByteArray("<q:r xmlns:q=\"urn:q\" xmlns=\"urn:d\"><q:i><b>x</b><q:b>y</q:b></q:i><s><i/></s></q:r>")
            << QStringList{"q:i", "i"} << QStringList{"<q:r", "<q:i", "q:i/2=xy", "<s", "<i", "i/0="};
        QTest::newRow("the same name inside one taken")
            << QByteArray("<r><i><s><i>z</i></s>w</i></r>") << QStringList{"i"} << QStringList{"<r", "<i", "i/1=zw"};
        QTest::newRow("root taken") << QByteArray("<i a=\"1\"><i>a</i>b</i>") << QStringList{"i"}
                                    << QStringList{"<i", "i[1]/1=ab"};
        QTest::newRow("CDATA, references, line ends")
            << QByteArray("<r>\r\n<i><![CDATA[<x>]]>&#65;&amp;\r\nl2\rl3</i>\r\n</r>") << QStringList{"i"}
            << QStringList{"<r", "<i", "i/0=<x>A&\nl2\nl3"};
        QTest::newRow("nothing taken") << QByteArray("<r><s><t>x</t></s></r>") << QStringList{"i"}
                                       << QStringList{"<r", "<s", "<t"};
    }
    void lectureParElements()
    {
        QFETCH(QByteArray, source);
        QFETCH(QStringList, noms);
        QFETCH(QStringList, journal);
        Preneur preneur;
        preneur.noms = noms;
        TLectureElementsXml lecture(preneur);
        QVERIFY(lecture.Lire(source));
        QCOMPARE(preneur.journal, journal);
        TDocumentXml doc;
        QVERIFY(doc.Charger(source));
        QStringList arbre;
        Prendre(doc.Racine(), noms, arbre);
        QStringList pris;
        for (const QString &l : std::as_const(preneur.journal))
            if (!l.startsWith(u'<'))
                pris << l;
        QCOMPARE(pris, arbre);
    }

    // An element's name without its prefix, as the part after the first colon
    // of Nom() would give it, compared without building it.
    void nomLocal_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("nom");
        QTest::addColumn<bool>("attendu");
        QTest::newRow("plain") << QByteArray("<item/>") << QStringLiteral("item") << true;
        QTest::newRow("longer name") << QByteArray("<items/>") << QStringLiteral("item") << false;
        QTest::newRow("shorter name") << QByteArray("<ite/>") << QStringLiteral("item") << false;
        QTest::newRow("case") << QByteArray("<Item/>") << QStringLiteral("item") << false;
        QTest::newRow("declared prefix") << QByteArray("<q:item xmlns:q=\"u\"/>") << QStringLiteral("item") << true;
        QTest::newRow("prefix is not the name")
            << QByteArray("<q:item xmlns:q=\"u\"/>") << QStringLiteral("q:item") << false;
        QTest::newRow("default namespace") << QByteArray("<item xmlns=\"u\"/>") << QStringLiteral("item") << true;
        QTest::newRow("non-ASCII") << QByteArray("<caf\xc3\xa9/>") << QStringLiteral("caf\u00e9") << true;
        QTest::newRow("non-ASCII, other letter")
            << QByteArray("<caf\xc3\xa8/>") << QStringLiteral("caf\u00e9") << false;
    }

    void nomLocal()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, nom);
        QFETCH(bool, attendu);
        TDocumentXml doc;
        QVERIFY2(doc.Charger(source), qPrintable(doc.MessageErreur()));
        QCOMPARE(doc.Racine().EstNommeLocal(nom), attendu);
        const QString qualifie = doc.Racine().Nom();
        QCOMPARE(qualifie.mid(qualifie.indexOf(u':') + 1) == nom, attendu);
        QVERIFY(!doc.Noeud().EstNommeLocal(nom));
    }

    void encodages_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("encodage");
        QTest::addColumn<QString>("texte");
        QTest::newRow("windows-1252") << QByteArray(
            "<?xml version=\"1.0\" encoding=\"windows-1252\"?><R>caf\xe9 \x80</R>")
                                      << QStringLiteral("windows-1252") << QStringLiteral("caf\u00e9 \u20ac");
        QTest::newRow("windows-1250") << QByteArray(
            "<?xml version=\"1.0\" encoding=\"windows-1250\"?><R>\x9a\xe8\xf8</R>")
                                      << QStringLiteral("windows-1250") << QStringLiteral("\u0161\u010d\u0159");
        QTest::newRow("ISO-8859-1") << QByteArray("<?xml version='1.0' encoding='ISO-8859-1'?><R>\xe9</R>")
                                    << QStringLiteral("ISO-8859-1") << QStringLiteral("\u00e9");
        QTest::newRow("bom utf-8") << QByteArray("\xef\xbb\xbf<R>\xc3\xa9</R>") << QString()
                                   << QStringLiteral("\u00e9");
        QTest::newRow("utf-16") << QByteArray("\xff\xfe<\0R\0>\0\xe9\0<\0/\0R\0>\0", 18) << QString()
                                << QStringLiteral("\u00e9");
    }

    void encodages()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, encodage);
        QFETCH(QString, texte);
        TDocumentXml doc;
        QVERIFY2(doc.Charger(source), qPrintable(doc.MessageErreur()));
        if (!encodage.isEmpty())
            QCOMPARE(doc.Encodage(), encodage);
        QCOMPARE(doc.Racine().Texte(), texte);
    }

    void refus_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<int>("ligne");

        QTest::newRow("vide") << QByteArray() << 0;
        QTest::newRow("blancs") << QByteArray(" \r\n ") << 0;
        QTest::newRow("sans racine") << QByteArray("<?xml version=\"1.0\"?><!-- x -->") << 0;
        QTest::newRow("non fermé") << QByteArray("<?xml version=\"1.0\"?>\n<A>\n<B>\n</A>") << 4;
        QTest::newRow("deux racines") << QByteArray("<A/><B/>") << 1;
        QTest::newRow("entité inconnue") << QByteArray("<A>&nbsp;</A>") << 1;
        QTest::newRow("esperluette nue") << QByteArray("<A>a & b</A>") << 1;
        QTest::newRow("utf-8 invalide") << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><A>\xff\xfe</A>") << 1;
        QTest::newRow("encodage inconnu") << QByteArray("<?xml version=\"1.0\" encoding=\"x-nothing-42\"?><A/>") << 0;
        QTest::newRow("caractère interdit") << QByteArray("<A>\x01</A>") << 1;
        QTest::newRow("référence interdite") << QByteArray("<A>&#1;</A>") << 1;
        QTest::newRow("doctype simple") << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE A>\n<A/>") << 2;
        QTest::newRow("bombe d'entités") << QByteArray(
            "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n"
            "<!ENTITY lol \"lol\">\n"
            "<!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n"
            "<!ENTITY lol2 \"&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;\">\n"
            "<!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">\n"
            "<!ENTITY lol4 \"&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;\">\n"
            "<!ENTITY lol5 \"&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;\">\n"
            "<!ENTITY lol6 \"&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;\">\n"
            "<!ENTITY lol7 \"&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;\">\n"
            "<!ENTITY lol8 \"&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;\">\n"
            "<!ENTITY lol9 \"&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;\">\n"
            "]>\n<lolz>&lol9;</lolz>") << 2;
        QTest::newRow("entité externe fichier") << QByteArray(
            "<?xml version=\"1.0\"?>\n<!DOCTYPE A [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n<A>&x;</A>")
                                                << 2;
        QTest::newRow("entité externe réseau") << QByteArray(
            "<?xml version=\"1.0\"?>\n<!DOCTYPE A [<!ENTITY x SYSTEM \"http://192.0.2.1/x\">]>\n<A>&x;</A>")
                                               << 2;
        QTest::newRow("dtd externe") << QByteArray(
            "<?xml version=\"1.0\"?>\n<!DOCTYPE A SYSTEM \"http://192.0.2.1/a.dtd\">\n<A/>")
                                     << 2;
        QTest::newRow("entité paramètre")
            << QByteArray("<!DOCTYPE A [<!ENTITY % p SYSTEM \"http://192.0.2.1/p\"> %p;]><A/>") << 1;
        QTest::newRow("imbrication profonde")
            << (QByteArray("<A>").repeated(100000) + QByteArray("</A>").repeated(100000)) << 1;
        QTest::newRow("imbrication profonde non fermée") << QByteArray("<A>").repeated(200000) << 1;
        QTest::newRow("attribut énorme") << (QByteArray("<A v=\"") + QByteArray(10000001, 'x') + QByteArray("\"/>"))
                                         << 1;
        QTest::newRow("nom énorme") << (QByteArray("<A") + QByteArray(60000, 'x') + QByteArray("/>")) << 1;
    }

    // Refused documents: never expanded, fetched or crashed on; the parser's
    // line and message are kept.
    void refus()
    {
        QFETCH(QByteArray, source);
        QFETCH(int, ligne);
        TDocumentXml doc;
        QVERIFY(!doc.Charger(source));
        QVERIFY(!doc.MessageErreur().isEmpty());
        if (ligne > 0)
            QCOMPARE(doc.LigneErreur(), ligne);
        QVERIFY(doc.Racine().EstNul());
        // Read an element at a time, the same documents are refused.
        Preneur preneur;
        QVERIFY(!TLectureElementsXml(preneur).Lire(source));
        // The document object stays usable.
        QVERIFY(doc.Charger("<A>ok</A>"));
        QCOMPARE(doc.Racine().Texte(), QStringLiteral("ok"));
        QVERIFY(doc.MessageErreur().isEmpty());
    }

    // Depth well inside the parser's limit is read.
    void imbricationRaisonnable()
    {
        TDocumentXml doc;
        QVERIFY(doc.Charger(QByteArray("<A>").repeated(200) + "x" + QByteArray("</A>").repeated(200)));
        QCOMPARE(doc.Racine().Texte(), QStringLiteral("x"));
    }
};

QTEST_GUILESS_MAIN(TstDocumentXml)
#include "tst_documentxml.moc"
