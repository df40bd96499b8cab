// The document under the window: every change one step, undone to the
// bytes the file held before it, redone to the bytes after it.
#include "document/document.h"
#include "formats/fiches/natif.h"
#include "formats/fiches/xml.h"
#include "outilstest.h"

#include <QSignalSpy>

namespace {

std::unique_ptr<TFichierX> Fichier(QChar type, QChar format, const QStringList &questions)
{
    auto f = std::make_unique<TFichierX>(type, format);
    f->InitialiserNouveau(TOptions());
    for (const QString &q : questions)
        f->AjouterFiche(QStringLiteral("t ") + q, q, QStringLiteral("answer ") + q);
    f->Modifie = false;
    return f;
}

// The file as its own format writes it, and as XML.
QByteArray Octets(const TDocument &d)
{
    const TFichierX &f = *d.Fichier();
    return (f.FormatFichier == u'n' ? TFichierNatif::EcrireNatif(f) : QByteArray()) + d.OctetsXml();
}

} // namespace

class TestDocument : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dossier;

    // The document as saved in the temporary folder: its history is at the saved step.
    void Enregistrer(TDocument &d, const QString &nom)
    {
        const QChar format = d.Fichier()->FormatFichier;
        d.Enregistrer(m_dossier.filePath(nom), format, true, false, TOptions());
    }

private slots:
    void initTestCase()
    {
        OutilsTest::IsolerParametres(m_dossier);
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    }

    void init() { ParametresParDefaut(); }

    void etapes_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QChar>("format");
        QTest::addColumn<QString>("commande");
        QTest::addColumn<QString>("nom");
        QTest::addColumn<int>("montree"); // the card undo shows

        const auto ligne = [](const char *cas, char type, char format, const char *commande, const char *nom,
                              int montree) {
            QTest::newRow(cas) << QChar(QLatin1Char(type)) << QChar(QLatin1Char(format))
                               << QString::fromLatin1(commande) << QString::fromLatin1(nom) << montree;
        };
        ligne("edit", 'Q', 'x', "modifier", "Edit card", 1);
        ligne("edit native", 'Q', 'n', "modifier", "Edit card", 1);
        ligne("edit moves in order", 'D', 'x', "modifierTrie", "Edit card", 0);
        ligne("new card", 'Q', 'x', "nouvelle", "New card", 2);
        ligne("insert card", 'Q', 'n', "inserer", "Insert card", 0);
        ligne("new card in order", 'D', 'x', "nouvelleTriee", "New card", 0);
        ligne("delete", 'Q', 'x', "supprimer", "Delete card", 1);
        ligne("delete last", 'Q', 'n', "supprimerDerniere", "Cut", 2);
        ligne("paste", 'Q', 'x', "coller", "Paste", 0);
        ligne("paste over a card", 'Q', 'x', "remplacer", "Paste", 2);
        ligne("sort", 'Q', 'x', "trier", "Sort", -1);
        ligne("switch fields", 'Q', 'n', "permuter", "Switch fields", -1);
        ligne("header", 'Q', 'x', "entete", "Header", -1);
        ligne("options", 'Q', 'n', "options", "Options", -1);
        ligne("labels", 'Q', 'x', "etiquettes", "Labels", -1);
        ligne("style sheet, same name", 'Q', 'x', "feuille", "Style sheet", -1);
        ligne("canvas", 'Q', 'x', "canevas", "Canvas", -1);
        ligne("type", 'L', 'x', "type", "Type", -1);
    }

    void etapes()
    {
        QFETCH(QChar, type);
        QFETCH(QChar, format);
        QFETCH(QString, commande);
        QFETCH(QString, nom);
        QFETCH(int, montree);

        TDocument d;
        const QStringList questions = TFichierX::EstTypeAlphabetique(type)
            ? QStringList{QStringLiteral("b"), QStringLiteral("d"), QStringLiteral("f")}
            : QStringList{QStringLiteral("zeta"), QStringLiteral("alpha"), QStringLiteral("mu")};
        d.Charger(Fichier(type, format, questions));
        Enregistrer(d, QStringLiteral("etape.") + QString(format));
        QVERIFY(!d.EstModifie());
        const QByteArray avant = Octets(d);
        QSignalSpy modifie(&d, &TDocument::modifieChange);

        const QString x = QStringLiteral("x");
        if (commande == QLatin1String("modifier")) {
            QCOMPARE(d.ModifierFiche(1, x, QStringLiteral("beta"), QStringLiteral("B"), false, nom), 1);
        } else if (commande == QLatin1String("modifierTrie")) {
            QCOMPARE(d.ModifierFiche(0, x, QStringLiteral("e"), QStringLiteral("E"), true, nom), 1);
            QCOMPARE(d.Fichier()->Fiche(1).Champ1(), QStringLiteral("e"));
        } else if (commande == QLatin1String("nouvelle") || commande == QLatin1String("inserer")
                   || commande == QLatin1String("nouvelleTriee")) {
            const int position = commande == QLatin1String("inserer") ? 0 : -1;
            const int provisoire = d.InsererFicheProvisoire(position);
            QVERIFY(!d.EstModifie()); // shown, not yet a change
            QVERIFY(!d.PeutDefaire());
            const QString q = commande == QLatin1String("nouvelleTriee") ? QStringLiteral("a") : QStringLiteral("nu");
            const int place = d.ValiderFicheProvisoire(x, q, QStringLiteral("N"),
                                                       commande == QLatin1String("nouvelleTriee"), nom);
            QCOMPARE(place, commande == QLatin1String("nouvelleTriee") ? 0 : provisoire);
            QCOMPARE(d.Fichier()->Fiche(place).Champ1(), q);
        } else if (commande == QLatin1String("supprimer")) {
            d.SupprimerFiche(1, nom);
        } else if (commande == QLatin1String("supprimerDerniere")) {
            d.SupprimerFiche(2, nom);
        } else if (commande == QLatin1String("coller")) {
            d.InsererFiches(0, {TFicheX(x, QStringLiteral("p1"), x), TFicheX(x, QStringLiteral("p2"), x)}, nom);
            QCOMPARE(d.Fichier()->NombreFiches(), 5);
        } else if (commande == QLatin1String("remplacer")) {
            d.RemplacerFiche(2, TFicheX(x, QStringLiteral("pasted"), x), nom);
        } else if (commande == QLatin1String("trier")) {
            d.Trier(nom);
            QCOMPARE(d.Fichier()->Fiche(0).Champ1(), QStringLiteral("alpha"));
        } else if (commande == QLatin1String("permuter")) {
            d.PermuterChamps(nom);
        } else if (commande == QLatin1String("entete")) {
            d.ModifierProprietes(nom, [](TFichierX &f) { f.SetTitre(QStringLiteral(" Title ")); });
        } else if (commande == QLatin1String("options")) {
            d.ModifierProprietes(nom, [](TFichierX &f) { f.Temps = 42; });
        } else if (commande == QLatin1String("etiquettes")) {
            d.ModifierProprietes(nom, [](TFichierX &f) { f.SetEtiquettes(QStringLiteral("a"), {}, {}); });
        } else if (commande == QLatin1String("feuille")) {
            d.ModifierProprietes(
                nom, [](TFichierX &f) { f.FeuilleStyle = QString(f.FeuilleStyle); }, true);
        } else if (commande == QLatin1String("canevas")) {
            d.ModifierProprietes(nom, [](TFichierX &f) { f.SetCanevas(QStringLiteral("t"), {}, QStringLiteral("c")); });
        } else if (commande == QLatin1String("type")) {
            d.ModifierProprietes(nom, [](TFichierX &f) { f.TypeFichier = u'N'; });
        } else {
            QFAIL("unknown command");
        }
        const QByteArray apres = Octets(d);
        QVERIFY(d.EstModifie());
        QVERIFY(d.Fichier()->Modifie);
        QCOMPARE(modifie.count(), 1);
        QCOMPARE(d.Pile().count(), 1);
        QCOMPARE(d.Pile().undoText(), nom);
        if (commande != QLatin1String("feuille"))
            QVERIFY(apres != avant);

        QSignalSpy montree0(&d, &TDocument::ficheAMontrer);
        d.Defaire();
        QCOMPARE(Octets(d), avant);
        QVERIFY(!d.EstModifie()); // back to the saved step
        QVERIFY(!d.Fichier()->Modifie);
        QCOMPARE(modifie.count(), 2);
        QCOMPARE(montree0.count(), 1);
        QCOMPARE(montree0.at(0).at(0).toInt(), montree);
        QCOMPARE(d.Pile().redoText(), nom);

        d.Refaire();
        QCOMPARE(Octets(d), apres);
        QVERIFY(d.EstModifie());

        // Saved after the step, then undone: modified again, and saving
        // kept the history.
        Enregistrer(d, QStringLiteral("apres.") + QString(format));
        QVERIFY(!d.EstModifie());
        QVERIFY(d.PeutDefaire());
        d.Defaire();
        QVERIFY(d.EstModifie());
        QCOMPARE(Octets(d), avant);
    }

    // What is not a step: a dialog's OK that changes nothing, a card stored
    // as it was, a new card dropped before its validation.
    void pasDEtape()
    {
        TDocument d;
        d.Charger(Fichier(u'Q', u'x', {QStringLiteral("a"), QStringLiteral("b")}));
        const QByteArray avant = Octets(d);
        d.ModifierProprietes(QStringLiteral("Header"), [](TFichierX &f) { f.SetTitre(f.Titre); });
        QCOMPARE(d.ModifierFiche(0, QStringLiteral("t a"), QStringLiteral("a"), QStringLiteral("answer a"), false,
                                 QStringLiteral("Edit card")),
                 0);
        d.InsererFicheProvisoire(1);
        QCOMPARE(d.Fichier()->NombreFiches(), 3);
        d.AbandonnerFicheProvisoire();
        QCOMPARE(d.Pile().count(), 0);
        QVERIFY(!d.EstModifie());
        QCOMPARE(Octets(d), avant);
    }

    // An import is modified though no step made it: undoing everything
    // leaves it modified; opening another file or closing empties the history.
    void modifieHorsPileEtFermeture()
    {
        TDocument d;
        auto f = Fichier(u'Q', u'x', {QStringLiteral("a")});
        f->Modifie = true;
        d.Charger(std::move(f));
        QVERIFY(d.EstModifie());
        d.SupprimerFiche(0, QStringLiteral("Delete card"));
        d.Defaire();
        QVERIFY(d.EstModifie());
        d.Charger(Fichier(u'Q', u'x', {QStringLiteral("a")}));
        QCOMPARE(d.Pile().count(), 0);
        QVERIFY(!d.EstModifie());
        d.SupprimerFiche(0, QStringLiteral("Delete card"));
        d.Fermer();
        QCOMPARE(d.Pile().count(), 0);
        QVERIFY(!d.EstModifie());
        QVERIFY(!d.PeutDefaire());
    }

    // The history is bounded in steps, and a step over a large file keeps
    // no copy of it.
    void bornes()
    {
        TDocument d;
        QStringList questions;
        for (int i = 0; i < 100000; ++i)
            questions << QString::number(99999 - i);
        d.Charger(Fichier(u'Q', u'x', questions));
        d.PermuterChamps(QStringLiteral("Switch fields"));
        QCOMPARE(d.MemoireHistorique(), 0);
        d.Trier(QStringLiteral("Sort"));
        // The order before the sort: a pointer a card, no text.
        QVERIFY(d.MemoireHistorique() <= qint64(100000 * sizeof(TFicheX)));
        QCOMPARE(d.Pile().count(), 2);

        TDocument petit;
        petit.Charger(Fichier(u'Q', u'x', {QStringLiteral("a")}));
        for (int i = 0; i <= TDocument::EtapesMaximales; ++i)
            petit.ModifierFiche(0, {}, QString::number(i), {}, false, QStringLiteral("Edit card"));
        QCOMPARE(petit.Pile().count(), TDocument::EtapesMaximales);
        while (petit.PeutDefaire())
            petit.Defaire();
        // The first step is forgotten: the saved state cannot be reached.
        QCOMPARE(petit.Fichier()->Fiche(0).Champ1(), QStringLiteral("0"));
        QVERIFY(petit.EstModifie());
    }
};

QTEST_GUILESS_MAIN(TestDocument)
#include "tst_document.moc"
