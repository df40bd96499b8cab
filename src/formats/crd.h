#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <memory>

class TFichierX;

// Windows 3.1 Cardfile files (format letter c).
class TFichierCrd
{
public:
    static std::unique_ptr<TFichierX> ChargerCardfile(const QString &nom, bool modifiable);
    static std::unique_ptr<TFichierX> LireCardfile(const QByteArray &octets);
    static void EnregistrerCardfile(TFichierX &fichier, const QString &nom, bool nouveau);
    static QByteArray EcrireCardfile(const TFichierX &fichier);
};
