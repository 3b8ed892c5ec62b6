#pragma once

class QCoreApplication;

namespace app {

// Qt's own texts (the buttons of message and input boxes, the print and file dialogs, the line
// edits' menus) in Russian, from Qt's translations installed with the system and the few words
// they lack. False when they are not installed: most texts then stay English.
bool installRussianTranslations(QCoreApplication& application);

} // namespace app
