#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <memory>

class TFichierX;

// CSV import and export (format letter s) and the plain-text export (t).
class TFichierCSV
{
public:
    static std::unique_ptr<TFichierX> ChargerCSV(const QString &nom, QChar type, bool modifiable);
    static std::unique_ptr<TFichierX> LireCSV(const QByteArray &octets, QChar type);
    // format is s (CSV) or t (text export, which leaves the card file as it was).
    static void EnregistrerCSV(TFichierX &fichier, const QString &nom, QChar format, bool nouveau);
    static QByteArray EcrireCSV(const TFichierX &fichier, QChar format);
};
