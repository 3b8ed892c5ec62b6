#pragma once

#include <QLabel>

namespace app {

// A label of one line that shows as much of its text as its width holds, ended by "…" when
// that is not all; the whole text stays its text() and is its tooltip while cut.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setWholeText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString shownText() const;
    void updateToolTip();
};

} // namespace app
