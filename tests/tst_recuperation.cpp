// Recovery after a crash: the copy a document's unsaved work leaves (typing
// included), what it gives back, the real editor killed with SIGKILL, and
// the offer at the next start (Recover, Discard, Later, damaged copies).
// Offscreen, with scripted answers; the copies live under a temporary
// XDG_DATA_HOME.

#undef QT_NO_CAST_FROM_ASCII

#include "outilsgui.h"

#include "document/recuperation.h"
#include "editor/recuperer.h"
#include "formats/formats.h"
#include "model/fichierx.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <sys/stat.h>

using namespace OutilsGui;

namespace {

QString Sep()
{
    return QStringLiteral("\r\n===\r\n");
}

// A card file of three cards written as path in format.
void Ecrire(const QString &chemin, QChar type, QChar format)
{
    TFichierX f(type, format);
    if (format == u'n')
        f.PageCode = 850; // not the system's: the copy keeps it
    for (const QString &q : {QStringLiteral("un"), QStringLiteral("deux"), QStringLiteral("trois")}) {
        if (type == u'M')
            f.AjouterFiche(QStringLiteral("t") + q, q, QStringLiteral("(*) r") + q + Sep() + QStringLiteral("non"));
        else
            f.AjouterFiche(QStringLiteral("t") + q, q, QStringLiteral("r") + q);
    }
    Formats::Enregistrer(f, chemin, format, true, TOptions());
}

QStringList Copies(const QString &filtre = QStringLiteral("*.xml"))
{
    return QDir(TRecuperation::Dossier()).entryList({filtre}, QDir::Files);
}

int Mode(const QString &chemin)
{
    struct stat etat
    {
    };
    return ::stat(QFile::encodeName(chemin).constData(), &etat) == 0 ? int(etat.st_mode & 0777) : -1;
}

// Types at the end of the card's answer, unvalidated.
void TaperReponse(TFormFiche &w, const QString &texte)
{
    auto *reponse = w.findChild<QPlainTextEdit *>(QStringLiteral("MReponse"));
    reponse->setFocus();
    reponse->moveCursor(QTextCursor::End);
    for (const QChar c : texte) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(reponse, char(c.unicode()));
        } else { // what keyClicks cannot send
            QTest::sendKeyEvent(QTest::Press, reponse, Qt::Key_unknown, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, reponse, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

} // namespace

class TestRecuperation : public QObject
{
    Q_OBJECT

    TBanc m_banc;
    QTemporaryDir m_donnees;
    QString m_dossier; // the test's card files

    // Copies written in-process come at once.
    TRecuperation &Installer(TFormFiche &w)
    {
        TRecuperation::InjecterDelai(0);
        return *TOffreRecuperation::Installer(w);
    }

    static bool AttendreSignal(QSignalSpy &espion) { return !espion.isEmpty() || espion.wait(10000); }

    // The real editor on a file, typing texte in its first card's answer.
    std::unique_ptr<QProcess> LancerEditeur(const QString &fichier, const QString &texte)
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", m_donnees.path());
        env.insert("AMBLOPAD_SETTINGS", m_dossier + "/editeur.ini");
        env.insert("AMBLOPAD_TEST_SAISIE", texte);
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QStringLiteral(AMBLOPAD_EXE), {fichier});
        return p;
    }

    // Waits, at most 30 s, for a copy holding texte; its path, or empty.
    static QString AttendreCopie(const QString &texte)
    {
        for (int i = 0; i < 300; ++i) {
            for (const QString &nom : Copies()) {
                const QString chemin = QDir(TRecuperation::Dossier()).filePath(nom);
                if (OutilsTest::LireFichier(chemin).contains(texte.toUtf8()))
                    return chemin;
            }
            QTest::qWait(100);
        }
        return QString();
    }

    // A copy left by an editor killed after typing texte in A.aqq.
    QString CopieAbandonnee(const QString &fichier, const QString &texte)
    {
        auto editeur = LancerEditeur(fichier, texte);
        if (!editeur->waitForStarted())
            return QString();
        const QString copie = AttendreCopie(texte);
        // Its editor runs: never offered.
        QStringList endommagees;
        if (!TRecuperation::Abandonnees(endommagees).empty())
            return QString();
        editeur->kill(); // SIGKILL
        editeur->waitForFinished();
        return copie;
    }

private slots:
    void initTestCase()
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_donnees.path()));
        QCoreApplication::setOrganizationName(QStringLiteral("Amblorine"));
        QCoreApplication::setApplicationName(QStringLiteral("Amblopad"));
        m_banc.Installer();
        m_dossier = m_banc.dossier.path();
    }
    void init()
    {
        m_banc.Reinitialiser();
        QDir(TRecuperation::Dossier()).removeRecursively();
    }
    void cleanup() { QVERIFY(m_banc.Fermer()); }

    // The copy holds the steps and the card being typed: recovered and saved,
    // it gives the bytes the document gives once the card is validated.
    void copieFideleAuDocument_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QChar>("format");
        QTest::addColumn<QString>("nom");
        QTest::newRow("Questionnaire, native") << QChar(u'Q') << QChar(u'n') << "A.aqq";
        QTest::newRow("MCQ, XML") << QChar(u'M') << QChar(u'x') << "A.xaqm";
        QTest::newRow("Dictionary, CSV") << QChar(u'D') << QChar(u's') << "A.csv";
    }
    void copieFideleAuDocument()
    {
        QFETCH(QChar, type);
        QFETCH(QChar, format);
        QFETCH(QString, nom);
        const QString original = m_dossier + "/" + nom;
        Ecrire(original, type, format);
        const QByteArray avant = OutilsTest::LireFichier(original);
        TFormFiche &w = m_banc.Demarrer({original});
        QVERIFY(w.Document().Fichier());
        TRecuperation &recuperation = Installer(w);
        QSignalSpy ecrite(&recuperation, &TRecuperation::copieEcrite);
        w.Document().SupprimerFiche(2, "Delete card");
        TaperReponse(w, QStringLiteral(" tapé"));
        QVERIFY(AttendreSignal(ecrite));
        recuperation.Attendre();
        // Typing goes on: a later copy.
        ecrite.clear();
        TaperReponse(w, QStringLiteral("!"));
        QVERIFY(AttendreSignal(ecrite));
        QVERIFY(ecrite.last().at(0).toBool());
        recuperation.Attendre();

        // Only the user reads it; its description names the file.
        const QString copie = recuperation.Chemin();
        QCOMPARE(Mode(copie), 0600);
        QCOMPARE(Mode(TRecuperation::Dossier()), 0700);
        const QString base = copie.chopped(4);
        const QJsonObject description = QJsonDocument::fromJson(OutilsTest::LireFichier(base + ".json")).object();
        QCOMPARE(description.value("name").toString(), original);
        QCOMPARE(description.value("format").toString(), QString(format));
        QCOMPARE(description.value("type").toString(), QString(w.Document().Fichier()->TypeFichier));
        QCOMPARE(OutilsTest::LireFichier(original), avant); // never written without a Save

        // Read as the next start reads it: the same files under a name no
        // running editor holds.
        const QString autre = TRecuperation::Dossier() + "/9-copie";
        QVERIFY(QFile::copy(copie, autre + ".xml"));
        QVERIFY(QFile::copy(base + ".json", autre + ".json"));
        QStringList endommagees;
        std::vector<TCopieRecuperation> copies = TRecuperation::Abandonnees(endommagees);
        QCOMPARE(int(copies.size()), 1);
        TCopieRecuperation &c = copies.front();
        QCOMPARE(c.Base, autre);
        QCOMPARE(c.Type, w.Document().Fichier()->TypeFichier);
        std::unique_ptr<TFichierX> recuperees = TRecuperation::Lire(c);
        QCOMPARE(recuperees->NomFichier, original);
        QVERIFY(recuperees->Modifie);
        const QString parCopie = m_dossier + "/copie." + QFileInfo(nom).suffix();
        Formats::Enregistrer(*recuperees, parCopie, format, true, TOptions());

        // Validated and saved: the copy goes.
        QSignalSpy retiree(&recuperation, &TRecuperation::copieRetiree);
        Choisir(w, "Enregistrerlafiche1");
        Choisir(w, "Sauver1");
        QVERIFY(!w.Document().EstModifie());
        QVERIFY(AttendreSignal(retiree));
        QVERIFY(!QFile::exists(copie));
        QVERIFY(!QFile::exists(base + ".json"));
        TRecuperation::Supprimer(c);
        QVERIFY(Copies("*.xml").isEmpty());
        QVERIFY(Copies("*.json").isEmpty());
        QCOMPARE(OutilsTest::LireFichier(parCopie), OutilsTest::LireFichier(original));
        QVERIFY(OutilsTest::LireFichier(original) != avant);
    }

    // No unsaved work, no copy; given up or ended, the copy goes.
    void copieRetiree_data()
    {
        QTest::addColumn<QString>("fin");
        QTest::newRow("closed, not saved") << "fermer";
        QTest::newRow("change undone") << "defaire";
        QTest::newRow("typing cancelled") << "annuler";
        QTest::newRow("editor ends") << "detruire";
    }
    void copieRetiree()
    {
        QFETCH(QString, fin);
        const QString original = m_dossier + "/B.aqq";
        Ecrire(original, u'Q', u'n');
        TFormFiche &w = m_banc.Demarrer({original});
        TRecuperation &recuperation = Installer(w);
        QSignalSpy ecrite(&recuperation, &TRecuperation::copieEcrite);
        // Moving between cards and searching change nothing.
        Choisir(w, "Suivante1");
        QTest::qWait(50);
        QVERIFY(ecrite.isEmpty());
        if (fin == "annuler")
            TaperReponse(w, "x");
        else
            w.Document().SupprimerFiche(0, "Delete card");
        QVERIFY(AttendreSignal(ecrite));
        recuperation.Attendre();
        const QString copie = recuperation.Chemin();
        QVERIFY(QFile::exists(copie));
        if (fin == "fermer") {
            m_banc.dialogues->Repondre(TInteraction::RepNon);
            Choisir(w, "Fermer1");
            QVERIFY(!w.Document().Fichier());
        } else if (fin == "annuler") {
            Choisir(w, "Annuler1");
            QVERIFY(!w.FicheEditee());
        } else if (fin == "defaire") {
            Choisir(w, "Defaire1");
            QVERIFY(!w.Document().EstModifie());
        } else {
            w.Document().Fermer(); // as a quit once the question was answered
            delete &recuperation;
            QVERIFY(!QFile::exists(copie));
            QVERIFY(Copies("*").isEmpty());
            return;
        }
        QSignalSpy retiree(&recuperation, &TRecuperation::copieRetiree);
        QVERIFY(AttendreSignal(retiree));
        QVERIFY(Copies("*.xml").isEmpty());
        QVERIFY(Copies("*.json").isEmpty());
    }

    // The real editor killed after typing leaves a copy, which the next
    // start offers: Recover, Discard and Later do what they say.
    void editeurTue_data()
    {
        QTest::addColumn<int>("reponse");
        QTest::newRow("Recover") << int(TInteraction::RepRecuperer);
        QTest::newRow("Discard") << int(TInteraction::RepIgnorer);
        QTest::newRow("Later") << int(TInteraction::RepPlusTard);
    }
    void editeurTue()
    {
        QFETCH(int, reponse);
        const QString original = m_dossier + "/A.aqq";
        Ecrire(original, u'Q', u'n');
        const QByteArray avant = OutilsTest::LireFichier(original);
        const QString copie = CopieAbandonnee(original, QStringLiteral("frappe perdue"));
        QVERIFY(!copie.isEmpty());
        QCOMPARE(OutilsTest::LireFichier(original), avant);

        // What a kill in the middle of a write leaves, and an editor killed
        // before its first copy: cleared, never offered.
        QVERIFY(OutilsTest::EcrireFichier(copie + ".Ab12Cd", "<AMBLORINE"));
        QVERIFY(OutilsTest::EcrireFichier(copie.chopped(4) + ".json.Xy34Zw", "{"));
        {
            QFile verrou(TRecuperation::Dossier() + "/2-vide.lock");
            QVERIFY(verrou.open(QIODevice::WriteOnly));
            QVERIFY(verrou.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
        }

        TFormFiche &w = m_banc.Demarrer();
        TRecuperation &recuperation = Installer(w);
        m_banc.dialogues->Repondre(TInteraction::Reponse(reponse));
        TOffreRecuperation::Offrir(w, recuperation);
        QVERIFY(!QFile::exists(copie + ".Ab12Cd"));
        QVERIFY(!QFile::exists(copie.chopped(4) + ".json.Xy34Zw"));
        QVERIFY(!QFile::exists(TRecuperation::Dossier() + "/2-vide.lock"));
        const auto messages = m_banc.dialogues->Messages();
        QCOMPARE(int(messages.size()), 1);
        QVERIFY2(messages.front().Texte.startsWith("Recover the unsaved changes to A.aqq from "),
                 qPrintable(messages.front().Texte));
        QCOMPARE(messages.front().BoutonsMessage, TInteraction::RecupererIgnorerPlusTard);

        QStringList endommagees;
        if (reponse == TInteraction::RepRecuperer) {
            // A modified document bound to the file, the typed text in its card.
            QVERIFY(w.Document().Fichier());
            QCOMPARE(w.Document().Fichier()->NomFichier, original);
            QCOMPARE(w.Document().Fichier()->FormatFichier, QChar(u'n'));
            QVERIFY(w.Document().EstModifie());
            QVERIFY(w.isWindowModified());
            QCOMPARE(w.Document().Fichier()->Fiche(0).Champ2(), QStringLiteral("runfrappe perdue"));
            QCOMPARE(OutilsTest::LireFichier(original), avant);
            // Adopted: this editor's copy now, never offered to another.
            recuperation.Attendre();
            QCOMPARE(recuperation.Chemin(), copie);
            QVERIFY(TRecuperation::Abandonnees(endommagees).empty());
            // Save writes the original file; the copy goes.
            QSignalSpy retiree(&recuperation, &TRecuperation::copieRetiree);
            Choisir(w, "Sauver1");
            QVERIFY(AttendreSignal(retiree));
            QVERIFY(!QFile::exists(copie));
            w.Document().Fermer(); // its lock
            std::unique_ptr<TFichierX> relu = Formats::Ouvrir(original, false, true, u'Q', TOptions());
            QCOMPARE(relu->Fiche(0).Champ2(), QStringLiteral("runfrappe perdue"));
        } else if (reponse == TInteraction::RepIgnorer) {
            QVERIFY(!w.Document().Fichier());
            QVERIFY(Copies("*").isEmpty());
        } else {
            QVERIFY(!w.Document().Fichier());
            QVERIFY(QFile::exists(copie));
            // Offered again at the next start.
            auto copies = TRecuperation::Abandonnees(endommagees);
            QCOMPARE(int(copies.size()), 1);
            TRecuperation::Laisser(copies.front());
        }
        QVERIFY(endommagees.isEmpty());
    }

    // Recover over a document with changes of its own asks first, as Close
    // does: Cancel keeps both, the copy left for later.
    void recupererSurDocumentModifie_data()
    {
        QTest::addColumn<int>("reponse");
        QTest::newRow("Cancel") << int(TInteraction::RepAnnuler);
        QTest::newRow("No") << int(TInteraction::RepNon);
    }
    void recupererSurDocumentModifie()
    {
        QFETCH(int, reponse);
        const QString original = m_dossier + "/A.aqq";
        Ecrire(original, u'Q', u'n');
        const QString copie = CopieAbandonnee(original, QStringLiteral("frappe perdue"));
        QVERIFY(!copie.isEmpty());
        const QString autre = m_dossier + "/B.aqq";
        Ecrire(autre, u'Q', u'n');
        TFormFiche &w = m_banc.Demarrer({autre});
        TRecuperation &recuperation = Installer(w);
        w.Document().SupprimerFiche(0, "Delete card");
        m_banc.dialogues->Repondre(TInteraction::RepRecuperer);
        m_banc.dialogues->Repondre(TInteraction::Reponse(reponse));
        TOffreRecuperation::Offrir(w, recuperation);
        const auto messages = m_banc.dialogues->Messages();
        QCOMPARE(int(messages.size()), 2);
        QVERIFY(messages.back().Texte.contains("B.aqq"));
        QVERIFY(w.Document().EstOuvert());
        if (reponse == TInteraction::RepAnnuler) {
            QCOMPARE(w.Document().Fichier()->NomFichier, autre);
            QVERIFY(w.Document().EstModifie());
            QStringList endommagees;
            auto copies = TRecuperation::Abandonnees(endommagees);
            QCOMPARE(int(copies.size()), 1);
            QCOMPARE(copies.front().Base + ".xml", copie);
            TRecuperation::Laisser(copies.front());
        } else {
            QCOMPARE(w.Document().Fichier()->NomFichier, original);
            QCOMPARE(w.Document().Fichier()->Fiche(0).Champ2(), QStringLiteral("runfrappe perdue"));
        }
    }

    // A copy that cannot be read is said once and set aside, never opened.
    void copieEndommagee_data()
    {
        QTest::addColumn<QByteArray>("cartes");
        QTest::addColumn<QByteArray>("description");
        QTest::addColumn<bool>("offerte");
        const QByteArray bonne
            = R"({"name": "/x/C.aqq", "format": "n", "type": "Q", "time": "2026-01-02T03:04:05.000Z"})";
        QTest::newRow("cards not XML") << QByteArray("\x00\xffPK garbage", 13) << bonne << true;
        QTest::newRow("cards cut short") << QByteArray("<?xml version=\"1.0\"?><AMBLORINE TYPE=\"Q\"><F><Q>a") << bonne
                                         << true;
        QTest::newRow("description not JSON") << QByteArray("<AMBLORINE/>") << QByteArray("{name") << false;
        QTest::newRow("unknown format letter")
            << QByteArray("<AMBLORINE/>")
            << QByteArray(R"({"name": "", "format": "9", "type": "Q", "time": "2026-01-02T03:04:05Z"})") << false;
        QTest::newRow("no description") << QByteArray("<AMBLORINE/>") << QByteArray() << false;
    }
    void copieEndommagee()
    {
        QFETCH(QByteArray, cartes);
        QFETCH(QByteArray, description);
        QFETCH(bool, offerte);
        QDir().mkpath(TRecuperation::Dossier());
        const QString base = TRecuperation::Dossier() + "/1-abandon";
        QVERIFY(OutilsTest::EcrireFichier(base + ".xml", cartes));
        if (!description.isEmpty())
            QVERIFY(OutilsTest::EcrireFichier(base + ".json", description));
        TFormFiche &w = m_banc.Demarrer();
        TRecuperation &recuperation = Installer(w);
        if (offerte)
            m_banc.dialogues->Repondre(TInteraction::RepRecuperer);
        TOffreRecuperation::Offrir(w, recuperation);
        const auto messages = m_banc.dialogues->Messages();
        QCOMPARE(int(messages.size()), offerte ? 2 : 1);
        QVERIFY(messages.back().Texte.contains(base + ".xml.damaged"));
        QVERIFY(!w.Document().Fichier());
        QVERIFY(!QFile::exists(base + ".xml"));
        QCOMPARE(OutilsTest::LireFichier(base + ".xml.damaged"), cartes);
        // Said once: the next start finds nothing.
        m_banc.dialogues->Oublier();
        TOffreRecuperation::Offrir(w, recuperation);
        QVERIFY(m_banc.dialogues->Messages().empty());
    }

    // The platform's box: its own buttons, named for assistive tools, and
    // answered from the keyboard (Escape is Later).
    void boiteAuClavier_data()
    {
        QTest::addColumn<QString>("touches");
        QTest::addColumn<int>("reponse");
        QTest::newRow("Enter") << "entree" << int(TInteraction::RepRecuperer);
        QTest::newRow("Escape") << "echap" << int(TInteraction::RepPlusTard);
        QTest::newRow("Alt+D") << "alt-d" << int(TInteraction::RepIgnorer);
        QTest::newRow("Alt+L") << "alt-l" << int(TInteraction::RepPlusTard);
    }
    void boiteAuClavier()
    {
        QFETCH(QString, touches);
        QFETCH(int, reponse);
        QStringList noms;
        QTimer attente;
        attente.start(20);
        connect(&attente, &QTimer::timeout, this, [&] {
            QMessageBox *boite = nullptr;
            for (QWidget *fenetre : QApplication::topLevelWidgets())
                if (auto *b = qobject_cast<QMessageBox *>(fenetre); b && b->isVisible())
                    boite = b;
            if (!boite)
                return;
            attente.stop();
            boite->activateWindow();
            if (!QTest::qWaitForWindowActive(boite))
                return;
            for (const char *nom : {"Recuperer", "Ignorer", "PlusTard"})
                if (auto *bouton = boite->findChild<QPushButton *>(nom))
                    noms << bouton->accessibleName();
            if (touches == "entree")
                QTest::keyClick(boite, Qt::Key_Return);
            else if (touches == "echap")
                QTest::keyClick(boite, Qt::Key_Escape);
            else
                QTest::keyClick(boite, touches.back().toLatin1(), Qt::AltModifier);
        });
        TInteractionPlateforme plateforme;
        const auto r = static_cast<TInteraction &>(plateforme)
                           .Message(TInteraction::Question, "Recover?", TInteraction::RecupererIgnorerPlusTard, 0);
        QCOMPARE(int(r), reponse);
        QCOMPARE(noms, QStringList({"Recover", "Discard", "Later"}));
    }
};

QTEST_MAIN(TestRecuperation)
#include "tst_recuperation.moc"
