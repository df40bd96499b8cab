#pragma once

#include "model/options.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <memory>

class TFichierX;

// Moodle XML quizzes (format letter m).
class TFichierMoodle
{
public:
    static std::unique_ptr<TFichierX> ChargerMoodle(const QString &nom, bool modifiable,
                                                    const TOptions &options = TOptions());
    static std::unique_ptr<TFichierX> LireMoodle(const QByteArray &octets, const TOptions &options = TOptions());
    // Saving an MCQ file makes it a Moodle document; a Questionnaire, or any
    // file when exporter is set, is exported and stays as it was.
    static void EnregistrerMoodle(TFichierX &fichier, const QString &nom, bool nouveau, bool exporter = false,
                                  const TOptions &options = TOptions());
    // options: the format attribute of question texts and the MCQ separator.
    static QByteArray EcrireMoodle(const TFichierX &fichier, const TOptions &options = TOptions());
};
