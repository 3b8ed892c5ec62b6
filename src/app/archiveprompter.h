#pragma once

#include "core/prompter.h"

#include <QString>
#include <memory>

namespace core {
class Clock;
} // namespace core

namespace app {

// The window's prompter for the journal's commands: the archive name is chosen, not only typed.
// "Загрузить архив" offers the archives there are, newest first; "Сохранить как" offers them too
// and proposes the current year by the program's clock. A name typed instead is taken and
// checked as before. Every other question goes to the prompter it stands before.
class ArchivePrompter : public core::Prompter {
public:
    ArchivePrompter(std::shared_ptr<core::Prompter> prompter, QString programFolder,
                    std::shared_ptr<core::Clock> clock);

    QString inputBox(const QString& prompt, const QString& title) override;
    QString chooseName(const QString& prompt, const QString& title, const QStringList& offered,
                       const QString& proposed) override;
    void message(const QString& text) override;
    bool question(const QString& text) override;
    bool yesOrCancel(const QString& text) override;
    KeepChanges askToKeepChanges(const QString& text) override;

private:
    std::shared_ptr<core::Prompter> prompter_;
    QString programFolder_;
    std::shared_ptr<core::Clock> clock_;
};

} // namespace app
