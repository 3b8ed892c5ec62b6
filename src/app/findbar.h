#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;

// The find bar under the grid (Ctrl+F): "Найти:", the text, "Далее" and "Назад", "Во всех
// колонках" (on) and "Во всех журналах"; a word on how the last search went. Escape closes it.
class FindBar : public QWidget {
    Q_OBJECT
public:
    explicit FindBar(QWidget* parent = nullptr);

    QString text() const;
    bool allColumns() const;
    bool allJournals() const;
    // Shows the bar with the focus in its text.
    void open();
    // "Поиск продолжен с начала", or "Не найдено" in red; an empty text clears the word.
    void tell(const QString& word, bool notFound = false);

Q_SIGNALS:
    void textEdited(const QString& text);
    void nextRequested();
    void previousRequested();
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLineEdit* text_;
    QCheckBox* allColumns_;
    QCheckBox* allJournals_;
    QLabel* status_;
};
