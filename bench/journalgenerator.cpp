#include "journalgenerator.h"

#include "core/journaldates.h"

#include <QFile>
#include <QStringEncoder>

namespace bench {

namespace {

// EKLZ units were fitted from the mid-2000s; registers of that time hold these dates.
const QDate FirstActivation(2004, 1, 1);
const QDate LastActivation(2013, 12, 31);

const QList<QString>& ownerForms() {
    static const QList<QString> forms = {
        QStringLiteral("ООО"), QStringLiteral("ЗАО"), QStringLiteral("ОАО"),
        QStringLiteral("ИП"),  QStringLiteral("МУП"), QStringLiteral("ПО"),
    };
    return forms;
}

const QList<QString>& companyNames() {
    static const QList<QString> names = {
        QStringLiteral("«Ромашка»"),         QStringLiteral("«Северный ветер»"),
        QStringLiteral("«Продукты у дома»"), QStringLiteral("«Аптека № 12»"),
        QStringLiteral("«Уралхлеб»"),        QStringLiteral("«Берёзка»"),
        QStringLiteral("«Стройматериалы»"),  QStringLiteral("«Авто-Деталь»"),
        QStringLiteral("«Гастроном»"),       QStringLiteral("«Книжный мир»"),
        QStringLiteral("«Овощи-Фрукты»"),    QStringLiteral("«Торговый дом Волга»"),
        QStringLiteral("«Шиномонтаж»"),      QStringLiteral("«Кафе Встреча»"),
        QStringLiteral("«Хозтовары»"),       QStringLiteral("«Цветы»"),
    };
    return names;
}

const QList<QString>& surnames() {
    static const QList<QString> names = {
        QStringLiteral("Иванов"),   QStringLiteral("Петров"),   QStringLiteral("Сидоров"),
        QStringLiteral("Кузнецов"), QStringLiteral("Смирнов"),  QStringLiteral("Попов"),
        QStringLiteral("Васильев"), QStringLiteral("Соколов"),  QStringLiteral("Михайлов"),
        QStringLiteral("Новиков"),  QStringLiteral("Фёдоров"),  QStringLiteral("Морозов"),
        QStringLiteral("Волков"),   QStringLiteral("Алексеев"), QStringLiteral("Лебедев"),
        QStringLiteral("Семёнов"),  QStringLiteral("Егоров"),   QStringLiteral("Павлов"),
        QStringLiteral("Козлов"),   QStringLiteral("Степанов"), QStringLiteral("Николаев"),
        QStringLiteral("Орлов"),    QStringLiteral("Андреев"),  QStringLiteral("Макаров"),
    };
    return names;
}

const QList<QString>& initials() {
    static const QList<QString> letters = {
        QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В"), QStringLiteral("Г"),
        QStringLiteral("Д"), QStringLiteral("Е"), QStringLiteral("И"), QStringLiteral("К"),
        QStringLiteral("Л"), QStringLiteral("М"), QStringLiteral("Н"), QStringLiteral("О"),
        QStringLiteral("П"), QStringLiteral("Р"), QStringLiteral("С"), QStringLiteral("Ю"),
    };
    return letters;
}

const QList<QString>& registerModels() {
    static const QList<QString> models = {
        QStringLiteral("ЭКР 2102К"),     QStringLiteral("АМС-100К"),
        QStringLiteral("Меркурий-115К"), QStringLiteral("Меркурий-130К"),
        QStringLiteral("Элвес-Микро-К"), QStringLiteral("ШТРИХ-М-ФР-К"),
        QStringLiteral("ШТРИХ-ФР-К"),    QStringLiteral("ПРИМ-08ТК"),
        QStringLiteral("ОКА-102К"),      QStringLiteral("Орион-100К"),
        QStringLiteral("Миника 1102МК"), QStringLiteral("Касби-02К"),
        QStringLiteral("СПАРК-115К"),    QStringLiteral("ФЕЛИКС-Р Ф"),
        QStringLiteral("Меркурий-180К"), QStringLiteral("ЭЛВЕС-ФР-К"),
    };
    return models;
}

QString dateText(QDate date) {
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

} // namespace

JournalGenerator::JournalGenerator(quint64 seed) : state_(seed) {}

// splitmix64: small, fast and the same on every compiler and library, unlike the standard
// distributions.
quint64 JournalGenerator::next() {
    quint64 z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int JournalGenerator::below(int bound) {
    return int(next() % quint64(bound));
}

const QString& JournalGenerator::pick(const QList<QString>& choices) {
    return choices[below(int(choices.size()))];
}

QString JournalGenerator::digits(int count) {
    QString text(count, Qt::Uninitialized);
    for (int i = 0; i < count; ++i)
        text[i] = QChar(u'0' + below(10));
    return text;
}

QString JournalGenerator::person() {
    return pick(surnames()) + QLatin1Char(' ') + pick(initials()) + QLatin1Char('.') +
           pick(initials()) + QLatin1Char('.');
}

QString JournalGenerator::owner() {
    const QString& form = pick(ownerForms());
    if (form == QStringLiteral("ИП"))
        return form + QLatin1Char(' ') + person();
    return form + QLatin1Char(' ') + pick(companyNames());
}

QList<QString> JournalGenerator::nextRow() {
    const QDate activation =
        FirstActivation.addDays(below(int(FirstActivation.daysTo(LastActivation)) + 1));
    QList<QString> cells;
    cells.reserve(JournalFields);
    cells << owner() << pick(registerModels()) << digits(8) << digits(10) << digits(10)
          << dateText(activation) << dateText(core::blockDateFor(activation)) << person();
    return cells;
}

QList<QString> JournalGenerator::rows(int rows) {
    QList<QString> cells;
    cells.reserve(qsizetype(rows) * JournalFields);
    for (int r = 0; r < rows; ++r)
        cells << nextRow();
    return cells;
}

QByteArray journalFileBytes(const QList<QString>& cells) {
    QString text;
    text.reserve(cells.size() * 12);
    for (qsizetype i = 0; i < cells.size(); ++i) {
        text += cells[i];
        text += QLatin1Char(';');
        if ((i + 1) % JournalFields == 0)
            text += QLatin1String("\r\n");
    }
    QStringEncoder encoder("windows-1251");
    return encoder.encode(text);
}

bool writeGeneratedJournal(const QString& path, int rows, quint64 seed) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = journalFileBytes(JournalGenerator(seed).rows(rows));
    return file.write(bytes) == bytes.size() && file.flush();
}

} // namespace bench
