#include "app/archiveprompter.h"

#include "core/clock.h"
#include "journal/archivelist.h"
#include "journal/journalfiles.h"

namespace app {

ArchivePrompter::ArchivePrompter(std::shared_ptr<core::Prompter> prompter, QString programFolder,
                                 std::shared_ptr<core::Clock> clock)
    : prompter_(std::move(prompter)), programFolder_(std::move(programFolder)),
      clock_(std::move(clock)) {}

// The two archive prompts are recognised by their texts, which the journal's commands ask with.
QString ArchivePrompter::inputBox(const QString& prompt, const QString& title) {
    if (prompt == journal::openArchivePrompt())
        return prompter_->chooseName(prompt, title, journal::listArchives(programFolder_), {});
    if (prompt == journal::saveAsPrompt())
        return prompter_->chooseName(prompt, title, journal::listArchives(programFolder_),
                                     QString::number(clock_->today().year()));
    return prompter_->inputBox(prompt, title);
}

QString ArchivePrompter::chooseName(const QString& prompt, const QString& title,
                                    const QStringList& offered, const QString& proposed) {
    return prompter_->chooseName(prompt, title, offered, proposed);
}

void ArchivePrompter::message(const QString& text) {
    prompter_->message(text);
}

bool ArchivePrompter::question(const QString& text) {
    return prompter_->question(text);
}

bool ArchivePrompter::yesOrCancel(const QString& text) {
    return prompter_->yesOrCancel(text);
}

core::Prompter::KeepChanges ArchivePrompter::askToKeepChanges(const QString& text) {
    return prompter_->askToKeepChanges(text);
}

} // namespace app
