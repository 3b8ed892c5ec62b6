#include "app/exitflow.h"

#include "app/exitprompt.h"

#include <QWidget>

namespace app {

ExitFlow::ExitFlow(QWidget& window, std::function<bool()> save, std::function<void()> endProgram)
    : QObject(&window), prompt_(new ExitPrompt(&window)), save_(std::move(save)),
      endProgram_(std::move(endProgram)) {
    connect(prompt_, &ExitPrompt::saveRequested, this, &ExitFlow::saveAndExit);
    connect(prompt_, &ExitPrompt::discardRequested, this, &ExitFlow::exitWithoutSaving);
}

void ExitFlow::requestExit() {
    Q_EMIT aboutToLeave();
    if (mayEndWithoutAsking())
        end();
}

bool ExitFlow::closeRequested() {
    if (ending_)
        return true;
    Q_EMIT aboutToLeave();
    if (!mayEndWithoutAsking())
        return false;
    end();
    return true;
}

bool ExitFlow::mayEndWithoutAsking() {
    if (!modified_)
        return true;
    prompt_->present();
    return false;
}

void ExitFlow::saveAndExit() {
    const bool saved = save_();
    prompt_->close();
    if (saved)
        end();
}

void ExitFlow::exitWithoutSaving() {
    prompt_->close();
    end();
}

void ExitFlow::end() {
    Q_EMIT aboutToEnd();
    ending_ = true;
    prompt_->hide();
    endProgram_();
}

} // namespace app
