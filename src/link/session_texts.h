#pragma once
// What the session shows the user, word for word.

#include <QString>

#include "exchange.h"

namespace vilt::link::texts {

inline const QString kPortOpenFailed = QStringLiteral("Ошибка открытия порта");
inline const QString kNotANumber = QStringLiteral("Введите число; Повторите ввод !  ");
inline const QString kLocalSession = QStringLiteral("     Связь установлена по заводскому адресу");
inline const QString kFactorySession =
    QStringLiteral("     Установлена связь по заводскому номеру");
inline const QString kPasswordSession =
    QStringLiteral("     Установлена связь по заводскому номеру и паролю");
inline const QString kPasswordRefused = QStringLiteral("     Нет связи       (ПАРОЛЬ НЕ СОВПАЛ!)");
inline const QString kLocalNumber = QStringLiteral("Заводской №:");
inline const QString kFactoryNumber = QStringLiteral("     Заводской номер:");
// The Cyrillic С in "СRC" is as the meter's users know it.
inline const QString kWrongCount =
    QStringLiteral("     Нет связи       (принято не то количество байт)");
inline const QString kWrongCode = QStringLiteral("     Нет связи       (не правильный ответ)");
inline const QString kWrongCrc = QStringLiteral("     Нет связи       (не совпа СRC)");
inline const QString kPasswordsDiffer = QStringLiteral("Пароль введен неверно ! Повторите ввод !");
inline const QString kPasswordNotChanged = QStringLiteral("Смена пароля НЕ произошло!!!");
inline const QString kPasswordChanged = QStringLiteral("Смена пароля произошло");
inline const QString kBlankStatus = QString(42, QLatin1Char(' '));
inline const QString kBlankLabel = QString(20, QLatin1Char(' '));

// The status text of a refused reply; the acknowledgement test reports as a wrong answer.
inline QString linkFailure(Check check) {
    switch (check) {
        case Check::Count:
            return kWrongCount;
        case Check::Crc:
            return kWrongCrc;
        case Check::Ok:
        case Check::Code:
        case Check::Ack:
            break;
    }
    return kWrongCode;
}

}  // namespace vilt::link::texts
