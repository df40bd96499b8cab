// The main window: layout, card display, validation, card commands and the
// state of every command, driven headless with scripted answers.

// Literal card texts read better in the tables below.
#undef QT_NO_CAST_FROM_ASCII

#include "outilsgui.h"

#include "editor/dlgchercher.h"
#include "editor/fiche.h"
#include "editor/verification.h"
#include "model/fichierx.h"
#include "settings/init.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QScopeGuard>
#include <QLabel>
#include <QLineEdit>
#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QSplitter>
#include <QTextDocument>
#include <QToolButton>
#include <QtMath>
#include <functional>

namespace {

using Fabrique = std::function<std::unique_ptr<TFichierX>()>;

// A card file of a type with the given questions (titles "t<question>" when
// the type has titles, answers "r<question>").
std::unique_ptr<TFichierX> Fichier(QChar type, const QStringList &questions, QChar format = u'x')
{
    auto f = std::make_unique<TFichierX>(type, format);
    for (const QString &q : questions)
        f->AjouterFiche(QStringLiteral("t") + q, q, QStringLiteral("r") + q);
    f->NomFichier = QStringLiteral("/nowhere/test.xaq") + QString(type).toLower();
    f->Modifie = false;
    return f;
}

// The memo's text as shown (toPlainText would turn non-breaking spaces into spaces).
QString Memo(const QPlainTextEdit *memo)
{
    return memo->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

} // namespace

class TestFiche : public QObject
{
    Q_OBJECT

    OutilsGui::TBanc m_banc;
    QTemporaryDir &m_dossier = m_banc.dossier;
    TInteractionScriptee *&m_dialogues = m_banc.dialogues;

    TFormFiche &Fenetre() { return m_banc.Creer(); }

    TFormFiche &Charger(std::unique_ptr<TFichierX> f, int position = 0)
    {
        return m_banc.Charger(std::move(f), position);
    }

private slots:
    void initTestCase() { m_banc.Installer(); }

    void init() { m_banc.Reinitialiser(); }

    void cleanup() { QVERIFY(m_banc.Fermer()); }

    void demarrageSansFichier()
    {
        TFormFiche &w = Fenetre();
        QCOMPARE(OutilsGui::Titre(w), QStringLiteral("Amblopad: micro Data Base"));
        w.FormShow(QStringList());
        QVERIFY(!w.Document().Fichier());
        QCOMPARE(w.TypeEnCours(), QChar(u'R'));
        QVERIFY(OutilsGui::QuestionUneLigne(w));
        for (const char *nom : {"BPrecedent", "BSuivant", "BNouveau", "BInserer", "BSupprimer", "BChercher"})
            QVERIFY2(!w.findChild<QPushButton *>(QLatin1String(nom))->isEnabled(), nom);
        QVERIFY(!OutilsGui::ETitre(w)->isEnabled());
        QVERIFY(!OutilsGui::MQuestion(w)->isEnabled() && !OutilsGui::MReponse(w)->isEnabled());
        QVERIFY(!OutilsGui::Edition1(w)->menuAction()->isVisible());
        for (const char *nom : {"Sauver1", "Sauversous1", "Fermer1", "Proprietes1", "Suivante1", "Nouvelle1",
                                "Enregistrerlafiche1", "Annuler1"})
            QVERIFY2(!OutilsGui::Actif(w, nom), nom);
        QVERIFY(!w.Action("Exporter1")->isVisible());
        QVERIFY(!w.Action("Modele1")->isVisible());
        QVERIFY(!w.Action("Ouvert1")->isVisible());
        // A hidden menu's shortcut does nothing without a file.
        QVERIFY(!w.ActiverRaccourci(QKeySequence(Qt::Key_F4)));
        // The six buttons have their captions and hints.
        QCOMPARE(OutilsGui::BSuivant(w)->text(), QStringLiteral("Next"));
        QCOMPARE(OutilsGui::BChercher(w)->toolTip(), QStringLiteral("Search a card"));
        // A one-line question field never shows a vertical scroll bar.
        QCOMPARE(OutilsGui::MQuestion(w)->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    }

    void menus()
    {
        TFormFiche &w = Fenetre();
        // Edition menu: entries, captions, shortcuts and separators in their places.
        QStringList vu;
        for (QAction *a : OutilsGui::Edition1(w)->actions())
            vu << (a->isSeparator() ? QStringLiteral("-")
                                    : a->objectName() + u'=' + a->text() + u'=' + a->shortcut().toString());
        const QStringList attendu = {"Premiere1=&First card=",
                                     "Derniere1=&Last card=",
                                     "Precedente1=Previous card=F7",
                                     "Suivante1=Next card=F8",
                                     "-",
                                     "Listedesfiches1=&List of cards=F12",
                                     "Rechercher1=&Search card=Ctrl+F",
                                     "Rechsuivant1=Find next=F3",
                                     "AbandonRech1=Abort Search=Ctrl+F3",
                                     "-",
                                     "Enregistrerlafiche1=&Validate=F2",
                                     "Nouvelle1=&New card=F4",
                                     "Inserer1=&Insert card=",
                                     "Supprimer1=&Delete card=",
                                     "DupliquerFiche1=D&uplicate card=",
                                     "Annuler1=Cancel modification=Ctrl+Z",
                                     "Defaire1=Undo=Ctrl+Z",
                                     "Refaire1=Redo=Ctrl+Y",
                                     "-",
                                     "PermuterChamps=Switch fields=",
                                     "-",
                                     "Imprimer1=Card \u2013> printer=Ctrl+P",
                                     "ImprimerTout1=Print &all cards=",
                                     "PressePapiers1=Card \u2013> clipboard=Ctrl+Ins",
                                     "ListeVersPressepapiers1=List \u2013> clipboard=",
                                     "CollerFiche1=Paste as ne&w card=",
                                     "-",
                                     "Options1=&Options=F5",
                                     "OptionsAvancees1=Advanced options=Shift+F5",
                                     "-",
                                     "Entete1=&Header=F9",
                                     "Etiquettes1=&Labels=",
                                     "Canevas1=&Canvas=",
                                     "FeuilledeStyle1=Style sheet=Ctrl+F5",
                                     "-",
                                     "Orthographe1=S&pelling="};
        QCOMPARE(vu, attendu);
        QVERIFY(!w.Action("FeuilledeStyle1")->isVisible());
        for (const char *nom : {"Nouveau1", "Ouvrir1", "Modele1", "Ouvert1", "Recent1", "Sauver1", "Sauversous1",
                                "Exporter1", "Proprietes1", "Fermer1", "Quitter1", "Applicationaudessus1", "Rouvrir1",
                                "Instanceunique1", "Rubriquesdaide1", "Apropos1", "Champs1", "Liste1", "OptionsCSV"})
            QVERIFY2(w.findChild<QAction *>(QLatin1String(nom)), nom);
        QCOMPARE(w.Action("Sauver1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(w.Action("Quitter1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        QCOMPARE(w.Action("Refaire1")->shortcuts().value(1), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    }

    // Each change is one step: Undo names it and brings the file back with
    // the card it touched shown; back at the saved step the title loses its
    // mark and Save is off; Redo does it again.
    void historique_data()
    {
        QTest::addColumn<QString>("commande");
        QTest::addColumn<QString>("etape");
        QTest::addColumn<int>("montree"); // card shown after the undo
        QTest::addColumn<int>("nombre");  // cards after the command
        QTest::newRow("delete") << "delete"
                                << "Delete card" << 1 << 2;
        QTest::newRow("edit validated") << "edit"
                                        << "Edit card" << 1 << 3;
        QTest::newRow("new card validated") << "new"
                                            << "New card" << 2 << 4;
        QTest::newRow("insert card validated") << "insert"
                                               << "Insert card" << 0 << 4;
        QTest::newRow("switch fields") << "switch"
                                       << "Switch fields" << 0 << 3;
        QTest::newRow("style sheet") << "style"
                                     << "Style sheet" << 0 << 3;
    }
    void historique()
    {
        QFETCH(QString, commande);
        QFETCH(QString, etape);
        QFETCH(int, montree);
        QFETCH(int, nombre);
        TFormFiche &w = Charger(Fichier(u'Q', {"a", "b", "c"}), 1);
        const QByteArray avant = w.Document().OctetsXml();
        QVERIFY(!OutilsGui::Actif(w, "Defaire1"));
        QVERIFY(!OutilsGui::Actif(w, "Refaire1"));
        QCOMPARE(w.Action("Defaire1")->text(), QStringLiteral("Undo"));
        if (commande == QLatin1String("delete")) {
            m_dialogues->Repondre(TInteraction::RepOui);
            OutilsGui::Choisir(w, "Supprimer1");
        } else if (commande == QLatin1String("edit")) {
            OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("changed"));
            OutilsGui::Choisir(w, "Enregistrerlafiche1");
        } else if (commande == QLatin1String("new") || commande == QLatin1String("insert")) {
            if (commande == QLatin1String("new"))
                OutilsGui::Choisir(w, "Nouvelle1");
            else
                OutilsGui::Choisir(w, "Inserer1");
            QVERIFY(!OutilsGui::Actif(w, "Defaire1")); // a new card waits: nothing to undo yet
            OutilsGui::Taper(OutilsGui::MQuestion(w), QStringLiteral("n"));
            OutilsGui::Choisir(w, "Enregistrerlafiche1");
            OutilsGui::Aller(w, 1);
        } else if (commande == QLatin1String("switch")) {
            m_dialogues->Repondre(TInteraction::RepOk);
            OutilsGui::Choisir(w, "PermuterChamps");
        } else {
            m_dialogues->Saisies.push_back(QStringLiteral("sheet"));
            OutilsGui::Choisir(w, "FeuilledeStyle1");
        }
        QCOMPARE(w.Document().Fichier()->NombreFiches(), nombre);
        QVERIFY(w.isWindowModified());
        QVERIFY(OutilsGui::Titre(w).endsWith(u'*'));
        QVERIFY(OutilsGui::Actif(w, "Sauver1"));
        QVERIFY(OutilsGui::Actif(w, "Defaire1"));
        QCOMPARE(w.Action("Defaire1")->text(), QStringLiteral("Undo ") + etape);
        const QByteArray apres = w.Document().OctetsXml();

        // Ctrl+Z undoes when no card is being typed.
        OutilsGui::Aller(w, 0);
        QVERIFY(!OutilsGui::Actif(w, "Annuler1"));
        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::CTRL | Qt::Key_Z)));
        QCOMPARE(w.Document().OctetsXml(), avant);
        QCOMPARE(w.IndexAffiche(), montree);
        QVERIFY(!w.isWindowModified());
        QCOMPARE(OutilsGui::Titre(w), QStringLiteral("Amblopad - ") + w.Document().Fichier()->NomFichier);
        QVERIFY(!OutilsGui::Actif(w, "Sauver1"));
        QVERIFY(!OutilsGui::Actif(w, "Defaire1"));
        QCOMPARE(w.Action("Refaire1")->text(), QStringLiteral("Redo ") + etape);

        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)));
        QCOMPARE(w.Document().OctetsXml(), apres);
        QVERIFY(w.isWindowModified());
        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::CTRL | Qt::Key_Z)));
        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::CTRL | Qt::Key_Y)));
        QCOMPARE(w.Document().OctetsXml(), apres);
    }

    // While a card is being typed Ctrl+Z cancels the typing, and Undo is off;
    // the next Ctrl+Z undoes the last step. Moving and searching are no steps.
    void ctrlZPendantLaSaisie()
    {
        TFormFiche &w = Charger(Fichier(u'Q', {"a", "b", "c"}), 2);
        m_dialogues->Repondre(TInteraction::RepOui);
        OutilsGui::Choisir(w, "Supprimer1");
        OutilsGui::Choisir(w, "Precedente1");
        OutilsGui::Choisir(w, "Premiere1");
        QCOMPARE(w.Document().Pile().count(), 1);
        OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("typed"));
        QVERIFY(w.isWindowModified());
        QVERIFY(!OutilsGui::Actif(w, "Defaire1"));
        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::CTRL | Qt::Key_Z)));
        QCOMPARE(Memo(OutilsGui::MReponse(w)), QStringLiteral("ra"));
        QCOMPARE(w.Document().Fichier()->NombreFiches(), 2);
        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::CTRL | Qt::Key_Z)));
        QCOMPARE(w.Document().Fichier()->NombreFiches(), 3);
        QCOMPARE(w.IndexAffiche(), 2);
        QCOMPARE(Memo(OutilsGui::MReponse(w)), QStringLiteral("rc"));
        QVERIFY(!w.isWindowModified());
        // Saving keeps the history; closing empties it.
        QVERIFY(OutilsGui::Actif(w, "Refaire1"));
        OutilsGui::Choisir(w, "Fermer1");
        QCOMPARE(w.Document().Pile().count(), 0);
    }

    // Ctrl+Q quits as "Quit" does: after the save question.
    void quitterAuClavier()
    {
        TFormFiche &w = Charger(Fichier(u'Q', {"a"}));
        w.Document().ModifierProprietes(QStringLiteral("Title"), [](TFichierX &f) { f.SetTitre(QStringLiteral("x")); });
        m_dialogues->Repondre(TInteraction::RepAnnuler);
        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::CTRL | Qt::Key_Q)));
        QCOMPARE(int(m_dialogues->Messages().size()), 1);
        QVERIFY(w.isVisible());
        m_dialogues->Repondre(TInteraction::RepNon);
        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::CTRL | Qt::Key_Q)));
        QVERIFY(!w.isVisible());
    }

    // The keyboard starts in the card's first field, not on a button.
    void focusInitial_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QStringList>("questions");
        QTest::addColumn<QString>("champ");
        QTest::newRow("titles") << QChar(u'Q') << QStringList{"a", "b"} << "ETitre";
        QTest::newRow("no titles") << QChar(u'F') << QStringList{"a", "b"} << "MQuestion";
        QTest::newRow("one card") << QChar(u'R') << QStringList{"a"} << "MQuestion";
        QTest::newRow("numbered") << QChar(u'L') << QStringList{"a", "b"} << "MReponse";
        QTest::newRow("no card") << QChar(u'Q') << QStringList() << "BNouveau";
    }
    void focusInitial()
    {
        QFETCH(QChar, type);
        QFETCH(QStringList, questions);
        QFETCH(QString, champ);
        TFormFiche &w = Charger(Fichier(type, questions));
        QVERIFY(w.focusWidget());
        QCOMPARE(w.focusWidget()->objectName(), champ);
    }

    // Each card field is named by its caption in the accessibility tree,
    // the captions of the file included.
    void nomsAccessibles_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QStringList>("legendes");
        QTest::newRow("questionnaire") << QChar(u'Q') << QStringList{"Name", "Question", "Answer"};
        QTest::newRow("directory") << QChar(u'R') << QStringList{"Title", "Tab", "Body"};
        QTest::newRow("own captions, one with &") << QChar(u'F') << QStringList{"R&D", "Topic", "Reply"};
    }
    void nomsAccessibles()
    {
        QFETCH(QChar, type);
        QFETCH(QStringList, legendes);
        auto f = Fichier(type, {"a"});
        if (type == u'F')
            f->SetEtiquettes(legendes.at(0), legendes.at(1), legendes.at(2));
        TFormFiche &w = Charger(std::move(f));
        const QWidget *champs[] = {OutilsGui::ETitre(w), OutilsGui::MQuestion(w), OutilsGui::MReponse(w)};
        for (int i = 0; i < 3; ++i) {
            QAccessibleInterface *acces = QAccessible::queryAccessibleInterface(const_cast<QWidget *>(champs[i]));
            QVERIFY(acces);
            QCOMPARE(acces->text(QAccessible::Name), legendes.at(i));
        }
        // The caption shows its '&' and gives no accelerator.
        QCOMPARE(QKeySequence::mnemonic(OutilsGui::PTitre(w)->text()), QKeySequence());
    }

    // "Duplicate card": a copy after the card shown (in its place in an
    // alphabetical file), an edit validated first; not in a read-only file.
    void dupliquer_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QString>("edition");
        QTest::addColumn<QStringList>("attendu");
        QTest::addColumn<int>("montre");
        QTest::newRow("questionnaire") << QChar(u'Q') << QString() << QStringList{"a", "b", "b", "c"} << 2;
        QTest::newRow("edited first") << QChar(u'Q') << "e" << QStringList{"a", "e", "e", "c"} << 2;
        QTest::newRow("alphabetical, edited") << QChar(u'R') << "z" << QStringList{"a", "c", "z", "z"} << 3;
        QTest::newRow("numbered") << QChar(u'L') << QString() << QStringList{"a", "b", "b", "c"} << 2;
    }
    void dupliquer()
    {
        QFETCH(QChar, type);
        QFETCH(QString, edition);
        QFETCH(QStringList, attendu);
        QFETCH(int, montre);
        TFormFiche &w = Charger(Fichier(type, {"a", "b", "c"}), 1);
        if (!edition.isEmpty())
            OutilsGui::Taper(OutilsGui::MQuestion(w), edition);
        QVERIFY(OutilsGui::Actif(w, "DupliquerFiche1"));
        OutilsGui::Choisir(w, "DupliquerFiche1");
        QStringList vu;
        for (int i = 0; i < w.Document().Fichier()->NombreFiches(); ++i)
            vu << (type == u'L' ? w.Document().Fichier()->Fiche(i).Champ2().mid(1)
                                : w.Document().Fichier()->Fiche(i).Champ1());
        QCOMPARE(vu, attendu);
        QCOMPARE(w.IndexAffiche(), montre);
        QVERIFY(w.Document().EstModifie());
        QVERIFY(m_dialogues->Messages().empty());

        auto lecture = Fichier(type, {"a"});
        lecture->Modifiable = false;
        TFormFiche &w2 = Charger(std::move(lecture));
        QVERIFY(!OutilsGui::Actif(w2, "DupliquerFiche1"));
        QVERIFY(!OutilsGui::Actif(w2, "CollerFiche1"));
        OutilsGui::Choisir(w2, "DupliquerFiche1");
        QCOMPARE(w2.Document().Fichier()->NombreFiches(), 1);
    }

    // Each state of the window and what it offers (writable, not alphabetical,
    // a card in the middle of the file).
    void etats_data()
    {
        QTest::addColumn<QString>("etat");
        QTest::addColumn<bool>("navigation");
        QTest::addColumn<bool>("nouvelle");
        QTest::addColumn<bool>("insererSupprimer");
        QTest::addColumn<bool>("carte");
        QTest::addColumn<bool>("valider");
        QTest::addColumn<bool>("annuler");
        QTest::addColumn<bool>("canevas");
        QTest::addColumn<bool>("sauver");
        QTest::newRow("no card") << "no card" << false << true << false << false << false << false << false << false;
        QTest::newRow("browsing") << "browsing" << true << true << true << true << false << false << false << false;
        QTest::newRow("editing") << "editing" << true << true << true << true << true << true << false << true;
        QTest::newRow("new card") << "new card" << true << true << true << true << false << true << true << false;
        QTest::newRow("new card edited") << "new card edited" << true << true << true << true << true << true << true
                                         << true;
    }
    void etats()
    {
        QFETCH(QString, etat);
        QFETCH(bool, navigation);
        QFETCH(bool, nouvelle);
        QFETCH(bool, insererSupprimer);
        QFETCH(bool, carte);
        QFETCH(bool, valider);
        QFETCH(bool, annuler);
        QFETCH(bool, canevas);
        QFETCH(bool, sauver);

        const QStringList questions = etat == QLatin1String("no card") ? QStringList() : QStringList{"a", "b", "c"};
        TFormFiche &w = Charger(Fichier(u'Q', questions), 1);
        if (etat == QLatin1String("editing"))
            OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("changed"));
        if (etat.startsWith(QLatin1String("new card"))) {
            // In the middle: insert before the second card.
            OutilsGui::Choisir(w, "Inserer1");
            QVERIFY(w.NouvelleFicheAffichee());
            QCOMPARE(w.IndexAffiche(), 1);
        }
        if (etat == QLatin1String("new card edited"))
            OutilsGui::Taper(OutilsGui::MQuestion(w), QStringLiteral("x"));

        QCOMPARE(OutilsGui::BPrecedent(w)->isEnabled(), navigation);
        QCOMPARE(OutilsGui::BSuivant(w)->isEnabled(), navigation);
        QCOMPARE(OutilsGui::Actif(w, "Precedente1"), navigation);
        QCOMPARE(OutilsGui::Actif(w, "Suivante1"), navigation);
        QCOMPARE(OutilsGui::BNouveau(w)->isEnabled(), nouvelle);
        QCOMPARE(OutilsGui::Actif(w, "Nouvelle1"), nouvelle);
        QCOMPARE(OutilsGui::BInserer(w)->isEnabled(), insererSupprimer);
        QCOMPARE(OutilsGui::BSupprimer(w)->isEnabled(), insererSupprimer);
        QCOMPARE(OutilsGui::Actif(w, "Inserer1"), insererSupprimer);
        QCOMPARE(OutilsGui::Actif(w, "Supprimer1"), insererSupprimer);
        QCOMPARE(OutilsGui::Actif(w, "Premiere1"), carte);
        QCOMPARE(OutilsGui::Actif(w, "Derniere1"), carte);
        QCOMPARE(OutilsGui::Actif(w, "Enregistrerlafiche1"), valider);
        QCOMPARE(OutilsGui::Actif(w, "Annuler1"), annuler);
        QCOMPARE(OutilsGui::Actif(w, "Canevas1"), canevas);
        QCOMPARE(OutilsGui::Actif(w, "Sauver1"), sauver);
        QCOMPARE(w.Action("PermuterChamps")->isVisible(), carte);
        // Always offered with a file.
        for (const char *nom : {"Sauversous1", "Fermer1", "Proprietes1"})
            QVERIFY2(OutilsGui::Actif(w, nom), nom);
        QVERIFY(OutilsGui::Edition1(w)->menuAction()->isVisible());
        QVERIFY(!w.Action("Rechsuivant1")->isVisible());
        // The search, list, clipboard and print commands need a card shown.
        QCOMPARE(OutilsGui::BChercher(w)->isEnabled(), carte);
        for (const char *nom :
             {"Listedesfiches1", "Rechercher1", "Imprimer1", "PressePapiers1", "ListeVersPressepapiers1"})
            QVERIFY2(OutilsGui::Actif(w, nom) == carte, nom);
        if (etat == QLatin1String("no card"))
            QCOMPARE(Memo(OutilsGui::MQuestion(w)), QStringLiteral("(No card)"));
    }

    void extremites()
    {
        TFormFiche &w = Charger(Fichier(u'Q', {"a", "b", "c"}), 0);
        QVERIFY(!OutilsGui::BPrecedent(w)->isEnabled());
        QVERIFY(OutilsGui::BSuivant(w)->isEnabled());
        OutilsGui::Choisir(w, "Derniere1");
        QCOMPARE(w.IndexAffiche(), 2);
        QVERIFY(!OutilsGui::BSuivant(w)->isEnabled());
        QVERIFY(!OutilsGui::Actif(w, "Suivante1"));
        OutilsGui::Choisir(w, "Suivante1"); // past the end: the last card again
        QCOMPARE(w.IndexAffiche(), 2);
        OutilsGui::Choisir(w, "Premiere1");
        QCOMPARE(w.IndexAffiche(), 0);
        OutilsGui::Choisir(w, "Precedente1");
        QCOMPARE(w.IndexAffiche(), 0);
        // A remembered position beyond the end shows the last card.
        TFormFiche &w2 = Charger(Fichier(u'Q', {"a", "b"}), 9);
        QCOMPARE(w2.IndexAffiche(), 1);
    }

    void lectureSeule()
    {
        auto f = Fichier(u'Q', {"a", "b", "c"});
        f->Modifiable = false;
        TFormFiche &w = Charger(std::move(f), 1);
        QVERIFY(OutilsGui::ETitre(w)->isReadOnly() && OutilsGui::MQuestion(w)->isReadOnly()
                && OutilsGui::MReponse(w)->isReadOnly());
        QVERIFY(!OutilsGui::BNouveau(w)->isEnabled() && !OutilsGui::BInserer(w)->isEnabled()
                && !OutilsGui::BSupprimer(w)->isEnabled());
        QVERIFY(!OutilsGui::Actif(w, "Nouvelle1") && !OutilsGui::Actif(w, "Inserer1")
                && !OutilsGui::Actif(w, "Supprimer1"));
        QVERIFY(!w.Action("PermuterChamps")->isVisible());
        QVERIFY(!w.Action("Etiquettes1")->isVisible());
        OutilsGui::Choisir(w, "Nouvelle1");
        QCOMPARE(w.Document().Fichier()->NombreFiches(), 3);
        // The fields look read-only: the window's colour behind the text.
        for (QWidget *champ :
             {static_cast<QWidget *>(OutilsGui::ETitre(w)), static_cast<QWidget *>(OutilsGui::MQuestion(w)),
              static_cast<QWidget *>(OutilsGui::MReponse(w))})
            QCOMPARE(champ->palette().color(QPalette::Base), champ->palette().color(QPalette::Window));
        // A writable file gets the writable look back.
        m_banc.Charger(Fichier(u'Q', {"a"}));
        QVERIFY(OutilsGui::MReponse(*m_banc.fenetre)->palette().color(QPalette::Base)
                != OutilsGui::MReponse(*m_banc.fenetre)->palette().color(QPalette::Window));
    }

    // A caption with '&' is the user's text: shown with it, never an accelerator.
    void legendeEsperluette()
    {
        auto f = Fichier(u'R', {"a"});
        f->SetEtiquettes(QStringLiteral("R&D <b>name</b>"), QStringLiteral("R&D name"), QStringLiteral("x & y"));
        TFormFiche &w = Charger(std::move(f));
        QVERIFY(OutilsGui::DlgChercher(w));
        const QString texte = OutilsGui::DlgChercher(w)->CBChampUnique->text();
        QVERIFY2(QKeySequence::mnemonic(texte).isEmpty(), qPrintable(texte));
        QVERIFY(texte.contains(QStringLiteral("R&&D")));
        for (QLabel *l : {OutilsGui::PTitre(w), OutilsGui::PQuestion(w), OutilsGui::PReponse(w)})
            QCOMPARE(l->textFormat(), Qt::PlainText);
    }

    // Menus that do not fit go behind the overflow button, which then shows
    // with its icon (read only at that moment).
    void menusQuiDebordent()
    {
        TFormFiche &w = Charger(Fichier(u'Q', {"a"}));
        w.menuBar()->setMaximumWidth(60);
        QApplication::processEvents();
        const QList<QToolButton *> boutons = w.menuBar()->findChildren<QToolButton *>(QString(),
                                                                                      Qt::FindDirectChildrenOnly);
        QCOMPARE(boutons.size(), 1);
        QVERIFY(boutons.front()->isVisible());
        QVERIFY(!boutons.front()->icon().isNull());
    }

    // Shrunk as far as it goes, the window keeps its six buttons whole and
    // apart and every shown field at least one usable line tall.
    // The window's own font and the fields' font: the machine's default, then
    // common desktop families (each row only where the family is installed).
    void tailleMinimale_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QString>("interface");
        QTest::addColumn<QString>("champs");
        QTest::addColumn<int>("points");
        QTest::newRow("questionnaire") << QChar(u'Q') << QString() << QString() << 0;
        QTest::newRow("holdall") << QChar(u'F') << QString() << QString() << 0;
        QTest::newRow("directory") << QChar(u'R') << QString() << QString() << 0;
        const struct
        {
            const char *nom;
            const char *interface;
            const char *champs;
            int points;
        } familles[] = {{"DejaVu", "DejaVu Sans", "DejaVu Sans Mono", 10},
                        {"Liberation", "Liberation Sans", "Liberation Mono", 10},
                        {"Noto", "Noto Sans", "Noto Sans Mono", 10},
                        {"Noto large", "Noto Sans", "Noto Serif", 16}};
        for (const auto &famille : familles) {
            const QString interface = QString::fromLatin1(famille.interface);
            const QString champs = QString::fromLatin1(famille.champs);
            if (!QFontDatabase::hasFamily(interface) || !QFontDatabase::hasFamily(champs))
                continue;
            for (const QChar type : {u'Q', u'F', u'R', u'L'})
                QTest::addRow("%s, %c", famille.nom, char(type.unicode()))
                    << type << interface << champs << famille.points;
        }
    }

    void tailleMinimale()
    {
        QFETCH(QChar, type);
        QFETCH(QString, interface);
        QFETCH(QString, champs);
        QFETCH(int, points);
        const QFont policeAvant = QApplication::font();
        const auto retablir = qScopeGuard([&policeAvant] { QApplication::setFont(policeAvant); });
        if (!interface.isEmpty()) {
            QApplication::setFont(QFont(interface, points));
            Parametres.foname = champs;
            Parametres.fosize = points + 2;
        }
        TFormFiche &w = Charger(Fichier(type, {"a"}));
        QApplication::processEvents();
        if (!interface.isEmpty())
            QCOMPARE(QFontInfo(OutilsGui::MReponse(w)->font()).family(), champs);
        for (const QSize taille : {QSize(616, 436), QSize(10, 10)}) {
            w.resize(taille);
            QApplication::processEvents();
            QRect avant;
            for (QPushButton *b : {OutilsGui::BPrecedent(w), OutilsGui::BSuivant(w), OutilsGui::BNouveau(w),
                                   OutilsGui::BInserer(w), OutilsGui::BSupprimer(w), OutilsGui::BChercher(w)}) {
                const QRect r(b->mapTo(&w, QPoint(0, 0)), b->size());
                QVERIFY2(w.rect().contains(r), qPrintable(b->objectName()));
                QVERIFY2(b->width() >= b->sizeHint().width(), qPrintable(b->objectName()));
                QVERIFY(!r.intersects(avant));
                avant = r;
            }
            if (OutilsGui::ETitre(w)->isVisible())
                QVERIFY(OutilsGui::ETitre(w)->height() >= OutilsGui::ETitre(w)->minimumSizeHint().height());
            for (QPlainTextEdit *memo : {OutilsGui::MQuestion(w), OutilsGui::MReponse(w)}) {
                if (!memo->isVisible())
                    continue;
                const int ligne = memo->fontMetrics().lineSpacing();
                QVERIFY2(memo->viewport()->height() >= ligne, qPrintable(memo->objectName()));
                if (memo->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn)
                    QVERIFY(memo->verticalScrollBar()->height()
                            >= memo->verticalScrollBar()->minimumSizeHint().height());
            }
        }
    }

    void miseEnPage_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QChar>("format");
        QTest::addColumn<QStringList>("legendes");
        QTest::addColumn<bool>("ligneTitre");
        QTest::addColumn<bool>("uneLigne");
        QTest::addColumn<bool>("options");
        QTest::addColumn<int>("aide");
        QTest::newRow("questionnaire") << QChar(u'Q') << QChar(u'x') << QStringList{"Name", "Question", "Answer"}
                                       << true << false << true << 21;
        QTest::newRow("MCQ") << QChar(u'M') << QChar(u'x') << QStringList{"Name", "Question", "Answer"} << true << false
                             << false << 31;
        QTest::newRow("directory") << QChar(u'R') << QChar(u'x') << QStringList{"Title", "Tab", "Body"} << true << true
                                   << false << 1;
        QTest::newRow("cardfile directory")
            << QChar(u'R') << QChar(u'c') << QStringList{"Title", "Tab", "Body"} << false << true << false << 1;
        QTest::newRow("holdall") << QChar(u'F') << QChar(u'x') << QStringList{"Title", "A", "B"} << true << false
                                 << false << 1;
        QTest::newRow("lists") << QChar(u'L') << QChar(u's') << QStringList{"Title", "Number", "Body"} << false << true
                               << false << 1;
    }
    void miseEnPage()
    {
        QFETCH(QChar, type);
        QFETCH(QChar, format);
        QFETCH(QStringList, legendes);
        QFETCH(bool, ligneTitre);
        QFETCH(bool, uneLigne);
        QFETCH(bool, options);
        QFETCH(int, aide);
        TFormFiche &w = Charger(Fichier(type, {"a"}, format));
        QCOMPARE((QStringList{OutilsGui::PTitre(w)->text(), OutilsGui::PQuestion(w)->text(),
                              OutilsGui::PReponse(w)->text()}),
                 legendes);
        QCOMPARE(OutilsGui::Panel1(w)->isVisible(), ligneTitre);
        QCOMPARE(OutilsGui::QuestionUneLigne(w), uneLigne);
        QCOMPARE(w.Action("Options1")->isVisible(), options);
        QCOMPARE(w.Action("Entete1")->isVisible(), format == u'x');
        QCOMPARE(OutilsGui::SujetAide(w, *m_dialogues), aide);
        QCOMPARE(OutilsGui::MQuestion(w)->verticalScrollBarPolicy(),
                 uneLigne ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
        QCOMPARE(OutilsGui::MReponse(w)->tabChangesFocus(), !uneLigne);
        QCOMPARE(OutilsGui::Titre(w), QStringLiteral("Amblopad - ") + w.Document().Fichier()->NomFichier);
    }

    // The share of the question row: set again on every resize.
    void proportion_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<int>("douziemes");
        QTest::newRow("holdall") << QChar(u'F') << 11;
        QTest::newRow("MCQ") << QChar(u'M') << 4;
        QTest::newRow("questionnaire") << QChar(u'Q') << 9;
        QTest::newRow("directory: one line") << QChar(u'R') << 0;
    }
    void proportion()
    {
        QFETCH(QChar, type);
        QFETCH(int, douziemes);
        TFormFiche &w = Charger(Fichier(type, {"a"}));
        for (const QSize taille : {QSize(640, 480), QSize(700, 600)}) {
            OutilsGui::Splitter1(w)->setSizes({10, 500}); // the user moves the border
            w.resize(taille);
            QCoreApplication::processEvents();
            const QList<int> tailles = OutilsGui::Splitter1(w)->sizes();
            const int total = tailles.at(0) + tailles.at(1);
            if (douziemes == 0) {
                // One line: the title's height, or more when the memo's own
                // line needs it, and no more.
                const int ligne = OutilsGui::MQuestion(w)->fontMetrics().lineSpacing()
                    + 2 * qCeil(OutilsGui::MQuestion(w)->document()->documentMargin());
                QVERIFY(tailles.at(0) >= OutilsGui::ETitre(w)->sizeHint().height());
                QVERIFY(OutilsGui::MQuestion(w)->viewport()->height() >= ligne);
                QVERIFY(tailles.at(0) == OutilsGui::ETitre(w)->sizeHint().height()
                        || OutilsGui::MQuestion(w)->viewport()->height() == ligne);
            } else
                QCOMPARE(tailles.at(0), total * douziemes / 12);
        }
    }

    void nouvelleFicheIntacteAbandonnee()
    {
        TFormFiche &w = Charger(Fichier(u'Q', {"a", "b", "c"}), 1);
        OutilsGui::Choisir(w, "Nouvelle1");
        QCOMPARE(w.Document().Fichier()->NombreFiches(), 4);
        QCOMPARE(w.IndexAffiche(), 3);
        OutilsGui::Choisir(w, "Precedente1"); // nothing typed: the card goes, the one before comes back
        QCOMPARE(w.Document().Fichier()->NombreFiches(), 3);
        QCOMPARE(w.IndexAffiche(), 1);
        QVERIFY(!w.NouvelleFicheAffichee());
        QVERIFY(!w.Document().Fichier()->Modifie);
        QVERIFY(m_dialogues->Messages().empty());
        // Insert while an untouched new card is shown makes no second card.
        OutilsGui::Choisir(w, "Inserer1");
        OutilsGui::Choisir(w, "Inserer1");
        QCOMPARE(w.Document().Fichier()->NombreFiches(), 4);
        QCOMPARE(w.IndexAffiche(), 1);
        QCOMPARE(w.Document().Fichier()->Fiche(2).Champ1(), QStringLiteral("b"));
    }

    void reclassement_data()
    {
        QTest::addColumn<QString>("question");
        QTest::addColumn<int>("place");
        QTest::newRow("first") << "a" << 0;
        QTest::newRow("equal goes after") << "d" << 2;
        QTest::newRow("middle") << "e" << 2;
        QTest::newRow("last") << "z" << 3;
        QTest::newRow("equal to the last") << "f" << 3;
    }
    void reclassement()
    {
        QFETCH(QString, question);
        QFETCH(int, place);
        TFormFiche &w = Charger(Fichier(u'R', {"b", "d", "f"}));
        OutilsGui::Choisir(w, "Nouvelle1");
        OutilsGui::Taper(OutilsGui::MQuestion(w), question);
        OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("new"));
        QVERIFY(OutilsGui::Valider(w));
        QCOMPARE(w.IndexAffiche(), place);
        QCOMPARE(w.Document().Fichier()->Fiche(place).Champ2(), QStringLiteral("new"));
        QVERIFY(w.Document().Fichier()->EstTrie());
        QVERIFY(!w.NouvelleFicheAffichee());
        QVERIFY(!OutilsGui::BInserer(w)->isEnabled()); // alphabetical files never insert
        // A stored card whose question changes moves too.
        OutilsGui::Aller(w, 0);
        OutilsGui::Taper(OutilsGui::MQuestion(w), QStringLiteral("zz"));
        OutilsGui::Choisir(w, "Suivante1");
        QCOMPARE(w.Document().Fichier()->Fiche(3).Champ1(), QStringLiteral("zz"));
        QVERIFY(w.Document().Fichier()->EstTrie());
    }

    void rognage_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QString>("titre");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("reponse");
        QTest::newRow("alphabetical") << QChar(u'R') << ""
                                      << "b"
                                      << "r";
        QTest::newRow("other") << QChar(u'F') << ""
                               << " b"
                               << "r";
        QTest::newRow("questionnaire") << QChar(u'Q') << " t"
                                       << " b"
                                       << "r";
        QTest::newRow("MCQ untouched") << QChar(u'M') << " t "
                                       << " b "
                                       << "r \n"; // \n: the line break typed
    }
    void rognage()
    {
        QFETCH(QChar, type);
        QFETCH(QString, titre);
        QFETCH(QString, question);
        QFETCH(QString, reponse);
        TFormFiche &w = Charger(Fichier(type, {}));
        OutilsGui::Choisir(w, "Nouvelle1");
        if (w.Document().Fichier()->AvecTitre)
            OutilsGui::Taper(OutilsGui::ETitre(w), QStringLiteral(" t "));
        OutilsGui::Taper(OutilsGui::MQuestion(w), QStringLiteral(" b "));
        OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("r "));
        QTest::keyClick(OutilsGui::MReponse(w), Qt::Key_Return);
        QVERIFY(OutilsGui::Valider(w));
        const TFicheX &c = w.Document().Fichier()->Fiche(0);
        QCOMPARE(c.Champ0(), titre);
        QCOMPARE(c.Champ1(), question);
        QCOMPARE(c.Champ2(), QString(reponse).replace(QStringLiteral("\n"), QStringLiteral("\r\n")));
        QVERIFY(w.Document().Fichier()->Modifie);
    }

    // Line breaks are stored as CR LF, and non-breaking spaces survive the memo.
    void textesFideles()
    {
        auto f = Fichier(u'Q', {});
        const QString reponse = QStringLiteral("un\r\ndeux\u00a0:\ttrois");
        f->AjouterFiche(QStringLiteral("t"), QStringLiteral("q"), reponse);
        f->Modifie = false;
        TFormFiche &w = Charger(std::move(f));
        QCOMPARE(Memo(OutilsGui::MReponse(w)), QStringLiteral("un\ndeux\u00a0:\ttrois"));
        QTextCursor curseur = OutilsGui::MReponse(w)->textCursor();
        curseur.movePosition(QTextCursor::End);
        OutilsGui::MReponse(w)->setTextCursor(curseur);
        QTest::keyClicks(OutilsGui::MReponse(w), QStringLiteral("!"));
        QVERIFY(OutilsGui::Valider(w));
        QCOMPARE(w.Document().Fichier()->Fiche(0).Champ2(), reponse + u'!');
    }

    void blocNotes()
    {
        TFormFiche &w = Charger(Fichier(u'N', {"a"}), -1);
        QCOMPARE(w.IndexAffiche(), 0);
        OutilsGui::Choisir(w, "Nouvelle1");
        OutilsGui::Taper(OutilsGui::MQuestion(w), QStringLiteral("x"));
        OutilsGui::Taper(OutilsGui::MQuestion(w), QString());
        QVERIFY(!OutilsGui::Valider(w)); // empty answer: incomplete
        const auto messages = m_dialogues->Messages();
        QCOMPARE(int(messages.size()), 1);
        QCOMPARE(messages.front().Texte, QStringLiteral("The card is incomplete!\r\nFill it or delete it."));
        QCOMPARE(messages.front().GenreMessage, TInteraction::Avertissement);
        QCOMPARE(messages.front().BoutonsMessage, TInteraction::AnnulerSeul);
        QVERIFY(w.NouvelleFicheAffichee());
        QVERIFY(!w.Document().Fichier()->Modifie);
        m_dialogues->Oublier();

        OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("body"));
        QVERIFY(OutilsGui::Valider(w));
        const QString date = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
        const QString question = w.Document().Fichier()->Fiche(1).Champ1();
        QVERIFY2(question.startsWith(date + u' '), qPrintable(question));
        QCOMPARE(Memo(OutilsGui::MQuestion(w)), question);
        QCOMPARE(w.Document().Fichier()->Fiche(1).Champ2(), QStringLiteral("body"));
    }

    void numerote()
    {
        TFormFiche &w = Charger(Fichier(u'L', {"", "", ""}), 1);
        QCOMPARE(Memo(OutilsGui::MQuestion(w)), QStringLiteral("2"));
        QVERIFY(OutilsGui::MQuestion(w)->isReadOnly());
        OutilsGui::Choisir(w, "Suivante1");
        QCOMPARE(Memo(OutilsGui::MQuestion(w)), QStringLiteral("3"));
        OutilsGui::Choisir(w, "Nouvelle1");
        QCOMPARE(Memo(OutilsGui::MQuestion(w)), QStringLiteral("4"));
        QVERIFY(OutilsGui::MReponse(w)->hasFocus() || !w.isActiveWindow());
        OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("  "));
        QVERIFY(!OutilsGui::Valider(w));
        m_dialogues->Oublier();
        OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("item"));
        QVERIFY(OutilsGui::Valider(w));
        QCOMPARE(w.Document().Fichier()->Fiche(3).Champ1(), QString());
        QCOMPARE(w.Document().Fichier()->Fiche(3).Champ2(), QStringLiteral("item"));
    }

    void titrePourcent_data()
    {
        QTest::addColumn<QString>("titre");
        QTest::addColumn<bool>("complete");
        QTest::newRow("category card") << "%Animals" << true;
        QTest::newRow("ordinary title") << "Animals" << false;
        QTest::newRow("blank before") << " %Animals" << false;
    }
    void titrePourcent()
    {
        QFETCH(QString, titre);
        QFETCH(bool, complete);
        TFormFiche &w = Charger(Fichier(u'Q', {"a"}));
        OutilsGui::Choisir(w, "Nouvelle1");
        OutilsGui::Taper(OutilsGui::ETitre(w), titre);
        QCOMPARE(OutilsGui::Valider(w), complete);
        QCOMPARE(int(m_dialogues->Messages().size()), complete ? 0 : 1);
        m_dialogues->Oublier();
    }

    void canevas()
    {
        auto f = Fichier(u'F', {"a"});
        f->SetCanevas(QString(), QStringLiteral("Q?"), QStringLiteral("R:"));
        f->Modifie = false;
        TFormFiche &w = Charger(std::move(f));
        OutilsGui::Choisir(w, "Nouvelle1");
        QCOMPARE(Memo(OutilsGui::MQuestion(w)), QStringLiteral("Q?"));
        QCOMPARE(Memo(OutilsGui::MReponse(w)), QStringLiteral("R:"));
        QVERIFY(w.NouvelleFicheAffichee() && !w.FicheEditee());
        OutilsGui::Choisir(w, "Precedente1"); // never edited: dropped silently
        QCOMPARE(w.Document().Fichier()->NombreFiches(), 1);
        QVERIFY(m_dialogues->Messages().empty());

        OutilsGui::Choisir(w, "Nouvelle1");
        OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("R:x"));
        OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("R:")); // edited back to the canvas
        QCOMPARE(Memo(OutilsGui::MReponse(w)), QStringLiteral("R:"));
        QVERIFY(w.FicheEditee());
        QVERIFY(!OutilsGui::Valider(w));
        QCOMPARE(int(m_dialogues->Messages().size()), 1);
    }

    void annuler()
    {
        TFormFiche &w = Charger(Fichier(u'Q', {"a", "b"}), 0);
        OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("changed"));
        OutilsGui::Choisir(w, "Annuler1");
        QCOMPARE(Memo(OutilsGui::MReponse(w)), QStringLiteral("ra"));
        QVERIFY(!w.FicheEditee());
        QVERIFY(!w.Document().Fichier()->Modifie);

        OutilsGui::Choisir(w, "Nouvelle1");
        OutilsGui::Taper(OutilsGui::MQuestion(w), QStringLiteral("typed"));
        OutilsGui::Choisir(w, "Annuler1");
        QCOMPARE(w.Document().Fichier()->NombreFiches(), 2);
        QCOMPARE(w.IndexAffiche(), 0);
        QVERIFY(!w.NouvelleFicheAffichee());
        QVERIFY(!w.Document().Fichier()->Modifie);
    }

    // Ctrl+Z is "Cancel modification" even while the memo has the focus.
    // A menu opened from the keyboard and closed with Escape leaves the
    // shortcuts working.
    void raccourcisApresMenu()
    {
        TFormFiche &w = Charger(Fichier(u'Q', {"a", "b", "c"}), 0);
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        OutilsGui::MReponse(w)->setFocus();
        QTest::keyClick(OutilsGui::MReponse(w), Qt::Key_E, Qt::AltModifier);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QWidget *cible = QApplication::focusWidget() ? QApplication::focusWidget() : &w;
        QTest::keyClick(cible, Qt::Key_F8);
        QCOMPARE(w.IndexAffiche(), 1);
        QTest::keyClick(cible, Qt::Key_Escape); // leaves the menu bar
        cible = QApplication::focusWidget() ? QApplication::focusWidget() : &w;
        QTest::keyClick(cible, Qt::Key_F8);
        QCOMPARE(w.IndexAffiche(), 2);
        QTest::keyClick(cible, Qt::Key_F7);
        QCOMPARE(w.IndexAffiche(), 1);
    }

    void raccourcis()
    {
        TFormFiche &w = Charger(Fichier(u'Q', {"a", "b"}), 0);
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        // On a new card the memo's own undo would keep the card; the command drops it.
        QTest::keyClick(OutilsGui::MReponse(w), Qt::Key_F4);
        QCOMPARE(w.Document().Fichier()->NombreFiches(), 3);
        OutilsGui::MReponse(w)->setFocus();
        OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("changed"));
        QTest::keyClick(OutilsGui::MReponse(w), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.Document().Fichier()->NombreFiches(), 2);
        QCOMPARE(w.IndexAffiche(), 0);
        QCOMPARE(Memo(OutilsGui::MReponse(w)), QStringLiteral("ra"));
        QTest::keyClick(OutilsGui::MReponse(w), Qt::Key_F8);
        QCOMPARE(w.IndexAffiche(), 1);
        // Last card: F8 is off and does nothing.
        QVERIFY(!w.ActiverRaccourci(QKeySequence(Qt::Key_F8)));
        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::Key_F7)));
        QCOMPARE(w.IndexAffiche(), 0);
        // A hidden entry that is enabled still answers its shortcut.
        w.Action("Suivante1")->setVisible(false);
        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::Key_F8)));
        QCOMPARE(w.IndexAffiche(), 1);
    }

    void supprimer_data()
    {
        QTest::addColumn<QString>("carte");
        QTest::addColumn<int>("reponse");
        QTest::addColumn<bool>("question");
        QTest::addColumn<int>("reste");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("modifie");
        QTest::newRow("stored, yes") << "stored" << int(TInteraction::RepOui) << true << 2 << 1 << true;
        QTest::newRow("stored, no") << "stored" << int(TInteraction::RepNon) << true << 3 << 1 << false;
        QTest::newRow("untouched new") << "untouched" << -1 << false << 3 << 1 << false;
        QTest::newRow("edited new, yes") << "edited" << int(TInteraction::RepOui) << true << 3 << 1 << false;
    }
    void supprimer()
    {
        QFETCH(QString, carte);
        QFETCH(int, reponse);
        QFETCH(bool, question);
        QFETCH(int, reste);
        QFETCH(int, index);
        QFETCH(bool, modifie);
        TFormFiche &w = Charger(Fichier(u'Q', {"a", "b", "c"}), 1);
        if (carte != QLatin1String("stored"))
            OutilsGui::Choisir(w, "Nouvelle1");
        if (carte == QLatin1String("edited"))
            OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("x"));
        if (reponse >= 0)
            m_dialogues->Repondre(TInteraction::Reponse(reponse));
        OutilsGui::Choisir(w, "Supprimer1");
        const auto messages = m_dialogues->Messages();
        QCOMPARE(int(messages.size()), question ? 1 : 0);
        if (question) {
            QCOMPARE(messages.front().Texte, QStringLiteral("Do you really want to delete this card?"));
            QCOMPARE(messages.front().BoutonsMessage, TInteraction::OuiNon);
            QCOMPARE(messages.front().GenreMessage, TInteraction::Question);
        }
        QCOMPARE(w.Document().Fichier()->NombreFiches(), reste);
        QCOMPARE(w.IndexAffiche(), index);
        QCOMPARE(w.Document().Fichier()->Modifie, modifie);
        if (reste == 2)
            QCOMPARE(w.Document().Fichier()->Fiche(1).Champ1(), QStringLiteral("c"));
    }

    void supprimerDerniere()
    {
        TFormFiche &w = Charger(Fichier(u'Q', {"a"}));
        m_dialogues->Repondre(TInteraction::RepOui);
        OutilsGui::Choisir(w, "Supprimer1");
        QCOMPARE(w.IndexAffiche(), -1);
        QCOMPARE(Memo(OutilsGui::MQuestion(w)), QStringLiteral("(No card)"));
        QVERIFY(!OutilsGui::MQuestion(w)->isEnabled());
        QVERIFY(OutilsGui::BNouveau(w)->isEnabled());
        QVERIFY(!OutilsGui::BSupprimer(w)->isEnabled());
    }

    void commandeCanevas_data()
    {
        QTest::addColumn<bool>("avecCanevas");
        QTest::addColumn<bool>("taper");
        QTest::addColumn<QList<int>>("reponses");
        QTest::addColumn<bool>("canevasApres");
        QTest::addColumn<QString>("reponseCanevas");
        QTest::addColumn<bool>("modifie");
        QTest::addColumn<int>("fiches");
        using R = TInteraction::Reponse;
        QTest::newRow("yes, untouched") << false << false << QList<int>{R::RepOui} << false << "" << false << 2;
        QTest::newRow("yes, typed") << false << true << QList<int>{R::RepOui} << true << "typed" << true << 2;
        QTest::newRow("no") << false << true << QList<int>{R::RepNon} << false << "" << false << 2;
        QTest::newRow("abort, confirmed")
            << true << false << QList<int>{R::RepAbandon, R::RepOui} << false << "old" << true << 1;
        QTest::newRow("abort, refused") << true << false << QList<int>{R::RepAbandon, R::RepNon} << true << "old"
                                        << false << 2;
        QTest::newRow("abort, typed card stays")
            << true << true << QList<int>{R::RepAbandon, R::RepOui} << false << "old" << true << 2;
    }
    void commandeCanevas()
    {
        QFETCH(bool, avecCanevas);
        QFETCH(bool, taper);
        QFETCH(QList<int>, reponses);
        QFETCH(bool, canevasApres);
        QFETCH(QString, reponseCanevas);
        QFETCH(bool, modifie);
        QFETCH(int, fiches);
        auto f = Fichier(u'Q', {"a"});
        if (avecCanevas)
            f->SetCanevas(QString(), QString(), QStringLiteral("old"));
        f->Modifie = false;
        TFormFiche &w = Charger(std::move(f));
        QVERIFY(!OutilsGui::Actif(w, "Canevas1"));
        OutilsGui::Choisir(w, "Nouvelle1");
        QVERIFY(OutilsGui::Actif(w, "Canevas1"));
        if (taper)
            OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("typed"));
        for (int r : reponses)
            m_dialogues->Repondre(TInteraction::Reponse(r));
        OutilsGui::Choisir(w, "Canevas1");
        const auto messages = m_dialogues->Messages();
        QCOMPARE(messages.front().Texte,
                 QStringLiteral("Will you make the current card as a canvas?\r\n"
                                "Click on \"Abort\" to delete the canvas."));
        QCOMPARE(messages.front().BoutonsMessage, TInteraction::OuiNonAbandon);
        QCOMPARE(messages.front().Aide, 8);
        QCOMPARE(int(messages.size()), int(reponses.size()));
        QCOMPARE(w.Document().Fichier()->AvecCanevas, canevasApres);
        QCOMPARE(w.Document().Fichier()->Canevas.Champ2(), reponseCanevas);
        QCOMPARE(w.Document().Fichier()->Modifie, modifie);
        QCOMPARE(w.Document().Fichier()->NombreFiches(), fiches);
        if (fiches == 2)
            QVERIFY(w.NouvelleFicheAffichee()); // the new card stays new and unvalidated
    }

    void permuter()
    {
        TFormFiche &w = Charger(Fichier(u'Q', {"a", "b"}), 1);
        m_dialogues->Repondre(TInteraction::RepAnnuler);
        OutilsGui::Choisir(w, "PermuterChamps");
        QCOMPARE(w.Document().Fichier()->Fiche(0).Champ1(), QStringLiteral("a"));
        m_dialogues->Repondre(TInteraction::RepOk);
        OutilsGui::Choisir(w, "PermuterChamps");
        const auto messages = m_dialogues->Messages();
        QCOMPARE(messages.back().Texte,
                 QStringLiteral("Do you really want to switch fields Question/Answer of all the cards?"));
        QCOMPARE(messages.back().BoutonsMessage, TInteraction::OkAnnuler);
        QCOMPARE(w.Document().Fichier()->Fiche(0).Champ1(), QStringLiteral("ra"));
        QCOMPARE(Memo(OutilsGui::MQuestion(w)), QStringLiteral("rb"));
        QVERIFY(w.Document().Fichier()->Modifie);
    }

    // Every command that leaves the card stops on an incomplete one.
    void incompleteArrete()
    {
        TFormFiche &w = Charger(Fichier(u'Q', {"a", "b"}), 0);
        OutilsGui::Taper(OutilsGui::MQuestion(w), QStringLiteral("   "));
        const std::vector<std::function<void()>> commandes = {
            [&] { OutilsGui::Choisir(w, "Suivante1"); }, [&] { OutilsGui::Choisir(w, "Derniere1"); },
            [&] { OutilsGui::Choisir(w, "Nouvelle1"); }, [&] { OutilsGui::Choisir(w, "PermuterChamps"); },
            [&] { OutilsGui::Choisir(w, "Sauver1"); },   [&] { OutilsGui::Fermer(w); }};
        for (const auto &commande : commandes)
            commande();
        QCOMPARE(int(m_dialogues->Messages().size()), int(commandes.size()));
        QCOMPARE(w.IndexAffiche(), 0);
        QCOMPARE(w.Document().Fichier()->NombreFiches(), 2);
        QCOMPARE(Memo(OutilsGui::MQuestion(w)), QStringLiteral("   "));
        QCOMPARE(w.Document().Fichier()->Fiche(0).Champ1(), QStringLiteral("a"));
        QVERIFY(!w.Document().Fichier()->Modifie);
        QVERIFY(!w.close());
        QVERIFY(w.Document().Fichier());
    }

    // A file that cannot be read: the message is shown, no file is loaded and
    // the remembered name is no longer offered.
    void ouvertureRatee()
    {
        const QString nom = m_dossier.filePath(QStringLiteral("absent.xaqq"));
        Parametres.open = nom;
        TFormFiche &w = Fenetre();
        w.FormShow({nom});
        QVERIFY(!w.Document().Fichier());
        const auto messages = m_dialogues->Messages();
        QCOMPARE(int(messages.size()), 1);
        QCOMPARE(messages.front().GenreMessage, TInteraction::Erreur);
        QVERIFY(!messages.front().Texte.isEmpty());
        QVERIFY(Parametres.open.isEmpty());
        QCOMPARE(w.TypeEnCours(), QChar(u'R'));

        // Reopening the last file at start fails silently and keeps it.
        m_dialogues->Oublier();
        Parametres.open = nom;
        Parametres.opened = true;
        TFormFiche &w2 = Fenetre();
        w2.FormShow(QStringList());
        QVERIFY(!w2.Document().Fichier());
        QVERIFY(m_dialogues->Messages().empty());
        QCOMPARE(Parametres.open, nom);
    }

    void modeleRefuse()
    {
        const QString nom = m_dossier.filePath(QStringLiteral("liste.csv"));
        QVERIFY(OutilsTest::EcrireFichier(nom, "a;b\r\n"));
        TFormFiche &w = Fenetre();
        w.FormShow(QStringList());
        m_dialogues->ChoisirFichier(nom, 1);
        OutilsGui::Choisir(w, "Modele1");
        QVERIFY(!w.Document().Fichier());
        QCOMPARE(m_dialogues->Messages().front().Texte, QStringLiteral("This file cannot be used as a model!"));

        const QString inconnu = m_dossier.filePath(QStringLiteral("bruit.dat"));
        QVERIFY(OutilsTest::EcrireFichier(inconnu, QByteArray("\x00\x01\xffnoise", 8)));
        m_dialogues->Oublier();
        m_dialogues->ChoisirFichier(inconnu, 1);
        OutilsGui::Choisir(w, "Ouvrir1");
        QVERIFY(!w.Document().Fichier());
        QCOMPARE(m_dialogues->Messages().front().Texte, QStringLiteral("The file was not recognized!"));
    }

    // A save that fails keeps the document and its changes, and stops the close.
    void sauvegardeRatee()
    {
        auto f = Fichier(u'Q', {"a"});
        f->NomFichier = m_dossier.filePath(QStringLiteral("sans/dossier/x.xaqq"));
        TFormFiche &w = Charger(std::move(f));
        OutilsGui::Taper(OutilsGui::MReponse(w), QStringLiteral("changed"));
        m_dialogues->Repondre(TInteraction::RepOui); // save it?
        QVERIFY(!OutilsGui::Fermer(w));
        const auto messages = m_dialogues->Messages();
        QCOMPARE(int(messages.size()), 2);
        QCOMPARE(messages.at(0).Texte,
                 QStringLiteral("The file \"x.xaqq\" has been modified.\r\nDo you want to save it?"));
        QCOMPARE(messages.at(0).BoutonsMessage, TInteraction::OuiNonAnnuler);
        QCOMPARE(messages.at(1).GenreMessage, TInteraction::Erreur);
        QVERIFY(w.Document().Fichier());
        QVERIFY(w.Document().Fichier()->Modifie);
        QCOMPARE(w.Document().Fichier()->Fiche(0).Champ2(), QStringLiteral("changed"));

        m_dialogues->Oublier();
        m_dialogues->Repondre(TInteraction::RepAnnuler);
        QVERIFY(!OutilsGui::Fermer(w));
        QVERIFY(w.Document().Fichier());
        m_dialogues->Repondre(TInteraction::RepNon);
        QVERIFY(OutilsGui::Fermer(w));
        QVERIFY(!w.Document().Fichier());
        QCOMPARE(OutilsGui::Titre(w), QStringLiteral("Amblopad"));
        QCOMPARE(OutilsGui::ETitre(w)->text(), QStringLiteral("(No file loaded)"));
        QVERIFY(!OutilsGui::Edition1(w)->menuAction()->isVisible());
    }

    // Closing remembers the file and its card; the one before becomes "recent".
    void fermerSeSouvient()
    {
        TFormFiche &w = Charger(Fichier(u'Q', {"a", "b"}), 1);
        w.Document().Lier(QStringLiteral("/d/A.xaqq"));
        OutilsGui::Choisir(w, "Fermer1");
        auto b = Fichier(u'D', {"a", "b", "c"});
        b->NomFichier = QStringLiteral("/d/B.xaqd");
        w.Document().Charger(std::move(b));
        OutilsGui::Aller(w, 2);
        QVERIFY(w.Action("Ouvert1")->isVisible() || (OutilsGui::OuvrirMenus(w), w.Action("Ouvert1")->isVisible()));
        QCOMPARE(w.Action("Ouvert1")->text(), QStringLiteral("A.xaqq"));
        OutilsGui::Choisir(w, "Fermer1");
        QCOMPARE(Parametres.open, QStringLiteral("/d/B.xaqd"));
        QCOMPARE(Parametres.openum, 2);
        QCOMPARE(Parametres.recent, QStringLiteral("/d/A.xaqq"));
        QCOMPARE(Parametres.recnum, 1);
        QCOMPARE(Parametres.types, QStringLiteral("DQRNLM"));
        // Closing B again leaves "recent" alone.
        auto b2 = Fichier(u'D', {"a"});
        b2->NomFichier = QStringLiteral("/d/B.xaqd");
        w.Document().Charger(std::move(b2));
        OutilsGui::OuvrirMenus(w);
        QVERIFY(!w.Action("Ouvert1")->isVisible()); // that is the file shown
        OutilsGui::Choisir(w, "Fermer1");
        QCOMPARE(Parametres.recent, QStringLiteral("/d/A.xaqq"));
        QCOMPARE(Parametres.openum, 0);
    }

    // An unsorted alphabetical file is sorted on loading, without a change mark.
    void trieAuChargement()
    {
        TFormFiche &w = Charger(Fichier(u'R', {"c", "a", "b"}));
        QVERIFY(w.Document().Fichier()->EstTrie());
        QVERIFY(!w.Document().Fichier()->Modifie);
        QCOMPARE(Memo(OutilsGui::MQuestion(w)), QStringLiteral("a"));
    }

    void titreDuFichier()
    {
        auto f = Fichier(u'F', {"a"});
        f->SetTitre(QStringLiteral("My file"));
        f->Modifie = false;
        TFormFiche &w = Charger(std::move(f));
        QCOMPARE(OutilsGui::ETitre(w)->text(), QStringLiteral("My file"));
        OutilsGui::Taper(OutilsGui::ETitre(w), QStringLiteral("Renamed  "));
        QVERIFY(!w.FicheEditee()); // the file's title is not a card edit
        QVERIFY(OutilsGui::Actif(w, "Sauver1"));
        m_dialogues->AnnulerFichier(); // Save as, cancelled: the title typed is the file's already
        OutilsGui::Choisir(w, "Sauversous1");
        QCOMPARE(w.Document().Fichier()->Titre, QStringLiteral("Renamed"));
        QVERIFY(w.Document().Fichier()->Modifie);
    }

    void nouveauFichierNcwnf()
    {
        Parametres.ncwnf = true;
        auto f = std::make_unique<TFichierX>(u'Q', u'x');
        TFormFiche &w = Charger(std::move(f));
        QCOMPARE(OutilsGui::Titre(w), QStringLiteral("Amblopad - (New file)"));
        QCOMPARE(w.Document().Fichier()->NombreFiches(), 1);
        QVERIFY(w.NouvelleFicheAffichee());
    }

    // Closing stores the window's state for the settings written at exit.
    void fermetureFenetre()
    {
        Parametres.opened = true;
        TFormFiche &w = Charger(Fichier(u'Q', {"a"}));
        w.resize(700, 500);
        QVERIFY(w.close());
        QVERIFY(Parametres.opened); // a file was loaded
        QVERIFY(!Parametres.fulscr);
        QCOMPARE(Parametres.width, 700);
        QCOMPARE(Parametres.height, 500 - w.menuBar()->height());
        QCOMPARE(Parametres.open, QStringLiteral("/nowhere/test.xaqq"));
        QVERIFY(!w.Document().Fichier());
    }

    // The platform's box: the kind's icon, the listed buttons, Help for a topic.
    void boiteDeMessage()
    {
        TInteractionPlateforme plateforme;
        QStringList boutons;
        QMessageBox::Icon icone = QMessageBox::NoIcon;
        QTimer::singleShot(0, this, [&] {
            auto *boite = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(boite);
            icone = boite->icon();
            for (QAbstractButton *b : boite->buttons())
                boutons << QString::number(int(boite->standardButton(b)), 16);
            boite->button(QMessageBox::Abort)->click();
        });
        const auto reponse = plateforme.Message(TInteraction::Question, QStringLiteral("Canvas?"),
                                                TInteraction::OuiNonAbandon, 8, QString());
        QCOMPARE(reponse, TInteraction::RepAbandon);
        QCOMPARE(icone, QMessageBox::Question);
        boutons.sort();
        QStringList attendu;
        for (auto b : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Abort, QMessageBox::Help})
            attendu << QString::number(int(b), 16);
        attendu.sort();
        QCOMPARE(boutons, attendu);
    }

    void filtresQt()
    {
        QCOMPARE(TInteraction::FiltresQt(QStringLiteral("Directory|*.xaqr;*.crd|All|*.*")),
                 (QStringList{"Directory (*.xaqr *.crd)", "All (*.*)"}));
    }

    void preferences()
    {
        TFormFiche &w = Fenetre();
        w.FormShow(QStringList());
        QVERIFY(w.Action("Rouvrir1")->isChecked());
        w.Action("Rouvrir1")->trigger();
        QVERIFY(!Parametres.reopen);
        QVERIFY(w.ReglagesAEcrire());
        w.Action("Applicationaudessus1")->trigger();
        QVERIFY(Parametres.topmst);
        QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(w.Action("Applicationaudessus1")->isChecked());
    }

    // The entries added to the menus read to a screen reader as they show:
    // Undo and Redo name their step, the Spelling submenu its entries.
    void entreesAccessibles_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("entree");
        QTest::addColumn<QString>("nom");
        QTest::newRow("undo") << "Edition1"
                              << "Defaire1"
                              << "Undo Delete card";
        QTest::newRow("redo, nothing to redo") << "Edition1"
                                               << "Refaire1"
                                               << "Redo";
        QTest::newRow("duplicate card") << "Edition1"
                                        << "DupliquerFiche1"
                                        << "Duplicate card";
        QTest::newRow("paste as new card") << "Edition1"
                                           << "CollerFiche1"
                                           << "Paste as new card";
        QTest::newRow("print all cards") << "Edition1"
                                         << "ImprimerTout1"
                                         << "Print all cards";
        QTest::newRow("spelling submenu") << "Edition1"
                                          << "Orthographe1"
                                          << "Spelling";
        QTest::newRow("check as you type") << "Orthographe1"
                                           << "VerifierOrthographe1"
                                           << "Check spelling as you type";
        QTest::newRow("dictionary") << "Orthographe1"
                                    << "Dictionnaire_essai_LATIN1"
                                    << "essai_LATIN1";
    }
    void entreesAccessibles()
    {
        QFETCH(QString, menu);
        QFETCH(QString, entree);
        QFETCH(QString, nom);
        qputenv("DICPATH", QFile::encodeName(OutilsTest::DonneesTest("hunspell")));
        TFormFiche &w = Charger(Fichier(u'Q', {"a", "b"}));
        m_dialogues->Repondre(TInteraction::RepOui);
        OutilsGui::Choisir(w, "Supprimer1");
        auto *parent = w.menuBar()->findChild<QMenu *>(menu);
        QVERIFY(parent);
        emit parent->aboutToShow();
        QAccessibleInterface *acces = QAccessible::queryAccessibleInterface(parent);
        QVERIFY(acces);
        QStringList vus;
        for (int i = 0; i < acces->childCount(); ++i) {
            QAccessibleInterface *enfant = acces->child(i);
            QVERIFY(enfant);
            if (enfant->role() == QAccessible::Separator)
                continue;
            vus << enfant->text(QAccessible::Name);
            if (parent->actions().value(i) && parent->actions().at(i)->objectName() == entree) {
                QCOMPARE(enfant->role(), QAccessible::MenuItem);
                QCOMPARE(enfant->text(QAccessible::Name), nom);
                return;
            }
        }
        QFAIL(qPrintable("no entry " + entree + " among " + vus.join(u'|')));
    }

    // Spell checking with the tests' own Latin-1 dictionary: what each field
    // underlines, and what its context menu offers and does.
    void orthographe_data()
    {
        QTest::addColumn<QString>("champ");
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QStringList>("soulignes");
        QTest::addColumn<QString>("choix"); // the entry chosen on the first underlined word
        QTest::addColumn<QString>("apres"); // the field's text afterwards
        QTest::addColumn<QStringList>("soulignesApres");
        QTest::newRow("question: suggestion")
            << "MQuestion"
            << "chat chateau" << QStringList{"chateau"} << QString::fromUtf8("château")
            << QString::fromUtf8("chat château") << QStringList();
        QTest::newRow("answer, second line: suggestion")
            << "MReponse" << QString::fromUtf8("été\nfenétre un") << QStringList{QString::fromUtf8("fenétre"), "un"}
            << QString::fromUtf8("fenêtre") << QString::fromUtf8("été\nfenêtre un") << QStringList{"un"};
        QTest::newRow("title: suggestion") << "ETitre"
                                           << "mot chateau" << QStringList{"chateau"} << QString::fromUtf8("château")
                                           << QString::fromUtf8("mot château") << QStringList();
        QTest::newRow("title: add to dictionary") << "ETitre"
                                                  << "Amblopad mot" << QStringList{"Amblopad"} << "Add to dictionary"
                                                  << "Amblopad mot" << QStringList();
        QTest::newRow("question: ignore") << "MQuestion"
                                          << "blabla mot blabla" << QStringList{"blabla", "blabla"} << "Ignore"
                                          << "blabla mot blabla" << QStringList();
        QTest::newRow("no fault, no entry") << "MReponse"
                                            << "chat mot" << QStringList() << QString() << "chat mot" << QStringList();
    }

    void orthographe()
    {
        QFETCH(QString, champ);
        QFETCH(QString, texte);
        QFETCH(QStringList, soulignes);
        QFETCH(QString, choix);
        QFETCH(QString, apres);
        QFETCH(QStringList, soulignesApres);
        qputenv("DICPATH", QFile::encodeName(OutilsTest::DonneesTest("hunspell")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dossier.filePath("config")));
        QFile::remove(TOrthographe::CheminMotsPersonnels());
        Parametres.spldic = "essai_LATIN1";
        TFormFiche &w = Charger(Fichier(u'Q', {"q"}));
        QVERIFY(w.Document().Fichier()->AvecTitre);
        QWidget *widget = w.findChild<QWidget *>(champ);
        auto *ligne = qobject_cast<QLineEdit *>(widget);
        auto *memo = qobject_cast<QPlainTextEdit *>(widget);
        const auto texteChamp = [&] { return ligne ? ligne->text() : Memo(memo); };
        const auto vus = [&] {
            QStringList liste;
            for (const TOrthographe::Mot &m : OutilsGui::Orthographe(w)->Fautes(widget))
                liste << texteChamp().mid(m.debut, m.longueur);
            return liste;
        };
        if (texte.contains(u'\n'))
            memo->setPlainText(texte);
        else
            OutilsGui::Taper(widget, texte);
        QTRY_VERIFY(OutilsGui::Orthographe(w)->Pret());
        QTRY_COMPARE(vus(), soulignes);
        QVERIFY(OutilsGui::Orthographe(w)->Active());

        // The menu on the first underlined word, or on the first word.
        QPoint point(1, 1);
        if (!soulignes.isEmpty()) {
            const int debut = OutilsGui::Orthographe(w)->Fautes(widget).first().debut;
            if (ligne) {
                for (int x = 0; x < ligne->width(); ++x)
                    if (ligne->cursorPositionAt(QPoint(x, ligne->height() / 2)) == debut + 1) {
                        point = QPoint(x, ligne->height() / 2);
                        break;
                    }
            } else {
                QTextCursor c(memo->document());
                c.setPosition(debut + 1);
                point = memo->cursorRect(c).center();
            }
        }
        std::unique_ptr<QMenu> menu(OutilsGui::Orthographe(w)->MenuContextuel(widget, point));
        QVERIFY(menu);
        QStringList entrees;
        for (QAction *a : menu->actions())
            entrees << a->text();
        // Each entry reads to a screen reader as it shows.
        QAccessibleInterface *acces = QAccessible::queryAccessibleInterface(menu.get());
        QVERIFY(acces);
        QCOMPARE(acces->childCount(), int(entrees.size()));
        for (int i = 0; i < acces->childCount(); ++i)
            if (!menu->actions().at(i)->isSeparator())
                QCOMPARE(acces->child(i)->text(QAccessible::Name), QString(entrees.at(i)).remove(u'&'));
        // The field's own entries stay, after the spelling ones.
        std::unique_ptr<QMenu> seul(ligne ? ligne->createStandardContextMenu()
                                          : memo->createStandardContextMenu(point));
        QStringList propres;
        for (QAction *a : seul->actions())
            propres << a->text();
        QVERIFY(!propres.isEmpty());
        QCOMPARE(entrees.mid(entrees.size() - propres.size()), propres);
        const int standard = int(entrees.size() - propres.size());
        if (choix.isEmpty()) {
            QVERIFY2(!entrees.contains("Ignore") && !entrees.contains("Add to dictionary"),
                     qPrintable(entrees.join(u'|')));
        } else {
            const int suggestions = int(std::count_if(menu->actions().cbegin(), menu->actions().cend(),
                                                      [](QAction *a) { return a->objectName() == "Suggestion"; }));
            QVERIFY(suggestions <= 5);
            QVERIFY2(entrees.contains(choix), qPrintable(entrees.join(u'|')));
            QVERIFY(entrees.indexOf("Ignore") < standard);
            menu->actions().at(entrees.indexOf(choix))->trigger();
        }
        QCOMPARE(texteChamp(), apres);
        QTRY_COMPARE(vus(), soulignesApres);
        if (choix == "Add to dictionary")
            QCOMPARE(OutilsTest::LireFichier(TOrthographe::CheminMotsPersonnels()), QByteArray("Amblopad\n"));
    }

    // Turned off from the Edit menu: nothing underlined, the choice kept in the
    // settings; a dictionary missing turns checking off with a note, no message box.
    void orthographeMenu()
    {
        qputenv("DICPATH", QFile::encodeName(OutilsTest::DonneesTest("hunspell")));
        Parametres.spldic = "essai_LATIN1";
        TFormFiche &w = Charger(Fichier(u'Q', {"q"}));
        OutilsGui::Taper(OutilsGui::MQuestion(w), "chateau");
        QTRY_COMPARE(OutilsGui::Orthographe(w)->Fautes(OutilsGui::MQuestion(w)).size(), 1);
        QMenu *menu = OutilsGui::Orthographe(w)->MenuOrthographe();
        emit menu->aboutToShow();
        QAction *verifier = menu->findChild<QAction *>("VerifierOrthographe1");
        QVERIFY(verifier && verifier->isChecked());
        QVERIFY(menu->findChild<QAction *>("Dictionnaire_essai_LATIN1")->isChecked());
        verifier->trigger();
        QVERIFY(!Parametres.spell);
        QVERIFY(w.ReglagesAEcrire());
        QTRY_COMPARE(OutilsGui::Orthographe(w)->Fautes(OutilsGui::MQuestion(w)).size(), 0);
        emit menu->aboutToShow();
        menu->findChild<QAction *>("VerifierOrthographe1")->trigger();
        QTRY_COMPARE(OutilsGui::Orthographe(w)->Fautes(OutilsGui::MQuestion(w)).size(), 1);

        // A dictionary that cannot be read: a note, nothing underlined.
        emit menu->aboutToShow();
        menu->findChild<QAction *>("Dictionnaire_essai_ISCII")->trigger();
        QCOMPARE(Parametres.spldic, QStringLiteral("essai_ISCII"));
        QTRY_VERIFY(OutilsGui::Orthographe(w)->Pret() && !OutilsGui::Orthographe(w)->Active());
        QTRY_COMPARE(OutilsGui::Orthographe(w)->Fautes(OutilsGui::MQuestion(w)).size(), 0);
        QVERIFY(w.statusBar()->currentMessage().contains("ISCII-DEVANAGARI"));
        QCOMPARE(m_dialogues->Imprevus, 0);
    }
};

QTEST_MAIN(TestFiche)
#include "tst_gui_fiche.moc"
