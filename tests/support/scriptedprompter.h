#pragma once

#include "core/prompter.h"

#include <QStringList>

// Answers input boxes and questions from queues (an empty answer and "Нет" once a queue runs
// out) and records every prompt, message and question shown.
class ScriptedPrompter : public Prompter {
public:
    QStringList answers, prompts, titles, messages, questions;
    QList<bool> questionAnswers;

    QString inputBox(const QString& prompt, const QString& title) override {
        prompts << prompt;
        titles << title;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    void message(const QString& text) override { messages << text; }
    bool question(const QString& text) override {
        questions << text;
        return !questionAnswers.isEmpty() && questionAnswers.takeFirst();
    }
};
