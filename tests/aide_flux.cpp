// A second process for the file stream's tests.
//   aide_flux enplace FILE SIZE STOP
//     saves SIZE bytes of 'n' over FILE through its open stream, as the editor
//     saves a document under its own name; after STOP bytes of the new content
//     (-1: never) says "arret" and waits to be killed. Then says "sauve" or
//     "erreur: MESSAGE".
//   aide_flux lectureseule FOLDER
//     in a mount namespace of its own, mounts a file system on FOLDER, writes
//     a card file there, remounts it read-only, then says what a save over the
//     file, a save of a new file, an open of the stream for writing and an
//     open as the editor does give, one line each.
//     Says "impossible" when this process may not mount (not root).
#include "formats/formats.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "settings/init.h"

#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace {

void Repondre(const QString &texte)
{
    std::fputs(texte.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void Attendre()
{
    Repondre(QStringLiteral("arret"));
    for (;;)
        ::pause();
}

template <typename F>
void Essayer(F &&action)
{
    try {
        Repondre(action());
    } catch (const Erreur &e) {
        Repondre(QStringLiteral("erreur: ") + e.message());
    }
}

int EnPlace(const QString &nom, qint64 taille, qint64 arret)
{
    Essayer([&] {
        auto flux = TFlux::Ouvrir(nom, true);
        if (arret >= 0)
            TFlux::InjecterArret(arret, Attendre);
        flux = TFlux::Remplacer(nom, QByteArray(taille, 'n'), flux.get());
        return QStringLiteral("sauve");
    });
    return 0;
}

// Done before anything starts a thread: a namespace is for a single thread.
bool Monter(const char *dossier)
{
    return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
        && ::mount("aide_flux", dossier, "tmpfs", 0, "size=1m") == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool monte = mode == "lectureseule" && argc == 3 && Monter(argv[2]);
    QCoreApplication application(argc, argv);
    LireParametres();
    if (mode == "enplace" && argc == 5)
        return EnPlace(QString::fromLocal8Bit(argv[2]), std::atoll(argv[3]), std::atoll(argv[4]));
    if (mode != "lectureseule" || argc != 3)
        return 2;
    const QString dossier = QString::fromLocal8Bit(argv[2]);
    const QString nom = dossier + QStringLiteral("/lecture-seule.xaql");
    if (monte) {
        TFichierX exemple(u'L', u'x');
        exemple.InitialiserNouveau(TOptions());
        exemple.AjouterFiche(QStringLiteral("un"), QStringLiteral("deux"));
        Formats::Enregistrer(exemple, nom, u'x', true, TOptions());
    }
    if (!monte || ::mount(nullptr, argv[2], nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
        Repondre(QStringLiteral("impossible"));
        return 0;
    }
    Essayer([&] {
        TFlux::Remplacer(nom, "nouveau", nullptr);
        return QStringLiteral("sauve");
    });
    Essayer([&] {
        TFlux::Remplacer(dossier + QStringLiteral("/nouveau.xaql"), "nouveau", nullptr);
        return QStringLiteral("sauve");
    });
    Essayer([&] {
        auto flux = TFlux::Ouvrir(nom, true);
        return QStringLiteral("ouvert");
    });
    Essayer([&] {
        auto fichier = Formats::Ouvrir(nom, true, true, u'L', TOptions());
        return fichier->Modifiable ? QStringLiteral("ouvert") : QStringLiteral("ouvert (lecture seule)");
    });
    return 0;
}
