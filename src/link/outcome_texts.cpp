#include "link/outcome_texts.h"

namespace vilt::link::texts {

namespace {

QString openProblem(const comm::OpenFailure& failure) {
    switch (failure.problem) {
        case comm::OpenProblem::NoDevice:
            return QStringLiteral(
                       "Устройство %1 не найдено: проверьте, что адаптер подключён и порт "
                       "выбран верно.")
                .arg(failure.device);
        case comm::OpenProblem::NoRights:
            return QStringLiteral(
                       "Нет прав на порт %1: добавьте пользователя в группу %2 (sudo usermod "
                       "-aG %2 $USER) и войдите в систему заново.")
                .arg(failure.device, failure.group);
        case comm::OpenProblem::Busy:
            return QStringLiteral("Порт %1 занят другой программой: закройте её и повторите.")
                .arg(failure.device);
        case comm::OpenProblem::Other:
            break;
    }
    return QStringLiteral("Порт %1: %2.").arg(failure.device, failure.detail);
}

}  // namespace

QString portOpenFailed(const std::optional<comm::OpenFailure>& failure) {
    if (!failure) return kPortOpenFailed;
    return kPortOpenFailed + QStringLiteral(". ") + openProblem(*failure);
}

QString linkFailure(Check check) {
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

StatusTexts sessionStatus(const Step& step) {
    const QString number = QString::number(step.address);
    if (step.check != Check::Ok) {
        if (step.command == Command::Login && step.check == Check::Ack)
            return {kPasswordRefused, {}};
        return {linkFailure(step.check), {}};
    }
    switch (step.command) {
        case Command::LocalIdentity:
            return {kLocalSession, kLocalNumber + number};
        case Command::Identity:
            return {kFactorySession, kFactoryNumber + number};
        case Command::Login:
            return {kPasswordSession, kFactoryNumber + number};
        default:
            return {};
    }
}

QString failureLine(const QString& what, const Outcome& outcome) {
    return what + QStringLiteral(": ") + failureText(outcome).simplified();
}

QString sessionFailure(const QList<Step>& steps) {
    QString text;
    for (const Step& step : steps)
        if (const auto exchange = sessionStatus(step).exchange) text = *exchange;
    return text;
}

QString numbered(const QString& lead, const QList<int>& numbers) {
    QStringList texts;
    for (const int number : numbers) texts << QString::number(number);
    return lead + texts.join(QStringLiteral(", "));
}

QString failureText(const Outcome& outcome) {
    if (outcome.status == Status::Garbled || outcome.status == Status::Failed ||
        outcome.status == Status::PortFailed)
        return outcome.error;
    if (outcome.status == Status::Absent) return kNoProfile;
    if (outcome.status == Status::Stopped) return kStopped;
    if (outcome.operation == Operation::Session) return sessionFailure(outcome.steps);
    return kNoLink;
}

}  // namespace vilt::link::texts
