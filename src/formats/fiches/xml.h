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
    // What the user's settings say to the writer where the file says
    // nothing: LF line ends, UTF-8, answers spaced out.
    struct Options
    {
        bool lfSeul = false;
        bool utf8 = false;
        bool espacesMinimaux = false;
        // As the settings stand now: read them on the thread that owns them.
        static Options DesReglages();
    };

    static std::unique_ptr<TFichierX> ChargerXml(const QString &nom, bool modifiable, bool complet);
    static std::unique_ptr<TFichierX> LireXml(const QByteArray &octets, bool complet);
    static void EnregistrerXml(TFichierX &fichier, const QString &nom, bool nouveau);
    static QByteArray EcrireXml(const TFichierX &fichier);
    // The same with the settings given, for a writer on another thread.
    static QByteArray EcrireXml(const TFichierX &fichier, const Options &options);
};
