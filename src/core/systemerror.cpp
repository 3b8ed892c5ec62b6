#include "core/systemerror.h"

#include <cerrno>

namespace core {

QString systemErrorText(int error) {
    switch (error) {
    case NotARegularFile:
        return QStringLiteral("Это не обычный файл (канал, устройство или папка).");
    case ENOSPC:
        return QStringLiteral("На диске нет места.");
    case EDQUOT:
        return QStringLiteral("Превышена дисковая квота.");
    case EFBIG:
        return QStringLiteral("Файл слишком велик для этого диска.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Нет прав доступа.");
    case EROFS:
        return QStringLiteral("Диск доступен только для чтения.");
    case ENOENT:
        return QStringLiteral("Файл или папка не найдены.");
    case ELOOP:
        return QStringLiteral("Это символическая ссылка: файлы журнала не открываются и не "
                              "записываются через ссылки.");
    case ENOTDIR:
        return QStringLiteral("Это не папка.");
    case EISDIR:
        return QStringLiteral("Это папка, а не файл.");
    case EEXIST:
        return QStringLiteral("Файл с таким именем уже есть.");
    case ENAMETOOLONG:
        return QStringLiteral("Слишком длинное имя файла.");
    case EIO:
        return QStringLiteral("Ошибка ввода-вывода: диск или сеть не отвечают.");
    case ENOMEM:
        return QStringLiteral("Недостаточно памяти.");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Открыто слишком много файлов.");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("Файл занят.");
    case ENOLCK:
        return QStringLiteral("Файл нельзя заблокировать на этом диске.");
    case EWOULDBLOCK:
        return QStringLiteral("Файл занят другой программой.");
    case ESTALE:
        return QStringLiteral("Сетевая папка недоступна.");
    default:
        return qt_error_string(error);
    }
}

} // namespace core
