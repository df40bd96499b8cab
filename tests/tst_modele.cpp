// The card file: type-derived layout and defaults, setters, card operations, order.
#include "formats/table.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "outilstest.h"

#include <QLocale>

class TestModele : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dossier;
    static const QString CRLF;

private slots:
    void initTestCase()
    {
        OutilsTest::IsolerParametres(m_dossier);
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    }

    void init() { ParametresParDefaut(); }

    void typesDerives_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QString>("ids"); // IdChamp1 + IdChamp2
        QTest::addColumn<bool>("avecTitre");
        QTest::addColumn<bool>("numerote");
        QTest::addColumn<bool>("avecOptions");
        QTest::addColumn<bool>("questionnaire");
        QTest::addColumn<QString>("fragmenteur");
        QTest::addColumn<QString>("espacement");
        QTest::addColumn<bool>("alphabetique");

        const QString crlf = QStringLiteral("\r\n");
        auto ligne = [](char t, const char *ids, bool titre, bool num, bool opt, bool q, const QString &frag,
                        const QString &esp, bool alpha) {
            QTest::addRow("%c", t) << QChar(QLatin1Char(t)) << QString::fromLatin1(ids) << titre << num << opt << q
                                   << frag << esp << alpha;
        };
        ligne('A', "OC", false, false, true, false, QStringLiteral(";"), QStringLiteral(" "), true);
        ligne('B', "OC", false, false, true, false, crlf, QString(), true);
        ligne('C', "OC", false, false, true, false, QString(), QString(), true);
        ligne('D', "OC", false, false, true, false, QStringLiteral("|"), QStringLiteral(" "), true);
        ligne('E', "OC", false, false, true, false, crlf, QString(), false);
        ligne('F', "AB", false, false, false, false, QString(), QString(), false);
        ligne('G', "AB", false, false, false, false, QString(), QString(), false);
        ligne('H', "AB", false, false, false, false, QString(), QString(), false);
        ligne('I', "AB", true, false, false, false, QString(), QString(), false);
        ligne('J', "AB", false, false, false, false, QString(), QString(), false);
        ligne('K', "AB", false, false, false, false, QString(), QString(), false);
        ligne('L', "OC", false, true, false, false, crlf, QString(), false);
        ligne('M', "QR", true, false, true, false, QStringLiteral("==="), crlf, false);
        ligne('N', "OC", false, false, false, false, QString(), QString(), false);
        ligne('O', "OC", false, false, false, false, QString(), QString(), false);
        ligne('P', "AB", false, false, false, false, QString(), QString(), false);
        ligne('Q', "QR", true, false, true, true, QStringLiteral(";"), QStringLiteral(" "), false);
        ligne('R', "OC", false, false, false, false, QString(), QString(), true);
        ligne('S', "OC", false, true, false, false, crlf, QString(), false);
        ligne('T', "OC", false, true, false, false, QString(), QString(), false);
        ligne('U', "OC", false, true, false, false, QString(), QString(), false);
        ligne('V', "OC", false, true, false, false, crlf, QString(), false);
        ligne('W', "AB", false, false, false, false, QString(), QString(), false);
        ligne('Z', "AB", false, false, false, false, QString(), QString(), false);
    }

    void typesDerives()
    {
        QFETCH(QChar, type);
        QFETCH(QString, ids);
        TFichierX f(type, u'x');
        QCOMPARE(f.IdChamp1 + f.IdChamp2, ids);
        QCOMPARE(f.LettreChamp1, ids.at(0));
        QTEST(f.AvecTitre, "avecTitre");
        QTEST(f.Numerote, "numerote");
        QTEST(f.AvecOptions, "avecOptions");
        QTEST(f.EstQuestionnaire, "questionnaire");
        QTEST(f.Fragmenteur, "fragmenteur");
        QTEST(f.Espacement, "espacement");
        QTEST(f.TypeAlphabetique(), "alphabetique");
        QCOMPARE(f.IdFiche, QStringLiteral("F"));
        QCOMPARE(f.IdChamp0, QStringLiteral("I"));
        QCOMPARE(f.PageCode, quint16(1252));
        QVERIFY(f.Modifiable);
        QVERIFY(!f.Modifie);
        QVERIFY(f.Titre.isEmpty() && f.VersionCreation.isEmpty() && f.NomFichier.isEmpty());
        QCOMPARE(f.Temps, quint8(0));
        QCOMPARE(f.NombreQuestions, quint8(0));
        // Option characters exist exactly where options do.
        QCOMPARE(f.Commentaire == u'(', f.AvecOptions);
        QCOMPARE(f.Troncature == u'*', f.AvecOptions);
        QCOMPARE(f.Alternateur == u'/', f.AvecOptions);
        QCOMPARE(f.CarPourcent == u'%', f.AvecOptions);
        QCOMPARE(f.CarDeuxPoints == u':', f.AvecOptions);
        QCOMPARE(f.FragmenteurParDefaut(TOptions()),
                 type == u'C' || type == u'T' || type == u'U' ? QString() : f.Fragmenteur);
    }

    void questionnaireTireSesDefautsDesParametres()
    {
        TOptions options;
        options.ouVisible = QStringLiteral("ou");
        options.ponctuation = QStringLiteral(".,");
        options.separateurQcm = QStringLiteral("###");
        TFichierX q(u'Q', u'x', options);
        QCOMPARE(q.OuVisible, QStringLiteral("ou"));
        QCOMPARE(q.Ponctuation, QStringLiteral(".,"));
        QCOMPARE(q.ScoreSatisfaisant, quint8(50));
        TFichierX m(u'M', u'm', options);
        QCOMPARE(m.Fragmenteur, QStringLiteral("###"));
        QCOMPARE(m.FragmenteurParDefaut(options), QStringLiteral("###"));
        QVERIFY(m.OuVisible.isEmpty());
        QCOMPARE(m.ScoreSatisfaisant, quint8(0));
    }

    void nomsDesTypesEtFormats()
    {
        QCOMPARE(TFichierX::NomType(u'R'), QStringLiteral("Directory"));
        QCOMPARE(TFichierX::NomType(u'V'), QStringLiteral("Visit cards"));
        QCOMPARE(TFichierX::NomType(u'K'), QStringLiteral("K"));
        QCOMPARE(Formats::NomFormat(u'c'), QStringLiteral("Cardfile"));
        QCOMPARE(Formats::NomFormat(u'z'), QStringLiteral("z"));
        TFichierX f(u'D', u'n');
        QCOMPARE(f.NomTypeFichier(), QStringLiteral("Dictionnaire"));
        QCOMPARE(Formats::NomFormat(f.FormatFichier), QStringLiteral("Native"));
    }

    void etiquettesParDefaut_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QStringList>("attendues");
        QTest::newRow("Q") << QChar(u'Q') << QStringList{"Name", "Question", "Answer"};
        QTest::newRow("N") << QChar(u'N') << QStringList{"Title", "Tab", "Body"};
        QTest::newRow("L") << QChar(u'L') << QStringList{"Title", "Number", "Body"};
        QTest::newRow("F") << QChar(u'F') << QStringList{"Title", "A", "B"};
        QTest::newRow("I") << QChar(u'I') << QStringList{"Name", "A", "B"};
    }

    void etiquettesParDefaut()
    {
        QFETCH(QChar, type);
        QFETCH(QStringList, attendues);
        TFichierX f(type, u'x');
        f.EtiquettesParDefaut();
        QCOMPARE((QStringList{f.Etiquettes.Champ0(), f.Etiquettes.Champ1(), f.Etiquettes.Champ2()}), attendues);
        QVERIFY(!f.AvecEtiquettes);
        QVERIFY(!f.Modifie);
    }

    void setters_data()
    {
        QTest::addColumn<QString>("setter");
        QTest::addColumn<QString>("acceptes");
        QTest::newRow("fragmenteur") << "F"
                                     << " #;|";
        QTest::newRow("alternateur") << "A"
                                     << " /|";
        QTest::newRow("commentaire") << "C"
                                     << " ([";
        QTest::newRow("troncature") << "T"
                                    << " *^";
    }

    void setters()
    {
        QFETCH(QString, setter);
        QFETCH(QString, acceptes);
        for (char16_t u = 1; u < 256; ++u) {
            const QChar c(u);
            TFichierX f(u'D', u'x');
            const QString fragmenteurAvant = f.Fragmenteur;
            const QChar alternateurAvant = f.Alternateur;
            const QChar commentaireAvant = f.Commentaire;
            const QChar troncatureAvant = f.Troncature;
            const bool accepte = acceptes.contains(c);
            if (setter == u'F') {
                f.SetFragmenteurCar(c);
                QCOMPARE(f.Fragmenteur, accepte ? (c == u' ' ? QString() : QString(c)) : fragmenteurAvant);
            } else if (setter == u'A') {
                f.SetAlternateur(c);
                QCOMPARE(f.Alternateur, accepte ? c : alternateurAvant);
            } else if (setter == u'C') {
                f.SetCommentaire(c);
                QCOMPARE(f.Commentaire, accepte ? c : commentaireAvant);
            } else {
                f.SetTroncature(c);
                QCOMPARE(f.Troncature, accepte ? c : troncatureAvant);
            }
        }
    }

    void fragmenteurCar()
    {
        TFichierX f(u'Q', u'x');
        f.SetFragmenteurCar(u' ');
        QVERIFY(f.Fragmenteur.isEmpty());
        QCOMPARE(f.FragmenteurCar(), QChar(u' '));
        f.SetFragmenteurCar(u'x');
        QVERIFY(f.Fragmenteur.isEmpty());
        f.SetFragmenteurCar(u'|');
        QCOMPARE(f.FragmenteurCar(), QChar(u'|'));
        TFichierX m(u'M', u'x');
        QCOMPARE(m.FragmenteurCar(), QChar(0));
    }

    void delimiteursCommentaire()
    {
        TFichierX f(u'Q', u'x');
        QChar ouverture, fermeture = u'?';
        f.DelimiteursCommentaire(ouverture, fermeture);
        QCOMPARE(ouverture, QChar(u'('));
        QCOMPARE(fermeture, QChar(u')'));
        f.SetCommentaire(u'[');
        f.DelimiteursCommentaire(ouverture, fermeture);
        QCOMPARE(fermeture, QChar(u']'));
        f.SetCommentaire(u' ');
        fermeture = u'?';
        f.DelimiteursCommentaire(ouverture, fermeture);
        QCOMPARE(ouverture, QChar(u' '));
        QCOMPARE(fermeture, QChar(u'?'));
    }

    void ajouterFicheRespecteLaDisposition()
    {
        TFichierX liste(u'L', u'x');
        liste.AjouterFiche(QStringLiteral("t"), QStringLiteral("q"), QStringLiteral("r"));
        QCOMPARE(liste.Fiche(0).Champ0(), QString());
        QCOMPARE(liste.Fiche(0).Champ1(), QString());
        QCOMPARE(liste.Fiche(0).Champ2(), QStringLiteral("r"));
        QVERIFY(liste.Modifie);

        TFichierX carnet(u'N', u'x');
        carnet.AjouterFiche(QStringLiteral("t"), QStringLiteral("q"), QStringLiteral("r"));
        QCOMPARE(carnet.Fiche(0).Champ0(), QString());
        QCOMPARE(carnet.Fiche(0).Champ1(), QStringLiteral("q"));

        TFichierX q(u'Q', u'x');
        q.AjouterFiche(QStringLiteral("t"), QStringLiteral("q"), QStringLiteral("r"));
        QCOMPARE(q.Fiche(0).Champ0(), QStringLiteral("t"));
    }

    void libelleFiche()
    {
        TFichierX n(u'N', u'x');
        n.AjouterFiche(QStringLiteral("un"), QString());
        n.AjouterFiche(QStringLiteral("deux"), QString());
        n.AjouterFiche(QString(), QStringLiteral("corps"));
        QCOMPARE(n.LibelleFiche(0), QStringLiteral("un"));
        QCOMPARE(n.LibelleFiche(2), QStringLiteral("# 3"));
        TFichierX q(u'Q', u'x');
        q.AjouterFiche(QStringLiteral("nom"), QStringLiteral("question"), QString());
        q.AjouterFiche(QString(), QStringLiteral("question"), QString());
        QCOMPARE(q.LibelleFiche(0), QStringLiteral("nom"));
        QCOMPARE(q.LibelleFiche(1), QStringLiteral("# 2"));
    }

    void insererFicheAvecCanevas()
    {
        TFichierX q(u'Q', u'x');
        q.AjouterFiche(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"));
        q.Modifie = false;
        q.InsererFiche(-1);
        QCOMPARE(q.NombreFiches(), 2);
        QVERIFY(q.Fiche(1).Champ1().isEmpty());
        q.SetCanevas(QStringLiteral("T"), QStringLiteral("Q"), QStringLiteral("R"));
        q.Modifie = false;
        q.InsererFiche(-1);
        q.InsererFiche(0);
        QVERIFY(!q.Modifie);
        QCOMPARE(q.NombreFiches(), 4);
        for (int i : {0, 3}) {
            QCOMPARE(q.Fiche(i).Champ0(), QStringLiteral("T"));
            QCOMPARE(q.Fiche(i).Champ1(), QStringLiteral("Q"));
            QCOMPARE(q.Fiche(i).Champ2(), QStringLiteral("R"));
        }
        QCOMPARE(q.Fiche(1).Champ1(), QStringLiteral("b"));
        q.InsererFiche(q.NombreFiches()); // the end is a valid place too
        QCOMPARE(q.NombreFiches(), 5);
    }

    void canevasSelonLaDisposition()
    {
        TFichierX l(u'L', u'x');
        l.SetCanevas(QStringLiteral("T"), QStringLiteral("Q"), QStringLiteral("R"));
        QVERIFY(l.Canevas.Champ0().isEmpty());
        QVERIFY(l.Canevas.Champ1().isEmpty());
        QCOMPARE(l.Canevas.Champ2(), QStringLiteral("R"));
        QVERIFY(l.AvecCanevas && l.Modifie);
    }

    void indexInvalides()
    {
        TFichierX f(u'N', u'x');
        f.AjouterFiche(QStringLiteral("a"), QString());
        QVERIFY_THROWS_EXCEPTION(ErreurIndex, f.Fiche(1));
        QVERIFY_THROWS_EXCEPTION(ErreurIndex, f.Fiche(-1));
        QVERIFY_THROWS_EXCEPTION(ErreurIndex, f.ModifierFiche(5, {}, {}, {}));
        QVERIFY_THROWS_EXCEPTION(ErreurIndex, f.SupprimerFiche(1));
        QVERIFY_THROWS_EXCEPTION(ErreurIndex, f.InsererFiche(2));
        QVERIFY_THROWS_EXCEPTION(ErreurIndex, f.InsererFiche(-2));
        QVERIFY_THROWS_EXCEPTION(ErreurIndex, f.DeplacerFiche(0, 1));
        QVERIFY_THROWS_EXCEPTION(ErreurIndex, f.LibelleFiche(3));
        QCOMPARE(f.NombreFiches(), 1);
    }

    void deplacerEtSupprimer()
    {
        TFichierX f(u'N', u'x');
        for (const char *t : {"a", "b", "c", "d"})
            f.AjouterFiche(QString::fromLatin1(t), QString());
        f.DeplacerFiche(0, 2);
        auto ordre = [&f] {
            QString s;
            for (int i = 0; i < f.NombreFiches(); ++i)
                s += f.Fiche(i).Champ1();
            return s;
        };
        QCOMPARE(ordre(), QStringLiteral("bcad"));
        f.DeplacerFiche(3, 0);
        QCOMPARE(ordre(), QStringLiteral("dbca"));
        f.Modifie = false;
        f.SupprimerFiche(1);
        QCOMPARE(ordre(), QStringLiteral("dca"));
        QVERIFY(!f.Modifie);
    }

    void permuterChamps()
    {
        TFichierX f(u'R', u'x');
        f.AjouterFiche(QStringLiteral("cle"), QStringLiteral("corps"));
        f.Modifie = false;
        f.PermuterChamps();
        QCOMPARE(f.Fiche(0).Champ1(), QStringLiteral("corps"));
        f.PermuterChamps();
        QCOMPARE(f.Fiche(0).Champ1(), QStringLiteral("cle"));
        QVERIFY(f.Modifie);
    }

    // The texts a card hands out share its block: they must outlive the
    // card and its changes, and changing one must leave the card alone.
    void textesPartagesAvecLaFiche()
    {
        QString question, reponse;
        {
            TFicheX fiche(u"titre", u"question", u"r\u00e9ponse");
            question = fiche.Champ1();
            reponse = fiche.Champ2();
            const TFicheX copie = fiche;
            fiche.SetChamp1(fiche.Champ2());
            QCOMPARE(fiche.Champ1(), QStringLiteral("r\u00e9ponse"));
            QCOMPARE(copie.Champ1(), QStringLiteral("question"));
            question += QStringLiteral(" ?");
            QCOMPARE(copie.Champ1(), QStringLiteral("question"));
            fiche.SetChamps({}, {}, {});
            QVERIFY(fiche.Champ0().isEmpty() && fiche.Vue(2).isEmpty());
        }
        reponse.append(QStringLiteral(" longue"));
        QCOMPARE(question, QStringLiteral("question ?"));
        QCOMPARE(reponse, QStringLiteral("r\u00e9ponse longue"));
        QCOMPARE(reponse.utf16()[reponse.size()], u'\0');
    }

    void setTitreRogne()
    {
        TFichierX f(u'N', u'x');
        f.SetTitre(QStringLiteral(" \t Mon titre \r\n"));
        QCOMPARE(f.Titre, QStringLiteral("Mon titre"));
        QVERIFY(f.Modifie);
    }

    void identifiants()
    {
        TFichierX f(u'N', u'x');
        f.SetIdChamp0(QStringLiteral("NOM"));
        QVERIFY(f.AvecTitre);
        QCOMPARE(f.IdChamp0, QStringLiteral("NOM"));
        f.SetIdChamp0(QStringLiteral("1abc"));
        QCOMPARE(f.IdChamp0, QStringLiteral("NOM"));
        QVERIFY(f.AvecTitre);
        f.SetIdChamp0(QString());
        QVERIFY(!f.AvecTitre);
        QCOMPARE(f.IdChamp0Effectif(), QString());

        TFichierX l(u'L', u'x');
        l.SetIdChamp1(QString());
        QVERIFY(l.Numerote); // no tag: still numbered
        QCOMPARE(l.IdChamp1Effectif(), QString());
        l.SetIdChamp1(QStringLiteral("CLE")); // a tag gives the cards a field 1
        QVERIFY(!l.Numerote);
        QCOMPARE(l.IdChamp1, QStringLiteral("CLE"));
        QCOMPARE(l.IdChamp1Effectif(), QStringLiteral("CLE"));
        TFichierX n(u'N', u'x');
        n.SetIdChamp1(QStringLiteral("_cle2"));
        QCOMPARE(n.IdChamp1, QStringLiteral("_cle2"));
        n.SetIdChamp1(QStringLiteral("a b"));
        QCOMPARE(n.IdChamp1, QStringLiteral("_cle2"));
    }

    void versionEcrite()
    {
        TFichierX f(u'N', u'x');
        f.InitialiserNouveau(TOptions());
        QCOMPARE(f.VersionCreation, QStringLiteral("7.8"));
        QCOMPARE(f.VersionCreationEcrite(), QString());
        f.VersionCreation = QStringLiteral("6.1");
        QCOMPARE(f.VersionCreationEcrite(), QStringLiteral("6.1"));
    }

    void initialiserNouveauPrendLesParametres()
    {
        TOptions options;
        options.signature = QStringLiteral("Moi");
        options.feuilleStyle = QStringLiteral("vue.xsl");
        TFichierX f(u'Q', u'x');
        f.InitialiserNouveau(options);
        QCOMPARE(f.Signature, QStringLiteral("Moi"));
        QCOMPARE(f.FeuilleStyle, QStringLiteral("vue.xsl"));
    }

    void motsIgnores()
    {
        TOptions options;
        TFichierX q(u'Q', u'x');
        QCOMPARE(q.MotsIgnoresEffectifs(options), QStringLiteral("a an the"));
        options.motsIgnores = QStringLiteral("un une");
        QCOMPARE(q.MotsIgnoresEffectifs(options), QStringLiteral("un une"));
        q.MotAMot = true;
        QCOMPARE(q.MotsIgnoresParDefaut(options), QString());
        q.MotsIgnores = QStringLiteral("le la");
        QCOMPARE(q.MotsIgnoresEffectifs(options), QString());
        q.AvecMotsIgnores = true;
        QCOMPARE(q.MotsIgnoresEffectifs(options), QStringLiteral("le la"));
    }

    void carPourcent()
    {
        TFichierX m(u'M', u'x');
        QVERIFY(m.CommenceParCarPourcent(QStringLiteral("%cat")));
        QVERIFY(!m.CommenceParCarPourcent(QString()));
        QVERIFY(!m.CommenceParCarPourcent(QStringLiteral("a%")));
    }

    void preparerCanevasQcm()
    {
        TFichierX m(u'M', u'm');
        m.PreparerCanevasQcm(TOptions().reponsesQcm);
        QVERIFY(m.AvecCanevas);
        QCOMPARE(m.Canevas.Champ2(), QStringLiteral("\r\n===\r\n").repeated(4));
        TFichierX vide(u'M', u'm');
        vide.PreparerCanevasQcm(0);
        QVERIFY(!vide.AvecCanevas);
    }

    void ordreLocal()
    {
        TFichierX r(u'R', u'x');
        const QStringList cles{"zèbre", "Été", "eta", "abricot", "été", "etz", "Zoo", "b"};
        for (int i = 0; i < cles.size(); ++i)
            r.AjouterFiche(cles.at(i), QString::number(i));
        QVERIFY(!r.EstTrie());
        r.Trier();
        QVERIFY(r.EstTrie());
        QStringList obtenu;
        for (int i = 0; i < r.NombreFiches(); ++i)
            obtenu << r.Fiche(i).Champ1();
        // French collation: accents and case break ties only, never code-point order.
        QCOMPARE(obtenu, (QStringList{"abricot", "b", "eta", "été", "Été", "etz", "zèbre", "Zoo"}));
        // Every body followed its key.
        for (int i = 0; i < r.NombreFiches(); ++i)
            QCOMPARE(cles.at(r.Fiche(i).Champ2().toInt()), r.Fiche(i).Champ1());
    }

    void estTrieLimites()
    {
        TFichierX r(u'R', u'x');
        QVERIFY(r.EstTrie());
        r.AjouterFiche(QStringLiteral("b"), QString());
        QVERIFY(r.EstTrie());
        r.AjouterFiche(QStringLiteral("b"), QString());
        QVERIFY(r.EstTrie()); // equal neighbours are in order
        r.AjouterFiche(QStringLiteral("a"), QString());
        QVERIFY(!r.EstTrie());
    }

    void trierGrandFichier()
    {
        TFichierX r(u'R', u'x');
        quint32 graine = 12345;
        for (int i = 0; i < 20000; ++i) {
            graine = graine * 1103515245u + 12345u;
            r.AjouterFiche(QStringLiteral("clé %1").arg(graine % 5000), QString());
        }
        r.Trier();
        QVERIFY(r.EstTrie());
        QCOMPARE(r.NombreFiches(), 20000);
    }
};

const QString TestModele::CRLF = QStringLiteral("\r\n");

QTEST_GUILESS_MAIN(TestModele)
#include "tst_modele.moc"
