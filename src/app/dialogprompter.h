#pragma once

#include "core/prompter.h"

#include <QPointer>
#include <QWidget>

namespace app {

// The real dialogs, shown over the given window.
class DialogPrompter : public core::Prompter {
public:
    explicit DialogPrompter(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    QString inputBox(const QString& prompt, const QString& title) override;
    // An input box whose line is an editable list of the names offered.
    QString chooseName(const QString& prompt, const QString& title, const QStringList& offered,
                       const QString& proposed) override;
    void message(const QString& text) override;
    bool question(const QString& text) override;
    bool yesOrCancel(const QString& text) override;
    KeepChanges askToKeepChanges(const QString& text) override;
    std::optional<int> choose(const QString& text, const QStringList& choices,
                              int preferred) override;
    std::optional<std::vector<bool>>
    settleConflicts(const QString& fileName,
                    const std::vector<core::MergeConflict>& conflicts) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace app
