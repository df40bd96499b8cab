#include "xml.h"

#include "../model/erreurs.h"
#include "../model/fichierx.h"

#include <QCoreApplication>

// Not built yet.
namespace {
[[noreturn]] void Absent()
{
    throw ErreurFormatAbsent(QCoreApplication::translate("Formats", "The XML format is not available in this build."));
}
}

std::unique_ptr<TFichierX> TFichierXML::ChargerXml(const QString &, bool, bool) { Absent(); }
std::unique_ptr<TFichierX> TFichierXML::LireXml(const QByteArray &, bool) { Absent(); }
void TFichierXML::EnregistrerXml(TFichierX &, const QString &, bool) { Absent(); }
QByteArray TFichierXML::EcrireXml(const TFichierX &) { Absent(); }
