#include "app/helpwindow.h"

#include "app/shortcuts.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace app {

namespace {

// No more matches are highlighted than this, so that a single letter stays quick.
constexpr int MostHighlights = 2000;

// The guide's section for each control of the window, by object name.
const std::pair<const char*, const char*> Sections[] = {
    {"MSFGAZ", "Ввод блоков"},
    {"txtDataEntry", "Ввод блоков"},
    {"TxtVvod", "Ввод блоков"},
    {"CmdEdit", "Ввод блоков"},
    {"CmdAddS", "Ввод блоков"},
    {"CmdDelS", "Ввод блоков"},
    {"MenuGrid", "Меню таблицы"},
    {"FindBar", "Поиск"},
    {"CmdSearh", "Поиск"},
    {"LstFound", "Поиск во всех журналах"},
    {"CmdZArch", "Открытие журнала и архивов"},
    {"CmdZagruz", "Открытие журнала и архивов"},
    {"CmdSave", "Сохранение"},
    {"CmdSaveAs", "Сохранение"},
    {"CmdPrint", "Печать"},
    {"CmdAddC", "Сортировка и колонки"},
    {"CmdDelC", "Сортировка и колонки"},
    {"CmdSortC", "Сортировка и колонки"},
    {"LblBlocked", "Какие блоки скоро заблокируются"},
    {"CmbFilter", "Выбор блоков для объезда"},
    {"CmdExchange", "Экспорт в электронную таблицу"},
    {"CmdProd", "Вопросы, которые задаёт программа"},
};

// How a link names a heading: lower case, blanks as "-", other punctuation dropped
// ("Резервные копии" -> "резервные-копии").
QString anchorOf(const QString& heading) {
    QString anchor;
    for (const QChar c : heading.toLower()) {
        if (c.isLetterOrNumber() || c == u'-' || c == u'_')
            anchor += c;
        else if (c.isSpace())
            anchor += u'-';
    }
    return anchor;
}

// The heading a link's anchor ("#резервные-копии") names in the guide; empty when none.
QString headingOf(const QTextDocument& guide, const QString& anchor) {
    for (QTextBlock b = guide.begin(); b.isValid(); b = b.next())
        if (b.blockFormat().headingLevel() > 0 && anchorOf(b.text()) == anchor)
            return b.text();
    return {};
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), text_(new QTextBrowser(this)), find_(new QLineEdit(this)),
      notFound_(new QLabel(this)) {
    setObjectName(QStringLiteral("FrmHelp"));
    setWindowTitle(QStringLiteral("Справка — Журнал учета ЭКЛЗ"));
    setAttribute(Qt::WA_DeleteOnClose);
    text_->setObjectName(QStringLiteral("TxtHelp"));
    // A link to a section moves there, one to the web opens the browser; the guide's links to
    // other documents lead nowhere inside the program.
    text_->setOpenLinks(false);
    connect(text_, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        if (link.scheme() == QLatin1String("http") || link.scheme() == QLatin1String("https"))
            QDesktopServices::openUrl(link);
        else if (link.path().isEmpty() && link.hasFragment())
            showSection(headingOf(*text_->document(), link.fragment()));
    });
    text_->setAccessibleName(QStringLiteral("Руководство механика"));
    find_->setObjectName(QStringLiteral("TxtHelpFind"));
    find_->setAccessibleName(QStringLiteral("Найти в справке"));
    find_->setPlaceholderText(QStringLiteral("Найти в справке"));
    find_->setClearButtonEnabled(true);
    notFound_->setObjectName(QStringLiteral("LblHelpNotFound"));
    notFound_->setStyleSheet(QStringLiteral("color: red"));
    auto* next = new QPushButton(QStringLiteral("Далее"), this);
    next->setObjectName(QStringLiteral("CmdHelpNext"));
    next->setAutoDefault(false);

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(new QLabel(QStringLiteral("Найти:"), this));
    searchRow->addWidget(find_, 1);
    searchRow->addWidget(next);
    searchRow->addWidget(notFound_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(searchRow);
    layout->addWidget(text_, 1);
    resize(720, 560);

    QFile guide(QStringLiteral(":/help/user-guide.md"));
    text_->setMarkdown(guide.open(QIODevice::ReadOnly) ? QString::fromUtf8(guide.readAll())
                                                       : QStringLiteral("Справка не найдена."));
    addShortcut(*this, "ActHelpClose", {QKeySequence::Cancel}, this, &QWidget::close);
    connect(find_, &QLineEdit::returnPressed, this, &HelpWindow::findNext);
    connect(next, &QPushButton::clicked, this, &HelpWindow::findNext);
    connect(find_, &QLineEdit::textEdited, this, [this](const QString& text) {
        notFound_->clear();
        highlightAll(text);
    });
}

void HelpWindow::showSection(const QString& heading) {
    QTextBlock block = text_->document()->begin();
    for (QTextBlock b = block; b.isValid() && !heading.isEmpty(); b = b.next())
        if (b.blockFormat().headingLevel() > 0 && b.text() == heading) {
            block = b;
            break;
        }
    text_->setTextCursor(QTextCursor(block));
    QAbstractTextDocumentLayout* layout = text_->document()->documentLayout();
    text_->verticalScrollBar()->setValue(int(layout->blockBoundingRect(block).top()));
}

QString HelpWindow::shownSection() const {
    const QTextCursor top = text_->cursorForPosition(QPoint(4, 4));
    for (QTextBlock b = top.block(); b.isValid(); b = b.previous())
        if (b.blockFormat().headingLevel() > 0)
            return b.text();
    return {};
}

void HelpWindow::findNext() {
    const QString text = find_->text();
    if (text.isEmpty())
        return;
    highlightAll(text);
    bool found = text_->find(text);
    if (!found) {
        text_->moveCursor(QTextCursor::Start);
        found = text_->find(text);
    }
    notFound_->setText(found ? QString() : QStringLiteral("Не найдено"));
}

void HelpWindow::highlightAll(const QString& text) {
    QList<QTextEdit::ExtraSelection> marks;
    QTextCursor match;
    while (!text.isEmpty() && marks.size() < MostHighlights) {
        match = text_->document()->find(text, match);
        if (match.isNull())
            break;
        QTextEdit::ExtraSelection mark;
        mark.cursor = match;
        mark.format.setBackground(QColor(255, 240, 120));
        marks << mark;
    }
    text_->setExtraSelections(marks);
}

QString HelpWindow::sectionFor(const QString& objectName) {
    for (const auto& [name, heading] : Sections)
        if (objectName == QLatin1String(name))
            return QString::fromUtf8(heading);
    return {};
}

void addHelp(QWidget& window) {
    const auto showHelp = [&window] {
        QString heading;
        for (const QWidget* control = QApplication::focusWidget();
             control && control != &window && heading.isEmpty(); control = control->parentWidget())
            heading = HelpWindow::sectionFor(control->objectName());
        auto* help = window.findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
        if (!help)
            help = new HelpWindow(&window);
        help->show();
        help->showSection(heading);
        help->raise();
        help->activateWindow();
    };
    QAction* help = addShortcut(window, "ActHelp", {QKeySequence::HelpContents}, &window, showHelp);
    // F1 works wherever the focus is in the window, the cell editor and the find bar too.
    help->setShortcutContext(Qt::WindowShortcut);
}

} // namespace app
