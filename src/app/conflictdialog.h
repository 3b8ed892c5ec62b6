#pragma once

#include "core/mergeconflict.h"

#include <QDialog>
#include <vector>

class QComboBox;

namespace app {

// The conflicts of a merge with the file another user saved, asked once: one line for each (the
// row's owner and serial, the column, "у вас", "в файле") with its own choice, and two buttons
// that choose for all ("Оставить мои", "Взять из файла"). "Сохранить" saves with the choices
// made; "Отмена" (and Escape) leaves everything as it was.
class ConflictDialog : public QDialog {
    Q_OBJECT
public:
    ConflictDialog(const QString& fileName, const std::vector<core::MergeConflict>& conflicts,
                   QWidget* parent = nullptr);

    // For each conflict: true when the file's side is chosen.
    std::vector<bool> takeTheirs() const;

private:
    std::vector<QComboBox*> choices_;
};

} // namespace app
