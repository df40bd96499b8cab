// The editor: translations and settings first, then the single-instance check, the windows
// in their order and the event loop. The main window writes the settings
// back when it closes.

#include "editor/fiche.h"
#include "editor/instance.h"
#include "resources/chaines.h"
#include "settings/init.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QStringList>
#include <QTimer>
#include <cstdio>

namespace {

// Test aid: with AMBLOPAD_TEST_TRACE set, the window's caption is printed on
// standard output each time it changes, so a test can follow a running editor.
void SuivreLegende(TFormFiche &fiche)
{
    if (qEnvironmentVariableIsEmpty("AMBLOPAD_TEST_TRACE"))
        return;
    // As the desktop shows it: "[*]" is the modified mark.
    const auto imprimer = [&fiche](QString legende) {
        legende.replace(QLatin1String("[*]"), fiche.isWindowModified() ? QStringLiteral("*") : QString());
        std::printf("caption: %s\n", legende.toUtf8().constData());
        std::fflush(stdout);
    };
    QObject::connect(&fiche, &QWidget::windowTitleChanged, &fiche, imprimer);
    imprimer(fiche.windowTitle());
}

// Test aid: AMBLOPAD_TEST_COMMANDS names menu entries ("Rubriquesdaide1
// Quitter1") that the running editor triggers one after the other, as a user
// choosing them would, so a test can reach states no argument leads to.
void JouerCommandes(TFormFiche &fiche)
{
    const QStringList noms = qEnvironmentVariable("AMBLOPAD_TEST_COMMANDS").split(u' ', Qt::SkipEmptyParts);
    for (const QString &nom : noms) {
        // Once the event loop runs, in the order given.
        QTimer::singleShot(0, &fiche, [&fiche, nom] {
            if (QAction *action = fiche.Action(nom.toLatin1().constData()))
                action->trigger();
        });
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // The translations come before the settings: some of their defaults are words.
    Chaines::InstallerTraductions(application);
    LireParametres();
    QApplication::setApplicationName(QStringLiteral("Amblopad"));
    QApplication::setOrganizationName(QStringLiteral("Amblorine"));

    // Paths are handed on absolute: the running instance has its own working folder.
    QStringList arguments = application.arguments().mid(1);
    for (QString &argument : arguments)
        if (!argument.isEmpty())
            argument = QFileInfo(argument).absoluteFilePath();

    TInstances instances;
    if (instances.TransmettreSiActives(arguments))
        return 0;

    TFormFiche fiche;
    fiche.setAttribute(Qt::WA_QuitOnClose);
    fiche.FormCreate();
    instances.Publier(Parametres.uninst);
    QObject::connect(&instances, &TInstances::LignesRecues, &fiche, &TFormFiche::RecevoirLignes);

    fiche.show();
    fiche.FormShow(arguments, instances.NombreEnCours());
    SuivreLegende(fiche);
    JouerCommandes(fiche);
    return application.exec();
}
