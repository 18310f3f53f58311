#pragma once
// The texts outcomes carry to the user, word for word: the window shows them, the command
// line prints them.

#include <QList>
#include <QString>
#include <optional>

#include "comm/open_failure.h"
#include "link/outcome.h"

namespace vilt::link::texts {

inline const QString kNoLink = QStringLiteral("Нет связи !!!");
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
// The month-end read words its CRC failure in full.
inline const QString kMonthWrongCrc = QStringLiteral("     Нет связи       (не совпал СRC)");
inline const QString kDataReceived = QStringLiteral("Данные получены             ");
inline const QString kNoProfile = QStringLiteral("Срезы отсутствуют!");
inline const QString kPasswordsDiffer = QStringLiteral("Пароль введен неверно ! Повторите ввод !");
inline const QString kPasswordNotChanged = QStringLiteral("Смена пароля НЕ произошло!!!");
inline const QString kPasswordChanged = QStringLiteral("Смена пароля произошло");
inline const QString kStopped = QStringLiteral("     Обмен остановлен пользователем");

// A port that would not open: kPortOpenFailed, then why and what helps, when it is known.
QString portOpenFailed(const std::optional<comm::OpenFailure>& failure);

// The status text of a refused reply; the acknowledgement test reports as a wrong answer.
QString linkFailure(Check check);

// What a session step reports: how the exchange went, and the factory number in view. None
// where the step leaves a text as it was.
struct StatusTexts {
    std::optional<QString> exchange;
    std::optional<QString> number;
};
StatusTexts sessionStatus(const Step& step);

// What an operation left out, by number: "Не прочитаны месяцы: 5, 6" from the lead and the
// numbers.
QString numbered(const QString& lead, const QList<int>& numbers);

// What the user is told when an operation did not succeed: the session's last status text,
// the meter's value that does not convert, or that there is no link.
QString failureText(const Outcome& outcome);
// The same on one line after what failed: "energy: Нет связи !!!".
QString failureLine(const QString& what, const Outcome& outcome);

// The reason a session failed: the last exchange text its steps reported.
QString sessionFailure(const QList<Step>& steps);

}  // namespace vilt::link::texts
