// The file commands of the editor window on real files: New, Open, model,
// Save, Save as, Export, the save question, remembered files, the settings
// written at close, forwarded arguments and dropped files. Offscreen, with
// scripted answers.

#undef QT_NO_CAST_FROM_ASCII

#include "outilsgui.h"
#include "verifanki.h"

#include "dialogs/dlgnouveau.h"
#include "editor/fiche.h"
#include "editor/lettres.h"
#include "formats/formats.h"
#include "formats/table.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/outils.h"
#include "resources/chaines.h"
#include "settings/init.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QStandardPaths>
#include <QTimer>
#include <QDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QSettings>
#include <QUrl>
#include <unistd.h>

namespace {

const QString Sep = QStringLiteral("\r\n===\r\n");

// Writes a card file of a type in a format with one card per question.
QString Creer(const QString &chemin, QChar type, QChar format, const QStringList &questions)
{
    TFichierX f(type, format);
    for (const QString &q : questions) {
        if (type == u'M')
            f.AjouterFiche(QStringLiteral("t") + q, q, QStringLiteral("(*) r") + q + Sep + QStringLiteral("no"));
        else
            f.AjouterFiche(QStringLiteral("t") + q, q, QStringLiteral("r") + q);
    }
    f.Fragmenteur = type == u'Q' ? QStringLiteral(";") : f.Fragmenteur;
    Formats::Enregistrer(f, chemin, format, true, TOptions());
    return chemin;
}

// A three-column CSV file of two cards, in the process's separator.
QString Csv(const QString &chemin)
{
    const QByteArray sep = QString(SeparateurCsv()).toUtf8();
    OutilsTest::EcrireFichier(chemin, "ta" + sep + "qa" + sep + "ra\r\ntb" + sep + "qb" + sep + "rb\r\n");
    return chemin;
}

QStringList Sortes(const TInteractionScriptee &d)
{
    QStringList sortes;
    for (const auto &demande : d.Demandes)
        sortes << demande.Sorte;
    return sortes;
}

} // namespace

Q_DECLARE_METATYPE(TInteraction::Reponse)

class TestFichiers : public QObject
{
    Q_OBJECT

    OutilsGui::TBanc m_banc;
    QTemporaryDir &m_dossier = m_banc.dossier;
    TInteractionScriptee *&m_d = m_banc.dialogues;
    int m_numero = 0;

    QString Chemin(const QString &nom) const { return m_dossier.filePath(nom); }
    // A fresh folder per test: files of a test stay apart from the others'.
    QString Neuf(const QString &nom)
    {
        const QString dossier = m_dossier.filePath(QString::number(++m_numero));
        QDir().mkpath(dossier);
        return dossier + u'/' + nom;
    }

    TFormFiche &Demarrer(const QStringList &arguments = {}, int instances = 1)
    {
        return m_banc.Demarrer(arguments, instances);
    }

    TFormFiche &Ouvrir(const QString &chemin)
    {
        TFormFiche &w = Demarrer({chemin});
        [&] { QVERIFY2(w.Document().Fichier(), qPrintable(chemin)); }();
        return w;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dossier.isValid());
        m_banc.Installer();
    }

    void init() { m_banc.Reinitialiser(); }

    void cleanup() { QVERIFY(m_banc.Fermer()); }

    // ------------------------------------------------------------ models

    void modele_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QChar>("format");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<bool>("accepte");
        QTest::newRow("csv") << QChar(u'L') << QChar(u's') << "csv" << false;
        QTest::newRow("cardfile") << QChar(u'R') << QChar(u'c') << "crd" << false;
        QTest::newRow("moodle") << QChar(u'M') << QChar(u'm') << "xml" << false;
        QTest::newRow("xml") << QChar(u'Q') << QChar(u'x') << "xaqq" << true;
        QTest::newRow("native") << QChar(u'Q') << QChar(u'n') << "aqq" << true;
    }

    // "New file from model": only native and XML files serve, and give an
    // untitled file with the model's options and no card.
    void modele()
    {
        QFETCH(QChar, type);
        QFETCH(QChar, format);
        QFETCH(QString, extension);
        QFETCH(bool, accepte);
        const QString chemin = Creer(Neuf("modele." + extension), type, format, {"a", "b"});
        const QByteArray avant = OutilsTest::LireFichier(chemin);
        Lettres::MettreEnTete(u'Q', Parametres.types); // the type the window starts with
        TFormFiche &w = Demarrer();
        OutilsGui::OuvrirMenus(w);
        QVERIFY(w.Action("Modele1")->isVisible());
        m_d->ChoisirFichier(chemin, 1);
        w.Action("Modele1")->trigger();
        if (!accepte) {
            QVERIFY(!w.Document().Fichier());
            QCOMPARE(int(m_d->Messages().size()), 1);
            QCOMPARE(m_d->Messages().front().Texte, QStringLiteral("This file cannot be used as a model!"));
            QCOMPARE(m_d->Messages().front().GenreMessage, TInteraction::Erreur);
        } else {
            QVERIFY(w.Document().Fichier());
            QVERIFY(m_d->Messages().empty());
            QCOMPARE(w.Document().Fichier()->NombreFiches(), 0);
            QVERIFY(w.Document().Fichier()->NomFichier.isEmpty());
            QVERIFY(w.Document().Fichier()->Modifiable);
            QCOMPARE(w.Document().Fichier()->TypeFichier, QChar(u'Q'));
            QCOMPARE(w.Document().Fichier()->Fragmenteur, QStringLiteral(";"));
            QCOMPARE(OutilsGui::Titre(w), QStringLiteral("Amblopad - (New file)"));
            OutilsGui::Choisir(w, "Fermer1");
            // The model is not remembered as a file of the user's.
            QVERIFY(Parametres.open.isEmpty());
        }
        QCOMPARE(OutilsTest::LireFichier(chemin), avant);
    }

    // ------------------------------------------------------------ New

    void nouveau_data()
    {
        QTest::addColumn<int>("choix"); // item chosen in the dialog, 0-based
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QChar>("format");
        QTest::newRow("first") << 0 << QChar(u'R') << QChar(u'x');
        QTest::newRow("lists are csv") << 2 << QChar(u'L') << QChar(u's');
        QTest::newRow("mcq is moodle") << 4 << QChar(u'M') << QChar(u'm');
        QTest::newRow("questionnaire") << 3 << QChar(u'Q') << QChar(u'x');
    }

    void nouveau()
    {
        QFETCH(int, choix);
        QFETCH(QChar, type);
        QFETCH(QChar, format);
        TFormFiche &w = Demarrer();
        QStringList offerts;
        m_d->Dialogues.push_back([&](QDialog &dialogue) {
            auto *d = qobject_cast<TDlgNouveau *>(&dialogue);
            if (!d)
                return int(QDialog::Rejected);
            for (int i = 0; i < d->CBType->count(); ++i)
                offerts << d->CBType->itemText(i);
            d->CBType->setCurrentIndex(choix);
            return int(QDialog::Accepted);
        });
        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::CTRL | Qt::Key_N)));
        QCOMPARE(offerts,
                 (QStringList{TFichierX::NomType(u'R'), TFichierX::NomType(u'N'), TFichierX::NomType(u'L'),
                              TFichierX::NomType(u'Q'), TFichierX::NomType(u'M')}));
        QVERIFY(w.Document().Fichier());
        QCOMPARE(w.TypeEnCours(), type);
        QCOMPARE(w.Document().Fichier()->TypeFichier, type);
        QCOMPARE(w.Document().Fichier()->FormatFichier, format);
        QVERIFY(w.Document().Fichier()->NomFichier.isEmpty());
        QCOMPARE(OutilsGui::Titre(w), QStringLiteral("Amblopad - (New file)"));
        QCOMPARE(OutilsGui::SujetAide(w, *m_d), type == u'Q' ? 21 : type == u'M' ? 31 : 1);
    }

    // Cancel keeps the file that was shown; without alltyp there is no dialog.
    void nouveauSansDialogue()
    {
        const QString chemin = Creer(Neuf("a.xaqq"), u'Q', u'x', {"a"});
        TFormFiche &w = Ouvrir(chemin);
        m_d->Dialogues.push_back([](QDialog &) { return int(QDialog::Rejected); });
        OutilsGui::Choisir(w, "Nouveau1");
        QCOMPARE(w.Document().Fichier()->NomFichier, chemin);

        Parametres.alltyp = false;
        m_d->Oublier();
        OutilsGui::Choisir(w, "Nouveau1");
        QVERIFY(!Sortes(*m_d).contains("dialogue"));
        QCOMPARE(w.Document().Fichier()->TypeFichier, QChar(u'Q'));
        QVERIFY(w.Document().Fichier()->NomFichier.isEmpty());
        // The file closed was remembered, its type first.
        QCOMPARE(Parametres.open, chemin);
        QCOMPARE(Parametres.types, QStringLiteral("QRNLM"));

        // The open dialog offers the current type alone, no "All".
        m_d->AnnulerFichier();
        OutilsGui::Choisir(w, "Ouvrir1");
        const auto ouvrir = m_d->Demandes.back();
        QCOMPARE(ouvrir.Sorte, QStringLiteral("ouvrir"));
        QCOMPARE(ouvrir.Filtre, QStringLiteral("Questionnaire|*.xaqq;*.aqq"));
        QVERIFY(w.Document().Fichier()); // cancelled: the new file stays
    }

    // F1 and the Help button of the type dialog show its topic.
    void aideNouveau()
    {
        TDlgNouveau d;
        d.Remplir(QStringLiteral("QM"));
        QCOMPARE(d.LettreChoisie(), QChar(u'Q'));
        d.BAide->click();
        QTest::keyClick(&d, Qt::Key_F1);
        QCOMPARE(int(m_d->Demandes.size()), 2);
        for (const auto &demande : m_d->Demandes) {
            QCOMPARE(demande.Sorte, QStringLiteral("aide"));
            QCOMPARE(demande.Aide, 7);
        }
        Lettres::MettreEnTete(u'M', Parametres.types);
        TFormFiche &w = Demarrer();
        m_d->Oublier();
        w.Action("Rubriquesdaide1")->trigger();
        QCOMPARE(m_d->Demandes.back().Aide, 31);
    }

    // ------------------------------------------------------------ Open

    void ouvrir_data()
    {
        QTest::addColumn<int>("entree");
        QTest::addColumn<bool>("estOpen");
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QChar>("courant");
        // Filter entries with the default settings: R N L Q M All.
        QTest::newRow("all") << 6 << false << QChar(u'L') << QChar(u'L');
        QTest::newRow("all, remembered file") << 6 << true << QChar(u'R') << QChar(u'R');
        QTest::newRow("questionnaire entry") << 4 << false << QChar(u'Q') << QChar(u'Q');
    }

    // The filter entry chosen gives the type of a CSV file.
    void ouvrir()
    {
        QFETCH(int, entree);
        QFETCH(bool, estOpen);
        QFETCH(QChar, type);
        QFETCH(QChar, courant);
        const QString chemin = Csv(Neuf("l.csv"));
        if (estOpen)
            Parametres.open = chemin;
        TFormFiche &w = Demarrer();
        m_d->ChoisirFichier(chemin, entree);
        OutilsGui::Choisir(w, "Ouvrir1");
        QVERIFY(w.Document().Fichier());
        const auto ouvrir = m_d->Demandes.front();
        QCOMPARE(ouvrir.Filtre,
                 QStringLiteral("Directory|*.xaqr;*.aqr;*.xml;*.crd|Notebook|*.xaqn;*.aqn;*.xml|"
                                "Lists|*.xaql;*.aql;*.csv|Questionnaire|*.xaqq;*.aqq|"
                                "MCQ|*.xaqm;*.aqm;*.xml|All|*.*|GIFT|*.gift;*.txt|Aiken|*.txt|"
                                "Anki|*.apkg;*.txt|QTI 1.2|*.zip;*.xml;*.qti|Common Cartridge|*.imscc;*.zip|"
                                "QTI 2.1|*.zip;*.xml"));
        QCOMPARE(ouvrir.Extension, QStringLiteral("xaqr"));
        QCOMPARE(w.Document().Fichier()->TypeFichier, type);
        QCOMPARE(w.TypeEnCours(), courant);
        QCOMPARE(w.Document().Fichier()->NombreFiches(), 2);
        QCOMPARE(OutilsGui::Titre(w), QStringLiteral("Amblopad - ") + chemin);
    }

    // An Anki deck opens as a new, untitled card file of the type chosen in
    // the New dialog's list, worded for the deck, the type the deck was
    // written from offered first; cancelled, nothing opens (the document was
    // closed first, as for any file that does not open).
    void importAnki_data()
    {
        QTest::addColumn<QChar>("format");
        QTest::addColumn<bool>("accepte");
        QTest::addColumn<QChar>("type"); // chosen; null: the one offered first
        QTest::newRow("package, default type") << QChar(u'k') << true << QChar();
        QTest::newRow("package, questionnaire") << QChar(u'k') << true << QChar(u'Q');
        QTest::newRow("text") << QChar(u'K') << true << QChar();
        QTest::newRow("cancelled") << QChar(u'k') << false << QChar();
    }
    void importAnki()
    {
        QFETCH(QChar, format);
        QFETCH(bool, accepte);
        QFETCH(QChar, type);
        const QString paquet = Creer(Neuf(format == u'k' ? "deck.apkg" : "deck.txt"), u'N', format, {"qa", "qb"});
        const QByteArray avant = OutilsTest::LireFichier(paquet);
        QStringList fautes;
        if (format == u'k')
            fautes = VerifAnki::Paquet(avant);
        else
            QCOMPARE(VerifAnki::Texte(avant, &fautes).size(), 2);
        QVERIFY2(fautes.isEmpty(), qPrintable(fautes.join(u'\n')));
        const QString document = Creer(Neuf("a.xaqq"), u'Q', u'x', {"a"});
        TFormFiche &w = Ouvrir(document);
        QStringList offerts;
        QString titre;
        bool progressionSuspendue = false; // asked with the progress out of the way
        m_d->Dialogues.push_back([&](QDialog &dialogue) {
            auto *d = qobject_cast<TDlgNouveau *>(&dialogue);
            if (d)
                titre = d->windowTitle();
            progressionSuspendue = !m_d->Suivis.empty() && m_d->Suivis.back().Suspendu;
            if (!d || !accepte)
                return int(QDialog::Rejected);
            for (int i = 0; i < d->CBType->count(); ++i)
                offerts << d->CBType->itemText(i);
            if (!type.isNull())
                d->CBType->setCurrentIndex(int(offerts.indexOf(TFichierX::NomType(type))));
            return int(QDialog::Accepted);
        });
        m_d->ChoisirFichier(paquet, 6); // "All"
        OutilsGui::Choisir(w, "Ouvrir1");
        QVERIFY(m_d->Messages().empty());
        QCOMPARE(OutilsTest::LireFichier(paquet), avant);
        QCOMPARE(titre, QStringLiteral("Open the Anki deck as"));
        QVERIFY(progressionSuspendue);
        QVERIFY(!m_d->Suivis.back().Suspendu);
        if (!accepte) {
            QVERIFY(!w.Document().Fichier());
            return;
        }
        QCOMPARE(offerts.value(0), TFichierX::NomType(u'N'));
        if (type.isNull())
            type = u'N';
        QVERIFY(w.Document().Fichier());
        QCOMPARE(w.Document().Fichier()->TypeFichier, type);
        QVERIFY(w.Document().Fichier()->NomFichier.isEmpty());
        QVERIFY(w.Document().Fichier()->Modifie);
        QCOMPARE(w.Document().Fichier()->FormatFichier, Lettres::FormatParDefaut(type, PremierCar(Parametres.csvtyp)));
        QCOMPARE(w.Document().Fichier()->NombreFiches(), 2);
        QCOMPARE(w.Document().Fichier()->Fiche(0).Champ2(), QStringLiteral("rqa"));
        // The cards are nowhere on disk: modified, though no step made them.
        QCOMPARE(OutilsGui::Titre(w), QStringLiteral("Amblopad - (New file)*"));
        QVERIFY(!OutilsGui::Actif(w, "Defaire1"));
    }

    // Read-only on disk wins over the unticked box; the ticked box on a writable file too.
    void lectureSeule_data()
    {
        QTest::addColumn<bool>("surDisque");
        QTest::addColumn<bool>("coche");
        QTest::newRow("attribute") << true << false;
        QTest::newRow("box") << false << true;
        QTest::newRow("neither") << false << false;
    }

    void lectureSeule()
    {
        QFETCH(bool, surDisque);
        QFETCH(bool, coche);
        const QString chemin = Creer(Neuf("ro.xaqq"), u'Q', u'x', {"a"});
        DefinirLectureSeule(chemin, surDisque);
        TFormFiche &w = Demarrer();
        m_d->ChoisirFichier(chemin, 1, coche);
        OutilsGui::Choisir(w, "Ouvrir1");
        QVERIFY(w.Document().Fichier());
        QCOMPARE(w.Document().Fichier()->Modifiable, !(surDisque || coche));
        QCOMPARE(OutilsGui::MReponse(w)->isReadOnly(), surDisque || coche);
        DefinirLectureSeule(chemin, false);
    }

    // A file that fails to open is no longer offered; the window has no file.
    void ouvertureRateeOublie()
    {
        const QString bon = Creer(Neuf("bon.xaqq"), u'Q', u'x', {"a"});
        const QString mauvais = Neuf("mauvais.xaqq");
        QVERIFY(OutilsTest::EcrireFichier(mauvais, "<?xml version=\"1.0\"?><AMBLORINE><broken"));
        Parametres.open = bon;
        Parametres.recent = mauvais;
        TFormFiche &w = Ouvrir(bon);
        OutilsGui::OuvrirMenus(w);
        QVERIFY(w.Action("Recent1")->isVisible());
        w.Action("Recent1")->trigger();
        QVERIFY(!w.Document().Fichier());
        QCOMPARE(int(m_d->Messages().size()), 1);
        QCOMPARE(m_d->Messages().front().GenreMessage, TInteraction::Erreur);
        QVERIFY(Parametres.recent.isEmpty());
        QCOMPARE(Parametres.open, bon);
        QCOMPARE(OutilsGui::ETitre(w)->text(), QStringLiteral("(No file loaded)"));
        OutilsGui::OuvrirMenus(w);
        QVERIFY(!w.Action("Recent1")->isVisible());
    }

    // ------------------------------------------------------------ remembered files

    // A then B through the commands: open = B, recent = A, with their cards;
    // "Recent" brings A back at its card.
    void souvenirs()
    {
        const QString a = Creer(Neuf("A.xaqq"), u'Q', u'x', {"a1", "a2", "a3"});
        const QString b = Creer(Neuf("B.xaqd"), u'D', u'x', {"b1", "b2"});
        TFormFiche &w = Ouvrir(a);
        OutilsGui::Aller(w, 2);
        m_d->ChoisirFichier(b, 6);
        OutilsGui::Choisir(w, "Ouvrir1");
        QCOMPARE(w.Document().Fichier()->NomFichier, b);
        OutilsGui::Aller(w, 1);
        QVERIFY(OutilsGui::Fermer(w));
        QCOMPARE(Parametres.open, b);
        QCOMPARE(Parametres.openum, 1);
        QCOMPARE(Parametres.recent, a);
        QCOMPARE(Parametres.recnum, 2);
        QCOMPARE(Parametres.types, QStringLiteral("DQRNLM")); // D was not in the list
        OutilsGui::OuvrirMenus(w);
        QCOMPARE(w.Action("Recent1")->text(), QStringLiteral("A.xaqq"));
        w.Action("Recent1")->trigger();
        QCOMPARE(w.Document().Fichier()->NomFichier, a);
        QCOMPARE(w.IndexAffiche(), 2);
        QCOMPARE(OutilsGui::MQuestion(w)->toPlainText(), QStringLiteral("a3"));
        // Closing A now: open = A, recent = B.
        OutilsGui::Choisir(w, "Fermer1");
        QCOMPARE(Parametres.open, a);
        QCOMPARE(Parametres.recent, b);
        QCOMPARE(Parametres.recnum, 1);
    }

    void reouverture_data()
    {
        QTest::addColumn<bool>("reopen");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<int>("instances");
        QTest::addColumn<bool>("charge");
        QTest::newRow("allowed") << true << true << 1 << true;
        QTest::newRow("no reopen") << false << true << 1 << false;
        QTest::newRow("nothing was open") << true << false << 1 << false;
        QTest::newRow("another instance runs") << true << true << 2 << false;
    }

    void reouverture()
    {
        QFETCH(bool, reopen);
        QFETCH(bool, opened);
        QFETCH(int, instances);
        QFETCH(bool, charge);
        const QString chemin = Creer(Neuf("r.xaqq"), u'Q', u'x', {"a", "b", "c"});
        Parametres.open = chemin;
        Parametres.openum = 1;
        Parametres.reopen = reopen;
        Parametres.opened = opened;
        TFormFiche &w = Demarrer({}, instances);
        QCOMPARE(bool(w.Document().Fichier()), charge);
        if (charge)
            QCOMPARE(w.IndexAffiche(), 1);
        QVERIFY(m_d->Messages().empty());
        QCOMPARE(Parametres.open, chemin);
    }

    // ------------------------------------------------------------ saving

    void sauverFormats_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QString>("frmats");
        QTest::addColumn<int>("entree");
        QTest::addColumn<QChar>("format");
        QTest::addColumn<QString>("extension");
        QTest::newRow("questionnaire as csv") << QChar(u'Q') << "xscmt" << 2 << QChar(u's') << "csv";
        QTest::newRow("directory as cardfile") << QChar(u'R') << "xscmt" << 2 << QChar(u'c') << "crd";
        QTest::newRow("mcq as moodle") << QChar(u'M') << "xscmt" << 2 << QChar(u'm') << "xml";
        QTest::newRow("questionnaire as native") << QChar(u'Q') << "xnscmt" << 2 << QChar(u'n') << "aqq";
        QTest::newRow("native back to xml") << QChar(u'N') << "nxscmt" << 2 << QChar(u'x') << "xaqn";
    }

    // Save as in another format: the document becomes that file, which opens again.
    void sauverFormats()
    {
        QFETCH(QChar, type);
        QFETCH(QString, frmats);
        QFETCH(int, entree);
        QFETCH(QChar, format);
        QFETCH(QString, extension);
        const QChar depart = type == u'N' ? QChar(u'n') : QChar(u'x');
        const QString source = Creer(Neuf("src." + Ext(type, depart)), type, depart, {"a", "b"});
        Parametres.frmats = frmats;
        Parametres.csvtyp = QStringLiteral("LQ");
        TFormFiche &w = Ouvrir(source);
        const QString cible = QFileInfo(source).absolutePath() + "/dest." + extension;
        m_d->ChoisirFichier(cible, entree);
        OutilsGui::Choisir(w, "Sauversous1");
        const auto sauver = m_d->Demandes.back();
        QCOMPARE(sauver.Sorte, QStringLiteral("sauver"));
        QCOMPARE(sauver.NomPropose, QStringLiteral("src"));
        QCOMPARE(w.Document().Fichier()->NomFichier, cible);
        QCOMPARE(w.Document().Fichier()->FormatFichier, format);
        QVERIFY(!w.Document().Fichier()->Modifie);
        QCOMPARE(OutilsGui::Titre(w), QStringLiteral("Amblopad - ") + cible);
        QCOMPARE(Parametres.frmats.at(0), format);
        QVERIFY(m_d->Messages().empty());
        OutilsGui::Choisir(w, "Fermer1");
        m_d->Oublier();
        OutilsGui::Choisir(w, "Ouvert1"); // the file just closed
        QVERIFY(w.Document().Fichier());
        QCOMPARE(w.Document().Fichier()->FormatFichier, format);
        QCOMPARE(w.Document().Fichier()->NombreFiches(), 2);
        QVERIFY(w.Document().Fichier()->Fiche(1).Champ1().endsWith(QStringLiteral("b")));
        QVERIFY(w.Document().Fichier()->Fiche(1).Champ2().startsWith(QStringLiteral("(*) rb"))
                || w.Document().Fichier()->Fiche(1).Champ2() == QStringLiteral("rb"));
    }

    // Texts the chosen format's code page cannot hold: the question says how
    // many and where the first is; No leaves the disk and the document as they were.
    void pertesEncodage_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QString>("frmats");
        QTest::addColumn<bool>("csvutf");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<bool>("dansLEntete");
        QTest::addColumn<QString>("ou"); // the place the question names; empty: no question
        QTest::addColumn<TInteraction::Reponse>("reponse");
        QTest::newRow("native, signature, no")
            << QChar(u'Q') << "xnscmt" << false << "aqq" << true << "the file's header" << TInteraction::RepNon;
        QTest::newRow("native, signature, yes")
            << QChar(u'Q') << "xnscmt" << false << "aqq" << true << "the file's header" << TInteraction::RepOui;
        QTest::newRow("cardfile, card, no")
            << QChar(u'R') << "xscmt" << false << "crd" << false << "card 1 (" << TInteraction::RepNon;
        QTest::newRow("ansi csv, card, yes")
            << QChar(u'Q') << "xscmt" << false << "csv" << false << "card 1 (" << TInteraction::RepOui;
        QTest::newRow("utf-8 csv asks nothing")
            << QChar(u'Q') << "xscmt" << true << "csv" << false << "" << TInteraction::RepOui;
    }

    void pertesEncodage()
    {
        QFETCH(QChar, type);
        QFETCH(QString, frmats);
        QFETCH(bool, csvutf);
        QFETCH(QString, extension);
        QFETCH(bool, dansLEntete);
        QFETCH(QString, ou);
        QFETCH(TInteraction::Reponse, reponse);
        const QString source = Creer(Neuf("src.xaq" + QString(type).toLower()), type, u'x', {"a", "b"});
        Parametres.frmats = frmats;
        Parametres.csvtyp = QStringLiteral("LQ");
        Parametres.csvutf = csvutf;
        TFormFiche &w = Ouvrir(source);
        const QString grec = QString::fromUtf8("ΑΒΓ");
        if (dansLEntete) {
            w.Document().ModifierProprietes(QStringLiteral("Header"), [&grec](TFichierX &f) { f.Signature = grec; });
        } else {
            // As typed: key clicks carry Latin-1 only.
            OutilsGui::MReponse(w)->selectAll();
            OutilsGui::MReponse(w)->insertPlainText(grec);
        }
        const QString cible = QFileInfo(source).absolutePath() + "/dest." + extension;
        m_d->ChoisirFichier(cible, 2);
        if (!ou.isEmpty())
            m_d->Repondre(reponse);
        OutilsGui::Choisir(w, "Sauversous1");
        const auto messages = m_d->Messages();
        if (ou.isEmpty()) {
            QVERIFY(messages.empty());
        } else {
            QCOMPARE(int(messages.size()), 1);
            const QString texte = messages.front().Texte;
            QVERIFY2(texte.startsWith("3 character(s)"), qPrintable(texte));
            QVERIFY2(texte.contains(QString::fromUtf8("\"Α\"")) && texte.contains(ou), qPrintable(texte));
            QCOMPARE(messages.front().BoutonsMessage, TInteraction::OuiNon);
        }
        if (reponse == TInteraction::RepNon) {
            QVERIFY(!QFile::exists(cible));
            QCOMPARE(w.Document().Fichier()->NomFichier, source);
            QVERIFY(w.Document().Fichier()->Modifie);
        } else {
            QCOMPARE(w.Document().Fichier()->NomFichier, cible);
            const QByteArray octets = OutilsTest::LireFichier(cible);
            QVERIFY(octets.contains(ou.isEmpty() ? grec.toUtf8() : QByteArray("???")));
        }
    }

    // Save as onto the own name: rewritten in place when modified, nothing otherwise.
    void sauverSousMemeNom()
    {
        const QString chemin = Creer(Neuf("m.xaqq"), u'Q', u'x', {"a"});
        const QByteArray avant = OutilsTest::LireFichier(chemin);
        TFormFiche &w = Ouvrir(chemin);
        m_d->ChoisirFichier(chemin, 1);
        OutilsGui::Choisir(w, "Sauversous1");
        QCOMPARE(OutilsTest::LireFichier(chemin), avant);

        OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("changed"));
        m_d->ChoisirFichier(chemin, 1);
        OutilsGui::Choisir(w, "Sauversous1");
        QVERIFY(m_d->Messages().empty()); // no overwrite question for the own file
        QVERIFY(!w.Document().Fichier()->Modifie);
        QVERIFY(OutilsTest::LireFichier(chemin).contains("changed"));
        QCOMPARE(w.Document().Fichier()->NomFichier, chemin);
    }

    // Another existing file: the overwrite question; Cancel writes nothing.
    void ecraser_data()
    {
        QTest::addColumn<TInteraction::Reponse>("reponse");
        QTest::newRow("cancel") << TInteraction::RepAnnuler;
        QTest::newRow("ok") << TInteraction::RepOk;
    }

    void ecraser()
    {
        QFETCH(TInteraction::Reponse, reponse);
        const QString chemin = Creer(Neuf("e.xaqq"), u'Q', u'x', {"a"});
        const QString autre = QFileInfo(chemin).absolutePath() + "/autre.xaqq";
        QVERIFY(OutilsTest::EcrireFichier(autre, "keep me"));
        TFormFiche &w = Ouvrir(chemin);
        m_d->ChoisirFichier(autre, 1);
        m_d->Repondre(reponse);
        OutilsGui::Choisir(w, "Sauversous1");
        const auto messages = m_d->Messages();
        QCOMPARE(int(messages.size()), 1);
        QCOMPARE(messages.front().Texte, QStringLiteral("The file \"autre.xaqq\" already exists.\r\nOverwrite it?"));
        QCOMPARE(messages.front().GenreMessage, TInteraction::Avertissement);
        QCOMPARE(messages.front().BoutonsMessage, TInteraction::OkAnnuler);
        if (reponse == TInteraction::RepAnnuler) {
            QCOMPARE(OutilsTest::LireFichier(autre), QByteArray("keep me"));
            QCOMPARE(w.Document().Fichier()->NomFichier, chemin);
        } else {
            QVERIFY(OutilsTest::LireFichier(autre).contains("AMBLORINE"));
            QCOMPARE(w.Document().Fichier()->NomFichier, autre);
        }
    }

    // A failed save keeps the document, its name, its changes and the file on disk.
    void sauvegardeRatee()
    {
        const QString chemin = Creer(Neuf("f.xaqq"), u'Q', u'x', {"a"});
        const QByteArray avant = OutilsTest::LireFichier(chemin);
        TFormFiche &w = Ouvrir(chemin);
        OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("changed"));
        TFlux::InjecterEchecEcriture(10);
        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::CTRL | Qt::Key_S)));
        TFlux::InjecterEchecEcriture(-1);
        QCOMPARE(int(m_d->Messages().size()), 1);
        QCOMPARE(m_d->Messages().front().GenreMessage, TInteraction::Erreur);
        QCOMPARE(OutilsTest::LireFichier(chemin), avant);
        QVERIFY(w.Document().Fichier()->Modifie);
        QCOMPARE(w.Document().Fichier()->NomFichier, chemin);
        QCOMPARE(w.Document().Fichier()->Fiche(0).Champ2(), QStringLiteral("changed"));
        QCOMPARE(Parametres.frmats, QStringLiteral("xscmt"));
        // The save worked the second time: the file now holds the change.
        OutilsGui::Choisir(w, "Sauver1");
        QVERIFY(!w.Document().Fichier()->Modifie);
        QVERIFY(OutilsTest::LireFichier(chemin).contains("changed"));
    }

    // ------------------------------------------------------------ progress

    // An open cancelled from its progress dialog leaves the document shown
    // as it was, changes included, and lets the file go; the next open of
    // the same file reads it whole.
    void ouvertureAnnulee_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QChar>("format");
        QTest::addColumn<bool>("modifie"); // the document shown has changes, not saved ("No")
        QTest::newRow("XML") << "grand.xaqq" << QChar(u'x') << false;
        QTest::newRow("native") << "grand.aqq" << QChar(u'n') << false;
        QTest::newRow("CSV, changed document") << "grand.csv" << QChar(u's') << true;
        QTest::newRow("Cardfile") << "grand.crd" << QChar(u'c') << false;
    }

    void ouvertureAnnulee()
    {
        QFETCH(QString, nom);
        QFETCH(QChar, format);
        QFETCH(bool, modifie);
        QStringList questions;
        for (int i = 0; i < (format == u'c' ? 5000 : 50000); ++i)
            questions << QString::number(i);
        const QString grand = Creer(Neuf(nom), u'Q', format, questions);
        const QString document = Creer(Neuf("a.xaqq"), u'Q', u'x', {"a", "b"});
        TFormFiche &w = Ouvrir(document);
        const TFichierX *avant = w.Document().Fichier();
        const QString titre = w.windowTitle();
        m_d->Suivis.clear(); // the document's own open
        if (modifie) {
            OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("changed"));
            m_d->Repondre(TInteraction::RepNon);
        }
        m_d->ChoisirFichier(grand, 6); // "All"
        m_d->Annulations.push_back(0);
        OutilsGui::Choisir(w, "Ouvrir1");
        QCOMPARE(w.Document().Fichier(), avant);
        QCOMPARE(w.Document().Fichier()->NomFichier, document);
        QCOMPARE(w.Document().Fichier()->NombreFiches(), 2);
        QCOMPARE(w.Document().Fichier()->Modifie, modifie);
        QCOMPARE(w.Document().Fichier()->Fiche(0).Champ2(), modifie ? QStringLiteral("changed") : QStringLiteral("ra"));
        QCOMPARE(w.TypeEnCours(), QChar(u'Q'));
        QCOMPARE(w.windowTitle(), titre);
        QCOMPARE(int(m_d->Messages().size()), modifie ? 1 : 0); // the save question only
        QCOMPARE(int(m_d->Suivis.size()), 1);
        QCOMPARE(m_d->Suivis.front().Rapports, 1);
        QVERIFY(m_d->Suivis.front().Texte.contains(nom));
        QVERIFY(TFlux::Ouvrir(grand, true)); // nothing holds it

        if (modifie)
            m_d->Repondre(TInteraction::RepNon);
        m_d->ChoisirFichier(grand, 6);
        OutilsGui::Choisir(w, "Ouvrir1");
        QVERIFY(w.Document().Fichier());
        QCOMPARE(w.Document().Fichier()->NomFichier, grand);
        QCOMPARE(w.Document().Fichier()->NombreFiches(), int(questions.size()));
        QCOMPARE(int(m_d->Suivis.size()), 2);
        QVERIFY(m_d->Suivis.back().Rapports >= 1);
    }

    // A save cancelled from its progress dialog leaves the file on disk as it
    // was and the document with its name and its changes; nothing is left
    // beside the file, and the next save writes it.
    void sauvegardeAnnulee_data()
    {
        QTest::addColumn<QString>("commande"); // "save", "save as", "hard link"
        QTest::newRow("save") << "save";
        QTest::newRow("save as") << "save as";
        QTest::newRow("save over a hard link") << "hard link";
    }

    void sauvegardeAnnulee()
    {
        QFETCH(QString, commande);
        const QString chemin = Creer(Neuf("f.xaqq"), u'Q', u'x', {"a", "b"});
        const QString lien = QFileInfo(chemin).absolutePath() + "/lien.xaqq";
        if (commande == "hard link")
            QCOMPARE(::link(QFile::encodeName(chemin).constData(), QFile::encodeName(lien).constData()), 0);
        const QString autre = QFileInfo(chemin).absolutePath() + "/autre.xaqq";
        const QByteArray avant = OutilsTest::LireFichier(chemin);
        const QStringList fichiers = QDir(QFileInfo(chemin).absolutePath()).entryList(QDir::Files | QDir::Hidden);
        TFormFiche &w = Ouvrir(chemin);
        m_d->Suivis.clear();
        OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("changed"));
        m_d->Annulations.push_back(0);
        if (commande == "save as") {
            m_d->ChoisirFichier(autre);
            OutilsGui::Choisir(w, "Sauversous1");
        } else {
            QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::CTRL | Qt::Key_S)));
        }
        QVERIFY(m_d->Messages().empty());
        QCOMPARE(int(m_d->Suivis.size()), 1);
        QCOMPARE(m_d->Suivis.front().Rapports, 1);
        QCOMPARE(OutilsTest::LireFichier(chemin), avant);
        QCOMPARE(QDir(QFileInfo(chemin).absolutePath()).entryList(QDir::Files | QDir::Hidden), fichiers);
        QVERIFY(w.Document().Fichier()->Modifie);
        QCOMPARE(w.Document().Fichier()->NomFichier, chemin);
        QCOMPARE(w.Document().Fichier()->Fiche(0).Champ2(), QStringLiteral("changed"));
        OutilsGui::Choisir(w, "Sauver1");
        QVERIFY(!w.Document().Fichier()->Modifie);
        QVERIFY(OutilsTest::LireFichier(chemin).contains("changed"));
        if (commande == "hard link")
            QCOMPARE(OutilsTest::LireFichier(lien), OutilsTest::LireFichier(chemin));
    }

    // An unnamed modified file: the question calls it "(New file)", Yes asks for a name.
    void fermerSansNom()
    {
        TFormFiche &w = Demarrer();
        Parametres.alltyp = false;
        OutilsGui::Choisir(w, "Nouveau1");
        w.Document().ModifierProprietes(QStringLiteral("Header"),
                                        [](TFichierX &f) { f.SetTitre(QStringLiteral("x")); });
        QVERIFY(w.Document().Fichier()->Modifie);
        m_d->Repondre(TInteraction::RepOui);
        m_d->AnnulerFichier();
        QVERIFY(!OutilsGui::Fermer(w));
        QCOMPARE(m_d->Messages().front().Texte,
                 QStringLiteral("The file \"(New file)\" has been modified.\r\nDo you want to save it?"));
        QCOMPARE(Sortes(*m_d), (QStringList{"message", "sauver"}));
        QVERIFY(w.Document().Fichier());

        // Yes and a name: saved, then closed and remembered.
        const QString cible = Neuf("nouveau.xaqr");
        m_d->Repondre(TInteraction::RepOui);
        m_d->ChoisirFichier(cible, 1);
        QVERIFY(OutilsGui::Fermer(w));
        QVERIFY(!w.Document().Fichier());
        QVERIFY(QFileInfo::exists(cible));
        QCOMPARE(Parametres.open, cible);
    }

    // ------------------------------------------------------------ export

    void exporter()
    {
        const QString chemin = Creer(Neuf("x.xaql"), u'L', u'x', {"a", "b"});
        const QByteArray avant = OutilsTest::LireFichier(chemin);
        TFormFiche &w = Ouvrir(chemin);
        OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("changed"));
        OutilsGui::Valider(w);
        OutilsGui::OuvrirMenus(w);
        QVERIFY(w.Action("Exporter1")->isVisible());
        QVERIFY(w.EntreeActive("Exporter1"));
        // The document's own file is never the target of an export.
        m_d->ChoisirFichier(chemin, 1);
        OutilsGui::Choisir(w, "Exporter1");
        QCOMPARE(int(m_d->Messages().size()), 1);
        QCOMPARE(OutilsTest::LireFichier(chemin), avant);

        m_d->Oublier();
        const QString texte = QFileInfo(chemin).absolutePath() + "/x.txt";
        m_d->ChoisirFichier(texte, 1);
        w.Action("Exporter1")->trigger();
        QCOMPARE(m_d->Demandes.front().Filtre, QStringLiteral("Text|*.txt|Anki|*.apkg|Anki text|*.txt"));
        QVERIFY(OutilsTest::LireFichier(texte).contains("changed"));
        // The document is still the XML file, with its change pending.
        QCOMPARE(w.Document().Fichier()->NomFichier, chemin);
        QCOMPARE(w.Document().Fichier()->FormatFichier, QChar(u'x'));
        QVERIFY(w.Document().Fichier()->Modifie);
        QCOMPARE(OutilsTest::LireFichier(chemin), avant);
        QCOMPARE(Parametres.frmats, QStringLiteral("txscm"));
    }

    // ------------------------------------------------------------ dialogs

    // A name typed without extension takes the extension of the entry chosen,
    // whichever command asked: the bytes and the name agree.
    void extensionDeLEntreeChoisie_data()
    {
        QTest::addColumn<QString>("commande");
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QString>("frmats");
        QTest::addColumn<int>("entree");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QByteArray>("debut");
        QTest::newRow("save as: directory as Cardfile")
            << "save as" << QChar(u'R') << "xscmt" << 2 << "crd" << QByteArray("MGC");
        QTest::newRow("save as: MCQ as Moodle")
            << "save as" << QChar(u'M') << "xscmt" << 2 << "xml" << QByteArray("<?xml");
        QTest::newRow("save as: questionnaire as CSV")
            << "save as" << QChar(u'Q') << "xscmt" << 2 << "csv" << QByteArray("ta");
        QTest::newRow("save, untitled: native")
            << "save" << QChar(u'Q') << "xnscmt" << 2 << "aqq" << QByteArray("\x3c");
        QTest::newRow("export: text") << "export" << QChar(u'L') << "xscmt" << 1 << "txt" << QByteArray("ra");
        QTest::newRow("export: MCQ as Moodle")
            << "export" << QChar(u'M') << "xscmt" << 1 << "xml" << QByteArray("<?xml");
    }

    void extensionDeLEntreeChoisie()
    {
        QFETCH(QString, commande);
        QFETCH(QChar, type);
        QFETCH(QString, frmats);
        QFETCH(int, entree);
        QFETCH(QString, extension);
        QFETCH(QByteArray, debut);
        Parametres.csvtyp = QStringLiteral("LQ");
        const QString source = Creer(Neuf("src.xaq" + QString(type).toLower()), type, u'x', {"a"});
        Parametres.frmats = frmats;
        TFormFiche &w = Ouvrir(source);
        const QString dossier = QFileInfo(source).absolutePath();
        m_d->ChoisirFichier(dossier + "/out3", entree);
        if (commande == "save as") {
            OutilsGui::Choisir(w, "Sauversous1");
        } else if (commande == "export") {
            OutilsGui::Choisir(w, "Exporter1");
        } else {
            w.Document().Lier(QString()); // as a new file, modified
            w.Document().ModifierProprietes(
                QStringLiteral("Header"), [](TFichierX &) {}, true);
            OutilsGui::Choisir(w, "Sauver1");
        }
        QVERIFY(!QFile::exists(dossier + "/out3"));
        const QByteArray octets = OutilsTest::LireFichier(dossier + "/out3." + extension);
        if (commande == "save") // native: the title block first, no magic
            QVERIFY(!octets.startsWith("<?xml") && !octets.isEmpty());
        else
            QVERIFY2(octets.startsWith(debut), octets.left(16).constData());
        // An export leaves the document open as it was.
        if (commande == "export") {
            QCOMPARE(w.Document().Fichier()->NomFichier, source);
            QCOMPARE(w.Document().Fichier()->FormatFichier, QChar(u'x'));
        }
    }

    // The platform's save dialog: the entry chosen gives the extension, not the first one.
    void dialoguePlateforme()
    {
        const QString dossier = QFileInfo(Neuf("x")).absolutePath();
        TInteractionPlateforme plateforme;
        QString depart;
        bool caseLectureSeule = true;
        QTimer::singleShot(0, [&] {
            auto *d = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(d);
            depart = d->directory().absolutePath();
            d->selectNameFilter(d->nameFilters().at(1));
            d->selectFile(QStringLiteral("out3"));
            QMetaObject::invokeMethod(d, "accept");
        });
        const auto choix = plateforme.SauverFichier(QStringLiteral("XML|*.xaqr|Cardfile|*.crd"), 1,
                                                    QStringLiteral("xaqr"), QStringLiteral("src"), dossier);
        QCOMPARE(depart, dossier);
        QVERIFY(choix.Accepte);
        QCOMPARE(choix.IndexFiltre, 2);
        QCOMPARE(choix.Chemin, dossier + "/out3.crd");

        // A model is only read: its open dialog has no read-only box.
        for (bool commeDocument : {true, false}) {
            QTimer::singleShot(0, [&] {
                auto *d = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                QVERIFY(d);
                depart = d->directory().absolutePath();
                caseLectureSeule = d->findChild<QCheckBox *>(QStringLiteral("LectureSeule")) != nullptr;
                d->reject();
            });
            QVERIFY(!plateforme
                         .OuvrirFichier(QStringLiteral("XML|*.xaqq"), 1, QStringLiteral("xaqq"), dossier, commeDocument)
                         .Accepte);
            QCOMPARE(depart, dossier);
            QCOMPARE(caseLectureSeule, commeDocument);
        }
    }

    // The dialogs start in the document's folder; without a document in the
    // folder last used in this run, else the remembered file's, else the
    // documents folder; never in the working directory.
    void dossierDesDialogues()
    {
        const QString chemin = Creer(Neuf("d.xaqq"), u'Q', u'x', {"a"});
        const QString dossierDoc = QFileInfo(chemin).absolutePath();
        const QString souvenir = Creer(Neuf("s.xaqq"), u'Q', u'x', {"a"});
        const QString dossierSouvenir = QFileInfo(souvenir).absolutePath();
        const auto dernierDossier = [this] { return m_d->Demandes.back().Dossier; };

        TFormFiche &w = Demarrer();
        m_d->AnnulerFichier();
        OutilsGui::Choisir(w, "Ouvrir1");
        QCOMPARE(dernierDossier(), QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
        Parametres.open = souvenir;
        m_d->AnnulerFichier();
        OutilsGui::Choisir(w, "Modele1");
        QCOMPARE(dernierDossier(), dossierSouvenir);
        QVERIFY(!m_d->Demandes.back().LectureSeuleOfferte); // a model

        m_d->ChoisirFichier(chemin, 1);
        OutilsGui::Choisir(w, "Ouvrir1");
        QVERIFY(w.Document().Fichier());
        QVERIFY(m_d->Demandes.back().LectureSeuleOfferte);
        m_d->AnnulerFichier();
        OutilsGui::Choisir(w, "Sauversous1");
        QCOMPARE(dernierDossier(), dossierDoc);
        m_d->AnnulerFichier();
        OutilsGui::Choisir(w, "Exporter1");
        QCOMPARE(dernierDossier(), dossierDoc);

        // Closed: the folder the open dialog led to in this run wins over the remembered one.
        OutilsGui::Choisir(w, "Fermer1");
        Parametres.open = souvenir;
        m_d->AnnulerFichier();
        OutilsGui::Choisir(w, "Ouvrir1");
        QCOMPARE(dernierDossier(), dossierDoc);
    }

    // ------------------------------------------------------------ properties, about

    void proprietesEtAPropos()
    {
        const QString chemin = Creer(Neuf("p.xaqq"), u'Q', u'x', {"a", "b", "c"});
        TFormFiche &w = Ouvrir(chemin);
        w.Action("Proprietes1")->trigger();
        w.Action("Apropos1")->trigger();
        const auto messages = m_d->Messages();
        QCOMPARE(int(messages.size()), 2);
        QCOMPARE(messages.at(0).Legende, QStringLiteral("Properties"));
        QCOMPARE(messages.at(0).Texte,
                 QStringLiteral("Type: %1\r\n\r\nFormat: %2\r\n\r\nNumber of cards: 3")
                     .arg(TFichierX::NomType(u'Q'), Formats::Nom(u'x')));
        QCOMPARE(messages.at(0).GenreMessage, TInteraction::Information);
        QVERIFY(messages.at(1).Texte.contains("7.8"));
        QVERIFY(messages.at(1).Texte.contains("Qt"));
        QVERIFY(messages.at(1).Texte.contains("libxml2"));
        QVERIFY(messages.at(1).Texte.contains("License"));
    }

    // ------------------------------------------------------------ settings at close

    void parametresALaFermeture_data()
    {
        QTest::addColumn<bool>("changer");
        QTest::newRow("no preference changed") << false;
        QTest::newRow("preferences changed") << true;
    }

    void parametresALaFermeture()
    {
        QFETCH(bool, changer);
        const QString ini = Chemin(QStringLiteral("settings.ini"));
        QFile::remove(ini);
        {
            QSettings s(ini, QSettings::IniFormat);
            s.setValue("foname", "Kept Font");
            s.setValue("sign", "Someone");
        }
        LireParametres();
        const QString chemin = Creer(Neuf("s.xaqq"), u'Q', u'x', {"a", "b"});
        TFormFiche &w = Ouvrir(chemin);
        OutilsGui::Aller(w, 1);
        if (changer) {
            w.Action("Instanceunique1")->trigger();
            w.Action("Rouvrir1")->trigger();
            QVERIFY(w.Action("Instanceunique1")->isChecked());
            QVERIFY(!w.Action("Rouvrir1")->isChecked());
        }
        w.resize(650, 420);
        QVERIFY(w.close());
        QSettings s(ini, QSettings::IniFormat);
        QCOMPARE(s.value("opened").toInt(), 1);
        QCOMPARE(s.value("open").toString(), chemin);
        QCOMPARE(s.value("openum").toInt(), 1);
        QCOMPARE(s.value("fulscr").toInt(), 0);
        QCOMPARE(s.value("width").toInt(), 650);
        QCOMPARE(s.value("types").toString(), QStringLiteral("QRNLM"));
        QCOMPARE(s.value("frmats").toString(), QStringLiteral("xscmt"));
        QCOMPARE(s.value("sign").toString(), QStringLiteral("Someone")); // never written, kept
        QCOMPARE(s.contains("alltyp"), false);
        QCOMPARE(s.contains("uninst"), changer);
        QCOMPARE(s.contains("topmst"), changer);
        QCOMPARE(s.value("foname").toString(), QStringLiteral("Kept Font"));
        if (changer) {
            QCOMPARE(s.value("uninst").toInt(), 1);
            QCOMPARE(s.value("reopen").toInt(), 0);
        }
        QFile::remove(ini);
    }

    // Keep to foreground: the topmost band and the tick mark follow the setting.
    void premierPlan()
    {
        TFormFiche &w = Demarrer();
        w.Action("Applicationaudessus1")->trigger();
        QVERIFY(Parametres.topmst);
        QVERIFY(w.ReglagesAEcrire());
        QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(w.isVisible());
        w.Action("Applicationaudessus1")->trigger();
        QVERIFY(!Parametres.topmst);
        QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));
        QVERIFY(!w.Action("Applicationaudessus1")->isChecked());
    }

    // ------------------------------------------------------------ other instances, drops

    // Lines from another instance: the file already shown is left alone;
    // another one replaces it after the save question.
    void lignesRecues()
    {
        const QString a = Creer(Neuf("A.xaqq"), u'Q', u'x', {"a"});
        const QString b = Creer(Neuf("B.xaqq"), u'Q', u'x', {"b"});
        TFormFiche &w = Ouvrir(a);
        OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("changed"));
        OutilsGui::Transmettre(w, {a, b});
        QCOMPARE(w.Document().Fichier()->NomFichier, a);
        QVERIFY(m_d->Messages().empty());
        OutilsGui::Transmettre(w, {});
        QCOMPARE(w.Document().Fichier()->NomFichier, a);

        // Cancel at the save question keeps A.
        m_d->Repondre(TInteraction::RepAnnuler);
        OutilsGui::Transmettre(w, {b, a});
        QCOMPARE(w.Document().Fichier()->NomFichier, a);
        m_d->Repondre(TInteraction::RepNon);
        OutilsGui::Transmettre(w, {b});
        QCOMPARE(w.Document().Fichier()->NomFichier, b);
        QCOMPARE(Parametres.open, a);
    }

    // Lines that arrive while a dialog runs wait until it is closed.
    void lignesPendantUnDialogue()
    {
        const QString a = Creer(Neuf("A.xaqq"), u'Q', u'x', {"a"});
        TFormFiche &w = Demarrer();
        QDialog dialogue(&w);
        dialogue.setModal(true);
        dialogue.show();
        QTRY_VERIFY(QApplication::activeModalWidget() == &dialogue);
        w.RecevoirLignes({a});
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QVERIFY(!w.Document().Fichier());
        dialogue.close();
        QTRY_VERIFY(w.Document().Fichier());
        QCOMPARE(w.Document().Fichier()->NomFichier, a);
    }

    // A dropped card file opens as "&Open" would; of several, the first.
    void depot()
    {
        const QString a = Creer(Neuf("A.xaqq"), u'Q', u'x', {"a"});
        const QString b = Csv(Neuf("B.csv"));
        const QString c = Creer(Neuf("C.xaqq"), u'Q', u'x', {"c"});
        TFormFiche &w = Ouvrir(a);
        OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("changed"));
        QMimeData donnees;
        donnees.setUrls({QUrl::fromLocalFile(b), QUrl::fromLocalFile(c)});
        for (QWidget *cible :
             {static_cast<QWidget *>(OutilsGui::MReponse(w)->viewport()), static_cast<QWidget *>(&w)}) {
            QDragEnterEvent entree(QPoint(5, 5), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(cible, &entree);
            QVERIFY(entree.isAccepted());
        }
        QDropEvent depot(QPointF(5, 5), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(OutilsGui::MReponse(w)->viewport(), &depot);
        QVERIFY(depot.isAccepted());
        m_d->Repondre(TInteraction::RepNon); // the save question of A
        QTRY_VERIFY(w.Document().Fichier() && w.Document().Fichier()->NomFichier == b);
        QCOMPARE(m_d->Messages().front().Texte,
                 QStringLiteral("The file \"A.xaqq\" has been modified.\r\nDo you want to save it?"));
        QCOMPARE(w.Document().Fichier()->TypeFichier, QChar(u'L'));
        QVERIFY(!OutilsGui::MReponse(w)->toPlainText().contains(QStringLiteral("file:")));

        // Plain text is not a file: the fields take it as usual.
        QMimeData texte;
        texte.setText(QStringLiteral("words"));
        QDragEnterEvent entree(QPoint(5, 5), Qt::CopyAction, &texte, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &entree);
        QVERIFY(!entree.isAccepted());
    }

private:
    static QString Ext(QChar type, QChar format)
    {
        return (format == u'n' ? QStringLiteral("aq") : QStringLiteral("xaq")) + QChar(type).toLower();
    }
};

QTEST_MAIN(TestFichiers)
#include "tst_gui_fichiers.moc"
