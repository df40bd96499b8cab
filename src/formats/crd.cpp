#include "crd.h"

#include "../model/erreurs.h"
#include "../model/fichierx.h"

#include <QCoreApplication>

// Not built yet.
namespace {
[[noreturn]] void Absent()
{
    throw ErreurFormatAbsent(QCoreApplication::translate("Formats", "The Cardfile format is not available in this build."));
}
}

std::unique_ptr<TFichierX> TFichierCrd::ChargerCardfile(const QString &, bool) { Absent(); }
std::unique_ptr<TFichierX> TFichierCrd::LireCardfile(const QByteArray &) { Absent(); }
void TFichierCrd::EnregistrerCardfile(TFichierX &, const QString &, bool) { Absent(); }
QByteArray TFichierCrd::EcrireCardfile(const TFichierX &) { Absent(); }
