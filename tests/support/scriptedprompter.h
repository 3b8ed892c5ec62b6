#pragma once

#include "core/prompter.h"

#include <QStringList>

// Answers input boxes from a queue (an empty answer once the queue runs out) and records every
// prompt and message shown.
class ScriptedPrompter : public Prompter {
public:
    QStringList answers, prompts, titles, messages;

    QString inputBox(const QString& prompt, const QString& title) override {
        prompts << prompt;
        titles << title;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    void message(const QString& text) override { messages << text; }
};
