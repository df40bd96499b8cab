// The list of cards, the clipboard, the printout of a card and the fonts of
// the editor window, driven headless with scripted answers.

#undef QT_NO_CAST_FROM_ASCII

#include "outilsgui.h"

#include "editor/impression.h"

#include "editor/fiche.h"
#include "interactionscriptee.h"
#include "editor/liste.h"
#include "model/fichierx.h"
#include "settings/init.h"

#include <QAction>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QStandardPaths>
#include <QTextDocument>
#include <QtMath>

namespace {

QStringList Elements(const TListe &liste)
{
    QStringList items;
    for (int i = 0; i < liste.Modele->rowCount(); ++i)
        items << liste.Modele->index(i, 0).data().toString();
    return items;
}

int ItemSelectionne(const TListe &liste)
{
    return liste.LBListe->currentIndex().row();
}

void Cliquer(QListView *vue, int item, bool double_ = false)
{
    const QRect cadre = vue->visualRect(vue->model()->index(item, 0));
    QTest::mouseClick(vue->viewport(), Qt::LeftButton, {}, cadre.center());
    if (double_)
        QTest::mouseDClick(vue->viewport(), Qt::LeftButton, {}, cadre.center());
}

// The text of a PDF file, as pdftotext reads it with the page layout kept.
QString TextePdf(const QString &chemin, bool *ok)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), chemin, QStringLiteral("-")});
    *ok = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The x position, in points, of the first word of each printed line.
QStringList DebutsDeLignes(const QString &chemin)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox-layout"), chemin, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    QStringList debuts;
    static const QRegularExpression ligne(QStringLiteral("<line xMin=\"([0-9.]+)\""));
    for (auto it = ligne.globalMatch(html); it.hasNext();)
        debuts << it.next().captured(1);
    return debuts;
}

} // namespace

class TestListe : public QObject
{
    Q_OBJECT

    OutilsGui::TBanc m_banc;
    QTemporaryDir &m_dossier = m_banc.dossier;

    TFormFiche &Charger(std::unique_ptr<TFichierX> f, int position) { return m_banc.Charger(std::move(f), position); }

private slots:
    void initTestCase() { m_banc.Installer(); }

    void init() { m_banc.Reinitialiser(); }

    void cleanup() { QVERIFY(m_banc.Fermer()); }

    // ------------------------------------------------------------- list

    // A notebook lists its cards newest first; its first item is its last card.
    void listeCarnet()
    {
        TFormFiche &w = Charger(OutilsGui::FichierCartes(u'N', {"|d0|a", "|d1|b", "|d2|c", "|d3|d", "|d4|e"}), 1);
        QCOMPARE(w.IndexAffiche(), 1);
        QStringList items;
        int selection = -1;
        m_banc.dialogues->Dialogues.push_back([&](QDialog &d) {
            auto &liste = static_cast<TListe &>(d);
            d.show();
            items = Elements(liste);
            selection = ItemSelectionne(liste);
            Cliquer(liste.LBListe, 0);
            QTest::keyClick(liste.LBListe, Qt::Key_Return);
            return d.result();
        });
        OutilsGui::Choisir(w, "Listedesfiches1");
        QCOMPARE(items, (QStringList{"d4", "d3", "d2", "d1", "d0"}));
        QCOMPARE(selection, 3);
        QCOMPARE(OutilsGui::Liste(w)->Decalage, 4);
        QCOMPARE(w.IndexAffiche(), 4);
        QCOMPARE(OutilsGui::MReponse(w)->toPlainText(), QStringLiteral("e"));
    }

    void listeCarnetUneCarte()
    {
        TFormFiche &w = Charger(OutilsGui::FichierCartes(u'N', {"|d0|a"}), 0);
        QStringList items;
        m_banc.dialogues->Dialogues.push_back([&](QDialog &d) {
            auto &liste = static_cast<TListe &>(d);
            d.show();
            items = Elements(liste);
            Cliquer(liste.LBListe, 0);
            return int(QDialog::Accepted);
        });
        // F12 works although the notebook hides the entry.
        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::Key_F12)));
        QCOMPARE(items, QStringList{"d0"});
        QCOMPARE(OutilsGui::Liste(w)->Decalage, 0);
        QCOMPARE(w.IndexAffiche(), 0);
    }

    // The card shown follows the selection while the list is open; how the
    // list closes decides which card stays.
    void fermeture_data()
    {
        QTest::addColumn<QString>("fin");
        QTest::addColumn<int>("attendu");
        QTest::newRow("Esc brings back the card") << "esc" << 2;
        QTest::newRow("Enter keeps the selection") << "enter" << 4;
        QTest::newRow("F12 keeps the selection") << "f12" << 4;
        QTest::newRow("close box keeps the selection") << "close" << 4;
        QTest::newRow("double click keeps the card") << "double" << 1;
    }
    void fermeture()
    {
        QFETCH(QString, fin);
        QFETCH(int, attendu);
        TFormFiche &w = Charger(OutilsGui::FichierCartes(u'Q', {"a|q|r", "b|q|r", "c|q|r", "d|q|r", "e|q|r"}), 2);
        QList<int> suivis;
        int resultat = -1;
        m_banc.dialogues->Dialogues.push_back([&](QDialog &d) {
            auto &liste = static_cast<TListe &>(d);
            d.show();
            suivis << w.IndexAffiche() << ItemSelectionne(liste);
            QTest::keyClick(liste.LBListe, Qt::Key_Down);
            suivis << w.IndexAffiche();
            QTest::keyClick(liste.LBListe, Qt::Key_Down);
            suivis << w.IndexAffiche();
            QTest::keyClick(liste.LBListe, Qt::Key_Down); // past the end: nothing moves
            suivis << w.IndexAffiche();
            if (fin == QLatin1String("esc"))
                QTest::keyClick(liste.LBListe, Qt::Key_Escape);
            else if (fin == QLatin1String("enter"))
                QTest::keyClick(liste.LBListe, Qt::Key_Enter);
            else if (fin == QLatin1String("f12"))
                QTest::keyClick(liste.LBListe, Qt::Key_F12);
            else if (fin == QLatin1String("close"))
                d.close();
            else
                Cliquer(liste.LBListe, 1, true);
            resultat = d.result();
            return resultat;
        });
        OutilsGui::Choisir(w, "Listedesfiches1");
        QCOMPARE(suivis, (QList<int>{2, 2, 3, 4, 4}));
        QVERIFY(!OutilsGui::Liste(w)->isVisible());
        QCOMPARE(w.IndexAffiche(), attendu);
        QCOMPARE(OutilsGui::ETitre(w)->text(), QString(QChar(u'a' + attendu)));
        if (fin == QLatin1String("close"))
            QCOMPARE(resultat, int(QDialog::Rejected));
        // The list no longer drives the window once closed.
        OutilsGui::Liste(w)->Selectionner(0);
        QCOMPARE(w.IndexAffiche(), attendu);
    }

    // An incomplete card keeps the list closed.
    void listeCarteIncomplete()
    {
        TFormFiche &w = Charger(OutilsGui::FichierCartes(u'Q', {"a|q|r", "b|q|r"}), 0);
        OutilsGui::MQuestion(w)->selectAll();
        QTest::keyClick(OutilsGui::MQuestion(w), Qt::Key_Delete);
        OutilsGui::Choisir(w, "Listedesfiches1");
        OutilsGui::Choisir(w, "ListeVersPressepapiers1");
        QCOMPARE(m_banc.dialogues->Messages().size(), size_t(2));
        for (const auto &d : m_banc.dialogues->Demandes)
            QVERIFY(d.Sorte != QLatin1String("dialogue"));
    }

    // The list window stands at the left of the work area, as tall as it.
    void fenetreListe()
    {
        TFormFiche &w = Charger(nullptr, 0);
        TListe &liste = *OutilsGui::Liste(w);
        QCOMPARE(liste.windowTitle(), QStringLiteral("List of cards"));
        QCOMPARE(liste.width(), 280);
        const QRect zone = liste.screen()->availableGeometry();
        liste.show();
        QCOMPARE(liste.frameGeometry().height(), zone.height());
        QCOMPARE(liste.frameGeometry().topLeft(), zone.topLeft());
        // F1 in the list shows its help.
        QTest::keyClick(liste.LBListe, Qt::Key_F1);
        QCOMPARE(m_banc.dialogues->Demandes.back().Sorte, QStringLiteral("aide"));
        QCOMPARE(m_banc.dialogues->Demandes.back().Aide, TListe::SujetAide);
        liste.hide();
    }

    // 100,000 cards: the list is a view over the file, not an item per card,
    // and it follows the arrow keys.
    void grandeListe()
    {
        auto f = std::make_unique<TFichierX>(u'Q', u'x');
        f->Reserver(100000);
        for (int i = 0; i < 100000; ++i)
            f->AjouterFiche(QStringLiteral("card %1").arg(i), QStringLiteral("q"), QStringLiteral("r"));
        f->Modifie = false;
        TFormFiche &w = Charger(std::move(f), 99998);
        QVERIFY(!OutilsGui::Liste(w)->findChild<QListWidget *>());
        QString dernier;
        m_banc.dialogues->Dialogues.push_back([&](QDialog &d) {
            auto &liste = static_cast<TListe &>(d);
            d.show();
            QTest::keyClick(liste.LBListe, Qt::Key_Down);
            dernier = liste.LBListe->currentIndex().data().toString();
            QTest::keyClick(liste.LBListe, Qt::Key_Home);
            QTest::keyClick(liste.LBListe, Qt::Key_Escape);
            return d.result();
        });
        OutilsGui::Choisir(w, "Listedesfiches1");
        QCOMPARE(OutilsGui::Liste(w)->Modele->rowCount(), 100000);
        QCOMPARE(dernier, QStringLiteral("card 99999"));
        QCOMPARE(w.IndexAffiche(), 99998);
    }

    // ------------------------------------------------------------- clipboard

    void carteVersPressePapiers_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QString>("carte");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("with a title") << QChar(u'Q') << "T|Q|A"
                                      << "T\r\n\r\nQ\r\n\r\nA";
        QTest::newRow("empty title adds nothing") << QChar(u'Q') << "|Q|A"
                                                  << "Q\r\n\r\nA";
        QTest::newRow("numbered, no title") << QChar(u'L') << "T|Q|A"
                                            << "A";
        QTest::newRow("no titles: the file title is not copied") << QChar(u'F') << "T|Q|A"
                                                                 << "Q\r\n\r\nA";
        QTest::newRow("line breaks") << QChar(u'Q') << "T|Q1\r\nQ2|A1\r\nA2"
                                     << "T\r\n\r\nQ1\r\nQ2\r\n\r\nA1\r\nA2";
    }
    void carteVersPressePapiers()
    {
        QFETCH(QChar, type);
        QFETCH(QString, carte);
        QFETCH(QString, attendu);
        auto f = OutilsGui::FichierCartes(type, {carte});
        f->Titre = QStringLiteral("File title");
        TFormFiche &w = Charger(std::move(f), 0);
        QGuiApplication::clipboard()->clear();
        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::CTRL | Qt::Key_Insert)));
        QCOMPARE(QGuiApplication::clipboard()->text(), attendu);
    }

    // "Paste as new card" after a copy of a card, of the list, or a text from
    // elsewhere: the new cards come after the one shown (in order in an
    // alphabetical file), the last one shown.
    void collerCommeNouvelleFiche_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QStringList>("cartes");
        QTest::addColumn<QString>("copie"); // "card", "list", or the clipboard's text
        QTest::addColumn<QStringList>("attendu");
        QTest::addColumn<int>("montre");
        QTest::newRow("card copy") << QChar(u'Q') << QStringList{"T|Q|A", "U|R|B"} << "card"
                                   << QStringList{"T|Q|A", "T|Q|A", "U|R|B"} << 1;
        // The fields come back whole, empty lines inside them included.
        QTest::newRow("card with empty lines")
            << QChar(u'Q') << QStringList{"T|Q1\r\n\r\nQ2|A1\r\n\r\nA2"} << "card"
            << QStringList{"T|Q1\r\n\r\nQ2|A1\r\n\r\nA2", "T|Q1\r\n\r\nQ2|A1\r\n\r\nA2"} << 1;
        QTest::newRow("list copy") << QChar(u'F') << QStringList{"|a|1", "|b|2"} << "list"
                                   << QStringList{"|a|1", "|a|1", "|b|2", "|b|2"} << 2;
        QTest::newRow("numbered card copy")
            << QChar(u'L') << QStringList{"|x|one", "|x|two"} << "card" << QStringList{"||one", "||one", "||two"} << 1;
        QTest::newRow("text: title, question, answer")
            << QChar(u'Q') << QStringList{"T|Q|A"} << "Title\r\n\r\nQuestion\r\n\r\nAnswer 1\r\n\r\nAnswer 2\r\n"
            << QStringList{"T|Q|A", "Title|Question|Answer 1\r\n\r\nAnswer 2"} << 1;
        QTest::newRow("text: question and answer")
            << QChar(u'Q') << QStringList{"T|Q|A"} << "Question\nline 2\n\nAnswer"
            << QStringList{"T|Q|A", "|Question\r\nline 2|Answer"} << 1;
        QTest::newRow("text: one card a line") << QChar(u'F') << QStringList{"|a|1"} << "x\ny\n\n"
                                               << QStringList{"|a|1", "|x|", "|y|"} << 2;
        QTest::newRow("text: numbered items")
            << QChar(u'L') << QStringList{"|x|one"} << "two\r\nthree" << QStringList{"||one", "||two", "||three"} << 2;
        QTest::newRow("alphabetical: put in order") << QChar(u'R') << QStringList{"|b|1", "|d|2"} << "c\r\n\r\nbody"
                                                    << QStringList{"|b|1", "|c|body", "|d|2"} << 1;
        QTest::newRow("nothing to paste")
            << QChar(u'Q') << QStringList{"T|Q|A"} << " \r\n " << QStringList{"T|Q|A"} << 0;
        QTest::newRow("text: one line is a question")
            << QChar(u'Q') << QStringList{"T|Q|A"} << "\r\n\r\n\r\nanswer" << QStringList{"T|Q|A", "|answer|"} << 1;
    }
    void collerCommeNouvelleFiche()
    {
        QFETCH(QChar, type);
        QFETCH(QStringList, cartes);
        QFETCH(QString, copie);
        QFETCH(QStringList, attendu);
        QFETCH(int, montre);
        TFormFiche &w = Charger(OutilsGui::FichierCartes(type, cartes), 0);
        if (copie == "card")
            OutilsGui::Choisir(w, "PressePapiers1");
        else if (copie == "list")
            OutilsGui::Choisir(w, "ListeVersPressepapiers1");
        else
            QGuiApplication::clipboard()->setText(copie);
        QVERIFY(OutilsGui::Actif(w, "CollerFiche1"));
        OutilsGui::Choisir(w, "CollerFiche1");
        QStringList vu;
        for (int i = 0; i < w.Document().Fichier()->NombreFiches(); ++i) {
            const TFicheX &fiche = w.Document().Fichier()->Fiche(i);
            vu << fiche.Champ0() + u'|' + fiche.Champ1() + u'|' + fiche.Champ2();
        }
        QCOMPARE(vu, attendu);
        QCOMPARE(w.IndexAffiche(), montre);
        QCOMPARE(w.Document().EstModifie(), attendu != cartes);
        // Nothing pasted is said, never silent.
        QCOMPARE(int(m_banc.dialogues->Messages().size()), attendu == cartes ? 1 : 0);
    }

    // What is shown is copied, edits not validated included; nothing is stored.
    void carteModifieeVersPressePapiers()
    {
        TFormFiche &w = Charger(OutilsGui::FichierCartes(u'Q', {"T|Q|A"}), 0);
        OutilsGui::MReponse(w)->selectAll();
        QTest::keyClicks(OutilsGui::MReponse(w), QStringLiteral("new"));
        OutilsGui::Choisir(w, "PressePapiers1");
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("T\r\n\r\nQ\r\n\r\nnew"));
        QCOMPARE(w.Document().Fichier()->Fiche(0).Champ2(), QStringLiteral("A"));
        QVERIFY(w.FicheEditee());
    }

    void listeVersPressePapiers_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("titles") << QChar(u'Q') << "one\r\ntwo\r\n# 3\r\nfour\r\n";
        QTest::newRow("index field") << QChar(u'E') << "q1\r\nq2\r\n# 3\r\nq4\r\n";
    }
    void listeVersPressePapiers()
    {
        QFETCH(QChar, type);
        QFETCH(QString, attendu);
        TFormFiche &w = Charger(OutilsGui::FichierCartes(type, {"one|q1|a", "two|q2|b", "||c", "four|q4|d"}), 3);
        // An edit of the card shown is stored first.
        OutilsGui::ETitre(w)->selectAll();
        QTest::keyClicks(OutilsGui::ETitre(w), QStringLiteral("four"));
        OutilsGui::MQuestion(w)->selectAll();
        QTest::keyClicks(OutilsGui::MQuestion(w), QStringLiteral("q4"));
        OutilsGui::Choisir(w, "ListeVersPressepapiers1");
        QCOMPARE(QGuiApplication::clipboard()->text(), attendu);
        QVERIFY(!w.FicheEditee());
        // The list shows the same captions.
        QStringList items;
        m_banc.dialogues->Dialogues.push_back([&](QDialog &d) {
            items = Elements(static_cast<TListe &>(d));
            return int(QDialog::Accepted);
        });
        OutilsGui::Choisir(w, "Listedesfiches1");
        QCOMPARE(items.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), attendu);
    }

    // ------------------------------------------------------------- printing

    void imprimer()
    {
        Parametres.foname = QStringLiteral("DejaVu Sans Mono");
        QStringList reponse;
        for (int i = 1; i <= 150; ++i)
            reponse << QStringLiteral("answer line %1").arg(i);
        const QString long_ = QStringLiteral("long ") + QString(60, u'w') + u' ' + QString(60, u'v') + u' '
            + QString(60, u'u');
        TFormFiche &w = Charger(
            OutilsGui::FichierCartes(
                u'Q', {"The title|The question\r\n" + long_ + "|" + reponse.join(QStringLiteral("\r\n"))}),
            0);
        const QString pdf = m_dossier.filePath(QStringLiteral("card.pdf"));
        m_banc.dialogues->Impressions.push_back(true);
        m_banc.dialogues->FichierImpression = pdf;
        QVERIFY(w.ActiverRaccourci(QKeySequence(Qt::CTRL | Qt::Key_P)));
        QVERIFY(QFileInfo::exists(pdf));

        // The lines as the fields display them, each after six spaces.
        const QStringList lignes = Impression::LignesFiche(OutilsGui::ETitre(w)->text(), OutilsGui::MQuestion(w),
                                                           OutilsGui::MReponse(w));
        QCOMPARE(lignes.at(0), QStringLiteral("      The title"));
        QCOMPARE(lignes.at(1), QString());
        QCOMPARE(lignes.at(2), QStringLiteral("      The question"));
        const int vide = int(lignes.indexOf(QString(), 2));
        QVERIFY(vide > 4); // the long paragraph is wrapped as the memo shows it
        QString rejoint;
        for (int i = 3; i < vide; ++i) {
            QVERIFY(lignes.at(i).startsWith(QStringLiteral("      ")));
            rejoint += lignes.at(i).mid(6);
        }
        QCOMPARE(rejoint, long_);
        QCOMPARE(lignes.size(), vide + 1 + 150);
        QCOMPARE(lignes.last(), QStringLiteral("      answer line 150"));

        // The PDF holds them in order, over several pages.
        bool ok = false;
        const QString texte = TextePdf(pdf, &ok);
        QVERIFY2(ok, "pdftotext (poppler-utils) reads the printout");
        QVERIFY(texte.count(u'\f') >= 2);
        qsizetype position = texte.indexOf(QStringLiteral("The title"));
        QVERIFY(position >= 0);
        for (const QString &cherche : {QStringLiteral("The question"), QStringLiteral("answer line 1\n"),
                                       QStringLiteral("answer line 2\n"), QStringLiteral("answer line 150")}) {
            const qsizetype suivante = texte.indexOf(cherche, position);
            QVERIFY2(suivante > position, qPrintable(cherche));
            position = suivante;
        }

        // Each line starts six spaces of the fields font after the margin.
        QPrinter reference;
        reference.setOutputFormat(QPrinter::PdfFormat);
        // At least the usual 20 mm on the left, whatever the printer's own margin.
        const double marge = qMax(reference.pageLayout().paintRect(QPageLayout::Point).left(), 20 * 72 / 25.4);
        const double espaces = 6 * QFontMetricsF(OutilsGui::MReponse(w)->font()).horizontalAdvance(u' ') * 72.0
            / QFontMetricsF(OutilsGui::MReponse(w)->font()).fontDpi();
        const QStringList debuts = DebutsDeLignes(pdf);
        QCOMPARE(debuts.size(), lignes.size() - 2); // the two empty lines print nothing
        for (const QString &d : debuts)
            QVERIFY2(qAbs(d.toDouble() - marge - espaces) < 1.5,
                     qPrintable(QStringLiteral("%1 for %2 + %3").arg(d).arg(marge).arg(espaces)));
    }

    // The pages hold the lines in order, as many as fit.
    void pagination()
    {
        QStringList lignes;
        for (int i = 0; i < 400; ++i)
            lignes << QStringLiteral("      line %1").arg(i);
        QPrinter imprimante;
        imprimante.setOutputFormat(QPrinter::PdfFormat);
        imprimante.setOutputFileName(m_dossier.filePath(QStringLiteral("pages.pdf")));
        const QList<QStringList> pages = Impression::ImprimerLignes(
            imprimante, QFont(QStringLiteral("DejaVu Sans Mono"), 10), lignes);
        QVERIFY(pages.size() >= 3);
        QStringList toutes;
        for (const QStringList &p : pages) {
            QVERIFY(!p.isEmpty());
            toutes += p;
        }
        QCOMPARE(toutes, lignes);
        QVERIFY(pages.first().size() >= pages.last().size());
    }

    // Cards printed one after the other: a card is cut over two pages only
    // when it is longer than a page; the others start a new page when the
    // rest of one cannot hold them, and never sooner.
    void paginationParFiche()
    {
        const QList<int> tailles{5, 40, 40, 500, 2, 30, 30, 30};
        QList<QStringList> blocs;
        QStringList toutes;
        for (int b = 0; b < tailles.size(); ++b) {
            QStringList bloc;
            for (int l = 0; l < tailles.at(b); ++l)
                bloc << QStringLiteral("      card %1 line %2").arg(b).arg(l);
            blocs << bloc;
            toutes += bloc;
        }
        QPrinter imprimante;
        imprimante.setOutputFormat(QPrinter::PdfFormat);
        imprimante.setOutputFileName(m_dossier.filePath(QStringLiteral("cards.pdf")));
        const QList<QStringList> pages = Impression::ImprimerBlocs(
            imprimante, QFont(QStringLiteral("DejaVu Sans Mono"), 10), blocs);
        QStringList lues;
        int capacite = 0;
        for (const QStringList &p : pages) {
            lues += p;
            capacite = qMax(capacite, int(p.size()));
        }
        QCOMPARE(lues, toutes);
        QVERIFY(capacite < 500); // the long card goes over pages
        const auto carte = [](const QString &ligne) { return ligne.section(u' ', 7, 7).toInt(); };
        for (int i = 0; i < pages.size(); ++i) {
            for (const QString &ligne : pages.at(i)) {
                const int b = carte(ligne);
                if (tailles.at(b) <= capacite)
                    QVERIFY2(pages.at(i).contains(blocs.at(b).first()) && pages.at(i).contains(blocs.at(b).last()),
                             qPrintable(ligne));
            }
            // A new page only for a card that did not fit in the rest of this one.
            if (i + 1 < pages.size()) {
                const int suivante = carte(pages.at(i + 1).first());
                if (pages.at(i + 1).first() == blocs.at(suivante).first() && tailles.at(suivante) <= capacite)
                    QVERIFY(pages.at(i).size() + tailles.at(suivante) > capacite);
            }
        }
    }

    // "Print all cards": every card in order, the edit of the card shown
    // stored first, with the card printout's defaults.
    void imprimerTout()
    {
        QStringList longue;
        for (int i = 1; i <= 80; ++i)
            longue << QStringLiteral("line %1").arg(i);
        TFormFiche &w = Charger(
            OutilsGui::FichierCartes(u'Q', {"First|Q1|A1", "Second|Q2|" + longue.join("\r\n"), "Third|Q3|A3"}), 1);
        OutilsGui::Taper(OutilsGui::MQuestion(w), QStringLiteral("Q2 edited"));
        const QString pdf = m_dossier.filePath(QStringLiteral("all.pdf"));
        m_banc.dialogues->Impressions.push_back(true);
        m_banc.dialogues->FichierImpression = pdf;
        QVERIFY(OutilsGui::Actif(w, "ImprimerTout1"));
        OutilsGui::Choisir(w, "ImprimerTout1");
        QVERIFY(m_banc.dialogues->Messages().empty());
        QVERIFY(!w.FicheEditee());
        QCOMPARE(w.Document().Fichier()->Fiche(1).Champ1(), QStringLiteral("Q2 edited"));
        QCOMPARE(m_banc.dialogues->Demandes.back().Texte, QStringLiteral("test"));
        bool ok = false;
        const QString texte = TextePdf(pdf, &ok);
        QVERIFY2(ok, "pdftotext (poppler-utils) reads the printout");
        QVERIFY(texte.count(u'\f') >= 2);
        qsizetype position = -1;
        for (const char *cherche :
             {"First", "Q1", "A1", "Second", "Q2 edited", "line 1\n", "line 80", "Third", "Q3", "A3"}) {
            const qsizetype suivante = texte.indexOf(cherche, position + 1);
            QVERIFY2(suivante > position, qPrintable(cherche));
            position = suivante;
        }
        // The third card does not share the long card's last page when it
        // cannot fit there: it is whole on one page.
        const QStringList pagesPdf = texte.split(u'\f');
        int pageTroisieme = -1;
        for (int i = 0; i < pagesPdf.size(); ++i)
            if (pagesPdf.at(i).contains("Third"))
                pageTroisieme = i;
        QVERIFY(pageTroisieme >= 0 && pagesPdf.at(pageTroisieme).contains("A3"));
    }

    // The print dialog proposes the document's name; a line wider than the
    // page, the title's too, wraps instead of running off it.
    void impressionNomEtRetour()
    {
        TFormFiche &w = Charger(OutilsGui::FichierCartes(u'Q', {QString(300, u'x') + "|Q|A"}), 0);
        const QString dossier = m_dossier.filePath(QStringLiteral("doc"));
        QDir().mkpath(dossier);
        w.Document().Lier(dossier + QStringLiteral("/q.xaqq"));
        const QString pdf = m_dossier.filePath(QStringLiteral("wrapped.pdf"));
        m_banc.dialogues->Impressions.push_back(true);
        m_banc.dialogues->FichierImpression = pdf;
        OutilsGui::Choisir(w, "Imprimer1");
        const auto &demande = m_banc.dialogues->Demandes.back();
        QCOMPARE(demande.Sorte, QStringLiteral("imprimer"));
        QCOMPARE(demande.Texte, QStringLiteral("q"));
        if (QPrinterInfo::availablePrinterNames().isEmpty())
            QCOMPARE(demande.NomPropose, dossier + QStringLiteral("/q.pdf"));
        QVERIFY(m_banc.dialogues->Messages().empty());

        QPrinter imprimante;
        imprimante.setOutputFormat(QPrinter::PdfFormat);
        imprimante.setOutputFileName(m_dossier.filePath(QStringLiteral("wrap2.pdf")));
        const QString longue = QStringLiteral("      ") + QString(400, u'w');
        const QList<QStringList> pages = Impression::ImprimerLignes(
            imprimante, QFont(QStringLiteral("DejaVu Sans Mono"), 10), {longue, QStringLiteral("      end")});
        QCOMPARE(pages.size(), 1);
        QVERIFY(pages.first().size() > 3);
        QString rejoint;
        for (int i = 0; i + 1 < pages.first().size(); ++i) {
            QVERIFY(pages.first().at(i).startsWith(QStringLiteral("      ")));
            rejoint += pages.first().at(i).mid(6);
        }
        QCOMPARE(rejoint, longue.mid(6));
    }

    void impressionAnnulee()
    {
        TFormFiche &w = Charger(OutilsGui::FichierCartes(u'Q', {"T|Q|A"}), 0);
        const QString pdf = m_dossier.filePath(QStringLiteral("cancelled.pdf"));
        m_banc.dialogues->Impressions.push_back(false);
        m_banc.dialogues->FichierImpression = pdf;
        OutilsGui::Choisir(w, "Imprimer1");
        QVERIFY(!QFileInfo::exists(pdf));
        QVERIFY(m_banc.dialogues->Messages().empty());
    }

    // A printer that cannot take the job says so; nothing else changes.
    void impressionEnEchec()
    {
        TFormFiche &w = Charger(OutilsGui::FichierCartes(u'Q', {"T|Q|A"}), 0);
        m_banc.dialogues->Impressions.push_back(true);
        m_banc.dialogues->FichierImpression = m_dossier.filePath(QStringLiteral("missing/folder/card.pdf"));
        OutilsGui::Choisir(w, "Imprimer1");
        const auto messages = m_banc.dialogues->Messages();
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages.front().GenreMessage, TInteraction::Erreur);
        QVERIFY2(messages.front().Texte.contains(QStringLiteral("No such file or directory")),
                 qPrintable(messages.front().Texte));
        // A full disk: the system's own message.
        if (QFileInfo(QStringLiteral("/dev/full")).exists()) {
            m_banc.dialogues->Oublier();
            m_banc.dialogues->Impressions.push_back(true);
            m_banc.dialogues->FichierImpression = QStringLiteral("/dev/full");
            OutilsGui::Choisir(w, "Imprimer1");
            const auto plein = m_banc.dialogues->Messages();
            QCOMPARE(plein.size(), size_t(1));
            QVERIFY2(plein.front().Texte.contains(QStringLiteral("No space left on device")),
                     qPrintable(plein.front().Texte));
        }
        QCOMPARE(w.IndexAffiche(), 0);
        QVERIFY(!w.Document().Fichier()->Modifie);
    }

    // ------------------------------------------------------------- fonts

    void policeChamps()
    {
        TFormFiche &w = Charger(OutilsGui::FichierCartes(u'R', {"|a|b"}), 0);
        // The font dialog comes preset with the stored font.
        m_banc.dialogues->Polices.push_back(QFont(QStringLiteral("DejaVu Serif"), 14));
        const QString montree = QFontInfo(OutilsGui::ETitre(w)->font()).family();
        OutilsGui::Choisir(w, "Champs1");
        // The stored font is missing here: the dialog opens on the one the fields show.
        QCOMPARE(m_banc.dialogues->Demandes.back().Texte, montree);
        QVERIFY(QFontDatabase::hasFamily(m_banc.dialogues->Demandes.back().Texte));
        QVERIFY(w.ReglagesAEcrire());
        QCOMPARE(Parametres.foname, QStringLiteral("DejaVu Serif"));
        QCOMPARE(Parametres.fosize, 14);
        for (QWidget *champ :
             {static_cast<QWidget *>(OutilsGui::ETitre(w)), static_cast<QWidget *>(OutilsGui::MQuestion(w)),
              static_cast<QWidget *>(OutilsGui::MReponse(w))})
            QCOMPARE(champ->font().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(OutilsGui::MReponse(w)->font().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(OutilsGui::MReponse(w)->font().pointSize(), 14);
        // A one-line question row follows the new font: the title field's
        // height, and the whole of the memo's line.
        QVERIFY(OutilsGui::Splitter1(w)->sizes().constFirst() >= OutilsGui::ETitre(w)->sizeHint().height());
        QVERIFY(OutilsGui::MQuestion(w)->viewport()->height() >= OutilsGui::MQuestion(w)->fontMetrics().lineSpacing()
                    + 2 * qCeil(OutilsGui::MQuestion(w)->document()->documentMargin()));

        m_banc.dialogues->Polices.push_back(QFont(QStringLiteral("DejaVu Sans"), 9));
        const QString listeMontree = QFontInfo(OutilsGui::Liste(w)->LBListe->font()).family();
        OutilsGui::Choisir(w, "Liste1");
        // "MS Reference Sans Serif" is missing here too: the list's real font.
        QCOMPARE(m_banc.dialogues->Demandes.back().Texte, listeMontree);
        QCOMPARE(Parametres.lstfon, QStringLiteral("DejaVu Sans"));
        QCOMPARE(Parametres.lstfos, 9);
        QCOMPARE(OutilsGui::Liste(w)->LBListe->font().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(OutilsGui::ETitre(w)->font().family(), QStringLiteral("DejaVu Serif"));
    }

    // A font is written at exit only when it was changed in this run.
    void policeMemorisee_data()
    {
        QTest::addColumn<bool>("choisie");
        QTest::newRow("changed") << true;
        QTest::newRow("dialog cancelled") << false;
    }
    void policeMemorisee()
    {
        QFETCH(bool, choisie);
        const QString ini = m_dossier.filePath(QStringLiteral("settings.ini"));
        QFile::remove(ini);
        TFormFiche &w = Charger(nullptr, 0);
        if (choisie)
            m_banc.dialogues->Polices.push_back(QFont(QStringLiteral("DejaVu Sans Mono"), 11));
        w.Action("Champs1")->trigger();
        if (!choisie) {
            // The unscripted font dialog was cancelled.
            QCOMPARE(m_banc.dialogues->Imprevus, 1);
            m_banc.dialogues->Imprevus = 0;
        }
        QCOMPARE(w.ReglagesAEcrire(), choisie);
        EcrireParametres(w.ReglagesAEcrire());
        {
            QSettings s(ini, QSettings::IniFormat);
            QCOMPARE(s.contains(QStringLiteral("foname")), choisie);
        }
        ParametresParDefaut();
        LireParametres();
        QCOMPARE(Parametres.foname,
                 choisie ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("Lucida Sans Typewriter"));
        QCOMPARE(Parametres.fosize, choisie ? 11 : 10);
    }

    // A named font the system lacks leaves the fields in a fixed-pitch face.
    void policeAbsente()
    {
        Parametres.foname = QStringLiteral("No Such Font At All");
        TFormFiche &w = Charger(OutilsGui::FichierCartes(u'Q', {"T|Q|A"}), 0);
        for (const QFont &police :
             {OutilsGui::MReponse(w)->font(), OutilsGui::ETitre(w)->font(), OutilsGui::MQuestion(w)->font()}) {
            const QFontMetrics mesures(police);
            QCOMPARE(mesures.horizontalAdvance(u'i'), mesures.horizontalAdvance(u'W'));
        }
        QCOMPARE(OutilsGui::MReponse(w)->font().pointSize(), 10);
        // The stored name stays the user's.
        QCOMPARE(Parametres.foname, QStringLiteral("No Such Font At All"));
    }
};

QTEST_MAIN(TestListe)
#include "tst_gui_liste.moc"
