// Searching cards in the editor window: the dialog, the cycle from the card
// shown back to it, its three closing messages and every way it ends.

#undef QT_NO_CAST_FROM_ASCII

#include "outilsgui.h"

#include "editor/dlgchercher.h"
#include "editor/fiche.h"
#include "interactionscriptee.h"
#include "model/fichierx.h"
#include "settings/init.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

struct Options
{
    bool casse = false;
    bool indexSeul = false;
    bool arriere = false;
};

} // namespace

class TestRecherche : public QObject
{
    Q_OBJECT

    OutilsGui::TBanc m_banc;
    QTemporaryDir &m_dossier = m_banc.dossier;

    TFormFiche &Charger(std::unique_ptr<TFichierX> f, int position) { return m_banc.Charger(std::move(f), position); }

    // The user fills the search dialog and presses Search. The index-field
    // box is only touched when the window left it enabled.
    void Repondre(const QString &texte, Options o)
    {
        m_banc.dialogues->Dialogues.push_back([texte, o](QDialog &d) {
            auto &dlg = static_cast<TDlgChercher &>(d);
            dlg.EChercher->setText(texte);
            dlg.CBDifferencier->setChecked(o.casse);
            if (dlg.CBChampUnique->isEnabled())
                dlg.CBChampUnique->setChecked(o.indexSeul);
            dlg.CBArriere->setChecked(o.arriere);
            return int(QDialog::Accepted);
        });
    }

    // The messages shown since the last call, as "kind:text[:caption]".
    QStringList Messages()
    {
        QStringList vus;
        for (const auto &m : m_banc.dialogues->Messages()) {
            const char *genre = m.GenreMessage == TInteraction::Avertissement ? "warning"
                : m.GenreMessage == TInteraction::Erreur                      ? "error"
                : m.GenreMessage == TInteraction::Information                 ? "info"
                                                                              : "question";
            QString texte = QLatin1String(genre) + u':' + m.Texte;
            if (!m.Legende.isEmpty())
                texte += u':' + m.Legende;
            if (m.BoutonsMessage != TInteraction::Ok)
                texte += QStringLiteral(" [not OK]");
            vus << texte;
        }
        m_banc.dialogues->Demandes.clear();
        return vus;
    }

private slots:
    void initTestCase() { m_banc.Installer(); }

    void init() { m_banc.Reinitialiser(); }

    // Without case, a text matches exactly when the locale's upper case of
    // the text holds the locale's upper case of the searched text.
    void correspondCommeLesMajuscules_data()
    {
        QTest::addColumn<QString>("locale");
        const QStringList locales{"fr_FR", "en_US", "de_DE", "tr_TR", "el_GR", "lt_LT"};
        for (const QString &l : locales)
            QTest::newRow(l.toLatin1().constData()) << l;
    }

    void correspondCommeLesMajuscules()
    {
        QFETCH(QString, locale);
        const QLocale avant;
        QLocale::setDefault(QLocale(locale));
        const QStringList textes{QStringLiteral("Élève à l'école"),
                                 QStringLiteral("STRASSE und straße"),
                                 QStringLiteral("ﬁnal ﬂ"),
                                 QStringLiteral("istanbul İzmir ıi"),
                                 QStringLiteral("Ωmega Ω 5 K \u212A"),
                                 QStringLiteral("άλφα ΆΛΦΑ ς σ"),
                                 QStringLiteral("œuvre ŒUVRE Ÿ ÿ"),
                                 QStringLiteral("plain ascii text"),
                                 QStringLiteral("😀 emoji x"),
                                 QStringLiteral("ǅungla ǆ Ǆ"),
                                 QStringLiteral("abcdefghijklmnopqrstuvwxyz then straße"),
                                 QStringLiteral("The quick brown fox jumps over the lazy dog, école ÉCOLE"),
                                 QStringLiteral("0123456789 0123456789 0123456789 ıstanbul x"),
                                 QString()};
        const QStringList aiguilles{QStringLiteral("ÉLÈVE"),    QStringLiteral("école"),    QStringLiteral("ss"),
                                    QStringLiteral("STRASSE"),  QStringLiteral("fi"),       QStringLiteral("FINAL"),
                                    QStringLiteral("i"),        QStringLiteral("İ"),        QStringLiteral("ı"),
                                    QStringLiteral("k"),        QStringLiteral("ΑΛΦΑ"),     QStringLiteral("σ"),
                                    QStringLiteral("Œ"),        QStringLiteral("ÿ"),        QStringLiteral("ascii"),
                                    QStringLiteral("x"),        QStringLiteral("ǆ"),        QStringLiteral("straße"),
                                    QStringLiteral("LAZY DOG"), QStringLiteral("xyz THEN"), QStringLiteral("Istanbul"),
                                    QStringLiteral("8 0")};
        const QLocale l;
        for (const QString &aiguille : aiguilles) {
            // The search the window makes for a text, without case.
            const TRecherche recherche(aiguille, false, QLocale());
            for (const QString &texte : textes) {
                const bool attendu = !texte.isEmpty() && l.toUpper(texte).contains(l.toUpper(aiguille));
                QVERIFY2(recherche.Trouve(texte) == attendu, qPrintable(aiguille + QStringLiteral(" in ") + texte));
            }
        }
        QLocale::setDefault(avant);
    }

    void cleanup() { QVERIFY(m_banc.Fermer()); }

    // A search and then "Find next" until the cycle closes: the cards shown
    // at each step, and the one message that closes the cycle.
    void cycle_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QStringList>("cartes");
        QTest::addColumn<int>("depart");
        QTest::addColumn<QString>("texte");
        QTest::addColumn<bool>("casse");
        QTest::addColumn<bool>("indexSeul");
        QTest::addColumn<bool>("arriere");
        QTest::addColumn<QList<int>>("etapes");
        QTest::addColumn<QString>("fin");

        const QString fin = QStringLiteral("info:End of search.");
        const QString echec = QStringLiteral("error:Not found!:Failure");
        const QStringList casses = {"|ABC|.", "|-|-", "|..|xAbCx", "|abc|-"};
        QTest::newRow("one card that matches")
            << QChar(u'Q') << QStringList{"t|abc|r"} << 0 << "abc" << false << false << false << QList<int>{0} << fin;
        QTest::newRow("one card that does not")
            << QChar(u'Q') << QStringList{"t|abc|r"} << 0 << "zzz" << false << false << false << QList<int>{0} << echec;
        QTest::newRow("case ignored") << QChar(u'F') << casses << 0 << "abc" << false << false << false
                                      << QList<int>{2, 3, 0} << fin;
        QTest::newRow("case differentiated")
            << QChar(u'F') << casses << 0 << "abc" << true << false << false << QList<int>{3, 0} << echec;
        QTest::newRow("accented capitals") << QChar(u'F') << QStringList{"|CAFÉ|-", "|x|-", "|un café|-"} << 1 << "café"
                                           << false << false << false << QList<int>{2, 0, 1} << echec;
        QTest::newRow("blanks around the text") << QChar(u'F') << QStringList{"|x|-", "|-|zabc", "|x|-"} << 0
                                                << " \tabc  " << false << false << false << QList<int>{1, 0} << echec;
        const QStringList titres = {"abc|x|y", "x|abc|y", "y|x|abc", "zabc|q|r"};
        QTest::newRow("titles, index field only")
            << QChar(u'Q') << titres << 0 << "abc" << false << true << false << QList<int>{3, 0} << fin;
        QTest::newRow("titles, every field")
            << QChar(u'Q') << titres << 0 << "abc" << false << false << false << QList<int>{1, 2, 3, 0} << fin;
        QTest::newRow("no titles, index field only") << QChar(u'E') << QStringList{"abc|x|y", "|abc|y", "|x|abc"} << 2
                                                     << "abc" << false << true << false << QList<int>{1, 2} << echec;
        // The numbers shown in the question memo are never searched.
        QTest::newRow("numbered") << QChar(u'L') << QStringList{"||abc", "||x", "||1abc"} << 0 << "1" << false << true
                                  << false << QList<int>{2, 0} << echec;
        QTest::newRow("backward") << QChar(u'F') << QStringList{"|a|-", "|k|-", "|c|-", "|-|k", "|e|-"} << 2 << "k"
                                  << false << false << true << QList<int>{1, 3, 2} << echec;
        QTest::newRow("backward, from the first card") << QChar(u'F') << QStringList{"|k|-", "|k|-", "|c|-"} << 0 << "k"
                                                       << false << false << true << QList<int>{1, 0} << fin;
    }
    void cycle()
    {
        QFETCH(QChar, type);
        QFETCH(QStringList, cartes);
        QFETCH(int, depart);
        QFETCH(QString, texte);
        QFETCH(bool, casse);
        QFETCH(bool, indexSeul);
        QFETCH(bool, arriere);
        QFETCH(QList<int>, etapes);
        QFETCH(QString, fin);

        TFormFiche &w = Charger(OutilsGui::FichierCartes(type, cartes), depart);
        QCOMPARE(w.IndexAffiche(), depart);
        Repondre(texte, {casse, indexSeul, arriere});
        OutilsGui::Choisir(w, "Rechercher1");
        for (int e = 0; e < etapes.size(); ++e) {
            if (e > 0)
                QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::Key_F3)));
            QCOMPARE(w.IndexAffiche(), etapes.at(e));
            const QStringList vus = Messages();
            if (e + 1 < etapes.size()) {
                QVERIFY2(vus.isEmpty(), qPrintable(vus.join(u'/')));
                QVERIFY(w.RechercheActive());
            } else {
                QCOMPARE(vus, QStringList{fin});
                QVERIFY(!w.RechercheActive());
            }
        }
    }

    // In a 1,000-card file the cycle shows every match in turn, wraps, and
    // closes on its start card with the message that card deserves.
    void milleCartes_data()
    {
        QTest::addColumn<int>("depart");
        QTest::addColumn<bool>("arriere");
        QTest::addColumn<QString>("fin");
        QTest::newRow("start card without the text") << 500 << false << "error:Not found!:Failure";
        QTest::newRow("start card with the text") << 497 << false << "info:End of search.";
        QTest::newRow("backward") << 497 << true << "info:End of search.";
    }
    void milleCartes()
    {
        QFETCH(int, depart);
        QFETCH(bool, arriere);
        QFETCH(QString, fin);

        QStringList cartes;
        QList<int> correspondances;
        for (int i = 0; i < 1000; ++i) {
            const bool avec = i % 7 == 0;
            cartes << QStringLiteral("title %1|question %1|%2").arg(i).arg(avec ? "the Needle" : "hay");
            if (avec)
                correspondances << i;
        }
        QList<int> attendus;
        for (int k = 1; k <= 1000; ++k) {
            const int i = arriere ? (depart - k + 1000) % 1000 : (depart + k) % 1000;
            if (correspondances.contains(i) && i != depart)
                attendus << i;
        }
        attendus << depart;

        TFormFiche &w = Charger(OutilsGui::FichierCartes(u'Q', cartes), depart);
        Repondre(QStringLiteral("needle"), {false, false, arriere});
        OutilsGui::Choisir(w, "Rechercher1");
        QList<int> vus{w.IndexAffiche()};
        QStringList messages = Messages();
        while (w.RechercheActive() && vus.size() <= 1000) {
            QVERIFY(messages.isEmpty());
            arriere ? OutilsGui::Choisir(w, "Precedente1") : OutilsGui::Choisir(w, "Suivante1");
            vus << w.IndexAffiche();
            messages = Messages();
        }
        QCOMPARE(vus, attendus);
        QCOMPARE(messages, QStringList{fin});
    }

    // Starting backward and stepping with Next: the step goes forward, and
    // coming back to the start against the chosen direction closes with
    // "Search completed.".
    void contreSens()
    {
        TFormFiche &w = Charger(OutilsGui::FichierCartes(u'F', {"|abc|-", "|x|-", "|abc2|-"}), 0);
        Repondre(QStringLiteral("abc"), {false, false, true});
        OutilsGui::Choisir(w, "Rechercher1");
        QCOMPARE(w.IndexAffiche(), 2);
        QVERIFY(Messages().isEmpty());
        // At the last card Next is still offered while a search is on.
        QVERIFY(OutilsGui::BSuivant(w)->isEnabled());
        OutilsGui::Choisir(w, "Suivante1");
        QCOMPARE(w.IndexAffiche(), 0);
        QCOMPARE(Messages(), QStringList{"warning:Search completed."});
        QVERIFY(!w.RechercheActive());
        QVERIFY(!OutilsGui::BPrecedent(w)->isEnabled());
    }

    void findNextSansRecherche()
    {
        TFormFiche &w = Charger(OutilsGui::FichierCartes(u'F', {"|a|-", "|b|-", "|c|-"}), 1);
        // F3 is answered although "Find next" is hidden.
        OutilsGui::OuvrirMenus(w);
        QVERIFY(!w.Action("Rechsuivant1")->isVisible());
        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::Key_F3)));
        QCOMPARE(w.IndexAffiche(), 1);
        QCOMPARE(Messages(), QStringList{"warning:Search completed."});
        // Abort does nothing without a search.
        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::CTRL | Qt::Key_F3)));
        QVERIFY(Messages().isEmpty());
    }

    void texteVideOuAnnule_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<bool>("accepte");
        QTest::newRow("only blanks") << " \t  " << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("dialog cancelled") << "a" << false;
    }
    void texteVideOuAnnule()
    {
        QFETCH(QString, texte);
        QFETCH(bool, accepte);
        TFormFiche &w = Charger(OutilsGui::FichierCartes(u'F', {"|a|-", "|b a|-"}), 0);
        m_banc.dialogues->Dialogues.push_back([texte, accepte](QDialog &d) {
            static_cast<TDlgChercher &>(d).EChercher->setText(texte);
            return int(accepte ? QDialog::Accepted : QDialog::Rejected);
        });
        OutilsGui::Choisir(w, "Rechercher1");
        QVERIFY(!w.RechercheActive());
        QCOMPARE(w.IndexAffiche(), 0);
        QVERIFY(Messages().isEmpty());
        QVERIFY(!OutilsGui::BPrecedent(w)->isEnabled());
    }

    // While a search is on: Find next and Abort are shown, Next and
    // Previous stay on at the ends, and Abort closes it with its message.
    void abandon()
    {
        TFormFiche &w = Charger(OutilsGui::FichierCartes(u'F', {"|a|-", "|x|-", "|a|-"}), 0);
        Repondre(QStringLiteral("a"), {});
        OutilsGui::Choisir(w, "Rechercher1");
        QCOMPARE(w.IndexAffiche(), 2);
        OutilsGui::OuvrirMenus(w);
        QVERIFY(w.Action("Rechsuivant1")->isVisible());
        QVERIFY(w.Action("AbandonRech1")->isVisible());
        QVERIFY(w.EntreeActive("Suivante1"));
        QVERIFY(OutilsGui::BSuivant(w)->isEnabled());
        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::CTRL | Qt::Key_F3)));
        QCOMPARE(Messages(), QStringList{"info:Search completed."});
        QVERIFY(!w.RechercheActive());
        QVERIFY(!OutilsGui::BSuivant(w)->isEnabled());
        OutilsGui::OuvrirMenus(w);
        QVERIFY(!w.Action("Rechsuivant1")->isVisible());
        // Next browses again.
        OutilsGui::Choisir(w, "Precedente1");
        QCOMPARE(w.IndexAffiche(), 1);
    }

    // A match edited by the user is stored before the search moves on; an
    // incomplete one stops the step; New card ends the search.
    void editionPendantLaRecherche()
    {
        TFormFiche &w = Charger(OutilsGui::FichierCartes(u'Q', {"t0|q0|key", "t1|q1|key", "t2|q2|x"}), 2);
        Repondre(QStringLiteral("key"), {});
        OutilsGui::Choisir(w, "Rechercher1");
        QCOMPARE(w.IndexAffiche(), 0);
        OutilsGui::MReponse(w)->selectAll();
        QTest::keyClicks(OutilsGui::MReponse(w), QStringLiteral("key changed"));
        OutilsGui::Choisir(w, "Rechsuivant1");
        QCOMPARE(w.Document().Fichier()->Fiche(0).Champ2(), QStringLiteral("key changed"));
        QCOMPARE(w.IndexAffiche(), 1);
        QVERIFY(w.RechercheActive());

        OutilsGui::MQuestion(w)->selectAll();
        QTest::keyClick(OutilsGui::MQuestion(w), Qt::Key_Delete);
        OutilsGui::ETitre(w)->selectAll();
        QTest::keyClick(OutilsGui::ETitre(w), Qt::Key_Delete);
        OutilsGui::Choisir(w, "Rechsuivant1");
        QCOMPARE(w.IndexAffiche(), 1);
        QCOMPARE(Messages(), QStringList{"warning:The card is incomplete!\r\nFill it or delete it. [not OK]"});
        QVERIFY(w.RechercheActive());
        OutilsGui::Choisir(w, "Annuler1");

        OutilsGui::Choisir(w, "Nouvelle1");
        QVERIFY(!w.RechercheActive());
    }

    // The dialog itself: caption, the index-field box set for each file, the
    // previous text selected, Enter searches, Esc cancels, F1 its help.
    void dialogue()
    {
        TFormFiche &w = Charger(OutilsGui::FichierCartes(u'Q', {"t|abc|r", "u|abd|s"}), 0);
        TDlgChercher &dlg = *OutilsGui::DlgChercher(w);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Find"));
        QCOMPARE(dlg.size(), QSize(326, 200));
        QCOMPARE(dlg.CBChampUnique->text(), QStringLiteral("Search only in field \"Name\""));
        QVERIFY(!dlg.CBChampUnique->isChecked());
        QVERIFY(dlg.CBChampUnique->isEnabled());
        QVERIFY(dlg.BChercher->isDefault());

        // Typed through the dialog: Enter presses Search.
        m_banc.dialogues->Dialogues.push_back([](QDialog &d) {
            auto &c = static_cast<TDlgChercher &>(d);
            d.show();
            QTest::keyClicks(c.EChercher, QStringLiteral("abd"));
            QTest::keyClick(c.EChercher, Qt::Key_Return);
            return d.result();
        });
        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::CTRL | Qt::Key_F)));
        QCOMPARE(w.IndexAffiche(), 1);
        QVERIFY(w.RechercheActive());

        // The next time the previous text is there, all selected; Esc cancels.
        bool selectionne = false;
        m_banc.dialogues->Dialogues.push_back([&selectionne](QDialog &d) {
            auto &c = static_cast<TDlgChercher &>(d);
            d.show();
            selectionne = c.EChercher->text() == QLatin1String("abd") && c.EChercher->hasSelectedText()
                && c.EChercher->selectedText() == QLatin1String("abd");
            QTest::keyClick(&d, Qt::Key_F1);
            QTest::keyClick(c.EChercher, Qt::Key_Escape);
            return d.result();
        });
        OutilsGui::BChercher(w)->click();
        QVERIFY(selectionne);
        QCOMPARE(w.IndexAffiche(), 1);
        QVERIFY(w.RechercheActive()); // the search under way goes on
        QCOMPARE(m_banc.dialogues->Demandes.back().Sorte, QStringLiteral("aide"));
        QCOMPARE(m_banc.dialogues->Demandes.back().Aide, TDlgChercher::SujetAide);
        m_banc.dialogues->Demandes.clear();

        // A numbered file: the box is off and unticked; a Directory without
        // titles ticks it on its index field.
        TFormFiche &l = Charger(OutilsGui::FichierCartes(u'L', {"||a"}), 0);
        QVERIFY(!OutilsGui::DlgChercher(l)->CBChampUnique->isEnabled());
        QVERIFY(!OutilsGui::DlgChercher(l)->CBChampUnique->isChecked());
        TFormFiche &r = Charger(OutilsGui::FichierCartes(u'R', {"|a|b"}), 0);
        QVERIFY(OutilsGui::DlgChercher(r)->CBChampUnique->isEnabled());
        QVERIFY(OutilsGui::DlgChercher(r)->CBChampUnique->isChecked());
        QCOMPARE(OutilsGui::DlgChercher(r)->CBChampUnique->text(),
                 QStringLiteral("Search only in field \"%1\"").arg(r.Document().Fichier()->Etiquettes.Champ1()));
    }

    // A text changed between two searches is found under its new form.
    void texteModifieEntreDeuxRecherches()
    {
        TFormFiche &w = Charger(OutilsGui::FichierCartes(u'F', {"|x|-", "|Alpha|-", "|x|-"}), 0);
        Repondre(QStringLiteral("alpha"), {});
        OutilsGui::Choisir(w, "Rechercher1");
        QCOMPARE(w.IndexAffiche(), 1);
        OutilsGui::Choisir(w, "AbandonRech1");
        const QString etape = QStringLiteral("Edit card");
        w.Document().ModifierFiche(2, QString(), QStringLiteral("ALPHA bis"), QString(), false, etape);
        w.Document().ModifierFiche(1, QString(), QStringLiteral("beta"), QString(), false, etape);
        OutilsGui::Aller(w, 0);
        Messages();
        Repondre(QStringLiteral("alpha"), {});
        OutilsGui::Choisir(w, "Rechercher1");
        QCOMPARE(w.IndexAffiche(), 2);
        OutilsGui::Choisir(w, "Rechsuivant1");
        QCOMPARE(w.IndexAffiche(), 0);
        QCOMPARE(Messages(), QStringList{"error:Not found!:Failure"});
    }
};

QTEST_MAIN(TestRecherche)
#include "tst_gui_recherche.moc"
