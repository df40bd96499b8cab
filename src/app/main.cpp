// The editor: settings first, then the windows in their order, the event
// loop, and the settings written back when the main window has closed.

#include "editor/fiche.h"
#include "settings/init.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    LireParametres();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Amblopad"));
    QApplication::setOrganizationName(QStringLiteral("Amblorine"));

    TFormFiche fiche;
    fiche.setAttribute(Qt::WA_QuitOnClose);
    fiche.FormCreate();
    // The dialogs are created here, after the main window, as they arrive.

    fiche.show();
    fiche.FormShow(application.arguments().mid(1));
    const int resultat = application.exec();
    EcrireParametres(fiche.ReglagesModifies);
    return resultat;
}
