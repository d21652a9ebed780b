#pragma once

class QCoreApplication;

namespace velumbra {

// Qt's own texts (file dialogs, standard buttons) in French, from the Qt
// translations installed on the system. False when they are not installed:
// Qt then speaks English.
bool loadQtTranslations(QCoreApplication& app);

} // namespace velumbra
