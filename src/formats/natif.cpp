#include "natif.h"

#include "../model/erreurs.h"
#include "../model/fichierx.h"

#include <QCoreApplication>

// Not built yet.
namespace {
[[noreturn]] void Absent()
{
    throw ErreurFormatAbsent(QCoreApplication::translate("Formats", "The native format is not available in this build."));
}
}

std::unique_ptr<TFichierX> TFichierNatif::ChargerNatif(const QString &, bool, bool) { Absent(); }
std::unique_ptr<TFichierX> TFichierNatif::LireNatif(const QByteArray &, bool) { Absent(); }
void TFichierNatif::EnregistrerNatif(TFichierX &, const QString &, bool) { Absent(); }
QByteArray TFichierNatif::EcrireNatif(const TFichierX &) { Absent(); }
