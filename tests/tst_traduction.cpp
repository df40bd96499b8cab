// The French catalogue: complete against the sources, faithful to their
// placeholders and accelerators, and really used by the program.

#include "outilstest.h"

#include "formats/quiz/moodle.h"
#include "formats/fiches/xml.h"
#include "model/erreurs.h"
#include "model/flux.h"
#include "resources/chaines.h"

#include <QLibraryInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

struct Message
{
    QString contexte;
    QString source;
    QString commentaire;
    QString type;            // "unfinished", "obsolete", "vanished" or empty
    QStringList traductions; // one, or one per plural form
};

using Cle = QPair<QString, QString>; // context, source + disambiguation

// The text of an element; lupdate writes a CR as <byte value="xd"/>.
QString LireTexte(QXmlStreamReader &xml)
{
    QString texte;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isCharacters()) {
            texte += xml.text();
        } else if (xml.isStartElement() && xml.name() == QLatin1String("byte")) {
            texte += QChar(
                char16_t(xml.attributes().value(QLatin1String("value")).toString().mid(1).toUShort(nullptr, 16)));
            xml.skipCurrentElement();
        } else if (xml.isEndElement()) {
            break;
        }
    }
    return texte;
}

QList<Message> LireTs(const QString &nom, QString &erreur)
{
    QList<Message> messages;
    QFile fichier(nom);
    if (!fichier.open(QIODevice::ReadOnly)) {
        erreur = fichier.errorString();
        return messages;
    }
    QXmlStreamReader xml(&fichier);
    QString contexte;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            contexte = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            Message m;
            m.contexte = contexte;
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("source")) {
                    m.source = LireTexte(xml);
                } else if (xml.name() == QLatin1String("comment")) {
                    m.commentaire = xml.readElementText();
                } else if (xml.name() == QLatin1String("translation")) {
                    m.type = xml.attributes().value(QLatin1String("type")).toString();
                    bool pluriel = false;
                    QString texte;
                    while (!xml.atEnd()) {
                        xml.readNext();
                        if (xml.isStartElement() && xml.name() == QLatin1String("numerusform")) {
                            pluriel = true;
                            m.traductions << LireTexte(xml);
                        } else if (xml.isStartElement() && xml.name() == QLatin1String("byte")) {
                            texte += QChar(u'\r');
                            xml.skipCurrentElement();
                        } else if (xml.isCharacters()) {
                            texte += xml.text();
                        } else if (xml.isEndElement()) {
                            break;
                        }
                    }
                    if (!pluriel)
                        m.traductions << texte;
                } else {
                    xml.skipCurrentElement();
                }
            }
            messages << m;
        }
    }
    if (xml.hasError())
        erreur = QStringLiteral("%1, line %2").arg(xml.errorString()).arg(xml.lineNumber());
    return messages;
}

// The format placeholders of a text, %L1 and %1 told apart.
QStringList Marques(const QString &texte)
{
    static const QRegularExpression marque(QStringLiteral("%L?[1-9n]"));
    QStringList resultat;
    for (auto it = marque.globalMatch(texte); it.hasNext();)
        resultat << it.next().captured();
    resultat.sort();
    return resultat;
}

// Number of accelerator marks ('&' before a character other than '&').
int Accelerateurs(const QString &texte)
{
    int n = 0;
    for (qsizetype i = 0; i + 1 < texte.size(); ++i) {
        if (texte.at(i) != u'&')
            continue;
        if (texte.at(i + 1) != u'&')
            ++n;
        ++i;
    }
    return n;
}

QString Nommer(const Message &m)
{
    return m.contexte + QLatin1String(": ") + QString(m.source).replace(QLatin1String("\r\n"), QLatin1String("\\r\\n"));
}

} // namespace

class TestTraduction : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void catalogueComplet_data();
    void catalogueComplet();
    void marquesConservees_data();
    void marquesConservees();
    void traducteurFrancais_data();
    void traducteurFrancais();
    void messagesDesFormats();
    void boutonsDeQt();
    void cliSelonLaLangue_data();
    void cliSelonLaLangue();

private:
    QTemporaryDir m_dossier;
    QList<Message> m_sources;        // what lupdate finds in the sources today
    QHash<Cle, Message> m_catalogue; // the committed French catalogue
};

void TestTraduction::initTestCase()
{
    QVERIFY(m_dossier.isValid());
    OutilsTest::IsolerParametres(m_dossier);
    // The language comes from LC_ALL alone in the processes started here.
    qunsetenv("LANGUAGE");

    // lupdate reads the sources into a fresh catalogue with no translations.
    const QString frais = m_dossier.filePath(QStringLiteral("sources_fr.ts"));
    QProcess lupdate;
    lupdate.setProcessChannelMode(QProcess::MergedChannels);
    lupdate.start(QStringLiteral(AMBLOPAD_LUPDATE),
                  {QStringLiteral("-silent"), QStringLiteral("-locations"), QStringLiteral("none"),
                   QStringLiteral(AMBLOPAD_SOURCES), QStringLiteral("-ts"), frais});
    QVERIFY2(lupdate.waitForFinished(120000), "lupdate did not finish");
    const QByteArray sortie = lupdate.readAll();
    QVERIFY2(lupdate.exitStatus() == QProcess::NormalExit && lupdate.exitCode() == 0, sortie.constData());
    // A tr() lupdate cannot place is a string that never reaches the catalogue.
    QVERIFY2(!sortie.contains("tr() cannot be called") && !sortie.contains("lacks Q_OBJECT"), sortie.constData());

    QString erreur;
    m_sources = LireTs(frais, erreur);
    QVERIFY2(erreur.isEmpty(), qPrintable(erreur));
    QVERIFY(m_sources.size() > 100); // the whole program, not a stray file

    const QList<Message> catalogue = LireTs(QStringLiteral(AMBLOPAD_TS), erreur);
    QVERIFY2(erreur.isEmpty(), qPrintable(erreur));
    for (const Message &m : catalogue)
        m_catalogue.insert({m.contexte, m.source + QChar(0) + m.commentaire}, m);
}

void TestTraduction::catalogueComplet_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < m_sources.size(); ++i)
        QTest::newRow(qPrintable(Nommer(m_sources.at(i)))) << i;
}

void TestTraduction::catalogueComplet()
{
    QFETCH(int, index);
    const Message &source = m_sources.at(index);
    const auto it = m_catalogue.constFind({source.contexte, source.source + QChar(0) + source.commentaire});
    QVERIFY2(it != m_catalogue.constEnd(),
             "missing from translations/amblopad_fr.ts: run the update_translations target");
    QVERIFY2(it->type.isEmpty(), qPrintable(QStringLiteral("translation is %1").arg(it->type)));
    QVERIFY(!it->traductions.isEmpty());
    for (const QString &t : it->traductions)
        QVERIFY2(!t.trimmed().isEmpty(), "empty translation");
}

void TestTraduction::marquesConservees_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("traduction");
    for (const Message &m : std::as_const(m_catalogue))
        for (const QString &t : m.traductions)
            QTest::newRow(qPrintable(Nommer(m))) << m.source << t;
}

void TestTraduction::marquesConservees()
{
    QFETCH(QString, source);
    QFETCH(QString, traduction);
    QCOMPARE(Marques(traduction), Marques(source));
    QCOMPARE(Accelerateurs(traduction), Accelerateurs(source));
    // Messages break their lines with CR LF, as fields do.
    if (source.contains(QLatin1String("\r\n")))
        QCOMPARE(traduction.count(u'\n'), traduction.count(QLatin1String("\r\n")));
    QCOMPARE(traduction.count(u'\n'), source.count(u'\n'));
}

void TestTraduction::traducteurFrancais_data()
{
    QTest::addColumn<QString>("contexte");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("francais");
    QTest::newRow("menu") << "TFormFiche"
                          << "&File" << QString::fromUtf8("&Fichier");
    QTest::newRow("accelerator") << "TFormFiche"
                                 << "&Edition" << QString::fromUtf8("É&dition");
    QTest::newRow("button") << "TFormFiche"
                            << "Previous" << QString::fromUtf8("Précédente");
    QTest::newRow("dialog") << "TDlgEntete"
                            << "Header of the file" << QString::fromUtf8("En-tête du fichier");
    QTest::newRow("placeholder") << "TFormFiche"
                                 << "Type: %1\r\n\r\nFormat: %2\r\n\r\nNumber of cards: %3"
                                 << QString::fromUtf8("Type\u00a0: %1\r\n\r\nFormat\u00a0: %2\r\n\r\n"
                                                      "Nombre de fiches\u00a0: %3");
}

void TestTraduction::traducteurFrancais()
{
    QFETCH(QString, contexte);
    QFETCH(QString, source);
    QFETCH(QString, francais);
    const QByteArray c = contexte.toUtf8();
    const QByteArray s = source.toUtf8();
    QCOMPARE(QCoreApplication::translate(c.constData(), s.constData()), source);

    // The catalogue the program embeds, not a file beside it.
    QTranslator traducteur;
    QVERIFY(traducteur.load(QLocale(QLocale::French, QLocale::France), QStringLiteral("amblopad"), QStringLiteral("_"),
                            QStringLiteral(":/i18n")));
    QVERIFY(QCoreApplication::installTranslator(&traducteur));
    const QString traduit = QCoreApplication::translate(c.constData(), s.constData());
    QCoreApplication::removeTranslator(&traducteur);
    QCOMPARE(traduit, francais);
    QCOMPARE(QCoreApplication::translate(c.constData(), s.constData()), source);
}

// The core's own strings, reached through the code that uses them.
void TestTraduction::messagesDesFormats()
{
    QTranslator traducteur;
    QVERIFY(traducteur.load(QStringLiteral(":/i18n/amblopad_fr.qm")));
    QVERIFY(QCoreApplication::installTranslator(&traducteur));
    const auto retirer = qScopeGuard([&] { QCoreApplication::removeTranslator(&traducteur); });

    QCOMPARE(Chaines::NomType(u'E'), QString::fromUtf8("Énumérations"));
    QCOMPARE(Chaines::NomType(u'D'), QStringLiteral("Dictionnaire")); // already French
    QCOMPARE(Chaines::NomType(u'M'), QStringLiteral("QCM"));
    QCOMPARE(Chaines::EtiquetteReponse(), QString::fromUtf8("Réponse"));
    QCOMPARE(Chaines::DefautOu(), QStringLiteral("ou"));
    QCOMPARE(Chaines::Version(), QStringLiteral("7.8")); // written into files: never translated

    const QString absent = m_dossier.filePath(QStringLiteral("absent.xaqq"));
    try {
        TFlux::Ouvrir(absent, false);
        QFAIL("a missing file opened");
    } catch (const ErreurFichier &e) {
        QVERIFY2(e.message().startsWith(QString::fromUtf8("Impossible d'ouvrir le fichier")), qPrintable(e.message()));
    }
    try {
        TFichierMoodle::LireMoodle(QByteArrayLiteral("<?xml version=\"1.0\"?><autre/>"));
        QFAIL("a document that is no quiz was read");
    } catch (const ErreurIdInvalide &e) {
        QCOMPARE(e.message(), QString::fromUtf8("Pas un fichier Moodle valide\u00a0!"));
    }

    // The XML reader's two messages are French in every language.
    for (const bool francais : {true, false}) {
        if (!francais)
            QCoreApplication::removeTranslator(&traducteur);
        try {
            TFichierXML::LireXml(QByteArrayLiteral("<?xml version=\"1.0\"?><AMBLORINE>"), true);
            QFAIL("a broken document was read");
        } catch (const ErreurIdInvalide &e) {
            QCOMPARE(e.message().section(u'\n', 0, 0), QString::fromUtf8("Erreur dans l'écriture du code XML !"));
        }
        try {
            TFichierXML::LireXml(QByteArrayLiteral("<?xml version=\"1.0\"?><autre/>"), true);
            QFAIL("a document that is no card file was read");
        } catch (const ErreurIdInvalide &e) {
            QCOMPARE(e.message(), QString::fromUtf8("Pas un fichier XML d'Amblorine valide !"));
        }
    }
}

// The standard buttons of message boxes come from Qt's own French catalogue.
void TestTraduction::boutonsDeQt()
{
    QTranslator qt;
    QVERIFY2(qt.load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)),
             "qtbase_fr.qm missing: install qt6-translations-l10n");
    QVERIFY(QCoreApplication::installTranslator(&qt));
    const QString annuler = QCoreApplication::translate("QPlatformTheme", "Cancel");
    const QString abandonner = QCoreApplication::translate("QPlatformTheme", "Abort");
    QCoreApplication::removeTranslator(&qt);
    QCOMPARE(annuler, QStringLiteral("Annuler"));
    // The canvas question names this button.
    QCOMPARE(abandonner, QStringLiteral("Abandonner"));
}

void TestTraduction::cliSelonLaLangue_data()
{
    QTest::addColumn<QByteArray>("langue");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("French") << QByteArray("fr_FR.UTF-8")
                            << QString::fromUtf8("Commande inconnue\u00a0: «\u00a0lister\u00a0».");
    QTest::newRow("Canadian French") << QByteArray("fr_CA.UTF-8")
                                     << QString::fromUtf8("Commande inconnue\u00a0: «\u00a0lister\u00a0».");
    QTest::newRow("English") << QByteArray("en_GB.UTF-8") << QStringLiteral("Unknown command \"lister\".");
    QTest::newRow("no catalogue") << QByteArray("de_DE.UTF-8") << QStringLiteral("Unknown command \"lister\".");
}

void TestTraduction::cliSelonLaLangue()
{
    QFETCH(QByteArray, langue);
    QFETCH(QString, attendu);
    const QByteArray avant = qgetenv("LC_ALL");
    qputenv("LC_ALL", langue);
    const auto r = OutilsTest::LancerCli({QStringLiteral("lister"), QStringLiteral("x")},
                                         m_dossier.filePath(QStringLiteral("cli.ini")));
    qputenv("LC_ALL", avant);
    QCOMPARE(r.code, 2);
    QCOMPARE(QString::fromUtf8(r.erreurs).section(u'\n', 0, 0), attendu);
}

QTEST_GUILESS_MAIN(TestTraduction)
#include "tst_traduction.moc"
