// The help pages compiled into the program and the help window that shows them.

#include "editor/aide.h"
#include "outilstest.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDirIterator>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QSet>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTranslator>
#include <QWidget>
#include <QtTest>

#include <algorithm>

namespace {

// The topics the program's windows and message boxes refer to.
const QList<int> TopicsUtilises = {1, 4, 6, 7, 8, 9, 11, 21, 23, 24, 31};

QString Lire(const QString &chemin)
{
    return QString::fromUtf8(OutilsTest::LireFichier(chemin));
}

QString Titre(const QString &html)
{
    static const QRegularExpression re(QStringLiteral("<title>([^<]*)</title>"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(html);
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

// Visible text of the body: tags and entities removed, blanks folded.
QString TexteCorps(const QString &html)
{
    static const QRegularExpression corps(QStringLiteral("<body[^>]*>(.*)</body>"),
                                          QRegularExpression::CaseInsensitiveOption
                                              | QRegularExpression::DotMatchesEverythingOption);
    const auto m = corps.match(html);
    if (!m.hasMatch())
        return QString();
    QString texte = m.captured(1);
    texte.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    texte.replace(QRegularExpression(QStringLiteral("&[a-z#0-9]+;")), QStringLiteral(" "));
    return texte.simplified();
}

// Every href and src of a page.
QStringList Liens(const QString &html)
{
    static const QRegularExpression re(QStringLiteral("\\b(?:href|src)\\s*=\\s*\"([^\"]*)\""),
                                       QRegularExpression::CaseInsensitiveOption);
    QStringList liens;
    auto it = re.globalMatch(html);
    while (it.hasNext())
        liens << it.next().captured(1);
    return liens;
}

QSet<QString> Ancres(const QString &html)
{
    static const QRegularExpression re(QStringLiteral("\\b(?:id|name)\\s*=\\s*\"([^\"]*)\""),
                                       QRegularExpression::CaseInsensitiveOption);
    QSet<QString> ancres;
    auto it = re.globalMatch(html);
    while (it.hasNext())
        ancres.insert(it.next().captured(1));
    return ancres;
}

QStringList PagesHtml()
{
    QStringList pages;
    // Make sure the resources are registered before listing them.
    TAide::PageRubrique(1);
    QDirIterator it(QStringLiteral(":/aide"), {QStringLiteral("*.html")}, QDir::Files);
    while (it.hasNext())
        pages << it.next();
    pages.sort();
    return pages;
}

QString NomPage(const QUrl &url)
{
    return url.path().section(QLatin1Char('/'), -1);
}

} // namespace

class TestAide : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dossier;

private slots:
    void initTestCase();
    void rubrique_data();
    void rubrique();
    void liens_data();
    void liens();
    void sommaireAtteintTout();
    void rubriqueInconnue_data();
    void rubriqueInconnue();
    void fenetreAfficheLaRubrique();
    void fenetreNavigue();
    void aideDepuisUnDialogue();
    void quitterAvecAideOuverte_data();
    void quitterAvecAideOuverte();
    void langue_data();
    void langue();
    void cleanupTestCase();
};

// Stands for a catalogue of a language that has no help pages.
class CatalogueSansPages : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *contexte, const char *source, const char *desambiguation, int n) const override
    {
        Q_UNUSED(desambiguation);
        Q_UNUSED(n);
        if (qstrcmp(contexte, "TAide") == 0 && qstrcmp(source, "en") == 0)
            return QStringLiteral("de");
        return QString();
    }
};

void TestAide::langue_data()
{
    QTest::addColumn<QString>("interface");
    QTest::addColumn<int>("topic"); // 0: the contents page
    QTest::addColumn<QString>("attendu");
    QTest::addRow("en contents") << "en" << 0 << QStringLiteral(":/aide/index.html");
    QTest::addRow("en topic 1") << "en" << 1 << QStringLiteral(":/aide/topic-1.html");
    QTest::addRow("fr contents") << "fr" << 0 << QStringLiteral(":/aide/fr/index.html");
    QTest::addRow("fr topic 1") << "fr" << 1 << QStringLiteral(":/aide/fr/topic-1.html");
    QTest::addRow("fr topic 31") << "fr" << 31 << QStringLiteral(":/aide/fr/topic-31.html");
    QTest::addRow("fr unknown topic") << "fr" << 999 << QStringLiteral(":/aide/fr/index.html");
    QTest::addRow("de falls back") << "de" << 21 << QStringLiteral(":/aide/topic-21.html");
}

void TestAide::langue()
{
    QFETCH(QString, interface);
    QFETCH(int, topic);
    QFETCH(QString, attendu);
    QTranslator francais;
    CatalogueSansPages autre;
    QTranslator *catalogue = nullptr;
    if (interface == QLatin1String("fr")) {
        QVERIFY(francais.load(QStringLiteral(":/i18n/amblopad_fr")));
        catalogue = &francais;
    } else if (interface == QLatin1String("de")) {
        catalogue = &autre;
    }
    if (catalogue)
        QCoreApplication::installTranslator(catalogue);
    const QString langue = TAide::Langue();
    const QString page = topic ? TAide::PageRubrique(topic) : TAide::PageSommaire();
    if (catalogue)
        QCoreApplication::removeTranslator(catalogue);
    QCOMPARE(langue, interface);
    QCOMPARE(page, attendu);
    // The stylesheet and every local link of the page are found in the resources.
    const QString dossier = page.section(QLatin1Char('/'), 0, -2) + QLatin1Char('/');
    for (const QString &lien : Liens(Lire(page))) {
        const QUrl url(lien);
        if (url.scheme().isEmpty() && !url.path().isEmpty())
            QVERIFY2(QFile::exists(QDir::cleanPath(dossier + url.path())), qPrintable(lien));
    }
}

void TestAide::initTestCase()
{
    QVERIFY(m_dossier.isValid());
    OutilsTest::IsolerParametres(m_dossier);
    QVERIFY2(PagesHtml().size() > TopicsUtilises.size(), "help pages missing from the resources");
}

void TestAide::rubrique_data()
{
    QTest::addColumn<int>("topic");
    for (int topic : TopicsUtilises)
        QTest::addRow("topic %d", topic) << topic;
}

void TestAide::rubrique()
{
    QFETCH(int, topic);
    const QString chemin = TAide::PageRubrique(topic);
    QCOMPARE(chemin, QStringLiteral(":/aide/topic-%1.html").arg(topic));
    QVERIFY(QFile::exists(chemin));
    const QString html = Lire(chemin);
    QVERIFY2(!Titre(html).isEmpty(), "page without a title");
    // Real documentation, not a placeholder.
    QVERIFY2(TexteCorps(html).size() > 600, qPrintable(TexteCorps(html).left(200)));
    QVERIFY(html.contains(QLatin1String("<meta charset=\"utf-8\">")));
    QVERIFY(TAide::Rubriques().contains(topic));
}

void TestAide::liens_data()
{
    QTest::addColumn<QString>("page");
    for (const QString &page : PagesHtml())
        QTest::newRow(qPrintable(page)) << page;
}

void TestAide::liens()
{
    QFETCH(QString, page);
    const QString html = Lire(page);
    QVERIFY(!Titre(html).isEmpty());
    QVERIFY2(!html.contains(QLatin1String("<script"), Qt::CaseInsensitive), "no scripts in help pages");
    QVERIFY(html.contains(QLatin1String("href=\"aide.css\"")));
    const QStringList liens = Liens(html);
    for (const QString &lien : liens) {
        const QUrl url(lien);
        QVERIFY2(url.isRelative() && !lien.startsWith(QLatin1Char('/')),
                 qPrintable(QStringLiteral("outside link %1").arg(lien)));
        const QString cible = url.path().isEmpty() ? page : QStringLiteral(":/aide/") + url.path();
        QVERIFY2(QFile::exists(cible), qPrintable(QStringLiteral("dead link %1").arg(lien)));
        if (url.hasFragment())
            QVERIFY2(Ancres(Lire(cible)).contains(url.fragment()),
                     qPrintable(QStringLiteral("dead anchor %1").arg(lien)));
    }
}

void TestAide::sommaireAtteintTout()
{
    // Every page can be reached from the contents, directly or through other pages.
    QSet<QString> atteintes{QStringLiteral("index.html")};
    QStringList aVisiter{QStringLiteral("index.html")};
    while (!aVisiter.isEmpty()) {
        const QString page = aVisiter.takeFirst();
        for (const QString &lien : Liens(Lire(QStringLiteral(":/aide/") + page))) {
            const QString cible = QUrl(lien).path();
            if (cible.endsWith(QLatin1String(".html")) && !atteintes.contains(cible)) {
                atteintes.insert(cible);
                aVisiter << cible;
            }
        }
    }
    for (const QString &page : PagesHtml())
        QVERIFY2(atteintes.contains(page.section(QLatin1Char('/'), -1)), qPrintable(page));
    // The contents names every topic directly.
    const QString sommaire = Lire(TAide::PageSommaire());
    for (int topic : TopicsUtilises)
        QVERIFY2(sommaire.contains(QStringLiteral("href=\"topic-%1.html").arg(topic)),
                 qPrintable(QString::number(topic)));
}

void TestAide::rubriqueInconnue_data()
{
    QTest::addColumn<int>("topic");
    QTest::newRow("none") << 0;
    QTest::newRow("negative") << -1;
    QTest::newRow("between topics") << 2;
    QTest::newRow("large") << 99999;
}

void TestAide::rubriqueInconnue()
{
    QFETCH(int, topic);
    QCOMPARE(TAide::PageRubrique(topic), TAide::PageSommaire());
    TAide::AfficherRubrique(topic);
    QCOMPARE(NomPage(TAide::Instance()->PageCourante()), QStringLiteral("index.html"));
    QVERIFY(TAide::Instance()->Navigateur()->document()->toPlainText().contains(QLatin1String("Questionnaire files")));
}

void TestAide::fenetreAfficheLaRubrique()
{
    for (int topic : TopicsUtilises) {
        TAide::AfficherRubrique(topic);
        TAide *aide = TAide::Instance();
        QVERIFY(aide->isVisible());
        QCOMPARE(aide->windowTitle(), QStringLiteral("Amblopad Help"));
        QCOMPARE(NomPage(aide->PageCourante()), QStringLiteral("topic-%1.html").arg(topic));
        const QString html = Lire(TAide::PageRubrique(topic));
        QCOMPARE(aide->Navigateur()->documentTitle(), Titre(html));
        // The page was rendered, not just named: its first heading is on screen.
        static const QRegularExpression h1(QStringLiteral("<h1>([^<]*)</h1>"));
        const QString titre = h1.match(html).captured(1);
        QVERIFY(!titre.isEmpty());
        QVERIFY2(aide->Navigateur()->document()->toPlainText().contains(titre), qPrintable(titre));
    }
    // One window serves the whole run.
    const QWidgetList fenetres = qApp->topLevelWidgets();
    QCOMPARE(
        std::count_if(fenetres.begin(), fenetres.end(), [](QWidget *w) { return qobject_cast<TAide *>(w) != nullptr; }),
        1);
}

void TestAide::fenetreNavigue()
{
    TAide::AfficherRubrique(21);
    TAide *aide = TAide::Instance();
    QTextBrowser *navigateur = aide->Navigateur();

    // A relative link with an anchor, as a click would follow it.
    navigateur->setSource(QUrl(QStringLiteral("topic-31.html#categories")));
    QCOMPARE(NomPage(aide->PageCourante()), QStringLiteral("topic-31.html"));
    QVERIFY(navigateur->document()->toPlainText().contains(QLatin1String("category card")));

    auto *retour = aide->findChild<QAction *>(QStringLiteral("Precedent"));
    auto *avance = aide->findChild<QAction *>(QStringLiteral("Suivant"));
    auto *sommaire = aide->findChild<QAction *>(QStringLiteral("Sommaire"));
    QVERIFY(retour && avance && sommaire);

    QVERIFY(retour->isEnabled());
    retour->trigger();
    QCOMPARE(NomPage(aide->PageCourante()), QStringLiteral("topic-21.html"));
    QVERIFY(avance->isEnabled());
    avance->trigger();
    QCOMPARE(NomPage(aide->PageCourante()), QStringLiteral("topic-31.html"));
    QVERIFY(!avance->isEnabled());
    sommaire->trigger();
    QCOMPARE(NomPage(aide->PageCourante()), QStringLiteral("index.html"));
}

// Help asked while a modal dialog is open is not blocked by it, and stays
// open on its own once the dialog closes.
void TestAide::aideDepuisUnDialogue()
{
    QDialog dialogue;
    dialogue.setWindowModality(Qt::ApplicationModal);
    dialogue.show();
    QCOMPARE(QApplication::activeModalWidget(), &dialogue);
    TAide::AfficherRubrique(4);
    TAide *aide = TAide::Instance();
    QVERIFY(aide->isVisible() && aide->isWindow());
    // Qt blocks every window but the modal one and its own.
    QCOMPARE(aide->parentWidget(), &dialogue);
    aide->Navigateur()->setSource(QUrl(QStringLiteral("topic-31.html")));
    QCOMPARE(NomPage(aide->PageCourante()), QStringLiteral("topic-31.html"));
    dialogue.hide();
    QVERIFY(aide->isVisible());
    QVERIFY(!aide->parentWidget());
    QCOMPARE(NomPage(aide->PageCourante()), QStringLiteral("topic-31.html"));
}

void TestAide::quitterAvecAideOuverte_data()
{
    QTest::addColumn<QString>("commandes");
    QTest::addColumn<bool>("instanceUnique");
    QTest::newRow("quit") << QStringLiteral("Quitter1") << false;
    QTest::newRow("help, then quit") << QStringLiteral("Rubriquesdaide1 Quitter1") << false;
    QTest::newRow("help, then quit, unique instance") << QStringLiteral("Rubriquesdaide1 Quitter1") << true;
}

// The program itself: closing the main window ends it, help window or not.
void TestAide::quitterAvecAideOuverte()
{
    QFETCH(QString, commandes);
    QFETCH(bool, instanceUnique);
    QTemporaryDir dossier;
    QVERIFY(dossier.isValid());
    const QString ini = dossier.filePath(QStringLiteral("p.ini"));
    {
        QSettings s(ini, QSettings::IniFormat);
        s.setValue(QStringLiteral("uninst"), instanceUnique ? 1 : 0);
        s.setValue(QStringLiteral("reopen"), 0);
    }
    QProcess editeur;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("AMBLOPAD_SETTINGS"), ini);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("AMBLOPAD_TEST_COMMANDS"), commandes);
    // Recovery copies another run left in the user's folder would be offered
    // in a dialog that no one answers here.
    env.insert(QStringLiteral("XDG_DATA_HOME"), dossier.filePath(QStringLiteral("donnees")));
    editeur.setProcessEnvironment(env);
    editeur.start(QStringLiteral(AMBLOPAD_EXE), QStringList());
    QVERIFY(editeur.waitForStarted());
    const bool fini = editeur.waitForFinished(60000);
    if (!fini) {
        editeur.kill();
        editeur.waitForFinished();
    }
    QVERIFY2(fini, "the editor was still running after its main window closed");
    QCOMPARE(editeur.exitStatus(), QProcess::NormalExit);
    QCOMPARE(editeur.exitCode(), 0);
}

void TestAide::cleanupTestCase()
{
    delete TAide::Instance();
}

QTEST_MAIN(TestAide)
#include "tst_gui_aide.moc"
