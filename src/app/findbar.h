#pragma once

#include <QWidget>

class QBoxLayout;
class QCheckBox;
class QLabel;
class QLineEdit;

namespace app {

// The find bar under the grid (Ctrl+F): "Найти:", the text, "Далее" and "Назад", "К повтору", "Во
// всех колонках" (on) and "Во всех журналах"; a word on how the last search went. Escape closes it.
// On one line where the width allows, on two otherwise, so that its text always has room and its
// captions stay whole.
class FindBar : public QWidget {
    Q_OBJECT
public:
    explicit FindBar(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    bool allColumns() const;
    bool allJournals() const;
    void open();
    // "Поиск продолжен с начала", or "Не найдено" in red; an empty text clears the word.
    void tell(const QString& word, bool notFound = false);
    // Lays the bar out for that width: one line or two. Returns the height it then needs.
    int fitWidth(int width);

    static constexpr int TextMinimumWidth = 150;

Q_SIGNALS:
    void textEdited(const QString& text);
    void nextRequested();
    void previousRequested();
    // "К повтору": to the other place of the current cell's number.
    void repeatRequested();
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLineEdit* text_;
    QCheckBox* allColumns_;
    QCheckBox* allJournals_;
    QLabel* status_;
    QBoxLayout* firstLine_;
    QBoxLayout* secondLine_;
    QWidget* options_; // the two check boxes and the word
};

} // namespace app
