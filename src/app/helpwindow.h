#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QTextBrowser;

namespace app {

// The user guide inside the program (FrmHelp): the guide compiled into the program, shown by a
// text browser (TxtHelp) under a search line (TxtHelpFind, "Далее", and "Не найдено" in
// LblHelpNotFound when nothing matches). Enter or "Далее" finds the next match after the last
// one, from the top again past the end; every match is highlighted. Escape closes it.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // The guide's section about the control of that object name; empty for the guide's start.
    static QString sectionFor(const QString& objectName);
    // Shows the section under that heading at the top; the guide's start when there is none.
    void showSection(const QString& heading);
    QString shownSection() const;

private:
    void findNext();
    void highlightAll(const QString& text);

    QTextBrowser* text_;
    QLineEdit* find_;
    QLabel* notFound_;
};

// F1 (ActHelp) on the window: the one help window, opened or raised, at the section of the
// control that has the focus (or of the nearest control holding it that has one).
void addHelp(QWidget& window);

} // namespace app
