#pragma once

class QCoreApplication;

namespace app {

// Qt's own texts (the buttons of message and input boxes, the print and file dialogs, the line
// edits' menus) in Russian, from Qt's translations installed with the system. False when they
// are not installed: the texts then stay English.
bool installRussianTranslations(QCoreApplication& application);

} // namespace app
