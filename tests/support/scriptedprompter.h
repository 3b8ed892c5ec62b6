#pragma once

#include "core/prompter.h"

#include <QStringList>
#include <functional>

// Answers input boxes and questions from queues (an empty answer, "Нет" and, asked to keep
// changes, "Нет" once a queue runs out) and records every prompt, message and question shown.
class ScriptedPrompter : public core::Prompter {
public:
    QStringList answers, prompts, titles, messages, questions;
    QList<bool> questionAnswers;
    QStringList keepQuestions;
    QList<KeepChanges> keepAnswers;
    // What each chooseName() offered and proposed; its answers come from `answers` too.
    QList<QStringList> offers;
    QStringList proposals;

    QString inputBox(const QString& prompt, const QString& title) override {
        prompts << prompt;
        titles << title;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    QString chooseName(const QString& prompt, const QString& title, const QStringList& offered,
                       const QString& proposed) override {
        offers << offered;
        proposals << proposed;
        return inputBox(prompt, title);
    }
    void message(const QString& text) override { messages << text; }
    bool question(const QString& text) override {
        questions << text;
        return !questionAnswers.isEmpty() && questionAnswers.takeFirst();
    }
    // Each merge's conflicts as asked, and the answers: none is "Отмена"; a list shorter than the
    // conflicts keeps the user's side for the rest. No answer queued: "Отмена".
    QList<std::vector<core::MergeConflict>> conflictsAsked;
    QList<std::optional<std::vector<bool>>> conflictAnswers;
    std::function<void()> whileConflictsAsked; // what another user does while the dialog is open
    std::optional<std::vector<bool>>
    settleConflicts(const QString& fileName,
                    const std::vector<core::MergeConflict>& conflicts) override {
        (void)fileName;
        conflictsAsked << conflicts;
        if (whileConflictsAsked)
            whileConflictsAsked();
        if (conflictAnswers.isEmpty())
            return std::nullopt;
        std::optional<std::vector<bool>> answer = conflictAnswers.takeFirst();
        if (answer)
            answer->resize(conflicts.size(), false);
        return answer;
    }
    // Each choice asked, with its answers offered; the answers come from `choiceAnswers` (none
    // is "Отмена"), "Отмена" once it runs out.
    QStringList choiceQuestions;
    QList<QStringList> choicesOffered;
    QList<int> choicesPreferred;
    QList<std::optional<int>> choiceAnswers;
    std::optional<int> choose(const QString& text, const QStringList& choices,
                              int preferred) override {
        choiceQuestions << text;
        choicesOffered << choices;
        choicesPreferred << preferred;
        return choiceAnswers.isEmpty() ? std::nullopt : choiceAnswers.takeFirst();
    }
    KeepChanges askToKeepChanges(const QString& text) override {
        keepQuestions << text;
        return keepAnswers.isEmpty() ? KeepChanges::Discard : keepAnswers.takeFirst();
    }
};
