// The property dialogs of a card file and the CSV preferences, opened from
// the main window's commands and answered by scripts that type and click in
// them as a person would.

#undef QT_NO_CAST_FROM_ASCII

#include "outilsgui.h"

#include "dialogs/dlgentete.h"
#include "dialogs/dlgetiquettes.h"
#include "dialogs/dlgoptions.h"
#include "dialogs/dlgoptionsavancees.h"
#include "dialogs/dlgoptionscsv.h"
#include "editor/fiche.h"
#include "model/outils.h"
#include "settings/init.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <functional>

namespace {

std::unique_ptr<TFichierX> Fichier(QChar type, QChar format = u'x', bool modifiable = true)
{
    auto f = std::make_unique<TFichierX>(type, format);
    f->AjouterFiche(QStringLiteral("t1"), QStringLiteral("q1"), QStringLiteral("r1"));
    f->NomFichier = QStringLiteral("/nowhere/test.xaq") + QString(type).toLower();
    f->Modifiable = modifiable;
    f->Modifie = false;
    return f;
}

template <typename T>
T *Controle(QDialog &d, const char *nom)
{
    T *c = d.findChild<T *>(QLatin1String(nom));
    if (!c)
        qWarning("no control %s in %s", nom, qPrintable(d.objectName()));
    return c;
}

// A click as the user makes it (QTest's click lands in the middle of a wide
// check box, outside its hit area).
void Cliquer(QDialog &d, const char *nom)
{
    Controle<QAbstractButton>(d, nom)->click();
}

} // namespace

class TestDialogues : public QObject
{
    Q_OBJECT

    OutilsGui::TBanc m_banc;
    TInteractionScriptee *&m_script = m_banc.dialogues;
    // What the last scripted dialog showed, read while it was open.
    QStringList m_vu;

    TFormFiche &Charger(std::unique_ptr<TFichierX> f) { return m_banc.Charger(std::move(f)); }

    // The next dialog: act in it, then click OK (or Cancel).
    void Script(std::function<void(QDialog &)> agir, bool ok = true)
    {
        m_script->Dialogues.push_back([agir, ok](QDialog &d) {
            if (agir)
                agir(d);
            Cliquer(d, ok ? "BOK" : "BAnnuler");
            return d.result();
        });
    }

    int DialoguesOuverts(const QString &nom) const
    {
        int n = 0;
        for (const auto &d : m_script->Demandes)
            if (d.Sorte == QLatin1String("dialogue") && d.Texte == nom)
                ++n;
        return n;
    }

private slots:
    void initTestCase() { m_banc.Installer(); }

    void init()
    {
        m_banc.Reinitialiser();
        m_vu.clear();
    }

    void cleanup()
    {
        QVERIFY(m_banc.Fermer());
        // Every scripted dialog was shown.
        QVERIFY(m_script->Dialogues.empty());
    }

    // OK without a change is Cancel: nothing stored, the file not modified.
    void okSansChangement_data()
    {
        QTest::addColumn<QString>("entree");
        QTest::addColumn<QString>("dialogue");
        QTest::newRow("header") << "Entete1"
                                << "DlgEntete";
        QTest::newRow("options") << "Options1"
                                 << "DlgOptions";
        QTest::newRow("advanced") << "OptionsAvancees1"
                                  << "DlgOptionsAvancees";
        QTest::newRow("labels") << "Etiquettes1"
                                << "DlgEtiquettes";
    }
    void okSansChangement()
    {
        QFETCH(QString, entree);
        QFETCH(QString, dialogue);
        auto f = Fichier(u'Q');
        f->DifferencierCasse = true;
        f->Phonetique = true; // shown unchecked, yet not changed by a bare OK
        f->Titre = QStringLiteral("  spaced title  ");
        f->Fragmenteur = QStringLiteral("; ");
        TFormFiche &w = Charger(std::move(f));
        int resultat = -1;
        m_script->Dialogues.push_back([&resultat](QDialog &d) {
            Cliquer(d, "BOK");
            resultat = d.result();
            return d.result();
        });
        OutilsGui::Choisir(w, entree.toLatin1().constData());
        QCOMPARE(DialoguesOuverts(dialogue), 1);
        QCOMPARE(resultat, int(QDialog::Rejected));
        const TFichierX &g = *w.Document().Fichier();
        QVERIFY(!g.Modifie);
        QVERIFY(g.DifferencierCasse);
        QCOMPARE(g.Titre, QStringLiteral("  spaced title  "));
        QCOMPARE(g.Fragmenteur, QStringLiteral("; "));
        QVERIFY(!g.AvecEtiquettes);
    }

    // A change undone before OK is no change.
    void changementAnnule()
    {
        TFormFiche &w = Charger(Fichier(u'Q'));
        Script([](QDialog &d) {
            Cliquer(d, "CBOrdre");
            Cliquer(d, "CBOrdre");
        });
        OutilsGui::Choisir(w, "Options1");
        QVERIFY(!w.Document().Fichier()->Modifie);
    }

    void options()
    {
        auto f = Fichier(u'Q');
        f->DifferencierCasse = true;
        f->Phonetique = true;
        f->ReposerErreurs = true;
        f->Temps = 0;
        f->NombreQuestions = 0;
        f->ScoreSatisfaisant = 0;
        TFormFiche &w = Charger(std::move(f));
        Script([this](QDialog &d) {
            auto *diff = Controle<QCheckBox>(d, "CBDiffMaj");
            m_vu << QString::number(diff->isChecked()) << QString::number(diff->isEnabled());
            for (const char *nom : {"ETemps", "ENbreQuestions", "ESeuil"})
                m_vu << Controle<QLineEdit>(d, nom)->text();
            // Phonetic off: "Match case" can be checked again, and on: it is cleared.
            Cliquer(d, "CBPhonetique");
            m_vu << QString::number(diff->isEnabled());
            Cliquer(d, "CBDiffMaj");
            Cliquer(d, "CBPhonetique");
            m_vu << QString::number(diff->isChecked()) << QString::number(diff->isEnabled());
            Cliquer(d, "CBMotAMot");
        });
        OutilsGui::Choisir(w, "Options1");
        QCOMPARE(m_vu, QStringList({"0", "0", "unlimited", "all", "0", "1", "0", "0"}));
        const TFichierX &g = *w.Document().Fichier();
        QVERIFY(g.Modifie);
        QVERIFY(!g.DifferencierCasse);
        QVERIFY(g.Phonetique);
        QVERIFY(g.MotAMot);
        QVERIFY(g.ReposerErreurs);
        QCOMPARE(g.Temps, quint8(0));
        QCOMPARE(g.NombreQuestions, quint8(0));

        // Filled afresh: the values shown are the file's, not the last use's.
        w.Document().ModifierProprietes(QStringLiteral("Options"), [](TFichierX &fichier) {
            fichier.Temps = 30;
            fichier.NombreQuestions = 12;
        });
        m_vu.clear();
        Script(
            [this](QDialog &d) {
                m_vu << Controle<QLineEdit>(d, "ETemps")->text() << Controle<QLineEdit>(d, "ENbreQuestions")->text()
                     << QString::number(Controle<QCheckBox>(d, "CBMotAMot")->isChecked());
            },
            false);
        OutilsGui::Choisir(w, "Options1");
        QCOMPARE(m_vu, QStringList({"30", "12", "1"}));
    }

    // What a number field stores; 8-bit fields hold out-of-range numbers at their bounds.
    // Digits only, at most 255: the field shows what will be stored
    // (-1: whatever the field ends up showing).
    void nombres_data()
    {
        QTest::addColumn<QString>("champ");
        QTest::addColumn<QString>("texte");
        QTest::addColumn<int>("attendu");
        QTest::newRow("unlimited") << "ETemps"
                                   << "unlimited" << 99;
        QTest::newRow("all") << "ENbreQuestions"
                             << "all" << 99;
        QTest::newRow("12 questions") << "ENbreQuestions"
                                      << "12" << 12;
        QTest::newRow("300") << "ENbreQuestions"
                             << "300" << 30;
        QTest::newRow("256") << "ESeuil"
                             << "256" << 25;
        QTest::newRow("negative") << "ESeuil"
                                  << "-5" << 5;
        QTest::newRow("blanks") << "ETemps"
                                << " 8 " << -1;
        QTest::newRow("very long") << "ETemps"
                                   << "123456789012345678901234567890" << -1;
        QTest::newRow("hexadecimal") << "ETemps"
                                     << "0x10" << -1;
        QTest::newRow("decimal point") << "ETemps"
                                       << "1.5" << -1;
        QTest::newRow("empty") << "ENbreQuestions"
                               << "" << 0;
    }
    void nombres()
    {
        QFETCH(QString, champ);
        QFETCH(QString, texte);
        QFETCH(int, attendu);
        auto f = Fichier(u'Q');
        f->Temps = 99;
        f->NombreQuestions = 99;
        f->ScoreSatisfaisant = 99;
        TFormFiche &w = Charger(std::move(f));
        QString montre;
        bool limiteVisible = false;
        Script([&](QDialog &d) {
            auto *e = Controle<QLineEdit>(d, champ.toLatin1().constData());
            OutilsGui::Taper(e, texte);
            montre = e->text();
            auto *limite = d.findChild<QLabel *>(champ + QStringLiteral("Limite"));
            limiteVisible = limite && limite->isVisible() && limite->text().contains(QStringLiteral("255"));
        });
        OutilsGui::Choisir(w, "Options1");
        const TFichierX &g = *w.Document().Fichier();
        const quint8 stocke = champ == "ETemps" ? g.Temps
            : champ == "ENbreQuestions"         ? g.NombreQuestions
                                                : g.ScoreSatisfaisant;
        QVERIFY(limiteVisible);
        QVERIFY2(QRegularExpression(QStringLiteral("^[0-9]*$")).match(montre).hasMatch(), qPrintable(montre));
        QCOMPARE(int(stocke), montre.toInt());
        QVERIFY(stocke <= 255);
        if (attendu >= 0)
            QCOMPARE(int(stocke), attendu);
        QCOMPARE(g.Modifie, stocke != 99);
    }

    void optionsAvancees()
    {
        auto f = Fichier(u'Q');
        f->AvecMotsIgnores = true;
        f->MotsIgnores = QStringLiteral("le la les");
        TFormFiche &w = Charger(std::move(f));
        Script([this](QDialog &d) {
            auto *mots = Controle<QLineEdit>(d, "EMotsIgnores");
            auto *defaut = Controle<QCheckBox>(d, "CBMIgDefaut");
            m_vu << mots->text() << QString::number(defaut->isChecked()) << QString::number(mots->isEnabled())
                 << Controle<QLineEdit>(d, "ECarOu")->text();
            OutilsGui::Taper(Controle<QLineEdit>(d, "EOu"), " o r ");
            OutilsGui::Taper(Controle<QLineEdit>(d, "ECarOu"), "|#"); // one character at most
            OutilsGui::Taper(Controle<QLineEdit>(d, "EXDelim"), ". , ;");
            Cliquer(d, "CBMIgDefaut");
            m_vu << mots->text() << QString::number(mots->isEnabled());
            QVERIFY(!(defaut->focusPolicy() & Qt::TabFocus));
        });
        OutilsGui::Choisir(w, "OptionsAvancees1");
        QCOMPARE(m_vu, QStringList({"le la les", "0", "1", ";", "a an the", "0"}));
        const TFichierX &g = *w.Document().Fichier();
        QVERIFY(g.Modifie);
        QCOMPARE(g.OuVisible, QStringLiteral("or"));
        QCOMPARE(g.Fragmenteur, QStringLiteral("|"));
        QCOMPARE(g.Ponctuation, QStringLiteral(".,;"));
        QVERIFY(!g.AvecMotsIgnores);
        QCOMPARE(g.MotsIgnores, QStringLiteral("le la les"));
        QCOMPARE(g.MotsIgnoresEffectifs(OptionsCourantes()), QStringLiteral("a an the"));

        // Back to a list of its own.
        m_vu.clear();
        Script([this](QDialog &d) {
            auto *mots = Controle<QLineEdit>(d, "EMotsIgnores");
            m_vu << mots->text() << QString::number(mots->isEnabled());
            Cliquer(d, "CBMIgDefaut");
            OutilsGui::Taper(mots, "der die das");
        });
        OutilsGui::Choisir(w, "OptionsAvancees1");
        QCOMPARE(m_vu, QStringList({"a an the", "0"}));
        QVERIFY(w.Document().Fichier()->AvecMotsIgnores);
        QCOMPARE(w.Document().Fichier()->MotsIgnores, QStringLiteral("der die das"));
    }

    // A separator longer than one character, as a file may hold, is shown
    // and kept whole when another option is edited.
    void separateurLong()
    {
        auto f = Fichier(u'Q');
        f->Fragmenteur = QStringLiteral("||");
        TFormFiche &w = Charger(std::move(f));
        Script([this](QDialog &d) {
            m_vu << Controle<QLineEdit>(d, "ECarOu")->text();
            OutilsGui::Taper(Controle<QLineEdit>(d, "EOu"), "ou");
        });
        OutilsGui::Choisir(w, "OptionsAvancees1");
        QCOMPARE(m_vu, QStringList({"||"}));
        QCOMPARE(w.Document().Fichier()->Fragmenteur, QStringLiteral("||"));
        QCOMPARE(w.Document().Fichier()->OuVisible, QStringLiteral("ou"));
    }

    void entete()
    {
        auto f = Fichier(u'R'); // no title field on the cards: the title line is the file's title
        f->Titre = QStringLiteral("Old");
        f->Description = QStringLiteral("line 1\r\nline 2");
        TFormFiche &w = Charger(std::move(f));
        // A title typed in the title line is stored before the dialog shows it.
        OutilsGui::ETitre(w)->setFocus();
        OutilsGui::Taper(OutilsGui::ETitre(w), "Typed");
        Script([this](QDialog &d) {
            m_vu << Controle<QLineEdit>(d, "ETitre")->text()
                 << Controle<QPlainTextEdit>(d, "MDescription")->toPlainText()
                 << Controle<QLineEdit>(d, "ETitre")->font().family();
            OutilsGui::Taper(Controle<QLineEdit>(d, "ETitre"), "  New title ");
            auto *memo = Controle<QPlainTextEdit>(d, "MDescription");
            memo->moveCursor(QTextCursor::End);
            QTest::keyClick(memo, Qt::Key_Return);
            QTest::keyClicks(memo, " three ");
            OutilsGui::Taper(Controle<QLineEdit>(d, "ESignature"), " Me ");
        });
        OutilsGui::Choisir(w, "Entete1");
        QCOMPARE(m_vu, QStringList({"Typed", "line 1\nline 2", "Courier New"}));
        const TFichierX &g = *w.Document().Fichier();
        QVERIFY(g.Modifie);
        QCOMPARE(g.Titre, QStringLiteral("New title"));
        QCOMPARE(g.Description, QStringLiteral("line 1\r\nline 2\r\n three "));
        QCOMPARE(g.Signature, QStringLiteral(" Me "));
        QCOMPARE(OutilsGui::ETitre(w)->text(), QStringLiteral("New title"));
        QVERIFY(!OutilsGui::ETitre(w)->isModified());
    }

    // A read-only file's dialogs can only be looked at.
    void lectureSeule_data()
    {
        QTest::addColumn<QString>("entree");
        QTest::addColumn<QString>("groupe");
        QTest::newRow("header") << "Entete1"
                                << "GBEntete";
        QTest::newRow("options") << "Options1"
                                 << "GBOptions";
        QTest::newRow("advanced") << "OptionsAvancees1"
                                  << "GBOptions";
    }
    void lectureSeule()
    {
        QFETCH(QString, entree);
        QFETCH(QString, groupe);
        auto f = Fichier(u'Q', u'x', false);
        f->Titre = QStringLiteral("Locked");
        TFormFiche &w = Charger(std::move(f));
        int resultat = -1;
        m_script->Dialogues.push_back([&](QDialog &d) {
            m_vu << QString::number(Controle<QGroupBox>(d, groupe.toLatin1().constData())->isEnabled());
            if (auto *titre = d.findChild<QLineEdit *>("ETitre"))
                m_vu << titre->text();
            QTest::keyClicks(d.focusWidget() ? d.focusWidget() : &d, "x");
            Cliquer(d, "BOK");
            resultat = d.result();
            return d.result();
        });
        QVERIFY(w.ActiverRaccourci(w.Action(entree.toLatin1().constData())->shortcut()));
        QCOMPARE(m_vu.value(0), QStringLiteral("0"));
        if (entree == "Entete1")
            QCOMPARE(m_vu.value(1), QStringLiteral("Locked"));
        QCOMPARE(resultat, int(QDialog::Rejected));
        QVERIFY(!w.Document().Fichier()->Modifie);
        QCOMPARE(w.Document().Fichier()->Titre, QStringLiteral("Locked"));
    }

    void etiquettes()
    {
        TFormFiche &w = Charger(Fichier(u'Q'));
        QVERIFY(!w.Document().Fichier()->AvecEtiquettes);
        const QString question = w.Document().Fichier()->Etiquettes.Champ1();
        Script([this](QDialog &d) {
            m_vu << Controle<QLineEdit>(d, "EEtiquette1")->text();
            OutilsGui::Taper(Controle<QLineEdit>(d, "EEtiquette0"), "Topic");
            OutilsGui::Taper(Controle<QLineEdit>(d, "EEtiquette2"), "Reply ");
        });
        OutilsGui::Choisir(w, "Etiquettes1");
        QCOMPARE(m_vu, QStringList({question}));
        const TFichierX &g = *w.Document().Fichier();
        QVERIFY(g.Modifie);
        QVERIFY(g.AvecEtiquettes);
        QCOMPARE(g.Etiquettes.Champ0(), QStringLiteral("Topic"));
        QCOMPARE(g.Etiquettes.Champ1(), question);
        QCOMPARE(g.Etiquettes.Champ2(), QStringLiteral("Reply "));
        QCOMPARE(OutilsGui::PTitre(w)->text(), QStringLiteral("Topic"));
        QCOMPARE(OutilsGui::PReponse(w)->text(), QStringLiteral("Reply "));
    }

    void feuilleDeStyle_data()
    {
        QTest::addColumn<QString>("avant");
        QTest::addColumn<QString>("reponse");
        QTest::addColumn<bool>("accepte");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("css replaced") << ""
                                      << "  style.css  " << true << "style.xsl";
        QTest::newRow("no extension") << ""
                                      << "style" << true << "style.xsl";
        QTest::newRow("xsl kept") << ""
                                  << "a.xsl" << true << "a.xsl";
        QTest::newRow("dotted folder") << ""
                                       << "v1.2/show" << true << "v1.2/show.xsl";
        QTest::newRow("dotted windows folder") << ""
                                               << "v1.2\\show" << true << "v1.2\\show.xsl";
        QTest::newRow("two extensions") << ""
                                        << "show.min.css" << true << "show.min.xsl";
        QTest::newRow("empty removes") << "old.xsl"
                                       << "   " << true << "";
        QTest::newRow("same") << "old.xsl"
                              << "old.xsl" << true << "old.xsl";
        QTest::newRow("cancelled") << "old.xsl"
                                   << "new" << false << "old.xsl";
    }
    void feuilleDeStyle()
    {
        QFETCH(QString, avant);
        QFETCH(QString, reponse);
        QFETCH(bool, accepte);
        QFETCH(QString, attendu);
        auto f = Fichier(u'R');
        f->FeuilleStyle = avant;
        TFormFiche &w = Charger(std::move(f));
        m_script->Saisies.push_back(reponse);
        m_script->SaisiesAcceptees.push_back(accepte);
        // Only its shortcut reaches it.
        QVERIFY(!w.Action("FeuilledeStyle1")->isVisible());
        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::CTRL | Qt::Key_F5)));
        const auto &d = m_script->Demandes.back();
        QCOMPARE(d.Sorte, QStringLiteral("saisir"));
        QCOMPARE(d.Legende, QStringLiteral("Style sheet"));
        QCOMPARE(d.Texte, QStringLiteral("Name of the file:"));
        QCOMPARE(d.NomPropose, avant);
        QCOMPARE(w.Document().Fichier()->FeuilleStyle, attendu);
        // OK marks the file modified, also when the name stays the same.
        QCOMPARE(w.Document().Fichier()->Modifie, accepte);
    }

    void optionsCsv_data()
    {
        QTest::addColumn<QString>("comma"); // the setting, escaped
        QTest::addColumn<bool>("utf");
        QTest::addColumn<QString>("montre");
        QTest::addColumn<QString>("tape"); // empty: left alone
        QTest::addColumn<bool>("cliquerUtf");
        QTest::addColumn<QChar>("separateur");
        QTest::addColumn<bool>("utfApres");
        QTest::addColumn<bool>("refuse");
        QTest::newRow("tab shown escaped") << "\\t" << false << "\\t"
                                           << ";" << false << QChar(u';') << false << false;
        QTest::newRow("tab typed, trimmed") << ";" << false << ";"
                                            << "  \\t " << false << QChar(u'\t') << false << false;
        QTest::newRow("space") << "," << true << ","
                               << "\\s" << false << QChar(u' ') << true << false;
        QTest::newRow("utf-8 chosen") << "," << false << ","
                                      << "" << true << QChar(u',') << true << false;
        QTest::newRow("backslash") << "," << false << ","
                                   << "\\\\" << false << QChar(u'\\') << false << false;
        // Separators that would break every record are refused; the encoding is still taken.
        QTest::newRow("line break refused") << ";" << false << ";"
                                            << "\\n"
                                            << true << QChar(u';') << true << true;
        QTest::newRow("quote refused") << ";" << false << ";"
                                       << "\"" << false << QChar(u';') << false << true;
    }
    void optionsCsv()
    {
        QFETCH(QString, comma);
        QFETCH(bool, utf);
        QFETCH(QString, montre);
        QFETCH(QString, tape);
        QFETCH(bool, cliquerUtf);
        QFETCH(QChar, separateur);
        QFETCH(bool, utfApres);
        QFETCH(bool, refuse);
        DefinirSeparateurCsv(comma);
        Parametres.csvutf = utf;
        TFormFiche &w = Charger(nullptr);
        // Hidden for the default type (a Directory), yet its shortcut answers.
        QVERIFY(!w.Action("OptionsCSV")->isVisible());
        Script([&](QDialog &d) {
            auto *csv = static_cast<TDlgOptionsCSV *>(&d);
            m_vu << csv->EComma->text() << QString::number(csv->ItemIndex());
            if (!tape.isEmpty())
                OutilsGui::Taper(csv->EComma, tape);
            if (cliquerUtf)
                csv->Element(1)->click();
        });
        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::SHIFT | Qt::Key_F6)));
        QCOMPARE(m_vu, QStringList({montre, QString::number(utf ? 1 : 0)}));
        QCOMPARE(SeparateurCsv(), separateur);
        QCOMPARE(Parametres.csvutf, utfApres);
        QVERIFY(w.ReglagesAEcrire());
        QCOMPARE(m_script->Messages().size(), size_t(refuse ? 1 : 0));
        if (refuse)
            QCOMPARE(SeparateurCsvTexte(), comma);
    }

    void optionsCsvSansChangement()
    {
        DefinirSeparateurCsv(QStringLiteral(";"));
        TFormFiche &w = Charger(nullptr);
        Script(nullptr);
        OutilsGui::Choisir(w, "OptionsCSV");
        QVERIFY(!w.ReglagesAEcrire());
        QCOMPARE(SeparateurCsvTexte(), QStringLiteral(";"));
        Script([](QDialog &d) { OutilsGui::Taper(Controle<QLineEdit>(d, "EComma"), "|"); }, false);
        OutilsGui::Choisir(w, "OptionsCSV");
        QVERIFY(!w.ReglagesAEcrire());
        QCOMPARE(SeparateurCsv(), QChar(u';'));
    }

    // Which entries answer, by their shortcut or their visible entry.
    void menus()
    {
        // No file: only the CSV options.
        {
            TFormFiche &w = Charger(nullptr);
            for (auto touches : {QKeySequence(Qt::Key_F9), QKeySequence(Qt::Key_F5),
                                 QKeySequence(Qt::SHIFT | Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_F5)})
                QVERIFY2(!w.ActiverRaccourci(touches), qPrintable(touches.toString()));
        }
        // A native list: header through F9 although hidden, no quiz options, no labels.
        {
            TFormFiche &w = Charger(Fichier(u'L', u'n'));
            OutilsGui::OuvrirMenus(w);
            QVERIFY(!w.Action("Entete1")->isVisible());
            QVERIFY(!w.Action("Etiquettes1")->isVisible());
            QVERIFY(w.Action("OptionsCSV")->isVisible()); // 'L' is a CSV type
            QVERIFY(!w.ActiverRaccourci(QKeySequence(Qt::Key_F5)));
            QVERIFY(!w.ActiverRaccourci(QKeySequence(Qt::SHIFT | Qt::Key_F5)));
            Script(nullptr, false);
            QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::Key_F9)));
            QCOMPARE(DialoguesOuverts("DlgEntete"), 1);
        }
        // A read-only XML questionnaire: no labels, no style sheet; options to look at.
        {
            TFormFiche &w = Charger(Fichier(u'Q', u'x', false));
            OutilsGui::OuvrirMenus(w);
            QVERIFY(w.Action("Options1")->isVisible());
            QVERIFY(!w.Action("Etiquettes1")->isVisible());
            QVERIFY(!w.Action("OptionsCSV")->isVisible());
            QVERIFY(!w.ActiverRaccourci(QKeySequence(Qt::CTRL | Qt::Key_F5)));
            Script(nullptr, false);
            QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::SHIFT | Qt::Key_F5)));
            QCOMPARE(DialoguesOuverts("DlgOptionsAvancees"), 1);
        }
        // A writable XML questionnaire offers its labels.
        {
            TFormFiche &w = Charger(Fichier(u'Q'));
            OutilsGui::OuvrirMenus(w);
            QVERIFY(w.Action("Etiquettes1")->isVisible() && w.Action("Etiquettes1")->isEnabled());
            QVERIFY(w.Action("Entete1")->isVisible());
        }
    }

    // A screen reader names every field of every dialog: each one has a
    // name in the accessibility tree, its caption's.
    void nomsAccessibles_data()
    {
        QTest::addColumn<QString>("entree");
        QTest::addColumn<int>("champs");
        QTest::newRow("header") << "Entete1" << 3;
        QTest::newRow("options") << "Options1" << 3;
        QTest::newRow("advanced") << "OptionsAvancees1" << 4;
        QTest::newRow("csv") << "OptionsCSV" << 1;
        QTest::newRow("labels") << "Etiquettes1" << 3;
        QTest::newRow("search") << "Rechercher1" << 1;
        QTest::newRow("list") << "Listedesfiches1" << 1;
        QTest::newRow("new file") << "Nouveau1" << 1;
    }
    void nomsAccessibles()
    {
        QFETCH(QString, entree);
        QFETCH(int, champs);
        Parametres.alltyp = true;
        TFormFiche &w = Charger(Fichier(u'Q'));
        QStringList sansNom;
        int vus = -1;
        m_script->Dialogues.push_back([&](QDialog &d) {
            vus = 0;
            for (QWidget *champ : d.findChildren<QWidget *>()) {
                if (!qobject_cast<QLineEdit *>(champ) && !qobject_cast<QPlainTextEdit *>(champ)
                    && !qobject_cast<QComboBox *>(champ) && !qobject_cast<QAbstractItemView *>(champ))
                    continue;
                if (qobject_cast<QLineEdit *>(champ) && qobject_cast<QComboBox *>(champ->parent()))
                    continue; // a combo box's own editor
                ++vus;
                QAccessibleInterface *acces = QAccessible::queryAccessibleInterface(champ);
                if (!acces || acces->text(QAccessible::Name).trimmed().isEmpty())
                    sansNom << champ->objectName();
            }
            return int(QDialog::Rejected);
        });
        OutilsGui::Choisir(w, entree.toLatin1().constData());
        QCOMPARE(vus, champs);
        QVERIFY2(sansNom.isEmpty(), qPrintable(sansNom.join(u' ')));
    }

    // F1 and the Help button show the dialog's topic; the labels have none.
    void aide_data()
    {
        QTest::addColumn<QString>("entree");
        QTest::addColumn<int>("sujet");
        QTest::newRow("header") << "Entete1" << 9;
        QTest::newRow("options") << "Options1" << 23;
        QTest::newRow("advanced") << "OptionsAvancees1" << 24;
        QTest::newRow("csv") << "OptionsCSV" << 11;
        QTest::newRow("labels") << "Etiquettes1" << 0;
    }
    void aide()
    {
        QFETCH(QString, entree);
        QFETCH(int, sujet);
        TFormFiche &w = Charger(Fichier(u'Q'));
        bool bouton = false;
        Script(
            [&](QDialog &d) {
                auto *aide = d.findChild<QPushButton *>("BAide");
                bouton = aide != nullptr;
                if (aide)
                    aide->click();
                QApplication::setActiveWindow(&d);
                QTest::keyClick(&d, Qt::Key_F1);
            },
            false);
        OutilsGui::Choisir(w, entree.toLatin1().constData());
        QCOMPARE(bouton, sujet != 0);
        QList<int> montres;
        for (const auto &d : m_script->Demandes)
            if (d.Sorte == QLatin1String("aide"))
                montres << d.Aide;
        QCOMPARE(montres, sujet ? QList<int>({sujet, sujet}) : QList<int>());
        QVERIFY(!w.Document().Fichier()->Modifie);
    }
};

QTEST_MAIN(TestDialogues)
#include "tst_gui_dialogues.moc"
