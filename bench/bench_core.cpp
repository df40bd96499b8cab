// Times the library's own calls on the files of gen_cartes, in one process:
//
//   bench_core OPERATION FILE [RUNS]
//
// OPERATION: xml-open, xml-save, xml-write, natif-open, natif-save,
// natif-write, crd-open, crd-save, crd-write, csv-open, csv-save (type Q),
// csv-ansi-open (the same in the ANSI code page, csvutf off), moodle-open,
// moodle-write, gift-open and gift-write (both on the questions of a Moodle
// file, gift-open reading the GIFT text written from it), qti-open,
// qti-write, cc-open and cc-write (the same questions as a Canvas QTI 1.2
// package and as a Common Cartridge: -write makes the whole zip in memory,
// -open reads the package written from the Moodle file), qti21-open and
// qti21-write (the same, as a QTI 2.1 package),
// trier (the Directory file's cards), memory (heap bytes per card beyond
// its texts, for the file's cards and for as many empty cards). -save is the whole save in place (with
// the file system's flush), -write the writer alone in memory.
// Prints "OPERATION median_s min_s cpu_median_s bytes" (wall-clock times but
// the third, the process's processor time): bytes is the size of the file read
// or written, for throughput. One untimed run comes first (cache warm-up).

#include "formats/fiches/crd.h"
#include "formats/texte/csv.h"
#include "formats/quiz/gift.h"
#include "formats/quiz/moodle.h"
#include "formats/fiches/natif.h"
#include "formats/qti/qti12.h"
#include "formats/qti/qti21.h"
#include "formats/fiches/xml.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "settings/init.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <clocale>
#include <ctime>
#include <cstdio>
#include <functional>
#include <malloc.h>
#include <vector>

namespace {

// The options the readers and writers are given: the settings, read once.
TOptions g_options;

using Horloge = std::chrono::steady_clock;

double TempsProcesseur()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

struct Durees
{
    std::vector<double> murales;
    std::vector<double> processeur;
};

// prepare runs untimed before each timed run.
Durees Mesurer(int fois, const std::function<void()> &preparer, const std::function<void()> &operation)
{
    Durees durees;
    for (int i = 0; i <= fois; ++i) {
        if (preparer)
            preparer();
        const double cpu = TempsProcesseur();
        const auto debut = Horloge::now();
        operation();
        const std::chrono::duration<double> d = Horloge::now() - debut;
        if (i > 0) {
            durees.murales.push_back(d.count());
            durees.processeur.push_back(TempsProcesseur() - cpu);
        }
    }
    std::sort(durees.murales.begin(), durees.murales.end());
    std::sort(durees.processeur.begin(), durees.processeur.end());
    return durees;
}

double Mediane(const std::vector<double> &v)
{
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::unique_ptr<TFichierX> Charger(const QString &operation, const QString &nom)
{
    if (operation.startsWith(QLatin1String("xml")) || operation == QLatin1String("trier"))
        return TFichierXML::ChargerXml(nom, false, true, g_options);
    if (operation.startsWith(QLatin1String("natif")))
        return TFichierNatif::ChargerNatif(nom, false, true, g_options);
    if (operation.startsWith(QLatin1String("crd")))
        return TFichierCrd::ChargerCardfile(nom, false);
    if (operation.startsWith(QLatin1String("csv")))
        return TFichierCSV::ChargerCSV(nom, QChar('Q'), false, g_options);
    if (operation.startsWith(QLatin1String("moodle")) || operation.startsWith(QLatin1String("gift"))
        || operation.startsWith(QLatin1String("qti")) || operation.startsWith(QLatin1String("cc")))
        return TFichierMoodle::ChargerMoodle(nom, false, g_options);
    throw Erreur(QStringLiteral("unknown operation ") + operation);
}

void Enregistrer(const QString &operation, TFichierX &f, const QString &nom, bool nouveau)
{
    if (operation == QLatin1String("xml-save"))
        TFichierXML::EnregistrerXml(f, nom, nouveau, g_options);
    else if (operation == QLatin1String("natif-save"))
        TFichierNatif::EnregistrerNatif(f, nom, nouveau);
    else if (operation == QLatin1String("crd-save"))
        TFichierCrd::EnregistrerCardfile(f, nom, nouveau);
    else if (operation == QLatin1String("csv-save"))
        TFichierCSV::EnregistrerCSV(f, nom, QChar('s'), nouveau, g_options);
    else
        throw Erreur(QStringLiteral("unknown operation ") + operation);
}

Qti12::Profil ProfilQti(const QString &operation)
{
    return operation.startsWith(QLatin1String("cc")) ? Qti12::Profil::Cartouche : Qti12::Profil::Canvas;
}

size_t OctetsAlloues()
{
    return mallinfo2().uordblks + mallinfo2().hblkhd;
}

// Heap bytes a card costs beyond its texts (two bytes a UTF-16 unit).
double OctetsParFiche(const TFichierX &source, bool vides)
{
    const int n = source.NombreFiches();
    malloc_trim(0);
    const size_t avant = OctetsAlloues();
    qint64 textes = 0;
    {
        TFichierX f(source.TypeFichier, source.FormatFichier, g_options);
        f.Reserver(n);
        for (int i = 0; i < n; ++i) {
            const TFicheX &c = source.Fiche(i);
            if (vides) {
                f.AjouterFiche(QString(), QString(), QString());
            } else {
                f.AjouterFiche(c.Champ0(), c.Champ1(), c.Champ2());
                // The copies share the source's texts: make them the copy's own.
                f.Fiche(i).SetChamps(c.Vue(0).toString(), c.Vue(1).toString(), c.Vue(2).toString());
                textes += 2 * (c.Vue(0).size() + c.Vue(1).size() + c.Vue(2).size());
            }
        }
        const size_t apres = OctetsAlloues();
        return (double(apres) - double(avant) - double(textes)) / n;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: bench_core OPERATION FILE [RUNS]\n");
        return 2;
    }
    const QString operation = args.at(1);
    const QString nom = args.at(2);
    const int fois = args.size() > 3 ? std::max(1, args.at(3).toInt()) : 5;
    std::setlocale(LC_NUMERIC, "C"); // a point in the printed numbers, whatever LC_ALL says
    LireParametres();
    g_options = OptionsCourantes();
    if (operation.startsWith(QLatin1String("csv-ansi")))
        g_options.utf8Csv = false;
    try {
        Durees durees;
        qint64 octets = QFileInfo(nom).size();
        if (operation == QLatin1String("gift-open")) {
            // The same questions as the Moodle file, as GIFT text.
            QTemporaryDir dossier;
            const QString gift = dossier.filePath(QStringLiteral("questions.gift"));
            int approches = 0;
            QFile sortie(gift);
            if (!sortie.open(QIODevice::WriteOnly)
                || sortie.write(TFichierGift::EcrireGift(*Charger(operation, nom), approches, g_options)) < 0)
                throw Erreur(QStringLiteral("cannot write ") + gift);
            sortie.close();
            durees = Mesurer(fois, nullptr, [&] { TFichierGift::ChargerGift(gift, false, nullptr, g_options); });
            octets = QFileInfo(gift).size();
        } else if (operation == QLatin1String("qti21-open")) {
            // The same questions as the Moodle file, as a QTI 2.1 package.
            QTemporaryDir dossier;
            const QString paquet = dossier.filePath(QStringLiteral("questions.zip"));
            QFile sortie(paquet);
            if (!sortie.open(QIODevice::WriteOnly)
                || sortie.write(TFichierQti21::EcrirePaquet(*Charger(operation, nom), nullptr, g_options)) < 0)
                throw Erreur(QStringLiteral("cannot write ") + paquet);
            sortie.close();
            durees = Mesurer(fois, nullptr, [&] { TFichierQti21::Importer(paquet, nullptr, g_options); });
            octets = QFileInfo(paquet).size();
        } else if (operation == QLatin1String("qti-open") || operation == QLatin1String("cc-open")) {
            // The same questions as the Moodle file, as a package.
            QTemporaryDir dossier;
            const QString paquet = dossier.filePath(QStringLiteral("questions.zip"));
            QFile sortie(paquet);
            if (!sortie.open(QIODevice::WriteOnly)
                || sortie.write(
                       Qti12::EcrirePaquet(*Charger(operation, nom), ProfilQti(operation), paquet, nullptr, g_options))
                    < 0)
                throw Erreur(QStringLiteral("cannot write ") + paquet);
            sortie.close();
            durees = Mesurer(fois, nullptr, [&] { Qti12::Charger(paquet, nullptr, g_options); });
            octets = QFileInfo(paquet).size();
        } else if (operation.endsWith(QLatin1String("-open"))) {
            durees = Mesurer(fois, nullptr, [&] { Charger(operation, nom); });
        } else if (operation.endsWith(QLatin1String("-save"))) {
            // Saving in place, as Ctrl+S does: the document's own stream is rewritten.
            QTemporaryDir dossier;
            const QString sortie = dossier.filePath(QStringLiteral("copie"));
            auto f = Charger(operation, nom);
            Enregistrer(operation, *f, sortie, true);
            durees = Mesurer(fois, nullptr, [&] { Enregistrer(operation, *f, sortie, false); });
            octets = QFileInfo(sortie).size();
        } else if (operation.endsWith(QLatin1String("-write"))) {
            // The writer alone, in memory: the save without the file system.
            auto f = Charger(operation, nom);
            QByteArray octetsEcrits;
            durees = Mesurer(fois, nullptr, [&] {
                if (operation == QLatin1String("xml-write"))
                    octetsEcrits = TFichierXML::EcrireXml(*f, g_options);
                else if (operation == QLatin1String("natif-write"))
                    octetsEcrits = TFichierNatif::EcrireNatif(*f);
                else if (operation == QLatin1String("crd-write"))
                    octetsEcrits = TFichierCrd::EcrireCardfile(*f);
                else if (operation == QLatin1String("moodle-write"))
                    octetsEcrits = TFichierMoodle::EcrireMoodle(*f, g_options);
                else if (operation == QLatin1String("qti21-write"))
                    octetsEcrits = TFichierQti21::EcrirePaquet(*f, nullptr, g_options);
                else if (operation == QLatin1String("qti-write") || operation == QLatin1String("cc-write"))
                    octetsEcrits = Qti12::EcrirePaquet(*f, ProfilQti(operation), nom, nullptr, g_options);
                else if (operation == QLatin1String("gift-write")) {
                    int approches = 0;
                    octetsEcrits = TFichierGift::EcrireGift(*f, approches, g_options);
                } else
                    throw Erreur(QStringLiteral("unknown operation ") + operation);
            });
            octets = octetsEcrits.size();
        } else if (operation == QLatin1String("trier")) {
            const auto source = Charger(operation, nom);
            std::unique_ptr<TFichierX> f;
            durees = Mesurer(
                fois,
                [&] {
                    f = std::make_unique<TFichierX>(source->TypeFichier, source->FormatFichier, g_options);
                    f->Reserver(source->NombreFiches());
                    for (int i = 0; i < source->NombreFiches(); ++i) {
                        const TFicheX &c = source->Fiche(i);
                        f->AjouterFiche(c.Champ0(), c.Champ1(), c.Champ2());
                    }
                },
                [&] { f->Trier(); });
            if (!f->EstTrie())
                throw Erreur(QStringLiteral("Trier left the cards unsorted"));
        } else if (operation == QLatin1String("memory")) {
            const auto source = Charger(QStringLiteral("xml-open"), nom);
            std::printf("memory %.1f %.1f\n", OctetsParFiche(*source, false), OctetsParFiche(*source, true));
            return 0;
        } else {
            throw Erreur(QStringLiteral("unknown operation ") + operation);
        }
        std::printf("%s %.6f %.6f %.6f %lld\n", qPrintable(operation), Mediane(durees.murales), durees.murales.front(),
                    Mediane(durees.processeur), static_cast<long long>(octets));
    } catch (const Erreur &e) {
        std::fprintf(stderr, "bench_core: %s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
