// CSV import and export, plain-text export.
#include "outilstest.h"

#include "formats/texte/csv.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/outils.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>

#include <functional>

using Cartes = QList<QStringList>;

namespace {

const QString CrLf = QStringLiteral("\r\n");
QStringList L(std::initializer_list<const char *> textes)
{
    QStringList l;
    for (const char *t : textes)
        l << QString::fromUtf8(t);
    return l;
}

Cartes C(std::initializer_list<std::initializer_list<const char *>> cartes)
{
    Cartes c;
    for (const auto &carte : cartes)
        c << L(carte);
    return c;
}

const QString MessageChampsManquants = QStringLiteral("Not enough fields found in the CSV file\u00A0!");

std::unique_ptr<TFichierX> Fichier(QChar type, const Cartes &cartes)
{
    auto f = std::make_unique<TFichierX>(type, u'x');
    for (const QStringList &c : cartes)
        f->AjouterFiche(c.value(0), c.value(1), c.value(2));
    f->Modifie = false;
    return f;
}

Cartes Contenu(const TFichierX &f)
{
    Cartes cartes;
    for (const auto &fiche : f.Fiches)
        cartes << QStringList{fiche.Champ0(), fiche.Champ1(), fiche.Champ2()};
    return cartes;
}

// Readable form for comparisons: control characters shown escaped.
QString Montrer(const Cartes &cartes)
{
    QStringList l;
    for (const QStringList &c : cartes)
        l << u'[' + c.join(QStringLiteral(" ‖ ")) + u']';
    return l.join(QStringLiteral(", "))
        .replace(u'\r', QStringLiteral("\\r"))
        .replace(u'\n', QStringLiteral("\\n"))
        .replace(u'\t', QStringLiteral("\\t"))
        .replace(QChar(0), QStringLiteral("\\0"));
}

QString Montrer(const QByteArray &octets)
{
    QString s;
    for (const char c : octets) {
        const uchar u = uchar(c);
        if (u == '\r')
            s += QStringLiteral("\\r");
        else if (u == '\n')
            s += QStringLiteral("\\n");
        else if (u == '\t')
            s += QStringLiteral("\\t");
        else if (u < 0x20 || u >= 0x7F)
            s += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            s += QLatin1Char(c);
    }
    return s;
}

// The characters of bytes 0x80 to 0x9F in the Windows code page 1252, from
// its published table; the five bytes it leaves undefined read as the C1
// controls of the same number. From 0xA0 on it is Latin-1.
const char16_t Cp1252De80A9F[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// A field's text as the reader gives it: decoded, placeholders as spaces.
QString Cp1252(const QByteArray &octets)
{
    QString texte;
    for (const char c : octets) {
        const uchar u = uchar(c);
        texte += u == 0xAF ? QChar(u' ') : QChar(u >= 0x80 && u < 0xA0 ? Cp1252De80A9F[u - 0x80] : char16_t(u));
    }
    return texte;
}

QString MessageDe(const std::function<void()> &action)
{
    try {
        action();
    } catch (const ErreurIdInvalide &e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TestCsv : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dossier;
    // The user's options the reader and writer are given.
    TOptions m_options;

private slots:
    void initTestCase();
    void init();

    void ecriture_data();
    void ecriture();
    void lecture_data();
    void lecture();
    void lectureUtf8_data();
    void lectureUtf8();
    void lectureAnsi_data();
    void lectureAnsi();
    void champsManquants_data();
    void champsManquants();
    void allerRetour_data();
    void allerRetour();
    void encodageLecture_data();
    void encodageLecture();
    void utf8Invalide_data();
    void utf8Invalide();
    void encodageEcriture();
    void exportTexte();
    void enregistrement();
    void chargementRefuse();
    void entreesHostiles();
    void hasard();
};

void TestCsv::initTestCase()
{
    QVERIFY(m_dossier.isValid());
    OutilsTest::IsolerParametres(m_dossier);
}

void TestCsv::init()
{
    m_options = TOptions();
    m_options.separateurCsv = QStringLiteral(";");
}

// ---------------------------------------------------------------- records

void TestCsv::ecriture_data()
{
    QTest::addColumn<QString>("separateur"); // as the setting holds it
    QTest::addColumn<QChar>("type");
    QTest::addColumn<QStringList>("carte");
    QTest::addColumn<QByteArray>("attendu");

    QTest::newRow("questionnaire") << ";" << QChar(u'Q') << L({"Capital", "France?", "Paris;paris"})
                                   << QByteArray("Capital;France?;Paris;paris\r\n");
    QTest::newRow("pieces trimmed") << ";" << QChar(u'Q') << L({"t", "q", " a ;\tb \r\n"}) << QByteArray("t;q;a;b\r\n");
    QTest::newRow("quote doubled") << "," << QChar(u'Q') << L({"t", "say \"hi\"", "x"})
                                   << QByteArray("t,\"say \"\"hi\"\"\",x\r\n");
    QTest::newRow("spaces do not force quotes")
        << ";" << QChar(u'Q') << L({" t ", "a b", "x"}) << QByteArray(" t ;a b;x\r\n");
    QTest::newRow("space separator") << "\\s" << QChar(u'Q') << L({"t", "a b", "x"}) << QByteArray("t \"a b\" x\r\n");
    QTest::newRow("tab separator") << "\\t" << QChar(u'Q') << L({"t", "a\tb", "x"}) << QByteArray("t\ta b\tx\r\n");
    QTest::newRow("tab separator, empty fields kept")
        << "\\t" << QChar(u'Q') << L({"t", "", ""}) << QByteArray("t\t\"\"\t\"\"\r\n");
    QTest::newRow("space separator, empty field kept")
        << "\\s" << QChar(u'D') << L({"", "", "x"}) << QByteArray("\"\" x\r\n");
    QTest::newRow("empty answer") << ";" << QChar(u'Q') << L({"t", "q", ""}) << QByteArray("t;q;\r\n");
    QTest::newRow("multi-line question") << ";" << QChar(u'Q') << L({"t", "q1\r\nq2", "x"})
                                         << QByteArray("t;q1 q2;x\r\n");
    QTest::newRow("lone line feed") << ";" << QChar(u'Q') << L({"t", "a\nb\rc", "x"}) << QByteArray("t;a b c;x\r\n");
    QTest::newRow("placeholder character")
        << ";" << QChar(u'Q') << L({"a\u00AFb", "q", "x"}) << QByteArray("a b;q;x\r\n");
    QTest::newRow("mcq joiner") << ";" << QChar(u'M') << L({"t", "q", "A\r\n===\r\nB"}) << QByteArray("t;q;A;B\r\n");
    QTest::newRow("dictionnaire") << ";" << QChar(u'D') << L({"", "k", "x | y"}) << QByteArray("k;x;y\r\n");
    QTest::newRow("lists") << ";" << QChar(u'L') << L({"", "", "l 1\r\nl2"}) << QByteArray("l 1;l2\r\n");
    QTest::newRow("lists, empty answer") << ";" << QChar(u'L') << L({"", "", ""}) << QByteArray("\r\n");
    QTest::newRow("lists, empty lines") << ";" << QChar(u'L') << L({"", "", "a\r\n\r\nb\r\n"})
                                        << QByteArray("a;;b\r\n");
    QTest::newRow("notebook") << ";" << QChar(u'N') << L({"", "q1\r\nq2", "a"}) << QByteArray("q1;q2;a\r\n");
    QTest::newRow("notebook, empty answer") << ";" << QChar(u'N') << L({"", "q", ""}) << QByteArray("q\r\n");
    QTest::newRow("notebook, all empty") << ";" << QChar(u'N') << L({"", "", ""}) << QByteArray("\"\"\r\n");
    QTest::newRow("holdall") << ";" << QChar(u'F') << L({"", "a1\r\na2", "b"}) << QByteArray("a1;a2;b\r\n");
}

void TestCsv::ecriture()
{
    QFETCH(QString, separateur);
    QFETCH(QChar, type);
    QFETCH(QStringList, carte);
    QFETCH(QByteArray, attendu);
    m_options.separateurCsv = separateur;
    auto f = Fichier(type, {carte});
    QCOMPARE(Montrer(TFichierCSV::EcrireCSV(*f, u's', m_options)), Montrer(attendu));
}

void TestCsv::lecture_data()
{
    QTest::addColumn<QString>("separateur");
    QTest::addColumn<QChar>("type");
    QTest::addColumn<QByteArray>("octets");
    QTest::addColumn<Cartes>("attendu");

    QTest::newRow("questionnaire") << ";" << QChar(u'Q') << QByteArray("Capital;France?;Paris;paris\r\n")
                                   << C({{"Capital", "France?", "Paris ; paris"}});
    QTest::newRow("doubled quotes") << "," << QChar(u'Q') << QByteArray("t,\"say \"\"hi\"\"\",\"a,b\"")
                                    << C({{"t", "say \"hi\"", "a,b"}});
    QTest::newRow("space separator") << "\\s" << QChar(u'Q') << QByteArray("  t   \"a  b\"   c d  \r\n")
                                     << C({{"t", "a  b", "c ; d"}});
    QTest::newRow("tab separator") << "\\t" << QChar(u'Q') << QByteArray("\tt\t\tq\tx\t\r\n") << C({{"t", "q", "x"}});
    QTest::newRow("tab separator, quoted empty")
        << "\\t" << QChar(u'Q') << QByteArray("t\t\"\"\t\"\"") << C({{"t", "", ""}});
    QTest::newRow("empty answer") << ";" << QChar(u'Q') << QByteArray("t;q;\r\n") << C({{"t", "q", ""}});
    QTest::newRow("empty fields") << ";" << QChar(u'Q') << QByteArray(";;") << C({{"", "", ""}});
    QTest::newRow("text after closing quote")
        << ";" << QChar(u'Q') << QByteArray("\"ab\"cd;e;f") << C({{"ab", "cd", "e ; f"}});
    QTest::newRow("unclosed quote") << ";" << QChar(u'Q') << QByteArray("t;q;\"abc\r\nu;v;w")
                                    << C({{"t", "q", "abc"}, {"u", "v", "w"}});
    QTest::newRow("unclosed quote with separator")
        << ";" << QChar(u'Q') << QByteArray("t;q;\"a;b \"\"c") << C({{"t", "q", "a;b \"c"}});
    QTest::newRow("placeholder byte") << ";" << QChar(u'Q')
                                      << QByteArray("a\xAF"
                                                    "b;q;x")
                                      << C({{"a b", "q", "x"}});
    QTest::newRow("mcq") << ";" << QChar(u'M') << QByteArray("t;q;A;B") << C({{"t", "q", "A\r\n===\r\nB"}});
    QTest::newRow("dictionnaire") << ";" << QChar(u'D') << QByteArray("k;x;y") << C({{"", "k", "x | y"}});
    QTest::newRow("notebook line mode") << ";" << QChar(u'N') << QByteArray("q1;q2;a") << C({{"", "q1", "q2\r\na"}});
    QTest::newRow("lists trailing empties") << ";" << QChar(u'L') << QByteArray("a;b;;") << C({{"", "", "a\r\nb"}});
    QTest::newRow("lists blanks") << ";" << QChar(u'L') << QByteArray("  x  ;  y  ") << C({{"", "", "  x  \r\n  y"}});
    QTest::newRow("line of spaces") << ";" << QChar(u'L') << QByteArray("   \r\nx") << C({{"", "", ""}, {"", "", "x"}});
    QTest::newRow("empty lines only") << ";" << QChar(u'Q') << QByteArray("\r\n\r\n\n\r\r\n\t\r\n") << C({});
    QTest::newRow("empty file") << ";" << QChar(u'N') << QByteArray() << C({});
    QTest::newRow("tab ends a field") << ";" << QChar(u'L') << QByteArray("a\tb") << C({{"", "", "a\r\nb"}});
    QTest::newRow("nul ends a field") << ";" << QChar(u'L') << QByteArray("a\0b;\0c", 6)
                                      << C({{"", "", "a\r\nb\r\nc"}});
    QTest::newRow("line breaks") << ";" << QChar(u'L') << QByteArray("a\rb\nc\r\n\r\nd")
                                 << C({{"", "", "a"}, {"", "", "b"}, {"", "", "c"}, {"", "", "d"}});
    QTest::newRow("code page, long fields")
        << ";" << QChar(u'Q') << QByteArray("\"caf\xE9 \"\"cr\xE8me\"\"\";\xAFquinze caract\xE8res\xAF;\x80 fin")
        << C({{"café \"crème\"", " quinze caractères ", "€ fin"}});
    QTest::newRow("holdall") << ";" << QChar(u'F') << QByteArray("a1;a2;b\r\nc")
                             << C({{"", "a1\r\na2\r\nb", ""}, {"", "c", ""}});
}

void TestCsv::lecture()
{
    QFETCH(QString, separateur);
    QFETCH(QChar, type);
    QFETCH(QByteArray, octets);
    QFETCH(Cartes, attendu);
    m_options.separateurCsv = separateur;
    auto f = TFichierCSV::LireCSV(octets, type, m_options);
    QCOMPARE(Montrer(Contenu(*f)), Montrer(attendu));
    QCOMPARE(f->TypeFichier, type);
    QCOMPARE(f->FormatFichier, QChar(u's'));
    QVERIFY(!f->Modifie);
}

void TestCsv::champsManquants_data()
{
    QTest::addColumn<QChar>("type");
    QTest::addColumn<QByteArray>("octets");

    QTest::newRow("notebook, one field") << QChar(u'N') << QByteArray("q\r\n");
    QTest::newRow("notebook, empty quotes") << QChar(u'N') << QByteArray("\"\"\r\n");
    QTest::newRow("questionnaire, two fields") << QChar(u'Q') << QByteArray("t;q");
    QTest::newRow("line of spaces") << QChar(u'Q') << QByteArray("   ");
    QTest::newRow("after good cards") << QChar(u'D') << QByteArray("a;b\r\nc;d\r\ne\r\nf;g");
}

void TestCsv::champsManquants()
{
    QFETCH(QChar, type);
    QFETCH(QByteArray, octets);
    QCOMPARE(MessageDe([&] { TFichierCSV::LireCSV(octets, type, m_options); }), MessageChampsManquants);
}

// Saved and read back with the same type and settings: the changes the
// format cannot avoid, and nothing else.
void TestCsv::allerRetour_data()
{
    QTest::addColumn<QString>("separateur");
    QTest::addColumn<QChar>("type");
    QTest::addColumn<Cartes>("cartes");
    QTest::addColumn<Cartes>("attendu");

    QTest::newRow("questionnaire ;")
        << ";" << QChar(u'Q')
        << C({{"Capital", "France?", "Paris;paris"}, {"t", "q", ""}, {"say \"hi\"", "a;b", "x ;  y;z"}})
        << C({{"Capital", "France?", "Paris ; paris"}, {"t", "q", ""}, {"say \"hi\"", "a;b", "x ; y ; z"}});
    QTest::newRow("questionnaire , with line breaks")
        << "," << QChar(u'Q') << C({{"t1\r\nt2", "q\tr", "a\u00AFb"}}) << C({{"t1 t2", "q r", "a b"}});
    QTest::newRow("questionnaire space") << "\\s" << QChar(u'Q') << C({{"a  b", "", "x;y"}})
                                         << C({{"a  b", "", "x ; y"}});
    QTest::newRow("questionnaire tab") << "\\t" << QChar(u'Q') << C({{"", "q", ""}, {"t", "", "a; b"}})
                                       << C({{"", "q", ""}, {"t", "", "a ; b"}});
    QTest::newRow("mcq") << ";" << QChar(u'M') << C({{"t", "q", "A\r\n===\r\nB\r\n===\r\nC;D"}})
                         << C({{"t", "q", "A\r\n===\r\nB\r\n===\r\nC;D"}});
    QTest::newRow("dictionnaire") << ";" << QChar(u'D') << C({{"", "chat", "cat|kitty"}, {"", "chien", "dog"}})
                                  << C({{"", "chat", "cat | kitty"}, {"", "chien", "dog"}});
    QTest::newRow("enumerations") << ";" << QChar(u'E') << C({{"", "k", "a\r\n b \r\nc;d"}})
                                  << C({{"", "k", "a\r\n b \r\nc;d"}});
    QTest::newRow("notebook") << ";" << QChar(u'N') << C({{"", "q1\r\nq2", "a  \r\n\r\n"}, {"", "x", "  y"}})
                              << C({{"", "q1", "q2\r\na"}, {"", "x", "  y"}});
    QTest::newRow("directory") << ";" << QChar(u'R') << C({{"", "Dupont", "12 rue \"Haute\"\r\n\r\n75000 Paris"}})
                               << C({{"", "Dupont", "12 rue \"Haute\"\r\n\r\n75000 Paris"}});
    QTest::newRow("lists, empty answer dropped")
        << ";" << QChar(u'L') << C({{"", "", "a\r\nb"}, {"", "", ""}, {"", "", "c"}})
        << C({{"", "", "a\r\nb"}, {"", "", "c"}});
    QTest::newRow("visit cards") << "," << QChar(u'V') << C({{"", "", "Jean, Marie\r\n01 02"}})
                                 << C({{"", "", "Jean, Marie\r\n01 02"}});
    QTest::newRow("holdall") << ";" << QChar(u'F') << C({{"", "a1\r\na2", "b1\r\nb2"}})
                             << C({{"", "a1\r\na2\r\nb1\r\nb2", ""}});
}

void TestCsv::allerRetour()
{
    QFETCH(QString, separateur);
    QFETCH(QChar, type);
    QFETCH(Cartes, cartes);
    QFETCH(Cartes, attendu);
    m_options.separateurCsv = separateur;
    for (const bool utf8 : {false, true}) {
        m_options.utf8Csv = utf8;
        auto f = Fichier(type, cartes);
        auto relu = TFichierCSV::LireCSV(TFichierCSV::EcrireCSV(*f, u's', m_options), type, m_options);
        QCOMPARE(Montrer(Contenu(*relu)), Montrer(attendu));
    }
}

// ---------------------------------------------------------------- bytes

// Lines whose characters, quotes and breaks fall on every position of the
// reader's eight- and sixteen-unit steps, in UTF-8.
void TestCsv::lectureUtf8_data()
{
    QTest::addColumn<QChar>("type");
    QTest::addColumn<QByteArray>("octets");
    QTest::addColumn<Cartes>("attendu");

    // Two-, three- and four-byte characters and the placeholder (a space)
    // after 0 to 17 ASCII bytes, in each of the three fields.
    const char *caracteres[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xC2\xAF"};
    for (const char *c : caracteres) {
        QByteArray octets;
        Cartes attendu;
        for (int k = 0; k < 18; ++k) {
            const QByteArray champ = QByteArray(k, 'a') + c + QByteArray(k % 9, 'b');
            octets += champ + ';' + QByteArray(17 - k, 'q') + champ + ';' + champ + "\r\n";
            const QString texte = QString::fromUtf8(champ).replace(QChar(0xAF), u' ');
            attendu << QStringList{texte, QString(17 - k, u'q') + texte, texte};
        }
        QTest::newRow(qPrintable(QStringLiteral("character of %1 bytes").arg(qstrlen(c))))
            << QChar(u'Q') << octets << attendu;
    }
    // Doubled quotes before, on and after a step, then a field that must not
    // be overwritten by the quoted field's shortening.
    for (int k = 5; k < 19; ++k) {
        const QByteArray a(k, 'a');
        QTest::newRow(qPrintable(QStringLiteral("doubled quote after %1 bytes").arg(k)))
            << QChar(u'M') << QByteArray("\"" + a + "\"\"x\";\"\"\"" + a + "\"\"\";" + a + "é;z")
            << Cartes{{QString(k, u'a') + QStringLiteral("\"x"), u'"' + QString(k, u'a') + u'"',
                       QString(k, u'a') + QStringLiteral("é\r\n===\r\nz")}};
    }
    // Breaks of each kind on both sides of a sixteen-byte step; a quote does
    // not carry a field over a break.
    for (const char *fin : {"\r\n", "\n", "\r"}) {
        QByteArray octets;
        Cartes attendu;
        for (int k = 12; k < 20; ++k) {
            octets += QByteArray(k, 'x') + ";\"q" + fin;
            attendu << QStringList{QString(), QString(k, u'x'), QStringLiteral("q")};
        }
        QTest::newRow(
            qPrintable(QStringLiteral("breaks ") + QString::fromLatin1(fin).replace(u'\r', u'R').replace(u'\n', u'N')))
            << QChar(u'D') << octets << attendu;
    }
    // A long answer of several fields, then a shorter one: nothing of the
    // first is left in the second.
    QTest::newRow("answers of decreasing length")
        << QChar(u'M') << QByteArray("t;q;aaaaaaaaaaaa;bbbbbbbbbbbb;cc\r\nu;r;d;e\r\n")
        << C({{"t", "q", "aaaaaaaaaaaa\r\n===\r\nbbbbbbbbbbbb\r\n===\r\ncc"}, {"u", "r", "d\r\n===\r\ne"}});
    // The file's mark goes, a second one starting the text too; one starting
    // a later line is a character.
    QTest::newRow("byte-order marks") << QChar(u'Q')
                                      << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFt;q;a\r\n\xEF\xBB\xBFu;r;\xEF\xBB\xBF")
                                      << Cartes{{QStringLiteral("t"), QStringLiteral("q"), QStringLiteral("a")},
                                                {QChar(0xFEFF) + QStringLiteral("u"), QStringLiteral("r"),
                                                 QString(QChar(0xFEFF))}};
}

void TestCsv::lectureUtf8()
{
    QFETCH(QChar, type);
    QFETCH(QByteArray, octets);
    QFETCH(Cartes, attendu);
    m_options.utf8Csv = true;
    auto f = TFichierCSV::LireCSV(octets, type, m_options);
    QCOMPARE(Montrer(Contenu(*f)), Montrer(attendu));
}

// The same steps in the ANSI code page, whose bytes above 0x7F break the
// decoder's sixteen-byte runs of ASCII.
void TestCsv::lectureAnsi_data()
{
    QTest::addColumn<QChar>("type");
    QTest::addColumn<QByteArray>("octets");
    QTest::addColumn<Cartes>("attendu");

    // Euro sign, undefined bytes, no-break space, placeholder, letters,
    // after 0 to 17 ASCII bytes in each of the three fields.
    for (const char octet : {'\x80', '\x81', '\x8D', '\x8F', '\x90', '\x9D', '\x9F', '\xA0', '\xAF', '\xE9', '\xFF'}) {
        QByteArray octets;
        Cartes attendu;
        for (int k = 0; k < 18; ++k) {
            const QByteArray champ = QByteArray(k, 'a') + octet + QByteArray(k % 9, 'b');
            octets += champ + ';' + QByteArray(17 - k, 'q') + champ + ';' + champ + "\r\n";
            attendu << QStringList{Cp1252(champ), QString(17 - k, u'q') + Cp1252(champ), Cp1252(champ)};
        }
        QTest::newRow(qPrintable(QStringLiteral("byte %1").arg(uchar(octet), 2, 16)))
            << QChar(u'Q') << octets << attendu;
    }
    // Every byte that is neither a control, the separator nor a quote, in
    // one field and then in a quoted one.
    QByteArray tous;
    for (int b = 0x20; b < 0x100; ++b) {
        if (b != ';' && b != '"')
            tous += char(b);
    }
    QTest::newRow("every byte") << QChar(u'Q') << QByteArray("t;q;" + tous + "\r\n\"" + tous + ";\";q;x")
                                << Cartes{{QStringLiteral("t"), QStringLiteral("q"), Cp1252(tous)},
                                          {Cp1252(tous + ';'), QStringLiteral("q"), QStringLiteral("x")}};
    // Doubled quotes before, on and after a step, beside bytes above 0x7F.
    for (int k = 5; k < 19; ++k) {
        const QByteArray a(k, 'a');
        QTest::newRow(qPrintable(QStringLiteral("doubled quote after %1 bytes").arg(k)))
            << QChar(u'M') << QByteArray("\"" + a + "\"\"\xE9\";\"\"\"\x81" + a + "\"\"\";" + a + "\x80;z")
            << Cartes{{QString(k, u'a') + QStringLiteral("\"é"), QStringLiteral("\"\u0081") + QString(k, u'a') + u'"',
                       QString(k, u'a') + QStringLiteral("€\r\n===\r\nz")}};
    }
    // Breaks of each kind on both sides of a step, after bytes above 0x7F.
    for (const char *fin : {"\r\n", "\n", "\r"}) {
        QByteArray octets;
        Cartes attendu;
        for (int k = 12; k < 20; ++k) {
            octets += QByteArray(k, '\xE8') + ";\"q\x9D" + fin;
            attendu << QStringList{QString(), QString(k, u'è'), QStringLiteral("q\u009D")};
        }
        QTest::newRow(
            qPrintable(QStringLiteral("breaks ") + QString::fromLatin1(fin).replace(u'\r', u'R').replace(u'\n', u'N')))
            << QChar(u'D') << octets << attendu;
    }
    // The placeholder only on the last line, then as the file's last byte.
    QTest::newRow("placeholder on the last line")
        << QChar(u'Q') << QByteArray("t;q;a\r\n").repeated(40) + "u;r\xAFs;b"
        << Cartes(40, QStringList{QStringLiteral("t"), QStringLiteral("q"), QStringLiteral("a")})
            + Cartes{{QStringLiteral("u"), QStringLiteral("r s"), QStringLiteral("b")}};
    QTest::newRow("placeholder last") << QChar(u'Q') << QByteArray("t;q;\xE9\xAF") << C({{"t", "q", "é "}});
}

void TestCsv::lectureAnsi()
{
    QFETCH(QChar, type);
    QFETCH(QByteArray, octets);
    QFETCH(Cartes, attendu);
    m_options.utf8Csv = false;
    auto f = TFichierCSV::LireCSV(octets, type, m_options);
    QCOMPARE(Montrer(Contenu(*f)), Montrer(attendu));
}

void TestCsv::encodageLecture_data()
{
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<QByteArray>("octets");
    QTest::addColumn<QString>("attendu");

    QTest::newRow("ansi") << false << QByteArray("caf\xE9;\x80") << QStringLiteral("café\r\n€");
    QTest::newRow("utf-8") << true << QByteArray("caf\xC3\xA9;\xE2\x82\xAC") << QStringLiteral("café\r\n€");
    QTest::newRow("utf-8, outside the BMP") << true << QByteArray("\xF0\x9F\x98\x80") << QStringLiteral("\U0001F600");
    QTest::newRow("byte-order mark, ansi setting") << false
                                                   << QByteArray("\xEF\xBB\xBF"
                                                                 "caf\xC3\xA9;x")
                                                   << QStringLiteral("café\r\nx");
    QTest::newRow("byte-order mark, utf-8 setting")
        << true << QByteArray("\xEF\xBB\xBF\"a;b\";c") << QStringLiteral("a;b\r\nc");
    QTest::newRow("byte-order mark only") << true << QByteArray("\xEF\xBB\xBF") << QString();
}

void TestCsv::encodageLecture()
{
    QFETCH(bool, utf8);
    QFETCH(QByteArray, octets);
    QFETCH(QString, attendu);
    m_options.utf8Csv = utf8;
    auto f = TFichierCSV::LireCSV(octets, u'L', m_options);
    QCOMPARE(f->NombreFiches(), attendu.isEmpty() ? 0 : 1);
    if (!attendu.isEmpty())
        QCOMPARE(f->Fiche(0).Champ2(), attendu);
}

void TestCsv::utf8Invalide_data()
{
    QTest::addColumn<QByteArray>("octets");
    QTest::addColumn<int>("ligne");

    QTest::newRow("latin-1 byte") << QByteArray("a\r\nb\r\nc\xE9;d\r\n") << 3;
    QTest::newRow("after byte-order mark") << QByteArray("\xEF\xBB\xBF\xFF") << 1;
    QTest::newRow("lone CR and LF") << QByteArray("a\rb\nc\r\n\x80") << 4;
    QTest::newRow("overlong") << QByteArray("x\n\xC0\xAF") << 2;
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << 1;
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << 1;
    QTest::newRow("cut short at the end") << QByteArray("ok\r\n\xE2\x82") << 2;
    QTest::newRow("continuation missing") << QByteArray("\xE2(\xA1") << 1;
}

void TestCsv::utf8Invalide()
{
    QFETCH(QByteArray, octets);
    QFETCH(int, ligne);
    m_options.utf8Csv = true;
    QCOMPARE(MessageDe([&] { TFichierCSV::LireCSV(octets, u'L', m_options); }),
             QStringLiteral("The CSV file is not valid UTF-8 text (line %1).").arg(ligne));
}

void TestCsv::encodageEcriture()
{
    auto f = Fichier(u'L', C({{"", "", "café α"}}));
    m_options.utf8Csv = false;
    QCOMPARE(Montrer(TFichierCSV::EcrireCSV(*f, u's', m_options)), Montrer(QByteArray("caf\xE9 ?\r\n")));
    QCOMPARE(Montrer(TFichierCSV::EcrireCSV(*f, u't', m_options)), Montrer(QByteArray("caf\xE9 ?\r\n")));
    m_options.utf8Csv = true;
    QCOMPARE(Montrer(TFichierCSV::EcrireCSV(*f, u's', m_options)), Montrer(QByteArray("caf\xC3\xA9 \xCE\xB1\r\n")));
    QCOMPARE(Montrer(TFichierCSV::EcrireCSV(*f, u't', m_options)), Montrer(QByteArray("caf\xC3\xA9 \xCE\xB1\r\n")));
}

// ---------------------------------------------------------------- files

void TestCsv::exportTexte()
{
    const Cartes cartes = C({{"Titre", "q \"1\";x", "a\u00AF\tb\r\nc"}, {"", "", ""}});
    const QByteArray questionnaire("Titre\r\nq \"1\";x\r\na\xAF\tb\r\nc\r\n\r\n\r\n\r\n");
    const QByteArray liste("a\xAF\tb\r\nc\r\n\r\n");
    QCOMPARE(Montrer(TFichierCSV::EcrireCSV(*Fichier(u'Q', cartes), u't', m_options)), Montrer(questionnaire));
    QCOMPARE(Montrer(TFichierCSV::EcrireCSV(*Fichier(u'L', cartes), u't', m_options)), Montrer(liste));

    // The export leaves the document as it was: name, format, stream, changes.
    const QString document = m_dossier.filePath(QStringLiteral("export.csv"));
    QVERIFY(OutilsTest::EcrireFichier(document, "a;b\r\n"));
    auto f = TFichierCSV::ChargerCSV(document, u'L', true, m_options);
    f->ModifierFiche(0, QString(), QString(), QStringLiteral("x\r\ny"));
    const TFlux *flux = f->Flux.get();
    const QString texte = m_dossier.filePath(QStringLiteral("export.txt"));
    TFichierCSV::EnregistrerCSV(*f, texte, u't', true, m_options);
    QCOMPARE(OutilsTest::LireFichier(texte), QByteArray("x\r\ny\r\n"));
    QCOMPARE(f->NomFichier, document);
    QCOMPARE(f->FormatFichier, QChar(u's'));
    QVERIFY(f->Modifie);
    QCOMPARE(f->Flux.get(), flux);
    QCOMPARE(OutilsTest::LireFichier(document), QByteArray("a;b\r\n"));
}

void TestCsv::enregistrement()
{
    const QString nom = m_dossier.filePath(QStringLiteral("document.csv"));
    QVERIFY(OutilsTest::EcrireFichier(nom, "t;q;a\r\n"));
    auto f = TFichierCSV::ChargerCSV(nom, u'Q', true, m_options);
    QCOMPARE(f->NomFichier, nom);
    QVERIFY(f->Modifiable);
    QVERIFY(f->Flux);
    QVERIFY(!f->Modifie);

    // In place, under its own name.
    f->AjouterFiche(QStringLiteral("t2"), QStringLiteral("q2"), QStringLiteral("b;c"));
    TFichierCSV::EnregistrerCSV(*f, nom, u's', false, m_options);
    QCOMPARE(OutilsTest::LireFichier(nom), QByteArray("t;q;a\r\nt2;q2;b;c\r\n"));
    QVERIFY(!f->Modifie);
    QVERIFY(f->Flux);

    // Under a new name: the card file follows it.
    const QString autre = m_dossier.filePath(QStringLiteral("autre.csv"));
    f->SupprimerFiche(0);
    f->Modifie = true;
    TFichierCSV::EnregistrerCSV(*f, autre, u's', true, m_options);
    QCOMPARE(OutilsTest::LireFichier(autre), QByteArray("t2;q2;b;c\r\n"));
    QCOMPARE(f->NomFichier, autre);
    QCOMPARE(f->Flux->Nom(), autre);
    QVERIFY(!f->Modifie);

    // An XML-born file saved as CSV becomes a CSV document.
    auto x = Fichier(u'L', C({{"", "", "l"}}));
    x->Modifie = true;
    TFichierCSV::EnregistrerCSV(*x, m_dossier.filePath(QStringLiteral("x.csv")), u's', true, m_options);
    QCOMPARE(x->FormatFichier, QChar(u's'));
    QVERIFY(!x->Modifie);
    QVERIFY(x->Modifiable);
}

void TestCsv::chargementRefuse()
{
    const QString nom = OutilsTest::DonneesTest(QStringLiteral("csv/champs-manquants.csv"));
    QCOMPARE(MessageDe([&] { TFichierCSV::ChargerCSV(nom, u'Q', false, m_options); }), MessageChampsManquants);
    // The refused file is not left locked: it opens again.
    auto f = TFichierCSV::ChargerCSV(nom, u'D', false, m_options);
    QCOMPARE(f->NombreFiches(), 2);
    QVERIFY(!f->Modifiable);

    bool erreurFichier = false;
    try {
        TFichierCSV::ChargerCSV(m_dossier.filePath(QStringLiteral("absent.csv")), u'L', false, m_options);
    } catch (const ErreurFichier &) {
        erreurFichier = true;
    }
    QVERIFY(erreurFichier);
}

// ---------------------------------------------------------------- bad input

void TestCsv::entreesHostiles()
{
    auto f = TFichierCSV::LireCSV(QByteArray(1000000, '\n'), u'Q', m_options);
    QCOMPARE(f->NombreFiches(), 0);

    // A line as long as a card text may be (its two fields joined by CR LF),
    // and a longer one, refused.
    const qsizetype max = TBudgetMemoire::MaxCaracteresTexte;
    QByteArray longue(max - 1, 'x');
    longue[123456] = ';';
    f = TFichierCSV::LireCSV(longue, u'L', m_options);
    QCOMPARE(f->NombreFiches(), 1);
    QCOMPARE(f->Fiche(0).Champ2().size(), max);
    longue = QByteArray(4000000, 'x');
    longue[123456] = ';';
    QVERIFY_THROWS_EXCEPTION(ErreurIdInvalide, TFichierCSV::LireCSV(longue, u'L', m_options));

    // Quotes that never close, one per line, and a field of doubled quotes.
    QByteArray guillemets;
    for (int i = 0; i < 10000; ++i)
        guillemets += "\"a;\"\"b\r\n";
    guillemets += QByteArray(100000, '"');
    f = TFichierCSV::LireCSV(guillemets, u'L', m_options);
    QCOMPARE(f->NombreFiches(), 10001);
    QCOMPARE(f->Fiche(0).Champ2(), QStringLiteral("a;\"b"));
    QCOMPARE(f->Fiche(10000).Champ2(), QString(49999, u'"'));

    // A run of separators: one empty field each.
    f = TFichierCSV::LireCSV(QByteArray(100000, ';') + "x", u'D', m_options);
    QCOMPARE(f->NombreFiches(), 1);
    QCOMPARE(f->Fiche(0).Champ2().count(u'|'), 99999);
}

// Random bytes, separators and types: a card file or the format's refusal,
// and whatever was read saves and reads back without trouble.
void TestCsv::hasard()
{
    QRandomGenerator hasard(20240517);
    const QStringList separateurs = L({";", ",", "\\s", "\\t", "\""});
    const QString types = QStringLiteral("QMDENRLVFIZ");
    const QByteArray alphabet("ab ;,\t\"\r\n\0\xAF\xC3\xA9\xEF\xBB\xBF\xFF", 17);
    int lus = 0;
    for (int essai = 0; essai < 3000; ++essai) {
        m_options.separateurCsv = separateurs.at(int(hasard.bounded(separateurs.size())));
        m_options.utf8Csv = hasard.bounded(2) == 1;
        const QChar type = types.at(int(hasard.bounded(types.size())));
        QByteArray octets;
        const int taille = int(hasard.bounded(60));
        for (int i = 0; i < taille; ++i)
            octets += essai % 3 == 0 ? char(hasard.bounded(256)) : alphabet.at(int(hasard.bounded(alphabet.size())));
        std::unique_ptr<TFichierX> f;
        try {
            f = TFichierCSV::LireCSV(octets, type, m_options);
        } catch (const ErreurIdInvalide &) {
            continue;
        }
        ++lus;
        const QByteArray ecrit = TFichierCSV::EcrireCSV(*f, u's', m_options);
        try {
            auto relu = TFichierCSV::LireCSV(ecrit, type, m_options);
            QVERIFY(relu->NombreFiches() <= f->NombreFiches());
        } catch (const ErreurIdInvalide &e) {
            // Never the encoding, unless an ANSI first field happened to
            // begin with the three characters of a UTF-8 byte-order mark.
            if (!ecrit.startsWith("\xEF\xBB\xBF"))
                QCOMPARE(e.message(), MessageChampsManquants);
        }
    }
    QVERIFY(lus > 100);
}

QTEST_GUILESS_MAIN(TestCsv)
#include "tst_csv.moc"
