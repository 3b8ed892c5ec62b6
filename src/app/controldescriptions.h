#pragma once

class QLineEdit;
class QWidget;

namespace app {

class GridView;

// Names and descriptions of the window's controls for screen readers; the block state is told
// in words too (the summary, and a tooltip on a shaded row).
void describeControls(QWidget& window, GridView& grid, QLineEdit& inputLine, QLineEdit& editor);
// The Tab order of the journal's control table: the input line, "Выход", the grid, the buttons;
// then the filter under the grid and "Обмен".
void orderTabs(QWidget& window, QWidget& inputLine, QWidget& grid, QWidget& editor);

} // namespace app
