#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <memory>

class TFichierX;

// XML card files (format letter x).
class TFichierXML
{
public:
    static std::unique_ptr<TFichierX> ChargerXml(const QString &nom, bool modifiable, bool complet);
    static std::unique_ptr<TFichierX> LireXml(const QByteArray &octets, bool complet);
    static void EnregistrerXml(TFichierX &fichier, const QString &nom, bool nouveau);
    static QByteArray EcrireXml(const TFichierX &fichier);
};
