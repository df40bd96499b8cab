#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <memory>

class TFichierX;

// Native binary card files (format letter n).
class TFichierNatif
{
public:
    static std::unique_ptr<TFichierX> ChargerNatif(const QString &nom, bool modifiable, bool complet);
    static std::unique_ptr<TFichierX> LireNatif(const QByteArray &octets, bool complet);
    static void EnregistrerNatif(TFichierX &fichier, const QString &nom, bool nouveau);
    static QByteArray EcrireNatif(const TFichierX &fichier);
};
