// The editor's figures, offscreen (QT_QPA_PLATFORM=offscreen):
//
//   bench_editeur premiere-carte FILE   start, open FILE, first card painted; exits
//   bench_editeur charger FILE          ChargerXml of FILE alone in a bare process; exits
//   bench_editeur vide                  start with no file, window painted; exits
//   bench_editeur fenetre-nue           a bare Qt main window painted; exits
//   bench_editeur reclasser FILE [RUNS] a card of FILE (alphabetical) edited and put back in order
//   bench_editeur chercher FILE [RUNS]  a whole search cycle without a match (all fields, no case)
//   bench_editeur liste FILE [RUNS]     the list of cards opened and painted
//   bench_editeur recuperation FILE [RUNS] the recovery copy: the cards taken on the
//                                       GUI thread, beside the whole copy made and
//                                       written there (XML text and file)
//   bench_editeur echelle FILE [RUNS]   in one process: FILE opened and its first card
//                                       painted, then liste and chercher
//
// The process modes leave at once with _exit once their work is done, so that
// tearing down a large card file, which the editor does not do while it is
// used, is not counted: a process timer times each mode as a whole. reclasser
// prints "reclasser median_s max_s"; chercher and liste likewise, chercher
// with the first cycle's time third (the search is prepared then).

#include "editor/dlgchercher.h"
#include "editor/fiche.h"
#include "ui/interaction.h"
#include "editor/liste.h"
#include "formats/fiches/xml.h"
#include "model/fichierx.h"
#include "settings/init.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QSaveFile>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <ctime>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {

[[noreturn]] void Sortir(int code)
{
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(code);
}

void Peindre()
{
    // Twice: the show and the first paint come as posted events.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

// No modal loop and no one to answer: every message is acknowledged, and a
// dialog is shown, painted and closed; the search dialog, when Recherche is
// set, is answered at once with it (all fields, no case, forward).
class InteractionBanc : public TInteraction
{
public:
    QString Recherche;

    Reponse Message(Genre, const QString &, Boutons, int, const QString &) override { return RepOk; }
    ChoixFichier OuvrirFichier(const QString &, int, const QString &, const QString &, bool) override { return {}; }
    ChoixFichier SauverFichier(const QString &, int, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    bool ChoisirPolice(QFont &) override { return false; }
    bool Imprimer(QPrinter &) override { return false; }
    bool Saisir(const QString &, const QString &, QString &) override { return false; }
    int Executer(QDialog &dialogue) override
    {
        if (auto *chercher = dynamic_cast<TDlgChercher *>(&dialogue); chercher && !Recherche.isEmpty()) {
            chercher->EChercher->setText(Recherche);
            chercher->CBDifferencier->setChecked(false);
            chercher->CBChampUnique->setChecked(false);
            chercher->CBArriere->setChecked(false);
            return QDialog::Accepted;
        }
        dialogue.show();
        Peindre();
        dialogue.hide();
        return QDialog::Rejected;
    }
    void Aide(int) override { }
    // Opens and saves run to the end, never cancelled.
    std::unique_ptr<Progression> SuivreProgression(const QString &) override
    {
        struct JusquAuBout : Progression
        {
            bool Avancer(qint64, qint64) override { return true; }
        };
        return std::make_unique<JusquAuBout>();
    }
};

double TempsProcesseur()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Processor times of the timed actions, in the order they ran.
std::vector<double> g_processeur;

// "mode median max first cpu_median cpu_first"
void Imprimer(const char *mode, std::vector<double> durees)
{
    const double premiere = durees.front();
    std::sort(durees.begin(), durees.end());
    std::vector<double> cpu = g_processeur;
    g_processeur.clear();
    const double cpuPremiere = cpu.front();
    std::sort(cpu.begin(), cpu.end());
    std::printf("%s %.6f %.6f %.6f %.6f %.6f\n", mode, durees[durees.size() / 2], durees.back(), premiere,
                cpu[cpu.size() / 2], cpuPremiere);
}

double Chrono(const std::function<void()> &action)
{
    const double cpu = TempsProcesseur();
    const auto debut = std::chrono::steady_clock::now();
    action();
    const std::chrono::duration<double> d = std::chrono::steady_clock::now() - debut;
    g_processeur.push_back(TempsProcesseur() - cpu);
    return d.count();
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_editeur MODE [FILE] [RUNS]\n");
        return 2;
    }
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const QString nom = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();

    if (mode == QLatin1String("charger")) {
        QCoreApplication application(argc, argv);
        LireParametres();
        auto f = TFichierXML::ChargerXml(nom, true, true, OptionsCourantes());
        Sortir(f->NombreFiches() > 0 ? 0 : 1);
    }

    LireParametres();
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    if (mode == QLatin1String("fenetre-nue")) {
        QMainWindow fenetre;
        fenetre.setCentralWidget(new QPlainTextEdit);
        fenetre.show();
        Peindre();
        Sortir(0);
    }

    auto interaction = std::make_unique<InteractionBanc>();
    InteractionBanc &banc = *interaction;
    TInteraction::Installer(std::move(interaction));
    TFormFiche fiche;
    fiche.FormCreate();
    fiche.show();
    if (mode == QLatin1String("vide")) {
        fiche.FormShow({});
        Peindre();
        Sortir(0);
    }
    const double cpuOuverture = TempsProcesseur();
    const auto debutOuverture = std::chrono::steady_clock::now();
    fiche.FormShow({nom});
    if (mode == QLatin1String("echelle"))
        Peindre();
    const std::chrono::duration<double> ouverture = std::chrono::steady_clock::now() - debutOuverture;
    const double processeurOuverture = TempsProcesseur() - cpuOuverture;
    if (!fiche.Document().Fichier()) {
        std::fprintf(stderr, "bench_editeur: %s not opened\n", qPrintable(nom));
        Sortir(1);
    }
    if (mode == QLatin1String("premiere-carte")) {
        Peindre();
        Sortir(fiche.IndexAffiche() >= 0 ? 0 : 1);
    }
    if (mode == QLatin1String("reclasser")) {
        // A card in the middle gets a key that sorts elsewhere, as when the
        // user edits a name and validates it.
        const int repetitions = argc > 3 ? std::max(1, atoi(argv[3])) : 5;
        const TFichierX &f = *fiche.Document().Fichier();
        const int n = f.NombreFiches();
        std::vector<double> durees;
        for (int i = 0; i < repetitions; ++i) {
            const int index = (n / 2 + i * 7919) % n;
            const TFicheX &carte = f.Fiche(index);
            const QString c0 = carte.Champ0();
            const QString c1 = (i % 2 ? QStringLiteral("Zz") : QStringLiteral("Aa")) + carte.Champ1();
            const QString c2 = carte.Champ2();
            const auto debut = std::chrono::steady_clock::now();
            // Stored and put back in order: one step of the document.
            fiche.Document().ModifierFiche(index, c0, c1, c2, true, QStringLiteral("Edit card"));
            const std::chrono::duration<double> d = std::chrono::steady_clock::now() - debut;
            durees.push_back(d.count());
        }
        if (!f.EstTrie()) {
            std::fprintf(stderr, "bench_editeur: storing a card left the cards unsorted\n");
            Sortir(1);
        }
        std::sort(durees.begin(), durees.end());
        std::printf("reclasser %.6f %.6f\n", durees[durees.size() / 2], durees.back());
        Sortir(0);
    }
    const int fois = argc > 3 ? std::max(1, atoi(argv[3])) : 5;
    const auto chercher = [&] {
        std::vector<double> durees;
        banc.Recherche = QStringLiteral("qzxwv");
        for (int i = 0; i < fois; ++i)
            durees.push_back(Chrono([&] { fiche.Action("Rechercher1")->trigger(); }));
        banc.Recherche.clear();
        Imprimer("chercher", durees);
    };
    const auto liste = [&] {
        std::vector<double> durees;
        for (int i = 0; i < fois; ++i)
            durees.push_back(Chrono([&] { fiche.Action("Listedesfiches1")->trigger(); }));
        if (fiche.findChild<TListe *>()->Modele->rowCount() != fiche.Document().Fichier()->NombreFiches()) {
            std::fprintf(stderr, "bench_editeur: the list does not hold every card\n");
            Sortir(1);
        }
        Imprimer("liste", durees);
    };
    if (mode == QLatin1String("recuperation")) {
        // The window's only part is the snapshot; the other thread makes the
        // text and writes it. Printed: "recuperation snapshot_median
        // snapshot_max whole_median".
        const QString copie = QDir::temp().filePath(
            QStringLiteral("bench-recuperation-%1.xml").arg(QCoreApplication::applicationPid()));
        std::vector<double> prises, entieres;
        for (int i = 0; i < fois; ++i) {
            std::unique_ptr<TFichierX> cartes;
            const auto debut = std::chrono::steady_clock::now();
            cartes = fiche.Document().Instantane();
            const std::chrono::duration<double> d = std::chrono::steady_clock::now() - debut;
            prises.push_back(d.count());
            cartes.reset(); // let go on the writing thread, not counted
            entieres.push_back(Chrono([&] {
                const std::unique_ptr<TFichierX> tout = fiche.Document().Instantane();
                QSaveFile fichier(copie);
                if (!fichier.open(QIODevice::WriteOnly)
                    || fichier.write(TFichierXML::EcrireXml(*tout, OptionsCourantes())) < 0 || !fichier.commit())
                    Sortir(1);
            }));
        }
        QFile::remove(copie);
        std::sort(prises.begin(), prises.end());
        std::sort(entieres.begin(), entieres.end());
        std::printf("recuperation %.6f %.6f %.6f\n", prises[prises.size() / 2], prises.back(),
                    entieres[entieres.size() / 2]);
        Sortir(0);
    }
    if (mode == QLatin1String("chercher")) {
        chercher();
        Sortir(0);
    }
    if (mode == QLatin1String("liste")) {
        liste();
        Sortir(0);
    }
    if (mode == QLatin1String("echelle")) {
        if (fiche.IndexAffiche() < 0) {
            std::fprintf(stderr, "bench_editeur: no card shown\n");
            Sortir(1);
        }
        std::printf("ouverture %.6f %d %.6f\n", ouverture.count(), fiche.Document().Fichier()->NombreFiches(),
                    processeurOuverture);
        liste();
        chercher();
        Sortir(0);
    }
    std::fprintf(stderr, "bench_editeur: unknown mode\n");
    Sortir(2);
}
