#pragma once

#include <QChar>
#include <QCoreApplication>
#include <QString>

// The translatable resource strings shared by every part of the program.
namespace Chaines {

QString Version();                    // "7.8"
QString NomType(QChar lettre);        // empty for a letter without a name
QString NomTypeAnglais(QChar lettre); // the same name untranslated

QString EtiquetteNom();
QString EtiquetteTitre();
QString EtiquetteNumero();
QString EtiquetteOnglet();
QString EtiquetteCorps();
QString EtiquetteQuestion();
QString EtiquetteReponse();

// Defaults of the settings that are resource strings.
QString DefautOu();
QString DefautPonctuation();
QString DefautMotsIgnores();
QString DefautPoliceChamps();
QString DefautPoliceListe();
QString DefautSeparateurQcm();
QString DefautTypesCsv();

// Installs the program's catalogue and Qt's own for the user's locale
// (QLocale()); without one for that language the English texts stay.
void InstallerTraductions(QCoreApplication &application);

}
