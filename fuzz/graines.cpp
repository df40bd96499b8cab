// Writes small card files of every type with every writer this build has, as
// seeds for the fuzz targets: graines FOLDER makes FOLDER/<target>/<name>.
#include "formats/fiches/crd.h"
#include "formats/anki/anki.h"
#include "formats/texte/csv.h"
#include "formats/quiz/moodle.h"
#include "formats/fiches/natif.h"
#include "formats/fiches/xml.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/outils.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <zip.h>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

std::unique_ptr<TFichierX> Exemple(QChar type)
{
    auto f = std::make_unique<TFichierX>(type, QLatin1Char('x'));
    f->InitialiserNouveau(TOptions());
    f->SetTitre(QStringLiteral("Essai \u00e9t\u00e9"));
    f->Signature = QStringLiteral("Sig");
    f->Description = QStringLiteral("Ligne 1\r\nLigne 2 <&> \"x\"");
    f->SetEtiquettes(QStringLiteral("Titre"), QStringLiteral("Question"), QStringLiteral("R\u00e9ponse"));
    f->SetCanevas(QString(), QStringLiteral("Q?"), QStringLiteral("a===b"));
    f->AjouterFiche(QStringLiteral("Un"), QStringLiteral("Capitale ?"), QStringLiteral("Paris===Lyon"));
    f->AjouterFiche(QStringLiteral("Deux"), QStringLiteral("a;b,c\t\"d\""), QStringLiteral("x\r\ny\r\n\r\nz"));
    f->AjouterFiche(QString(), QString(), QString());
    f->AjouterFiche(QStringLiteral("\u20ac"), QStringLiteral("\\s\\n"), QString(300, QLatin1Char('w')));
    return f;
}

void Ecrire(const QString &dossier, const QString &cible, const QString &nom, const std::function<QByteArray()> &ecrire,
            int prefixe = -1)
{
    QByteArray octets;
    try {
        octets = ecrire();
    } catch (const Erreur &) {
        return; // a writer this build lacks, or a file it refuses
    }
    if (prefixe >= 0)
        octets.prepend(char(prefixe));
    QDir().mkpath(dossier + QLatin1Char('/') + cible);
    QFile fichier(dossier + QLatin1Char('/') + cible + QLatin1Char('/') + nom);
    if (fichier.open(QIODevice::WriteOnly))
        fichier.write(octets);
}

// The collection a package holds.
QByteArray Collection(const QByteArray &paquet)
{
    zip_error_t erreur;
    zip_error_init(&erreur);
    zip_source_t *source = zip_source_buffer_create(paquet.constData(), zip_uint64_t(paquet.size()), 0, &erreur);
    zip_t *archive = zip_open_from_source(source, ZIP_RDONLY, &erreur);
    QByteArray octets;
    zip_stat_t etat;
    if (archive && zip_stat(archive, "collection.anki2", 0, &etat) == 0) {
        octets.resize(qsizetype(etat.size));
        zip_file_t *entree = zip_fopen(archive, "collection.anki2", 0);
        zip_fread(entree, octets.data(), etat.size);
        zip_fclose(entree);
    }
    if (archive)
        zip_discard(archive);
    return octets;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: graines FOLDER\n");
        return 2;
    }
    const QString dossier = QString::fromLocal8Bit(argv[1]);
    for (QChar type : QStringLiteral("QMLNDRVEF")) {
        auto f = Exemple(type);
        const QString t(type);
        Ecrire(dossier, QStringLiteral("natif"), QStringLiteral("ecrit-") + t,
               [&] { return TFichierNatif::EcrireNatif(*f); });
        Ecrire(dossier, QStringLiteral("xml"), QStringLiteral("ecrit-") + t,
               [&] { return TFichierXML::EcrireXml(*f); });
        Ecrire(dossier, QStringLiteral("crd"), QStringLiteral("ecrit-") + t,
               [&] { return TFichierCrd::EcrireCardfile(*f); });
        Ecrire(dossier, QStringLiteral("moodle"), QStringLiteral("ecrit-") + t,
               [&] { return TFichierMoodle::EcrireMoodle(*f); });
        // The package target's first byte: 0 a package, 1 its collection alone.
        Ecrire(
            dossier, QStringLiteral("ankipaquet"), QStringLiteral("ecrit-") + t,
            [&] { return TFichierAnki::EcrirePaquet(*f, QStringLiteral("graine")); }, 0);
        Ecrire(
            dossier, QStringLiteral("ankipaquet"), QStringLiteral("collection-") + t,
            [&] { return Collection(TFichierAnki::EcrirePaquet(*f, QStringLiteral("graine"))); }, 1);
        // The Anki text target's first byte picks the type: 0 is D.
        Ecrire(
            dossier, QStringLiteral("ankitexte"), QStringLiteral("ecrit-") + t,
            [&] { return TFichierAnki::EcrireTexte(*f, QStringLiteral("graine")); }, 0);
        // The CSV target's first byte is its mode: 0 is ',' in the file's code page.
        TOptions csv;
        csv.separateurCsv = QStringLiteral(",");
        Ecrire(
            dossier, QStringLiteral("csv"), QStringLiteral("ecrit-") + t,
            [&] { return TFichierCSV::EcrireCSV(*f, QLatin1Char('s'), csv); }, 0);
        csv.separateurCsv = QStringLiteral(";");
        Ecrire(
            dossier, QStringLiteral("csv"), QStringLiteral("ecrit-pv-") + t,
            [&] { return TFichierCSV::EcrireCSV(*f, QLatin1Char('s'), csv); }, 1);
        csv.separateurCsv = QStringLiteral("\\t");
        Ecrire(
            dossier, QStringLiteral("csv"), QStringLiteral("ecrit-tab-") + t,
            [&] { return TFichierCSV::EcrireCSV(*f, QLatin1Char('s'), csv); }, 2);
    }
    return 0;
}
