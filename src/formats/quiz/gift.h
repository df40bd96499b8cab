#pragma once

#include "model/options.h"

#include <QByteArray>
#include <QString>
#include <memory>

class TFichierX;
namespace Formats {
class Rapport;
}

// GIFT quiz text (format letter g): read as Moodle's GIFT import reads it,
// written so that Moodle reads back the questions the Moodle XML export of
// the same cards gives.
class TFichierGift
{
public:
    static std::unique_ptr<TFichierX> ChargerGift(const QString &nom, bool modifiable, Formats::Rapport *rapport,
                                                  const TOptions &options = TOptions());
    // A text Moodle would refuse raises ErreurIdInvalide naming the line where
    // the question starts. perdus counts the per-answer feedbacks dropped.
    static std::unique_ptr<TFichierX> LireGift(const QByteArray &octets, int &perdus,
                                               const TOptions &options = TOptions());
    // Saving an MCQ file makes it a GIFT document; a Questionnaire, or an
    // export asked for, leaves the card file as it was.
    static void EnregistrerGift(TFichierX &fichier, const QString &nom, bool nouveau, bool exporter,
                                Formats::Rapport *rapport, const TOptions &options = TOptions());
    // approches counts the cards GIFT cannot express, written as the closest
    // GIFT that Moodle accepts.
    static QByteArray EcrireGift(const TFichierX &fichier, int &approches, const TOptions &options = TOptions());
    // The file looks like GIFT: answer blocks or question names.
    static bool ResembleGift(const QByteArray &tete);
};

// Aiken multiple-choice text (format letter a): read, and written as an export.
class TFichierAiken
{
public:
    // The card file has no name: Aiken is never the document's own format.
    static std::unique_ptr<TFichierX> ChargerAiken(const QString &nom, const TOptions &options = TOptions());
    static std::unique_ptr<TFichierX> LireAiken(const QByteArray &octets, const TOptions &options = TOptions());
    static void ExporterAiken(const TFichierX &fichier, const QString &nom, Formats::Rapport *rapport,
                              const TOptions &options = TOptions());
    // ignorees counts the cards that are not single-answer multiple choice
    // with at most 26 answers, left out.
    static QByteArray EcrireAiken(const TFichierX &fichier, int &ignorees, const TOptions &options = TOptions());
    static bool ResembleAiken(const QByteArray &tete);
};
