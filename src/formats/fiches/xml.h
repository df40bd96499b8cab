#pragma once

#include "model/options.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <memory>

class TFichierX;

// XML card files (format letter x).
class TFichierXML
{
public:
    // options: the user's where the file says nothing (for the writer: LF
    // line ends, UTF-8, answers spaced out).
    static std::unique_ptr<TFichierX> ChargerXml(const QString &nom, bool modifiable, bool complet,
                                                 const TOptions &options = TOptions());
    static std::unique_ptr<TFichierX> LireXml(const QByteArray &octets, bool complet,
                                              const TOptions &options = TOptions());
    static void EnregistrerXml(TFichierX &fichier, const QString &nom, bool nouveau,
                               const TOptions &options = TOptions());
    static QByteArray EcrireXml(const TFichierX &fichier, const TOptions &options = TOptions());
};
