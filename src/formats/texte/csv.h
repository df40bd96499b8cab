#pragma once

#include "model/options.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <memory>

class TFichierX;

// CSV import and export (format letter s) and the plain-text export (t).
class TFichierCSV
{
public:
    // options: the separator, and UTF-8 or the system's code page.
    static std::unique_ptr<TFichierX> ChargerCSV(const QString &nom, QChar type, bool modifiable,
                                                 const TOptions &options = TOptions());
    static std::unique_ptr<TFichierX> LireCSV(const QByteArray &octets, QChar type,
                                              const TOptions &options = TOptions());
    // format is s (CSV) or t (text export, which leaves the card file as it was).
    static void EnregistrerCSV(TFichierX &fichier, const QString &nom, QChar format, bool nouveau,
                               const TOptions &options = TOptions());
    static QByteArray EcrireCSV(const TFichierX &fichier, QChar format, const TOptions &options = TOptions());
};
