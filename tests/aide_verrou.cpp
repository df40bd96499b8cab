// A second Amblopad process for the locking tests: opens FILE as the editor
// does (lecture: read-only, ecriture: writable), answers on standard output
// and obeys lines on standard input:
//   sauver  save the document in place
//   fin     (or end of input) close and exit
// Answers: "ouvert" (or "ouvert (lecture seule)" when writing was asked and
// the file could only be opened read-only), "sauve", or "erreur: MESSAGE".
#include "formats/formats.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "settings/init.h"

#include <QCoreApplication>
#include <QString>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

namespace {

void Repondre(const QString &texte)
{
    std::fputs(texte.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    if (argc != 3)
        return 2;
    LireParametres();
    const QString nom = QString::fromLocal8Bit(argv[1]);
    const bool ecriture = std::string(argv[2]) == "ecriture";
    std::unique_ptr<TFichierX> fichier;
    try {
        fichier = Formats::Ouvrir(nom, ecriture, true, u'L', TOptions());
    } catch (const Erreur &e) {
        Repondre(QStringLiteral("erreur: ") + e.message());
        return 1;
    }
    // Asked for writing and held read-only (this user may not write the file).
    Repondre(ecriture && !fichier->Modifiable ? QStringLiteral("ouvert (lecture seule)") : QStringLiteral("ouvert"));
    std::string ligne;
    while (std::getline(std::cin, ligne) && ligne != "fin") {
        if (ligne == "sauver") {
            try {
                fichier->Modifie = true;
                Formats::Enregistrer(*fichier, fichier->NomFichier, fichier->FormatFichier, false, TOptions());
                Repondre(QStringLiteral("sauve"));
            } catch (const Erreur &e) {
                Repondre(QStringLiteral("erreur: ") + e.message());
            }
        }
    }
    return 0;
}
