#include "csv.h"

#include "../model/erreurs.h"
#include "../model/fichierx.h"

#include <QCoreApplication>

// Not built yet.
namespace {
[[noreturn]] void Absent()
{
    throw ErreurFormatAbsent(QCoreApplication::translate("Formats", "The CSV format is not available in this build."));
}
}

std::unique_ptr<TFichierX> TFichierCSV::ChargerCSV(const QString &, QChar, bool) { Absent(); }
std::unique_ptr<TFichierX> TFichierCSV::LireCSV(const QByteArray &, QChar) { Absent(); }
void TFichierCSV::EnregistrerCSV(TFichierX &, const QString &, QChar, bool) { Absent(); }
QByteArray TFichierCSV::EcrireCSV(const TFichierX &, QChar) { Absent(); }
