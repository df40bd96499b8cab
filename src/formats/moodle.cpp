#include "moodle.h"

#include "../model/erreurs.h"
#include "../model/fichierx.h"

#include <QCoreApplication>

// Not built yet.
namespace {
[[noreturn]] void Absent()
{
    throw ErreurFormatAbsent(QCoreApplication::translate("Formats", "The Moodle format is not available in this build."));
}
}

std::unique_ptr<TFichierX> TFichierMoodle::ChargerMoodle(const QString &, bool) { Absent(); }
std::unique_ptr<TFichierX> TFichierMoodle::LireMoodle(const QByteArray &) { Absent(); }
void TFichierMoodle::EnregistrerMoodle(TFichierX &, const QString &, bool) { Absent(); }
QByteArray TFichierMoodle::EcrireMoodle(const TFichierX &) { Absent(); }
