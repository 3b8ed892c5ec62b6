#pragma once

#include <QString>

class QWidget;

// The modal input box and the message box, kept behind an interface so that tests can answer
// the program's questions from a script.
class Prompter {
public:
    virtual ~Prompter() = default;
    // The text typed, or an empty text when the user cancels. The title repeats the prompt.
    virtual QString inputBox(const QString& prompt, const QString& title) = 0;
    // A message with a single OK button and the application's default title.
    virtual void message(const QString& text) = 0;
};

// The real dialogs, shown over the given window.
class DialogPrompter : public Prompter {
public:
    explicit DialogPrompter(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    QString inputBox(const QString& prompt, const QString& title) override;
    void message(const QString& text) override;

private:
    QWidget* parent_;
};
