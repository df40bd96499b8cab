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
    // The same; avecImages tells whether some card held a picture, which was
    // skipped and would be lost by saving.
    static std::unique_ptr<TFichierX> LireCardfile(const QByteArray &octets, bool &avecImages);
    static void EnregistrerCardfile(TFichierX &fichier, const QString &nom, bool nouveau);
    static QByteArray EcrireCardfile(const TFichierX &fichier);

    // Sizes of the layout.
    static constexpr int TailleEntete = 5;
    static constexpr int TailleEntree = 52;
    static constexpr int TailleLigneIndex = 40; // bytes kept on writing; the field holds 41
    static constexpr int MaxFiches = 65535;
    static constexpr int MaxTexte = 65535;
};
