#include "app/exitflow.h"

#include "app/exitprompt.h"

#include <QWidget>

namespace app {

ExitFlow::ExitFlow(QWidget& window, std::function<bool()> save, std::function<void()> endProgram)
    : QObject(&window), prompt_(new ExitPrompt(&window)), save_(std::move(save)),
      endProgram_(std::move(endProgram)) {
    connect(prompt_, &ExitPrompt::saveRequested, this, [this] {
        const bool saved = save_();
        prompt_->close();
        if (saved)
            end();
    });
    connect(prompt_, &ExitPrompt::discardRequested, this, [this] {
        prompt_->close();
        end();
    });
}

void ExitFlow::requestExit() {
    Q_EMIT aboutToLeave();
    if (modified_)
        prompt_->present();
    else
        end();
}

bool ExitFlow::closeRequested() {
    if (!ending_)
        requestExit();
    return ending_;
}

void ExitFlow::end() {
    Q_EMIT aboutToEnd();
    ending_ = true;
    prompt_->hide();
    endProgram_();
}

} // namespace app
